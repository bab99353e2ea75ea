// The settings file: what the window keeps between runs.
#include "cartab.h"
#include "ciplineedit.h"
#include "customframes.h"
#include "fakeports.h"
#include "frameview.h"
#include "mainwindow.h"
#include "scopeview.h"
#include "scripteddialogs.h"
#include "textcodec.h"
#include "uarttab.h"
#include "widgetlookup.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QLineEdit>
#include <QSpinBox>
#include <QTabBar>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QtEndian>
#include <QtTest>

#include <memory>
#include <utility>

namespace {
const QStringList kInitialTitles = {
    QStringLiteral("串口调试助手"), QStringLiteral("智能车助手"), QStringLiteral("GSM调试助手"),
    QStringLiteral("GPS定位系统"), QStringLiteral("网络调试助手"), QStringLiteral("智能车制作教程")};
// Where each server and UDP endpoint listens.
const char *const kScopeBoxes[] = {"car_tcp_server_scope", "car_udp_scope", "gps_tcp_server_scope",
                                   "tcp_server_scope", "udp_scope"};

void put32(QByteArray &bytes, int at, qint32 value)
{
    qToLittleEndian<qint32>(value, bytes.data() + at);
}

// A record as the table lays it out: tag, pages in their first order.
QByteArray handBuiltRecord()
{
    QByteArray bytes(332, '\0');
    put32(bytes, 0, 116);
    for (int position = 0; position < 6; ++position)
        bytes[12 + position] = char(position);
    return bytes;
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

QStringList tabTitles(const MainWindow &window)
{
    auto *tabs = child<QTabWidget>(&window, QStringLiteral("tabWidget_main"));
    QStringList titles;
    for (int i = 0; i < tabs->count(); ++i)
        titles << tabs->tabText(i);
    return titles;
}
} // namespace

class TestSettings : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void recordsNotWholeLeaveEveryDefault_data();
    void recordsNotWholeLeaveEveryDefault();
    void settingsComeBackAfterRestart();
    void writtenRecordFollowsTheTable();
    void impossibleValuesKeepDefaults();
    void failedSaveIsReported();

private:
    std::unique_ptr<MainWindow> window();
    // The record a window writes when it read nothing.
    QByteArray defaultRecord();

    ScriptedDialogs m_dialogs;
    FakePorts m_ports;
    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_path;
};

void TestSettings::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    m_path = m_dir->filePath(QStringLiteral("soft_cfg.bin"));
    // The program's own settings file goes beside it.
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_dir->path()));
}

std::unique_ptr<MainWindow> TestSettings::window()
{
    return std::make_unique<MainWindow>(m_dialogs, m_ports.source(), QStringList(), nullptr,
                                        m_path);
}

QByteArray TestSettings::defaultRecord()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("defaults.bin"));
    QTest::ignoreMessage(QtDebugMsg, "\"FileRead 打开文件失败\"");
    {
        const MainWindow window(m_dialogs, m_ports.source(), QStringList(), nullptr, path);
    }
    return readFile(path);
}

void TestSettings::recordsNotWholeLeaveEveryDefault_data()
{
    // Every value differs from its default, so any of them applied shows.
    QByteArray changed = handBuiltRecord();
    put32(changed, 4, 40);
    for (int position = 0; position < 6; ++position)
        changed[12 + position] = char(5 - position);
    changed[18] = 3;
    changed.replace(19, 13, QByteArray(13, '\1'));
    put32(changed, 300, 1234);
    changed.replace(308, 8, "10.0.0.1");

    QByteArray wrongTag = changed;
    put32(wrongTag, 0, 117);
    QTest::addColumn<QByteArray>("file");
    QTest::newRow("missing") << QByteArray();
    QTest::newRow("331 bytes") << changed.left(331);
    QTest::newRow("333 bytes") << changed + '\0';
    QTest::newRow("wrong tag") << wrongTag;
}

void TestSettings::recordsNotWholeLeaveEveryDefault()
{
    QFETCH(QByteArray, file);
    const QByteArray defaults = defaultRecord();
    QCOMPARE(defaults.size(), 332);
    if (file.isEmpty())
        QTest::ignoreMessage(QtDebugMsg, "\"FileRead 打开文件失败\"");
    else
        writeFile(m_path, file);
    window().reset();
    QCOMPARE(readFile(m_path), defaults);
}

