#include "sampledecoders.h"

#include "sampletypes.h"
#include "textcodec.h"

#include <array>
#include <charconv>
#include <cmath>
#include <cstring>

static_assert(SampleDecoder::kMaxChannels <= 32, "held channels are kept as bits");

void SampleDecoder::emitRow(const double *values, int count)
{
    ++m_rows;
    if (m_handler)
        m_handler(values, count);
}

// ---- text lines ------------------------------------------------------------

namespace {

// What a byte can be to the tokenizer, looked up rather than compared.
enum ByteClass : quint8 { Other = 0, Separator = 1, Colon = 2, NoLabel = 4 };

constexpr std::array<quint8, 256> byteClasses()
{
    std::array<quint8, 256> classes{};
    for (int c = 0; c < 0x20; ++c)
        classes[size_t(c)] = NoLabel;
    classes[0x7f] = NoLabel;
    for (const char c : {',', ' ', '\t', ';'})
        classes[quint8(c)] = Separator | NoLabel;
    classes[quint8(':')] = Colon | NoLabel;
    return classes;
}

constexpr std::array<quint8, 256> kByteClasses = byteClasses();

quint8 classOf(char c) { return kByteClasses[quint8(c)]; }

bool isSeparator(char c) { return classOf(c) & Separator; }

enum class Number { Finite, Skipped, Bad };

bool isDigit(char c) { return unsigned(c - '0') < 10; }

// "-12.345" and the like with up to 15 digits, the usual printf output: the
// digits make an exact integer and the power of ten is exact, so one
// division rounds the same as from_chars does, at a fraction of its cost.
bool readShortDecimal(const char *begin, const char *end, double &value)
{
    static constexpr double kPowersOfTen[] = {1e0, 1e1, 1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                              1e8, 1e9, 1e10, 1e11, 1e12, 1e13, 1e14, 1e15};
    const bool negative = begin != end && *begin == '-';
    if (negative)
        ++begin;
    if (begin == end || end - begin > 16 || !isDigit(*begin) || !isDigit(end[-1]))
        return false;
    quint64 digits = 0;
    int decimals = 0;
    bool point = false;
    for (const char *at = begin; at != end; ++at) {
        if (isDigit(*at)) {
            digits = digits * 10 + unsigned(*at - '0');
            decimals += point;
        } else if (*at == '.' && !point) {
            point = true;
        } else {
            return false;
        }
    }
    if (end - begin - point > 15)
        return false;
    value = double(digits) / kPowersOfTen[decimals];
    if (negative)
        value = -value;
    return true;
}

// A whole token as a number in the C locale; "+" may lead.
Number readNumber(const char *begin, const char *end, double &value)
{
    if (begin != end && *begin == '+') {
        ++begin;
        if (begin != end && *begin == '-')
            return Number::Bad;
    }
    if (begin == end)
        return Number::Bad;
    if (readShortDecimal(begin, end, value))
        return Number::Finite;
    const auto [stop, error] = std::from_chars(begin, end, value);
    if (error != std::errc() || stop != end) {
        // Out of range is a number all the same, just not one we can plot.
        return error == std::errc::result_out_of_range && stop == end ? Number::Skipped : Number::Bad;
    }
    return std::isfinite(value) ? Number::Finite : Number::Skipped;
}

const char *trimFront(const char *begin, const char *end)
{
    while (begin != end && (*begin == ' ' || *begin == '\t'))
        ++begin;
    return begin;
}

const char *trimBack(const char *begin, const char *end)
{
    while (end != begin && (end[-1] == ' ' || end[-1] == '\t'))
        --end;
    return end;
}

bool validLabel(const char *begin, const char *end)
{
    if (begin == end || end - begin > TextLineDecoder::kMaxLabelBytes)
        return false;
    for (const char *c = begin; c != end; ++c) {
        if (classOf(*c) & NoLabel)
            return false;
    }
    return true;
}

// One item of a line: "value" or "label:value" (a blank after the colon
// allowed).
struct Token
{
    const char *label = nullptr;
    int labelLength = 0;
    const char *value = nullptr;
    const char *valueEnd = nullptr;
};

// The next token from `at`; false at the end of the line, or with `bad` set
// on a label that cannot name a channel.
bool nextToken(const char *&at, const char *end, Token &token, bool &bad)
{
    while (at != end && isSeparator(*at))
        ++at;
    if (at == end)
        return false;
    const char *start = at;
    const char *colon = nullptr;
    bool labelUsable = true; // no control byte before the colon
    for (; at != end; ++at) {
        const quint8 byteClass = classOf(*at);
        if (byteClass & Separator)
            break;
        if (colon)
            continue;
        if (byteClass & Colon)
            colon = at;
        else
            labelUsable = labelUsable && !(byteClass & NoLabel);
    }
    token = Token();
    if (!colon) {
        token.value = start;
        token.valueEnd = at;
        return true;
    }
    if (!labelUsable || colon == start || colon - start > TextLineDecoder::kMaxLabelBytes) {
        bad = true;
        return false;
    }
    token.label = start;
    token.labelLength = int(colon - start);
    token.value = colon + 1;
    if (token.value == at) { // "name: value"
        while (at != end && isSeparator(*at))
            ++at;
        token.value = at;
        while (at != end && !isSeparator(*at))
            ++at;
    }
    token.valueEnd = at;
    return true;
}

} // namespace

