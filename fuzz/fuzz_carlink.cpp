// The car link: a byte stream cut into frames, each payload through the
// handler the car tab uses (camera pictures, CCD drawing, samples stored,
// parameters read back).
//
// Input: eight setting bytes, two bytes that split the stream into one to
// three reads, then the stream.
#include "camimage.h"
#include "carframe.h"
#include "carparams.h"
#include "ccddrawing.h"
#include "fuzzcheck.h"
#include "samplestore.h"
#include "sampletypes.h"

#include <QtEndian>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <deque>
#include <vector>

namespace {

struct Setup
{
    CarCamera::Settings camera;
    QSize label;
    int threshold = 0;
    int ccdCount = 1;
    int ccdLine = 1;
    int channels = 1;
    int typeCode = 0;
    bool params = false;

    CarLink::FrameLengths lengths() const
    {
        CarLink::FrameLengths lengths{};
        lengths[CarLink::Image] =
            CarCamera::payloadLength(camera.mode, camera.width, camera.height);
        lengths[CarLink::Ccd] = ccdCount * ccdLine;
        lengths[CarLink::Scope] = channels * sampleType(typeCode).size;
        lengths[CarLink::Param] = params ? CarParams::kPayloadLength : 0;
        return lengths;
    }
};

// Sizes up to the forms' limits (999 × 999 images, 9999-pixel lines) where
// the "large" bit is set, small ones otherwise so frames fit in an input.
Setup setupFrom(const uint8_t *b)
{
    Setup setup;
    const bool large = b[0] & 0x40;
    setup.camera.mode = (b[0] & 3) % 3;
    setup.camera.highBitFirst = b[0] & 0x04;
    setup.camera.oneIsBlack = b[0] & 0x08;
    setup.camera.bigEndian = b[0] & 0x10;
    setup.ccdCount = b[0] & 0x20 ? 2 : 1;
    setup.camera.width = large ? 1 + b[1] * 997 % 999 : 1 + b[1] % 16;
    setup.camera.height = large ? 1 + b[2] * 991 % 999 : 1 + b[2] % 16;
    setup.ccdLine = large ? 1 + b[3] * 9973 % 9999 : 1 + b[3] % 32;
    setup.channels = 1 + b[4] % 8;
    setup.typeCode = (b[4] >> 3) % 8;
    setup.label = QSize(b[5] % 64, b[6] % 64);
    setup.params = b[5] & 0x80;
    setup.threshold = b[7];
    return setup;
}

struct Frame
{
    int command;
    QByteArray payload;
    bool operator==(const Frame &other) const
    {
        return command == other.command && payload == other.payload;
    }
};

std::vector<Frame> cutFrames(const Setup &setup, const std::vector<QByteArray> &reads,
                             CarFrameParser &parser)
{
    std::vector<Frame> frames;
    parser.setFrameLengths(setup.lengths());
    for (int command = CarLink::Image; command <= CarLink::Param; ++command)
        parser.setHandler(command, [&frames, command](const char *payload, int length) {
            frames.push_back({command, QByteArray(payload, length)});
        });
    for (const QByteArray &read : reads) {
        parser.append(read);
        check(parser.bufferSize() <= parser.bufferLimit(), "the buffer keeps to its bound");
    }
    return frames;
}

// ---- camera: the pictures against a plain decode ----

class ReferenceCamera
{
public:
    explicit ReferenceCamera(const CarCamera::Settings &s)
        : m_s(s)
        , m_levels(size_t(s.width * s.height), 0)
    {
    }

