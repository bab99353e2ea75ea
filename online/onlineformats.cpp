#include "onlineformats.h"

#include "hiddentext.h"
#include "translation.h"

#include <QSet>
#include <QStringList>
#include <QSysInfo>
#include <QTextCodec>

#include <optional>

namespace {

constexpr int kMaxLineLength = 4096;
constexpr int kMaxLines = 20000;
constexpr int kMaxNameLength = 100;
constexpr int kMaxTitleLength = 200;
constexpr int kMaxUrlLength = 2048;
constexpr int kMaxNotesLength = 4000;
constexpr int kMaxVersionParts = 4;
constexpr int kMaxVersionDigits = 9;
constexpr int kSha256Bytes = 32;

// The file as lines of text, or an empty list with `error` set when it is
// not UTF-8 text of a sensible size.
QStringList textLines(const QByteArray &bytes, qint64 maxBytes, QString *error)
{
    if (bytes.size() > maxBytes) {
        *error = mainTr("文件过大");
        return {};
    }
    QTextCodec::ConverterState state;
    const QString text = QTextCodec::codecForName("UTF-8")->toUnicode(bytes.constData(),
                                                                     bytes.size(), &state);
    if (state.invalidChars > 0 || state.remainingChars > 0 || bytes.contains('\0')) {
        *error = mainTr("文件不是文本");
        return {};
    }
    QStringList lines = text.split(QLatin1Char('\n'));
    if (lines.size() > kMaxLines) {
        *error = mainTr("文件过大");
        return {};
    }
    for (QString &line : lines) {
        if (line.endsWith(QLatin1Char('\r')))
            line.chop(1);
        if (line.startsWith(QChar(0xFEFF)))
            line.remove(0, 1);
    }
    return lines;
}

bool isCommentOrBlank(const QString &line)
{
    const QString trimmed = line.trimmed();
    return trimmed.isEmpty() || trimmed.startsWith(QLatin1Char('#'));
}

QStringList fields(const QString &text)
{
    QStringList parts = text.split(QLatin1Char('|'));
    for (QString &part : parts)
        part = part.trimmed();
    return parts;
}

bool hasControlCharacters(const QString &text)
{
    for (const QChar c : text) {
        if (c.unicode() < 0x20 || c.unicode() == 0x7F)
            return true;
    }
    return false;
}

// An http(s) address, relative ones taken from `base`; invalid when it is
// anything else or too long.
QUrl webAddress(const QString &text, const QUrl &base)
{
    if (text.isEmpty() || text.size() > kMaxUrlLength || hasControlCharacters(text))
        return {};
    const QUrl relative(text, QUrl::StrictMode);
    if (!relative.isValid())
        return {};
    const QUrl url = base.resolved(relative);
    const QString scheme = url.scheme();
    if ((scheme != QLatin1String("http") && scheme != QLatin1String("https"))
        || url.host().isEmpty())
        return {};
    return url;
}

// CON, NUL, COM1, … open a device on Windows, also with an extension.
bool isWindowsDeviceName(const QString &name)
{
    static const QStringList kDevices{
        QStringLiteral("CON"), QStringLiteral("PRN"), QStringLiteral("AUX"),
        QStringLiteral("NUL"), QStringLiteral("CONIN$"), QStringLiteral("CONOUT$")};
    static const QString kPortDigits = QStringLiteral("123456789\u00B9\u00B2\u00B3");
    const QString stem = name.section(QLatin1Char('.'), 0, 0).trimmed().toUpper();
    if (kDevices.contains(stem))
        return true;
    return stem.size() == 4
        && (stem.startsWith(QLatin1String("COM")) || stem.startsWith(QLatin1String("LPT")))
        && kPortDigits.contains(stem.at(3));
}

bool isPlainText(const QString &text, int maxLength)
{
    return !text.isEmpty() && text.size() <= maxLength && !hasControlCharacters(text)
        && !HiddenText::contains(text);
}

std::optional<TutorialEntry> tutorialEntry(const QString &line, const QUrl &indexUrl)
{
    const QStringList parts = fields(line);
    if (parts.size() != 3 || line.size() > kMaxLineLength)
        return std::nullopt;
    const QString &category = parts.at(0);
    if (!category.isEmpty() && !isPlainText(category, kMaxTitleLength))
        return std::nullopt;
    if (!isPlainText(parts.at(1), kMaxTitleLength))
        return std::nullopt;
    const QUrl url = webAddress(parts.at(2), indexUrl);
    // Under an https index every tutorial is fetched over https too.
    if (!url.isValid() || (indexUrl.scheme() == QLatin1String("https")
                           && url.scheme() != QLatin1String("https")))
        return std::nullopt;
    return TutorialEntry{category, parts.at(1), url};
}

bool isLowerHex(const QString &text)
{
    for (const QChar c : text) {
        if (!((c >= QLatin1Char('0') && c <= QLatin1Char('9'))
              || (c >= QLatin1Char('a') && c <= QLatin1Char('f'))))
            return false;
    }
    return true;
}

// One "file =" value: platform | name | address | size | sha256.
struct FileLine
{
    QString platform;
    UpdateFile file;
    QString error;
};

FileLine fileLine(const QString &value, const QUrl &descriptorUrl)
{
    const QStringList parts = fields(value);
    if (parts.size() != 5)
        return {{}, {}, mainTr("文件行应有5项")};
    FileLine line;
    line.platform = parts.at(0);
    line.file.name = parts.at(1);
    if (!isSafeFileName(line.file.name))
        return {{}, {}, mainTr("不允许的文件名：%1").arg(line.file.name.left(kMaxNameLength))};
    line.file.url = webAddress(parts.at(2), descriptorUrl);
    if (!line.file.url.isValid() || line.file.url.scheme() != descriptorUrl.scheme())
        return {{}, {}, mainTr("文件%1的地址不可用").arg(line.file.name)};
    bool sizeOk = false;
    line.file.size = parts.at(3).toLongLong(&sizeOk);
    if (!sizeOk || line.file.size < 0 || line.file.size > kMaxUpdateFileBytes)
        return {{}, {}, mainTr("文件%1的大小不可用").arg(line.file.name)};
    const QString digest = parts.at(4).toLower();
    if (digest.size() != 2 * kSha256Bytes || !isLowerHex(digest))
        return {{}, {}, mainTr("文件%1的SHA-256不可用").arg(line.file.name)};
    line.file.sha256 = QByteArray::fromHex(digest.toLatin1());
    return line;
}

struct Version
{
    QList<quint32> parts;
    bool valid = false;
};

Version readVersion(QString text)
{
    if (text.startsWith(QLatin1Char('V')) || text.startsWith(QLatin1Char('v')))
        text.remove(0, 1);
    const QStringList parts = text.split(QLatin1Char('.'));
    Version version;
    if (parts.size() > kMaxVersionParts)
        return version;
    for (const QString &part : parts) {
        if (part.isEmpty() || part.size() > kMaxVersionDigits)
            return version;
        for (const QChar c : part) {
            if (c < QLatin1Char('0') || c > QLatin1Char('9'))
                return version;
        }
        version.parts.append(part.toUInt());
    }
    version.valid = true;
    return version;
}

UpdateDescriptor refused(const QString &error)
{
    UpdateDescriptor descriptor;
    descriptor.error = error;
    return descriptor;
}

} // namespace

