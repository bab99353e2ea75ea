// The linear CCD page: the drawing of a line and its statistics, the track
// record, and the page's reaction to frames, settings and the link state.
#include "ccddrawing.h"
#include "ccdview.h"
#include "imagewidget.h"
#include "scripteddialogs.h"
#include "widgetlookup.h"

#include <QComboBox>
#include <QLabel>
#include <QRadioButton>
#include <QSlider>
#include <QSpinBox>
#include <QtTest>

#include <vector>

namespace {

const QRgb kGreyCurve = 0xFF0000FF;
const QRgb kDifferenceCurve = 0xFFFF007F;
const QRgb kThresholdLine = 0xFFFF0000;

using Line = std::vector<uchar>;

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

// Rows of the picture painted entirely in the threshold colour.
QList<int> thresholdRows(const QImage &picture)
{
    QList<int> rows;
    for (int y = 0; y < picture.height(); ++y) {
        bool whole = true;
        for (int x = 0; x < picture.width() && whole; ++x)
            whole = picture.pixel(x, y) == kThresholdLine;
        if (whole)
            rows << y;
    }
    return rows;
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

QImage shown(const ImageWidget *picture)
{
    return picture->image();
}

QByteArray bytes(const Line &line)
{
    return QByteArray(reinterpret_cast<const char *>(line.data()), int(line.size()));
}

// A line dark on the left half and bright on the right: one edge of
// `step` grey levels in the middle.
Line edgeLine(int width, int low, int step)
{
    Line line(static_cast<size_t>(width), static_cast<uchar>(low));
    std::fill(line.begin() + width / 2, line.end(), uchar(low + step));
    return line;
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

    void pageStartsWithOneSensorAndItsDefaults();
    void openFixesSettingsAndShowsTheSecondSensor();
    void eachSensorReadsItsOwnPartOfThePayload();
    void differenceSliderFollowsTheLine();
    void trackRecordOnThePage();
    void redrawOnlyWhenClosedAfterAFrame();
    void reopenForgetsTheOldLine();
    void closedPageFollowsTheCountAndItsSize();

private:
    struct Page
    {
        ScriptedDialogs dialogs;
        CcdView view{dialogs};

        Page()
        {
            view.resize(640, 700);
            view.show();
        }
        template <typename T>
        T *widget(const char *name) const
        {
            return child<T>(&view, QString::fromLatin1(name));
        }
        void open(int sensors, int lineWidth)
        {
            widget<QComboBox>("car_ccd_num")->setCurrentIndex(sensors - 1);
            widget<QSpinBox>("car_ccd_line")->setValue(lineWidth);
            view.setLinkOpen(true);
        }
        void send(const QByteArray &payload) { view.handleFrame(payload.constData(), payload.size()); }
    };
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

void TestCcd::pageStartsWithOneSensorAndItsDefaults()
{
    Page page;
    auto *count = page.widget<QComboBox>("car_ccd_num");
    QCOMPARE(count->count(), 2);
    QCOMPARE(count->currentText(), QStringLiteral("1"));
    auto *lineWidth = page.widget<QSpinBox>("car_ccd_line");
    QCOMPARE(lineWidth->minimum(), 1);
    QCOMPARE(lineWidth->maximum(), 9999);
    QCOMPARE(lineWidth->value(), 128);
    QCOMPARE(page.view.payloadLength(), 128);

    QCOMPARE(page.widget<QRadioButton>("car_ccd_gray")->text(), QStringLiteral("灰度值"));
    QVERIFY(!page.widget<QRadioButton>("car_ccd_gray")->isChecked());
    QCOMPARE(page.widget<QRadioButton>("car_ccd_diff")->text(), QStringLiteral("差分波形值"));
    QVERIFY(page.widget<QRadioButton>("car_ccd_diff")->isChecked());

    for (const QString k : {"1", "2"}) {
        auto *slider = child<QSlider>(&page.view, "car_ccd_val" + k);
        QCOMPARE(slider->minimum(), 0);
        QCOMPARE(slider->maximum(), 255);
        QCOMPARE(slider->value(), 128);
        QCOMPARE(child<QLabel>(&page.view, "car_ccd_val" + k + "_max")->text(), QStringLiteral("255"));
        QCOMPARE(child<QLabel>(&page.view, "car_ccd_val" + k + "_text")->text(), QStringLiteral("128"));
        QCOMPARE(child<QLabel>(&page.view, "car_ccd_val" + k + "_min")->text(), QStringLiteral("0"));
    }
    QVERIFY(page.widget<ImageWidget>("car_ccd_img1")->isVisible());
    for (const char *name : {"car_ccd_img2", "car_ccd_val2", "car_ccd_val2_text", "car_ccd_label2",
                             "car_ccd_lin2", "car_ccd_gray2_max", "car_ccd_maxdiff2"})
        QVERIFY2(!page.widget<QWidget>(name)->isVisible(), name);
}

void TestCcd::openFixesSettingsAndShowsTheSecondSensor()
{
    Page page;
    page.open(2, 64);
    QVERIFY(!page.widget<QComboBox>("car_ccd_num")->isEnabled());
    QVERIFY(!page.widget<QSpinBox>("car_ccd_line")->isEnabled());
    QCOMPARE(page.view.payloadLength(), 128);
    for (const char *name : {"car_ccd_img2", "car_ccd_val2", "car_ccd_val2_max", "car_ccd_label2",
                             "car_ccd_lin2", "car_ccd_gray2_ave", "car_ccd_maxdiff2"})
        QVERIFY2(page.widget<QWidget>(name)->isVisible(), name);
    auto *recorded = page.widget<QComboBox>("car_ccd_img_sel");
    QCOMPARE(recorded->count(), 2);
    QCOMPARE(recorded->itemText(1), QStringLiteral("2"));
    QCOMPARE(recorded->currentIndex(), 0);

    page.view.setLinkOpen(false);
    QVERIFY(page.widget<QComboBox>("car_ccd_num")->isEnabled());
    QVERIFY(page.widget<QSpinBox>("car_ccd_line")->isEnabled());

    page.open(1, 64);
    QVERIFY(!page.widget<ImageWidget>("car_ccd_img2")->isVisible());
    QCOMPARE(recorded->count(), 1);
}

void TestCcd::eachSensorReadsItsOwnPartOfThePayload()
{
    Page page;
    page.open(2, 16);
    page.send(bytes(Line(16, 10)) + bytes(edgeLine(16, 90, 30)));
    QCOMPARE(page.view.framesReceived(), 1);

    QCOMPARE(page.widget<QLabel>("car_ccd_gray1_max")->text(), QStringLiteral("最大灰度值：10"));
    QCOMPARE(page.widget<QLabel>("car_ccd_maxdiff1")->text(), QStringLiteral("最大差分值：0"));
    QCOMPARE(page.widget<QLabel>("car_ccd_gray2_max")->text(), QStringLiteral("最大灰度值：120"));
    QCOMPARE(page.widget<QLabel>("car_ccd_gray2_min")->text(), QStringLiteral("最小灰度值：90"));
    QCOMPARE(page.widget<QLabel>("car_ccd_gray2_ave")->text(), QStringLiteral("平均灰度值：105"));
    QCOMPARE(page.widget<QLabel>("car_ccd_maxdiff2")->text(), QStringLiteral("最大差分值：30"));

    // Both pictures are drawn at the first picture's size; the bottom row
    // shows the stripes of each line.
    const QImage first = shown(page.widget<ImageWidget>("car_ccd_img1"));
    const QImage second = shown(page.widget<ImageWidget>("car_ccd_img2"));
    QCOMPARE(first.size(), page.widget<ImageWidget>("car_ccd_img1")->size());
    QCOMPARE(second.size(), first.size());
    QCOMPARE(qGray(first.pixel(0, first.height() - 1)), 10);
    QCOMPARE(qGray(second.pixel(0, second.height() - 1)), 90);
    QCOMPARE(qGray(second.pixel(second.width() - 1, second.height() - 1)), 120);

    // A payload of another length than fixed at open is not a CCD frame.
    page.send(bytes(Line(16, 10)));
    QCOMPARE(page.view.framesReceived(), 1);
}

void TestCcd::differenceSliderFollowsTheLine()
{
    Page page;
    page.open(1, 128);
    auto *slider = page.widget<QSlider>("car_ccd_val1");
    page.send(bytes(edgeLine(128, 100, 50)));

    QCOMPARE(slider->value(), 40);
    QCOMPARE(slider->maximum(), 50);
    QCOMPARE(page.widget<QLabel>("car_ccd_val1_text")->text(), QStringLiteral("40"));
    QCOMPARE(page.widget<QLabel>("car_ccd_val1_max")->text(), QStringLiteral("50"));
    const QImage picture = shown(page.widget<ImageWidget>("car_ccd_img1"));
    const int height = picture.height();
    QCOMPARE(thresholdRows(picture), QList<int>{height - height * 40 / 50});

    // Against the grey levels the slider gets its full range back.
    page.widget<QRadioButton>("car_ccd_gray")->setChecked(true);
    page.send(bytes(edgeLine(128, 100, 50)));
    QCOMPARE(slider->maximum(), 255);
    QCOMPARE(slider->value(), 40);
    QCOMPARE(page.widget<QLabel>("car_ccd_val1_max")->text(), QStringLiteral("255"));
}

void TestCcd::trackRecordOnThePage()
{
    Page page;
    page.open(2, 8);
    auto *track = page.widget<ImageWidget>("car_ccd_img");
    const int capacity = track->height();
    QVERIFY(capacity > 2);

    const auto frame = [](int first, int second) {
        return bytes(Line(8, uchar(first))) + bytes(Line(8, uchar(second)));
    };
    for (int i = 0; i < capacity + 2; ++i) {
        page.send(frame(i % 256, 255));
        QVERIFY(page.view.trackRowCount() <= capacity);
    }
    QCOMPARE(page.view.trackRowCount(), capacity);
    QImage picture = shown(track);
    QCOMPARE(picture.size(), track->size());
    QCOMPARE(qGray(picture.pixel(0, 0)), 2);
    QCOMPARE(qGray(picture.pixel(0, capacity - 1)), (capacity + 1) % 256);

    // Another sensor starts a fresh record.
    page.widget<QComboBox>("car_ccd_img_sel")->setCurrentIndex(1);
    QCOMPARE(page.view.trackRowCount(), 0);
    QVERIFY(shown(track).isNull());
    page.send(frame(7, 200));
    picture = shown(track);
    QCOMPARE(picture.height(), 1);
    QCOMPARE(qGray(picture.pixel(0, 0)), 200);

    // A taller window keeps the record and gives it room to grow.
    page.view.resize(page.view.width() + 100, page.view.height() + 200);
    QTRY_VERIFY(track->height() > capacity);
    page.send(frame(8, 201));
    picture = shown(track);
    QCOMPARE(picture.size(), QSize(track->width(), 2));
    QCOMPARE(qGray(picture.pixel(0, 0)), 200);
    QCOMPARE(qGray(picture.pixel(track->width() - 1, 1)), 201);
    QCOMPARE(shown(page.widget<ImageWidget>("car_ccd_img1")).size(),
             page.widget<ImageWidget>("car_ccd_img1")->size());

    // Every open starts a fresh record.
    page.view.setLinkOpen(false);
    page.open(2, 8);
    QCOMPARE(page.view.trackRowCount(), 0);
    QVERIFY(shown(track).isNull());
}

void TestCcd::redrawOnlyWhenClosedAfterAFrame()
{
    Page page;
    auto *slider = page.widget<QSlider>("car_ccd_val1");
    auto *picture = page.widget<ImageWidget>("car_ccd_img1");
    page.widget<QRadioButton>("car_ccd_gray")->setChecked(true);
    page.open(1, 32);

    slider->setValue(100);
    QCOMPARE(page.widget<QLabel>("car_ccd_val1_text")->text(), QStringLiteral("100"));
    QVERIFY(shown(picture).isNull());

    page.send(bytes(edgeLine(32, 0, 60)));
    const int height = shown(picture).height();
    const auto greyRow = [height](int value) { return QList<int>{height - height * value / 255}; };
    QCOMPARE(thresholdRows(shown(picture)), greyRow(100));

    // While open a change only shows in the labels; the next frame draws it.
    slider->setValue(200);
    QCOMPARE(page.widget<QLabel>("car_ccd_val1_text")->text(), QStringLiteral("200"));
    QCOMPARE(thresholdRows(shown(picture)), greyRow(100));

    // Closed, the last line is redrawn at once.
    page.view.setLinkOpen(false);
    slider->setValue(50);
    QCOMPARE(thresholdRows(shown(picture)), greyRow(50));
    page.widget<QRadioButton>("car_ccd_diff")->setChecked(true);
    QCOMPARE(slider->maximum(), 60);
    QCOMPARE(slider->value(), 50);
    QCOMPARE(thresholdRows(shown(picture)), QList<int>{height - height * 50 / 60});
    QCOMPARE(page.view.trackRowCount(), 1); // a redraw records nothing
}

void TestCcd::reopenForgetsTheOldLine()
{
    Page page;
    auto *slider = page.widget<QSlider>("car_ccd_val1");
    auto *picture = page.widget<ImageWidget>("car_ccd_img1");
    page.open(1, 32);
    page.send(bytes(edgeLine(32, 0, 60)));
    const QList<int> drawn = thresholdRows(shown(picture));
    page.view.setLinkOpen(false);

    // Reopened and closed again without a frame, there is no line to redraw.
    page.open(1, 64);
    page.view.setLinkOpen(false);
    slider->setValue(10);
    QCOMPARE(page.widget<QLabel>("car_ccd_val1_text")->text(), QStringLiteral("10"));
    QCOMPARE(thresholdRows(shown(picture)), drawn);
}

void TestCcd::closedPageFollowsTheCountAndItsSize()
{
    Page page;
    auto *count = page.widget<QComboBox>("car_ccd_num");
    auto *second = page.widget<ImageWidget>("car_ccd_img2");
    count->setCurrentIndex(1);
    QVERIFY(second->isVisible());
    QVERIFY(page.widget<QSlider>("car_ccd_val2")->isVisible());
    count->setCurrentIndex(0);
    QVERIFY(!second->isVisible());

    auto *picture = page.widget<ImageWidget>("car_ccd_img1");
    page.open(1, 32);
    page.send(bytes(edgeLine(32, 0, 60)));
    const QSize drawnAt = shown(picture).size();
    const QSize larger = picture->size() + QSize(40, 30);
    // Open, the next frame draws at the new size; closed, the resize does.
    picture->resize(larger);
    QCOMPARE(shown(picture).size(), drawnAt);
    page.view.setLinkOpen(false);
    picture->resize(larger + QSize(10, 10));
    QCOMPARE(shown(picture).size(), larger + QSize(10, 10));
    QCOMPARE(page.view.trackRowCount(), 1);
}

QTEST_MAIN(TestCcd)
#include "test_ccd.moc"
