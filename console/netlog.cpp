#include "netlog.h"

#include "hextext.h"
#include "textcodec.h"
#include "translation.h"

namespace {

QString coloured(const char *colour, const QString &html)
{
    return QStringLiteral("<font color=\"%1\">%2</font>").arg(QLatin1String(colour), html);
}

// Escaped for HTML, where a run of blanks would otherwise show as one.
QString escaped(const QString &text)
{
    return text.toHtmlEscaped().replace(QLatin1String("  "), QLatin1String("&nbsp; "));
}

QString dataLine(const char *colour, const QString &peer, const QTime &time,
                 const QString &payload)
{
    const QString header = QStringLiteral("[%1]  %2").arg(peer, NetLogLine::timeText(time));
    return coloured(colour, escaped(header)) + QStringLiteral("<br>") + payload;
}

QString textToHtml(const QString &text)
{
    QString html = escaped(text);
    html.remove(QLatin1Char('\r'));
    html.replace(QLatin1Char('\n'), QLatin1String("<br>"));
    return html;
}

} // namespace

namespace NetLogLine {

QString status(const QString &text)
{
    return coloured("SteelBlue", escaped(text));
}

QString failure(const QString &text)
{
    return coloured("Red", escaped(text));
}

QString received(const QString &peer, const QTime &time, const QString &payload)
{
    return dataLine("Blue", peer, time, payload);
}

QString sent(const QString &peer, const QTime &time, const QString &payload)
{
    return dataLine("Green", peer, time, payload);
}

QString peer(const QString &address, int port)
{
    return QStringLiteral("%1:%2").arg(address).arg(port);
}

QString timeText(const QTime &time)
{
    return clockText(time);
}

} // namespace NetLogLine

QString PayloadView::html(const QByteArray &bytes, bool hex, StreamTextDecoder *decoder)
{
    const bool cut = bytes.size() > kShownBytes;
    const QByteArray shown = cut ? bytes.right(kShownBytes) : bytes;
    QString html;
    if (cut) {
        html = coloured("Gray", mainTr("（共%1字节，只显示最后%2字节）").arg(bytes.size()).arg(kShownBytes))
            + QStringLiteral("<br>");
        if (decoder)
            decoder->reset();
    }
    if (hex)
        return html + bytesToHexText(shown);
    return html + textToHtml(decoder ? decoder->decode(shown) : cStringBytesToText(shown));
}
