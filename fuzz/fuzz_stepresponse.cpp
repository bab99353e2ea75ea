// Step responses of samples a car sent: the analyzer finds the same steps,
// with the same figures, however the stream is split, keeps steps in order
// and within their bounds, and a store too small for the stream (that slides
// past samples between updates) never makes it break its bounds.
//
// Input: a byte of settings (minimum size, band, channels), a byte seeding
// the piece sizes, then pairs of little-endian doubles (set-point, response).
#include "fuzzcheck.h"
#include "samplestore.h"
#include "stepresponse.h"

#include <cmath>
#include <cstdint>
#include <cstring>
#include <vector>

namespace {

constexpr size_t kMaxSamples = 4096;

void checkSteps(const StepAnalyzer &analyzer, quint64 storeEnd)
{
    const auto &steps = analyzer.steps();
    check(steps.size() <= StepAnalyzer::kMaxSteps, "steps are bounded");
    for (size_t i = 0; i < steps.size(); ++i) {
        const Step &step = steps[i];
        const StepMetrics &m = step.metrics;
        check(step.open == (i + 1 == steps.size()), "only the newest step is open");
        check(step.start + step.length <= storeEnd, "a step lies in what was stored");
        if (i + 1 < steps.size())
            check(step.start + step.length == steps[i + 1].start,
                  "a step ends where the next begins");
        check(m.overshootPercent >= 0, "overshoot is never negative");
        check(!m.delay || *m.delay >= 0, "delay is never negative");
        check(!m.riseTime || *m.riseTime >= 0, "rise time is never negative");
        check(m.settledAt <= step.length, "settled within the step");
        check(m.settled == m.settlingTime.has_value(), "a settling time exactly when settled");
    }
}

std::vector<uint64_t> fingerprint(const StepAnalyzer &analyzer)
{
    std::vector<uint64_t> bits;
    const auto add = [&bits](double value) {
        uint64_t word;
        std::memcpy(&word, &value, sizeof word);
        bits.push_back(word);
    };
    for (const Step &step : analyzer.steps()) {
        const StepMetrics &m = step.metrics;
        bits.push_back(step.start);
        bits.push_back(step.length);
        add(step.from);
        add(step.to);
        add(m.delay.value_or(-1));
        add(m.riseTime.value_or(-1));
        add(m.settlingTime.value_or(-1));
        add(m.overshootPercent);
        add(m.steadyStateError);
        bits.push_back(m.settledAt);
    }
    return bits;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 2)
        return 0;
    StepSettings settings;
    settings.minSize = data[0] & 3 ? std::ldexp(1.0, (data[0] & 3) * 4 - 8) : 0;
    settings.band = data[0] & 4 ? kStepBand5 : kStepBand2;
    settings.setpointChannel = (data[0] >> 3) & 1;
    settings.responseChannel = (data[0] >> 4) & 1;
    uint32_t seed = data[1] | 1u;
    const size_t samples = std::min((size - 2) / 16, kMaxSamples);
    if (samples == 0)
        return 0;
    std::vector<double> values(samples * 2);
    std::memcpy(values.data(), data + 2, samples * 16);

    SampleStore whole(kMaxSamples), growing(kMaxSamples), small(64);
    StepAnalyzer atOnce(settings), inPieces(settings), sliding(settings);
    for (size_t done = 0; done < samples;) {
        seed = seed * 1664525u + 1013904223u;
        const size_t piece = std::min<size_t>(1 + (seed >> 24) % 200, samples - done);
        for (size_t i = done; i < done + piece; ++i) {
            whole.append(&values[2 * i], 2);
            growing.append(&values[2 * i], 2);
            small.append(&values[2 * i], 2);
        }
        done += piece;
        inPieces.update(growing);
        sliding.update(small);
        checkSteps(sliding, small.endSequence());
    }
    atOnce.update(whole);
    checkSteps(atOnce, whole.endSequence());
    check(fingerprint(atOnce) == fingerprint(inPieces), "the same steps in pieces as at once");

    const double to = samples > 1 ? values[2] : values[0];
    const StepMetrics m = measureStep(whole.window(1), whole.size(), values[0], to, settings.band);
    check(m.overshootPercent >= 0 && m.settledAt <= whole.size(), "figures within their bounds");
    return 0;
}
