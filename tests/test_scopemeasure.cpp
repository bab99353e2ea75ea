// What the oscilloscope measures, without widgets: statistics, frequency
// from crossings and from the spectrum, the trigger, the nearest sample,
// the measured sample rate and a held range of a sliding store.
#include "samplestore.h"
#include "scopemeasure.h"
#include "scopetrigger.h"
#include "spectrum.h"

#include <QRandomGenerator>
#include <QtTest>

#include <algorithm>
#include <cmath>
#include <limits>
#include <vector>

namespace {

std::vector<double> sine(double frequency, double rate, int count, double amplitude = 1,
                         double offset = 0)
{
    std::vector<double> values(static_cast<size_t>(count));
    for (int i = 0; i < count; ++i)
        values[size_t(i)] = offset + amplitude * std::sin(2 * M_PI * frequency * i / rate);
    return values;
}

void verifyClose(double actual, double expected, double relative)
{
    QVERIFY2(std::abs(actual - expected) <= relative * std::abs(expected),
             qPrintable(QStringLiteral("%1, expected %2")
                            .arg(actual, 0, 'g', 17)
                            .arg(expected, 0, 'g', 17)));
}

// Channel 0 of the sample with sequence s holds s * 10.
void appendNumbered(SampleStore &store, quint64 sequence)
{
    const double value = double(sequence) * 10;
    store.append(&value, 1);
}

// Every position of `positions` holds the sample its sequence says.
bool holdsSequences(const SampleStore &store, SampleRange positions, quint64 firstSequence)
{
    for (quint64 i = 0; i < positions.count; ++i) {
        const quint64 at = positions.first + i;
        if (store.window(0)[at] != double(firstSequence + i) * 10
            || store.xValues()[at] != double(firstSequence + i))
            return false;
    }
    return true;
}

} // namespace

class TestScopeMeasure : public QObject
{
    Q_OBJECT
private slots:
    void rampStatisticsAreExact();
    void sineFrequencyWithinOneBin_data();
    void sineFrequencyWithinOneBin();
    void crossingsNeedTwoAndAFlatLineHasNone();
    void spectrumScalesAndKeepsPlansPerSize();
    void triggerFiresOncePerPeriodOnNoisySquareWave();
    void triggerWindowArithmetic();
    void nearestSampleClampsAndRounds();
    void sampleRateFromBurstsAndPauses();
    void heldRangeKeepsItsSamplesWhileStreaming();
};

// Ramps up and down, of sizes a multiple of the blocks, not one, and
// shorter than one, offset so that plain summation of a million would lose
// digits.
void TestScopeMeasure::rampStatisticsAreExact()
{
    const double offset = 1000.1;
    const double step = 0.001;
    for (const quint64 count : {quint64(1000000), quint64(1000003), quint64(7)}) {
        for (const bool rising : {true, false}) {
            std::vector<double> ramp(count);
            for (quint64 i = 0; i < count; ++i)
                ramp[i] = offset + step * double(rising ? i : count - 1 - i);
            const ChannelStats stats = channelStats(ramp.data(), count);
            const long double n = count;
            const long double a = offset;
            const long double b = step;
            // Mean and mean square of a + b·i over i < n.
            const long double mean = a + b * (n - 1) / 2;
            const long double meanSquare =
                a * a + a * b * (n - 1) + b * b * (n - 1) * (2 * n - 1) / 6;
            const double first = offset;
            const double last = offset + step * double(count - 1);
            QCOMPARE(stats.count, count);
            QCOMPARE(stats.min, first);
            QCOMPARE(stats.max, last);
            QCOMPARE(stats.peakToPeak, last - first);
            verifyClose(stats.mean, double(mean), 1e-14);
            verifyClose(stats.rms, double(std::sqrt(meanSquare)), 1e-14);
        }
    }
    QCOMPARE(channelStats(nullptr, 0).count, quint64(0));
}

void TestScopeMeasure::sineFrequencyWithinOneBin_data()
{
    QTest::addColumn<double>("frequency");
    QTest::addColumn<double>("rate");
    QTest::addColumn<int>("count");
    QTest::newRow("50 Hz at 1 kHz") << 50.0 << 1000.0 << 4000;
    QTest::newRow("37.3 Hz at 1 kHz, between bins") << 37.3 << 1000.0 << 3001;
    QTest::newRow("more than the spectrum takes") << 1234.5 << 20000.0 << 100000;
}

void TestScopeMeasure::sineFrequencyWithinOneBin()
{
    QFETCH(double, frequency);
    QFETCH(double, rate);
    QFETCH(int, count);
    const std::vector<double> values = sine(frequency, rate, count, 3, 7);

    const ChannelMeasurement measured = measureChannel(values.data(), quint64(count));
    QVERIFY(measured.cyclesPerSample);
    const int shown = std::min(count, Spectrum::kMaxPoints);
    const double bin = rate / shown;
    QVERIFY2(std::abs(*measured.cyclesPerSample * rate - frequency) < bin,
             qPrintable(QString::number(*measured.cyclesPerSample * rate)));

    Spectrum spectrum;
    QCOMPARE(int(spectrum.compute(values.data(), quint64(count)).size()), shown / 2 + 1);
    QCOMPARE(spectrum.points(), shown);
    QVERIFY(spectrum.peakBin());
    const double peak = Spectrum::binFrequency(*spectrum.peakBin(), shown, rate);
    QVERIFY2(std::abs(peak - frequency) <= bin, qPrintable(QString::number(peak)));
}

