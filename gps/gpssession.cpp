#include "gpssession.h"

#include "nmea.h"
#include "translation.h"

#include <QDir>
#include <QSaveFile>

GpsSession::GpsSession(QObject *parent, GpsRecord::Clock clock)
    : QObject(parent)
    , m_record(std::move(clock))
{
    m_uploadIdle.setSingleShot(true);
    m_uploadIdle.setInterval(kUploadIdleMs);
    connect(&m_uploadIdle, &QTimer::timeout, this,
            [this] { abortUpload(mainTr("文件接收超时")); });
}

void GpsSession::receive(const QByteArray &bytes)
{
    // The bytes of a file being uploaded are the file's, not sentences.
    if (m_upload) {
        continueUpload(bytes);
        return;
    }
    emit logBytes(bytes);
    m_splitter.append(bytes);
    parseBuffered();
}

void GpsSession::sourceChanged()
{
    forgetStream();
}

void GpsSession::sourceClosed()
{
    abortUpload(mainTr("数据源已关闭"));
    forgetStream();
}

void GpsSession::forgetStream()
{
    m_splitter.clear();
    m_record.forgetSatellitesInView();
}

void GpsSession::parseBuffered()
{
    for (;;) {
        const QByteArrayList fields = m_splitter.next();
        if (fields.isEmpty())
            return;
        dispatch(fields);
        if (m_upload) {
            continueUpload(m_splitter.takeBuffer());
            return;
        }
    }
}

void GpsSession::dispatch(const QByteArrayList &fields)
{
    switch (sentenceKind(fields.first())) {
    case SentenceKind::DeviceLocate:
        locate(fields);
        break;
    case SentenceKind::DevicePlot:
        plot(fields);
        break;
    case SentenceKind::DeviceSettings:
        applySettings(fields);
        break;
    case SentenceKind::DeviceFile:
        startUpload(fields);
        break;
    case SentenceKind::Rmc:
        report(m_record.applyRmc(fields));
        break;
    case SentenceKind::Vtg:
        report(m_record.applyVtg(fields));
        break;
    case SentenceKind::Gga:
        report(m_record.applyGga(fields));
        break;
    case SentenceKind::Gsa:
        report(m_record.applyGsa(fields));
        break;
    case SentenceKind::Gsv:
        report(m_record.applyGsv(fields));
        break;
    case SentenceKind::Gll:
    case SentenceKind::Other:
        break;
    }
}

// The map follows the receiver's fixes.
void GpsSession::report(const GpsFix &fix)
{
    emit fixReceived(fix);
    if (fix.position)
        emit mapMoveWanted(fix.position->point());
}

// ---- device commands -------------------------------------------------------

void GpsSession::locate(const QByteArrayList &fields)
{
    const std::optional<MapPoint> centre = parseDevicePosition(fields);
    if (!centre)
        return;
    PictureRequest request = m_picture;
    request.centre = *centre;
    emit pictureWanted(request);
}

void GpsSession::pictureRendered(const PictureRequest &request, const QImage &rendered)
{
    const QImage picture =
        mapPicture(rendered, request.size.width(), request.size.height(), m_logo);
    const QByteArray payload = request.format == PictureFormat::Jpeg ? jpegPayload(picture)
                                                                      : rgb565Payload(picture);
    emit sendToDevice(pictureFrame(payload));
}

void GpsSession::plot(const QByteArrayList &fields)
{
    const std::optional<MapPoint> point = parseDevicePosition(fields);
    if (!point)
        return;
    emit mapMoveWanted(*point);
    // Repeated without holding up the stream meanwhile.
    for (int repeat = 1; repeat < kPlotRepeats; ++repeat) {
        QTimer::singleShot(repeat * kPlotIntervalMs, this,
                           [this, point] { emit mapMoveWanted(*point); });
    }
}

void GpsSession::applySettings(const QByteArrayList &fields)
{
    const DeviceSettings settings = parseDeviceSettings(fields);
    if (settings.zoom)
        emit mapZoomWanted(*settings.zoom);
    if (settings.mapType)
        emit mapTypeWanted(*settings.mapType);
    if (settings.pictureFormat)
        m_picture.format = *settings.pictureFormat;
    if (settings.pictureWidth)
        m_picture.size.setWidth(*settings.pictureWidth);
    if (settings.pictureHeight)
        m_picture.size.setHeight(*settings.pictureHeight);
}

// ---- uploads ---------------------------------------------------------------

void GpsSession::startUpload(const QByteArrayList &fields)
{
    const FileRequest request = parseFileRequest(fields, QDir::currentPath());
    const QString asked = QString::fromUtf8(field(fields, 2));
    if (request.refusal == FileRequest::BadSize) {
        // Without a trustworthy size the file's end cannot be found; its
        // bytes are read as sentences, which cannot write anything.
        emit logMessage(Severity::Warning, mainTr("拒绝接收文件%1：大小无效或超过16MB").arg(asked));
        return;
    }
    Upload upload;
    upload.request = request;
    upload.keep = request.refusal == FileRequest::Accepted;
    if (!upload.keep) {
        emit logMessage(
            Severity::Warning,
            mainTr("拒绝接收文件%1：只接受工作目录之内的相对路径，文件内容将被丢弃").arg(asked));
    }
    m_upload = upload;
    m_uploadIdle.start();
}

void GpsSession::continueUpload(const QByteArray &bytes)
{
    m_upload->data.append(bytes);
    if (m_upload->data.size() >= m_upload->request.size)
        finishUpload();
    else
        m_uploadIdle.start();
}

void GpsSession::finishUpload()
{
    m_uploadIdle.stop();
    Upload upload = std::move(*m_upload);
    m_upload.reset();
    const qint64 size = upload.request.size;
    const QByteArray rest = upload.data.mid(int(size));
    upload.data.truncate(int(size));
    if (upload.keep) {
        const QString path = upload.request.absolutePath;
        QSaveFile file(path);
        if (file.open(QIODevice::WriteOnly) && file.write(upload.data) == size && file.commit()) {
            emit logMessage(Severity::Status,
                            mainTr("文件已接收：%1（%2字节）").arg(path, QString::number(size)));
        } else {
            emit logMessage(Severity::Warning,
                            mainTr("无法写入文件%1：%2").arg(path, file.errorString()));
        }
    }
    // What followed the file is ordinary stream again.
    if (!rest.isEmpty())
        receive(rest);
}

void GpsSession::abortUpload(const QString &why)
{
    if (!m_upload)
        return;
    m_uploadIdle.stop();
    const qint64 received = m_upload->data.size();
    const qint64 expected = m_upload->request.size;
    m_upload.reset();
    emit logMessage(Severity::Warning,
                    mainTr("%1，文件接收中断，未写入任何内容（已收到%2/%3字节）")
                        .arg(why, QString::number(received), QString::number(expected)));
}
