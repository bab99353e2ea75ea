// The online services without a window: the server's file formats,
// downloads, the update check and the hand-over at exit, against a local
// HTTP server.
#include "download.h"
#include "handover.h"
#include "localhttpserver.h"
#include "navigation.h"
#include "onlineformats.h"
#include "onlinesite.h"
#include "programinfo.h"
#include "scripteddialogs.h"
#include "selfupdater.h"
#include "testfiles.h"
#include "updatesignature.h"

#include <QCryptographicHash>
#include <QDir>
#include <QNetworkAccessManager>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

using Kind = ScriptedDialogs::Kind;
Q_DECLARE_METATYPE(NavigationVerdict)

namespace {

const QString kServerDir = QStringLiteral("/software/assistant/");

QString sha256Hex(const QByteArray &bytes)
{
    return QString::fromLatin1(QCryptographicHash::hash(bytes, QCryptographicHash::Sha256).toHex());
}

QByteArray fileLine(const QString &name, const QString &address, const QByteArray &content,
                    const QString &digest = {})
{
    return QStringLiteral("file = %1 | %2 | %3 | %4 | %5\n")
        .arg(thisPlatform(), name, address)
        .arg(content.size())
        .arg(digest.isEmpty() ? sha256Hex(content) : digest)
        .toUtf8();
}

QStringList entriesOf(const QString &directory)
{
    return QDir(directory).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden
                                     | QDir::System);
}

// Runs scripts/sign-update with `arguments`; false when it fails.
bool signUpdate(const QStringList &arguments, QByteArray *output = nullptr)
{
    QProcess process;
    process.start(QStringLiteral(ZENTRIK_SIGN_UPDATE), arguments);
    if (!process.waitForFinished(20000) || process.exitCode() != 0)
        return false;
    if (output)
        *output = process.readAllStandardOutput();
    return true;
}

QByteArray publicKeyOf(const QString &key)
{
    QByteArray output;
    signUpdate({"--public-key", key}, &output);
    return QByteArray::fromBase64(output.trimmed());
}

} // namespace

class TestOnline : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();

    void indexListsEntriesAndSkipsWhatIsNotOne();
    void unusableIndexIsAnError_data();
    void unusableIndexIsAnError();
    void descriptorGivesThisPlatformsFiles();
    void unsafeDescriptorIsRefusedWhole_data();
    void unsafeDescriptorIsRefusedWhole();
    void onlyNewerVersionsCount_data();
    void onlyNewerVersionsCount();
    void linksLeavingTheSiteAreRecognised();
    void tutorialPagesStayInTheirLane_data();
    void tutorialPagesStayInTheirLane();
    void signatureChecksTheExactBytes();

    void downloadFollowsRedirectsOnlyWithinItsScheme();
    void downloadFailuresAreReportedClearly();
    void downloadedFileAppearsOnlyWhenVerified();

    void newerVersionIsOfferedEqualOrOlderIsNot_data();
    void newerVersionIsOfferedEqualOrOlderIsNot();
    void packageManagedInstallIsOnlyTold();
    void corruptedDownloadIsRefusedAndNothingReplaced();
    void onlyAnUpdateSignedByTheMakerIsInstalled_data();
    void onlyAnUpdateSignedByTheMakerIsInstalled();
    void updateOfTwoFilesInstallsOnlyWhenBothAreSound();
    void handOverBlockedByDirectoryOrLinkIsToldAtNextStart_data();
    void handOverBlockedByDirectoryOrLinkIsToldAtNextStart();
    void handOverNeverMovesIntoADirectoryPlantedAfterTheCheck();
    void preparedUpdateIsInstalledAfterTheProgramEnds();
    void noPreparedUpdateLeavesNothingAtExit();
    void windowsHandOverIsNamedByTheTimeAndCleansUp();

private:
    QUrl base() const { return m_server->url(kServerDir); }
    void serveUpdate(const QString &version, const QByteArray &content,
                     const QString &digest = {});
    // Serves `descriptor` with a signature made with the test key.
    void serveSigned(const QByteArray &descriptor);
    SelfUpdater::Outcome runCheck(SelfUpdater &updater, const ProgramInstall &install);
    // Runs the hand-over of `updater` for a stand-in process that then ends.
    void handOverAndEnd(SelfUpdater &updater);

    QTemporaryDir m_keyDir;
    QByteArray m_publicKey;
    std::unique_ptr<LocalHttpServer> m_server;
    std::unique_ptr<QTemporaryDir> m_programDir;
    ScriptedDialogs m_dialogs;
    QNetworkAccessManager m_network;
};

void TestOnline::initTestCase()
{
    const QString key = m_keyDir.filePath("maker.pem");
    QVERIFY(signUpdate({"--new-key", key}));
    m_publicKey = publicKeyOf(key);
    QCOMPARE(m_publicKey.size(), kUpdateKeyBytes);
}

