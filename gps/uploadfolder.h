#pragma once

#include <QByteArray>
#include <QString>

// Where the files a device uploads land: below uploads/ in the working
// directory, at the device's relative path. The device chooses the path, so
// nothing on the way is trusted: every folder and the file are opened
// without following links, and a path that meets a link or anything but a
// folder or a regular file is refused. A regular file already there is
// emptied and written anew; nothing outside uploads/ is created or replaced.
namespace UploadFolder {

constexpr char kName[] = "uploads";
// Longer paths are refused; it also bounds the folders one upload creates.
constexpr int kMaxPathBytes = 1024;

// The device's path cleaned ("a/./b" gives "a/b"), or an empty string when
// it is not a plain relative path that stays below the folder: absolute,
// with "..", '\\' or ':' leading out of it, or too long.
QString relativePath(const QString &asked);

struct Outcome
{
    bool written = false;
    QString where; // the file's path, as the user is shown it
    QString error; // why nothing was written
};

// `data` as the file at `relative` (from relativePath()) below uploads/ in
// the current working directory; folders on the way are created.
Outcome write(const QString &relative, const QByteArray &data);

} // namespace UploadFolder
