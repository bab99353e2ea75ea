#include "tcpclientpage.h"

#include "clocktext.h"
#include "netpage.h"
#include "networksourcepanel.h"
#include "tcpclientlink.h"
#include "textcodec.h"
#include "translation.h"
#include "ui_nettab.h"

TcpClientPage::TcpClientPage(Ui::NetTab &ui, Dialogs &dialogs, QWidget *form)
    : QObject(form)
    , ui(ui)
    , m_host{ui.tcp_client_hostKind, ui.tcp_client_ip, ui.tcp_client_hostName}
    , m_link(new TcpClientLink(this))
    , m_page(new NetPage(form, QStringLiteral("tcp_client_"), dialogs))
    , m_decoder(std::make_unique<StreamTextDecoder>())
{
    ui.tcp_client_ip->setText(QStringLiteral("127.0.0.1"));
    createConnectButton(dialogs, form);
    connect(m_link, &ByteLink::received, this,
            [this](const QByteArray &bytes) { m_page->received(peer(), bytes, m_decoder.get()); });
    m_page->setSender([this](const QByteArray &bytes) { return send(bytes); });
}

TcpClientPage::~TcpClientPage()
{
    m_link->disconnect();
    m_link->close();
}

void TcpClientPage::createConnectButton(Dialogs &dialogs, QWidget *form)
{
    NetworkSourceWidgets widgets{ui.tcp_client_connectButton,
                                 {m_host.kind, m_host.ip, m_host.name, ui.tcp_client_port},
                                 mainTr("连接"),
                                 mainTr("断开"),
                                 mainTr("连接失败")};
    widgets.openingText = mainTr("取消连接");
    m_panel = new NetworkSourcePanel(
        widgets, *m_link,
        [this] {
            const QString problem = m_host.problem();
            if (problem.isEmpty())
                m_link->setPeer(m_host.host(), quint16(ui.tcp_client_port->value()));
            return problem;
        },
        dialogs, form);
    using Failure = NetworkSourcePanel::Failure;
    m_panel->setFailureReport([this](Failure failure, const QString &why) {
        switch (failure) {
        case Failure::NotStarted:
            m_page->failure(mainTr("无法连接：%1").arg(why));
            break;
        case Failure::NotOpened:
            m_page->failure(mainTr("连接失败：%1").arg(why));
            break;
        case Failure::Broke:
            m_page->failure(mainTr("连接出错：%1").arg(why));
            break;
        case Failure::Lost:
            m_page->failure(mainTr("服务器已断开连接:[%1]  %2").arg(peer(), clockText()));
            break;
        }
    });
    connect(m_panel, &NetworkSourcePanel::activeChanged, this, &TcpClientPage::onActiveChanged);
    connect(m_panel, &NetworkSourcePanel::opened, this, &TcpClientPage::onConnected);
    connect(m_panel, &NetworkSourcePanel::stoppedByUser, this, &TcpClientPage::onStoppedByUser);
}

QString TcpClientPage::peer() const
{
    return NetLogLine::peer(m_link->host(), m_link->peerPort());
}

void TcpClientPage::onActiveChanged()
{
    if (m_panel->isActive()) {
        m_decoder->reset();
        m_page->status(mainTr("正在连接 %1 ...").arg(peer()));
    }
    m_page->setReady(m_panel->isOpen());
}

void TcpClientPage::onConnected()
{
    m_page->status(mainTr("连接成功:[%1]  %2  本地端口%3")
                       .arg(peer(), clockText())
                       .arg(m_link->localPort()));
    m_page->setReady(true);
}

void TcpClientPage::onStoppedByUser(bool wasConnected)
{
    m_page->status(wasConnected ? mainTr("已断开连接  %1").arg(clockText())
                                : mainTr("已取消连接  %1").arg(clockText()));
}

bool TcpClientPage::send(const QByteArray &bytes)
{
    if (m_link->write(bytes) < 0) {
        m_page->sendFailed(mainTr("发送失败：未连接"));
        return false;
    }
    m_page->sent(peer(), bytes, bytes.size());
    return true;
}
