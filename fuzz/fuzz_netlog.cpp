// The network log: a peer's name and payloads, cut into reads, as the log
// shows them. The first byte chooses hex or text display and where the
// peer's name ends; then each read is a length byte (times 37, so payloads
// pass the shown size) and the bytes that follow, repeated to that length.
// Whatever comes, the log holds no markup but its own (nor do the GPS log's
// lines), each payload line stays small, and the log keeps its bound.
#include "fuzzcheck.h"
#include "netlog.h"
#include "textcodec.h"

#include <QByteArray>
#include <QString>
#include <QTime>

#include <cstdint>

namespace {

constexpr int kMaxPeerLength = 32;
constexpr int kLengthFactor = 37;

// The markup a log line may carry: line breaks, paragraphs and our colours.
bool onlyOwnMarkup(const QString &html)
{
    static const QStringList tags{
        QStringLiteral("<br>"), QStringLiteral("<div>"), QStringLiteral("</div>"),
        QStringLiteral("</font>"), QStringLiteral("<font color=\"Blue\">"),
        QStringLiteral("<font color=\"Green\">"), QStringLiteral("<font color=\"Red\">"),
        QStringLiteral("<font color=\"SteelBlue\">"), QStringLiteral("<font color=\"Gray\">"),
        QStringLiteral("<font color=\"SteelBlue \">"), QStringLiteral("<font color=\"Blue \">")};
    for (int at = html.indexOf(QLatin1Char('<')); at >= 0;
         at = html.indexOf(QLatin1Char('<'), at + 1)) {
        bool known = false;
        for (const QString &tag : tags)
            known = known || html.midRef(at, tag.size()) == tag;
        if (!known)
            return false;
    }
    // Escaped text has no '>' of its own either.
    return html.count(QLatin1Char('>')) == html.count(QLatin1Char('<'));
}

// A payload shows at most its last kShownBytes: as hex three characters
// each, as text at most an escape ("&nbsp; " for two blanks, "&quot;") a
// byte, after a short note of its size.
constexpr int kMaxPayloadHtml = 6 * PayloadView::kShownBytes + 256;

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size == 0)
        return 0;
    const bool hex = data[0] & 0x80;
    const int peerLength = qMin(int(data[0] & 0x7F) % kMaxPeerLength, int(size) - 1);
    const QString peer = cStringBytesToText(QByteArray(reinterpret_cast<const char *>(data + 1), peerLength));
    size_t at = 1 + size_t(peerLength);

    NetLog log;
    StreamTextDecoder decoder;
    log.append(NetLogLine::status(peer));
    while (at < size) {
        const int length = int(data[at++]) * kLengthFactor;
        const int available = int(size - at);
        const int taken = qMin(available, qMax(1, length));
        QByteArray read(reinterpret_cast<const char *>(data + at), taken);
        at += size_t(taken);
        while (read.size() < length && !read.isEmpty())
            read += read.left(length - read.size());

        const QString payload = PayloadView::html(read, hex, &decoder);
        check(payload.size() <= kMaxPayloadHtml, "a payload line stays small");
        check(onlyOwnMarkup(payload), "a payload carries no markup of its own");
        const QString line = NetLogLine::received(NetLogLine::peer(peer, 65535), QTime(23, 59, 59), payload);
        check(onlyOwnMarkup(line), "a received line carries no markup of the peer");
        log.append(line);
        log.append(NetLogLine::failure(QString::fromLatin1(read.left(64))));
        const QString gpsLine = NetLogLine::received(
            peer, QTime(23, 59, 59),
            NetLogLine::textHtml(QString::fromLatin1(read), NetLogLine::kGpsStyle),
            NetLogLine::kGpsStyle);
        check(onlyOwnMarkup(gpsLine), "a GPS log line carries no markup of the peer");
        check(log.lineCount() >= 1, "the newest line is kept");
    }
    const QString html = log.html();
    check(onlyOwnMarkup(html), "the log carries no markup of the peer");
    check(html.size() <= NetLog::kCharLimit + kMaxPayloadHtml + 16 * (log.lineCount() + 8),
          "the log keeps its bound");
    return 0;
}
