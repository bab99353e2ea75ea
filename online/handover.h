#pragma once

#include <QString>
#include <QStringList>
#include <QTime>

class PreparedUpdate;

// The self-update hand-over: once the program has ended, a script of the
// system's own moves the prepared files over the program's files. Its files
// live in the private stage directory under names starting with '-', which
// no descriptor entry may take. A destination that is a directory or a link
// stops the hand-over before anything is moved; a hand-over that stops
// leaves a status file in the stage, read at the next start
// (takeFailedHandOvers()).

// Names of the hand-over's own files in the stage.
constexpr char kHandOverStatusName[] = "-handover-failed";
constexpr char kUnixHandOverScriptName[] = "-zentrik-update.sh";

// Linux and other Unix systems: a shell script that waits for the process
// `programPid` to end, renames every staged file over its namesake in the
// program's directory, then deletes itself and the emptied stage.
QString unixHandOverScript(const PreparedUpdate &update, qint64 programPid);

// Windows: the batch lines that wait for the process to end, check the
// destinations and move the staged files over the program's files.
QString windowsUpdateBatchBody(const PreparedUpdate &update, qint64 programPid);

// Windows: a hidden-window launcher script and the batch file it runs,
// named by the MD5 of the time of day (as clockText() writes it, and
// without the colons) after a '-', both in `stageDirectory`. The batch
// greets, runs `batchBody`, says which version is now installed and deletes
// both files and the stage; when the body stops, it writes the status file
// instead.
struct WindowsHandOver
{
    QString launcherName;
    QString launcherText;
    QString batchName;
    QString batchText;
};
WindowsHandOver windowsHandOver(const QString &batchBody, const QString &newVersion,
                                const QTime &now, const QString &stageDirectory);

// Writes this system's hand-over and starts it, detached, to wait for
// `programPid`; the stage then belongs to the script. False, with nothing
// started, when the files cannot be written or the script not started.
bool startHandOver(PreparedUpdate &update, qint64 programPid);

// One message for each hand-over in `programDirectory` that stopped since
// the program last ran; its stage is removed, so each is told once.
QStringList takeFailedHandOvers(const QString &programDirectory);