void TestOnline::init()
{
    m_server = std::make_unique<LocalHttpServer>();
    m_programDir = std::make_unique<QTemporaryDir>();
    writeFile(m_programDir->filePath("zentrik-assistant"), "old program");
    QFile::setPermissions(m_programDir->filePath("zentrik-assistant"),
                          QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    m_dialogs = ScriptedDialogs();
}

void TestOnline::cleanup()
{
    m_programDir.reset();
    m_server.reset();
}

void TestOnline::serveUpdate(const QString &version, const QByteArray &content,
                             const QString &digest)
{
    m_server->serve(kServerDir + "files/zentrik-assistant", content);
    serveSigned("format = 1\nversion = " + version.toUtf8() + "\nnotes = 更快的示波器\n"
                + fileLine("zentrik-assistant", "files/zentrik-assistant", content, digest));
}

void TestOnline::serveSigned(const QByteArray &descriptor)
{
    const QString path = m_keyDir.filePath("updata.cfg");
    writeFile(path, descriptor);
    QVERIFY(signUpdate({m_keyDir.filePath("maker.pem"), path}));
    m_server->serve(kServerDir + "updata.cfg", contentOf(path));
    m_server->serve(kServerDir + "updata.cfg.sig", contentOf(path + ".sig"));
}

void TestOnline::handOverAndEnd(SelfUpdater &updater)
{
    QProcess standIn; // plays the program that is about to end
    standIn.start("sleep", {"600"});
    QVERIFY(standIn.waitForStarted());
    updater.handOver(standIn.processId());
    QVERIFY(!updater.hasPreparedUpdate());
    standIn.kill();
    QVERIFY(standIn.waitForFinished());
}

SelfUpdater::Outcome TestOnline::runCheck(SelfUpdater &updater, const ProgramInstall &install)
{
    QSignalSpy done(&updater, &SelfUpdater::done);
    updater.check(install);
    if (!done.wait(10000))
        return SelfUpdater::Outcome::Running;
    return updater.outcome();
}

void TestOnline::indexListsEntriesAndSkipsWhatIsNotOne()
{
    const QUrl indexUrl("https://site.example/software/assistant/info.txt");
    const TutorialIndex index = parseTutorialIndex(
        "\xEF\xBB\xBF# tutorials\r\n"
        "入门 | 第一次打开串口 | tutorials/first.html\r\n"
        "\n"
        "摄像头 | 灰度图像 | https://site.example/cam.html\n"
        " | 常见问题 | /faq.html\n"
        "入门 | 只有两项\n"
        "入门 | 脚本 | javascript:alert(1)\n"
        "入门 | 本地文件 | file:///etc/passwd\n"
        "入门 | 明文 | http://site.example/plain.html\n"
        "a | b\xC2\x85" "c | x.html\n"
        "\xE2\x80\xAE" "a | b | x.html\n",
        indexUrl);
    QVERIFY2(index.error.isEmpty(), qPrintable(index.error));
    QCOMPARE(index.entries.size(), 3);
    QCOMPARE(index.entries.at(0).category, QStringLiteral("入门"));
    QCOMPARE(index.entries.at(0).title, QStringLiteral("第一次打开串口"));
    QCOMPARE(index.entries.at(0).url,
             QUrl("https://site.example/software/assistant/tutorials/first.html"));
    QCOMPARE(index.entries.at(1).url, QUrl("https://site.example/cam.html"));
    QCOMPARE(index.entries.at(2).category, QString());
    QCOMPARE(index.entries.at(2).url, QUrl("https://site.example/faq.html"));
}

void TestOnline::unusableIndexIsAnError_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("empty") << QByteArray();
    QTest::newRow("an error page") << QByteArray("<html><body>Not found</body></html>");
    QTest::newRow("not UTF-8") << QByteArray("入门 | a | b.html\n").replace(0, 1, "\xFF");
    QTest::newRow("too large") << QByteArray("a | b | c.html\n").repeated(20000);
}

void TestOnline::unusableIndexIsAnError()
{
    QFETCH(QByteArray, bytes);
    const TutorialIndex index = parseTutorialIndex(bytes, QUrl("https://site.example/info.txt"));
    QVERIFY(!index.error.isEmpty());
    QVERIFY(index.entries.isEmpty());
}

void TestOnline::descriptorGivesThisPlatformsFiles()
{
    const QByteArray program("new program");
    const QUrl descriptorUrl("https://site.example/software/assistant/updata.cfg");
    const UpdateDescriptor descriptor = parseUpdateDescriptor(
        "# update\nformat = 1\nversion = V1.2.0\nnotes = 第一行\nnotes = 第二行\nfuture = ignored\n"
            + fileLine("zentrik-assistant", "V1.2.0/zentrik-assistant", program)
            + "file = other-cpu | zentrik-assistant | x | 1 | " + QByteArray(64, 'a') + "\n",
        descriptorUrl, thisPlatform());
    QVERIFY2(descriptor.error.isEmpty(), qPrintable(descriptor.error));
    QCOMPARE(descriptor.version, QStringLiteral("V1.2.0"));
    QCOMPARE(descriptor.notes, QStringLiteral("第一行\n第二行"));
    QCOMPARE(descriptor.files.size(), 1);
    const UpdateFile &file = descriptor.files.at(0);
    QCOMPARE(file.name, QStringLiteral("zentrik-assistant"));
    QCOMPARE(file.url, QUrl("https://site.example/software/assistant/V1.2.0/zentrik-assistant"));
    QCOMPARE(file.size, qint64(program.size()));
    QCOMPARE(file.sha256, QCryptographicHash::hash(program, QCryptographicHash::Sha256));
}

