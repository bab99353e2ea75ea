#pragma once

#include "samplestore.h"

#include <QtGlobal>

#include <optional>

// The oscilloscope's trigger without widgets: edges of a level with
// hysteresis, searched a piece at a time as samples arrive, and the
// arithmetic of the window shown around a trigger.

enum class TriggerEdge { Rising, Falling, Both };

// Finds edges of `level` in a stream handed over in pieces.
//
// Rising: armed once a sample is at or below level − hysteresis (and below
// the level, so a flat line at the level never fires); fires at the first
// sample at or above the level while armed, and is disarmed by it. Falling
// is the mirror image: armed at or above level + hysteresis (and above the
// level), fires at the first sample at or below the level. Both: either
// edge, each armed on its own. Noise smaller than the hysteresis never
// fires twice on one transition.
//
// find() goes through the piece and stops at the first sample completing
// an edge; the finder's state is then as if it had seen the samples up to
// and including that one. To go on, call find() again with the rest of the
// piece (values + hit + 1, count − hit − 1). Without a hit the whole piece
// counts as seen, and the next piece goes on from there.
class EdgeFinder
{
public:
    // A negative or NaN hysteresis counts as 0.
    EdgeFinder(TriggerEdge edge, double level, double hysteresis);

    // Disarms: the next edge needs the signal on the far side of the
    // hysteresis band first.
    void reset();

    // The index within this piece of the first sample completing an edge.
    std::optional<quint64> find(const double *values, quint64 count);

    TriggerEdge edge() const { return m_edge; }
    double level() const { return m_level; }
    double hysteresis() const { return m_hysteresis; }

private:
    std::optional<quint64> findRising(const double *values, quint64 count);
    std::optional<quint64> findFalling(const double *values, quint64 count);
    std::optional<quint64> findEither(const double *values, quint64 count);

    TriggerEdge m_edge;
    double m_level;
    double m_hysteresis;
    double m_riseArmsBelow = 0; // rising arms at a value below this
    double m_fallArmsAbove = 0; // falling arms at a value above this
    bool m_risingArmed = false;
    bool m_fallingArmed = false;
};

// Samples of a window of `windowSamples` shown before the trigger, for a
// trigger position of `percent` (clamped to 0..100), rounded down.
quint64 preTriggerSamples(quint64 windowSamples, int percent);

// The window shown around the trigger at sequence number `trigger`, as
// sequence numbers (see SampleStore::firstSequence()): it starts
// preTriggerSamples() before it (at 0 when the trigger came earlier than
// that) and is `windowSamples` long. Its later part may not have arrived
// yet; SampleStore::positionsOf() says what of it is stored.
SampleRange windowAroundTrigger(quint64 trigger, quint64 windowSamples, int percent);
