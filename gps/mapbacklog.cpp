#include "mapbacklog.h"



void MapBacklog::add(Kind kind, const QString &script)
{
    switch (kind) {
    case Kind::Position:
        // The page adds a point only where the position changed.
        if (!m_positions.empty() && m_positions.back() == script)
            return;
        m_positions.push_back(script);
        if (m_positions.size() > size_t(kTrackLength))
            m_positions.pop_front();
        break;
    case Kind::Zoom:
        m_zoom = script;
        break;
    case Kind::MapType:
        m_mapType = script;
        break;
    }
}

bool MapBacklog::isEmpty() const
{
    return m_positions.empty() && m_zoom.isEmpty() && m_mapType.isEmpty();
}

QString MapBacklog::take()
{
    // Zoom and map type redraw around the current point without adding to
    // the track, so they may follow the positions.
    QString script;
    for (const QString &position : m_positions)
        script += position;
    script += m_mapType + m_zoom;
    m_positions.clear();
    m_zoom.clear();
    m_mapType.clear();
    return script;
}
