#pragma once

#include "hostfields.h"
#include "networksourcepanel.h"
#include "portenumerator.h"
#include "serialportpanel.h"

#include <QObject>
#include <QPointer>

#include <functional>
#include <vector>

class ByteLink;
class CaptureControls;
class Dialogs;
class QComboBox;
class QStackedWidget;
class QWidget;
class TcpClientLink;
class TcpServerLink;
class UdpLink;

// Where a tab's bytes come from: the links it reads, one per entry of its
// source combo, each with its page of controls in a stacked widget. One
// source at a time: the combo is locked while a source is open or opening,
// or while a capture is replayed. What the chosen source reads is recorded
// and handed on in received(); a replay is one more source, its bytes come
// out of received() like live ones (and are not recorded again).
//
// A tab with one source has no combo and no pages: its only entry is
// always the chosen one, and a replay locks `controls`, the widgets of that
// source, as it locks the pages of a tab that chooses.
class SourceSelector : public QObject
{
    Q_OBJECT
public:
    SourceSelector(QComboBox *selector, QStackedWidget *pages, Dialogs &dialogs, QWidget *tab);
    SourceSelector(QWidget *controls, Dialogs &dialogs, QWidget *tab);

    // Each adds the next entry of the combo and returns the link it reads.
    SerialLink *addSerial(const SerialPanelWidgets &widgets, const PortListSource &portSource);
    // One client at a time (a second is refused, a silent one replaced):
    // only the client served now feeds the tab. Fields: the port. The scope
    // box, if any, chooses where it listens.
    TcpServerLink *addTcpServer(const NetworkSourceWidgets &widgets);
    // Fields: the port; the host is typed into `host`.
    TcpClientLink *addTcpClient(const NetworkSourceWidgets &widgets, const HostFields &host);
    // One sender at a time, like the TCP server's client: datagrams of
    // others are dropped (UdpLink::ignored) until it falls silent. Fields:
    // the local port. The scope box, if any, chooses where it listens.
    UdpLink *addUdp(const NetworkSourceWidgets &widgets);

    // Where live bytes are recorded and replayed ones come from.
    void setCapture(CaptureControls *capture);

    SerialPortPanel *serialPanel() const { return m_serialPanel; }
    NetworkSourcePanel *networkPanel(const ByteLink *link) const;

    bool sourceOpen() const;
    // Open or opening.
    bool sourceActive() const;
    // The chosen source as a capture's header names it.
    QString linkDescription() const;
    // Who the chosen network source serves now, "IP:port": the TCP
    // server's client or the UDP sender followed; empty for the serial port
    // and while nobody is served.
    QString servedPeer() const;

    // Sends to the chosen live source: the serial port, the client the TCP
    // server serves, the TCP connection, or the UDP peer the datagrams came
    // from. Refused (-1, with writeError() saying why) while no source is
    // open or a capture is replayed; otherwise the bytes accepted.
    qint64 write(const QByteArray &bytes);
    QString writeError() const { return m_writeError; }

    // False, having said why, while a source is open or opening; otherwise
    // locks the sources until endReplay().
    bool startReplay();
    void endReplay();

signals:
    // Everything the tab reads, live or replayed, in order.
    void received(const QByteArray &bytes);
    // A live source opened, or closed after it had opened.
    void opened();
    void closed();

private:
    struct Source
    {
        ByteLink *link = nullptr;
        NetworkSourcePanel *panel = nullptr; // null for the serial port
        std::function<QString()> description;
        // Readies the link to write to the device; says why it cannot.
        std::function<QString()> prepareWrite;
    };

    NetworkSourcePanel *addNetwork(ByteLink *link, const NetworkSourceWidgets &widgets,
                                   std::function<QString()> configure,
                                   std::function<QString()> description);
    int chosenIndex() const;
    void onLiveBytes(const QByteArray &bytes);
    void onChosen(int index);
    void updateState();

    QComboBox *m_selector = nullptr;
    QStackedWidget *m_pages = nullptr;
    QWidget *m_lockedInReplay = nullptr; // the pages, or the one source's controls
    Dialogs &m_dialogs;
    QPointer<QWidget> m_tab;
    std::vector<Source> m_sources;
    SerialPortPanel *m_serialPanel = nullptr;
    CaptureControls *m_capture = nullptr;
    int m_servedClient = 0;
    QString m_servedPeer;
    QString m_udpPeer; // "ip port" of the last datagram's sender
    QString m_writeError;
    bool m_replaying = false;
};
