#pragma once

#include "hostfields.h"

#include <QObject>

class Dialogs;
class NetPage;
class NetworkSourcePanel;
class UdpLink;
class QWidget;

namespace Ui {
class NetTab;
}

// "UDP": binds a local port (on every network or this machine only, shown
// beside the button while open), shows every datagram with its sender and
// sends datagrams to a target given by IPv4 address or host name and port.
class UdpPage : public QObject
{
    Q_OBJECT
public:
    UdpPage(Ui::NetTab &ui, Dialogs &dialogs, QWidget *form);
    ~UdpPage() override;

    UdpLink *link() const { return m_link; }
    NetPage *page() const { return m_page; }

private:
    void createOpenButton(Dialogs &dialogs, QWidget *form);
    // Why nothing can be sent to the target, or nothing.
    QString sendProblem() const;
    bool send(const QByteArray &bytes);

    Ui::NetTab &ui;
    HostFields m_host;
    UdpLink *m_link;
    NetPage *m_page;
    // The target the link was given last: a new one starts a new lookup.
    QString m_targetHost;
    quint16 m_targetPort = 0;
};
