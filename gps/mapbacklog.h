#pragma once

#include "maptarget.h"

#include <deque>
#include <optional>

// What the map is told while it does not exist yet (it is created the first
// time it is needed), kept so that once created it shows what it would have
// shown: the recent track, the zoom and the map type. Bounded however long a
// receiver runs before the map is first looked at.
class MapBacklog : public MapTarget
{
public:
    // The page keeps as many points of its track.
    static constexpr int kTrackLength = 500;

    void moveTo(const MapPoint &point) override;
    void setZoom(int zoom) override;
    void setMapType(MapType type) override;

    bool isEmpty() const;
    // Tells the map everything kept, in an order that leaves it as the calls
    // one by one would have; the backlog is empty afterwards.
    void replayInto(MapTarget &map);

private:
    std::deque<MapPoint> m_track;
    std::optional<int> m_zoom;
    std::optional<MapType> m_mapType;
};
