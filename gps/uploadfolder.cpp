#include "uploadfolder.h"

#include "translation.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QStringList>

#include <utility>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace UploadFolder {

QString relativePath(const QString &asked)
{
    if (asked.isEmpty() || QDir::isAbsolutePath(asked) || asked.startsWith(QLatin1Char('/'))
        || asked.contains(QLatin1Char('\\')) || asked.contains(QLatin1Char(':'))
        || asked.contains(QChar(0)) || asked.toUtf8().size() > kMaxPathBytes)
        return {};
    const QString cleaned = QDir::cleanPath(asked);
    if (cleaned == QLatin1String(".") || cleaned == QLatin1String("..")
        || cleaned.startsWith(QLatin1String("../")) || cleaned.startsWith(QLatin1Char('/')))
        return {};
    return cleaned;
}

int depth(const QString &relative)
{
    return int(relative.count(QLatin1Char('/')));
}

// Without following links, and only until the folder is known to be full.
void Folder::count(const QString &folder)
{
    m_counted = true;
    m_entries = 0;
    m_bytes = 0;
    const QFileInfo root(folder);
    if (root.isSymLink() || !root.isDir())
        return;
    QDirIterator it(folder, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext() && m_entries <= m_maxEntries) {
        it.next();
        ++m_entries;
        const QFileInfo entry = it.fileInfo();
        if (entry.isFile() && !entry.isSymLink())
            m_bytes += entry.size();
    }
}

bool Folder::roomForEntry(Outcome *outcome)
{
    if (m_entries < m_maxEntries)
        return true;
    outcome->quota = Quota::Entries;
    outcome->error =
        mainTr("uploads文件夹已有%1个文件和文件夹，不再新建").arg(m_maxEntries);
    return false;
}

bool Folder::roomForBytes(qint64 growth, Outcome *outcome)
{
    if (m_bytes + growth <= m_maxBytes)
        return true;
    outcome->quota = Quota::TotalBytes;
    outcome->error = mainTr("uploads文件夹将超过%1 MiB，不再写入").arg(m_maxBytes >> 20);
    return false;
}

#ifdef Q_OS_UNIX

namespace {

// A descriptor closed when it goes out of scope.
class Fd
{
public:
    explicit Fd(int fd = -1) : m_fd(fd) {}
    ~Fd() { reset(); }
    Fd(const Fd &) = delete;
    Fd &operator=(const Fd &) = delete;
    int get() const { return m_fd; }
    int release() { return std::exchange(m_fd, -1); }
    bool isOpen() const { return m_fd >= 0; }
    void reset(int fd = -1)
    {
        if (m_fd >= 0)
            ::close(m_fd);
        m_fd = fd;
    }

private:
    int m_fd;
};

QString systemError(const QString &shown, int error)
{
    return QStringLiteral("%1: %2").arg(shown, qt_error_string(error));
}

enum class Wanted { Folder, File };

// Why `name` in `dir` is not the folder or file wanted: looked at without
// following it, only to say so.
QString whyNot(int dir, const QByteArray &name, Wanted wanted, const QString &shown, int error)
{
    struct stat st = {};
    if (::fstatat(dir, name.constData(), &st, AT_SYMLINK_NOFOLLOW) != 0)
        return systemError(shown, error);
    if (S_ISLNK(st.st_mode))
        return mainTr("%1是符号链接，不会跟随").arg(shown);
    if (wanted == Wanted::Folder)
        return S_ISDIR(st.st_mode) ? systemError(shown, error) : mainTr("%1不是文件夹").arg(shown);
    if (S_ISDIR(st.st_mode))
        return mainTr("%1是文件夹").arg(shown);
    if (!S_ISREG(st.st_mode))
        return mainTr("%1不是普通文件").arg(shown);
    return systemError(shown, error);
}

bool writeAll(int fd, const QByteArray &data)
{
    const char *at = data.constData();
    qint64 left = data.size();
    while (left > 0) {
        const ssize_t written = ::write(fd, at, size_t(left));
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return false;
        at += written;
        left -= written;
    }
    return true;
}

} // namespace

// uploads/ itself is not one of the entries it may hold.
bool Folder::makeFolder(int parent, const QByteArray &name, const QString &shown,
                        Outcome *outcome, FolderKind kind)
{
    const bool entry = kind == FolderKind::Inside;
    if (entry && !roomForEntry(outcome))
        return false;
    if (::mkdirat(parent, name.constData(), 0777) == 0) {
        m_entries += entry ? 1 : 0;
        return true;
    }
    if (errno == EEXIST)
        return true;
    outcome->error = systemError(shown, errno);
    return false;
}

