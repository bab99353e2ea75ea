#include "scopecsv.h"

#include "samplestore.h"
#include "sampletypes.h"
#include "textcodec.h"
#include "translation.h"

#include <QIODevice>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>
#include <vector>

namespace {

constexpr qint64 kProgressStep = 1 << 16;
constexpr int kWriteChunk = 1 << 20;

// Integer types print the value cut toward zero; values that do not fit
// (only an imported file can hold them) are held at the limits instead of
// being left to an undefined conversion.
qint32 signedText(double value)
{
    if (std::isnan(value))
        return 0;
    const double whole = std::trunc(value);
    return qint32(std::clamp(whole, double(std::numeric_limits<qint32>::min()),
                             double(std::numeric_limits<qint32>::max())));
}

// Cut to 64 bits, the low 32 printed: -1 reads back as 4294967295.
quint32 unsignedText(double value)
{
    if (std::isnan(value))
        return 0;
    const double whole = std::trunc(value);
    if (whole < 0)
        return quint32(quint64(qint64(std::max(whole, -9223372036854775808.0))));
    if (whole >= 18446744073709551616.0)
        return std::numeric_limits<quint32>::max();
    return quint32(quint64(whole));
}

void appendSample(QByteArray &out, int typeCode, double value)
{
    char text[32];
    std::to_chars_result result;
    switch (typeCode) {
    case Int8:
    case Int16:
    case Int32:
        result = std::to_chars(text, text + sizeof text, signedText(value));
        break;
    case UInt8:
    case UInt16:
    case UInt32:
        result = std::to_chars(text, text + sizeof text, unsignedText(value));
        break;
    default:
        result = std::to_chars(text, text + sizeof text, value, std::chars_format::general, 6);
        break;
    }
    out.append(text, int(result.ptr - text));
}

constexpr int kReadChunk = 1 << 20;
constexpr int kCursorChunk = 1 << 16;
// All of a name a name edit holds: 32767 characters of at most four bytes,
// and the quote that may precede it.
constexpr int kNameCharacters = 32767;
constexpr int kNameBytes = 4 * kNameCharacters + 1;
constexpr int kConfigurationBytes = 4096;

bool isLineBreakOnly(const char *begin, const char *end)
{
    return std::all_of(begin, end, [](char c) { return c == '\r'; });
}

// A field's bytes without CR.
QByteArray withoutCr(QByteArray bytes)
{
    bytes.replace('\r', QByteArray());
    return bytes;
}

// A field read as a floating-point number the way text conversion reads
// it: surrounding blanks allowed, anything unreadable is 0.
double fieldValue(const char *begin, const char *end)
{
    char buffer[64];
    int length = 0;
    for (const char *c = begin; c != end; ++c) {
        if (*c == '\r' || *c == ' ' || *c == '\t')
            continue;
        if (length == int(sizeof buffer))
            return withoutCr(QByteArray(begin, int(end - begin))).trimmed().toDouble();
        buffer[length++] = *c;
    }
    const char *first = buffer;
    if (length > 0 && *first == '+')
        ++first;
    double value = 0;
    const auto result = std::from_chars(first, buffer + length, value);
    if (result.ec != std::errc() || result.ptr != buffer + length)
        return 0;
    return value;
}

// Whether a spreadsheet would run the name as a formula, looking past the
// quotes that keep it from doing so.
bool startsLikeFormula(const QString &name)
{
    int at = 0;
    while (at < name.size() && name.at(at) == QLatin1Char('\''))
        ++at;
    return at < name.size() && QStringLiteral("=+-@\t\r").contains(name.at(at));
}

QString quotedName(const QString &name)
{
    return startsLikeFormula(name) ? QLatin1Char('\'') + name : name;
}

QString unquotedName(const QString &name)
{
    return name.startsWith(QLatin1Char('\'')) && startsLikeFormula(name) ? name.mid(1) : name;
}

const char *fieldEnd(const char *begin, const char *lineEnd)
{
    const void *comma = std::memchr(begin, ',', size_t(lineEnd - begin));
    return comma ? static_cast<const char *>(comma) : lineEnd;
}

// Reads the fields of one channel line in turn, a chunk at a time. The
// lines of a file are read side by side (one sample of every channel per
// column), so each line has its own cursor and buffer.
class FieldCursor
{
public:
    FieldCursor(QIODevice &file, qint64 begin, qint64 end)
        : m_file(&file)
        , m_next(begin)
        , m_end(end)
    {
    }

    bool skipField()
    {
        const char *begin;
        const char *end;
        return nextField(&begin, &end);
    }

