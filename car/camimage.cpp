#include "camimage.h"

#include <algorithm>
#include <array>

namespace {

constexpr QRgb kGridGrey = 0xFF808080;
constexpr QRgb kGridNavy = 0xFF000080;

// Lines are drawn on the raw pixels: scanLine() on a writable image checks
// for sharing on every call, which is most of the cost of a dense grid.
void drawRow(QRgb *pixels, int stride, int width, int y, QRgb colour)
{
    std::fill_n(pixels + qint64(y) * stride, width, colour);
}

void drawColumn(QRgb *pixels, int stride, int height, int x, QRgb colour)
{
    for (int y = 0; y < height; ++y)
        pixels[qint64(y) * stride + x] = colour;
}

QRgb greyRgb(uchar level)
{
    return 0xFF000000u | level * 0x010101u;
}

// Each field widened to 8 bits by repeating its top bits, so full scale
// stays full scale (31 → 255) and 0 stays 0.
QRgb rgb565ToRgb(quint16 word)
{
    const uint red = word >> 11;
    const uint green = (word >> 5) & 0x3F;
    const uint blue = word & 0x1F;
    return qRgb(int(red << 3 | red >> 2), int(green << 2 | green >> 4), int(blue << 3 | blue >> 2));
}

} // namespace

int CarCamera::payloadLength(int mode, int width, int height)
{
    switch (mode) {
    case Binary:
        return width * height / 8;
    case Grey:
        return width * height;
    case Colour:
        return width * height * 2;
    }
    return 0;
}

QSize CarCamera::fittedPictureSize(QSize imageSize, QSize labelSize)
{
    const int multiple = std::min(labelSize.width() / imageSize.width(),
                                  labelSize.height() / imageSize.height());
    if (multiple >= 1)
        return imageSize * multiple;
    return imageSize.scaled(labelSize, Qt::KeepAspectRatio).expandedTo({1, 1});
}

bool CarCamera::gridFits(QSize imageSize, QSize pictureSize)
{
    return 3 * imageSize.height() < pictureSize.height()
           && 3 * imageSize.width() < pictureSize.width();
}

void CarCamera::drawPixelGrid(QImage &scaled, QSize imageSize)
{
    const int w = imageSize.width();
    const int h = imageSize.height();
    const int W = scaled.width();
    const int H = scaled.height();
    auto *pixels = reinterpret_cast<QRgb *>(scaled.bits());
    const int stride = scaled.bytesPerLine() / int(sizeof(QRgb));
    for (int i = 1; i < h; ++i) {
        if (i == h / 2)
            drawRow(pixels, stride, W, H / 2, kGridNavy);
        else
            drawRow(pixels, stride, W, i * H / h, kGridGrey);
    }
    for (int i = 1; i < w; ++i) {
        if (i == w / 2)
            drawColumn(pixels, stride, H, W / 2, kGridNavy);
        else
            drawColumn(pixels, stride, H, i * W / w, kGridGrey);
    }
}

CameraDecoder::CameraDecoder(const CarCamera::Settings &settings, QSize labelSize)
    : m_settings(settings)
{
    m_settings.width = std::max(1, m_settings.width);
    m_settings.height = std::max(1, m_settings.height);
    if (m_settings.mode != CarCamera::Colour)
        m_pixels.assign(size_t(m_settings.width) * size_t(m_settings.height), 0);
    setLabelSize(labelSize);
}

void CameraDecoder::setLabelSize(QSize labelSize)
{
    const QSize imageSize(m_settings.width, m_settings.height);
    // A label that was never laid out has no size to scale to; show the
    // image as it is rather than nothing.
    const QSize picture = labelSize.width() < 1 || labelSize.height() < 1
                              ? imageSize
                              : CarCamera::fittedPictureSize(imageSize, labelSize);
    if (picture == m_picture)
        return;
    m_picture = picture;
    m_sourceColumn.resize(size_t(m_picture.width()));
    for (int x = 0; x < m_picture.width(); ++x)
        m_sourceColumn[size_t(x)] = int(qint64(x) * m_settings.width / m_picture.width());
}

int CameraDecoder::payloadLength() const
{
    return CarCamera::payloadLength(m_settings.mode, m_settings.width, m_settings.height);
}

CameraPicture CameraDecoder::decode(const char *payload, int threshold)
{
    const auto *bytes = reinterpret_cast<const uchar *>(payload);
    switch (m_settings.mode) {
    case CarCamera::Grey:
        return decodeGrey(bytes, threshold);
    case CarCamera::Colour:
        return decodeColour(bytes);
    default:
        return decodeBinary(bytes);
    }
}

