#include "hostfields.h"

#include "ciplineedit.h"
#include "translation.h"

#include <QComboBox>
#include <QLineEdit>

namespace {
constexpr int kByNameIndex = 1;
}

bool HostFields::byName() const
{
    return kind->currentIndex() == kByNameIndex;
}

QString HostFields::host() const
{
    return byName() ? name->text().trimmed() : ip->text();
}

QString HostFields::problem() const
{
    if (!byName())
        return ip->isComplete() ? QString() : mainTr("IP地址不完整，请填满四段（0～255）");
    const QString typed = host();
    if (typed.isEmpty())
        return mainTr("请填写主机名");
    if (typed.contains(QLatin1Char(' ')))
        return mainTr("主机名不能含有空格");
    return QString();
}

void HostFields::setEnabled(bool enabled)
{
    kind->setEnabled(enabled);
    ip->setEnabled(enabled);
    name->setEnabled(enabled);
}
