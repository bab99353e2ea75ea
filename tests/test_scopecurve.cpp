// The oscilloscope's curves: the per-pixel-column reduction of the store and
// the banded drawing of crowded columns.
#include "decimatedseries.h"
#include "samplestore.h"
#include "scopecurve.h"

#include <qwt_scale_map.h>

#include <QImage>
#include <QPainter>
#include <QRandomGenerator>
#include <QtTest>

#include <algorithm>
#include <climits>
#include <cmath>
#include <map>
#include <numeric>

namespace {

constexpr quint64 kFull = SampleStore::kDefaultCapacity;

// `y` drawn by `curve` in black, anti-aliased where the curve allows it, on
// a white canvas `width` pixels wide and 100 high, X spanning the samples.
QImage drawnCurve(QwtPlotCurve &curve, const QVector<double> &y, int width)
{
    QVector<double> x(y.size());
    std::iota(x.begin(), x.end(), 0.0);
    curve.setSamples(x, y);
    curve.setPen(QPen(Qt::black, 0));
    QImage image(width, 100, QImage::Format_RGB32);
    image.fill(Qt::white);
    QwtScaleMap xMap, yMap;
    xMap.setScaleInterval(0, y.size() - 1);
    xMap.setPaintInterval(0, width);
    yMap.setScaleInterval(0, 1000);
    yMap.setPaintInterval(99, 0);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing, true);
    curve.draw(&painter, xMap, yMap, QRectF(0, 0, width, 100));
    return image;
}

// The first and last row of every pixel column that is at least half black:
// a smoothed line's faint fringe does not count.
QVector<QPair<int, int>> paintedRows(const QImage &image)
{
    QVector<QPair<int, int>> rows(image.width(), {-1, -1});
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            if (qGray(image.pixel(x, y)) > 128)
                continue;
            if (rows[x].first < 0)
                rows[x].first = y;
            rows[x].second = y;
        }
    }
    return rows;
}

} // namespace

class TestScopeCurve : public QObject
{
    Q_OBJECT
private slots:
    void columnsKeepTrueMinAndMax_data();
    void columnsKeepTrueMinAndMax();
    void shortRangesAndHiddenChannels();
    void denseCurveFillsTheColumnsTheLineWouldFill_data();
    void denseCurveFillsTheColumnsTheLineWouldFill();
    void samplesFarOffTheScaleFillTheCanvasOnly();
};

void TestScopeCurve::columnsKeepTrueMinAndMax_data()
{
    QTest::addColumn<quint64>("samples");
    QTest::addColumn<double>("xMin");
    QTest::addColumn<double>("xMax");
    QTest::addColumn<int>("columns");
    QTest::newRow("whole history") << quint64(200000) << 0.0 << 200000.0 << 1000;
    QTest::newRow("middle") << quint64(200000) << 50000.0 << 140000.0 << 900;
    QTest::newRow("past the newest") << quint64(200000) << 150000.0 << 350000.0 << 800;
    QTest::newRow("after sliding") << quint64(kFull + 123457) << 1000000.0 << 1100000.0 << 500;
}

// For every pixel column the reduced curve must reach exactly the smallest
// and largest sample of that column.
void TestScopeCurve::columnsKeepTrueMinAndMax()
{
    QFETCH(quint64, samples);
    QFETCH(double, xMin);
    QFETCH(double, xMax);
    QFETCH(int, columns);
    SampleStore store;
    QRandomGenerator random(11);
    double values[SampleStore::kChannels] = {};
    for (quint64 s = 0; s < samples; ++s) {
        values[3] = random.generateDouble() * 1000 - 500;
        store.append(values, 4);
    }
    DecimatedSeries series(store, 3);
    series.setColumns(columns);
    series.setRectOfInterest(QRectF(QPointF(xMin, -500), QPointF(xMax, 500)));
    QVERIFY(series.size() <= size_t(columns) * 4 + 2);

    const double width = (xMax - xMin) / columns;
    const auto columnOf = [&](double x) { return std::min(int((x - xMin) / width), columns - 1); };
    std::map<int, std::pair<double, double>> drawn, truth;
    const auto widen = [](std::map<int, std::pair<double, double>> &map, int column, double y) {
        auto [it, fresh] = map.try_emplace(column, y, y);
        if (!fresh) {
            it->second.first = std::min(it->second.first, y);
            it->second.second = std::max(it->second.second, y);
        }
    };
    for (size_t i = 0; i < series.size(); ++i) {
        const QPointF point = series.sample(i);
        if (point.x() >= xMin && point.x() <= xMax)
            widen(drawn, columnOf(point.x()), point.y());
    }
    const double x0 = store.xValues()[0];
    for (quint64 i = 0; i < store.size(); ++i) {
        const double x = x0 + double(i);
        if (x >= xMin && x <= xMax)
            widen(truth, columnOf(x), store.window(3)[i]);
    }
    QCOMPARE(drawn.size(), truth.size());
    QVERIFY(drawn == truth);
}

