// The TCP server page under load: ten clients, each on its own thread,
// send numbered 100-byte messages as fast as the loopback takes them while
// the page counts and logs them on the GUI thread. Every message is checked
// in order, every byte must be counted, and a 1 ms timer measures how long
// the event loop is ever kept from running.
#include "netpage.h"
#include "nettab.h"
#include "scripteddialogs.h"
#include "stallmeter.h"
#include "tcpserverlink.h"
#include "tcpserverpage.h"
#include "widgetlookup.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QPushButton>
#include <QSpinBox>

#include <benchmark/benchmark.h>

#include <arpa/inet.h>
#include <atomic>
#include <cstdlib>
#include <cstring>
#include <map>
#include <netinet/in.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/syscall.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

constexpr int kClients = 10;
constexpr int kMessageSize = 100;
constexpr int kHeaderSize = 12; // "CC SSSSSSSS "

// Message `sequence` of client `client`: its numbers ("CC SSSSSSSS "),
// filler text and a line end.
void fillMessage(char *message, int client, int sequence)
{
    message[0] = char('0' + client / 10 % 10);
    message[1] = char('0' + client % 10);
    message[2] = ' ';
    for (int i = 10; i >= 3; --i, sequence /= 10)
        message[i] = char('0' + sequence % 10);
    message[11] = ' ';
    for (int i = kHeaderSize; i < kMessageSize - 1; ++i)
        message[i] = char('a' + i % 26);
    message[kMessageSize - 1] = '\n';
}

bool sendAll(int fd, const char *bytes, int size)
{
    for (int done = 0; done < size;) {
        const ssize_t n = ::send(fd, bytes + done, size_t(size - done), 0);
        if (n <= 0)
            return false;
        done += int(n);
    }
    return true;
}

// One client: connects, sends its messages one write each, then keeps the
// connection until told to close.
void runClient(quint16 port, int client, int messages, const std::atomic<bool> &closeNow)
{
    // Senders on other machines would leave the window's core alone. Here
    // ten of them share two cores with it: at the lowest priority they take
    // what it leaves, so the stalls measured are the program's own, not the
    // scheduler's time slices.
    setpriority(PRIO_PROCESS, id_t(syscall(SYS_gettid)), 19);
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::connect(fd, reinterpret_cast<sockaddr *>(&address), sizeof address) == 0) {
        char message[kMessageSize];
        for (int sequence = 0; sequence < messages; ++sequence) {
            fillMessage(message, client, sequence);
            if (!sendAll(fd, message, kMessageSize))
                break;
        }
    }
    while (!closeNow)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    ::close(fd);
}

// Each connection's stream cut into messages and checked: one client's
// numbers, in order, none missing.
class StreamChecker
{
public:
    void take(int connection, const QByteArray &bytes)
    {
        Stream &stream = m_streams[connection];
        stream.pending.append(bytes);
        int offset = 0;
        char expected[kMessageSize];
        for (; stream.pending.size() - offset >= kMessageSize; offset += kMessageSize) {
            const char *message = stream.pending.constData() + offset;
            if (stream.client < 0)
                stream.client = std::atoi(message);
            fillMessage(expected, stream.client, stream.next);
            if (std::memcmp(message, expected, kMessageSize) == 0)
                ++m_good;
            else
                ++m_bad;
            ++stream.next;
        }
        stream.pending.remove(0, offset);
    }
    qint64 good() const { return m_good; }
    qint64 bad() const { return m_bad; }

private:
    struct Stream
    {
        QByteArray pending;
        int client = -1;
        int next = 0;
    };
    std::map<int, Stream> m_streams;
    qint64 m_good = 0;
    qint64 m_bad = 0;
};

void BM_ServerPageTakesTenFloodingClients(benchmark::State &state)
{
    const int messages = int(state.range(0));
    const qint64 total = qint64(kClients) * messages * kMessageSize;
    ScriptedDialogs dialogs;
    NetTab tab(dialogs);
    tab.resize(1000, 700);
    tab.show();
    child<QSpinBox>(&tab, "tcp_server_port")->setValue(0);
    child<QPushButton>(&tab, "tcp_server_listenButton")->click();
    QElapsedTimer shown;
    shown.start();
    while (shown.elapsed() < 300)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 10);
    TcpServerLink *link = tab.serverPage()->link();
    NetPage *page = tab.serverPage()->page();
    if (!link->isOpen()) {
        state.SkipWithError("cannot listen");
        return;
    }

    StallMeter stalls;
    double worstStallMs = 0;
    qint64 lostBytes = 0;
    qint64 badMessages = 0;
    for (auto _ : state) {
        StreamChecker checker;
        const auto connection = QObject::connect(
            link, &TcpServerLink::chunkReceived,
            [&checker](const TcpChunk &chunk) { checker.take(chunk.client.id, chunk.bytes); });
        const qint64 before = page->receivedTotal();
        std::atomic<bool> closeNow{false};
        stalls.start();
        std::vector<std::thread> clients;
        for (int c = 0; c < kClients; ++c)
            clients.emplace_back(runClient, link->port(), c, messages, std::cref(closeNow));
        // A lost byte would leave the count short forever: give up after a
        // few seconds without progress and report the shortfall.
        QElapsedTimer sinceProgress;
        sinceProgress.start();
        qint64 seen = page->receivedTotal();
        while (page->receivedTotal() - before < total && sinceProgress.elapsed() < 5000) {
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 100);
            if (page->receivedTotal() != seen) {
                seen = page->receivedTotal();
                sinceProgress.restart();
            }
        }
        state.PauseTiming();
        // The last redraw and the clients' departures belong to the run's
        // stalls, not to its time.
        closeNow = true;
        for (std::thread &client : clients)
            client.join();
        QElapsedTimer settle;
        settle.start();
        while (settle.elapsed() < 300 || page->redrawPending())
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 10);
        stalls.stop();
        QObject::disconnect(connection);
        worstStallMs = qMax(worstStallMs, stalls.worstMs());
        lostBytes += total - (page->receivedTotal() - before);
        // Wrong ones and missing ones.
        badMessages += qint64(kClients) * messages - checker.good();
        state.ResumeTiming();
    }
    state.SetBytesProcessed(state.iterations() * total);
    state.SetItemsProcessed(state.iterations() * qint64(kClients) * messages);
    state.counters["max_stall_ms"] = worstStallMs;
    state.counters["lost_bytes"] = double(lostBytes);
    state.counters["bad_messages"] = double(badMessages);
}

} // namespace

BENCHMARK(BM_ServerPageTakesTenFloodingClients)
    ->ArgNames({"messages_per_client"})
    ->Arg(10000)
    ->Arg(100000)
    ->Iterations(3)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
