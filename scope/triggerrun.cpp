#include "triggerrun.h"

#include "samplestore.h"

void TriggerRun::configure(const SampleStore &store, Mode mode, int channel, TriggerEdge edge,
                           double level, double hysteresis)
{
    m_mode = mode;
    m_channel = channel;
    m_finder = EdgeFinder(edge, level, hysteresis);
    rearm(store);
}

void TriggerRun::rearm(const SampleStore &store)
{
    m_finder.reset();
    m_next = store.endSequence();
    m_state = m_mode == Mode::Off ? State::Off : State::Waiting;
}

void TriggerRun::restart()
{
    m_finder.reset();
    m_next = 0;
    if (m_state != State::Off)
        m_state = State::Waiting;
}

std::optional<quint64> TriggerRun::search(const SampleStore &store, quint64 afterSamples)
{
    if (m_mode == Mode::Off || m_state == State::Stopped)
        return std::nullopt;
    // Samples that left the store unsearched (a window far wider than the
    // store) break the stream: the finder starts over where it stands now.
    if (m_next < store.firstSequence()) {
        m_next = store.firstSequence();
        m_finder.reset();
    }
    const quint64 end = store.endSequence();
    const quint64 limit = end > afterSamples ? end - afterSamples : 0;
    if (m_next >= limit)
        return std::nullopt;
    const SampleRange positions = store.positionsOf({m_next, limit - m_next});
    const double *values = store.window(m_channel) + positions.first;
    std::optional<quint64> newest;
    quint64 done = 0;
    while (done < positions.count) {
        const std::optional<quint64> hit = m_finder.find(values + done, positions.count - done);
        if (!hit)
            break;
        newest = m_next + done + *hit;
        done += *hit + 1;
        if (m_mode == Mode::Single)
            break;
    }
    if (m_mode == Mode::Single && newest) {
        m_next = *newest + 1;
        m_state = State::Stopped;
        return newest;
    }
    m_next = limit;
    if (newest)
        m_state = State::Triggered;
    return newest;
}
