// The oscilloscope under load: storing samples, redrawing a full history,
// and a car streaming sample frames over a serial link.
#include "decimatedseries.h"
#include "samplestore.h"
#include "scopeview.h"
#include "scripteddialogs.h"
#include "serialport.h"

#include <qwt_plot.h>
#include <qwt_plot_canvas.h>
#include <qwt_plot_curve.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QElapsedTimer>
#include <QTimer>
#include <QtEndian>

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstring>
#include <thread>

#include <pty.h>
#include <termios.h>
#include <unistd.h>

namespace {

constexpr quint64 kFull = SampleStore::kDefaultCapacity;

void fill(SampleStore &store, quint64 samples)
{
    double values[SampleStore::kChannels];
    for (quint64 s = 0; s < samples; ++s) {
        for (int channel = 0; channel < SampleStore::kChannels; ++channel)
            values[channel] = double((s * (channel + 3)) % 1000);
        store.append(values, SampleStore::kChannels);
    }
}

// Steady state: the windows are full, so every sample also slides them.
void BM_AppendSample8Channels(benchmark::State &state)
{
    SampleStore store;
    fill(store, kFull);
    double values[SampleStore::kChannels] = {1, 2, 3, 4, 5, 6, 7, 8};
    for (auto _ : state) {
        values[0] += 1;
        store.append(values, SampleStore::kChannels);
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations());
}

// A page whose canvas is 1000 × 400 pixels, shown on the offscreen screen.
struct ShownScope
{
    ScriptedDialogs dialogs;
    ScopeView view{dialogs};
    QWidget *canvas = nullptr;

    ShownScope()
    {
        auto *plot = view.findChild<QwtPlot *>("car_scope");
        canvas = plot->canvas();
        view.resize(1300, 600);
        view.show();
        QApplication::processEvents();
        for (int attempt = 0; attempt < 3; ++attempt) {
            plot->setFixedSize(plot->size() + QSize(1000, 400) - canvas->size());
            view.adjustSize();
            QApplication::processEvents();
        }
    }

    // Sawtooth: every pixel column of a full history spans the whole
    // height, the most a curve can cost to paint. Smooth: slow sines, each
    // column a few pixels high, as most car signals look.
    void fillSamples(quint64 samples, bool smooth = false)
    {
        double values[SampleStore::kChannels];
        for (quint64 s = 0; s < samples; ++s) {
            for (int channel = 0; channel < SampleStore::kChannels; ++channel)
                values[channel] = smooth ? 500 + 400 * std::sin(double(s) / (20000.0 + channel * 3000))
                                         : double((s * (channel + 3)) % 1000);
            view.appendSample(values);
        }
    }

    void setSpan(double span)
    {
        auto *plot = view.findChild<QwtPlot *>("car_scope");
        plot->setAxisScale(QwtPlot::xBottom, 0, span);
        plot->updateAxes();
    }

