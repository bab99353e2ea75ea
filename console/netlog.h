#pragma once

#include "consoletext.h"
#include "linelog.h"

#include <QByteArray>
#include <QString>
#include <QTime>

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

// The network pages' log: the newest lines within kCharLimit characters
// of HTML.
class NetLog : public LineLog
{
public:
    static constexpr int kCharLimit = 32768;

    NetLog() : LineLog(kCharLimit) {}
};
