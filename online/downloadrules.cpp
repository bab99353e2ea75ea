#include "downloadrules.h"

#include <QtGlobal>

namespace {
// What one read takes at most.
constexpr qint64 kReadPiece = 64 * 1024;
} // namespace

bool isRedirectAllowed(const QUrl &asked, const QUrl &target)
{
    const QString scheme = target.scheme();
    return target.isValid() && !target.host().isEmpty() && scheme == asked.scheme()
        && (scheme == QLatin1String("http") || scheme == QLatin1String("https"));
}

qint64 bytesToRead(qint64 available, qint64 received, qint64 maxBytes)
{
    qint64 count = qBound<qint64>(0, available, kReadPiece);
    if (maxBytes >= 0) {
        const qint64 room = received >= maxBytes ? 0 : maxBytes - qMax<qint64>(0, received);
        if (room < count)
            count = room + 1;
    }
    return count;
}

qint64 progressTotal(qint64 expectedSize, qint64 contentLength)
{
    if (expectedSize >= 0)
        return expectedSize;
    return contentLength > 0 ? contentLength : -1;
}
