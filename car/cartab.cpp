#include "cartab.h"

#include "cameraview.h"
#include "capturecontrols.h"
#include "ccdview.h"
#include "ciplineedit.h"
#include "clocktext.h"
#include "customframedecoder.h"
#include "dialogs.h"
#include "frameview.h"
#include "listenscopebox.h"
#include "paramview.h"
#include "sampledecoders.h"
#include "scopeview.h"
#include "seriallink.h"
#include "serialportpanel.h"
#include "settingsrecord.h"
#include "sourceselector.h"
#include "stepview.h"
#include "tcpserverlink.h"
#include "translation.h"
#include "udplink.h"
#include "ui_cartab.h"

#include <QHash>
#include <QLabel>
#include <QSettings>
#include <QVBoxLayout>

#include <iterator>

namespace {

// The protocols as capture headers and the program's settings name them, in
// the order of CarTab::Protocol.
const char *const kProtocolKeys[] = {"car", "text", "justfloat", "custom"};
const char kProtocolSetting[] = "car/protocol";
const char kFrameSetting[] = "car/frame";
const char kFrameKey[] = "frame";
const char kParameterFileSetting[] = "car/parameterFile";
const char kTcpServerScopeSetting[] = "car/tcpServerScope";
const char kUdpScopeSetting[] = "car/udpScope";

int protocolIndex(const QString &key)
{
    for (int index = 0; index < int(std::size(kProtocolKeys)); ++index) {
        if (key == QLatin1String(kProtocolKeys[index]))
            return index;
    }
    return -1;
}

// The settings a car capture carries: the frame lengths depend on them.
Capture::Header carSettings(const CarCamera::Settings &camera, int ccdCount, int ccdLine,
                            int channels, int typeCode)
{
    return {
        {QStringLiteral("image.mode"), QString::number(camera.mode)},
        {QStringLiteral("image.width"), QString::number(camera.width)},
        {QStringLiteral("image.height"), QString::number(camera.height)},
        {QStringLiteral("image.highBitFirst"), QString::number(int(camera.highBitFirst))},
        {QStringLiteral("image.oneIsBlack"), QString::number(int(camera.oneIsBlack))},
        {QStringLiteral("image.bigEndian"), QString::number(int(camera.bigEndian))},
        {QStringLiteral("ccd.count"), QString::number(ccdCount)},
        {QStringLiteral("ccd.line"), QString::number(ccdLine)},
        {QStringLiteral("scope.channels"), QString::number(channels)},
        {QStringLiteral("scope.type"), QString::number(typeCode)},
    };
}

// What the user calls a setting of the header.
QString settingName(const QString &key)
{
    static const QHash<QString, const char *> names{
        {QStringLiteral("image.mode"), QT_TRANSLATE_NOOP("MainWindow", "图像类型")},
        {QStringLiteral("image.width"), QT_TRANSLATE_NOOP("MainWindow", "图像宽")},
        {QStringLiteral("image.height"), QT_TRANSLATE_NOOP("MainWindow", "图像高")},
        {QStringLiteral("image.highBitFirst"), QT_TRANSLATE_NOOP("MainWindow", "二值化高位在前")},
        {QStringLiteral("image.oneIsBlack"), QT_TRANSLATE_NOOP("MainWindow", "二值化1黑0白")},
        {QStringLiteral("image.bigEndian"), QT_TRANSLATE_NOOP("MainWindow", "RGB565高字节在前")},
        {QStringLiteral("ccd.count"), QT_TRANSLATE_NOOP("MainWindow", "CCD数目")},
        {QStringLiteral("ccd.line"), QT_TRANSLATE_NOOP("MainWindow", "线宽度")},
        {QStringLiteral("scope.channels"), QT_TRANSLATE_NOOP("MainWindow", "波形数目")},
        {QStringLiteral("scope.type"), QT_TRANSLATE_NOOP("MainWindow", "数据类型")},
        {QStringLiteral("protocol"), QT_TRANSLATE_NOOP("MainWindow", "数据协议")},
        {QStringLiteral("frame"), QT_TRANSLATE_NOOP("MainWindow", "帧格式")},
    };
    const char *name = names.value(key);
    return name ? mainTr(name) : key;
}

int headerInt(const Capture::Header &header, const char *key, int fallback)
{
    bool ok = false;
    const int value = header.value(QLatin1String(key)).toInt(&ok);
    return ok ? value : fallback;
}

CarCamera::Settings recordedCamera(const Capture::Header &header, CarCamera::Settings current)
{
    current.mode = headerInt(header, "image.mode", current.mode);
    current.width = headerInt(header, "image.width", current.width);
    current.height = headerInt(header, "image.height", current.height);
    current.highBitFirst = headerInt(header, "image.highBitFirst", current.highBitFirst) != 0;
    current.oneIsBlack = headerInt(header, "image.oneIsBlack", current.oneIsBlack) != 0;
    current.bigEndian = headerInt(header, "image.bigEndian", current.bigEndian) != 0;
    return current;
}

} // namespace

