// Capture files opened for replay, by the tabs and by zentrik-sim replay.
#include "capturefile.h"
#include "capturereader.h"
#include "fuzzcheck.h"

#include <QBuffer>

#include <cstdint>
#include <memory>

namespace {

std::unique_ptr<QIODevice> bufferOf(const QByteArray &bytes)
{
    auto buffer = std::make_unique<QBuffer>();
    buffer->setData(bytes);
    buffer->open(QIODevice::ReadOnly);
    return buffer;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray file(reinterpret_cast<const char *>(data), int(size));
    CaptureReader reader;
    if (!reader.open(bufferOf(file)))
        return 0;

    // The index covers the file: header, whole records, and what is cut off.
    Capture::Header header;
    int headerBytes = 0;
    check(Capture::decodeHeader(file, &header, &headerBytes), "an opened file has a header");
    check(header == reader.header(), "the reader's header is the file's");
    qint64 covered = headerBytes;
    qint64 lastTime = 0;
    QByteArray rewritten = Capture::encodeHeader(header);
    for (int i = 0; i < reader.recordCount(); ++i) {
        const QByteArray bytes = reader.bytes(i);
        check(bytes.size() == reader.recordSize(i), "a record reads whole");
        check(bytes.size() <= Capture::kMaxRecordBytes, "records within the bound");
        check(reader.timeUs(i) >= lastTime && reader.timeUs(i) >= 0, "times never go back");
        check(reader.timeUs(i) <= Capture::kMaxTimeUs, "times stay within the clamp");
        check(reader.recordAt(reader.timeUs(i)) <= i, "a record is found at its time");
        lastTime = reader.timeUs(i);
        covered += Capture::kRecordHeadBytes + bytes.size();
        rewritten += Capture::encodeRecord(reader.timeUs(i), bytes.constData(), bytes.size());
    }
    check(covered + reader.trailingBytes() == file.size(), "records and the cut end cover the file");
    check(reader.truncated() == (reader.trailingBytes() > 0), "a cut file says so");

    // Written again, the records read back the same, uncut.
    CaptureReader again;
    check(again.open(bufferOf(rewritten)), "a rewritten capture opens");
    check(!again.truncated() && again.recordCount() == reader.recordCount(),
          "a rewritten capture is whole");
    for (int i = 0; i < again.recordCount(); ++i)
        check(again.timeUs(i) == reader.timeUs(i) && again.bytes(i) == reader.bytes(i),
              "a rewritten record reads back");
    return 0;
}
