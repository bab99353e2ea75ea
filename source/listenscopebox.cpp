#include "listenscopebox.h"

#include "translation.h"

#include <QComboBox>
#include <QSettings>

namespace {
const char kAllNetworks[] = "all";
const char kThisMachine[] = "local";
} // namespace

void fillListenScopeBox(QComboBox *box)
{
    box->clear();
    box->addItem(mainTr("所有网络"), int(ListenScope::AllNetworks));
    box->addItem(mainTr("仅本机"), int(ListenScope::ThisMachine));
}

ListenScope listenScope(const QComboBox *box)
{
    if (box && box->currentData().toInt() == int(ListenScope::ThisMachine))
        return ListenScope::ThisMachine;
    return ListenScope::AllNetworks;
}

void saveListenScope(QSettings &settings, const QString &key, const QComboBox *box)
{
    const bool local = listenScope(box) == ListenScope::ThisMachine;
    settings.setValue(key, QLatin1String(local ? kThisMachine : kAllNetworks));
}

void loadListenScope(const QSettings &settings, const QString &key, QComboBox *box)
{
    const QString stored = settings.value(key).toString();
    ListenScope scope;
    if (stored == QLatin1String(kAllNetworks))
        scope = ListenScope::AllNetworks;
    else if (stored == QLatin1String(kThisMachine))
        scope = ListenScope::ThisMachine;
    else
        return;
    const int index = box->findData(int(scope));
    if (index >= 0)
        box->setCurrentIndex(index);
}
