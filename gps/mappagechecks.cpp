#include "mappagechecks.h"

#include "jsonkeys.h"

#include <QBuffer>
#include <QImageReader>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QStringList>

#include <cmath>

namespace MapPageChecks {

namespace {

const char kPngDataUrl[] = "data:image/png;base64,";

bool isNumberWithin(const QJsonValue &value, double limit)
{
    return value.isDouble() && std::isfinite(value.toDouble()) && std::fabs(value.toDouble()) <= limit;
}

QJsonArray trackOf(const QJsonValue &value)
{
    const QJsonArray points = value.toArray();
    QJsonArray track;
    for (int i = qMax(0, points.size() - kMaxTrackPoints); i < points.size(); ++i) {
        const QJsonObject point = points.at(i).toObject();
        if (isNumberWithin(point.value(QLatin1String("lng")), 180.0)
            && isNumberWithin(point.value(QLatin1String("lat")), 90.0))
            track.append(QJsonObject{{QStringLiteral("lng"), point.value(QLatin1String("lng"))},
                                     {QStringLiteral("lat"), point.value(QLatin1String("lat"))}});
    }
    return track;
}

} // namespace

std::optional<bool> settledOnline(const QString &title, int ticket)
{
    const QStringList parts = title.split(QLatin1Char(' '));
    if (parts.size() != 3 || parts.at(0) != QLatin1String("settled"))
        return std::nullopt;
    if (parts.at(1) != QString::number(ticket))
        return std::nullopt;
    if (parts.at(2) == QLatin1String("online"))
        return true;
    if (parts.at(2) == QLatin1String("offline"))
        return false;
    return std::nullopt;
}

QImage snapshot(const QString &dataUrl, const QSize &size)
{
    if (!dataUrl.startsWith(QLatin1String(kPngDataUrl)) || dataUrl.size() > kMaxSnapshotChars)
        return {};
    QByteArray png = QByteArray::fromBase64(dataUrl.mid(int(qstrlen(kPngDataUrl))).toLatin1());
    QBuffer buffer(&png);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, "png");
    // The size is read from the header, before any pixel is allocated.
    if (reader.size() != size)
        return {};
    const QImage image = reader.read();
    return image.size() == size ? image : QImage();
}

QString exportedState(const QString &exported)
{
    QJsonObject state{{QStringLiteral("lng"), 116.4035},     {QStringLiteral("lat"), 39.915},
                      {QStringLiteral("zoom"), 12},          {QStringLiteral("satellite"), false},
                      {QStringLiteral("hasFix"), false},     {QStringLiteral("track"), QJsonArray()},
                      {QStringLiteral("mapLng"), QJsonValue()}, {QStringLiteral("mapLat"), QJsonValue()}};
    const QByteArray text = exported.toUtf8();
    const QJsonObject page =
        jsonRepeatsAKey(text) ? QJsonObject() : QJsonDocument::fromJson(text).object();
    const auto take = [&](const char *name, bool valid) {
        if (valid)
            state.insert(QLatin1String(name), page.value(QLatin1String(name)));
    };
    take("lng", isNumberWithin(page.value(QLatin1String("lng")), 180.0));
    take("lat", isNumberWithin(page.value(QLatin1String("lat")), 90.0));
    const QJsonValue zoom = page.value(QLatin1String("zoom"));
    take("zoom", isNumberWithin(zoom, 30.0) && zoom.toDouble() >= 0);
    take("satellite", page.value(QLatin1String("satellite")).isBool());
    take("hasFix", page.value(QLatin1String("hasFix")).isBool());
    take("mapLng", isNumberWithin(page.value(QLatin1String("mapLng")), 180.0));
    take("mapLat", isNumberWithin(page.value(QLatin1String("mapLat")), 90.0));
    state.insert(QStringLiteral("track"), trackOf(page.value(QLatin1String("track"))));
    return QString::fromUtf8(QJsonDocument(state).toJson(QJsonDocument::Compact));
}

bool mayFetch(const QUrl &url, const QString &tileTemplate, bool keyed)
{
    const QString scheme = url.scheme();
    if (scheme == QLatin1String("qrc") || scheme == QLatin1String("data")
        || scheme == QLatin1String("blob") || scheme == QLatin1String("about"))
        return true;
    if (keyed)
        return scheme == QLatin1String("https");
    const QUrl tiles(tileTemplate);
    return !tileTemplate.isEmpty() && tiles.isValid() && scheme == tiles.scheme()
        && url.host() == tiles.host() && url.port(-1) == tiles.port(-1);
}

} // namespace MapPageChecks
