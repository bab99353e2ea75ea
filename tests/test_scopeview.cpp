// The "虚拟示波器" page driven through its widgets: frames in, the plot's
// scales, channels shown and hidden, waveform files through the dialogs,
// and what it measures: hold, cursors and the table, spectrum, XY.
#include "sampledecoders.h"
#include "samplestore.h"
#include "scopeview.h"
#include "scripteddialogs.h"
#include "testfiles.h"
#include "textcodec.h"
#include "widgetlookup.h"

#include <qwt_plot.h>
#include <qwt_plot_curve.h>
#include <qwt_scale_div.h>

#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QDir>
#include <QDoubleSpinBox>
#include <QFile>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QtEndian>
#include <QtTest>

#include <cmath>
#include <cstring>

using Kind = ScriptedDialogs::Kind;

namespace {

QPair<double, double> range(ScopeView &view, QwtPlot::Axis axis)
{
    const QwtScaleDiv &scale = child<QwtPlot>(&view, "car_scope")->axisScaleDiv(axis);
    return {scale.lowerBound(), scale.upperBound()};
}

// Both bounds finite, the lower below the upper, the span itself a number.
bool drawable(const QPair<double, double> &bounds)
{
    return std::isfinite(bounds.first) && std::isfinite(bounds.second)
        && bounds.first < bounds.second && std::isfinite(bounds.second - bounds.first);
}

QwtPlotCurve *curve(ScopeView &view, int channel)
{
    const QwtPlotItemList curves =
        child<QwtPlot>(&view, "car_scope")->itemList(QwtPlotItem::Rtti_PlotCurve);
    return static_cast<QwtPlotCurve *>(curves.at(channel));
}

void click(ScopeView &view, const char *button)
{
    child<QPushButton>(&view, button)->click();
}

// Opens the link with `count` channels of type `code`.
void openLink(ScopeView &view, int count, int code)
{
    child<QSpinBox>(&view, "car_ware_num")->setValue(count);
    child<QComboBox>(&view, "car_ware_type")->setCurrentIndex(code);
    view.setLinkOpen(true);
}

void appendRamp(ScopeView &view, int samples)
{
    for (int s = 0; s < samples; ++s) {
        double values[SampleStore::kChannels];
        for (int channel = 0; channel < SampleStore::kChannels; ++channel)
            values[channel] = s * 0.25 - channel;
        view.appendSample(values);
    }
}

// The curve a picture other than the waveform draws, by its title.
QwtPlotCurve *curveTitled(ScopeView &view, const QString &title)
{
    for (QwtPlotItem *item : child<QwtPlot>(&view, "car_scope")->itemList(QwtPlotItem::Rtti_PlotCurve)) {
        if (item->title().text() == title)
            return static_cast<QwtPlotCurve *>(item);
    }
    qFatal("no curve %s", qPrintable(title));
}

// The page on screen with its measuring pane open, the table in front,
// over the range named.
void showMeasuring(ScopeView &view, const QString &range)
{
    view.resize(900, 700);
    view.show();
    QVERIFY(QTest::qWaitForWindowExposed(&view));
    child<QCheckBox>(&view, "car_ware_toolsShown")->setChecked(true);
    auto *ranges = child<QComboBox>(&view, "car_ware_measureRange");
    ranges->setCurrentIndex(ranges->findText(range));
    QVERIFY(ranges->currentText() == range);
}

QString cell(ScopeView &view, int row, int column)
{
    const QTableWidgetItem *item = child<QTableWidget>(&view, "car_ware_measure")->item(row, column);
    return item ? item->text() : QString();
}

void sendMouse(QWidget *canvas, QEvent::Type type, QPoint at, Qt::MouseButtons buttons,
               Qt::KeyboardModifiers modifiers = Qt::NoModifier)
{
    QMouseEvent event(type, at, type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton,
                      buttons, modifiers);
    QApplication::sendEvent(canvas, &event);
}

} // namespace

class TestScopeView : public QObject
{
    Q_OBJECT
private slots:
    void init();

    void startsWithTheChannelWidgetsAndScales();
    void openFixesSettingsAndShowsOnlyUsedChannels();
    void framesDecodeIntoTheStore();
    void shortFramesAreIgnored();
    void redrawsOnlyWhenSomethingChanged();
    void autoTrackingKeepsTheSpan();
    void zoomAndZeroButtons();
    void extremeAndNonFiniteSamplesLeaveAUsablePlot();
    void labelsThatHideCharactersKeepTheDefaultName();
    void typePresetsSetBothYAxes();
    void hiddenChannelShowsNothingAndReturnsWhole();
    void clearEmptiesEveryCurve();

