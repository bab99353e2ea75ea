// Soak run of the smart-car tab: the whole main window, its car tab open on
// a pseudo-terminal, and a car played from a thread of its own that sends
// camera images, CCD lines and oscilloscope samples (the simulator's scene)
// as fast as the tab takes them, with random bytes before every frame and a
// wrong trailer on every few frames. Every 10 s the harness notes resident
// memory, the frames sent and parsed, and the longest event-loop stall of
// the interval; at the end it reports whether memory stayed bounded and how
// many valid frames were lost.
//
//   soak_car [--minutes M | --seconds S] [--report FILE]
#include "cartab.h"
#include "carframe.h"
#include "carscene.h"
#include "ccdview.h"
#include "fakeports.h"
#include "mainwindow.h"
#include "ptypair.h"
#include "sampletypes.h"
#include "scopeview.h"
#include "scripteddialogs.h"
#include "serialportpanel.h"
#include "stallmeter.h"
#include "widgetlookup.h"

#include <QApplication>
#include <QComboBox>
#include <QDateTime>
#include <QElapsedTimer>
#include <QFile>
#include <QPushButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QTextStream>
#include <QThread>
#include <QTimer>

#include <algorithm>
#include <array>
#include <atomic>
#include <cstdio>
#include <thread>
#include <vector>

#include <malloc.h>
#include <poll.h>
#include <unistd.h>

namespace {

constexpr int kSampleIntervalMs = 10000;
constexpr int kGarbageBytes = 16;
constexpr int kCorruptEvery = 7;
constexpr int kBatchBytes = 16 * 1024;
constexpr int kKinds = 3; // camera, CCD, scope: CarLink commands 1..3

// What the car sends: the tab is set to match.
const CarCamera::Settings kCamera{CarCamera::Grey, 80, 60, true, true, false};
constexpr int kCcdSensors = 1;
constexpr int kCcdLine = 128;
constexpr int kScopeChannels = 8;
constexpr int kScopeType = Int16; // also its index in the tab's list

// The car: writes rounds of frames to the device end of the pseudo-terminal
// until told to stop. A frame counts as sent once its last byte has been
// written, and only with its right trailer; garbage and corrupted frames
// never count.
class CarWriter
{
public:
    explicit CarWriter(int deviceFd)
        : m_fd(deviceFd)
    {
    }
    ~CarWriter() { stop(); }

    void start()
    {
        m_thread = std::thread([this] { run(); });
    }
    void requestStop() { m_stopRequested = true; }
    bool finished() const { return m_finished; }
    void stop()
    {
        requestStop();
        if (m_thread.joinable())
            m_thread.join();
    }

    qint64 validSent(int command) const { return m_validSent[size_t(command - 1)]; }
    qint64 validSentTotal() const
    {
        return validSent(CarLink::Image) + validSent(CarLink::Ccd) + validSent(CarLink::Scope);
    }
    qint64 corruptedSent() const { return m_corruptedSent; }
    qint64 garbageBytesSent() const { return m_garbageBytes; }
    qint64 bytesSent() const { return m_bytesSent; }
    bool failed() const { return m_failed; }

private:
    struct Batch
    {
        QByteArray bytes;
        std::array<qint64, kKinds> valid{};
        qint64 corrupted = 0;
        qint64 garbage = 0;
    };

    void run()
    {
        CarScene scene(1);
        while (!m_stopRequested) {
            Batch batch;
            while (batch.bytes.size() < kBatchBytes) {
                add(batch, CarLink::Image, scene.cameraPayload(kCamera, m_round));
                add(batch, CarLink::Ccd, scene.ccdPayload(kCcdSensors, kCcdLine, m_round));
                add(batch, CarLink::Scope, scene.scopePayload(kScopeChannels, kScopeType, m_round));
                ++m_round;
            }
            // A batch started is written whole, so that every frame counted
            // is on the line.
            if (!writeAll(batch.bytes)) {
                m_failed = true;
                break;
            }
            for (int kind = 0; kind < kKinds; ++kind)
                m_validSent[size_t(kind)] += batch.valid[size_t(kind)];
            m_corruptedSent += batch.corrupted;
            m_garbageBytes += batch.garbage;
            m_bytesSent += batch.bytes.size();
        }
        m_finished = true;
    }

    void add(Batch &batch, int command, const QByteArray &payload)
    {
        for (int i = 0; i < kGarbageBytes; ++i) {
            m_garbageState = m_garbageState * 1664525u + 1013904223u;
            batch.bytes.append(char(m_garbageState >> 24));
        }
        batch.garbage += kGarbageBytes;
        QByteArray frame = CarLink::buildFrame(command, payload);
        if (++m_frames % kCorruptEvery == 0) {
            frame[frame.size() - 1] = char(command % 3 + 1); // another command's byte
            ++batch.corrupted;
        } else {
            ++batch.valid[size_t(command - 1)];
        }
        batch.bytes.append(frame);
    }

