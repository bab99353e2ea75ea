#include "nmeasplitter.h"

#include <cstring>

void NmeaSplitter::append(const QByteArray &chunk)
{
    compact();
    m_buffer.append(chunk);
}

// Every search stops at the '*' that ends the sentence at hand, so a long
// chunk costs one pass however many sentences it holds.
QByteArrayList NmeaSplitter::next()
{
    for (;;) {
        const int star = indexIn('*', m_start, m_buffer.size());
        if (star < 0) {
            keepPendingTail();
            return {};
        }
        dropThroughLastZero(star);
        const int dollar = indexIn('$', m_start, star);
        if (dollar < 0 || star < dollar + 2) {
            // A '*' with no '$' before it (the tail of a line cut off
            // earlier, noise) or an empty "$*": drop through the '*' only,
            // so the sentence that follows is not lost with it.
            dropThrough(star);
            continue;
        }
        const QByteArrayList fields = m_buffer.mid(dollar + 1, star - dollar - 1).split(',');
        dropThrough(star);
        return fields;
    }
}

QByteArray NmeaSplitter::take(int maxBytes)
{
    const int count = qMin(maxBytes, pendingSize());
    if (count <= 0)
        return {};
    const QByteArray taken = m_buffer.mid(m_start, count);
    dropThrough(m_start + count - 1);
    return taken;
}

void NmeaSplitter::clear()
{
    m_buffer.clear();
    m_start = 0;
}

// The first `c` in [from, to), or -1.
int NmeaSplitter::indexIn(char c, int from, int to) const
{
    const char *begin = m_buffer.constData() + from;
    const void *found = std::memchr(begin, c, size_t(to - from));
    return found ? int(static_cast<const char *>(found) - m_buffer.constData()) : -1;
}

void NmeaSplitter::dropThroughLastZero(int before)
{
    const char *bytes = m_buffer.constData();
    for (int at = before - 1; at >= m_start; --at) {
        if (bytes[at] == '\0') {
            dropThrough(at);
            return;
        }
    }
}

void NmeaSplitter::dropThrough(int index)
{
    m_start = index + 1;
    if (m_start >= m_buffer.size())
        clear();
}

// Consumed bytes are dropped lazily, so a chunk of many sentences costs one
// move instead of one per sentence.
void NmeaSplitter::compact()
{
    if (m_start > 0) {
        m_buffer.remove(0, m_start);
        m_start = 0;
    }
}

// No '*' is left, so no sentence either: only the newest bytes after the
// last zero byte may still begin one.
void NmeaSplitter::keepPendingTail()
{
    dropThroughLastZero(m_buffer.size());
    const int excess = pendingSize() - kMaxPending;
    if (excess > 0)
        m_start += excess;
    compact();
    if (m_buffer.capacity() > kKeptCapacity)
        m_buffer.squeeze();
}
