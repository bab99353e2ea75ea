#pragma once

#include <QQuickWindow>

// Web views inside the program's raster windows (app/rasterwindows.h) compose
// their pages in software. Called by the web module before it makes a view;
// the first call decides.
inline void renderWebViewsInSoftware()
{
    QQuickWindow::setSceneGraphBackend(QSGRendererInterface::Software);
}
