// The oscilloscope's data without widgets: the sample store, sample decoding
// and waveform files.
#include "samplestore.h"
#include "sampletypes.h"
#include "scopecsv.h"
#include "textcodec.h"

#include <QBuffer>
#include <QFile>
#include <QTemporaryDir>
#include <QRandomGenerator>
#include <QtTest>

#include <algorithm>
#include <cmath>

namespace {

constexpr quint64 kFull = SampleStore::kDefaultCapacity;

// Channel k of sample s holds s * 10 + k, so any misplaced value shows.
void appendNumbered(SampleStore &store, quint64 sequence)
{
    double values[SampleStore::kChannels];
    for (int channel = 0; channel < SampleStore::kChannels; ++channel)
        values[channel] = double(sequence) * 10 + channel;
    store.append(values, SampleStore::kChannels);
}

// Every window holds the newest samples in order and lies inside the block.
void verifyNewest(const SampleStore &store, quint64 appended)
{
    const quint64 n = store.size();
    QCOMPARE(n, std::min(appended, store.capacity()));
    const double *blockStart = store.region(0);
    const double *blockEnd = store.region(SampleStore::kRegions - 1) + store.capacity() + 1;
    const quint64 oldest = appended - n;
    for (int w = 0; w < SampleStore::kWindows; ++w) {
        const double *window = store.window(w);
        QVERIFY(window >= blockStart && window + n <= blockEnd);
        for (quint64 i = 0; i < n; ++i) {
            const double expected = w == SampleStore::kXWindow ? double(oldest + i)
                                                               : double(oldest + i) * 10 + w;
            if (window[i] != expected)
                QFAIL(qPrintable(QStringLiteral("window %1 position %2: %3, expected %4")
                                     .arg(w)
                                     .arg(i)
                                     .arg(window[i])
                                     .arg(expected)));
        }
    }
}

QByteArray csvOf(const SampleStore &store, int count, int typeCode, const QStringList &names)
{
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    const auto result =
        writeScopeCsv(buffer, store, count, typeCode, names, [](qint64) { return true; });
    return result == CsvWriteResult::Written ? buffer.data() : QByteArray("failed");
}

} // namespace

class TestScopeData : public QObject
{
    Q_OBJECT
private slots:
    void xRisesFromZeroAndWindowsSlideWhenFull();
    void windowEightReturnsToFirstRegionAfterOneFullSlide();
    void everyWindowRotatesAndStaysInOrder();
    void clearStartsOver();
    void storeWithoutBlockIgnoresSamples();
    void blockIsCommittedOnlyAsSamplesArrive();
    void minMaxMatchesBruteForce();
    void nonFiniteSamplesAreRefusedAndCounted();

    void samplesDecodeLittleEndian_data();
    void samplesDecodeLittleEndian();

    void sampleTextPerType_data();
    void sampleTextPerType();
    void writesConfigurationAndChannelLines();
    void writeCanBeCancelled();
    void readsConfigurationWithBlanksAndComment();
    void refusals_data();
    void refusals();
    void crlfAndTrailingEmptyLinesReadLikeLf();
    void readingFillsStoreColumnByColumn();
    void formulaLikeNamesAreQuotedAndReadBack();
    void longLinesReadAcrossChunks();
    void fileShortenedWhileReadFails();
    void millionsOfShortLinesAreRefusedWithoutARecordEach_data();
    void millionsOfShortLinesAreRefusedWithoutARecordEach();
};

void TestScopeData::xRisesFromZeroAndWindowsSlideWhenFull()
{
    SampleStore store;
    QVERIFY(store.isAllocated());
    quint64 appended = 0;
    for (; appended < 3; ++appended)
        appendNumbered(store, appended);
    verifyNewest(store, appended);
    for (; appended < kFull; ++appended)
        appendNumbered(store, appended);
    verifyNewest(store, appended);
    for (; appended < kFull + 3; ++appended)
        appendNumbered(store, appended);
    QCOMPARE(store.size(), kFull);
    QCOMPARE(store.xValues()[0], 3.0);
    QCOMPARE(store.xValues()[kFull - 1], double(kFull + 2));
    verifyNewest(store, appended);
}