void TestScopeMeasure::crossingsNeedTwoAndAFlatLineHasNone()
{
    const std::vector<double> oneAndAHalf = sine(1, 100, 150);
    QVERIFY(!crossingFrequency(oneAndAHalf.data(), 150, 0, 0.1)); // one rising crossing
    const std::vector<double> two = sine(1, 100, 250);
    QVERIFY(crossingFrequency(two.data(), 250, 0, 0.1));

    // At the level itself a flat line would arm and fire on every other
    // sample without hysteresis.
    const std::vector<double> flat(1000, 0.1);
    QVERIFY(!crossingFrequency(flat.data(), 1000, 0.1, 0));
    QVERIFY(!measureChannel(flat.data(), 1000).cyclesPerSample);
    EdgeFinder both(TriggerEdge::Both, 0.1, 0);
    QVERIFY(!both.find(flat.data(), 1000));
}

// A sine centred on a bin reads its amplitude in dB; a constant has no
// peak; going through more sizes than are kept plans anew with the same
// result.
void TestScopeMeasure::spectrumScalesAndKeepsPlansPerSize()
{
    Spectrum spectrum;
    const std::vector<double> values = sine(64, 1024, 1024, 2, 5);
    const std::vector<double> first = spectrum.compute(values.data(), 1024);
    QCOMPARE(spectrum.peakBin(), std::optional<int>(64));
    QVERIFY2(std::abs(first[64] - 20 * std::log10(2.0)) < 1e-6,
             qPrintable(QString::number(first[64])));
    QVERIFY(first[0] < -200);

    for (int size = 1000; size < 1000 + 2 * Spectrum::kPlanSizes; ++size)
        spectrum.compute(values.data(), quint64(size));
    QCOMPARE(spectrum.compute(values.data(), 1024), first);

    const std::vector<double> flat(4096, 0.1);
    spectrum.compute(flat.data(), flat.size());
    QVERIFY(!spectrum.peakBin());
    QVERIFY(spectrum.compute(flat.data(), 1).empty());
    QCOMPARE(spectrum.points(), 0);
}

// Low at 0 and high at 10 for 100 samples each, level 5, hysteresis 1.
// Every transition starts at a known sample just past the level, then
// dithers around the level for 20 samples with noise of ±0.8: without
// hysteresis each one would fire many times.
void TestScopeMeasure::triggerFiresOncePerPeriodOnNoisySquareWave()
{
    constexpr int kHalf = 100;
    constexpr int kPeriods = 30;
    constexpr double kLevel = 5;
    QRandomGenerator random(38);
    std::vector<double> wave;
    std::vector<quint64> risingAt;
    std::vector<quint64> fallingAt;
    for (int period = 0; period < kPeriods; ++period) {
        for (const bool rising : {true, false}) {
            (rising ? risingAt : fallingAt).push_back(wave.size());
            wave.push_back(rising ? kLevel + 0.3 : kLevel - 0.3);
            for (int i = 1; i < 20; ++i)
                wave.push_back(kLevel + random.bounded(1.6) - 0.8);
            wave.resize(wave.size() + kHalf - 20, rising ? 10.0 : 0.0);
        }
    }
    wave.insert(wave.begin(), 50, 0.0);
    for (quint64 &at : risingAt)
        at += 50;
    for (quint64 &at : fallingAt)
        at += 50;

    // Pieces of an awkward size, resumed after each hit as documented.
    const auto hits = [&wave](EdgeFinder finder, quint64 piece) {
        std::vector<quint64> found;
        for (quint64 start = 0; start < wave.size(); start += piece) {
            const quint64 count = std::min<quint64>(piece, wave.size() - start);
            for (quint64 from = 0; from < count;) {
                const std::optional<quint64> hit =
                    finder.find(wave.data() + start + from, count - from);
                if (!hit)
                    break;
                found.push_back(start + from + *hit);
                from += *hit + 1;
            }
        }
        return found;
    };
    QCOMPARE(hits(EdgeFinder(TriggerEdge::Rising, kLevel, 1), 37), risingAt);
    QCOMPARE(hits(EdgeFinder(TriggerEdge::Falling, kLevel, 1), wave.size()), fallingAt);
    std::vector<quint64> both = risingAt;
    both.insert(both.end(), fallingAt.begin(), fallingAt.end());
    std::sort(both.begin(), both.end());
    QCOMPARE(hits(EdgeFinder(TriggerEdge::Both, kLevel, 1), 1), both);
    QVERIFY(hits(EdgeFinder(TriggerEdge::Rising, kLevel, 0), 37).size() > 2 * risingAt.size());

    // Armed by the low samples before the first edge, then reset: the
    // finder passes that edge and waits for the next low.
    EdgeFinder finder(TriggerEdge::Rising, kLevel, 1);
    const quint64 edge = risingAt[0];
    QVERIFY(!finder.find(wave.data(), edge));
    finder.reset();
    QCOMPARE(finder.find(wave.data() + edge, wave.size() - edge),
             std::optional<quint64>(risingAt[1] - edge));
}

