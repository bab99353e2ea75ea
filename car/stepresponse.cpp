#include "stepresponse.h"

#include "samplestore.h"
#include "scopemeasure.h"

#include <algorithm>
#include <cmath>

namespace {

// Noise is measured on at most this many of the step's last samples.
constexpr quint64 kNoiseSamples = 2048;
// Noise below this share of the change is no noise: the response is used as
// it is.
constexpr double kNoiseFloor = 2e-4;
// The averaging is made wide enough to bring the noise down to this share
// of the change, but never wider than kMaxHalfWidth samples either side nor
// than an eighth of the step.
constexpr double kSmoothedNoise = 1e-3;
constexpr quint64 kMaxHalfWidth = 64;
// An overshoot within this many times the averaged noise is noise.
constexpr double kOvershootNoiseFactor = 4;
// A response that strays further than this many times the step's size from
// where it started has nothing to measure (and its sums would overflow).
constexpr double kMaxSwing = 1e9;
// The open step is measured again once it has grown by this share, and at
// every update while it is no longer than kAlwaysMeasured samples.
constexpr quint64 kGrowthShare = 16;
constexpr quint64 kAlwaysMeasured = 16384;
constexpr size_t kMaxParameterEntries = StepAnalyzer::kMaxSteps + 64;

// The response as a share of the change: 0 before the step, 1 at the final
// set-point, whatever the step's direction.
struct Normalized
{
    const double *response;
    double from;
    double scale;
    double operator()(quint64 i) const { return (response[i] - from) * scale; }
};

// The noise's standard deviation from the median of the second differences
// of the last samples, which a smooth response leaves near 0.
double noiseLevel(const Normalized &y, quint64 count)
{
    if (count < 8)
        return 0;
    const quint64 first = count - std::min(count, kNoiseSamples);
    std::vector<double> differences;
    differences.reserve(count - first);
    for (quint64 i = first + 1; i + 1 < count; ++i) {
        const double difference = std::abs(y(i + 1) - 2 * y(i) + y(i - 1));
        if (std::isfinite(difference)) // a change near the smallest double makes infinities
            differences.push_back(difference);
    }
    if (differences.empty())
        return 0;
    auto middle = differences.begin() + differences.size() / 2;
    std::nth_element(differences.begin(), middle, differences.end());
    // Median absolute value to standard deviation; a second difference has
    // six times the variance of one sample.
    return 1.4826 * *middle / std::sqrt(6.0);
}

// The normalized response averaged over `half` samples either side. Near
// the step, fewer on both sides, so that a response that leaves early is not
// seen leaving earlier still; near the end, where the response has come to
// rest, over the last 2 · half + 1 samples, so the last samples are as quiet
// as the others.
std::vector<double> smoothed(const Normalized &y, quint64 count, quint64 half)
{
    std::vector<double> prefix(count + 1, 0.0);
    for (quint64 i = 0; i < count; ++i)
        prefix[i + 1] = prefix[i] + y(i);
    const quint64 width = 2 * half + 1;
    std::vector<double> out(count);
    for (quint64 i = 0; i < count; ++i) {
        if (i < half) {
            out[i] = (prefix[2 * i + 1] - prefix[0]) / double(2 * i + 1);
        } else {
            const quint64 end = std::min(i + half + 1, count);
            out[i] = (prefix[end] - prefix[end - width]) / double(width);
        }
    }
    return out;
}

// Where the values first reach `level` (rising): the index of the first
// sample at or above it and the time placed between it and the one before.
struct Crossing
{
    quint64 index;
    double time;
};

template<typename Values>
std::optional<Crossing> firstCrossing(const Values &s, quint64 count, double level)
{
    for (quint64 i = 0; i < count; ++i) {
        if (s(i) < level)
            continue;
        if (i == 0)
            return Crossing{0, 0};
        const double before = s(i - 1);
        return Crossing{i, double(i - 1) + (level - before) / (s(i) - before)};
    }
    return std::nullopt;
}

// Wide enough to quiet the noise, but short against how fast the response
// moves: at most a quarter of the time it takes to come halfway (an average
// over a longer stretch would flatten its peaks), kMaxHalfWidth and an
// eighth of the step.
quint64 halfWidthFor(const Normalized &y, quint64 count, double noise)
{
    if (noise <= kNoiseFloor)
        return 0;
    const double width = std::min((noise / kSmoothedNoise) * (noise / kSmoothedNoise),
                                  double(2 * kMaxHalfWidth + 1));
    const auto half = quint64(std::ceil((width - 1) / 2));
    quint64 halfway = count;
    if (const auto crossing = firstCrossing(y, count, 0.5))
        halfway = crossing->index;
    return std::min({half, kMaxHalfWidth, count / 8, halfway / 4});
}

template<typename Values>
StepMetrics measureNormalized(const Values &s, quint64 count, double band, double overshootFloor)
{
    StepMetrics metrics;
    const auto low = firstCrossing(s, count, 0.1);
    if (low) {
        metrics.delay = double(low->index);
        if (const auto high = firstCrossing(s, count, 0.9))
            metrics.riseTime = high->time - low->time;
    }

    double peak = s(0);
    for (quint64 i = 1; i < count; ++i)
        peak = std::max(peak, s(i));
    if (peak - 1 > overshootFloor)
        metrics.overshootPercent = (peak - 1) * 100;

    // The last sample outside the band; the response enters it for good
    // between that one and the next.
    quint64 after = count;
    while (after > 0 && std::abs(s(after - 1) - 1) <= band)
        --after;
    if (after == 0) {
        metrics.settlingTime = 0;
    } else if (after < count) {
        const double outside = std::abs(s(after - 1) - 1);
        const double inside = std::abs(s(after) - 1);
        metrics.settlingTime = double(after - 1) + (outside - band) / (outside - inside);
    }
    metrics.settledAt = after;
    const quint64 tail = std::max<quint64>(1, count / 10);
    metrics.settled = after < count && count - after >= tail;
    if (!metrics.settled)
        metrics.settlingTime.reset();
    return metrics;
}

} // namespace

