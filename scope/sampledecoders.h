#pragma once

#include "samplestore.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <functional>
#include <vector>

// Turns what a firmware prints into oscilloscope samples: rows of channel
// values, the shape SampleStore::append takes. Fed bytes in reads of any
// size, a decoder gives the same rows however the stream is split, and keeps
// no more than one line or a frame between reads.
//
// Both decoders allow as many channels as the store holds (8); values past
// the eighth are ignored.
class SampleDecoder
{
public:
    static constexpr int kMaxChannels = SampleStore::kChannels;

    // `values` of channels 1..count (count 1..kMaxChannels), valid for the call.
    using RowHandler = std::function<void(const double *values, int count)>;

    virtual ~SampleDecoder() = default;

    void setRowHandler(RowHandler handler) { m_handler = std::move(handler); }

    void append(const char *bytes, int size)
    {
        if (size > 0)
            decode(bytes, size);
    }
    void append(const QByteArray &bytes) { append(bytes.constData(), bytes.size()); }

    // Hands out a row held back for values still to come (none by default).
    virtual void flush() {}

    qint64 rowsDecoded() const { return m_rows; }
    // Bytes held for the line or frame in progress.
    virtual int bytesKept() const = 0;

protected:
    virtual void decode(const char *bytes, int size) = 0;
    void emitRow(const double *values, int count);

private:
    RowHandler m_handler;
    qint64 m_rows = 0;
};

// Text lines ending in "\n" or "\r\n", one sample a line:
//   1.5,2,-3              numbers by position, separated by commas, blanks,
//                         tabs or semicolons
//   data:1,2,3            the same after one leading name (not a channel name)
//   speed:1.2,err:-0.4    labelled values: each label a channel, in the
//                         order first seen ("speed: 1.2" is the same)
//   >speed:1.2            one labelled value a line, or >speed:time:1.2 with
//                         the time ignored; the values of one round are
//                         gathered into one row, handed out when a channel
//                         comes again, another kind of line comes, or on flush
// Numbers are read in the C locale, whatever the user's, exponents allowed;
// nan, inf and numbers beyond a double are skipped (and counted). A channel a
// line leaves out keeps its last value.
// A line with anything else in it, or without a number, is no sample.
//
// The first line may be the end of one the firmware was printing when the
// port opened ("eed:1.5" of "speed:1.5"): it is held until the next line and
// decoded only if both lead alike (the same first label, both '>' lines, or
// as many bare numbers), or when the stream ends first.
class TextLineDecoder : public SampleDecoder
{
public:
    // Longer lines (their ending not counted) are skipped up to their newline.
    static constexpr int kMaxLineBytes = 4096;
    // A label must fit an oscilloscope channel name.
    static constexpr int kMaxLabelBytes = 31;

    void flush() override;

    // Channel names from the labels, in the order first seen (GB18030 text).
    QStringList channelNames() const { return m_names; }
    // The channels a label set in the row being handed out (bit i for
    // channel i); 0 for a row of numbers by position. Valid in the row
    // handler.
    unsigned labelledChannels() const { return m_rowLabels; }
    // Labelled values dropped because all channels were taken.
    qint64 labelsRefused() const { return m_labelsRefused; }
    QString firstRefusedLabel() const { return m_firstRefusedLabel; }
    qint64 longLinesSkipped() const { return m_longLines; }
    // Values skipped as nan, inf or beyond the range of a double.
    qint64 nonFiniteSkipped() const { return m_nonFinite; }
    int bytesKept() const override { return m_line.size() + m_firstLine.size(); }

protected:
    void decode(const char *bytes, int size) override;

private:
    void lineEnded(const char *line, int length);
    void decodeLine(const char *line, int length);
    void decodeTaggedLine(const char *line, int length);
    int channelFor(const char *label, int length, int likely);
    void emitHeld();

    // A value of the line being decoded, with its label if it has one.
    struct Item
    {
        const char *label;
        int labelLength;
        double value;
        bool finite;
    };

    QByteArray m_line;
    std::vector<Item> m_items; // kept to spare an allocation a line
    bool m_skipping = false;
    enum class FirstLine { Awaited, Held, Judged } m_firstLineState = FirstLine::Awaited;
    QByteArray m_firstLine;
    QStringList m_names;
    QList<QByteArray> m_labels;
    double m_last[kMaxChannels] = {};
    unsigned m_held = 0; // channels set by '>' lines since the last row
    unsigned m_rowLabels = 0;
    int m_lastTagged = -1; // channel of the last '>' line
    qint64 m_labelsRefused = 0;
    QString m_firstRefusedLabel;
    qint64 m_longLines = 0;
    qint64 m_nonFinite = 0;
};

// Frames of N little-endian 32-bit floats followed by the tail 00 00 80 7F.
// N (1..kMaxChannels) is learnt from the distance between tails once three
// frames in a row agree; those frames (and the first of the stream, when it
// has their length) are handed out then. Afterwards a frame
// of another length is dropped and counted, and the stream resynchronises at
// its tail; three dropped frames agreeing on a new length take it over.
class JustFloatDecoder : public SampleDecoder
{
public:
    static constexpr int kFramesToLock = 3;

    // N once learnt, else 0.
    int channelCount() const { return m_frameBytes > 0 ? m_frameBytes / 4 - 1 : 0; }
    qint64 framesDropped() const { return m_framesDropped; }
    int bytesKept() const override { return m_buffer.size(); }

protected:
    void decode(const char *bytes, int size) override;

private:
    void frameEnded(const char *frame, qint64 length);
    void emitLearntFrames();

    QByteArray m_buffer;     // the frame in progress (of one too long to be a sample, its last 3 bytes)
    qint64 m_overflow = 0;   // bytes of that frame already let go (it can be no sample)
    bool m_tailSeen = false; // bytes before the first tail are a partial frame
    int m_frameBytes = 0;    // learnt frame length with its tail, 0 while unknown
    qint64 m_candidate = 0;  // length the latest frames agree on
    int m_agreeing = 0;
    qint64 m_framesDropped = 0;
    QByteArray m_firstFrame; // until the length is learnt
    QByteArray m_learnt;     // the agreeing frames, until the length is learnt
};
