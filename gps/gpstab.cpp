#include "gpstab.h"

#include "dialogs.h"
#include "hextext.h"
#include "mapview.h"
#include "mytcpserver.h"
#include "nmea.h"
#include "seriallink.h"
#include "serialportpanel.h"
#include "translation.h"
#include "ui_gpstab.h"

#include <QBuffer>
#include <QDir>
#include <QHostAddress>
#include <QLabel>
#include <QSaveFile>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>
#include <QTime>

// Resources of a static library are registered by hand.
static void initMapResources()
{
    Q_INIT_RESOURCE(map);
}

namespace {

constexpr int kPlotRepeats = 3;
constexpr int kPlotIntervalMs = 1000;

QString nowText()
{
    return QTime::currentTime().toString(QStringLiteral("hh:mm:ss"));
}

// Received text goes into a rich-text log: escape it, so bytes such as '<'
// show as they came instead of being taken for markup.
QString plainToHtml(const QString &text)
{
    QString html = text.toHtmlEscaped();
    html.remove(QLatin1Char('\r'));
    html.replace(QLatin1Char('\n'), QLatin1String("<br>"));
    return html;
}

QString latin1UpToZero(const QByteArray &bytes)
{
    return QString::fromLatin1(bytes.left(bytes.indexOf('\0') < 0 ? bytes.size()
                                                                  : bytes.indexOf('\0')));
}

QString statusLine(const QString &text)
{
    return QStringLiteral("<font color=\"SteelBlue \">%1</font>").arg(text);
}

QString warningLine(const QString &text)
{
    return QStringLiteral("<font color=\"Red\">%1</font>").arg(text);
}

// Degrees as a script number. Longitudes keep their three degree digits on
// the labels ("075.5200936"), but a leading zero makes the page's script
// read an octal literal and fail, so the map would never move west of 100°.
QString scriptNumber(const QByteArray &degrees)
{
    QString number = QString::fromLatin1(degrees);
    const int digitsFrom = number.startsWith(QLatin1Char('-')) ? 1 : 0;
    while (number.size() > digitsFrom + 1 && number.at(digitsFrom) == QLatin1Char('0')
           && number.at(digitsFrom + 1) != QLatin1Char('.'))
        number.remove(digitsFrom, 1);
    return number;
}

QString fixedPositionScript(const QByteArray &longitude, const QByteArray &latitude)
{
    return QStringLiteral("fixed_position(%1,%2);")
        .arg(scriptNumber(longitude), scriptNumber(latitude));
}

QString fixedPositionScript(const NmeaPosition &position)
{
    return fixedPositionScript(position.longitude, position.latitude);
}

} // namespace

GpsTab::GpsTab(Dialogs &dialogs, const PortListSource &portSource, QWidget *parent)
    : QWidget(parent)
    , ui(std::make_unique<Ui::GpsTab>())
    , m_dialogs(dialogs)
{
    initMapResources();
    ui->setupUi(this);
    // No silence or reconnect boxes here: every port failure is shown.
    const SerialPanelWidgets widgets{ui->gps_portBox,     ui->baudRateBox_gps,
                                     ui->dataBitsBox_gps, ui->parityBox_gps,
                                     ui->stopBitsBox_gps, ui->openCloseButton_gps};
    m_serial = new SerialLink(this);
    m_panel = new SerialPortPanel(widgets, *m_serial, dialogs, portSource, this);
    // The source cannot change under an open port.
    m_panel->setDisabledWhileOpen({ui->gps_com});
    m_server = new myTcpServer(this);
    ui->gps_tcp_port_s->setValidator(new QIntValidator(0, 65535, ui->gps_tcp_port_s));
    for (QLabel *label : findChildren<QLabel *>())
        m_labels.insert(label->objectName(), label);
    m_logo.load(QStringLiteral(":/map/gps_logo.png"));
    m_uploadIdle.setSingleShot(true);
    m_uploadIdle.setInterval(kUploadIdleMs);
    connectWidgets();
}

GpsTab::~GpsTab()
{
    // The clients would otherwise report their departure into a tab that
    // is half gone.
    m_server->disconnect(this);
}

MapView *GpsTab::mapView()
{
    if (m_map)
        return m_map;
    m_map = new MapView(ui->gps_mapArea);
    ui->gps_mapLayout->addWidget(m_map);
    QString error;
    if (!m_map->loadMapPage(&error))
        m_dialogs.critical(this, mainTr("Unable to open file"), error);
    if (!m_mapBacklog.isEmpty())
        m_map->runScript(m_mapBacklog.take());
    return m_map;
}

