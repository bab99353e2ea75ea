// The links: a serial port on a pseudo-terminal, network links with real
// sockets on the loopback interface.
#include "loopbacksockets.h"
#include "mytcpclient.h"
#include "ptypair.h"
#include "seriallink.h"
#include "tcpclientlink.h"
#include "tcpserverlink.h"
#include "udplink.h"

#include <QEventLoop>
#include <QSignalSpy>
#include <QTimer>
#include <QTcpServer>
#include <QTcpSocket>
#include <QtTest>

#include <memory>

class TestLinks : public QObject
{
    Q_OBJECT
private slots:
    void serialLinkDeliversInOrderAndReportsALostDeviceOnce();
    void tcpServerReceivesFromEachClientAndWritesToTheChosenOnes();
    void tcpServerOnAPortInUseSaysSo();
    void tcpServerHandsOutWhatALeavingClientSentAndTellsOfRefusals();
    void tcpServerStoppedLeavesNoClientBehind();
    void tcpClientExchangesBytesAndReportsALostServerOnce();
    void tcpClientReportsARefusedConnection();
    void tcpClientGoesQuietlyWhenDestroyedConnected();
    void udpRoundTripByHostNameShowsTheSender();
    void tcpPeersAreReadInBoundedPiecesInOrder();
    void tcpPeersThatTakeNothingAreCutOff();
    void singleClientServerGivesAClientSilentFor30sPlaceToANewcomer();
    void udpFloodIsHandedOutWhole();
    void listenersShowTheirAddressAndThisMachineOnlyTakesNoOtherAddress();
    void singleSenderUdpIgnoresOthersUntilItsSenderIsSilentFor30s();
};

namespace {

QByteArray counting(int size)
{
    QByteArray bytes(size, Qt::Uninitialized);
    for (int i = 0; i < size; ++i)
        bytes[i] = char(i * 7 + i / 251);
    return bytes;
}

// A TCP read piece: 64 KiB.
constexpr int kPieceBytes = 65536;

// The pieces a spy caught, joined; false in `bounded` if one was too large.
QByteArray joined(const QSignalSpy &spy, int column, bool *bounded)
{
    QByteArray all;
    *bounded = true;
    for (const QList<QVariant> &signal : spy) {
        const QVariant &value = signal.at(column);
        const QByteArray piece = value.userType() == qMetaTypeId<TcpChunk>()
                                     ? value.value<TcpChunk>().bytes
                                     : value.toByteArray();
        *bounded = *bounded && !piece.isEmpty() && piece.size() <= kPieceBytes;
        all += piece;
    }
    return all;
}

} // namespace

void TestLinks::serialLinkDeliversInOrderAndReportsALostDeviceOnce()
{
    auto device = std::make_unique<PtyPair>();
    SerialLink link;
    QSignalSpy received(&link, &ByteLink::received);
    QSignalSpy lost(&link, &ByteLink::lost);
    QSignalSpy closed(&link, &ByteLink::closed);
    link.setPortName(device->slavePath());
    QVERIFY(link.open());

    QByteArray sent;
    for (int i = 0; i < 200; ++i) {
        const QByteArray line = QByteArray::number(i) + ',';
        device->write(line);
        sent += line;
    }
    QCOMPARE(link.write("hello"), qint64(5));
    QCOMPARE(device->read(5), QByteArray("hello"));
    const auto all = [&] {
        QByteArray bytes;
        for (const QList<QVariant> &signal : received)
            bytes += signal.at(0).toByteArray();
        return bytes;
    };
    QTRY_COMPARE(all(), sent);

    // Bytes sent just before the adapter goes still arrive, then the loss.
    device->write("last words");
    QEventLoop moment; // the port's wait between reads runs out in a running loop
    QTimer::singleShot(4 * SerialLink::kGatherMs, &moment, &QEventLoop::quit);
    moment.exec();
    device->unplug();
    QTRY_COMPARE(lost.count(), 1);
    QCOMPARE(closed.count(), 1);
    QVERIFY(all().endsWith("last words"));
    QVERIFY(!link.isOpen());
    QTest::qWait(50);
    QCOMPARE(lost.count(), 1);
}

