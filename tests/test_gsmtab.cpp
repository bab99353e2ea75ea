// The GSM tab driven through its widgets: a pseudo-terminal or the
// simulated modem plays the module, the dialogs are answered from a script.
#include "atcatalogue.h"
#include "capturecontrols.h"
#include "ciplineedit.h"
#include "fakeports.h"
#include "gsmtab.h"
#include "ptypair.h"
#include "receivefileswitch.h"
#include "receiveview.h"
#include "scripteddialogs.h"
#include "seriallink.h"
#include "serialportpanel.h"
#include "simulatorprocess.h"
#include "testfiles.h"
#include "textcodec.h"
#include "widgetlookup.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QSlider>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTextEdit>
#include <QTimer>
#include <QtTest>

using Kind = ScriptedDialogs::Kind;

namespace {

const QString kTime = QStringLiteral("\\[\\d\\d:\\d\\d:\\d\\d\\]");

bool matches(const QString &text, const QString &pattern)
{
    return QRegularExpression(QStringLiteral("\\A(?:%1)\\z").arg(pattern)).match(text).hasMatch();
}

// Lines without the empty ones that the commands' CRs leave.
QStringList lines(const QString &text)
{
    return text.split(QRegularExpression(QStringLiteral("[\r\n]+")), Qt::SkipEmptyParts);
}

// What a console view of `tab` shows once its pending redraw has run.
QString shownIn(QWidget *tab, const QString &name)
{
    for (ReceiveView *view : tab->findChildren<ReceiveView *>())
        view->redrawNow();
    return child<QTextEdit>(tab, name)->toPlainText();
}

} // namespace

class TestGsmTab : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void withThePortClosedEveryButtonExplainsAndNothingIsSent();
    void sentCommandsAreLoggedInHexOrTextWithTimeStamps();
    void receivedBytesGoToTheViewAndTheFileWithTheirTimeStamp();
    void portIsDrainedWhileOpen();
    void chattyModuleLeavesABoundedView();
    void smsGoesOutInPacedWritesAndASecondPressIsRefused();
    void smsToAModuleThatNeverPromptsStopsWithAMessage();
    void phonePageDialsSetsVolumeStoresOwnNumberAndReadsSms();
    void conversionPageTurnsTextIntoUcs2AndHexAndBack();
    void simulatedModemTakesTextAndUcs2SmsAndAGprsLink();
    void recordedSessionReplaysAsLiveAndWritesNothing();

private:
    template <typename T>
    T *widget(const QString &name)
    {
        return child<T>(m_tab.get(), name);
    }
    GsmTab *tab() { return m_tab.get(); }
    bool openPort(const QString &path);
    void check(const QString &name, bool on = true) { widget<QCheckBox>(name)->setChecked(on); }
    void click(const QString &name) { widget<QPushButton>(name)->click(); }
    void setText(const QString &name, const QString &text);
    QString panel() { return widget<QTextEdit>("gsm_cmd_info")->toPlainText(); }
    QString sentLog() { return shown("gsm_txEdit"); }
    QString received() { return shown("gsm_recvEdit"); }
    QString shown(const QString &name) { return shownIn(tab(), name); }

    ScriptedDialogs m_dialogs;
    FakePorts m_ports;
    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<PtyPair> m_device;
    std::unique_ptr<GsmTab> m_tab;
};

void TestGsmTab::init()
{
    m_dialogs = ScriptedDialogs();
    m_dir = std::make_unique<QTemporaryDir>();
    m_device = std::make_unique<PtyPair>();
    m_tab = std::make_unique<GsmTab>(m_dialogs, m_ports.source());
}

void TestGsmTab::cleanup()
{
    m_tab.reset();
    m_device.reset();
    m_dir.reset();
}

bool TestGsmTab::openPort(const QString &path)
{
    widget<QComboBox>("gsm_portBox")->setEditText(path);
    click("gsm_OpenCloseButton");
    return tab()->panel()->isOpen();
}

void TestGsmTab::setText(const QString &name, const QString &text)
{
    if (auto *line = m_tab->findChild<QLineEdit *>(name))
        line->setText(text);
    else
        widget<QPlainTextEdit>(name)->setPlainText(text);
}