void TestOnline::unsafeDescriptorIsRefusedWhole_data()
{
    QTest::addColumn<QByteArray>("fileLines");
    const QByteArray content("x");
    QTest::newRow("dot dot") << fileLine("../zentrik-assistant", "a", content);
    QTest::newRow("dot dot inside") << fileLine("lib..so", "a", content);
    QTest::newRow("slash") << fileLine("lib/evil.so", "a", content);
    QTest::newRow("backslash") << fileLine("lib\\evil.dll", "a", content);
    QTest::newRow("drive") << fileLine("C:evil.exe", "a", content);
    QTest::newRow("percent") << fileLine("%TEMP%", "a", content);
    QTest::newRow("C1 control") << fileLine("a\xC2\x85.so", "a", content);
    QTest::newRow("right-to-left override") << fileLine("evil\xE2\x80\xAEos.exe", "a", content);
    QTest::newRow("first strong isolate") << fileLine("a\xE2\x81\xA8.so", "a", content);
    QTest::newRow("device") << fileLine("NUL", "a", content);
    QTest::newRow("device with extension") << fileLine("com1.txt", "a", content);
    QTest::newRow("device, blank before the dot") << fileLine("Lpt9 .log", "a", content);
    QTest::newRow("hand-over's own name") << fileLine(kUnixHandOverScriptName, "a", content);
    QTest::newRow("plain http under https") << fileLine("a", "http://site.example/a", content);
    QTest::newRow("short digest") << fileLine("a", "a", content, "abcd");
    QTest::newRow("negative size") << QByteArray("file = " + thisPlatform().toUtf8()
                                                 + " | a | a | -1 | " + QByteArray(64, '0'));
    QTest::newRow("twice the same name")
        << fileLine("a.dll", "a", content) + fileLine("A.dll", "b", content);
    QTest::newRow("other platform's bad line")
        << fileLine("a", "a", content).replace(thisPlatform().toUtf8(), "x") + "file = y | .. \n";
}

void TestOnline::unsafeDescriptorIsRefusedWhole()
{
    QFETCH(QByteArray, fileLines);
    const UpdateDescriptor descriptor =
        parseUpdateDescriptor("version = V9.0.0\n" + fileLines + fileLine("good", "good", "y"),
                              QUrl("https://site.example/updata.cfg"), thisPlatform());
    QVERIFY(!descriptor.error.isEmpty());
    QVERIFY(descriptor.files.isEmpty());
}

void TestOnline::onlyNewerVersionsCount_data()
{
    QTest::addColumn<QString>("offered");
    QTest::addColumn<bool>("newer");
    QTest::newRow("patch") << "V1.1.7" << true;
    QTest::newRow("minor, shorter") << "V1.2" << true;
    QTest::newRow("fourth number") << "1.1.6.1" << true;
    QTest::newRow("ten after nine") << "V1.1.10" << true;
    QTest::newRow("equal") << "V1.1.6" << false;
    QTest::newRow("equal, zero added") << "V1.1.6.0" << false;
    QTest::newRow("older") << "V1.0.99" << false;
    QTest::newRow("garbage") << "V1.x" << false;
    QTest::newRow("empty part") << "V2..0" << false;
    QTest::newRow("too many digits") << "V99999999999" << false;
}

void TestOnline::onlyNewerVersionsCount()
{
    QFETCH(QString, offered);
    QFETCH(bool, newer);
    QCOMPARE(isNewerVersion(offered, programVersion()), newer);
}

void TestOnline::linksLeavingTheSiteAreRecognised()
{
    const QUrl site("https://www.zentrik.example/software/assistant/");
    QVERIFY(!leavesMakersSite(QUrl("https://www.zentrik.example/forum/t1.html"), site));
    QVERIFY(!leavesMakersSite(QUrl("https://WWW.zentrik.example:443/x"), site));
    QVERIFY(leavesMakersSite(QUrl("http://www.zentrik.example/x"), site));
    QVERIFY(leavesMakersSite(QUrl("https://video.example/x"), site));
    QVERIFY(leavesMakersSite(QUrl("https://www.zentrik.example:8443/x"), site));
    QVERIFY(leavesMakersSite(QUrl("mailto:help@zentrik.example"), site));
}