    void exportWritesChannelsOfTheOpenType();
    void exportCancelledLeavesNoFile();
    void importRestoresSettingsNamesAndSamples();
    void importRefusalsKeepTheStore();
    void importOfMismatchedLinesLeavesStoreCleared();
    void importCancelledClearsAndSaysSo();
    void importOfAFileShortenedMeanwhileFails();
    void floatSamplesSurviveARoundTrip();
    void framesArrivingDuringAFileWaitUntilItIsDone();

    void holdKeepsThePictureWhileEverySampleIsStored();
    void cursorsPlacedByTheMouseFillTheTable();
    void spectrumPeaksAtTheSineFrequency();
    void xyOfSineAndCosineIsACircle();

private:
    ScriptedDialogs m_dialogs;
    QTemporaryDir m_dir;
};

void TestScopeView::init()
{
    m_dialogs = ScriptedDialogs();
}

void TestScopeView::startsWithTheChannelWidgetsAndScales()
{
    ScopeView view(m_dialogs);
    for (int k = 1; k <= 8; ++k) {
        QCOMPARE(child<QLineEdit>(&view, QStringLiteral("car_wave%1").arg(k))->text(),
                 QStringLiteral("波形%1").arg(k));
        QVERIFY(child<QCheckBox>(&view, QStringLiteral("car_wave%1_chk").arg(k))->isChecked());
    }
    QCOMPARE(child<QLineEdit>(&view, "car_wave3")->styleSheet(),
             QStringLiteral("background-color:rgb(100,100, 0);"));
    QCOMPARE(curve(view, 4)->pen().color(), QColor(255, 0, 127));
    QCOMPARE(child<QSpinBox>(&view, "car_ware_num")->value(), 8);
    QCOMPARE(child<QComboBox>(&view, "car_ware_type")->currentText(), QStringLiteral("int8_t"));
    QVERIFY(child<QCheckBox>(&view, "car_ware_autox")->isChecked());
    QCOMPARE(range(view, QwtPlot::xBottom), qMakePair(0.0, 300.0));
    QCOMPARE(range(view, QwtPlot::yRight), qMakePair(0.0, 1000.0));
    QCOMPARE(view.payloadLength(), 8);
    QCOMPARE(m_dialogs.calls.size(), 0);
}

void TestScopeView::openFixesSettingsAndShowsOnlyUsedChannels()
{
    ScopeView view(m_dialogs);
    openLink(view, 3, 2);
    QCOMPARE(view.payloadLength(), 6);
    QVERIFY(!child<QSpinBox>(&view, "car_ware_num")->isEnabled());
    QVERIFY(!child<QComboBox>(&view, "car_ware_type")->isEnabled());
    QVERIFY(!child<QLineEdit>(&view, "car_wave3")->isHidden());
    QVERIFY(child<QLineEdit>(&view, "car_wave4")->isHidden());
    QVERIFY(child<QCheckBox>(&view, "car_wave8_chk")->isHidden());
    view.setLinkOpen(false);
    QVERIFY(child<QSpinBox>(&view, "car_ware_num")->isEnabled());
    QVERIFY(child<QLineEdit>(&view, "car_wave4")->isHidden());
}

void TestScopeView::framesDecodeIntoTheStore()
{
    ScopeView view(m_dialogs);
    openLink(view, 2, 4); // int32_t
    QByteArray payload(8, 0);
    qToLittleEndian<qint32>(-5, payload.data());
    qToLittleEndian<qint32>(70000, payload.data() + 4);
    view.handleFrame(payload.constData(), payload.size());
    view.handleFrame(payload.constData(), payload.size());
    const SampleStore &store = view.store();
    QCOMPARE(store.size(), quint64(2));
    QCOMPARE(store.xValues()[1], 1.0);
    QCOMPARE(store.window(0)[1], -5.0);
    QCOMPARE(store.window(1)[1], 70000.0);
    QCOMPARE(store.window(2)[1], 0.0);
}

void TestScopeView::shortFramesAreIgnored()
{
    ScopeView view(m_dialogs);
    openLink(view, 2, 7); // double: 16 bytes per frame
    const QByteArray payload(8, 0);
    view.handleFrame(payload.constData(), payload.size());
    QCOMPARE(view.store().size(), quint64(0));
}

void TestScopeView::redrawsOnlyWhenSomethingChanged()
{
    ScopeView view(m_dialogs);
    view.redrawNow();
    QVERIFY(!view.redrawPending());
    appendRamp(view, 5000);
    QVERIFY(view.redrawPending());
    // The timer, not the samples, draws: one redraw for the whole batch.
    QTRY_VERIFY(!view.redrawPending());
    QCOMPARE(range(view, QwtPlot::xBottom), qMakePair(4699.0, 4999.0));
}

