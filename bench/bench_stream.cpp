// The car tab's window under a steady sample stream, on a virtual display of
// its own (Xvfb): 8 channels a sample at a paced rate (100,000 samples/s by
// default) through a pseudo-terminal into the open tab, the oscilloscope page
// visible with its default zoom and auto tracking. Reports the CPU the
// window's process spends while the stream runs, and the samples stored and
// lost.
//
// The device is a child process writing the master end of the pseudo-
// terminal in batches every few milliseconds, so its own work is not
// counted.
//
// Usage: bench_stream [--protocol car|text|justfloat|custom|terminal] [--seconds N]
//                     [--rate PER_S] [--measure] [--steps]
//   car:       the car protocol's sample frames of 8 floats;
//   text:      lines "a:1.5,b:-2,...,h:0.25\n" of 8 labelled channels;
//   justfloat: 8 little-endian floats and the tail 00 00 80 7F;
//   custom:    frames the user described (kCustomFrame): AA 55, a length
//              byte, a type byte, 8 little-endian floats and CRC-16/MODBUS,
//              applied on the frame page;
//   terminal:  lines of text into the serial assistant's receive view
//              instead of the car tab; the rate is in bytes per second
//              (5,000,000 by default).
// A sample is one row of all 8 channels (one frame, one line) in every
// protocol but terminal. The text, JustFloat and custom protocols need the
// tab's protocol combo.
// --measure opens the page's measuring pane with the table in front and
// sets the trigger to "常规" on channel 1's rising edge through the middle
// of its swing, as a user tuning a loop would watch it.
// --steps makes channel 1 a set-point stepping every 50,000 samples and
// channel 2 a loop following it, so the step page (set-point channel 1,
// response channel 2, as it starts) finds and measures two steps a second;
// without it channel 1 is a sine and the page finds none.
#include "carframe.h"
#include "cartab.h"
#include "fakeports.h"
#include "framedescription.h"
#include "ptypair.h"
#include "rasterwindows.h"
#include "scopeview.h"
#include "stepview.h"
#include "uarttab.h"
#include "scripteddialogs.h"
#include "serialportpanel.h"
#include "virtualdisplay.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTimer>
#include <QtEndian>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

#include <poll.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

namespace {

constexpr int kChannels = 8;
constexpr int kBatchIntervalMs = 4;
constexpr double kWarmUpSeconds = 1;
constexpr double kCarTargetPercent = 10;
constexpr double kTextTargetPercent = 15;
constexpr double kTerminalTargetPercent = 5;
constexpr double kTerminalBytesPerSecond = 5e6;
constexpr char kTerminalLine[] = "speed=1234 angle=-56 ccd=0123456789ABCDEF\r\n";

enum class Protocol { Car, Text, JustFloat, Custom, Terminal };

// As many float channels as the car protocol's frames, framed as a typical
// sensor board does it.
const char kCustomFrame[] = R"({"format": "zentrik-frame", "version": 1, "name": "bench",
  "header": "AA 55", "length": {"at": 2, "size": 1, "endian": "little", "add": 0},
  "types": [{"name": "bench", "match": [{"at": 3, "is": "01"}],
    "fields": [{"name": "a", "at": 4, "type": "f32"}, {"name": "b", "at": 8, "type": "f32"},
               {"name": "c", "at": 12, "type": "f32"}, {"name": "d", "at": 16, "type": "f32"},
               {"name": "e", "at": 20, "type": "f32"}, {"name": "f", "at": 24, "type": "f32"},
               {"name": "g", "at": 28, "type": "f32"}, {"name": "h", "at": 32, "type": "f32"}]}],
  "checksum": {"kind": "crc16-modbus", "from": 0, "to": -2, "at": -2, "endian": "little"}})";

struct Options
{
    Protocol protocol = Protocol::Car;
    const char *protocolName = "car";
    double seconds = 8;
    double rate = -1; // samples, or bytes for the terminal, per second
    bool measure = false;
    bool steps = false;
};

// Set before the device is forked: what channels 1 and 2 carry, and the
// custom frames' description.
bool g_steps = false;
FrameFormat::Description g_frame;
constexpr qint64 kStepSamples = 50000; // two steps a second

// A set-point stepping between 300 and 700, and a loop with damping 0.5
// following it, settled long before the next step.
double stepValueOf(qint64 index, int channel)
{
    const qint64 step = index / kStepSamples;
    const double to = step % 2 == 0 ? 300 : 700;
    if (channel == 0)
        return to;
    const double from = step == 0 ? to : 1000 - to;
    constexpr double zeta = 0.5;
    constexpr double omega = 0.001; // radians a sample: settled within a fifth of the step
    const double damped = omega * std::sqrt(1 - zeta * zeta);
    const double t = double(index % kStepSamples);
    const double left = std::exp(-zeta * omega * t)
        * (std::cos(damped * t) + zeta / std::sqrt(1 - zeta * zeta) * std::sin(damped * t));
    return to + (from - to) * left;
}

