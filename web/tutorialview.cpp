// The tutorial pages' web view, built into the web module.
#include "tutorialview.h"

#include "webviewrendering.h"

#include <QWebEnginePage>
#include <QWebEngineSettings>
#include <QWebEngineView>

namespace {

// Follows the verdict for `url`: true when the page itself may show it.
bool follow(const NavigationJudge &judge, const OutsideLinkOpener &openOutside, const QUrl &url,
            bool byUserClick)
{
    switch (judge(url, byUserClick)) {
    case NavigationVerdict::OpenInView:
        return true;
    case NavigationVerdict::OpenInBrowser:
        openOutside(url);
        return false;
    case NavigationVerdict::Refuse:
        break;
    }
    return false;
}

// Stands in for the window a page asks for: it takes the first address,
// sends it where it belongs and goes away.
class NewWindowCatcher : public QWebEnginePage
{
public:
    NewWindowCatcher(QWebEnginePage *origin, NavigationJudge judge, OutsideLinkOpener openOutside)
        : QWebEnginePage(origin->profile(), origin)
        , m_origin(origin)
        , m_judge(std::move(judge))
        , m_openOutside(std::move(openOutside))
    {
    }

protected:
    // Scripts may not open windows (JavascriptCanOpenWindows is off): a
    // window is asked for only by the user's click.
    bool acceptNavigationRequest(const QUrl &url, NavigationType, bool) override
    {
        if (follow(m_judge, m_openOutside, url, true))
            m_origin->load(url);
        deleteLater();
        return false;
    }

private:
    QWebEnginePage *m_origin;
    NavigationJudge m_judge;
    OutsideLinkOpener m_openOutside;
};

class TutorialPage : public QWebEnginePage
{
public:
    TutorialPage(NavigationJudge judge, OutsideLinkOpener openOutside, QObject *parent)
        : QWebEnginePage(parent)
        , m_judge(std::move(judge))
        , m_openOutside(std::move(openOutside))
    {
        // Windows open only from a click; pages never reach local files.
        settings()->setAttribute(QWebEngineSettings::JavascriptCanOpenWindows, false);
        settings()->setAttribute(QWebEngineSettings::PluginsEnabled, false);
        settings()->setAttribute(QWebEngineSettings::LocalContentCanAccessFileUrls, false);
        settings()->setAttribute(QWebEngineSettings::LocalContentCanAccessRemoteUrls, false);
    }

protected:
    bool acceptNavigationRequest(const QUrl &url, NavigationType type, bool isMainFrame) override
    {
        return follow(m_judge, m_openOutside, url,
                      isMainFrame && type == NavigationTypeLinkClicked);
    }

    QWebEnginePage *createWindow(WebWindowType) override
    {
        return new NewWindowCatcher(this, m_judge, m_openOutside);
    }

private:
    NavigationJudge m_judge;
    OutsideLinkOpener m_openOutside;
};

} // namespace

// What the tutorials tab looks up in the web module.
extern "C" Q_DECL_EXPORT QWidget *zentrik_create_tutorial_view(const NavigationJudge &judge,
                                                              const OutsideLinkOpener &openOutside,
                                                              const QUrl &url, QWidget *parent)
{
    renderWebViewsInSoftware();
    auto *view = new QWebEngineView(parent);
    view->setPage(new TutorialPage(judge, openOutside, view));
    view->load(url);
    return view;
}