// The folder `name` in `parent`, created if missing, never through a link.
int Folder::openFolder(int parent, const QByteArray &name, const QString &shown, Outcome *outcome,
                       FolderKind kind)
{
    const int flags = O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC;
    int fd = ::openat(parent, name.constData(), flags);
    if (fd < 0 && errno == ENOENT) {
        if (!makeFolder(parent, name, shown, outcome, kind))
            return -1;
        fd = ::openat(parent, name.constData(), flags);
    }
    if (fd < 0) {
        const int openError = errno;
        outcome->error = openError == ENOTDIR || openError == ELOOP
            ? whyNot(parent, name, Wanted::Folder, shown, openError)
            : systemError(shown, openError);
        return -1;
    }
    struct stat st = {};
    if (::fstat(fd, &st) != 0 || !S_ISDIR(st.st_mode)) {
        ::close(fd);
        outcome->error = mainTr("%1不是文件夹").arg(shown);
        return -1;
    }
    return fd;
}

// The regular file `name` in `dir`, emptied, or created if there is none,
// when `size` bytes fit the folder. Anything else in its place is refused,
// and a link is never followed: the name is looked at first, so a FIFO or a
// device is not even opened, and the descriptor is checked again in case the
// name changed in between. A file with another name is not emptied: that
// name may be outside the folder.
int Folder::openForReplacing(int dir, const QByteArray &name, qint64 size, const QString &shown,
                             Outcome *outcome, qint64 *oldSize)
{
    struct stat st = {};
    int fd = -1;
    const bool exists = ::fstatat(dir, name.constData(), &st, AT_SYMLINK_NOFOLLOW) == 0;
    if (exists && !S_ISREG(st.st_mode)) {
        outcome->error = whyNot(dir, name, Wanted::File, shown, EEXIST);
        return -1;
    }
    if (!exists && (!roomForEntry(outcome) || !roomForBytes(size, outcome)))
        return -1;
    if (m_beforeOpen)
        m_beforeOpen();
    if (!exists) {
        fd = ::openat(dir, name.constData(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC,
                      0666);
    } else {
        fd = ::openat(dir, name.constData(),
                      O_WRONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    }
    if (fd < 0) {
        const int openError = errno;
        outcome->error = whyNot(dir, name, Wanted::File, shown, openError);
        return -1;
    }
    Fd file(fd);
    if (!exists)
        ++m_entries;
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        outcome->error = whyNot(dir, name, Wanted::File, shown, errno);
        return -1;
    }
    if (st.st_nlink > 1) {
        outcome->error = mainTr("%1另有硬链接，不会改写").arg(shown);
        return -1;
    }
    *oldSize = st.st_size;
    if (!roomForBytes(size - *oldSize, outcome))
        return -1;
    if (::ftruncate(fd, 0) != 0) {
        outcome->error = systemError(shown, errno);
        return -1;
    }
    return file.release();
}

bool Folder::replaceFile(int dir, const QByteArray &name, const QByteArray &data,
                         const QString &shown, Outcome *outcome)
{
    qint64 oldSize = 0;
    const int file = openForReplacing(dir, name, data.size(), shown, outcome, &oldSize);
    if (file < 0)
        return false;
    // Whatever comes of the writing, the file no longer holds what it did.
    m_bytes += data.size() - oldSize;
    bool ok = writeAll(file, data);
    int failure = errno;
    if (::close(file) != 0 && ok) {
        ok = false;
        failure = errno;
    }
    if (!ok)
        outcome->error = systemError(shown, failure);
    return ok;
}

Outcome Folder::write(const QString &workDir, const QString &relative, const QByteArray &data)
{
    Outcome outcome;
    const QString root = workDir + QLatin1Char('/') + QLatin1String(kName);
    outcome.where = root + QLatin1Char('/') + relative;
    const QStringList parts = relative.split(QLatin1Char('/'), Qt::SkipEmptyParts);
    if (parts.isEmpty()) {
        outcome.error = mainTr("路径无效");
        return outcome;
    }
    if (!m_counted)
        count(root);
    Fd work(::open(QFile::encodeName(workDir).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!work.isOpen()) {
        outcome.error = systemError(workDir, errno);
        return outcome;
    }
    QString shown = QLatin1String(kName);
    Fd dir(openFolder(work.get(), kName, shown, &outcome, FolderKind::Root));
    for (int i = 0; dir.isOpen() && i + 1 < parts.size(); ++i) {
        shown += QLatin1Char('/') + parts.at(i);
        dir.reset(openFolder(dir.get(), QFile::encodeName(parts.at(i)), shown, &outcome,
                             FolderKind::Inside));
    }
    if (!dir.isOpen())
        return outcome;
    shown += QLatin1Char('/') + parts.last();
    outcome.written = replaceFile(dir.get(), QFile::encodeName(parts.last()), data, shown,
                                  &outcome);
    return outcome;
}

#else

Outcome Folder::write(const QString &workDir, const QString &relative, const QByteArray &)
{
    Outcome outcome;
    outcome.where = workDir + QLatin1Char('/') + QLatin1String(kName) + QLatin1Char('/') + relative;
    outcome.error = mainTr("此系统上不接收设备上传的文件");
    return outcome;
}

#endif

} // namespace UploadFolder
