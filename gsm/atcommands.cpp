#include "atcommands.h"

#include "hextext.h"
#include "textcodec.h"

namespace {

QByteArray quoted(const QByteArray &bytes)
{
    return '"' + bytes + '"';
}

} // namespace

QByteArray dialCommand(const QString &number)
{
    return "ATD" + textToBytes(number) + ";\r";
}

QByteArray readSmsCommand(const QString &index)
{
    return "AT+CMGR=" + textToBytes(index) + '\r';
}

QByteArray volumeCommand(int level)
{
    return "AT+CLVL=" + QByteArray::number(level) + '\r';
}

QByteArray ownNumberBookCommand()
{
    return "AT+CPBS=\"ON\"\r";
}

QByteArray ownNumberWriteCommand(const QString &number)
{
    return "AT+CPBW=1," + quoted(textToBytes(number)) + '\r';
}

bool needsUcs2(const QString &text)
{
    for (const QChar c : text) {
        if (c.unicode() > 127)
            return true;
    }
    return false;
}

QByteArray ucs2Hex(const QString &text)
{
    QByteArray hex;
    hex.reserve(text.size() * 4);
    for (const QChar c : text)
        hex += QByteArray::number(c.unicode(), 16).rightJustified(4, '0');
    return hex;
}

QString ucs2HexToText(const QString &hex)
{
    const QByteArray bytes = hexTextToBytes(hex);
    QString text;
    for (int i = 0; i + 1 < bytes.size(); i += 2) {
        const ushort unit = ushort(quint8(bytes[i]) << 8 | quint8(bytes[i + 1]));
        if (unit != 0)
            text += QChar(unit);
    }
    return text;
}

bool endsMessageEarly(const QByteArray &body)
{
    return body.contains(kCtrlZ) || body.contains(kEsc);
}

bool smsEndsEarly(const QString &text)
{
    return !needsUcs2(text) && endsMessageEarly(textToBytes(text));
}

QList<QByteArray> smsWrites(const QString &number, const QString &text)
{
    if (smsEndsEarly(text))
        return {};
    if (!needsUcs2(text)) {
        return {"AT+CSCS=\"GSM\"\r", "AT+CMGF=1\r",
                "AT+CMGS=" + quoted(textToBytes(number)) + '\r', textToBytes(text) + kCtrlZ};
    }
    return {"AT+CSCS=\"UCS2\"\r",
            "AT+CMGF=1\r",
            "AT+CSMP=17,167,0,8\r",
            "AT+CMGS=" + quoted(ucs2Hex(number)) + '\r',
            ucs2Hex(text) + '\r',
            QByteArray(1, kCtrlZ)};
}

int smsBodyWrite(const QList<QByteArray> &writes)
{
    for (int i = 0; i + 1 < writes.size(); ++i) {
        if (writes[i].startsWith("AT+CMGS="))
            return i + 1;
    }
    return -1;
}

QList<QByteArray> gprsInitWrites()
{
    return {"AT+CGCLASS=\"B\"\r", "AT+CGDCONT=1,\"IP\",\"CMNET\"\r", "AT+CGATT=1\r",
            "AT+CIPCSGP=1,\"CMNET\"\r"};
}

QList<QByteArray> gprsLinkWrites(const QByteArray &protocol, const QString &serverAddress,
                                 int serverPort, int localPort)
{
    return {"AT+CLPORT=" + quoted(protocol) + ',' + quoted(QByteArray::number(localPort)) + '\r',
            "AT+CIPSTART=" + quoted(protocol) + ',' + quoted(textToBytes(serverAddress)) + ','
                + quoted(QByteArray::number(serverPort)) + '\r'};
}

QList<QByteArray> gprsSendWrites(const QByteArray &data)
{
    if (endsMessageEarly(data))
        return {};
    return {"AT+CIPSEND\r", data + kCtrlZ};
}