    bool writeAll(const QByteArray &bytes)
    {
        qint64 done = 0;
        while (done < bytes.size()) {
            const ssize_t n = ::write(m_fd, bytes.constData() + done, size_t(bytes.size() - done));
            if (n > 0) {
                done += n;
                continue;
            }
            if (n < 0 && errno != EAGAIN && errno != EINTR)
                return false;
            pollfd waitForRoom{m_fd, POLLOUT, 0};
            ::poll(&waitForRoom, 1, 100);
        }
        return true;
    }

    int m_fd;
    std::thread m_thread;
    std::atomic<bool> m_stopRequested{false};
    std::atomic<bool> m_finished{false};
    std::atomic<bool> m_failed{false};
    std::array<std::atomic<qint64>, kKinds> m_validSent{};
    std::atomic<qint64> m_corruptedSent{0};
    std::atomic<qint64> m_garbageBytes{0};
    std::atomic<qint64> m_bytesSent{0};
    int m_round = 0;
    qint64 m_frames = 0;
    quint32 m_garbageState = 2654435761u;
};

qint64 residentBytes()
{
    QFile statm(QStringLiteral("/proc/self/statm"));
    if (!statm.open(QIODevice::ReadOnly))
        return 0;
    const QList<QByteArray> fields = statm.readAll().split(' ');
    return fields.size() > 1 ? fields[1].toLongLong() * sysconf(_SC_PAGESIZE) : 0;
}

QString loadAverage()
{
    QFile file(QStringLiteral("/proc/loadavg"));
    if (!file.open(QIODevice::ReadOnly))
        return QStringLiteral("?");
    return QString::fromLatin1(file.readAll()).section(QLatin1Char(' '), 0, 2);
}

double megabytes(qint64 bytes)
{
    return double(bytes) / (1024.0 * 1024.0);
}

struct Sample
{
    double seconds;
    qint64 resident;
    qint64 sent;
    qint64 parsed;
    double worstStallMs;
    double worstWorkingMs;
};

double largestResident(const std::vector<Sample> &samples, size_t from, size_t to)
{
    qint64 largest = 0;
    for (size_t i = from; i < to; ++i)
        largest = std::max(largest, samples[i].resident);
    return megabytes(largest);
}

struct Options
{
    qint64 durationMs = 30 * 60 * 1000;
    QString reportPath = QStringLiteral("soak-report.txt");
};

Options readOptions(const QStringList &arguments)
{
    Options options;
    for (int i = 1; i + 1 < arguments.size(); i += 2) {
        const QString &name = arguments[i];
        const QString &value = arguments[i + 1];
        if (name == QLatin1String("--minutes"))
            options.durationMs = qint64(value.toDouble() * 60000);
        else if (name == QLatin1String("--seconds"))
            options.durationMs = qint64(value.toDouble() * 1000);
        else if (name == QLatin1String("--report"))
            options.reportPath = value;
    }
    return options;
}

class Soak
{
public:
    explicit Soak(const Options &options)
        : m_options(options)
        , m_window(m_dialogs, m_ports.source())
    {
        m_window.resize(1280, 800);
        m_window.show();
        m_tab = child<CarTab>(&m_window, {});
        child<QTabWidget>(&m_window, QStringLiteral("tabWidget_main"))->setCurrentWidget(m_tab);
        child<QComboBox>(m_tab, QStringLiteral("car_imgBox"))->setCurrentIndex(kCamera.mode);
        child<QSpinBox>(m_tab, QStringLiteral("car_img_w"))->setValue(kCamera.width);
        child<QSpinBox>(m_tab, QStringLiteral("car_img_h"))->setValue(kCamera.height);
        child<QComboBox>(m_tab, QStringLiteral("car_ccd_num"))->setCurrentIndex(kCcdSensors - 1);
        child<QSpinBox>(m_tab, QStringLiteral("car_ccd_line"))->setValue(kCcdLine);
        child<QSpinBox>(m_tab, QStringLiteral("car_ware_num"))->setValue(kScopeChannels);
        child<QComboBox>(m_tab, QStringLiteral("car_ware_type"))->setCurrentIndex(kScopeType);
    }

