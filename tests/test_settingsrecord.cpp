#include "settingsrecord.h"
#include "textcodec.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QtEndian>
#include <QtTest>

#include <csignal>
#include <sys/resource.h>

namespace {
QByteArray validBytes()
{
    SettingsRecord record;
    record.tabOrder = {0, 1, 2, 3, 4, 5};
    return record.toBytes();
}

void writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Writes past the first bytes of any file fail while it lives.
class FileSizeLimit
{
public:
    explicit FileSizeLimit(rlim_t bytes)
    {
        getrlimit(RLIMIT_FSIZE, &m_old);
        m_oldHandler = std::signal(SIGXFSZ, SIG_IGN);
        rlimit limited = m_old;
        limited.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &limited);
    }
    ~FileSizeLimit()
    {
        setrlimit(RLIMIT_FSIZE, &m_old);
        std::signal(SIGXFSZ, m_oldHandler);
    }

private:
    rlimit m_old{};
    void (*m_oldHandler)(int) = nullptr;
};
} // namespace

class TestSettingsRecord : public QObject
{
    Q_OBJECT
private slots:
    void onlyWholeRecordsWithTheTagAreRead();
    void textsAreCutAndTerminated();
    void tabOrderMustNameEveryPageOnce();
    void missingFileGivesNothing();
    void failedWriteLeavesTheOldFile();
    void nameFillingItsFieldReadsAsWritten();
    void linkInPlaceIsReplacedNotFollowed();
};

void TestSettingsRecord::onlyWholeRecordsWithTheTagAreRead()
{
    const QByteArray bytes = validBytes();
    QVERIFY(SettingsRecord::fromBytes(bytes));
    QVERIFY(!SettingsRecord::fromBytes(bytes.left(331)));
    QVERIFY(!SettingsRecord::fromBytes(bytes + '\0'));
    QByteArray wrongTag = bytes;
    qToLittleEndian<qint32>(117, wrongTag.data());
    QVERIFY(!SettingsRecord::fromBytes(wrongTag));

    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("soft_cfg.bin"));
    writeFile(path, bytes + '\0');
    QVERIFY(!loadSettingsFile(path));
    writeFile(path, bytes);
    QVERIFY(loadSettingsFile(path));
}

void TestSettingsRecord::textsAreCutAndTerminated()
{
    // 20 two-byte characters: 40 bytes, cut before the sixteenth.
    const QByteArray name = textToBytes(QString(20, QChar(0x4E2D)));
    QCOMPARE(name.size(), 40);
    SettingsRecord record;
    record.channelNames.fill(name);
    record.gsmAddress = QByteArray("123.123.123.123.123.123.123");
    const QByteArray bytes = record.toBytes();
    for (int channel = 0; channel < SettingsRecord::kChannels; ++channel)
        QCOMPARE(bytes.at(40 + channel * 32 + 31), '\0');

    const auto read = SettingsRecord::fromBytes(bytes);
    QVERIFY(read);
    QCOMPARE(read->channelNames[7], name.left(30));
    QCOMPARE(read->gsmAddress, record.gsmAddress.left(24));
}

void TestSettingsRecord::tabOrderMustNameEveryPageOnce()
{
    SettingsRecord record;
    record.tabOrder = {5, 4, 3, 2, 1, 0};
    QVERIFY(record.hasValidTabOrder());
    record.tabOrder = {0, 1, 2, 3, 4, 4};
    QVERIFY(!record.hasValidTabOrder());
    record.tabOrder = {0, 1, 2, 3, 4, 6};
    QVERIFY(!record.hasValidTabOrder());
}

void TestSettingsRecord::missingFileGivesNothing()
{
    QTemporaryDir dir;
    QTest::ignoreMessage(QtDebugMsg, "\"FileRead 打开文件失败\"");
    QVERIFY(!loadSettingsFile(dir.filePath(QStringLiteral("soft_cfg.bin"))));
}

void TestSettingsRecord::failedWriteLeavesTheOldFile()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("soft_cfg.bin"));
    const QByteArray old = validBytes();
    writeFile(path, old);
    SettingsRecord record;
    record.imageWidth = 80;
    {
        const FileSizeLimit limit(100);
        QVERIFY(!saveSettingsFile(path, record));
    }
    QCOMPARE(readFile(path), old);
    QVERIFY(saveSettingsFile(path, record));
    QCOMPARE(readFile(path), record.toBytes());
}

void TestSettingsRecord::nameFillingItsFieldReadsAsWritten()
{
    // 32 bytes without terminator: 28 ASCII, then a four-byte character
    // that cannot be kept whole in 31; 31 ASCII then a two-byte character.
    QByteArray bytes = validBytes();
    const QByteArray fourByteEnd = QByteArray(28, 'a') + QByteArray("\x81\x30\x81\x30", 4);
    bytes.replace(40, 32, fourByteEnd);
    bytes.replace(72, 32, QByteArray(30, 'b') + "\xD6\xD0");
    bytes.replace(104, 32, QByteArray(32, 'c'));
    const auto read = SettingsRecord::fromBytes(bytes);
    QVERIFY(read);
    QCOMPARE(read->channelNames[0], QByteArray(28, 'a'));
    QCOMPARE(read->channelNames[1], QByteArray(30, 'b'));
    QCOMPARE(read->channelNames[2], QByteArray(31, 'c'));
    const QByteArray written = read->toBytes();
    QCOMPARE(SettingsRecord::fromBytes(written)->toBytes(), written);
    QCOMPARE(SettingsRecord::fromBytes(written)->channelNames, read->channelNames);
}

void TestSettingsRecord::linkInPlaceIsReplacedNotFollowed()
{
    QTemporaryDir dir;
    const QString outside = dir.filePath(QStringLiteral("elsewhere"));
    writeFile(outside, "kept");
    const QString path = dir.filePath(QStringLiteral("soft_cfg.bin"));
    QVERIFY(QFile::link(outside, path));
    SettingsRecord record;
    record.imageWidth = 80;
    QVERIFY(saveSettingsFile(path, record));
    QCOMPARE(readFile(outside), QByteArray("kept"));
    QVERIFY(!QFileInfo(path).isSymLink());
    QCOMPARE(readFile(path), record.toBytes());
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::System).size(), 2);
}

QTEST_GUILESS_MAIN(TestSettingsRecord)
#include "test_settingsrecord.moc"
