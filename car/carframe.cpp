#include "carframe.h"

#include "receivescope.h"

#include <algorithm>

namespace {

// Commands 1..3 are always looked for; command 4 only while its length is
// set, so older streams are cut as before.
int highestCommand(const CarLink::FrameLengths &lengths)
{
    return lengths[CarLink::Param] > 0 ? CarLink::Param : CarLink::Scope;
}

unsigned char complement(unsigned char byte)
{
    return static_cast<unsigned char>(~byte);
}

// The first header in data[from, last), or, without one, no less than `last`.
int findHeader(const unsigned char *data, int from, int last, int highest)
{
    for (int i = from; i < last; ++i) {
        if (data[i] >= CarLink::Image && data[i] <= highest && data[i + 1] == complement(data[i]))
            return i;
    }
    return std::max(from, last);
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
    if (m_handling) {
        m_waiting.append(bytes, size);
        if (m_waiting.size() > bufferLimit())
            m_waiting.remove(0, m_waiting.size() - bufferLimit());
        return;
    }
    const ReceiveScope receiving;
    m_storage.append(bytes, size);
    for (;;) {
        parse();
        dropConsumed();
        if (m_waiting.isEmpty())
            break;
        m_storage.append(m_waiting);
        m_waiting.clear();
    }
}

// Frames are handed out as they are cut, from storage that stands still
// until the last handler has returned: bytes a handler lets in wait.
void CarFrameParser::parse()
{
    m_handling = true;
    const auto *data = reinterpret_cast<const unsigned char *>(m_storage.constData());
    const int size = m_storage.size();
    const int last = size - 1; // a header needs the byte after it
    int start = m_start;
    int searchFrom = m_searchFrom;
    qint64 searched = 0;
    const int highest = highestCommand(m_lengths);
    for (;;) {
        const int header = findHeader(data, searchFrom, last, highest);
        searched += header - searchFrom + (header < last ? 1 : 0);
        searchFrom = header;
        if (header >= last) {
            // Without a header nothing can be cut yet: keep the bytes, but
            // only the newest ones once they pass the limit (the limit is
            // never below one byte, so a half header at the end survives).
            start = std::max(start, size - bufferLimit());
            searchFrom = std::max(searchFrom, start);
            break;
        }
        start = header;
        const int command = data[header];
        const int length = m_lengths[size_t(command)];
        if (size - header < length + 4)
            break;
        const unsigned char *trailer = data + header + 2 + length;
        if (trailer[0] != complement(data[header]) || trailer[1] != data[header]) {
            start = searchFrom = header + 1;
            continue;
        }
        ++m_framesHandled[size_t(command)];
        if (const Handler &handler = m_handlers[size_t(command)])
            handler(reinterpret_cast<const char *>(data + header + 2), length);
        start = searchFrom = header + length + 4;
    }
    m_start = start;
    m_searchFrom = searchFrom;
    m_work.bytesSearched += searched;
    m_handling = false;
}

void CarFrameParser::dropConsumed()
{
    const int kept = m_storage.size() - m_start;
    if (m_start == 0 || m_start < kept)
        return;
    m_work.bytesMoved += kept;
    m_storage.remove(0, m_start);
    m_searchFrom -= m_start;
    m_start = 0;
}
