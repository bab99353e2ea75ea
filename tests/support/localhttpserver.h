#pragma once

#include <QByteArray>
#include <QHash>
#include <QObject>
#include <QStringList>
#include <QTcpServer>
#include <QUrl>

class QTcpSocket;

// A small HTTP/1.1 server on 127.0.0.1 for the online tests: it answers GET
// requests from a table of paths, one request per connection. Paths not in
// the table get 404.
class LocalHttpServer : public QObject
{
    Q_OBJECT
public:
    LocalHttpServer();

    // "http://127.0.0.1:<port>" + path.
    QUrl url(const QString &path) const;
    void serve(const QString &path, const QByteArray &body, int status = 200);
    void redirect(const QString &path, const QUrl &location);
    // Reads the request and never answers.
    void stall(const QString &path);
    void remove(const QString &path) { m_routes.remove(path); }

    // The paths asked for, in order.
    QStringList requests;

private:
    struct Route
    {
        int status = 200;
        QByteArray body;
        QByteArray location;
        bool stalls = false;
    };

    void onNewConnection();
    void onReadyRead(QTcpSocket *socket);
    void answer(QTcpSocket *socket, const QString &path);

    QTcpServer m_server;
    QHash<QString, Route> m_routes;
    QHash<QTcpSocket *, QByteArray> m_pending;
};
