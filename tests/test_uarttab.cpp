// The serial assistant tab driven through its widgets, with a pseudo-terminal
// playing the device and the dialogs answered from a script.
#include "capturecontrols.h"
#include "customframes.h"
#include "fakeports.h"
#include "filesender.h"
#include "frameview.h"
#include "ptypair.h"
#include "receivefileswitch.h"
#include "scopeview.h"
#include "scripteddialogs.h"
#include "testfiles.h"
#include "serialportpanel.h"
#include "uarttab.h"
#include "widgetlookup.h"

#include <qwt_plot.h>
#include <qwt_scale_div.h>

#include <QAbstractItemView>
#include <QCheckBox>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTextDocument>
#include <QtTest>

#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

using Kind = ScriptedDialogs::Kind;

namespace {

const QString kAskAppend =
    QStringLiteral("文件非空，是否追加？\n\n确定则追加（保留原数据）,取消则覆盖（清空原数据）");
const QString kMissing = QStringLiteral("文件不存在，取消发送");

} // namespace

class TestUartTab : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void sendControlsFollowThePortAndKeepTheirDefaults();
    void sendAreaSendsHexOrGb18030WithNewline();
    void echoGoesIntoTheViewButNotIntoTheBuffer();
    void nothingIsSentWhileThePortIsClosed();
    void typedRateIsAppliedAndAnUnusableOneIsRefused();
    void silenceBoxQuietsAFailedOpen();
    void modemLinesAndFlowControlFollowTheBoxesWhileOpen();
    void timedSendTakesANewIntervalAtOnce();
    void cycleGreysTheCurrentLineAndAutoClearEmptiesEachPreset();
    void receivedBytesAreShownOnceTheLineIsQuiet();
    void zeroByteHidesTheRestInTextButNotInHex();
    void receiveBufferIsTrimmedAndClearButtonsReset();
    void receiveEchoSendsEveryByteBackAndCountsIt();
    void receiveFileAppendsOrOverwritesAsAnswered_data();
    void receiveFileAppendsOrOverwritesAsAnswered();
    void receiveFileThatCannotOpenUnchecksTheBox();
    void receiveFileOpensExactlyTheChosenPath();
    void receiveGoesOnInOrderWhileAWriteFailureIsShown();
    void fileGoesOutWholeWithEchoUpToZeroByte();
    void wholeFileOfTwoGibibytesStreamsInBoundedPieces();
    void chunkedFileArrivesInPacedChunks();
    void echoOfAChunkedFileKeepsCharactersSplitBetweenChunks();
    void closingThePortStopsAChunkedSendAndSecondPressIsRefused();
    void fileSendProblemsAreReportedAndNothingIsSent();
    void plotTakesLabelledLinesSplitAtEveryByte();
    void plotDecodesOnlyWhileCheckedAndStartsAfreshAtEachOpening();
    void plotSingleTriggerHoldsTheFirstRisingEdge();
    void plotReadsCustomFramesAndItsCaptureReplaysThemSo();
    void recordedSessionReplaysIntoTheSameViewsAndSendsNothing();
    void lostAdapterReopensUnderItsNewNameButNotAnotherOfItsKind();
    void markupInADeviceDescriptionIsShownAsText();

private:
    template <typename T>
    T *widget(const QString &name)
    {
        return child<T>(m_tab.get(), name);
    }
    UartTab *tab() { return m_tab.get(); }
    bool openPort();
    void check(const QString &name, bool on = true) { widget<QCheckBox>(name)->setChecked(on); }
    void click(const QString &name) { widget<QPushButton>(name)->click(); }
    QString view() { return widget<QPlainTextEdit>("uart_recvEdit")->toPlainText(); }
    QString path(const QString &name) const { return m_dir->filePath(name); }

    ScriptedDialogs m_dialogs;
    FakePorts m_ports;
    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<PtyPair> m_device;
    std::unique_ptr<UartTab> m_tab;
};

void TestUartTab::init()
{
    m_dialogs = ScriptedDialogs();
    m_dir = std::make_unique<QTemporaryDir>();
    m_device = std::make_unique<PtyPair>();
    m_ports.ports->clear();
    m_tab = std::make_unique<UartTab>(m_dialogs, m_ports.source());
}

void TestUartTab::cleanup()
{
    m_tab.reset();
    m_device.reset();
    m_dir.reset();
}

bool TestUartTab::openPort()
{
    widget<QComboBox>("uart_portBox")->setEditText(m_device->slavePath());
    click("uart_OpenCloseButton");
    return tab()->panel()->isOpen();
}

void TestUartTab::sendControlsFollowThePortAndKeepTheirDefaults()
{
    QStringList switched{"uart_sendButton", "uart_sendButton_cycle", "uart_sendfile",
                         "uart_sendtimer_ck"};
    for (int k = 1; k <= 10; ++k)
        switched << QStringLiteral("uart_sendButton%1").arg(k);
    for (const QString &name : switched)
        QVERIFY2(!widget<QWidget>(name)->isEnabled(), qPrintable(name));
    QVERIFY(openPort());
    for (const QString &name : switched)
        QVERIFY2(widget<QWidget>(name)->isEnabled(), qPrintable(name));

    QCOMPARE(widget<QSpinBox>("uart_sendtime_ms")->value(), 1000);
    QCOMPARE(widget<QSpinBox>("uart_sendtime_ms")->minimum(), 1);
    QCOMPARE(widget<QSpinBox>("uart_cycletime_ms")->maximum(), 999999);
    QCOMPARE(widget<QSpinBox>("uart_file_everynum")->value(), 0);
    QCOMPARE(widget<QSpinBox>("uart_file_everynum")->maximum(), 99999999);
    QCOMPARE(widget<QSpinBox>("uart_file_everytime")->value(), 1000);
    QCOMPARE(widget<QSpinBox>("uart_file_everytime")->maximum(), 999999999);
    QCOMPARE(widget<QPlainTextEdit>("uart_file_tip")->toPlainText(),
             QStringLiteral("1.每次发送字节数设为0时表示连续发送整个文件。\n"
                            "2.发送间隔时间设为0时表示连续发送整个文件。\n3.支持回显功能。\n"));
    QVERIFY(widget<QPlainTextEdit>("uart_file_tip")->isReadOnly());
    QCOMPARE(widget<QCheckBox>("uart_sendHex_ck")->toolTip(),
             QStringLiteral("例如输入1A，则发送的数据为0x1A"));
    QVERIFY(!widget<QCheckBox>("uart_sendHex_ck7")->isChecked());
    auto *recv = widget<QPlainTextEdit>("uart_recvEdit");
    QVERIFY(recv->isReadOnly());
    QCOMPARE(recv->maximumBlockCount(), 800);
    QCOMPARE(recv->palette().color(QPalette::Inactive, QPalette::Base), QColor(Qt::black));
    QCOMPARE(recv->palette().color(QPalette::Disabled, QPalette::Text), QColor(Qt::white));
}