void TestScopeView::autoTrackingKeepsTheSpan()
{
    ScopeView view(m_dialogs);
    appendRamp(view, 101);
    view.redrawNow();
    QCOMPARE(range(view, QwtPlot::xBottom), qMakePair(0.0, 300.0));
    appendRamp(view, 900);
    view.redrawNow();
    QCOMPARE(range(view, QwtPlot::xBottom), qMakePair(700.0, 1000.0));

    // With no sample stored since, a redraw leaves a zoom or pan alone.
    click(view, "car_x_zoomin");
    view.redrawNow();
    QCOMPARE(range(view, QwtPlot::xBottom), qMakePair(700.0, 850.0));
    child<QCheckBox>(&view, "car_wave2_chk")->setChecked(false);
    view.redrawNow();
    QCOMPARE(range(view, QwtPlot::xBottom), qMakePair(700.0, 850.0));
    appendRamp(view, 1);
    view.redrawNow();
    QCOMPARE(range(view, QwtPlot::xBottom), qMakePair(851.0, 1001.0));

    child<QCheckBox>(&view, "car_ware_autox")->setChecked(false);
    appendRamp(view, 100);
    view.redrawNow();
    QCOMPARE(range(view, QwtPlot::xBottom), qMakePair(851.0, 1001.0));
}

void TestScopeView::zoomAndZeroButtons()
{
    ScopeView view(m_dialogs);
    child<QCheckBox>(&view, "car_ware_autox")->setChecked(false);
    click(view, "car_x_zoomin");
    QCOMPARE(range(view, QwtPlot::xBottom), qMakePair(0.0, 150.0));
    click(view, "car_x_zoomout");
    click(view, "car_x_zoomout");
    QCOMPARE(range(view, QwtPlot::xBottom), qMakePair(0.0, 600.0));
    click(view, "car_y_zoomin");
    QCOMPARE(range(view, QwtPlot::yRight), qMakePair(0.0, 500.0));
    QCOMPARE(range(view, QwtPlot::yLeft), qMakePair(0.0, 500.0));
    click(view, "car_y_zoomout");
    click(view, "car_y_zoomout");
    QCOMPARE(range(view, QwtPlot::yRight), qMakePair(0.0, 2000.0));

    auto *type = child<QComboBox>(&view, "car_ware_type");
    type->setCurrentIndex(1);
    type->setCurrentIndex(0);
    QCOMPARE(range(view, QwtPlot::yRight), qMakePair(-128.0, 128.0));
    click(view, "car_y_tozero");
    QCOMPARE(range(view, QwtPlot::yRight), qMakePair(0.0, 256.0));
    QCOMPARE(range(view, QwtPlot::yLeft), qMakePair(0.0, 256.0));
}

void TestScopeView::extremeAndNonFiniteSamplesLeaveAUsablePlot()
{
    ScopeView view(m_dialogs);
    view.setFeed(ScopeView::Feed::DecodedRows);
    view.setLinkOpen(true);
    TextLineDecoder text;
    text.setRowHandler([&view](const double *values, int count) { view.appendRow(values, count); });
    text.append("1e308,-1e308,5\n1e308,-1e308,5\n1,nan,2\n");
    view.followLabels(text);
    view.redrawNow();
    QCOMPARE(view.store().size(), quint64(3));
    QVERIFY(drawable(range(view, QwtPlot::yRight)));

    // JustFloat rows and car frames of float and double: Inf and NaN are
    // not stored, and a refused row leaves nothing behind in later ones.
    const double lastGood[2] = {-1e308, 2};
    const double notANumber[2] = {std::nan(""), 3};
    const double shorter[1] = {4};
    view.appendRow(lastGood, 2);
    view.appendRow(notANumber, 2);
    view.appendRow(shorter, 1);
    QCOMPARE(view.store().size(), quint64(5));
    QCOMPARE(view.store().window(1)[4], 2.0);
    view.setLinkOpen(false);
    view.setFeed(ScopeView::Feed::CarFrames);
    openLink(view, 2, 6); // float
    const QByteArray floats("\x00\x00\x80\x7f\x00\x00\x80\x3f", 8); // inf, 1
    view.handleFrame(floats.constData(), floats.size());
    view.setLinkOpen(false);
    openLink(view, 1, 7); // double
    const QByteArray doubles("\x00\x00\x00\x00\x00\x00\xf8\x7f", 8); // NaN
    view.handleFrame(doubles.constData(), doubles.size());
    QCOMPARE(view.store().size(), quint64(5));
    QCOMPARE(view.nonFiniteIgnored(), qint64(4)); // text nan, row, float, double
    view.redrawNow();
    auto *note = child<QLabel>(&view, "car_ware_note");
    QVERIFY(!note->isHidden());
    QVERIFY2(note->text().contains(QLatin1String(" 4 ")), qPrintable(note->text()));

    // Extremes both ways: the zoom buttons go to their limits and back, and
    // "Y归0" always finds the plot.
    for (int s = 0; s < 3000; ++s) {
        const double values[1] = {s % 2 ? 1.7e308 : -1.7e308};
        view.appendRow(values, 1);
    }
    view.redrawNow();
    for (const char *button : {"car_y_zoomout", "car_y_zoomin", "car_x_zoomout", "car_x_zoomin"}) {
        for (int times = 0; times < 1100; ++times)
            click(view, button);
        QVERIFY(drawable(range(view, QwtPlot::yRight)));
        QVERIFY(drawable(range(view, QwtPlot::xBottom)));
    }
    click(view, "car_y_tozero");
    QCOMPARE(range(view, QwtPlot::yRight).first, 0.0);
    QVERIFY(drawable(range(view, QwtPlot::yRight)));
}