void GpsTab::showEvent(QShowEvent *event)
{
    mapView();
    QWidget::showEvent(event);
}

void GpsTab::runMapScript(MapBacklog::Kind kind, const QString &script)
{
    if (m_map)
        m_map->runScript(script);
    else
        m_mapBacklog.add(kind, script);
}

void GpsTab::connectWidgets()
{
    connect(ui->gps_com, QOverload<int>::of(&QComboBox::currentIndexChanged),
            ui->gps_com_stacked, &QStackedWidget::setCurrentIndex);
    connect(m_serial, &ByteLink::received, this, &GpsTab::onReadyRead_gps);
    connect(m_panel, &SerialPortPanel::closed, this, &GpsTab::onSerialClosed);
    // on_gps_tcp_server_link_clicked() and on_gps_cleanButton_clicked() are
    // connected by name when the form is set up.
    connect(m_server, &myTcpServer::ClientConnect, this, &GpsTab::gps_tcp_server_ClientConnect);
    connect(m_server, &myTcpServer::ClientReadData, this, &GpsTab::gps_tcp_server_readdata);
    connect(m_server, &myTcpServer::ClientDisConnect, this,
            &GpsTab::gps_tcp_server_ClientDisConnect);
    connect(&m_uploadIdle, &QTimer::timeout, this,
            [this] { abortUpload(mainTr("文件接收超时")); });
}

// ---- sources ---------------------------------------------------------------

void GpsTab::onReadyRead_gps(const QByteArray &bytes)
{
    receiveFromSource(bytes);
}

void GpsTab::gps_tcp_server_readdata(int clientID, const QString &, int)
{
    // Read in any case, so another client's data is discarded.
    const QByteArray bytes = m_server->readData(clientID);
    if (clientID == m_clientId)
        receiveFromSource(bytes);
}

void GpsTab::receiveFromSource(const QByteArray &bytes)
{
    if (m_upload) {
        continueUpload(bytes);
        return;
    }
    gpsReceive(m_server->isListening() ? tcpDisplayHtml(bytes) : serialDisplayHtml(bytes), bytes);
}

// Serial text is shown one character per byte (Latin-1): a receiver on the
// line speaks ASCII, and whatever else arrives (noise from a wrong baud
// rate, a binary protocol) stays visible byte for byte. Text from the TCP
// client, a forwarding device, is GB18030 like other device text; it is
// decoded as one stream, so a character split between two reads stays whole.
QString GpsTab::serialDisplayHtml(const QByteArray &bytes) const
{
    if (ui->checkBox_gps_re16->isChecked())
        return bytesToHexText(bytes);
    return plainToHtml(latin1UpToZero(bytes));
}

QString GpsTab::tcpDisplayHtml(const QByteArray &bytes)
{
    return mainTr("<font color=\"Blue \">[%2:%3]  %4</font><br>%1")
        .arg(plainToHtml(m_tcpText.decode(bytes)), m_clientIp.toHtmlEscaped(),
             QString::number(m_clientPort), nowText());
}

void GpsTab::gpsReceive(const QString &displayHtml, const QByteArray &bytes)
{
    // The bytes of a file being uploaded are the file's, not sentences.
    if (m_upload) {
        continueUpload(bytes);
        return;
    }
    appendLog(displayHtml);
    m_splitter.append(bytes);
    parseBuffered();
}

void GpsTab::gpsSendToDevice(const QByteArray &bytes)
{
    if (m_panel->isOpen())
        m_serial->write(bytes);
    if (m_server->isListening())
        m_server->writeData(m_clientId, bytes);
}

bool GpsTab::gpsSourceActive() const
{
    return m_panel->isOpen() || m_server->isListening();
}

void GpsTab::on_gps_tcp_server_link_clicked()
{
    if (!m_server->isListening()) {
        m_server->setConnectionLimit(1);
        const quint16 port = quint16(ui->gps_tcp_port_s->text().toUInt());
        if (!m_server->listen(QHostAddress::AnyIPv4, port)) {
            appendLog(warningLine(mainTr("监听失败：%1").arg(m_server->errorString().toHtmlEscaped())));
            return;
        }
        ui->gps_tcp_server_link->setText(mainTr("停止"));
        appendLog(mainTr("<font color=\"SteelBlue \">监听成功</font>"));
        ui->gps_com->setEnabled(false);
        ui->gps_tcp_port_s->setEnabled(false);
    } else {
        m_server->closeAllClients();
        m_server->close();
        ui->gps_tcp_server_link->setText(mainTr("监听"));
        appendLog(mainTr("<font color=\"SteelBlue \">停止监听成功</font>"));
        ui->gps_com->setEnabled(true);
        ui->gps_tcp_port_s->setEnabled(true);
        abortUpload(mainTr("数据源已关闭"));
    }
    forgetSource();
}