CarTab::CarTab(Dialogs &dialogs, const PortListSource &portSource, QWidget *parent)
    : QWidget(parent)
    , ui(std::make_unique<Ui::CarTab>())
{
    ui->setupUi(this);
    m_sources = new SourceSelector(ui->car_com, ui->car_com_stacked, dialogs, this);
    createSources(portSource);
    connect(m_sources, &SourceSelector::received, this, &CarTab::car_read);
    connect(m_sources, &SourceSelector::opened, this, &CarTab::onLinkOpened);
    connect(m_sources, &SourceSelector::closed, this, &CarTab::onLinkClosed);
    connect(panel(), &SerialPortPanel::linkStateChanged, this, &CarTab::tickNeedChanged);

    m_cameraView = new CameraView(dialogs, ui->car_cam_tab);
    m_ccdView = new CcdView(dialogs, ui->car_ccd_tab);
    m_scopeView = new ScopeView(dialogs, ui->car_ware_tab);
    addPage(ui->car_cam_tab, m_cameraView, "car_cam_note");
    addPage(ui->car_ccd_tab, m_ccdView, "car_ccd_note");
    addPage(ui->car_ware_tab, m_scopeView);
    m_paramView = new ParameterView(dialogs, ui->car_param_tab);
    addPage(ui->car_param_tab, m_paramView);
    m_stepView = new StepView(dialogs, *m_scopeView, *m_paramView, ui->car_step_tab);
    addPage(ui->car_step_tab, m_stepView);
    connect(m_stepView, &StepView::stepShown, this,
            [this] { ui->car_tabWidget->setCurrentWidget(ui->car_ware_tab); });
    m_frameView = new FrameView(dialogs, ui->car_frame_tab);
    addPage(ui->car_frame_tab, m_frameView);
    m_frameView->setApplyGuard([this] { return frameFormatLocked(); });
    connect(m_frameView, &FrameView::applied, this, &CarTab::onFrameFormatApplied);
    m_paramView->setWriter([this](const QByteArray &bytes, QString *error) {
        if (m_sources->write(bytes) >= 0)
            return true;
        *error = m_sources->writeError();
        return false;
    });
    connect(ui->car_protocol, QOverload<int>::of(&QComboBox::currentIndexChanged), this,
            &CarTab::showProtocolNotes);
    showProtocolNotes();

    m_parser.setHandler(CarLink::Image, [this](const char *payload, int length) {
        m_cameraView->handleFrame(payload, length);
    });
    m_parser.setHandler(CarLink::Ccd, [this](const char *payload, int length) {
        m_ccdView->handleFrame(payload, length);
    });
    m_parser.setHandler(CarLink::Scope, [this](const char *payload, int length) {
        m_scopeView->handleFrame(payload, length);
    });
    m_parser.setHandler(CarLink::Param, [this](const char *payload, int length) {
        m_paramView->reportFrame(payload, length);
    });
    createCaptureControls(dialogs);
    // What a label shows is never read as markup.
    for (QLabel *label : findChildren<QLabel *>())
        label->setTextFormat(Qt::PlainText);
}

CarTab::~CarTab() = default;

void CarTab::saveSettings(SettingsRecord &record) const
{
    m_cameraView->saveSettings(record);
    record.carSerial = panel()->serialIndexes();
    m_ccdView->saveSettings(record);
    m_scopeView->saveSettings(record);
}

void CarTab::loadSettings(const SettingsRecord &record)
{
    m_cameraView->loadSettings(record);
    panel()->applySerialIndexes(record.carSerial);
    m_ccdView->loadSettings(record);
    m_scopeView->loadSettings(record);
}

