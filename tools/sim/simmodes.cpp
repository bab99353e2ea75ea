#include "simmodes.h"

SimMode carSimMode();
SimMode gpsSimMode();
SimMode gsmSimMode();

QList<SimMode> simModes()
{
    return {carSimMode(), gpsSimMode(), gsmSimMode()};
}
