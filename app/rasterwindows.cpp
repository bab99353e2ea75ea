#include "rasterwindows.h"

#include <QCoreApplication>

void useRasterWindows()
{
    QCoreApplication::setAttribute(Qt::AA_ForceRasterWidgets);
}
