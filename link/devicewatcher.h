#pragma once

#include <QHash>
#include <QObject>
#include <QStringList>
#include <QTimer>

class QSocketNotifier;

// Says when device nodes may have come or gone in a few directories (/dev,
// /dev/serial/by-id), so the port list is enumerated once per change rather
// than on a clock. The kernel tells through inotify; where inotify is not
// available, the directories' listings are compared every few seconds. A
// burst of changes (an adapter brings a node and several links) is reported
// once, a moment after it began. A directory missing at start is watched
// from the first change after it appears.
class DeviceDirectoryWatcher : public QObject
{
    Q_OBJECT
public:
    enum class Method { Notify, Poll };

    explicit DeviceDirectoryWatcher(const QStringList &directories,
                                    Method method = Method::Notify, QObject *parent = nullptr);
    ~DeviceDirectoryWatcher() override;

    Method method() const { return m_inotify >= 0 ? Method::Notify : Method::Poll; }

signals:
    void changed();

private:
    bool startNotifications();
    void watchMissingDirectories();
    void readNotifications();
    void pollListings();
    QStringList listings() const;
    void noteChange();

    QStringList m_directories;
    int m_inotify = -1;
    QSocketNotifier *m_notifier = nullptr;
    QHash<int, QString> m_watched; // watch descriptor → directory
    QTimer m_pollTimer;
    QStringList m_lastListings;
    QTimer m_settleTimer;
};