void TestOnline::tutorialPagesStayInTheirLane_data()
{
    QTest::addColumn<QUrl>("url");
    QTest::addColumn<bool>("byUserClick");
    QTest::addColumn<NavigationVerdict>("verdict");
    const auto inView = NavigationVerdict::OpenInView;
    const auto browser = NavigationVerdict::OpenInBrowser;
    const auto refused = NavigationVerdict::Refuse;
    const QUrl page("https://www.zentrik.example/forum/t1.html");
    const QUrl outside("https://video.example/lesson");
    QTest::newRow("site page, redirect") << page << false << inView;
    QTest::newRow("site page, click") << page << true << inView;
    QTest::newRow("elsewhere, click") << outside << true << browser;
    QTest::newRow("elsewhere, plain http click") << QUrl("http://video.example/") << true << browser;
    QTest::newRow("elsewhere, script or redirect") << outside << false << refused;
    QTest::newRow("same host over http") << QUrl("http://www.zentrik.example/x") << false
                                         << refused;
    QTest::newRow("file") << QUrl("file:///etc/passwd") << true << refused;
    QTest::newRow("data") << QUrl("data:text/html,<b>x</b>") << true << refused;
    QTest::newRow("javascript") << QUrl("javascript:alert(1)") << true << refused;
    QTest::newRow("qrc") << QUrl("qrc:/online/guide.html") << true << refused;
    QTest::newRow("custom") << QUrl("zentrik://update") << true << refused;
    QTest::newRow("no host") << QUrl("https:///x") << true << refused;
}

void TestOnline::tutorialPagesStayInTheirLane()
{
    QFETCH(QUrl, url);
    QFETCH(bool, byUserClick);
    QFETCH(NavigationVerdict, verdict);
    QCOMPARE(navigationVerdict(url, byUserClick,
                               QUrl("https://www.zentrik.example/software/assistant/")),
             verdict);
}

void TestOnline::signatureChecksTheExactBytes()
{
    const QString path = m_keyDir.filePath("exact.cfg");
    writeFile(path, "version = V9\nexpires = 2020-01-01T00:00:00Z");
    QVERIFY(signUpdate({"--days", "7", m_keyDir.filePath("maker.pem"), path}));
    const QByteArray descriptor = contentOf(path);
    QVERIFY(descriptor.startsWith("version = V9\nexpires = 20"));
    QCOMPARE(descriptor.count("expires"), 1);
    const QDateTime expires =
        parseUpdateDescriptor(descriptor, QUrl("https://example.org/updata.cfg"), thisPlatform())
            .expires;
    QVERIFY(qAbs(QDateTime::currentDateTimeUtc().daysTo(expires) - 7) <= 1);
    const QByteArray signature = contentOf(path + ".sig");
    QVERIFY(isSignedBy(descriptor, signature, m_publicKey));
    QVERIFY(!isSignedBy(descriptor + "\n", signature, m_publicKey));
    QVERIFY(!isSignedBy(descriptor, signature.toBase64(), m_publicKey));
    QByteArray otherKey = m_publicKey;
    otherKey[0] = char(otherKey[0] ^ 1);
    QVERIFY(!isSignedBy(descriptor, signature, otherKey));
    QVERIFY(!isSignedBy(descriptor, signature, {}));
    // Only a plain 1 from the library is a valid signature; its error codes are negative.
    QVERIFY(verifyAccepts(1));
    for (const int result : {0, -1, -2, 2})
        QVERIFY(!verifyAccepts(result));
}

void TestOnline::downloadFollowsRedirectsOnlyWithinItsScheme()
{
    m_server->serve("/new/info.txt", "moved here");
    m_server->redirect("/old/info.txt", m_server->url("/new/info.txt"));
    QUrl secure = m_server->url("/new/info.txt");
    secure.setScheme("https");
    m_server->redirect("/elsewhere/info.txt", secure);
    Download download(m_network);
    QSignalSpy finished(&download, &Download::finished);

    download.fetch(m_server->url("/old/info.txt"), 1000);
    QVERIFY(finished.wait());
    QVERIFY2(download.succeeded(), qPrintable(download.errorString()));
    QCOMPARE(download.data(), QByteArray("moved here"));

    download.fetch(m_server->url("/elsewhere/info.txt"), 1000);
    QVERIFY(finished.wait());
    QVERIFY(!download.succeeded());
    QVERIFY2(download.errorString().contains("https"), qPrintable(download.errorString()));
    QCOMPARE(m_server->requests.size(), 3);
}

void TestOnline::downloadFailuresAreReportedClearly()
{
    m_server->stall("/slow");
    m_server->serve("/big", QByteArray(5000, 'b'));
    Download download(m_network);
    QSignalSpy finished(&download, &Download::finished);

    download.fetch(m_server->url("/missing"), 1000);
    QVERIFY(finished.wait());
    QVERIFY(!download.succeeded());
    QVERIFY2(download.errorString().contains("Not Found"), qPrintable(download.errorString()));

    // Only the stalled request may run out of time, however busy the machine.
    download.setTimeout(300);
    download.fetch(m_server->url("/slow"), 1000);
    QVERIFY(finished.wait());
    QCOMPARE(download.errorString(), QStringLiteral("服务器没有回应（超时）"));

    download.setTimeout(30000);
    download.fetch(m_server->url("/big"), 1000);
    QVERIFY(finished.wait());
    QCOMPARE(download.errorString(), QStringLiteral("文件过大"));
    QVERIFY(download.data().size() <= 1000);
}

