// What the map page's scripts hand back (a settled title, a snapshot, the
// exported state) and the addresses it asks for, as the map view checks
// them.
//
// Input: one byte choosing the check, then its text (for the snapshot: two
// bytes of size, then the PNG's bytes).
#include "fuzzcheck.h"
#include "mappagechecks.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <cmath>
#include <cstdint>

namespace {

void checkExported(const QString &text)
{
    const QString state = MapPageChecks::exportedState(text);
    const QJsonObject object = QJsonDocument::fromJson(state.toUtf8()).object();
    check(object.keys()
              == QStringList({"hasFix", "lat", "lng", "mapLat", "mapLng", "satellite", "track",
                              "zoom"}),
          "the exported state has the page's fields only");
    check(std::fabs(object.value("lat").toDouble()) <= 90
              && std::fabs(object.value("lng").toDouble()) <= 180,
          "the position is on the earth");
    check(object.value("track").toArray().size() <= MapPageChecks::kMaxTrackPoints,
          "the track is bounded");
    check(MapPageChecks::exportedState(state) == state, "a checked state passes unchanged");
}

void checkTitle(const QString &title, int ticket)
{
    const std::optional<bool> online = MapPageChecks::settledOnline(title, ticket);
    if (online) {
        check(title == QStringLiteral("settled %1 %2").arg(ticket).arg(*online ? "online" : "offline"),
              "only the settled title of this ticket is taken");
    }
}

void checkSnapshot(const QByteArray &bytes)
{
    if (bytes.size() < 2)
        return;
    const QSize size(1 + quint8(bytes[0]) % 64, 1 + quint8(bytes[1]) % 64);
    const QString url = QStringLiteral("data:image/png;base64,")
        + QString::fromLatin1(bytes.mid(2).toBase64());
    const QImage image = MapPageChecks::snapshot(url, size);
    check(image.isNull() || image.size() == size, "a snapshot has the size asked for");
}

void checkRequest(const QString &url)
{
    const QString tiles = QStringLiteral("https://tiles.example:8443/{z}/{x}/{y}.png");
    const QUrl asked(url);
    if (MapPageChecks::mayFetch(asked, tiles, false)) {
        const QString scheme = asked.scheme();
        check(scheme == "qrc" || scheme == "data" || scheme == "blob" || scheme == "about"
                  || (scheme == "https" && asked.host() == "tiles.example" && asked.port() == 8443),
              "without a key only the tile server is fetched from");
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 1)
        return 0;
    const QByteArray bytes(reinterpret_cast<const char *>(data + 1), int(size - 1));
    const QString text = QString::fromUtf8(bytes);
    switch (data[0] % 4) {
    case 0:
        checkExported(text);
        break;
    case 1:
        checkTitle(text, data[0]);
        break;
    case 2:
        checkSnapshot(bytes);
        break;
    default:
        checkRequest(text);
        break;
    }
    return 0;
}
