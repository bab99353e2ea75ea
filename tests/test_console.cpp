// The console's receive side without a window: log lines and payloads, the
// bounded line store, the serial assistant's display buffer, time stamps.
#include "consoletext.h"
#include "hextext.h"
#include "linelog.h"
#include "netlog.h"
#include "receivedisplay.h"
#include "textcodec.h"

#include <QtTest>

class TestConsole : public QObject
{
    Q_OBJECT
private slots:
    void linesCarryTheirColourPeerAndTime();
    void payloadIsHexOrStreamTextAndALongReadShowsItsTail();
    void payloadOfExactlyTheShownSizeIsWhole();
    void logKeepsTheNewestWholeLinesWithinItsLimit();
    void logOfExactlyItsLimitKeepsEveryLine();
    void bytesAfterQuietShowAtOnceAndAFlowingLineIsPaced();
    void bufferIsCutByWholeStepsAboveTheLimit();
    void textViewStopsAtZeroByteHexShowsIt();
};

void TestConsole::linesCarryTheirColourPeerAndTime()
{
    const QTime time(9, 5, 7);
    QCOMPARE(NetLogLine::status(QStringLiteral("监听成功")),
             QStringLiteral("<font color=\"SteelBlue\">监听成功</font>"));
    QCOMPARE(NetLogLine::failure(QStringLiteral("a<b")),
             QStringLiteral("<font color=\"Red\">a&lt;b</font>"));
    const QString peer = NetLogLine::peer(QStringLiteral("127.0.0.1"), 8080);
    QCOMPARE(NetLogLine::received(peer, time, QStringLiteral("hi")),
             QStringLiteral("<font color=\"Blue\">[127.0.0.1:8080]&nbsp; 09:05:07</font><br>hi"));
    QCOMPARE(NetLogLine::sent(peer, time, QStringLiteral("1A 2B ")),
             QStringLiteral("<font color=\"Green\">[127.0.0.1:8080]&nbsp; 09:05:07</font><br>1A 2B "));

    // The GPS log's lines: its own colour names, blanks as they are.
    const NetLogLine::Style &gps = NetLogLine::kGpsStyle;
    QCOMPARE(NetLogLine::status(QStringLiteral("上线通知:[%1]  09:05:07").arg(peer), gps),
             QStringLiteral("<font color=\"SteelBlue \">上线通知:[127.0.0.1:8080]  09:05:07</font>"));
    QCOMPARE(NetLogLine::failure(QStringLiteral("断开连接:  <b>"), gps),
             QStringLiteral("<font color=\"Red\">断开连接:  &lt;b&gt;</font>"));
    const QString payload = NetLogLine::textHtml(QStringLiteral("$GP  <\r\n"), gps);
    QCOMPARE(NetLogLine::received(peer, time, payload, gps),
             QStringLiteral("<font color=\"Blue \">[127.0.0.1:8080]  09:05:07</font><br>"
                            "$GP  &lt;<br>"));
}

void TestConsole::payloadIsHexOrStreamTextAndALongReadShowsItsTail()
{
    QCOMPARE(PayloadView::html(QByteArray("\x1a\x2b", 2), true), QStringLiteral("1A 2B "));
    QCOMPARE(PayloadView::html("a<b\r\nc\0ignored", false), QStringLiteral("a&lt;b<br>c"));

    // A character split between two reads of one stream comes out whole.
    const QByteArray ni = textToBytes(QStringLiteral("你"));
    StreamTextDecoder stream;
    const QString first = PayloadView::html("x" + ni.left(1), false, &stream);
    QCOMPARE(first + PayloadView::html(ni.mid(1), false, &stream), QStringLiteral("x你"));

    QByteArray longRead(10000, 'a');
    longRead.append("END");
    const QString shown = PayloadView::html(longRead, false, &stream);
    QVERIFY(shown.contains(QStringLiteral("10003")));
    QVERIFY(shown.endsWith(QString(PayloadView::kShownBytes - 3, QLatin1Char('a')) + "END"));
    QVERIFY(!shown.contains(QString(PayloadView::kShownBytes - 2, QLatin1Char('a'))));
    const QString hex = PayloadView::html(longRead, true);
    QVERIFY(hex.endsWith(QStringLiteral("61 45 4E 44 ")));
    QCOMPARE(hex.count(QStringLiteral("61 ")), PayloadView::kShownBytes - 3);
}

// The shown size is 2048 bytes: exactly that is shown whole, one more is cut
// to its last 2048 after the note.
void TestConsole::payloadOfExactlyTheShownSizeIsWhole()
{
    const QByteArray exact(2048, 'a');
    QCOMPARE(PayloadView::html(exact, false), QString(2048, QLatin1Char('a')));
    const QString cut = PayloadView::html("Q" + exact, false);
    QVERIFY(cut.contains(QStringLiteral("2049")));
    QVERIFY(cut.endsWith(QStringLiteral("<br>") + QString(2048, QLatin1Char('a'))));
    QVERIFY(!cut.contains(QLatin1Char('Q')));
}