void TestLinks::tcpServerReceivesFromEachClientAndWritesToTheChosenOnes()
{
    TcpServerLink link;
    QSignalSpy opened(&link, &ByteLink::opened);
    QVERIFY(link.open());
    QCOMPARE(opened.count(), 1);
    QSignalSpy connected(&link, &TcpServerLink::clientConnected);
    QSignalSpy from(&link, &TcpServerLink::chunkReceived);
    QSignalSpy received(&link, &ByteLink::received);
    const auto chunk = [&from](int i) { return from.at(i).first().value<TcpChunk>(); };

    auto first = connectTo(link.port());
    auto second = connectTo(link.port());
    QVERIFY(first && second);
    QTRY_COMPARE(connected.count(), 2);
    const int firstId = connected.at(0).at(0).toInt();
    const int secondId = connected.at(1).at(0).toInt();

    first->write("one");
    QTRY_COMPARE(from.count(), 1);
    second->write("two");
    QTRY_COMPARE(from.count(), 2);
    QCOMPARE(chunk(0).client.id, firstId);
    QCOMPARE(chunk(0).bytes, QByteArray("one"));
    QCOMPARE(chunk(1).client.id, secondId);
    QCOMPARE(chunk(1).bytes, QByteArray("two"));
    // Nobody gets a client's bytes without the client.
    QVERIFY(received.isEmpty());

    link.setTarget(secondId);
    QCOMPARE(link.write("only you"), qint64(8));
    QCOMPARE(readFrom(*second, 8), QByteArray("only you"));
    link.setTarget(TcpServerLink::kAllClients);
    link.write("all");
    QCOMPARE(readFrom(*first, 3), QByteArray("all"));
    QCOMPARE(readFrom(*second, 3), QByteArray("all"));

    // Bytes still gathering when the server closes are handed out first.
    QSignalSpy gone(&link, &TcpServerLink::clientDisconnected);
    first->write("last");
    QVERIFY(first->waitForBytesWritten(1000));
    QTRY_VERIFY(link.waitingBytes(firstId) == 4);
    link.close();
    QCOMPARE(chunk(from.count() - 1).bytes, QByteArray("last"));
    QCOMPARE(gone.count(), 2);
    QVERIFY(!link.isOpen());
    QTRY_COMPARE(first->state(), QAbstractSocket::UnconnectedState);
}

void TestLinks::tcpServerOnAPortInUseSaysSo()
{
    TcpServerLink first;
    QVERIFY(first.open());
    TcpServerLink second;
    second.setPort(first.port());
    QVERIFY(!second.open());
    QCOMPARE(second.errorString(), QStringLiteral("端口已被占用"));
}

void TestLinks::tcpServerHandsOutWhatALeavingClientSentAndTellsOfRefusals()
{
    TcpServerLink link;
    link.setConnectionLimit(1);
    QVERIFY(link.open());
    QSignalSpy connected(&link, &TcpServerLink::clientConnected);
    QSignalSpy refused(&link, &TcpServerLink::clientRefused);
    auto client = connectTo(link.port());
    QTRY_COMPARE(connected.count(), 1);
    auto extra = connectTo(link.port());
    QVERIFY(extra);
    const int extraPort = extra->localPort();
    QTRY_COMPARE(refused.count(), 1);
    QCOMPARE(refused.at(0).at(0).toString(), QStringLiteral("127.0.0.1"));
    QCOMPARE(refused.at(0).at(1).toInt(), extraPort);

    // Data and departure before the gathering time is up: the data still
    // comes first.
    QList<QByteArray> order;
    connect(&link, &TcpServerLink::chunkReceived, this,
            [&](const TcpChunk &chunk) { order.append(chunk.bytes); });
    connect(&link, &TcpServerLink::clientDisconnected, this, [&] { order.append("gone"); });
    client->write("bye");
    client->disconnectFromHost();
    QTRY_COMPARE(order.size(), 2);
    QCOMPARE(order, (QList<QByteArray>{"bye", "gone"}));
}