void TestUartTab::sendAreaSendsHexOrGb18030WithNewline()
{
    QVERIFY(openPort());
    auto *area = widget<QPlainTextEdit>("uart_sendEdit");

    check("uart_sendHex_ck");
    check("uart_sendnewline_ck");
    area->setPlainText("1A 2B");
    click("uart_sendButton");
    QCOMPARE(m_device->read(4), QByteArray("\x1A\x2B\r\n"));
    QCOMPARE(tab()->txTotal(), qint64(4));

    // A bad pair cuts the input short; the newline still follows.
    area->setPlainText("01 XY 02");
    click("uart_sendButton");
    QCOMPARE(m_device->read(3), QByteArray("\x01\r\n"));

    check("uart_sendHex_ck", false);
    check("uart_sendnewline_ck", false);
    area->setPlainText(QStringLiteral("中"));
    click("uart_sendButton");
    QCOMPARE(m_device->read(2), QByteArray("\xD6\xD0"));
    QCOMPARE(area->toPlainText(), QStringLiteral("中"));

    // A preset uses its own hex box, not the send area's.
    widget<QLineEdit>("uart_sendEdit4")->setText("414243");
    check("uart_sendHex_ck4");
    check("uart_send_clean");
    click("uart_sendButton4");
    QCOMPARE(m_device->read(3), QByteArray("ABC"));
    QVERIFY(widget<QLineEdit>("uart_sendEdit4")->text().isEmpty());
    click("uart_sendButton");
    QCOMPARE(m_device->read(2), QByteArray("\xD6\xD0"));
    QVERIFY(area->toPlainText().isEmpty());
    QCOMPARE(tab()->txTotal(), qint64(4 + 3 + 2 + 3 + 2));

    click("uart_send_cleanButton");
    QVERIFY(area->toPlainText().isEmpty());
}

void TestUartTab::echoGoesIntoTheViewButNotIntoTheBuffer()
{
    QVERIFY(openPort());
    check("uart_echo");
    widget<QPlainTextEdit>("uart_sendEdit")->setPlainText(QStringLiteral("你好"));
    click("uart_sendButton");
    QCOMPARE(view(), QStringLiteral("你好"));
    QVERIFY(tab()->recvBuffer().isEmpty());

    m_device->write("rx");
    QTRY_COMPARE(view(), QStringLiteral("rx"));
}

void TestUartTab::nothingIsSentWhileThePortIsClosed()
{
    widget<QPlainTextEdit>("uart_sendEdit")->setPlainText("abc");
    widget<QLineEdit>("uart_sendEdit1")->setText("abc");
    tab()->uart_sendtimeout();
    tab()->uart_cycletimeout();
    QCOMPARE(tab()->txTotal(), qint64(0));

    // An empty source sends nothing, not even the newline.
    QVERIFY(openPort());
    check("uart_sendnewline_ck");
    widget<QPlainTextEdit>("uart_sendEdit")->clear();
    click("uart_sendButton");
    QCOMPARE(tab()->txTotal(), qint64(0));
    QCOMPARE(m_device->read(1, 50), QByteArray());
}

// The form's "断开不提示出错" box is the one its port panel obeys.
void TestUartTab::silenceBoxQuietsAFailedOpen()
{
    check("uart_iserror_check");
    widget<QComboBox>("uart_portBox")->setEditText(path("ttyMissing"));
    click("uart_OpenCloseButton");
    QCOMPARE(m_dialogs.calls.size(), 0);
    check("uart_iserror_check", false);
    click("uart_OpenCloseButton");
    QCOMPARE(m_dialogs.texts(ScriptedDialogs::Kind::Information).size(), 1);
}

void TestUartTab::typedRateIsAppliedAndAnUnusableOneIsRefused()
{
    auto *rate = widget<QComboBox>("uart_baudRateBox");
    QCOMPARE(rate->itemText(rate->count() - 1), QStringLiteral("3000000"));
    for (const char *typed : {"0", "12ab", "99999999"}) {
        rate->setEditText(QString::fromLatin1(typed));
        QVERIFY2(!openPort(), typed);
    }
    const QStringList refused = m_dialogs.texts(Kind::Information);
    QCOMPARE(refused.size(), 3);
    QCOMPARE(refused.at(1), QStringLiteral("波特率“12ab”无效：请输入 1 到 16000000 之间的整数。"));

    rate->setEditText(QStringLiteral(" 250000 "));
    QVERIFY(openPort());
    QCOMPARE(tab()->panel()->link()->port()->baudRate(), 250000);
    // The typed rate did not join the list the settings file indexes.
    QCOMPARE(rate->count(), 19);
    QCOMPARE(m_dialogs.calls.size(), 3);
}

void TestUartTab::modemLinesAndFlowControlFollowTheBoxesWhileOpen()
{
    // Unchecked boxes leave the lines as opening set them: a pseudo-terminal,
    // which has no modem lines, opens without a word.
    QVERIFY(openPort());
    QCOMPARE(m_dialogs.calls.size(), 0);
    check("uart_dtrCheck");
    check("uart_rtsCheck", false);
    check("uart_rtsCheck");
    const QStringList refused = m_dialogs.texts(Kind::Information);
    QCOMPARE(refused.size(), 2);
    QVERIFY(refused.at(0).startsWith(QStringLiteral("无法设置 DTR 信号")));
    QVERIFY(refused.at(1).startsWith(QStringLiteral("无法设置 RTS 信号")));
    QVERIFY(tab()->panel()->isOpen());

    // Hardware flow control drives RTS, so its box goes grey, and the
    // setting reaches the open device at once.
    auto *flow = widget<QComboBox>("uart_flowBox");
    QVERIFY(flow->isEnabled());
    flow->setCurrentIndex(flow->findText(QStringLiteral("硬件")));
    QVERIFY(!widget<QCheckBox>("uart_rtsCheck")->isEnabled());
    termios settings{};
    const int fd = ::open(QFile::encodeName(m_device->slavePath()).constData(),
                          O_RDWR | O_NOCTTY | O_NONBLOCK);
    QVERIFY(fd >= 0);
    tcgetattr(fd, &settings);
    ::close(fd);
    QVERIFY(settings.c_cflag & CRTSCTS);
}

