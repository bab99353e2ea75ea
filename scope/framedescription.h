#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <vector>

// A binary frame format the user describes in a "*.zframe" file (UTF-8 JSON):
//
//   {"format": "zentrik-frame", "version": 1, "name": "imu",
//    "header": "AA 55", "trailer": "",
//    "length": {"at": 2, "size": 1, "endian": "little", "add": 6},
//    "types": [
//      {"name": "imu", "match": [{"at": 3, "is": "01"}],
//       "fields": [{"name": "ax", "at": 4, "type": "i16", "endian": "little", "scale": 0.01, "offset": 0},
//                  {"name": "yaw", "at": 6, "type": "f32", "endian": "little"}]}],
//    "checksum": {"kind": "crc16-modbus", "from": 0, "to": -2, "at": -2, "endian": "little"}}
//
// Offsets count from the first header byte; a negative one counts from the
// frame's end (-2 is the second-to-last byte). The trailer follows the frame
// and is not part of its length. `length` is {"fixed": N} or a field of 1 or
// 2 bytes whose value plus `add` is the whole frame's size (header included,
// trailer not).

namespace FrameFormat {

// No frame is longer, whatever its length field says.
constexpr int kMaxFrameBytes = 65536;
constexpr int kMaxChannels = 8;

enum class FieldType { U8, I8, U16, I16, U32, I32, F32, F64 };
enum class ChecksumKind { None, Xor8, Sum8, Crc8, Crc16Modbus, Crc16CcittFalse, Crc16Xmodem, Crc32, Sum8Add8 };

int fieldBytes(FieldType type);
int checksumBytes(ChecksumKind kind); // 0, 1, 2 or 4

// The checksum of `size` bytes; for Sum8Add8 the byte sum in bits 0-7 and
// the sum of the running sums in bits 8-15 (sent in that order).
quint32 checksum(ChecksumKind kind, const char *bytes, int size);

struct Field
{
    QString name;
    int at = 0; // negative: from the frame's end
    FieldType type = FieldType::U8;
    bool bigEndian = false;
    double scale = 1;
    double offset = 0;
    int channel = 0; // 0-based: the channel its name became
};

struct Match
{
    int at = 0;
    QByteArray bytes; // "is"
};

struct Type
{
    QString name;
    std::vector<Match> match; // all must hold; none: every frame is of this type
    std::vector<Field> fields;
};

struct Length
{
    int fixed = 0; // > 0: every frame is this long; else a length field:
    int at = 0;
    int size = 0; // 1 or 2
    bool bigEndian = false;
    int add = 0;
};

struct Checksum
{
    ChecksumKind kind = ChecksumKind::None;
    int from = 0;
    int to = 0; // exclusive; 0 or negative: from the frame's end
    int at = 0;
    bool bigEndian = false;
};

struct Description
{
    QString name;
    QByteArray header; // at least one byte
    QByteArray trailer;
    Length length;
    std::vector<Type> types; // tried in order; the first that matches is the frame's
    Checksum checksum;
    QStringList channels; // field names of all types in the order first seen

    // The shortest and longest frame (without the trailer) the description allows.
    int minimumFrameBytes() const;
    int maximumFrameBytes() const;
};

// Why a description cannot work: the field as a path of its keys
// ("types[0].fields[1].type", "checksum.at"; empty when the whole text is
// refused: not JSON, or too large) and the reason in the user's language.
struct Refusal
{
    QString field;
    QString reason;
    QString text() const; // "field：reason"
};

// Reads a description; on refusal `out` is left as it was.
bool parse(const QByteArray &json, Description *out, Refusal *refusal);

// What one frame holds, for the test box and the last good frame's view.
struct FieldValue
{
    int fieldIndex = 0; // in its type
    int offset = 0;     // from the frame's start, resolved
    int size = 0;
    double value = 0; // raw * scale + offset
};

struct Inspection
{
    enum class Verdict { Good, TooShort, BadHeader, BadLength, Oversized, BadTrailer, BadChecksum, UnknownType };
    Verdict verdict = Verdict::TooShort;
    int frameBytes = 0;  // the frame's length without the trailer, when known
    int typeIndex = -1;
    std::vector<FieldValue> fields;
    quint32 computed = 0; // the checksum over the frame's bytes
    quint32 found = 0;    // the one it carries
    int checksumOffset = -1;
};

// A description made ready for reading frames fast: what inspect() and the
// decoder share. `frame` holds at least the bytes each call says.
class Reader
{
public:
    explicit Reader(const Description &description);

    const Description &description() const { return m_description; }
    int minimumFrameBytes() const { return m_minimum; }
    int maximumFrameBytes() const { return m_maximum; }
    // Bytes from the header's start needed to know the frame's length.
    int lengthBytesNeeded() const { return m_lengthNeeded; }

    // The frame's length as its length field (or the fixed one) says,
    // before any bound is checked; `frame` holds lengthBytesNeeded() bytes.
    int frameBytes(const char *frame) const;
    // The first type whose match holds and whose fields fit; -1: none.
    int typeOf(const char *frame, int frameBytes) const;
    bool checksumHolds(const char *frame, int frameBytes, quint32 *computed = nullptr,
                       quint32 *found = nullptr) const;
    // The field's offset in a frame of that length, and its value there.
    static int offsetOf(const Field &field, int frameBytes);
    static double valueOf(const Field &field, const char *frame, int frameBytes);

private:
    Description m_description;
    std::vector<int> m_typeMinimum; // the shortest frame each type's fields fit in
    int m_minimum = 0;
    int m_maximum = 0;
    int m_lengthNeeded = 0;
};

// Looks at one frame starting at bytes[0] (as pasted in the test box: hex
// already turned to bytes). Fields are read even when the checksum is bad,
// so the user sees what the frame would have said.
Inspection inspect(const Description &description, const QByteArray &frame);
QString verdictText(Inspection::Verdict verdict); // in the user's language

// One frame of type `typeIndex` carrying `values[field.channel]` in each of
// its fields (raw = round((value - offset) / scale), clamped to the type),
// with its header, match bytes, length field, checksum and trailer. Its
// length is the fixed one, or the shortest that holds every field.
QByteArray encode(const Description &description, int typeIndex, const double *values);

} // namespace FrameFormat
