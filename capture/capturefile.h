#pragma once

#include <QByteArray>
#include <QMap>
#include <QString>

// The capture file: what a link delivered, with its timing, so it can be
// played back into the same tab later. Layout in docs/capture-format.md.
namespace Capture {

constexpr char kMagic[8] = {'Z', 'N', 'T', 'K', 'C', 'A', 'P', '1'};
constexpr int kMagicSize = 8;
// Header text and a single record are refused beyond these sizes: a damaged
// length field must not make a reader allocate gigabytes.
constexpr int kMaxHeaderBytes = 64 * 1024;
constexpr int kMaxRecordBytes = 16 * 1024 * 1024;
// Time offset (µs, 8 bytes) and length (4 bytes) before each record's bytes.
constexpr int kRecordHeadBytes = 12;
// Time offsets are kept within this (about 285 years), so that any sum or
// difference of two of them, and their exact value as a double, hold.
constexpr qint64 kMaxTimeUs = (qint64(1) << 53) - 1;

// `us` within 0 … kMaxTimeUs.
constexpr qint64 clampedTimeUs(qint64 us)
{
    return us < 0 ? 0 : us > kMaxTimeUs ? kMaxTimeUs : us;
}

// Who recorded, from where and with which settings: "key=value" lines.
// Keys in use: "version", "tab" ("car", "gps"), "link", "started", and the
// tab's own settings (see the tabs).
using Header = QMap<QString, QString>;

QByteArray encodeHeader(const Header &header);
// False for anything that is not a capture file's start; `consumed` is the
// number of bytes the magic, length and header text took.
bool decodeHeader(const QByteArray &bytes, Header *header, int *consumed);

QByteArray encodeRecord(qint64 offsetUs, const char *bytes, int size);
// The kRecordHeadBytes before a record's bytes.
void encodeRecordHead(char *head, qint64 offsetUs, int size);

// The entries of `header` whose keys start with `prefix` and differ from
// `current` (missing there counts as different).
QStringList differingKeys(const Header &recorded, const Header &current, const QString &prefix);

} // namespace Capture