    // Opens the car tab's port on the pseudo-terminal; false with a reason.
    bool open(QString *error)
    {
        if (!m_device.isValid()) {
            *error = QStringLiteral("no pseudo-terminal");
            return false;
        }
        child<QComboBox>(m_tab, QStringLiteral("car_portBox"))->setEditText(m_device.slavePath());
        child<QPushButton>(m_tab, QStringLiteral("car_OpenCloseButton"))->click();
        if (!m_tab->panel()->isOpen()) {
            *error = QStringLiteral("the car tab did not open its port");
            return false;
        }
        CarScene scene(1);
        const CarLink::FrameLengths &lengths = m_tab->parser().frameLengths();
        const int scopeLength = scene.scopePayload(kScopeChannels, kScopeType, 0).size();
        if (lengths[CarLink::Image] != scene.cameraPayload(kCamera, 0).size()
            || lengths[CarLink::Ccd] != kCcdSensors * kCcdLine
            || lengths[CarLink::Scope] != scopeLength) {
            *error = QStringLiteral("the tab's frame lengths differ from the car's");
            return false;
        }
        fillScopeHistory();
        return true;
    }

    // The scope keeps the newest million or so samples of every channel. At
    // this rate the stream alone fills that history over many minutes;
    // filled up front, the memory comparison sees what the stream adds.
    void fillScopeHistory()
    {
        ScopeView *scope = m_tab->scopeView();
        double values[SampleStore::kChannels] = {};
        for (quint64 i = 0; i < scope->store().capacity(); ++i) {
            values[0] = double(i % 1000);
            scope->appendSample(values);
        }
    }

    int run()
    {
        QTextStream out(stdout);
        m_startLoad = loadAverage();
        out << "soak: " << m_options.durationMs / 1000 << " s, sample every "
            << kSampleIntervalMs / 1000 << " s, load average " << m_startLoad << "\n";
        out << "  time      RSS MB    sent frames  parsed frames  worst stall ms  working ms\n";
        out.flush();

        CarWriter writer(m_device.masterFd());
        m_writer = &writer;
        m_clock.start();
        m_stalls.start();
        writer.start();
        QTimer sampler;
        QObject::connect(&sampler, &QTimer::timeout, [&] { takeSample(out); });
        sampler.start(kSampleIntervalMs);
        QTimer::singleShot(int(m_options.durationMs), [&] {
            sampler.stop();
            writer.requestStop();
        });
        while (!writer.finished())
            QApplication::processEvents(QEventLoop::WaitForMoreEvents, 100);
        writer.stop();
        m_stalls.stop();
        const double sendingSeconds = double(m_clock.elapsed()) / 1000;
        drain();
        m_residentAtEnd = residentBytes();
        // What the allocator keeps of freed memory is not a leak; given back,
        // it no longer counts as resident.
        malloc_trim(0);
        m_residentTrimmed = residentBytes();
        const QString report = formatReport(sendingSeconds);
        out << report;
        QFile file(m_options.reportPath);
        if (file.open(QIODevice::WriteOnly | QIODevice::Truncate))
            file.write(report.toUtf8());
        out << "report written to " << m_options.reportPath << "\n";
        m_writer = nullptr;
        return writer.failed() ? 1 : 0;
    }

private:
    qint64 parsed(int command) const { return m_tab->parser().framesHandled(command); }
    qint64 parsedTotal() const
    {
        return parsed(CarLink::Image) + parsed(CarLink::Ccd) + parsed(CarLink::Scope);
    }

    void takeSample(QTextStream &out)
    {
        const Sample sample{double(m_clock.elapsed()) / 1000, residentBytes(),
                            m_writer->validSentTotal(), parsedTotal(), m_stalls.worstMs(),
                            m_stalls.worstWorkingMs()};
        m_stalls.start();
        m_samples.push_back(sample);
        out << QString::asprintf("%6.0f s %9.1f %14lld %14lld %15.1f %11.1f\n", sample.seconds,
                                 megabytes(sample.resident), sample.sent, sample.parsed,
                                 sample.worstStallMs, sample.worstWorkingMs);
        out.flush();
    }

    // Everything written is read and parsed once the counts stop moving:
    // the writer has stopped, so only bytes on the line are left.
    void drain()
    {
        QElapsedTimer quiet;
        quiet.start();
        qint64 last = parsedTotal();
        while (quiet.elapsed() < 3000) {
            QApplication::processEvents(QEventLoop::AllEvents, 50);
            QThread::msleep(5);
            if (parsedTotal() != last) {
                last = parsedTotal();
                quiet.restart();
            }
        }
    }

