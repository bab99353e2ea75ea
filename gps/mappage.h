#pragma once

#include "maptarget.h"

#include <QImage>
#include <QSize>
#include <QString>
#include <QVariant>

#include <functional>

class QWidget;

// The map page as the GPS tab sees it. Its web view lives in the web module
// (common/webmodule.h), loaded the first time the map is needed.
//
// What it is told before the page has loaded waits for it and then runs in
// order; a picture or a script's result arrives later, through its callback.
class MapPage : public MapTarget
{
public:
    using ScriptDone = std::function<void(const QVariant &)>;

    virtual ~MapPage() = default;

    // The view, owned by the parent it was created with.
    virtual QWidget *widget() = 0;
    // The page from the program's resources; false, with the reason, when
    // it cannot be read.
    virtual bool loadMapPage(QString *error) = 0;
    virtual bool isPageLoaded() const = 0;
    virtual QString pageTitle() const = 0;

    // The map as it stands after everything it was told so far, `size`
    // pixels large and centred on the current point, whether or not the
    // view is on the screen.
    virtual void renderPicture(const QSize &size,
                               std::function<void(const QImage &)> done) = 0;
    // Any script of the page; its result, if wanted, through `done`.
    virtual void runScript(const QString &script, ScriptDone done = {}) = 0;
};

// The function of the web module that makes a map page under `parent`.
using CreateMapPage = MapPage *(*)(QWidget *parent);
constexpr char kCreateMapPage[] = "zentrik_create_map_page";

// A map page under `parent`; nullptr, with the reason, when the web module
// cannot be loaded.
MapPage *createMapPage(QWidget *parent, QString *error);
