#pragma once

#include "consoletext.h"
#include "linelog.h"

#include <QByteArray>
#include <QString>
#include <QTime>

class StreamTextDecoder;

// The lines of a log, as HTML: status in SteelBlue, failures in Red,
// received data in Blue and sent data in Green, each data line headed
// "[address:port]" and the time of day (clockText()) with the payload on
// the line below. Texts come in plain and are escaped here; translated
// texts hold only words.
namespace NetLogLine {

// How a log writes its lines. The network pages keep the width of a run of
// blanks; the GPS log lets blanks collapse and has always named its status
// and received colours with a trailing blank, which its lines keep.
struct Style
{
    const char *statusColour;
    const char *receivedColour;
    bool keepBlankRuns;
};
constexpr Style kNetStyle{"SteelBlue", "Blue", true};
constexpr Style kGpsStyle{"SteelBlue ", "Blue ", false};

// Plain text escaped for HTML.
QString escaped(const QString &text, const Style &style = kNetStyle);
// The same for text of several lines: each line end becomes <br>.
QString textHtml(const QString &text, const Style &style = kNetStyle);
QString status(const QString &text, const Style &style = kNetStyle);
QString failure(const QString &text, const Style &style = kNetStyle);
// Received and sent payloads as PayloadView or textHtml() gives them.
QString received(const QString &peer, const QTime &time, const QString &payload,
                 const Style &style = kNetStyle);
QString sent(const QString &peer, const QTime &time, const QString &payload);
// "192.168.1.10:8080".
QString peer(const QString &address, int port);

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