CarTab::Protocol CarTab::protocolSetting() const
{
    return Protocol(ui->car_protocol->currentIndex());
}

void CarTab::saveProgramSettings(QSettings &settings) const
{
    settings.setValue(QLatin1String(kProtocolSetting),
                      QLatin1String(kProtocolKeys[ui->car_protocol->currentIndex()]));
    settings.setValue(QLatin1String(kFrameSetting), m_frameView->descriptionSource());
    settings.setValue(QLatin1String(kParameterFileSetting), m_paramView->fileName());
    panel()->saveBaudRate(settings, QStringLiteral("car/baudRate"));
    saveListenScope(settings, QLatin1String(kTcpServerScopeSetting), ui->car_tcp_server_scope);
    saveListenScope(settings, QLatin1String(kUdpScopeSetting), ui->car_udp_scope);
}

void CarTab::loadProgramSettings(const QSettings &settings)
{
    const int index = protocolIndex(settings.value(QLatin1String(kProtocolSetting)).toString());
    if (index >= 0)
        ui->car_protocol->setCurrentIndex(index);
    // A stored description that no longer parses leaves the default.
    const QByteArray frame = settings.value(QLatin1String(kFrameSetting)).toByteArray();
    if (!frame.isEmpty())
        m_frameView->applyText(frame);
    const QString parameterFile = settings.value(QLatin1String(kParameterFileSetting)).toString();
    if (!parameterFile.isEmpty())
        m_paramView->reopenFile(parameterFile);
    panel()->loadBaudRate(settings, QStringLiteral("car/baudRate"));
    loadListenScope(settings, QLatin1String(kTcpServerScopeSetting), ui->car_tcp_server_scope);
    loadListenScope(settings, QLatin1String(kUdpScopeSetting), ui->car_udp_scope);
}

bool CarTab::tickNeeded() const
{
    return panel()->reconnectionPending();
}

void CarTab::tick()
{
    panel()->reconnectIfLost();
}

// In the order of the "car_com" selector. Bytes from a network come as
// soon as a read interval of the serial port would bring them: a TCP
// client's bytes gather that long, not the server's usual 100 ms, so
// pictures keep the car's frame rate.
void CarTab::createSources(const PortListSource &portSource)
{
    m_sources->addSerial({ui->car_portBox, ui->car_baudRateBox, ui->car_dataBitsBox,
                          ui->car_parityBox, ui->car_stopBitsBox, ui->car_OpenCloseButton,
                          ui->car_iserror_check, ui->car_is_relink_check, ui->car_dtrCheck,
                          ui->car_rtsCheck, ui->car_flowBox},
                         portSource);
    TcpServerLink *server = m_sources->addTcpServer(
        {ui->car_tcp_server_link, {ui->car_tcp_port_s}, mainTr("开始监听"), mainTr("停止监听"),
         mainTr("监听失败"), ui->car_tcp_server_scope, ui->car_tcp_server_listenAddress});
    server->setGatherInterval(SerialLink::kGatherMs);
    watchTcpServerClients(server);
    // The address a car's wireless module answers on as an access point.
    ui->car_tcp_ip_c->setText(QStringLiteral("192.168.4.1"));
    m_sources->addTcpClient({ui->car_tcp_client_link, {ui->car_tcp_port_c}, mainTr("连接"),
                             mainTr("断开"), mainTr("连接失败")},
                            {ui->car_tcp_hostKind_c, ui->car_tcp_ip_c, ui->car_tcp_hostName_c});
    watchUdpSenders(m_sources->addUdp({ui->car_udp_link, {ui->car_udp_port}, mainTr("绑定"),
                                       mainTr("解绑"), mainTr("绑定失败"), ui->car_udp_scope,
                                       ui->car_udp_listenAddress}));
}

// Like the TCP server, one car at a time: the label tells how many
// datagrams of others were dropped, and from whom the last came.
void CarTab::watchUdpSenders(UdpLink *udp)
{
    connect(udp, &ByteLink::opened, ui->car_udp_status, &QLabel::clear);
    connect(udp, &UdpLink::ignored, this, [this, udp](const QString &ip, quint16 port) {
        ui->car_udp_status->setText(
            mainTr("一次只接收一辆小车：已忽略其他发送方的%1个数据包，最近来自[%2:%3]")
                .arg(udp->ignoredDatagrams())
                .arg(ip)
                .arg(port));
    });
}

