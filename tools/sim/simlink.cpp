#include "simlink.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QHostInfo>
#include <QSocketNotifier>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>
#include <QTextStream>
#include <QUdpSocket>

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

// "host:port" split at its last colon; false, with a message, if malformed.
bool splitHostAndPort(const char *option, const QString &text, QString *host, quint16 *port)
{
    const int colon = text.lastIndexOf(QLatin1Char(':'));
    bool portOk = false;
    *port = colon > 0 ? text.mid(colon + 1).toUShort(&portOk) : 0;
    if (!portOk || *port == 0) {
        err() << "zentrik-sim: --" << option << " wants host:port, got " << text << "\n";
        return false;
    }
    *host = text.left(colon);
    return true;
}

// Waits a little for a full socket or line to take more, answering the app
// meanwhile. A line read at full speed has room again thousands of times a
// second; the events are seen to every few milliseconds, not at each of
// those, which would cost more than the writing itself.
void waitForRoom(int fd)
{
    constexpr int kEventIntervalMs = 5;
    static QElapsedTimer sinceEvents;
    if (!sinceEvents.isValid() || sinceEvents.elapsed() >= kEventIntervalMs) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 1);
        sinceEvents.start();
    }
    pollfd writable{fd, POLLOUT, 0};
    ::poll(&writable, 1, 10);
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

void SimLink::addListenAndUdpOptions(QCommandLineParser &parser)
{
    parser.addOption({QStringLiteral("listen"),
                      QStringLiteral("Wait for the workbench's TCP client on this port (0: any "
                                     "free one, printed), then serve that one connection."),
                      QStringLiteral("port")});
    parser.addOption({QStringLiteral("udp"),
                      QStringLiteral("Send UDP datagrams (at most 8 KiB each) to the workbench's "
                                     "UDP port."),
                      QStringLiteral("host:port")});
}

bool SimLink::open(const QCommandLineParser &parser)
{
    const QStringList offered = parser.optionNames();
    const auto given = [&](const char *name) {
        const QString option = QString::fromLatin1(name);
        return offered.contains(option) && parser.isSet(option);
    };
    if (int(given("tcp")) + int(given("listen")) + int(given("udp")) + int(given("port")) > 1) {
        err() << "zentrik-sim: choose one of --port, --tcp, --listen and --udp\n";
        return false;
    }
    if (given("tcp"))
        return openTcp(parser.value(QStringLiteral("tcp")));
    if (given("listen"))
        return openListening(parser.value(QStringLiteral("listen")));
    if (given("udp"))
        return openUdp(parser.value(QStringLiteral("udp")));
    if (given("port"))
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
    QString host;
    quint16 port = 0;
    if (!splitHostAndPort("tcp", hostAndPort, &host, &port))
        return false;
    auto socket = std::make_unique<QTcpSocket>();
    socket->connectToHost(host, port);
    if (!socket->waitForConnected(5000)) {
        err() << "zentrik-sim: cannot connect to " << hostAndPort << ": "
              << socket->errorString() << "\n";
        return false;
    }
    adoptSocket(socket.release());
    m_description = hostAndPort;
    QTextStream(stdout) << "Connected to " << hostAndPort << "\n" << Qt::flush;
    return true;
}

// Blocks until the workbench connects: until then there is no one to send
// to, and Ctrl+C still ends the wait.
bool SimLink::openListening(const QString &portText)
{
    bool portOk = false;
    const quint16 port = portText.toUShort(&portOk);
    QTcpServer server;
    if (!portOk || !server.listen(QHostAddress::Any, port)) {
        err() << "zentrik-sim: cannot listen on port " << portText << ": "
              << (portOk ? server.errorString() : QStringLiteral("not a port number")) << "\n";
        return false;
    }
    QTextStream(stdout) << "Connect the workbench's TCP client to port " << server.serverPort()
                        << "\n"
                        << Qt::flush;
    if (!server.waitForNewConnection(-1)) {
        err() << "zentrik-sim: " << server.errorString() << "\n";
        return false;
    }
    QTcpSocket *socket = server.nextPendingConnection();
    socket->setParent(nullptr);
    adoptSocket(socket);
    // An IPv4 peer on a dual-stack socket reads as "::ffff:a.b.c.d".
    bool isIpv4 = false;
    const quint32 ipv4 = socket->peerAddress().toIPv4Address(&isIpv4);
    m_description = isIpv4 ? QHostAddress(ipv4).toString() : socket->peerAddress().toString();
    QTextStream(stdout) << "Connected from " << m_description << "\n" << Qt::flush;
    return true;
}

void SimLink::adoptSocket(QTcpSocket *socket)
{
    m_socket.reset(socket);
    connect(socket, &QTcpSocket::readyRead, this, [this] { emit received(m_socket->readAll()); });
    connect(socket, &QTcpSocket::disconnected, this, &SimLink::closed);
}

// Datagrams go out whether or not anyone listens; the workbench should
// bind its port first.
bool SimLink::openUdp(const QString &hostAndPort)
{
    QString host;
    if (!splitHostAndPort("udp", hostAndPort, &host, &m_udpPort))
        return false;
    m_udpPeer = QHostAddress(host);
    if (m_udpPeer.isNull()) {
        const QList<QHostAddress> addresses = QHostInfo::fromName(host).addresses();
        if (addresses.isEmpty()) {
            err() << "zentrik-sim: cannot find host " << host << "\n";
            return false;
        }
        m_udpPeer = addresses.first();
    }
    m_udp = std::make_unique<QUdpSocket>();
    connect(m_udp.get(), &QUdpSocket::readyRead, this, [this] {
        while (m_udp->hasPendingDatagrams()) {
            QByteArray datagram(int(m_udp->pendingDatagramSize()), '\0');
            m_udp->readDatagram(datagram.data(), datagram.size());
            emit received(datagram);
        }
    });
    m_description = hostAndPort;
    QTextStream(stdout) << "Sending to " << hostAndPort << " over UDP\n" << Qt::flush;
    return true;
}

bool SimLink::isOpen() const
{
    return m_fd >= 0 || m_udp || (m_socket && m_socket->state() == QAbstractSocket::ConnectedState);
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
    if (m_udp)
        return writeDatagrams(bytes);
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
            waitForRoom(m_fd);
        } else {
            return false;
        }
    }
    return true;
}

// The parser takes a stream, so frames may be cut anywhere between
// datagrams.
bool SimLink::writeDatagrams(const QByteArray &bytes)
{
    for (int at = 0; at < bytes.size(); at += kMaxDatagram) {
        const QByteArray datagram = bytes.mid(at, kMaxDatagram);
        while (m_udp->writeDatagram(datagram, m_udpPeer, m_udpPort) < 0) {
            if (m_udp->error() != QAbstractSocket::TemporaryError) {
                err() << "zentrik-sim: " << m_udp->errorString() << "\n";
                return false;
            }
            waitForRoom(int(m_udp->socketDescriptor()));
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
