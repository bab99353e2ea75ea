// Step responses measured without widgets: the figures of analytic
// responses, clean and noisy, and the analyzer finding steps in a stream.
#include "samplestore.h"
#include "stepresponse.h"

#include <QRandomGenerator>
#include <QtTest>

#include <cmath>
#include <vector>

namespace {

// A first-order response with time constant `tau` samples after `delay`
// samples, from `from` to `to`.
std::vector<double> firstOrder(double tau, int delay, int count, double from, double to)
{
    std::vector<double> values(size_t(count), from);
    for (int i = delay; i < count; ++i)
        values[size_t(i)] = to + (from - to) * std::exp(-(i - delay) / tau);
    return values;
}

// A second-order response with damping `zeta` and natural frequency `omega`
// (radians per sample) after `delay` samples, from 0 to `to`.
std::vector<double> secondOrder(double zeta, double omega, int delay, int count, double to)
{
    std::vector<double> values(size_t(count), 0.0);
    const double root = std::sqrt(1 - zeta * zeta);
    for (int i = delay; i < count; ++i) {
        const double t = i - delay;
        values[size_t(i)] = to * (1 - std::exp(-zeta * omega * t) / root
                                          * std::sin(root * omega * t + std::acos(zeta)));
    }
    return values;
}

StepMetrics measure(const std::vector<double> &response, double from, double to)
{
    return measureStep(response.data(), response.size(), from, to, kStepBand2);
}

void verifyWithin(std::optional<double> actual, double expected, double tolerance)
{
    QVERIFY(actual.has_value());
    QVERIFY2(std::abs(*actual - expected) <= tolerance,
             qPrintable(QStringLiteral("%1, expected %2").arg(*actual).arg(expected)));
}

// Set-point on channel 0, response on channel 1.
void appendPair(SampleStore &store, double setpoint, double response)
{
    const double values[2] = {setpoint, response};
    store.append(values, 2);
}

// A set-point stepping between a few levels every `every` samples and a
// first-order response following it.
void appendSteppedStream(SampleStore &store, int count, int every)
{
    const double levels[] = {0, 50, 20, 80};
    double response = 0;
    for (int i = 0; i < count; ++i) {
        const double setpoint = levels[(i / every) % 4];
        response += (setpoint - response) / 25;
        appendPair(store, setpoint, response);
    }
}

bool sameMetrics(const StepMetrics &a, const StepMetrics &b)
{
    return a.delay == b.delay && a.riseTime == b.riseTime && a.settlingTime == b.settlingTime
           && a.overshootPercent == b.overshootPercent && a.steadyStateError == b.steadyStateError
           && a.settled == b.settled && a.settledAt == b.settledAt;
}

} // namespace

class TestStepResponse : public QObject
{
    Q_OBJECT
private slots:
    void analyticResponses();
    void noiseKeepsTheFigures();
    void whatStartsAStep();
    void streamInPiecesAsAtOnce();
    void parameterSteps();
};

void TestStepResponse::analyticResponses()
{
    // First order, rising and falling: rise ln 9·τ, no overshoot, 2 %
    // settling ln 50·τ, each within one sample.
    const double tau = 20;
    for (const auto &[from, to] : {std::pair{1.0, 3.0}, std::pair{3.0, 1.0}}) {
        const StepMetrics m = measure(firstOrder(tau, 0, 400, from, to), from, to);
        verifyWithin(m.riseTime, std::log(9.0) * tau, 1);
        verifyWithin(m.settlingTime, std::log(50.0) * tau, 1);
        QCOMPARE(m.overshootPercent, 0.0);
        QVERIFY(m.settled);
        QVERIFY(std::abs(m.steadyStateError) < 1e-6);
    }
    // A 5 % band settles at ln 20·τ.
    const auto slow = firstOrder(tau, 0, 400, 0, 1);
    verifyWithin(measureStep(slow.data(), slow.size(), 0, 1, kStepBand5).settlingTime,
                 std::log(20.0) * tau, 1);

    // Second order, damping 0.5: 16.3 % overshoot.
    const StepMetrics second = measure(secondOrder(0.5, 2 * M_PI / 100, 0, 1000, 10), 0, 10);
    verifyWithin(second.overshootPercent, 16.3, 0.5);

    // A pure delay of d samples.
    std::vector<double> delayed(200, 5.0);
    std::fill(delayed.begin() + 7, delayed.end(), 9.0);
    const StepMetrics pure = measure(delayed, 5, 9);
    verifyWithin(pure.delay, 7, 0);
    QCOMPARE(pure.overshootPercent, 0.0);

    // A response that never reaches the set-point leaves its error and is
    // not settled; one still oscillating at the end is not settled either.
    const StepMetrics short_ = measure(firstOrder(tau, 0, 400, 0, 0.9), 0, 1);
    QVERIFY(!short_.settled && !short_.settlingTime && !short_.riseTime);
    QVERIFY(std::abs(short_.steadyStateError + 0.1) < 1e-6);
    QVERIFY(!measure(secondOrder(0.05, 2 * M_PI / 100, 0, 400, 10), 0, 10).settled);
    QVERIFY(!measureStep(delayed.data(), delayed.size(), 5, 5, kStepBand2).delay);
}

