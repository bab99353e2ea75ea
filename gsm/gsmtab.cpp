#include "gsmtab.h"

#include "atcatalogue.h"
#include "atcommands.h"
#include "capturecontrols.h"
#include "commandpacer.h"
#include "consoletext.h"
#include "dialogs.h"
#include "hextext.h"
#include "receivefileswitch.h"
#include "receiveview.h"
#include "requiredchild.h"
#include "sendarea.h"
#include "serialportpanel.h"
#include "settingsrecord.h"
#include "sourceselector.h"
#include "translation.h"
#include "ui_gsmtab.h"

#include <QLabel>

namespace {

const char kNewLine[] = "\r\n";

// A newline and the time of day in brackets (clockText()): the time stamp
// put before a logged command and a received chunk, also in the receive
// file, so the same in every language.
QString timeStampText()
{
    return QStringLiteral("\n[%1]").arg(clockText());
}

// Typed text as bytes (the GPRS page): hex pairs or GB18030 text, with CR
// LF if asked.
QByteArray typedBytes(const QString &text, bool hex, bool newLine)
{
    QByteArray bytes = hex ? hexTextToBytes(text) : textToBytes(text);
    if (newLine)
        bytes += kNewLine;
    return bytes;
}

} // namespace

GsmTab::GsmTab(Dialogs &dialogs, const PortListSource &portSource, QWidget *parent)
    : QWidget(parent)
    , ui(std::make_unique<Ui::GsmTab>())
    , m_dialogs(dialogs)
{
    ui->setupUi(this);
    createSource(portSource);

    m_pacer = new CommandPacer(this);
    // A replay's replies are not the module's: a series stops at its first
    // write, which the replay refuses.
    connect(m_pacer, &CommandPacer::writeDue, this, [this](const QByteArray &bytes) {
        if (!gsm_send_cmd(bytes) && m_capture->replaying())
            m_pacer->stop();
    });
    // A series in progress is shown by its buttons, which wait for it.
    connect(m_pacer, &CommandPacer::runningChanged, this, [this](bool running) {
        for (QWidget *button : {ui->gsm_sendsmsButton, ui->gsm_set_myphonenum, ui->gsm_IPinit,
                                ui->gsm_TCPIPlink, ui->gsm_UDPIPlink, ui->gsm_GPRSsend})
            button->setEnabled(!running);
    });

    connectCatalogueButtons();
    connectConsole();
    connectPhone();
    connectGprs();
    connectConversions();
    createCaptureControls();
    // What a label shows is never read as markup.
    for (QLabel *label : findChildren<QLabel *>())
        label->setTextFormat(Qt::PlainText);
}

GsmTab::~GsmTab() = default;

SerialPortPanel *GsmTab::panel() const
{
    return m_sources->serialPanel();
}

// The serial port is the one source: no combo to choose it. No silence or
// reconnect boxes here: every port failure is shown.
void GsmTab::createSource(const PortListSource &portSource)
{
    m_sources = new SourceSelector(ui->gsm_portGroup, m_dialogs, this);
    m_sources->addSerial({ui->gsm_portBox, ui->gsm_baudRateBox, ui->gsm_dataBitsBox,
                          ui->gsm_parityBox, ui->gsm_stopBitsBox, ui->gsm_OpenCloseButton,
                          nullptr, nullptr, ui->gsm_dtrCheck, ui->gsm_rtsCheck, ui->gsm_flowBox},
                         portSource);
    connect(m_sources, &SourceSelector::received, this, &GsmTab::gsm_read);
    connect(m_sources, &SourceSelector::closed, this, [this] { m_receiveDecoder.reset(); });
}

// ---- record and replay ----

// A step is one line of the module's replies.
void GsmTab::createCaptureControls()
{
    CaptureControls::Tab tab;
    tab.name = QStringLiteral("gsm");
    tab.header = [this] {
        return Capture::Header{{QStringLiteral("link"), m_sources->linkDescription()}};
    };
    tab.startReplay = [this](const Capture::Header &) { return startReplay(); };
    tab.endReplay = [this] { endReplay(); };
    tab.frameEnd = [] { return std::function<bool(char)>([](char byte) { return byte == '\n'; }); };
    m_capture = new CaptureControls(m_dialogs, QStringLiteral("gsm_"), std::move(tab), this);
    ui->gsm_panelColumn->insertWidget(2, m_capture);
    m_sources->setCapture(m_capture);
}

// The port stays closed while a capture plays, and a series under way (its
// writes paced with no port open) ends here.
bool GsmTab::startReplay()
{
    if (!m_sources->startReplay())
        return false;
    m_pacer->stop();
    m_receiveDecoder.reset();
    return true;
}

