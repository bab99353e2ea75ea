#include "hiddentext.h"

namespace HiddenText {

bool isHidden(QChar c)
{
    const ushort u = c.unicode();
    return (u >= 0x80 && u <= 0x9F) || c.category() == QChar::Other_Format;
}

bool contains(const QString &text)
{
    for (const QChar c : text) {
        if (isHidden(c))
            return true;
    }
    return false;
}

} // namespace HiddenText