void TestScopeView::labelsThatHideCharactersKeepTheDefaultName()
{
    ScopeView view(m_dialogs);
    view.setFeed(ScopeView::Feed::DecodedRows);
    view.setLinkOpen(true);
    TextLineDecoder text;
    text.setRowHandler([&view](const double *values, int count) { view.appendRow(values, count); });
    // "sp<U+202E>eed" in GB18030, then a plain label.
    const QByteArray label = QByteArray("sp\x81\x36\xa7\x31") + "eed";
    text.append(label + ":1,ok:2\n" + label + ":3,ok:4\n");
    view.followLabels(text);
    QCOMPARE(child<QLineEdit>(&view, "car_wave1")->text(), QStringLiteral("波形1"));
    QCOMPARE(child<QLineEdit>(&view, "car_wave2")->text(), QStringLiteral("ok"));
    QCOMPARE(view.store().size(), quint64(2));
    QCOMPARE(view.store().window(0)[1], 3.0);
}

void TestScopeView::typePresetsSetBothYAxes()
{
    ScopeView view(m_dialogs);
    auto *type = child<QComboBox>(&view, "car_ware_type");
    const QPair<double, double> presets[] = {{-128, 128}, {0, 256},   {-2000, 2000},
                                             {0, 4000},   {-3000, 3000}, {0, 1000},
                                             {0, 1000},   {0, 1000}};
    for (int code : {3, 2, 1, 0, 4, 5, 6, 7}) {
        type->setCurrentIndex(code);
        QCOMPARE(range(view, QwtPlot::yRight), presets[code]);
        QCOMPARE(range(view, QwtPlot::yLeft), presets[code]);
    }
}

void TestScopeView::hiddenChannelShowsNothingAndReturnsWhole()
{
    ScopeView view(m_dialogs);
    child<QCheckBox>(&view, "car_ware_autox")->setChecked(false);
    click(view, "car_x_zoomout"); // 0..600 covers the whole history
    appendRamp(view, 500);
    view.redrawNow();
    QVERIFY(curve(view, 1)->dataSize() > 0);

    child<QCheckBox>(&view, "car_wave2_chk")->setChecked(false);
    appendRamp(view, 50);
    view.redrawNow();
    QCOMPARE(curve(view, 1)->dataSize(), size_t(0));
    QVERIFY(curve(view, 0)->dataSize() > 0);

    child<QCheckBox>(&view, "car_wave2_chk")->setChecked(true);
    view.redrawNow();
    QwtPlotCurve *second = curve(view, 1);
    QCOMPARE(second->sample(0), QPointF(0, -1));
    QCOMPARE(second->sample(second->dataSize() - 1), QPointF(549, 49 * 0.25 - 1)); // sample 49 of the second ramp
}

void TestScopeView::clearEmptiesEveryCurve()
{
    ScopeView view(m_dialogs);
    appendRamp(view, 400);
    view.redrawNow();
    const auto xBefore = range(view, QwtPlot::xBottom);
    click(view, "car_ware_clear");
    view.redrawNow();
    QCOMPARE(view.store().size(), quint64(0));
    for (int channel = 0; channel < 8; ++channel)
        QCOMPARE(curve(view, channel)->dataSize(), size_t(0));
    QCOMPARE(range(view, QwtPlot::xBottom), xBefore);
    appendRamp(view, 1);
    QCOMPARE(view.store().xValues()[0], 0.0);
}