void GsmTab::endReplay()
{
    m_receiveDecoder.reset();
    m_sources->endReplay();
}

bool GsmTab::isSendingSeries() const
{
    return m_pacer->isRunning();
}

void GsmTab::saveSettings(SettingsRecord &record) const
{
    record.gsmSerial = panel()->serialIndexes();
    record.gsmLocalPort = ui->gsm_lipport->value();
    record.gsmServerPort = ui->gsm_ipport->value();
    record.gsmAddress = textToBytes(ui->gsm_IP->text());
}

void GsmTab::loadSettings(const SettingsRecord &record)
{
    panel()->applySerialIndexes(record.gsmSerial);
    ui->gsm_lipport->setValue(record.gsmLocalPort);
    ui->gsm_ipport->setValue(record.gsmServerPort);
    if (!record.gsmAddress.isEmpty())
        ui->gsm_IP->setText(bytesToText(record.gsmAddress));
}

// The receive file flushes itself: nothing to do once a second.
bool GsmTab::tickNeeded() const
{
    return false;
}

void GsmTab::tick() {}

qint64 GsmTab::receivedByteCount() const
{
    return m_received->counters().received;
}

void GsmTab::connectCatalogueButtons()
{
    for (const AtCatalogueEntry &entry : atCatalogue()) {
        if (entry.command.isEmpty())
            continue;
        auto *button = requiredChild<QPushButton>(this, QLatin1String(entry.key));
        connect(button, &QPushButton::clicked, this, [this, &entry] {
            gsm_send_cmd(entry.command);
            showInfo(entry);
        });
    }
}

// ---- the explanation panel and the log of what was sent ----

// Writes to the module and logs the bytes; whether they went out.
bool GsmTab::gsm_send_cmd(const QByteArray &bytes)
{
    if (!writeToModule(bytes))
        return false;
    if (ui->gsm_sendtime_ck->isChecked())
        m_sentLog->append(timeStampText());
    appendLogLine(logText(bytes));
    return true;
}

// With the port closed and no replay, nothing at all; a write refused
// otherwise is logged with its reason in place of the bytes.
bool GsmTab::writeToModule(const QByteArray &bytes)
{
    if (!m_sources->sourceOpen() && !m_capture->replaying())
        return false;
    if (m_sources->write(bytes) >= 0)
        return true;
    appendLogLine(mainTr("发送失败：%1").arg(m_sources->writeError()));
    return false;
}

void GsmTab::gsm_show_cmd_info(const QString &title, const QString &example,
                               const QString &explanation)
{
    QTextEdit *info = ui->gsm_cmd_info;
    info->clear();
    info->setTextColor(QColor(0, 0, 0, 255));
    info->append(QStringLiteral("<font color=\"red \">%1</font>").arg(title));
    if (!example.isEmpty()) {
        info->append(
            QStringLiteral("<br><font color=\"Blue \">%1</font>").arg(mainTr("响应实例：")));
        info->append(QStringLiteral("\r\n%1\r\n").arg(example));
    }
    info->append(QStringLiteral("<font color=\"Blue \">%1</font>").arg(mainTr("响应详解：")));
    info->append(QStringLiteral("\r\n%1").arg(explanation));
    info->moveCursor(QTextCursor::Start);
}

void GsmTab::showInfo(const AtCatalogueEntry &entry)
{
    gsm_show_cmd_info(atText(entry.text.title), QString::fromUtf8(entry.text.example),
                      atText(entry.text.explanation));
}

void GsmTab::showInfo(const char *key)
{
    showInfo(atCatalogueEntry(key));
}

QString GsmTab::logText(const QByteArray &bytes) const
{
    return ui->gsm_recvHex_ck->isChecked() ? bytesToHexText(bytes) : cStringBytesToText(bytes);
}

// A new paragraph of plain text: what was sent is shown as it is, markup
// included.
void GsmTab::appendLogLine(const QString &text)
{
    m_sentLog->appendLine(text);
}

// ---- console ----

void GsmTab::connectConsole()
{
    m_receiveFile = new ReceiveFileSwitch(ui->gsm_file_ck, ui->gsm_fileEdit, m_dialogs, this);
    // A chatty module must not grow the views without bound nor redraw them
    // on every read.
    m_received = new ReceiveView(ui->gsm_recvEdit, ReceiveView::Kind::Stream, kViewChars, this);
    m_sentLog = new ReceiveView(ui->gsm_txEdit, ReceiveView::Kind::Stream, kViewChars, this);
    connect(ui->gsm_recv_cleanButton, &QPushButton::clicked, m_received, &ReceiveView::clear);
    connect(ui->gsm_tx_cleanButton, &QPushButton::clicked, m_sentLog, &ReceiveView::clear);
    connectSendArea();
}

