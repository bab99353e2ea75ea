#pragma once

// What the map is asked to show, in plain values: only the map view knows
// how its page is told.

// Signed decimal degrees, WGS-84.
struct MapPoint
{
    double latitude = 0;
    double longitude = 0;
    bool operator==(const MapPoint &other) const
    {
        return latitude == other.latitude && longitude == other.longitude;
    }
};

enum class MapType { Normal, Satellite };

// The zoom levels the map offers: 3 (continent) … 19 (street).
constexpr int kMinMapZoom = 3;
constexpr int kMaxMapZoom = 19;

class MapTarget
{
public:
    virtual ~MapTarget() = default;
    // Moves the marker there and centres the map on it; the map keeps the
    // points as its track.
    virtual void moveTo(const MapPoint &point) = 0;
    virtual void setZoom(int zoom) = 0;
    virtual void setMapType(MapType type) = 0;
};