// Nearest-neighbour scaling straight into RGB32, the format the screen
// takes without another conversion. Rows that repeat a source row
// are copied from the row above.
//
// The picture is drawn into the same image frame after frame: a fresh
// picture of 640 × 480 costs hundreds of page faults as the allocator
// hands memory back and forth, several times the cost of the drawing.
// Whoever still holds the last picture keeps it: writing detaches.
template <typename ColourOf>
const QImage &CameraDecoder::scaleInto(QImage &image, ColourOf colourOf) const
{
    const int w = m_settings.width;
    const int h = m_settings.height;
    const int W = m_picture.width();
    const int H = m_picture.height();
    if (image.size() != m_picture)
        image = QImage(m_picture, QImage::Format_RGB32);
    int previousSourceRow = -1;
    for (int y = 0; y < H; ++y) {
        auto *line = reinterpret_cast<QRgb *>(image.scanLine(y));
        const int sourceRow = int(qint64(y) * h / H);
        if (sourceRow == previousSourceRow) {
            std::copy_n(reinterpret_cast<const QRgb *>(image.constScanLine(y - 1)), W, line);
            continue;
        }
        previousSourceRow = sourceRow;
        const int rowStart = sourceRow * w;
        for (int x = 0; x < W; ++x)
            line[x] = colourOf(rowStart + m_sourceColumn[size_t(x)]);
    }
    return image;
}

const QImage &CameraDecoder::scaleGreyInto(QImage &image, const uchar *pixels) const
{
    return scaleInto(image, [pixels](int i) { return greyRgb(pixels[i]); });
}

// The black-and-white picture: the grid goes on a copy when it fits; else
// the picture is the scaled image itself.
QImage CameraDecoder::binaryPicture(const QImage &scaled)
{
    const QSize imageSize(m_settings.width, m_settings.height);
    if (!CarCamera::gridFits(imageSize, m_picture))
        return scaled;
    if (&scaled != &m_binary) {
        if (m_binary.size() != m_picture)
            m_binary = QImage(m_picture, QImage::Format_RGB32);
        std::copy_n(scaled.constBits(), scaled.sizeInBytes(), m_binary.bits());
    }
    CarCamera::drawPixelGrid(m_binary, imageSize);
    return m_binary;
}

CameraPicture CameraDecoder::decodeBinary(const uchar *payload)
{
    const uchar one = m_settings.oneIsBlack ? 0 : 255;
    const uchar zero = 255 - one;
    const int length = payloadLength();
    uchar *pixel = m_pixels.data();
    for (int i = 0; i < length; ++i) {
        const uchar byte = payload[i];
        for (int bit = 0; bit < 8; ++bit) {
            const int shift = m_settings.highBitFirst ? 7 - bit : bit;
            *pixel++ = (byte >> shift) & 1 ? one : zero;
        }
    }
    CameraPicture picture;
    picture.original = scaleGreyInto(m_original, m_pixels.data());
    picture.binary = binaryPicture(m_original);
    return picture;
}

CameraPicture CameraDecoder::decodeGrey(const uchar *payload, int threshold)
{
    const size_t count = m_pixels.size();
    // Average and median from a histogram of the 256 levels: one pass, no
    // copy, and the median is the level of rank count / 2 in ascending order.
    std::array<quint32, 256> histogram{};
    quint64 sum = 0;
    for (size_t i = 0; i < count; ++i) {
        ++histogram[payload[i]];
        sum += payload[i];
    }
    CameraPicture picture;
    picture.average = int(sum / count);
    quint64 below = 0;
    int median = 0;
    while (below + histogram[size_t(median)] <= count / 2)
        below += histogram[size_t(median++)];
    picture.median = median;

    std::transform(payload, payload + count, m_pixels.begin(),
                   [threshold](uchar value) { return value > threshold ? uchar(255) : uchar(0); });
    picture.original = scaleGreyInto(m_original, payload);
    picture.binary = binaryPicture(scaleGreyInto(m_binary, m_pixels.data()));
    return picture;
}

CameraPicture CameraDecoder::decodeColour(const uchar *payload)
{
    // Words are assembled from bytes, so the result does not depend on the
    // byte order of the machine running the workbench.
    const size_t high = m_settings.bigEndian ? 0 : 1;
    const size_t low = 1 - high;
    CameraPicture picture;
    picture.original = scaleInto(m_original, [payload, high, low](int i) {
        const size_t at = 2 * size_t(i);
        return rgb565ToRgb(quint16(payload[at + high] << 8 | payload[at + low]));
    });
    return picture;
}