void TestScopeView::exportWritesChannelsOfTheOpenType()
{
    ScopeView view(m_dialogs);
    openLink(view, 3, 2); // int16_t
    QByteArray payload(6, 0);
    for (qint16 value : {qint16(1), qint16(-2)}) {
        for (int channel = 0; channel < 3; ++channel)
            qToLittleEndian<qint16>(value, payload.data() + 2 * channel);
        view.handleFrame(payload.constData(), payload.size());
    }
    const QString path = m_dir.filePath("three.csv");
    m_dialogs.fileAnswers.enqueue(path);
    click(view, "car_ware_out");
    QCOMPARE(m_dialogs.calls.first().kind, Kind::SaveFile);
    QCOMPARE(m_dialogs.calls.first().title, QStringLiteral("保存文件"));
    QByteArray expected = "3,3\n";
    for (int k = 1; k <= 3; ++k)
        expected += textToBytes(QStringLiteral("波形%1").arg(k)) + ",1,-2" + (k < 3 ? "\n" : "");
    QCOMPARE(contentOf(path), expected);
    QCOMPARE(m_dialogs.count(Kind::Critical), 0);

    // Cancelled at the file dialog: nothing written.
    click(view, "car_ware_out");
    QCOMPARE(m_dialogs.count(Kind::Progress), 1);
}

void TestScopeView::exportCancelledLeavesNoFile()
{
    ScopeView view(m_dialogs);
    appendRamp(view, 100000);
    const QString path = m_dir.filePath("cancelled.csv");
    m_dialogs.fileAnswers.enqueue(path);
    m_dialogs.progressCancelAt.enqueue(200000);
    click(view, "car_ware_out");
    QVERIFY(!QFile::exists(path));
    QCOMPARE(QDir(m_dir.path()).entryList(QDir::Files).filter("cancelled"), QStringList());

    // A file that was there before stays as it was.
    writeFile(path, "keep");
    m_dialogs.fileAnswers.enqueue(path);
    m_dialogs.progressCancelAt.enqueue(200000);
    click(view, "car_ware_out");
    QCOMPARE(contentOf(path), QByteArray("keep"));
}

void TestScopeView::importRestoresSettingsNamesAndSamples()
{
    ScopeView view(m_dialogs);
    appendRamp(view, 10);
    const QString path = m_dir.filePath("import.csv");
    writeFile(path, "2 , 7 //comment\r\n" + textToBytes(QStringLiteral("速度")) +
                        ",1.5,2.5,3.5\r\nangle,-1,-2,-3\r\n\r\n");
    m_dialogs.fileAnswers.enqueue(path);
    click(view, "car_ware_in");
    QCOMPARE(m_dialogs.calls.first().title, QStringLiteral("选择文件"));
    QCOMPARE(m_dialogs.count(Kind::Critical), 0);
    QCOMPARE(view.channelCount(), 2);
    QCOMPARE(view.typeCode(), 6);
    QCOMPARE(child<QSpinBox>(&view, "car_ware_num")->value(), 2);
    QCOMPARE(child<QComboBox>(&view, "car_ware_type")->currentText(), QStringLiteral("float"));
    QCOMPARE(range(view, QwtPlot::yRight), qMakePair(0.0, 1000.0));
    QCOMPARE(child<QLineEdit>(&view, "car_wave1")->text(), QStringLiteral("速度"));
    QCOMPARE(child<QLineEdit>(&view, "car_wave2")->text(), QStringLiteral("angle"));
    QCOMPARE(child<QLineEdit>(&view, "car_wave3")->text(), QStringLiteral("波形3"));
    QVERIFY(child<QLineEdit>(&view, "car_wave3")->isHidden());
    const SampleStore &store = view.store();
    QCOMPARE(store.size(), quint64(3));
    QCOMPARE(store.xValues()[0], 0.0);
    QCOMPARE(store.xValues()[2], 2.0);
    QCOMPARE(store.window(0)[2], 3.5);
    QCOMPARE(store.window(1)[0], -1.0);
}

void TestScopeView::importRefusalsKeepTheStore()
{
    ScopeView view(m_dialogs);
    appendRamp(view, 10);
    const QString empty = m_dir.filePath("empty.csv");
    const QString breaks = m_dir.filePath("breaks.csv");
    const QString mismatch = m_dir.filePath("mismatch.csv");
    writeFile(empty, "");
    writeFile(breaks, "\n\n\r\n");
    writeFile(mismatch, "3,1\na,1\nb,2\n");
    for (const QString &path : {empty, breaks, mismatch, m_dir.filePath("missing.csv")})
        m_dialogs.fileAnswers.enqueue(path);
    for (int i = 0; i < 4; ++i)
        click(view, "car_ware_in");
    QCOMPARE(m_dialogs.texts(Kind::Critical),
             QStringList({QStringLiteral("文件为空！"), QStringLiteral("文件为空！"),
                          QStringLiteral("配置行的通道数有误，和数据匹配，数据行共2行。"),
                          QStringLiteral("文件为空！")}));
    QCOMPARE(view.store().size(), quint64(10));
    QCOMPARE(view.channelCount(), 8);
}

