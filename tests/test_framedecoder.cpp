// User-described binary frames: the description, the checksums, the decoder.
#include "customframedecoder.h"

#include <QFile>
#include <QRandomGenerator>
#include <QtTest>

#include <cmath>

using namespace FrameFormat;

namespace {

using Rows = QVector<QVector<double>>;

Description example(const char *file)
{
    QFile in(QStringLiteral(ZENTRIK_EXAMPLES_DIR "/frames/") + QLatin1String(file));
    if (!in.open(QIODevice::ReadOnly))
        qFatal("cannot open %s", file);
    Description description;
    Refusal refusal;
    if (!parse(in.readAll(), &description, &refusal))
        qFatal("%s refused: %s", file, qPrintable(refusal.text()));
    return description;
}

Rows decodeSplit(CustomFrameDecoder &decoder, const QByteArray &bytes, int splitAt)
{
    Rows rows;
    decoder.setRowHandler([&rows](const double *values, int count) {
        rows.append(QVector<double>(values, values + count));
    });
    decoder.append(bytes.left(splitAt));
    decoder.append(bytes.mid(splitAt));
    return rows;
}

// Frames of every type in turn, with values each field type holds exactly,
// and the rows they make.
struct Stream
{
    QList<QByteArray> frames;
    Rows rows;
};

Stream framesOf(const Description &description, int count)
{
    Stream stream;
    QVector<double> last(int(description.channels.size()), 0);
    for (int i = 0; i < count; ++i) {
        const int typeIndex = i % int(description.types.size());
        double values[kMaxChannels] = {};
        for (const Field &field : description.types[size_t(typeIndex)].fields) {
            const double raw = (i * 37 + field.channel * 11) % 200 - 100 + (field.type == FieldType::F32 ? 0.25 : 0);
            values[field.channel] = raw * field.scale + field.offset;
            last[field.channel] = values[field.channel];
        }
        stream.frames.append(encode(description, typeIndex, values));
        stream.rows.append(last);
    }
    return stream;
}

const char *const kExamples[] = {"motors-fixed-xor8.zframe", "imu-crc16-modbus.zframe",
                                 "flight-sum8-add8.zframe"};

} // namespace

class TestFrameDecoder : public QObject
{
    Q_OBJECT

private slots:
    void examplesEverySplit();
    void corruptByteLosesOneFrame();
    void checksums();
    void refusalsNameTheirField();
    void lengthLimits();
    void descriptionLimits();
    void boundedUnderGarbage();
};

// The same exact values however the stream is split; what the test box shows
// for one of its frames.
void TestFrameDecoder::examplesEverySplit()
{
    for (const char *file : kExamples) {
        const Description description = example(file);
        const Stream stream = framesOf(description, 6);
        const QByteArray bytes = "\x01\x02" + stream.frames.join();
        for (int split = 0; split <= bytes.size(); ++split) {
            CustomFrameDecoder decoder(description);
            const Rows rows = decodeSplit(decoder, bytes, split);
            if (rows != stream.rows)
                qFatal("%s: rows differ when split at %d", file, split);
            QCOMPARE(decoder.counts().good, qint64(6));
            QCOMPARE(decoder.counts().bytesSkipped, qint64(2));
            QCOMPARE(decoder.bytesKept(), 0);
        }

        const QByteArray frame = stream.frames.last();
        const Inspection good = inspect(description, frame);
        QCOMPARE(good.verdict, Inspection::Verdict::Good);
        QCOMPARE(int(good.fields.size()), int(description.types[size_t(good.typeIndex)].fields.size()));
        for (const FieldValue &field : good.fields) {
            const int channel = description.types[size_t(good.typeIndex)].fields[size_t(field.fieldIndex)].channel;
            QCOMPARE(field.value, stream.rows.last().at(channel));
        }
        QByteArray corrupt = frame;
        corrupt[good.fields.front().offset] = char(corrupt[good.fields.front().offset] ^ 0x40);
        const Inspection bad = inspect(description, corrupt);
        QCOMPARE(bad.verdict, Inspection::Verdict::BadChecksum);
        QCOMPARE(bad.checksumOffset, good.checksumOffset);
        QVERIFY(bad.computed != bad.found);
        QCOMPARE(bad.found, good.found);
        QCOMPARE(inspect(description, frame.left(frame.size() - 1)).verdict, Inspection::Verdict::TooShort);
        QCOMPARE(inspect(description, "\x42" + frame).verdict, Inspection::Verdict::BadHeader);
    }

    // A value that is no number keeps the channel's last one.
    const Description imu = example("imu-crc16-modbus.zframe");
    const double first[] = {1.5, 2.5};
    const double noNumber[] = {-3, std::nan("")};
    CustomFrameDecoder decoder(imu);
    QCOMPARE(decodeSplit(decoder, encode(imu, 0, first) + encode(imu, 0, noNumber), 0),
             Rows({{1.5, 2.5}, {-3, 2.5}}));
    QCOMPARE(decoder.counts().nonFinite, qint64(1));
}