// The value of channel `channel` in sample `index`: slow sines of their
// own period, as a car's signals mostly look.
double valueOf(qint64 index, int channel)
{
    if (g_steps && channel < 2)
        return stepValueOf(index, channel);
    return 500 + 400 * std::sin(double(index) / (2000.0 + 300 * channel));
}

void appendFloats(QByteArray &out, qint64 index)
{
    for (int channel = 0; channel < kChannels; ++channel) {
        const float value = float(valueOf(index, channel));
        quint32 bits;
        std::memcpy(&bits, &value, sizeof bits);
        char bytes[4];
        qToLittleEndian(bits, bytes);
        out.append(bytes, 4);
    }
}

// One sample as the device sends it.
void appendSample(QByteArray &out, Protocol protocol, qint64 index)
{
    switch (protocol) {
    case Protocol::Car: {
        QByteArray payload;
        appendFloats(payload, index);
        out.append(CarLink::buildFrame(CarLink::Scope, payload));
        break;
    }
    case Protocol::JustFloat:
        appendFloats(out, index);
        out.append("\x00\x00\x80\x7f", 4);
        break;
    case Protocol::Custom: {
        double values[kChannels];
        for (int channel = 0; channel < kChannels; ++channel)
            values[channel] = double(float(valueOf(index, channel)));
        out.append(FrameFormat::encode(g_frame, 0, values));
        break;
    }
    case Protocol::Terminal:
        out.append(kTerminalLine[index % (sizeof kTerminalLine - 1)]);
        break;
    case Protocol::Text: {
        char line[256];
        int length = 0;
        for (int channel = 0; channel < kChannels; ++channel)
            length += std::snprintf(line + length, sizeof line - size_t(length), "%s%c:%g",
                                    channel ? "," : "", 'a' + channel, valueOf(index, channel));
        out.append(line, length).append('\n');
        break;
    }
    }
}

double monotonicSeconds()
{
    timespec now{};
    ::clock_gettime(CLOCK_MONOTONIC, &now);
    return double(now.tv_sec) + now.tv_nsec / 1e9;
}

bool writeAll(int fd, const QByteArray &bytes)
{
    qint64 done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.constData() + done, size_t(bytes.size() - done));
        if (n > 0) {
            done += n;
        } else if (n < 0 && errno == EAGAIN) {
            pollfd writable{fd, POLLOUT, 0};
            ::poll(&writable, 1, 100);
        } else if (n < 0 && errno != EINTR) {
            return false;
        }
    }
    return true;
}

// The device: waits for the go byte on `goFd`, then sends `total` samples
// at `rate`, a batch every few milliseconds, and ends.
[[noreturn]] void runDevice(int masterFd, int goFd, Protocol protocol, qint64 total, double rate)
{
    char go = 0;
    if (::read(goFd, &go, 1) != 1)
        ::_exit(1);
    const double start = monotonicSeconds();
    qint64 sent = 0;
    QByteArray batch;
    while (sent < total) {
        const qint64 due = std::min(total, qint64((monotonicSeconds() - start) * rate));
        batch.clear();
        for (; sent < due; ++sent)
            appendSample(batch, protocol, sent);
        if (!writeAll(masterFd, batch))
            ::_exit(2);
        ::usleep(kBatchIntervalMs * 1000);
    }
    // The last bytes are read before the line goes away.
    ::sleep(2);
    ::_exit(0);
}

void runEventLoopFor(double seconds)
{
    QEventLoop loop;
    QTimer::singleShot(int(seconds * 1000), &loop, &QEventLoop::quit);
    loop.exec();
}

double processCpuSeconds()
{
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec)
        + double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

const char *protocolItem(Protocol protocol)
{
    switch (protocol) {
    case Protocol::Text:
        return "文本行";
    case Protocol::Terminal:
    case Protocol::JustFloat:
        return "JustFloat";
    case Protocol::Custom:
        return "自定义帧";
    case Protocol::Car:
        break;
    }
    return "智能车协议";
}

