#pragma once

#include <QString>
#include <QTime>

// What every console shows beside the data: the time of day a piece
// arrived and how many bytes went each way.

// "09:05:07", the same in every language.
QString clockText(const QTime &time);

// The counters under a log: every byte received and sent since the last
// clearing.
QString trafficText(qint64 received, qint64 sent);

struct ByteCounters
{
    qint64 received = 0;
    qint64 sent = 0;

    void clear() { received = sent = 0; }
};