TutorialIndex parseTutorialIndex(const QByteArray &bytes, const QUrl &indexUrl)
{
    TutorialIndex index;
    const QStringList lines = textLines(bytes, kMaxIndexBytes, &index.error);
    if (!index.error.isEmpty())
        return index;
    for (const QString &line : lines) {
        if (isCommentOrBlank(line))
            continue;
        if (std::optional<TutorialEntry> entry = tutorialEntry(line, indexUrl))
            index.entries.append(*entry);
        if (index.entries.size() == kMaxIndexEntries)
            break;
    }
    if (index.entries.isEmpty())
        index.error = mainTr("列表中没有教程");
    return index;
}

UpdateDescriptor parseUpdateDescriptor(const QByteArray &bytes, const QUrl &descriptorUrl,
                                       const QString &platform)
{
    QString error;
    const QStringList lines = textLines(bytes, kMaxDescriptorBytes, &error);
    if (!error.isEmpty())
        return refused(error);

    UpdateDescriptor descriptor;
    QStringList notes;
    QSet<QString> names;
    qint64 totalBytes = 0;
    for (const QString &line : lines) {
        if (isCommentOrBlank(line))
            continue;
        const int equals = line.indexOf(QLatin1Char('='));
        if (equals < 0 || line.size() > kMaxLineLength)
            return refused(mainTr("无法识别的行"));
        const QString key = line.left(equals).trimmed();
        const QString value = line.mid(equals + 1).trimmed();
        if (key == QLatin1String("format") && value != QLatin1String("1")) {
            return refused(mainTr("不支持的格式%1").arg(value.left(kMaxNameLength)));
        } else if (key == QLatin1String("version")) {
            if (!descriptor.version.isEmpty() || !readVersion(value).valid)
                return refused(mainTr("版本号不可用"));
            descriptor.version = value;
        } else if (key == QLatin1String("expires")) {
            if (descriptor.expires.isValid())
                return refused(mainTr("有效期不可用"));
            descriptor.expires = QDateTime::fromString(value, Qt::ISODate);
            if (!descriptor.expires.isValid()
                || descriptor.expires.timeSpec() == Qt::LocalTime)
                return refused(mainTr("有效期不可用"));
        } else if (key == QLatin1String("notes")) {
            notes.append(value);
        } else if (key == QLatin1String("file")) {
            FileLine file = fileLine(value, descriptorUrl);
            if (!file.error.isEmpty())
                return refused(file.error);
            if (file.platform != platform)
                continue;
            if (names.contains(file.file.name.toLower()))
                return refused(mainTr("文件%1重复").arg(file.file.name));
            names.insert(file.file.name.toLower());
            totalBytes += file.file.size;
            if (descriptor.files.size() == kMaxUpdateFiles || totalBytes > kMaxUpdateTotalBytes)
                return refused(mainTr("升级文件过多"));
            descriptor.files.append(file.file);
        }
    }
    if (descriptor.version.isEmpty())
        return refused(mainTr("没有版本号"));
    descriptor.notes = notes.join(QLatin1Char('\n')).left(kMaxNotesLength);
    return descriptor;
}

