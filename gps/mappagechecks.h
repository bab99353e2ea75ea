#pragma once

#include <QImage>
#include <QSize>
#include <QString>
#include <QUrl>

#include <optional>

// What the map page's scripts hand back, and what the page may fetch,
// checked without a web engine. The page also runs the scripts of an online
// map service, so nothing it returns is taken on trust.
namespace MapPageChecks {

// A track longer than the page ever keeps is cut to its newest points.
constexpr int kMaxTrackPoints = 500;
// A snapshot URL longer than this is not decoded.
constexpr int kMaxSnapshotChars = 32 * 1024 * 1024;

// The title a map page shows once a picture's map has settled:
// "settled <ticket> online|offline". Whether the online map shows; nothing
// when the title is anything else or names another ticket.
std::optional<bool> settledOnline(const QString &title, int ticket);

// The offline view from a "data:image/png;base64," URL; a null image unless
// it is a PNG of exactly `size` pixels.
QImage snapshot(const QString &dataUrl, const QSize &size);

// The state a page exported, for another page to take over, as JSON text
// holding only the fields the page knows, each of its type and in range;
// what is missing or wrong keeps the page's starting value.
QString exportedState(const QString &exported);

// Whether the map page may fetch `url`: its own resources, the tile server
// of `tileTemplate`, and with the keyed map its service over https.
bool mayFetch(const QUrl &url, const QString &tileTemplate, bool keyed);

} // namespace MapPageChecks
