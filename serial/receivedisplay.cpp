#include "receivedisplay.h"

#include "hextext.h"
#include "textcodec.h"

std::optional<QByteArray> ReceiveDisplayBuffer::dataPoll(const QByteArray &bytes)
{
    m_idlePolls = 0;
    m_buffer.append(bytes);
    // Cut by whole steps until the buffer is back under the limit: a single
    // poll of a fast stream can bring more than one step's worth, and cutting
    // once would let the buffer grow without bound.
    if (m_buffer.size() > kTrimAbove) {
        const int steps = (m_buffer.size() - kTrimAbove + kTrimBy - 1) / kTrimBy;
        m_buffer.remove(0, steps * kTrimBy);
    }
    if (++m_dataPolls <= kDataPollsPerRefresh)
        return std::nullopt;
    m_dataPolls = 0;
    return m_buffer.right(kTailWhileFlowing);
}

std::optional<QByteArray> ReceiveDisplayBuffer::idlePoll()
{
    // Only the fifth quiet poll in a row redraws; the count stops there so
    // a line quiet for days cannot overflow it.
    if (m_idlePolls >= kIdlePollsBeforeFull || ++m_idlePolls != kIdlePollsBeforeFull)
        return std::nullopt;
    return m_buffer;
}

void ReceiveDisplayBuffer::clear()
{
    m_buffer.clear();
}

QString receiveViewText(const QByteArray &bytes, bool hex)
{
    return hex ? bytesToHexText(bytes) : cStringBytesToText(bytes);
}
