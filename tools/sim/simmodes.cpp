#include "simmodes.h"

QList<SimMode> simModes()
{
    return {};
}
