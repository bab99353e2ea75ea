// The serial assistant's logic without a window: hex text both ways, when a
// file goes out whole.
#include "filesender.h"
#include "hextext.h"

#include <QtTest>

class TestUartLogic : public QObject
{
    Q_OBJECT
private slots:
    void hexInputStopsAtFirstBadPair_data();
    void hexInputStopsAtFirstBadPair();
    void hexDisplayIsUpperCaseWithTrailingBlanks();
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
