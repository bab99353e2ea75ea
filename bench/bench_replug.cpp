// The serial assistant's port under repeated replugging: the adapter's name
// leaves its device directory with the device and comes back with a new
// pseudo-terminal, while the main window watches the directory with
// "出错重连" on. Reports the time from the name's return to the reopened
// port and the bytes lost either way after the reopen, for all cycles and
// for those where the window saw the name go first.
//
//   bench_replug [--cycles N]
#include "mainwindow.h"
#include "replugdevice.h"
#include "scripteddialogs.h"
#include "serialportpanel.h"
#include "uarttab.h"
#include "widgetlookup.h"

#include <QApplication>
#include <QComboBox>
#include <QPushButton>
#include <QTextStream>

#include <algorithm>
#include <vector>

namespace {

constexpr double kReopenBoundMs = 1100;
constexpr int kStepTimeoutMs = 10000;
// Every other cycle the adapter stays away this long, so the window sees
// its name go before it comes back; the others plug it back at once.
constexpr int kAbsentMs = 500;

int cyclesOption(const QStringList &arguments)
{
    const int at = int(arguments.indexOf(QStringLiteral("--cycles")));
    return at >= 0 && at + 1 < arguments.size() ? arguments[at + 1].toInt() : 100;
}

QString summary(std::vector<double> ms)
{
    if (ms.empty())
        return QStringLiteral("none");
    std::sort(ms.begin(), ms.end());
    return QString::asprintf("min %.0f ms, median %.0f ms, max %.0f ms (%zu cycles)", ms.front(),
                             ms[ms.size() / 2], ms.back(), ms.size());
}

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    const int cycles = cyclesOption(QCoreApplication::arguments());
    QTextStream out(stdout);

    ReplugDevice adapter;
    ScriptedDialogs dialogs;
    MainWindow window(dialogs, adapter.portSource(), QStringList{adapter.directory()});
    auto *tab = child<UartTab>(&window, {});
    child<QComboBox>(tab, QStringLiteral("uart_portBox"))->setEditText(adapter.name());
    child<QPushButton>(tab, QStringLiteral("uart_OpenCloseButton"))->click();
    if (!tab->panel()->isOpen()) {
        out << "bench_replug: the port did not open\n";
        return 2;
    }

    std::vector<double> reopenMs;
    std::vector<double> afterAbsenceMs;
    qint64 sent = 0;
    qint64 lost = 0;
    int failed = 0;
    for (int cycle = 0; cycle < cycles; ++cycle) {
        const int absentMs = cycle % 2 ? kAbsentMs : 0;
        const ReplugCycle result =
            replugOnce(adapter, *tab->panel()->link(), cycle, absentMs, kStepTimeoutMs);
        if (!result.reopened) {
            ++failed;
            continue;
        }
        reopenMs.push_back(result.reopenMs);
        if (absentMs > 0)
            afterAbsenceMs.push_back(result.reopenMs);
        sent += result.deviceSent + result.programSent;
        lost += result.deviceSent - result.programReceived + result.programSent
                - result.deviceReceived;
    }
    const auto over = std::count_if(reopenMs.begin(), reopenMs.end(),
                                    [](double ms) { return ms > kReopenBoundMs; });
    out << "replug: " << cycles << " cycles, " << reopenMs.size() << " reopened, " << failed
        << " not reopened within " << kStepTimeoutMs / 1000 << " s, " << over << " over "
        << kReopenBoundMs / 1000 << " s\n";
    out << "reopen time, all cycles: " << summary(reopenMs) << "\n";
    out << "reopen time, name gone for " << kAbsentMs << " ms first: " << summary(afterAbsenceMs)
        << "\n";
    out << "bytes after the reopen: " << sent << " sent, " << lost << " lost\n";
    out << "unexpected dialogs: " << dialogs.calls.size() << "\n";
    return failed == 0 && over == 0 && lost == 0 && dialogs.calls.isEmpty() ? 0 : 1;
}
