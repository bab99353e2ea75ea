#include "scopemeasure.h"

#include "doublelanes.h"
#include "scopetrigger.h"

#include <algorithm>
#include <cmath>

namespace {

// Values summed plainly, in eight lanes, before their block sum joins the
// compensated total: short enough to keep the plain sums' error small, long
// enough that the compensation costs nothing.
constexpr quint64 kSumBlock = 128;
constexpr int kPairs = 4;

// Neumaier's compensated sum.
struct CompensatedSum
{
    double sum = 0;
    double compensation = 0;

    void add(double value)
    {
        const double total = sum + value;
        if (std::abs(sum) >= std::abs(value))
            compensation += (sum - total) + value;
        else
            compensation += (value - total) + sum;
        sum = total;
    }
    double value() const { return sum + compensation; }
};

// The running extremes and a block's plain sums, kPairs pairs of lanes of
// each.
struct Lanes
{
    DoublePair sums[kPairs];
    DoublePair squares[kPairs];
    DoublePair lows[kPairs];
    DoublePair highs[kPairs];

    explicit Lanes(double first)
    {
        for (int k = 0; k < kPairs; ++k) {
            lows[k] = highs[k] = DoublePair{first, first};
            sums[k] = squares[k] = DoublePair{0, 0};
        }
    }

    void add(const double *values)
    {
        for (int k = 0; k < kPairs; ++k) {
            const DoublePair pair = loadPair(values + 2 * k);
            sums[k] += pair;
            squares[k] += pair * pair;
            lows[k] = pair < lows[k] ? pair : lows[k];
            highs[k] = pair > highs[k] ? pair : highs[k];
        }
    }

    // The block's sums, adding up all lanes; the lanes start over.
    void takeSums(double &sum, double &sumOfSquares)
    {
        sum = sumOfSquares = 0;
        for (int k = 0; k < kPairs; ++k) {
            sum += sums[k][0] + sums[k][1];
            sumOfSquares += squares[k][0] + squares[k][1];
            sums[k] = squares[k] = DoublePair{0, 0};
        }
    }

    void extremes(double &min, double &max) const
    {
        for (int k = 0; k < kPairs; ++k) {
            min = std::min({min, lows[k][0], lows[k][1]});
            max = std::max({max, highs[k][0], highs[k][1]});
        }
    }
};

} // namespace

ChannelStats channelStats(const double *values, quint64 count)
{
    ChannelStats stats;
    if (count == 0)
        return stats;
    constexpr quint64 kStep = 2 * kPairs;
    Lanes lanes(values[0]);
    CompensatedSum sum;
    CompensatedSum squares;
    double blockSum = 0;
    double blockSquares = 0;
    const quint64 whole = count - count % kStep;
    for (quint64 first = 0; first < whole; first += kSumBlock) {
        const quint64 end = std::min(whole, first + kSumBlock);
        for (quint64 index = first; index < end; index += kStep)
            lanes.add(values + index);
        lanes.takeSums(blockSum, blockSquares);
        sum.add(blockSum);
        squares.add(blockSquares);
    }
    stats.min = stats.max = values[0];
    lanes.extremes(stats.min, stats.max);
    for (quint64 index = whole; index < count; ++index) {
        const double value = values[index];
        sum.add(value);
        squares.add(value * value);
        stats.min = std::min(stats.min, value);
        stats.max = std::max(stats.max, value);
    }
    stats.count = count;
    stats.mean = sum.value() / double(count);
    stats.rms = std::sqrt(std::max(0.0, squares.value()) / double(count));
    stats.peakToPeak = stats.max - stats.min;
    return stats;
}

std::optional<double> crossingFrequency(const double *values, quint64 count, double level,
                                        double hysteresis)
{
    EdgeFinder rising(TriggerEdge::Rising, level, hysteresis);
    quint64 crossings = 0;
    double firstAt = 0;
    double lastAt = 0;
    for (quint64 from = 0; from < count;) {
        const std::optional<quint64> hit = rising.find(values + from, count - from);
        if (!hit)
            break;
        // An armed finder has seen a sample below the level before this
        // one, so index ≥ 1 and the two values differ.
        const quint64 index = from + *hit;
        const double before = values[index - 1];
        const double at = values[index];
        const double position = double(index) - (at - level) / (at - before);
        if (crossings++ == 0)
            firstAt = position;
        lastAt = position;
        from = index + 1;
    }
    if (crossings < 2)
        return std::nullopt;
    return double(crossings - 1) / (lastAt - firstAt);
}

ChannelMeasurement measureChannel(const double *values, quint64 count)
{
    ChannelMeasurement measurement;
    measurement.stats = channelStats(values, count);
    measurement.cyclesPerSample =
        crossingFrequency(values, count, measurement.stats.mean,
                          measurement.stats.peakToPeak * kCrossingHysteresisShare);
    return measurement;
}

quint64 nearestSample(const double *xValues, quint64 count, double x)
{
    if (count == 0 || !(x > xValues[0]))
        return 0;
    if (x >= xValues[count - 1])
        return count - 1;
    // xValues[0] < x < xValues[count - 1]: the first not below x is inside.
    const quint64 after = quint64(std::lower_bound(xValues, xValues + count, x) - xValues);
    return x - xValues[after - 1] <= xValues[after] - x ? after - 1 : after;
}

void SampleRateMeter::samplesArrived(quint64 count, qint64 nowMs)
{
    if (count == 0)
        return;
    if (m_seen && nowMs < m_latest.ms)
        reset();
    m_latest.ms = nowMs;
    m_latest.total = (m_seen ? m_latest.total : 0) + count;
    m_seen = true;

    auto at = [this](int offset) -> Arrival & { return m_ring[(m_first + offset) % kCapacity]; };
    if (m_count == 0 || nowMs - at(m_count - 1).ms >= kStepMs) {
        if (m_count == kCapacity) {
            m_first = (m_first + 1) % kCapacity;
            --m_count;
        }
        at(m_count++) = m_latest;
    }
    while (m_count > 1 && nowMs - at(0).ms > kWindowMs) {
        m_first = (m_first + 1) % kCapacity;
        --m_count;
    }
}

std::optional<double> SampleRateMeter::rate() const
{
    if (m_count == 0)
        return std::nullopt;
    const Arrival &oldest = m_ring[m_first];
    const qint64 span = m_latest.ms - oldest.ms;
    if (span < kMinSpanMs || span > kWindowMs)
        return std::nullopt;
    return double(m_latest.total - oldest.total) * 1000.0 / double(span);
}

void SampleRateMeter::reset()
{
    m_first = 0;
    m_count = 0;
    m_latest = {};
    m_seen = false;
}
