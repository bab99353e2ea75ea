#pragma once

#include "tooltab.h"

#include <QWidget>

#include <memory>

class Dialogs;
class TcpClientPage;
class TcpServerPage;
class UdpPage;

namespace Ui {
class NetTab;
}

// The network assistant: a TCP server, a TCP client and a UDP endpoint,
// one page each. It keeps where the server and the endpoint listen.
class NetTab : public QWidget, public ToolTab
{
    Q_OBJECT
public:
    explicit NetTab(Dialogs &dialogs, QWidget *parent = nullptr);
    ~NetTab() override;

    void saveProgramSettings(QSettings &settings) const override;
    void loadProgramSettings(const QSettings &settings) override;

    TcpServerPage *serverPage() const { return m_server; }
    TcpClientPage *clientPage() const { return m_client; }
    UdpPage *udpPage() const { return m_udp; }

private:
    std::unique_ptr<Ui::NetTab> ui;
    TcpServerPage *m_server;
    TcpClientPage *m_client;
    UdpPage *m_udp;
};
