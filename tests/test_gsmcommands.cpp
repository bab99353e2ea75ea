// The GSM commands without a window: the catalogue's bytes, SMS in GSM text
// and UCS2, the GPRS commands and the pacing of a series.
#include "atcatalogue.h"
#include "atcommands.h"
#include "commandpacer.h"
#include "promptscanner.h"

#include <QElapsedTimer>
#include <QSet>
#include <QtTest>

class TestGsmCommands : public QObject
{
    Q_OBJECT
private slots:
    void catalogueCommandsEndInOneCarriageReturn();
    void textSmsGoesOutInFourWrites();
    void anyCharacterAbove127MakesTheWholeSmsUcs2_data();
    void anyCharacterAbove127MakesTheWholeSmsUcs2();
    void ucs2HexBothWays();
    void gprsCommands();
    void pacerSpacesWritesOnATimerAndRefusesASecondSeries();
    void promptCountsOnlyAtTheStartOfALine();
};

void TestGsmCommands::catalogueCommandsEndInOneCarriageReturn()
{
    QSet<QString> keys;
    for (const AtCatalogueEntry &entry : atCatalogue()) {
        QVERIFY2(!keys.contains(entry.key), entry.key);
        keys.insert(entry.key);
        QVERIFY2(qstrlen(entry.text.explanation) > 0, entry.key);
        if (entry.command.isEmpty())
            continue;
        QVERIFY2(entry.command.startsWith("AT"), entry.key);
        QVERIFY2(entry.command.endsWith('\r'), entry.key);
        QCOMPARE(entry.command.count('\r') + entry.command.count('\n'), 1);
    }
    QCOMPARE(atCatalogueEntry("gsm_CSQButton").command, QByteArray("AT+CSQ\r"));
}

void TestGsmCommands::textSmsGoesOutInFourWrites()
{
    const QList<QByteArray> expected{"AT+CSCS=\"GSM\"\r", "AT+CMGF=1\r", "AT+CMGS=\"112\"\r",
                                     "hello world!\x1A"};
    QCOMPARE(smsWrites(QStringLiteral("112"), QStringLiteral("hello world!")), expected);
    // Ctrl-Z or Esc would end the text early; in UCS2 it is only hex digits.
    QVERIFY(smsWrites(QStringLiteral("112"), QStringLiteral("a\x1B" "b")).isEmpty());
    QVERIFY(smsWrites(QStringLiteral("112"), QStringLiteral("a\x1A" "b")).isEmpty());
    QCOMPARE(smsWrites(QStringLiteral("112"), QStringLiteral("\u4e2d\x1A")).size(), 6);
    QCOMPARE(dialCommand(QStringLiteral("10086")), QByteArray("ATD10086;\r"));
    QCOMPARE(volumeCommand(55), QByteArray("AT+CLVL=55\r"));
    QCOMPARE(ownNumberWriteCommand(QStringLiteral("13800000000")),
             QByteArray("AT+CPBW=1,\"13800000000\"\r"));
}

void TestGsmCommands::anyCharacterAbove127MakesTheWholeSmsUcs2_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QByteArray>("textWrite");
    QTest::newRow("two Chinese characters")
        << QStringLiteral("\u4f60\u597d") << QByteArray("4f60597d\r");
    QTest::newRow("one at the end") << QStringLiteral("ok\u00e9") << QByteArray("006f006b00e9\r");
    QTest::newRow("one at the start") << QStringLiteral("\u00a0a") << QByteArray("00a00061\r");
    QTest::newRow("outside the BMP") << QStringLiteral("\U0001F600")
                                     << QByteArray("d83dde00\r");
}

void TestGsmCommands::anyCharacterAbove127MakesTheWholeSmsUcs2()
{
    QFETCH(QString, text);
    QFETCH(QByteArray, textWrite);
    const QList<QByteArray> expected{"AT+CSCS=\"UCS2\"\r", "AT+CMGF=1\r", "AT+CSMP=17,167,0,8\r",
                                     "AT+CMGS=\"003100310032\"\r", textWrite, "\x1A"};
    QCOMPARE(smsWrites(QStringLiteral("112"), text), expected);
    QVERIFY(!needsUcs2(QStringLiteral("plain ASCII ~\x7f")));
}