void TestScopeData::windowEightReturnsToFirstRegionAfterOneFullSlide()
{
    SampleStore store;
    const quint64 total = 2 * kFull + 1; // 2,097,151
    for (quint64 s = 0; s < total - 1; ++s)
        appendNumbered(store, s);
    QVERIFY(store.window(SampleStore::kXWindow) != store.region(0));
    appendNumbered(store, total - 1);
    QCOMPARE(store.window(SampleStore::kXWindow), store.region(0));
    QCOMPARE(store.rotationIndex(), 7);
    QCOMPARE(store.slideCount(), quint64(0));
    verifyNewest(store, total);
    appendNumbered(store, total);
    verifyNewest(store, total + 1);
}

// A small store goes through every window's move back to the first region
// twice; after each sample all windows must still hold the newest samples.
void TestScopeData::everyWindowRotatesAndStaysInOrder()
{
    SampleStore store(7);
    const quint64 total = 7 + 2 * 9 * 8 + 5;
    for (quint64 s = 0; s < total; ++s) {
        appendNumbered(store, s);
        verifyNewest(store, s + 1);
        if (QTest::currentTestFailed())
            QFAIL(qPrintable(QStringLiteral("after sample %1").arg(s)));
    }
}

void TestScopeData::clearStartsOver()
{
    SampleStore store(7);
    for (quint64 s = 0; s < 40; ++s)
        appendNumbered(store, s);
    store.clear();
    QCOMPARE(store.size(), quint64(0));
    for (int w = 0; w < SampleStore::kWindows; ++w)
        QCOMPARE(store.window(w), store.region(w));
    for (quint64 s = 0; s < 20; ++s)
        appendNumbered(store, s);
    verifyNewest(store, 20);
}

void TestScopeData::storeWithoutBlockIgnoresSamples()
{
    SampleStore store(quint64(1) << 58); // far more than any address space
    QVERIFY(!store.isAllocated());
    const double values[SampleStore::kChannels] = {1};
    QVERIFY(!store.append(values, 1));
    QCOMPARE(store.size(), quint64(0));
    store.clear();
}

// Resident memory of this process in bytes.
static qint64 residentBytes()
{
    QFile statm(QStringLiteral("/proc/self/statm"));
    if (!statm.open(QIODevice::ReadOnly))
        return -1;
    const QList<QByteArray> fields = statm.readAll().split(' ');
    return fields.value(1).toLongLong() * 4096;
}

void TestScopeData::blockIsCommittedOnlyAsSamplesArrive()
{
    constexpr qint64 kMiB = 1024 * 1024;
    const qint64 before = residentBytes();
    if (before < 0)
        QSKIP("no /proc/self/statm");
    SampleStore store;
    QVERIFY(store.isAllocated());
    // The 80 MiB block is reserved, not touched; only the small summary is.
    QVERIFY2(residentBytes() - before < 16 * kMiB,
             qPrintable(QString::number((residentBytes() - before) / kMiB)));
    for (quint64 s = 0; s < 100000; ++s)
        appendNumbered(store, s);
    // 100,000 samples of nine windows: about 7 MiB.
    QVERIFY2(residentBytes() - before < 32 * kMiB,
             qPrintable(QString::number((residentBytes() - before) / kMiB)));
}

void TestScopeData::minMaxMatchesBruteForce()
{
    SampleStore store(5000);
    QRandomGenerator random(7);
    // Twice, the second time after a clear: the summary starts over too.
    for (int round = 0; round < 2; ++round) {
        store.clear();
        // Past the capacity, so the summary blocks no longer line up with
        // window positions.
        for (int s = 0; s < 6789 + round * 1000; ++s) {
            double values[SampleStore::kChannels];
            for (double &value : values)
                value = random.generateDouble() * 200 - 100;
            store.append(values, SampleStore::kChannels);
        }
        for (int trial = 0; trial < 300; ++trial) {
            const int channel = int(random.bounded(SampleStore::kChannels));
            quint64 first = random.bounded(5000);
            quint64 last = random.bounded(5000);
            if (first > last)
                std::swap(first, last);
            double min, max;
            store.minMax(channel, first, last, min, max);
            const double *values = store.window(channel);
            QCOMPARE(min, *std::min_element(values + first, values + last + 1));
            QCOMPARE(max, *std::max_element(values + first, values + last + 1));
        }
    }
}

