#include "mapview.h"

#include "mapcoordinates.h"
#include "mappagechecks.h"
#include "translation.h"
#include "webviewrendering.h"

#include <QCoreApplication>
#include <QFile>
#include <QJsonDocument>
#include <QJsonValue>
#include <QPointer>
#include <QQueue>
#include <QStandardPaths>
#include <QTimer>
#include <QUrl>
#include <QWebEnginePage>
#include <QWebEngineProfile>
#include <QWebEngineSettings>
#include <QWebEngineUrlRequestInfo>
#include <QWebEngineUrlRequestInterceptor>

#include <utility>

#ifndef ZENTRIK_MAP_KEY
#define ZENTRIK_MAP_KEY ""
#endif
#ifndef ZENTRIK_VERSION
#define ZENTRIK_VERSION ""
#endif

namespace {

const char kPagePath[] = ":/map/map.html";
// A picture whose map never settles (a tile server that stalls) is taken
// as it stands after this long.
constexpr int kSettleLimitMs = 15000;
constexpr int kRegrabMs = 20;
constexpr qint64 kTileCacheBytes = 256LL * 1024 * 1024;

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

// The map page fetches its own resources and the online map's tiles, and
// nothing else.
class MapRequestFilter : public QWebEngineUrlRequestInterceptor
{
public:
    using QWebEngineUrlRequestInterceptor::QWebEngineUrlRequestInterceptor;

    void interceptRequest(QWebEngineUrlRequestInfo &info) override
    {
        if (!MapPageChecks::mayFetch(info.requestUrl(), MapView::tileUrlTemplate(),
                                     !mapKey().isEmpty()))
            info.block(true);
    }
};

// The map's pages share one profile: the tile servers see the program's
// name, and tiles fetched once stay on disk for the next time offline.
QWebEngineProfile *mapProfile()
{
    static QPointer<QWebEngineProfile> profile;
    if (profile)
        return profile;
    profile = new QWebEngineProfile(QStringLiteral("map"), QCoreApplication::instance());
    profile->setUrlRequestInterceptor(new MapRequestFilter(profile));
    const QString folder =
        QStandardPaths::writableLocation(QStandardPaths::CacheLocation) + QStringLiteral("/map");
    profile->setCachePath(folder);
    profile->setPersistentStoragePath(folder + QStringLiteral("/storage"));
    profile->setHttpCacheType(QWebEngineProfile::DiskHttpCache);
    profile->setHttpCacheMaximumSize(int(kTileCacheBytes));
    profile->setHttpUserAgent(QStringLiteral("ZentrikAssistant/%1 (desktop debugging workbench, GPS map)")
                                  .arg(QStringLiteral(ZENTRIK_VERSION)));
    return profile;
}

void setUpMapPage(QWebEngineView &view)
{
    auto *page = new QWebEnginePage(mapProfile(), &view);
    view.setPage(page);
    QWebEngineSettings *settings = page->settings();
    settings->setAttribute(QWebEngineSettings::JavascriptEnabled, true);
    settings->setAttribute(QWebEngineSettings::PluginsEnabled, false);
    settings->setAttribute(QWebEngineSettings::JavascriptCanOpenWindows, false);
    // Tiles are pictures, which a page from the program's resources may
    // show from anywhere; only the keyed map's scripts read from their
    // service.
    settings->setAttribute(QWebEngineSettings::LocalContentCanAccessRemoteUrls,
                           !mapKey().isEmpty());
}

QString quoted(const QString &text)
{
    return QString::fromUtf8(QJsonDocument::fromVariant(QVariantList{text}).toJson(QJsonDocument::Compact))
        .mid(1)
        .chopped(1);
}

bool loadPage(QWebEngineView &view, QString *error)
{
    QFile file(QString::fromLatin1(kPagePath));
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) {
        *error = file.errorString();
        return false;
    }
    QString page = QString::fromUtf8(file.readAll());
    const char *offlineNote = QT_TRANSLATE_NOOP("MainWindow", "离线视图 · 海岸线与国界 Natural Earth");
    page.replace(quoted(QString::fromUtf8(offlineNote)), quoted(mainTr(offlineNote)));
    view.setHtml(page, QUrl(QStringLiteral("qrc:/map/")));
    return true;
}


QString onlineStartScript()
{
    const QString key = mapKey();
    if (!key.isEmpty())
        return QStringLiteral("map_start_online('%1');").arg(key);
    const QString tiles = MapView::tileUrlTemplate();
    return tiles.isEmpty() ? QString() : QStringLiteral("map_start_tiles(%1);").arg(quoted(tiles));
}

} // namespace

// A view of the map page that is never on the screen, sized to each
// picture: it takes over the map's state, waits until its map has settled
// and is then grabbed. The online map's tiles come from another origin, so
// the page cannot hand out its pixels itself.
class MapPictureView : public QWebEngineView
{
public:
    MapPictureView()
    {
        setAttribute(Qt::WA_DontShowOnScreen);
        setAttribute(Qt::WA_ShowWithoutActivating);
        // Not a window of the user's: closing the main window still quits.
        setAttribute(Qt::WA_QuitOnClose, false);
        setUpMapPage(*this);
        connect(this, &QWebEngineView::loadFinished, this, [this] {
            m_loaded = true;
            const QString start = onlineStartScript();
            if (!start.isEmpty())
                page()->runJavaScript(start);
            next();
        });
        connect(this, &QWebEngineView::titleChanged, this, &MapPictureView::onTitle);
        m_settleLimit.setSingleShot(true);
        m_settleLimit.setInterval(kSettleLimitMs);
        connect(&m_settleLimit, &QTimer::timeout, this, [this] {
            if (m_busy && !m_grabbing)
                finish(true);
        });
        QString error;
        loadPage(*this, &error);
        show();
    }

