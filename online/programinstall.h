#pragma once

#include <QString>

// Where the running program's files are, and whether it may replace them
// itself. A program installed by the system's package manager (its
// directory not writable, or under the system's /usr) is updated by the
// package manager, never by the program.
struct ProgramInstall
{
    QString directory;
    bool packageManaged = false;

    static ProgramInstall ofRunningProgram();
    static ProgramInstall inDirectory(const QString &directory);
};
