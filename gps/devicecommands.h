#pragma once

#include "linklimits.h"
#include "maptarget.h"

#include <QByteArray>
#include <QByteArrayList>
#include <QImage>
#include <QSize>
#include <QString>

#include <optional>

// The commands an attached device sends us ("VCSET", "VCFLE", ...) and the
// picture frame we send back. Nothing here touches a widget.

enum class PictureFormat { Rgb565, Jpeg };

// "VCSET": each part is optional; absent or out-of-range values leave the
// current setting alone.
struct DeviceSettings
{
    std::optional<int> zoom; // kMinMapZoom … kMaxMapZoom
    std::optional<MapType> mapType;
    std::optional<PictureFormat> pictureFormat;
    std::optional<int> pictureWidth; // 1 … kMaxPictureSide
    std::optional<int> pictureHeight;
};
DeviceSettings parseDeviceSettings(const QByteArrayList &fields);

// A picture side larger than this would ask for gigabytes of RGB565.
constexpr int kMaxPictureSide = 4096;
// A picture goes to the device in one frame, which must fit what a link
// keeps unsent for a peer: an RGB565 picture of more pixels is refused.
constexpr qint64 kPictureFrameOverhead = 9;
constexpr qint64 kMaxPicturePixels = (LinkLimits::kMaxUnsentBytes - kPictureFrameOverhead) / 2;
// Whether the picture's RGB565 frame fits (a JPEG one is smaller).
bool pictureFits(const QSize &size);

// "VCLOC" and "VCPLO": latitude, N/S, longitude, E/W; nothing when the
// coordinates are not plain NMEA numbers.
std::optional<MapPoint> parseDevicePosition(const QByteArrayList &fields);

// "VCLOC": a picture of the map around a point, for the device.
struct PictureRequest
{
    MapPoint centre;
    QSize size{320, 240};
    PictureFormat format = PictureFormat::Rgb565;
};

// The frame a picture travels in: '$' 0x02 0xFD, the payload length as
// unsigned 32-bit little-endian, the payload, 0xFD 0x02.
QByteArray pictureFrame(const QByteArray &payload);

// Pixels row by row, 2 bytes each, RGB565 little-endian.
QByteArray rgb565Payload(const QImage &image);
// A JPEG file at the default quality.
QByteArray jpegPayload(const QImage &image);

// The width × height middle of a rendered map with the logo in its
// bottom-left corner.
QImage mapPicture(const QImage &rendered, int width, int height, const QImage &logo);

// "VCFLE": the bytes after the command become a file below uploads/ in the
// working directory (UploadFolder). Whoever is at the other end of the line
// may send it, so the size is bounded and only a relative path that stays
// below that folder is accepted.
struct FileRequest
{
    // HiddenPath: characters that would make the path look like another;
    // TooDeep: more folder levels than UploadFolder::kMaxDepth.
    enum Refusal { Accepted, BadSize, BadPath, HiddenPath, TooDeep };
    Refusal refusal = Accepted;
    QString relativePath; // below uploads/, cleaned
    qint64 size = 0;
};
constexpr qint64 kMaxUploadBytes = 16 * 1024 * 1024;
FileRequest parseFileRequest(const QByteArrayList &fields);
