// How fast received NMEA is cut into sentences and taken apart: a receiver
// sends a few dozen sentences a second, so this must never show in a
// profile.
#include "gpsrecord.h"
#include "nmea.h"
#include "nmeasplitter.h"

#include <QFile>

#include <benchmark/benchmark.h>

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

// Splitting, dispatch and the handlers that build the label texts.
void BM_SplitDispatchAndHandle(benchmark::State &state)
{
    const QList<QByteArray> pieces = chunks(capture());
    NmeaSplitter splitter;
    GpsRecord record;
    int64_t sentences = 0;
    int64_t labels = 0;
    for (auto _ : state) {
        for (const QByteArray &piece : pieces) {
            splitter.append(piece);
            for (QByteArrayList fields = splitter.next(); !fields.isEmpty();
                 fields = splitter.next()) {
                ++sentences;
                bool moved = false;
                switch (sentenceKind(fields.first())) {
                case SentenceKind::Rmc: labels += record.applyRmc(fields, &moved).size(); break;
                case SentenceKind::Vtg: labels += record.applyVtg(fields).size(); break;
                case SentenceKind::Gga: labels += record.applyGga(fields).size(); break;
                case SentenceKind::Gsa: labels += record.applyGsa(fields).size(); break;
                case SentenceKind::Gsv: labels += record.applyGsv(fields).size(); break;
                default: break;
                }
            }
        }
    }
    benchmark::DoNotOptimize(labels);
    state.counters["sentences/s"] =
        benchmark::Counter(double(sentences), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_SplitDispatchAndHandle);

} // namespace