// One car feeds the parser at a time: frames of two cars interleaved would
// be cut into garbage. The label under the button tells who is served and
// who was turned away.
void CarTab::watchTcpServerClients(TcpServerLink *server)
{
    // The newest few lines: a car replacing a silent one makes three.
    const auto note = [this](const QString &what, const QString &ip, int port) {
        m_tcpServerNotes.append(QStringLiteral("%1  [%2:%3]  %4")
                                    .arg(clockText(), ip, QString::number(port), what));
        while (m_tcpServerNotes.size() > 3)
            m_tcpServerNotes.removeFirst();
        ui->car_tcp_server_status->setText(m_tcpServerNotes.join(QLatin1Char('\n')));
    };
    connect(server, &TcpServerLink::clientConnected, this,
            [note](int, const QString &ip, int port) { note(mainTr("小车已连接"), ip, port); });
    connect(server, &TcpServerLink::clientDisconnected, this,
            [note](int, const QString &ip, int port) { note(mainTr("小车已断开"), ip, port); });
    connect(server, &TcpServerLink::clientRefused, this, [note](const QString &ip, int port) {
        note(mainTr("已拒绝：一次只接收一辆小车"), ip, port);
    });
    connect(server, &TcpServerLink::clientCutOff, this,
            [note](int, const QString &ip, int port, const QString &reason) {
                note(reason, ip, port);
            });
}

void CarTab::addPage(QWidget *page, QWidget *view, const char *noteName)
{
    auto *layout = new QVBoxLayout(page);
    layout->setContentsMargins(0, 0, 0, 0);
    if (noteName) {
        auto *note = new QLabel(page);
        note->setObjectName(QLatin1String(noteName));
        note->setWordWrap(true);
        layout->addWidget(note);
        m_protocolNotes.append(note);
    }
    layout->addWidget(view);
}

// The camera and CCD pages say when the chosen protocol cannot fill them.
void CarTab::showProtocolNotes()
{
    const bool pictures = protocolSetting() == Protocol::CarFrames;
    for (QLabel *note : m_protocolNotes) {
        note->setText(mainTr("“%1”不传送图像和CCD数据，只有示波器显示它的数据。选择“智能车协议”可看图像。")
                          .arg(ui->car_protocol->currentText()));
        note->setVisible(!pictures);
    }
    showParameterReplies();
}

// The car answers in the protocol the tab reads; JustFloat and custom
// frames have no names.
void CarTab::showParameterReplies()
{
    static const ParameterView::Replies replies[] = {
        ParameterView::Replies::CarFrames, ParameterView::Replies::TextLines,
        ParameterView::Replies::None, ParameterView::Replies::None};
    m_paramView->setReplies(replies[ui->car_protocol->currentIndex()],
                            ui->car_protocol->currentText());
}

SerialPortPanel *CarTab::panel() const
{
    return m_sources->serialPanel();
}

bool CarTab::sourceOpen() const
{
    return m_sources->sourceOpen();
}

void CarTab::car_read(const QByteArray &bytes)
{
    if (m_decoder) {
        m_decoder->append(bytes);
        if (m_textDecoder)
            m_scopeView->followLabels(*m_textDecoder);
        return;
    }
    m_parser.append(bytes);
    m_cameraView->showNewest();
}

// A fresh decoder for each source opened: nothing of the last stream's
// line or frame in progress, or of its labels, reaches the next one.
void CarTab::startDecoding()
{
    m_frameView->follow(nullptr);
    m_textDecoder = nullptr;
    m_frameDecoder = nullptr;
    m_decoder.reset();
    switch (protocolSetting()) {
    case Protocol::CarFrames:
        m_scopeView->setFeed(ScopeView::Feed::CarFrames);
        return;
    case Protocol::TextLines:
        m_decoder = std::make_unique<TextLineDecoder>();
        m_textDecoder = static_cast<TextLineDecoder *>(m_decoder.get());
        break;
    case Protocol::JustFloat:
        m_decoder = std::make_unique<JustFloatDecoder>();
        break;
    case Protocol::CustomFrames:
        m_decoder = std::make_unique<CustomFrameDecoder>(m_frameView->description());
        m_frameDecoder = static_cast<CustomFrameDecoder *>(m_decoder.get());
        break;
    }
    m_decoder->setRowHandler([this](const double *values, int count) {
        m_scopeView->appendRow(values, count);
        // Values the car reports under a label go also to the parameter
        // rows named alike; a row of numbers by position names nothing.
        if (m_textDecoder && m_textDecoder->labelledChannels() != 0)
            m_paramView->reportLabelled(m_textDecoder->channelNames(), values, count,
                                        m_textDecoder->labelledChannels());
    });
    m_scopeView->setFeed(ScopeView::Feed::DecodedRows);
}

