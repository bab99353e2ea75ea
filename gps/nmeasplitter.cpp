#include "nmeasplitter.h"

bool NmeaSplitter::append(const QByteArray &chunk)
{
    if (chunk.size() > kMaxChunk)
        return false;
    compact();
    m_buffer.append(chunk);
    return true;
}

QByteArrayList NmeaSplitter::next()
{
    for (;;) {
        const int zero = m_buffer.indexOf('\0', m_start);
        if (zero >= 0) {
            dropThrough(zero);
            continue;
        }
        const int star = m_buffer.indexOf('*', m_start);
        if (star < 0) {
            boundPending();
            return {};
        }
        const int dollar = m_buffer.indexOf('$', m_start);
        if (dollar < 0) {
            dropThrough(star);
            return {};
        }
        if (star < dollar + 2) {
            // A stray '*' before the next '$' (the tail of a line cut off
            // earlier), or an empty "$*": drop through the '*' only, so the
            // sentence that follows is not lost with it.
            dropThrough(star);
            continue;
        }
        // Split in place: the fields are copies, so the buffer may move on.
        const QByteArrayList fields =
            QByteArray::fromRawData(m_buffer.constData() + dollar + 1, star - dollar - 1).split(',');
        dropThrough(star);
        return fields;
    }
}

QByteArray NmeaSplitter::takeBuffer()
{
    const QByteArray rest = m_buffer.mid(m_start);
    clear();
    return rest;
}

void NmeaSplitter::clear()
{
    m_buffer.clear();
    m_start = 0;
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

void NmeaSplitter::boundPending()
{
    const int excess = pendingSize() - kMaxPending;
    if (excess > 0)
        m_start += excess;
}