void TestGsmTab::withThePortClosedEveryButtonExplainsAndNothingIsSent()
{
    widget<CIPLineEdit>("gsm_IP")->setText(QStringLiteral("10.0.0.7"));
    for (const AtCatalogueEntry &entry : atCatalogue()) {
        click(QString::fromLatin1(entry.key));
        QTRY_VERIFY(!tab()->isSendingSeries());
        const QString text = panel();
        // The title is markup: its runs of blanks show as one.
        QVERIFY2(text.startsWith(atText(entry.text.title).simplified()), entry.key);
        QCOMPARE(text.contains(QStringLiteral("响应实例：")), qstrlen(entry.text.example) > 0);
        QVERIFY2(text.contains(QStringLiteral("响应详解：")), entry.key);
        QVERIFY2(text.contains(lines(atText(entry.text.explanation)).first()), entry.key);
    }
    click("gsm_ATE0Button");
    QVERIFY(!panel().contains(QStringLiteral("响应实例：")));
    QVERIFY(panel().contains(QStringLiteral("不回显从 TE 接收到的字符")));
    click("gsm_CSQButton");
    QVERIFY(panel().contains(QStringLiteral("响应实例：\n\n+CSQ: 16,0\nOK")));

    setText("gsm_sendEdit", QStringLiteral("AT"));
    click("gsm_sendButton");
    setText("gsm_sendEdit1", QStringLiteral("AT"));
    click("gsm_sendButton1");
    QCOMPARE(sentLog(), QString());
    QVERIFY(m_dialogs.calls.isEmpty());

    // The server address must be whole before a link is asked for.
    widget<CIPLineEdit>("gsm_IP")->setText(QStringLiteral("10.0.0"));
    click("gsm_TCPIPlink");
    QCOMPARE(m_dialogs.texts(Kind::Information), QStringList{"服务器IP地址不完整！"});
    QVERIFY(!tab()->isSendingSeries());
}

void TestGsmTab::sentCommandsAreLoggedInHexOrTextWithTimeStamps()
{
    QVERIFY(openPort(m_device->slavePath()));
    check("gsm_recvHex_ck");
    click("gsm_CSQButton");
    QCOMPARE(m_device->read(7), QByteArray("AT+CSQ\r"));
    QCOMPARE(sentLog(), QStringLiteral("41 54 2B 43 53 51 0D "));

    click("gsm_tx_cleanButton");
    check("gsm_recvHex_ck", false);
    check("gsm_sendtime_ck");
    click("gsm_CSQButton");
    QVERIFY2(matches(sentLog(), QStringLiteral("\n%1\nAT\\+CSQ\n").arg(kTime)),
             qPrintable(sentLog()));

    // The send box: no time stamp, and markup is logged as typed.
    setText("gsm_sendEdit", QStringLiteral("<b>中</b>"));
    check("gsm_sendnewline_ck");
    check("gsm_send_clean");
    click("gsm_sendButton");
    const QByteArray typed = textToBytes(QStringLiteral("<b>中</b>\r\n"));
    QCOMPARE(m_device->read(7 + typed.size()), QByteArray("AT+CSQ\r") + typed);
    QVERIFY2(matches(sentLog(), QStringLiteral("\n%1\nAT\\+CSQ\n\n<b>中</b>\n").arg(kTime)),
             qPrintable(sentLog()));
    QVERIFY(widget<QPlainTextEdit>("gsm_sendEdit")->toPlainText().isEmpty());

    // Presets: their own hex box, the shared newline and clear boxes, no log.
    setText("gsm_sendEdit3", QStringLiteral("41 54 0D"));
    check("gsm_sendHex_ck3");
    check("gsm_senddnewline_ck");
    check("gsm_sendd_clean");
    setText("gsm_sendEdit4", QStringLiteral("41"));
    click("gsm_sendButton3");
    click("gsm_sendButton4");
    QCOMPARE(m_device->read(8), QByteArray("AT\r\r\n41\r\n"));
    QVERIFY(widget<QLineEdit>("gsm_sendEdit3")->text().isEmpty());
    QCOMPARE(lines(sentLog()).size(), 3);
}