void TestUartTab::timedSendTakesANewIntervalAtOnce()
{
    QVERIFY(openPort());
    widget<QPlainTextEdit>("uart_sendEdit")->setPlainText("T");
    widget<QSpinBox>("uart_sendtime_ms")->setValue(999999);
    check("uart_sendtimer_ck");
    QCOMPARE(m_device->read(1, 100), QByteArray());

    widget<QSpinBox>("uart_sendtime_ms")->setValue(5);
    QVERIFY(m_device->read(3, 3000).startsWith("TTT"));

    check("uart_sendtimer_ck", false);
    m_device->read(100, 50); // whatever was already on its way
    QCOMPARE(m_device->read(1, 100), QByteArray());
}

void TestUartTab::cycleGreysTheCurrentLineAndAutoClearEmptiesEachPreset()
{
    QVERIFY(openPort());
    auto line = [this](int k) { return widget<QLineEdit>(QStringLiteral("uart_sendEdit%1").arg(k)); };
    line(1)->setText("A");
    line(2)->setText("B");
    line(10)->setText("J");
    check("uart_send_clean");
    auto *button = widget<QPushButton>("uart_sendButton_cycle");
    widget<QSpinBox>("uart_cycletime_ms")->setValue(999999); // the test drives the ticks
    button->click();
    QCOMPARE(button->text(), QStringLiteral("停止"));

    tab()->uart_cycletimeout();
    QVERIFY(!line(1)->isEnabled());
    tab()->uart_cycletimeout();
    QVERIFY(line(1)->isEnabled());
    QVERIFY(!line(2)->isEnabled());
    for (int tick = 3; tick <= 10; ++tick) // empty presets: ticks that send nothing
        tab()->uart_cycletimeout();
    QVERIFY(!line(10)->isEnabled());
    QCOMPARE(m_device->read(3), QByteArray("ABJ"));

    tab()->uart_cycletimeout(); // wraps to line 1, now empty
    QVERIFY(line(10)->isEnabled());
    QVERIFY(!line(1)->isEnabled());
    for (int tick = 2; tick <= 10; ++tick)
        tab()->uart_cycletimeout();
    QCOMPARE(m_device->read(1, 50), QByteArray());
    QCOMPARE(tab()->txTotal(), qint64(3));

    button->click();
    QCOMPARE(button->text(), QStringLiteral("循环发送"));
    for (int k = 1; k <= 10; ++k)
        QVERIFY(line(k)->isEnabled());

    // Restarting begins again at line 1, and the pace follows the spin box.
    line(1)->setText("1");
    check("uart_send_clean", false);
    button->click();
    widget<QSpinBox>("uart_cycletime_ms")->setValue(2);
    QVERIFY(m_device->read(1, 3000).startsWith("1"));
}

void TestUartTab::receivedBytesAreShownOnceTheLineIsQuiet()
{
    QVERIFY(openPort());
    m_device->write("0123456789");
    QTRY_COMPARE(tab()->rxTotal(), qint64(10));
    QTRY_COMPARE(view(), QStringLiteral("0123456789"));
    QCOMPARE(tab()->recvBuffer(), QByteArray("0123456789"));

    // Closing and reopening keeps buffer and counters.
    click("uart_OpenCloseButton");
    QVERIFY(openPort());
    m_device->write(QByteArray("\xD6\xD0"));
    QTRY_COMPARE(view(), QStringLiteral("0123456789中"));
    QCOMPARE(tab()->rxTotal(), qint64(12));
}

void TestUartTab::zeroByteHidesTheRestInTextButNotInHex()
{
    QVERIFY(openPort());
    m_device->write(QByteArray("AB\0CD", 5));
    QTRY_COMPARE(tab()->rxTotal(), qint64(5));
    QTRY_COMPARE(view(), QStringLiteral("AB"));

    check("uart_recvHex_ck");
    m_device->write("E");
    QTRY_COMPARE(view(), QStringLiteral("41 42 00 43 44 45 "));
}

void TestUartTab::receiveBufferIsTrimmedAndClearButtonsReset()
{
    QVERIFY(openPort());
    QByteArray stream(50000, 'a');
    stream.append('z');
    m_device->write(stream);
    QTRY_COMPARE(tab()->rxTotal(), qint64(50001));
    QCOMPARE(tab()->recvBuffer().size(), 10001);
    QTRY_COMPARE(view().size(), 10001);
    QVERIFY(view().endsWith(QStringLiteral("az")));

    auto *group = widget<QGroupBox>("uart_recvgroup");
    click("uart_recv_cleanButton");
    QVERIFY(view().isEmpty());
    QVERIFY(tab()->recvBuffer().isEmpty());
    QCOMPARE(tab()->rxTotal(), qint64(50001));

    click("uart_recv_cleannumButton");
    tab()->tick();
    QCOMPARE(group->title(), QStringLiteral("接收区：共接收0字节，速度0字节/秒。共发送0字节。"));
}

void TestUartTab::receiveEchoSendsEveryByteBackAndCountsIt()
{
    QVERIFY(openPort());
    check("uart_revecho");
    QByteArray stream;
    for (int i = 0; i < 3000; ++i)
        stream.append(char(i % 251));
    m_device->write(stream);
    QCOMPARE(m_device->read(stream.size()), stream);
    QCOMPARE(tab()->rxTotal(), qint64(stream.size()));
    QCOMPARE(tab()->txTotal(), qint64(stream.size()));
}

void TestUartTab::receiveFileAppendsOrOverwritesAsAnswered_data()
{
    QTest::addColumn<bool>("append");
    QTest::newRow("append") << true;
    QTest::newRow("overwrite") << false;
}

