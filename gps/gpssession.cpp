#include "gpssession.h"

#include "hextext.h"
#include "netlog.h"
#include "nmea.h"
#include "receivescope.h"
#include "translation.h"

#include <QMetaMethod>
#include <QTime>

namespace {

QString latin1UpToZero(const QByteArray &bytes)
{
    const int zero = bytes.indexOf('\0');
    return QString::fromLatin1(zero < 0 ? bytes : bytes.left(zero));
}

} // namespace

// The timers are children, so whoever holds the session can see that none
// runs.
GpsSession::GpsSession(QObject *parent, GpsRecord::Clock clock)
    : QObject(parent)
    , m_record(std::move(clock))
    , m_pictureWait(this)
    , m_plotRepeat(this)
    , m_uploadIdle(this)
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
    connect(&m_writer, &UploadWriter::written, this, &GpsSession::fileWritten);
    connect(&m_writer, &UploadWriter::reported, this, &GpsSession::uploadsReported);
}

// One loop, whatever the bytes hold: sentences, files, sentences after a
// file. The bytes are logged once, as they reach the splitter; a file's own
// bytes that arrive on their own are not.
void GpsSession::receive(const QByteArray &bytes, const QString &peer)
{
    if (m_held)
        m_deferred.append({Deferred::Bytes, bytes, peer});
    else
        take(bytes, peer);
}

void GpsSession::take(const QByteArray &bytes, const QString &peer)
{
    const ReceiveScope receiving;
    QByteArray rest = bytes;
    if (m_upload) {
        const int taken = int(qMin<qint64>(uploadMissing(), rest.size()));
        m_upload->data.append(rest.constData(), taken);
        rest = rest.mid(taken);
    }
    if (!rest.isEmpty()) {
        logReceived(rest, peer);
        m_splitter.append(rest);
    }
    parseBuffered();
    publishChanges();
}

// Serial text is shown one character per byte (Latin-1): a receiver on the
// line speaks ASCII, and whatever else arrives (noise from a wrong baud
// rate, a binary protocol) stays visible byte for byte. Text from a network
// client, a forwarding device, is GB18030 like other device text; it is
// decoded as one stream, so a character split between two reads stays whole.
void GpsSession::logReceived(const QByteArray &bytes, const QString &peer)
{
    using NetLogLine::kGpsStyle;
    // Without a view (a benchmark, the fuzzer) no line is made.
    static const QMetaMethod logLineSignal = QMetaMethod::fromSignal(&GpsSession::logLine);
    if (!isSignalConnected(logLineSignal))
        return;
    if (!peer.isEmpty()) {
        emit logLine(NetLogLine::received(peer, QTime::currentTime(),
                                          NetLogLine::textHtml(m_peerText.decode(bytes), kGpsStyle),
                                          kGpsStyle));
    } else if (m_logHex) {
        emit logLine(bytesToHexText(bytes));
    } else {
        emit logLine(NetLogLine::textHtml(latin1UpToZero(bytes), kGpsStyle));
    }
}

// Once a read, not once a sentence: a view redraws no more often than bytes
// arrive, and the satellites are sorted for it only if one listens.
// Satellites not heard for a while leave here, so the sky needs no timer of
// its own.
void GpsSession::publishChanges()
{
    m_record.expireSky();
    const SkyModel &sky = m_record.sky();
    if (sky.revision() != m_publishedSky) {
        m_publishedSky = sky.revision();
        static const QMetaMethod skySignal = QMetaMethod::fromSignal(&GpsSession::skyChanged);
        if (isSignalConnected(skySignal))
            emit skyChanged(sky.satellites());
    }
    if (m_track.size() != m_publishedTrackSize) {
        m_publishedTrackSize = m_track.size();
        emit trackSizeChanged(m_publishedTrackSize);
    }
}

void GpsSession::clearTrack()
{
    m_track.clear();
    publishChanges();
}

void GpsSession::sourceChanged()
{
    if (m_held)
        m_deferred.append({Deferred::Changed, {}, {}});
    else
        forgetConnection();
}

void GpsSession::sourceClosed()
{
    if (m_held) {
        m_deferred.append({Deferred::Closed, {}, {}});
        return;
    }
    closeSource();
}

void GpsSession::closeSource()
{
    abortUpload(mainTr("数据源已关闭"));
    forgetConnection();
}