void TestSettings::settingsComeBackAfterRestart()
{
    // 20 two-byte characters: 40 bytes, of which 30 are kept.
    const QString longName(20, QChar(0x4E2D));
    {
        QTest::ignoreMessage(QtDebugMsg, "\"FileRead 打开文件失败\"");
        auto first = window();
        auto *tabs = child<QTabWidget>(first.get(), QStringLiteral("tabWidget_main"));
        QVERIFY(tabs->isMovable());
        tabs->tabBar()->moveTab(1, 4);
        tabs->setCurrentIndex(4);
        child<QSpinBox>(first.get(), QStringLiteral("gsm_lipport"))->setValue(1234);
        child<QSpinBox>(first.get(), QStringLiteral("gsm_ipport"))->setValue(8080);
        child<CIPLineEdit>(first.get(), QStringLiteral("gsm_IP"))
            ->setText(QStringLiteral("192.168.1.10"));
        child<QLineEdit>(first.get(), QStringLiteral("car_wave1"))->setText(longName);
        child<QSpinBox>(first.get(), QStringLiteral("car_ware_num"))->setValue(3);
        child<QComboBox>(first.get(), QStringLiteral("car_protocol"))->setCurrentIndex(2);
        QVERIFY(first->findChild<CarTab *>()->frameView()->applyText(kPairFrames));
        child<QComboBox>(first.get(), QStringLiteral("uart_plot_format"))->setCurrentIndex(2);
        // Rates the settings file has no index for live in the program's own.
        child<QComboBox>(first.get(), QStringLiteral("uart_baudRateBox"))
            ->setEditText(QStringLiteral("250000"));
        child<QComboBox>(first.get(), QStringLiteral("gsm_baudRateBox"))->setCurrentIndex(13);
        child<QComboBox>(first.get(), QStringLiteral("car_baudRateBox"))->setCurrentIndex(3);
        for (const char *box : kScopeBoxes)
            child<QComboBox>(first.get(), QLatin1String(box))->setCurrentIndex(1);
    }
    auto second = window();
    QCOMPARE(tabTitles(*second),
             QStringList({kInitialTitles[0], kInitialTitles[2], kInitialTitles[3],
                          kInitialTitles[4], kInitialTitles[1], kInitialTitles[5]}));
    QCOMPARE(child<QTabWidget>(second.get(), QStringLiteral("tabWidget_main"))->currentIndex(), 4);
    QCOMPARE(child<QSpinBox>(second.get(), QStringLiteral("gsm_lipport"))->value(), 1234);
    QCOMPARE(child<QSpinBox>(second.get(), QStringLiteral("gsm_ipport"))->value(), 8080);
    QCOMPARE(child<CIPLineEdit>(second.get(), QStringLiteral("gsm_IP"))->text(),
             QStringLiteral("192.168.1.10"));
    QCOMPARE(child<QLineEdit>(second.get(), QStringLiteral("car_wave1"))->text(),
             bytesToText(textToBytes(longName).left(30)));
    QCOMPARE(second->findChild<ScopeView *>()->channelCount(), 3);
    QCOMPARE(child<QComboBox>(second.get(), QStringLiteral("car_protocol"))->currentText(),
             QStringLiteral("JustFloat"));
    // The serial plot's description is its own.
    QCOMPARE(second->findChild<CarTab *>()->frameView()->description().name, QStringLiteral("pair"));
    QCOMPARE(second->findChild<UartTab *>()->frameView()->description().name, QStringLiteral("imu"));
    QCOMPARE(child<QComboBox>(second.get(), QStringLiteral("uart_plot_format"))->currentIndex(), 2);
    for (const auto &[box, rate] : {std::pair("uart_baudRateBox", "250000"),
                                    std::pair("gsm_baudRateBox", "460800"),
                                    std::pair("car_baudRateBox", "9600")})
        QCOMPARE(child<QComboBox>(second.get(), QString::fromLatin1(box))->currentText(),
                 QString::fromLatin1(rate));
    for (const char *box : kScopeBoxes)
        QCOMPARE(child<QComboBox>(second.get(), QLatin1String(box))->currentText(),
                 QStringLiteral("仅本机"));
    QVERIFY(QFile::exists(m_dir->filePath(QStringLiteral("zentrik-assistant.conf"))));
}

