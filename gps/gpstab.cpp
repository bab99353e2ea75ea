#include "gpstab.h"

#include "capturecontrols.h"
#include "consoletext.h"
#include "dialogs.h"
#include "listenscopebox.h"
#include "mappage.h"
#include "netlog.h"
#include "programinfo.h"
#include "receiveview.h"
#include "satelliteviews.h"
#include "serialportpanel.h"
#include "sourceselector.h"
#include "tcpserverlink.h"
#include "translation.h"
#include "ui_gpstab.h"

#include <QDateTime>
#include <QHostAddress>
#include <QScopedValueRollback>
#include <QSettings>
#include <QTimer>

// Resources of a static library are registered by hand.
static void initMapResources()
{
    Q_INIT_RESOURCE(map);
    Q_INIT_RESOURCE(map_assets);
}

using NetLogLine::kGpsStyle;

GpsTab::GpsTab(Dialogs &dialogs, const PortListSource &portSource, QWidget *parent)
    : QWidget(parent)
    , ui(std::make_unique<Ui::GpsTab>())
    , m_dialogs(dialogs)
{
    initMapResources();
    ui->setupUi(this);
    m_log = new ReceiveView(ui->recvEdit_gps, ReceiveView::Kind::Lines, kLogLimit, this);
    m_session = new GpsSession(this);
    m_session->setPictureLogo(QImage(QStringLiteral(":/map/gps_logo.png")));
    createSources(portSource);
    connectTcpServer();
    connectSession();
    createCaptureControls();
    showTrackSize(m_session->track().size());
}

GpsTab::~GpsTab()
{
    // The clients would otherwise report their departure into a tab that
    // is half gone.
    m_tcp->disconnect(this);
}

void GpsTab::saveProgramSettings(QSettings &settings) const
{
    saveListenScope(settings, QStringLiteral("gps/tcpServerScope"), ui->gps_tcp_server_scope);
}

void GpsTab::loadProgramSettings(const QSettings &settings)
{
    loadListenScope(settings, QStringLiteral("gps/tcpServerScope"), ui->gps_tcp_server_scope);
}

SerialPortPanel *GpsTab::panel() const
{
    return m_sources->serialPanel();
}

// Its serial port, or one client of its TCP server. No silence or reconnect
// boxes here: every port failure is shown; the server's own messages go to
// the log.
void GpsTab::createSources(const PortListSource &portSource)
{
    m_sources = new SourceSelector(ui->gps_com, ui->gps_com_stacked, m_dialogs, this);
    m_sources->addSerial({ui->gps_portBox, ui->baudRateBox_gps, ui->dataBitsBox_gps,
                          ui->parityBox_gps, ui->stopBitsBox_gps, ui->openCloseButton_gps,
                          nullptr, nullptr, ui->dtrCheck_gps, ui->rtsCheck_gps, ui->flowBox_gps},
                         portSource);
    m_tcp = m_sources->addTcpServer({ui->gps_tcp_server_link, {ui->gps_tcp_port_s},
                                     mainTr("监听"), mainTr("停止"), mainTr("监听失败"),
                                     ui->gps_tcp_server_scope, ui->gps_tcp_server_listenAddress});
    m_tcp->setAddress(QHostAddress::AnyIPv4);
    ui->gps_tcp_port_s->setValidator(new QIntValidator(0, 65535, ui->gps_tcp_port_s));
    // A listening server fails only to open.
    m_sources->networkPanel(m_tcp)->setFailureReport([this](const QString &, const QString &why) {
        appendLog(NetLogLine::failure(mainTr("监听失败：%1").arg(why), kGpsStyle));
    });
    connect(m_tcp, &ByteLink::opened, this,
            [this] { appendLog(NetLogLine::status(mainTr("监听成功"), kGpsStyle)); });
    connect(m_tcp, &ByteLink::closed, this,
            [this] { appendLog(NetLogLine::status(mainTr("停止监听成功"), kGpsStyle)); });
    connect(m_sources, &SourceSelector::received, this, &GpsTab::onSerialBytes);
    // Nothing of one source carries over to the next; its track starts.
    connect(m_sources, &SourceSelector::opened, this, &GpsTab::forgetSource);
    connect(m_sources, &SourceSelector::opened, m_session, &GpsSession::clearTrack);
    connect(m_sources, &SourceSelector::closed, this, &GpsTab::sourceClosed);
}

