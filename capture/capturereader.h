#pragma once

#include "capturefile.h"

#include <QIODevice>
#include <QString>

#include <memory>
#include <vector>

// Reads a capture file: the header at open, then an index of the records
// (their time offsets and where their bytes are), so a player can go to any
// point; the bytes are read when asked for.
//
// A file that ends inside a record (the program or the machine stopped
// while recording) offers every whole record before that point and says it
// was cut. So does a record whose length is beyond any the writer makes.
class CaptureReader
{
public:
    CaptureReader();
    ~CaptureReader();

    // False when the file cannot be read or is no capture file.
    bool open(const QString &path);
    bool open(std::unique_ptr<QIODevice> device);
    QString errorString() const { return m_error; }

    const Capture::Header &header() const { return m_header; }
    int recordCount() const { return int(m_records.size()); }
    // Never decreasing: a record stamped before its predecessor is taken
    // at its predecessor's time.
    qint64 timeUs(int index) const { return m_records[size_t(index)].timeUs; }
    int recordSize(int index) const { return m_records[size_t(index)].size; }
    qint64 durationUs() const { return m_records.empty() ? 0 : m_records.back().timeUs; }
    // The first record stamped at or after `timeUs`; recordCount() if none.
    int recordAt(qint64 timeUs) const;
    // Empty if the file can no longer be read there.
    QByteArray bytes(int index);

    bool truncated() const { return m_truncated; }
    // Bytes after the last whole record.
    qint64 trailingBytes() const { return m_trailingBytes; }

private:
    struct Record
    {
        qint64 timeUs;
        qint64 position;
        int size;
    };

    bool readIndex();

    std::unique_ptr<QIODevice> m_device;
    QString m_error;
    Capture::Header m_header;
    std::vector<Record> m_records;
    bool m_truncated = false;
    qint64 m_trailingBytes = 0;
};
