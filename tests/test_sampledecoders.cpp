// Text-line and JustFloat samples decoded without widgets.
#include "rawbytes.h"
#include "sampledecoders.h"

#include <QLocale>
#include <QtEndian>
#include <QtTest>

#include <charconv>
#include <cstring>

namespace {

using Rows = QVector<QVector<double>>;

Rows collect(SampleDecoder &decoder, const QByteArray &bytes, int splitAt)
{
    Rows rows;
    decoder.setRowHandler([&rows](const double *values, int count) {
        rows.append(QVector<double>(values, values + count));
    });
    if (splitAt < 0) {
        for (char byte : bytes)
            decoder.append(&byte, 1);
    } else {
        decoder.append(bytes.left(splitAt));
        decoder.append(bytes.mid(splitAt));
    }
    decoder.flush();
    return rows;
}

// The same rows (and, for text, names) whether the bytes come in one read,
// in two split at any boundary, or one by one.
template <typename Decoder>
Rows decodeEverySplit(const QByteArray &bytes, QStringList *names = nullptr)
{
    Decoder whole;
    const Rows rows = collect(whole, bytes, bytes.size());
    for (int split = -1; split < bytes.size(); ++split) {
        Decoder decoder;
        if (collect(decoder, bytes, split) != rows)
            qFatal("rows differ when split at %d", split);
    }
    if constexpr (std::is_same_v<Decoder, TextLineDecoder>) {
        if (names)
            *names = whole.channelNames();
    }
    return rows;
}

} // namespace

class TestSampleDecoders : public QObject
{
    Q_OBJECT

private slots:
    void textLines();
    void textLimits();
    void textNumbersExact();
    void justFloat();
};

void TestSampleDecoders::textLines()
{
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    const QByteArray stream = "tail of a line\n"
                              "1.5,2;-3\t4e2\r\n"
                              "data: 7 +8 nan\n"
                              "Temperature 25\n"        // text: no sample
                              "speed:1.25, err: -0.5\n"
                              "err:2\n"
                              "boot ok\r\n"             // text: no sample
                              ">speed:3\n"
                              ">volt:123:9.5\n"
                              ">speed:4\r\n"
                              "1,2,3,4,5,6,7,8,9,10\n"
                              ">speed:5\n";
    QStringList names;
    const Rows rows = decodeEverySplit<TextLineDecoder>(stream, &names);
    const Rows expected = {
        {1.5, 2, -3, 400},
        {7, 8, -3}, // nan: the channel keeps its value
        {1.25, -0.5},
        {1.25, 2},
        {3, 2, 9.5},
        {4, 2, 9.5},
        {1, 2, 3, 4, 5, 6, 7, 8},
        {5, 2, 3},
    };
    QCOMPARE(rows, expected);
    QCOMPARE(names, QStringList({"speed", "err", "volt"}));
    QLocale::setDefault(QLocale::c());

    // What cannot be plotted is skipped and counted.
    TextLineDecoder decoder;
    decoder.append("x\n1,nan,1e999\n>a:-inf\n+inf\n");
    decoder.flush();
    QCOMPARE(decoder.nonFiniteSkipped(), qint64(4));
    QCOMPARE(decoder.rowsDecoded(), qint64(1));
}

void TestSampleDecoders::textLimits()
{
    TextLineDecoder decoder;
    QByteArray stream = "1,1\n" + QByteArray("1,").repeated(TextLineDecoder::kMaxLineBytes / 2)
                        + "\n" + QByteArray(TextLineDecoder::kMaxLineBytes + 1, '2') + "\n3\n";
    for (int label = 0; label < 10; ++label)
        stream += "c" + QByteArray::number(label) + ":" + QByteArray::number(label) + "\n";
    const Rows rows = collect(decoder, stream, 4000);
    QCOMPARE(rows.size(), 1 + 1 + 8);
    QCOMPARE(rows.at(0), QVector<double>(8, 1));
    QCOMPARE(rows.at(1), QVector<double>{3});
    QCOMPARE(decoder.longLinesSkipped(), 1);
    QCOMPARE(decoder.channelNames().size(), SampleDecoder::kMaxChannels);
    QCOMPARE(decoder.labelsRefused(), 2);

    // The end of a line cut by opening the port names no channel.
    TextLineDecoder cut;
    QCOMPARE(collect(cut, "eed:1.5,err:-2\nspeed:3,err:4\n", 5), Rows({{3, 4}}));
    QCOMPARE(cut.channelNames(), QStringList({"speed", "err"}));

    // A label with a control byte, an empty one or one too long loses its
    // line only.
    TextLineDecoder labels;
    const QByteArray longest(TextLineDecoder::kMaxLabelBytes, 'l');
    QCOMPARE(collect(labels, "a:1\na:2\nsp\x01" "eed:5\n:6\n" + longest + "l:7\n" + longest + ":8\n", 0),
             Rows({{1}, {2}, {2, 8}}));
    QCOMPARE(labels.channelNames(), QStringList({"a", QString::fromLatin1(longest)}));

    decoder.append(QByteArray(100000, 'x'));
    QCOMPARE(decoder.bytesKept(), 0);

    // The longest line is read with either ending, one byte more is not.
    const auto line = [](int bytes, char digit) { return QByteArray(bytes - 1, ' ').append(digit); };
    const int most = TextLineDecoder::kMaxLineBytes;
    const QByteArray edges = "0\n" + line(most, '1') + "\n" + line(most, '2') + "\r\n"
                             + line(most + 1, '3') + "\n" + line(most + 1, '4') + "\r\n5\n";
    for (const int split : {-1, int(edges.size())}) {
        TextLineDecoder edge;
        QCOMPARE(collect(edge, edges, split), Rows({{0}, {1}, {2}, {5}}));
        QCOMPARE(edge.longLinesSkipped(), 2);
    }
}

