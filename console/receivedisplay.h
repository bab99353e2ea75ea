#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

// What the serial assistant keeps of the received stream for its view, and
// when the view is redrawn. A fast stream must not redraw on every 10 ms
// poll: while data flows the view is replaced on every eleventh poll with
// data and shows only the last 2000 bytes; once the line has been quiet for
// five polls it shows the whole kept buffer (at most 50000 bytes).
class ReceiveDisplayBuffer
{
public:
    static constexpr int kTrimAbove = 50000;
    static constexpr int kTrimBy = 40000;
    static constexpr int kTailWhileFlowing = 2000;
    static constexpr int kDataPollsPerRefresh = 10; // refresh when exceeded
    static constexpr int kIdlePollsBeforeFull = 5;
    static constexpr int kHexBytesPerRow = 64;

    // A poll that brought bytes. Returns the bytes to show when the view is
    // due for a refresh.
    std::optional<QByteArray> dataPoll(const QByteArray &bytes);
    // A poll that brought nothing.
    std::optional<QByteArray> idlePoll();

    void clear();
    const QByteArray &bytes() const { return m_buffer; }

private:
    QByteArray m_buffer;
    int m_dataPolls = 0;
    int m_idlePolls = 0;
};

// The receive view's text for the given bytes: hexadecimal in rows of 64
// bytes, or GB18030 text up to the first zero byte.
QString receiveViewText(const QByteArray &bytes, bool hex);