void TestUartTab::receiveFileAppendsOrOverwritesAsAnswered()
{
    QFETCH(bool, append);
    const QString file = path("log.bin");
    writeFile(file, "old;");
    m_dialogs.fileAnswers.enqueue(file);
    m_dialogs.questionAnswers.enqueue(append);
    QVERIFY(openPort());
    check("uart_file_ck");
    QVERIFY(tab()->receiveFile()->isOpen());
    QCOMPARE(widget<QLineEdit>("uart_fileEdit")->text(), file);
    QCOMPARE(m_dialogs.count(Kind::SaveFile), 1);
    QCOMPARE(m_dialogs.calls.at(0).title, QStringLiteral("保存文件"));
    QCOMPARE(m_dialogs.calls.at(1).title, QStringLiteral("询问"));
    QCOMPARE(m_dialogs.calls.at(1).text, kAskAppend);

    m_device->write(QByteArray("new\0!", 5));
    QTRY_COMPARE(tab()->rxTotal(), qint64(5));
    check("uart_file_ck", false);
    QVERIFY(!tab()->receiveFile()->isOpen());
    QCOMPARE(contentOf(file), append ? QByteArray("old;new\0!", 9) : QByteArray("new\0!", 5));

    // Checking again reuses the path in the edit without asking for one.
    m_dialogs.clear();
    check("uart_file_ck");
    QCOMPARE(m_dialogs.count(Kind::SaveFile), 0);
    QCOMPARE(m_dialogs.count(Kind::Question), 1);
}

void TestUartTab::receiveFileThatCannotOpenUnchecksTheBox()
{
    check("uart_file_ck"); // save dialog cancelled
    QVERIFY(!widget<QCheckBox>("uart_file_ck")->isChecked());
    QCOMPARE(m_dialogs.calls.size(), 2);
    QCOMPARE(m_dialogs.calls.at(1).kind, Kind::Critical);
    QCOMPARE(m_dialogs.calls.at(1).title, QStringLiteral("错误"));
    QCOMPARE(m_dialogs.calls.at(1).text, QStringLiteral("打开文件失败"));

    m_dialogs.clear();
    widget<QLineEdit>("uart_fileEdit")->setText(path("no/such/dir/file.txt"));
    check("uart_file_ck");
    QVERIFY(!widget<QCheckBox>("uart_file_ck")->isChecked());
    QCOMPARE(m_dialogs.texts(Kind::Critical), QStringList{"打开文件失败"});

    // Nothing is written anywhere while the box is unchecked.
    QVERIFY(openPort());
    m_device->write("x");
    QTRY_COMPARE(tab()->rxTotal(), qint64(1));
    QVERIFY(!tab()->receiveFile()->isOpen());

    // A disk that fills up is said so, not taken for success.
    if (!QFileInfo("/dev/full").isWritable())
        return;
    m_dialogs.clear();
    widget<QLineEdit>("uart_fileEdit")->setText("/dev/full");
    check("uart_file_ck");
    QVERIFY(tab()->receiveFile()->isOpen());
    m_device->write("lost");
    QTRY_COMPARE(tab()->rxTotal(), qint64(5));
    tab()->receiveFile()->flush();
    QVERIFY(!tab()->receiveFile()->isOpen());
    QVERIFY(!widget<QCheckBox>("uart_file_ck")->isChecked());
    QCOMPARE(m_dialogs.texts(Kind::Critical), QStringList{"写入文件失败"});
}

void TestUartTab::receiveGoesOnInOrderWhileAWriteFailureIsShown()
{
    if (!QFileInfo("/dev/full").isWritable())
        QSKIP("needs /dev/full");
    widget<QLineEdit>("uart_fileEdit")->setText("/dev/full");
    check("uart_file_ck");
    QVERIFY(openPort());

    // The device goes on sending while the box is up.
    constexpr int kBurst = 18 * 1024;
    m_dialogs.whileShown = [this] {
        m_device->write("NEWER");
        QTRY_VERIFY_WITH_TIMEOUT(tab()->rxTotal() == kBurst + 5, 30000);
    };
    // Larger than the file's own buffer, so the write itself fails; smaller
    // than what a pseudo-terminal holds, so the device is done before the box.
    m_device->write(QByteArray(kBurst, 'a'));
    QTRY_COMPARE_WITH_TIMEOUT(m_dialogs.texts(Kind::Critical), QStringList{"写入文件失败"}, 30000);
    QVERIFY(!widget<QCheckBox>("uart_file_ck")->isChecked());
    QTRY_VERIFY_WITH_TIMEOUT(view().endsWith("aNEWER"), 30000);
}

void TestUartTab::receiveFileOpensExactlyTheChosenPath()
{
    // A backslash is an ordinary character in a Linux file name: the file
    // written must be the one chosen, not one under a rewritten name.
    const QString chosen = path("a\\b.txt");
    m_dialogs.fileAnswers.enqueue(chosen);
    QVERIFY(openPort());
    check("uart_file_ck");
    QCOMPARE(widget<QLineEdit>("uart_fileEdit")->text(), QDir::toNativeSeparators(chosen));
    m_device->write("xyz");
    QTRY_COMPARE(tab()->rxTotal(), qint64(3));
    check("uart_file_ck", false);
    QCOMPARE(contentOf(chosen), QByteArray("xyz"));
    QCOMPARE(QDir(m_dir->path()).entryList(QDir::Files), QStringList{"a\\b.txt"});
}

void TestUartTab::fileGoesOutWholeWithEchoUpToZeroByte()
{
    const QString file = path("whole.bin");
    writeFile(file, QByteArray("say\0hidden", 10));
    widget<QSpinBox>("uart_file_everynum")->setValue(4);
    widget<QSpinBox>("uart_file_everytime")->setValue(0);
    check("uart_echo");
    m_dialogs.fileAnswers.enqueue(file);
    click("uart_openfile");
    QCOMPARE(m_dialogs.calls.at(0).title, QStringLiteral("选择文件"));
    QCOMPARE(widget<QLineEdit>("uart_sendfileEdit")->text(), file);
    QVERIFY(openPort());

    click("uart_sendfile");
    QVERIFY(!tab()->isSendingFile());
    QCOMPARE(tab()->txTotal(), qint64(10));
    QCOMPARE(m_device->read(10), QByteArray("say\0hidden", 10));
    QCOMPARE(view(), QStringLiteral("say"));
    QCOMPARE(widget<QLabel>("uart_sendfile_progress")->text(), QStringLiteral("已发送10/10字节"));
}

