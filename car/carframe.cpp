#include "carframe.h"

#include <algorithm>

namespace {

bool isCommand(unsigned char byte)
{
    return byte >= CarLink::Image && byte <= CarLink::Scope;
}

unsigned char complement(unsigned char byte)
{
    return static_cast<unsigned char>(~byte);
}

} // namespace

QByteArray CarLink::buildFrame(int command, const QByteArray &payload)
{
    const char c = char(command);
    const char notC = char(complement(static_cast<unsigned char>(command)));
    QByteArray frame;
    frame.reserve(payload.size() + 4);
    frame.append(c).append(notC).append(payload).append(notC).append(c);
    return frame;
}

void CarFrameParser::setFrameLengths(const CarLink::FrameLengths &lengths)
{
    m_lengths = lengths;
    m_lengths[0] = 0;
    for (int &length : m_lengths)
        length = std::max(length, 0);
}

void CarFrameParser::setHandler(int command, Handler handler)
{
    if (command > 0 && command < CarLink::kCommandCount)
        m_handlers[size_t(command)] = std::move(handler);
}

int CarFrameParser::bufferLimit() const
{
    constexpr int kFramesKept = 4;
    constexpr int kMargin = 4096;
    const int longest = *std::max_element(m_lengths.begin(), m_lengths.end()) + 4;
    return std::max(kMinimumBufferLimit, kFramesKept * longest + kMargin);
}

void CarFrameParser::append(const char *bytes, int size)
{
    if (size <= 0)
        return;
    m_buffer.append(bytes, size);
    parse();
}

int CarFrameParser::findHeader(int from) const
{
    const auto *data = reinterpret_cast<const unsigned char *>(m_buffer.constData());
    const int last = m_buffer.size() - 1;
    for (int i = from; i < last; ++i) {
        if (isCommand(data[i]) && data[i + 1] == complement(data[i]))
            return i;
    }
    return -1;
}

// Works with a read position and compacts the buffer once at the end, so a
// read holding thousands of short frames costs one move, not one per frame.
void CarFrameParser::parse()
{
    int pos = 0;
    for (;;) {
        const int header = findHeader(pos);
        if (header < 0) {
            // Without a header nothing can be cut yet: keep the bytes, but
            // only the newest ones once they pass the limit (the limit is
            // never below one byte, so a half header at the end survives).
            pos = std::max(pos, m_buffer.size() - bufferLimit());
            break;
        }
        pos = header;
        const auto *data = reinterpret_cast<const unsigned char *>(m_buffer.constData()) + pos;
        const int command = data[0];
        const int length = m_lengths[size_t(command)];
        if (m_buffer.size() - pos < length + 4)
            break;
        if (data[length + 2] != complement(data[0]) || data[length + 3] != data[0]) {
            ++pos;
            continue;
        }
        ++m_framesHandled[size_t(command)];
        if (const Handler &handler = m_handlers[size_t(command)])
            handler(reinterpret_cast<const char *>(data + 2), length);
        pos += length + 4;
    }
    if (pos > 0)
        m_buffer.remove(0, pos);
}
