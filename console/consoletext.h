#pragma once

#include "clocktext.h"

#include <QString>

// What every console shows beside the data: the time of day a piece
// arrived and how many bytes went each way.

// The counters under a log: every byte received and sent since the last
// clearing.
QString trafficText(qint64 received, qint64 sent);

struct ByteCounters
{
    qint64 received = 0;
    qint64 sent = 0;

    void clear() { received = sent = 0; }
};
