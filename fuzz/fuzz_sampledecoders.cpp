// The text-line and JustFloat sample decoders: the same rows (and the same
// labelled channels, and the same count of values skipped as not finite)
// however the stream is split, rows of 1..8 values, and no more kept than a
// line or a frame. Every row goes on into a store, which keeps exactly the
// finite ones and counts the others.
//
// Input: a byte choosing the decoder, a byte seeding the read sizes, then
// the stream.
#include "fuzzcheck.h"
#include "sampledecoders.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <memory>
#include <vector>

namespace {

// Every row's values back to back, each preceded by its count (as bits, so
// a NaN compares equal to itself).
using Rows = std::vector<uint64_t>;

std::unique_ptr<SampleDecoder> makeDecoder(bool text)
{
    if (text)
        return std::make_unique<TextLineDecoder>();
    return std::make_unique<JustFloatDecoder>();
}

// Text keeps the first line, held until the next one ends, and the line in
// progress, each at most the longest line with its '\r'.
int keptLimit(bool text)
{
    return text ? 2 * (TextLineDecoder::kMaxLineBytes + 1) : SampleDecoder::kMaxChannels * 4 + 3;
}

// Feeds `size` bytes in reads of 1..`maxRead` bytes (sizes from `seed`),
// or in one read for a `maxRead` of 0.
Rows decode(bool text, const uint8_t *data, size_t size, uint8_t seed, size_t maxRead)
{
    Rows rows;
    std::unique_ptr<SampleDecoder> decoder = makeDecoder(text);
    SampleDecoder *raw = decoder.get();
    SampleStore store(16);
    qint64 nonFiniteRows = 0;
    decoder->setRowHandler([&rows, &store, &nonFiniteRows, text, raw](const double *values,
                                                                      int count) {
        check(count >= 1 && count <= SampleDecoder::kMaxChannels, "rows of 1 to 8 values");
        const bool finite =
            std::all_of(values, values + count, [](double value) { return std::isfinite(value); });
        nonFiniteRows += !finite;
        check(store.append(values, count) == finite, "the store takes exactly the finite rows");
        rows.push_back(uint64_t(count));
        if (text) {
            // What a label set has a name, within the row; it is part of the row.
            const auto *lines = static_cast<const TextLineDecoder *>(raw);
            const unsigned labelled = lines->labelledChannels();
            check(labelled < (1u << std::min(count, int(lines->channelNames().size()))),
                  "labelled channels are named and in the row");
            rows.push_back(labelled);
        }
        for (int i = 0; i < count; ++i) {
            check(!text || std::isfinite(values[i]), "text rows hold finite numbers");
            uint64_t bits;
            std::memcpy(&bits, &values[i], sizeof bits);
            rows.push_back(bits);
        }
    });
    unsigned state = seed;
    for (size_t at = 0; at < size;) {
        state = state * 1103515245u + 12345u;
        const size_t read = maxRead == 0 ? size : std::min(size - at, 1 + (state >> 16) % maxRead);
        decoder->append(reinterpret_cast<const char *>(data + at), int(read));
        check(decoder->bytesKept() <= keptLimit(text), "no more kept than a line or a frame");
        at += read;
    }
    decoder->flush();
    check(store.nonFiniteRefused() == nonFiniteRows, "the store counts what it refused");
    if (text) {
        const auto &lines = static_cast<const TextLineDecoder &>(*decoder);
        check(lines.channelNames().size() <= SampleDecoder::kMaxChannels, "at most 8 names");
        rows.push_back(uint64_t(lines.nonFiniteSkipped()));
    }
    return rows;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 2)
        return 0;
    const bool text = (data[0] & 1) == 0;
    const uint8_t seed = data[1];
    data += 2;
    size -= 2;
    const Rows whole = decode(text, data, size, seed, 0);
    check(decode(text, data, size, seed, 1) == whole, "byte by byte gives the same rows");
    check(decode(text, data, size, seed, 64) == whole, "any reads give the same rows");
    return 0;
}