// The description typed into the frame page and applied, as a user does.
bool applyFrame(CarTab &tab)
{
    auto *text = tab.findChild<QPlainTextEdit *>("car_frame_json");
    auto *apply = tab.findChild<QPushButton *>("car_frame_apply");
    if (!text || !apply) {
        std::fprintf(stderr, "bench_stream: the car tab has no frame page (car_frame_json, "
                             "car_frame_apply)\n");
        return false;
    }
    text->setPlainText(QString::fromUtf8(kCustomFrame));
    apply->click();
    return true;
}

// The tab as a user leaves it: float samples of 8 channels, the protocol
// chosen, the oscilloscope page in front, the port open.
bool openTab(CarTab &tab, const Options &options, const QString &port)
{
    tab.resize(1300, 800);
    tab.show();
    tab.findChild<QTabWidget *>("car_tabWidget")
        ->setCurrentWidget(tab.findChild<QWidget *>("car_ware_tab"));
    tab.findChild<QComboBox *>("car_ware_type")->setCurrentIndex(6); // float
    if (auto *protocols = tab.findChild<QComboBox *>("car_protocol")) {
        const int index = protocols->findText(QString::fromUtf8(protocolItem(options.protocol)));
        if (index < 0) {
            std::fprintf(stderr, "bench_stream: no protocol item %s\n",
                         protocolItem(options.protocol));
            return false;
        }
        protocols->setCurrentIndex(index);
        if (options.protocol == Protocol::Custom && !applyFrame(tab))
            return false;
    } else if (options.protocol != Protocol::Car) {
        std::fprintf(stderr, "bench_stream: the car tab has no protocol combo; only car runs\n");
        return false;
    }
    if (options.measure) {
        tab.findChild<QCheckBox *>("car_ware_toolsShown")->setChecked(true);
        auto *mode = tab.findChild<QComboBox *>("car_ware_trigMode");
        mode->setCurrentIndex(mode->findText(QString::fromUtf8("常规")));
        tab.findChild<QDoubleSpinBox *>("car_ware_trigLevel")->setValue(500);
    }
    QApplication::processEvents();
    tab.findChild<QComboBox *>("car_portBox")->setEditText(port);
    tab.findChild<QPushButton *>("car_OpenCloseButton")->click();
    if (!tab.panel()->isOpen()) {
        std::fprintf(stderr, "bench_stream: the pseudo-terminal did not open\n");
        return false;
    }
    return true;
}

// The serial assistant as a user leaves it: text shown, the port open.
bool openTerminal(UartTab &tab, const QString &port)
{
    tab.resize(1300, 800);
    tab.show();
    QApplication::processEvents();
    tab.findChild<QComboBox *>("uart_portBox")->setEditText(port);
    tab.findChild<QPushButton *>("uart_OpenCloseButton")->click();
    if (!tab.panel()->isOpen()) {
        std::fprintf(stderr, "bench_stream: the pseudo-terminal did not open\n");
        return false;
    }
    return true;
}

double targetPercent(Protocol protocol)
{
    switch (protocol) {
    case Protocol::Car:
    case Protocol::Custom: // the same rows at the same rate: no dearer
        return kCarTargetPercent;
    case Protocol::Text:
        return kTextTargetPercent;
    case Protocol::Terminal:
        return kTerminalTargetPercent;
    case Protocol::JustFloat:
        break;
    }
    return 0;
}

bool parseOptions(int argc, char **argv, Options &options)
{
    for (int i = 1; i < argc; i += 2) {
        const std::string name = argv[i];
        if (name == "--measure" || name == "--steps") {
            (name == "--measure" ? options.measure : options.steps) = true;
            --i; // takes no value
            continue;
        }
        const char *value = i + 1 < argc ? argv[i + 1] : nullptr;
        if (!value) {
            std::fprintf(stderr, "bench_stream: %s wants a value\n", name.c_str());
            return false;
        } else if (name == "--seconds") {
            options.seconds = std::max(1.0, std::atof(value));
        } else if (name == "--rate") {
            options.rate = std::max(1000.0, std::atof(value));
        } else if (name == "--protocol" && std::strcmp(value, "car") == 0) {
            options.protocol = Protocol::Car;
        } else if (name == "--protocol" && std::strcmp(value, "text") == 0) {
            options.protocol = Protocol::Text;
        } else if (name == "--protocol" && std::strcmp(value, "justfloat") == 0) {
            options.protocol = Protocol::JustFloat;
        } else if (name == "--protocol" && std::strcmp(value, "custom") == 0) {
            options.protocol = Protocol::Custom;
        } else if (name == "--protocol" && std::strcmp(value, "terminal") == 0) {
            options.protocol = Protocol::Terminal;
        } else {
            std::fprintf(stderr, "usage: bench_stream [--protocol "
                                 "car|text|justfloat|custom|terminal] [--seconds N] "
                                 "[--rate PER_S] [--measure] [--steps]\n");
            return false;
        }
        if (name == "--protocol")
            options.protocolName = value;
    }
    return true;
}

} // namespace

