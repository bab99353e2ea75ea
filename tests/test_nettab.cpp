// The network assistant's three pages as a user drives them, against real
// sockets on 127.0.0.1.
#include "loopbacksockets.h"
#include "mytcpserver.h"
#include "netpage.h"
#include "nettab.h"
#include "scripteddialogs.h"
#include "tcpclientpage.h"
#include "tcpserverlink.h"
#include "tcpserverpage.h"
#include "testfiles.h"
#include "textcodec.h"
#include "udplink.h"
#include "udppage.h"
#include "widgetlookup.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QSpinBox>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTextEdit>
#include <QTreeWidget>
#include <QUdpSocket>
#include <QtTest>

#include <memory>
#include <vector>

#include "ciplineedit.h"

class TestNetTab : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void serverNumbersTenClientsRefusesTheEleventhAndSendsToOneOrAll();
    void clientsLeaveTheListAtOnceAndStoppingLeavesNoSocket();
    void clientExchangesTextAndHexWithALoopbackServer();
    void udpRoundTripByHostNameShowsTheSender();
    void listenersShowWhereTheyAreBoundAndMayKeepToThisMachine();
    void failuresAreLogged();
    void clientMayGiveUpConnectingAndAFailedUdpSendLeavesItOpen();
    void largeStreamIsCountedAndFiledWholeWhileTheLogStaysBounded();

private:
    template <typename T>
    T *w(const char *name) const
    {
        return child<T>(m_tab.get(), QLatin1String(name));
    }
    QString log(const char *prefix) const
    {
        return w<QTextEdit>(QByteArray(prefix).append("log").constData())->toPlainText();
    }
    void send(const char *prefix, const QString &text, bool hex = false);
    quint16 startServer();
    std::unique_ptr<QTcpSocket> connectClientPage(QTcpServer &server);

    std::unique_ptr<ScriptedDialogs> m_dialogs;
    std::unique_ptr<NetTab> m_tab;
};

void TestNetTab::init()
{
    m_dialogs = std::make_unique<ScriptedDialogs>();
    m_tab = std::make_unique<NetTab>(*m_dialogs);
    m_tab->show();
}

void TestNetTab::cleanup()
{
    m_tab.reset();
    m_dialogs.reset();
}

void TestNetTab::send(const char *prefix, const QString &text, bool hex)
{
    const QByteArray p(prefix);
    w<QCheckBox>(QByteArray(p).append("sendHex_ck").constData())->setChecked(hex);
    w<QPlainTextEdit>(QByteArray(p).append("sendEdit").constData())->setPlainText(text);
    w<QPushButton>(QByteArray(p).append("sendButton").constData())->click();
}

quint16 TestNetTab::startServer()
{
    w<QSpinBox>("tcp_server_port")->setValue(0); // the system chooses
    w<QPushButton>("tcp_server_listenButton")->click();
    const TcpServerLink *link = m_tab->serverPage()->link();
    return link->isOpen() ? link->port() : 0;
}

std::unique_ptr<QTcpSocket> TestNetTab::connectClientPage(QTcpServer &server)
{
    w<QSpinBox>("tcp_client_port")->setValue(server.serverPort());
    w<QPushButton>("tcp_client_connectButton")->click();
    if (!server.waitForNewConnection(3000))
        return nullptr;
    return std::unique_ptr<QTcpSocket>(server.nextPendingConnection());
}

