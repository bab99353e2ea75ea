#include "listenaddress.h"

QHostAddress scopeAddress(ListenScope scope, const QHostAddress &all)
{
    return scope == ListenScope::ThisMachine ? QHostAddress(QHostAddress::LocalHost) : all;
}

QString listenAddressText(const QHostAddress &address, quint16 port)
{
    // Every address of both versions reads as IPv4's "0.0.0.0".
    if (address.protocol() == QAbstractSocket::IPv6Protocol)
        return QStringLiteral("[%1]:%2").arg(address.toString()).arg(port);
    return QStringLiteral("%1:%2").arg(address.toString()).arg(port);
}
