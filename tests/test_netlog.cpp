// The network pages' logic without a window: log lines, payload text and the
// bounded log.
#include "netlog.h"
#include "textcodec.h"

#include <QSignalSpy>
#include <QtTest>

class TestNetLog : public QObject
{
    Q_OBJECT
private slots:
    void linesCarryTheirColourPeerAndTime();
    void payloadIsHexOrStreamTextAndALongReadShowsItsTail();
    void logKeepsTheNewestWholeLinesWithinItsLimit();
};

void TestNetLog::linesCarryTheirColourPeerAndTime()
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
}

void TestNetLog::payloadIsHexOrStreamTextAndALongReadShowsItsTail()
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

void TestNetLog::logKeepsTheNewestWholeLinesWithinItsLimit()
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

QTEST_GUILESS_MAIN(TestNetLog)
#include "test_netlog.moc"
