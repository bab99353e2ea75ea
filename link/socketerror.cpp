#include "socketerror.h"

#include "translation.h"

QString socketErrorText(QAbstractSocket::SocketError error, const QString &systemText)
{
    switch (error) {
    case QAbstractSocket::ConnectionRefusedError:
        return mainTr("连接被拒绝：对方没有在该端口监听");
    case QAbstractSocket::RemoteHostClosedError:
        return mainTr("对方已断开连接");
    case QAbstractSocket::HostNotFoundError:
        return mainTr("找不到主机：地址或主机名有误");
    case QAbstractSocket::SocketAccessError:
        return mainTr("没有权限使用该端口");
    case QAbstractSocket::SocketTimeoutError:
        return mainTr("连接超时");
    case QAbstractSocket::NetworkError:
        return mainTr("网络不可达");
    case QAbstractSocket::AddressInUseError:
        return mainTr("端口已被占用");
    case QAbstractSocket::SocketAddressNotAvailableError:
        return mainTr("本机没有这个地址");
    default:
        return mainTr("网络错误：%1").arg(systemText);
    }
}
