#include "scopecurve.h"

#include <qwt_scale_map.h>

#include <QPainter>
#include <QRect>
#include <QVector>

#include <algorithm>
#include <cmath>
#include <limits>
#include <vector>

namespace {

// The rows one pixel column covers, top to bottom; empty when top > bottom.
struct RowSpan
{
    int top = 0;
    int bottom = -1;

    bool isEmpty() const { return top > bottom; }
    int height() const { return bottom - top + 1; }
};

// Rectangles that fill exactly the rows of consecutive columns, starting at
// column `first`. Painted row by row, a rectangle one pixel wide touches a
// new cache line for every pixel, so neighbouring columns share one wide
// band over the rows they all cover (at least half the rows of the tallest
// of them); what sticks out above and below the band is covered the same
// way, at most half as tall again.
void coverRows(const std::vector<RowSpan> &spans, int first, QVector<QRect> &rectangles)
{
    const int count = int(spans.size());
    std::vector<RowSpan> above, below;
    for (int start = 0; start < count;) {
        if (spans[start].isEmpty()) {
            ++start;
            continue;
        }
        RowSpan band = spans[start];
        int tallest = band.height();
        int end = start + 1;
        for (; end < count && !spans[end].isEmpty(); ++end) {
            const RowSpan shared{std::max(band.top, spans[end].top),
                                 std::min(band.bottom, spans[end].bottom)};
            const int tallestWith = std::max(tallest, spans[end].height());
            if (shared.height() * 2 < tallestWith)
                break;
            band = shared;
            tallest = tallestWith;
        }
        rectangles.append(QRect(first + start, band.top, end - start, band.height()));
        if (tallest > band.height()) {
            above.clear();
            below.clear();
            for (int i = start; i < end; ++i) {
                above.push_back({spans[i].top, band.top - 1});
                below.push_back({band.bottom + 1, spans[i].bottom});
            }
            coverRows(above, first + start, rectangles);
            coverRows(below, first + start, rectangles);
        }
        start = end;
    }
}

// The vertical extent a polyline covers in every pixel column of a range.
// Pixel column c holds the X from c to c + 1, and row r the Y from r to
// r + 1, as aliased painting has them.
class ColumnSpans
{
public:
    ColumnSpans(int firstColumn, int lastColumn)
        : m_first(firstColumn)
        , m_top(size_t(lastColumn - firstColumn + 1), std::numeric_limits<double>::infinity())
        , m_bottom(m_top.size(), -std::numeric_limits<double>::infinity())
    {
    }

    void addSegment(QPointF a, QPointF b)
    {
        if (b.x() < a.x())
            std::swap(a, b);
        const int lastColumn = m_first + int(m_top.size()) - 1;
        const int first = std::max(int(std::floor(a.x())), m_first);
        const int last = std::min(int(std::floor(b.x())), lastColumn);
        const double slope = b.x() > a.x() ? (b.y() - a.y()) / (b.x() - a.x()) : 0;
        for (int column = first; column <= last; ++column) {
            // The part of the segment inside this column.
            const double xa = std::max(a.x(), double(column));
            const double xb = std::min(b.x(), double(column + 1));
            const double ya = a.y() + (xa - a.x()) * slope;
            const double yb = a.y() + (xb - a.x()) * slope;
            const size_t i = size_t(column - m_first);
            m_top[i] = std::min({m_top[i], ya, yb});
            m_bottom[i] = std::max({m_bottom[i], ya, yb});
        }
    }

    // Rows beyond firstRow..lastRow are cut off: what lies there is not
    // painted, and a sample far off the scale maps far beyond any int.
    QVector<QRect> rectangles(int firstRow, int lastRow) const
    {
        const auto row = [&](double y) {
            return int(std::clamp(std::floor(y), double(firstRow - 1), double(lastRow + 1)));
        };
        std::vector<RowSpan> rows(m_top.size());
        for (size_t i = 0; i < rows.size(); ++i) {
            if (m_top[i] <= m_bottom[i])
                rows[i] = {row(m_top[i]), row(m_bottom[i])};
        }
        QVector<QRect> rectangles;
        coverRows(rows, m_first, rectangles);
        return rectangles;
    }

private:
    int m_first;
    std::vector<double> m_top;
    std::vector<double> m_bottom;
};

} // namespace

void ScopeCurve::drawLines(QPainter *painter, const QwtScaleMap &xMap, const QwtScaleMap &yMap,
                           const QRectF &canvasRect, int from, int to) const
{
    const double samplesPerColumn = xMap.pDist() != 0 ? std::abs(xMap.sDist() / xMap.pDist()) : 0;
    if (samplesPerColumn > 1 && to > from)
        drawColumns(painter, xMap, yMap, canvasRect, from, to);
    else
        QwtPlotCurve::drawLines(painter, xMap, yMap, canvasRect, from, to);
}

void ScopeCurve::drawColumns(QPainter *painter, const QwtScaleMap &xMap, const QwtScaleMap &yMap,
                             const QRectF &canvasRect, int from, int to) const
{
    ColumnSpans spans(int(std::floor(canvasRect.left())), int(std::ceil(canvasRect.right())));
    const QwtSeriesData<QPointF> &series = *data();
    // Far enough off the canvas that the lines across it keep their course,
    // near enough that no slope becomes infinite.
    const double farAbove = canvasRect.top() - 1e6;
    const double farBelow = canvasRect.bottom() + 1e6;
    const auto mapped = [&](int index) {
        const QPointF point = series.sample(size_t(index));
        return QPointF(xMap.transform(point.x()),
                       std::clamp(yMap.transform(point.y()), farAbove, farBelow));
    };
    QPointF previous = mapped(from);
    for (int index = from + 1; index <= to; ++index) {
        const QPointF point = mapped(index);
        spans.addSegment(previous, point);
        previous = point;
    }
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing, false);
    painter->setBrush(painter->pen().color());
    painter->setPen(Qt::NoPen);
    painter->drawRects(
        spans.rectangles(int(std::floor(canvasRect.top())), int(std::ceil(canvasRect.bottom()))));
    painter->restore();
}
