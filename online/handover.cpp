#include "handover.h"

#include "clocktext.h"
#include "textcodec.h"
#include "translation.h"
#include "updatestage.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>

namespace {

constexpr qint64 kMaxStatusBytes = 4096;

QString shellQuoted(const QString &text)
{
    QString quoted = text;
    quoted.replace(QLatin1Char('\''), QLatin1String("'\\''"));
    return QLatin1Char('\'') + quoted + QLatin1Char('\'');
}

// A path for a batch line, in quotes; '%' would start a variable there.
QString batchPath(const QString &path)
{
    QString native = QDir::toNativeSeparators(path);
    native.replace(QLatin1Char('%'), QLatin1String("%%"));
    return QLatin1Char('"') + native + QLatin1Char('"');
}

QString md5Name(const QString &timeText, const char *suffix)
{
    return QLatin1Char('-')
        + QString::fromLatin1(
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
    const QDir stage(update.stageDirectory());
    const WindowsHandOver handOver =
        windowsHandOver(windowsUpdateBatchBody(update, programPid), update.version(),
                        QTime::currentTime(), update.stageDirectory());
    const QString launcher = stage.filePath(handOver.launcherName);
    if (!writeFile(launcher, textToBytes(handOver.launcherText)))
        return false;
    if (!writeFile(stage.filePath(handOver.batchName), textToBytes(handOver.batchText))) {
        QFile::remove(launcher);
        return false;
    }
    return QProcess::startDetached(QStringLiteral("cmd.exe"),
                                   {QStringLiteral("/c"), QDir::toNativeSeparators(launcher)},
                                   update.stageDirectory());
}
#else
bool startUnixHandOver(PreparedUpdate &update, qint64 programPid)
{
    const QString script =
        QDir(update.stageDirectory()).filePath(QLatin1String(kUnixHandOverScriptName));
    if (!writeFile(script, unixHandOverScript(update, programPid).toUtf8()))
        return false;
    return QProcess::startDetached(QStringLiteral("/bin/sh"), {script}, QDir::rootPath());
}
#endif

// The user's words for what a stopped hand-over wrote: its version, why
// ("blocked" or "move") and the program file concerned.
QString failureMessage(const QByteArray &status)
{
    const QList<QByteArray> lines = status.split('\n');
    const QString version = QString::fromUtf8(lines.value(0)).trimmed();
    const QByteArray reason = lines.value(1).trimmed();
    QString path = QString::fromUtf8(lines.value(2)).trimmed();
    if (path.size() >= 2 && path.startsWith(QLatin1Char('"')) && path.endsWith(QLatin1Char('"')))
        path = path.mid(1, path.size() - 2);
    if (reason == "blocked")
        return mainTr("上次升级到%1没有进行：%2是目录或链接，不能被替换。程序文件没有改动。")
            .arg(version, path);
    return mainTr("上次升级到%1没有完成：无法替换%2。程序的文件可能不完整，请重新安装。")
        .arg(version, path);
}

} // namespace

QString unixHandOverScript(const PreparedUpdate &update, qint64 programPid)
{
    const QDir stage(update.stageDirectory());
    const QDir program(update.programDirectory());
    QString script = QStringLiteral(
                         "#!/bin/sh\n"
                         "# Installs version %1 of the workbench once process %2 has ended.\n"
                         "stage=%3\n"
                         // The status comes last: once it is there, the
                         // next start may remove the stage, script and all.
                         "stop() {\n"
                         "  rm -f -- \"$0\"\n"
                         "  printf '%s\\n%s\\n%s\\n' %4 \"$1\" \"$2\" > \"$stage/%5.part\"\n"
                         "  mv -f -- \"$stage/%5.part\" \"$stage/%5\"\n"
                         "  exit 1\n"
                         "}\n"
                         "running() {\n"
                         "  kill -0 \"$1\" 2>/dev/null &&"
                         " ! grep -q '^State:[[:space:]]*Z' \"/proc/$1/status\" 2>/dev/null\n"
                         "}\n"
                         "while running %2; do sleep 0.2; done\n")
                         .arg(update.version())
                         .arg(programPid)
                         .arg(shellQuoted(update.stageDirectory()), shellQuoted(update.version()),
                              QLatin1String(kHandOverStatusName));
    // A directory or link in a file's place stops the update before the
    // first file is moved. The move itself never goes into a directory
    // either (-T), so one planted after this check makes it fail, not land
    // inside.
    for (const QString &name : update.names())
        script += QStringLiteral("if [ -d %1 ] || [ -L %1 ]; then stop blocked %1; fi\n")
                      .arg(shellQuoted(program.filePath(name)));
    for (const QString &name : update.names())
        script += QStringLiteral("mv -fT -- %1 %2 || stop move %2\n")
                      .arg(shellQuoted(stage.filePath(name)), shellQuoted(program.filePath(name)));
    script += QStringLiteral("rm -f -- \"$0\"\nrmdir -- \"$stage\"\n");
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
    // A directory shows as "d" in the first attribute, a link or junction
    // as "l" in the ninth.
    for (const QString &name : update.names())
        body += QStringLiteral("\r\nset \"ztarget=%1\""
                               "\r\nset \"zattr=\""
                               "\r\nfor %%F in (\"%ztarget%\") do set \"zattr=%%~aF\""
                               "\r\nif \"%zattr:~0,1%\"==\"d\" goto blocked"
                               "\r\nif \"%zattr:~8,1%\"==\"l\" goto blocked")
                    .arg(batchPath(program.filePath(name)).mid(1).chopped(1));
    for (const QString &name : update.names())
        body += QStringLiteral("\r\nset \"ztarget=%2\""
                               "\r\nmove /y %1 \"%ztarget%\" >nul || goto moveFailed")
                    .arg(batchPath(stage.filePath(name)),
                         batchPath(program.filePath(name)).mid(1).chopped(1));
    return body;
}

WindowsHandOver windowsHandOver(const QString &batchBody, const QString &newVersion,
                                const QTime &now, const QString &stageDirectory)
{
    const QDir stage(stageDirectory);
    WindowsHandOver handOver;
    handOver.launcherName = md5Name(clockText(now), ".vbs");
    handOver.batchName = md5Name(now.toString(QStringLiteral("hhmmss")), ".bat");
    const QString launcher = batchPath(stage.filePath(handOver.launcherName));
    const QString batch = batchPath(stage.filePath(handOver.batchName));
    const QString status = batchPath(stage.filePath(QLatin1String(kHandOverStatusName)));
    const auto stop = [&](const char *reason) {
        return QStringLiteral("\r\n(echo %1& echo %2& echo \"%ztarget%\")> %3"
                              "\r\ndel %4\r\ndel %5 & goto :eof")
            .arg(newVersion, QLatin1String(reason), status, launcher, batch);
    };
    // The batch runs in a hidden window: its lines stay as they are in every
    // language. Its last line is read whole before it runs, so the batch can
    // delete itself and then its folder.
    handOver.batchText =
        QStringLiteral("@echo off\r\necho 欢迎使用Zentrik多功能调试助手，正在升级中...") + batchBody
        + QStringLiteral("\r\nCLS\r\necho 欢迎使用Zentrik多功能调试助手，已升级为%1版本.")
              .arg(newVersion)
        + QStringLiteral("\r\ntimeout /t 1 >nul")
        + QStringLiteral("\r\ndel %1").arg(launcher)
        + QStringLiteral("\r\ndel %1 & rmdir %2 & goto :eof").arg(batch, batchPath(stageDirectory))
        + QStringLiteral("\r\n:blocked") + stop("blocked")
        + QStringLiteral("\r\n:moveFailed") + stop("move");
    QString batchInVbs = QDir::toNativeSeparators(stage.filePath(handOver.batchName));
    batchInVbs.replace(QLatin1Char('"'), QLatin1String("\"\""));
    handOver.launcherText =
        QStringLiteral("CreateObject(\"WScript.Shell\").Run \"\"\"%1\"\"\",0").arg(batchInVbs);
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

QStringList takeFailedHandOvers(const QString &programDirectory)
{
    QStringList messages;
    const QDir program(programDirectory);
    const QFileInfoList stages = program.entryInfoList(
        {QLatin1String(kStagePrefix) + QLatin1Char('*')}, QDir::Dirs | QDir::Hidden | QDir::NoSymLinks);
    for (const QFileInfo &stage : stages) {
        const QFileInfo statusInfo(QDir(stage.filePath()).filePath(QLatin1String(kHandOverStatusName)));
        if (!statusInfo.isFile() || statusInfo.isSymLink())
            continue;
        QFile status(statusInfo.filePath());
        if (!status.open(QIODevice::ReadOnly))
            continue;
        messages.append(failureMessage(status.read(kMaxStatusBytes)));
        status.close();
        QDir(stage.filePath()).removeRecursively();
    }
    return messages;
}