void TestScopeView::importOfMismatchedLinesLeavesStoreCleared()
{
    ScopeView view(m_dialogs);
    appendRamp(view, 10);
    const QString path = m_dir.filePath("short.csv");
    writeFile(path, "3,1\na,1,2\n\nc,1,2\n");
    m_dialogs.fileAnswers.enqueue(path);
    click(view, "car_ware_in");
    QCOMPARE(m_dialogs.texts(Kind::Critical),
             QStringList(QStringLiteral("数据有误!波形2的元素数目和前一个波形不同。")));
    QCOMPARE(view.store().size(), quint64(0));
    QCOMPARE(child<QLineEdit>(&view, "car_wave1")->text(), QStringLiteral("a"));
}

void TestScopeView::importCancelledClearsAndSaysSo()
{
    ScopeView view(m_dialogs);
    QByteArray file = "1,1\na";
    for (int s = 0; s < 300000; ++s)
        file += ",7";
    const QString path = m_dir.filePath("long.csv");
    writeFile(path, file);
    m_dialogs.fileAnswers.enqueue(path);
    m_dialogs.progressCancelAt.enqueue(100000);
    click(view, "car_ware_in");
    QCOMPARE(view.store().size(), quint64(0));
    QCOMPARE(m_dialogs.texts(Kind::Information),
             QStringList(QStringLiteral("导入已取消，波形已清空。")));
}

void TestScopeView::importOfAFileShortenedMeanwhileFails()
{
    ScopeView view(m_dialogs);
    QByteArray file = "1,1\na";
    for (int s = 0; s < 300000; ++s)
        file += ",7";
    const QString path = m_dir.filePath("shortened.csv");
    writeFile(path, file);
    m_dialogs.fileAnswers.enqueue(path);
    // Another program cuts the file while the progress window is up.
    m_dialogs.progressStep = [&](qint64) { QFile(path).resize(file.size() / 3); };
    click(view, "car_ware_in");
    m_dialogs.progressStep = nullptr;
    QCOMPARE(view.store().size(), quint64(0));
    QCOMPARE(m_dialogs.texts(Kind::Critical),
             QStringList(QStringLiteral("读取文件失败，波形已清空：%1").arg(path)));
}

void TestScopeView::floatSamplesSurviveARoundTrip()
{
    ScopeView view(m_dialogs);
    openLink(view, 2, 6); // float
    QByteArray payload(8, 0);
    for (int s = 0; s < 1000; ++s) {
        const float a = float(s) / 7.0f;
        const float b = -float(s) * 1000.5f;
        quint32 bits;
        std::memcpy(&bits, &a, 4);
        qToLittleEndian(bits, payload.data());
        std::memcpy(&bits, &b, 4);
        qToLittleEndian(bits, payload.data() + 4);
        view.handleFrame(payload.constData(), payload.size());
    }
    view.setLinkOpen(false);
    const QString path = m_dir.filePath("float.csv");
    m_dialogs.fileAnswers.enqueue(path);
    click(view, "car_ware_out");

    ScopeView other(m_dialogs);
    m_dialogs.fileAnswers.enqueue(path);
    click(other, "car_ware_in");
    QCOMPARE(other.channelCount(), 2);
    QCOMPARE(other.typeCode(), 6);
    QCOMPARE(other.store().size(), quint64(1000));
    other.redrawNow(); // auto tracking follows the imported samples
    QCOMPARE(range(other, QwtPlot::xBottom), qMakePair(699.0, 999.0));
    for (quint64 i = 0; i < 1000; ++i) {
        for (int channel = 0; channel < 2; ++channel) {
            const double sent = view.store().window(channel)[i];
            const double read = other.store().window(channel)[i];
            QVERIFY2(std::abs(read - sent) <= std::abs(sent) * 5e-6,
                     qPrintable(QStringLiteral("%1 read back as %2").arg(sent).arg(read)));
        }
    }
    QCOMPARE(m_dialogs.count(Kind::Critical), 0);
}