void TestUartTab::wholeFileOfTwoGibibytesStreamsInBoundedPieces()
{
    // Sparse: takes no disk, reads as zeros.
    const QString file = path("huge.bin");
    const qint64 size = (qint64(2) << 30) + 1;
    QFile sparse(file);
    QVERIFY(sparse.open(QIODevice::WriteOnly) && sparse.resize(size));
    sparse.close();
    widget<QLineEdit>("uart_sendfileEdit")->setText(file);
    QVERIFY(openPort());

    click("uart_sendfile");
    QVERIFY(tab()->isSendingFile());
    const qint64 piece = ChunkedFileSender::kStreamPieceSize;
    QCOMPARE(widget<QLabel>("uart_sendfile_progress")->text(),
             QStringLiteral("已发送%1/%2字节").arg(piece).arg(size));
    QVERIFY(!widget<QPushButton>("uart_sendfile")->isEnabled());

    // Pieces follow as the device takes them, never more than two queued.
    qint64 received = 0;
    while (received < 8 * piece) {
        const QByteArray bytes = m_device->read(1);
        QVERIFY(!bytes.isEmpty());
        QVERIFY(bytes.count('\0') == bytes.size());
        received += bytes.size();
        QVERIFY(tab()->panel()->link()->port()->bytesToWrite() < 2 * piece);
    }
    QVERIFY(tab()->txTotal() >= received);

    click("uart_OpenCloseButton");
    QVERIFY(!tab()->isSendingFile());
}

void TestUartTab::echoOfAChunkedFileKeepsCharactersSplitBetweenChunks()
{
    const QString file = path("chinese.txt");
    writeFile(file, QByteArray("\xd6\xd0\xce\xc4")); // "中文" in GB18030
    widget<QLineEdit>("uart_sendfileEdit")->setText(file);
    widget<QSpinBox>("uart_file_everynum")->setValue(1);
    widget<QSpinBox>("uart_file_everytime")->setValue(1);
    check("uart_echo");
    QVERIFY(openPort());
    // The echo stands only until the next refresh from the (empty) receive
    // buffer, so it is caught as it is shown.
    QString echoed;
    auto *edit = widget<QPlainTextEdit>("uart_recvEdit");
    connect(edit, &QPlainTextEdit::textChanged, this, [&] {
        if (!edit->toPlainText().isEmpty())
            echoed = edit->toPlainText();
    });

    click("uart_sendfile");
    QTRY_VERIFY(!tab()->isSendingFile());
    QCOMPARE(echoed, QStringLiteral("中文"));
}

void TestUartTab::chunkedFileArrivesInPacedChunks()
{
    const QString file = path("ten.bin");
    writeFile(file, "0123456789");
    widget<QLineEdit>("uart_sendfileEdit")->setText(file);
    widget<QSpinBox>("uart_file_everynum")->setValue(4);
    widget<QSpinBox>("uart_file_everytime")->setValue(30);
    QVERIFY(openPort());

    struct Chunk
    {
        int size;
        qint64 atMs;
    };
    QList<Chunk> chunks;
    QElapsedTimer clock;
    clock.start();
    auto *sender = child<ChunkedFileSender>(tab(), {});
    connect(sender, &ChunkedFileSender::chunkReady, this,
            [&](const QByteArray &chunk) { chunks.append({chunk.size(), clock.elapsed()}); });
    click("uart_sendfile");
    QCOMPARE(tab()->txTotal(), qint64(4)); // the first chunk leaves at once
    QVERIFY(tab()->isSendingFile());
    QTRY_VERIFY(!tab()->isSendingFile());
    QCOMPARE(chunks.size(), 3);
    QCOMPARE(chunks.at(0).size, 4);
    QCOMPARE(chunks.at(1).size, 4);
    QCOMPARE(chunks.at(2).size, 2);
    QVERIFY(chunks.at(1).atMs - chunks.at(0).atMs >= 29);
    QVERIFY(chunks.at(2).atMs - chunks.at(1).atMs >= 29);
    QCOMPARE(m_device->read(10), QByteArray("0123456789"));
    QCOMPARE(widget<QLabel>("uart_sendfile_progress")->text(), QStringLiteral("已发送10/10字节"));
    QVERIFY(widget<QPushButton>("uart_sendfile")->isEnabled());
    QCOMPARE(m_dialogs.calls.size(), 0);
}

void TestUartTab::closingThePortStopsAChunkedSendAndSecondPressIsRefused()
{
    const QString file = path("long.bin");
    writeFile(file, QByteArray(100, 'L'));
    widget<QLineEdit>("uart_sendfileEdit")->setText(file);
    widget<QSpinBox>("uart_file_everynum")->setValue(10);
    widget<QSpinBox>("uart_file_everytime")->setValue(999999);
    QVERIFY(openPort());

    click("uart_sendfile");
    QCOMPARE(tab()->txTotal(), qint64(10));
    QVERIFY(!widget<QPushButton>("uart_sendfile")->isEnabled());
    click("uart_sendfile");
    QCOMPARE(tab()->txTotal(), qint64(10));
    QCOMPARE(widget<QLabel>("uart_sendfile_progress")->text(), QStringLiteral("已发送10/100字节"));

    QCOMPARE(m_device->read(10), QByteArray(10, 'L'));
    click("uart_OpenCloseButton");
    QVERIFY(!tab()->isSendingFile());
    QCOMPARE(m_device->read(1, 100), QByteArray());

    // The next send starts from the beginning of the file.
    widget<QSpinBox>("uart_file_everytime")->setValue(0);
    QVERIFY(openPort());
    click("uart_sendfile");
    QCOMPARE(tab()->txTotal(), qint64(110));
    QCOMPARE(m_dialogs.calls.size(), 0);
}

