#pragma once

#include "maptarget.h"

#include <QImage>
#include <QList>
#include <QSize>
#include <QString>
#include <QVariant>
#include <QWebEngineView>

#include <functional>

// The map page in its web view, and the only code that knows the page's
// script functions. What it is told before the page has loaded waits for it
// and then runs in order; a picture arrives later, through its callback,
// once the page has drawn it.
class MapView : public QWebEngineView, public MapTarget
{
    Q_OBJECT
public:
    using ScriptDone = std::function<void(const QVariant &)>;

    explicit MapView(QWidget *parent = nullptr);
    ~MapView() override;

    // The page from the program's resources; false, with the reason, when
    // it cannot be read.
    bool loadMapPage(QString *error);
    bool isPageLoaded() const { return m_loaded; }

    void moveTo(const MapPoint &point) override;
    void setZoom(int zoom) override;
    void setMapType(MapType type) override;

    // The map as it stands after everything it was told so far, at least
    // `minimum` pixels large and centred on the current point.
    void renderPicture(const QSize &minimum, std::function<void(const QImage &)> done);

    // Any script of the page; its result, if wanted, through `done`.
    void runScript(const QString &script, ScriptDone done = {});

signals:
    void pageLoaded(bool ok);

private:
    void onLoadFinished(bool ok);

    bool m_loaded = false;
    // The page answers scripts still pending when it is destroyed (with no
    // result); by then nobody is listening any more.
    bool m_closing = false;
    QList<QPair<QString, ScriptDone>> m_waiting;
};