// Behind a real progress window the event loop runs on and the car's frames
// keep coming; they must neither change the store under the file nor get
// lost.
void TestScopeView::framesArrivingDuringAFileWaitUntilItIsDone()
{
    ScopeView view(m_dialogs);
    openLink(view, 2, 0); // int8_t
    const QByteArray payload("\x05\xfb", 2);
    for (int s = 0; s < 150000; ++s)
        view.handleFrame(payload.constData(), payload.size());
    int arrived = 0;
    m_dialogs.progressStep = [&](qint64) {
        view.handleFrame("\x09\x09", 2);
        ++arrived;
    };

    const QString path = m_dir.filePath("busy.csv");
    m_dialogs.fileAnswers.enqueue(path);
    click(view, "car_ware_out");
    QVERIFY(arrived > 0);
    const QList<QByteArray> lines = contentOf(path).split('\n');
    QCOMPARE(lines.size(), 3);
    QCOMPARE(lines[1].count(','), 150000);
    QCOMPARE(lines[2].count(','), 150000);
    QVERIFY(!lines[1].contains('9'));
    QCOMPARE(view.store().size(), quint64(150000 + arrived));
    QCOMPARE(view.store().window(0)[150000], 9.0);

    arrived = 0;
    m_dialogs.fileAnswers.enqueue(path);
    click(view, "car_ware_in");
    QVERIFY(arrived > 0);
    QCOMPARE(view.store().size(), quint64(150000 + arrived));
    QCOMPARE(view.store().window(1)[149999], -5.0);
    QCOMPARE(view.store().window(1)[150000], 9.0);
}

void TestScopeView::holdKeepsThePictureWhileEverySampleIsStored()
{
    ScopeView view(m_dialogs);
    appendRamp(view, 1000);
    view.redrawNow();
    auto *hold = child<QPushButton>(&view, "car_ware_hold");
    QVERIFY(hold->toolTip().contains(QStringLiteral("Space")));
    hold->click();
    QVERIFY(view.isHeld());
    const QPointF newestShown = curve(view, 0)->sample(curve(view, 0)->dataSize() - 1);

    appendRamp(view, 5000);
    view.redrawNow();
    QCOMPARE(range(view, QwtPlot::xBottom), qMakePair(699.0, 999.0));
    QCOMPARE(curve(view, 0)->sample(curve(view, 0)->dataSize() - 1), newestShown);
    // Zooming a held picture shows the same samples, nothing newer.
    click(view, "car_x_zoomout");
    view.redrawNow();
    QCOMPARE(curve(view, 0)->sample(curve(view, 0)->dataSize() - 1), newestShown);
    QCOMPARE(view.store().size(), quint64(6000));

    hold->click();
    view.redrawNow();
    QVERIFY(!view.isHeld());
    QCOMPARE(range(view, QwtPlot::xBottom), qMakePair(5399.0, 5999.0));
    QCOMPARE(curve(view, 0)->sample(curve(view, 0)->dataSize() - 1), QPointF(5999, 1249.75));
}

void TestScopeView::cursorsPlacedByTheMouseFillTheTable()
{
    ScopeView view(m_dialogs);
    child<QCheckBox>(&view, "car_ware_autox")->setChecked(false);
    appendRamp(view, 301); // channel c at sample s: s / 4 - c
    showMeasuring(view, QStringLiteral("光标之间"));
    view.redrawNow();
    QWidget *canvas = child<QwtPlot>(&view, "car_scope")->canvas();
    const QwtScaleMap map = child<QwtPlot>(&view, "car_scope")->canvasMap(QwtPlot::xBottom);
    const auto pixel = [&](double x) { return QPoint(int(std::lround(map.transform(x))), 50); };

    QTest::mouseClick(canvas, Qt::LeftButton, Qt::NoModifier, pixel(100));
    QTest::mouseClick(canvas, Qt::LeftButton, Qt::ShiftModifier, pixel(200));
    // A drag that starts on cursor A takes it along; the plot stays put.
    sendMouse(canvas, QEvent::MouseButtonPress, pixel(100), Qt::LeftButton);
    sendMouse(canvas, QEvent::MouseMove, pixel(40), Qt::LeftButton);
    sendMouse(canvas, QEvent::MouseButtonRelease, pixel(40), Qt::NoButton);
    QCOMPARE(range(view, QwtPlot::xBottom), qMakePair(0.0, 300.0));
    child<QDoubleSpinBox>(&view, "car_ware_rate")->setValue(100);
    // The readout: the sample under the mouse, its time and every value.
    sendMouse(canvas, QEvent::MouseMove, pixel(120), Qt::NoButton);
    view.redrawNow();
    const QString readout = child<QLabel>(&view, "car_ware_readout")->text();
    QVERIFY2(readout.startsWith(QStringLiteral("样本 120 (1.2 s)")) && readout.contains("波形2: 29")
                 && readout.contains("波形8: 23"),
             qPrintable(readout));

    const QStringList expected{"波形2", "9", "49", "40", "9", "49", "29", "", "40", ""};
    for (int column = 0; column < expected.size(); ++column) {
        if (column != 7)
            QCOMPARE(cell(view, 1, column), expected[column]);
    }
    QCOMPARE(child<QTableWidget>(&view, "car_ware_measure")->rowCount(), 8);
    const QString between = child<QLabel>(&view, "car_ware_cursorInfo")->text();
    QVERIFY2(between.contains(QStringLiteral("Δ 160 样本")) && between.contains("Δt 1.6 s")
                 && between.contains("1/Δt 0.625 Hz"),
             qPrintable(between));

    // Ctrl+C: the whole table, a header line and a line per channel.
    auto *table = child<QTableWidget>(&view, "car_ware_measure");
    QTest::keyClick(table, Qt::Key_C, Qt::ControlModifier);
    const QStringList lines = QApplication::clipboard()->text().split('\n');
    QCOMPARE(lines.value(0), QStringLiteral("通道\t光标A\t光标B\t差值\t最小\t最大\t平均\t有效值\t峰峰值\t频率"));
    QVERIFY(lines.value(2).startsWith(QStringLiteral("波形2\t9\t49\t40\t9\t49\t29\t")));

    // The picture as shown, cursors included.
    const QString picture = m_dir.filePath("scope.png");
    m_dialogs.fileAnswers.enqueue(picture);
    click(view, "car_ware_savePicture");
    QCOMPARE(QImage(picture).size(), child<QwtPlot>(&view, "car_scope")->size());

    QTest::keyClick(canvas, Qt::Key_Escape);
    view.redrawNow();
    QVERIFY(cell(view, 1, 1).isEmpty());
    QVERIFY(cell(view, 1, 4).isEmpty());
    QVERIFY(!child<QLabel>(&view, "car_ware_cursorInfo")->isVisible());
}