void TextLineDecoder::decode(const char *bytes, int size)
{
    const char *end = bytes + size;
    while (bytes != end) {
        const char *newline = static_cast<const char *>(std::memchr(bytes, '\n', size_t(end - bytes)));
        const char *stop = newline ? newline : end;
        const int length = int(stop - bytes);
        // The '\r' of a "\r\n" ending is no part of the line.
        const char last = length > 0 ? stop[-1] : m_line.isEmpty() ? '\0' : m_line.back();
        const int ending = last == '\r' ? 1 : 0;
        if (!m_skipping && m_line.size() + length > kMaxLineBytes + ending) {
            m_skipping = true;
            m_line.clear();
            ++m_longLines;
            // Whatever the first line was, the next one starts whole.
            if (m_firstLineState == FirstLine::Awaited)
                m_firstLineState = FirstLine::Judged;
        }
        if (!newline) {
            if (!m_skipping)
                m_line.append(bytes, length);
            return;
        }
        if (m_skipping) {
            m_skipping = false;
        } else if (m_line.isEmpty()) {
            lineEnded(bytes, length); // whole in this read: no copy
        } else {
            m_line.append(bytes, length);
            lineEnded(m_line.constData(), m_line.size());
            m_line.clear();
        }
        bytes = newline + 1;
    }
}

namespace {

// How a line starts: its first label, '>' for a '>' line, else the number of
// its items.
QByteArray lineLead(const char *line, int length)
{
    if (length > 0 && line[length - 1] == '\r')
        --length;
    if (length > 0 && line[0] == '>')
        return QByteArrayLiteral(">");
    const char *end = line + length;
    Token token;
    bool bad = false;
    int items = 0;
    for (const char *at = line; nextToken(at, end, token, bad); ++items) {
        if (token.label && items == 0)
            return QByteArray(token.label, token.labelLength) + ':';
    }
    return QByteArray::number(items);
}

} // namespace

void TextLineDecoder::lineEnded(const char *line, int length)
{
    switch (m_firstLineState) {
    case FirstLine::Awaited:
        m_firstLine = QByteArray(line, length);
        m_firstLineState = FirstLine::Held;
        return;
    case FirstLine::Held:
        m_firstLineState = FirstLine::Judged;
        if (lineLead(m_firstLine.constData(), m_firstLine.size()) == lineLead(line, length))
            decodeLine(m_firstLine.constData(), m_firstLine.size());
        m_firstLine = QByteArray();
        break;
    case FirstLine::Judged:
        break;
    }
    decodeLine(line, length);
}