void TestNetTab::serverNumbersTenClientsRefusesTheEleventhAndSendsToOneOrAll()
{
    const quint16 port = startServer();
    QVERIFY(port != 0);
    QTRY_VERIFY(log("tcp_server_").contains(QStringLiteral("监听成功，端口%1").arg(port)));
    std::vector<std::unique_ptr<QTcpSocket>> clients;
    for (int i = 0; i < myTcpServer::kDefaultLimit; ++i) {
        clients.push_back(connectTo(port));
        QVERIFY(clients.back());
    }
    auto *list = w<QTreeWidget>("tcp_server_clientList");
    QTRY_COMPARE(list->topLevelItemCount(), 10);
    const QList<int> ids = m_tab->serverPage()->link()->clientIDs();
    for (int i = 0; i < 10; ++i) {
        const QTreeWidgetItem *row = list->topLevelItem(i);
        QCOMPARE(row->text(0), QString::number(ids.at(i)));
        QCOMPARE(row->text(1), QStringLiteral("127.0.0.1"));
        QCOMPARE(row->text(2), QString::number(clients[i]->localPort()));
    }

    auto eleventh = connectTo(port);
    QVERIFY(eleventh);
    QTRY_COMPARE(eleventh->state(), QAbstractSocket::UnconnectedState);
    QTRY_VERIFY(log("tcp_server_").contains(QStringLiteral("拒绝连接")));
    QCOMPARE(list->topLevelItemCount(), 10);

    auto *target = w<QComboBox>("tcp_server_targetBox");
    target->setCurrentIndex(target->findData(ids.at(3)));
    send("tcp_server_", QStringLiteral("only"));
    target->setCurrentIndex(target->findData(TcpServerLink::kAllClients));
    send("tcp_server_", QStringLiteral("all"));
    for (int i = 0; i < 10; ++i) {
        const QByteArray expected = i == 3 ? "onlyall" : "all";
        QCOMPARE(readFrom(*clients[i], expected.size()), expected);
    }
    QCOMPARE(m_tab->serverPage()->page()->sentTotal(), qint64(4 + 3 * 10));
    QTRY_VERIFY(log("tcp_server_").contains(
        QStringLiteral("[127.0.0.1:%1]").arg(clients[3]->localPort())));
}

void TestNetTab::clientsLeaveTheListAtOnceAndStoppingLeavesNoSocket()
{
    const quint16 port = startServer();
    auto leaving = connectTo(port);
    auto dropped = connectTo(port);
    auto staying = connectTo(port);
    QVERIFY(leaving && dropped && staying);
    auto *list = w<QTreeWidget>("tcp_server_clientList");
    QTRY_COMPARE(list->topLevelItemCount(), 3);

    // What a client says just before it leaves is still shown, before the
    // notice of its departure; sending to it stops with it.
    auto *target = w<QComboBox>("tcp_server_targetBox");
    target->setCurrentIndex(1);
    w<QPlainTextEdit>("tcp_server_sendEdit")->setPlainText(QStringLiteral("tick"));
    w<QCheckBox>("tcp_server_autoSend_ck")->setChecked(true);
    QVERIFY(m_tab->serverPage()->page()->autoSending());
    leaving->write("bye");
    leaving->disconnectFromHost();
    QTRY_COMPARE(list->topLevelItemCount(), 2);
    QTRY_VERIFY(log("tcp_server_").contains(QStringLiteral("下线通知")));
    const QString text = log("tcp_server_");
    QVERIFY(text.contains(QStringLiteral("bye")));
    QVERIFY(text.indexOf(QStringLiteral("bye")) < text.indexOf(QStringLiteral("下线通知")));
    QCOMPARE(target->currentData().toInt(), TcpServerLink::kAllClients);
    QVERIFY(!m_tab->serverPage()->page()->autoSending());

    list->setCurrentItem(list->topLevelItem(0));
    QCOMPARE(list->topLevelItem(0)->text(2), QString::number(dropped->localPort()));
    w<QPushButton>("tcp_server_dropButton")->click();
    QCOMPARE(list->topLevelItemCount(), 1);
    QTRY_COMPARE(dropped->state(), QAbstractSocket::UnconnectedState);

    w<QPushButton>("tcp_server_listenButton")->click();
    QCOMPARE(list->topLevelItemCount(), 0);
    QCOMPARE(target->count(), 1);
    QTRY_COMPARE(staying->state(), QAbstractSocket::UnconnectedState);
    QTRY_VERIFY(m_tab->serverPage()->link()->findChildren<QTcpSocket *>().isEmpty());
    QTcpSocket late;
    late.connectToHost(QHostAddress::LocalHost, port);
    QVERIFY(!late.waitForConnected(3000));
    QCOMPARE(late.error(), QAbstractSocket::ConnectionRefusedError);
}