// The send box is logged like a command, without a time stamp; presets are
// not logged. A write the port refused is not cleared.
void GsmTab::connectSendArea()
{
    const SendArea::Widgets box{ui->gsm_sendEdit,       ui->gsm_sendHex_ck,
                                ui->gsm_sendButton,     ui->gsm_send_cleanButton,
                                ui->gsm_sendnewline_ck, ui->gsm_send_clean};
    const SendArea::Presets presets{
        SendArea::findPresets(this, QStringLiteral("gsm_"), kPresetCount),
        ui->gsm_senddnewline_ck, ui->gsm_sendd_clean};
    auto write = [this](const QByteArray &bytes, SendArea::Source source) {
        if (!writeToModule(bytes))
            return false;
        if (source == SendArea::Source::Edit)
            appendLogLine(logText(bytes));
        return true;
    };
    m_sendArea = new SendArea(QStringLiteral("gsm_"), box, presets, write, this);
    connect(panel(), &SerialPortPanel::linkStateChanged, m_sendArea,
            [this] { m_sendArea->setReady(panel()->isOpen()); });
}

void GsmTab::gsm_read(const QByteArray &bytes)
{
    m_received->counters().received += bytes.size();
    QString shown;
    if (ui->gsm_recvHex_ck->isChecked()) {
        shown = bytesToHexText(bytes);
        m_receiveDecoder.reset();
    } else {
        shown = m_receiveDecoder.decode(bytes);
    }
    QByteArray saved = bytes;
    if (ui->gsm_sendtime_ck->isChecked()) {
        const QString stamp = timeStampText();
        shown.prepend(stamp);
        saved.prepend(textToBytes(stamp));
    }
    m_received->append(shown);
    m_receiveFile->write(saved);
    m_pacer->received(bytes);
}

// ---- phone and SMS ----

void GsmTab::connectPhone()
{
    connect(ui->gsm_callButton, &QPushButton::clicked, this, &GsmTab::dial);
    connect(ui->gsm_volumeslider, &QSlider::valueChanged, this, &GsmTab::setVolume);
    connect(ui->gsm_set_myphonenum, &QPushButton::clicked, this, &GsmTab::storeOwnNumber);
    connect(ui->gsm_sendsmsButton, &QPushButton::clicked, this, &GsmTab::sendSms);
    connect(ui->gsm_readsmsButton, &QPushButton::clicked, this, &GsmTab::readSms);
}

void GsmTab::dial()
{
    const QString number = ui->gsm_numEdit->displayText();
    if (number.isEmpty()) {
        m_dialogs.information(this, mainTr("出错啦！"), mainTr("没有电话号码！"));
        return;
    }
    gsm_send_cmd(dialCommand(number));
    showInfo("gsm_callButton");
}

void GsmTab::setVolume(int level)
{
    ui->gsm_volumetest->setText(QString::number(level));
    gsm_send_cmd(volumeCommand(level));
}

void GsmTab::storeOwnNumber()
{
    if (m_pacer->isRunning())
        return;
    const QString question =
        mainTr("存储为本机号码，是在查询本机号码时没识别到号码时使用。请确保你配置的号码%1与本机号码"
               "一致。是否继续？")
            .arg(ui->gsm_numEdit->text());
    if (!m_dialogs.question(this, mainTr("询问"), question))
        return;
    // The number is read again when its write is due: it may have been
    // edited during the pause.
    m_pacer->start(QList<CommandPacer::Step>{
        [] { return ownNumberBookCommand(); },
        [this] { return ownNumberWriteCommand(ui->gsm_numEdit->text()); }});
}

void GsmTab::sendSms()
{
    const QString number = ui->gsm_numEdit->displayText();
    if (number.isEmpty()) {
        m_dialogs.information(this, mainTr("出错啦！"), mainTr("没有电话号码！"));
        return;
    }
    const QString text = ui->gsm_smstextEdit->toPlainText();
    if (smsEndsEarly(text)) {
        m_dialogs.critical(this, mainTr("错误"),
                           mainTr("短信内容含有 Ctrl-Z (0x1A) 或 Esc (0x1B)：它会提前结束短信，"
                                  "其后的内容会被模块当作命令执行。请删除后再发送。"));
        return;
    }
    const QList<QByteArray> writes = smsWrites(number, text);
    auto done = [this] { showInfo("gsm_sendsmsButton"); };
    // With the port closed no module can prompt: the steps run on the pause.
    if (!m_sources->sourceOpen()) {
        m_pacer->start(writes, done);
        return;
    }
    m_pacer->startPrompted(writes, smsBodyWrite(writes), done, [this] { smsNotPrompted(); });
}

