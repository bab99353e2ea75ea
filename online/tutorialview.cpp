#include "tutorialview.h"

#include "onlinesite.h"

namespace {

// Stands in for the window a page asks for: it takes the first address,
// sends it where it belongs and goes away.
class NewWindowCatcher : public QWebEnginePage
{
public:
    NewWindowCatcher(QWebEnginePage *origin, const QUrl &serverBase,
                     OutsideLinkOpener openOutside)
        : QWebEnginePage(origin->profile(), origin)
        , m_origin(origin)
        , m_serverBase(serverBase)
        , m_openOutside(std::move(openOutside))
    {
    }

protected:
    bool acceptNavigationRequest(const QUrl &url, NavigationType, bool) override
    {
        if (leavesMakersSite(url, m_serverBase))
            m_openOutside(url);
        else
            m_origin->load(url);
        deleteLater();
        return false;
    }

private:
    QWebEnginePage *m_origin;
    QUrl m_serverBase;
    OutsideLinkOpener m_openOutside;
};

} // namespace

TutorialPage::TutorialPage(const QUrl &serverBase, OutsideLinkOpener openOutside, QObject *parent)
    : QWebEnginePage(parent)
    , m_serverBase(serverBase)
    , m_openOutside(std::move(openOutside))
{
}

bool TutorialPage::acceptNavigationRequest(const QUrl &url, NavigationType type, bool isMainFrame)
{
    if (type == NavigationTypeLinkClicked && leavesMakersSite(url, m_serverBase)) {
        m_openOutside(url);
        return false;
    }
    return QWebEnginePage::acceptNavigationRequest(url, type, isMainFrame);
}

QWebEnginePage *TutorialPage::createWindow(WebWindowType)
{
    return new NewWindowCatcher(this, m_serverBase, m_openOutside);
}

TutorialView::TutorialView(const QUrl &serverBase, OutsideLinkOpener openOutside, QWidget *parent)
    : QWebEngineView(parent)
{
    setPage(new TutorialPage(serverBase, std::move(openOutside), this));
}
