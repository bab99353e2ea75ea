#pragma once

#include <QByteArray>
#include <QHostAddress>
#include <QObject>
#include <QString>

#include <memory>

class QCommandLineParser;
class QSocketNotifier;
class QTcpSocket;
class QUdpSocket;

// The simulator's end of the line to the workbench: the master side of a new
// pseudo-terminal (the default; its slave path is printed for the user to
// open in the app), an existing serial device or path (--port), a TCP
// connection to a server the workbench runs (--tcp HOST:PORT), the one
// connection the workbench's TCP client makes to the simulator (--listen
// PORT), or datagrams to the workbench's UDP port (--udp HOST:PORT).
class SimLink : public QObject
{
    Q_OBJECT
public:
    explicit SimLink(QObject *parent = nullptr);
    ~SimLink() override;

    // Datagrams carry at most this many bytes; longer writes are split.
    static constexpr int kMaxDatagram = 8 * 1024;

    // Adds --port and --tcp to a mode's command line.
    static void addOptions(QCommandLineParser &parser, bool offerTcp);
    // Adds --listen and --udp.
    static void addListenAndUdpOptions(QCommandLineParser &parser);

    // Opens the link the options ask for; prints where the app should
    // connect, or an error to stderr and returns false.
    bool open(const QCommandLineParser &parser);

    // Writes everything, waiting (with the event loop running) while the
    // other side is slow to read. False once the other side has gone.
    bool write(const QByteArray &bytes);

    bool isOpen() const;

    // Ends the event loop once the workbench has read everything written.
    void quitOnceRead();

    // Bytes written that the workbench has not read yet, where the link can
    // tell (a pseudo-terminal); -1 where it cannot.
    int unreadByPeer() const;
    // Where the app should connect (pty slave path, device path, or peer).
    QString description() const { return m_description; }

signals:
    // Bytes the workbench sent back (answers to device commands, pictures).
    void received(const QByteArray &bytes);
    void closed();

private:
    bool openPseudoTerminal();
    bool openDevice(const QString &path);
    bool openTcp(const QString &hostAndPort);
    bool openListening(const QString &portText);
    bool openUdp(const QString &hostAndPort);
    void adoptSocket(QTcpSocket *socket);
    bool writeDatagrams(const QByteArray &bytes);
    void readFd();

    int m_fd = -1;
    int m_slaveFd = -1;
    std::unique_ptr<QSocketNotifier> m_notifier;
    std::unique_ptr<QTcpSocket> m_socket;
    std::unique_ptr<QUdpSocket> m_udp;
    QHostAddress m_udpPeer;
    quint16 m_udpPort = 0;
    QString m_description;
};
