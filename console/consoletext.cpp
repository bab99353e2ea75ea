#include "consoletext.h"

#include "translation.h"

QString trafficText(qint64 received, qint64 sent)
{
    return mainTr("接收：%1 字节    发送：%2 字节").arg(received).arg(sent);
}