// Whatever byte of a frame is hurt (header, length, type, field, checksum or
// trailer), that frame alone is lost; the counters say why.
void TestFrameDecoder::corruptByteLosesOneFrame()
{
    for (const char *file : kExamples) {
        const Description description = example(file);
        // Enough frames after the hurt one to fill any length it may claim.
        const Stream stream = framesOf(description, 40);
        QList<QByteArray> without = stream.frames;
        without.removeAt(1);
        CustomFrameDecoder clean(description);
        const Rows expected = decodeSplit(clean, without.join(), 0);
        const QByteArray &hurt = stream.frames.at(1);
        for (int at = 0; at < hurt.size(); ++at) {
            QList<QByteArray> frames = stream.frames;
            frames[1][at] = char(frames[1][at] ^ 0x01);
            CustomFrameDecoder decoder(description);
            if (decodeSplit(decoder, frames.join(), 0) != expected)
                qFatal("%s: a byte hurt at %d lost more than its frame", file, at);
            const CustomFrameDecoder::Counts &counts = decoder.counts();
            QCOMPARE(counts.badChecksum + counts.unknownType + counts.oversized + counts.badFraming
                         + counts.bytesSkipped,
                     qint64(hurt.size()));
        }
    }
}

void TestFrameDecoder::checksums()
{
    const char *check = "123456789";
    const struct
    {
        ChecksumKind kind;
        quint32 value;
    } expected[] = {
        {ChecksumKind::Crc8, 0xF4},         {ChecksumKind::Crc16Modbus, 0x4B37},
        {ChecksumKind::Crc16CcittFalse, 0x29B1}, {ChecksumKind::Crc16Xmodem, 0x31C3},
        {ChecksumKind::Crc32, 0xCBF43926},  {ChecksumKind::Xor8, 0x31},
        {ChecksumKind::Sum8, 0xDD},         {ChecksumKind::Sum8Add8, 0x15DD},
        {ChecksumKind::None, 0},
    };
    for (const auto &entry : expected)
        QCOMPARE(checksum(entry.kind, check, 9), entry.value);

    // On the wire: the byte sum first whatever the endian, CRCs in the
    // frame's byte order.
    Description description;
    const QByteArray json = R"({"format": "zentrik-frame", "version": 1, "header": "31 32 33 34 35 36 37 38 39",
        "length": {"fixed": FIXED}, "types": [{"fields": [{"name": "a", "at": 0, "type": "u8"}]}],
        "checksum": {"kind": "KIND", "from": 0, "to": 9, "at": 9, "endian": "ENDIAN"}})";
    const struct
    {
        const char *kind;
        const char *endian;
        QByteArray sum;
    } frames[] = {{"sum8+add8", "big", "\xDD\x15"},
                  {"crc16-modbus", "little", "\x37\x4B"},
                  {"crc16-xmodem", "big", "\x31\xC3"},
                  {"crc32", "big", "\xCB\xF4\x39\x26"}};
    for (const auto &frame : frames) {
        const QByteArray fixed = QByteArray::number(9 + frame.sum.size());
        QVERIFY(parse(QByteArray(json).replace("KIND", frame.kind).replace("ENDIAN", frame.endian)
                          .replace("FIXED", fixed),
                      &description, nullptr));
        const double value = '1';
        QCOMPARE(encode(description, 0, &value), check + frame.sum);
    }
}