// Decimals as printf writes them, short and long: each value bit for bit the
// double the C library reads from the same text.
void TestSampleDecoders::textNumbersExact()
{
    QList<QByteArray> numbers = {"0.1",  "-0",  "-0.0", "999999999999999", "9999999999999999",
                                 "0.000000000000001", "9007199254740993", "1234567.891011121"};
    QRandomGenerator random(5);
    for (int i = 0; i < 5000; ++i) {
        QByteArray number = random.bounded(2) ? "-" : "";
        for (int digit = random.bounded(1, 10); digit > 0; --digit)
            number += char('0' + random.bounded(10));
        if (random.bounded(3) > 0)
            number += '.';
        for (int digit = number.endsWith('.') ? random.bounded(1, 10) : 0; digit > 0; --digit)
            number += char('0' + random.bounded(10));
        numbers.append(number);
    }
    TextLineDecoder decoder;
    const Rows rows = collect(decoder, numbers.join('\n') + '\n', 0);
    QCOMPARE(rows.size(), numbers.size());
    int wrong = 0;
    for (int i = 0; i < numbers.size(); ++i) {
        double expected = 0;
        std::from_chars(numbers[i].constData(), numbers[i].constData() + numbers[i].size(),
                        expected);
        wrong += std::memcmp(&rows[i][0], &expected, sizeof expected) != 0;
    }
    QCOMPARE(wrong, 0);
}

void TestSampleDecoders::justFloat()
{
    QByteArray stream = QByteArray("\x12\x34", 2); // the end of a frame cut off
    for (int i = 0; i < 4; ++i)
        stream += justFloatFrame({float(i), 0, 0}); // learning the length
    stream += justFloatFrame({1.5f, -2.25f, 1e3f});
    stream += justFloatFrame({1.5f, -2.25f}); // malformed: lost alone
    stream += justFloatFrame({6, 7, 8});
    stream += justFloatFrame({float(INFINITY), 4, 5}); // holds the tail's bytes, where no tail is due
    stream += "\x01";                          // a stray byte: loses its frame
    stream += justFloatFrame({9, 10, 11});
    stream += justFloatFrame({12, 13, 14});
    for (int i = 0; i < 3; ++i)
        stream += justFloatFrame({float(i), 1}); // the firmware changed: learnt again
    stream += justFloatFrame({20, 21});

    const Rows rows = decodeEverySplit<JustFloatDecoder>(stream);
    // The frames the length was learnt from are kept; the cut one is not.
    const Rows expected = {{1, 0, 0}, {2, 0, 0}, {3, 0, 0},     {1.5, -2.25, 1e3},
                           {6, 7, 8}, {INFINITY, 4, 5}, {12, 13, 14}, {20, 21}};
    QCOMPARE(rows, expected);

    JustFloatDecoder decoder;
    collect(decoder, stream + QByteArray(100000, '\x55'), 7);
    QCOMPARE(decoder.channelCount(), 2);
    QCOMPARE(decoder.framesDropped(), 1 + 1 + 3);
    QVERIFY(decoder.bytesKept() < 4);

    // Eight channels are read, nine are no frame.
    for (const int channels : {8, 9}) {
        QByteArray frames;
        for (int i = 0; i < 4; ++i)
            frames += justFloatFrame(QVector<float>(channels, float(i)));
        JustFloatDecoder bound;
        QCOMPARE(collect(bound, frames, 0).size(), channels == 8 ? 4 : 0);
        QCOMPARE(bound.channelCount(), channels == 8 ? 8 : 0);
    }
}

QTEST_GUILESS_MAIN(TestSampleDecoders)
#include "test_sampledecoders.moc"
