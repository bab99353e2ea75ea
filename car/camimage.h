#pragma once

#include <QImage>
#include <QSize>

#include <vector>

// Decoding of the camera images the car sends, and the pictures the camera
// page shows of them. No widgets here: the camera page only shows the
// results. A "label" is the widget a picture is fitted to.
namespace CarCamera {

enum Mode { Binary = 0, Grey = 1, Colour = 2 };

// How the car encodes its image; fixed while the link is open.
struct Settings
{
    int mode = Binary;
    int width = 80;
    int height = 60;
    // Binary: bit 7 is the first of a byte's eight pixels (else bit 0).
    bool highBitFirst = true;
    // Binary: a 1 bit is a black pixel (else a white one).
    bool oneIsBlack = true;
    // Colour: each RGB565 word arrives high byte first.
    bool bigEndian = false;
};

// Payload bytes of one image: eight pixels a byte in binary mode (a partial
// last byte is not sent), one byte a pixel in grey, two in colour.
int payloadLength(int mode, int width, int height);

// The picture of an image on a label: the largest of the image's own shape
// that fits, a whole multiple of the image where one fits (every image pixel
// then covers the same number of screen pixels), else the image scaled down.
// Never empty; the label shows it centred.
QSize fittedPictureSize(QSize imageSize, QSize labelSize);

// The grid is worth drawing only when one image pixel covers more than
// 3 × 3 screen pixels.
bool gridFits(QSize imageSize, QSize pictureSize);

// Draws the pixel boundaries of an image of `imageSize` onto its scaled
// RGB32 picture: grey lines, with the middle row and column in navy.
void drawPixelGrid(QImage &scaled, QSize imageSize);

} // namespace CarCamera

// What one camera frame shows.
struct CameraPicture
{
    QImage original;  // the image as received, scaled to the picture size
    QImage binary;    // black and white with the grid; null in colour mode
    int average = -1; // grey mode only
    int median = -1;  // grey mode only
};

// Turns camera payloads into pictures that fit the label, scaled without
// smoothing. Holds one image buffer for the whole time the link is open, so
// that in binary mode the last (w·h mod 8) pixels, which no payload
// carries, keep what they were.
class CameraDecoder
{
public:
    CameraDecoder(const CarCamera::Settings &settings, QSize labelSize);

    const CarCamera::Settings &settings() const { return m_settings; }
    QSize pictureSize() const { return m_picture; }
    // Pictures from the next frame on fit a label of this size.
    void setLabelSize(QSize labelSize);
    int payloadLength() const;

    // `payload` holds payloadLength() bytes; `threshold` binarises grey
    // frames: a pixel above it is white, any other black.
    CameraPicture decode(const char *payload, int threshold);

private:
    template <typename ColourOf>
    const QImage &scaleInto(QImage &image, ColourOf colourOf) const;
    const QImage &scaleGreyInto(QImage &image, const uchar *pixels) const;
    QImage binaryPicture(const QImage &scaled);
    CameraPicture decodeBinary(const uchar *payload);
    CameraPicture decodeGrey(const uchar *payload, int threshold);
    CameraPicture decodeColour(const uchar *payload);

    CarCamera::Settings m_settings;
    QSize m_picture;
    std::vector<uchar> m_pixels;     // binary and grey: one byte a pixel
    std::vector<int> m_sourceColumn; // image column shown in each picture column
    QImage m_original;               // pictures of the picture size, reused
    QImage m_binary;
};
