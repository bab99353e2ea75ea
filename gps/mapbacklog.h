#pragma once

#include <QString>

#include <deque>

// What the map page is told while it does not exist yet (it is created the
// first time it is needed), kept so that once created it shows what it
// would have shown: the recent track, the zoom and the map type. Bounded
// however long a receiver runs before the map is first looked at.
class MapBacklog
{
public:
    // The page keeps as many points of its track.
    static constexpr int kTrackLength = 500;

    enum class Kind { Position, Zoom, MapType };

    void add(Kind kind, const QString &script);
    bool isEmpty() const;
    // Everything kept, as one script in an order that leaves the page as
    // the scripts one by one would have; the backlog is empty afterwards.
    QString take();

private:
    std::deque<QString> m_positions;
    QString m_zoom;
    QString m_mapType;
};
