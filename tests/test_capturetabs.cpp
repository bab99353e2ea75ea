// Record and replay in the tabs: a simulator run recorded by the car tab
// replays into a fresh car tab with the same frames, samples, CCD figures
// and pictures; a cut capture plays up to its last whole record and says
// so; snapshots are the pictures shown; the GPS tab records and replays its
// receiver; zentrik-sim replay sends a capture on.
#include "cameraview.h"
#include "capturecontrols.h"
#include "capturewriter.h"
#include "cartab.h"
#include "ccdview.h"
#include "fakeports.h"
#include "gpstab.h"
#include "imagewidget.h"
#include "ptypair.h"
#include "scopeview.h"
#include "scripteddialogs.h"
#include "seriallink.h"
#include "serialportpanel.h"
#include "simulatorprocess.h"
#include "widgetlookup.h"

#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

namespace {

constexpr int kTimeoutMs = 60000;
constexpr int kRounds = 120;

QStringList labelTexts(const QWidget *root, const QStringList &names)
{
    QStringList texts;
    for (const QString &name : names)
        texts << child<QLabel>(root, name)->text();
    return texts;
}

const QStringList kCcdLabels{"car_ccd_gray1_max", "car_ccd_gray1_min", "car_ccd_gray1_ave",
                             "car_ccd_maxdiff1",  "car_ccd_gray2_max", "car_ccd_gray2_min",
                             "car_ccd_gray2_ave", "car_ccd_maxdiff2"};
const QStringList kGpsLabels{"label_longitude", "label_latitude", "label_gps_utc_time",
                             "label_gps_num", "label_lgps_high", "label_gps_quality",
                             "label_gps_track"};

QImage shown(const QWidget *root, const char *name)
{
    return child<ImageWidget>(root, QString::fromLatin1(name))->image();
}

QImage asRgb(const QImage &image)
{
    return image.convertToFormat(QImage::Format_RGB32);
}

} // namespace

class TestCaptureTabs : public QObject
{
    Q_OBJECT
private slots:
    void init();

    void recordedCarRunReplaysAsLive();
    void cutCaptureReplaysItsWholeRecords();
    void gpsTabRecordsAndReplays();
    void simulatorSendsACapture();
    void exampleFrameCapturesReplay();

private:
    std::unique_ptr<CarTab> newCarTab();
    // Opens `path` for replay and plays it as fast as possible to its end.
    void replayFast(QWidget *tab, const QString &prefix, CaptureControls *controls,
                    const QString &path);
    QString path(const char *name) const { return m_dir.filePath(QLatin1String(name)); }

    ScriptedDialogs m_dialogs;
    FakePorts m_ports;
    QTemporaryDir m_dir;
};

void TestCaptureTabs::init()
{
    m_dialogs.clear();
}

std::unique_ptr<CarTab> TestCaptureTabs::newCarTab()
{
    auto tab = std::make_unique<CarTab>(m_dialogs, m_ports.source());
    tab->resize(1200, 800);
    tab->show();
    return tab;
}

void TestCaptureTabs::replayFast(QWidget *tab, const QString &prefix, CaptureControls *controls,
                                 const QString &path)
{
    m_dialogs.fileAnswers.enqueue(path);
    child<QPushButton>(tab, prefix + "replay_open")->click();
    QVERIFY(controls->replaying());
    auto *speed = child<QComboBox>(tab, prefix + "replay_speed");
    speed->setCurrentIndex(speed->count() - 1);
    QSignalSpy finished(&controls->player(), &CapturePlayer::finished);
    child<QPushButton>(tab, prefix + "replay_play")->click();
    QVERIFY(finished.wait(kTimeoutMs));
    // As fast as possible, the share of records played is shown.
    QVERIFY(child<QLabel>(tab, prefix + "replay_time")->text().endsWith(QStringLiteral("  100%")));
}

