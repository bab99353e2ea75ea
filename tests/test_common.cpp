// Text conversions at the wire and the program's identity.
#include "dialogs.h"
#include "hiddentext.h"
#include "mainwindow.h"
#include "programinfo.h"
#include "requiredchild.h"
#include "scripteddialogs.h"
#include "fakeports.h"
#include "textcodec.h"
#include "widgetdialogs.h"

#include <QApplication>
#include <QFile>
#include <QMessageBox>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTextCodec>
#include <QtTest>

#include <unistd.h>

class TestCommon : public QObject
{
    Q_OBJECT
private slots:
    void gb18030RoundTripsChineseAndAscii_data();
    void gb18030RoundTripsChineseAndAscii();
    void receivedTextStopsAtFirstZeroByte();
    void undecodableBytesDoNotStopTheRest();
    void streamDecoderJoinsCharactersSplitBetweenReads();
    void streamDecoderStopsEachReadAtItsZeroByte();
    void titleIsProductNameImmediatelyFollowedByVersion();
    void chineseFileNamesStayInTheSystemEncoding();
    void messageBoxesShowMarkupAsText();
    void hiddenCharactersAreFoundWhereverTheyStand();
    void missingFormWidgetStopsTheProgramNamingIt();
};

void TestCommon::gb18030RoundTripsChineseAndAscii_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("one hanzi") << QStringLiteral("中") << QByteArray("\xD6\xD0");
    QTest::newRow("ascii") << QStringLiteral("AT+CSQ\r") << QByteArray("AT+CSQ\r");
    QTest::newRow("mixed") << QStringLiteral("速度12") << QByteArray("\xCB\xD9\xB6\xC8" "12");
    QTest::newRow("four-byte sequence") << QString::fromUcs4(U"\U00020000")
                                        << QByteArray("\x95\x32\x82\x36");
}

void TestCommon::gb18030RoundTripsChineseAndAscii()
{
    QFETCH(QString, text);
    QFETCH(QByteArray, bytes);
    QCOMPARE(textToBytes(text), bytes);
    QCOMPARE(bytesToText(bytes), text);
    QCOMPARE(cStringBytesToText(bytes), text);
}

void TestCommon::receivedTextStopsAtFirstZeroByte()
{
    const QByteArray bytes("AB\0CD", 5);
    QCOMPARE(cStringBytesToText(bytes), QStringLiteral("AB"));
    QCOMPARE(cStringBytesToText(QByteArray("\0AB", 3)), QString());
    QCOMPARE(bytesToText(bytes).size(), 5);
}

void TestCommon::undecodableBytesDoNotStopTheRest()
{
    // A lone lead byte in the middle must not swallow the ASCII after it.
    const QString text = cStringBytesToText(QByteArray("A\x81" "BC"));
    QVERIFY(text.startsWith(QLatin1Char('A')));
    QVERIFY(text.endsWith(QStringLiteral("C")));
}

void TestCommon::streamDecoderJoinsCharactersSplitBetweenReads()
{
    const QByteArray bytes = "\xCB\xD9\xB6\xC8" "12" "\x95\x32\x82\x36";
    const QString text = QStringLiteral("速度12") + QString::fromUcs4(U"\U00020000");
    StreamTextDecoder decoder;
    for (int cut = 0; cut <= bytes.size(); ++cut) {
        QString decoded = decoder.decode(bytes.left(cut));
        decoded += decoder.decode(bytes.mid(cut));
        QCOMPARE(decoded, text);
    }
}

void TestCommon::streamDecoderStopsEachReadAtItsZeroByte()
{
    StreamTextDecoder decoder;
    QCOMPARE(decoder.decode(QByteArray("AB\0CD", 5)), QStringLiteral("AB"));
    // A character cut off by a zero byte, or begun before a reset, is not
    // finished by the next read.
    QCOMPARE(decoder.decode(QByteArray("\xD6\0", 2)), QString());
    QCOMPARE(decoder.decode("AB"), QStringLiteral("AB"));
    QCOMPARE(decoder.decode("\xD6"), QString());
    decoder.reset();
    QCOMPARE(decoder.decode("AB"), QStringLiteral("AB"));
}