void TestFrameDecoder::refusalsNameTheirField()
{
    const QByteArray good = R"({"format": "zentrik-frame", "version": 1, "header": "AA 55",
        "length": {"at": 2, "size": 1, "add": 6},
        "types": [{"match": [{"at": 3, "is": "01"}],
                   "fields": [{"name": "ax", "at": 4, "type": "i16", "scale": 0.01}]}],
        "checksum": {"kind": "crc16-modbus", "from": 0, "to": -2, "at": -2}})";
    Description description;
    QVERIFY(parse(good, &description, nullptr));
    QCOMPARE(description.minimumFrameBytes(), 8);
    QCOMPARE(description.maximumFrameBytes(), 255 + 6);

    const struct
    {
        const char *from;
        const char *to;
        const char *field;
    } cases[] = {
        {"zentrik-frame", "other", "format"},
        {R"("version": 1)", R"("version": 2)", "version"},
        {R"("version": 1,)", "", "version"},
        {R"("AA 55")", R"("")", "header"},
        {R"("AA 55")", R"("AA 5")", "header"},
        {R"("AA 55")", R"("AX 55")", "header"},
        {R"("header")", R"("trailer": "0G", "header")", "trailer"},
        {R"("is": "01")", R"("is": "1")", "types[0].match[0].is"},
        {R"("at": 2, "size": 1, "add": 6)", R"("add": 6)", "length"},
        {R"("size": 1)", R"("size": 3)", "length.size"},
        {R"("at": 2, "size": 1, "add": 6)", R"("fixed": 1)", "length.fixed"},
        {R"("at": 2, "size": 1, "add": 6)", R"("fixed": 65537)", "length.fixed"},
        {R"("at": 2, "size": 1, "add": 6)", R"("fixed": 3)", "types[0].match[0].at"},
        {R"("at": 2, "size": 1, "add": 6)", R"("fixed": 5)", "types[0].fields[0].at"},
        {R"("add": 6)", R"("add": -250)", "length.add"},
        {R"("at": 2, "size")", R"("at": -1, "size")", "length.at"},
        {R"("at": 2, "size")", R"("at": 1, "size")", "length.at"},
        {R"("at": 2, "size": 1,)", R"("at": 2, "size": 1, "endian": "middle",)", "length.endian"},
        {R"("types": [{)", R"("types": [], "x": [{)", "types"},
        {R"("type": "i16")", R"("type": "i24")", "types[0].fields[0].type"},
        {R"("type": "i16")", R"("type": "i16", "endian": "BIG")", "types[0].fields[0].endian"},
        {R"("at": 4)", R"("at": -1)", "types[0].fields[0].at"},
        {R"("at": 4)", R"("at": 1.5)", "types[0].fields[0].at"},
        {R"("scale": 0.01)", R"("scale": 0)", "types[0].fields[0].scale"},
        {R"("scale": 0.01)", R"("scale": null)", "types[0].fields[0].scale"},
        {R"("scale": 0.01)", R"("offset": "1")", "types[0].fields[0].offset"},
        {R"("name": "ax", )", "", "types[0].fields[0].name"},
        {R"("scale": 0.01})",
         R"("scale": 0.01}, {"name": "b", "at": 4, "type": "u8"}, {"name": "c", "at": 4, "type": "u8"},
            {"name": "d", "at": 4, "type": "u8"}, {"name": "e", "at": 4, "type": "u8"},
            {"name": "f", "at": 4, "type": "u8"}, {"name": "g", "at": 4, "type": "u8"},
            {"name": "h", "at": 4, "type": "u8"}, {"name": "ax", "at": 5, "type": "u8"},
            {"name": "i", "at": 4, "type": "u8"})",
         "types[0].fields[9].name"},
        {"crc16-modbus", "crc15", "checksum.kind"},
        {R"("at": -2})", R"("at": -1})", "checksum.at"},
        {R"("to": -2, "at": -2)", R"("to": -2, "at": 100)", "checksum.at"},
        {R"("to": -2, "at": -2)", R"("to": 0, "at": -2)", "checksum.at"},
        {R"("to": -2, "at": -2)", R"("to": 3, "at": 2)", "checksum.at"},
        {R"("from": 0, "to": -2, "at": -2)", R"("from": 3, "to": -2, "at": 1)", "checksum.at"},
        {R"("from": 0, "to": -2)", R"("from": 5, "to": 5)", "checksum.to"},
        {R"("from": 0, "to": -2)", R"("from": -9, "to": -2)", "checksum.from"},
    };
    for (const auto &refused : cases) {
        QByteArray json = good;
        QVERIFY2(json.contains(refused.from), refused.from);
        json.replace(refused.from, refused.to);
        Description kept = description;
        Refusal refusal;
        QVERIFY2(!parse(json, &kept, &refusal), refused.to);
        QCOMPARE(refusal.field, QString::fromLatin1(refused.field));
        QVERIFY(!refusal.reason.isEmpty());
        QCOMPARE(kept.header, description.header); // the description in use stays
    }
    Refusal refusal;
    QVERIFY(!parse("{\"format\": ", &description, &refusal));
    QVERIFY(!parse(QByteArray(70000, ' '), &description, &refusal));
}

