#include "devicecommands.h"

#include "hiddentext.h"
#include "nmea.h"
#include "uploadfolder.h"

#include <QBuffer>
#include <QPainter>
#include <QtEndian>

namespace {

std::optional<int> pictureSide(const QByteArray &text)
{
    bool ok = false;
    const int side = text.toInt(&ok);
    if (!ok || side <= 0 || side > kMaxPictureSide)
        return std::nullopt;
    return side;
}

} // namespace

DeviceSettings parseDeviceSettings(const QByteArrayList &fields)
{
    DeviceSettings settings;
    bool ok = false;
    const int zoom = field(fields, 1).toInt(&ok);
    if (ok && zoom >= kMinMapZoom && zoom <= kMaxMapZoom)
        settings.zoom = zoom;
    const QByteArray mapType = field(fields, 2);
    if (mapType == "N")
        settings.mapType = MapType::Normal;
    else if (mapType == "S")
        settings.mapType = MapType::Satellite;
    const QByteArray format = field(fields, 3);
    if (format == "JPG")
        settings.pictureFormat = PictureFormat::Jpeg;
    else if (format == "RGB565")
        settings.pictureFormat = PictureFormat::Rgb565;
    settings.pictureWidth = pictureSide(field(fields, 4));
    settings.pictureHeight = pictureSide(field(fields, 5));
    return settings;
}

std::optional<MapPoint> parseDevicePosition(const QByteArrayList &fields)
{
    NmeaPosition position;
    if (!readPosition(fields, 1, &position))
        return std::nullopt;
    return MapPoint{position.latitude.toDouble(), position.longitude.toDouble()};
}

bool pictureFits(const QSize &size)
{
    return qint64(size.width()) * size.height() <= kMaxPicturePixels;
}

QByteArray pictureFrame(const QByteArray &payload)
{
    QByteArray frame;
    frame.reserve(payload.size() + int(kPictureFrameOverhead));
    frame.append("\x24\x02\xFD", 3);
    char length[4];
    qToLittleEndian<quint32>(quint32(payload.size()), length);
    frame.append(length, 4);
    frame.append(payload);
    frame.append("\xFD\x02", 2);
    return frame;
}

QByteArray rgb565Payload(const QImage &image)
{
    const QImage rgb = image.convertToFormat(QImage::Format_RGB32);
    QByteArray payload(rgb.width() * rgb.height() * 2, Qt::Uninitialized);
    char *out = payload.data();
    for (int y = 0; y < rgb.height(); ++y) {
        const auto *line = reinterpret_cast<const QRgb *>(rgb.constScanLine(y));
        for (int x = 0; x < rgb.width(); ++x) {
            const quint32 argb = line[x];
            const quint16 pixel = quint16(((argb >> 8) & 0xF800) | ((argb >> 5) & 0x07E0)
                                          | ((argb & 0xFF) >> 3));
            qToLittleEndian<quint16>(pixel, out);
            out += 2;
        }
    }
    return payload;
}

QByteArray jpegPayload(const QImage &image)
{
    QByteArray payload;
    QBuffer buffer(&payload);
    buffer.open(QIODevice::WriteOnly);
    image.convertToFormat(QImage::Format_RGB32).save(&buffer, "JPG");
    return payload;
}

QImage mapPicture(const QImage &rendered, int width, int height, const QImage &logo)
{
    // Centred; never left of or above the rendering, where there is nothing
    // to show.
    const int left = qMax(0, (rendered.width() - width) / 2 - 1);
    const int top = qMax(0, (rendered.height() - height) / 2 - 1);
    QImage picture = rendered.copy(left, top, width, height)
                         .convertToFormat(QImage::Format_ARGB32_Premultiplied);
    QPainter painter(&picture);
    painter.drawImage(QPoint(0, height - logo.height()), logo);
    return picture;
}

FileRequest parseFileRequest(const QByteArrayList &fields)
{
    FileRequest request;
    bool ok = false;
    request.size = field(fields, 1).toLongLong(&ok);
    if (!ok || request.size < 0 || request.size > kMaxUploadBytes) {
        request.refusal = FileRequest::BadSize;
        return request;
    }
    const QString asked = QString::fromUtf8(field(fields, 2));
    request.relativePath = UploadFolder::relativePath(asked);
    if (request.relativePath.isEmpty())
        request.refusal = FileRequest::BadPath;
    else if (HiddenText::contains(asked))
        request.refusal = FileRequest::HiddenPath;
    else if (UploadFolder::depth(request.relativePath) > UploadFolder::kMaxDepth)
        request.refusal = FileRequest::TooDeep;
    if (request.refusal != FileRequest::Accepted)
        request.relativePath.clear();
    return request;
}