// Whatever path they come by (here a waveform file), infinite and NaN
// values never reach the windows or the summary.
void TestScopeData::nonFiniteSamplesAreRefusedAndCounted()
{
    QBuffer device;
    device.setData("2,8\na,1,inf,3,-1e308\nb,1,2,nan,1e308");
    device.open(QIODevice::ReadOnly);
    ScopeCsvReader reader(device);
    QVERIFY(reader.readConfiguration());
    QVERIFY(reader.readChannels());
    SampleStore store;
    QCOMPARE(reader.appendTo(store, [](qint64) { return true; }), CsvReadResult::Read);
    QCOMPARE(store.size(), quint64(2));
    QCOMPARE(store.nonFiniteRefused(), qint64(2));
    double min, max;
    store.minMax(1, 0, 1, min, max);
    QCOMPARE(min, 1.0);
    QCOMPARE(max, 1e308);

    const double infinite[2] = {1, -HUGE_VAL};
    QVERIFY(!store.append(infinite, 2));
    QVERIFY(store.append(infinite, 1)); // the channel above the count is not looked at
    QCOMPARE(store.nonFiniteRefused(), qint64(3));
    store.clear();
    QCOMPARE(store.nonFiniteRefused(), qint64(0));
}

void TestScopeData::samplesDecodeLittleEndian_data()
{
    QTest::addColumn<int>("code");
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<double>("value");
    QTest::newRow("int8") << int(Int8) << QByteArray("\x80", 1) << -128.0;
    QTest::newRow("uint8") << int(UInt8) << QByteArray("\xff", 1) << 255.0;
    QTest::newRow("int16") << int(Int16) << QByteArray("\xfe\xff", 2) << -2.0;
    QTest::newRow("uint16") << int(UInt16) << QByteArray("\x34\x12", 2) << 4660.0;
    QTest::newRow("int32") << int(Int32) << QByteArray("\x00\x00\x00\x80", 4) << -2147483648.0;
    QTest::newRow("uint32") << int(UInt32) << QByteArray("\x01\x00\x00\x80", 4) << 2147483649.0;
    QTest::newRow("float") << int(Float) << QByteArray("\x00\x00\xc0\xbf", 4) << -1.5;
    QTest::newRow("double") << int(Double) << QByteArray("\x00\x00\x00\x00\x00\x00\x24\x40", 8)
                            << 10.0;
}

void TestScopeData::samplesDecodeLittleEndian()
{
    QFETCH(int, code);
    QFETCH(QByteArray, bytes);
    QFETCH(double, value);
    QCOMPARE(bytes.size(), sampleType(code).size);
    QCOMPARE(decodeSample(code, bytes.constData()), value);

    // Three in a row: the channels follow one another.
    const QByteArray payload = bytes + bytes + bytes;
    double values[3] = {};
    decodeSamples(code, 3, payload.constData(), values);
    QCOMPARE(values[2], value);
}

void TestScopeData::sampleTextPerType_data()
{
    QTest::addColumn<int>("code");
    QTest::addColumn<double>("value");
    QTest::addColumn<QByteArray>("text");
    QTest::newRow("int16 negative") << int(Int16) << -2.0 << QByteArray("-2");
    QTest::newRow("int32 cut toward zero") << int(Int32) << -2.7 << QByteArray("-2");
    QTest::newRow("int8 out of range held") << int(Int8) << 1e20 << QByteArray("2147483647");
    QTest::newRow("uint32 high bit") << int(UInt32) << 4294967295.0 << QByteArray("4294967295");
    QTest::newRow("uint8 negative wraps") << int(UInt8) << -1.0 << QByteArray("4294967295");
    QTest::newRow("uint16 low 32 bits") << int(UInt16) << 4294967297.0 << QByteArray("1");
    QTest::newRow("float six digits") << int(Float) << 3.14159265 << QByteArray("3.14159");
    QTest::newRow("double large") << int(Double) << 1234567.0 << QByteArray("1.23457e+06");
    QTest::newRow("double small") << int(Double) << 0.0001 << QByteArray("0.0001");
    QTest::newRow("float whole") << int(Float) << 250.0 << QByteArray("250");
}

