#include "simmodes.h"

SimMode gpsSimMode();

QList<SimMode> simModes()
{
    return {
        gpsSimMode(),
    };
}
