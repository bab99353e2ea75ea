#include "programinstall.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QTemporaryFile>

namespace {

bool canCreateFilesIn(const QString &directory)
{
    QTemporaryFile probe(directory + QStringLiteral("/.zentrik-write-test-XXXXXX"));
    return probe.open();
}

bool isUnderSystemPrefix(const QString &directory)
{
#ifdef Q_OS_WIN
    Q_UNUSED(directory);
    return false;
#else
    const QString path = QDir::cleanPath(directory) + QLatin1Char('/');
    return path.startsWith(QLatin1String("/usr/"))
        && !path.startsWith(QLatin1String("/usr/local/"));
#endif
}

} // namespace

ProgramInstall ProgramInstall::ofRunningProgram()
{
    return inDirectory(QCoreApplication::applicationDirPath());
}

ProgramInstall ProgramInstall::inDirectory(const QString &directory)
{
    const QString canonical = QFileInfo(directory).canonicalFilePath();
    ProgramInstall install;
    install.directory = canonical.isEmpty() ? QDir::cleanPath(directory) : canonical;
    install.packageManaged =
        isUnderSystemPrefix(install.directory) || !canCreateFilesIn(install.directory);
    return install;
}
