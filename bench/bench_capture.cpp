// Replaying a long capture into the car tab as fast as possible: 100 MB of
// 8-channel float sample frames, from the file through the parser into the
// oscilloscope's store. And a 25 fps run played at its own speed: the rate
// it comes out at.
#include "capturecontrols.h"
#include "capturefile.h"
#include "carframe.h"
#include "cartab.h"
#include "fakeports.h"
#include "scopeview.h"
#include "scripteddialogs.h"

#include <QComboBox>
#include <QElapsedTimer>
#include <QPushButton>
#include <QSignalSpy>
#include <QFile>
#include <QTemporaryDir>
#include <QtEndian>

#include <benchmark/benchmark.h>

namespace {

constexpr int kChannels = 8;
constexpr int kFloatType = 6;
constexpr qint64 kCaptureBytes = 100 * 1000 * 1000;
// A read of a fast line every 10 ms: 64 frames of 36 bytes.
constexpr int kFramesPerRecord = 64;

QByteArray sampleFrame(qint64 index)
{
    QByteArray payload(kChannels * 4, Qt::Uninitialized);
    for (int channel = 0; channel < kChannels; ++channel)
        qToLittleEndian<float>(float((index * (channel + 1)) % 1000), payload.data() + channel * 4);
    return CarLink::buildFrame(CarLink::Scope, payload);
}

// Written directly, 10 ms apart: the recorder's own speed is not measured here.
qint64 writeCapture(const QString &path)
{
    QFile file(path);
    file.open(QIODevice::WriteOnly);
    file.write(Capture::encodeHeader({{"tab", "car"},
                                      {"scope.channels", QString::number(kChannels)},
                                      {"scope.type", QString::number(kFloatType)}}));
    qint64 frames = 0;
    for (qint64 offsetUs = 0; file.size() < kCaptureBytes; offsetUs += 10000) {
        QByteArray record;
        for (int i = 0; i < kFramesPerRecord; ++i)
            record += sampleFrame(frames++);
        file.write(Capture::encodeRecord(offsetUs, record.constData(), record.size()));
    }
    return frames;
}

void BM_ReplayScopeCaptureAsFastAsPossible(benchmark::State &state)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("scope.zcap"));
    const qint64 frames = writeCapture(path);
    ScriptedDialogs dialogs;
    FakePorts ports;
    for (auto _ : state) {
        state.PauseTiming();
        CarTab tab(dialogs, ports.source());
        tab.resize(1200, 800);
        tab.show();
        tab.scopeView()->applySettings(kChannels, kFloatType);
        auto *speed = tab.findChild<QComboBox *>(QStringLiteral("car_replay_speed"));
        speed->setCurrentIndex(speed->count() - 1);
        dialogs.fileAnswers.enqueue(path);
        tab.findChild<QPushButton *>(QStringLiteral("car_replay_open"))->click();
        QSignalSpy finished(&tab.capture()->player(), &CapturePlayer::finished);
        state.ResumeTiming();

        tab.capture()->player().play();
        finished.wait(600000);

        state.PauseTiming();
        if (tab.scopeView()->framesReceived() != frames)
            state.SkipWithError("not every frame arrived");
        state.ResumeTiming();
    }
    state.counters["samples"] = double(frames);
    state.counters["samples_per_s"] =
        benchmark::Counter(double(frames), benchmark::Counter::kIsIterationInvariantRate);
    state.SetBytesProcessed(state.iterations() * kCaptureBytes);
}

// Five seconds of a camera at 25 frames a second, played at ×1.
void BM_ReplayKeepsTheRecordedRate(benchmark::State &state)
{
    constexpr int kFrames = 126;
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("fps.zcap"));
    QFile file(path);
    file.open(QIODevice::WriteOnly);
    file.write(Capture::encodeHeader({{"tab", "car"}}));
    for (int frame = 0; frame < kFrames; ++frame)
        file.write(Capture::encodeRecord(frame * 40000, "frame", 5));
    file.close();

    double framesPerSecond = 0;
    for (auto _ : state) {
        CapturePlayer player;
        player.open(path);
        QElapsedTimer first;
        qint64 lastMs = 0;
        int received = 0;
        QObject::connect(&player, &CapturePlayer::bytes, [&] {
            if (received++ == 0)
                first.start();
            else
                lastMs = first.elapsed();
        });
        QSignalSpy finished(&player, &CapturePlayer::finished);
        player.play();
        finished.wait(60000);
        framesPerSecond = (kFrames - 1) * 1000.0 / double(lastMs);
    }
    state.counters["fps"] = framesPerSecond;
}

} // namespace

BENCHMARK(BM_ReplayKeepsTheRecordedRate)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_ReplayScopeCaptureAsFastAsPossible)
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
