#include "simmodes.h"

SimMode carSimMode();
SimMode gpsSimMode();

QList<SimMode> simModes()
{
    return {carSimMode(), gpsSimMode()};
}
