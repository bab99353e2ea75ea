#pragma once

#include <QObject>
#include <QString>

#include <cstdlib>

// Finds a widget by its object name; a missing name is a test failure of
// its own, not a crash further on.
template <typename T>
T *child(const QObject *root, const QString &name)
{
    T *found = root->findChild<T *>(name);
    if (!found)
        qFatal("no %s named %s", T::staticMetaObject.className(), qPrintable(name));
    return found;
}
