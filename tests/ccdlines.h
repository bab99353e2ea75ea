#pragma once

// CCD lines and what the drawing makes of them, shared by the CCD tests.
#include <QByteArray>
#include <QImage>
#include <QList>

#include <algorithm>
#include <vector>

constexpr QRgb kThresholdLine = 0xFFFF0000;

using Line = std::vector<uchar>;

inline QByteArray bytes(const Line &line)
{
    return QByteArray(reinterpret_cast<const char *>(line.data()), int(line.size()));
}

// A line dark on the left half and bright on the right: one edge of
// `step` grey levels in the middle.
inline Line edgeLine(int width, int low, int step)
{
    Line line(static_cast<size_t>(width), static_cast<uchar>(low));
    std::fill(line.begin() + width / 2, line.end(), uchar(low + step));
    return line;
}

// Rows of the picture painted entirely in the threshold colour.
inline QList<int> thresholdRows(const QImage &picture)
{
    QList<int> rows;
    for (int y = 0; y < picture.height(); ++y) {
        bool whole = true;
        for (int x = 0; x < picture.width() && whole; ++x)
            whole = picture.pixel(x, y) == kThresholdLine;
        if (whole)
            rows << y;
    }
    return rows;
}
