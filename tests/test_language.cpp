#include "atcatalogue.h"
#include "fakeports.h"
#include "gsmtab.h"
#include "handover.h"
#include "language.h"
#include "mainwindow.h"
#include "ptypair.h"
#include "scripteddialogs.h"
#include "serialportpanel.h"
#include "widgetlookup.h"

#include <QAbstractButton>
#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTabWidget>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTextEdit>
#include <QTranslator>
#include <QTreeWidget>
#include <QtTest>

namespace {

// Stands for a translation that changes every text it is asked for.
class ChangingTranslator : public QTranslator
{
public:
    bool isEmpty() const override { return false; }
    QString translate(const char *, const char *sourceText, const char *, int) const override
    {
        return QStringLiteral("«") + QString::fromUtf8(sourceText) + QStringLiteral("»");
    }
};

bool hasChinese(const QString &text)
{
    static const QRegularExpression cjk(QStringLiteral("[\\x{3000}-\\x{9fff}\\x{ff00}-\\x{ffef}]"));
    return cjk.match(text).hasMatch();
}

// The texts a widget shows: its own and those of its items and headers.
QStringList shownTexts(const QWidget *widget)
{
    QStringList texts;
    if (auto *label = qobject_cast<const QLabel *>(widget))
        texts << label->text();
    if (auto *button = qobject_cast<const QAbstractButton *>(widget))
        texts << button->text();
    if (auto *group = qobject_cast<const QGroupBox *>(widget))
        texts << group->title();
    if (auto *edit = qobject_cast<const QLineEdit *>(widget))
        texts << edit->text() << edit->placeholderText();
    if (auto *edit = qobject_cast<const QTextEdit *>(widget))
        texts << edit->toPlainText() << edit->placeholderText();
    if (auto *edit = qobject_cast<const QPlainTextEdit *>(widget))
        texts << edit->toPlainText() << edit->placeholderText();
    if (auto *box = qobject_cast<const QComboBox *>(widget)) {
        for (int item = 0; item < box->count(); ++item)
            texts << box->itemText(item);
    }
    if (auto *tabs = qobject_cast<const QTabWidget *>(widget)) {
        for (int tab = 0; tab < tabs->count(); ++tab)
            texts << tabs->tabText(tab);
    }
    if (auto *tree = qobject_cast<const QTreeWidget *>(widget)) {
        texts << tree->headerItem()->text(0);
        for (int item = 0; item < tree->topLevelItemCount(); ++item)
            texts << tree->topLevelItem(item)->text(0);
    }
    if (auto *table = qobject_cast<const QTableWidget *>(widget)) {
        for (int column = 0; column < table->columnCount(); ++column)
            texts << table->horizontalHeaderItem(column)->text();
    }
    return texts;
}

// "object: text" for every Chinese text shown in the window as it is now.
QStringList chineseTexts(const QWidget *window)
{
    QStringList found;
    for (const QWidget *widget : window->findChildren<QWidget *>()) {
        if (!widget->isVisibleTo(window))
            continue;
        for (const QString &text : shownTexts(widget)) {
            if (hasChinese(text))
                found << widget->objectName() + QStringLiteral(": ") + text;
        }
    }
    return found;
}

// Shows every page of every tab widget under `page` in turn, checking each.
void collectChineseTexts(QWidget *window, QWidget *page, QStringList &found)
{
    found << chineseTexts(window);
    for (QTabWidget *tabs : page->findChildren<QTabWidget *>()) {
        if (!tabs->isVisibleTo(window))
            continue;
        for (int tab = 0; tab < tabs->count(); ++tab) {
            tabs->setCurrentIndex(tab);
            found << chineseTexts(window);
        }
    }
}

} // namespace

class TestLanguage : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void chineseLocalesKeepChineseAndTheChoiceIsKept();
    void byteFormatsAndFileNamesStayInEveryLanguage();
    void englishWindowShowsNoChineseText();

private:
    ScriptedDialogs m_dialogs;
    FakePorts m_ports;
};

void TestLanguage::initTestCase()
{
    QStandardPaths::setTestModeEnabled(true);
}

void TestLanguage::chineseLocalesKeepChineseAndTheChoiceIsKept()
{
    const auto follow = LanguageChoice::FollowSystem;
    for (const char *chinese : {"zh_CN", "zh_TW", "zh_HK", "zh_SG"})
        QCOMPARE(interfaceLanguage(follow, QLocale(QLatin1String(chinese))), QLocale::Chinese);
    for (const char *other : {"en_US", "de_DE", "ja_JP", "C"})
        QCOMPARE(interfaceLanguage(follow, QLocale(QLatin1String(other))), QLocale::English);
    QCOMPARE(interfaceLanguage(LanguageChoice::English, QLocale(QStringLiteral("zh_CN"))),
             QLocale::English);
    QCOMPARE(interfaceLanguage(LanguageChoice::Chinese, QLocale(QStringLiteral("en_US"))),
             QLocale::Chinese);

    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("language.conf"));
    QCOMPARE(storedLanguageChoice(file), follow);
    for (LanguageChoice choice : {LanguageChoice::English, LanguageChoice::Chinese, follow}) {
        QVERIFY(storeLanguageChoice(file, choice));
        QCOMPARE(storedLanguageChoice(file), choice);
    }
    QFile edited(file);
    QVERIFY(edited.open(QIODevice::WriteOnly));
    edited.write("[General]\nlanguage=klingon\n");
    edited.close();
    QCOMPARE(storedLanguageChoice(file), follow);

    QVERIFY(applyInterfaceLanguage(*QCoreApplication::instance(), QLocale::Chinese));
    MainWindow window(m_dialogs, m_ports.source());
    QVERIFY(window.windowTitle().startsWith(QStringLiteral("Zentrik多功能调试助手")));
    auto *guide = child<QTextEdit>(&window, QStringLiteral("info_guideBrowser"));
    QVERIFY(hasChinese(guide->toPlainText()));

    // The menu writes the user's config file, never the settings record.
    for (QAction *action : window.findChildren<QAction *>()) {
        if (action->text() == QLatin1String("English"))
            action->trigger();
    }
    QCOMPARE(storedLanguageChoice(programSettingsFile()), LanguageChoice::English);
    QCOMPARE(m_dialogs.count(ScriptedDialogs::Kind::Information), 1);
    QFile::remove(programSettingsFile());
}

