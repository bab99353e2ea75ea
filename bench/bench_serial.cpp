// How fast bytes from a device get through an open port polled the way the
// serial tabs poll it (every 10 ms, everything available at once).
#include "ptypair.h"
#include "serialport.h"

#include <QCoreApplication>
#include <QTimer>

#include <benchmark/benchmark.h>

namespace {

void BM_PolledPortThroughput(benchmark::State &state)
{
    const int total = int(state.range(0));
    PtyPair device;
    SerialPort port;
    if (!port.open(device.slavePath())) {
        state.SkipWithError("cannot open a pseudo-terminal");
        return;
    }
    const QByteArray chunk(64 * 1024, 'Z');
    QTimer poll;
    qint64 received = 0;
    QObject::connect(&poll, &QTimer::timeout, [&] { received += port.readAll().size(); });
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

BENCHMARK(BM_PolledPortThroughput)->Arg(4 << 20)->Unit(benchmark::kMillisecond)->UseRealTime();
