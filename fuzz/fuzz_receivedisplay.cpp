// The serial assistant's receive view: a stream cut into reads as the port
// would bring it. Each step is a byte: its low bit says time passes (the
// rest, in milliseconds, before the view is asked what is due), else the
// rest times 97 is the read's size, filled from the input that follows
// (repeated), so a few bytes of input reach past the kept bound; each read
// comes a millisecond after the last. The first byte's top bit chooses hex
// display. The view keeps the stream's tail, never more than its bound, and
// shows what the rules say.
#include "fuzzcheck.h"
#include "receivedisplay.h"
#include "textcodec.h"

#include <QByteArray>
#include <QString>

#include <cstdint>

namespace {

using Display = ReceiveDisplayBuffer;

constexpr int kSizeFactor = 97;
// The stream is kept for comparison only as far as the view could keep it.
constexpr int kReferenceKept = 2 * Display::kTrimAbove;

void checkShown(const QByteArray &shown, bool hex)
{
    const QString text = receiveViewText(shown, hex);
    if (hex) {
        const int rows = (shown.size() + Display::kHexBytesPerRow - 1) / Display::kHexBytesPerRow;
        check(text.size() == 3 * shown.size() + qMax(0, rows - 1), "three characters a byte and a break a row");
        check(text.count(QLatin1Char('\n')) == qMax(0, rows - 1), "rows of 64 bytes");
    } else {
        const int zero = shown.indexOf('\0');
        check(text.size() <= (zero < 0 ? shown.size() : zero), "text up to the first zero byte");
    }
}

// What the view must have been shown by the time it is asked again.
struct Expectation
{
    qint64 lastData = -1;
    qint64 lastRedraw = -1;
    bool wholeShown = true;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size == 0)
        return 0;
    const bool hex = data[0] & 0x80;
    Display display;
    QByteArray stream;
    Expectation seen;
    qint64 now = 0;
    qint64 fed = 0;
    for (size_t at = 1; at < size;) {
        const uint8_t step = data[at++];
        if (step & 1) {
            now += step >> 1;
            const auto next = display.nextDue();
            check(next.has_value() == !seen.wholeShown, "something is due exactly while the whole buffer is unshown");
            const auto shown = display.due(now);
            if (shown) {
                checkShown(*shown, hex);
                seen.lastRedraw = now;
                if (*shown == display.bytes() && now - seen.lastData >= Display::kQuietMs)
                    seen.wholeShown = true;
            }
            check(now - seen.lastData < Display::kQuietMs || seen.wholeShown,
                  "a quiet line shows the whole buffer");
            continue;
        }
        const int length = qMax(1, (step >> 1) * kSizeFactor);
        const int taken = qMin(int(size - at), length);
        QByteArray read = taken > 0 ? QByteArray(reinterpret_cast<const char *>(data + at), taken)
                                    : QByteArray(1, char(step));
        at += size_t(taken);
        while (read.size() < length)
            read += read.left(length - read.size());

        now += 1;
        fed += read.size();
        stream += read;
        if (stream.size() > kReferenceKept)
            stream.remove(0, stream.size() - kReferenceKept);
        const bool afterQuiet = seen.wholeShown;
        const auto shown = display.append(read, now);
        seen.lastData = now;
        seen.wholeShown = false;
        const QByteArray &kept = display.bytes();
        check(kept.size() <= Display::kTrimAbove, "the kept bytes stay bounded");
        check(stream.endsWith(kept), "what is kept is the stream's tail, in order");
        check(fed <= Display::kTrimAbove ? kept.size() == fed
                                         : kept.size() > Display::kTrimAbove - Display::kTrimBy,
              "no more is cut than needed");
        check(!afterQuiet || shown.has_value(), "bytes after a quiet line show at once");
        if (shown) {
            check(afterQuiet || seen.lastRedraw < 0 || now - seen.lastRedraw >= Display::kRefreshIntervalMs,
                  "a flowing line is redrawn at most once per interval");
            check(*shown == kept.right(Display::kTailWhileFlowing), "a flowing line shows the tail");
            checkShown(*shown, hex);
            seen.lastRedraw = now;
        }
        check(display.nextDue().has_value() && *display.nextDue() > now, "a redraw is always pending after data");
    }
    return 0;
}
