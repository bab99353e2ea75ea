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
    return time.toString(QStringLiteral("hh:mm:ss"));
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

void NetLog::append(const QString &lineHtml)
{
    m_lines.push_back(lineHtml);
    m_chars += lineHtml.size();
    while (m_chars > kCharLimit && m_lines.size() > 1) {
        m_chars -= m_lines.front().size();
        m_lines.pop_front();
        ++m_dropped;
    }
}

void NetLog::clear()
{
    m_dropped = endNumber();
    m_lines.clear();
    m_chars = 0;
}

QString NetLog::html() const
{
    // A paragraph per line: the view lays out only what changed and what
    // it shows, where one paragraph of many lines is laid out whole.
    QString html;
    html.reserve(m_chars + int(m_lines.size()) * 16);
    for (const QString &line : m_lines)
        html += QStringLiteral("<div>") + line + QStringLiteral("</div>");
    return html;
}

QString trafficText(qint64 received, qint64 sent)
{
    return mainTr("接收：%1 字节    发送：%2 字节").arg(received).arg(sent);
}
