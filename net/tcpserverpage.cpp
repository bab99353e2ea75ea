#include "tcpserverpage.h"

#include "clocktext.h"
#include "listenscopebox.h"
#include "netpage.h"
#include "networksourcepanel.h"
#include "tcpserverlink.h"
#include "textcodec.h"
#include "translation.h"
#include "ui_nettab.h"

#include <QHeaderView>

namespace {

enum Column { NumberColumn, AddressColumn, PortColumn };

} // namespace

TcpServerPage::TcpServerPage(Ui::NetTab &ui, Dialogs &dialogs, QWidget *form)
    : QObject(form)
    , ui(ui)
    , m_link(new TcpServerLink(this))
    , m_page(new NetPage(form, QStringLiteral("tcp_server_"), dialogs))
{
    ui.tcp_server_targetBox->addItem(mainTr("所有客户端"), TcpServerLink::kAllClients);
    ui.tcp_server_clientList->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
    connect(ui.tcp_server_dropButton, &QPushButton::clicked, this,
            &TcpServerPage::dropSelectedClient);
    connect(m_link, &TcpServerLink::clientConnected, this, &TcpServerPage::onClientConnected);
    connect(m_link, &TcpServerLink::clientDisconnected, this,
            &TcpServerPage::onClientDisconnected);
    connect(m_link, &TcpServerLink::clientRefused, this, &TcpServerPage::onClientRefused);
    connect(m_link, &TcpServerLink::clientCutOff, this,
            [this](int, const QString &ip, int port, const QString &reason) {
                m_page->failure(mainTr("断开客户端:[%1]  %2  %3")
                                    .arg(NetLogLine::peer(ip, port), clockText(), reason));
            });
    connect(m_link, &TcpServerLink::chunkReceived, this, &TcpServerPage::onReceived);
    m_page->setSender([this](const QByteArray &bytes) { return send(bytes); });
    createListenButton(dialogs, form);
    updateReady();
}

TcpServerPage::~TcpServerPage()
{
    // The form's widgets are gone by now: close without reporting into them
    // or into the button.
    m_link->disconnect();
    m_link->close();
}

void TcpServerPage::createListenButton(Dialogs &dialogs, QWidget *form)
{
    auto *panel = new NetworkSourcePanel(
        {ui.tcp_server_listenButton, {ui.tcp_server_port}, mainTr("开始监听"), mainTr("停止监听"),
         mainTr("监听失败"), ui.tcp_server_scope, ui.tcp_server_listenAddress},
        *m_link,
        [this] {
            m_link->setPort(quint16(ui.tcp_server_port->value()));
            m_link->setScope(listenScope(ui.tcp_server_scope));
            return QString();
        },
        dialogs, form);
    panel->setFailureReport([this](const QString &, const QString &why) {
        m_page->failure(mainTr("监听端口%1失败：%2").arg(ui.tcp_server_port->value()).arg(why));
    });
    connect(panel, &NetworkSourcePanel::opened, this, [this] {
        m_page->status(mainTr("监听成功，端口%1  %2").arg(m_link->port()).arg(clockText()));
        updateReady();
    });
    connect(panel, &NetworkSourcePanel::closed, this, [this] {
        m_page->status(mainTr("停止监听成功  %1").arg(clockText()));
        updateReady();
    });
}

void TcpServerPage::updateReady()
{
    const bool hasClients = ui.tcp_server_clientList->topLevelItemCount() > 0;
    m_page->setReady(hasClients);
    ui.tcp_server_dropButton->setEnabled(hasClients);
}

void TcpServerPage::onClientConnected(int clientID, const QString &ip, int port)
{
    auto *row = new QTreeWidgetItem(
        {QString::number(clientID), ip, QString::number(port)});
    row->setData(NumberColumn, Qt::UserRole, clientID);
    ui.tcp_server_clientList->addTopLevelItem(row);
    ui.tcp_server_targetBox->addItem(
        QStringLiteral("%1  [%2]").arg(clientID).arg(NetLogLine::peer(ip, port)), clientID);
    m_clients[clientID] = {NetLogLine::peer(ip, port), std::make_unique<StreamTextDecoder>()};
    m_page->status(mainTr("上线通知:[%1]  %2  编号%3")
                       .arg(NetLogLine::peer(ip, port), clockText())
                       .arg(clientID));
    updateReady();
}

void TcpServerPage::onClientDisconnected(int clientID, const QString &ip, int port)
{
    QTreeWidget *list = ui.tcp_server_clientList;
    for (int i = list->topLevelItemCount() - 1; i >= 0; --i) {
        if (list->topLevelItem(i)->data(NumberColumn, Qt::UserRole).toInt() == clientID)
            delete list->takeTopLevelItem(i);
    }
    QComboBox *targets = ui.tcp_server_targetBox;
    const int target = targets->findData(clientID);
    if (target == targets->currentIndex()) {
        // Nothing meant for the departed client goes to another one.
        targets->setCurrentIndex(0);
        if (m_page->autoSending())
            m_page->sendFailed(mainTr("客户端%1已断开，定时发送已停止").arg(clientID));
    }
    if (target > 0)
        targets->removeItem(target);
    m_clients.erase(clientID);
    m_page->status(mainTr("下线通知:[%1]  %2  编号%3")
                       .arg(NetLogLine::peer(ip, port), clockText())
                       .arg(clientID));
    updateReady();
}

void TcpServerPage::onClientRefused(const QString &ip, int port)
{
    m_page->failure(mainTr("拒绝连接:[%1]  %2  客户端已达上限%3个")
                        .arg(NetLogLine::peer(ip, port), clockText())
                        .arg(m_link->connectionLimit()));
}

void TcpServerPage::onReceived(const TcpChunk &chunk)
{
    const auto client = m_clients.find(chunk.client.id);
    m_page->received(NetLogLine::peer(chunk.client.ip, chunk.client.port), chunk.bytes,
                     client != m_clients.end() ? client->second.decoder.get() : nullptr);
}

bool TcpServerPage::send(const QByteArray &bytes)
{
    const int clients = m_link->clientCount();
    if (clients == 0) {
        m_page->sendFailed(mainTr("没有已连接的客户端"));
        return false;
    }
    const int target = ui.tcp_server_targetBox->currentData().toInt();
    m_link->setTarget(target);
    if (target == TcpServerLink::kAllClients) {
        m_link->write(bytes);
        m_page->sent(mainTr("所有客户端"), bytes, bytes.size() * qint64(clients));
        return true;
    }
    const auto client = m_clients.find(target);
    if (client == m_clients.end() || m_link->write(bytes) < 0) {
        m_page->sendFailed(mainTr("发送失败：客户端%1已断开").arg(target));
        return false;
    }
    m_page->sent(client->second.peer, bytes, bytes.size());
    return true;
}

void TcpServerPage::dropSelectedClient()
{
    const QTreeWidgetItem *row = ui.tcp_server_clientList->currentItem();
    if (!row) {
        m_page->failure(mainTr("请先在列表中选择要断开的客户端"));
        return;
    }
    m_link->dropClient(row->data(NumberColumn, Qt::UserRole).toInt());
}
