// How fast bytes from a device get through an open port read the way the
// serial tabs read it (everything taken in on each readyRead()), with and
// without recording what arrives into a capture file.
#include "capturewriter.h"
#include "ptypair.h"
#include "serialport.h"

#include <QCoreApplication>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

namespace {

void BM_PortThroughput(benchmark::State &state)
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
    qint64 received = 0;
    QObject::connect(&port, &SerialPort::readyRead, [&] {
        const QByteArray bytes = port.readAll();
        writer.append(bytes);
        received += bytes.size();
    });

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

BENCHMARK(BM_PortThroughput)
    ->ArgNames({"bytes", "recording"})
    ->Args({4 << 20, 0})
    ->Args({4 << 20, 1})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
