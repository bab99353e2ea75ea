#include "localhttpserver.h"

#include <QTcpSocket>

LocalHttpServer::LocalHttpServer()
{
    m_server.listen(QHostAddress::LocalHost);
    connect(&m_server, &QTcpServer::newConnection, this, &LocalHttpServer::onNewConnection);
}

QUrl LocalHttpServer::url(const QString &path) const
{
    return QUrl(QStringLiteral("http://127.0.0.1:%1%2").arg(m_server.serverPort()).arg(path));
}

void LocalHttpServer::serve(const QString &path, const QByteArray &body, int status)
{
    m_routes.insert(path, Route{status, body, {}, false});
}

void LocalHttpServer::redirect(const QString &path, const QUrl &location)
{
    m_routes.insert(path, Route{302, {}, location.toEncoded(), false});
}

void LocalHttpServer::stall(const QString &path)
{
    m_routes.insert(path, Route{0, {}, {}, true});
}

void LocalHttpServer::onNewConnection()
{
    while (QTcpSocket *socket = m_server.nextPendingConnection()) {
        socket->setParent(this);
        connect(socket, &QTcpSocket::readyRead, this, [this, socket] { onReadyRead(socket); });
        connect(socket, &QTcpSocket::disconnected, this, [this, socket] {
            m_pending.remove(socket);
            socket->deleteLater();
        });
    }
}

void LocalHttpServer::onReadyRead(QTcpSocket *socket)
{
    QByteArray &request = m_pending[socket];
    request += socket->readAll();
    if (!request.contains("\r\n\r\n"))
        return;
    const QList<QByteArray> requestLine = request.left(request.indexOf("\r\n")).split(' ');
    const QString path = requestLine.size() >= 2 ? QString::fromLatin1(requestLine.at(1))
                                                  : QString();
    request.clear();
    requests.append(path);
    answer(socket, path);
}

void LocalHttpServer::answer(QTcpSocket *socket, const QString &path)
{
    const Route route = m_routes.value(path, Route{404, "not found", {}, false});
    if (route.stalls)
        return;
    static const QHash<int, QByteArray> reasons{
        {200, "OK"}, {302, "Found"}, {404, "Not Found"}, {500, "Internal Server Error"}};
    QByteArray response = "HTTP/1.1 " + QByteArray::number(route.status) + ' '
        + reasons.value(route.status, "Status") + "\r\n";
    if (!route.location.isEmpty())
        response += "Location: " + route.location + "\r\n";
    response += "Content-Length: " + QByteArray::number(route.body.size()) + "\r\n";
    response += "Connection: close\r\n\r\n" + route.body;
    socket->write(response);
    socket->disconnectFromHost();
}
