// The serial assistant's receive view: a stream cut into polls as the port
// would bring it. Each step is a byte: its low bit says an idle poll, else
// the rest times 97 is the poll's size, filled from the input that follows
// (repeated), so a few bytes of input reach past the kept bound. The first
// byte's top bit chooses hex display. The view keeps the stream's tail,
// never more than its bound, and shows what the rules say.
#include "fuzzcheck.h"
#include "receivedisplay.h"
#include "textcodec.h"

#include <QByteArray>
#include <QString>

#include <cstdint>

namespace {

constexpr int kSizeFactor = 97;
// The stream is kept for comparison only as far as the view could keep it.
constexpr int kReferenceKept = 2 * ReceiveDisplayBuffer::kTrimAbove;

void checkShown(const QByteArray &shown, bool hex)
{
    const QString text = receiveViewText(shown, hex);
    if (hex) {
        const int rows = (shown.size() + ReceiveDisplayBuffer::kHexBytesPerRow - 1)
                         / ReceiveDisplayBuffer::kHexBytesPerRow;
        check(text.size() == 3 * shown.size() + qMax(0, rows - 1), "three characters a byte and a break a row");
        check(text.count(QLatin1Char('\n')) == qMax(0, rows - 1), "rows of 64 bytes");
    } else {
        const int zero = shown.indexOf('\0');
        check(text.size() <= (zero < 0 ? shown.size() : zero), "text up to the first zero byte");
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size == 0)
        return 0;
    const bool hex = data[0] & 0x80;
    ReceiveDisplayBuffer display;
    QByteArray stream;
    int idleRun = 0;
    int dataPolls = 0;
    qint64 fed = 0;
    for (size_t at = 1; at < size;) {
        const uint8_t step = data[at++];
        if (step & 1) {
            const auto shown = display.idlePoll();
            ++idleRun;
            check(shown.has_value() == (idleRun == ReceiveDisplayBuffer::kIdlePollsBeforeFull),
                  "the whole buffer once, on the fifth quiet poll");
            if (shown) {
                check(*shown == display.bytes(), "a quiet line shows all that is kept");
                checkShown(*shown, hex);
            }
            continue;
        }
        const int length = qMax(1, (step >> 1) * kSizeFactor);
        const int taken = qMin(int(size - at), length);
        QByteArray poll = taken > 0 ? QByteArray(reinterpret_cast<const char *>(data + at), taken)
                                    : QByteArray(1, char(step));
        at += size_t(taken);
        while (poll.size() < length)
            poll += poll.left(length - poll.size());

        idleRun = 0;
        fed += poll.size();
        stream += poll;
        if (stream.size() > kReferenceKept)
            stream.remove(0, stream.size() - kReferenceKept);
        const auto shown = display.dataPoll(poll);
        check(shown.has_value() == (++dataPolls % (ReceiveDisplayBuffer::kDataPollsPerRefresh + 1) == 0),
              "a refresh on every eleventh poll with data");
        const QByteArray &kept = display.bytes();
        check(kept.size() <= ReceiveDisplayBuffer::kTrimAbove, "the kept bytes stay bounded");
        check(stream.endsWith(kept), "what is kept is the stream's tail, in order");
        check(fed <= ReceiveDisplayBuffer::kTrimAbove
                  ? kept.size() == fed
                  : kept.size() > ReceiveDisplayBuffer::kTrimAbove - ReceiveDisplayBuffer::kTrimBy,
              "no more is cut than needed");
        if (shown) {
            check(*shown == kept.right(ReceiveDisplayBuffer::kTailWhileFlowing), "a flowing line shows the tail");
            checkShown(*shown, hex);
        }
    }
    return 0;
}
