#include "handover.h"

#include "textcodec.h"
#include "translation.h"
#include "updatestage.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QProcess>

namespace {

const char kUnixScriptName[] = "zentrik-update.sh";

QString shellQuoted(const QString &text)
{
    QString quoted = text;
    quoted.replace(QLatin1Char('\''), QLatin1String("'\\''"));
    return QLatin1Char('\'') + quoted + QLatin1Char('\'');
}

QString batchPath(const QString &path)
{
    return QLatin1Char('"') + QDir::toNativeSeparators(path) + QLatin1Char('"');
}

QString md5Name(const QString &timeText, const char *suffix)
{
    return QString::fromLatin1(
               QCryptographicHash::hash(timeText.toLatin1(), QCryptographicHash::Md5).toHex())
        + QLatin1String(suffix);
}

bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate)
        && file.write(bytes) == bytes.size() && file.flush();
}

#ifdef Q_OS_WIN
bool startWindowsHandOver(PreparedUpdate &update, qint64 programPid)
{
    const WindowsHandOver handOver = windowsHandOver(
        windowsUpdateBatchBody(update, programPid), update.version(), QTime::currentTime());
    if (!writeFile(handOver.launcherName, textToBytes(handOver.launcherText)))
        return false;
    if (!writeFile(handOver.batchName, textToBytes(handOver.batchText))) {
        QFile::remove(handOver.launcherName);
        return false;
    }
    return QProcess::startDetached(QStringLiteral("cmd.exe"),
                                   {QStringLiteral("/c"), handOver.launcherName});
}
#else
bool startUnixHandOver(PreparedUpdate &update, qint64 programPid)
{
    const QString script = QDir(update.stageDirectory()).filePath(QLatin1String(kUnixScriptName));
    if (!writeFile(script, unixHandOverScript(update, programPid).toUtf8()))
        return false;
    return QProcess::startDetached(QStringLiteral("/bin/sh"), {script}, QDir::rootPath());
}
#endif

} // namespace

QString unixHandOverScript(const PreparedUpdate &update, qint64 programPid)
{
    const QDir stage(update.stageDirectory());
    const QDir program(update.programDirectory());
    QString script = QStringLiteral(
                         "#!/bin/sh\n"
                         "# Installs version %1 of the workbench once process %2 has ended.\n"
                         "running() {\n"
                         "  kill -0 \"$1\" 2>/dev/null &&"
                         " ! grep -q '^State:[[:space:]]*Z' \"/proc/$1/status\" 2>/dev/null\n"
                         "}\n"
                         "while running %2; do sleep 0.2; done\n")
                         .arg(update.version())
                         .arg(programPid);
    for (const QString &name : update.names())
        script += QStringLiteral("mv -f -- %1 %2\n")
                      .arg(shellQuoted(stage.filePath(name)), shellQuoted(program.filePath(name)));
    script += QStringLiteral("rm -f -- \"$0\"\nrmdir -- %1\n")
                  .arg(shellQuoted(update.stageDirectory()));
    return script;
}

QString windowsUpdateBatchBody(const PreparedUpdate &update, qint64 programPid)
{
    const QDir stage(update.stageDirectory());
    const QDir program(update.programDirectory());
    QString body = QStringLiteral("\r\n:wait"
                                  "\r\ntasklist /fi \"PID eq %1\" /nh 2>nul | find \"%1\" >nul"
                                  " && (timeout /t 1 /nobreak >nul & goto wait)")
                       .arg(programPid);
    for (const QString &name : update.names())
        body += QStringLiteral("\r\nmove /y %1 %2 >nul")
                    .arg(batchPath(stage.filePath(name)), batchPath(program.filePath(name)));
    body += QStringLiteral("\r\nrmdir %1").arg(batchPath(update.stageDirectory()));
    return body;
}

WindowsHandOver windowsHandOver(const QString &batchBody, const QString &newVersion,
                                const QTime &now)
{
    WindowsHandOver handOver;
    handOver.launcherName = md5Name(now.toString(QStringLiteral("hh:mm:ss")), ".vbs");
    handOver.batchName = md5Name(now.toString(QStringLiteral("hhmmss")), ".bat");
    // The batch runs in a hidden window: its lines stay as they are in every language.
    handOver.batchText =
        QStringLiteral("@echo off\r\necho 欢迎使用Zentrik多功能调试助手，正在升级中...") + batchBody
        + QStringLiteral("\r\nCLS\r\necho 欢迎使用Zentrik多功能调试助手，已升级为%1版本.")
              .arg(newVersion)
        + QStringLiteral("\r\ntimeout /t 1 >nul")
        + QStringLiteral("\r\ndel %1").arg(handOver.launcherName)
        + QStringLiteral("\r\ndel %1").arg(handOver.batchName);
    handOver.launcherText =
        QStringLiteral("CreateObject(\"WScript.Shell\").Run \"%1\",0").arg(handOver.batchName);
    return handOver;
}

bool startHandOver(PreparedUpdate &update, qint64 programPid)
{
#ifdef Q_OS_WIN
    const bool started = startWindowsHandOver(update, programPid);
#else
    const bool started = startUnixHandOver(update, programPid);
#endif
    if (started)
        update.releaseStage();
    return started;
}
