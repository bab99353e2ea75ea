#include "infotab.h"

#include "download.h"
#include "onlineformats.h"
#include "onlinesite.h"
#include "translation.h"
#include "ui_infotab.h"
#include "webmodule.h"

#include <QDesktopServices>
#include <QFile>
#include <QNetworkAccessManager>
#include <QTabBar>

// Resources of a static library are registered by hand.
static void initOnlineResources()
{
    Q_INIT_RESOURCE(online);
}

namespace {
constexpr int kUrlRole = Qt::UserRole;
const char kTutorialUrlProperty[] = "tutorialUrl";

QString builtInGuide()
{
    initOnlineResources();
    QFile file(QStringLiteral(":/online/guide.html"));
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}
} // namespace

InfoTab::InfoTab(QWidget *parent)
    : InfoTab(defaultServerBase(), parent)
{
}

InfoTab::InfoTab(const QUrl &serverBase, QWidget *parent)
    : QWidget(parent)
    , ui(std::make_unique<Ui::InfoTab>())
    , m_serverBase(serverBase)
    , m_openOutside([](const QUrl &url) { QDesktopServices::openUrl(url); })
{
    ui->setupUi(this);
    ui->info_guideBrowser->setHtml(builtInGuide());
    ui->info_tabWidget->tabBar()->setTabButton(0, QTabBar::RightSide, nullptr);
    ui->info_tabWidget->tabBar()->setTabButton(0, QTabBar::LeftSide, nullptr);
    ui->info_statusRow->hide();
    ui->info_statusLabel->setTextFormat(Qt::PlainText);
    m_guideItem = new QTreeWidgetItem(ui->info_treeWidget, {mainTr("使用说明")});

    connect(ui->info_treeWidget, &QTreeWidget::itemClicked, this, &InfoTab::onItemChosen);
    connect(ui->info_treeWidget, &QTreeWidget::itemActivated, this, &InfoTab::onItemChosen);
    connect(ui->info_tabWidget, &QTabWidget::tabCloseRequested, this, &InfoTab::closeTutorial);
    connect(ui->info_retryButton, &QPushButton::clicked, this, &InfoTab::loadIndex);
}

InfoTab::~InfoTab() = default;

void InfoTab::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    if (!m_indexRequested)
        loadIndex();
}

void InfoTab::loadIndex()
{
    m_indexRequested = true;
    if (!m_network)
        m_network = std::make_unique<QNetworkAccessManager>();
    m_indexDownload = std::make_unique<Download>(*m_network);
    connect(m_indexDownload.get(), &Download::finished, this, &InfoTab::onIndexFetched);
    ui->info_statusLabel->setText(mainTr("正在加载在线教程列表……"));
    ui->info_retryButton->hide();
    ui->info_statusRow->show();
    m_indexDownload->fetch(serverFile(m_serverBase, QStringLiteral("info.txt")), kMaxIndexBytes);
}

void InfoTab::onIndexFetched(bool ok)
{
    if (!ok) {
        showListUnavailable(m_indexDownload->errorString());
        return;
    }
    const TutorialIndex index = parseTutorialIndex(
        m_indexDownload->data(), serverFile(m_serverBase, QStringLiteral("info.txt")));
    if (!index.error.isEmpty()) {
        showListUnavailable(index.error);
        return;
    }
    showTutorials(index.entries);
}

void InfoTab::showTutorials(const QList<TutorialEntry> &entries)
{
    QTreeWidget *tree = ui->info_treeWidget;
    while (tree->topLevelItemCount() > 1)
        delete tree->takeTopLevelItem(1);
    QHash<QString, QTreeWidgetItem *> categories;
    for (const TutorialEntry &entry : entries) {
        QTreeWidgetItem *parent = nullptr;
        if (!entry.category.isEmpty()) {
            parent = categories.value(entry.category);
            if (!parent) {
                parent = new QTreeWidgetItem(tree, {entry.category});
                categories.insert(entry.category, parent);
            }
        }
        auto *item = parent ? new QTreeWidgetItem(parent, {entry.title})
                            : new QTreeWidgetItem(tree, {entry.title});
        item->setData(0, kUrlRole, entry.url);
        // Encoded, an address has no markup a tooltip would render.
        item->setToolTip(0, QString::fromLatin1(entry.url.toEncoded()));
    }
    tree->expandAll();
    ui->info_statusRow->hide();
    emit indexFinished(true);
}

void InfoTab::showListUnavailable(const QString &reason)
{
    ui->info_statusLabel->setText(mainTr("无法加载在线教程列表（%1）。").arg(reason));
    ui->info_retryButton->show();
    ui->info_statusRow->show();
    ui->info_tabWidget->setCurrentWidget(ui->info_guidePage);
    emit indexFinished(false);
}

void InfoTab::onItemChosen(QTreeWidgetItem *item)
{
    if (item == m_guideItem) {
        ui->info_tabWidget->setCurrentWidget(ui->info_guidePage);
        return;
    }
    const QUrl url = item->data(0, kUrlRole).toUrl();
    if (url.isValid())
        openTutorial(item->text(0), url);
}

void InfoTab::openTutorial(const QString &title, const QUrl &url)
{
    QTabWidget *tabs = ui->info_tabWidget;
    for (int i = 0; i < tabs->count(); ++i) {
        if (tabs->widget(i)->property(kTutorialUrlProperty).toUrl() == url) {
            tabs->setCurrentIndex(i);
            return;
        }
    }
    // Choosing a tutorial is the user's click: one kept elsewhere opens in
    // the browser.
    switch (navigationVerdict(url, true, m_serverBase)) {
    case NavigationVerdict::OpenInView:
        break;
    case NavigationVerdict::OpenInBrowser:
        m_openOutside(url);
        return;
    case NavigationVerdict::Refuse:
        return;
    }
    QString error;
    const WebModuleWarningsDropped quiet;
    const auto create =
        reinterpret_cast<CreateTutorialView>(webModuleFunction(kCreateTutorialView, &error));
    if (!create) {
        ui->info_statusLabel->setText(mainTr("无法打开教程（%1）。").arg(error));
        ui->info_retryButton->hide();
        ui->info_statusRow->show();
        return;
    }
    const QUrl base = m_serverBase;
    QWidget *view = create([base](const QUrl &link,
                                  bool byUserClick) { return navigationVerdict(link, byUserClick, base); },
                           [this](const QUrl &link) { m_openOutside(link); }, url, tabs);
    view->setProperty(kTutorialUrlProperty, url);
    // A tab title reads '&' as a shortcut mark.
    QString tabTitle = title;
    tabs->setCurrentIndex(tabs->addTab(view, tabTitle.replace(QLatin1Char('&'), QLatin1String("&&"))));
}

void InfoTab::closeTutorial(int index)
{
    QWidget *page = ui->info_tabWidget->widget(index);
    if (page == ui->info_guidePage)
        return;
    ui->info_tabWidget->removeTab(index);
    page->deleteLater();
}