void TestLinks::tcpServerStoppedLeavesNoClientBehind()
{
    TcpServerLink link;
    QVERIFY(link.open());
    QSignalSpy connected(&link, &TcpServerLink::clientConnected);
    auto client = connectTo(link.port());
    QTRY_COMPARE(connected.count(), 1);
    // More than the loopback buffers hold, to a client that does not read.
    client->setReadBufferSize(1);
    link.write(QByteArray(32 << 20, 'x'));
    QCoreApplication::processEvents();
    link.close();
    QCOMPARE(link.clientCount(), 0);
    QTRY_COMPARE(link.findChildren<QTcpSocket *>().size(), 0);
}

void TestLinks::tcpClientExchangesBytesAndReportsALostServerOnce()
{
    QTcpServer server;
    QVERIFY(server.listen(QHostAddress::LocalHost, 0));
    TcpClientLink link;
    QSignalSpy opened(&link, &ByteLink::opened);
    QSignalSpy received(&link, &ByteLink::received);
    QSignalSpy lost(&link, &ByteLink::lost);
    QSignalSpy closed(&link, &ByteLink::closed);
    link.setPeer(QStringLiteral("localhost"), server.serverPort());
    QVERIFY(link.open());
    QTRY_COMPARE(opened.count(), 1);
    QVERIFY(link.isOpen());
    QTRY_VERIFY(server.hasPendingConnections());
    std::unique_ptr<QTcpSocket> peer(server.nextPendingConnection());

    QCOMPARE(link.write("ping"), qint64(4));
    QCOMPARE(readFrom(*peer, 4), QByteArray("ping"));
    peer->write("pong, then gone");
    peer->disconnectFromHost();
    QTRY_COMPARE(lost.count(), 1);
    QCOMPARE(closed.count(), 1);
    QByteArray all;
    for (const QList<QVariant> &signal : received)
        all += signal.at(0).toByteArray();
    QCOMPARE(all, QByteArray("pong, then gone"));
    QVERIFY(!link.isOpen());
    QTest::qWait(50);
    QCOMPARE(lost.count(), 1);
    QCOMPARE(link.write("x"), qint64(-1));

    // Destroyed while connected: the connection ends, and the half-destroyed
    // link reports nothing.
    auto connected = std::make_unique<TcpClientLink>();
    connected->setPeer(QStringLiteral("127.0.0.1"), server.serverPort());
    QVERIFY(connected->open());
    QSignalSpy open(connected.get(), &ByteLink::opened);
    QSignalSpy lostOnDestruction(connected.get(), &ByteLink::lost);
    QTRY_COMPARE(open.count(), 1);
    QTRY_VERIFY(server.hasPendingConnections());
    peer.reset(server.nextPendingConnection());
    connected.reset();
    QCOMPARE(lostOnDestruction.count(), 0);
    QTRY_COMPARE(peer->state(), QAbstractSocket::UnconnectedState);
}

void TestLinks::tcpClientReportsARefusedConnection()
{
    TcpClientLink link;
    QSignalSpy failed(&link, &ByteLink::failed);
    QSignalSpy opened(&link, &ByteLink::opened);
    link.setPeer(QStringLiteral("127.0.0.1"), closedPort());
    QVERIFY(link.open());
    QTRY_COMPARE(failed.count(), 1);
    QCOMPARE(failed.at(0).at(0).toString(), QStringLiteral("连接被拒绝：对方没有在该端口监听"));
    QCOMPARE(opened.count(), 0);
    QVERIFY(!link.isOpen());

    TcpClientLink unset;
    QVERIFY(!unset.open());
    QVERIFY(!unset.errorString().isEmpty());
}

void TestLinks::tcpClientGoesQuietlyWhenDestroyedConnected()
{
    QTcpServer server;
    QVERIFY(server.listen(QHostAddress::LocalHost, 0));
    auto link = std::make_unique<TcpClientLink>();
    link->setPeer(QStringLiteral("127.0.0.1"), server.serverPort());
    QVERIFY(link->open());
    QTRY_VERIFY(link->isOpen());
    int reports = 0;
    for (auto signal : {&ByteLink::closed, &ByteLink::lost})
        connect(link.get(), signal, [&reports] { ++reports; });
    link.reset();
    QCOMPARE(reports, 0);
}

