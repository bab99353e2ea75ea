// The installed layout: what `cmake --install` (and so the Debian package)
// puts where, and that the program finds its web module there.
#include "programinfo.h"
#include "webmodule.h"

#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <algorithm>

class TestInstall : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void installedProgramFindsItsWebModule();
    void installsSimulatorDesktopEntryIconAndCopyright();
    void versionIsPrintedWithoutADisplay();

private:
    QTemporaryDir m_prefix;
};

void TestInstall::initTestCase()
{
    QVERIFY(m_prefix.isValid());
    QProcess install;
    install.start(QStringLiteral(ZENTRIK_CMAKE_COMMAND),
                  {QStringLiteral("--install"), QStringLiteral(ZENTRIK_BINARY_DIR),
                   QStringLiteral("--prefix"), m_prefix.path()});
    QVERIFY(install.waitForFinished(120000));
    QVERIFY2(install.exitCode() == 0, install.readAllStandardError().constData());
}

void TestInstall::installedProgramFindsItsWebModule()
{
    const QString programDir = m_prefix.filePath(QStringLiteral("bin"));
    QVERIFY(QFileInfo(programDir + QStringLiteral("/zentrik-assistant")).isExecutable());
    const QStringList candidates = webModuleCandidates(programDir);
    const auto installed = std::find_if(candidates.begin(), candidates.end(), [&](const QString &path) {
        return path.startsWith(m_prefix.path()) && QFileInfo::exists(path);
    });
    QVERIFY2(installed != candidates.end(), qPrintable(candidates.join(QLatin1Char(' '))));
    QCOMPARE(*installed, m_prefix.filePath(QStringLiteral("lib/zentrik-assistant/libzentrik_web.so")));
    // Only places relative to the program: no library holds a path of the build.
    for (const QString &path : candidates)
        QVERIFY2(path.startsWith(m_prefix.path() + QLatin1Char('/')), qPrintable(path));
}

void TestInstall::installsSimulatorDesktopEntryIconAndCopyright()
{
    QVERIFY(QFileInfo(m_prefix.filePath(QStringLiteral("bin/zentrik-sim"))).isExecutable());
    for (const char *file : {"share/applications/zentrik-assistant.desktop",
                             "share/icons/hicolor/scalable/apps/zentrik-assistant.svg",
                             "share/icons/hicolor/48x48/apps/zentrik-assistant.png",
                             "share/doc/zentrik-assistant/copyright",
                             "share/doc/zentrik-assistant/examples/frames/imu-crc16-modbus.zframe",
                             "share/doc/zentrik-assistant/examples/frames/imu-crc16-modbus.zcap"})
        QVERIFY2(QFileInfo::exists(m_prefix.filePath(QString::fromLatin1(file))), file);

    QFile desktop(m_prefix.filePath(QStringLiteral("share/applications/zentrik-assistant.desktop")));
    QVERIFY(desktop.open(QIODevice::ReadOnly));
    const QByteArray entry = desktop.readAll();
    QVERIFY(entry.contains("\nExec=zentrik-assistant\n"));
    QVERIFY(entry.contains("\nIcon=zentrik-assistant\n"));
}

void TestInstall::versionIsPrintedWithoutADisplay()
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const char *name : {"QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY"})
        environment.remove(QString::fromLatin1(name));
    environment.insert(QStringLiteral("LC_ALL"), QStringLiteral("C.UTF-8"));
    QProcess program;
    program.setProcessEnvironment(environment);
    program.start(m_prefix.filePath(QStringLiteral("bin/zentrik-assistant")),
                  {QStringLiteral("--version")});
    QVERIFY(program.waitForFinished(30000));
    QCOMPARE(program.exitStatus(), QProcess::NormalExit);
    QCOMPARE(program.exitCode(), 0);
    // The title may be translated; the version never is.
    const QString printed = QString::fromUtf8(program.readAllStandardOutput());
    QVERIFY2(printed.startsWith(QLatin1String("Zentrik"))
                 && printed.endsWith(programVersion() + QLatin1Char('\n')),
             qPrintable(printed));
}

QTEST_GUILESS_MAIN(TestInstall)
#include "test_install.moc"