void TestScopeData::sampleTextPerType()
{
    QFETCH(int, code);
    QFETCH(double, value);
    QFETCH(QByteArray, text);
    QCOMPARE(scopeSampleText(code, value), text);
}

void TestScopeData::writesConfigurationAndChannelLines()
{
    SampleStore store;
    const double values[3] = {1, 1, 1};
    const double next[3] = {-2, -2, -2};
    store.append(values, 3);
    store.append(next, 3);
    QCOMPARE(csvOf(store, 3, Int16, {"a", "b", "c"}),
             QByteArray("3,3\na,1,-2\nb,1,-2\nc,1,-2"));
    QCOMPARE(csvOf(store, 1, Float, {QStringLiteral("波形1")}),
             QByteArray("1,7\n") + textToBytes(QStringLiteral("波形1")) + ",1,-2");
    store.clear();
    QCOMPARE(csvOf(store, 2, Int8, {"a", "b"}), QByteArray("2,1\na\nb"));
}

void TestScopeData::writeCanBeCancelled()
{
    SampleStore store;
    const double values[1] = {5};
    for (int s = 0; s < 200000; ++s)
        store.append(values, 1);
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    qint64 reported = 0;
    const auto result = writeScopeCsv(buffer, store, 1, Int8, {"a"}, [&](qint64 done) {
        reported = done;
        return done < 100000;
    });
    QCOMPARE(result, CsvWriteResult::Cancelled);
    QVERIFY(reported >= 100000 && reported < 200000);
}

void TestScopeData::readsConfigurationWithBlanksAndComment()
{
    const QByteArray file = "2 , 7 //comment, with, commas\nx,1.5,2\ny,3,4";
    QBuffer device;
    device.setData(file);
    device.open(QIODevice::ReadOnly);
    ScopeCsvReader reader(device);
    QVERIFY(reader.readConfiguration());
    QCOMPARE(reader.channelCount(), 2);
    QCOMPARE(reader.typeCode(), int(Float));
    QVERIFY(reader.readChannels());
    QCOMPARE(reader.names(), QStringList({"x", "y"}));
    QCOMPARE(reader.sampleCount(), qint64(2));
}

void TestScopeData::refusals_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<bool>("atConfiguration");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("text");
    const QString config = QStringLiteral("配置行有误");
    QTest::newRow("only line breaks") << QByteArray("\r\n\n\n") << true << QStringLiteral("错误")
                                      << QStringLiteral("文件为空！");
    QTest::newRow("three fields")
        << QByteArray("1,2,3\na,1") << true << config
        << QStringLiteral("配置行有误，检查首行数据是否正确。\n\n格式：[波形数量1~8],"
                          "[数据类型编号1~8]  //自定义注释");
    QTest::newRow("nine channels") << QByteArray("9,1\na,1") << true << config
                                   << QStringLiteral("配置行的通道数有误，不在1~8之间。");
    QTest::newRow("fewer lines than channels")
        << QByteArray("3,1\na,1\nb,1\n") << true << config
        << QStringLiteral("配置行的通道数有误，和数据匹配，数据行共2行。");
    QTest::newRow("type zero") << QByteArray("1,0\na,1") << true << config
                               << QStringLiteral("配置行的数据类型有误，不在1~8之间。");
    QTest::newRow("shorter second line")
        << QByteArray("3,1\na,1,2\nb,1,2\nc,1") << false << QStringLiteral("错误")
        << QStringLiteral("数据有误!波形3的元素数目和前一个波形不同。");
    QTest::newRow("empty line before the last")
        << QByteArray("3,1\na,1,2\n\r\nc,1,2") << false << QStringLiteral("错误")
        << QStringLiteral("数据有误!波形2的元素数目和前一个波形不同。");
}