void TestLinks::udpRoundTripByHostNameShowsTheSender()
{
    UdpLink a, b;
    QVERIFY(a.open());
    QVERIFY(b.open());
    QSignalSpy atB(&b, &UdpLink::receivedFrom);
    a.setTarget(QStringLiteral("localhost"), b.localPort());
    QCOMPARE(a.write("hello"), qint64(5)); // waits for the lookup
    QTRY_COMPARE(atB.count(), 1);
    QCOMPARE(atB.at(0).at(0).toString(), QStringLiteral("127.0.0.1"));
    QCOMPARE(atB.at(0).at(1).toUInt(), uint(a.localPort()));
    QCOMPARE(atB.at(0).at(2).toByteArray(), QByteArray("hello"));

    b.setTarget(atB.at(0).at(0).toString(), a.localPort());
    QSignalSpy atA(&a, &ByteLink::received);
    QCOMPARE(b.write("back"), qint64(4));
    QTRY_COMPARE(atA.count(), 1);
    QCOMPARE(atA.at(0).at(0).toByteArray(), QByteArray("back"));

    UdpLink c;
    c.setLocalPort(a.localPort());
    QVERIFY(!c.open());
    QCOMPARE(c.errorString(), QStringLiteral("端口已被占用"));
}

void TestLinks::tcpPeersAreReadInBoundedPiecesInOrder()
{
    TcpServerLink server;
    // Only a full socket hands bytes on before this: every piece is whole.
    server.setGatherInterval(600000);
    QVERIFY(server.open());
    QSignalSpy connected(&server, &TcpServerLink::clientConnected);
    QSignalSpy atServer(&server, &TcpServerLink::chunkReceived);
    TcpClientLink client;
    QSignalSpy atClient(&client, &ByteLink::received);
    client.setPeer(QStringLiteral("127.0.0.1"), server.port());
    QVERIFY(client.open());
    QTRY_VERIFY(client.isOpen());
    QTRY_COMPARE(connected.count(), 1);

    // Written at once, far more than one piece.
    const QByteArray up = counting(3 << 20);
    QCOMPARE(client.write(up), qint64(up.size()));
    bool bounded = false;
    QTRY_COMPARE_WITH_TIMEOUT(joined(atServer, 0, &bounded).size(), up.size(), 20000);
    QCOMPARE(joined(atServer, 0, &bounded), up);
    QCOMPARE(atServer.count(), up.size() / kPieceBytes);
    QVERIFY(bounded);

    const QByteArray down = counting(3 << 20).toBase64().left(3 << 20);
    QCOMPARE(server.write(down), qint64(down.size()));
    QTRY_COMPARE_WITH_TIMEOUT(joined(atClient, 0, &bounded).size(), down.size(), 20000);
    QCOMPARE(joined(atClient, 0, &bounded), down);
    QVERIFY(bounded);
}

void TestLinks::tcpPeersThatTakeNothingAreCutOff()
{
    const QString why = QStringLiteral("对方不接收数据，待发送的数据超过16 MiB，已断开");
    TcpServerLink server;
    QVERIFY(server.open());
    QSignalSpy connected(&server, &TcpServerLink::clientConnected);
    QList<QString> events;
    connect(&server, &TcpServerLink::clientCutOff, this,
            [&](int, const QString &, int, const QString &reason) { events << reason; });
    connect(&server, &TcpServerLink::clientDisconnected, this, [&] { events << "gone"; });
    auto deaf = connectTo(server.port());
    QTRY_COMPARE(connected.count(), 1);
    deaf->setReadBufferSize(1);
    server.setTarget(connected.at(0).at(0).toInt());
    // Up to the bound it waits; past it the client goes, with the reason.
    QCOMPARE(server.write(QByteArray(ByteLink::kMaxUnsentBytes, 'a')), ByteLink::kMaxUnsentBytes);
    QVERIFY(events.isEmpty());
    QCOMPARE(server.write(QByteArray(1024 * 1024, 'b')), qint64(-1));
    QCOMPARE(events, (QList<QString>{why, "gone"}));
    QCOMPARE(server.clientCount(), 0);

    // The same for a server that does not read what our client sends.
    QTcpServer deafServer;
    QVERIFY(deafServer.listen(QHostAddress::LocalHost, 0));
    TcpClientLink client;
    QSignalSpy failed(&client, &ByteLink::failed);
    client.setPeer(QStringLiteral("127.0.0.1"), deafServer.serverPort());
    QVERIFY(client.open());
    QTRY_VERIFY(client.isOpen());
    QCOMPARE(client.write(QByteArray(ByteLink::kMaxUnsentBytes + 1, 'c')), qint64(-1));
    QCOMPARE(failed.count(), 1);
    QCOMPARE(failed.at(0).at(0).toString(), why);
    QVERIFY(!client.isOpen());
}

