#include "netlog.h"

#include "hextext.h"
#include "textcodec.h"
#include "translation.h"

namespace {

QString coloured(const char *colour, const QString &html)
{
    return QStringLiteral("<font color=\"%1\">%2</font>").arg(QLatin1String(colour), html);
}

QString dataLine(const char *colour, const QString &peer, const QTime &time,
                 const QString &payload, const NetLogLine::Style &style)
{
    const QString header = QStringLiteral("[%1]  %2").arg(peer, clockText(time));
    return coloured(colour, NetLogLine::escaped(header, style)) + QStringLiteral("<br>") + payload;
}

} // namespace

namespace NetLogLine {

// A run of blanks would otherwise show as one.
QString escaped(const QString &text, const Style &style)
{
    QString html = text.toHtmlEscaped();
    if (style.keepBlankRuns)
        html.replace(QLatin1String("  "), QLatin1String("&nbsp; "));
    return html;
}

QString textHtml(const QString &text, const Style &style)
{
    QString html = escaped(text, style);
    html.remove(QLatin1Char('\r'));
    html.replace(QLatin1Char('\n'), QLatin1String("<br>"));
    return html;
}

QString status(const QString &text, const Style &style)
{
    return coloured(style.statusColour, escaped(text, style));
}

QString failure(const QString &text, const Style &style)
{
    return coloured("Red", escaped(text, style));
}

QString received(const QString &peer, const QTime &time, const QString &payload,
                 const Style &style)
{
    return dataLine(style.receivedColour, peer, time, payload, style);
}

QString sent(const QString &peer, const QTime &time, const QString &payload)
{
    return dataLine("Green", peer, time, payload, kNetStyle);
}

QString peer(const QString &address, int port)
{
    return QStringLiteral("%1:%2").arg(address).arg(port);
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
    const QString text = decoder ? decoder->decode(shown) : cStringBytesToText(shown);
    return html + NetLogLine::textHtml(text);
}
