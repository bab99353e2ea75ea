// How fast bytes from a device get through an open port polled the way the
// serial tabs poll it (every 10 ms, everything available at once), with
// and without recording what arrives into a capture file.
#include "capturewriter.h"
#include "ptypair.h"
#include "serialport.h"

#include <QCoreApplication>
#include <QTemporaryDir>
#include <QTimer>

#include <benchmark/benchmark.h>

namespace {

void BM_PolledPortThroughput(benchmark::State &state)
{
    const int total = int(state.range(0));
    const bool recording = state.range(1) != 0;
    QTemporaryDir dir;
    CaptureWriter writer;
    if (recording)
        writer.open(dir.filePath(QStringLiteral("serial.zcap")), {{"tab", "uart"}});
    PtyPair device;
    SerialPort port;
    if (!port.open(device.slavePath())) {
        state.SkipWithError("cannot open a pseudo-terminal");
        return;
    }
    const QByteArray chunk(64 * 1024, 'Z');
    QTimer poll;
    qint64 received = 0;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        const QByteArray bytes = port.readAll();
        writer.append(bytes);
        received += bytes.size();
    });
    poll.start(10);

    for (auto _ : state) {
        received = 0;
        for (int sent = 0; sent < total; sent += chunk.size())
            device.write(chunk);
        while (received < total)
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    state.SetBytesProcessed(state.iterations() * qint64(total));
}

} // namespace

BENCHMARK(BM_PolledPortThroughput)
    ->ArgNames({"bytes", "recording"})
    ->Args({4 << 20, 0})
    ->Args({4 << 20, 1})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
