#pragma once

#include <QByteArray>

#include <array>
#include <functional>

// The car's serial link: frames of
//   C, ~C, payload (L bytes), ~C, C
// with C = 1 (camera image), 2 (CCD lines), 3 (oscilloscope samples) or
// 4 (a parameter: index and value, both ways).
// There is no length field and no checksum: L comes from the receiver's own
// settings, so car and tab must be configured alike. Command 4 is looked for
// only while its length is set, so a stream without parameter frames is cut
// as it was before they existed.
namespace CarLink {

enum Command { Image = 1, Ccd = 2, Scope = 3, Param = 4 };
constexpr int kCommandCount = 5; // index 0 is never a valid command

// Payload length of each command, indexed by command; entry 0 stays 0.
using FrameLengths = std::array<int, kCommandCount>;

// The whole frame for a payload: header, payload, trailer.
QByteArray buildFrame(int command, const QByteArray &payload);

} // namespace CarLink

// Cuts the car's byte stream into frames and hands each payload to the
// handler of its command, oldest first.
//
// Bytes before a header are dropped only once a header has been found after
// them; a header whose trailer does not match costs one byte, and the search
// goes on from the byte after it. An incomplete frame waits for more bytes.
// The buffer is kept across close and reopen of the port, so it belongs to
// the parser, not to the connection.
//
// Every received byte is searched once: the search resumes where the last
// one ended. Dropped bytes stay in storage until they outnumber the kept
// ones, so moving the kept bytes to the front costs no more than the bytes
// dropped since the last move.
//
// The buffer stands still while frames are handed out: bytes that arrive
// while a handler runs (an event loop inside it) wait until every frame
// before them is handled, so no frame is handled twice and none is read
// from storage that moved.
class CarFrameParser
{
public:
    using Handler = std::function<void(const char *payload, int length)>;

    // Never drop below this, however short the configured frames are.
    static constexpr int kMinimumBufferLimit = 64 * 1024;

    // Fixed while the port is open; taken from the settings at open.
    void setFrameLengths(const CarLink::FrameLengths &lengths);
    const CarLink::FrameLengths &frameLengths() const { return m_lengths; }

    // A command without a handler still has its frames cut and counted.
    void setHandler(int command, Handler handler);

    // Appends received bytes and handles every frame complete in the buffer.
    void append(const char *bytes, int size);
    void append(const QByteArray &bytes) { append(bytes.constData(), bytes.size()); }

    // The bytes kept: received, not yet part of a handled frame nor dropped.
    QByteArray buffer() const { return m_storage.mid(m_start); }
    int bufferSize() const { return m_storage.size() - m_start; }
    qint64 framesHandled(int command) const { return m_framesHandled[size_t(command)]; }

    // The most the buffer keeps while no header turns up: a few of the
    // longest configured frames plus a margin, and never less than 64 KiB.
    // A car sending garbage (wrong baud rate, say) cannot exhaust memory,
    // and a frame that follows the garbage is still found. Storage holds
    // at most twice this plus one read.
    int bufferLimit() const;

    // The parser's own effort so far: bytes looked at while searching for a
    // header, and bytes moved to drop consumed ones from storage.
    struct Work
    {
        qint64 bytesSearched = 0;
        qint64 bytesMoved = 0;
    };
    const Work &work() const { return m_work; }

private:
    void parse();
    void dropConsumed();

    // m_storage[m_start..] is the buffer; no header starts in
    // [m_start, m_searchFrom).
    QByteArray m_storage;
    int m_start = 0;
    int m_searchFrom = 0;
    CarLink::FrameLengths m_lengths{};
    std::array<Handler, CarLink::kCommandCount> m_handlers;
    std::array<qint64, CarLink::kCommandCount> m_framesHandled{};
    Work m_work;
    // Bytes that came while handlers ran: at most one buffer limit, newest.
    QByteArray m_waiting;
    bool m_handling = false;
};