    bool nextValue(double *value)
    {
        const char *begin;
        const char *end;
        if (!nextField(&begin, &end))
            return false;
        *value = fieldValue(begin, end);
        return true;
    }

private:
    // False once the line holds no further field, or the file no longer
    // has the bytes the line was scanned with.
    bool nextField(const char **begin, const char **end)
    {
        for (;;) {
            const char *start = m_buffer.constData() + m_at;
            const char *stop = m_buffer.constData() + m_buffer.size();
            if (const void *comma = std::memchr(start, ',', size_t(stop - start))) {
                *begin = start;
                *end = static_cast<const char *>(comma);
                m_at = int(*end - m_buffer.constData()) + 1;
                return true;
            }
            if (m_next == m_end) {
                if (m_lastTaken)
                    return false;
                m_lastTaken = true;
                *begin = start;
                *end = stop;
                m_at = m_buffer.size();
                return true;
            }
            if (!refill())
                return false;
        }
    }

    bool refill()
    {
        m_buffer.remove(0, m_at);
        m_at = 0;
        const int kept = m_buffer.size();
        const int wanted = int(std::min<qint64>(kCursorChunk, m_end - m_next));
        m_buffer.resize(kept + wanted);
        if (!m_file->seek(m_next)
            || m_file->read(m_buffer.data() + kept, wanted) != wanted)
            return false;
        m_next += wanted;
        return true;
    }

    QIODevice *m_file;
    qint64 m_next;
    qint64 m_end;
    QByteArray m_buffer;
    int m_at = 0;
    bool m_lastTaken = false;
};

} // namespace

QByteArray scopeSampleText(int typeCode, double value)
{
    QByteArray text;
    appendSample(text, typeCode, value);
    return text;
}

CsvWriteResult writeScopeCsv(QIODevice &out, const SampleStore &store, int count, int typeCode,
                             const QStringList &names, const ProgressCallback &progress)
{
    QByteArray chunk = QStringLiteral("%1,%2\n").arg(count).arg(typeCode + 1).toLatin1();
    chunk.reserve(kWriteChunk + 64);
    const auto flush = [&] {
        const bool written = out.write(chunk) == chunk.size();
        chunk.clear();
        return written;
    };
    const quint64 n = store.size();
    qint64 done = 0;
    for (int channel = 0; channel < count; ++channel) {
        chunk.append(textToBytes(quotedName(names.value(channel))));
        const double *values = store.window(channel);
        for (quint64 position = 0; position < n; ++position) {
            chunk.append(',');
            appendSample(chunk, typeCode, values[position]);
            if (chunk.size() >= kWriteChunk && !flush())
                return CsvWriteResult::Failed;
            if (++done % kProgressStep == 0 && !progress(done))
                return CsvWriteResult::Cancelled;
        }
        if (channel + 1 < count)
            chunk.append('\n');
    }
    return flush() ? CsvWriteResult::Written : CsvWriteResult::Failed;
}

ScopeCsvReader::ScopeCsvReader(QIODevice &file)
    : m_file(file)
{
}

bool ScopeCsvReader::fail(const QString &title, const QString &text)
{
    m_problem = {title, text};
    return false;
}

bool ScopeCsvReader::readChunk()
{
    m_chunkOffset += m_chunkSize;
    m_chunkAt = m_chunkSize = 0;
    if (m_chunk.isEmpty())
        m_chunk.resize(kReadChunk);
    const qint64 got = m_file.read(m_chunk.data(), kReadChunk);
    if (got <= 0)
        return false;
    m_chunkSize = int(got);
    return true;
}

// Scans the next line of the file, keeping what is needed of it in
// m_lines while it is one of the held lines. False when no line is left.
bool ScopeCsvReader::scanLine()
{
    if (m_scanEnded)
        return false;
    const qint64 index = m_linesScanned++;
    Line &line = index < kHeldLines ? m_lines[index] : m_otherLine;
    line = Line();
    line.begin = m_chunkOffset + m_chunkAt;
    for (;;) {
        if (m_chunkAt == m_chunkSize && !readChunk()) {
            m_scanEnded = true;
            line.end = m_chunkOffset;
            break;
        }
        const char *begin = m_chunk.constData() + m_chunkAt;
        const char *end = m_chunk.constData() + m_chunkSize;
        const void *lineFeed = std::memchr(begin, '\n', size_t(end - begin));
        const char *lineEnd = lineFeed ? static_cast<const char *>(lineFeed) : end;
        takeSegment(index, line, begin, lineEnd);
        m_chunkAt = int(lineEnd - m_chunk.constData());
        if (lineFeed) {
            line.end = m_chunkOffset + m_chunkAt;
            ++m_chunkAt;
            break;
        }
    }
    if (index == 0 && line.pendingSlash)
        keepConfigurationByte(line, '/');
    if (!line.empty)
        m_lastFilledLine = index;
    return true;
}

void ScopeCsvReader::takeSegment(qint64 index, Line &line, const char *begin, const char *end)
{
    if (line.empty)
        line.empty = isLineBreakOnly(begin, end);
    if (index == 0) {
        takeConfiguration(line, begin, end);
    } else if (index < kHeldLines) {
        line.commas += std::count(begin, end, ',');
        takeName(line, begin, end);
    }
}

