#include "customframedecoder.h"

#include <cmath>
#include <cstring>

using FrameFormat::Reader;

CustomFrameDecoder::CustomFrameDecoder(FrameFormat::Description description)
    : m_reader(description)
{
    m_kept.reserve(size_t(m_reader.maximumFrameBytes() + description.trailer.size()));
}

void CustomFrameDecoder::decode(const char *bytes, int size)
{
    if (m_kept.empty()) {
        // Most of a read is decoded where it lies; only a frame cut by its
        // end is kept for the next.
        const int used = decodeSpan(bytes, size);
        m_kept.assign(bytes + used, bytes + size);
        return;
    }
    m_kept.insert(m_kept.end(), bytes, bytes + size);
    const int used = decodeSpan(m_kept.data(), int(m_kept.size()));
    m_kept.erase(m_kept.begin(), m_kept.begin() + used);
}

// Decodes what `data` holds; returns how many bytes are done with (the rest
// is the start of a frame).
int CustomFrameDecoder::decodeSpan(const char *data, int size)
{
    const QByteArray &header = m_reader.description().header;
    if (header.isEmpty()) { // no description to read by
        m_counts.bytesSkipped += size;
        return size;
    }
    const char first = header.at(0);
    int at = 0;
    while (at < size) {
        const void *found = std::memchr(data + at, first, size_t(size - at));
        if (!found) {
            m_counts.bytesSkipped += size - at;
            return size;
        }
        const int start = int(static_cast<const char *>(found) - data);
        m_counts.bytesSkipped += start - at;
        at = start;
        int consumed = 0;
        switch (tryFrame(data + at, size - at, &consumed)) {
        case Step::Consumed:
            at += consumed;
            break;
        case Step::Failed:
            ++at;
            break;
        case Step::Wait:
            return at;
        }
    }
    return at;
}

// A frame whose header's first byte is at `frame`. A failure costs that one
// byte only, so the next frame is found even inside a corrupt one.
CustomFrameDecoder::Step CustomFrameDecoder::tryFrame(const char *frame, int available, int *consumed)
{
    const FrameFormat::Description &description = m_reader.description();
    const QByteArray &header = description.header;
    const int headerBytes = header.size();
    if (std::memcmp(frame, header.constData(), size_t(std::min(available, headerBytes))) != 0) {
        ++m_counts.bytesSkipped;
        return Step::Failed;
    }
    if (available < m_reader.lengthBytesNeeded())
        return Step::Wait;
    const int frameBytes = m_reader.frameBytes(frame);
    if (frameBytes > m_reader.maximumFrameBytes()) {
        ++m_counts.oversized;
        return Step::Failed;
    }
    if (frameBytes < m_reader.minimumFrameBytes()) {
        ++m_counts.badFraming;
        return Step::Failed;
    }
    const QByteArray &trailer = description.trailer;
    const int wholeBytes = frameBytes + trailer.size();
    if (available < wholeBytes)
        return Step::Wait;
    if (std::memcmp(frame + frameBytes, trailer.constData(), size_t(trailer.size())) != 0) {
        ++m_counts.badFraming;
        return Step::Failed;
    }
    if (!m_reader.checksumHolds(frame, frameBytes)) {
        ++m_counts.badChecksum;
        return Step::Failed;
    }
    const int type = m_reader.typeOf(frame, frameBytes);
    if (type < 0) {
        ++m_counts.unknownType;
        return Step::Failed;
    }
    m_counts.goodBytes += wholeBytes;
    frameFound(frame, frameBytes, type);
    *consumed = wholeBytes;
    return Step::Consumed;
}

void CustomFrameDecoder::frameFound(const char *frame, int frameBytes, int type)
{
    ++m_counts.good;
    m_lastGood.assign(frame, frame + frameBytes);
    m_lastGoodType = type;
    const std::vector<FrameFormat::Field> &fields = m_reader.description().types[size_t(type)].fields;
    if (fields.empty())
        return; // a frame without values, a heartbeat say
    for (const FrameFormat::Field &field : fields) {
        const double value = Reader::valueOf(field, frame, frameBytes);
        if (std::isfinite(value))
            m_values[field.channel] = value;
        else
            ++m_counts.nonFinite;
    }
    emitRow(m_values, int(m_reader.description().channels.size()));
}
