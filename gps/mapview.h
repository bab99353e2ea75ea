#pragma once

#include <QImage>
#include <QList>
#include <QString>
#include <QVariant>
#include <QWebEngineView>

#include <functional>

// The map page in its web view. Scripts given before the page has loaded
// wait for it and then run in order; a script's result arrives later,
// through its callback, once the page has run it.
class MapView : public QWebEngineView
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

    void runScript(const QString &script, ScriptDone done = {});

    // The map as it stands after every script given so far, at least
    // minWidth × minHeight pixels and centred on the current point.
    void capture(int minWidth, int minHeight, std::function<void(const QImage &)> done);

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