void TestGsmTab::receivedBytesGoToTheViewAndTheFileWithTheirTimeStamp()
{
    const QString file = m_dir->filePath("gsm.txt");
    setText("gsm_fileEdit", file);
    check("gsm_file_ck");
    QVERIFY(tab()->receiveFile()->isOpen());
    QVERIFY(openPort(m_device->slavePath()));
    check("gsm_sendtime_ck");
    m_device->write("OK\r\n");
    QTRY_COMPARE(tab()->receivedByteCount(), qint64(4));
    QVERIFY2(matches(received(), QStringLiteral("\n%1OK\n").arg(kTime)), qPrintable(received()));
    tab()->receiveFile()->flush();
    QVERIFY2(matches(QString::fromLatin1(contentOf(file)), QStringLiteral("\n%1OK\r\n").arg(kTime)),
             contentOf(file).constData());

    // Without time stamps: a character split between reads comes whole, text
    // stops at a zero byte, hex shows every byte; the file takes them all raw.
    check("gsm_sendtime_ck", false);
    click("gsm_recv_cleanButton");
    const QByteArray chinese = textToBytes(QStringLiteral("中"));
    m_device->write(chinese.left(1));
    QTRY_COMPARE(tab()->receivedByteCount(), qint64(5));
    m_device->write(chinese.mid(1) + QByteArray("A\0B", 3));
    QTRY_COMPARE(tab()->receivedByteCount(), qint64(9));
    check("gsm_recvHex_ck");
    m_device->write(QByteArray("\0\xff", 2));
    QTRY_COMPARE(tab()->receivedByteCount(), qint64(11));
    QCOMPARE(received(), QStringLiteral("中A00 FF "));
    check("gsm_file_ck", false);
    QVERIFY(contentOf(file).endsWith(chinese + QByteArray("A\0B\0\xff", 5)));
}

// 8 MB of replies in the reads a fast port brings: the view keeps the
// newest 65536 characters and shows the last reply whole.
void TestGsmTab::portIsDrainedWhileOpen()
{
    QVERIFY(openPort(m_device->slavePath()));
    const QByteArray reply = QByteArray(64 * 1024, 'R');
    QVERIFY(m_device->write(reply));
    QTRY_COMPARE(tab()->receivedByteCount(), qint64(reply.size()));
    QVERIFY(tab()->panel()->link()->port()->readAll().isEmpty());
}

void TestGsmTab::chattyModuleLeavesABoundedView()
{
    QVERIFY(openPort(m_device->slavePath()));
    auto *link = tab()->findChild<SerialLink *>();
    QByteArray replies;
    for (int i = 0; replies.size() < (8 << 20); ++i)
        replies += "+CSQ: " + QByteArray::number(i).rightJustified(7, '0') + ",0\r\n";
    for (int at = 0; at < replies.size(); at += 4096) {
        emit link->received(replies.mid(at, 4096));
        if (at % (64 * 4096) == 0)
            QCoreApplication::processEvents();
    }
    QCOMPARE(tab()->receivedByteCount(), qint64(replies.size()));
    const QString text = received();
    const int length = widget<QTextEdit>("gsm_recvEdit")->document()->characterCount();
    QVERIFY2(length <= 65536 + 1 && length > 50000, qPrintable(QString::number(length)));
    QVERIFY(text.endsWith(QString::fromLatin1(replies.right(17).left(15)) + QLatin1Char('\n')));
    QVERIFY(!text.contains(QStringLiteral("+CSQ: 0000000")));
}