// Custom frames name their channels after the description's fields, and
// the "帧格式" page counts what the decoder finds.
void CarTab::startCustomFrames()
{
    if (!m_frameDecoder)
        return;
    m_scopeView->nameChannels(m_frameDecoder->description().channels);
    m_frameView->follow(m_frameDecoder);
}

// A description applied while frames flow is read from the next byte on,
// with counters of its own.
void CarTab::onFrameFormatApplied()
{
    if (!m_frameDecoder || !sourceOpen())
        return;
    startDecoding();
    startCustomFrames();
}

// A capture keeps the description it was made with; one recorded or
// replayed with another would not be what the bytes were read as.
QString CarTab::frameFormatLocked() const
{
    if (m_capture->recording())
        return mainTr("正在记录，不能更换帧格式：记录要与所用的帧格式一致。请先停止记录。");
    if (m_capture->replaying())
        return mainTr("正在回放，不能更换帧格式。请先停止回放。");
    return QString();
}

// The settings are read once here and stay fixed until the next open: the
// car's frames carry no length, so the table of lengths is all the parser
// has to cut them by.
void CarTab::onLinkOpened()
{
    ui->car_protocol->setEnabled(false);
    startDecoding();
    CarLink::FrameLengths lengths{};
    lengths[CarLink::Scope] = m_scopeView->payloadLength();
    lengths[CarLink::Image] = m_cameraView->payloadLength();
    lengths[CarLink::Ccd] = m_ccdView->payloadLength();
    lengths[CarLink::Param] = CarParams::kPayloadLength;
    m_parser.setFrameLengths(lengths);

    m_cameraView->setLinkOpen(true);
    m_ccdView->setLinkOpen(true);
    m_scopeView->setLinkOpen(true);
    startCustomFrames();
    // A replay has no car to send to.
    m_paramView->setLinkOpen(m_sources->sourceOpen());
}

void CarTab::onLinkClosed()
{
    // A '>name:value' round waits for its next line; the stream has ended.
    if (m_decoder) {
        m_decoder->flush();
        if (m_textDecoder)
            m_scopeView->followLabels(*m_textDecoder);
    }
    m_frameView->follow(nullptr);
    ui->car_protocol->setEnabled(true);
    m_cameraView->setLinkOpen(false);
    m_ccdView->setLinkOpen(false);
    m_scopeView->setLinkOpen(false);
    m_paramView->setLinkOpen(false);
}

// ---- record and replay ---------------------------------------------------------

void CarTab::createCaptureControls(Dialogs &dialogs)
{
    CaptureControls::Tab tab;
    tab.name = QStringLiteral("car");
    tab.header = [this] { return captureHeader(); };
    tab.startReplay = [this, &dialogs](const Capture::Header &recorded) {
        return startReplay(dialogs, recorded);
    };
    tab.endReplay = [this] { endReplay(); };
    tab.frameEnd = [this] {
        const qint64 before = framesHandled();
        return std::function<bool(char)>([this, before](char) { return framesHandled() > before; });
    };
    m_capture = new CaptureControls(dialogs, QStringLiteral("car_"), std::move(tab), this);
    ui->car_panelColumn->insertWidget(3, m_capture);
    m_sources->setCapture(m_capture);
}

qint64 CarTab::framesHandled() const
{
    if (m_decoder)
        return m_decoder->rowsDecoded();
    return m_parser.framesHandled(CarLink::Image) + m_parser.framesHandled(CarLink::Ccd)
           + m_parser.framesHandled(CarLink::Scope);
}

