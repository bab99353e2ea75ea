#include "programinfo.h"

#include <QCoreApplication>

namespace {
constexpr int kMajor = 1;
constexpr int kMinor = 1;
constexpr int kPatch = 6;
}

QString programVersion()
{
    return QStringLiteral("V%1.%2.%3").arg(kMajor).arg(kMinor).arg(kPatch);
}

QString programTitle()
{
    return QCoreApplication::translate("MainWindow", "Zentrik多功能调试助手") + programVersion();
}
