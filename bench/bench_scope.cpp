// The oscilloscope under load: storing samples, measuring and redrawing a
// full history, and the simulated car streaming sample frames into the car
// tab.
#include "carframe.h"
#include "customframedecoder.h"
#include "cartab.h"
#include "decimatedseries.h"
#include "fakeports.h"
#include "ptypair.h"
#include "sampledecoders.h"
#include "samplestore.h"
#include "scopecsv.h"
#include "scopemeasure.h"
#include "scopeview.h"
#include "scripteddialogs.h"
#include "serialportpanel.h"
#include "simulatorprocess.h"
#include "spectrum.h"

#include <qwt_plot.h>
#include <qwt_plot_canvas.h>
#include <qwt_plot_curve.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QPushButton>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTimer>
#include <QtEndian>

#include <benchmark/benchmark.h>

#include <cmath>
#include <vector>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
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

// Eight noisy sines of different periods, a full history.
void fillNoisySines(SampleStore &store)
{
    QRandomGenerator random(11);
    double values[SampleStore::kChannels];
    for (quint64 s = 0; s < kFull; ++s) {
        for (int channel = 0; channel < SampleStore::kChannels; ++channel)
            values[channel] = 500 + 400 * std::sin(double(s) / (50.0 + 13 * channel))
                + random.bounded(20.0);
        store.append(values, SampleStore::kChannels);
    }
}

// The measurement table's rows for a visible range of a million samples:
// statistics and the frequency from crossings of every channel.
void BM_MeasureVisibleMillion(benchmark::State &state)
{
    constexpr quint64 kVisible = 1000000;
    SampleStore store;
    fillNoisySines(store);
    const quint64 first = store.size() - kVisible;
    double sink = 0;
    for (auto _ : state) {
        for (int channel = 0; channel < SampleStore::kChannels; ++channel) {
            const ChannelMeasurement row = measureChannel(store.window(channel) + first, kVisible);
            sink += row.stats.rms + row.cyclesPerSample.value_or(0);
        }
        benchmark::DoNotOptimize(sink);
    }
    state.counters["samples"] = double(kVisible * SampleStore::kChannels);
}

// One channel's spectrum of the largest size, its plan already made.
void BM_Spectrum65536(benchmark::State &state)
{
    SampleStore store;
    fillNoisySines(store);
    Spectrum spectrum;
    spectrum.compute(store.window(0), store.size());
    for (auto _ : state) {
        benchmark::DoNotOptimize(spectrum.compute(store.window(0), store.size()).data());
        benchmark::DoNotOptimize(spectrum.peakBin());
    }
    state.counters["points"] = spectrum.points();
}

// A full history of 8 float channels written to a waveform file and read
// back from it, as the page's export and import do.
void BM_ImportFullHistoryFile(benchmark::State &state)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("full.csv");
    {
        SampleStore store;
        fill(store, kFull);
        QFile out(path);
        out.open(QIODevice::WriteOnly);
        QStringList names;
        for (int channel = 1; channel <= SampleStore::kChannels; ++channel)
            names.append(QStringLiteral("ch%1").arg(channel));
        writeScopeCsv(out, store, SampleStore::kChannels, 6, names, [](qint64) { return true; });
    }
    SampleStore store;
    for (auto _ : state) {
        QFile in(path);
        in.open(QIODevice::ReadOnly | QIODevice::Unbuffered);
        ScopeCsvReader reader(in);
        store.clear();
        if (!reader.readConfiguration() || !reader.readChannels()
            || reader.appendTo(store, [](qint64) { return true; }) != CsvReadResult::Read) {
            state.SkipWithError("the file did not read back");
            return;
        }
    }
    state.counters["file_MB"] = double(QFileInfo(path).size()) / 1e6;
    state.counters["samples"] = double(store.size());
}

