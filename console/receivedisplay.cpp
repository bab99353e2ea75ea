#include "receivedisplay.h"

#include "hextext.h"
#include "textcodec.h"

#include <algorithm>

std::optional<QByteArray> ReceiveDisplayBuffer::append(const QByteArray &bytes, qint64 now)
{
    m_buffer.append(bytes);
    // Cut by whole steps until the buffer is back under the limit: a single
    // read of a fast stream can bring more than one step's worth, and cutting
    // once would let the buffer grow without bound.
    if (m_buffer.size() > kTrimAbove) {
        const int steps = (m_buffer.size() - kTrimAbove + kTrimBy - 1) / kTrimBy;
        m_buffer.remove(0, steps * kTrimBy);
    }
    const bool afterQuiet = m_wholeShown;
    m_lastData = now;
    m_wholeShown = false;
    if (afterQuiet || now - m_lastRedraw >= kRefreshIntervalMs)
        return showTail(now);
    m_tailPending = true;
    return std::nullopt;
}

std::optional<QByteArray> ReceiveDisplayBuffer::due(qint64 now)
{
    if (!m_wholeShown && now - m_lastData >= kQuietMs) {
        m_wholeShown = true;
        m_tailPending = false;
        m_lastRedraw = now;
        return m_buffer;
    }
    if (m_tailPending && now - m_lastRedraw >= kRefreshIntervalMs)
        return showTail(now);
    return std::nullopt;
}

std::optional<qint64> ReceiveDisplayBuffer::nextDue() const
{
    std::optional<qint64> next;
    if (!m_wholeShown)
        next = m_lastData + kQuietMs;
    if (m_tailPending)
        next = std::min(next.value_or(m_lastRedraw + kRefreshIntervalMs),
                        m_lastRedraw + kRefreshIntervalMs);
    return next;
}

QByteArray ReceiveDisplayBuffer::showTail(qint64 now)
{
    m_tailPending = false;
    m_lastRedraw = now;
    return m_buffer.right(kTailWhileFlowing);
}

void ReceiveDisplayBuffer::clear()
{
    m_buffer.clear();
    m_tailPending = false;
    m_wholeShown = true;
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
