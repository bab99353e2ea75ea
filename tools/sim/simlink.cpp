#include "simlink.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QSocketNotifier>
#include <QTcpSocket>
#include <QTimer>
#include <QTextStream>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

namespace {

QTextStream &err()
{
    static QTextStream stream(stderr);
    return stream;
}

void makeRaw(int fd)
{
    termios settings{};
    if (tcgetattr(fd, &settings) == 0) {
        cfmakeraw(&settings);
        tcsetattr(fd, TCSANOW, &settings);
    }
}

// Closing the line at once could take the last frames with it before the
// workbench has read them: a hung-up terminal drops its unread input. So the
// simulator quits only once they are read (or after a while, where the link
// cannot tell).
class QuitOnceRead : public QObject
{
public:
    explicit QuitOnceRead(SimLink &link)
        : QObject(&link)
        , m_link(link)
    {
        m_waited.start();
        connect(&m_poll, &QTimer::timeout, this, &QuitOnceRead::check);
        m_poll.start(kPollMs);
    }

private:
    static constexpr int kPollMs = 20;
    // The kernel hands written bytes to the reader's queue a moment later,
    // so an empty queue counts only when it stays empty for a few polls.
    static constexpr int kEmptyPollsNeeded = 5;
    static constexpr int kUnknownLingerMs = 1000;
    static constexpr int kMaxLingerMs = 30000;

    void check()
    {
        const int unread = m_link.unreadByPeer();
        const qint64 elapsed = m_waited.elapsed();
        m_emptyPolls = unread == 0 ? m_emptyPolls + 1 : 0;
        if (m_emptyPolls >= kEmptyPollsNeeded || (unread < 0 && elapsed >= kUnknownLingerMs)
            || elapsed >= kMaxLingerMs) {
            m_poll.stop();
            QCoreApplication::quit();
        }
    }

    SimLink &m_link;
    QTimer m_poll;
    QElapsedTimer m_waited;
    int m_emptyPolls = 0;
};

} // namespace

SimLink::SimLink(QObject *parent)
    : QObject(parent)
{
}

SimLink::~SimLink()
{
    m_notifier.reset();
    if (m_fd >= 0)
        ::close(m_fd);
    if (m_slaveFd >= 0)
        ::close(m_slaveFd);
}

void SimLink::addOptions(QCommandLineParser &parser, bool offerTcp)
{
    parser.addOption({QStringLiteral("port"),
                      QStringLiteral("Write to this serial device or path instead of creating a "
                                     "pseudo-terminal."),
                      QStringLiteral("path")});
    if (offerTcp)
        parser.addOption({QStringLiteral("tcp"),
                          QStringLiteral("Connect as a TCP client to the workbench's server."),
                          QStringLiteral("host:port")});
}

bool SimLink::open(const QCommandLineParser &parser)
{
    const QStringList names = parser.optionNames();
    if (names.contains(QStringLiteral("tcp")) && parser.isSet(QStringLiteral("tcp")))
        return openTcp(parser.value(QStringLiteral("tcp")));
    if (parser.isSet(QStringLiteral("port")))
        return openDevice(parser.value(QStringLiteral("port")));
    return openPseudoTerminal();
}

bool SimLink::openPseudoTerminal()
{
    char name[256] = {};
    if (openpty(&m_fd, &m_slaveFd, name, nullptr, nullptr) != 0) {
        err() << "zentrik-sim: cannot create a pseudo-terminal: " << strerror(errno) << "\n";
        return false;
    }
    // The slave stays open here too, so that bytes written before the app
    // opens the port wait in the line instead of failing.
    makeRaw(m_slaveFd);
    fcntl(m_fd, F_SETFL, fcntl(m_fd, F_GETFL) | O_NONBLOCK);
    m_description = QString::fromLocal8Bit(name);
    QTextStream(stdout) << "Open this port in the workbench: " << m_description << "\n" << Qt::flush;
    m_notifier = std::make_unique<QSocketNotifier>(m_fd, QSocketNotifier::Read);
    connect(m_notifier.get(), &QSocketNotifier::activated, this, &SimLink::readFd);
    return true;
}

bool SimLink::openDevice(const QString &path)
{
    m_fd = ::open(path.toLocal8Bit().constData(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (m_fd < 0) {
        err() << "zentrik-sim: cannot open " << path << ": " << strerror(errno) << "\n";
        return false;
    }
    makeRaw(m_fd);
    m_description = path;
    QTextStream(stdout) << "Writing to " << path << "\n" << Qt::flush;
    m_notifier = std::make_unique<QSocketNotifier>(m_fd, QSocketNotifier::Read);
    connect(m_notifier.get(), &QSocketNotifier::activated, this, &SimLink::readFd);
    return true;
}

bool SimLink::openTcp(const QString &hostAndPort)
{
    const int colon = hostAndPort.lastIndexOf(QLatin1Char(':'));
    bool portOk = false;
    const quint16 port = colon > 0 ? hostAndPort.mid(colon + 1).toUShort(&portOk) : 0;
    if (!portOk) {
        err() << "zentrik-sim: --tcp wants host:port, got " << hostAndPort << "\n";
        return false;
    }
    m_socket = std::make_unique<QTcpSocket>();
    m_socket->connectToHost(hostAndPort.left(colon), port);
    if (!m_socket->waitForConnected(5000)) {
        err() << "zentrik-sim: cannot connect to " << hostAndPort << ": "
              << m_socket->errorString() << "\n";
        return false;
    }
    m_description = hostAndPort;
    connect(m_socket.get(), &QTcpSocket::readyRead, this,
            [this] { emit received(m_socket->readAll()); });
    connect(m_socket.get(), &QTcpSocket::disconnected, this, &SimLink::closed);
    QTextStream(stdout) << "Connected to " << hostAndPort << "\n" << Qt::flush;
    return true;
}

bool SimLink::isOpen() const
{
    return m_fd >= 0 || (m_socket && m_socket->state() == QAbstractSocket::ConnectedState);
}

void SimLink::quitOnceRead()
{
    new QuitOnceRead(*this);
}

int SimLink::unreadByPeer() const
{
    int pending = 0;
    if (m_slaveFd < 0 || ioctl(m_slaveFd, FIONREAD, &pending) != 0)
        return -1;
    return pending;
}

bool SimLink::write(const QByteArray &bytes)
{
    if (m_socket) {
        if (m_socket->state() != QAbstractSocket::ConnectedState)
            return false;
        m_socket->write(bytes);
        while (m_socket->bytesToWrite() > 0 && m_socket->waitForBytesWritten(1000)) {
        }
        return m_socket->state() == QAbstractSocket::ConnectedState;
    }
    qint64 done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(m_fd, bytes.constData() + done, size_t(bytes.size() - done));
        if (n > 0) {
            done += n;
        } else if (n < 0 && errno == EAGAIN) {
            // The line is full: keep answering the app, and go on as soon as
            // it has read (a fixed sleep would make the wait, not the app,
            // the limit on how fast frames go through).
            QCoreApplication::processEvents(QEventLoop::AllEvents, 1);
            pollfd writable{m_fd, POLLOUT, 0};
            ::poll(&writable, 1, 10);
        } else {
            return false;
        }
    }
    return true;
}

void SimLink::readFd()
{
    char chunk[4096];
    QByteArray bytes;
    ssize_t n;
    while ((n = ::read(m_fd, chunk, sizeof chunk)) > 0)
        bytes.append(chunk, int(n));
    if (!bytes.isEmpty())
        emit received(bytes);
}