int main(int argc, char **argv)
{
    Options options;
    if (!parseOptions(argc, argv, options))
        return 2;
    g_steps = options.steps;
    FrameFormat::Refusal refusal;
    if (options.protocol == Protocol::Custom
        && !FrameFormat::parse(kCustomFrame, &g_frame, &refusal)) {
        std::fprintf(stderr, "bench_stream: %s\n", refusal.text().toLocal8Bit().constData());
        return 2;
    }
    if (options.rate < 0)
        options.rate = options.protocol == Protocol::Terminal ? kTerminalBytesPerSecond : 100000;
    // Warm-up, measurement and a second for the tail; the store must hold
    // every sample for the count of lost ones to mean anything.
    const qint64 total = qint64(options.rate * (kWarmUpSeconds + options.seconds + 1));
    if (options.protocol != Protocol::Terminal && quint64(total) > SampleStore::kDefaultCapacity) {
        std::fprintf(stderr, "bench_stream: %lld samples do not fit the store; fewer seconds\n",
                     static_cast<long long>(total));
        return 2;
    }
    VirtualDisplay display;
    if (!display.start()) {
        std::fprintf(stderr, "bench_stream: could not start Xvfb\n");
        return 1;
    }
    PtyPair device;
    int goPipe[2];
    if (!device.isValid() || ::pipe(goPipe) != 0)
        return 1;
    // Forked before any thread exists in this process.
    const pid_t feeder = ::fork();
    if (feeder == 0) {
        ::close(goPipe[1]);
        runDevice(device.masterFd(), goPipe[0], options.protocol, total, options.rate);
    }
    ::close(goPipe[0]);

    qputenv("DISPLAY", QByteArray::fromStdString(display.name()));
    qputenv("QT_QPA_PLATFORM", "xcb");
    int result = 1;
    {
        useRasterWindows();
        QApplication app(argc, argv);
        ScriptedDialogs dialogs;
        FakePorts ports;
        std::unique_ptr<CarTab> carTab;
        std::unique_ptr<UartTab> uartTab;
        bool open = false;
        if (options.protocol == Protocol::Terminal) {
            uartTab = std::make_unique<UartTab>(dialogs, ports.source());
            open = openTerminal(*uartTab, device.slavePath());
        } else {
            carTab = std::make_unique<CarTab>(dialogs, ports.source());
            open = openTab(*carTab, options, device.slavePath());
        }
        // What arrived: samples stored, or bytes counted.
        const auto arrived = [&] {
            return carTab ? double(carTab->scopeView()->store().size()) : double(uartTab->rxTotal());
        };
        const char go = 1;
        if (open && (runEventLoopFor(1), ::write(goPipe[1], &go, 1) == 1)) {
            runEventLoopFor(kWarmUpSeconds);
            const double cpuBefore = processCpuSeconds();
            QElapsedTimer clock;
            clock.start();
            runEventLoopFor(options.seconds);
            const double cpu = 100 * (processCpuSeconds() - cpuBefore) / (clock.nsecsElapsed() / 1e9);
            runEventLoopFor(2);
            const double target = targetPercent(options.protocol);
            if (uartTab)
                std::printf("bench_stream: terminal, %.0f bytes/s of text lines into the serial "
                            "assistant, over %.0f s on Xvfb %s\n",
                            options.rate, options.seconds, display.name().c_str());
            else
                std::printf("bench_stream: %s, %.0f samples/s of %d channels%s, over %.0f s on "
                            "Xvfb %s\n",
                            options.protocolName, options.rate, kChannels,
                            options.measure ? ", measuring with the trigger on" : "",
                            options.seconds, display.name().c_str());
            if (carTab && options.steps)
                std::printf("steps on channels 1 and 2 measured on the step response page\n");
            if (carTab)
                std::printf("steps kept: %zu\n", carTab->stepView()->analyzer().steps().size());
            std::printf("cpu_percent=%.2f %s=%.0f lost=%.0f", cpu, carTab ? "stored" : "received",
                        arrived(), double(total) - arrived());
            if (target > 0)
                std::printf("  target <= %.0f %%: %s", target, cpu <= target ? "ok" : "OVER");
            std::printf("\n");
            std::fflush(stdout);
            result = arrived() == double(total) ? 0 : 1;
        }
    }
    ::close(goPipe[1]);
    ::kill(feeder, SIGTERM);
    ::waitpid(feeder, nullptr, 0);
    return result;
}