void TestLanguage::byteFormatsAndFileNamesStayInEveryLanguage()
{
    ChangingTranslator translator;
    QCoreApplication::installTranslator(&translator);
    QTemporaryDir dir;
    PtyPair device;
    {
        MainWindow window(m_dialogs, m_ports.source());
        window.stopAutomaticScans();
        const QString file = dir.filePath(QStringLiteral("gsm.txt"));
        child<QLineEdit>(&window, QStringLiteral("gsm_fileEdit"))->setText(file);
        child<QCheckBox>(&window, QStringLiteral("gsm_file_ck"))->setChecked(true);
        child<QCheckBox>(&window, QStringLiteral("gsm_sendtime_ck"))->setChecked(true);
        child<QComboBox>(&window, QStringLiteral("gsm_portBox"))->setEditText(device.slavePath());
        child<QPushButton>(&window, QStringLiteral("gsm_OpenCloseButton"))->click();
        auto *gsm = child<GsmTab>(&window, QStringLiteral("gsm_tab"));
        QVERIFY(gsm->panel()->isOpen());
        device.write("OK\r\n");
        QTRY_COMPARE(gsm->receivedByteCount(), qint64(4));
        child<QCheckBox>(&window, QStringLiteral("gsm_file_ck"))->setChecked(false);
        QFile written(file);
        QVERIFY(written.open(QIODevice::ReadOnly));
        const QByteArray content = written.readAll();
        QVERIFY2(QRegularExpression(QStringLiteral("^\\n\\[\\d\\d:\\d\\d:\\d\\d\\]OK\\r\\n$"))
                     .match(QString::fromLatin1(content))
                     .hasMatch(),
                 content.constData());

        child<QPushButton>(&window, QStringLiteral("gsm_CSQButton"))->click();
        const QString panel =
            child<QTextEdit>(&window, QStringLiteral("gsm_cmd_info"))->toPlainText();
        QVERIFY2(panel.contains(QStringLiteral("\n+CSQ: 16,0\nOK")), qPrintable(panel));

        m_dialogs.clear();
        child<QPushButton>(&window, QStringLiteral("car_ware_out"))->click();
        QCOMPARE(m_dialogs.texts(ScriptedDialogs::Kind::SaveFile),
                 QStringList{QStringLiteral("Zentrik虚拟示波器文件.csv")});
    }
    const QString batch =
        windowsHandOver(QStringLiteral("\r\nmove"), QStringLiteral("V1.1.7"), QTime(12, 0),
                        QStringLiteral("C:/stage"))
            .batchText;
    QVERIFY2(batch.startsWith(QStringLiteral("@echo off\r\necho 欢迎使用Zentrik多功能调试助手，"
                                             "正在升级中...\r\nmove\r\nCLS")),
             qPrintable(batch));
    QCoreApplication::removeTranslator(&translator);
}

void TestLanguage::englishWindowShowsNoChineseText()
{
    QVERIFY(applyInterfaceLanguage(*QCoreApplication::instance(), QLocale::English));
    MainWindow window(m_dialogs, m_ports.source());
    window.stopAutomaticScans();
    QVERIFY(!hasChinese(window.windowTitle()));
    // The pages are walked without showing the window: the tutorials tab
    // goes online and the GPS map starts its web engine only when shown.
    auto *tabs = child<QTabWidget>(&window, QStringLiteral("tabWidget_main"));
    QStringList found;
    for (int tab = 0; tab < tabs->count(); ++tab) {
        tabs->setCurrentIndex(tab);
        collectChineseTexts(&window, tabs->widget(tab), found);
    }
    // The command explanations, shown one at a time (nothing is sent: the
    // port is closed).
    auto *gsm = child<GsmTab>(&window, QStringLiteral("gsm_tab"));
    auto *panel = child<QTextEdit>(&window, QStringLiteral("gsm_cmd_info"));
    for (const AtCatalogueEntry &entry : atCatalogue()) {
        child<QPushButton>(&window, QString::fromLatin1(entry.key))->click();
        QTRY_VERIFY(!gsm->isSendingSeries());
        if (hasChinese(panel->toPlainText()))
            found << QString::fromLatin1(entry.key) + QStringLiteral(": ") + panel->toPlainText();
    }
    found.removeDuplicates();
    QVERIFY2(found.isEmpty(), qPrintable(found.join(QLatin1Char('\n'))));
}

QTEST_MAIN(TestLanguage)
#include "test_language.moc"
