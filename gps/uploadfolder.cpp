#include "uploadfolder.h"

#include "translation.h"

#include <QDir>
#include <QFile>
#include <QStringList>

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

// The folder `name` in `parent`, created if missing, never through a link.
int openFolder(int parent, const QByteArray &name, const QString &shown, QString *error)
{
    const int flags = O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC;
    int fd = ::openat(parent, name.constData(), flags);
    if (fd < 0 && errno == ENOENT) {
        if (::mkdirat(parent, name.constData(), 0777) != 0 && errno != EEXIST) {
            *error = systemError(shown, errno);
            return -1;
        }
        fd = ::openat(parent, name.constData(), flags);
    }
    if (fd < 0) {
        const int openError = errno;
        *error = openError == ENOTDIR || openError == ELOOP
            ? whyNot(parent, name, Wanted::Folder, shown, openError)
            : systemError(shown, openError);
        return -1;
    }
    struct stat st = {};
    if (::fstat(fd, &st) != 0 || !S_ISDIR(st.st_mode)) {
        ::close(fd);
        *error = mainTr("%1不是文件夹").arg(shown);
        return -1;
    }
    return fd;
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

// The regular file `name` in `dir`, emptied, or created if there is none.
// Anything else in its place is refused, and a link is never followed: the
// name is looked at first, so a FIFO or a device is not even opened, and the
// descriptor is checked again in case the name changed in between.
int openForReplacing(int dir, const QByteArray &name, const QString &shown, QString *error)
{
    struct stat st = {};
    int fd = -1;
    if (::fstatat(dir, name.constData(), &st, AT_SYMLINK_NOFOLLOW) != 0) {
        fd = ::openat(dir, name.constData(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC,
                      0666);
    } else if (S_ISREG(st.st_mode)) {
        fd = ::openat(dir, name.constData(),
                      O_WRONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    } else {
        *error = whyNot(dir, name, Wanted::File, shown, EEXIST);
        return -1;
    }
    if (fd < 0) {
        const int openError = errno;
        *error = whyNot(dir, name, Wanted::File, shown, openError);
        return -1;
    }
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || ::ftruncate(fd, 0) != 0) {
        const int openError = errno;
        ::close(fd);
        *error = whyNot(dir, name, Wanted::File, shown, openError);
        return -1;
    }
    return fd;
}

bool replaceFile(int dir, const QByteArray &name, const QByteArray &data, const QString &shown,
                 QString *error)
{
    const int file = openForReplacing(dir, name, shown, error);
    if (file < 0)
        return false;
    bool ok = writeAll(file, data);
    int failure = errno;
    if (::close(file) != 0 && ok) {
        ok = false;
        failure = errno;
    }
    if (!ok)
        *error = systemError(shown, failure);
    return ok;
}

} // namespace

Outcome write(const QString &relative, const QByteArray &data)
{
    Outcome outcome;
    const QString root = QDir::currentPath();
    outcome.where = root + QLatin1Char('/') + QLatin1String(kName) + QLatin1Char('/') + relative;
    const QStringList parts = relative.split(QLatin1Char('/'), Qt::SkipEmptyParts);
    if (parts.isEmpty()) {
        outcome.error = mainTr("路径无效");
        return outcome;
    }
    QString shown = QLatin1String(kName);
    Fd dir(openFolder(AT_FDCWD, kName, shown, &outcome.error));
    for (int i = 0; dir.isOpen() && i + 1 < parts.size(); ++i) {
        shown += QLatin1Char('/') + parts.at(i);
        dir.reset(openFolder(dir.get(), QFile::encodeName(parts.at(i)), shown, &outcome.error));
    }
    if (!dir.isOpen())
        return outcome;
    shown += QLatin1Char('/') + parts.last();
    outcome.written = replaceFile(dir.get(), QFile::encodeName(parts.last()), data, shown,
                                  &outcome.error);
    return outcome;
}

#else

Outcome write(const QString &relative, const QByteArray &)
{
    Outcome outcome;
    outcome.where = QLatin1String(kName) + QLatin1Char('/') + relative;
    outcome.error = mainTr("此系统上不接收设备上传的文件");
    return outcome;
}

#endif

} // namespace UploadFolder
