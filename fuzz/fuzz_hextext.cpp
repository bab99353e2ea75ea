// Hex text typed by the user and the GB18030 text helpers.
#include "fuzzcheck.h"
#include "hextext.h"
#include "textcodec.h"

#include <QByteArray>
#include <QString>

#include <cstdint>

namespace {

int digit(char16_t c)
{
    if (c >= u'0' && c <= u'9')
        return c - u'0';
    if (c >= u'a' && c <= u'f')
        return c - u'a' + 10;
    if (c >= u'A' && c <= u'F')
        return c - u'A' + 10;
    return -1;
}

// The typed-hex rule, written plainly: skip blanks, take pairs, stop at the
// first bad pair, drop a lone last digit.
QByteArray referenceHexToBytes(const QString &text)
{
    QByteArray out;
    const std::u16string units = text.toStdU16String();
    size_t i = 0;
    while (i < units.size()) {
        if (units[i] == u' ') {
            ++i;
            continue;
        }
        if (i + 1 == units.size())
            break;
        const int high = digit(units[i]), low = digit(units[i + 1]);
        if (high < 0 || low < 0)
            break;
        out.append(char(high * 16 + low));
        i += 2;
    }
    return out;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), int(size));

    const QString typed = QString::fromUtf8(bytes);
    check(hexTextToBytes(typed) == referenceHexToBytes(typed), "typed hex as the plain rule");
    const HexTextBytes reported = hexTextToBytesReporting(typed);
    check(reported.bytes == hexTextToBytes(typed), "the report keeps the same bytes");
    check(typed.endsWith(reported.leftOut), "what was left out is the rest of the text");
    check(hexTextToBytes(typed.left(typed.size() - reported.leftOut.size())) == reported.bytes,
          "the text before what was left out gives the same bytes");
    check(reported.leftOut.isEmpty()
              || (!reported.leftOut.startsWith(QLatin1Char(' '))
                  && hexTextToBytes(reported.leftOut.left(2)).isEmpty()),
          "what was left out starts where no pair could be read");
    const QString latin = QString::fromLatin1(bytes);
    check(hexTextToBytes(latin) == referenceHexToBytes(latin), "typed hex (Latin-1) as the plain rule");

    const QString shown = bytesToHexText(bytes);
    check(shown.size() == 3 * bytes.size(), "three characters a byte");
    check(shown == shown.toUpper(), "upper-case digits");
    check(hexTextToBytes(shown) == bytes, "shown hex reads back as the bytes");

    const int zero = bytes.indexOf('\0');
    check(cStringBytesToText(bytes) == bytesToText(zero < 0 ? bytes : bytes.left(zero)),
          "text stops at the first zero byte");
    const QString text = bytesToText(bytes);
    check(bytesToText(textToBytes(text)) == text, "decoded text encodes and decodes to itself");
    return 0;
}
