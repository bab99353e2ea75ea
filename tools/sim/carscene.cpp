#include "carscene.h"

#include "sampletypes.h"

#include <QtEndian>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

namespace {

constexpr double kPi = 3.14159265358979323846;

constexpr int kEdgeGrey = 12;
constexpr int kTrackGrey = 228;
constexpr int kBackgroundGrey = 72;

quint16 rgb565(int red, int green, int blue)
{
    return quint16((red >> 3) << 11 | (green >> 2) << 5 | (blue >> 3));
}

template <typename T>
void appendLittleEndian(QByteArray &out, T value)
{
    char bytes[sizeof(T)];
    qToLittleEndian(value, bytes);
    out.append(bytes, int(sizeof(T)));
}

// An integer sample: rounded, and held at the type's limits.
template <typename T>
void appendRounded(QByteArray &out, double value)
{
    const double low = double(std::numeric_limits<T>::min());
    const double high = double(std::numeric_limits<T>::max());
    appendLittleEndian(out, T(std::lround(std::clamp(value, low, high))));
}

// One channel's wave at sample `t`, between -1 and 1: sines of different
// speeds, ramps, and (every third channel) noise.
double wave(int channel, int t, double noiseValue)
{
    switch (channel % 3) {
    case 0:
        return std::sin(2 * kPi * t / (60.0 + 25 * channel));
    case 1: {
        const int period = 80 + 20 * channel;
        return 2.0 * (t % period) / period - 1.0;
    }
    default:
        return 0.3 * std::sin(2 * kPi * t / 200.0) + 0.6 * noiseValue;
    }
}

} // namespace

CarScene::CarScene(quint32 seed)
    : m_state(seed ? seed : 1)
{
}

int CarScene::noise(int amplitude)
{
    // xorshift: cheap, and the same numbers on every machine.
    m_state ^= m_state << 13;
    m_state ^= m_state >> 17;
    m_state ^= m_state << 5;
    return amplitude ? int(m_state % quint32(2 * amplitude + 1)) - amplitude : 0;
}

// The camera looks ahead down a white track with black edge lines on a
// darker floor. Near rows (at the bottom) see the track wide; far rows see
// it narrow and swinging with the bends ahead.
int CarScene::sceneGrey(int x, int y, int width, int height, double position,
                        bool *background)
{
    const double near = height > 1 ? double(y) / (height - 1) : 1.0;
    const double far = 1.0 - near;
    const double centre = width * (0.5 + 0.3 * std::sin(position * 0.04) * far * far
                                   + 0.08 * std::sin(position * 0.013));
    const double halfWidth = width * (0.1 + 0.32 * near);
    const double edge = std::max(1.0, width * (0.015 + 0.03 * near));
    const double distance = std::abs(x + 0.5 - centre);
    *background = distance > halfWidth + edge;
    if (*background)
        return kBackgroundGrey;
    if (distance > halfWidth - edge)
        return kEdgeGrey;
    return kTrackGrey;
}

QByteArray CarScene::cameraPayload(const CarCamera::Settings &settings, double position)
{
    const int w = settings.width;
    const int h = settings.height;
    QByteArray payload(CarCamera::payloadLength(settings.mode, w, h), '\0');
    auto *out = reinterpret_cast<uchar *>(payload.data());
    const int pixels = settings.mode == CarCamera::Binary ? payload.size() * 8 : w * h;
    for (int i = 0; i < pixels; ++i) {
        bool background = false;
        const int grey = std::clamp(sceneGrey(i % w, i / w, w, h, position, &background) + noise(6),
                                    0, 255);
        switch (settings.mode) {
        case CarCamera::Binary: {
            const bool bit = (grey < 128) == settings.oneIsBlack;
            const int shift = settings.highBitFirst ? 7 - i % 8 : i % 8;
            if (bit)
                out[i / 8] |= uchar(1 << shift);
            break;
        }
        case CarCamera::Grey:
            out[i] = uchar(grey);
            break;
        case CarCamera::Colour: {
            // A blue floor, so the colour view shows more than grey.
            const quint16 word = background ? rgb565(grey / 3, grey / 2, std::min(255, grey * 2))
                                            : rgb565(grey, grey, grey);
            if (settings.bigEndian)
                qToBigEndian(word, out + 2 * i);
            else
                qToLittleEndian(word, out + 2 * i);
            break;
        }
        }
    }
    return payload;
}

// A line sensor across the track: bright track between two dark edges that
// move as the car sways. The second sensor looks further ahead, where the
// track is narrower and swings more.
QByteArray CarScene::ccdPayload(int sensors, int line, double position)
{
    QByteArray payload;
    payload.reserve(sensors * line);
    for (int sensor = 0; sensor < sensors; ++sensor) {
        const double centre = line * (0.5 + (0.2 + 0.1 * sensor) * std::sin(position * 0.05 + sensor));
        const double halfWidth = line * (0.3 - 0.08 * sensor);
        const double edge = std::max(1.0, line / 32.0);
        for (int x = 0; x < line; ++x) {
            const double distance = std::abs(x + 0.5 - centre);
            int grey = kTrackGrey;
            if (distance > halfWidth + edge)
                grey = kBackgroundGrey;
            else if (distance > halfWidth - edge)
                grey = kEdgeGrey;
            payload.append(char(std::clamp(grey + noise(8), 0, 255)));
        }
    }
    return payload;
}

// Each type is scaled to fill the range the oscilloscope shows for it.
QByteArray CarScene::scopePayload(int channels, int typeCode, int frame)
{
    QByteArray payload;
    payload.reserve(channels * sampleType(typeCode).size);
    for (int channel = 0; channel < channels; ++channel) {
        const double v = wave(channel, frame, noise(1000) / 1000.0) * (channel == 0 ? m_gain : 1);
        switch (typeCode) {
        case Int8:
            appendRounded<qint8>(payload, 100 * v);
            break;
        case UInt8:
            appendRounded<quint8>(payload, 128 + 100 * v);
            break;
        case Int16:
            appendRounded<qint16>(payload, 1500 * v);
            break;
        case UInt16:
            appendRounded<quint16>(payload, 2000 + 1800 * v);
            break;
        case Int32:
            appendRounded<qint32>(payload, 2500 * v);
            break;
        case UInt32:
            appendRounded<quint32>(payload, 500 + 400 * v);
            break;
        case Float:
            appendLittleEndian(payload, float(500 + 400 * v));
            break;
        case Double:
            appendLittleEndian(payload, double(500 + 400 * v));
            break;
        }
    }
    return payload;
}
