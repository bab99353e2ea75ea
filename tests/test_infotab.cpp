// The tutorials tab against a local HTTP server: the tree from the index,
// the built-in guide when the list cannot be had, and tutorial pages.
#include "infotab.h"
#include "localhttpserver.h"
#include "widgetlookup.h"

#include <QLabel>
#include <QPushButton>
#include <QTabBar>
#include <QTabWidget>
#include <QTextBrowser>
#include <QTreeWidget>
#include <QWebEngineView>
#include <QtTest>

namespace {
const QString kServerDir = QStringLiteral("/software/assistant/");
const QByteArray kIndex = "# tutorials\n"
                          "入门 | 第一次打开串口 | tutorials/first.html\n"
                          "摄像头 | 灰度图像 | tutorials/grey.html\n"
                          "入门 | 示波器 | tutorials/scope.html\n"
                          " | 常见问题 | tutorials/faq.html\n";

QStringList itemTexts(QTreeWidgetItem *parent)
{
    QStringList texts;
    for (int i = 0; i < parent->childCount(); ++i)
        texts.append(parent->child(i)->text(0));
    return texts;
}
} // namespace

class TestInfoTab : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void treeIsFilledFromTheIndex();
    void missingOrBrokenIndexShowsTheGuideAndRetry_data();
    void missingOrBrokenIndexShowsTheGuideAndRetry();
    void tutorialOpensInItsOwnTabAndOutsideLinksGoToTheBrowser();

private:
    template <typename T>
    T *widget(const QString &name) { return child<T>(m_tab.get(), name); }
    // Shows the tab, which fetches the index, and waits for the outcome.
    bool showAndWaitForIndex();
    QTreeWidgetItem *itemTitled(const QString &title);

    std::unique_ptr<LocalHttpServer> m_server;
    std::unique_ptr<InfoTab> m_tab;
};

void TestInfoTab::init()
{
    m_server = std::make_unique<LocalHttpServer>();
    m_tab = std::make_unique<InfoTab>(m_server->url(kServerDir), nullptr);
}

void TestInfoTab::cleanup()
{
    m_tab.reset();
    m_server.reset();
}

bool TestInfoTab::showAndWaitForIndex()
{
    QSignalSpy finished(m_tab.get(), &InfoTab::indexFinished);
    m_tab->show();
    return finished.wait(10000) && finished.first().first().toBool();
}

QTreeWidgetItem *TestInfoTab::itemTitled(const QString &title)
{
    const QList<QTreeWidgetItem *> items = widget<QTreeWidget>("info_treeWidget")
                                               ->findItems(title, Qt::MatchExactly | Qt::MatchRecursive);
    return items.size() == 1 ? items.first() : nullptr;
}

void TestInfoTab::treeIsFilledFromTheIndex()
{
    m_server->serve(kServerDir + "info.txt", kIndex);
    QVERIFY(showAndWaitForIndex());

    auto *tree = widget<QTreeWidget>("info_treeWidget");
    QCOMPARE(itemTexts(tree->invisibleRootItem()),
             QStringList({"使用说明", "入门", "摄像头", "常见问题"}));
    QCOMPARE(itemTexts(tree->topLevelItem(1)), QStringList({"第一次打开串口", "示波器"}));
    QCOMPARE(itemTexts(tree->topLevelItem(2)), QStringList{"灰度图像"});
    QVERIFY(!widget<QWidget>("info_statusRow")->isVisible());
    // The web engine waits until a tutorial is opened.
    QVERIFY(m_tab->findChildren<QWebEngineView *>().isEmpty());
}

void TestInfoTab::missingOrBrokenIndexShowsTheGuideAndRetry_data()
{
    QTest::addColumn<QByteArray>("index");
    QTest::addColumn<int>("status");
    QTest::newRow("missing") << QByteArray("not found") << 404;
    QTest::newRow("server error") << QByteArray("oops") << 500;
    QTest::newRow("a portal's page") << QByteArray("<html><body>Log in first</body></html>")
                                     << 200;
}

