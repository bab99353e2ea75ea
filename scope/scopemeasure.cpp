#include "scopemeasure.h"

#include "scopetrigger.h"

#include <algorithm>
#include <cmath>

namespace {

// Values summed plainly, in four lanes, before their block sum joins the
// compensated total: short enough to keep the plain sums' error small, long
// enough that the compensation costs nothing.
constexpr quint64 kSumBlock = 128;
constexpr int kLanes = 4;

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

struct BlockSums
{
    double sum;
    double squares;
};

// Sums and extremes of values[first, end); the extremes go into lows and
// highs (one per lane), which start with a value of the run.
BlockSums sumBlock(const double *values, quint64 first, quint64 end, double *lows,
                   double *highs)
{
    double sums[kLanes] = {};
    double squares[kLanes] = {};
    quint64 index = first;
    for (; index + kLanes <= end; index += kLanes) {
        for (int lane = 0; lane < kLanes; ++lane) {
            const double value = values[index + lane];
            sums[lane] += value;
            squares[lane] += value * value;
            lows[lane] = std::min(lows[lane], value);
            highs[lane] = std::max(highs[lane], value);
        }
    }
    for (; index < end; ++index) {
        const double value = values[index];
        sums[0] += value;
        squares[0] += value * value;
        lows[0] = std::min(lows[0], value);
        highs[0] = std::max(highs[0], value);
    }
    return {(sums[0] + sums[1]) + (sums[2] + sums[3]),
            (squares[0] + squares[1]) + (squares[2] + squares[3])};
}

} // namespace

ChannelStats channelStats(const double *values, quint64 count)
{
    ChannelStats stats;
    if (count == 0)
        return stats;
    double lows[kLanes];
    double highs[kLanes];
    std::fill(lows, lows + kLanes, values[0]);
    std::fill(highs, highs + kLanes, values[0]);
    CompensatedSum sum;
    CompensatedSum squares;
    for (quint64 first = 0; first < count; first += kSumBlock) {
        const BlockSums block =
            sumBlock(values, first, std::min(count, first + kSumBlock), lows, highs);
        sum.add(block.sum);
        squares.add(block.squares);
    }
    stats.count = count;
    stats.min = *std::min_element(lows, lows + kLanes);
    stats.max = *std::max_element(highs, highs + kLanes);
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