QString thisPlatform()
{
#if defined(Q_OS_WIN)
    const QString system = QStringLiteral("windows");
#elif defined(Q_OS_MACOS)
    const QString system = QStringLiteral("macos");
#else
    const QString system = QStringLiteral("linux");
#endif
    return system + QLatin1Char('-') + QSysInfo::buildCpuArchitecture();
}

bool isSafeFileName(const QString &name)
{
    static const QString kRefused = QStringLiteral("/\\:*?\"<>|%");
    if (name.isEmpty() || name.size() > kMaxNameLength || name.contains(QLatin1String(".."))
        || name == QLatin1String(".") || hasControlCharacters(name)
        || HiddenText::contains(name) || isWindowsDeviceName(name))
        return false;
    // Windows drops a trailing dot or blank; a leading '-' reads as an option.
    if (name.startsWith(QLatin1Char('-')) || name.startsWith(QLatin1Char(' '))
        || name.endsWith(QLatin1Char(' ')) || name.endsWith(QLatin1Char('.')))
        return false;
    for (const QChar c : name) {
        if (kRefused.contains(c))
            return false;
    }
    return true;
}

bool isNewerVersion(const QString &offered, const QString &current)
{
    const Version a = readVersion(offered);
    const Version b = readVersion(current);
    if (!a.valid || !b.valid)
        return false;
    for (int i = 0; i < kMaxVersionParts; ++i) {
        const quint32 x = a.parts.value(i);
        const quint32 y = b.parts.value(i);
        if (x != y)
            return x > y;
    }
    return false;
}
