#include "clocktext.h"

QString clockText(const QTime &time)
{
    return time.toString(QStringLiteral("hh:mm:ss"));
}
