#include "simmodes.h"

SimMode carSimMode();

QList<SimMode> simModes()
{
    QList<SimMode> modes;
    modes.append(carSimMode());
    return modes;
}
