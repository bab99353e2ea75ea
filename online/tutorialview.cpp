// The tutorial pages' web view, built into the web module.
#include "tutorialview.h"

#include <QWebEnginePage>
#include <QWebEngineView>

namespace {

// Stands in for the window a page asks for: it takes the first address,
// sends it where it belongs and goes away.
class NewWindowCatcher : public QWebEnginePage
{
public:
    NewWindowCatcher(QWebEnginePage *origin, LinkLeavesSite leavesSite,
                     OutsideLinkOpener openOutside)
        : QWebEnginePage(origin->profile(), origin)
        , m_origin(origin)
        , m_leavesSite(std::move(leavesSite))
        , m_openOutside(std::move(openOutside))
    {
    }

protected:
    bool acceptNavigationRequest(const QUrl &url, NavigationType, bool) override
    {
        if (m_leavesSite(url))
            m_openOutside(url);
        else
            m_origin->load(url);
        deleteLater();
        return false;
    }

private:
    QWebEnginePage *m_origin;
    LinkLeavesSite m_leavesSite;
    OutsideLinkOpener m_openOutside;
};

class TutorialPage : public QWebEnginePage
{
public:
    TutorialPage(LinkLeavesSite leavesSite, OutsideLinkOpener openOutside, QObject *parent)
        : QWebEnginePage(parent)
        , m_leavesSite(std::move(leavesSite))
        , m_openOutside(std::move(openOutside))
    {
    }

protected:
    bool acceptNavigationRequest(const QUrl &url, NavigationType type, bool isMainFrame) override
    {
        if (type == NavigationTypeLinkClicked && m_leavesSite(url)) {
            m_openOutside(url);
            return false;
        }
        return QWebEnginePage::acceptNavigationRequest(url, type, isMainFrame);
    }

    QWebEnginePage *createWindow(WebWindowType) override
    {
        return new NewWindowCatcher(this, m_leavesSite, m_openOutside);
    }

private:
    LinkLeavesSite m_leavesSite;
    OutsideLinkOpener m_openOutside;
};

} // namespace

// What the tutorials tab looks up in the web module.
extern "C" Q_DECL_EXPORT QWidget *zentrik_create_tutorial_view(const LinkLeavesSite &leavesSite,
                                                              const OutsideLinkOpener &openOutside,
                                                              const QUrl &url, QWidget *parent)
{
    auto *view = new QWebEngineView(parent);
    view->setPage(new TutorialPage(leavesSite, openOutside, view));
    view->load(url);
    return view;
}