void TestGsmTab::smsGoesOutInPacedWritesAndASecondPressIsRefused()
{
    QVERIFY(openPort(m_device->slavePath()));
    click("gsm_sendsmsButton");
    QVERIFY(tab()->isSendingSeries());
    click("gsm_sendsmsButton");
    const QByteArray commands = "AT+CSCS=\"GSM\"\rAT+CMGF=1\rAT+CMGS=\"112\"\r";
    QCOMPARE(m_device->read(commands.size()), commands);
    // A slow module: the body waits for its prompt, which comes split and
    // behind other text (a "> " inside a line is not a prompt).
    QCOMPARE(m_device->read(1, 600), QByteArray());
    m_device->write("AT+CMGS=\"1> 2\"\r");
    QCOMPARE(m_device->read(1, 200), QByteArray());
    m_device->write("\r\n>");
    QCOMPARE(m_device->read(1, 200), QByteArray());
    QVERIFY(tab()->isSendingSeries());
    m_device->write(" ");
    QCOMPARE(m_device->read(13), QByteArray("hello world!\x1A"));
    QTRY_VERIFY(!tab()->isSendingSeries());
    QCOMPARE(lines(sentLog()), (QStringList{"AT+CSCS=\"GSM\"", "AT+CMGF=1", "AT+CMGS=\"112\"",
                                            "hello world!\x1A"}));
    QVERIFY(panel().contains(QStringLiteral("AT+CMGF=1 选择文本模式；AT+CMGF=0 选择 PDU 模式。")));

    // Nothing more went out; an empty number sends nothing at all.
    setText("gsm_numEdit", {});
    click("gsm_sendsmsButton");
    QVERIFY(!tab()->isSendingSeries());
    QCOMPARE(m_dialogs.texts(Kind::Information), QStringList{"没有电话号码！"});
    click("gsm_CSQButton");
    QCOMPARE(m_device->read(7), QByteArray("AT+CSQ\r"));
}

void TestGsmTab::smsToAModuleThatNeverPromptsStopsWithAMessage()
{
    QVERIFY(openPort(m_device->slavePath()));
    setText("gsm_smstextEdit", QStringLiteral("你好"));
    click("gsm_sendsmsButton");
    const QByteArray commands =
        "AT+CSCS=\"UCS2\"\rAT+CMGF=1\rAT+CSMP=17,167,0,8\rAT+CMGS=\"003100310032\"\r";
    QCOMPARE(m_device->read(commands.size()), commands);
    m_device->write("OK\r\n");
    QTRY_VERIFY_WITH_TIMEOUT(!tab()->isSendingSeries(), 8000);
    const QString message = QStringLiteral("模块没有回应“> ”，短信未发送。");
    QVERIFY2(panel().startsWith(message), qPrintable(panel()));
    QCOMPARE(lines(sentLog()).last(), message);
    QVERIFY(m_dialogs.calls.isEmpty());
    QVERIFY(widget<QPushButton>("gsm_sendsmsButton")->isEnabled());
    // A late prompt sends nothing.
    m_device->write("\r\n> ");
    QCOMPARE(m_device->read(1, 300), QByteArray());
}

void TestGsmTab::phonePageDialsSetsVolumeStoresOwnNumberAndReadsSms()
{
    QVERIFY(openPort(m_device->slavePath()));
    click("gsm_callButton");
    QCOMPARE(m_device->read(8), QByteArray("ATD112;\r"));
    QVERIFY(panel().startsWith(QStringLiteral("ATD 移动台呼叫某一号码")));

    // The handle is released at 55: one command, not one per step.
    auto *slider = widget<QSlider>("gsm_volumeslider");
    slider->setSliderDown(true);
    slider->setSliderPosition(55);
    QCOMPARE(widget<QLabel>("gsm_volumetest")->text(), QStringLiteral("无效"));
    slider->setSliderDown(false);
    QCOMPARE(m_device->read(11), QByteArray("AT+CLVL=55\r"));
    QCOMPARE(widget<QLabel>("gsm_volumetest")->text(), QStringLiteral("55"));

    setText("gsm_numEdit", QStringLiteral("13800000000"));
    m_dialogs.questionAnswers.enqueue(false);
    m_dialogs.questionAnswers.enqueue(true);
    click("gsm_set_myphonenum");
    QVERIFY(!tab()->isSendingSeries());
    click("gsm_set_myphonenum");
    QVERIFY(m_dialogs.texts(Kind::Question).first().contains("号码13800000000与本机号码一致"));
    // The number is read again for the second write.
    setText("gsm_numEdit", QStringLiteral("13900000000"));
    const QByteArray stored = "AT+CPBS=\"ON\"\rAT+CPBW=1,\"13900000000\"\r";
    QCOMPARE(m_device->read(stored.size()), stored);

    setText("gsm_smsnum", QStringLiteral("3"));
    click("gsm_readsmsButton");
    QCOMPARE(m_device->read(11), QByteArray("AT+CMGR=3\r"));
    setText("gsm_smsnum", {});
    click("gsm_readsmsButton");
    QCOMPARE(m_dialogs.texts(Kind::Critical), QStringList{"没有指定短信存储位置！"});
}

