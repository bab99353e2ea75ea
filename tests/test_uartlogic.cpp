// The serial assistant's logic without a window: hex text both ways, what the
// receive view keeps and when it is redrawn, when a file goes out whole.
#include "filesender.h"
#include "hextext.h"
#include "receivedisplay.h"

#include <QtTest>

class TestUartLogic : public QObject
{
    Q_OBJECT
private slots:
    void hexInputStopsAtFirstBadPair_data();
    void hexInputStopsAtFirstBadPair();
    void hexDisplayIsUpperCaseWithTrailingBlanks();
    void flowingDataRedrawsEveryEleventhPollWithTheTail();
    void fifthQuietPollShowsTheWholeBufferOnce();
    void bufferIsCutByWholeStepsAboveTheLimit();
    void textViewStopsAtZeroByteHexShowsIt();
    void fileGoesOutWholeWithoutChunkOrPause_data();
    void fileGoesOutWholeWithoutChunkOrPause();
};

void TestUartLogic::hexInputStopsAtFirstBadPair_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("blank separated") << "1A 2B" << QByteArray("\x1A\x2B");
    QTest::newRow("run together") << "1A2B" << QByteArray("\x1A\x2B");
    QTest::newRow("lower case") << "1a 2b" << QByteArray("\x1A\x2B");
    QTest::newRow("many blanks") << "  ff   00 " << QByteArray("\xFF\x00", 2);
    QTest::newRow("lone last digit dropped") << "1A 2" << QByteArray("\x1A");
    QTest::newRow("blank inside a pair") << "1 A" << QByteArray();
    QTest::newRow("line break is no blank") << "1A\n2B" << QByteArray("\x1A");
    QTest::newRow("tab is no blank") << "1A\t2B" << QByteArray("\x1A");
    QTest::newRow("bad pair keeps what came before") << "1A ZZ 2B" << QByteArray("\x1A");
    QTest::newRow("bad first pair") << "G1 2B" << QByteArray();
    QTest::newRow("non-ascii digit") << QStringLiteral("1Ａ") << QByteArray();
    QTest::newRow("empty") << "" << QByteArray();
}

void TestUartLogic::hexInputStopsAtFirstBadPair()
{
    QFETCH(QString, text);
    QFETCH(QByteArray, bytes);
    QCOMPARE(hexTextToBytes(text), bytes);
}

void TestUartLogic::hexDisplayIsUpperCaseWithTrailingBlanks()
{
    QCOMPARE(bytesToHexText(QByteArray("\x1A\x2B")), QStringLiteral("1A 2B "));
    QCOMPARE(bytesToHexText(QByteArray("\x00\xff\x0a", 3)), QStringLiteral("00 FF 0A "));
    QCOMPARE(bytesToHexText(QByteArray()), QString());
    QByteArray all;
    for (int i = 0; i < 256; ++i)
        all.append(char(i));
    QCOMPARE(hexTextToBytes(bytesToHexText(all)), all);
}

void TestUartLogic::flowingDataRedrawsEveryEleventhPollWithTheTail()
{
    ReceiveDisplayBuffer buffer;
    const QByteArray chunk(300, 'x');
    for (int round = 0; round < 2; ++round) {
        for (int poll = 1; poll <= 10; ++poll)
            QVERIFY(!buffer.dataPoll(chunk));
        const auto shown = buffer.dataPoll(QByteArray(300, 'y'));
        QVERIFY(shown);
        QCOMPARE(shown->size(), 2000);
        QVERIFY(shown->endsWith(QByteArray(300, 'y')));
        QCOMPARE(*shown, buffer.bytes().right(2000));
    }
    // A quiet poll in between does not restart the count of data polls.
    for (int poll = 1; poll <= 9; ++poll)
        QVERIFY(!buffer.dataPoll(chunk));
    QVERIFY(!buffer.idlePoll());
    QVERIFY(!buffer.dataPoll(chunk));
    QVERIFY(buffer.dataPoll(chunk));
}

void TestUartLogic::fifthQuietPollShowsTheWholeBufferOnce()
{
    ReceiveDisplayBuffer buffer;
    QVERIFY(!buffer.dataPoll("0123456789"));
    for (int poll = 1; poll <= 4; ++poll)
        QVERIFY(!buffer.idlePoll());
    QCOMPARE(buffer.idlePoll(), std::optional<QByteArray>("0123456789"));
    for (int poll = 0; poll < 100; ++poll)
        QVERIFY(!buffer.idlePoll());

    // New data restarts the quiet count.
    QVERIFY(!buffer.dataPoll("AB"));
    for (int poll = 1; poll <= 4; ++poll)
        QVERIFY(!buffer.idlePoll());
    QCOMPARE(buffer.idlePoll(), std::optional<QByteArray>("0123456789AB"));

    buffer.clear();
    QVERIFY(buffer.bytes().isEmpty());
}

void TestUartLogic::bufferIsCutByWholeStepsAboveTheLimit()
{
    ReceiveDisplayBuffer buffer;
    buffer.dataPoll(QByteArray(50000, 'a'));
    QCOMPARE(buffer.bytes().size(), 50000);
    buffer.dataPoll("b");
    QCOMPARE(buffer.bytes().size(), 10001);
    QVERIFY(buffer.bytes().endsWith("ab"));

    // One poll of a fast stream brings more than a step: still bounded, and
    // the newest bytes are the ones kept.
    QByteArray burst(250000, 'c');
    burst.append("end");
    buffer.dataPoll(burst);
    QVERIFY(buffer.bytes().size() <= 50000);
    QVERIFY(buffer.bytes().size() > 50000 - 40000);
    QVERIFY(buffer.bytes().endsWith("cend"));
}

void TestUartLogic::textViewStopsAtZeroByteHexShowsIt()
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

void TestUartLogic::fileGoesOutWholeWithoutChunkOrPause_data()
{
    QTest::addColumn<qint64>("chunk");
    QTest::addColumn<qint64>("interval");
    QTest::addColumn<bool>("whole");
    QTest::newRow("chunk 0") << qint64(0) << qint64(1000) << true;
    QTest::newRow("interval 0") << qint64(4) << qint64(0) << true;
    QTest::newRow("chunk equals size") << qint64(10) << qint64(1000) << true;
    QTest::newRow("chunk above size") << qint64(11) << qint64(1000) << true;
    QTest::newRow("chunked") << qint64(4) << qint64(1000) << false;
}

void TestUartLogic::fileGoesOutWholeWithoutChunkOrPause()
{
    QFETCH(qint64, chunk);
    QFETCH(qint64, interval);
    QFETCH(bool, whole);
    QCOMPARE(sendsWholeFile(chunk, interval, 10), whole);
}

QTEST_GUILESS_MAIN(TestUartLogic)
#include "test_uartlogic.moc"
