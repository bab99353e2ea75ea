#include "udppage.h"

#include "clocktext.h"
#include "listenscopebox.h"
#include "netpage.h"
#include "networksourcepanel.h"
#include "translation.h"
#include "udplink.h"
#include "ui_nettab.h"

UdpPage::UdpPage(Ui::NetTab &ui, Dialogs &dialogs, QWidget *form)
    : QObject(form)
    , ui(ui)
    , m_host{ui.udp_hostKind, ui.udp_ip, ui.udp_hostName}
    , m_link(new UdpLink(this))
    , m_page(new NetPage(form, QStringLiteral("udp_"), dialogs))
{
    ui.udp_ip->setText(QStringLiteral("127.0.0.1"));
    createOpenButton(dialogs, form);
    connect(m_link, &UdpLink::receivedFrom, this,
            [this](const QString &ip, quint16 port, const QByteArray &datagram) {
                m_page->received(NetLogLine::peer(ip, port), datagram);
            });
    m_page->setSender([this](const QByteArray &bytes) { return send(bytes); },
                      [this] { return sendProblem(); });
}

UdpPage::~UdpPage()
{
    m_link->disconnect();
    m_link->close();
}

void UdpPage::createOpenButton(Dialogs &dialogs, QWidget *form)
{
    auto *panel = new NetworkSourcePanel(
        {ui.udp_openButton, {ui.udp_localPort}, mainTr("打开"), mainTr("关闭"),
         mainTr("绑定失败"), ui.udp_scope, ui.udp_listenAddress},
        *m_link,
        [this] {
            m_link->setLocalPort(quint16(ui.udp_localPort->value()));
            m_link->setScope(listenScope(ui.udp_scope));
            return QString();
        },
        dialogs, form);
    // An open endpoint fails only to send.
    panel->setFailureReport([this](NetworkSourcePanel::Failure failure, const QString &why) {
        if (failure != NetworkSourcePanel::Failure::Broke) {
            m_page->failure(
                mainTr("打开UDP端口%1失败：%2").arg(ui.udp_localPort->value()).arg(why));
            return;
        }
        // A name that did not resolve is looked up again by the next send.
        m_targetHost.clear();
        m_page->sendFailed(mainTr("发送失败：%1").arg(why));
    });
    connect(panel, &NetworkSourcePanel::opened, this, [this] {
        m_page->status(mainTr("UDP已打开，本地端口%1  %2")
                           .arg(m_link->localPort())
                           .arg(clockText()));
        m_page->setReady(true);
    });
    connect(panel, &NetworkSourcePanel::closed, this, [this] {
        m_page->status(mainTr("UDP已关闭  %1").arg(clockText()));
        m_page->setReady(false);
    });
}

QString UdpPage::sendProblem() const
{
    const QString problem = m_host.problem();
    return problem.isEmpty() ? QString() : mainTr("无法发送：%1").arg(problem);
}

bool UdpPage::send(const QByteArray &bytes)
{
    if (const QString problem = sendProblem(); !problem.isEmpty()) {
        m_page->sendFailed(problem);
        return false;
    }
    const QString host = m_host.host();
    const quint16 port = quint16(ui.udp_targetPort->value());
    if (host != m_targetHost || port != m_targetPort) {
        m_link->setTarget(host, port);
        m_targetHost = host;
        m_targetPort = port;
    }
    if (m_link->write(bytes) < 0) {
        m_page->sendFailed(mainTr("发送失败：%1").arg(m_link->errorString()));
        return false;
    }
    m_page->sent(NetLogLine::peer(host, port), bytes, bytes.size());
    return true;
}
