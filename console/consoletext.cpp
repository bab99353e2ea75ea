#include "consoletext.h"

#include "translation.h"

QString clockText(const QTime &time)
{
    return time.toString(QStringLiteral("hh:mm:ss"));
}

QString trafficText(qint64 received, qint64 sent)
{
    return mainTr("接收：%1 字节    发送：%2 字节").arg(received).arg(sent);
}