void TestLinks::singleClientServerGivesAClientSilentFor30sPlaceToANewcomer()
{
    qint64 now = 1000000;
    TcpServerLink link;
    link.setClock([&now] { return now; });
    link.setSingleClient();
    QVERIFY(link.open());
    QSignalSpy connected(&link, &TcpServerLink::clientConnected);
    QSignalSpy refused(&link, &TcpServerLink::clientRefused);
    QSignalSpy cutOff(&link, &TcpServerLink::clientCutOff);
    QSignalSpy received(&link, &TcpServerLink::chunkReceived);
    auto device = connectTo(link.port());
    QTRY_COMPARE(connected.count(), 1);
    now += 100000;
    device->write("$GPGGA\r\n");
    QTRY_VERIFY(!received.isEmpty());

    // Silent for a moment less than 30 s: a newcomer is refused.
    now += 29999;
    auto intruder = connectTo(link.port());
    QTRY_COMPARE(refused.count(), 1);
    QTRY_COMPARE(intruder->state(), QAbstractSocket::UnconnectedState);
    QCOMPARE(connected.count(), 1);

    // Silent for 30 s: the next one takes its place.
    now += 1;
    auto replacement = connectTo(link.port());
    QTRY_COMPARE(connected.count(), 2);
    QCOMPARE(cutOff.count(), 1);
    QCOMPARE(cutOff.at(0).at(0), connected.at(0).at(0));
    QCOMPARE(cutOff.at(0).at(3).toString(), QStringLiteral("30秒没有收到数据，已断开，换用新的连接"));
    QTRY_COMPARE(device->state(), QAbstractSocket::UnconnectedState);
    QCOMPARE(link.clientIDs(), QList<int>{connected.at(1).at(0).toInt()});
    QCOMPARE(refused.count(), 1);
}

void TestLinks::udpFloodIsHandedOutWhole()
{
    // More datagrams than one turn hands out: the rest come in later turns.
    UdpLink receiver, sender;
    QVERIFY(receiver.open());
    QVERIFY(sender.open());
    QSignalSpy received(&receiver, &ByteLink::received);
    sender.setTarget(QStringLiteral("127.0.0.1"), receiver.localPort());
    const int count = UdpLink::kDatagramsPerRead * 3;
    for (int i = 0; i < count; ++i)
        QCOMPARE(sender.write(QByteArray::number(i)), qint64(QByteArray::number(i).size()));
    QTRY_COMPARE(received.count(), count);
    for (int i = 0; i < count; ++i)
        QCOMPARE(received.at(i).at(0).toByteArray(), QByteArray::number(i));
}

namespace {

// Connected to the port at that address, or null once refused.
std::unique_ptr<QTcpSocket> connectVia(const char *address, quint16 port)
{
    auto socket = std::make_unique<QTcpSocket>();
    socket->connectToHost(QHostAddress(QLatin1String(address)), port);
    return socket->waitForConnected(3000) ? std::move(socket) : nullptr;
}

} // namespace