void TestConsole::logKeepsTheNewestWholeLinesWithinItsLimit()
{
    NetLog log;
    const QString filler(90, QLatin1Char('x'));
    for (int i = 0; i < 5000; ++i)
        log.append(NetLogLine::status(QStringLiteral("line %1 ").arg(i) + filler));
    const QString html = log.html();
    QVERIFY(html.size() < NetLog::kCharLimit + log.lineCount() * 16);
    QVERIFY(html.contains(QStringLiteral("line 4999 ")));
    QVERIFY(!html.contains(QStringLiteral("line 0 ")));
    // Every kept line is whole: as many openings as closings.
    QCOMPARE(html.count(QStringLiteral("<font")), log.lineCount());
    QCOMPARE(html.count(QStringLiteral("</font>")), log.lineCount());

    const QString huge(NetLog::kCharLimit * 2, QLatin1Char('y'));
    log.append(huge);
    QCOMPARE(log.lineCount(), 1);
    QVERIFY(log.html().contains(huge));
    log.clear();
    QVERIFY(log.isEmpty());
}

// The network log keeps 32768 characters: lines of exactly that much stay,
// one character more drops the oldest line whole.
void TestConsole::logOfExactlyItsLimitKeepsEveryLine()
{
    NetLog log;
    for (int i = 0; i < 32; ++i)
        log.append(QString(1024, QLatin1Char('a' + i % 26)));
    QCOMPARE(log.lineCount(), 32);
    QCOMPARE(log.firstNumber(), qint64(0));
    log.append(QStringLiteral("z"));
    QCOMPARE(log.lineCount(), 32);
    QCOMPARE(log.firstNumber(), qint64(1));
    QCOMPARE(log.line(1), QString(1024, QLatin1Char('b')));
    QCOMPARE(log.charCount(), 31 * 1024 + 1);

    LineLog small(10);
    small.append(QStringLiteral("12345"));
    small.append(QStringLiteral("67890"));
    QCOMPARE(small.lineCount(), 2);
    small.append(QString());
    QCOMPARE(small.lineCount(), 3);
    small.append(QStringLiteral("x"));
    QCOMPARE(small.line(small.firstNumber()), QStringLiteral("67890"));
    QCOMPARE(clockText(QTime(9, 5, 7)), QStringLiteral("09:05:07"));
}

void TestConsole::bytesAfterQuietShowAtOnceAndAFlowingLineIsPaced()
{
    using Display = ReceiveDisplayBuffer;
    Display buffer;
    QCOMPARE(buffer.append("0123456789", 1000), std::optional<QByteArray>("0123456789"));

    // Flowing: the tail, at most once per refresh interval.
    const QByteArray chunk(300, 'x');
    qint64 now = 1000;
    int redraws = 0;
    for (int read = 0; read < 50; ++read) {
        now += 5;
        if (const auto shown = buffer.append(chunk, now)) {
            ++redraws;
            QCOMPARE(*shown, buffer.bytes().right(Display::kTailWhileFlowing));
        }
        if (buffer.due(now))
            ++redraws;
        QVERIFY(buffer.nextDue() && *buffer.nextDue() > now);
    }
    QCOMPARE(redraws, int(50 * 5 / Display::kRefreshIntervalMs));

    // Quiet: the whole buffer once, then nothing is due until more bytes.
    QVERIFY(!buffer.due(now + Display::kQuietMs - 1));
    QCOMPARE(*buffer.nextDue(), now + Display::kQuietMs);
    QCOMPARE(buffer.due(now + Display::kQuietMs), std::optional<QByteArray>(buffer.bytes()));
    QVERIFY(!buffer.nextDue());
    QVERIFY(!buffer.due(now + 10000));
    QCOMPARE(buffer.append("AB", now + Display::kQuietMs + 1)->right(2), QByteArray("AB"));

    buffer.clear();
    QVERIFY(buffer.bytes().isEmpty());
    QVERIFY(!buffer.nextDue());
}

void TestConsole::bufferIsCutByWholeStepsAboveTheLimit()
{
    ReceiveDisplayBuffer buffer;
    buffer.append(QByteArray(50000, 'a'), 0);
    QCOMPARE(buffer.bytes().size(), 50000);
    buffer.append("b", 1);
    QCOMPARE(buffer.bytes().size(), 10001);
    QVERIFY(buffer.bytes().endsWith("ab"));

    // One read of a fast stream brings more than a step: still bounded, and
    // the newest bytes are the ones kept.
    QByteArray burst(250000, 'c');
    burst.append("end");
    buffer.append(burst, 2);
    QVERIFY(buffer.bytes().size() <= 50000);
    QVERIFY(buffer.bytes().size() > 50000 - 40000);
    QVERIFY(buffer.bytes().endsWith("cend"));
}

void TestConsole::textViewStopsAtZeroByteHexShowsIt()
{
    const QByteArray bytes("AB\0CD", 5);
    QCOMPARE(receiveViewText(bytes, false), QStringLiteral("AB"));
    QCOMPARE(receiveViewText(bytes, true), QStringLiteral("41 42 00 43 44 "));
    QCOMPARE(receiveViewText(QByteArray("\xD6\xD0"), false), QStringLiteral("中"));

    // Hex comes in rows; a full buffer still fits the view's 800 lines.
    QByteArray full(ReceiveDisplayBuffer::kTrimAbove, '\x5A');
    full[130] = '\x01';
    const QStringList rows = receiveViewText(full, true).split(QLatin1Char('\n'));
    QVERIFY(rows.size() <= 800);
    QCOMPARE(rows.first(), bytesToHexText(full.left(64)));
    QCOMPARE(rows.at(2).left(9), QStringLiteral("5A 5A 01 "));
    QCOMPARE(rows.join(QString()), bytesToHexText(full));
}

QTEST_GUILESS_MAIN(TestConsole)
#include "test_console.moc"
