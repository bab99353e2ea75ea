// The "线性CCD" page: its reaction to frames, settings and the link state.
#include "ccddrawing.h"
#include "ccdlines.h"
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

namespace {

QImage shown(const ImageWidget *picture)
{
    return picture->image();
}

} // namespace

class TestCcdView : public QObject
{
    Q_OBJECT

private slots:
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

void TestCcdView::pageStartsWithOneSensorAndItsDefaults()
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

void TestCcdView::openFixesSettingsAndShowsTheSecondSensor()
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

void TestCcdView::eachSensorReadsItsOwnPartOfThePayload()
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

void TestCcdView::differenceSliderFollowsTheLine()
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

void TestCcdView::trackRecordOnThePage()
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

void TestCcdView::redrawOnlyWhenClosedAfterAFrame()
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

void TestCcdView::reopenForgetsTheOldLine()
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

void TestCcdView::closedPageFollowsTheCountAndItsSize()
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

QTEST_MAIN(TestCcdView)
#include "test_ccdview.moc"