void TestNetTab::clientExchangesTextAndHexWithALoopbackServer()
{
    QTcpServer server;
    QVERIFY(server.listen(QHostAddress::LocalHost, 0));
    auto peer = connectClientPage(server);
    QVERIFY(peer);
    QTRY_VERIFY(log("tcp_client_").contains(QStringLiteral("连接成功")));
    QCOMPARE(w<QPushButton>("tcp_client_connectButton")->text(), QStringLiteral("断开"));

    const QByteArray text = textToBytes(QStringLiteral("你好\n"));
    send("tcp_client_", QStringLiteral("你好\n"));
    QCOMPARE(readFrom(*peer, text.size()), text);
    send("tcp_client_", QStringLiteral("1A 2b"), true);
    QCOMPARE(readFrom(*peer, 2), QByteArray("\x1a\x2b"));
    QTRY_VERIFY(log("tcp_client_").contains(QStringLiteral("1A 2B ")));

    const QString peerText = QStringLiteral("[127.0.0.1:%1]").arg(server.serverPort());
    peer->write(textToBytes(QStringLiteral("回复<ok>")));
    QTRY_VERIFY(log("tcp_client_").contains(QStringLiteral("回复<ok>")));
    QVERIFY(log("tcp_client_").contains(peerText));
    w<QCheckBox>("tcp_client_recvHex_ck")->setChecked(true);
    peer->write("\x01\xfe");
    QTRY_VERIFY(log("tcp_client_").contains(QStringLiteral("01 FE ")));

    const NetPage *page = m_tab->clientPage()->page();
    QCOMPARE(page->sentTotal(), qint64(text.size() + 2));
    QCOMPARE(page->receivedTotal(), qint64(textToBytes(QStringLiteral("回复<ok>")).size() + 2));
    QTRY_COMPARE(w<QLabel>("tcp_client_counters")->text(),
                 trafficText(page->receivedTotal(), page->sentTotal()));

    peer->disconnectFromHost();
    QTRY_VERIFY(log("tcp_client_").contains(QStringLiteral("服务器已断开连接")));
    QCOMPARE(w<QPushButton>("tcp_client_connectButton")->text(), QStringLiteral("连接"));
    QVERIFY(!w<QPushButton>("tcp_client_sendButton")->isEnabled());
}

void TestNetTab::udpRoundTripByHostNameShowsTheSender()
{
    QUdpSocket peer;
    QVERIFY(peer.bind(QHostAddress(QHostAddress::LocalHost), 0));
    w<QSpinBox>("udp_localPort")->setValue(0);
    w<QPushButton>("udp_openButton")->click();
    const quint16 localPort = m_tab->udpPage()->link()->localPort();
    QVERIFY(m_tab->udpPage()->link()->isOpen());
    w<QComboBox>("udp_hostKind")->setCurrentIndex(1);
    w<QLineEdit>("udp_hostName")->setText(QStringLiteral("localhost"));
    w<QSpinBox>("udp_targetPort")->setValue(peer.localPort());
    send("udp_", QStringLiteral("ping"));

    QTRY_VERIFY(peer.hasPendingDatagrams());
    QHostAddress sender;
    quint16 senderPort = 0;
    QByteArray datagram(16, '\0');
    datagram.resize(int(peer.readDatagram(datagram.data(), datagram.size(), &sender, &senderPort)));
    QCOMPARE(datagram, QByteArray("ping"));
    QCOMPARE(senderPort, localPort);

    peer.writeDatagram("pong", QHostAddress::LocalHost, localPort);
    QTRY_VERIFY(log("udp_").contains(QStringLiteral("pong")));
    QVERIFY(log("udp_").contains(QStringLiteral("[127.0.0.1:%1]").arg(peer.localPort())));
    QVERIFY(log("udp_").contains(QStringLiteral("[localhost:%1]").arg(peer.localPort())));

    w<QPushButton>("udp_openButton")->click();
    QVERIFY(!m_tab->udpPage()->link()->isOpen());
    QUdpSocket rebind;
    QVERIFY(rebind.bind(QHostAddress(QHostAddress::Any), localPort));
}

