#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <functional>

class QIODevice;
class SampleStore;

// Waveform files: a configuration line "count,type number" (type number =
// type code + 1, an optional "//" comment after it), then one line per
// channel: its name and its samples oldest first, separated by commas.
// Text is GB18030; numbers are plain ASCII. A name a spreadsheet would take
// for a formula (one starting with =, +, -, @, tab or CR) is written after a
// "'", which reading takes away again.

// Told how many steps are done; false means the user cancelled.
using ProgressCallback = std::function<bool(qint64 done)>;

// A sample as written for type `code`: whole numbers for the integer types,
// six significant digits for float and double.
QByteArray scopeSampleText(int typeCode, double value);

enum class CsvWriteResult { Written, Cancelled, Failed };

// Writes channels 1..count of the store with their names. Progress counts
// the samples written, out of count × store size.
CsvWriteResult writeScopeCsv(QIODevice &out, const SampleStore &store, int count, int typeCode,
                             const QStringList &names, const ProgressCallback &progress);

enum class CsvReadResult { Read, Cancelled, Failed };

// Reads a waveform file in the order its checks must be made in, so the
// caller can change its state between them. The file is read in chunks,
// never mapped or held whole: a full history is tens of megabytes, and
// another program may shorten the file while it is read.
//
// A column of samples takes one field from every channel line, so the
// channel lines are read side by side. Finding where they start takes one
// pass over the file that keeps no more than the configuration line and the
// first eight lines after it (offsets, field counts and names) and only
// counts the rest, so memory does not grow with the number of lines.
class ScopeCsvReader
{
public:
    struct Problem
    {
        QString title;
        QString text;
    };

    // `file` is open for reading, with random access, and stays open while
    // the reader is used.
    explicit ScopeCsvReader(QIODevice &file);

    // The configuration line and the number of channel lines. False with
    // problem() set when the file is empty or the line is refused; a bad
    // configuration line is refused without reading on.
    bool readConfiguration();
    int channelCount() const { return m_count; }
    int typeCode() const { return m_type - 1; }

    // Channel names and the agreement of the lines' lengths. False with
    // problem() set at the first channel whose line is empty or differs in
    // length from channel 1; names() then holds the names read so far.
    bool readChannels();
    QStringList names() const { return m_names; }
    // Samples per channel.
    qint64 sampleCount() const { return m_fieldCount - 1; }

    // Appends every column of samples to the store. Progress counts the
    // columns. Failed when the file no longer holds the lines scanned (it
    // was shortened or changed meanwhile); what was appended stays, on
    // failure as on cancel.
    CsvReadResult appendTo(SampleStore &store, const ProgressCallback &progress) const;

    Problem problem() const { return m_problem; }

private:
    static constexpr int kHeldLines = 9; // the configuration line and channel lines 1..8

    struct Line
    {
        qint64 begin = 0; // file offsets; end is the line feed or the end of the file
        qint64 end = 0;
        qint64 commas = 0;
        bool empty = true; // nothing but CR
        bool headComplete = false;
        bool pendingSlash = false;
        bool headTooLong = false;
        // CR removed. Of the configuration line the text before its comment
        // without blanks, of a channel line its name.
        QByteArray head;
    };

    bool readChunk();
    bool scanLine();
    void takeSegment(qint64 index, Line &line, const char *begin, const char *end);
    void takeConfiguration(Line &line, const char *begin, const char *end);
    void keepConfigurationByte(Line &line, char c);
    void takeName(Line &line, const char *begin, const char *end);
    bool fail(const QString &title, const QString &text);

    QIODevice &m_file;
    // The scan: a window on the file and the line it has reached.
    QByteArray m_chunk;
    int m_chunkSize = 0;
    int m_chunkAt = 0;
    qint64 m_chunkOffset = 0;
    bool m_scanEnded = false;
    qint64 m_linesScanned = 0;
    qint64 m_lastFilledLine = -1;
    Line m_lines[kHeldLines];
    Line m_otherLine; // lines past the held ones: only whether they are empty

    int m_count = 0;
    int m_type = 0;
    qint64 m_fieldCount = 0;
    QStringList m_names;
    Problem m_problem;
};
