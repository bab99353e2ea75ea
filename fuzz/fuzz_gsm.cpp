// The GSM tab's SMS encoding, UCS2 text and the module's replies. The input
// is a length byte, a phone number of that many bytes (Latin-1) and the
// message as UTF-16 units, any of them; the same tail read as typed hex
// feeds the UCS2 decoding, and as the module's reply, cut into up to three
// reads where the length byte says, the tab's receive decoding and the
// watch for the SMS prompt.
#include "atcommands.h"
#include "fuzzcheck.h"
#include "hextext.h"
#include "promptscanner.h"
#include "textcodec.h"

#include <QByteArray>
#include <QString>

#include <cstdint>

namespace {

constexpr int kMaxNumberLength = 32;

bool isLowerHex(const QByteArray &bytes)
{
    for (const char c : bytes) {
        if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f')))
            return false;
    }
    return true;
}

QString withoutZeroUnits(QString text)
{
    return text.remove(QChar(0));
}

// UCS2 text as typed, read plainly: big-endian pairs of the typed bytes,
// zero units skipped.
QString referenceUcs2(const QString &typed)
{
    const QByteArray bytes = hexTextToBytes(typed);
    QString text;
    for (int i = 0; i + 1 < bytes.size(); i += 2)
        text += QChar(ushort(quint8(bytes[i]) * 256 + quint8(bytes[i + 1])));
    return withoutZeroUnits(text);
}

void checkSms(const QString &number, const QString &text)
{
    bool wide = false;
    for (const QChar c : text)
        wide = wide || c.unicode() > 127;
    check(needsUcs2(text) == wide, "UCS2 exactly when a character is above 127");

    const QList<QByteArray> writes = smsWrites(number, text);
    if (!wide && endsMessageEarly(textToBytes(text))) {
        check(smsEndsEarly(text) && writes.isEmpty(), "a text that would end early is refused");
        return;
    }
    if (!wide) {
        check(writes.size() == 4, "four writes in text mode");
        check(writes[2] == "AT+CMGS=\"" + textToBytes(number) + "\"\r", "number as text");
        check(writes[3] == textToBytes(text) + '\x1A', "text closed by Ctrl-Z");
        check(smsBodyWrite(writes) == 3, "the text waits for the prompt");
        return;
    }
    check(writes.size() == 6, "six writes in UCS2 mode");
    check(writes[3] == "AT+CMGS=\"" + ucs2Hex(number) + "\"\r", "number as UCS2");
    check(writes[4] == ucs2Hex(text) + '\r', "text as UCS2 and CR");
    check(writes[5] == QByteArray(1, '\x1A'), "Ctrl-Z alone");
    check(smsBodyWrite(writes) == 4, "the UCS2 text waits for the prompt");

    const QByteArray hex = ucs2Hex(text);
    check(hex.size() == 4 * text.size(), "four digits a unit");
    check(isLowerHex(hex), "nothing but lower-case hex: no byte ends the message early");
    check(ucs2HexToText(QString::fromLatin1(hex)) == withoutZeroUnits(text),
          "UCS2 reads back as the text");
}

// The reply as the tab shows it, read by read: the same text however the
// reads fall as long as no zero byte ends one, never a zero character, and
// never more characters than bytes.
void checkReply(const QByteArray &reply, quint8 cuts)
{
    const int first = reply.isEmpty() ? 0 : (cuts & 0x0F) * reply.size() / 16;
    const int second = first + (reply.size() - first) * (cuts >> 4) / 16;
    StreamTextDecoder decoder;
    const QString shown = decoder.decode(reply.left(first))
                          + decoder.decode(reply.mid(first, second - first))
                          + decoder.decode(reply.mid(second));
    check(!shown.contains(QChar(0)), "no zero character is shown");
    check(shown.size() <= reply.size(), "no more characters than bytes");
    if (!reply.contains('\0')) {
        StreamTextDecoder whole;
        check(shown == whole.decode(reply), "the same text however the reads fall");
    }

    PromptScanner scanner;
    scanner.feed(reply.left(first));
    scanner.feed(reply.mid(first, second - first));
    scanner.feed(reply.mid(second));
    const bool prompted =
        reply.startsWith("> ") || reply.contains("\r> ") || reply.contains("\n> ");
    check(scanner.found() == prompted, "the prompt is found at a line's start, however split");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size == 0)
        return 0;
    const int numberLength = qMin(int(data[0]) % kMaxNumberLength, int(size) - 1);
    const QString number =
        QString::fromLatin1(reinterpret_cast<const char *>(data + 1), numberLength);
    const QByteArray tail(reinterpret_cast<const char *>(data + 1 + numberLength),
                          int(size) - 1 - numberLength);
    const QString text = QString::fromUtf16(reinterpret_cast<const char16_t *>(tail.constData()),
                                            tail.size() / 2);
    checkSms(number, text);

    const QString typed = QString::fromLatin1(tail);
    check(ucs2HexToText(typed) == referenceUcs2(typed), "typed UCS2 read as the plain rule");
    checkReply(tail, data[0]);
    return 0;
}