void TestUartTab::fileSendProblemsAreReportedAndNothingIsSent()
{
    QVERIFY(openPort());
    auto *edit = widget<QLineEdit>("uart_sendfileEdit");

    edit->setText(path("missing.bin"));
    click("uart_sendfile"); // "choose again?" answered no
    QCOMPARE(m_dialogs.calls.size(), 2);
    QCOMPARE(m_dialogs.calls.at(0).kind, Kind::Question);
    QCOMPARE(m_dialogs.calls.at(0).title, QStringLiteral("询问"));
    QCOMPARE(m_dialogs.calls.at(0).text, QStringLiteral("文件不存在，是否重新选择文件"));
    QCOMPARE(m_dialogs.calls.at(1).title, QStringLiteral("错误"));
    QCOMPARE(m_dialogs.calls.at(1).text, kMissing);

    m_dialogs.clear();
    m_dialogs.questionAnswers.enqueue(true);
    click("uart_sendfile"); // yes, then the file dialog is cancelled
    QCOMPARE(m_dialogs.count(Kind::OpenFile), 1);
    QCOMPARE(m_dialogs.texts(Kind::Critical), QStringList{kMissing});

    m_dialogs.clear();
    edit->clear();
    const QString empty = path("empty.bin");
    writeFile(empty, QByteArray());
    m_dialogs.fileAnswers.enqueue(empty);
    click("uart_sendfile"); // an empty path box goes straight to the dialog
    QCOMPARE(m_dialogs.count(Kind::Question), 0);
    QCOMPARE(m_dialogs.texts(Kind::Critical), QStringList{"文件为空，取消发送"});
    QCOMPARE(edit->text(), empty);

    m_dialogs.clear();
    edit->setText(m_dir->path()); // a directory cannot be sent
    click("uart_sendfile");
    QCOMPARE(m_dialogs.texts(Kind::Critical), QStringList{"打开文件失败，取消发送"});
    QCOMPARE(tab()->txTotal(), qint64(0));
    QCOMPARE(m_device->read(1, 50), QByteArray());
}

void TestUartTab::plotTakesLabelledLinesSplitAtEveryByte()
{
    check("uart_plot_ck");
    QVERIFY(openPort());
    // The second line is no sample; the lines around it are.
    const QByteArray stream("speed:1.5,err:-2\r\nspeed:1.0e,err:3\nspeed: 2.25,err:4e-1\n"
                            "err:-7.5,speed:0\n");
    for (int at = 0; at < stream.size(); ++at) {
        m_device->write(stream.mid(at, 1));
        QTRY_COMPARE(tab()->rxTotal(), qint64(at + 1)); // one byte a read
    }
    const SampleStore &store = tab()->scope()->store();
    QCOMPARE(store.size(), quint64(3));
    const double speed[] = {1.5, 2.25, 0};
    const double err[] = {-2, 0.4, -7.5};
    for (int row = 0; row < 3; ++row) {
        QCOMPARE(store.window(0)[row], speed[row]);
        QCOMPARE(store.window(1)[row], err[row]);
    }
    QCOMPARE(widget<QLineEdit>("car_wave1")->text(), QStringLiteral("speed"));
    QCOMPARE(widget<QLineEdit>("car_wave2")->text(), QStringLiteral("err"));
    QTRY_COMPARE(view(), QString::fromLatin1(stream).remove('\r'));
    QCOMPARE(tab()->recvBuffer(), stream);

    // The plot's own buttons write and read its waveform file through the
    // tab's dialogs.
    click("uart_OpenCloseButton");
    const QString file = path("plot.csv");
    m_dialogs.fileAnswers.enqueue(file);
    click("car_ware_out");
    click("car_ware_clear");
    QCOMPARE(store.size(), quint64(0));
    widget<QLineEdit>("car_wave1")->setText("renamed");
    m_dialogs.fileAnswers.enqueue(file);
    click("car_ware_in");
    QCOMPARE(m_dialogs.count(Kind::Critical), 0);
    QCOMPARE(store.size(), quint64(3));
    QCOMPARE(store.window(1)[2], -7.5);
    QCOMPARE(widget<QLineEdit>("car_wave1")->text(), QStringLiteral("speed"));
}

// A square wave of period 100 (50 lines of 0, 50 of 100) from the device:
// "单次" shows the window around the first rising edge and holds it while
// the rest of the stream is stored.
void TestUartTab::plotSingleTriggerHoldsTheFirstRisingEdge()
{
    check("uart_plot_ck");
    auto *mode = widget<QComboBox>("car_ware_trigMode");
    mode->setCurrentIndex(mode->findText(QStringLiteral("单次")));
    widget<QDoubleSpinBox>("car_ware_trigLevel")->setValue(50);
    widget<QDoubleSpinBox>("car_ware_trigHysteresis")->setValue(10);
    QCOMPARE(widget<QLabel>("car_ware_trigState")->text(), QStringLiteral("等待"));
    QVERIFY(openPort());
    QByteArray stream;
    for (int sample = 0; sample < 600; ++sample)
        stream += sample % 100 < 50 ? "0\n" : "100\n";
    m_device->write(stream + "0\n");
    QTRY_COMPARE(tab()->scope()->store().size(), quint64(601));
    QTRY_COMPARE(widget<QLabel>("car_ware_trigState")->text(), QStringLiteral("停止"));
    QVERIFY(widget<QPushButton>("car_ware_hold")->isChecked());
    // 300 samples in view, 10 % of them before the edge at sample 50.
    const QwtScaleDiv &x = widget<QwtPlot>("car_scope")->axisScaleDiv(QwtPlot::xBottom);
    QCOMPARE(qMakePair(x.lowerBound(), x.upperBound()), qMakePair(20.0, 320.0));

    click("car_ware_trigArm");
    QCOMPARE(widget<QLabel>("car_ware_trigState")->text(), QStringLiteral("等待"));
    QVERIFY(!widget<QPushButton>("car_ware_hold")->isChecked());
}

