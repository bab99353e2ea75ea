#pragma once

#include <QByteArray>
#include <QString>

#include <functional>

// Where the files a device uploads land: below uploads/ in a working
// directory, at the device's relative path. The device chooses the path, so
// nothing on the way is trusted: every folder and the file are opened
// without following links, and a path that meets a link or anything but a
// folder or a regular file is refused. A regular file already there is
// emptied and written anew, unless it has another name (a hard link) that
// would be written through; nothing outside uploads/ is created or replaced.
namespace UploadFolder {

constexpr char kName[] = "uploads";
// Longer paths are refused; it also bounds the folders one upload creates.
constexpr int kMaxPathBytes = 1024;
// What the folder may hold, whoever put it there: folder levels below
// uploads/, entries (files and folders) and bytes, all told.
constexpr int kMaxDepth = 8;
constexpr int kMaxEntries = 4096;
constexpr qint64 kMaxTotalBytes = qint64(1) << 30;

// The device's path cleaned ("a/./b" gives "a/b"), or an empty string when
// it is not a plain relative path that stays below the folder: absolute,
// with "..", '\\' or ':' leading out of it, or too long.
QString relativePath(const QString &asked);
// The folders on the way to a cleaned path's file.
int depth(const QString &relative);

// Which limit refused a file.
enum class Quota { None, Depth, Entries, TotalBytes, ConnectionBytes };

struct Outcome
{
    bool written = false;
    QString where; // the file's path, as the user is shown it
    QString error; // why nothing was written
    Quota quota = Quota::None;
};

// uploads/ below one working directory, with what it holds: counted once
// before the first write (looking at no more than kMaxEntries + 1 entries),
// then kept up to date by each write. Not for use from two threads at once.
class Folder
{
public:
    explicit Folder(int maxEntries = kMaxEntries, qint64 maxBytes = kMaxTotalBytes)
        : m_maxEntries(maxEntries), m_maxBytes(maxBytes)
    {
    }

    // `data` as the file at `relative` (from relativePath()) below uploads/
    // in `workDir`; folders on the way are created.
    Outcome write(const QString &workDir, const QString &relative, const QByteArray &data);
    // What the folder holds is counted again before the next write: it may
    // have been cleared meanwhile.
    void recount() { m_counted = false; }
    // Called between the look at the file's name and its opening, so a test
    // can change what the name stands for in between.
    void setBeforeOpen(std::function<void()> hook) { m_beforeOpen = std::move(hook); }
    void setLimits(int maxEntries, qint64 maxBytes)
    {
        m_maxEntries = maxEntries;
        m_maxBytes = maxBytes;
    }

private:
    enum class FolderKind { Root, Inside };

    void count(const QString &folder);
    bool makeFolder(int parent, const QByteArray &name, const QString &shown, Outcome *outcome,
                    FolderKind kind);
    int openFolder(int parent, const QByteArray &name, const QString &shown, Outcome *outcome,
                   FolderKind kind);
    bool replaceFile(int dir, const QByteArray &name, const QByteArray &data, const QString &shown,
                     Outcome *outcome);
    int openForReplacing(int dir, const QByteArray &name, qint64 size, const QString &shown,
                         Outcome *outcome, qint64 *oldSize);
    bool roomForEntry(Outcome *outcome);
    bool roomForBytes(qint64 growth, Outcome *outcome);

    int m_maxEntries;
    qint64 m_maxBytes;
    bool m_counted = false;
    int m_entries = 0;
    qint64 m_bytes = 0;
    std::function<void()> m_beforeOpen;
};

} // namespace UploadFolder
