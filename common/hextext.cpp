#include "hextext.h"

namespace {

// -1 for anything that is not a hexadecimal digit, non-ASCII included.
int hexDigitValue(QChar c)
{
    const ushort u = c.unicode();
    if (u >= '0' && u <= '9')
        return u - '0';
    if (u >= 'A' && u <= 'F')
        return u - 'A' + 10;
    if (u >= 'a' && u <= 'f')
        return u - 'a' + 10;
    return -1;
}

} // namespace

QString bytesToHexText(const QByteArray &bytes)
{
    static const char digits[] = "0123456789ABCDEF";
    QString text(bytes.size() * 3, Qt::Uninitialized);
    QChar *out = text.data();
    for (const char byte : bytes) {
        const auto value = static_cast<unsigned char>(byte);
        *out++ = QLatin1Char(digits[value >> 4]);
        *out++ = QLatin1Char(digits[value & 0x0F]);
        *out++ = QLatin1Char(' ');
    }
    return text;
}

HexTextBytes hexTextToBytesReporting(const QString &text)
{
    HexTextBytes result;
    result.bytes.reserve(text.size() / 2);
    int i = 0;
    while (i < text.size()) {
        if (text.at(i) == QLatin1Char(' ')) {
            ++i;
            continue;
        }
        if (i + 1 >= text.size())
            break;
        const int high = hexDigitValue(text.at(i));
        const int low = hexDigitValue(text.at(i + 1));
        if (high < 0 || low < 0)
            break;
        result.bytes.append(char(high << 4 | low));
        i += 2;
    }
    result.leftOut = text.mid(i);
    return result;
}

QByteArray hexTextToBytes(const QString &text)
{
    return hexTextToBytesReporting(text).bytes;
}