void TestSettings::writtenRecordFollowsTheTable()
{
    QTest::ignoreMessage(QtDebugMsg, "\"FileRead 打开文件失败\"");
    {
        auto w = window();
        child<QTabWidget>(w.get(), QStringLiteral("tabWidget_main"))->tabBar()->moveTab(0, 5);
        child<QTabWidget>(w.get(), QStringLiteral("tabWidget_main"))->setCurrentIndex(2);
        child<QSpinBox>(w.get(), QStringLiteral("car_img_w"))->setValue(320);
        child<QSpinBox>(w.get(), QStringLiteral("car_img_h"))->setValue(240);
        child<QComboBox>(w.get(), QStringLiteral("uart_baudRateBox"))->setCurrentIndex(1);
        child<QComboBox>(w.get(), QStringLiteral("uart_stopBitsBox"))->setCurrentIndex(1);
        child<QComboBox>(w.get(), QStringLiteral("car_parityBox"))->setCurrentIndex(2);
        child<QComboBox>(w.get(), QStringLiteral("car_imgBox"))->setCurrentIndex(2);
        child<QComboBox>(w.get(), QStringLiteral("car_ccd_num"))->setCurrentIndex(1);
        child<QSpinBox>(w.get(), QStringLiteral("car_ware_num"))->setValue(5);
        child<QComboBox>(w.get(), QStringLiteral("car_ware_type"))->setCurrentIndex(6);
        for (int channel = 1; channel <= 8; ++channel) {
            child<QCheckBox>(w.get(), QStringLiteral("car_wave%1_chk").arg(channel))
                ->setChecked(channel % 2 == 1);
            child<QLineEdit>(w.get(), QStringLiteral("car_wave%1").arg(channel))
                ->setText(QStringLiteral("速度%1").arg(channel));
        }
        child<QComboBox>(w.get(), QStringLiteral("gsm_dataBitsBox"))->setCurrentIndex(2);
        child<QSpinBox>(w.get(), QStringLiteral("gsm_lipport"))->setValue(1234);
        child<QSpinBox>(w.get(), QStringLiteral("gsm_ipport"))->setValue(0x12345);
        child<CIPLineEdit>(w.get(), QStringLiteral("gsm_IP"))->setText(QStringLiteral("10.1.2.3"));
    }
    const QByteArray defaults = defaultRecord();
    QByteArray expected(332, '\0');
    put32(expected, 0, 116);
    put32(expected, 4, 320);
    put32(expected, 8, 240);
    expected.replace(12, 7, QByteArray("\x01\x02\x03\x04\x05\x00\x02", 7));
    expected.replace(19, 4, defaults.mid(19, 4));
    expected[19] = 1;
    expected[22] = 1;
    expected.replace(24, 4, defaults.mid(24, 4));
    expected[26] = 2;
    expected[28] = 2;
    expected[29] = 1;
    expected[30] = 5;
    expected[31] = 6;
    for (int channel = 0; channel < 8; ++channel) {
        expected[32 + channel] = char(channel % 2 == 0 ? 1 : 0);
        const QByteArray name = QByteArray("\xCB\xD9\xB6\xC8") + char('1' + channel);
        expected.replace(40 + channel * 32, name.size(), name);
    }
    expected.replace(296, 4, defaults.mid(296, 4));
    expected[297] = 2;
    put32(expected, 300, 1234);
    put32(expected, 304, 65535);
    expected.replace(308, 8, "10.1.2.3");
    QCOMPARE(readFile(m_path).toHex(), expected.toHex());
}

void TestSettings::impossibleValuesKeepDefaults()
{
    // A page named twice keeps the first order; the current tab is still
    // taken. Indexes no combo has leave it alone; spin boxes clamp.
    QByteArray bytes = handBuiltRecord();
    bytes.replace(12, 7, QByteArray("\x00\x01\x02\x03\x04\x04\x02", 7));
    put32(bytes, 4, 100000);
    put32(bytes, 8, -5);
    bytes[19] = char(200);
    bytes[30] = 9;
    writeFile(m_path, bytes);
    {
        auto w = window();
        QCOMPARE(tabTitles(*w), kInitialTitles);
        QCOMPARE(child<QTabWidget>(w.get(), QStringLiteral("tabWidget_main"))->currentIndex(), 2);
        QCOMPARE(child<QComboBox>(w.get(), QStringLiteral("uart_baudRateBox"))->currentIndex(),
                 int(defaultRecord().at(19)));
        QCOMPARE(child<QSpinBox>(w.get(), QStringLiteral("car_img_w"))->value(), 999);
        QCOMPARE(child<QSpinBox>(w.get(), QStringLiteral("car_img_h"))->value(), 1);
        QCOMPARE(child<QSpinBox>(w.get(), QStringLiteral("car_ware_num"))->value(), 8);
    }
    bytes.replace(12, 7, QByteArray("\x00\x01\x02\x03\x04\x06\x09", 7));
    writeFile(m_path, bytes);
    auto w = window();
    QCOMPARE(tabTitles(*w), kInitialTitles);
    QCOMPARE(child<QTabWidget>(w.get(), QStringLiteral("tabWidget_main"))->currentIndex(), 0);
}

void TestSettings::failedSaveIsReported()
{
    m_path = m_dir->filePath(QStringLiteral("gone/soft_cfg.bin"));
    QTest::ignoreMessage(QtDebugMsg, "\"FileRead 打开文件失败\"");
    QTest::ignoreMessage(QtDebugMsg, "\"FileWrite 打开文件失败\"");
    window().reset();
    QCOMPARE(m_dialogs.texts(ScriptedDialogs::Kind::Critical),
             QStringList(QStringLiteral("设置无法保存到 %1：No such file or directory").arg(m_path)));
}

QTEST_MAIN(TestSettings)
#include "test_settings.moc"
