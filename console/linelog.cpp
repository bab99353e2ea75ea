#include "linelog.h"

void LineLog::append(const QString &line)
{
    m_lines.push_back(line);
    m_chars += line.size();
    while (m_chars > m_charLimit && m_lines.size() > 1) {
        m_chars -= m_lines.front().size();
        m_lines.pop_front();
        ++m_dropped;
    }
}

void LineLog::clear()
{
    m_dropped = endNumber();
    m_lines.clear();
    m_chars = 0;
}

QString LineLog::html() const
{
    // A paragraph per line: a view lays out only what changed and what it
    // shows, where one paragraph of many lines is laid out whole.
    QString html;
    html.reserve(m_chars + int(m_lines.size()) * 16);
    for (const QString &line : m_lines)
        html += QStringLiteral("<div>") + line + QStringLiteral("</div>");
    return html;
}
