// The drawing of a linear CCD line, its statistics and the track record,
// without widgets.
#include "ccddrawing.h"
#include "ccdlines.h"

#include <QtTest>

namespace {

const QRgb kGreyCurve = 0xFF0000FF;
const QRgb kDifferenceCurve = 0xFFFF007F;

struct AnalysedLine
{
    Line values;
    Line differences;
    CcdStatistics statistics;
};

AnalysedLine analysed(const Line &values)
{
    AnalysedLine line{values, Line(values.size()), {}};
    line.statistics = analyseCcdLine(line.values.data(), int(values.size()), line.differences.data());
    return line;
}

// Rows where column x carries the given colour.
QList<int> rowsOf(const QImage &picture, int x, QRgb colour)
{
    QList<int> rows;
    for (int y = 0; y < picture.height(); ++y)
        if (picture.pixel(x, y) == colour)
            rows << y;
    return rows;
}

} // namespace

class TestCcd : public QObject
{
    Q_OBJECT

private slots:
    void statisticsAndDifferences_data();
    void statisticsAndDifferences();
    void thresholdFollowsTheLargestDifference();
    void brightLineClampsEveryCurveBelowTheTopRow();
    void stripesShowEachColumnsSourcePixel();
    void tinyPicturesStayInside();
    void trackRecordScrollsAndDropsTheOldestRow();
};

void TestCcd::statisticsAndDifferences_data()
{
    QTest::addColumn<QByteArray>("line");
    QTest::addColumn<int>("maximum");
    QTest::addColumn<int>("minimum");
    QTest::addColumn<int>("average");
    QTest::addColumn<int>("maxDifference");
    QTest::addColumn<QByteArray>("differences");

    QTest::newRow("flat white") << QByteArray(128, char(255)) << 255 << 255 << 255 << 0
                                << QByteArray(128, 0);
    // A rising edge of 200 counts fully, not wrapped around a signed byte.
    QTest::newRow("rising edge 0 to 200") << bytes(edgeLine(4, 0, 200)) << 200 << 0 << 100 << 200
                                          << QByteArray::fromHex("00c80000");
    QTest::newRow("falling edge 255 to 0") << QByteArray::fromHex("ffff0000") << 255 << 0 << 127
                                           << 255 << QByteArray::fromHex("00ff0000");
    QTest::newRow("average truncates") << QByteArray::fromHex("010203") << 3 << 1 << 2 << 1
                                       << QByteArray::fromHex("010100");
    QTest::newRow("one pixel") << QByteArray::fromHex("7f") << 127 << 127 << 127 << 0
                               << QByteArray::fromHex("00");
}

void TestCcd::statisticsAndDifferences()
{
    QFETCH(QByteArray, line);
    QFETCH(QByteArray, differences);
    const AnalysedLine result = analysed(Line(line.begin(), line.end()));
    QTEST(result.statistics.maximum, "maximum");
    QTEST(result.statistics.minimum, "minimum");
    QTEST(result.statistics.average, "average");
    QTEST(result.statistics.maxDifference, "maxDifference");
    QCOMPARE(bytes(result.differences), differences);
}

void TestCcd::thresholdFollowsTheLargestDifference()
{
    using Basis = CcdThresholdBasis;
    const CcdThreshold pulledDown = resolveCcdThreshold(Basis::Difference, 128, 50);
    QCOMPARE(pulledDown.value, 40);
    QCOMPARE(pulledDown.sliderMaximum, 50);

    const CcdThreshold inRange = resolveCcdThreshold(Basis::Difference, 30, 50);
    QCOMPARE(inRange.value, 30);
    QCOMPARE(inRange.sliderMaximum, 50);

    const CcdThreshold flatLine = resolveCcdThreshold(Basis::Difference, 128, 0);
    QCOMPARE(flatLine.value, 0);
    QCOMPARE(flatLine.sliderMaximum, 0);

    const CcdThreshold grey = resolveCcdThreshold(Basis::GreyLevel, 200, 50);
    QCOMPARE(grey.value, 200);
    QCOMPARE(grey.sliderMaximum, 255);
}

