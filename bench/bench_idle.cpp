// The workbench at rest, on a virtual display of its own (Xvfb):
//
// - start: the real program launched as a user starts it, until its window
//   is mapped, and what its process tree holds a few seconds later;
// - idle with one port open: a MainWindow in this process with a pseudo-
//   terminal open on the serial assistant tab, its CPU use and resident
//   memory, how often its main thread wakes and which timers run, the
//   longest stall of a 1 ms timer in its event loop, and how long a byte
//   from the device takes to reach the receive view.
//
// Usage: bench_idle [--seconds N]   (N seconds per idle measurement, 60 by default)
#include "mainwindow.h"
#include "ptypair.h"
#include "rasterwindows.h"
#include "serialportpanel.h"
#include "uarttab.h"
#include "virtualdisplay.h"
#include "webenginesandbox.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QHash>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTimer>

#include <xcb/xcb.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string>
#include <vector>

#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char **environ;

namespace {

constexpr int kStartRuns = 3;
constexpr int kSettleSeconds = 3;
constexpr double kStartTargetSeconds = 0.25;
constexpr double kCpuTargetPercent = 0.1;
constexpr double kStallTargetMs = 16.0;
constexpr double kMemoryTargetMb = 88.0;
constexpr double kLatencyTargetMs = 20.0;
constexpr int kLatencyProbes = 20;

// CPU time and resident memory of a process and all its descendants.
struct TreeUsage
{
    double cpuSeconds = 0;
    double residentMb = 0;
    int processes = 0;
};

// `root` and its descendants, leaving out `excluded` and its own.
std::vector<pid_t> processTree(pid_t root, pid_t excluded)
{
    std::vector<pid_t> tree{root};
    for (size_t i = 0; i < tree.size(); ++i) {
        if (tree[i] == excluded)
            continue;
        const QDir tasks(QStringLiteral("/proc/%1/task").arg(tree[i]));
        for (const QString &task : tasks.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
            QFile children(tasks.filePath(task + "/children"));
            if (!children.open(QIODevice::ReadOnly))
                continue;
            for (const QByteArray &child : children.readAll().split(' ')) {
                if (!child.trimmed().isEmpty())
                    tree.push_back(pid_t(child.trimmed().toInt()));
            }
        }
    }
    return tree;
}

TreeUsage treeUsage(pid_t root, pid_t excluded = -1)
{
    TreeUsage usage;
    const double ticksPerSecond = double(::sysconf(_SC_CLK_TCK));
    for (const pid_t pid : processTree(root, excluded)) {
        if (pid == excluded)
            continue;
        QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
        QFile status(QStringLiteral("/proc/%1/status").arg(pid));
        if (!stat.open(QIODevice::ReadOnly) || !status.open(QIODevice::ReadOnly))
            continue;
        const QByteArray statLine = stat.readAll();
        const QList<QByteArray> fields = statLine.mid(statLine.lastIndexOf(')') + 2).split(' ');
        if (fields.size() > 12)
            usage.cpuSeconds += (fields[11].toDouble() + fields[12].toDouble()) / ticksPerSecond;
        for (const QByteArray &line : status.readAll().split('\n')) {
            if (line.startsWith("VmRSS:"))
                usage.residentMb += line.mid(6).trimmed().split(' ').value(0).toDouble() / 1024;
        }
        ++usage.processes;
    }
    return usage;
}

void sleepSeconds(double seconds)
{
    ::usleep(useconds_t(seconds * 1e6));
}

// The X server's view of the program: told of every top-level window that
// is mapped, it finds the one the program's process owns.
class WindowWatch
{
public:
    explicit WindowWatch(const std::string &display)
    {
        m_connection = xcb_connect(display.c_str(), nullptr);
        if (xcb_connection_has_error(m_connection))
            return;
        m_root = xcb_setup_roots_iterator(xcb_get_setup(m_connection)).data->root;
        const uint32_t mask = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
        xcb_change_window_attributes(m_connection, m_root, XCB_CW_EVENT_MASK, &mask);
        const char name[] = "_NET_WM_PID";
        xcb_intern_atom_reply_t *atom = xcb_intern_atom_reply(
            m_connection, xcb_intern_atom(m_connection, 0, sizeof name - 1, name), nullptr);
        if (atom)
            m_pidAtom = atom->atom;
        free(atom);
        xcb_flush(m_connection);
    }
    ~WindowWatch() { xcb_disconnect(m_connection); }

    bool isValid() const { return m_pidAtom != XCB_NONE; }