void TestUartTab::plotDecodesOnlyWhileCheckedAndStartsAfreshAtEachOpening()
{
    tab()->show();
    const QSize minimum = tab()->minimumSizeHint();
    QVERIFY(openPort());
    m_device->write("1,2\n");
    QTRY_COMPARE(tab()->rxTotal(), qint64(4));
    QVERIFY(!tab()->scope()); // nothing made, nothing decoded

    check("uart_plot_ck");
    QVERIFY(tab()->scope()->isVisible());
    QCOMPARE(tab()->minimumSizeHint(), minimum);
    // The first line waits for the next (it may be the end of a cut one);
    // hiding the plot ends the stream it saw.
    m_device->write("3,4\n");
    QTRY_COMPARE(tab()->rxTotal(), qint64(8));
    check("uart_plot_ck", false);
    QVERIFY(!tab()->scope()->isVisible());
    QCOMPARE(tab()->scope()->store().size(), quint64(1));
    m_device->write("5,6\n");
    QTRY_COMPARE(tab()->rxTotal(), qint64(12));
    check("uart_plot_ck");
    m_device->write("7,8\n9,10\n");
    QTRY_COMPARE(tab()->scope()->store().size(), quint64(3));
    QCOMPARE(tab()->scope()->store().window(1)[1], 8.0);

    // A line cut by closing the port is not joined to what comes after.
    m_device->write("12");
    QTRY_COMPARE(tab()->rxTotal(), qint64(23));
    click("uart_OpenCloseButton");
    QVERIFY(openPort());
    m_device->write("3\n4\n");
    QTRY_COMPARE(tab()->scope()->store().size(), quint64(5));
    QCOMPARE(tab()->scope()->store().window(0)[3], 3.0);

    // A ninth label finds every channel taken, and is named once.
    m_device->write("a:1,b:2,c:3,d:4,e:5,f:6,g:7,h:8,i:9\nj:1\n");
    QTRY_VERIFY(widget<QLabel>("car_ware_note")->isVisible());
    QVERIFY(widget<QLabel>("car_ware_note")->text().contains(QStringLiteral("“i”")));
    QCOMPARE(widget<QLineEdit>("car_wave8")->text(), QStringLiteral("h"));
}

// The frame format has a window of its own beside the terminal; the
// capture says how the plot read the bytes, so a tab set to text lines
// replays them as frames of the same format.
void TestUartTab::plotReadsCustomFramesAndItsCaptureReplaysThemSo()
{
    widget<QComboBox>("uart_plot_format")->setCurrentIndex(2);
    click("uart_plot_frame");
    QWidget *window = tab()->frameWindow();
    QVERIFY(window->isWindow() && window->isVisible() && !window->isModal());
    widget<QPlainTextEdit>("car_frame_json")->setPlainText(QString::fromLatin1(kPairFrames));
    click("car_frame_apply");
    QCOMPARE(tab()->frameView()->description().name, QStringLiteral("pair"));

    check("uart_plot_ck");
    QVERIFY(openPort());
    QVERIFY(!widget<QComboBox>("uart_plot_format")->isEnabled());
    m_dialogs.fileAnswers.enqueue(path("frames.zcap"));
    click("uart_rec_button");
    const QByteArray stream =
        pairFrame(1.5, -2) + pairFramesToDrop() + pairFrame(0.25, 7) + pairFrame(-1, 1000);
    for (int at = 0; at < stream.size(); at += 5) {
        m_device->write(stream.mid(at, 5));
        QTRY_COMPARE(tab()->rxTotal(), qint64(std::min(at + 5, int(stream.size()))));
    }
    click("uart_OpenCloseButton");
    click("uart_rec_button");
    const SampleStore &store = tab()->scope()->store();
    QCOMPARE(store.size(), quint64(3));
    QCOMPARE(store.window(1)[2], 1000.0);
    QCOMPARE(widget<QLineEdit>("car_wave1")->text(), QStringLiteral("left"));
    QVERIFY(widget<QLabel>("car_frame_counts")
                ->text()
                .startsWith(QStringLiteral("正确 3 帧，校验错 1，未知类型 1")));

    UartTab replayed(m_dialogs, m_ports.source());
    child<QCheckBox>(&replayed, "uart_plot_ck")->setChecked(true);
    m_dialogs.fileAnswers.enqueue(path("frames.zcap"));
    child<QPushButton>(&replayed, "uart_replay_open")->click();
    CaptureControls *capture = replayed.capture();
    QCOMPARE(capture->player().reader().header().value("plot"), QStringLiteral("custom"));
    capture->player().setSpeed(CapturePlayer::kAsFastAsPossible);
    QSignalSpy finished(&capture->player(), &CapturePlayer::finished);
    child<QPushButton>(&replayed, "uart_replay_play")->click();
    QVERIFY(finished.wait());
    QCOMPARE(child<QComboBox>(&replayed, "uart_plot_format")->currentIndex(), 2);
    QCOMPARE(replayed.frameView()->descriptionText(), tab()->frameView()->descriptionText());
    const SampleStore &again = replayed.scope()->store();
    QCOMPARE(again.size(), store.size());
    for (quint64 row = 0; row < store.size(); ++row)
        QCOMPARE(again.window(0)[row], store.window(0)[row]);
    QCOMPARE(m_dialogs.count(Kind::Critical), 0);
}

// What a session leaves in the tab: the text shown, the counters, the
// statistics line and the plot's samples.
struct SessionViews
{
    QString text;
    QByteArray buffer;
    qint64 received = 0;
    qint64 sent = 0;
    QString statistics;
    QList<QVector<double>> samples;

    explicit SessionViews(UartTab &tab)
    {
        tab.tick();
        text = child<QPlainTextEdit>(&tab, "uart_recvEdit")->toPlainText();
        buffer = tab.recvBuffer();
        received = tab.rxTotal();
        sent = tab.txTotal();
        statistics = child<QGroupBox>(&tab, "uart_recvgroup")->title();
        const SampleStore &store = tab.scope()->store();
        for (int channel = 0; channel < 2; ++channel) {
            QVector<double> values;
            for (quint64 i = 0; i < store.size(); ++i)
                values << store.window(channel)[i];
            samples << values;
        }
    }
};