void TestGsmTab::conversionPageTurnsTextIntoUcs2AndHexAndBack()
{
    setText("gsm_chtextEdit", QStringLiteral("中文1"));
    click("gsm_ch2ucs2Button");
    QCOMPARE(widget<QPlainTextEdit>("gsm_ucs2textEdit")->toPlainText(),
             QStringLiteral("4E2D65870031"));
    setText("gsm_ucs2textEdit", QStringLiteral("4e2d 0000 6587 00"));
    click("gsm_ucs22chButton");
    QCOMPARE(widget<QPlainTextEdit>("gsm_chtextEdit")->toPlainText(), QStringLiteral("中文"));

    setText("gsm_stringEdit", QStringLiteral("AT中"));
    click("gsm_string2hexButton");
    QCOMPARE(widget<QPlainTextEdit>("gsm_hexEdit")->toPlainText(), QStringLiteral("41 54 D6 D0 "));
    setText("gsm_hexEdit", QStringLiteral("d6d0 41 00 42"));
    click("gsm_gsm_hex2stringButton");
    QCOMPARE(widget<QPlainTextEdit>("gsm_stringEdit")->toPlainText(), QStringLiteral("中A"));
}

void TestGsmTab::simulatedModemTakesTextAndUcs2SmsAndAGprsLink()
{
    const QString log = m_dir->filePath("modem.log");
    SimulatorProcess modem;
    QVERIFY2(modem.start(QStringLiteral(ZENTRIK_SIM_PATH), {"gsm", "--log", log}),
             qPrintable(modem.error()));
    QVERIFY(openPort(modem.portPath()));

    click("gsm_sendsmsButton");
    QTRY_VERIFY2(received().contains("+CMGS: 1"), qPrintable(received()));
    setText("gsm_smstextEdit", QStringLiteral("你好"));
    click("gsm_sendsmsButton");
    QTRY_VERIFY2(received().contains("+CMGS: 2"), qPrintable(received()));

    click("gsm_IPinit");
    QTRY_VERIFY(!tab()->isSendingSeries());
    widget<CIPLineEdit>("gsm_IP")->setText(QStringLiteral("127.0.0.1"));
    widget<QSpinBox>("gsm_ipport")->setValue(9000);
    widget<QSpinBox>("gsm_lipport")->setValue(2001);
    click("gsm_TCPIPlink");
    QTRY_VERIFY2(received().contains("CONNECT OK"), qPrintable(received()));

    // Ctrl-Z or Esc would end the message there and the rest would run as
    // commands: refused, nothing goes to the module.
    setText("gsm_smstextEdit", QStringLiteral("ok\x1A" "ATD112;"));
    click("gsm_sendsmsButton");
    check("gsm_gprssendHex_ck");
    setText("gsm_GPRStext", QStringLiteral("41 1B 42"));
    click("gsm_GPRSsend");
    check("gsm_gprssendHex_ck", false);
    const QStringList refusals = m_dialogs.texts(ScriptedDialogs::Kind::Critical);
    QCOMPARE(refusals.size(), 2);
    QVERIFY(refusals[0].startsWith(QStringLiteral("短信内容含有 Ctrl-Z (0x1A) 或 Esc (0x1B)")));
    QVERIFY(refusals[1].startsWith(QStringLiteral("发送数据含有 Ctrl-Z (0x1A) 或 Esc (0x1B)")));

    setText("gsm_GPRStext", QStringLiteral("ping"));
    check("gsm_gprssendnewline_ck");
    click("gsm_GPRSsend");
    QTRY_VERIFY2(received().endsWith("SEND OK\nping\n"), qPrintable(received()));

    const QByteArray expected =
        "AT+CSCS=\"GSM\"\rAT+CMGF=1\rAT+CMGS=\"112\"\rhello world!\x1A"
        "AT+CSCS=\"UCS2\"\rAT+CMGF=1\rAT+CSMP=17,167,0,8\rAT+CMGS=\"003100310032\"\r4f60597d\r\x1A"
        "AT+CGCLASS=\"B\"\rAT+CGDCONT=1,\"IP\",\"CMNET\"\rAT+CGATT=1\rAT+CIPCSGP=1,\"CMNET\"\r"
        "AT+CLPORT=\"TCP\",\"2001\"\rAT+CIPSTART=\"TCP\",\"127.0.0.1\",\"9000\"\r"
        "AT+CIPSEND\rping\r\n\x1A";
    QCOMPARE(contentOf(log), expected);
    const QString said = QString::fromUtf8(modem.process().readAllStandardOutput());
    QVERIFY2(said.contains(QStringLiteral("SMS to 112 (UCS2): 你好")), qPrintable(said));
}

