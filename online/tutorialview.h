#pragma once

#include <QUrl>
#include <QWebEnginePage>
#include <QWebEngineView>

#include <functional>

// Hands a link that leaves the maker's site to the system (its browser).
using OutsideLinkOpener = std::function<void(const QUrl &)>;

// A tutorial page. Links within the maker's site open in the view itself,
// also those asking for a new window; links that lead elsewhere go to
// `openOutside`.
class TutorialPage : public QWebEnginePage
{
    Q_OBJECT
public:
    TutorialPage(const QUrl &serverBase, OutsideLinkOpener openOutside, QObject *parent);

protected:
    bool acceptNavigationRequest(const QUrl &url, NavigationType type, bool isMainFrame) override;
    QWebEnginePage *createWindow(WebWindowType type) override;

private:
    QUrl m_serverBase;
    OutsideLinkOpener m_openOutside;
};

class TutorialView : public QWebEngineView
{
    Q_OBJECT
public:
    TutorialView(const QUrl &serverBase, OutsideLinkOpener openOutside, QWidget *parent = nullptr);
};
