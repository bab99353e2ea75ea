#include "sourceselector.h"

#include "capturecontrols.h"
#include "ciplineedit.h"
#include "dialogs.h"
#include "listenscopebox.h"
#include "seriallink.h"
#include "tcpclientlink.h"
#include "tcpserverlink.h"
#include "translation.h"
#include "udplink.h"

#include <QComboBox>
#include <QLineEdit>
#include <QSpinBox>
#include <QStackedWidget>

namespace {

// What a field of a network source holds, as typed.
QString fieldText(const QList<QWidget *> &fields, int index)
{
    QWidget *field = fields.value(index);
    if (const auto *spin = qobject_cast<QSpinBox *>(field))
        return QString::number(spin->value());
    if (const auto *edit = qobject_cast<QLineEdit *>(field))
        return edit->text();
    return {};
}

QString peerText(const QString &ip, int port)
{
    return QStringLiteral("%1:%2").arg(ip).arg(port);
}

quint16 fieldPort(const QList<QWidget *> &fields, int index)
{
    return quint16(fieldText(fields, index).toUInt());
}

} // namespace

SourceSelector::SourceSelector(QComboBox *selector, QStackedWidget *pages, Dialogs &dialogs,
                               QWidget *tab)
    : SourceSelector(pages, dialogs, tab)
{
    m_selector = selector;
    m_pages = pages;
    connect(m_selector, qOverload<int>(&QComboBox::currentIndexChanged), this,
            &SourceSelector::onChosen);
}

SourceSelector::SourceSelector(QWidget *controls, Dialogs &dialogs, QWidget *tab)
    : QObject(tab)
    , m_lockedInReplay(controls)
    , m_dialogs(dialogs)
    , m_tab(tab)
{
}

SerialLink *SourceSelector::addSerial(const SerialPanelWidgets &widgets,
                                      const PortListSource &portSource)
{
    auto *link = new SerialLink(this);
    m_serialPanel = new SerialPortPanel(widgets, *link, m_dialogs, portSource, m_tab);
    connect(m_serialPanel, &SerialPortPanel::opened, this, &SourceSelector::opened);
    connect(m_serialPanel, &SerialPortPanel::closed, this, &SourceSelector::closed);
    connect(m_serialPanel, &SerialPortPanel::linkStateChanged, this, &SourceSelector::updateState);
    connect(link, &ByteLink::received, this, &SourceSelector::onLiveBytes);
    m_sources.push_back({link, nullptr, [widgets] {
                             return QStringLiteral("serial %1 %2 %3 %4 %5")
                                 .arg(widgets.portBox->currentText(),
                                      widgets.baudRateBox->currentText(),
                                      widgets.dataBitsBox->currentText(),
                                      widgets.parityBox->currentText(),
                                      widgets.stopBitsBox->currentText());
                         },
                         nullptr});
    return link;
}

TcpServerLink *SourceSelector::addTcpServer(const NetworkSourceWidgets &widgets)
{
    auto *link = new TcpServerLink(this);
    link->setSingleClient();
    const QList<QWidget *> fields = widgets.fields;
    QComboBox *scope = widgets.scope;
    addNetwork(link, widgets,
               [link, fields, scope] {
                   link->setPort(fieldPort(fields, 0));
                   link->setScope(listenScope(scope));
                   return QString();
               },
               [fields] { return QStringLiteral("tcp-server %1").arg(fieldText(fields, 0)); });
    connect(link, &ByteLink::opened, this, [this] {
        m_servedClient = 0;
        m_servedPeer.clear();
    });
    connect(link, &TcpServerLink::clientConnected, this,
            [this](int clientID, const QString &ip, int port) {
                m_servedClient = clientID;
                m_servedPeer = peerText(ip, port);
            });
    connect(link, &TcpServerLink::clientDisconnected, this, [this](int clientID) {
        if (clientID == m_servedClient) {
            m_servedClient = 0;
            m_servedPeer.clear();
        }
    });
    // The one place that chooses whose bytes feed the tab.
    connect(link, &TcpServerLink::chunkReceived, this, [this](const TcpChunk &chunk) {
        if (chunk.client.id == m_servedClient)
            onLiveBytes(chunk.bytes);
    });
    m_sources.back().prepareWrite = [this, link] {
        if (m_servedClient == 0)
            return mainTr("还没有小车连接");
        link->setTarget(m_servedClient);
        return QString();
    };
    return link;
}

TcpClientLink *SourceSelector::addTcpClient(const NetworkSourceWidgets &widgets,
                                            const HostFields &host)
{
    auto *link = new TcpClientLink(this);
    const QList<QWidget *> fields = widgets.fields;
    NetworkSourceWidgets withHost = widgets;
    withHost.fields << host.kind << host.ip << host.name;
    addNetwork(
        link, withHost,
        [link, fields, host] {
            const QString problem = host.problem();
            if (problem.isEmpty())
                link->setPeer(host.host(), fieldPort(fields, 0));
            return problem;
        },
        [fields, host] {
            return QStringLiteral("tcp-client %1:%2").arg(host.host(), fieldText(fields, 0));
        });
    connect(link, &ByteLink::received, this, &SourceSelector::onLiveBytes);
    return link;
}