void TestCommon::titleIsProductNameImmediatelyFollowedByVersion()
{
    QCOMPARE(programVersion(), QStringLiteral("V1.1.6"));
    QCOMPARE(programTitle(), QStringLiteral("Zentrik多功能调试助手V1.1.6"));

    ScriptedDialogs dialogs;
    FakePorts ports;
    MainWindow window(dialogs, ports.source());
    QCOMPARE(window.windowTitle(), QStringLiteral("Zentrik多功能调试助手V1.1.6"));
    QCOMPARE(window.font().pointSize(), 9);
    QVERIFY(window.windowFlags() & Qt::CustomizeWindowHint);
    QVERIFY(window.windowFlags() & Qt::WindowCloseButtonHint);
}

void TestCommon::chineseFileNamesStayInTheSystemEncoding()
{
    // Device text is GB18030, but a file the user names in Chinese must land
    // under that name on a UTF-8 file system, window or no window.
    ScriptedDialogs dialogs;
    FakePorts ports;
    MainWindow window(dialogs, ports.source());
    QTemporaryDir dir;
    QFile file(dir.filePath(QStringLiteral("接收数据.txt")));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.close();
    const QByteArray utf8Path = dir.path().toUtf8() + "/接收数据.txt";
    QCOMPARE(::access(utf8Path.constData(), F_OK), 0);
}

void TestCommon::messageBoxesShowMarkupAsText()
{
    QList<Qt::TextFormat> formats;
    const auto answer = [&formats] {
        QTimer::singleShot(0, [&formats] {
            auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
            QVERIFY(box);
            formats << box->textFormat();
            box->done(0);
        });
    };
    WidgetDialogs dialogs;
    const QString markup = QStringLiteral("<img src=\"/tmp/x.png\">");
    answer();
    dialogs.information(nullptr, QStringLiteral("t"), markup);
    answer();
    dialogs.critical(nullptr, QStringLiteral("t"), markup);
    answer();
    dialogs.question(nullptr, QStringLiteral("t"), markup);
    QCOMPARE(formats, (QList<Qt::TextFormat>{Qt::PlainText, Qt::PlainText, Qt::PlainText}));
}

void TestCommon::hiddenCharactersAreFoundWhereverTheyStand()
{
    const QString kHidden[] = {QStringLiteral("\u0085"), QStringLiteral("\u009F"),
                               QStringLiteral("\u202E"), QStringLiteral("\u2066"),
                               QStringLiteral("\u200B"), QStringLiteral("\u200F"),
                               QStringLiteral("\uFEFF"), QStringLiteral("\u061C")};
    for (const QString &hidden : kHidden) {
        QVERIFY(HiddenText::contains(QStringLiteral("kp") + hidden + QStringLiteral("x")));
        QVERIFY(HiddenText::contains(hidden));
    }
    QVERIFY(!HiddenText::contains(QStringLiteral("速度 speed_1 (m/s) \u00E9\u00A0")));
    QVERIFY(!HiddenText::contains(QString()));
}

void TestCommon::missingFormWidgetStopsTheProgramNamingIt()
{
    // The stop is what is tested, so it happens in a second run of this
    // program that does only this.
    const char probe[] = "ZENTRIK_PROBE_MISSING_WIDGET";
    if (qEnvironmentVariableIsSet(probe)) {
        QWidget form;
        requiredChild<QPushButton>(&form, QStringLiteral("gsm_CSQ"));
        return;
    }
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QLatin1String(probe), QStringLiteral("1"));
    QProcess run;
    run.setProcessEnvironment(environment);
    run.setProcessChannelMode(QProcess::MergedChannels);
    run.start(QCoreApplication::applicationFilePath(),
              {QStringLiteral("missingFormWidgetStopsTheProgramNamingIt")});
    QVERIFY(run.waitForFinished(60000));
    QVERIFY(run.exitStatus() == QProcess::CrashExit || run.exitCode() != 0);
    QVERIFY2(run.readAll().contains(R"(QWidget has no QPushButton named "gsm_CSQ")"),
             "the stop names the missing widget");
}

QTEST_MAIN(TestCommon)
#include "test_common.moc"
