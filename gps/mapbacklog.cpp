#include "mapbacklog.h"

void MapBacklog::moveTo(const MapPoint &point)
{
    // The page adds a point only where the position changed.
    if (!m_track.empty() && m_track.back() == point)
        return;
    m_track.push_back(point);
    if (m_track.size() > size_t(kTrackLength))
        m_track.pop_front();
}

void MapBacklog::setZoom(int zoom)
{
    m_zoom = zoom;
}

void MapBacklog::setMapType(MapType type)
{
    m_mapType = type;
}

bool MapBacklog::isEmpty() const
{
    return m_track.empty() && !m_zoom && !m_mapType;
}

void MapBacklog::replayInto(MapTarget &map)
{
    // Zoom and map type redraw around the current point without adding to
    // the track, so they may follow the positions.
    for (const MapPoint &point : m_track)
        map.moveTo(point);
    if (m_mapType)
        map.setMapType(*m_mapType);
    if (m_zoom)
        map.setZoom(*m_zoom);
    m_track.clear();
    m_zoom.reset();
    m_mapType.reset();
}