void TestInfoTab::missingOrBrokenIndexShowsTheGuideAndRetry()
{
    QFETCH(QByteArray, index);
    QFETCH(int, status);
    m_server->serve(kServerDir + "info.txt", index, status);
    QVERIFY(!showAndWaitForIndex());

    auto *tabs = widget<QTabWidget>("info_tabWidget");
    QCOMPARE(tabs->currentWidget(), widget<QWidget>("info_guidePage"));
    QVERIFY(widget<QTextBrowser>("info_guideBrowser")->toPlainText().contains("串口调试助手"));
    QVERIFY(widget<QLabel>("info_statusLabel")->isVisible());
    QVERIFY(widget<QLabel>("info_statusLabel")->text().contains("无法加载在线教程列表"));
    QCOMPARE(widget<QTreeWidget>("info_treeWidget")->topLevelItemCount(), 1);
    // The guide stays: it has no close button.
    QVERIFY(!tabs->tabBar()->tabButton(0, QTabBar::RightSide));

    m_server->serve(kServerDir + "info.txt", kIndex);
    QSignalSpy finished(m_tab.get(), &InfoTab::indexFinished);
    widget<QPushButton>("info_retryButton")->click();
    QVERIFY(finished.wait(10000));
    QVERIFY(finished.first().first().toBool());
    QVERIFY(itemTitled("灰度图像"));
    QVERIFY(!widget<QWidget>("info_statusRow")->isVisible());
}

void TestInfoTab::tutorialOpensInItsOwnTabAndOutsideLinksGoToTheBrowser()
{
    const QUrl outside("http://video.example/lesson");
    m_server->serve(kServerDir + "info.txt", kIndex);
    m_server->serve(kServerDir + "tutorials/grey.html",
                    "<html><body><a id='out' href='" + outside.toEncoded()
                        + "'>video</a> <a id='in' href='scope.html'>next</a>"
                          " <a id='window' target='_blank' href='http://video.example/new'>new</a>"
                          "</body></html>");
    // A page of the site whose script leads away: refused, not sent to the browser.
    m_server->serve(kServerDir + "tutorials/scope.html",
                    "<html><body>scope<script>location.href = 'http://video.example/script'"
                    "</script></body></html>");
    QList<QUrl> openedOutside;
    m_tab->setOutsideLinkOpener([&openedOutside](const QUrl &url) { openedOutside.append(url); });
    QVERIFY(showAndWaitForIndex());

    auto *tree = widget<QTreeWidget>("info_treeWidget");
    auto *tabs = widget<QTabWidget>("info_tabWidget");
    QTreeWidgetItem *item = itemTitled("灰度图像");
    QVERIFY(item);
    emit tree->itemClicked(item, 0);
    emit tree->itemClicked(item, 0); // an open tutorial is not opened twice
    QCOMPARE(tabs->count(), 2);
    QCOMPARE(tabs->tabText(1), QStringLiteral("灰度图像"));
    auto *view = qobject_cast<QWebEngineView *>(tabs->widget(1));
    QVERIFY(view);
    QCOMPARE(tabs->currentWidget(), view);
    QSignalSpy loaded(view, &QWebEngineView::loadFinished);
    QVERIFY(loaded.wait(20000));

    view->page()->runJavaScript("document.getElementById('out').click()");
    QTRY_COMPARE_WITH_TIMEOUT(openedOutside, QList<QUrl>{outside}, 20000);
    // A script cannot open a window; the user's click on a link that opens
    // one elsewhere sends it to the browser.
    view->page()->runJavaScript("document.getElementById('window').click()");
    QPoint link;
    view->page()->runJavaScript(
        "(function() { var r = document.getElementById('window').getBoundingClientRect();"
        " return [r.left + r.width / 2, r.top + r.height / 2]; })()",
        [&link](const QVariant &centre) {
            const QVariantList xy = centre.toList();
            link = QPoint(xy.value(0).toInt(), xy.value(1).toInt());
        });
    QTRY_VERIFY_WITH_TIMEOUT(!link.isNull(), 20000);
    QCOMPARE(openedOutside.size(), 1);
    QTest::mouseClick(view->focusProxy(), Qt::LeftButton, {}, link);
    QTRY_COMPARE_WITH_TIMEOUT(openedOutside.size(), 2, 20000);
    QCOMPARE(openedOutside.at(1), QUrl("http://video.example/new"));
    view->page()->runJavaScript("document.getElementById('in').click()");
    QTRY_COMPARE_WITH_TIMEOUT(view->url(), m_server->url(kServerDir + "tutorials/scope.html"),
                              20000);
    QTest::qWait(500);
    QCOMPARE(view->url(), m_server->url(kServerDir + "tutorials/scope.html"));
    QCOMPARE(openedOutside.size(), 2);

    emit tabs->tabCloseRequested(1);
    QCOMPARE(tabs->count(), 1);
    emit tabs->tabCloseRequested(0);
    QCOMPARE(tabs->count(), 1);
}

QTEST_MAIN(TestInfoTab)
#include "test_infotab.moc"