void TestOnline::downloadedFileAppearsOnlyWhenVerified()
{
    const QByteArray content("verified bytes");
    m_server->serve("/file", content);
    const QString path = m_programDir->filePath("library.so");
    writeFile(path, "old library");
    Download download(m_network);
    QSignalSpy finished(&download, &Download::finished);
    const QByteArray digest = QCryptographicHash::hash(content, QCryptographicHash::Sha256);

    const QList<Download::Expected> wrong{{content.size(), QByteArray(32, '\0')},
                                          {content.size() - 1, digest},
                                          {content.size() + 1, digest}};
    for (const Download::Expected &expected : wrong) {
        download.fetchToFile(m_server->url("/file"), path, expected);
        QVERIFY(finished.wait());
        QVERIFY(!download.succeeded());
        QCOMPARE(contentOf(path), QByteArray("old library"));
        QCOMPARE(entriesOf(m_programDir->path()),
                 QStringList({"library.so", "zentrik-assistant"}));
    }

    download.fetchToFile(m_server->url("/file"), path, {content.size(), digest});
    QVERIFY(finished.wait());
    QVERIFY2(download.succeeded(), qPrintable(download.errorString()));
    QCOMPARE(contentOf(path), content);
}

void TestOnline::newerVersionIsOfferedEqualOrOlderIsNot_data()
{
    QTest::addColumn<QString>("version");
    QTest::addColumn<bool>("offered");
    QTest::newRow("newer") << "V1.1.7" << true;
    QTest::newRow("equal") << programVersion() << false;
    QTest::newRow("older") << "V1.0.9" << false;
    QTest::newRow("no descriptor") << QString() << false;
}

void TestOnline::newerVersionIsOfferedEqualOrOlderIsNot()
{
    QFETCH(QString, version);
    QFETCH(bool, offered);
    if (!version.isEmpty())
        serveUpdate(version, "new program");
    m_dialogs.questionAnswers.enqueue(false);
    SelfUpdater updater(m_dialogs, base());
    updater.setUpdateKey(m_publicKey);

    const SelfUpdater::Outcome outcome =
        runCheck(updater, ProgramInstall::inDirectory(m_programDir->path()));
    QCOMPARE(outcome, offered ? SelfUpdater::Outcome::Declined : SelfUpdater::Outcome::NothingNew);
    QCOMPARE(m_dialogs.count(Kind::Question), offered ? 1 : 0);
    QCOMPARE(m_dialogs.calls.size(), offered ? 1 : 0);
    if (offered) {
        QVERIFY(m_dialogs.calls.at(0).text.contains("V1.1.7"));
        QVERIFY(m_dialogs.calls.at(0).text.contains("更快的示波器"));
    }
    QStringList expected{kServerDir + "updata.cfg"};
    if (offered)
        expected.append(kServerDir + "updata.cfg.sig");
    QCOMPARE(m_server->requests, expected);
}

void TestOnline::packageManagedInstallIsOnlyTold()
{
    QVERIFY(ProgramInstall::inDirectory("/usr/bin").packageManaged);
    QVERIFY(!ProgramInstall::inDirectory(m_programDir->path()).packageManaged);

    serveUpdate("V1.1.7", "new program");
    SelfUpdater updater(m_dialogs, base());
    updater.setUpdateKey(m_publicKey);
    ProgramInstall install = ProgramInstall::inDirectory(m_programDir->path());
    install.packageManaged = true;
    QCOMPARE(runCheck(updater, install), SelfUpdater::Outcome::PackageManaged);
    QCOMPARE(m_dialogs.count(Kind::Question), 0);
    QCOMPARE(m_dialogs.texts(Kind::Information).size(), 1);
    QVERIFY(m_dialogs.texts(Kind::Information).at(0).contains("软件包管理器"));
    QCOMPARE(m_server->requests, QStringList{kServerDir + "updata.cfg"});
    QCOMPARE(contentOf(m_programDir->filePath("zentrik-assistant")), QByteArray("old program"));
}

void TestOnline::corruptedDownloadIsRefusedAndNothingReplaced()
{
    serveUpdate("V1.1.7", "new program", sha256Hex("what the server meant to send"));
    m_dialogs.questionAnswers.enqueue(true);
    QTemporaryDir workDir;
    const QString previous = QDir::currentPath();
    QVERIFY(QDir::setCurrent(workDir.path()));
    {
        SelfUpdater updater(m_dialogs, base());
        updater.setUpdateKey(m_publicKey);
        QCOMPARE(runCheck(updater, ProgramInstall::inDirectory(m_programDir->path())),
                 SelfUpdater::Outcome::Failed);
        QCOMPARE(m_dialogs.texts(Kind::Critical).size(), 1);
        QVERIFY(m_dialogs.texts(Kind::Critical).at(0).contains("SHA-256"));
        QVERIFY(!updater.hasPreparedUpdate());
        updater.handOver(QCoreApplication::applicationPid());
    }
    QDir::setCurrent(previous);
    QCOMPARE(entriesOf(m_programDir->path()), QStringList{"zentrik-assistant"});
    QCOMPARE(contentOf(m_programDir->filePath("zentrik-assistant")), QByteArray("old program"));
    QCOMPARE(entriesOf(workDir.path()), QStringList());
}

