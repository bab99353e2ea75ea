#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

// What the serial assistant keeps of the received stream for its view, and
// when the view is redrawn. Bytes after a quiet line are shown at once. While
// data flows the view is redrawn at most every kRefreshIntervalMs and shows
// only the last 2000 bytes, so a fast stream costs a few redraws a second;
// once the line has been quiet for kQuietMs it shows the whole kept buffer
// (at most 50000 bytes). Times are the caller's clock, in milliseconds.
class ReceiveDisplayBuffer
{
public:
    static constexpr int kTrimAbove = 50000;
    static constexpr int kTrimBy = 40000;
    static constexpr int kTailWhileFlowing = 2000;
    static constexpr qint64 kRefreshIntervalMs = 100;
    static constexpr qint64 kQuietMs = 50;
    static constexpr int kHexBytesPerRow = 64;

    // Bytes received at `now`. Returns the bytes to show when the view is
    // due for a redraw now.
    std::optional<QByteArray> append(const QByteArray &bytes, qint64 now);
    // The bytes to show at `now`, if a redraw has fallen due since.
    std::optional<QByteArray> due(qint64 now);
    // When due() will next have something to show; none until more bytes
    // arrive.
    std::optional<qint64> nextDue() const;

    void clear();
    const QByteArray &bytes() const { return m_buffer; }

private:
    QByteArray showTail(qint64 now);

    QByteArray m_buffer;
    qint64 m_lastRedraw = 0;
    qint64 m_lastData = 0;
    bool m_tailPending = false;
    bool m_wholeShown = true;
};

// The receive view's text for the given bytes: hexadecimal in rows of 64
// bytes, or GB18030 text up to the first zero byte.
QString receiveViewText(const QByteArray &bytes, bool hex);