void TestScopeCurve::denseCurveFillsTheColumnsTheLineWouldFill_data()
{
    QTest::addColumn<QString>("shape");
    QTest::addColumn<int>("samples");
    for (const char *shape : {"sawtooth", "noise", "sine", "flat"}) {
        QTest::addRow("%s, 100 per column", shape) << QString(shape) << 20000;
        QTest::addRow("%s, 1.5 per column", shape) << QString(shape) << 300;
        QTest::addRow("%s, sparse", shape) << QString(shape) << 50;
    }
}

// Where samples crowd the columns the curve paints, without anti-aliasing,
// the rows a smoothed line through every sample reaches (give or take the
// smoothing's fringe); where they are sparse it is that smoothed line.
void TestScopeCurve::denseCurveFillsTheColumnsTheLineWouldFill()
{
    QFETCH(QString, shape);
    QFETCH(int, samples);
    const int width = 200;
    QRandomGenerator random(5);
    QVector<double> y(samples);
    for (int s = 0; s < samples; ++s) {
        if (shape == QLatin1String("sawtooth"))
            y[s] = (s * 7) % 1000;
        else if (shape == QLatin1String("noise"))
            y[s] = random.bounded(1000.0);
        else if (shape == QLatin1String("sine"))
            y[s] = 500 + 400 * std::sin(s * 6.0 / samples);
        else
            y[s] = 333;
    }
    QwtPlotCurve smoothed;
    smoothed.setRenderHint(QwtPlotItem::RenderAntialiased, true);
    ScopeCurve scope;
    scope.setRenderHint(QwtPlotItem::RenderAntialiased, true);
    const QImage reference = drawnCurve(smoothed, y, width);
    const QImage drawn = drawnCurve(scope, y, width);

    if (samples < width) {
        QCOMPARE(drawn, reference);
        return;
    }
    // The smoothed line puts a point between two columns on both, half
    // black, so each picture may reach one column further than the other.
    const QVector<QPair<int, int>> line = paintedRows(reference);
    const QVector<QPair<int, int>> columns = paintedRows(drawn);
    const auto within = [width](const QVector<QPair<int, int>> &inner,
                                const QVector<QPair<int, int>> &outer, int x) {
        int top = INT_MAX, bottom = INT_MIN;
        for (int near = std::max(x - 1, 0); near <= std::min(x + 1, width - 1); ++near) {
            if (outer[near].first >= 0) {
                top = std::min(top, outer[near].first);
                bottom = std::max(bottom, outer[near].second);
            }
        }
        return inner[x].first < 0 || (inner[x].first >= top - 1 && inner[x].second <= bottom + 1);
    };
    for (int x = 0; x < width; ++x) {
        const auto [top, bottom] = columns[x];
        QVERIFY2(top >= 0, qPrintable(QStringLiteral("column %1 is empty").arg(x)));
        QVERIFY2(within(columns, line, x) && within(line, columns, x),
                 qPrintable(QStringLiteral("column %1: rows %2-%3, the line reaches %4-%5")
                                .arg(x)
                                .arg(top)
                                .arg(bottom)
                                .arg(line[x].first)
                                .arg(line[x].second)));
        for (int row = top; row <= bottom; ++row)
            QCOMPARE(drawn.pixel(x, row), qRgb(0, 0, 0));
    }
}

void TestScopeCurve::shortRangesAndHiddenChannels()
{
    SampleStore store;
    double values[SampleStore::kChannels] = {};
    for (int s = 0; s < 1000; ++s) {
        values[0] = s % 7;
        store.append(values, 1);
    }
    DecimatedSeries series(store, 0);
    series.setColumns(1000);
    series.setRectOfInterest(QRectF(QPointF(100, 0), QPointF(400, 10)));
    // Few samples per column: every sample is drawn, plus one either side.
    QCOMPARE(series.size(), size_t(303));
    QCOMPARE(series.sample(0), QPointF(99, 99 % 7));
    QCOMPARE(series.sample(302), QPointF(401, 401 % 7));

    series.setShown(false);
    QCOMPARE(series.size(), size_t(0));
    series.setShown(true);
    series.setRectOfInterest(QRectF(QPointF(0, 0), QPointF(999, 10)));
    QCOMPARE(series.size(), size_t(1000));
    QCOMPARE(series.boundingRect(), QRectF(QPointF(0, 0), QPointF(999, 6)));
}

// Samples millions of canvas heights away (a zoomed-in axis, values near
// the limits of a double) paint whole columns, not rows beyond any int.
void TestScopeCurve::samplesFarOffTheScaleFillTheCanvasOnly()
{
    QVector<double> y(20000);
    for (int s = 0; s < y.size(); ++s)
        y[s] = s % 2 ? 1.7e308 : -1.7e308;
    ScopeCurve scope;
    const QVector<QPair<int, int>> rows = paintedRows(drawnCurve(scope, y, 200));
    for (int x = 0; x < rows.size(); ++x)
        QCOMPARE(rows[x], qMakePair(0, 99));
}

QTEST_MAIN(TestScopeCurve)
#include "test_scopecurve.moc"