void TestOnline::onlyAnUpdateSignedByTheMakerIsInstalled_data()
{
    QTest::addColumn<QString>("signature");
    QTest::newRow("unsigned") << "none";
    QTest::newRow("signed by another key") << "other key";
    QTest::newRow("descriptor changed after signing") << "changed";
    QTest::newRow("no key built in") << "no key";
    QTest::newRow("expired") << "expired";
    QTest::newRow("signed without an expiry") << "no expiry";
}

void TestOnline::onlyAnUpdateSignedByTheMakerIsInstalled()
{
    QFETCH(QString, signature);
    serveUpdate("V1.1.7", "new program");
    QByteArray key = m_publicKey;
    if (signature == "none") {
        m_server->remove(kServerDir + "updata.cfg.sig");
    } else if (signature == "other key") {
        const QString other = m_keyDir.filePath("other.pem");
        QFile::remove(other);
        QVERIFY(signUpdate({"--new-key", other}));
        key = publicKeyOf(other);
    } else if (signature == "changed") {
        QByteArray descriptor = contentOf(m_keyDir.filePath("updata.cfg"));
        m_server->serve(kServerDir + "updata.cfg", descriptor.replace("1.1.7", "1.1.8"));
    } else if (signature == "expired") {
        const QString path = m_keyDir.filePath("updata.cfg");
        QVERIFY(signUpdate({"--until", "2020-01-01T00:00:00Z", m_keyDir.filePath("maker.pem"), path}));
        m_server->serve(kServerDir + "updata.cfg", contentOf(path));
        m_server->serve(kServerDir + "updata.cfg.sig", contentOf(path + ".sig"));
    } else if (signature == "no expiry") {
        const QString path = m_keyDir.filePath("bare.cfg");
        writeFile(path, "version = V1.1.7\n"
                            + fileLine("zentrik-assistant", "files/zentrik-assistant", "new program"));
        QCOMPARE(QProcess::execute("openssl", {"pkeyutl", "-sign", "-rawin", "-inkey",
                                               m_keyDir.filePath("maker.pem"), "-in", path, "-out",
                                               path + ".sig"}),
                 0);
        m_server->serve(kServerDir + "updata.cfg", contentOf(path));
        m_server->serve(kServerDir + "updata.cfg.sig", contentOf(path + ".sig"));
    } else {
        key.clear();
    }
    m_dialogs.questionAnswers.enqueue(true);
    SelfUpdater updater(m_dialogs, base());
    updater.setUpdateKey(key);

    QCOMPARE(runCheck(updater, ProgramInstall::inDirectory(m_programDir->path())),
             SelfUpdater::Outcome::Unverified);
    QCOMPARE(m_dialogs.count(Kind::Question), 0);
    QCOMPARE(m_dialogs.texts(Kind::Information).size(), 1);
    const QString told = m_dialogs.texts(Kind::Information).at(0);
    QVERIFY2(told.contains("发现新版本V1.1.") && told.contains(base().toString()), qPrintable(told));
    if (signature == "expired")
        QVERIFY2(told.contains("2020-01-01T00:00:00Z") && told.contains("过期"), qPrintable(told));
    if (signature == "no expiry")
        QVERIFY2(told.contains("有效期"), qPrintable(told));
    QVERIFY(!m_server->requests.contains(kServerDir + "files/zentrik-assistant"));
    updater.handOver(QCoreApplication::applicationPid());
    QCOMPARE(entriesOf(m_programDir->path()), QStringList{"zentrik-assistant"});
    QCOMPARE(contentOf(m_programDir->filePath("zentrik-assistant")), QByteArray("old program"));
}

void TestOnline::updateOfTwoFilesInstallsOnlyWhenBothAreSound()
{
    const QByteArray program("new program"), library("new library");
    m_server->serve(kServerDir + "files/zentrik-assistant", program);
    m_server->serve(kServerDir + "files/libzentrik.so", library);
    const QByteArray head = "version = V1.1.7\n" + fileLine("zentrik-assistant",
                                                           "files/zentrik-assistant", program);
    serveSigned(head + fileLine("libzentrik.so", "files/libzentrik.so", library,
                                sha256Hex("another library")));
    const ProgramInstall install = ProgramInstall::inDirectory(m_programDir->path());
    {
        m_dialogs.questionAnswers.enqueue(true);
        SelfUpdater updater(m_dialogs, base());
        updater.setUpdateKey(m_publicKey);
        QCOMPARE(runCheck(updater, install), SelfUpdater::Outcome::Failed);
        QVERIFY(m_dialogs.texts(Kind::Critical).at(0).contains("libzentrik.so"));
        updater.handOver(QCoreApplication::applicationPid());
    }
    QCOMPARE(entriesOf(m_programDir->path()), QStringList{"zentrik-assistant"});

    serveSigned(head + fileLine("libzentrik.so", "files/libzentrik.so", library));
    m_dialogs.questionAnswers.enqueue(true);
    SelfUpdater updater(m_dialogs, base());
    updater.setUpdateKey(m_publicKey);
    QCOMPARE(runCheck(updater, install), SelfUpdater::Outcome::Prepared);
    handOverAndEnd(updater);
    QTRY_COMPARE_WITH_TIMEOUT(entriesOf(m_programDir->path()),
                              QStringList({"libzentrik.so", "zentrik-assistant"}), 20000);
    QCOMPARE(contentOf(m_programDir->filePath("zentrik-assistant")), program);
    QCOMPARE(contentOf(m_programDir->filePath("libzentrik.so")), library);
}