void TestStepResponse::noiseKeepsTheFigures()
{
    QRandomGenerator random(39);
    const auto withNoise = [&random](std::vector<double> values, double amplitude) {
        for (double &value : values)
            value += amplitude * (2 * random.generateDouble() - 1);
        return values;
    };
    const std::vector<std::vector<double>> clean = {
        firstOrder(200, 60, 3000, 0, 100),
        secondOrder(0.5, 2 * M_PI / 400, 60, 3000, 100),
    };
    for (const auto &response : clean) {
        const StepMetrics expected = measure(response, 0, 100);
        for (int run = 0; run < 5; ++run) {
            const StepMetrics noisy = measure(withNoise(response, 1), 0, 100);
            verifyWithin(noisy.delay, *expected.delay, 0.05 * *expected.delay);
            verifyWithin(noisy.riseTime, *expected.riseTime, 0.05 * *expected.riseTime);
            verifyWithin(noisy.settlingTime, *expected.settlingTime, 0.05 * *expected.settlingTime);
            verifyWithin(noisy.overshootPercent, expected.overshootPercent,
                         0.05 * expected.overshootPercent);
            QVERIFY(std::abs(noisy.steadyStateError - expected.steadyStateError) < 0.5);
        }
    }
}

void TestStepResponse::whatStartsAStep()
{
    SampleStore store(4096);
    StepAnalyzer analyzer;
    // A ramp, then flat: no step, at any slope.
    for (int i = 0; i < 200; ++i)
        appendPair(store, std::min(i, 100) * 0.5, 0);
    for (int i = 0; i < 100; ++i)
        appendPair(store, 50 + std::min(i, 20) * 7.0, 0);
    analyzer.update(store);
    QVERIFY(analyzer.steps().empty());

    // A jump between steady stretches is one, opened once it has held.
    for (int i = 0; i < 50; ++i)
        appendPair(store, 10, 0);
    analyzer.update(store);
    QCOMPARE(analyzer.steps().size(), size_t(1));
    const Step step = analyzer.steps().front();
    QCOMPARE(step.start, quint64(300));
    QCOMPARE(step.from, 190.0);
    QCOMPARE(step.to, 10.0);
    QVERIFY(step.open);

    // With a minimum size, smaller jumps are none; larger ones are.
    StepSettings settings;
    settings.minSize = 1;
    analyzer.setSettings(settings);
    for (const double setpoint : {10.5, 11.0, 11.0, 11.0, 11.0, 11.0, 13.0})
        for (int i = 0; i < 10; ++i)
            appendPair(store, setpoint, 0);
    analyzer.update(store);
    QCOMPARE(analyzer.steps().size(), size_t(2)); // the one above, found again, and 11 -> 13
    QCOMPARE(analyzer.steps().back().from, 11.0);
    QCOMPARE(analyzer.steps().back().to, 13.0);
    QVERIFY(!analyzer.steps().front().open);
}

