// myTcpServer and myTcpClient with real sockets on 127.0.0.1.
#include "mytcpclient.h"
#include "mytcpserver.h"

#include <QSignalSpy>
#include <QTcpSocket>
#include <QtTest>

#include <memory>

namespace {

std::unique_ptr<QTcpSocket> connectTo(const myTcpServer &server)
{
    auto socket = std::make_unique<QTcpSocket>();
    socket->connectToHost(QHostAddress::LocalHost, server.serverPort());
    if (!socket->waitForConnected(3000))
        return nullptr;
    return socket;
}

} // namespace

class TestTcpServer : public QObject
{
    Q_OBJECT
private slots:
    void clientsAreNumberedAndKeptInConnectionOrder();
    void connectionBeyondLimitIsClosedWithoutSignal();
    void dataIsReportedOnceAfterGatheringWithItsBytes();
    void writeBroadcastAndCloseAll();
    void departedClientLeavesTheListsAndFreesItsPlace();
    void heldReadingWaitsInTheSocketAndLosesNothing();
};

void TestTcpServer::clientsAreNumberedAndKeptInConnectionOrder()
{
    myTcpServer server;
    QCOMPARE(server.connectionLimit(), 10);
    QVERIFY(server.listen(QHostAddress::LocalHost, 0));
    QSignalSpy connected(&server, &myTcpServer::ClientConnect);
    auto first = connectTo(server);
    QVERIFY(first);
    QTRY_COMPARE(connected.count(), 1);
    auto second = connectTo(server);
    QVERIFY(second);
    QTRY_COMPARE(connected.count(), 2);
    QCOMPARE(server.clientCount(), 2);
    const QList<int> ids = server.clientIDs();
    QCOMPARE(ids, (QList<int>{connected.at(0).at(0).toInt(), connected.at(1).at(0).toInt()}));
    QVERIFY(ids.at(0) > 0 && ids.at(0) != ids.at(1));
    QCOMPARE(connected.at(0).at(1).toString(), QStringLiteral("127.0.0.1"));
    QCOMPARE(connected.at(0).at(2).toInt(), int(first->localPort()));
    QCOMPARE(connected.at(1).at(2).toInt(), int(second->localPort()));
}

void TestTcpServer::connectionBeyondLimitIsClosedWithoutSignal()
{
    myTcpServer server;
    server.setConnectionLimit(1);
    QVERIFY(server.listen(QHostAddress::LocalHost, 0));
    QSignalSpy connected(&server, &myTcpServer::ClientConnect);
    QSignalSpy departed(&server, &myTcpServer::ClientDisConnect);
    auto admitted = connectTo(server);
    QVERIFY(admitted);
    QTRY_COMPARE(connected.count(), 1);
    auto refused = connectTo(server);
    QVERIFY(refused);
    QTRY_COMPARE(refused->state(), QAbstractSocket::UnconnectedState);
    QCOMPARE(connected.count(), 1);
    QCOMPARE(departed.count(), 0);
    QCOMPARE(server.clientCount(), 1);
    // The admitted client is still served.
    admitted->write("still here");
    QSignalSpy data(&server, &myTcpServer::ClientReadData);
    QTRY_COMPARE(data.count(), 1);
    const auto chunk = data.first().first().value<TcpChunk>();
    QCOMPARE(chunk.client.id, server.clientIDs().first());
    QCOMPARE(chunk.bytes, QByteArray("still here"));
}

void TestTcpServer::dataIsReportedOnceAfterGatheringWithItsBytes()
{
    myTcpServer server;
    QVERIFY(server.listen(QHostAddress::LocalHost, 0));
    QSignalSpy connected(&server, &myTcpServer::ClientConnect);
    QSignalSpy data(&server, &myTcpServer::ClientReadData);
    auto socket = connectTo(server);
    QTRY_COMPARE(connected.count(), 1);
    const int id = connected.first().first().toInt();
    socket->write("$GPGGA,1,2");
    socket->flush();
    QTest::qWait(20);
    socket->write(",3*00\r\n");
    QTRY_COMPARE(data.count(), 1);
    const auto chunk = data.first().first().value<TcpChunk>();
    QCOMPARE(chunk.client.id, id);
    QCOMPARE(chunk.client.ip, QStringLiteral("127.0.0.1"));
    QCOMPARE(chunk.client.port, int(socket->localPort()));
    QCOMPARE(chunk.bytes, QByteArray("$GPGGA,1,2,3*00\r\n"));
    QCOMPARE(server.waitingBytes(id), qint64(0));
    QCOMPARE(server.waitingBytes(id + 1000), qint64(0));
    QVERIFY(!server.writeData(id + 1000, "x"));
}