    QString formatReport(double sendingSeconds) const
    {
        QString text;
        QTextStream report(&text);
        const CarWriter &writer = *m_writer;
        report << "\n== Soak report, " << QDateTime::currentDateTimeUtc().toString(Qt::ISODate)
               << "\n";
        report << QString::asprintf(
            "car tab of the main window on a pseudo-terminal, %.1f min of sending; camera grey "
            "%dx%d, CCD %dx%d, scope %d x int16_t; %d random bytes before every frame, every "
            "%d-th frame with a wrong trailer\n",
            sendingSeconds / 60, kCamera.width, kCamera.height, kCcdSensors, kCcdLine,
            kScopeChannels, kGarbageBytes, kCorruptEvery);
        report << "machine: " << QThread::idealThreadCount() << " cores, load average at start "
               << m_startLoad << ", at end " << loadAverage() << "\n";
        report << QString::asprintf("bytes sent %lld (%.2f MB/s), garbage bytes %lld, "
                                    "corrupted frames %lld (not counted as sent)\n",
                                    writer.bytesSent(),
                                    megabytes(writer.bytesSent()) / sendingSeconds,
                                    writer.garbageBytesSent(), writer.corruptedSent());
        report << "frames: valid sent / parsed by the tab / lost / extra\n";
        qint64 lostTotal = 0;
        const char *names[] = {"camera", "CCD", "scope"};
        for (int command = CarLink::Image; command <= CarLink::Scope; ++command) {
            const qint64 sent = writer.validSent(command);
            const qint64 got = parsed(command);
            lostTotal += std::max<qint64>(0, sent - got);
            report << QString::asprintf("  %-7s %12lld %12lld %8lld %6lld\n", names[command - 1],
                                        sent, got, std::max<qint64>(0, sent - got),
                                        std::max<qint64>(0, got - sent));
        }
        report << QString::asprintf(
            "stored: %d sample frames in the scope (its history, filled before the stream, keeps "
            "the newest %llu), %d CCD lines drawn; camera pictures are drawn at most once per "
            "read, the newest one\n",
            m_tab->scopeView()->framesReceived(),
            static_cast<unsigned long long>(m_tab->scopeView()->store().size()),
            m_tab->ccdView()->framesReceived());
        report << "valid frames lost: " << lostTotal << (lostTotal == 0 ? " (goal met)\n" : "\n");

        if (m_samples.size() >= 3) {
            const size_t third = m_samples.size() / 3;
            const double first = largestResident(m_samples, 0, third);
            const double last = largestResident(m_samples, m_samples.size() - third,
                                                m_samples.size());
            const bool bounded = last <= first * 1.05;
            report << QString::asprintf(
                "resident memory: %zu samples; largest of the first third %.1f MB, of the last "
                "third %.1f MB (%+.1f %%): %s\n",
                m_samples.size(), first, last, (last - first) / first * 100,
                bounded ? "bounded" : "GROWING");
        } else {
            report << "resident memory: too few samples to compare\n";
        }
        report << QString::asprintf("resident at the end %.1f MB, %.1f MB once the allocator has "
                                    "given its free memory back\n",
                                    megabytes(m_residentAtEnd), megabytes(m_residentTrimmed));
        report << "event-loop stalls, the worst lateness of a 1 ms timer in each 10 s: "
               << stallSummary(&Sample::worstStallMs) << "\n";
        report << "  of which the GUI thread's own work between two ticks: "
               << stallSummary(&Sample::worstWorkingMs) << "\n";
        return text;
    }

    QString stallSummary(double Sample::*figure) const
    {
        std::vector<double> ms;
        for (const Sample &sample : m_samples)
            ms.push_back(sample.*figure);
        std::sort(ms.begin(), ms.end());
        if (ms.empty())
            return QStringLiteral("no samples");
        const auto over = std::count_if(ms.begin(), ms.end(), [](double m) { return m > 100; });
        return QString::asprintf("median %.1f ms, max %.1f ms, intervals over 100 ms: %lld of %zu",
                                 ms[ms.size() / 2], ms.back(), qint64(over), ms.size());
    }

    Options m_options;
    ScriptedDialogs m_dialogs;
    FakePorts m_ports;
    MainWindow m_window;
    CarTab *m_tab = nullptr;
    PtyPair m_device;
    CarWriter *m_writer = nullptr;
    StallMeter m_stalls;
    QElapsedTimer m_clock;
    std::vector<Sample> m_samples;
    QString m_startLoad;
    qint64 m_residentAtEnd = 0;
    qint64 m_residentTrimmed = 0;
};

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    const Options options = readOptions(QCoreApplication::arguments());
    Soak soak(options);
    QString error;
    if (!soak.open(&error)) {
        QTextStream(stderr) << "soak: " << error << "\n";
        return 2;
    }
    return soak.run();
}