// 20 MiB of short lines after a configuration line of two channels: refused
// for its line count. The scan keeps nothing per line, so resident memory
// stays at the read chunk whatever the number of lines.
void BM_RefuseFileOfShortLines(benchmark::State &state)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("short.csv");
    const int lines = 5 * 1024 * 1024 - 1;
    {
        QFile out(path);
        out.open(QIODevice::WriteOnly);
        out.write("2,1\n" + QByteArray("a,1\n").repeated(lines));
    }
    for (auto _ : state) {
        QFile in(path);
        in.open(QIODevice::ReadOnly | QIODevice::Unbuffered);
        ScopeCsvReader reader(in);
        if (reader.readConfiguration()) {
            state.SkipWithError("a file of short lines was accepted");
            return;
        }
    }
    state.counters["file_MB"] = double(QFileInfo(path).size()) / 1e6;
    state.counters["lines"] = double(lines);
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

    // Sawtooth and noise: every pixel column of a full history spans the
    // whole height, the most a curve can cost to paint. Smooth: slow sines,
    // each column a few pixels high, as most car signals look.
    enum class Shape { Sawtooth, Noise, Smooth };
    void fillSamples(quint64 samples, Shape shape = Shape::Sawtooth)
    {
        QRandomGenerator random(7);
        double values[SampleStore::kChannels];
        for (quint64 s = 0; s < samples; ++s) {
            for (int channel = 0; channel < SampleStore::kChannels; ++channel) {
                switch (shape) {
                case Shape::Sawtooth:
                    values[channel] = double((s * (channel + 3)) % 1000);
                    break;
                case Shape::Noise:
                    values[channel] = random.bounded(1000.0);
                    break;
                case Shape::Smooth:
                    values[channel] = 500 + 400 * std::sin(double(s) / (20000.0 + channel * 3000));
                    break;
                }
            }
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

void redrawBenchmark(benchmark::State &state, double span,
                     ShownScope::Shape shape = ShownScope::Shape::Sawtooth)
{
    ShownScope scope;
    scope.fillSamples(kFull, shape);
    scope.setSpan(span);
    scope.redrawOnce();
    for (auto _ : state)
        scope.redrawOnce();
    state.counters["canvas_w"] = scope.canvas->width();
    state.counters["canvas_h"] = scope.canvas->height();
}

// The worst case: 8 channels whose every pixel column spans the height.
void BM_RedrawFullHistory(benchmark::State &state)
{
    redrawBenchmark(state, double(kFull));
}

void BM_RedrawFullHistoryNoise(benchmark::State &state)
{
    redrawBenchmark(state, double(kFull), ShownScope::Shape::Noise);
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
    redrawBenchmark(state, double(kFull), ShownScope::Shape::Smooth);
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

// The car tab open on a port, 8 float channels a sample, with the longest
// time its event loop went without running a 1 ms timer, beyond the
// millisecond it was due after.
struct StreamedTab
{
    ScriptedDialogs dialogs;
    FakePorts ports;
    CarTab tab{dialogs, ports.source()};
    QElapsedTimer sinceTick;
    qint64 longestStallUs = 0;
    QTimer tick;

    StreamedTab()
    {
        tab.resize(1300, 800);
        tab.show();
        QApplication::processEvents();
        tab.findChild<QComboBox *>("car_ware_type")->setCurrentIndex(6); // float, 8 channels
        tick.setTimerType(Qt::PreciseTimer);
        QObject::connect(&tick, &QTimer::timeout, [this] {
            longestStallUs = std::max(longestStallUs, sinceTick.nsecsElapsed() / 1000 - 1000);
            sinceTick.restart();
        });
    }

    bool open(const QString &port)
    {
        tab.findChild<QComboBox *>("car_portBox")->setEditText(port);
        tab.findChild<QPushButton *>("car_OpenCloseButton")->click();
        return tab.panel()->isOpen();
    }

    // Seconds until `frames` sample frames have arrived; the port is closed
    // after.
    double receive(int frames)
    {
        QElapsedTimer clock;
        clock.start();
        sinceTick.start();
        tick.start(1);
        ScopeView *scope = tab.scopeView();
        while (scope->framesReceived() < frames && clock.elapsed() < 120000)
            QApplication::processEvents(QEventLoop::WaitForMoreEvents);
        const double seconds = clock.nsecsElapsed() / 1e9;
        tick.stop();
        tab.findChild<QPushButton *>("car_OpenCloseButton")->click();
        return seconds;
    }

    void report(benchmark::State &state, int frames) const
    {
        const SampleStore &store = tab.scopeView()->store();
        state.counters["stored"] = double(store.size());
        state.counters["lost"] = double(frames) - double(store.size());
        state.counters["longest_stall_ms"] = double(longestStallUs) / 1000;
    }
};

// The simulator streaming 8 float channels over its pseudo-terminal as fast
// as the line takes them, into the open car tab: its port, its frame parser
// and the oscilloscope page, as a user runs it. The simulator has a head
// start while the tab opens, so the line is full from the first read.
void BM_StreamFloatFramesFromSimulator(benchmark::State &state)
{
    const int frames = int(state.range(0));
    StreamedTab streamed;
    for (auto _ : state) {
        SimulatorProcess sim;
        if (!sim.start(QStringLiteral(ZENTRIK_SIM_PATH),
                       {"car", "--send", "scope", "--channels", "8", "--sample-type", "float",
                        "--fps", "0", "--rounds", QString::number(frames)})) {
            state.SkipWithError(qPrintable(sim.error()));
            return;
        }
        if (!streamed.open(sim.portPath())) {
            state.SkipWithError("the simulator's port did not open");
            return;
        }
        const double seconds = streamed.receive(frames);
        state.SetIterationTime(seconds);
        state.counters["samples_per_s"] = streamed.tab.scopeView()->framesReceived() / seconds;
    }
    streamed.report(state, frames);
}

// Sample frames of 8 floats each, as the car sends them.
QByteArray floatFrameStream(int frames)
{
    QByteArray stream;
    stream.reserve(frames * (8 * 4 + 4));
    for (int frame = 0; frame < frames; ++frame) {
        QByteArray payload;
        for (int channel = 0; channel < 8; ++channel) {
            const float value = float(500 + 400 * std::sin(frame / (2000.0 + 300 * channel)));
            char bytes[4];
            qToLittleEndian(value, bytes);
            payload.append(bytes, 4);
        }
        stream.append(CarLink::buildFrame(CarLink::Scope, payload));
    }
    return stream;
}

// A device that costs next to nothing: a child process writing the stream
// into the master end as fast as the line takes it. Only write() and poll()
// in the child: this process has threads.
pid_t startWriting(const PtyPair &device, const QByteArray &stream)
{
    const pid_t writer = ::fork();
    if (writer != 0)
        return writer;
    for (qint64 done = 0; done < stream.size();) {
        const ssize_t n = ::write(device.masterFd(), stream.constData() + done,
                                  size_t(stream.size() - done));
        if (n > 0) {
            done += n;
        } else {
            pollfd writable{device.masterFd(), POLLOUT, 0};
            ::poll(&writable, 1, 100);
        }
    }
    ::_exit(0);
}

void stopWriting(pid_t writer)
{
    ::kill(writer, SIGKILL);
    ::waitpid(writer, nullptr, 0);
}

// The same stream from that device, so the figure is the tab's own and the
// line's, not the simulator's.
void BM_StreamFloatFramesFromDevice(benchmark::State &state)
{
    const int frames = int(state.range(0));
    const QByteArray stream = floatFrameStream(frames);
    StreamedTab streamed;
    for (auto _ : state) {
        PtyPair device;
        if (!streamed.open(device.slavePath())) {
            state.SkipWithError("the pseudo-terminal did not open");
            return;
        }
        const pid_t writer = startWriting(device, stream);
        const double seconds = streamed.receive(frames);
        stopWriting(writer);
        state.SetIterationTime(seconds);
        state.counters["samples_per_s"] = streamed.tab.scopeView()->framesReceived() / seconds;
    }
    streamed.report(state, frames);
}

// What the pseudo-terminal itself carries on this machine: the stream above
// read by a bare loop that only counts bytes. No reader can store more
// samples a second than this; the benchmark above is measured against it.
void BM_PseudoTerminalCarriesFloatFrames(benchmark::State &state)
{
    const int frames = int(state.range(0));
    const QByteArray stream = floatFrameStream(frames);
    std::vector<char> buffer(1 << 16);
    for (auto _ : state) {
        PtyPair device;
        const int fd = ::open(QFile::encodeName(device.devicePath()).constData(),
                              O_RDONLY | O_NOCTTY | O_NONBLOCK);
        termios raw{};
        if (fd < 0 || ::tcgetattr(fd, &raw) != 0) {
            state.SkipWithError("the pseudo-terminal did not open");
            return;
        }
        ::cfmakeraw(&raw);
        ::tcsetattr(fd, TCSANOW, &raw);
        QElapsedTimer clock;
        clock.start();
        const pid_t writer = startWriting(device, stream);
        qint64 received = 0;
        while (received < stream.size() && clock.elapsed() < 120000) {
            pollfd readable{fd, POLLIN, 0};
            ::poll(&readable, 1, 100);
            for (ssize_t n; (n = ::read(fd, buffer.data(), buffer.size())) > 0;)
                received += n;
        }
        const double seconds = clock.nsecsElapsed() / 1e9;
        stopWriting(writer);
        ::close(fd);
        state.SetIterationTime(seconds);
        state.counters["samples_per_s"] = double(received) / stream.size() * frames / seconds;
    }
}

// A stream of `rows` samples of 8 channels as a firmware prints or sends them.
QByteArray labelledLines(int rows)
{
    static const char *const names[] = {"speed", "err", "pwm_l", "pwm_r",
                                        "yaw",   "gyro", "enc_l", "enc_r"};
    QByteArray text;
    for (int row = 0; row < rows; ++row) {
        for (int channel = 0; channel < SampleStore::kChannels; ++channel) {
            const double value = 1000 * std::sin(row / (50.0 + 7 * channel));
            text += names[channel];
            text += ':';
            // Half the channels as "%.3f", half as "%d", as firmware prints them.
            text += channel % 2 ? QByteArray::number(int(value))
                                : QByteArray::number(value, 'f', 3);
            text += channel + 1 < SampleStore::kChannels ? ',' : '\n';
        }
    }
    return text;
}

QByteArray justFloatFrames(int rows)
{
    QByteArray frames;
    for (int row = 0; row < rows; ++row) {
        for (int channel = 0; channel < SampleStore::kChannels; ++channel) {
            char bytes[4];
            qToLittleEndian(float(1000 * std::sin(row / (50.0 + 7 * channel))), bytes);
            frames.append(bytes, 4);
        }
        frames.append("\x00\x00\x80\x7f", 4);
    }
    return frames;
}

// The stream, again and again, in reads of a few KiB as a port hands them,
// decoded into a full store. The decoder has seen the stream once before
// the clock starts (JustFloat learns its frame length from it).
void decodeIntoStore(benchmark::State &state, SampleDecoder &decoder, const QByteArray &stream,
                     int rows)
{
    constexpr int kReadBytes = 4096;
    SampleStore store;
    fill(store, kFull);
    decoder.setRowHandler(
        [&store](const double *values, int count) { store.append(values, count); });
    const auto feed = [&] {
        for (int at = 0; at < stream.size(); at += kReadBytes)
            decoder.append(stream.constData() + at, qMin(kReadBytes, stream.size() - at));
    };
    feed();
    const qint64 before = decoder.rowsDecoded();
    qint64 sent = 0;
    for (auto _ : state) {
        feed();
        sent += rows;
    }
    const qint64 decoded = decoder.rowsDecoded() - before;
    using benchmark::Counter;
    state.counters["samples_per_s"] = Counter(double(decoded), Counter::kIsRate);
    state.counters["lost"] = double(sent - decoded);
    state.counters["MB_per_s"] =
        Counter(double(stream.size()) * double(state.iterations()) / 1e6, Counter::kIsRate);
}

// 8 labelled channels a line: "speed:12.345,err:-3,...".
void BM_DecodeLabelledTextIntoStore(benchmark::State &state)
{
    const int rows = 20000;
    TextLineDecoder decoder;
    decodeIntoStore(state, decoder, labelledLines(rows), rows);
}

// 8 floats and the tail 00 00 80 7F a frame.
void BM_DecodeJustFloatIntoStore(benchmark::State &state)
{
    const int rows = 20000;
    JustFloatDecoder decoder;
    decodeIntoStore(state, decoder, justFloatFrames(rows), rows);
}

// The IMU example: a length byte, a type byte, an i16 and an f32, and a
// CRC-16/MODBUS a frame. samples_per_s counts rows, as above;
// items_per_second counts channel values (two a row).
void BM_DecodeCustomFramesIntoStore(benchmark::State &state)
{
    QFile file(QStringLiteral(ZENTRIK_EXAMPLES_DIR "/frames/imu-crc16-modbus.zframe"));
    FrameFormat::Description description;
    if (!file.open(QIODevice::ReadOnly) || !FrameFormat::parse(file.readAll(), &description, nullptr)) {
        state.SkipWithError("the example description cannot be read");
        return;
    }
    const int rows = 20000;
    QByteArray stream;
    for (int row = 0; row < rows; ++row) {
        const double values[] = {(row % 2000 - 1000) * 0.01, std::sin(row * 0.01)};
        stream += FrameFormat::encode(description, 0, values);
    }
    CustomFrameDecoder decoder(description);
    decodeIntoStore(state, decoder, stream, rows);
    state.SetItemsProcessed(state.iterations() * rows * description.channels.size());
}

} // namespace

BENCHMARK(BM_AppendSample8Channels);
BENCHMARK(BM_MeasureVisibleMillion)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Spectrum65536)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ImportFullHistoryFile)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RefuseFileOfShortLines)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RedrawEmpty)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RedrawFullHistory)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RedrawFullHistoryNoise)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RedrawFullHistorySmooth)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RedrawNewest10000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RedrawFullHistoryUnreduced)->Unit(benchmark::kMillisecond)->Iterations(2);
BENCHMARK(BM_StreamFloatFramesFromSimulator)
    ->Arg(1000000)
    ->Iterations(1)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_StreamFloatFramesFromDevice)
    ->Arg(1000000)
    ->Iterations(1)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PseudoTerminalCarriesFloatFrames)
    ->Arg(1000000)
    ->Iterations(1)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DecodeLabelledTextIntoStore)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DecodeJustFloatIntoStore)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DecodeCustomFramesIntoStore)->Unit(benchmark::kMillisecond);