void GpsTab::connectTcpServer()
{
    connect(m_tcp, &TcpServerLink::clientConnected, this, &GpsTab::gps_tcp_server_ClientConnect);
    connect(m_tcp, &TcpServerLink::clientDisconnected, this,
            &GpsTab::gps_tcp_server_ClientDisConnect);
    connect(m_tcp, &TcpServerLink::clientRefused, this, [this](const QString &ip, int port) {
        appendLog(NetLogLine::failure(mainTr("拒绝连接:[%1:%2]  %3  已有设备连接")
                                          .arg(ip, QString::number(port), clockText()),
                                      kGpsStyle));
    });
    connect(m_tcp, &TcpServerLink::clientCutOff, this,
            [this](int, const QString &ip, int port, const QString &reason) {
                appendLog(NetLogLine::failure(
                    mainTr("断开连接:[%1:%2]  %3  %4")
                        .arg(ip, QString::number(port), clockText(), reason),
                    kGpsStyle));
            });
}

void GpsTab::connectSession()
{
    m_session->setLogHex(ui->checkBox_gps_re16->isChecked());
    connect(ui->checkBox_gps_re16, &QCheckBox::toggled, m_session, &GpsSession::setLogHex);
    connect(m_session, &GpsSession::logLine, this, &GpsTab::appendLog);
    connect(m_session, &GpsSession::logMessage, this, &GpsTab::logMessage);
    connect(m_session, &GpsSession::fixReceived, this, &GpsTab::showFix);
    connect(m_session, &GpsSession::skyChanged, this, &GpsTab::showSky);
    connect(m_session, &GpsSession::trackSizeChanged, this, &GpsTab::showTrackSize);
    connect(m_session, &GpsSession::mapMoveWanted, this,
            [this](const MapPoint &point) { map().moveTo(point); });
    connect(m_session, &GpsSession::mapZoomWanted, this, [this](int zoom) { map().setZoom(zoom); });
    connect(m_session, &GpsSession::mapTypeWanted, this,
            [this](MapType type) { map().setMapType(type); });
    connect(m_session, &GpsSession::pictureWanted, this, &GpsTab::takePicture);
    connect(m_session, &GpsSession::sendToDevice, this, &GpsTab::sendPicture);
    // The uploads' writer is behind: a device on TCP waits; serial bytes,
    // which come no faster than the line's rate, wait in the session.
    connect(m_session, &GpsSession::readingHeld, m_tcp, &TcpServerLink::setReadingHeld);
    // A burst of uploads is shown at once, as a read's lines are.
    connect(m_session, &GpsSession::uploadsReported, m_log, &ReceiveView::redrawNow);
}

// ---- receiving ---------------------------------------------------------------

// What one read logs goes into the view at once: a read may hold thousands
// of lines (a device's burst of uploads), and the view takes them in one go.
void GpsTab::onSerialBytes(const QByteArray &bytes)
{
    const QScopedValueRollback<bool> receiving(m_receiving, true);
    m_session->receive(bytes, m_sources->servedPeer());
    m_log->redrawNow();
}

// ---- the TCP source ----------------------------------------------------------

void GpsTab::gps_tcp_server_ClientConnect(int, const QString &IP, int Port)
{
    appendLog(NetLogLine::status(
        mainTr("上线通知:[%1:%2]  %3").arg(IP, QString::number(Port), clockText()), kGpsStyle));
}

// The selector has heard of the departure first: serving nobody now, it
// has lost its client.
void GpsTab::gps_tcp_server_ClientDisConnect(int, const QString &IP, int Port)
{
    appendLog(NetLogLine::status(
        mainTr("下线通知:[%1:%2]  %3").arg(IP, QString::number(Port), clockText()), kGpsStyle));
    if (m_sources->servedPeer().isEmpty())
        sourceClosed();
}

// ---- both sources ------------------------------------------------------------

qint64 GpsTab::gpsSendToDevice(const QByteArray &bytes)
{
    return m_sources->write(bytes);
}

bool GpsTab::gpsSourceActive() const
{
    return m_sources->sourceOpen();
}

void GpsTab::sourceClosed()
{
    m_session->sourceClosed();
    forgetSource();
}

// Nothing of a closed source carries over to the next: not the start of a
// sentence or of a character, not its satellite systems.
void GpsTab::forgetSource()
{
    m_session->sourceChanged();
}

