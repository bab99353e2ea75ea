#include "onlinesite.h"

#include "navigation.h"

QUrl defaultServerBase()
{
    return QUrl(QStringLiteral(ZENTRIK_SERVER_BASE));
}

QUrl serverFile(const QUrl &serverBase, const QString &file)
{
    QUrl base = serverBase;
    if (!base.path().endsWith(QLatin1Char('/')))
        base.setPath(base.path() + QLatin1Char('/'));
    return base.resolved(QUrl(file));
}

namespace {
int effectivePort(const QUrl &url)
{
    return url.port(url.scheme() == QLatin1String("https") ? 443 : 80);
}
}

bool leavesMakersSite(const QUrl &link, const QUrl &serverBase)
{
    return link.scheme() != serverBase.scheme()
        || link.host().compare(serverBase.host(), Qt::CaseInsensitive) != 0
        || effectivePort(link) != effectivePort(serverBase);
}

NavigationVerdict navigationVerdict(const QUrl &url, bool byUserClick, const QUrl &serverBase)
{
    const QString scheme = url.scheme();
    if (!url.isValid() || url.host().isEmpty()
        || (scheme != QLatin1String("http") && scheme != QLatin1String("https")))
        return NavigationVerdict::Refuse;
    if (!leavesMakersSite(url, serverBase))
        return NavigationVerdict::OpenInView;
    return byUserClick ? NavigationVerdict::OpenInBrowser : NavigationVerdict::Refuse;
}
