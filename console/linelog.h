#pragma once

#include <QString>

#include <deque>

// The newest lines of a log, at most charLimit() characters in all (the
// newest line always, whatever its size). Old lines leave whole, so a view
// never shows the remains of a cut-off tag or half a reply.
class LineLog
{
public:
    explicit LineLog(int charLimit) : m_charLimit(charLimit) {}

    void append(const QString &line);
    void clear();
    bool isEmpty() const { return m_lines.empty(); }
    int lineCount() const { return int(m_lines.size()); }
    int charCount() const { return m_chars; }
    int charLimit() const { return m_charLimit; }
    // Lines are numbered from the first ever appended: the kept ones are
    // firstNumber() up to endNumber(), not included.
    qint64 firstNumber() const { return m_dropped; }
    qint64 endNumber() const { return m_dropped + qint64(m_lines.size()); }
    // A kept line by its number.
    const QString &line(qint64 number) const { return m_lines[size_t(number - m_dropped)]; }
    // Every line as its own paragraph, for lines that are HTML.
    QString html() const;

private:
    std::deque<QString> m_lines;
    int m_charLimit;
    int m_chars = 0;
    qint64 m_dropped = 0;
};