void TestOnline::handOverBlockedByDirectoryOrLinkIsToldAtNextStart_data()
{
    QTest::addColumn<bool>("link");
    QTest::newRow("directory") << false;
    QTest::newRow("link") << true;
}

void TestOnline::handOverBlockedByDirectoryOrLinkIsToldAtNextStart()
{
    QFETCH(bool, link);
    QTemporaryDir outside;
    const QString target = outside.filePath("libzentrik.so");
    const QString inTheWay = m_programDir->filePath("libzentrik.so");
    if (link) {
        writeFile(target, "someone else's file");
        QVERIFY(QFile::link(target, inTheWay));
    } else {
        QVERIFY(QDir().mkpath(inTheWay));
    }
    const QByteArray program("new program"), library("new library");
    m_server->serve(kServerDir + "files/zentrik-assistant", program);
    m_server->serve(kServerDir + "files/libzentrik.so", library);
    serveSigned("version = V1.1.7\n"
                + fileLine("zentrik-assistant", "files/zentrik-assistant", program)
                + fileLine("libzentrik.so", "files/libzentrik.so", library));
    const ProgramInstall install = ProgramInstall::inDirectory(m_programDir->path());
    m_dialogs.questionAnswers.enqueue(true);
    {
        SelfUpdater updater(m_dialogs, base());
        updater.setUpdateKey(m_publicKey);
        QCOMPARE(runCheck(updater, install), SelfUpdater::Outcome::Prepared);
        handOverAndEnd(updater);
    }
    const QStringList stages = QDir(m_programDir->path()).entryList({".zentrik-update-*"},
                                                                    QDir::Dirs | QDir::Hidden);
    QCOMPARE(stages.size(), 1);
    const QString status = m_programDir->filePath(stages.at(0) + "/" + kHandOverStatusName);
    QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(status), 20000);
    QCOMPARE(contentOf(m_programDir->filePath("zentrik-assistant")), QByteArray("old program"));
    if (link)
        QCOMPARE(contentOf(target), QByteArray("someone else's file"));
    else
        QCOMPARE(entriesOf(inTheWay), QStringList());
    QCOMPARE(entriesOf(outside.path()), link ? QStringList{"libzentrik.so"} : QStringList());

    // The next start says so, once.
    m_dialogs.clear();
    m_server->remove(kServerDir + "updata.cfg");
    SelfUpdater nextStart(m_dialogs, base());
    QCOMPARE(runCheck(nextStart, install), SelfUpdater::Outcome::NothingNew);
    QCOMPARE(m_dialogs.texts(Kind::Critical).size(), 1);
    const QString told = m_dialogs.texts(Kind::Critical).at(0);
    QVERIFY2(told.contains("V1.1.7") && told.contains(inTheWay) && told.contains("目录或链接"),
             qPrintable(told));
    QCOMPARE(entriesOf(m_programDir->path()), QStringList({"libzentrik.so", "zentrik-assistant"}));
    m_dialogs.clear();
    QCOMPARE(runCheck(nextStart, install), SelfUpdater::Outcome::NothingNew);
    QCOMPARE(m_dialogs.calls.size(), 0);
}

void TestOnline::handOverNeverMovesIntoADirectoryPlantedAfterTheCheck()
{
    // An `mv` first on the hand-over's PATH plants the directory just before
    // each move, after the script has looked.
    const QString inTheWay = m_programDir->filePath("zentrik-assistant");
    QTemporaryDir shim;
    writeFile(shim.filePath("mv"), QStringLiteral("#!/bin/sh\n"
                                                  "case \"$*\" in *%1*) rm -f -- '%2' 2>/dev/null; mkdir -p -- '%2';; esac\n"
                                                  "exec /bin/mv \"$@\"\n")
                                       .arg(".zentrik-update-", inTheWay)
                                       .toUtf8());
    QFile::setPermissions(shim.filePath("mv"), QFile::ReadOwner | QFile::ExeOwner);
    serveUpdate("V1.1.7", "new program");
    m_dialogs.questionAnswers.enqueue(true);
    SelfUpdater updater(m_dialogs, base());
    updater.setUpdateKey(m_publicKey);
    QCOMPARE(runCheck(updater, ProgramInstall::inDirectory(m_programDir->path())),
             SelfUpdater::Outcome::Prepared);
    const QByteArray path = qgetenv("PATH");
    qputenv("PATH", QFile::encodeName(shim.path()) + ':' + path);
    handOverAndEnd(updater);
    qputenv("PATH", path);

    const QStringList stages = QDir(m_programDir->path()).entryList({".zentrik-update-*"},
                                                                    QDir::Dirs | QDir::Hidden);
    QCOMPARE(stages.size(), 1);
    const QString status = m_programDir->filePath(stages.at(0) + "/" + kHandOverStatusName);
    QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(status), 20000);
    QVERIFY(QFileInfo(inTheWay).isDir());
    QCOMPARE(entriesOf(inTheWay), QStringList());
    QVERIFY(contentOf(status).contains("move"));
}