void TestScopeView::spectrumPeaksAtTheSineFrequency()
{
    ScopeView view(m_dialogs);
    child<QSpinBox>(&view, "car_ware_num")->setValue(1);
    for (int n = 0; n < 4096; ++n) {
        const double value = 100 * std::sin(2 * M_PI * 50 * n / 1000.0);
        view.appendSample(&value);
    }
    showMeasuring(view, QStringLiteral("全部数据"));
    child<QComboBox>(&view, "car_ware_display")->setCurrentIndex(1); // 频谱
    view.redrawNow();
    // Without a rate there is no frequency axis to draw on.
    QVERIFY(curveTitled(view, "spectrum 1")->dataSize() == 0
            || !curveTitled(view, "spectrum 1")->isVisible());
    child<QDoubleSpinBox>(&view, "car_ware_rate")->setValue(1000);
    view.redrawNow();

    const double binWidth = 1000.0 / 4096;
    const QString frequency = cell(view, 0, 9);
    QVERIFY2(frequency.endsWith(" Hz") && std::abs(frequency.chopped(3).toDouble() - 50) <= binWidth,
             qPrintable(frequency));
    QwtPlotCurve *spectrum = curveTitled(view, "spectrum 1");
    QVERIFY(spectrum->isVisible());
    QPointF peak = spectrum->sample(0);
    for (size_t i = 0; i < spectrum->dataSize(); ++i) {
        if (spectrum->sample(i).y() > peak.y())
            peak = spectrum->sample(i);
    }
    QVERIFY(std::abs(peak.x() - 50) <= binWidth);
    QCOMPARE(range(view, QwtPlot::xBottom), qMakePair(0.0, 500.0));

    // Back to the waveform: its own scales again.
    child<QComboBox>(&view, "car_ware_display")->setCurrentIndex(0);
    QVERIFY(!spectrum->isVisible());
    QCOMPARE(range(view, QwtPlot::xBottom), qMakePair(3795.0, 4095.0));
}

void TestScopeView::xyOfSineAndCosineIsACircle()
{
    ScopeView view(m_dialogs);
    child<QSpinBox>(&view, "car_ware_num")->setValue(2);
    for (int n = 0; n < 1000; ++n) {
        const double values[] = {3 + 2 * std::cos(n * 0.01), -1 + 2 * std::sin(n * 0.01)};
        view.appendSample(values);
    }
    showMeasuring(view, QStringLiteral("全部数据"));
    child<QComboBox>(&view, "car_ware_display")->setCurrentIndex(2); // XY
    view.redrawNow();
    QwtPlotCurve *xy = curveTitled(view, "XY");
    QCOMPARE(xy->dataSize(), size_t(1000));
    for (size_t i = 0; i < xy->dataSize(); ++i) {
        const QPointF point = xy->sample(i);
        QVERIFY(std::abs(std::hypot(point.x() - 3, point.y() + 1) - 2) < 1e-9);
    }
    // The circle is in view.
    const auto x = range(view, QwtPlot::xBottom);
    const auto y = range(view, QwtPlot::yRight);
    QVERIFY(x.first < 1 && x.second > 5 && y.first < -3 && y.second > 1);
}

QTEST_MAIN(TestScopeView)
#include "test_scopeview.moc"