void GpsTab::gps_tcp_server_ClientConnect(int clientID, const QString &IP, int Port)
{
    appendLog(mainTr("<font color=\"SteelBlue \">上线通知:[%1:%2]  %3</font>")
                  .arg(IP.toHtmlEscaped(), QString::number(Port), nowText()));
    m_clientId = clientID;
    m_clientIp = IP;
    m_clientPort = Port;
}

void GpsTab::gps_tcp_server_ClientDisConnect(int clientID, const QString &IP, int Port)
{
    appendLog(mainTr("<font color=\"SteelBlue \">下线通知:[%1:%2]  %3</font>")
                  .arg(IP.toHtmlEscaped(), QString::number(Port), nowText()));
    if (clientID != m_clientId)
        return;
    abortUpload(mainTr("数据源已关闭"));
    forgetSource();
}

// Nothing of a closed source carries over to the next: not the start of a
// sentence or of a character, not its client, not its satellite systems.
void GpsTab::forgetSource()
{
    m_splitter.clear();
    m_tcpText.reset();
    m_record.forgetSatellitesInView();
    m_clientId = 0;
    m_clientIp.clear();
    m_clientPort = 0;
}

void GpsTab::onSerialClosed()
{
    abortUpload(mainTr("数据源已关闭"));
    forgetSource();
}

void GpsTab::on_gps_cleanButton_clicked()
{
    ui->recvEdit_gps->clear();
}

// ---- log -------------------------------------------------------------------

// Old lines leave whole from the top, so the log never shows the remains of
// a cut-off tag.
void GpsTab::appendLog(const QString &html)
{
    QTextDocument *document = ui->recvEdit_gps->document();
    QTextCursor cursor(document);
    cursor.movePosition(QTextCursor::End);
    if (!document->isEmpty())
        cursor.insertBlock(QTextBlockFormat(), QTextCharFormat());
    cursor.insertHtml(html);
    while (document->blockCount() > 1 && document->toHtml().size() > kLogLimit) {
        QTextCursor first(document->firstBlock());
        first.select(QTextCursor::BlockUnderCursor);
        first.movePosition(QTextCursor::NextBlock, QTextCursor::KeepAnchor);
        first.removeSelectedText();
    }
    ui->recvEdit_gps->moveCursor(QTextCursor::End);
    ui->recvEdit_gps->verticalScrollBar()->setValue(ui->recvEdit_gps->verticalScrollBar()->maximum());
}

// ---- sentences -------------------------------------------------------------

void GpsTab::parseBuffered()
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

void GpsTab::dispatch(const QByteArrayList &fields)
{
    switch (sentenceKind(fields.first())) {
    case SentenceKind::DeviceLocate:
        locateAndSendPicture(fields);
        break;
    case SentenceKind::DevicePlot:
        plotPosition(fields);
        break;
    case SentenceKind::DeviceSettings:
        applySettings(fields);
        break;
    case SentenceKind::DeviceFile:
        startUpload(fields);
        break;
    case SentenceKind::Rmc: {
        bool moved = false;
        showLabels(m_record.applyRmc(fields, &moved));
        if (moved)
            gps_updata_location();
        break;
    }
    case SentenceKind::Vtg:
        showLabels(m_record.applyVtg(fields));
        break;
    case SentenceKind::Gga:
        showLabels(m_record.applyGga(fields));
        break;
    case SentenceKind::Gsa:
        showLabels(m_record.applyGsa(fields));
        break;
    case SentenceKind::Gsv:
        showLabels(m_record.applyGsv(fields));
        break;
    case SentenceKind::Gll:
    case SentenceKind::Other:
        break;
    }
}

void GpsTab::showLabels(const LabelTexts &labels)
{
    for (const auto &label : labels) {
        if (QLabel *widget = m_labels.value(label.first))
            widget->setText(label.second);
    }
}

void GpsTab::gps_updata_location()
{
    if (!m_record.hasPosition())
        return;
    runMapScript(MapBacklog::Kind::Position,
                 fixedPositionScript(m_record.longitude(), m_record.latitude()));
}

// ---- device commands -------------------------------------------------------

