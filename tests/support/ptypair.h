#pragma once

#include <QByteArray>
#include <QString>

// A pseudo-terminal pair standing in for a serial adapter. The test holds
// the master end and plays the device; the program opens slavePath().
// Closing the master is pulling the adapter out.
class PtyPair
{
public:
    PtyPair();
    ~PtyPair();
    PtyPair(const PtyPair &) = delete;
    PtyPair &operator=(const PtyPair &) = delete;

    bool isValid() const { return m_master >= 0; }
    QString slavePath() const { return m_slavePath; }

    // The device sends.
    bool write(const QByteArray &bytes);
    // What the program sent, waiting up to timeoutMs (while running the
    // event loop) until at least `expected` bytes have arrived.
    QByteArray read(int expected, int timeoutMs = 2000);
    // The adapter is pulled out.
    void unplug();
    // The device end itself, non-blocking, for a device played from its own
    // thread (benchmarks).
    int masterFd() const { return m_master; }

private:
    int m_master = -1;
    int m_slave = -1;
    QString m_slavePath;
};