    ~MapPictureView() override { m_closing = true; }

    void render(const QSize &size, const QString &exported, std::function<void(const QImage &)> done)
    {
        m_requests.enqueue({size, exported, std::move(done)});
        next();
    }

private:
    struct Request
    {
        QSize size;
        QString exported;
        std::function<void(const QImage &)> done;
    };

    void next()
    {
        if (!m_loaded || m_busy || m_requests.isEmpty())
            return;
        m_busy = true;
        const Request &request = m_requests.head();
        resize(request.size.width(), request.size.height() + 1);
        ++m_ticket;
        page()->runJavaScript(QStringLiteral("map_restore(%1,%2,%3,%4);")
                                  .arg(quoted(MapPageChecks::exportedState(request.exported)))
                                  .arg(request.size.width())
                                  .arg(request.size.height())
                                  .arg(m_ticket));
        m_settleLimit.start();
    }

    void onTitle(const QString &title)
    {
        const std::optional<bool> online = MapPageChecks::settledOnline(title, m_ticket);
        if (m_busy && online)
            finish(*online);
    }

    void finish(bool online)
    {
        if (online) {
            m_grabbing = true;
            grabWhenDrawn();
            return;
        }
        m_settleLimit.stop();
        const QSize size = m_requests.head().size;
        const int ticket = m_ticket;
        page()->runJavaScript(
            QStringLiteral("map_snapshot(%1,%2);").arg(size.width()).arg(size.height()),
            [this, ticket, size](const QVariant &result) {
                if (m_closing || ticket != m_ticket)
                    return;
                const QImage snapshot = MapPageChecks::snapshot(result.toString(), size);
                deliver(snapshot.isNull() ? grab().toImage() : snapshot);
            });
    }

    // The page has settled, but its frame reaches this view a little later:
    // grabbed until the row below the picture shows the ticket's colour.
    void grabWhenDrawn()
    {
        const QImage frame = grab().toImage();
        const int height = qRound(m_requests.head().size.height() * frame.devicePixelRatio());
        const QColor sentinel = frame.height() > height ? frame.pixelColor(0, height) : QColor();
        const bool drawn = qAbs(sentinel.red() - (m_ticket & 255)) <= 2
            && qAbs(sentinel.green() - ((m_ticket >> 8) & 255)) <= 2
            && qAbs(sentinel.blue() - 90) <= 2;
        if (drawn || !m_settleLimit.isActive()) {
            m_settleLimit.stop();
            deliver(frame.copy(0, 0, frame.width(), height));
            return;
        }
        QTimer::singleShot(kRegrabMs, this, [this] { grabWhenDrawn(); });
    }

    void deliver(const QImage &image)
    {
        if (!m_busy)
            return;
        const Request request = m_requests.dequeue();
        m_busy = false;
        m_grabbing = false;
        request.done(image.size() == request.size
                         ? image
                         : image.scaled(request.size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation));
        next();
    }

    QQueue<Request> m_requests;
    QTimer m_settleLimit;
    bool m_loaded = false;
    bool m_busy = false;
    bool m_grabbing = false;
    // Scripts still pending when the page goes are answered, with no result.
    bool m_closing = false;
    int m_ticket = 0;
};

// What the program's createMapPage() looks up in the web module.
extern "C" Q_DECL_EXPORT MapPage *zentrik_create_map_page(QWidget *parent)
{
    renderWebViewsInSoftware();
    return new MapView(parent);
}

MapView::MapView(QWidget *parent)
    : QWebEngineView(parent)
{
    setObjectName(QStringLiteral("webView_gps"));
    setUpMapPage(*this);
    connect(this, &QWebEngineView::loadFinished, this, &MapView::onLoadFinished);
}

MapView::~MapView()
{
    m_closing = true;
    m_pictures.reset();
}

QString MapView::tileUrlTemplate()
{
    const QString configured = qEnvironmentVariable(kTilesVariable);
    if (configured.isEmpty())
        return QString::fromLatin1(kDefaultTiles);
    const QUrl url(configured);
    return url.isValid() && (url.scheme() == QLatin1String("http") || url.scheme() == QLatin1String("https"))
        ? configured
        : QString();
}

bool MapView::loadMapPage(QString *error)
{
    return loadPage(*this, error);
}

void MapView::onLoadFinished(bool ok)
{
    if (m_loaded)
        return;
    m_loaded = true;
    const QString start = onlineStartScript();
    if (!start.isEmpty())
        page()->runJavaScript(start);
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
    const QString wgs84 = QString::number(point.longitude, 'f', 7) + QLatin1Char(',')
        + QString::number(point.latitude, 'f', 7);
    if (mapKey().isEmpty()) {
        runScript(QStringLiteral("fixed_position(%1);").arg(wgs84));
        return;
    }
    const MapPoint keyed = wgs84ToBd09(point);
    runScript(QStringLiteral("fixed_position(%1,%2,%3);")
                  .arg(wgs84, QString::number(keyed.longitude, 'f', 7),
                       QString::number(keyed.latitude, 'f', 7)));
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

MapPictureView &MapView::pictureView()
{
    if (!m_pictures)
        m_pictures = std::make_unique<MapPictureView>();
    return *m_pictures;
}

void MapView::renderPicture(const QSize &size, std::function<void(const QImage &)> done)
{
    runScript(QStringLiteral("map_export();"), [this, size, done](const QVariant &exported) {
        pictureView().render(size, exported.toString(), done);
    });
}
