// What a chatty GSM module costs the window: 4 KiB reads of replies into the
// GSM tab, each followed by its view's redraw (the worst case: the view's
// timer redraws at most every 50 ms), with the view empty and with it full.
// The cost of a read must not grow with what the view already holds.
#include "fakeports.h"
#include "gsmtab.h"
#include "receiveview.h"
#include "scripteddialogs.h"
#include "seriallink.h"

#include <QTextDocument>
#include <QTextEdit>

#include <benchmark/benchmark.h>

namespace {

QByteArray replies(int size)
{
    QByteArray bytes;
    for (int i = 0; bytes.size() < size; ++i)
        bytes += "+CSQ: " + QByteArray::number(i).rightJustified(7, '0') + ",0\r\n";
    return bytes.left(size);
}

void BM_GsmReadIntoView(benchmark::State &state)
{
    const bool full = state.range(0) != 0;
    ScriptedDialogs dialogs;
    FakePorts ports;
    GsmTab tab(dialogs, ports.source());
    auto *link = tab.findChild<SerialLink *>();
    const QList<ReceiveView *> views = tab.findChildren<ReceiveView *>();
    const QByteArray read = replies(4096);
    const auto receive = [&] {
        emit link->received(read);
        for (ReceiveView *view : views)
            view->redrawNow();
    };
    if (full) {
        for (int i = 0; i < 64; ++i)
            receive();
    }
    for (auto _ : state) {
        if (!full) {
            state.PauseTiming();
            for (ReceiveView *view : views)
                view->clear();
            state.ResumeTiming();
        }
        receive();
    }
    state.counters["view chars"] =
        tab.findChild<QTextEdit *>(QStringLiteral("gsm_recvEdit"))->document()->characterCount();
    state.SetBytesProcessed(int64_t(state.iterations()) * read.size());
}
BENCHMARK(BM_GsmReadIntoView)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

} // namespace