StepMetrics measureStep(const double *response, quint64 count, double from, double to, double band)
{
    const double change = to - from;
    if (count < 2 || change == 0 || !std::isfinite(change))
        return {};
    const Normalized y{response, from, 1 / change};
    const ChannelStats stats = channelStats(response, count);
    if (!(std::abs(y.scale * (stats.min - from)) <= kMaxSwing
          && std::abs(y.scale * (stats.max - from)) <= kMaxSwing))
        return {};
    const double noise = noiseLevel(y, count);
    const quint64 half = halfWidthFor(y, count, noise);
    const double averagedNoise = noise / std::sqrt(double(2 * half + 1));
    const double overshootFloor = noise <= kNoiseFloor ? 0 : kOvershootNoiseFactor * averagedNoise;

    StepMetrics metrics;
    if (half == 0) {
        metrics = measureNormalized(y, count, band, overshootFloor);
    } else {
        const std::vector<double> s = smoothed(y, count, half);
        metrics = measureNormalized([&s](quint64 i) { return s[i]; }, count, band, overshootFloor);
    }
    const quint64 tail = std::max<quint64>(1, count / 10);
    metrics.steadyStateError = channelStats(response + count - tail, tail).mean - to;
    return metrics;
}

StepAnalyzer::StepAnalyzer(const Settings &settings)
{
    setSettings(settings);
}

void StepAnalyzer::setSettings(const Settings &settings)
{
    m_settings = settings;
    m_settings.minSize = settings.minSize > 0 ? settings.minSize : 0; // NaN too
    if (!(settings.band > 0 && settings.band < 1))
        m_settings.band = kStepBand2;
    m_settings.setpointChannel = qBound(0, settings.setpointChannel, SampleStore::kChannels - 1);
    m_settings.responseChannel = qBound(0, settings.responseChannel, SampleStore::kChannels - 1);
    reset();
    m_seenEnd = 0; // every stored sample is looked at again with the new settings
}

void StepAnalyzer::reset()
{
    m_steps.clear();
    m_closedUnmeasured.clear();
    forgetSetpointHistory();
}

void StepAnalyzer::forgetSetpointHistory()
{
    m_haveLast = false;
    m_run = 0;
    m_pending.reset();
}