void TestUartTab::recordedSessionReplaysIntoTheSameViewsAndSendsNothing()
{
    const QList<QByteArray> reads{"speed:1.5,err:-2\r\n", "spe", "ed:2,err:4\nnot a sample\n",
                                  "3,4\n\xD6\xD0\n", "5,6"};
    check("uart_plot_ck");
    QVERIFY(openPort());
    m_dialogs.fileAnswers.enqueue(path("session.zcap"));
    click("uart_rec_button");
    QVERIFY(!widget<QPushButton>("uart_replay_open")->isEnabled());
    qint64 sent = 0;
    for (const QByteArray &read : reads) {
        m_device->write(read);
        sent += read.size();
        QTRY_COMPARE(tab()->rxTotal(), sent);
    }
    QTRY_VERIFY(view().endsWith(QStringLiteral("中\n5,6")));
    click("uart_OpenCloseButton");
    click("uart_rec_button");
    const SessionViews live(*tab());
    QCOMPARE(live.samples.at(1).size(), 3);

    UartTab replayed(m_dialogs, m_ports.source());
    child<QCheckBox>(&replayed, "uart_plot_ck")->setChecked(true);
    child<QCheckBox>(&replayed, "uart_revecho")->setChecked(true);
    m_dialogs.fileAnswers.enqueue(path("replayed.txt"));
    child<QCheckBox>(&replayed, "uart_file_ck")->setChecked(true);
    m_dialogs.fileAnswers.enqueue(path("session.zcap"));
    child<QPushButton>(&replayed, "uart_replay_open")->click();
    CaptureControls *capture = replayed.capture();
    QVERIFY(capture->replaying());
    QCOMPARE(capture->player().reader().header().value("link"),
             QStringLiteral("serial %1 115200 8 无 1").arg(m_device->slavePath()));
    // The port stays shut while the capture plays; a step is one line.
    QVERIFY(!child<QPushButton>(&replayed, "uart_OpenCloseButton")->isEnabled());
    child<QPushButton>(&replayed, "uart_replay_step")->click();
    QCOMPARE(replayed.rxTotal(), qint64(reads.at(0).size()));
    capture->player().setSpeed(CapturePlayer::kAsFastAsPossible);
    QSignalSpy finished(&capture->player(), &CapturePlayer::finished);
    child<QPushButton>(&replayed, "uart_replay_play")->click();
    QVERIFY(finished.wait());
    // Echoing the replayed bytes is refused, and said so.
    QCOMPARE(child<QLabel>(&replayed, "uart_sendError")->text(),
             QStringLiteral("发送失败：正在回放记录"));
    child<QPushButton>(&replayed, "uart_replay_open")->click(); // "停止回放"
    QVERIFY(child<QPushButton>(&replayed, "uart_OpenCloseButton")->isEnabled());
    QTRY_COMPARE(child<QPlainTextEdit>(&replayed, "uart_recvEdit")->toPlainText(), live.text);
    const SessionViews again(replayed);
    QCOMPARE(again.buffer, live.buffer);
    QCOMPARE(again.received, live.received);
    QCOMPARE(again.sent, live.sent);
    QCOMPARE(again.statistics, live.statistics);
    QCOMPARE(again.samples, live.samples);
    replayed.tick(); // nothing keeps the tick running after the replay
    QVERIFY(!replayed.tickNeeded());
    child<QCheckBox>(&replayed, "uart_file_ck")->setChecked(false);
    QCOMPARE(contentOf(path("replayed.txt")), reads.join());
    QCOMPARE(m_dialogs.count(Kind::Critical), 0);
}


// An adapter listed again under another name is found by its serial number
// and reopened there; another adapter of the same kind is left alone.
void TestUartTab::lostAdapterReopensUnderItsNewNameButNotAnotherOfItsKind()
{
    PtyPair renamed;
    PtyPair other;
    const auto adapter = [](const QString &name, const QString &serial) {
        PortEntry port{name, QStringLiteral("USB2.0-Serial")};
        port.manufacturer = QStringLiteral("QinHeng");
        port.serialNumber = serial;
        port.vendorId = 0x1a86;
        port.productId = 0x7523;
        return port;
    };
    const QString lostName = m_device->slavePath();
    QCOMPARE(adapter(lostName, "A1").listText(),
             lostName + QStringLiteral(" \u2014 USB2.0-Serial (1a86:7523)"));
    auto *box = widget<QComboBox>("uart_portBox");
    QSignalSpy notices(tab()->panel(), &SerialPortPanel::notice);
    *m_ports.ports = {adapter(lostName, "A1")};
    tab()->panel()->refreshPortList();
    QCOMPARE(box->currentText(), lostName);
    // The open list shows the whole line, the edit only the name.
    const QFontMetrics metrics = box->view()->fontMetrics();
    QVERIFY(box->view()->minimumWidth()
            >= metrics.horizontalAdvance(adapter(lostName, "A1").listText()));
    QCOMPARE(box->toolTip(), QStringLiteral("USB2.0-Serial\n制造商：QinHeng\n序列号：A1"));
    click("uart_OpenCloseButton");
    QVERIFY(tab()->panel()->isOpen());

    m_device->unplug();
    m_ports.ports->clear();
    tab()->panel()->refreshPortList();
    QVERIFY(tab()->panel()->portLost());
    *m_ports.ports = {adapter(other.slavePath(), "B2")};
    tab()->panel()->refreshPortList();
    tab()->tick();
    QVERIFY(!tab()->panel()->isOpen());

    m_ports.ports->append(adapter(renamed.slavePath(), "A1"));
    tab()->panel()->refreshPortList();
    tab()->tick();
    QVERIFY(tab()->panel()->isOpen());
    QCOMPARE(box->currentText(), renamed.slavePath());
    QCOMPARE(notices.size(), 1);
    QCOMPARE(notices.at(0).at(0).toString(),
             QStringLiteral("设备以新名称 %2 重新出现（原为 %1），已重新打开。")
                 .arg(lostName, renamed.slavePath()));
    renamed.write("back");
    QTRY_VERIFY(view().contains("back"));
    QCOMPARE(m_dialogs.calls.size(), 0);
}

void TestUartTab::markupInADeviceDescriptionIsShownAsText()
{
    const QString description = QStringLiteral("<img src=\"/etc/passwd\"><b>Serial</b>");
    *m_ports.ports = {PortEntry{"ttyUSB0", description}};
    tab()->panel()->refreshPortList();
    const QString tip = widget<QComboBox>("uart_portBox")->toolTip();
    QTextDocument shown;
    if (Qt::mightBeRichText(tip))
        shown.setHtml(tip);
    else
        shown.setPlainText(tip);
    QCOMPARE(shown.toPlainText(), description);
}

QTEST_MAIN(TestUartTab)
#include "test_uarttab.moc"
