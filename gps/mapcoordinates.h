#pragma once

#include "maptarget.h"

// Receivers report WGS-84. Maps published in China are drawn in GCJ-02, a
// WGS-84 shifted by a position-dependent offset of up to several hundred
// metres, and the keyed online map adds a further offset of its own (BD-09).
// Outside China's bounding box GCJ-02 equals WGS-84, and so does the keyed
// map's system here: the point is returned unchanged.
bool isInsideChina(const MapPoint &wgs84);
MapPoint wgs84ToGcj02(const MapPoint &wgs84);
MapPoint gcj02ToBd09(const MapPoint &gcj02);
// The point as the keyed online map expects it.
MapPoint wgs84ToBd09(const MapPoint &wgs84);