void StepAnalyzer::update(const SampleStore &store)
{
    if (store.endSequence() < m_seenEnd) {
        // Cleared: the numbering started over, nothing held refers to it;
        // the parameters last in force stay so from the start.
        reset();
        if (!m_parameters.empty()) {
            ParametersFrom last = m_parameters.back();
            last.at = 0;
            m_parameters = {last};
        }
        m_seenEnd = 0;
    }
    const quint64 firstNew = std::max(m_seenEnd, store.firstSequence());
    if (firstNew > m_seenEnd)
        forgetSetpointHistory(); // samples slid out unseen
    if (m_settings.source == Source::Channel)
        scanSetpoint(store, firstNew);
    m_seenEnd = store.endSequence();

    for (const quint64 start : m_closedUnmeasured) {
        const auto before = [](const Step &step, quint64 at) { return step.start < at; };
        const auto it = std::lower_bound(m_steps.begin(), m_steps.end(), start, before);
        if (it != m_steps.end() && it->start == start && !it->open)
            measure(store, *it, it->start + it->length);
    }
    m_closedUnmeasured.clear();

    if (!m_steps.empty() && m_steps.back().open) {
        Step &step = m_steps.back();
        // A jump waiting to hold most likely ends the step: what follows it
        // is not measured with it.
        const quint64 end = m_pending ? m_pending->at : store.endSequence();
        const quint64 length = end > step.start ? end - step.start : 0;
        const bool grown = length < m_measuredLength // cut short by a jump waiting to hold
                           || length - m_measuredLength >= m_measuredLength / kGrowthShare;
        if (length <= kAlwaysMeasured || grown) {
            measure(store, step, end);
            m_measuredLength = length;
        }
    }
}

void StepAnalyzer::scanSetpoint(const SampleStore &store, quint64 firstNew)
{
    const SampleRange range = store.positionsOf({firstNew, store.endSequence() - firstNew});
    const double *values = store.window(m_settings.setpointChannel);
    for (quint64 i = range.first; i < range.end(); ++i) {
        const double value = values[i];
        if (!m_haveLast) {
            m_haveLast = true;
            m_lastValue = value;
            m_run = 1;
            continue;
        }
        if (std::abs(value - m_lastValue) > m_settings.minSize) {
            m_pending.reset(); // the previous jump did not hold
            if (m_run >= kSteadySamples)
                m_pending = PendingJump{store.firstSequence() + i, m_lastValue, value};
            m_run = 1;
        } else {
            ++m_run;
        }
        m_lastValue = value;
        if (m_pending && m_run >= kSteadySamples) {
            openStep(m_pending->at, m_pending->from, m_pending->to);
            m_pending.reset();
        }
    }
}

void StepAnalyzer::openStep(quint64 at, double from, double to)
{
    if (!m_steps.empty() && m_steps.back().open) {
        Step &last = m_steps.back();
        if (at <= last.start) {
            m_steps.pop_back(); // replaced by a newer value at the same sample
        } else {
            last.open = false;
            last.length = at - last.start;
            m_closedUnmeasured.push_back(last.start);
        }
    }
    Step step;
    step.start = at;
    step.from = from;
    step.to = to;
    step.parameters = parametersAt(at);
    m_steps.push_back(step);
    m_measuredLength = 0;
    while (m_steps.size() > kMaxSteps)
        m_steps.pop_front();
}

void StepAnalyzer::measure(const SampleStore &store, Step &step, quint64 end)
{
    const quint64 length = end > step.start ? end - step.start : 0;
    if (step.open)
        step.length = length;
    const SampleRange range = store.positionsOf({step.start, length});
    // A step whose start slid out of the store keeps the figures it had.
    if (range.count < 2 || store.firstSequence() + range.first != step.start)
        return;
    step.metrics = measureStep(store.window(m_settings.responseChannel) + range.first, range.count,
                               step.from, step.to, m_settings.band);
}

void StepAnalyzer::addParameterStep(quint64 atSequence, double from, double to,
                                    const QString &parameters)
{
    setParameters(atSequence, parameters);
    if (m_settings.source == Source::Parameter)
        openStep(atSequence, from, to);
}

void StepAnalyzer::setParameters(quint64 atSequence, const QString &parameters)
{
    while (!m_parameters.empty() && m_parameters.back().at >= atSequence)
        m_parameters.pop_back();
    m_parameters.push_back({atSequence, parameters});
    while (m_parameters.size() > kMaxParameterEntries)
        m_parameters.pop_front();
}

QString StepAnalyzer::parametersAt(quint64 sequence) const
{
    for (auto it = m_parameters.rbegin(); it != m_parameters.rend(); ++it) {
        if (it->at <= sequence)
            return it->text;
    }
    return {};
}