// Said in the panel and the log rather than in a box: nothing should wait
// on the user while the port keeps receiving.
void GsmTab::smsNotPrompted()
{
    const QString message = mainTr("模块没有回应“> ”，短信未发送。");
    gsm_show_cmd_info(message.toHtmlEscaped(), {},
                      atText(atCatalogueEntry("gsm_sendsmsButton").text.explanation));
    appendLogLine(message);
}

void GsmTab::readSms()
{
    const QString index = ui->gsm_smsnum->displayText();
    if (index.isEmpty()) {
        m_dialogs.critical(this, mainTr("错误"), mainTr("没有指定短信存储位置！"));
        return;
    }
    gsm_send_cmd(readSmsCommand(index));
    showInfo("gsm_readsmsButton");
}

// ---- GPRS ----

void GsmTab::connectGprs()
{
    connect(ui->gsm_IPinit, &QPushButton::clicked, this, [this] {
        if (m_pacer->start(gprsInitWrites()))
            showInfo("gsm_IPinit");
    });
    connect(ui->gsm_TCPIPlink, &QPushButton::clicked, this,
            [this] { startGprsLink("TCP", "gsm_TCPIPlink"); });
    connect(ui->gsm_UDPIPlink, &QPushButton::clicked, this,
            [this] { startGprsLink("UDP", "gsm_UDPIPlink"); });
    connect(ui->gsm_GPRSsend, &QPushButton::clicked, this, &GsmTab::sendGprsData);
}

void GsmTab::startGprsLink(const QByteArray &protocol, const char *key)
{
    if (!ui->gsm_IP->isComplete()) {
        m_dialogs.information(this, mainTr("出错啦！"), mainTr("服务器IP地址不完整！"));
        return;
    }
    if (m_pacer->start(gprsLinkWrites(protocol, ui->gsm_IP->text(), ui->gsm_ipport->value(),
                                      ui->gsm_lipport->value())))
        showInfo(key);
}

void GsmTab::sendGprsData()
{
    const QString text = ui->gsm_GPRStext->toPlainText();
    // Nothing to send: the button still explains itself.
    if (text.isEmpty()) {
        if (!m_pacer->isRunning())
            showInfo("gsm_GPRSsend");
        return;
    }
    const QByteArray data = typedBytes(text, ui->gsm_gprssendHex_ck->isChecked(),
                                       ui->gsm_gprssendnewline_ck->isChecked());
    if (endsMessageEarly(data)) {
        m_dialogs.critical(this, mainTr("错误"),
                           mainTr("发送数据含有 Ctrl-Z (0x1A) 或 Esc (0x1B)：它会提前结束发送，"
                                  "其后的内容会被模块当作命令执行。请删除后再发送。"));
        return;
    }
    if (m_pacer->start(gprsSendWrites(data)))
        showInfo("gsm_GPRSsend");
}

// ---- code conversion ----

void GsmTab::connectConversions()
{
    connect(ui->gsm_ch2ucs2Button, &QPushButton::clicked, this, [this] {
        const QByteArray hex = ucs2Hex(ui->gsm_chtextEdit->toPlainText()).toUpper();
        ui->gsm_ucs2textEdit->setPlainText(QString::fromLatin1(hex));
    });
    connect(ui->gsm_ucs22chButton, &QPushButton::clicked, this, [this] {
        ui->gsm_chtextEdit->setPlainText(ucs2HexToText(ui->gsm_ucs2textEdit->toPlainText()));
    });
    connect(ui->gsm_string2hexButton, &QPushButton::clicked, this, [this] {
        const QByteArray bytes = textToBytes(ui->gsm_stringEdit->toPlainText());
        ui->gsm_hexEdit->setPlainText(bytesToHexText(bytes));
    });
    connect(ui->gsm_gsm_hex2stringButton, &QPushButton::clicked, this, [this] {
        ui->gsm_stringEdit->setPlainText(
            cStringBytesToText(hexTextToBytes(ui->gsm_hexEdit->toPlainText())));
    });
}

void GsmTab::saveProgramSettings(QSettings &settings) const
{
    panel()->saveBaudRate(settings, QStringLiteral("gsm/baudRate"));
}

void GsmTab::loadProgramSettings(const QSettings &settings)
{
    panel()->loadBaudRate(settings, QStringLiteral("gsm/baudRate"));
}
