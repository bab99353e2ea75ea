// How fast the open serial assistant takes a stream with nothing lost: every
// byte counted and written to the receive file, while a 1 ms timer measures
// how long the event loop is ever kept from running.
#include "fakeports.h"
#include "ptypair.h"
#include "receivefileswitch.h"
#include "scripteddialogs.h"
#include "serialportpanel.h"
#include "stallmeter.h"
#include "uarttab.h"
#include "widgetlookup.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>

#include <benchmark/benchmark.h>

#include <atomic>
#include <cerrno>
#include <poll.h>
#include <thread>
#include <unistd.h>

namespace {

// Lines of printable text, the way a car's debug output looks.
QByteArray sampleStream(int size)
{
    QByteArray line("speed=1234 angle=-56 ccd=0123456789ABCDEF 速度正常\r\n");
    QByteArray stream;
    stream.reserve(size + line.size());
    while (stream.size() < size)
        stream.append(line);
    stream.truncate(size);
    return stream;
}

// The device: writes everything as fast as the pseudo-terminal takes it.
void playDevice(int fd, const QByteArray &bytes)
{
    qint64 done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.constData() + done, size_t(bytes.size() - done));
        if (n > 0) {
            done += n;
        } else if (n < 0 && errno == EAGAIN) {
            pollfd waitForRoom{fd, POLLOUT, 0};
            ::poll(&waitForRoom, 1, 100);
        } else {
            return;
        }
    }
}

void BM_UartTabReceiveToFile(benchmark::State &state)
{
    const int total = int(state.range(0));
    const bool hex = state.range(1) != 0;
    QTemporaryDir dir;
    ScriptedDialogs dialogs;
    FakePorts ports;
    PtyPair device;
    UartTab tab(dialogs, ports.source());
    child<QComboBox>(&tab, "uart_portBox")->setEditText(device.slavePath());
    child<QPushButton>(&tab, "uart_OpenCloseButton")->click();
    if (!tab.panel()->isOpen()) {
        state.SkipWithError("cannot open a pseudo-terminal");
        return;
    }
    const QString file = dir.filePath("received.bin");
    dialogs.fileAnswers.enqueue(file);
    child<QCheckBox>(&tab, "uart_recvHex_ck")->setChecked(hex);
    child<QCheckBox>(&tab, "uart_file_ck")->setChecked(true);

    const QByteArray stream = sampleStream(total);
    StallMeter stalls;
    double worstStallMs = 0;
    qint64 lost = 0;
    for (auto _ : state) {
        const qint64 rxBefore = tab.rxTotal();
        tab.receiveFile()->flush();
        const qint64 fileBefore = QFileInfo(file).size();
        stalls.start();
        std::thread writer(playDevice, device.masterFd(), stream);
        // A lost byte would leave the count short forever: give up after a
        // few seconds without progress and report the shortfall.
        QElapsedTimer sinceProgress;
        sinceProgress.start();
        qint64 seen = tab.rxTotal();
        while (tab.rxTotal() - rxBefore < total && sinceProgress.elapsed() < 5000) {
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 100);
            if (tab.rxTotal() != seen) {
                seen = tab.rxTotal();
                sinceProgress.restart();
            }
        }
        writer.join();
        // The quiet line then redraws the whole kept buffer at once: that
        // redraw counts as a stall too, but not as transfer time.
        state.PauseTiming();
        QElapsedTimer quiet;
        quiet.start();
        while (quiet.elapsed() < 150)
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 10);
        state.ResumeTiming();
        stalls.stop();
        tab.receiveFile()->flush();
        worstStallMs = qMax(worstStallMs, stalls.worstMs());
        lost += (total - (tab.rxTotal() - rxBefore)) + (total - (QFileInfo(file).size() - fileBefore));
    }
    state.SetBytesProcessed(state.iterations() * qint64(total));
    state.counters["max_stall_ms"] = worstStallMs;
    state.counters["lost_bytes"] = double(lost);
}

} // namespace

BENCHMARK(BM_UartTabReceiveToFile)
    ->ArgNames({"bytes", "hex"})
    ->Args({64 << 20, 0})
    ->Args({64 << 20, 1})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
