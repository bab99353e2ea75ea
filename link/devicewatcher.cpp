#include "devicewatcher.h"

#include <QDir>
#include <QSocketNotifier>

#include <sys/inotify.h>
#include <unistd.h>

namespace {

constexpr int kSettleMs = 250;
constexpr int kPollIntervalMs = 3000;
constexpr uint32_t kEntryEvents = IN_CREATE | IN_DELETE | IN_MOVED_FROM | IN_MOVED_TO | IN_ONLYDIR;

} // namespace

DeviceDirectoryWatcher::DeviceDirectoryWatcher(const QStringList &directories, Method method,
                                               QObject *parent)
    : QObject(parent)
    , m_directories(directories)
{
    m_settleTimer.setSingleShot(true);
    m_settleTimer.setInterval(kSettleMs);
    connect(&m_settleTimer, &QTimer::timeout, this, &DeviceDirectoryWatcher::changed);

    if (method == Method::Notify && startNotifications())
        return;
    m_lastListings = listings();
    m_pollTimer.setInterval(kPollIntervalMs);
    connect(&m_pollTimer, &QTimer::timeout, this, &DeviceDirectoryWatcher::pollListings);
    m_pollTimer.start();
}

DeviceDirectoryWatcher::~DeviceDirectoryWatcher()
{
    if (m_inotify >= 0)
        ::close(m_inotify);
}

bool DeviceDirectoryWatcher::startNotifications()
{
    m_inotify = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (m_inotify < 0)
        return false;
    watchMissingDirectories();
    if (m_watched.isEmpty()) {
        ::close(m_inotify);
        m_inotify = -1;
        return false;
    }
    m_notifier = new QSocketNotifier(m_inotify, QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this,
            &DeviceDirectoryWatcher::readNotifications);
    return true;
}

void DeviceDirectoryWatcher::watchMissingDirectories()
{
    for (const QString &directory : qAsConst(m_directories)) {
        if (m_watched.key(directory, -1) >= 0)
            continue;
        const int watch = inotify_add_watch(m_inotify, QFile::encodeName(directory).constData(),
                                            kEntryEvents);
        if (watch >= 0)
            m_watched.insert(watch, directory);
    }
}

void DeviceDirectoryWatcher::readNotifications()
{
    alignas(inotify_event) char buffer[4096];
    bool changedEntries = false;
    for (;;) {
        const ssize_t length = ::read(m_inotify, buffer, sizeof buffer);
        if (length <= 0)
            break;
        for (ssize_t offset = 0; offset < length;) {
            const auto *event = reinterpret_cast<const inotify_event *>(buffer + offset);
            // A watched directory that goes away drops its watch; it is
            // watched again once it is back.
            if (event->mask & IN_IGNORED)
                m_watched.remove(event->wd);
            else
                changedEntries = true;
            offset += ssize_t(sizeof(inotify_event) + event->len);
        }
    }
    if (!changedEntries)
        return;
    watchMissingDirectories();
    noteChange();
}

QStringList DeviceDirectoryWatcher::listings() const
{
    QStringList all;
    for (const QString &directory : m_directories)
        all.append(QDir(directory).entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot)
                       .join(QLatin1Char('/')));
    return all;
}

void DeviceDirectoryWatcher::pollListings()
{
    QStringList current = listings();
    if (current == m_lastListings)
        return;
    m_lastListings = std::move(current);
    noteChange();
}

void DeviceDirectoryWatcher::noteChange()
{
    if (!m_settleTimer.isActive())
        m_settleTimer.start();
}
