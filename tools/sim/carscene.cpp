#include "carscene.h"

#include "sampletypes.h"

#include <QtEndian>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

namespace {

constexpr double kPi = 3.14159265358979323846;

// The measured speed's noise, in the loop channels' wave units.
constexpr double kSpeedNoise = 0.005;
// The loop is integrated in steps no longer than this share of a radian of
// its natural frequency.
constexpr double kLoopStep = 0.05;

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
    advanceLoop(frame);
    for (int channel = 0; channel < channels; ++channel) {
        const double noiseValue = noise(1000) / 1000.0;
        // The loop's percent as a wave: the usual pace at 0, one step 0.5.
        double v = 0;
        if (channel == 0)
            v = (m_setpoint - 100) / 100;
        else if (channel == 1)
            v = (m_speed - 100) / 100 + kSpeedNoise * noiseValue;
        else
            v = wave(channel, frame, noiseValue);
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

void CarScene::setStepInterval(int rounds)
{
    m_stepInterval = std::max(4, rounds);
}

void CarScene::setKp(double kp)
{
    m_kp = std::isfinite(kp) ? kp : kStartKp;
}

void CarScene::setKd(double kd)
{
    m_kd = std::isfinite(kd) ? kd : kStartKd;
}

void CarScene::setSpeedSetpoint(double percent)
{
    if (!std::isfinite(percent))
        return;
    m_base = percent;
    m_scheduleStart = m_loopRounds;
}

void CarScene::resetLoop()
{
    m_loopRounds = 0;
    m_scheduleStart = 0;
    m_setpoint = m_speed = m_base;
    m_speedRate = 0;
}

void CarScene::advanceLoop(int frame)
{
    if (frame < m_loopRounds - 1)
        resetLoop();
    while (m_loopRounds <= frame)
        runLoopRound();
}

// One round: the set-point of this round, then the plant integrated over it
// (semi-implicit Euler, in steps short against its natural period).
void CarScene::runLoopRound()
{
    const qint64 intervals = (m_loopRounds - m_scheduleStart) / m_stepInterval;
    m_setpoint = m_base + (intervals % 2 == 1 ? kStepSize : 0);
    const double kp = std::clamp(m_kp, 0.05, 100.0);
    const double omega = 2 * kPi * 3 / m_stepInterval * std::sqrt(kp);
    const double zeta = std::clamp(m_kd / std::sqrt(kp), 0.05, 5.0);
    const int steps = std::max(1, int(std::ceil(omega / kLoopStep)));
    const double h = 1.0 / steps;
    for (int i = 0; i < steps; ++i) {
        const double change =
            omega * omega * (m_setpoint - m_speed) - 2 * zeta * omega * m_speedRate;
        m_speedRate += h * change;
        m_speed += h * m_speedRate;
    }
    ++m_loopRounds;
}