// The configuration line's text before its comment, CR, blanks and tabs
// dropped. A "//" split between two reads is found through pendingSlash.
void ScopeCsvReader::takeConfiguration(Line &line, const char *begin, const char *end)
{
    for (const char *c = begin; c != end && !line.headComplete; ++c) {
        if (*c == '\r')
            continue;
        if (line.pendingSlash) {
            line.pendingSlash = false;
            if (*c == '/') {
                line.headComplete = true;
                break;
            }
            keepConfigurationByte(line, '/');
        }
        if (*c == '/')
            line.pendingSlash = true;
        else if (*c != ' ' && *c != '\t')
            keepConfigurationByte(line, *c);
    }
}

void ScopeCsvReader::keepConfigurationByte(Line &line, char c)
{
    if (line.head.size() < kConfigurationBytes) {
        line.head.append(c);
    } else {
        line.headTooLong = true;
        line.headComplete = true;
    }
}

// A channel line's first field, CR dropped, as much as a name edit shows.
void ScopeCsvReader::takeName(Line &line, const char *begin, const char *end)
{
    if (line.headComplete)
        return;
    const char *nameEnd = fieldEnd(begin, end);
    line.headComplete = nameEnd != end;
    for (const char *c = begin; c != nameEnd && line.head.size() < kNameBytes; ++c) {
        if (*c != '\r')
            line.head.append(*c);
    }
}

bool ScopeCsvReader::readConfiguration()
{
    // A file of nothing but line breaks is as empty as one without bytes.
    if (!m_file.seek(0))
        return fail(mainTr("错误"), mainTr("文件为空！"));
    while (m_lastFilledLine < 0 && scanLine()) {
    }
    if (m_lastFilledLine < 0)
        return fail(mainTr("错误"), mainTr("文件为空！"));

    const Line &configuration = m_lines[0];
    const QStringList fields = bytesToText(configuration.head).split(QLatin1Char(','));
    const QString title = mainTr("配置行有误");
    // Two small numbers and a comma never fill kConfigurationBytes.
    if (fields.size() != 2 || configuration.headTooLong)
        return fail(title, mainTr("配置行有误，检查首行数据是否正确。\n\n"
                                  "格式：[波形数量1~8],[数据类型编号1~8]  //自定义注释"));
    m_count = fields[0].toInt();
    m_type = fields[1].toInt();
    if (m_count < 1 || m_count > 8)
        return fail(title, mainTr("配置行的通道数有误，不在1~8之间。"));

    // Lines after the last that holds anything are dropped.
    while (scanLine()) {
    }
    const qint64 channelLines = m_lastFilledLine;
    if (m_count != channelLines)
        return fail(title,
                    mainTr("配置行的通道数有误，和数据匹配，数据行共%1行。").arg(channelLines));
    if (m_type < 1 || m_type > kSampleTypeCount)
        return fail(title, mainTr("配置行的数据类型有误，不在1~8之间。"));
    return true;
}

bool ScopeCsvReader::readChannels()
{
    m_names.clear();
    for (int channel = 0; channel < m_count; ++channel) {
        const Line &line = m_lines[channel + 1];
        const auto lengthProblem = [&] {
            return fail(mainTr("错误"),
                        mainTr("数据有误!波形%1的元素数目和前一个波形不同。").arg(channel + 1));
        };
        // An empty channel line has no samples to give, whichever line it is.
        if (line.empty)
            return lengthProblem();
        const QString name = bytesToText(line.head).left(kNameCharacters + 1); // with its quote
        m_names.append(unquotedName(name).left(kNameCharacters));
        const qint64 fields = line.commas + 1;
        if (channel == 0)
            m_fieldCount = fields;
        else if (fields != m_fieldCount)
            return lengthProblem();
    }
    return true;
}

CsvReadResult ScopeCsvReader::appendTo(SampleStore &store, const ProgressCallback &progress) const
{
    std::vector<FieldCursor> cursors;
    cursors.reserve(size_t(m_count));
    for (int channel = 0; channel < m_count; ++channel) {
        const Line &line = m_lines[channel + 1];
        cursors.emplace_back(m_file, line.begin, line.end);
        if (!cursors.back().skipField()) // the name
            return CsvReadResult::Failed;
    }
    double values[SampleStore::kChannels];
    for (qint64 column = 1; column < m_fieldCount; ++column) {
        for (int channel = 0; channel < m_count; ++channel) {
            if (!cursors[size_t(channel)].nextValue(&values[channel]))
                return CsvReadResult::Failed;
        }
        store.append(values, m_count);
        if (column % kProgressStep == 0 && !progress(column))
            return CsvReadResult::Cancelled;
    }
    return CsvReadResult::Read;
}