// 127.0.0.2 stands for another address of this machine: it reaches the
// loopback interface, but not a socket bound to 127.0.0.1.
void TestLinks::listenersShowTheirAddressAndThisMachineOnlyTakesNoOtherAddress()
{
    TcpServerLink anyServer, localServer;
    localServer.setScope(ListenScope::ThisMachine);
    QVERIFY(anyServer.open() && localServer.open());
    QCOMPARE(anyServer.listenAddress(), QStringLiteral("0.0.0.0:%1").arg(anyServer.port()));
    QCOMPARE(localServer.listenAddress(), QStringLiteral("127.0.0.1:%1").arg(localServer.port()));
    QVERIFY(connectVia("127.0.0.2", anyServer.port()));
    QVERIFY(!connectVia("127.0.0.2", localServer.port()));
    QVERIFY(connectVia("127.0.0.1", localServer.port()));
    localServer.close();
    QCOMPARE(localServer.listenAddress(), QString());

    UdpLink anyUdp, localUdp;
    localUdp.setScope(ListenScope::ThisMachine);
    QVERIFY(anyUdp.open() && localUdp.open());
    QCOMPARE(anyUdp.listenAddress(), QStringLiteral("0.0.0.0:%1").arg(anyUdp.localPort()));
    QCOMPARE(localUdp.listenAddress(), QStringLiteral("127.0.0.1:%1").arg(localUdp.localPort()));
    QSignalSpy atAny(&anyUdp, &ByteLink::received);
    QSignalSpy atLocal(&localUdp, &ByteLink::received);
    QUdpSocket peer;
    const QHostAddress other(QStringLiteral("127.0.0.2"));
    peer.writeDatagram("other", other, anyUdp.localPort());
    peer.writeDatagram("other", other, localUdp.localPort());
    peer.writeDatagram("loopback", QHostAddress::LocalHost, localUdp.localPort());
    QTRY_COMPARE(atLocal.count(), 1);
    QCOMPARE(atLocal.at(0).at(0).toByteArray(), QByteArray("loopback"));
    QTRY_COMPARE(atAny.count(), 1);
}

void TestLinks::singleSenderUdpIgnoresOthersUntilItsSenderIsSilentFor30s()
{
    qint64 now = 1000000;
    UdpLink link;
    link.setClock([&now] { return now; });
    link.setSingleSender();
    QVERIFY(link.open());
    QSignalSpy received(&link, &UdpLink::receivedFrom);
    QSignalSpy ignored(&link, &UdpLink::ignored);
    QUdpSocket car, intruder;
    const QHostAddress loopback(QHostAddress::LocalHost);
    QVERIFY(car.bind(loopback, 0) && intruder.bind(loopback, 0));
    const auto send = [&link](QUdpSocket &from, const char *text) {
        from.writeDatagram(text, QHostAddress(QHostAddress::LocalHost), link.localPort());
    };

    send(car, "car 1");
    QTRY_COMPARE(received.count(), 1);
    send(intruder, "intruder 1");
    send(car, "car 2");
    QTRY_COMPARE(received.count(), 2);
    QCOMPARE(received.at(1).at(2).toByteArray(), QByteArray("car 2"));
    QCOMPARE(ignored.count(), 1);
    QCOMPARE(ignored.at(0).at(0).toString(), QStringLiteral("127.0.0.1"));
    QCOMPARE(ignored.at(0).at(1).toUInt(), uint(intruder.localPort()));

    // The car silent a moment less than 30 s: still followed.
    now += 29999;
    send(intruder, "intruder 2");
    QTRY_COMPARE(ignored.count(), 2);
    QCOMPARE(received.count(), 2);

    // Silent for 30 s: the next sender is followed, the car is not.
    now += 1;
    send(intruder, "intruder 3");
    QTRY_COMPARE(received.count(), 3);
    QCOMPARE(received.at(2).at(2).toByteArray(), QByteArray("intruder 3"));
    send(car, "car 3");
    QTRY_COMPARE(ignored.count(), 3);
    QCOMPARE(link.ignoredDatagrams(), qint64(3));
    QCOMPARE(received.count(), 3);
}

QTEST_GUILESS_MAIN(TestLinks)
#include "test_links.moc"