void TestStepResponse::streamInPiecesAsAtOnce()
{
    SampleStore whole(20000);
    appendSteppedStream(whole, 6000, 700);
    StepAnalyzer atOnce;
    atOnce.update(whole);

    SampleStore growing(20000);
    StepAnalyzer inPieces;
    QRandomGenerator random(7);
    SampleStore source(20000);
    appendSteppedStream(source, 6000, 700);
    for (quint64 done = 0; done < 6000;) {
        const quint64 piece = std::min<quint64>(random.bounded(1, 300), 6000 - done);
        for (quint64 i = done; i < done + piece; ++i)
            appendPair(growing, source.window(0)[i], source.window(1)[i]);
        done += piece;
        inPieces.update(growing);
    }
    QCOMPARE(atOnce.steps().size(), size_t(8));
    QCOMPARE(inPieces.steps().size(), atOnce.steps().size());
    for (size_t i = 0; i < atOnce.steps().size(); ++i) {
        const Step &a = atOnce.steps()[i];
        const Step &b = inPieces.steps()[i];
        QCOMPARE(b.start, a.start);
        QCOMPARE(b.length, a.length);
        QCOMPARE(b.open, a.open);
        QVERIFY(sameMetrics(a.metrics, b.metrics));
        QCOMPARE(a.start, quint64(700 * (i + 1)));
        QVERIFY(a.metrics.settled);
    }

    // A cleared store starts the numbering over, and the analysis with it.
    growing.clear();
    appendSteppedStream(growing, 1000, 700);
    inPieces.update(growing);
    QCOMPARE(inPieces.steps().size(), size_t(1));
    QCOMPARE(inPieces.steps().front().start, quint64(700));

    // Samples that slid out of the store unseen are skipped; the steps in
    // what is stored are found and measured.
    SampleStore small(1000);
    StepAnalyzer sliding;
    sliding.update(small);
    appendSteppedStream(small, 5000, 700);
    sliding.update(small);
    QCOMPARE(sliding.steps().size(), size_t(2));
    QCOMPARE(sliding.steps()[0].start, quint64(4200));
    QVERIFY(sliding.steps()[0].metrics.settled);
    QCOMPARE(sliding.steps()[1].start, quint64(4900));
}

void TestStepResponse::parameterSteps()
{
    SampleStore store(4096);
    StepSettings settings;
    settings.source = StepSource::Parameter;
    StepAnalyzer analyzer(settings);
    for (int i = 0; i < 100; ++i)
        appendPair(store, 0, 0);
    analyzer.addParameterStep(store.endSequence(), 0, 2, QStringLiteral("speed=2 kp=1.00"));
    for (int i = 0; i < 300; ++i)
        appendPair(store, 0, 2);
    analyzer.update(store);
    analyzer.addParameterStep(store.endSequence(), 2, 4, QStringLiteral("speed=4 kp=1.00"));
    analyzer.addParameterStep(store.endSequence(), 2, 6, QStringLiteral("speed=6 kp=1.00"));
    for (int i = 0; i < 300; ++i)
        appendPair(store, 0, 6.5);
    analyzer.update(store);

    const auto &steps = analyzer.steps();
    QCOMPARE(steps.size(), size_t(2)); // two values sent at one sample: the later holds
    QCOMPARE(steps[0].start, quint64(100));
    QCOMPARE(steps[0].length, quint64(300));
    QVERIFY(!steps[0].open && steps[0].metrics.settled);
    QCOMPARE(steps[1].parameters, QStringLiteral("speed=6 kp=1.00"));
    QCOMPARE(steps[1].metrics.steadyStateError, 0.5);

    // Steps of a channel carry the parameters in force at their start.
    StepAnalyzer channel;
    channel.setParameters(0, QStringLiteral("kp=1"));
    channel.setParameters(150, QStringLiteral("kp=2"));
    SampleStore stream(4096);
    appendSteppedStream(stream, 1000, 100);
    channel.update(stream);
    QCOMPARE(channel.steps().size(), size_t(9));
    QCOMPARE(channel.steps()[0].parameters, QStringLiteral("kp=1"));
    QCOMPARE(channel.steps()[1].parameters, QStringLiteral("kp=2"));
    stream.clear();
    appendSteppedStream(stream, 300, 100);
    channel.update(stream);
    QCOMPARE(channel.steps().size(), size_t(2));
    QCOMPARE(channel.steps()[0].parameters, QStringLiteral("kp=2"));
}

QTEST_GUILESS_MAIN(TestStepResponse)
#include "test_stepresponse.moc"