    // Waits until a window of `pid` is mapped; false after `timeoutMs`.
    bool waitForWindowOf(pid_t pid, int timeoutMs)
    {
        QElapsedTimer clock;
        clock.start();
        pollfd watched{xcb_get_file_descriptor(m_connection), POLLIN, 0};
        while (clock.elapsed() < timeoutMs) {
            while (xcb_generic_event_t *event = xcb_poll_for_event(m_connection)) {
                const bool mapped = (event->response_type & 0x7f) == XCB_MAP_NOTIFY;
                const xcb_window_t window = reinterpret_cast<xcb_map_notify_event_t *>(event)->window;
                free(event);
                if (mapped && ownerOf(window) == pid)
                    return true;
            }
            ::poll(&watched, 1, 10);
        }
        return false;
    }

private:
    pid_t ownerOf(xcb_window_t window)
    {
        xcb_get_property_reply_t *reply = xcb_get_property_reply(
            m_connection,
            xcb_get_property(m_connection, 0, window, m_pidAtom, XCB_ATOM_CARDINAL, 0, 1),
            nullptr);
        pid_t owner = -1;
        if (reply && xcb_get_property_value_length(reply) == 4)
            owner = pid_t(*static_cast<uint32_t *>(xcb_get_property_value(reply)));
        free(reply);
        return owner;
    }

    xcb_connection_t *m_connection = nullptr;
    xcb_window_t m_root = 0;
    xcb_atom_t m_pidAtom = XCB_NONE;
};

// The environment a user's desktop session gives the program.
std::vector<std::string> userEnvironment(const std::string &display)
{
    const char *const dropped[] = {"DISPLAY=", "QT_QPA_PLATFORM=", "QT_QUICK_BACKEND=",
                                   "QTWEBENGINE_DISABLE_SANDBOX="};
    std::vector<std::string> environment;
    for (char **entry = environ; *entry; ++entry) {
        const std::string variable(*entry);
        if (std::none_of(std::begin(dropped), std::end(dropped),
                         [&](const char *prefix) { return variable.rfind(prefix, 0) == 0; }))
            environment.push_back(variable);
    }
    environment.push_back("DISPLAY=" + display);
    return environment;
}

struct StartRun
{
    double seconds = -1;
    TreeUsage settled;
    double idleCpuPercent = -1;
};

// The program started as from a desktop, its output discarded; -1 on failure.
pid_t launchProgram(const std::string &display)
{
    std::vector<std::string> environment = userEnvironment(display);
    std::vector<char *> envp;
    for (std::string &variable : environment)
        envp.push_back(variable.data());
    envp.push_back(nullptr);
    std::string program = ZENTRIK_APP_PATH;
    char *argv[] = {program.data(), nullptr};
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    pid_t pid = -1;
    const bool spawned = posix_spawn(&pid, argv[0], &actions, nullptr, argv, envp.data()) == 0;
    posix_spawn_file_actions_destroy(&actions);
    if (!spawned)
        std::fprintf(stderr, "bench_idle: could not start %s\n", argv[0]);
    return spawned ? pid : -1;
}

// Launches the program, waits for its window and, when asked, watches it
// idle for `idleSeconds`; then ends it.
StartRun runProgram(const std::string &display, double idleSeconds)
{
    StartRun run;
    WindowWatch watch(display);
    if (!watch.isValid()) {
        std::fprintf(stderr, "bench_idle: no X connection to %s\n", display.c_str());
        return run;
    }
    QElapsedTimer clock;
    clock.start();
    const pid_t pid = launchProgram(display);
    if (pid < 0)
        return run;
    if (watch.waitForWindowOf(pid, 20000))
        run.seconds = clock.nsecsElapsed() / 1e9;
    if (run.seconds > 0 && idleSeconds > 0) {
        sleepSeconds(kSettleSeconds);
        run.settled = treeUsage(pid);
        QElapsedTimer idle;
        idle.start();
        sleepSeconds(idleSeconds);
        const TreeUsage after = treeUsage(pid);
        run.idleCpuPercent = 100 * (after.cpuSeconds - run.settled.cpuSeconds)
            / (idle.nsecsElapsed() / 1e9);
    }
    ::kill(pid, SIGTERM);
    ::waitpid(pid, nullptr, 0);
    return run;
}

void runEventLoopFor(double seconds)
{
    QEventLoop loop;
    QTimer::singleShot(int(seconds * 1000), &loop, &QEventLoop::quit);
    loop.exec();
}

qint64 threadCpuNs()
{
    timespec now{};
    ::clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return qint64(now.tv_sec) * 1000000000 + now.tv_nsec;
}

// The longest time the event loop went without running a 1 ms timer,
// beyond the millisecond it was due after; and, since other programs on a
// busy machine also delay it, the longest of those gaps this thread spent
// working rather than waiting for a processor.
struct Stalls
{
    double longestMs = 0;
    double longestWorkingMs = 0;
};

Stalls measureStalls(double seconds)
{
    Stalls stalls;
    QElapsedTimer sinceTick;
    qint64 cpuAtTick = 0;
    QTimer tick;
    tick.setTimerType(Qt::PreciseTimer);
    QObject::connect(&tick, &QTimer::timeout, [&] {
        const qint64 cpu = threadCpuNs();
        stalls.longestMs = std::max(stalls.longestMs, (sinceTick.nsecsElapsed() - 1000000) / 1e6);
        stalls.longestWorkingMs = std::max(stalls.longestWorkingMs, (cpu - cpuAtTick) / 1e6);
        sinceTick.restart();
        cpuAtTick = cpu;
    });
    sinceTick.start();
    cpuAtTick = threadCpuNs();
    tick.start(1);
    runEventLoopFor(seconds);
    return stalls;
}

// Timer events the event loop delivers, by what owns the timer.
class TimerCount : public QObject
{
public:
    TimerCount() { QCoreApplication::instance()->installEventFilter(this); }
    ~TimerCount() override { QCoreApplication::instance()->removeEventFilter(this); }

