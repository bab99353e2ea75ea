#pragma once

#include "mappage.h"

#include <QList>
#include <QPair>
#include <QWebEngineView>

// The map page in its web view, in the web module.
class MapView : public QWebEngineView, public MapPage
{
    Q_OBJECT
public:
    explicit MapView(QWidget *parent = nullptr);
    ~MapView() override;

    QWidget *widget() override { return this; }
    bool loadMapPage(QString *error) override;
    bool isPageLoaded() const override { return m_loaded; }
    QString pageTitle() const override { return title(); }
    void runScript(const QString &script, ScriptDone done = {}) override;
    void capture(int minWidth, int minHeight, std::function<void(const QImage &)> done) override;

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
