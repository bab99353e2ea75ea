#pragma once

#include "hostfields.h"

#include <QObject>

#include <memory>

class Dialogs;
class NetPage;
class NetworkSourcePanel;
class StreamTextDecoder;
class TcpClientLink;
class QWidget;

namespace Ui {
class NetTab;
}

// "TCP客户端": connects to a server given by IPv4 address or host name and
// port, and exchanges bytes with it.
class TcpClientPage : public QObject
{
    Q_OBJECT
public:
    TcpClientPage(Ui::NetTab &ui, Dialogs &dialogs, QWidget *form);
    ~TcpClientPage() override;

    TcpClientLink *link() const { return m_link; }
    NetPage *page() const { return m_page; }

private:
    void createConnectButton(Dialogs &dialogs, QWidget *form);
    void onActiveChanged();
    void onConnected();
    void onStoppedByUser(bool wasConnected);
    bool send(const QByteArray &bytes);
    QString peer() const;

    Ui::NetTab &ui;
    HostFields m_host;
    TcpClientLink *m_link;
    NetPage *m_page;
    NetworkSourcePanel *m_panel = nullptr;
    std::unique_ptr<StreamTextDecoder> m_decoder;
};
