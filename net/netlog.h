#pragma once

#include <QByteArray>
#include <QString>
#include <QTime>

#include <deque>

class StreamTextDecoder;

// The lines of a network page's log, as HTML: status in SteelBlue, failures
// in Red, received data in Blue and sent data in Green, each data line
// headed "[address:port]  hh:mm:ss" with the payload on the line below.
namespace NetLogLine {

QString status(const QString &text);
QString failure(const QString &text);
// Received and sent payloads as payloadHtml() gives them.
QString received(const QString &peer, const QTime &time, const QString &payload);
QString sent(const QString &peer, const QTime &time, const QString &payload);
// "192.168.1.10:8080".
QString peer(const QString &address, int port);
QString timeText(const QTime &time);

} // namespace NetLogLine

// What a log line shows of a payload: hex ("1A 2B ") or GB18030 text up to
// its first zero byte, escaped for HTML. A payload longer than kShownBytes
// shows only its last kShownBytes, after a note of its full size: a log line
// must stay cheap to draw however much one read brought. Text from a stream
// goes through the stream's decoder, so a character split between two reads
// comes out whole; a cut payload starts the decoder afresh.
struct PayloadView
{
    static constexpr int kShownBytes = 2048;

    static QString html(const QByteArray &bytes, bool hex, StreamTextDecoder *decoder = nullptr);
};

// The newest lines of a log, at most kCharLimit characters of HTML (the
// newest line always, whatever its size). Old lines leave whole, so the log
// never shows the remains of a cut-off tag.
class NetLog
{
public:
    static constexpr int kCharLimit = 32768;

    void append(const QString &lineHtml);
    void clear();
    bool isEmpty() const { return m_lines.empty(); }
    int lineCount() const { return int(m_lines.size()); }
    // Lines are numbered from the first ever appended: the kept ones are
    // firstNumber() up to endNumber(), not included.
    qint64 firstNumber() const { return m_dropped; }
    qint64 endNumber() const { return m_dropped + qint64(m_lines.size()); }
    // A kept line by its number.
    const QString &line(qint64 number) const { return m_lines[size_t(number - m_dropped)]; }
    // Every line as its own paragraph.
    QString html() const;

private:
    std::deque<QString> m_lines;
    int m_chars = 0;
    qint64 m_dropped = 0;
};

// The counters under a log: every byte received and sent since the last
// clearing.
QString trafficText(qint64 received, qint64 sent);
