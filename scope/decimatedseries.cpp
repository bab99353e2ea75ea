#include "decimatedseries.h"

#include "samplestore.h"

#include <algorithm>
#include <cmath>

namespace {
constexpr int kPrefetchColumns = 4;
constexpr quint64 kCacheLineDoubles = 64 / sizeof(double);
} // namespace

DecimatedSeries::DecimatedSeries(const SampleStore &store, int channel)
    : m_store(store)
    , m_channel(channel)
{
}

void DecimatedSeries::setColumns(int columns)
{
    columns = std::max(columns, 1);
    if (columns != m_columns) {
        m_columns = columns;
        m_stale = true;
    }
}

void DecimatedSeries::setShown(bool shown)
{
    if (shown != m_shown) {
        m_shown = shown;
        m_stale = true;
    }
}

void DecimatedSeries::setEndSequence(std::optional<quint64> end)
{
    if (end != m_endSequence) {
        m_endSequence = end;
        m_stale = true;
    }
}

void DecimatedSeries::setRectOfInterest(const QRectF &rect)
{
    if (rect.left() != m_xMin || rect.right() != m_xMax) {
        m_xMin = rect.left();
        m_xMax = rect.right();
        m_stale = true;
    }
}

size_t DecimatedSeries::size() const
{
    if (m_stale)
        rebuild();
    return size_t(m_points.size());
}

QPointF DecimatedSeries::sample(size_t index) const
{
    if (m_stale)
        rebuild();
    return m_points.at(int(index));
}

QRectF DecimatedSeries::boundingRect() const
{
    const quint64 n = m_store.size();
    if (!m_shown || n == 0)
        return QRectF(1, 1, -2, -2); // Qwt's "no bounds"
    double min, max;
    m_store.minMax(m_channel, 0, n - 1, min, max);
    const double *x = m_store.xValues();
    return QRectF(QPointF(x[0], min), QPointF(x[n - 1], max));
}

void DecimatedSeries::addPoint(quint64 position) const
{
    // X is the first X plus the position (see rebuild()); reading it from
    // the store would cost a cache miss per point on a long history.
    m_points.append(QPointF(m_store.xValues()[0] + double(position),
                            m_store.window(m_channel)[position]));
}

void DecimatedSeries::prefetchAround(quint64 position) const
{
    // A column's extremes come from the store's summary except near its two
    // ends, where samples are read: on a long history those reads are cache
    // misses, issued here ahead of need so they overlap.
    const double *y = m_store.window(m_channel);
    const quint64 n = m_store.size();
    const quint64 from = position > SampleStore::kSummaryBlock ? position - SampleStore::kSummaryBlock : 0;
    const quint64 to = std::min(position + SampleStore::kSummaryBlock, n);
    for (quint64 i = from; i < to; i += kCacheLineDoubles)
        __builtin_prefetch(y + i);
}

void DecimatedSeries::rebuild() const
{
    m_stale = false;
    m_points.clear();
    quint64 n = m_store.size();
    if (m_endSequence) {
        const quint64 first = m_store.firstSequence();
        n = *m_endSequence > first ? std::min(n, *m_endSequence - first) : 0;
    }
    if (!m_shown || n == 0 || !(m_xMax >= m_xMin))
        return;

    // X values are consecutive whole numbers, so a position is its X less
    // the first X.
    const double x0 = m_store.xValues()[0];
    const auto positionAt = [&](double x) {
        return std::clamp(std::ceil(x - x0), 0.0, double(n));
    };
    const quint64 visibleStart = quint64(positionAt(m_xMin));
    const quint64 visibleEnd = std::min(quint64(positionAt(m_xMax)) + 1, n);
    // One sample either side of the visible range, so lines leave the
    // canvas edges where they should.
    const quint64 first = visibleStart > 0 ? visibleStart - 1 : 0;
    const quint64 end = std::min(visibleEnd + 1, n);
    if (first >= end)
        return;

    if (end - first <= quint64(m_columns) * 2) {
        for (quint64 position = first; position < end; ++position)
            addPoint(position);
        return;
    }

    if (first < visibleStart)
        addPoint(first);
    const double width = (m_xMax - m_xMin) / m_columns;
    quint64 columnStart = visibleStart;
    for (int column = 1; column <= m_columns && columnStart < visibleEnd; ++column) {
        const quint64 columnEnd =
            column == m_columns
                ? visibleEnd
                : std::clamp(quint64(positionAt(m_xMin + column * width)), columnStart, visibleEnd);
        if (columnEnd == columnStart)
            continue;
        prefetchAround(quint64(positionAt(m_xMin + (column + kPrefetchColumns) * width)));
        const quint64 last = columnEnd - 1;
        addPoint(columnStart);
        if (last > columnStart) {
            double min, max;
            m_store.minMax(m_channel, columnStart, last, min, max);
            // Of the two orders the one with the shorter path: the column
            // looks the same, with fewer pixels to paint.
            const double *y = m_store.window(m_channel);
            const double viaMinFirst = std::abs(y[columnStart] - min) + std::abs(max - y[last]);
            const double viaMaxFirst = std::abs(y[columnStart] - max) + std::abs(min - y[last]);
            if (viaMaxFirst < viaMinFirst)
                std::swap(min, max);
            // A point equal to the one before adds nothing to the picture
            // (common where a column's first sample is also its extreme).
            const double x = x0 + double(columnStart);
            if (min != y[columnStart])
                m_points.append(QPointF(x, min));
            m_points.append(QPointF(x, max));
            addPoint(last);
        }
        columnStart = columnEnd;
    }
    if (visibleEnd < end)
        addPoint(visibleEnd);
}