void TestCcd::brightLineClampsEveryCurveBelowTheTopRow()
{
    const AnalysedLine line = analysed(Line(128, 255));
    const QSize size(200, 100);
    QImage picture;
    drawCcdPicture(picture, size, line.values.data(), line.differences.data(), 128,
                   line.statistics, CcdThresholdBasis::GreyLevel, 128);
    QCOMPARE(picture.size(), size);

    // 100 − 100·128/255 = 50
    QCOMPARE(thresholdRows(picture), QList<int>{50});
    // The difference dot covers the grey one in every column but the last,
    // which has no difference dot.
    for (int x = 0; x < size.width() - 1; ++x) {
        QCOMPARE(rowsOf(picture, x, kDifferenceCurve), QList<int>{1});
        QCOMPARE(rowsOf(picture, x, kGreyCurve), QList<int>{});
    }
    QCOMPARE(rowsOf(picture, size.width() - 1, kGreyCurve), QList<int>{1});
    QCOMPARE(rowsOf(picture, size.width() - 1, kDifferenceCurve), QList<int>{});
    QCOMPARE(picture.pixel(0, 0), qRgb(255, 255, 255));

    // Against a flat line's differences the threshold sits on the top row too.
    drawCcdPicture(picture, size, line.values.data(), line.differences.data(), 128,
                   line.statistics, CcdThresholdBasis::Difference, 0);
    QCOMPARE(thresholdRows(picture), QList<int>{1});
}

void TestCcd::stripesShowEachColumnsSourcePixel()
{
    const AnalysedLine line = analysed({0, 85, 170, 255});
    QImage picture;
    drawCcdPicture(picture, QSize(8, 10), line.values.data(), line.differences.data(), 4,
                   line.statistics, CcdThresholdBasis::GreyLevel, 0);

    // The bottom row is below every clamped curve: only stripes there.
    const QList<int> stripeGreys{0, 0, 85, 85, 170, 170, 255, 255};
    for (int x = 0; x < 8; ++x)
        QCOMPARE(picture.pixel(x, 9), qRgb(stripeGreys[x], stripeGreys[x], stripeGreys[x]));
    QCOMPARE(thresholdRows(picture), QList<int>{8});
    QCOMPARE(rowsOf(picture, 2, kGreyCurve), QList<int>{7}); // 10 − 10·85/255
    QCOMPARE(rowsOf(picture, 0, kDifferenceCurve), QList<int>{1}); // the largest difference
    QCOMPARE(rowsOf(picture, 6, kDifferenceCurve), QList<int>{}); // 0 lands on the threshold row
    QCOMPARE(rowsOf(picture, 7, kDifferenceCurve), QList<int>{});
}

void TestCcd::tinyPicturesStayInside()
{
    const AnalysedLine line = analysed(edgeLine(16, 0, 255));
    QImage picture;
    for (const QSize size : {QSize(1, 1), QSize(3, 1), QSize(5, 2), QSize(2, 3)}) {
        drawCcdPicture(picture, size, line.values.data(), line.differences.data(), 16,
                       line.statistics, CcdThresholdBasis::Difference, 255);
        QCOMPARE(picture.size(), size);
        QCOMPARE(thresholdRows(picture).size(), 1);
    }
    drawCcdPicture(picture, QSize(0, 10), line.values.data(), line.differences.data(), 16,
                   line.statistics, CcdThresholdBasis::Difference, 255);
    QVERIFY(picture.isNull());
}

void TestCcd::trackRecordScrollsAndDropsTheOldestRow()
{
    CcdTrackRecord record;
    record.reset(4, QSize(8, 3));
    QVERIFY(record.picture().isNull());

    const Line ramp{0, 100, 200, 250};
    record.append(ramp.data());
    QImage picture = record.picture();
    QCOMPARE(picture.size(), QSize(8, 1));
    const QList<int> scaled{0, 0, 100, 100, 200, 200, 250, 250};
    for (int x = 0; x < 8; ++x)
        QCOMPARE(qGray(picture.pixel(x, 0)), scaled[x]);

    for (int grey : {10, 20, 30, 40, 50}) {
        const Line flat(4, uchar(grey));
        record.append(flat.data());
        QVERIFY(record.rowCount() <= 3);
    }
    picture = record.picture();
    QCOMPARE(picture.size(), QSize(8, 3));
    QCOMPARE(qGray(picture.pixel(7, 0)), 30);
    QCOMPARE(qGray(picture.pixel(0, 1)), 40);
    QCOMPARE(qGray(picture.pixel(3, 2)), 50);

    // A new size keeps the newest rows that fit, in order, rescaled.
    record.setPictureSize(QSize(4, 2));
    picture = record.picture();
    QCOMPARE(picture.size(), QSize(4, 2));
    QCOMPARE(qGray(picture.pixel(0, 0)), 40);
    QCOMPARE(qGray(picture.pixel(3, 1)), 50);
    record.setPictureSize(QSize(6, 5));
    const Line flat(4, uchar(60));
    record.append(flat.data());
    picture = record.picture();
    QCOMPARE(picture.size(), QSize(6, 3));
    QCOMPARE(qGray(picture.pixel(5, 0)), 40);
    QCOMPARE(qGray(picture.pixel(5, 2)), 60);

    record.clear();
    QCOMPARE(record.rowCount(), 0);
    QVERIFY(record.picture().isNull());
}

QTEST_MAIN(TestCcd)
#include "test_ccd.moc"
