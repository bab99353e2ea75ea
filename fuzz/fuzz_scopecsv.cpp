// Waveform files read by the oscilloscope's import: only finite samples are
// stored, names survive export and import, and no exported name starts the
// way a spreadsheet formula does.
#include "fuzzcheck.h"
#include "samplestore.h"
#include "scopecsv.h"

#include <QBuffer>

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace {

constexpr quint64 kCapacity = 100;

struct Imported
{
    bool accepted = false;
    qint64 samples = 0;
    quint64 stored = 0;
    int count = 0;
    int typeCode = 0;
    QStringList names;
    QByteArray exported;
};

bool keepGoing(qint64) { return true; }

Imported importAndExport(const QByteArray &file)
{
    Imported imported;
    QBuffer buffer;
    buffer.setData(file);
    buffer.open(QIODevice::ReadOnly);
    ScopeCsvReader reader(buffer);
    if (!reader.readConfiguration() || !reader.readChannels()) {
        check(!reader.problem().text.isEmpty(), "a refused file says why");
        return imported;
    }
    imported.accepted = true;
    imported.count = reader.channelCount();
    imported.typeCode = reader.typeCode();
    imported.names = reader.names();
    imported.samples = reader.sampleCount();
    check(imported.count >= 1 && imported.count <= SampleStore::kChannels, "1 to 8 channels");
    check(imported.names.size() == imported.count, "a name for every channel");

    SampleStore store(kCapacity);
    check(reader.appendTo(store, keepGoing) == CsvReadResult::Read,
          "a file that passed its checks and does not change is read whole");
    const qint64 refused = store.nonFiniteRefused();
    check(refused <= reader.sampleCount(), "at most every sample is refused");
    check(store.size() == std::min<quint64>(quint64(reader.sampleCount() - refused), kCapacity),
          "the newest finite samples up to the capacity are kept");
    imported.stored = store.size();
    for (int channel = 0; channel < imported.count; ++channel) {
        const double *values = store.window(channel);
        check(std::all_of(values, values + store.size(), [](double v) { return std::isfinite(v); }),
              "stored samples are finite");
    }

    QBuffer out(&imported.exported);
    out.open(QIODevice::WriteOnly);
    check(writeScopeCsv(out, store, imported.count, imported.typeCode, imported.names, keepGoing)
              == CsvWriteResult::Written,
          "export into memory succeeds");
    for (const QByteArray &line : imported.exported.split('\n').mid(1))
        check(line.isEmpty() || !QByteArray("=+-@\t\r").contains(line.at(0)),
              "no channel line starts like a formula");
    return imported;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const Imported first =
        importAndExport(QByteArray(reinterpret_cast<const char *>(data), int(size)));
    if (!first.accepted || first.stored == 0)
        return 0;
    // What the program writes of samples, it reads back, and writing that
    // again gives the same file.
    const Imported second = importAndExport(first.exported);
    check(second.accepted, "an exported file is accepted");
    check(second.count == first.count && second.typeCode == first.typeCode,
          "configuration survives export");
    check(second.names == first.names, "names survive export");
    const Imported third = importAndExport(second.exported);
    check(third.exported == second.exported, "export of an exported file is the same file");
    return 0;
}
