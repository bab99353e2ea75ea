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
    if (!hex)
        return cStringBytesToText(bytes);
    // Rows of hex rather than one paragraph: the view lays out only the rows
    // it shows, while a single 150000-character paragraph (a quiet line's
    // whole buffer) takes it well over 100 ms. 50000 bytes make 782 rows,
    // within the view's 800-line limit, so nothing kept is cut from view.
    QString text;
    text.reserve(bytes.size() * 3 + bytes.size() / ReceiveDisplayBuffer::kHexBytesPerRow);
    for (int row = 0; row < bytes.size(); row += ReceiveDisplayBuffer::kHexBytesPerRow) {
        if (row > 0)
            text.append(QLatin1Char('\n'));
        text.append(bytesToHexText(bytes.mid(row, ReceiveDisplayBuffer::kHexBytesPerRow)));
    }
    return text;
}
