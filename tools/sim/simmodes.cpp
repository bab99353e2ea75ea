#include "simmodes.h"

SimMode carSimMode();
SimMode gpsSimMode();
SimMode gsmSimMode();
SimMode replaySimMode();

QList<SimMode> simModes()
{
    return {carSimMode(), gpsSimMode(), gsmSimMode(), replaySimMode()};
}