void TestScopeData::refusals()
{
    QFETCH(QByteArray, file);
    QFETCH(bool, atConfiguration);
    QFETCH(QString, title);
    QFETCH(QString, text);
    QBuffer device;
    device.setData(file);
    device.open(QIODevice::ReadOnly);
    ScopeCsvReader reader(device);
    const bool configured = reader.readConfiguration();
    QCOMPARE(configured, !atConfiguration);
    if (configured)
        QVERIFY(!reader.readChannels());
    QCOMPARE(reader.problem().title, title);
    QCOMPARE(reader.problem().text, text);
}

void TestScopeData::crlfAndTrailingEmptyLinesReadLikeLf()
{
    const QByteArray file = "2,3\r\nleft,1,-2\r\nright,3,4\r\n\r\n\n";
    QBuffer device;
    device.setData(file);
    device.open(QIODevice::ReadOnly);
    ScopeCsvReader reader(device);
    QVERIFY(reader.readConfiguration());
    QVERIFY(reader.readChannels());
    QCOMPARE(reader.names(), QStringList({"left", "right"}));
    SampleStore store;
    QCOMPARE(reader.appendTo(store, [](qint64) { return true; }), CsvReadResult::Read);
    QCOMPARE(store.size(), quint64(2));
    QCOMPARE(store.window(0)[1], -2.0);
    QCOMPARE(store.window(1)[1], 4.0);
}

void TestScopeData::readingFillsStoreColumnByColumn()
{
    const QByteArray file = "2,7\n" + textToBytes(QStringLiteral("速度")) +
                            ",0.5, +2 ,x,1e3\nb,-1,-2,-3,-4";
    QBuffer device;
    device.setData(file);
    device.open(QIODevice::ReadOnly);
    ScopeCsvReader reader(device);
    QVERIFY(reader.readConfiguration());
    QVERIFY(reader.readChannels());
    QCOMPARE(reader.names().first(), QStringLiteral("速度"));
    SampleStore store;
    QCOMPARE(reader.appendTo(store, [](qint64) { return true; }), CsvReadResult::Read);
    QCOMPARE(store.size(), quint64(4));
    const double expectedX[] = {0, 1, 2, 3};
    const double expectedFirst[] = {0.5, 2, 0, 1000};
    for (int i = 0; i < 4; ++i) {
        QCOMPARE(store.xValues()[i], expectedX[i]);
        QCOMPARE(store.window(0)[i], expectedFirst[i]);
        QCOMPARE(store.window(1)[i], -1.0 - i);
    }
}

// A spreadsheet must not run a channel name; the quote that stops it goes
// again when the file is read back.
void TestScopeData::formulaLikeNamesAreQuotedAndReadBack()
{
    const QStringList names = {QStringLiteral("=HYPERLINK(\"//ev.example\")"),
                               "+1", "-x", "@a", "\tb", "'=c", "'plain", "plain"};
    SampleStore store;
    const double values[1] = {1};
    store.append(values, 1);
    const QByteArray file = csvOf(store, names.size(), Float, names);
    QVERIFY2(file.contains("\n'=HYPERLINK(\"//ev.example\"),1\n"), file.constData());
    // Only the first channel was given a value; the others hold 0.
    QVERIFY(file.contains("\n'\tb,0\n''=c,0\n'plain,0\nplain,0"));
    QVERIFY(csvOf(store, 1, Float, {"\rx"}).startsWith("1,7\n'\rx,"));

    QBuffer device;
    device.setData(file);
    device.open(QIODevice::ReadOnly);
    ScopeCsvReader reader(device);
    QVERIFY(reader.readConfiguration());
    QVERIFY(reader.readChannels());
    QCOMPARE(reader.names(), names);
}

