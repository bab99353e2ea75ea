#include "tcpclientpage.h"

#include "clocktext.h"
#include "netpage.h"
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
    connect(ui.tcp_client_connectButton, &QPushButton::clicked, this,
            &TcpClientPage::toggleConnection);
    connect(m_link, &ByteLink::opened, this, &TcpClientPage::onConnected);
    connect(m_link, &ByteLink::failed, this, &TcpClientPage::onFailed);
    connect(m_link, &ByteLink::lost, this, &TcpClientPage::onLost);
    connect(m_link, &ByteLink::received, this,
            [this](const QByteArray &bytes) { m_page->received(peer(), bytes, m_decoder.get()); });
    m_page->setSender([this](const QByteArray &bytes) { return send(bytes); });
    show(State::Closed);
}

TcpClientPage::~TcpClientPage()
{
    m_link->disconnect(this);
    m_link->close();
}

QString TcpClientPage::peer() const
{
    return NetLogLine::peer(m_link->host(), m_link->peerPort());
}

void TcpClientPage::toggleConnection()
{
    if (m_state == State::Closed)
        startConnecting();
    else
        disconnectByUser();
}

void TcpClientPage::startConnecting()
{
    if (const QString problem = m_host.problem(); !problem.isEmpty()) {
        m_page->failure(mainTr("无法连接：%1").arg(problem));
        return;
    }
    m_link->setPeer(m_host.host(), quint16(ui.tcp_client_port->value()));
    if (!m_link->open()) {
        m_page->failure(mainTr("无法连接：%1").arg(m_link->errorString()));
        return;
    }
    m_decoder->reset();
    m_page->status(mainTr("正在连接 %1 ...").arg(peer()));
    show(State::Connecting);
}

void TcpClientPage::disconnectByUser()
{
    const bool wasConnected = m_state == State::Connected;
    m_link->close();
    m_page->status(wasConnected ? mainTr("已断开连接  %1").arg(clockText())
                                : mainTr("已取消连接  %1").arg(clockText()));
    show(State::Closed);
}

void TcpClientPage::onConnected()
{
    m_page->status(mainTr("连接成功:[%1]  %2  本地端口%3")
                       .arg(peer(), clockText())
                       .arg(m_link->localPort()));
    show(State::Connected);
}

void TcpClientPage::onFailed(const QString &text)
{
    m_page->failure(m_state == State::Connected ? mainTr("连接出错：%1").arg(text)
                                                : mainTr("连接失败：%1").arg(text));
    show(State::Closed);
}

void TcpClientPage::onLost()
{
    m_page->failure(mainTr("服务器已断开连接:[%1]  %2").arg(peer(), clockText()));
    show(State::Closed);
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

void TcpClientPage::show(State state)
{
    m_state = state;
    ui.tcp_client_connectButton->setText(state == State::Closed       ? mainTr("连接")
                                         : state == State::Connecting ? mainTr("取消连接")
                                                                      : mainTr("断开"));
    m_host.setEnabled(state == State::Closed);
    ui.tcp_client_port->setEnabled(state == State::Closed);
    m_page->setReady(state == State::Connected);
}
