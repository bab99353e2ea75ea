#include "mapview.h"

#include <QFile>
#include <QTimer>
#include <QUrl>
#include <QWebEnginePage>
#include <QWebEngineSettings>

#include <utility>

#ifndef ZENTRIK_MAP_KEY
#define ZENTRIK_MAP_KEY ""
#endif

namespace {

const char kPagePath[] = ":/map/map.html";
const char kPngDataUrl[] = "data:image/png;base64,";
// The online map's tiles cannot be read back from the page, so the picture
// is taken from the screen once they have had time to appear.
constexpr int kOnlineSettleMs = 300;

// Only letters and digits reach the page's script as the key.
QString mapKey()
{
    const QString key = QStringLiteral(ZENTRIK_MAP_KEY);
    for (const QChar c : key) {
        if (!(c.isLetterOrNumber() && c.unicode() < 128))
            return {};
    }
    return key;
}

} // namespace

// What the program's createMapPage() looks up in the web module.
extern "C" Q_DECL_EXPORT MapPage *zentrik_create_map_page(QWidget *parent)
{
    return new MapView(parent);
}

MapView::MapView(QWidget *parent)
    : QWebEngineView(parent)
{
    setObjectName(QStringLiteral("webView_gps"));
    QWebEngineSettings *settings = page()->settings();
    settings->setAttribute(QWebEngineSettings::JavascriptEnabled, true);
    settings->setAttribute(QWebEngineSettings::PluginsEnabled, true);
    settings->setAttribute(QWebEngineSettings::JavascriptCanOpenWindows, true);
    settings->setAttribute(QWebEngineSettings::LocalContentCanAccessRemoteUrls, true);
    connect(this, &QWebEngineView::loadFinished, this, &MapView::onLoadFinished);
}

MapView::~MapView()
{
    m_closing = true;
}

bool MapView::loadMapPage(QString *error)
{
    QFile file(QString::fromLatin1(kPagePath));
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) {
        *error = file.errorString();
        return false;
    }
    setHtml(QString::fromUtf8(file.readAll()), QUrl(QStringLiteral("qrc:/map/")));
    return true;
}

void MapView::onLoadFinished(bool ok)
{
    if (m_loaded)
        return;
    m_loaded = true;
    const QString key = mapKey();
    if (!key.isEmpty())
        page()->runJavaScript(QStringLiteral("map_start_online('%1');").arg(key));
    const auto waiting = std::move(m_waiting);
    m_waiting.clear();
    // Scripts whose result nobody waits for run as one: a long backlog of
    // positions is one call into the page, not hundreds.
    QString batch;
    for (const auto &script : waiting) {
        if (!script.second) {
            batch += script.first;
            continue;
        }
        if (!batch.isEmpty())
            runScript(std::exchange(batch, QString()));
        runScript(script.first, script.second);
    }
    if (!batch.isEmpty())
        runScript(batch);
    emit pageLoaded(ok);
}

void MapView::moveTo(const MapPoint &point)
{
    runScript(QStringLiteral("fixed_position(%1,%2);")
                  .arg(QString::number(point.longitude, 'f', 7),
                       QString::number(point.latitude, 'f', 7)));
}

void MapView::setZoom(int zoom)
{
    runScript(QStringLiteral("my_setzoom(%1);").arg(zoom));
}

void MapView::setMapType(MapType type)
{
    runScript(type == MapType::Satellite ? QStringLiteral("my_setMapType(BMAP_HYBRID_MAP);")
                                         : QStringLiteral("my_setMapType(BMAP_NORMAL_MAP);"));
}

void MapView::runScript(const QString &script, ScriptDone done)
{
    if (!m_loaded) {
        m_waiting.append({script, std::move(done)});
        return;
    }
    if (!done) {
        page()->runJavaScript(script);
        return;
    }
    page()->runJavaScript(script, [this, done](const QVariant &result) {
        if (!m_closing)
            done(result);
    });
}

void MapView::renderPicture(const QSize &minimum, std::function<void(const QImage &)> done)
{
    const QString script =
        QStringLiteral("map_snapshot(%1,%2);").arg(minimum.width()).arg(minimum.height());
    runScript(script, [this, done](const QVariant &result) {
        const QString url = result.toString();
        if (url.startsWith(QLatin1String(kPngDataUrl))) {
            const QByteArray png = QByteArray::fromBase64(url.mid(int(qstrlen(kPngDataUrl))).toLatin1());
            done(QImage::fromData(png, "PNG"));
            return;
        }
        QTimer::singleShot(kOnlineSettleMs, this, [this, done] { done(grab().toImage()); });
    });
}
