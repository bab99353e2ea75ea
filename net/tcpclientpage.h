#pragma once

#include "hostfields.h"

#include <QObject>

#include <memory>

class Dialogs;
class NetPage;
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
    enum class State { Closed, Connecting, Connected };

    void toggleConnection();
    void startConnecting();
    void disconnectByUser();
    void onConnected();
    void onFailed(const QString &text);
    void onLost();
    bool send(const QByteArray &bytes);
    void show(State state);
    QString peer() const;

    Ui::NetTab &ui;
    HostFields m_host;
    TcpClientLink *m_link;
    NetPage *m_page;
    std::unique_ptr<StreamTextDecoder> m_decoder;
    State m_state = State::Closed;
};
