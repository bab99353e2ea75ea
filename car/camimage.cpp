#include "camimage.h"

#include <algorithm>
#include <numeric>

namespace {

constexpr QRgb kGridGrey = 0xFF808080;
constexpr QRgb kGridNavy = 0xFF000080;

void drawRow(QImage &image, int y, QRgb colour)
{
    auto *line = reinterpret_cast<QRgb *>(image.scanLine(y));
    std::fill(line, line + image.width(), colour);
}

void drawColumn(QImage &image, int x, QRgb colour)
{
    for (int y = 0; y < image.height(); ++y)
        reinterpret_cast<QRgb *>(image.scanLine(y))[x] = colour;
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

bool CarCamera::gridFits(QSize imageSize, QSize displaySize)
{
    return 3 * imageSize.height() < displaySize.height()
           && 3 * imageSize.width() < displaySize.width();
}

void CarCamera::drawPixelGrid(QImage &scaled, QSize imageSize)
{
    const int w = imageSize.width();
    const int h = imageSize.height();
    const int W = scaled.width();
    const int H = scaled.height();
    for (int i = 1; i < h; ++i) {
        if (i == h / 2)
            drawRow(scaled, H / 2, kGridNavy);
        else
            drawRow(scaled, i * H / h, kGridGrey);
    }
    for (int i = 1; i < w; ++i) {
        if (i == w / 2)
            drawColumn(scaled, W / 2, kGridNavy);
        else
            drawColumn(scaled, i * W / w, kGridGrey);
    }
}

CameraDecoder::CameraDecoder(const CarCamera::Settings &settings, QSize displaySize)
    : m_settings(settings)
    , m_display(displaySize)
{
    m_settings.width = std::max(1, m_settings.width);
    m_settings.height = std::max(1, m_settings.height);
    // A label that was never laid out has no size to scale to; show the
    // image as it is rather than nothing.
    if (m_display.width() < 1 || m_display.height() < 1)
        m_display = QSize(m_settings.width, m_settings.height);
    const size_t pixels = size_t(m_settings.width) * size_t(m_settings.height);
    if (m_settings.mode == CarCamera::Colour)
        m_words.assign(pixels, 0);
    else
        m_pixels.assign(pixels, 0);
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

QImage CameraDecoder::scaled(const QImage &image) const
{
    QImage result = image.scaled(m_display, Qt::IgnoreAspectRatio, Qt::FastTransformation);
    // At the image's own size Qt hands back the image itself, which still
    // points into the payload or the reused buffer: take a copy of its own.
    if (result.constBits() == image.constBits())
        result = image.copy();
    return result;
}

QImage CameraDecoder::withGrid(const QImage &scaledImage) const
{
    QImage picture = scaledImage.convertToFormat(QImage::Format_RGB32);
    const QSize imageSize(m_settings.width, m_settings.height);
    if (CarCamera::gridFits(imageSize, m_display))
        CarCamera::drawPixelGrid(picture, imageSize);
    return picture;
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
    const QImage image(m_pixels.data(), m_settings.width, m_settings.height, m_settings.width,
                       QImage::Format_Grayscale8);
    CameraPicture picture;
    picture.original = scaled(image);
    picture.binary = withGrid(picture.original);
    return picture;
}

CameraPicture CameraDecoder::decodeGrey(const uchar *payload, int threshold)
{
    const size_t count = m_pixels.size();
    CameraPicture picture;
    picture.average = int(std::accumulate(payload, payload + count, quint64(0)) / count);

    // Median by selection on a copy in the image buffer (linear time, no
    // sort); the buffer is then overwritten with the binarised image.
    std::copy(payload, payload + count, m_pixels.begin());
    const auto middle = m_pixels.begin() + ptrdiff_t(count / 2);
    std::nth_element(m_pixels.begin(), middle, m_pixels.end());
    picture.median = *middle;

    std::transform(payload, payload + count, m_pixels.begin(),
                   [threshold](uchar value) { return value > threshold ? uchar(255) : uchar(0); });

    const QImage grey(payload, m_settings.width, m_settings.height, m_settings.width,
                      QImage::Format_Grayscale8);
    const QImage binary(m_pixels.data(), m_settings.width, m_settings.height, m_settings.width,
                        QImage::Format_Grayscale8);
    picture.original = scaled(grey);
    picture.binary = withGrid(scaled(binary));
    return picture;
}

CameraPicture CameraDecoder::decodeColour(const uchar *payload)
{
    // Words are assembled from bytes, so the result does not depend on the
    // byte order of the machine running the workbench.
    const int high = m_settings.bigEndian ? 0 : 1;
    const int low = 1 - high;
    for (size_t i = 0; i < m_words.size(); ++i)
        m_words[i] = quint16(payload[2 * i + size_t(high)] << 8 | payload[2 * i + size_t(low)]);
    const QImage image(reinterpret_cast<const uchar *>(m_words.data()), m_settings.width,
                       m_settings.height, m_settings.width * 2, QImage::Format_RGB16);
    CameraPicture picture;
    picture.original = scaled(image);
    return picture;
}