void TestCaptureTabs::recordedCarRunReplaysAsLive()
{
    SimulatorProcess sim;
    QVERIFY2(sim.start(QStringLiteral(ZENTRIK_SIM_PATH),
                       {"car", "--send", "camera,ccd,scope", "--image", "grey", "--fps", "0",
                        "--rounds", QString::number(kRounds), "--ccd-count", "2", "--ccd-line",
                        "100", "--channels", "4", "--sample-type", "int16_t"}),
             qPrintable(sim.error()));
    std::unique_ptr<CarTab> live = newCarTab();
    child<QComboBox>(live.get(), "car_imgBox")->setCurrentIndex(CarCamera::Grey);
    live->ccdView()->applySettings(2, 100);
    live->scopeView()->applySettings(4, 2);
    m_dialogs.fileAnswers.enqueue(path("run.zcap"));
    child<QPushButton>(live.get(), "car_rec_button")->click();
    QVERIFY(live->capture()->recording());
    child<QComboBox>(live.get(), "car_portBox")->setEditText(sim.portPath());
    child<QPushButton>(live.get(), "car_OpenCloseButton")->click();
    QTRY_COMPARE_WITH_TIMEOUT(live->scopeView()->framesReceived(), kRounds, kTimeoutMs);
    QTRY_COMPARE(live->parser().framesHandled(CarLink::Image), kRounds);
    child<QPushButton>(live.get(), "car_OpenCloseButton")->click();
    child<QPushButton>(live.get(), "car_rec_button")->click();
    QVERIFY(!live->capture()->recording());

    // A tab with its default settings is told the recorded ones and takes them.
    std::unique_ptr<CarTab> replayed = newCarTab();
    child<QComboBox>(replayed.get(), "car_protocol")->setCurrentIndex(1);
    m_dialogs.questionAnswers.enqueue(true);
    replayed->cameraView()->saveEveryFrame(path("frame.png"));
    replayFast(replayed.get(), "car_", replayed->capture(), path("run.zcap"));
    QCOMPARE(m_dialogs.count(ScriptedDialogs::Kind::Question), 1);
    QVERIFY(m_dialogs.texts(ScriptedDialogs::Kind::Question).first().contains("图像类型"));
    QVERIFY(m_dialogs.texts(ScriptedDialogs::Kind::Question)
                .first()
                .contains("数据协议：记录时 智能车协议，现在 文本行"));

    for (int command : {CarLink::Image, CarLink::Ccd, CarLink::Scope})
        QCOMPARE(replayed->parser().framesHandled(command), qint64(kRounds));
    const SampleStore &liveStore = live->scopeView()->store();
    const SampleStore &replayedStore = replayed->scopeView()->store();
    QCOMPARE(replayedStore.size(), liveStore.size());
    for (int channel = 0; channel < 4; ++channel) {
        for (quint64 i = 0; i < liveStore.size(); ++i)
            QCOMPARE(replayedStore.window(channel)[i], liveStore.window(channel)[i]);
    }
    QCOMPARE(labelTexts(replayed.get(), kCcdLabels), labelTexts(live.get(), kCcdLabels));
    QCOMPARE(replayed->ccdView()->trackRowCount(), live->ccdView()->trackRowCount());
    QCOMPARE(shown(replayed.get(), "car_img_original"), shown(live.get(), "car_img_original"));
    QCOMPARE(shown(replayed.get(), "car_img_bin"), shown(live.get(), "car_img_bin"));

    // Every frame went out as a numbered pair; the last is the one shown.
    QCOMPARE(replayed->cameraView()->framesSaved(), kRounds);
    const QString last = QStringLiteral("frame-%1").arg(kRounds, 6, 10, QLatin1Char('0'));
    QCOMPARE(asRgb(QImage(m_dir.filePath(last + ".png"))),
             asRgb(shown(replayed.get(), "car_img_original")));

    m_dialogs.fileAnswers.enqueue(path("snapshot.png"));
    child<QPushButton>(replayed.get(), "car_img_snapshot")->click();
    QCOMPARE(asRgb(QImage(path("snapshot.png"))), asRgb(shown(replayed.get(), "car_img_original")));
    QCOMPARE(asRgb(QImage(path("snapshot-bin.png"))), asRgb(shown(replayed.get(), "car_img_bin")));
}

void TestCaptureTabs::cutCaptureReplaysItsWholeRecords()
{
    // One channel of int8_t: five-byte frames, five to a record.
    {
        CaptureWriter writer;
        QVERIFY(writer.open(path("cut.zcap"), {{"tab", "car"}}));
        for (int record = 0; record < 10; ++record) {
            QByteArray bytes;
            for (int sample = 0; sample < 5; ++sample)
                bytes += CarLink::buildFrame(CarLink::Scope, QByteArray(1, char(record * 5 + sample)));
            writer.append(bytes);
        }
    }
    QFile file(path("cut.zcap"));
    QVERIFY(file.resize(file.size() - 3));

    std::unique_ptr<CarTab> tab = newCarTab();
    tab->scopeView()->applySettings(1, 0);
    m_dialogs.fileAnswers.enqueue(path("cut.zcap"));
    child<QPushButton>(tab.get(), "car_replay_open")->click();
    QCOMPARE(m_dialogs.count(ScriptedDialogs::Kind::Information), 1);
    QVERIFY(m_dialogs.texts(ScriptedDialogs::Kind::Information).first().contains("截断"));

    // A step is one frame, wherever the records end.
    auto *step = child<QPushButton>(tab.get(), "car_replay_step");
    for (int frames = 1; frames <= 7; ++frames) {
        step->click();
        QCOMPARE(tab->scopeView()->framesReceived(), frames);
    }
    QSignalSpy finished(&tab->capture()->player(), &CapturePlayer::finished);
    tab->capture()->player().setSpeed(CapturePlayer::kAsFastAsPossible);
    child<QPushButton>(tab.get(), "car_replay_play")->click();
    QVERIFY(finished.wait(kTimeoutMs));
    QCOMPARE(tab->scopeView()->framesReceived(), 45);
    QCOMPARE(tab->scopeView()->store().window(0)[44], 44.0);

    child<QPushButton>(tab.get(), "car_replay_open")->click(); // "停止回放"
    QVERIFY(!tab->capture()->replaying());
    QVERIFY(child<QWidget>(tab.get(), "car_ware_num")->isEnabled());
}

