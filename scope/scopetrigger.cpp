#include "scopetrigger.h"

#include "doublelanes.h"

#include <algorithm>
#include <cmath>
#include <limits>

EdgeFinder::EdgeFinder(TriggerEdge edge, double level, double hysteresis)
    : m_edge(edge)
    , m_level(level)
    , m_hysteresis(hysteresis > 0 ? hysteresis : 0.0)
{
    // "At or below level − hysteresis, and below the level" as one strict
    // comparison, and its mirror image.
    constexpr double kInfinity = std::numeric_limits<double>::infinity();
    m_riseArmsBelow = std::min(std::nextafter(level - m_hysteresis, kInfinity), level);
    m_fallArmsAbove = std::max(std::nextafter(level + m_hysteresis, -kInfinity), level);
}

void EdgeFinder::reset()
{
    m_risingArmed = false;
    m_fallingArmed = false;
}

std::optional<quint64> EdgeFinder::find(const double *values, quint64 count)
{
    switch (m_edge) {
    case TriggerEdge::Rising:
        return findRising(values, count);
    case TriggerEdge::Falling:
        return findFalling(values, count);
    case TriggerEdge::Both:
        break;
    }
    return findEither(values, count);
}

// One search per state: for the arming sample, then for the one that
// fires.
std::optional<quint64> EdgeFinder::findRising(const double *values, quint64 count)
{
    const double arm = m_riseArmsBelow;
    const double level = m_level;
    for (quint64 index = 0; index < count;) {
        if (!m_risingArmed) {
            index = findFirst(values, index, count, [arm](auto value) { return value < arm; });
            if (index == count)
                break;
            m_risingArmed = true;
        }
        index = findFirst(values, index, count, [level](auto value) { return value >= level; });
        if (index < count) {
            m_risingArmed = false;
            return index;
        }
    }
    return std::nullopt;
}

std::optional<quint64> EdgeFinder::findFalling(const double *values, quint64 count)
{
    const double arm = m_fallArmsAbove;
    const double level = m_level;
    for (quint64 index = 0; index < count;) {
        if (!m_fallingArmed) {
            index = findFirst(values, index, count, [arm](auto value) { return value > arm; });
            if (index == count)
                break;
            m_fallingArmed = true;
        }
        index = findFirst(values, index, count, [level](auto value) { return value <= level; });
        if (index < count) {
            m_fallingArmed = false;
            return index;
        }
    }
    return std::nullopt;
}

// Each edge armed on its own: the sample that fires one edge arms the other
// when it lies past the band, as a square wave's first high sample does.
std::optional<quint64> EdgeFinder::findEither(const double *values, quint64 count)
{
    for (quint64 index = 0; index < count; ++index) {
        const double value = values[index];
        if (m_risingArmed && value >= m_level) {
            m_risingArmed = false;
            m_fallingArmed = m_fallingArmed || value > m_fallArmsAbove;
            return index;
        }
        if (m_fallingArmed && value <= m_level) {
            m_fallingArmed = false;
            m_risingArmed = m_risingArmed || value < m_riseArmsBelow;
            return index;
        }
        if (value < m_riseArmsBelow)
            m_risingArmed = true;
        else if (value > m_fallArmsAbove)
            m_fallingArmed = true;
    }
    return std::nullopt;
}

quint64 preTriggerSamples(quint64 windowSamples, int percent)
{
    const quint64 share = quint64(std::clamp(percent, 0, 100));
    // Split so that a window of any size does not overflow.
    return windowSamples / 100 * share + windowSamples % 100 * share / 100;
}

SampleRange windowAroundTrigger(quint64 trigger, quint64 windowSamples, int percent)
{
    const quint64 before = std::min(preTriggerSamples(windowSamples, percent), trigger);
    return {trigger - before, windowSamples};
}
