// The GPS session's upload state machine: whatever a device sends, in
// whatever reads, files land below uploads/ in the working directory and
// nowhere else, even with links planted there that lead out of it.
//
// Input: one byte giving the number of read sizes (0 to 7), that many sizes
// (1 to 256 bytes each, used in turn), then the stream.
#include "fuzzcheck.h"
#include "gpssession.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <cstdint>
#include <vector>

namespace {

struct Folders
{
    QTemporaryDir root;
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

// Links out of uploads/, to a folder, to a file and to nothing.
void plantLinks(const Folders &where)
{
    QDir(where.work + QStringLiteral("/uploads")).removeRecursively();
    QDir(where.outside).removeRecursively();
    QDir().mkpath(where.outside);
    QDir().mkpath(QStringLiteral("uploads"));
    QFile::link(where.outside, QStringLiteral("uploads/d"));
    QFile::link(where.outside + QStringLiteral("/f"), QStringLiteral("uploads/f"));
    QFile::link(where.outside + QStringLiteral("/n"), QStringLiteral("uploads/n"));
    QFile file(where.outside + QStringLiteral("/f"));
    file.open(QIODevice::WriteOnly);
    file.write("outside");
}

QStringList entries(const QString &path)
{
    return QDir(path).entryList(QDir::AllEntries | QDir::Hidden | QDir::System
                                | QDir::NoDotAndDotDot);
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
        size_t turn = 0;
        for (int at = 0; at < stream.size();) {
            const int length = reads[turn++ % reads.size()];
            session.receive(stream.mid(at, length));
            at += length;
        }
        session.sourceClosed();
    }
    QDir::setCurrent(before);
    check(entries(where.root.path()) == QStringList({"outside", "work"}),
          "nothing is made beside the working directory");
    check(entries(where.work) == QStringList{"uploads"},
          "nothing is made in the working directory but uploads/");
    check(entries(where.outside) == QStringList{"f"}, "nothing is made through a link");
    QFile file(where.outside + QStringLiteral("/f"));
    check(file.open(QIODevice::ReadOnly) && file.readAll() == "outside",
          "nothing is written through a link");
    return 0;
}
