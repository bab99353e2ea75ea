#pragma once

#include <QObject>

#include <map>
#include <memory>

class Dialogs;
class NetPage;
class NetworkSourcePanel;
class StreamTextDecoder;
class TcpServerLink;
struct TcpChunk;
class QWidget;

namespace Ui {
class NetTab;
}

// "TCP服务器": listens on a port (on every network or this machine only,
// shown beside the button while listening), lists its clients by number
// (the server's own numbering), address and port, receives from all and
// sends to the chosen client or to all of them. At most ten clients; a further
// connection is closed and logged.
class TcpServerPage : public QObject
{
    Q_OBJECT
public:
    TcpServerPage(Ui::NetTab &ui, Dialogs &dialogs, QWidget *form);
    ~TcpServerPage() override;

    TcpServerLink *link() const { return m_link; }
    NetPage *page() const { return m_page; }

private:
    void createListenButton(Dialogs &dialogs, QWidget *form);
    void onClientConnected(int clientID, const QString &ip, int port);
    void onClientDisconnected(int clientID, const QString &ip, int port);
    void onClientRefused(const QString &ip, int port);
    void onReceived(const TcpChunk &chunk);
    bool send(const QByteArray &bytes);
    void dropSelectedClient();
    void updateReady();

    Ui::NetTab &ui;
    TcpServerLink *m_link;
    NetPage *m_page;
    struct Client
    {
        QString peer;
        // Each client's text is its own stream.
        std::unique_ptr<StreamTextDecoder> decoder;
    };
    std::map<int, Client> m_clients;
};
