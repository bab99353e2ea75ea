#pragma once

#include "framedescription.h"
#include "sampledecoders.h"

#include <vector>

// Frames of a format the user described (see FrameFormat). Each good frame
// hands out one row of all channels: those its type carries take the new
// values, the others keep their last ones; nan and inf keep the last value
// and are counted.
// A frame that fails (bad length, trailer or checksum, or matching no type)
// costs one byte: the search for a header resumes after the failed frame's
// first byte, so a corrupt frame never takes the next with it. Bytes kept
// never exceed one longest frame with its trailer.
class CustomFrameDecoder : public SampleDecoder
{
public:
    explicit CustomFrameDecoder(FrameFormat::Description description);

    const FrameFormat::Description &description() const { return m_reader.description(); }

    struct Counts
    {
        qint64 good = 0;
        qint64 badChecksum = 0;
        qint64 unknownType = 0;
        qint64 oversized = 0;   // a length field beyond kMaxFrameBytes or the format's longest
        qint64 badFraming = 0;  // a length below the shortest or a missing trailer
        qint64 nonFinite = 0;   // field values skipped as nan or inf
        qint64 bytesSkipped = 0; // bytes passed over looking for a header
        qint64 goodBytes = 0;    // bytes of the good frames, trailers included
    };
    const Counts &counts() const { return m_counts; }

    // The newest good frame (without its trailer) and its type; empty before the first.
    QByteArray lastGoodFrame() const { return QByteArray(m_lastGood.data(), int(m_lastGood.size())); }
    int lastGoodType() const { return m_lastGoodType; }

    int bytesKept() const override { return int(m_kept.size()); }

protected:
    void decode(const char *bytes, int size) override;

private:
    enum class Step { Consumed, Failed, Wait };
    int decodeSpan(const char *data, int size);
    Step tryFrame(const char *frame, int available, int *consumed);
    void frameFound(const char *frame, int frameBytes, int type);

    FrameFormat::Reader m_reader;
    Counts m_counts;
    std::vector<char> m_kept; // the start of a frame still coming
    std::vector<char> m_lastGood;
    int m_lastGoodType = -1;
    double m_values[FrameFormat::kMaxChannels] = {};
};
