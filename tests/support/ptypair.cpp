#include "ptypair.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>

#include <cerrno>
#include <fcntl.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

PtyPair::PtyPair()
{
    char name[256] = {};
    if (openpty(&m_master, &m_slave, name, nullptr, nullptr) != 0) {
        m_master = m_slave = -1;
        return;
    }
    // Raw on both ends: the line discipline must not echo or translate.
    termios settings{};
    tcgetattr(m_slave, &settings);
    cfmakeraw(&settings);
    tcsetattr(m_slave, TCSANOW, &settings);
    fcntl(m_master, F_SETFL, fcntl(m_master, F_GETFL) | O_NONBLOCK);
    m_devicePath = QString::fromLocal8Bit(name);
    m_slavePath = m_linkDir.filePath(QStringLiteral("ttyPTY"));
    QFile::link(m_devicePath, m_slavePath);
}

PtyPair::~PtyPair()
{
    unplug();
}

bool PtyPair::write(const QByteArray &bytes)
{
    qint64 done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(m_master, bytes.constData() + done, size_t(bytes.size() - done));
        if (n < 0 && errno == EAGAIN) {
            QCoreApplication::processEvents();
            continue;
        }
        if (n <= 0)
            return false;
        done += n;
    }
    return true;
}

QByteArray PtyPair::read(int expected, int timeoutMs)
{
    QByteArray received;
    QElapsedTimer clock;
    clock.start();
    char chunk[4096];
    while (received.size() < expected && clock.elapsed() < timeoutMs) {
        const ssize_t n = ::read(m_master, chunk, sizeof chunk);
        if (n > 0)
            received.append(chunk, int(n));
        else
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    }
    return received;
}

void PtyPair::unplug()
{
    // The slave is kept open until here only so that the device side can
    // write before the program opens the port.
    if (m_slave >= 0)
        ::close(m_slave);
    if (m_master >= 0)
        ::close(m_master);
    m_master = m_slave = -1;
    QFile::remove(m_slavePath);
}