Capture::Header CarTab::captureHeader() const
{
    Capture::Header header = carSettings(m_cameraView->settings(), m_ccdView->sensorCountSetting(),
                                         m_ccdView->lineWidthSetting(),
                                         m_scopeView->channelCountSetting(),
                                         m_scopeView->typeCodeSetting());
    header.insert(QStringLiteral("protocol"),
                  QLatin1String(kProtocolKeys[ui->car_protocol->currentIndex()]));
    if (protocolSetting() == Protocol::CustomFrames)
        header.insert(QLatin1String(kFrameKey), QString::fromUtf8(m_frameView->descriptionText()));
    header.insert(QStringLiteral("link"), m_sources->linkDescription());
    return header;
}

// Frames carry no length: a capture made with other image, CCD or
// oscilloscope settings is cut wrongly with the current ones.
bool CarTab::startReplay(Dialogs &dialogs, const Capture::Header &header)
{
    if (!m_sources->startReplay())
        return false;
    // Captures made before the protocol could be chosen hold the car's frames.
    Capture::Header recorded = header;
    if (!recorded.contains(QStringLiteral("protocol")))
        recorded.insert(QStringLiteral("protocol"), QLatin1String(kProtocolKeys[0]));
    const QStringList differences = settingDifferences(recorded);
    if (!differences.isEmpty()
        && dialogs.question(this, mainTr("询问"),
                            mainTr("记录时的图像/CCD/示波器设置与现在不同：\n%1\n使用记录时的设置吗？")
                                .arg(differences.join(QLatin1Char('\n')))))
        applyRecordedSettings(dialogs, recorded);
    onLinkOpened();
    return true;
}

QStringList CarTab::settingDifferences(const Capture::Header &recorded) const
{
    Capture::Header current = captureHeader();
    // The description kept on the page is the one a switch to custom frames would use.
    current.insert(QLatin1String(kFrameKey), QString::fromUtf8(m_frameView->descriptionText()));
    QStringList differences;
    for (const char *prefix : {"protocol", kFrameKey, "image.", "ccd.", "scope."}) {
        for (const QString &key : Capture::differingKeys(recorded, current, QLatin1String(prefix)))
            differences << mainTr("%1：记录时 %2，现在 %3")
                               .arg(settingName(key), settingValue(key, recorded.value(key)),
                                    settingValue(key, current.value(key)));
    }
    return differences;
}

// A protocol as the combo names it, a frame format by its name and
// channels; other settings are numbers.
QString CarTab::settingValue(const QString &key, const QString &value) const
{
    if (key == QLatin1String(kFrameKey)) {
        FrameFormat::Description description;
        FrameFormat::Refusal refusal;
        if (value.isEmpty())
            return mainTr("无");
        if (!FrameFormat::parse(value.toUtf8(), &description, &refusal))
            return mainTr("无法使用（%1）").arg(refusal.text());
        return QStringLiteral("“%1”（%2）")
            .arg(description.name, description.channels.join(QLatin1String(", ")));
    }
    const int protocol = key == QLatin1String("protocol") ? protocolIndex(value) : -1;
    return protocol >= 0 ? ui->car_protocol->itemText(protocol) : value;
}

void CarTab::applyRecordedSettings(Dialogs &dialogs, const Capture::Header &recorded)
{
    const int protocol = protocolIndex(recorded.value(QStringLiteral("protocol")));
    if (protocol >= 0)
        ui->car_protocol->setCurrentIndex(protocol);
    const QString frame = recorded.value(QLatin1String(kFrameKey));
    FrameFormat::Refusal refusal;
    if (!frame.isEmpty() && frame.toUtf8() != m_frameView->descriptionText()
        && !m_frameView->applyText(frame.toUtf8(), &refusal))
        dialogs.critical(this, mainTr("错误"),
                         mainTr("记录中的帧格式无法使用（%1），回放时用现在的帧格式。")
                             .arg(refusal.text()));
    m_cameraView->applySettings(recordedCamera(recorded, m_cameraView->settings()));
    m_ccdView->applySettings(headerInt(recorded, "ccd.count", m_ccdView->sensorCountSetting()),
                             headerInt(recorded, "ccd.line", m_ccdView->lineWidthSetting()));
    m_scopeView->applySettings(
        headerInt(recorded, "scope.channels", m_scopeView->channelCountSetting()),
        headerInt(recorded, "scope.type", m_scopeView->typeCodeSetting()));
}

void CarTab::endReplay()
{
    onLinkClosed();
    m_sources->endReplay();
}