// ---- record and replay ---------------------------------------------------------

void GpsTab::createCaptureControls()
{
    CaptureControls::Tab tab;
    tab.name = QStringLiteral("gps");
    tab.header = [this] { return captureHeader(); };
    tab.startReplay = [this](const Capture::Header &) { return startReplay(); };
    tab.endReplay = [this] { endReplay(); };
    tab.frameEnd = [] { return std::function<bool(char)>([](char byte) { return byte == '\n'; }); };
    m_capture = new CaptureControls(m_dialogs, QStringLiteral("gps_"), std::move(tab), this);
    ui->gps_logColumn->insertWidget(1, m_capture);
    m_sources->setCapture(m_capture);
}

Capture::Header GpsTab::captureHeader() const
{
    return {{QStringLiteral("link"), m_sources->linkDescription()}};
}

bool GpsTab::startReplay()
{
    if (!m_sources->startReplay())
        return false;
    forgetSource();
    m_session->clearTrack();
    return true;
}

void GpsTab::endReplay()
{
    sourceClosed();
    m_sources->endReplay();
}

// ---- the log -----------------------------------------------------------------

// Connected by name when the form is set up.
void GpsTab::on_gps_cleanButton_clicked()
{
    m_log->clear();
}

void GpsTab::logMessage(GpsSession::Severity severity, const QString &text)
{
    appendLog(severity == GpsSession::Severity::Status ? NetLogLine::status(text, kGpsStyle)
                                                       : NetLogLine::failure(text, kGpsStyle));
}

void GpsTab::appendLog(const QString &html)
{
    m_log->append(html);
    if (!m_receiving && !m_session->reportingUploads())
        m_log->redrawNow();
}

// ---- fixes -------------------------------------------------------------------

// The label names are historical: "longitude" shows the latitude.
void GpsTab::showFix(const GpsFix &fix)
{
    if (fix.position) {
        const FixCoordinate &latitude = fix.position->latitude;
        const FixCoordinate &longitude = fix.position->longitude;
        ui->label_longitude->setText(FixText::coordinate(latitude));
        ui->label_longitude_2->setText(FixText::degreesMinutes(latitude));
        ui->label_latitude->setText(FixText::coordinate(longitude));
        ui->label_latitude_2->setText(FixText::degreesMinutes(longitude));
    }
    if (fix.utcDate)
        ui->label_gps_utc_data->setText(FixText::date(*fix.utcDate));
    if (fix.utcTime)
        ui->label_gps_utc_time->setText(FixText::time(*fix.utcTime));
    if (fix.utc) {
        const QDateTime utc8 = FixText::utcPlus8(*fix.utc);
        ui->label_gps_utc8_data->setText(FixText::date(utc8.date()));
        ui->label_gps_utc8_time->setText(FixText::time(utc8.time()));
    }
    if (fix.speedKmh) {
        ui->label_gps_seed->setText(FixText::metresPerSecond(*fix.speedKmh));
        ui->label_gps_seed_2->setText(FixText::kilometresPerHour(*fix.speedKmh));
    }
    if (fix.altitudeMetres)
        ui->label_lgps_high->setText(FixText::altitude(*fix.altitudeMetres));
    if (fix.satellitesInUse)
        ui->label_gps_num->setText(QString::fromLatin1(*fix.satellitesInUse));
    if (fix.satellitesInView)
        ui->label_gps_num_view->setText(QString::fromLatin1(*fix.satellitesInView));
    if (fix.mode)
        ui->label_gps_location->setText(FixText::mode(*fix.mode));
    if (fix.quality)
        ui->label_gps_quality->setText(FixText::quality(*fix.quality));
    if (fix.pdop)
        ui->label_gps_pdop->setText(FixText::dop(*fix.pdop));
    if (fix.hdop)
        ui->label_gps_hdop->setText(FixText::dop(*fix.hdop));
    if (fix.vdop)
        ui->label_gps_vdop->setText(FixText::dop(*fix.vdop));
}

void GpsTab::showSky(const QVector<Satellite> &satellites)
{
    ui->gps_skyView->setSatellites(satellites);
    ui->gps_snrView->setSatellites(satellites);
}

void GpsTab::showTrackSize(int points)
{
    ui->label_gps_track->setText(mainTr("轨迹：%1个点").arg(points));
}