void TestNetTab::listenersShowWhereTheyAreBoundAndMayKeepToThisMachine()
{
    auto *serverAddress = w<QLabel>("tcp_server_listenAddress");
    const quint16 anyPort = startServer();
    QCOMPARE(serverAddress->text(), QStringLiteral("0.0.0.0:%1").arg(anyPort));
    QVERIFY(!w<QComboBox>("tcp_server_scope")->isEnabled());
    w<QPushButton>("tcp_server_listenButton")->click();
    QCOMPARE(serverAddress->text(), QString());

    w<QComboBox>("tcp_server_scope")->setCurrentText(QStringLiteral("仅本机"));
    const quint16 localPort = startServer();
    QCOMPARE(serverAddress->text(), QStringLiteral("127.0.0.1:%1").arg(localPort));
    QTcpSocket viaOtherAddress;
    viaOtherAddress.connectToHost(QHostAddress(QStringLiteral("127.0.0.2")), localPort);
    QVERIFY(!viaOtherAddress.waitForConnected(3000));

    w<QComboBox>("udp_scope")->setCurrentText(QStringLiteral("仅本机"));
    w<QSpinBox>("udp_localPort")->setValue(0);
    w<QPushButton>("udp_openButton")->click();
    QCOMPARE(w<QLabel>("udp_listenAddress")->text(),
             QStringLiteral("127.0.0.1:%1").arg(m_tab->udpPage()->link()->localPort()));
    QVERIFY(!w<QComboBox>("udp_scope")->isEnabled());
}

void TestNetTab::failuresAreLogged()
{
    w<QSpinBox>("tcp_client_port")->setValue(closedPort());
    w<QPushButton>("tcp_client_connectButton")->click();
    QTRY_VERIFY(log("tcp_client_").contains(QStringLiteral("连接被拒绝")));
    QCOMPARE(w<QPushButton>("tcp_client_connectButton")->text(), QStringLiteral("连接"));

    w<CIPLineEdit>("tcp_client_ip")->setText(QStringLiteral("127.0.0"));
    w<QPushButton>("tcp_client_connectButton")->click();
    QTRY_VERIFY(log("tcp_client_").contains(QStringLiteral("IP地址不完整")));

    w<QComboBox>("tcp_client_hostKind")->setCurrentIndex(1);
    w<QLineEdit>("tcp_client_hostName")->setText(QStringLiteral("no-such-host.invalid"));
    w<QPushButton>("tcp_client_connectButton")->click();
    QTRY_VERIFY_WITH_TIMEOUT(log("tcp_client_").contains(QStringLiteral("找不到主机")), 60000);

    QTcpServer holder;
    QVERIFY(holder.listen(QHostAddress::Any, 0));
    w<QSpinBox>("tcp_server_port")->setValue(holder.serverPort());
    w<QPushButton>("tcp_server_listenButton")->click();
    QTRY_VERIFY(log("tcp_server_").contains(QStringLiteral("端口已被占用")));
    QVERIFY(!m_tab->serverPage()->link()->isOpen());
    QCOMPARE(w<QPushButton>("tcp_server_listenButton")->text(), QStringLiteral("开始监听"));

    QUdpSocket udpHolder;
    QVERIFY(udpHolder.bind(QHostAddress(QHostAddress::Any), 0));
    w<QSpinBox>("udp_localPort")->setValue(udpHolder.localPort());
    w<QPushButton>("udp_openButton")->click();
    QTRY_VERIFY(log("udp_").contains(QStringLiteral("端口已被占用")));
}

