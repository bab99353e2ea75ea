#pragma once

#include <QByteArray>
#include <QString>
#include <QTemporaryDir>

// A pseudo-terminal pair standing in for a serial adapter. The test holds
// the master end and plays the device; the program opens slavePath().
// Closing the master is pulling the adapter out.
//
// slavePath() is a link of this pair's own to the pseudo-terminal: ports are
// locked by name, and a /dev/pts number freed by one test program can be
// handed to another before the first one's lock file is gone.
class PtyPair
{
public:
    PtyPair();
    ~PtyPair();
    PtyPair(const PtyPair &) = delete;
    PtyPair &operator=(const PtyPair &) = delete;

    bool isValid() const { return m_master >= 0; }
    QString slavePath() const { return m_slavePath; }
    // The pseudo-terminal itself, /dev/pts/N.
    QString devicePath() const { return m_devicePath; }

    // The device sends.
    bool write(const QByteArray &bytes);
    // What the program sent, waiting up to timeoutMs (while running the
    // event loop) until at least `expected` bytes have arrived.
    QByteArray read(int expected, int timeoutMs = 2000);
    // The adapter is pulled out; its name goes with it.
    void unplug();
    // The device end itself, non-blocking, for a device played from its own
    // thread (benchmarks).
    int masterFd() const { return m_master; }

private:
    int m_master = -1;
    int m_slave = -1;
    QString m_devicePath;
    QString m_slavePath;
    QTemporaryDir m_linkDir;
};