// Each bound of a description takes its last allowed value and refuses the next.
void TestFrameDecoder::descriptionLimits()
{
    const auto describe = [](const QByteArray &header, const QByteArray &name, int matches,
                             int fields, int types) {
        QByteArray match;
        for (int i = 0; i < matches; ++i)
            match += QByteArray(i ? "," : "") + R"({"at": 1, "is": "00"})";
        QByteArray field;
        for (int i = 0; i < fields; ++i)
            field += QByteArray(i ? "," : "") + R"({"name": ")" + name + R"(", "at": -1, "type": "u8"})";
        QByteArray type;
        for (int i = 0; i < types; ++i)
            type += QByteArray(i ? "," : "") + R"({"match": [)" + match + R"(], "fields": [)" + field + "]}";
        return R"({"format": "zentrik-frame", "version": 1, "header": ")" + header
               + R"(", "length": {"fixed": 100}, "types": [)" + type + "]}";
    };
    const QByteArray header64 = QByteArray("AA ").repeated(64).trimmed();
    const struct
    {
        QByteArray allowed;
        QByteArray refused;
        const char *field;
    } limits[] = {
        {describe(header64, "a", 0, 1, 1), describe(header64 + " AA", "a", 0, 1, 1), "header"},
        {describe("AA", QByteArray(31, 'n'), 0, 1, 1), describe("AA", QByteArray(32, 'n'), 0, 1, 1),
         "types[0].fields[0].name"},
        {describe("AA", "a", 16, 1, 1), describe("AA", "a", 17, 1, 1), "types[0].match"},
        {describe("AA", "a", 0, 64, 1), describe("AA", "a", 0, 65, 1), "types[0].fields"},
        {describe("AA", "a", 0, 1, 64), describe("AA", "a", 0, 1, 65), "types"},
    };
    for (const auto &limit : limits) {
        Description description;
        Refusal refusal;
        QVERIFY2(parse(limit.allowed, &description, &refusal), qPrintable(refusal.text()));
        QVERIFY(!parse(limit.refused, &description, &refusal));
        QCOMPARE(refusal.field, QString::fromLatin1(limit.field));
    }

    // The whole text: 64 KiB is read, a byte more is not.
    const QByteArray small = describe("AA", "a", 0, 1, 1);
    Description description;
    QVERIFY(parse(small + QByteArray(64 * 1024 - small.size(), ' '), &description, nullptr));
    Refusal refusal;
    QVERIFY(!parse(small + QByteArray(64 * 1024 - small.size() + 1, ' '), &description, &refusal));
    QVERIFY(refusal.field.isEmpty());
}

// A length field may reach the largest frame exactly and no further.
void TestFrameDecoder::lengthLimits()
{
    for (const int add : {1, 2}) {
        Description description;
        const QByteArray json = R"({"format": "zentrik-frame", "version": 1, "header": "AA",
            "length": {"at": 1, "size": 2, "endian": "big", "add": ADD},
            "types": [{"fields": [{"name": "last", "at": -1, "type": "u8"}]}]})";
        QVERIFY(parse(QByteArray(json).replace("ADD", QByteArray::number(add)), &description, nullptr));
        QByteArray frame(65535 + add, '\0');
        frame[0] = '\xAA';
        frame[1] = frame[2] = '\xFF';
        frame[frame.size() - 1] = 7;
        CustomFrameDecoder decoder(description);
        const Rows rows = decodeSplit(decoder, frame + frame, 3);
        if (add == 1) {
            QCOMPARE(rows, Rows({{7}, {7}}));
        } else {
            QCOMPARE(rows, Rows());
            QCOMPARE(decoder.counts().oversized, qint64(2));
        }
        QVERIFY(decoder.bytesKept() <= kMaxFrameBytes);
    }
}

// Garbage full of header bytes and lengths never makes the decoder keep more
// than one longest frame with its trailer.
void TestFrameDecoder::boundedUnderGarbage()
{
    QRandomGenerator random(40);
    for (const char *file : kExamples) {
        const Description description = example(file);
        CustomFrameDecoder decoder(description);
        const int most = description.maximumFrameBytes() + description.trailer.size();
        for (int read = 0; read < 2000; ++read) {
            QByteArray bytes(random.bounded(1, 300), '\0');
            for (char &byte : bytes)
                byte = random.bounded(3) ? char(random.bounded(256)) : description.header.at(0);
            if (random.bounded(4) == 0)
                bytes += description.header;
            decoder.append(bytes);
            QVERIFY(decoder.bytesKept() < most);
        }
    }
}

QTEST_GUILESS_MAIN(TestFrameDecoder)
#include "test_framedecoder.moc"