void TestGsmCommands::ucs2HexBothWays()
{
    const QString text = QStringLiteral("中文 text\U0001F600");
    QCOMPARE(ucs2Hex(QStringLiteral("1\u4e2d")), QByteArray("00314e2d"));
    QCOMPARE(ucs2HexToText(QString::fromLatin1(ucs2Hex(text))), text);
    QCOMPARE(ucs2HexToText(QString::fromLatin1(ucs2Hex(text).toUpper())), text);
    // As typed: blanks between pairs, zero units skipped, an odd byte left.
    QCOMPARE(ucs2HexToText(QStringLiteral("4E 2D 00 00 65 87 41")), QStringLiteral("中文"));
    QCOMPARE(ucs2HexToText(QStringLiteral("4E2D zz 6587")), QStringLiteral("中"));
}

void TestGsmCommands::gprsCommands()
{
    const QList<QByteArray> init{"AT+CGCLASS=\"B\"\r", "AT+CGDCONT=1,\"IP\",\"CMNET\"\r",
                                 "AT+CGATT=1\r", "AT+CIPCSGP=1,\"CMNET\"\r"};
    QCOMPARE(gprsInitWrites(), init);
    const QList<QByteArray> link{"AT+CLPORT=\"UDP\",\"2000\"\r",
                                 "AT+CIPSTART=\"UDP\",\"10.0.0.7\",\"8080\"\r"};
    QCOMPARE(gprsLinkWrites("UDP", QStringLiteral("10.0.0.7"), 8080, 2000), link);
    const QList<QByteArray> send{"AT+CIPSEND\r", QByteArray("\x00hi\r\n\x1A", 6)};
    QCOMPARE(gprsSendWrites(QByteArray("\x00hi\r\n", 5)), send);
    QVERIFY(gprsSendWrites("hi\x1B" "AT").isEmpty());
    QVERIFY(gprsSendWrites("hi\x1A" "AT").isEmpty());
}

void TestGsmCommands::pacerSpacesWritesOnATimerAndRefusesASecondSeries()
{
    CommandPacer pacer;
    QList<QByteArray> written;
    QElapsedTimer clock;
    QList<qint64> writtenAt;
    connect(&pacer, &CommandPacer::writeDue, [&](const QByteArray &bytes) {
        written << bytes;
        writtenAt << clock.elapsed();
    });
    clock.start();
    QString lateText = QStringLiteral("before");
    int done = 0;

    QVERIFY(pacer.start(QList<CommandPacer::Step>{[] { return QByteArray("one"); },
                                                  [&] { return lateText.toLatin1(); }},
                        [&] { ++done; }));
    // The first write goes at once, the next only after the pause.
    QCOMPARE(written, QList<QByteArray>{"one"});
    QVERIFY(pacer.isRunning());
    QVERIFY(!pacer.start(QList<QByteArray>{"intruder"}));
    lateText = QStringLiteral("after");
    QTRY_VERIFY(!pacer.isRunning());
    QCOMPARE(written, (QList<QByteArray>{"one", "after"}));
    // The module gets at least 100 ms between two writes of a series.
    QVERIFY2(writtenAt[1] - writtenAt[0] >= 100, qPrintable(QString::number(writtenAt[1] - writtenAt[0])));
    QCOMPARE(done, 1);
    QVERIFY(!pacer.findChild<QTimer *>()->isActive());
    QVERIFY(pacer.start(QList<QByteArray>{"single"}));
    QVERIFY(!pacer.isRunning());
    QCOMPARE(written.last(), QByteArray("single"));
}

void TestGsmCommands::promptCountsOnlyAtTheStartOfALine()
{
    PromptScanner scanner;
    QVERIFY(scanner.feed("> "));
    scanner.reset();
    QVERIFY(!scanner.feed("AT+CMGS=\"1> 2\"\r\n>>  OK\r\n>"));
    QVERIFY(!scanner.feed(""));
    QVERIFY(scanner.feed(" "));
    QVERIFY(scanner.found());
    scanner.reset();
    QVERIFY(!scanner.found());
    QVERIFY(scanner.feed("\r> hello"));
}

QTEST_GUILESS_MAIN(TestGsmCommands)
#include "test_gsmcommands.moc"