UdpLink *SourceSelector::addUdp(const NetworkSourceWidgets &widgets)
{
    auto *link = new UdpLink(this);
    link->setSingleSender();
    const QList<QWidget *> fields = widgets.fields;
    QComboBox *scope = widgets.scope;
    addNetwork(link, widgets,
               [link, fields, scope] {
                   link->setLocalPort(fieldPort(fields, 0));
                   link->setScope(listenScope(scope));
                   return QString();
               },
               [fields] { return QStringLiteral("udp %1").arg(fieldText(fields, 0)); });
    connect(link, &ByteLink::received, this, &SourceSelector::onLiveBytes);
    // Answers go to the sender followed: the car's address is not
    // configured.
    connect(link, &ByteLink::opened, this, [this] {
        m_udpPeer.clear();
        m_servedPeer.clear();
    });
    connect(link, &UdpLink::receivedFrom, this,
            [this, link](const QString &ip, quint16 port, const QByteArray &) {
                const QString peer = ip + QLatin1Char(' ') + QString::number(port);
                if (peer != m_udpPeer) {
                    m_udpPeer = peer;
                    m_servedPeer = peerText(ip, port);
                    link->setTarget(ip, port);
                }
            });
    m_sources.back().prepareWrite = [this] {
        return m_udpPeer.isEmpty() ? mainTr("还没有收到小车的数据，不知道发往哪里") : QString();
    };
    return link;
}

NetworkSourcePanel *SourceSelector::addNetwork(ByteLink *link, const NetworkSourceWidgets &widgets,
                                               std::function<QString()> configure,
                                               std::function<QString()> description)
{
    auto *panel = new NetworkSourcePanel(widgets, *link, std::move(configure), m_dialogs, m_tab);
    connect(panel, &NetworkSourcePanel::opened, this, &SourceSelector::opened);
    connect(panel, &NetworkSourcePanel::closed, this, &SourceSelector::closed);
    connect(panel, &NetworkSourcePanel::activeChanged, this, &SourceSelector::updateState);
    m_sources.push_back({link, panel, std::move(description), nullptr});
    return panel;
}

void SourceSelector::setCapture(CaptureControls *capture)
{
    m_capture = capture;
    connect(&m_capture->player(), &CapturePlayer::bytes, this, &SourceSelector::received);
    updateState();
}

NetworkSourcePanel *SourceSelector::networkPanel(const ByteLink *link) const
{
    for (const Source &source : m_sources) {
        if (source.link == link)
            return source.panel;
    }
    return nullptr;
}

bool SourceSelector::sourceOpen() const
{
    if (m_serialPanel && m_serialPanel->isOpen())
        return true;
    for (const Source &source : m_sources) {
        if (source.panel && source.panel->isOpen())
            return true;
    }
    return false;
}

bool SourceSelector::sourceActive() const
{
    if (m_serialPanel && m_serialPanel->isOpen())
        return true;
    for (const Source &source : m_sources) {
        if (source.panel && source.panel->isActive())
            return true;
    }
    return false;
}

int SourceSelector::chosenIndex() const
{
    return m_selector ? m_selector->currentIndex() : 0;
}

QString SourceSelector::linkDescription() const
{
    const int index = chosenIndex();
    if (index < 0 || index >= int(m_sources.size()))
        return {};
    return m_sources[size_t(index)].description();
}

QString SourceSelector::servedPeer() const
{
    const int index = chosenIndex();
    if (index < 0 || index >= int(m_sources.size()) || !m_sources[size_t(index)].panel)
        return {};
    return m_servedPeer;
}

qint64 SourceSelector::write(const QByteArray &bytes)
{
    const int index = chosenIndex();
    if (m_replaying) {
        m_writeError = mainTr("正在回放记录");
        return -1;
    }
    if (!sourceOpen() || index < 0 || index >= int(m_sources.size())) {
        m_writeError = mainTr("未打开数据源");
        return -1;
    }
    const Source &source = m_sources[size_t(index)];
    if (source.prepareWrite) {
        m_writeError = source.prepareWrite();
        if (!m_writeError.isEmpty())
            return -1;
    }
    const qint64 written = source.link->write(bytes);
    m_writeError = written < 0 ? source.link->errorString() : QString();
    return written;
}

void SourceSelector::onLiveBytes(const QByteArray &bytes)
{
    if (m_capture)
        m_capture->record(bytes);
    emit received(bytes);
}

void SourceSelector::onChosen(int index)
{
    if (m_pages)
        m_pages->setCurrentIndex(index);
    // The device is reached another way now: a serial port lost before must
    // not reopen behind another source's page.
    const bool serialChosen = index >= 0 && index < int(m_sources.size())
                              && !m_sources[size_t(index)].panel;
    if (m_serialPanel && !serialChosen)
        m_serialPanel->cancelReconnection();
}

bool SourceSelector::startReplay()
{
    if (sourceActive()) {
        m_dialogs.critical(m_tab, mainTr("错误"), mainTr("请先关闭当前的数据源"));
        return false;
    }
    // A port lost before must not come back and feed the tab meanwhile.
    if (m_serialPanel)
        m_serialPanel->cancelReconnection();
    m_replaying = true;
    if (m_selector)
        m_selector->setEnabled(false);
    m_lockedInReplay->setEnabled(false);
    return true;
}

void SourceSelector::endReplay()
{
    m_replaying = false;
    m_lockedInReplay->setEnabled(true);
    updateState();
}

// The source cannot change while one is open or opening, nor during a
// replay; a replay cannot start while a source is open or opening.
void SourceSelector::updateState()
{
    const bool active = sourceActive();
    if (m_selector)
        m_selector->setEnabled(!active && !m_replaying);
    if (m_capture)
        m_capture->setReplayAllowed(!active);
}