void TestOnline::preparedUpdateIsInstalledAfterTheProgramEnds()
{
    const QByteArray newProgram("#!/bin/sh\necho new\n");
    serveUpdate("V1.1.7", newProgram);
    m_dialogs.questionAnswers.enqueue(true);
    SelfUpdater updater(m_dialogs, base());
    updater.setUpdateKey(m_publicKey);
    QCOMPARE(runCheck(updater, ProgramInstall::inDirectory(m_programDir->path())),
             SelfUpdater::Outcome::Prepared);
    QCOMPARE(m_dialogs.count(Kind::Progress), 1);
    QCOMPARE(m_dialogs.texts(Kind::Information).size(), 1);

    QProcess standIn; // plays the program that is about to end
    standIn.start("sleep", {"600"});
    QVERIFY(standIn.waitForStarted());
    updater.handOver(standIn.processId());
    QVERIFY(!updater.hasPreparedUpdate());
    const QString program = m_programDir->filePath("zentrik-assistant");
    QCOMPARE(contentOf(program), QByteArray("old program"));

    standIn.kill();
    QVERIFY(standIn.waitForFinished());
    QTRY_COMPARE_WITH_TIMEOUT(contentOf(program), newProgram, 20000);
    QTRY_COMPARE_WITH_TIMEOUT(entriesOf(m_programDir->path()), QStringList{"zentrik-assistant"},
                              20000);
    QVERIFY(QFile::permissions(program) & QFile::ExeOwner);
}

void TestOnline::noPreparedUpdateLeavesNothingAtExit()
{
    serveUpdate("V1.1.7", "new program");
    const ProgramInstall install = ProgramInstall::inDirectory(m_programDir->path());
    QTemporaryDir workDir;
    const QString previous = QDir::currentPath();
    QVERIFY(QDir::setCurrent(workDir.path()));
    {
        SelfUpdater neverChecked(m_dialogs, base());
        neverChecked.setUpdateKey(m_publicKey);
        neverChecked.handOver(QCoreApplication::applicationPid());

        m_dialogs.questionAnswers.enqueue(false);
        SelfUpdater declined(m_dialogs, base());
        declined.setUpdateKey(m_publicKey);
        QCOMPARE(runCheck(declined, install), SelfUpdater::Outcome::Declined);
        declined.handOver(QCoreApplication::applicationPid());

        m_dialogs.questionAnswers.enqueue(true);
        m_dialogs.progressCancelAt.enqueue(0);
        SelfUpdater cancelled(m_dialogs, base());
        cancelled.setUpdateKey(m_publicKey);
        QCOMPARE(runCheck(cancelled, install), SelfUpdater::Outcome::Declined);
        cancelled.handOver(QCoreApplication::applicationPid());
    }
    QDir::setCurrent(previous);
    QCOMPARE(entriesOf(workDir.path()), QStringList());
    QCOMPARE(entriesOf(m_programDir->path()), QStringList{"zentrik-assistant"});
}

void TestOnline::windowsHandOverIsNamedByTheTimeAndCleansUp()
{
    const QString body = QStringLiteral("\r\nmove /y \"a\" \"b\" >nul");
    const QString stage = m_programDir->filePath(".zentrik-update-Ab12Cd");
    const WindowsHandOver handOver = windowsHandOver(body, "V1.1.7", QTime(9, 5, 7), stage);
    const auto md5 = [](const char *text) {
        return QString::fromLatin1(QCryptographicHash::hash(text, QCryptographicHash::Md5).toHex());
    };
    const auto inStage = [&stage](const QString &name) {
        return QDir::toNativeSeparators(stage + "/" + name);
    };
    QCOMPARE(handOver.launcherName, "-" + md5("09:05:07") + ".vbs");
    QCOMPARE(handOver.batchName, "-" + md5("090507") + ".bat");
    QVERIFY(!isSafeFileName(handOver.launcherName) && !isSafeFileName(handOver.batchName));
    QCOMPARE(handOver.launcherText, QString("CreateObject(\"WScript.Shell\").Run \"\"\"%1\"\"\",0")
                                        .arg(inStage(handOver.batchName)));
    QVERIFY(handOver.batchText.startsWith(
        QString("@echo off\r\necho 欢迎使用Zentrik多功能调试助手，正在升级中...") + body
        + "\r\nCLS\r\necho 欢迎使用Zentrik多功能调试助手，已升级为V1.1.7版本."
          "\r\ntimeout /t 1 >nul\r\ndel \""
        + inStage(handOver.launcherName) + "\"\r\ndel \"" + inStage(handOver.batchName)
        + "\" & rmdir \"" + QDir::toNativeSeparators(stage) + "\" & goto :eof"));
    QVERIFY(handOver.batchText.contains("> \"" + inStage(kHandOverStatusName) + "\""));
}

QTEST_MAIN(TestOnline)
#include "test_online.moc"