void TestNetTab::clientMayGiveUpConnectingAndAFailedUdpSendLeavesItOpen()
{
    QTcpServer server;
    QVERIFY(server.listen(QHostAddress::LocalHost, 0));
    w<QComboBox>("tcp_client_hostKind")->setCurrentIndex(1);
    w<QLineEdit>("tcp_client_hostName")->setText(QStringLiteral("localhost"));
    w<QSpinBox>("tcp_client_port")->setValue(server.serverPort());
    auto *button = w<QPushButton>("tcp_client_connectButton");
    // A name is looked up first: the connection is still being made.
    button->click();
    QCOMPARE(button->text(), QStringLiteral("取消连接"));
    QVERIFY(!w<QSpinBox>("tcp_client_port")->isEnabled());
    button->click();
    QCOMPARE(button->text(), QStringLiteral("连接"));
    QVERIFY(w<QLineEdit>("tcp_client_hostName")->isEnabled());
    QTRY_VERIFY(log("tcp_client_").contains(QStringLiteral("已取消连接")));
    button->click();
    QTRY_VERIFY(log("tcp_client_").contains(QStringLiteral("连接成功")));
    button->click();
    QTRY_VERIFY(log("tcp_client_").contains(QStringLiteral("已断开连接")));

    w<QSpinBox>("udp_localPort")->setValue(0);
    w<QPushButton>("udp_openButton")->click();
    w<QComboBox>("udp_hostKind")->setCurrentIndex(1);
    w<QLineEdit>("udp_hostName")->setText(QStringLiteral("no-such-host.invalid"));
    send("udp_", QStringLiteral("ping"));
    QTRY_VERIFY_WITH_TIMEOUT(log("udp_").contains(QStringLiteral("发送失败：找不到主机")), 60000);
    QVERIFY(m_tab->udpPage()->link()->isOpen());
    QCOMPARE(w<QPushButton>("udp_openButton")->text(), QStringLiteral("关闭"));
}

void TestNetTab::largeStreamIsCountedAndFiledWholeWhileTheLogStaysBounded()
{
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("received.bin"));
    m_dialogs->fileAnswers.enqueue(file);
    w<QCheckBox>("tcp_server_file_ck")->setChecked(true);
    const quint16 port = startServer();
    auto client = connectTo(port);
    QVERIFY(client);
    QTRY_COMPARE(w<QTreeWidget>("tcp_server_clientList")->topLevelItemCount(), 1);

    QByteArray stream;
    for (int i = 0; stream.size() < (4 << 20); ++i)
        stream.append(QByteArray::number(i).rightJustified(8, '0') + "\r\n");
    client->write(stream);
    NetPage *page = m_tab->serverPage()->page();
    QTRY_COMPARE_WITH_TIMEOUT(page->receivedTotal(), qint64(stream.size()), 30000);
    QTRY_VERIFY(!page->redrawPending());
    // The receive file flushes itself within a second of the last write.
    QTRY_COMPARE_WITH_TIMEOUT(contentOf(file), stream, 1500);
    QVERIFY(w<QTextEdit>("tcp_server_log")->document()->characterCount() < NetLog::kCharLimit);
    // The stream comes in bounded reads, a line each: the newest number may
    // be split between the last two.
    QString shown = log("tcp_server_");
    shown.remove(QRegularExpression(QStringLiteral("\\[127\\.0\\.0\\.1:\\d+\\]  [\\d:]{8}\n")));
    shown.remove(QLatin1Char('\n'));
    QVERIFY(shown.endsWith(QString::fromLatin1(stream.right(10).left(8))));

    // Cleared, the view starts afresh with the next line alone.
    w<QPushButton>("tcp_server_clearLogButton")->click();
    client->write("after clearing");
    QTRY_VERIFY(log("tcp_server_").endsWith(QStringLiteral("after clearing")));
    QTRY_VERIFY(!page->redrawPending());
    QVERIFY(log("tcp_server_").startsWith(QStringLiteral("[127.0.0.1:")));
    QCOMPARE(log("tcp_server_").count(QLatin1Char('\n')), 1);

    // Auto send repeats while there is a client, and stops with it.
    w<QSpinBox>("tcp_server_autoSendMs")->setValue(10);
    w<QPlainTextEdit>("tcp_server_sendEdit")->setPlainText(QStringLiteral("tick"));
    w<QCheckBox>("tcp_server_autoSend_ck")->setChecked(true);
    QVERIFY(readFrom(*client, 12).startsWith("ticktick" "tick"));
    client->disconnectFromHost();
    QTRY_VERIFY(!page->autoSending());
}

QTEST_MAIN(TestNetTab)
#include "test_nettab.moc"