    int total() const { return m_total; }
    // The most frequent owners, "Class:objectName xN".
    std::string busiest(int count) const
    {
        QVector<QPair<int, QString>> owners;
        for (auto it = m_byOwner.begin(); it != m_byOwner.end(); ++it)
            owners.append({it.value(), it.key()});
        std::sort(owners.begin(), owners.end(), [](const auto &a, const auto &b) { return a.first > b.first; });
        QStringList named;
        for (int i = 0; i < std::min(count, int(owners.size())); ++i)
            named << QStringLiteral("%1 x%2").arg(owners[i].second).arg(owners[i].first);
        return named.isEmpty() ? std::string("none") : named.join(QStringLiteral(", ")).toStdString();
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Timer) {
            ++m_total;
            const QObject *owner = watched->parent() && qobject_cast<QTimer *>(watched) ? watched->parent() : watched;
            ++m_byOwner[QString::fromLatin1(owner->metaObject()->className()) + QLatin1Char(':')
                        + owner->objectName()];
        }
        return false;
    }

private:
    int m_total = 0;
    QHash<QString, int> m_byOwner;
};

// Times the main thread gave up the processor of its own accord: each is a
// sleep that ended, a wake-up.
long voluntarySwitches()
{
    QFile status(QStringLiteral("/proc/thread-self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith("voluntary_ctxt_switches:"))
            return line.mid(24).trimmed().toLong();
    }
    return -1;
}

// Single bytes written by the device a while apart: how long each takes
// to appear in the receive view; the median and the longest, in ms.
std::pair<double, double> byteToViewLatency(PtyPair &device, QPlainTextEdit *view)
{
    std::vector<double> latencies;
    for (int probe = 0; probe < kLatencyProbes; ++probe) {
        runEventLoopFor(0.2);
        const QString before = view->toPlainText();
        const char mark = char('A' + probe % 26);
        QElapsedTimer clock;
        clock.start();
        device.write(QByteArray(1, mark));
        while (view->toPlainText() == before && clock.elapsed() < 2000)
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 1);
        latencies.push_back(clock.nsecsElapsed() / 1e6);
    }
    std::sort(latencies.begin(), latencies.end());
    return {latencies[latencies.size() / 2], latencies.back()};
}

const char *verdict(bool met)
{
    return met ? "ok" : "OVER";
}

void report(const char *what, const std::string &figure, const std::string &note,
            const std::string &target = {}, bool met = true)
{
    std::printf("%-34s %-10s %-36s %-17s %s\n", what, figure.c_str(), note.c_str(), target.c_str(),
                target.empty() ? "" : verdict(met));
}

std::string formatted(const char *format, double value)
{
    char text[64];
    std::snprintf(text, sizeof text, format, value);
    return text;
}

