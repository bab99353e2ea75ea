#pragma once

#include "tutorialview.h"

#include <QUrl>
#include <QWidget>

#include <memory>

class Download;
class QNetworkAccessManager;
class QTreeWidgetItem;
struct TutorialEntry;

namespace Ui {
class InfoTab;
}

// The tutorials tab: a tree of the tutorials listed by the server's
// info.txt, each opened in a closable web page of its own. The first page
// is the built-in user guide; while the list cannot be had it says so and
// offers a retry. The index is fetched when the tab is first shown, and the
// web engine starts only when a tutorial is opened.
class InfoTab : public QWidget
{
    Q_OBJECT
public:
    // The tab of the maker's server chosen at build time.
    explicit InfoTab(QWidget *parent = nullptr);
    InfoTab(const QUrl &serverBase, QWidget *parent);
    ~InfoTab() override;

    // Fetches the index again; the tab does it by itself when first shown.
    void loadIndex();
    void setOutsideLinkOpener(OutsideLinkOpener opener) { m_openOutside = std::move(opener); }

signals:
    void indexFinished(bool ok);

protected:
    void showEvent(QShowEvent *event) override;

private:
    void onIndexFetched(bool ok);
    void showTutorials(const QList<TutorialEntry> &entries);
    void showListUnavailable(const QString &reason);
    void onItemChosen(QTreeWidgetItem *item);
    void openTutorial(const QString &title, const QUrl &url);
    void closeTutorial(int index);

    std::unique_ptr<Ui::InfoTab> ui;
    QUrl m_serverBase;
    OutsideLinkOpener m_openOutside;
    std::unique_ptr<QNetworkAccessManager> m_network;
    std::unique_ptr<Download> m_indexDownload;
    QTreeWidgetItem *m_guideItem = nullptr;
    bool m_indexRequested = false;
};
