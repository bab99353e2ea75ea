#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QString>
#include <QUrl>

// The two files the maker's server publishes for the program, info.txt (the
// tutorial index) and updata.cfg (the update descriptor); both are described
// in docs/ONLINE.md. The parsers take whatever the server sends: any input
// gives either a checked result or an error text, never more than the
// bounds below.

constexpr qint64 kMaxIndexBytes = 256 * 1024;
constexpr int kMaxIndexEntries = 1000;
constexpr qint64 kMaxDescriptorBytes = 64 * 1024;
constexpr int kMaxUpdateFiles = 100;
constexpr qint64 kMaxUpdateFileBytes = 512LL * 1024 * 1024;
constexpr qint64 kMaxUpdateTotalBytes = 1024LL * 1024 * 1024;

struct TutorialEntry
{
    QString category; // empty: listed at the top level
    QString title;
    QUrl url;
};

struct TutorialIndex
{
    QList<TutorialEntry> entries;
    QString error; // empty when the index was read
};

// Entries in the order of the file; addresses are resolved against
// `indexUrl` and must be http or https, https under an https index. Lines that are not entries are
// skipped; an index without a single entry is an error.
TutorialIndex parseTutorialIndex(const QByteArray &bytes, const QUrl &indexUrl);

struct UpdateFile
{
    QString name; // a plain file name in the program's directory
    QUrl url;
    qint64 size = 0;
    QByteArray sha256; // 32 bytes
};

struct UpdateDescriptor
{
    QString version;
    QString notes;
    // Until when the maker vouches for it ("expires = 2027-01-31T12:00:00Z"):
    // a mirror that keeps serving an old descriptor cannot hold updates
    // back for longer. Invalid when the descriptor names no date.
    QDateTime expires;
    QList<UpdateFile> files; // those for the platform asked for
    QString error;           // empty when the descriptor was read
};

// The descriptor's version and notes and the files for `platform` (see
// thisPlatform()). One bad file line refuses the whole descriptor: half an
// update is worse than none. File addresses must share the descriptor's
// scheme, so an update announced over https is never fetched over http.
UpdateDescriptor parseUpdateDescriptor(const QByteArray &bytes, const QUrl &descriptorUrl,
                                       const QString &platform);

// "linux-x86_64", "windows-x86_64", …: the platform the program was built for.
QString thisPlatform();

// A name a downloaded file may have: no directory part, not "." or "..", no
// character that a file system or a hand-over script would read specially,
// none that hides or reorders text on screen, no Windows device name.
bool isSafeFileName(const QString &name);

// Versions such as "V1.1.7" or "1.2": numbers compared one by one, missing
// ones counting as 0. False when either cannot be read.
bool isNewerVersion(const QString &offered, const QString &current);