// The next connection starts with its own quota, and what the folder holds
// is counted again: the user may have cleared it.
void GpsSession::forgetConnection()
{
    forgetStream();
    m_connectionBytes = 0;
    m_refusedQuotas = 0;
    m_writer.recount();
}

void GpsSession::forgetStream()
{
    m_splitter.clear();
    m_peerText.reset();
    m_record.forgetSatellitesInView();
    m_track.finishEpoch();
    m_nextPicture.reset();
    publishChanges();
}

// Goes on where the full queue stopped it, then with what came meanwhile,
// until the queue is full again or nothing is left.
void GpsSession::resume()
{
    m_held = false;
    parseBuffered();
    publishChanges();
    while (!m_held && !m_deferred.isEmpty()) {
        const Deferred next = m_deferred.takeFirst();
        switch (next.kind) {
        case Deferred::Bytes:
            take(next.bytes, next.peer);
            break;
        case Deferred::Changed:
            forgetConnection();
            break;
        case Deferred::Closed:
            closeSource();
            break;
        }
    }
    if (!m_held)
        emit readingHeld(false);
}

bool GpsSession::uploadsDone() const
{
    return !m_held && m_deferred.isEmpty() && m_writer.isIdle();
}

void GpsSession::waitForUploads()
{
    while (!uploadsDone())
        m_writer.waitUntilWritten();
}

void GpsSession::parseBuffered()
{
    while (!m_held) {
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
    upload.keep = false;
    switch (request.refusal) {
    case FileRequest::Accepted:
        upload.keep = m_connectionBytes + request.size <= kMaxConnectionBytes;
        if (upload.keep)
            m_connectionBytes += request.size;
        else if (firstRefusal(UploadFolder::Quota::ConnectionBytes))
            emit logMessage(Severity::Warning,
                            mainTr("此连接上传的文件已达%1 MiB，之后的文件内容将被丢弃")
                                .arg(kMaxConnectionBytes >> 20));
        break;
    case FileRequest::TooDeep:
        if (firstRefusal(UploadFolder::Quota::Depth))
            emit logMessage(Severity::Warning,
                            mainTr("拒绝接收文件：uploads之下最多%1层文件夹，此连接之后更深的文件内容将被丢弃")
                                .arg(UploadFolder::kMaxDepth));
        break;
    case FileRequest::HiddenPath:
        emit logMessage(Severity::Warning,
                        mainTr("拒绝接收文件：路径含有隐藏字符，文件内容将被丢弃"));
        break;
    default:
        emit logMessage(
            Severity::Warning,
            mainTr("拒绝接收文件%1：只接受uploads文件夹之内的相对路径，文件内容将被丢弃").arg(asked));
        break;
    }
    m_upload = upload;
}

bool GpsSession::firstRefusal(UploadFolder::Quota quota)
{
    const unsigned bit = 1u << unsigned(quota);
    const bool first = (m_refusedQuotas & bit) == 0;
    m_refusedQuotas |= bit;
    return first;
}

qint64 GpsSession::uploadMissing() const
{
    return m_upload->request.size - m_upload->data.size();
}

// Once the writer's queue is full nothing more is taken apart until it has
// room again.
void GpsSession::finishUpload()
{
    m_uploadIdle.stop();
    const Upload upload = std::move(*m_upload);
    m_upload.reset();
    if (!upload.keep)
        return;
    m_writer.write(upload.request.relativePath, upload.data);
    if (!m_held && m_writer.isFull()) {
        m_held = true;
        emit readingHeld(true);
    }
}

// One line for each upload, whether it was written or why not; a limit's
// refusal once a connection.
void GpsSession::fileWritten(const UploadFolder::Outcome &outcome, const QList<qint64> &sizes)
{
    for (const qint64 size : sizes) {
        if (outcome.written) {
            emit logMessage(Severity::Status, mainTr("文件已接收：%1（%2字节）")
                                                  .arg(outcome.where, QString::number(size)));
        } else if (outcome.quota == UploadFolder::Quota::None || firstRefusal(outcome.quota)) {
            emit logMessage(Severity::Warning,
                            mainTr("无法写入文件%1：%2").arg(outcome.where, outcome.error));
        }
    }
    if (m_held && !m_writer.isFull())
        resume();
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
