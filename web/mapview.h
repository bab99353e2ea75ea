#pragma once

#include "mappage.h"

#include <QImage>
#include <QList>
#include <QSize>
#include <QString>
#include <QVariant>
#include <QWebEngineView>

#include <functional>
#include <memory>

class MapPictureView;

// The map page in its web view, in the web module, and the only code that
// knows the page's script functions. What it is told before the page has loaded waits for it
// and then runs in order; a picture arrives later, through its callback,
// once the page has drawn it.
//
// Without a key the online map is drawn over the tiles of
// `tileUrlTemplate()`, fetched with the program's user agent and kept in an
// HTTP cache in the user's cache folder; with a key, by the keyed map
// service. Whenever the map cannot be had, the page shows its offline view.
class MapView : public QWebEngineView, public MapPage
{
    Q_OBJECT
public:
    static constexpr char kDefaultTiles[] = "https://tile.openstreetmap.org/{z}/{x}/{y}.png";
    // Tests point the tiles elsewhere with this environment variable (an
    // http or https URL with {z}, {x} and {y}).
    static constexpr char kTilesVariable[] = "ZENTRIK_MAP_TILES";

    explicit MapView(QWidget *parent = nullptr);
    ~MapView() override;

    static QString tileUrlTemplate();

    // The page from the program's resources; false, with the reason, when
    // it cannot be read.
    QWidget *widget() override { return this; }
    bool loadMapPage(QString *error) override;
    bool isPageLoaded() const override { return m_loaded; }
    QString pageTitle() const override { return title(); }

    void moveTo(const MapPoint &point) override;
    void setZoom(int zoom) override;
    void setMapType(MapType type) override;

    // The map as it stands after everything it was told so far, `size`
    // pixels large and centred on the current point, drawn off the screen:
    // the same whether or not this view is visible, and whatever its size.
    void renderPicture(const QSize &size, std::function<void(const QImage &)> done) override;

    // Any script of the page; its result, if wanted, through `done`.
    void runScript(const QString &script, ScriptDone done = {}) override;

signals:
    void pageLoaded(bool ok);

private:
    void onLoadFinished(bool ok);
    MapPictureView &pictureView();

    bool m_loaded = false;
    // The page answers scripts still pending when it is destroyed (with no
    // result); by then nobody is listening any more.
    bool m_closing = false;
    QList<QPair<QString, ScriptDone>> m_waiting;
    std::unique_ptr<MapPictureView> m_pictures;
};