void TestCaptureTabs::gpsTabRecordsAndReplays()
{
    const QByteArray sentences =
        "$GPRMC,083559.00,A,4717.11437,N,00833.91522,E,0.004,77.52,091202,,,A*57\r\n"
        "$GPGGA,083600.00,4717.11399,N,00833.91590,E,1,08,1.01,499.6,M,48.0,M,,*5D\r\n";
    GpsTab live(m_dialogs, m_ports.source());
    PtyPair device;
    m_dialogs.fileAnswers.enqueue(path("gps.zcap"));
    child<QPushButton>(&live, "gps_rec_button")->click();
    child<QComboBox>(&live, "gps_portBox")->setEditText(device.slavePath());
    child<QPushButton>(&live, "openCloseButton_gps")->click();
    QVERIFY(!child<QPushButton>(&live, "gps_replay_open")->isEnabled());
    QVERIFY(device.write(sentences));
    QTRY_COMPARE(child<QLabel>(&live, "label_lgps_high")->text().isEmpty(), false);
    QTRY_VERIFY(child<QLabel>(&live, "label_gps_num")->text() == "08");
    child<QPushButton>(&live, "openCloseButton_gps")->click();
    child<QPushButton>(&live, "gps_rec_button")->click();

    CaptureReader reader;
    QVERIFY(reader.open(path("gps.zcap")));
    QCOMPARE(reader.header().value("tab"), QStringLiteral("gps"));
    QByteArray recorded;
    for (int i = 0; i < reader.recordCount(); ++i)
        recorded += reader.bytes(i);
    QCOMPARE(recorded, sentences);

    GpsTab replayed(m_dialogs, m_ports.source());
    replayFast(&replayed, "gps_", replayed.capture(), path("gps.zcap"));
    // Both fixes are on the replay's track, as on the live one.
    QTRY_COMPARE(child<QLabel>(&replayed, "label_gps_track")->text(), QStringLiteral("轨迹：2个点"));
    QCOMPARE(labelTexts(&replayed, kGpsLabels), labelTexts(&live, kGpsLabels));
}

void TestCaptureTabs::simulatorSendsACapture()
{
    QByteArray expected;
    {
        CaptureWriter writer;
        QVERIFY(writer.open(path("sim.zcap"), {{"tab", "car"}}));
        for (int record = 0; record < 20; ++record) {
            const QByteArray bytes(record * 7 + 1, char(record * 13));
            writer.append(bytes);
            expected += bytes;
        }
    }
    SimulatorProcess sim;
    QVERIFY2(sim.start(QStringLiteral(ZENTRIK_SIM_PATH), {"replay", path("sim.zcap")}),
             qPrintable(sim.error()));
    SerialLink link;
    QByteArray received;
    connect(&link, &ByteLink::received, this, [&](const QByteArray &bytes) { received += bytes; });
    link.setPortName(sim.portPath());
    QVERIFY2(link.open(), qPrintable(link.errorString()));
    QTRY_COMPARE_WITH_TIMEOUT(received.size(), expected.size(), kTimeoutMs);
    QCOMPARE(received, expected);
}

// The captures shipped with the example frame descriptions replay into a
// fresh car tab, which takes over their protocol and description: every
// frame is good but each 100th, whose checksum the simulator spoilt.
void TestCaptureTabs::exampleFrameCapturesReplay()
{
    const QDir examples(QStringLiteral(ZENTRIK_EXAMPLES_DIR "/frames"));
    const QStringList captures = examples.entryList({QStringLiteral("*.zcap")});
    QCOMPARE(captures.size(), 3);
    for (const QString &name : captures) {
        std::unique_ptr<CarTab> tab = newCarTab();
        m_dialogs.questionAnswers.enqueue(true); // "使用记录时的设置吗？"
        replayFast(tab.get(), "car_", tab->capture(), examples.filePath(name));
        QCOMPARE(tab->protocolSetting(), CarTab::Protocol::CustomFrames);
        const qint64 types = name.startsWith(QLatin1String("flight")) ? 2 : 1;
        const qint64 frames = 300 * types;
        QCOMPARE(qint64(tab->scopeView()->store().size()), frames - frames / 100);
        child<QPushButton>(tab.get(), "car_replay_open")->click(); // "停止回放": the final counts
        QVERIFY2(child<QLabel>(tab.get(), "car_frame_counts")
                     ->text()
                     .startsWith(QStringLiteral("正确 %1 帧，校验错 %2，未知类型 0，长度超限 0")
                                     .arg(frames - frames / 100)
                                     .arg(frames / 100)),
                 qPrintable(name));
    }
}

QTEST_MAIN(TestCaptureTabs)
#include "test_capturetabs.moc"