// The real program, started three times; the last run also rests a while.
bool measureStart(const std::string &display, double restSeconds)
{
    std::vector<double> starts;
    StartRun last;
    for (int run = 0; run < kStartRuns; ++run) {
        last = runProgram(display, run == kStartRuns - 1 ? restSeconds : 0);
        if (last.seconds < 0) {
            std::fprintf(stderr, "bench_idle: the program showed no window\n");
            return false;
        }
        starts.push_back(last.seconds);
    }
    std::sort(starts.begin(), starts.end());
    const double median = starts[starts.size() / 2];
    report("start to window shown", formatted("%.3f s", median),
           formatted("median of 3, %.3f", starts.front()) + formatted("-%.3f s", starts.back()),
           formatted("< %.1f s", kStartTargetSeconds), median < kStartTargetSeconds);
    report("program at rest, resident memory", formatted("%.1f MB", last.settled.residentMb),
           formatted("%.0f process(es)", last.settled.processes),
           formatted("< %.0f MB", kMemoryTargetMb), last.settled.residentMb < kMemoryTargetMb);
    report("program at rest, CPU", formatted("%.2f %%", last.idleCpuPercent),
           formatted("over %.0f s, no port open", restSeconds));
    return true;
}

// A window built as the program builds it, in this process, with a
// pseudo-terminal open on the serial assistant tab.
bool measureWithPortOpen(const std::string &display, pid_t displayPid, double seconds, int argc,
                         char **argv)
{
    qputenv("DISPLAY", QByteArray::fromStdString(display));
    qputenv("QT_QPA_PLATFORM", "xcb");
    relaxWebEngineSandboxForRoot(::geteuid());
    useRasterWindows();
    QApplication app(argc, argv);
    MainWindow window;
    window.show();
    PtyPair device;
    window.findChild<QComboBox *>(QStringLiteral("uart_portBox"))->setEditText(device.slavePath());
    window.findChild<QPushButton *>(QStringLiteral("uart_OpenCloseButton"))->click();
    if (!window.findChild<UartTab *>()->panel()->isOpen()) {
        std::fprintf(stderr, "bench_idle: the pseudo-terminal did not open\n");
        return false;
    }
    runEventLoopFor(kSettleSeconds);

    const TreeUsage before = treeUsage(::getpid(), displayPid);
    const long switchesBefore = voluntarySwitches();
    QElapsedTimer clock;
    clock.start();
    TimerCount timers;
    runEventLoopFor(seconds);
    const double elapsed = clock.nsecsElapsed() / 1e9;
    const TreeUsage after = treeUsage(::getpid(), displayPid);
    const double cpu = 100 * (after.cpuSeconds - before.cpuSeconds) / elapsed;
    report("one port open, CPU", formatted("%.2f %%", cpu), formatted("over %.0f s", seconds),
           formatted("< %.1f %%", kCpuTargetPercent), cpu < kCpuTargetPercent);
    report("one port open, main thread wake-ups",
           formatted("%.1f /s", (voluntarySwitches() - switchesBefore) / elapsed), "voluntary switches");
    // The measuring loop's own single shot is the one timer expected.
    report("one port open, timers fired", formatted("%.0f", double(timers.total() - 1)),
           timers.busiest(4));
    report("one port open, resident memory", formatted("%.1f MB", after.residentMb),
           "this process, the harness included", formatted("< %.0f MB", kMemoryTargetMb),
           after.residentMb < kMemoryTargetMb);
    const Stalls stalls = measureStalls(seconds);
    report("one port open, longest stall", formatted("%.1f ms", stalls.longestMs),
           formatted("of a 1 ms timer over %.0f s", seconds), formatted("<= %.0f ms", kStallTargetMs),
           stalls.longestMs <= kStallTargetMs);
    report("one port open, longest busy gap", formatted("%.1f ms", stalls.longestWorkingMs),
           "this thread working between two ticks");
    const auto latency = byteToViewLatency(
        device, window.findChild<QPlainTextEdit *>(QStringLiteral("uart_recvEdit")));
    report("one port open, byte to view", formatted("%.1f ms", latency.second),
           formatted("longest of %.0f, ", kLatencyProbes) + formatted("median %.1f ms", latency.first),
           formatted("<= %.0f ms", kLatencyTargetMs), latency.second <= kLatencyTargetMs);
    return true;
}

} // namespace

int main(int argc, char **argv)
{
    double seconds = 60;
    for (int i = 1; i + 1 < argc; ++i) {
        if (std::strcmp(argv[i], "--seconds") == 0)
            seconds = std::max(1.0, std::atof(argv[i + 1]));
    }
    VirtualDisplay display;
    if (!display.start()) {
        std::fprintf(stderr, "bench_idle: could not start Xvfb\n");
        return 1;
    }
    std::printf("bench_idle: the workbench at rest on Xvfb %s\n", display.name().c_str());
    if (!measureStart(display.name(), seconds / 4)
        || !measureWithPortOpen(display.name(), display.pid(), seconds, argc, argv))
        return 1;
    std::printf("(the oscilloscope's full-history worst-case redraw: BM_RedrawFullHistory* in "
                "bench_scope, target < 10 ms)\n");
    std::fflush(stdout);
    return 0;
}