    // The image as received, one RGB value a pixel.
    std::vector<QRgb> decode(const QByteArray &payload)
    {
        const int count = m_s.width * m_s.height;
        const auto *bytes = reinterpret_cast<const uchar *>(payload.constData());
        std::vector<QRgb> image(static_cast<size_t>(count));
        for (int i = 0; i < count; ++i) {
            if (m_s.mode == CarCamera::Colour) {
                const quint16 word = m_s.bigEndian ? qFromBigEndian<quint16>(bytes + 2 * i)
                                                   : qFromLittleEndian<quint16>(bytes + 2 * i);
                // Each field widened to 8 bits by repeating its top bits.
                const int r = word >> 11, g = (word >> 5) & 63, b = word & 31;
                image[size_t(i)] = qRgb(r << 3 | r >> 2, g << 2 | g >> 4, b << 3 | b >> 2);
                continue;
            }
            if (m_s.mode == CarCamera::Grey) {
                m_levels[size_t(i)] = bytes[i];
            } else if (i / 8 < payload.size()) {
                const int bit = m_s.highBitFirst ? 7 - i % 8 : i % 8;
                const bool one = (bytes[i / 8] >> bit) & 1;
                m_levels[size_t(i)] = one == m_s.oneIsBlack ? 0 : 255;
            }
            image[size_t(i)] = qRgb(m_levels[size_t(i)], m_levels[size_t(i)], m_levels[size_t(i)]);
        }
        return image;
    }