void TestScopeMeasure::triggerWindowArithmetic()
{
    QCOMPARE(preTriggerSamples(1000, 10), quint64(100));
    QCOMPARE(preTriggerSamples(1000, 150), quint64(1000));
    QCOMPARE(preTriggerSamples(1000, -5), quint64(0));
    constexpr quint64 kHuge = std::numeric_limits<quint64>::max();
    QCOMPARE(preTriggerSamples(kHuge, 50), kHuge / 2);

    const SampleRange window = windowAroundTrigger(5000, 1000, 10);
    QCOMPARE(window.first, quint64(4900));
    QCOMPARE(window.count, quint64(1000));
    QCOMPARE(windowAroundTrigger(50, 1000, 10).first, quint64(0));
}

void TestScopeMeasure::nearestSampleClampsAndRounds()
{
    std::vector<double> x(10);
    for (int i = 0; i < 10; ++i)
        x[size_t(i)] = 1e6 + i;
    QCOMPARE(nearestSample(x.data(), 10, 1e6 + 3.4), quint64(3));
    QCOMPARE(nearestSample(x.data(), 10, 1e6 + 3.5), quint64(3));
    QCOMPARE(nearestSample(x.data(), 10, 1e6 + 3.6), quint64(4));
    QCOMPARE(nearestSample(x.data(), 10, -5), quint64(0));
    QCOMPARE(nearestSample(x.data(), 10, 1e9), quint64(9));
    QCOMPARE(nearestSample(x.data(), 10, std::nan("")), quint64(0));
    QCOMPARE(nearestSample(x.data(), 0, 3), quint64(0));
}

void TestScopeMeasure::sampleRateFromBurstsAndPauses()
{
    SampleRateMeter meter;
    // 10,000 samples a second, in reads of 1,000 every 100 ms.
    qint64 now = 1000;
    for (; now < 1400; now += 100)
        meter.samplesArrived(1000, now);
    QVERIFY(!meter.rate());
    for (; now < 4000; now += 100)
        meter.samplesArrived(1000, now);
    QCOMPARE(meter.rate(), std::optional<double>(10000));

    // The same rate in reads of 7 every 0.7 ms, whole milliseconds apart.
    meter.reset();
    for (int read = 0; read < 5000; ++read)
        meter.samplesArrived(7, qint64(read * 0.7));
    QVERIFY(meter.rate());
    verifyClose(*meter.rate(), 10000, 0.01);

    // After a pause longer than the window the old arrivals are gone.
    meter.samplesArrived(7, 10000);
    QVERIFY(!meter.rate());
    // A clock that goes back starts over.
    meter.samplesArrived(7, 20000);
    meter.samplesArrived(7, 20600);
    QVERIFY(meter.rate());
    meter.samplesArrived(7, 5);
    QVERIFY(!meter.rate());
}

// A view holds a range of sequence numbers while samples keep arriving in
// bursts; every sample stays stored and the range keeps mapping to its own
// values until the store has slid past it.
void TestScopeMeasure::heldRangeKeepsItsSamplesWhileStreaming()
{
    SampleStore store(1000);
    quint64 appended = 0;
    for (; appended < 1300; ++appended)
        appendNumbered(store, appended);
    const SampleRange held{store.firstSequence() + 100, 200}; // sequences 400..599
    QCOMPARE(store.positionsOf(held).first, quint64(100));

    // The windows slide by 100 in bursts of 10: the range moves to the
    // start of the store but stays whole.
    const quint64 heldAt = store.endSequence();
    for (int burst = 0; burst < 10; ++burst) {
        for (int i = 0; i < 10; ++i)
            appendNumbered(store, appended++);
        const SampleRange positions = store.positionsOf(held);
        QCOMPARE(positions.count, quint64(200));
        QVERIFY(holdsSequences(store, positions, held.first));
    }
    QCOMPARE(store.positionsOf(held).first, quint64(0));
    const SampleRange arrived = store.positionsOf({heldAt, appended - heldAt});
    QCOMPARE(arrived.count, quint64(100));
    QVERIFY(holdsSequences(store, arrived, heldAt));

    // Slid half out: what is left of it is still its own.
    for (int i = 0; i < 100; ++i)
        appendNumbered(store, appended++);
    const SampleRange rest = store.positionsOf(held);
    QCOMPARE(rest.first, quint64(0));
    QCOMPARE(rest.count, quint64(100));
    QVERIFY(holdsSequences(store, rest, 500));
    const SampleRange toTheNewest = store.positionsOf({1300, std::numeric_limits<quint64>::max()});
    QCOMPARE(toTheNewest.first, quint64(800));
    QCOMPARE(toTheNewest.count, quint64(200));

    store.clear();
    QCOMPARE(store.positionsOf(held).count, quint64(0));
}

QTEST_GUILESS_MAIN(TestScopeMeasure)
#include "test_scopemeasure.moc"