void TextLineDecoder::decodeLine(const char *line, int length)
{
    if (length > 0 && line[length - 1] == '\r')
        --length;
    if (length > 0 && line[0] == '>') {
        decodeTaggedLine(line + 1, length - 1);
        return;
    }
    const char *end = line + length;

    // First pass: what kind of line this is, and whether it is one at all.
    int plain = 0;
    int labelled = 0;
    bool firstLabelled = false;
    bool bad = false;
    bool anyNumber = false;
    Token token;
    m_items.clear();
    for (const char *at = line; nextToken(at, end, token, bad);) {
        Item item{token.label, token.labelLength, 0.0, false};
        const Number number = readNumber(token.value, token.valueEnd, item.value);
        if (number == Number::Bad)
            return;
        item.finite = number == Number::Finite;
        anyNumber = anyNumber || item.finite;
        if (token.label) {
            firstLabelled = firstLabelled || plain + labelled == 0;
            ++labelled;
        } else {
            ++plain;
        }
        m_items.push_back(item);
    }
    if (bad)
        return;
    for (const Item &item : m_items)
        m_nonFinite += !item.finite;
    if (!anyNumber)
        return;
    // "data:1,2,3" names the list, "speed:1.2" a channel.
    const bool byPosition = labelled == 0 || (labelled == 1 && firstLabelled && plain > 0);
    if (!byPosition && plain > 0)
        return; // labelled and bare values mixed: no meaning to give them

    // Second pass: the values into their channels.
    emitHeld();
    int channel = 0;
    bool stored = false;
    unsigned labels = 0;
    for (const Item &item : m_items) {
        // Labels mostly come in the same order on every line.
        const int index =
            byPosition ? channel : channelFor(item.label, item.labelLength, channel);
        ++channel;
        if (index < 0 || index >= kMaxChannels)
            continue;
        if (item.finite) {
            m_last[index] = item.value;
            stored = true;
            if (!byPosition)
                labels |= 1u << index;
        }
    }
    if (!stored)
        return; // every label refused
    m_rowLabels = labels;
    emitRow(m_last, byPosition ? qMin(channel, int(kMaxChannels)) : m_names.size());
}

void TextLineDecoder::decodeTaggedLine(const char *line, int length)
{
    const char *end = line + length;
    const char *colon = static_cast<const char *>(std::memchr(line, ':', size_t(length)));
    if (!colon)
        return;
    const char *nameEnd = trimBack(line, colon);
    const char *name = trimFront(line, nameEnd);
    const char *value = colon + 1;
    if (const char *second = static_cast<const char *>(std::memchr(value, ':', size_t(end - value))))
        value = second + 1; // ">name:time:value"
    double number;
    if (!validLabel(name, nameEnd))
        return;
    const Number read = readNumber(trimFront(value, end), trimBack(value, end), number);
    m_nonFinite += read == Number::Skipped;
    if (read != Number::Finite)
        return;
    const int index = channelFor(name, int(nameEnd - name), m_lastTagged + 1);
    if (index < 0)
        return;
    if (m_held & (1u << index))
        emitHeld();
    m_last[index] = number;
    m_held |= 1u << index;
    m_lastTagged = index;
}

void TextLineDecoder::flush()
{
    if (m_firstLineState == FirstLine::Held) {
        m_firstLineState = FirstLine::Judged;
        decodeLine(m_firstLine.constData(), m_firstLine.size());
        m_firstLine = QByteArray();
    }
    emitHeld();
}

void TextLineDecoder::emitHeld()
{
    if (m_held == 0)
        return;
    m_rowLabels = m_held;
    m_held = 0;
    emitRow(m_last, m_names.size());
}

// The channel of a label, given the next free one when first seen; -1 once
// all are taken. The channel `likely` is tried first.
int TextLineDecoder::channelFor(const char *label, int length, int likely)
{
    const auto isLabel = [&](int channel) {
        const QByteArray &name = m_labels.at(channel);
        if (name.size() != length)
            return false;
        // Labels are a few bytes: a loop beats a call to memcmp.
        for (int at = 0; at < length; ++at) {
            if (name.at(at) != label[at])
                return false;
        }
        return true;
    };
    if (likely < m_labels.size() && isLabel(likely))
        return likely;
    for (int known = 0; known < m_labels.size(); ++known) {
        if (isLabel(known))
            return known;
    }
    if (m_labels.size() >= kMaxChannels) {
        if (m_labelsRefused++ == 0)
            m_firstRefusedLabel = bytesToText(QByteArray(label, length));
        return -1;
    }
    m_labels.append(QByteArray(label, length));
    m_names.append(bytesToText(m_labels.last()));
    return m_labels.size() - 1;
}

