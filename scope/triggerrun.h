#pragma once

#include "scopetrigger.h"

#include <QtGlobal>

#include <optional>

class SampleStore;

// The trigger as the page runs it on a growing store: which edge of which
// channel, searched among the samples stored since the last search and only
// up to where the window after an edge is complete, so the picture shown
// around a trigger never waits for its right part.
//
// "常规" (Normal) and "自动" (Auto) report the newest trigger of each
// search; "单次" (Single) reports the first one and then stops until
// rearmed.
class TriggerRun
{
public:
    enum class Mode { Off, Auto, Normal, Single };
    enum class State { Off, Waiting, Triggered, Stopped };

    // Starts over with these settings: only samples stored from now on
    // count, and the first edge needs the signal beyond the hysteresis band.
    void configure(const SampleStore &store, Mode mode, int channel, TriggerEdge edge,
                   double level, double hysteresis);
    // Waits for the next edge again, from the newest sample on.
    void rearm(const SampleStore &store);
    // The store was emptied: its sequence numbers start over.
    void restart();

    // Searches the samples stored since the last call that have
    // `afterSamples` more behind them; the sequence number of the trigger
    // to show, if one was found.
    std::optional<quint64> search(const SampleStore &store, quint64 afterSamples);

    Mode mode() const { return m_mode; }
    State state() const { return m_state; }
    int channel() const { return m_channel; }

private:
    Mode m_mode = Mode::Off;
    State m_state = State::Off;
    int m_channel = 0;
    EdgeFinder m_finder{TriggerEdge::Rising, 0, 0};
    quint64 m_next = 0; // sequence number of the next sample to search
};