// Lines much longer than the chunks the file is read in, with fields of
// varying width, so fields are cut at every possible place.
void TestScopeData::longLinesReadAcrossChunks()
{
    const int samples = 300000;
    QByteArray file = "3,7\r\n";
    for (int channel = 0; channel < 3; ++channel) {
        file += "ch" + QByteArray::number(channel);
        for (int i = 0; i < samples; ++i)
            file += ',' + QByteArray::number(i % (channel * 997 + 13)) + "  ";
        file += "\r\n";
    }
    QBuffer device;
    device.setData(file);
    device.open(QIODevice::ReadOnly);
    ScopeCsvReader reader(device);
    QVERIFY(reader.readConfiguration());
    QVERIFY(reader.readChannels());
    QCOMPARE(reader.names(), QStringList({"ch0", "ch1", "ch2"}));
    SampleStore store;
    QCOMPARE(reader.appendTo(store, [](qint64) { return true; }), CsvReadResult::Read);
    QCOMPARE(store.size(), quint64(samples));
    int wrong = 0;
    for (int i = 0; i < samples; ++i)
        for (int channel = 0; channel < 3; ++channel)
            wrong += store.window(channel)[i] != double(i % (channel * 997 + 13));
    QCOMPARE(wrong, 0);
}

// Another program cuts the file short between the scan and the samples:
// the reader says so instead of reading bytes that are gone.
void TestScopeData::fileShortenedWhileReadFails()
{
    QTemporaryDir dir;
    const QString path = dir.filePath("wave.csv");
    QByteArray content = "2,1\na";
    for (int i = 0; i < 100000; ++i)
        content += ",1";
    content += "\nb";
    for (int i = 0; i < 100000; ++i)
        content += ",2";
    {
        QFile out(path);
        QVERIFY(out.open(QIODevice::WriteOnly));
        out.write(content);
    }
    QFile in(path);
    QVERIFY(in.open(QIODevice::ReadOnly | QIODevice::Unbuffered));
    ScopeCsvReader reader(in);
    QVERIFY(reader.readConfiguration());
    QVERIFY(reader.readChannels());
    QVERIFY(QFile(path).resize(content.size() / 2));
    SampleStore store;
    QCOMPARE(reader.appendTo(store, [](qint64) { return true; }), CsvReadResult::Failed);
    QVERIFY(store.size() < 100000);
}

void TestScopeData::millionsOfShortLinesAreRefusedWithoutARecordEach_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<bool>("readToTheEnd");
    QTest::addColumn<QString>("text");
    const QByteArray lines = QByteArray("a,1\n").repeated(2000000);
    QTest::newRow("short lines") << "2,1\n" + lines << true
                                 << QStringLiteral("配置行的通道数有误，和数据匹配，数据行共2000000行。");
    QTest::newRow("line breaks") << QByteArray("\r\n").repeated(4000000) << true
                                 << QStringLiteral("文件为空！");
    // Refused at the first line; nothing after it can change that.
    QTest::newRow("bad configuration") << "9,1\n" + lines << false
                                       << QStringLiteral("配置行的通道数有误，不在1~8之间。");
}

void TestScopeData::millionsOfShortLinesAreRefusedWithoutARecordEach()
{
    QFETCH(QByteArray, file);
    QFETCH(bool, readToTheEnd);
    QFETCH(QString, text);
    constexpr qint64 kMiB = 1024 * 1024;
    const qint64 before = residentBytes();
    QBuffer device;
    device.setData(file);
    device.open(QIODevice::ReadOnly);
    ScopeCsvReader reader(device);
    QVERIFY(!reader.readConfiguration());
    QCOMPARE(reader.problem().text, text);
    QVERIFY2(residentBytes() - before < 16 * kMiB,
             qPrintable(QStringLiteral("%1 MiB").arg((residentBytes() - before) / kMiB)));
    QCOMPARE(device.pos() == device.size(), readToTheEnd);
}

QTEST_GUILESS_MAIN(TestScopeData)
#include "test_scopedata.moc"
