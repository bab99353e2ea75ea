// How fast received NMEA is cut into sentences and taken apart: a receiver
// sends a few dozen sentences a second, so this must never show in a
// profile.
#include "fakeports.h"
#include "gpsrecord.h"
#include "gpssession.h"
#include "gpstab.h"
#include "gpstrack.h"
#include "nmea.h"
#include "nmeasplitter.h"
#include "receiveview.h"
#include "scripteddialogs.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <memory>

namespace {

QByteArray capture()
{
    QFile file(QStringLiteral(ZENTRIK_NMEA_DATA_DIR "/gr601-w.log"));
    QByteArray stream;
    if (file.open(QIODevice::ReadOnly)) {
        while (!file.atEnd()) {
            const QByteArray line = file.readLine();
            if (!line.startsWith('#'))
                stream += line;
        }
    }
    return stream;
}

// The stream in chunks the size of a 10 ms poll at 115200 baud.
QList<QByteArray> chunks(const QByteArray &stream)
{
    QList<QByteArray> pieces;
    for (int at = 0; at < stream.size(); at += 115)
        pieces << stream.mid(at, 115);
    return pieces;
}

void BM_SplitAndDispatch(benchmark::State &state)
{
    const QList<QByteArray> pieces = chunks(capture());
    NmeaSplitter splitter;
    int64_t sentences = 0;
    int64_t recognised = 0;
    for (auto _ : state) {
        for (const QByteArray &piece : pieces) {
            splitter.append(piece);
            for (QByteArrayList fields = splitter.next(); !fields.isEmpty();
                 fields = splitter.next()) {
                ++sentences;
                recognised += sentenceKind(fields.first()) != SentenceKind::Other;
            }
        }
    }
    benchmark::DoNotOptimize(recognised);
    state.counters["sentences/s"] =
        benchmark::Counter(double(sentences), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_SplitAndDispatch);

GpsFix apply(GpsRecord &record, const QByteArrayList &fields)
{
    switch (sentenceKind(fields.first())) {
    case SentenceKind::Rmc:
        return record.applyRmc(fields);
    case SentenceKind::Vtg:
        return record.applyVtg(fields);
    case SentenceKind::Gga:
        return record.applyGga(fields);
    case SentenceKind::Gsa:
        return record.applyGsa(fields);
    case SentenceKind::Gsv:
        return record.applyGsv(fields);
    default:
        return {};
    }
}

// Splitting, dispatch and the record's handlers, which return the fixes.
void BM_SplitDispatchAndHandle(benchmark::State &state)
{
    const QList<QByteArray> pieces = chunks(capture());
    NmeaSplitter splitter;
    GpsRecord record;
    int64_t sentences = 0;
    for (auto _ : state) {
        for (const QByteArray &piece : pieces) {
            splitter.append(piece);
            for (QByteArrayList fields = splitter.next(); !fields.isEmpty();
                 fields = splitter.next()) {
                ++sentences;
                const GpsFix fix = apply(record, fields);
                benchmark::DoNotOptimize(fix);
            }
        }
    }
    state.counters["sentences/s"] =
        benchmark::Counter(double(sentences), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_SplitDispatchAndHandle);

// The session's whole road: log bytes, sentences, fixes and map moves out
// through its signals.
void BM_SessionReceive(benchmark::State &state)
{
    const QList<QByteArray> pieces = chunks(capture());
    GpsSession session;
    int64_t fixes = 0;
    QObject::connect(&session, &GpsSession::fixReceived, [&fixes](const GpsFix &) { ++fixes; });
    for (auto _ : state) {
        for (const QByteArray &piece : pieces)
            session.receive(piece);
    }
    state.counters["fixes/s"] = benchmark::Counter(double(fixes), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_SessionReceive);

// 1 MB of empty uploads from a device, fed in reads of `readSize` bytes to
// `receive`, in a temporary working directory.
template <typename Receive>
void feedEmptyUploads(benchmark::State &state, int readSize, Receive receive)
{
    QByteArray flood;
    while (flood.size() < 1024 * 1024)
        flood += "$VCFLE,0,a*";
    QTemporaryDir dir;
    const QString before = QDir::currentPath();
    QDir::setCurrent(dir.path());
    for (auto _ : state) {
        for (int at = 0; at < flood.size(); at += readSize)
            receive(flood.mid(at, readSize));
    }
    QDir::setCurrent(before);
}

// In one read and in 64 KiB reads: each upload costs the same, however many
// came before it.
void BM_EmptyUploadFlood(benchmark::State &state)
{
    GpsSession session;
    int64_t lines = 0;
    QObject::connect(&session, &GpsSession::logMessage,
                     [&lines](GpsSession::Severity, const QString &) { ++lines; });
    feedEmptyUploads(state, int(state.range(0)),
                     [&session](const QByteArray &bytes) {
                         session.receive(bytes);
                         session.waitForUploads();
                     });
    state.counters["uploads/s"] = benchmark::Counter(double(lines), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_EmptyUploadFlood)->Arg(1024 * 1024)->Arg(64 * 1024)->Unit(benchmark::kMillisecond);

// The same flood into the GPS tab: every upload's line reaches its log, so
// this is what the window spends on it.
void BM_EmptyUploadFloodIntoTab(benchmark::State &state)
{
    ScriptedDialogs dialogs;
    FakePorts ports;
    GpsTab tab(dialogs, ports.source());
    feedEmptyUploads(state, int(state.range(0)),
                     [&tab](const QByteArray &bytes) {
                         tab.onSerialBytes(bytes);
                         tab.session()->waitForUploads();
                     });
}
BENCHMARK(BM_EmptyUploadFloodIntoTab)
    ->Arg(1024 * 1024)
    ->Arg(64 * 1024)
    ->Unit(benchmark::kMillisecond);

// A peer's flood of uploads, 61 KB in one read, each into folders of its
// own `levels` deep (0: as deep as a path may go), into the GPS tab: the
// longest the window's thread is busy at once, from the read until every
// file is written or refused.
QByteArray folderFlood(int levels)
{
    QByteArray flood;
    for (int i = 0; flood.size() < 61 * 1024; ++i) {
        QByteArray path = "q" + QByteArray::number(i) + '/';
        for (int level = 1; levels == 0 ? path.size() + 3 < 1024 : level < levels; ++level)
            path += "d/";
        flood += "$VCFLE,0," + path + "f*";
    }
    return flood;
}

void BM_FolderFloodStall(benchmark::State &state)
{
    const QByteArray flood = folderFlood(int(state.range(0)));
    ScriptedDialogs dialogs;
    FakePorts ports;
    const QString before = QDir::currentPath();
    double longestMs = 0;
    for (auto _ : state) {
        state.PauseTiming();
        auto dir = std::make_unique<QTemporaryDir>();
        QDir::setCurrent(dir->path());
        auto tab = std::make_unique<GpsTab>(dialogs, ports.source());
        state.ResumeTiming();
        QElapsedTimer busy;
        busy.start();
        tab->onSerialBytes(flood);
        longestMs = std::max(longestMs, busy.nsecsElapsed() / 1e6);
        while (!tab->session()->uploadsDone()) {
            busy.start();
            QCoreApplication::processEvents();
            longestMs = std::max(longestMs, busy.nsecsElapsed() / 1e6);
        }
        state.PauseTiming();
        tab.reset();
        QDir::setCurrent(before);
        dir.reset();
        state.ResumeTiming();
    }
    state.counters["longest_stall_ms"] = longestMs;
}
BENCHMARK(BM_FolderFloodStall)->Arg(0)->Arg(8)->Unit(benchmark::kMillisecond)->Iterations(3);

// One sentence a read into the GPS tab, its log empty (cleared before each
// read, outside the timing) or full: what a read costs the window must not
// grow with what the log already holds.
void BM_ReadIntoTabLog(benchmark::State &state)
{
    const bool full = state.range(0) != 0;
    ScriptedDialogs dialogs;
    FakePorts ports;
    GpsTab tab(dialogs, ports.source());
    const QByteArray read = "$GPGGA,143252.00,4002.10513,N,07531.20562,W,1,07,1.0,183.8,M,,M,,*61\r\n";
    if (full) {
        for (int i = 0; i < 2000; ++i)
            tab.onSerialBytes(read);
    }
    for (auto _ : state) {
        if (!full) {
            state.PauseTiming();
            tab.on_gps_cleanButton_clicked();
            state.ResumeTiming();
        }
        tab.onSerialBytes(read);
    }
    state.counters["kept lines"] = tab.logView()->log().lineCount();
}
BENCHMARK(BM_ReadIntoTabLog)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

} // namespace


namespace {

// A day's drive at 10 Hz, 864 000 fixes, written as GPX: must take seconds,
// not minutes.
const GpsTrack &dayTrack()
{
    static const GpsTrack track = [] {
        GpsTrack day;
        for (int tenth = 0; tenth < 24 * 3600 * 10; ++tenth) {
            const int seconds = tenth / 10;
            const QByteArray time = QByteArray::number(seconds / 3600).rightJustified(2, '0')
                + QByteArray::number(seconds / 60 % 60).rightJustified(2, '0')
                + QByteArray::number(seconds % 60).rightJustified(2, '0') + '.'
                + QByteArray::number(tenth % 10) + '0';
            const QByteArray minutes =
                QByteArray::number(10.0 + (tenth % 600000) / 20000.0, 'f', 5).rightJustified(8, '0');
            const QByteArray latitude = "31" + minutes;
            const QByteArray longitude = "117" + minutes;
            day.applyRmc(
                {"GPRMC", time, "A", latitude, "N", longitude, "E", "14.0", "0.0", "080926"});
            day.applyGga(
                {"GNGGA", time, latitude, "N", longitude, "E", "1", "16", "0.9", "35.0", "M"});
        }
        return day;
    }();
    return track;
}

void BM_ExportDayTrack(benchmark::State &state)
{
    const GpsTrack &track = dayTrack();
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("day.gpx"));
    for (auto _ : state) {
        const QString error = saveGpx(path, track, QStringLiteral("bench"));
        if (!error.isEmpty())
            state.SkipWithError(qPrintable(error));
    }
    state.counters["points"] = track.size();
    state.counters["bytes"] = double(QFileInfo(path).size());
    state.counters["kept_MB"] = track.size() * double(sizeof(TrackPoint)) / 1e6;
}
BENCHMARK(BM_ExportDayTrack)->Unit(benchmark::kMillisecond)->Iterations(3);

} // namespace
