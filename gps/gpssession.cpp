#include "gpssession.h"

#include "nmea.h"
#include "receivescope.h"
#include "translation.h"
#include "uploadfolder.h"

GpsSession::GpsSession(QObject *parent, GpsRecord::Clock clock)
    : QObject(parent)
    , m_record(std::move(clock))
{
    m_uploadIdle.setSingleShot(true);
    m_uploadIdle.setInterval(kUploadIdleMs);
    connect(&m_uploadIdle, &QTimer::timeout, this,
            [this] { abortUpload(mainTr("文件接收超时")); });
    m_pictureWait.setSingleShot(true);
    m_pictureWait.setInterval(kPictureWaitMs);
    connect(&m_pictureWait, &QTimer::timeout, this, &GpsSession::askForNextPicture);
    m_plotRepeat.setInterval(kPlotIntervalMs);
    connect(&m_plotRepeat, &QTimer::timeout, this, &GpsSession::repeatPlot);
}

// One loop, whatever the bytes hold: sentences, files, sentences after a
// file. The bytes are logged once, as they reach the splitter; a file's own
// bytes that arrive on their own are not.
void GpsSession::receive(const QByteArray &bytes)
{
    const ReceiveScope receiving;
    QByteArray rest = bytes;
    if (m_upload) {
        const int taken = int(qMin<qint64>(uploadMissing(), rest.size()));
        m_upload->data.append(rest.constData(), taken);
        rest = rest.mid(taken);
    }
    if (!rest.isEmpty()) {
        emit logBytes(rest);
        m_splitter.append(rest);
    }
    parseBuffered();
    writeReceivedFile();
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
    m_track.finishEpoch();
    m_nextPicture.reset();
}

void GpsSession::parseBuffered()
{
    for (;;) {
        if (m_upload) {
            m_upload->data.append(m_splitter.take(int(uploadMissing())));
            if (uploadMissing() > 0) {
                m_uploadIdle.start();
                return;
            }
            finishUpload();
            continue;
        }
        const QByteArrayList fields = m_splitter.next();
        if (fields.isEmpty())
            return;
        dispatch(fields);
    }
}

void GpsSession::dispatch(const QByteArrayList &fields)
{
    const SentenceKind kind = sentenceKind(fields.first());
    if (kind != SentenceKind::Gsa)
        m_record.applyOther();
    switch (kind) {
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
        recordTrack(m_track.applyRmc(fields));
        report(m_record.applyRmc(fields));
        break;
    case SentenceKind::Vtg:
        report(m_record.applyVtg(fields));
        break;
    case SentenceKind::Gga:
        recordTrack(m_track.applyGga(fields));
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

void GpsSession::recordTrack(bool filled)
{
    if (filled) {
        emit logMessage(Severity::Warning,
                        mainTr("轨迹已达%1个点，之后的定位不再记录，可导出后清除轨迹")
                            .arg(m_track.maxPoints()));
    }
}

// ---- device commands -------------------------------------------------------

// One picture at a time: while the map draws one, only the newest request
// waits, so a flood of requests never queues renders.
void GpsSession::locate(const QByteArrayList &fields)
{
    const std::optional<MapPoint> centre = parseDevicePosition(fields);
    if (!centre)
        return;
    PictureRequest request = m_picture;
    request.centre = *centre;
    m_nextPicture = request;
    askForNextPicture();
}

void GpsSession::askForNextPicture()
{
    if (m_pictureWait.isActive() || !m_nextPicture)
        return;
    const PictureRequest request = *m_nextPicture;
    m_nextPicture.reset();
    m_pictureWait.start();
    emit pictureWanted(request);
}

void GpsSession::pictureRendered(const PictureRequest &request, const QImage &rendered)
{
    const QImage picture =
        mapPicture(rendered, request.size.width(), request.size.height(), m_logo);
    const QByteArray payload = request.format == PictureFormat::Jpeg ? jpegPayload(picture)
                                                                      : rgb565Payload(picture);
    emit sendToDevice(pictureFrame(payload));
    pictureAbandoned();
}

void GpsSession::pictureAbandoned()
{
    m_pictureWait.stop();
    askForNextPicture();
}

// The map follows the newest plot, and only that one is repeated.
void GpsSession::plot(const QByteArrayList &fields)
{
    const std::optional<MapPoint> point = parseDevicePosition(fields);
    if (!point)
        return;
    emit mapMoveWanted(*point);
    m_plotPoint = *point;
    m_plotRepeatsLeft = kPlotRepeats - 1;
    if (m_plotRepeatsLeft > 0)
        m_plotRepeat.start();
}

void GpsSession::repeatPlot()
{
    if (--m_plotRepeatsLeft <= 0)
        m_plotRepeat.stop();
    emit mapMoveWanted(m_plotPoint);
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
    QSize size = m_picture.size;
    if (settings.pictureWidth)
        size.setWidth(*settings.pictureWidth);
    if (settings.pictureHeight)
        size.setHeight(*settings.pictureHeight);
    if (pictureFits(size)) {
        m_picture.size = size;
        return;
    }
    emit logMessage(Severity::Warning,
                    mainTr("拒绝图片尺寸%1×%2：图片帧将超过%3 MiB，仍用%4×%5")
                        .arg(QString::number(size.width()), QString::number(size.height()),
                             QString::number(LinkLimits::kMaxUnsentBytes >> 20),
                             QString::number(m_picture.size.width()),
                             QString::number(m_picture.size.height())));
}

// ---- uploads ---------------------------------------------------------------

void GpsSession::startUpload(const QByteArrayList &fields)
{
    const FileRequest request = parseFileRequest(fields);
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
            mainTr("拒绝接收文件%1：只接受uploads文件夹之内的相对路径，文件内容将被丢弃").arg(asked));
    }
    m_upload = upload;
}

qint64 GpsSession::uploadMissing() const
{
    return m_upload->request.size - m_upload->data.size();
}

void GpsSession::finishUpload()
{
    m_uploadIdle.stop();
    const Upload upload = std::move(*m_upload);
    m_upload.reset();
    if (!upload.keep)
        return;
    // A file sent again before the read is done replaces the copy not yet
    // written: the folder sees each path written once per read.
    if (m_received && m_received->relativePath != upload.request.relativePath)
        writeReceivedFile();
    if (!m_received)
        m_received = ReceivedFile{upload.request.relativePath, {}, {}};
    m_received->data = upload.data;
    m_received->sizes.append(upload.data.size());
}

// One line for each upload, whether it was written or why not.
void GpsSession::writeReceivedFile()
{
    if (!m_received)
        return;
    const ReceivedFile received = std::move(*m_received);
    m_received.reset();
    const UploadFolder::Outcome outcome = UploadFolder::write(received.relativePath, received.data);
    for (const qint64 size : received.sizes) {
        if (outcome.written) {
            emit logMessage(Severity::Status, mainTr("文件已接收：%1（%2字节）")
                                                  .arg(outcome.where, QString::number(size)));
        } else {
            emit logMessage(Severity::Warning,
                            mainTr("无法写入文件%1：%2").arg(outcome.where, outcome.error));
        }
    }
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
