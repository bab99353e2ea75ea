#pragma once

#include "mappage.h"

#include <QImage>
#include <QList>
#include <QSize>
#include <QString>
#include <QVariant>
#include <QWebEngineView>

#include <functional>

// The map page in its web view, in the web module, and the only code that
// knows the page's script functions. What it is told before the page has loaded waits for it
// and then runs in order; a picture arrives later, through its callback,
// once the page has drawn it.
class MapView : public QWebEngineView, public MapPage
{
    Q_OBJECT
public:

    explicit MapView(QWidget *parent = nullptr);
    ~MapView() override;

    // The page from the program's resources; false, with the reason, when
    // it cannot be read.
    QWidget *widget() override { return this; }
    bool loadMapPage(QString *error) override;
    bool isPageLoaded() const override { return m_loaded; }
    QString pageTitle() const override { return title(); }

    void moveTo(const MapPoint &point) override;
    void setZoom(int zoom) override;
    void setMapType(MapType type) override;

    // The map as it stands after everything it was told so far, at least
    // `minimum` pixels large and centred on the current point.
    void renderPicture(const QSize &minimum, std::function<void(const QImage &)> done) override;

    // Any script of the page; its result, if wanted, through `done`.
    void runScript(const QString &script, ScriptDone done = {}) override;

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
