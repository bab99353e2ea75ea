#pragma once

#include "listenaddress.h"

class QComboBox;
class QSettings;
class QString;

// The box choosing where a server or UDP endpoint listens: "所有网络"
// (first, the default) or "仅本机". Kept between runs under a key of the
// program's settings, as "all" or "local".
void fillListenScopeBox(QComboBox *box);
// Every network without a box.
ListenScope listenScope(const QComboBox *box);
void saveListenScope(QSettings &settings, const QString &key, const QComboBox *box);
// A value it does not know leaves the box as it is.
void loadListenScope(const QSettings &settings, const QString &key, QComboBox *box);
