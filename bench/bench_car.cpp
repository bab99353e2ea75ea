// The car link's two hot paths: cutting frames out of the received bytes,
// and turning a camera payload into the pictures on the camera page; and
// the step responses measured on a full oscilloscope history.
#include "camimage.h"
#include "carframe.h"
#include "imagewidget.h"
#include "samplestore.h"
#include "stepresponse.h"

#include <QApplication>

#include <benchmark/benchmark.h>

#include <random>
#include <utility>

namespace {

constexpr int kStreamBytes = 8 << 20;
constexpr int kReadSize = 64 * 1024; // what one poll of a fast line brings

// Payload lengths as a car would send them: a grey 80 × 60 image, two
// 128-pixel CCD lines, eight float channels.
const CarLink::FrameLengths kLengths{0, 80 * 60, 2 * 128, 8 * 4};

QByteArray makeStream(int command, int garbagePerFrame)
{
    std::mt19937 random(7);
    std::uniform_int_distribution<int> byte(0, 255);
    QByteArray stream;
    stream.reserve(kStreamBytes + 64 * 1024);
    while (stream.size() < kStreamBytes) {
        for (int i = 0; i < garbagePerFrame; ++i)
            stream.append(char(byte(random)));
        QByteArray payload(kLengths[size_t(command)], '\0');
        for (char &value : payload)
            value = char(byte(random));
        stream.append(CarLink::buildFrame(command, payload));
    }
    return stream;
}

void BM_ParseFrames(benchmark::State &state)
{
    const int command = int(state.range(0));
    const int garbage = int(state.range(1));
    const QByteArray stream = makeStream(command, garbage);
    qint64 frames = 0;
    for (auto _ : state) {
        CarFrameParser parser;
        parser.setFrameLengths(kLengths);
        parser.setHandler(command, [](const char *payload, int) { benchmark::DoNotOptimize(payload); });
        for (int at = 0; at < stream.size(); at += kReadSize)
            parser.append(stream.constData() + at, std::min(kReadSize, stream.size() - at));
        frames = parser.framesHandled(command);
    }
    state.SetBytesProcessed(state.iterations() * stream.size());
    state.counters["frames"] = double(frames);
}

// A car at the wrong baud rate: bytes that never form a header, read 4 KiB a
// poll, with the longest image the tab can be set to (999 × 999 colour). The
// parser first fills up to its bound, then keeps only the newest bytes.
constexpr int kGarbageRead = 4096;
const CarLink::FrameLengths kLargestImage{0, 999 * 999 * 2, 2 * 128, 8 * 4};

QByteArray headerlessGarbage(int size)
{
    std::mt19937 random(5);
    std::uniform_int_distribution<int> byte(4, 255); // no command byte, so no header
    QByteArray garbage(size, '\0');
    for (char &value : garbage)
        value = char(byte(random));
    return garbage;
}

// Per read, from an empty buffer until the bound has been passed twice.
void BM_GarbageFromEmpty(benchmark::State &state)
{
    CarFrameParser sizing;
    sizing.setFrameLengths(kLargestImage);
    const int reads = 2 * sizing.bufferLimit() / kGarbageRead;
    const QByteArray garbage = headerlessGarbage(kGarbageRead * 16);
    for (auto _ : state) {
        CarFrameParser parser;
        parser.setFrameLengths(kLargestImage);
        for (int i = 0; i < reads; ++i)
            parser.append(garbage.constData() + (i % 16) * kGarbageRead, kGarbageRead);
        benchmark::DoNotOptimize(parser.framesHandled(CarLink::Image));
    }
    state.counters["per_read"] = benchmark::Counter(double(state.iterations()) * reads,
                                                    benchmark::Counter::kIsRate
                                                        | benchmark::Counter::kInvert);
}

// Per read, once the buffer holds as much as it keeps.
void BM_GarbageAtTheBound(benchmark::State &state)
{
    CarFrameParser parser;
    parser.setFrameLengths(kLargestImage);
    parser.append(headerlessGarbage(parser.bufferLimit()));
    const QByteArray garbage = headerlessGarbage(kGarbageRead * 16);
    int i = 0;
    for (auto _ : state) {
        parser.append(garbage.constData() + (i++ % 16) * kGarbageRead, kGarbageRead);
        benchmark::DoNotOptimize(parser.framesHandled(CarLink::Image));
    }
}

// One frame from payload to both pictures, as the camera page shows it: the
// widgets let go of the last pictures, the decoder draws into them again.
void BM_CameraFrame(benchmark::State &state)
{
    CarCamera::Settings settings;
    settings.mode = int(state.range(0));
    settings.width = int(state.range(1));
    settings.height = settings.width * 3 / 4;
    const QSize display(int(state.range(2)), int(state.range(2)) * 3 / 4);
    CameraDecoder decoder(settings, display);
    QByteArray payload(decoder.payloadLength(), '\0');
    std::mt19937 random(11);
    for (char &value : payload)
        value = char(random());
    ImageWidget original;
    ImageWidget binary;
    for (auto _ : state) {
        original.takeImage();
        binary.takeImage();
        CameraPicture picture = decoder.decode(payload.constData(), 128);
        original.setImage(std::move(picture.original));
        if (!picture.binary.isNull())
            binary.setImage(std::move(picture.binary));
    }
    state.SetLabel(QStringLiteral("%1 %2x%3 on %4x%5")
                       .arg(QStringList{"binary", "grey", "colour"}[settings.mode])
                       .arg(settings.width)
                       .arg(settings.height)
                       .arg(display.width())
                       .arg(display.height())
                       .toStdString());
}

void cameraCases(benchmark::internal::Benchmark *bench)
{
    for (int mode : {0, 1, 2})
        for (int width : {80, 160, 320})
            for (int displayWidth : {320, 640})
                bench->Args({mode, width, displayWidth});
}

} // namespace

// A million stored samples with 100 steps of the set-point (channel 1) and
// a noisy second-order response (channel 2), analysed from scratch.
void BM_StepAnalysisMillion(benchmark::State &state)
{
    constexpr quint64 kSamples = 1000000;
    constexpr quint64 kStepEvery = kSamples / 101 + 1; // 101 levels: 100 jumps
    SampleStore store(kSamples);
    std::mt19937 random(39);
    std::uniform_real_distribution<double> noise(-0.5, 0.5);
    double position = 0, speed = 0;
    for (quint64 i = 0; i < kSamples; ++i) {
        const double setpoint = (i / kStepEvery) % 2 == 0 ? 20 : 70;
        speed += 0.002 * (setpoint - position) - 0.05 * speed;
        position += speed;
        const double values[2] = {setpoint, position + noise(random)};
        store.append(values, 2);
    }
    size_t steps = 0;
    for (auto _ : state) {
        StepAnalyzer analyzer;
        analyzer.update(store);
        steps = analyzer.steps().size();
        benchmark::DoNotOptimize(analyzer.steps().back().metrics.overshootPercent);
    }
    state.counters["steps"] = double(steps);
    state.counters["samples"] = double(kSamples);
}

BENCHMARK(BM_ParseFrames)
    ->ArgNames({"command", "garbage"})
    ->Args({1, 0})->Args({1, 16})
    ->Args({2, 0})->Args({2, 16})
    ->Args({3, 0})->Args({3, 16})
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_GarbageFromEmpty)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_GarbageAtTheBound)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_CameraFrame)->Apply(cameraCases)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_StepAnalysisMillion)->Unit(benchmark::kMillisecond);