    const std::vector<uchar> &levels() const { return m_levels; }

private:
    CarCamera::Settings m_s;
    std::vector<uchar> m_levels; // binary pixels no payload carries keep theirs
};

// Which picture rows (or columns) the grid of an image dimension covers.
std::vector<bool> gridLines(int pictureSize, int imageSize)
{
    std::vector<bool> lines(static_cast<size_t>(pictureSize), false);
    for (int i = 1; i < imageSize; ++i)
        lines[size_t(i == imageSize / 2 ? pictureSize / 2 : i * pictureSize / imageSize)] = true;
    return lines;
}

// The reference checks are not what is being fuzzed: no coverage feedback
// from them, which would also make every run several times slower.
ZENTRIK_NO_COVERAGE
void checkScaled(const QImage &picture, const std::vector<QRgb> &image, const Setup &setup,
                 bool mayHaveGrid, const char *what)
{
    const int w = setup.camera.width, h = setup.camera.height;
    check(picture.size() == CarCamera::fittedPictureSize({w, h}, setup.label)
              || (setup.label.isEmpty() && picture.size() == QSize(w, h)),
          "the picture keeps the image's shape");
    const bool grid = mayHaveGrid && CarCamera::gridFits({w, h}, picture.size());
    const std::vector<bool> gridRows = gridLines(picture.height(), grid ? h : 0);
    const std::vector<bool> gridColumns = gridLines(picture.width(), grid ? w : 0);
    for (int y = 0; y < picture.height(); ++y) {
        if (gridRows[size_t(y)])
            continue;
        const auto *line = reinterpret_cast<const QRgb *>(picture.constScanLine(y));
        const size_t rowStart = size_t(y * h / picture.height() * w);
        for (int x = 0; x < picture.width(); ++x) {
            if (gridColumns[size_t(x)])
                continue;
            const QRgb expected = image[rowStart + size_t(x * w / picture.width())];
            check(line[x] == (expected | 0xFF000000u), what);
        }
    }
}

bool hasFrame(const std::vector<Frame> &frames, int command)
{
    return std::any_of(frames.begin(), frames.end(),
                       [command](const Frame &frame) { return frame.command == command; });
}

void checkCamera(const Setup &setup, const std::vector<Frame> &frames)
{
    if (!hasFrame(frames, CarLink::Image))
        return;
    const int pixels = setup.camera.width * setup.camera.height;
    const bool small = pixels <= 4096;
    CameraDecoder decoder(setup.camera, setup.label);
    ReferenceCamera reference(setup.camera);
    const Frame *last = nullptr;
    for (const Frame &frame : frames) {
        if (frame.command == CarLink::Image)
            last = &frame;
    }
    for (const Frame &frame : frames) {
        if (frame.command != CarLink::Image)
            continue;
        const CameraPicture picture = decoder.decode(frame.payload.constData(), setup.threshold);
        const std::vector<QRgb> image = reference.decode(frame.payload);
        // Every frame is decoded (binary pixels no payload carries keep what
        // they were), but the pictures are compared for the last one only.
        if (!small || &frame != last)
            continue;
        checkScaled(picture.original, image, setup, false, "original picture as the image");
        if (setup.camera.mode == CarCamera::Colour) {
            check(picture.binary.isNull(), "no black and white picture of a colour image");
            continue;
        }
        if (setup.camera.mode == CarCamera::Grey) {
            std::vector<uchar> sorted(reference.levels());
            std::sort(sorted.begin(), sorted.end());
            qint64 sum = 0;
            for (uchar level : sorted)
                sum += level;
            check(picture.average == int(sum / pixels), "average is the integer mean");
            check(picture.median == sorted[size_t(pixels / 2)], "median is the middle level");
        }
        std::vector<QRgb> blackWhite(image);
        if (setup.camera.mode == CarCamera::Grey) {
            for (size_t i = 0; i < blackWhite.size(); ++i)
                blackWhite[i] = reference.levels()[i] > setup.threshold ? 0xFFFFFFFF : 0xFF000000;
        }
        checkScaled(picture.binary, blackWhite, setup, true, "black and white picture");
    }
}

// ---- CCD: statistics against a plain walk; drawing must hold ----

void checkCcd(const Setup &setup, const std::vector<Frame> &frames)
{
    if (!hasFrame(frames, CarLink::Ccd))
        return;
    const int width = setup.ccdLine;
    std::vector<uchar> differences(static_cast<size_t>(width));
    QImage picture;
    CcdTrackRecord record;
    record.reset(width, QSize(1 + setup.label.width(), 1 + setup.label.height()));
    for (const Frame &frame : frames) {
        if (frame.command != CarLink::Ccd)
            continue;
        for (int sensor = 0; sensor < setup.ccdCount; ++sensor) {
            const auto *line = reinterpret_cast<const uchar *>(frame.payload.constData()) + sensor * width;
            const CcdStatistics stats = analyseCcdLine(line, width, differences.data());
            int maximum = 0, minimum = 255, maxDifference = 0;
            qint64 sum = 0;
            for (int i = 0; i < width; ++i) {
                maximum = std::max<int>(maximum, line[i]);
                minimum = std::min<int>(minimum, line[i]);
                sum += line[i];
                const int difference = i + 1 < width ? std::abs(line[i + 1] - line[i]) : 0;
                check(differences[size_t(i)] == difference, "difference of neighbours");
                maxDifference = std::max(maxDifference, difference);
            }
            check(stats.maximum == maximum && stats.minimum == minimum
                      && stats.average == int(sum / width) && stats.maxDifference == maxDifference,
                  "line statistics");
            const auto basis = setup.threshold & 1 ? CcdThresholdBasis::Difference
                                                   : CcdThresholdBasis::GreyLevel;
            const CcdThreshold threshold = resolveCcdThreshold(basis, setup.threshold, maxDifference);
            drawCcdPicture(picture, setup.label, line, differences.data(), width, stats, basis,
                           threshold.value);
            check(setup.label.isEmpty() ? picture.isNull() : picture.size() == setup.label,
                  "the CCD picture has the size asked for");
            record.append(line);
            check(record.rowCount() <= std::max(1, record.capacity()), "record keeps to its height");
        }
    }
}

// ---- samples: the store against a plain list of the newest ----

double plainSample(int code, const uchar *b)
{
    const auto word32 = [b] {
        return quint32(b[0]) | quint32(b[1]) << 8 | quint32(b[2]) << 16 | quint32(b[3]) << 24;
    };
    switch (code) {
    case Int8: return double(qint8(b[0]));
    case UInt8: return double(b[0]);
    case Int16: return double(qint16(quint16(b[0] | b[1] << 8)));
    case UInt16: return double(quint16(b[0] | b[1] << 8));
    case Int32: return double(qint32(word32()));
    case UInt32: return double(word32());
    case Float: {
        const quint32 bits = word32();
        float f;
        std::memcpy(&f, &bits, 4);
        return double(f);
    }
    default: {
        const quint64 bits = word32() | quint64(qFromLittleEndian<quint32>(b + 4)) << 32;
        double d;
        std::memcpy(&d, &bits, 8);
        return d;
    }
    }
}

bool same(double a, double b)
{
    return a == b || (std::isnan(a) && std::isnan(b));
}

void checkSamples(const Setup &setup, const std::vector<Frame> &frames)
{
    if (!hasFrame(frames, CarLink::Scope))
        return;
    constexpr quint64 kCapacity = 7; // small, so the windows slide and rotate
    SampleStore store(kCapacity);
    std::deque<std::array<double, SampleStore::kChannels>> model;
    const int size = sampleType(setup.typeCode).size;
    for (const Frame &frame : frames) {
        if (frame.command != CarLink::Scope)
            continue;
        double values[SampleStore::kChannels] = {};
        decodeSamples(setup.typeCode, setup.channels, frame.payload.constData(), values);
        std::array<double, SampleStore::kChannels> row{};
        for (int channel = 0; channel < setup.channels; ++channel)
            row[size_t(channel)] = plainSample(
                setup.typeCode,
                reinterpret_cast<const uchar *>(frame.payload.constData()) + channel * size);
        const bool finite = std::all_of(row.begin(), row.end(), [](double v) { return std::isfinite(v); });
        const qint64 refused = store.nonFiniteRefused();
        check(store.append(values, setup.channels) == finite,
              "a sample is stored unless it holds Inf or NaN");
        check(store.nonFiniteRefused() == refused + !finite, "a refused sample is counted");
        if (!finite)
            continue;
        model.push_back(row);
        if (model.size() > kCapacity)
            model.pop_front();
        check(store.size() == model.size(), "the store holds the newest samples");
        for (size_t i = 0; i < model.size(); ++i) {
            for (int channel = 0; channel < SampleStore::kChannels; ++channel)
                check(same(store.window(channel)[i], model[i][size_t(channel)]),
                      "stored sample as decoded");
            if (i > 0)
                check(store.xValues()[i] == store.xValues()[i - 1] + 1, "X counts up by one");
        }
    }
}

// ---- parameters: only while their length is set, and read back as sent ----

void checkParams(const Setup &setup, const std::vector<Frame> &frames)
{
    for (const Frame &frame : frames) {
        if (frame.command != CarLink::Param)
            continue;
        check(setup.params, "no parameter frame without its length");
        int index = -1;
        double value = 0;
        if (!CarParams::readBinaryPayload(frame.payload.constData(), frame.payload.size(), index,
                                          value))
            continue;
        const QByteArray again = CarParams::binaryMessage(index, value);
        check(again.mid(2, CarParams::kPayloadLength) == frame.payload,
              "a parameter read back is sent as the same frame");
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 10)
        return 0;
    const Setup setup = setupFrom(data);
    const QByteArray stream(reinterpret_cast<const char *>(data + 10), int(size - 10));
    int first = int(qint64(data[8]) * stream.size() / 256);
    int second = int(qint64(data[9]) * stream.size() / 256);
    if (first > second)
        std::swap(first, second);

    CarFrameParser whole;
    const std::vector<Frame> frames = cutFrames(setup, {stream}, whole);
    CarFrameParser pieces;
    const std::vector<Frame> framesInPieces = cutFrames(
        setup, {stream.left(first), stream.mid(first, second - first), stream.mid(second)}, pieces);
    check(frames == framesInPieces, "the same frames however the bytes are split into reads");
    check(whole.buffer() == pieces.buffer(), "the same bytes kept however they were split");

    checkCamera(setup, frames);
    checkCcd(setup, frames);
    checkSamples(setup, frames);
    checkParams(setup, frames);
    return 0;
}