void TestTcpServer::writeBroadcastAndCloseAll()
{
    myTcpServer server;
    QVERIFY(server.listen(QHostAddress::LocalHost, 0));
    QSignalSpy connected(&server, &myTcpServer::ClientConnect);
    QSignalSpy departed(&server, &myTcpServer::ClientDisConnect);
    auto first = connectTo(server);
    auto second = connectTo(server);
    QTRY_COMPARE(connected.count(), 2);
    QVERIFY(server.writeData(server.clientIDs().at(1), "to second"));
    server.broadcast("to all");
    QTRY_COMPARE(second->bytesAvailable(), qint64(strlen("to secondto all")));
    QTRY_COMPARE(first->bytesAvailable(), qint64(strlen("to all")));
    QCOMPARE(first->readAll(), QByteArray("to all"));
    QCOMPARE(second->readAll(), QByteArray("to secondto all"));

    server.closeAllClients();
    QCOMPARE(departed.count(), 2);
    QCOMPARE(server.clientCount(), 0);
    QVERIFY(server.clientIDs().isEmpty());
    QTRY_COMPARE(first->state(), QAbstractSocket::UnconnectedState);
    QTRY_COMPARE(second->state(), QAbstractSocket::UnconnectedState);
}

void TestTcpServer::departedClientLeavesTheListsAndFreesItsPlace()
{
    myTcpServer server;
    server.setConnectionLimit(1);
    QVERIFY(server.listen(QHostAddress::LocalHost, 0));
    QSignalSpy connected(&server, &myTcpServer::ClientConnect);
    QSignalSpy departed(&server, &myTcpServer::ClientDisConnect);
    auto first = connectTo(server);
    QTRY_COMPARE(connected.count(), 1);
    const int id = connected.first().first().toInt();
    first->disconnectFromHost();
    QTRY_COMPARE(departed.count(), 1);
    QCOMPARE(departed.first().at(0).toInt(), id);
    QCOMPARE(departed.first().at(1).toString(), QStringLiteral("127.0.0.1"));
    QCOMPARE(server.clientCount(), 0);
    auto next = connectTo(server);
    QTRY_COMPARE(connected.count(), 2);
    QCOMPARE(server.clientCount(), 1);
}

void TestTcpServer::heldReadingWaitsInTheSocketAndLosesNothing()
{
    myTcpServer server;
    QVERIFY(server.listen(QHostAddress::LocalHost, 0));
    server.setReadingHeld(true);
    QSignalSpy connected(&server, &myTcpServer::ClientConnect);
    QByteArray received;
    connect(&server, &myTcpServer::ClientReadData,
            [&received](const TcpChunk &chunk) { received += chunk.bytes; });
    auto peer = connectTo(server);
    QVERIFY(peer);
    QTRY_COMPARE(connected.count(), 1);
    const int id = connected.first().first().toInt();
    QByteArray sent;
    for (int i = 0; sent.size() < 1024 * 1024; ++i)
        sent += QByteArray::number(i) + ',';
    peer->write(sent);
    // The socket takes one piece, the rest waits in the system.
    QTRY_COMPARE(server.waitingBytes(id), myTcpClient::kReadPieceBytes);
    QVERIFY(received.isEmpty());

    server.setReadingHeld(false);
    QTRY_COMPARE(received.size(), sent.size());
    QCOMPARE(received, sent);
}

QTEST_GUILESS_MAIN(TestTcpServer)
#include "test_tcpserver.moc"