// ---- the track ---------------------------------------------------------------

void GpsTab::on_gps_exportTrack_clicked()
{
    const GpsTrack &track = m_session->track();
    if (track.isEmpty()) {
        m_dialogs.information(this, mainTr("导出轨迹"),
                              mainTr("轨迹中还没有定位，没有可导出的内容"));
        return;
    }
    const QString proposed = QStringLiteral("track-%1.gpx")
                                 .arg(QDateTime::currentDateTime().toString(
                                     QStringLiteral("yyyyMMdd-hhmmss")));
    const QString path =
        m_dialogs.saveFileName(this, mainTr("导出轨迹"), proposed, mainTr("GPX轨迹 (*.gpx)"));
    if (path.isEmpty())
        return;
    m_export = std::make_unique<GpxExport>(
        path, track.points(), QStringLiteral("Zentrik Assistant ") + programVersion());
    m_exportPath = path;
    m_exportProgress = m_dialogs.progress(this, mainTr("正在导出轨迹..."), m_export->total());
    ui->gps_exportTrack->setEnabled(false);
    QTimer::singleShot(0, this, &GpsTab::continueTrackExport);
}

// One slice per turn of the event loop, so the window keeps up meanwhile.
void GpsTab::continueTrackExport()
{
    if (!m_export)
        return;
    if (!m_export->writeSlice()) {
        endTrackExport();
        return;
    }
    if (!m_exportProgress->update(m_export->done())) {
        logMessage(GpsSession::Severity::Status, mainTr("已取消导出轨迹%1").arg(m_exportPath));
        m_export.reset(); // and with it the unfinished file
        m_exportProgress.reset();
        ui->gps_exportTrack->setEnabled(true);
        return;
    }
    QTimer::singleShot(0, this, &GpsTab::continueTrackExport);
}

void GpsTab::endTrackExport()
{
    const QString error = m_export->error();
    const qint64 points = m_export->total();
    m_export.reset();
    m_exportProgress.reset();
    ui->gps_exportTrack->setEnabled(true);
    if (error.isEmpty()) {
        logMessage(GpsSession::Severity::Status,
                   mainTr("轨迹已导出：%1（%2个点）").arg(m_exportPath, QString::number(points)));
        return;
    }
    const QString why = mainTr("无法导出轨迹%1：%2").arg(m_exportPath, error);
    logMessage(GpsSession::Severity::Warning, why);
    m_dialogs.critical(this, mainTr("出错啦！"), why);
}

void GpsTab::on_gps_clearTrack_clicked()
{
    m_session->clearTrack();
}

// ---- the map -----------------------------------------------------------------

// The map is first made when the tab shows or when a device asks for a
// picture, inside a read: the box waits until the read is done.
void GpsTab::reportLater(const QString &title, const QString &text)
{
    QMetaObject::invokeMethod(
        this, [this, title, text] { m_dialogs.critical(this, title, text); },
        Qt::QueuedConnection);
}

MapPage *GpsTab::mapView()
{
    if (m_map || m_mapUnavailable)
        return m_map;
    QString error;
    m_map = createMapPage(ui->gps_mapArea, &error);
    if (!m_map) {
        m_mapUnavailable = true;
        reportLater(mainTr("错误"), error);
        return nullptr;
    }
    ui->gps_mapLayout->addWidget(m_map->widget());
    if (!m_map->loadMapPage(&error))
        reportLater(mainTr("Unable to open file"), error);
    m_mapBacklog.replayInto(*m_map);
    return m_map;
}

MapTarget &GpsTab::map()
{
    if (m_map)
        return *m_map;
    return m_mapBacklog;
}

void GpsTab::showEvent(QShowEvent *event)
{
    mapView();
    QWidget::showEvent(event);
}

// The picture needs the page. It is rendered after the move, so it shows
// the new position.
void GpsTab::takePicture(const PictureRequest &request)
{
    MapPage *map = mapView();
    if (!map) {
        m_session->pictureAbandoned();
        return;
    }
    map->moveTo(request.centre);
    map->renderPicture(request.size, [this, request](const QImage &rendered) {
        m_session->pictureRendered(request, rendered);
    });
}

void GpsTab::sendPicture(const QByteArray &frame)
{
    if (gpsSendToDevice(frame) >= 0)
        emit pictureSent(frame.size());
}
