// The server's tutorial index and update descriptor, and version texts.
#include "fuzzcheck.h"
#include "hiddentext.h"
#include "onlineformats.h"

#include <QByteArray>
#include <QSet>
#include <QString>
#include <QUrl>

#include <cstdint>

namespace {

void checkIndex(const QByteArray &bytes)
{
    const TutorialIndex index = parseTutorialIndex(bytes, QUrl("https://site.example/a/info.txt"));
    check(index.error.isEmpty() != index.entries.isEmpty(), "an index is an error or entries");
    check(index.entries.size() <= kMaxIndexEntries, "entries within their bound");
    check(bytes.size() <= kMaxIndexBytes || !index.error.isEmpty(), "a large index is refused");
    for (const TutorialEntry &entry : index.entries) {
        check(!entry.title.isEmpty(), "every entry has a title");
        check(!HiddenText::contains(entry.title) && !HiddenText::contains(entry.category),
              "titles and categories hide nothing");
        const QString scheme = entry.url.scheme();
        check(scheme == "http" || scheme == "https", "only web addresses");
        check(!entry.url.host().isEmpty(), "addresses name a host");
    }
}

void checkDescriptor(const QByteArray &bytes, const QString &platform)
{
    const UpdateDescriptor descriptor =
        parseUpdateDescriptor(bytes, QUrl("https://site.example/a/updata.cfg"), platform);
    if (!descriptor.error.isEmpty()) {
        check(descriptor.files.isEmpty(), "a refused descriptor offers no files");
        return;
    }
    check(!descriptor.version.isEmpty(), "an accepted descriptor has a version");
    check(!isNewerVersion(descriptor.version, descriptor.version), "a version is not newer than itself");
    check(descriptor.files.size() <= kMaxUpdateFiles, "files within their bound");
    QSet<QString> names;
    qint64 total = 0;
    for (const UpdateFile &file : descriptor.files) {
        check(isSafeFileName(file.name), "only safe file names");
        check(!file.name.contains('/') && !file.name.contains('\\') && !file.name.contains(".."),
              "no directory part in a file name");
        for (const QChar c : file.name) {
            const ushort u = c.unicode();
            check(!(u >= 0x80 && u <= 0x9F) && !(u >= 0x202A && u <= 0x202E)
                      && !(u >= 0x2066 && u <= 0x2069),
                  "no C1 controls or bidi marks in a file name");
        }
        const QString stem = file.name.section('.', 0, 0).trimmed().toUpper();
        check(stem != "NUL" && stem != "CON" && stem != "PRN" && stem != "AUX"
                  && !(stem.size() == 4 && (stem.startsWith("COM") || stem.startsWith("LPT"))
                       && stem.at(3) >= '1' && stem.at(3) <= '9'),
              "no Windows device names");
        check(!names.contains(file.name.toLower()), "file names unique");
        names.insert(file.name.toLower());
        check(file.sha256.size() == 32, "a SHA-256 of 32 bytes");
        check(file.size >= 0 && file.size <= kMaxUpdateFileBytes, "file size within bounds");
        check(file.url.scheme() == "https", "files over the descriptor's scheme");
        total += file.size;
    }
    check(total <= kMaxUpdateTotalBytes, "total size within bounds");
}

void checkVersions(const QByteArray &bytes)
{
    const int newline = bytes.indexOf('\n');
    const QString a = QString::fromUtf8(bytes.left(newline < 0 ? bytes.size() : newline));
    const QString b = newline < 0 ? QStringLiteral("V1.1.6") : QString::fromUtf8(bytes.mid(newline + 1));
    check(!(isNewerVersion(a, b) && isNewerVersion(b, a)), "version order is strict");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), int(size));
    checkIndex(bytes);
    checkDescriptor(bytes, thisPlatform());
    checkDescriptor(bytes, QStringLiteral("windows-x86_64"));
    checkVersions(bytes);
    return 0;
}
