// The GPS session's upload state machine: whatever a device sends, in
// whatever reads, files land below uploads/ in the working directory and
// nowhere else, even with links planted there that lead out of it or a hard
// link to a file outside; and uploads/ never holds more than its limits
// allow (small ones here, so they are met), what was there before included.
//
// Input: one byte giving the number of read sizes (0 to 7), that many sizes
// (1 to 256 bytes each, used in turn), then the stream.
#include "fuzzcheck.h"
#include "gpssession.h"

#include <QCoreApplication>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <cstdint>
#include <unistd.h>
#include <vector>

namespace {

constexpr int kMaxEntries = 16;
constexpr qint64 kMaxBytes = 4096;

// In memory where the system offers it: every input plants and removes a
// few files, which on a disk costs more than the session itself.
QString fuzzRoot()
{
    const QString memory = QStringLiteral("/dev/shm");
    return QFileInfo(memory).isWritable() ? memory + QStringLiteral("/fuzz_gpsupload-XXXXXX")
                                          : QDir::tempPath() + QStringLiteral("/fuzz_gpsupload-XXXXXX");
}

struct Folders
{
    QTemporaryDir root{fuzzRoot()};
    QString work = root.path() + QStringLiteral("/work");
    QString outside = root.path() + QStringLiteral("/outside");
};

Folders &folders()
{
    static int argc = 1;
    static char name[] = "fuzz_gpsupload";
    static char *argv[] = {name, nullptr};
    static QCoreApplication app(argc, argv);
    static Folders made;
    static const bool ready = QDir().mkpath(made.work) && QDir().mkpath(made.outside);
    check(ready, "the fuzzer's folders can be made");
    return made;
}

void writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    check(file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size(),
          "the fuzzer's files can be written");
}

// Links out of uploads/, to a folder, to a file and to nothing; a hard link
// to the file outside; a folder with a file in it, which count towards the
// limits.
void plantLinks(const Folders &where)
{
    QDir(where.work + QStringLiteral("/uploads")).removeRecursively();
    QDir(where.outside).removeRecursively();
    QDir().mkpath(where.outside);
    QDir().mkpath(QStringLiteral("uploads/full"));
    writeFile(where.outside + QStringLiteral("/f"), "outside");
    QFile::link(where.outside, QStringLiteral("uploads/d"));
    QFile::link(where.outside + QStringLiteral("/f"), QStringLiteral("uploads/f"));
    QFile::link(where.outside + QStringLiteral("/n"), QStringLiteral("uploads/n"));
    check(::link(qPrintable(where.outside + QStringLiteral("/f")), "uploads/h") == 0,
          "the hard link can be made");
    writeFile(QStringLiteral("uploads/full/x"), QByteArray(1000, 'x'));
}

QStringList entries(const QString &path)
{
    return QDir(path).entryList(QDir::AllEntries | QDir::Hidden | QDir::System
                                | QDir::NoDotAndDotDot);
}

// What uploads/ holds, without following links: entries and bytes.
std::pair<int, qint64> usage(const QString &folder)
{
    int count = 0;
    qint64 bytes = 0;
    QDirIterator it(folder, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        it.next();
        ++count;
        if (it.fileInfo().isFile() && !it.fileInfo().isSymLink())
            bytes += it.fileInfo().size();
    }
    return {count, bytes};
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 1)
        return 0;
    const size_t count = data[0] % 8;
    if (size < 1 + count)
        return 0;
    std::vector<int> reads;
    for (size_t i = 0; i < count; ++i)
        reads.push_back(int(data[1 + i]) + 1);
    if (reads.empty())
        reads.push_back(int(size));
    const QByteArray stream(reinterpret_cast<const char *>(data + 1 + count), int(size - 1 - count));

    Folders &where = folders();
    // The session writes below the working directory; libFuzzer's own paths
    // (corpus, artifacts) may be relative, so the old one comes back after.
    const QString before = QDir::currentPath();
    check(QDir::setCurrent(where.work), "the working directory can be entered");
    plantLinks(where);
    {
        GpsSession session;
        session.uploadWriter().setLimits(kMaxEntries, kMaxBytes);
        size_t turn = 0;
        for (int at = 0; at < stream.size();) {
            const int length = reads[turn++ % reads.size()];
            session.receive(stream.mid(at, length));
            at += length;
        }
        session.sourceClosed();
        session.waitForUploads();
    }
    const std::pair<int, qint64> held = usage(where.work + QStringLiteral("/uploads"));
    QDir::setCurrent(before);
    check(entries(where.root.path()) == QStringList({"outside", "work"}),
          "nothing is made beside the working directory");
    check(entries(where.work) == QStringList{"uploads"},
          "nothing is made in the working directory but uploads/");
    check(entries(where.outside) == QStringList{"f"}, "nothing is made through a link");
    QFile file(where.outside + QStringLiteral("/f"));
    check(file.open(QIODevice::ReadOnly) && file.readAll() == "outside",
          "nothing is written through a link");
    check(held.first <= kMaxEntries, "uploads/ holds no more entries than allowed");
    check(held.second <= kMaxBytes, "uploads/ holds no more bytes than allowed");
    return 0;
}