    // One sample arrives and the page draws it, painting synchronously.
    void redrawOnce()
    {
        const double values[SampleStore::kChannels] = {};
        view.appendSample(values);
        view.redrawNow();
        canvas->repaint();
    }
};

void redrawBenchmark(benchmark::State &state, double span, bool smooth = false)
{
    ShownScope scope;
    scope.fillSamples(kFull, smooth);
    scope.setSpan(span);
    scope.redrawOnce();
    for (auto _ : state)
        scope.redrawOnce();
    state.counters["canvas_w"] = scope.canvas->width();
    state.counters["canvas_h"] = scope.canvas->height();
}

void BM_RedrawFullHistory(benchmark::State &state)
{
    redrawBenchmark(state, double(kFull));
}

// What a redraw costs before any curve: axes, grid, canvas background.
void BM_RedrawEmpty(benchmark::State &state)
{
    ShownScope scope;
    scope.redrawOnce();
    for (auto _ : state)
        scope.redrawOnce();
}

void BM_RedrawFullHistorySmooth(benchmark::State &state)
{
    redrawBenchmark(state, double(kFull), true);
}

void BM_RedrawNewest10000(benchmark::State &state)
{
    redrawBenchmark(state, 10000);
}

// For comparison: the same full history handed to the curves as raw arrays,
// every point mapped and drawn.
void BM_RedrawFullHistoryUnreduced(benchmark::State &state)
{
    ShownScope scope;
    scope.fillSamples(kFull);
    auto *plot = scope.view.findChild<QwtPlot *>("car_scope");
    scope.view.findChild<QCheckBox *>("car_ware_autox")->setChecked(false);
    scope.setSpan(double(kFull));
    const SampleStore &store = scope.view.store();
    const QwtPlotItemList curves = plot->itemList(QwtPlotItem::Rtti_PlotCurve);
    for (int channel = 0; channel < curves.size(); ++channel)
        static_cast<QwtPlotCurve *>(curves[channel])
            ->setRawSamples(store.xValues(), store.window(channel), int(store.size()));
    for (auto _ : state) {
        plot->replot();
        scope.canvas->repaint();
    }
}

// A car streaming 8 float channels over a pseudo-terminal as fast as the
// line takes them, while the page stores and draws. The frames are cut here
// the simplest way (fixed length, command 3 only) in place of the car tab.
void BM_StreamFloatFramesOverPty(benchmark::State &state)
{
    const int frames = int(state.range(0));
    int master = -1;
    int slave = -1;
    char name[256] = {};
    if (openpty(&master, &slave, name, nullptr, nullptr) != 0) {
        state.SkipWithError("no pseudo-terminal");
        return;
    }
    termios raw{};
    tcgetattr(slave, &raw);
    cfmakeraw(&raw);
    tcsetattr(slave, TCSANOW, &raw);

    ShownScope scope;
    scope.view.setLinkOpen(false); // defaults: 8 channels
    scope.view.findChild<QComboBox *>("car_ware_type")->setCurrentIndex(6); // float
    scope.view.setLinkOpen(true);
    const int payloadLength = scope.view.payloadLength();
    SerialPort port;
    if (!port.open(QString::fromLocal8Bit(name))) {
        state.SkipWithError("cannot open the pseudo-terminal");
        return;
    }

    QByteArray received;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        received += port.readAll();
        int at = 0;
        const int frameLength = payloadLength + 4;
        while (received.size() - at >= frameLength) {
            const char *frame = received.constData() + at;
            if (frame[0] == 3 && quint8(frame[1]) == 0xFC && quint8(frame[frameLength - 2]) == 0xFC
                && frame[frameLength - 1] == 3) {
                scope.view.handleFrame(frame + 2, payloadLength);
                at += frameLength;
            } else {
                ++at;
            }
        }
        received.remove(0, at);
    });

    // The longest time the event loop went without running a 1 ms timer.
    QElapsedTimer sinceTick;
    qint64 longestGap = 0;
    QTimer tick;
    QObject::connect(&tick, &QTimer::timeout, [&] {
        longestGap = std::max(longestGap, sinceTick.restart());
    });

    for (auto _ : state) {
        std::thread car([&] {
            QByteArray batch;
            for (int sample = 0; sample < frames; ++sample) {
                char frame[36] = {3, char(0xFC)};
                for (int channel = 0; channel < 8; ++channel) {
                    const float value = float(sample % 100000) + channel;
                    quint32 bits;
                    std::memcpy(&bits, &value, 4);
                    qToLittleEndian(bits, frame + 2 + 4 * channel);
                }
                frame[34] = char(0xFC);
                frame[35] = 3;
                batch.append(frame, 36);
                if (batch.size() >= 36 * 1024 || sample + 1 == frames) {
                    for (qint64 done = 0; done < batch.size();) {
                        const ssize_t n = ::write(master, batch.constData() + done,
                                                  size_t(batch.size() - done));
                        if (n <= 0)
                            return;
                        done += n;
                    }
                    batch.clear();
                }
            }
        });
        QElapsedTimer clock;
        clock.start();
        poll.start(10);
        sinceTick.start();
        tick.start(1);
        while (scope.view.framesReceived() < frames && clock.elapsed() < 120000)
            QApplication::processEvents(QEventLoop::WaitForMoreEvents);
        const double seconds = clock.nsecsElapsed() / 1e9;
        tick.stop();
        poll.stop();
        car.join();
        state.SetIterationTime(seconds);
        state.counters["samples_per_s"] = scope.view.framesReceived() / seconds;
    }
    const SampleStore &store = scope.view.store();
    state.counters["stored"] = double(scope.view.framesReceived());
    state.counters["newest_ok"] =
        store.size() > 0 && store.window(0)[store.size() - 1] == double((frames - 1) % 100000);
    state.counters["longest_stall_ms"] = double(longestGap);
    ::close(slave);
    ::close(master);
}

} // namespace

BENCHMARK(BM_AppendSample8Channels);
BENCHMARK(BM_RedrawEmpty)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RedrawFullHistory)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RedrawFullHistorySmooth)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RedrawNewest10000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RedrawFullHistoryUnreduced)->Unit(benchmark::kMillisecond)->Iterations(2);
BENCHMARK(BM_StreamFloatFramesOverPty)
    ->Arg(1000000)
    ->Iterations(1)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