void GpsTab::locateAndSendPicture(const QByteArrayList &fields)
{
    NmeaPosition position;
    if (!readPosition(fields, 1, &position))
        return;
    // The picture needs the page. The capture runs after the move on the
    // page, so it shows the new position.
    MapView *map = mapView();
    map->runScript(fixedPositionScript(position));
    map->capture(m_pictureWidth, m_pictureHeight,
                 [this](const QImage &rendered) { sendPicture(rendered); });
}

void GpsTab::sendPicture(const QImage &rendered)
{
    if (!gpsSourceActive())
        return;
    const QImage picture = mapPicture(rendered, m_pictureWidth, m_pictureHeight, m_logo);
    QByteArray payload;
    if (m_pictureJpeg) {
        QBuffer buffer(&payload);
        buffer.open(QIODevice::WriteOnly);
        picture.convertToFormat(QImage::Format_RGB32).save(&buffer, "JPG");
    } else {
        payload = rgb565Payload(picture);
    }
    const QByteArray frame = pictureFrame(payload);
    gpsSendToDevice(frame);
    emit pictureSent(frame.size());
}

void GpsTab::plotPosition(const QByteArrayList &fields)
{
    NmeaPosition position;
    if (!readPosition(fields, 1, &position))
        return;
    const QString script = fixedPositionScript(position);
    runMapScript(MapBacklog::Kind::Position, script);
    // Repeated while the online map may still be settling, without holding
    // up the stream meanwhile.
    for (int repeat = 1; repeat < kPlotRepeats; ++repeat) {
        QTimer::singleShot(repeat * kPlotIntervalMs, this, [this, script] {
            runMapScript(MapBacklog::Kind::Position, script);
        });
    }
}

void GpsTab::applySettings(const QByteArrayList &fields)
{
    const DeviceSettings settings = parseDeviceSettings(fields);
    if (settings.zoom)
        runMapScript(MapBacklog::Kind::Zoom, QStringLiteral("my_setzoom(%1);").arg(*settings.zoom));
    if (!settings.mapTypeScript.isEmpty())
        runMapScript(MapBacklog::Kind::MapType, settings.mapTypeScript);
    if (settings.pictureJpeg)
        m_pictureJpeg = *settings.pictureJpeg;
    if (settings.pictureWidth)
        m_pictureWidth = quint16(*settings.pictureWidth);
    if (settings.pictureHeight)
        m_pictureHeight = quint16(*settings.pictureHeight);
}

void GpsTab::startUpload(const QByteArrayList &fields)
{
    const FileRequest request = parseFileRequest(fields, QDir::currentPath());
    const QString asked = QString::fromUtf8(field(fields, 2)).toHtmlEscaped();
    if (request.refusal == FileRequest::BadSize) {
        // Without a trustworthy size the file's end cannot be found; its
        // bytes are read as sentences, which cannot write anything.
        appendLog(warningLine(mainTr("拒绝接收文件%1：大小无效或超过16MB").arg(asked)));
        return;
    }
    Upload upload;
    upload.request = request;
    upload.keep = request.refusal == FileRequest::Accepted;
    if (!upload.keep) {
        appendLog(warningLine(
            mainTr("拒绝接收文件%1：只接受工作目录之内的相对路径，文件内容将被丢弃").arg(asked)));
    }
    m_upload = upload;
    m_uploadIdle.start();
}

void GpsTab::continueUpload(const QByteArray &bytes)
{
    m_upload->data.append(bytes);
    if (m_upload->data.size() >= m_upload->request.size)
        finishUpload();
    else
        m_uploadIdle.start();
}

void GpsTab::finishUpload()
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
            appendLog(statusLine(mainTr("文件已接收：%1（%2字节）")
                                     .arg(path.toHtmlEscaped(), QString::number(size))));
        } else {
            appendLog(warningLine(mainTr("无法写入文件%1：%2")
                                      .arg(path.toHtmlEscaped(), file.errorString().toHtmlEscaped())));
        }
    }
    // What followed the file is ordinary stream again.
    if (!rest.isEmpty())
        receiveFromSource(rest);
}

void GpsTab::abortUpload(const QString &why)
{
    if (!m_upload)
        return;
    m_uploadIdle.stop();
    const qint64 received = m_upload->data.size();
    const qint64 expected = m_upload->request.size;
    m_upload.reset();
    appendLog(warningLine(mainTr("%1，文件接收中断，未写入任何内容（已收到%2/%3字节）")
                              .arg(why, QString::number(received), QString::number(expected))));
}
