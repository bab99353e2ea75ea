// The decoder of user-described frames: the same rows and counts however
// the stream is split, rows of all the description's channels, no more kept
// than one longest frame with its trailer, every byte fed accounted for
// (skipped, lost with a failed frame, in a good frame or kept), and every
// good frame good to the test box too.
//
// Input: a byte choosing one of the example descriptions (or, when 3, one
// given by the input up to its first zero byte), a byte seeding the read
// sizes, then the stream.
#include "customframedecoder.h"
#include "fuzzcheck.h"

#include <QFile>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <vector>

using namespace FrameFormat;

namespace {

std::vector<Description> g_examples;

struct Outcome
{
    std::vector<uint64_t> rows; // each value as bits
    CustomFrameDecoder::Counts counts;
};

Outcome decode(const Description &description, const uint8_t *data, size_t size, uint8_t seed,
               size_t maxRead)
{
    Outcome outcome;
    CustomFrameDecoder decoder(description);
    const int channels = int(description.channels.size());
    const QByteArray &trailer = description.trailer;
    decoder.setRowHandler([&](const double *values, int count) {
        check(count == channels, "rows of all channels");
        if (maxRead == 0)
            check(inspect(description, decoder.lastGoodFrame() + trailer).verdict == Inspection::Verdict::Good,
                  "a good frame is good to the test box");
        for (int i = 0; i < count; ++i) {
            check(std::isfinite(values[i]), "finite values");
            uint64_t bits;
            std::memcpy(&bits, &values[i], sizeof bits);
            outcome.rows.push_back(bits);
        }
    });
    const int kept = description.maximumFrameBytes() + trailer.size();
    unsigned state = seed;
    for (size_t at = 0; at < size;) {
        state = state * 1103515245u + 12345u;
        const size_t read = maxRead == 0 ? size : std::min(size - at, 1 + (state >> 16) % maxRead);
        decoder.append(reinterpret_cast<const char *>(data + at), int(read));
        check(decoder.bytesKept() < kept, "less kept than a longest frame with its trailer");
        at += read;
        const CustomFrameDecoder::Counts &counts = decoder.counts();
        check(counts.bytesSkipped + counts.badChecksum + counts.unknownType + counts.oversized
                      + counts.badFraming + counts.goodBytes + decoder.bytesKept()
                  == qint64(at),
              "every byte accounted for");
    }
    check(decoder.rowsDecoded() <= decoder.counts().good, "a row a good frame at most");
    outcome.counts = decoder.counts();
    return outcome;
}

bool same(const Outcome &a, const Outcome &b)
{
    const CustomFrameDecoder::Counts &x = a.counts;
    const CustomFrameDecoder::Counts &y = b.counts;
    return a.rows == b.rows && x.good == y.good && x.badChecksum == y.badChecksum
           && x.unknownType == y.unknownType && x.oversized == y.oversized && x.badFraming == y.badFraming
           && x.nonFinite == y.nonFinite && x.bytesSkipped == y.bytesSkipped && x.goodBytes == y.goodBytes;
}

} // namespace

// Qt's JSON reader loses an array or object a repeated key replaces (a few
// bytes a key); nothing of ours is allocated by hand.
extern "C" const char *__lsan_default_suppressions()
{
    return "leak:libQt5Core.so\n";
}

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    for (const char *file : {"motors-fixed-xor8", "imu-crc16-modbus", "flight-sum8-add8"}) {
        QFile in(QStringLiteral(ZENTRIK_EXAMPLES_DIR "/frames/%1.zframe").arg(QLatin1String(file)));
        Description description;
        check(in.open(QIODevice::ReadOnly) && parse(in.readAll(), &description, nullptr),
              "the examples are read");
        g_examples.push_back(description);
    }
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 2)
        return 0;
    const unsigned choice = data[0] % 4;
    const uint8_t seed = data[1];
    data += 2;
    size -= 2;
    Description description;
    if (choice < g_examples.size()) {
        description = g_examples[choice];
    } else {
        const uint8_t *end = static_cast<const uint8_t *>(std::memchr(data, 0, size));
        if (!end)
            return 0;
        const QByteArray json(reinterpret_cast<const char *>(data), int(end - data));
        if (!parse(json, &description, nullptr))
            return 0;
        size -= size_t(end + 1 - data);
        data = end + 1;
    }
    const Outcome whole = decode(description, data, size, seed, 0);
    check(same(decode(description, data, size, seed, 1), whole), "byte by byte gives the same");
    check(same(decode(description, data, size, seed, 64), whole), "any reads give the same");
    return 0;
}