// ---- JustFloat -------------------------------------------------------------

namespace {

const char kTail[4] = {'\x00', '\x00', '\x80', '\x7f'};
constexpr int kTailBytes = sizeof kTail;
constexpr int kMaxFrameBytes = SampleDecoder::kMaxChannels * 4 + kTailBytes;

bool isTail(const char *at) { return std::memcmp(at, kTail, kTailBytes) == 0; }

} // namespace

void JustFloatDecoder::decode(const char *bytes, int size)
{
    m_buffer.append(bytes, size);
    const char *data = m_buffer.constData();
    const int total = m_buffer.size();
    int at = 0;
    while (at < total) {
        const int left = total - at;
        if (m_frameBytes > 0 && m_overflow == 0) {
            if (left < m_frameBytes)
                break;
            if (isTail(data + at + m_frameBytes - kTailBytes)) {
                double values[kMaxChannels];
                decodeSamples(Float, channelCount(), data + at, values);
                emitRow(values, channelCount());
                m_agreeing = 0;
                at += m_frameBytes;
                continue;
            }
        }
        const char *tail = static_cast<const char *>(
            memmem(data + at, size_t(left), kTail, kTailBytes));
        if (!tail) {
            // A frame that may still be a sample is kept whole. Of a longer
            // one only what may be the start of its tail is kept: it can be
            // no sample, so only its length matters.
            if (m_overflow == 0 && left < kMaxFrameBytes)
                break;
            const int keep = qMin(left, kTailBytes - 1);
            m_overflow += left - keep;
            at = total - keep;
            break;
        }
        const int end = int(tail - data) + kTailBytes;
        frameEnded(m_overflow == 0 ? data + at : nullptr, m_overflow + (end - at));
        m_overflow = 0;
        at = end;
    }
    m_buffer.remove(0, at);
}

// A frame cut at a tail where the learnt length did not put one (or before
// any length is learnt). `frame` holds its bytes unless some were let go.
void JustFloatDecoder::frameEnded(const char *frame, qint64 length)
{
    const bool possible =
        frame && length > kTailBytes && length <= kMaxFrameBytes && length % 4 == 0;
    if (!m_tailSeen) {
        // Perhaps the end of a frame, perhaps a whole one: the stream may
        // have started with it. Kept until the length is known.
        m_tailSeen = true;
        if (possible)
            m_firstFrame = QByteArray(frame, int(length));
        return;
    }
    const bool learning = m_frameBytes == 0;
    if (!learning)
        ++m_framesDropped;
    if (!possible) {
        m_agreeing = 0;
        return;
    }
    m_agreeing = length == m_candidate ? m_agreeing + 1 : 1;
    m_candidate = length;
    if (learning) {
        if (m_agreeing == 1)
            m_learnt.clear();
        m_learnt.append(frame, int(length));
    }
    if (m_agreeing == kFramesToLock) {
        m_frameBytes = int(length);
        m_agreeing = 0;
        if (learning)
            emitLearntFrames();
    }
}

// The frames the length was learnt from are samples too, and so is the
// first one when it has that length.
void JustFloatDecoder::emitLearntFrames()
{
    if (m_firstFrame.size() == m_frameBytes && isTail(m_firstFrame.constData() + m_frameBytes - kTailBytes))
        m_learnt.prepend(m_firstFrame);
    double values[kMaxChannels];
    for (int at = 0; at + m_frameBytes <= m_learnt.size(); at += m_frameBytes) {
        decodeSamples(Float, channelCount(), m_learnt.constData() + at, values);
        emitRow(values, channelCount());
    }
    m_learnt.clear();
    m_learnt.squeeze();
    m_firstFrame.clear();
}