// A session recorded from the module replays into a fresh tab as it was
// shown live. Nothing reaches the module meanwhile: the port stays closed,
// a send is refused with the reason, a series ends at once.
void TestGsmTab::recordedSessionReplaysAsLiveAndWritesNothing()
{
    const QString capture = m_dir->filePath("gsm.zcap");
    m_dialogs.fileAnswers.enqueue(capture);
    click("gsm_rec_button");
    QVERIFY(openPort(m_device->slavePath()));
    click("gsm_CSQButton");
    QCOMPARE(m_device->read(7), QByteArray("AT+CSQ\r"));
    // A character split between reads, hence between records.
    const QByteArray chinese = textToBytes(QStringLiteral("中"));
    m_device->write("\r\n+CSQ: 16,0\r\n\r\nOK\r\n" + chinese.left(1));
    QTRY_COMPARE(tab()->receivedByteCount(), qint64(21));
    m_device->write(chinese.mid(1) + "\r\n");
    QTRY_COMPARE(tab()->receivedByteCount(), qint64(24));
    click("gsm_OpenCloseButton");
    click("gsm_rec_button");
    QVERIFY(!tab()->capture()->recording());

    GsmTab replayed(m_dialogs, m_ports.source());
    child<QComboBox>(&replayed, "gsm_portBox")->setEditText(m_device->slavePath());
    child<QPushButton>(&replayed, "gsm_IPinit")->click();
    QVERIFY(replayed.isSendingSeries());
    m_dialogs.fileAnswers.enqueue(capture);
    child<QPushButton>(&replayed, "gsm_replay_open")->click();
    QVERIFY(replayed.capture()->replaying());
    QVERIFY(!replayed.isSendingSeries());
    QVERIFY(!child<QPushButton>(&replayed, "gsm_OpenCloseButton")->isEnabled());
    auto *speed = child<QComboBox>(&replayed, "gsm_replay_speed");
    speed->setCurrentIndex(speed->count() - 1);
    QSignalSpy finished(&replayed.capture()->player(), &CapturePlayer::finished);
    child<QPushButton>(&replayed, "gsm_replay_play")->click();
    QVERIFY(finished.wait());
    QCOMPARE(replayed.receivedByteCount(), tab()->receivedByteCount());
    QCOMPARE(shownIn(&replayed, "gsm_recvEdit"), received());
    QVERIFY(received().endsWith(QStringLiteral("OK\n中\n")));

    child<QPushButton>(&replayed, "gsm_CSQButton")->click();
    child<QPushButton>(&replayed, "gsm_sendsmsButton")->click();
    QVERIFY(!replayed.isSendingSeries());
    const QString refused = QStringLiteral("发送失败：正在回放记录");
    QCOMPARE(lines(shownIn(&replayed, "gsm_txEdit")), (QStringList{refused, refused}));
    QCOMPARE(m_device->read(1, 300), QByteArray());
    QVERIFY(m_dialogs.texts(Kind::Critical).isEmpty());
}

QTEST_MAIN(TestGsmTab)
#include "test_gsmtab.moc"
