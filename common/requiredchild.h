#pragma once

#include <QObject>
#include <QString>
#include <QtGlobal>

// A child a form must have, by its object name. A form that lost or renamed
// it stops the program at once, in every build type, naming what is
// missing: never a null pointer used later.
template <typename T>
T *requiredChild(const QObject *parent, const QString &name)
{
    T *child = parent->findChild<T *>(name);
    if (!child)
        qFatal("%s has no %s named \"%s\"", parent->metaObject()->className(),
               T::staticMetaObject.className(), qPrintable(name));
    return child;
}
