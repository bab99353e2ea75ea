#pragma once

#include <QCoreApplication>
#include <QString>

// Every text the user sees is looked up in the one "MainWindow" context, so a
// single translation file covers all tabs.
inline QString mainTr(const char *text)
{
    return QCoreApplication::translate("MainWindow", text);
}
