#pragma once

#include "camimage.h"

#include <QByteArray>

#include <cstdint>

// The payloads a car sends, made up: a camera looking down a track that
// winds, CCD lines across it, and oscilloscope channels of sines, ramps and
// noise. Everything depends only on the frame number (or the track position),
// the seed and the gain, so a run can be repeated byte for byte.
class CarScene
{
public:
    explicit CarScene(quint32 seed = 1);

    // `position` is how far the car has come down the track, in frames at
    // the usual pace: the frame number unless the car changes speed.
    QByteArray cameraPayload(const CarCamera::Settings &settings, double position);
    QByteArray ccdPayload(int sensors, int line, double position);
    // `typeCode` is a SampleTypeCode (car/sampletypes.h). Values beyond
    // what the type holds (a large gain) stop at its limits.
    QByteArray scopePayload(int channels, int typeCode, int frame);

    // Multiplies the wave of oscilloscope channel 1; 1 at first.
    void setChannelOneGain(double gain) { m_gain = gain; }

private:
    // Grey level of the track scene at a pixel, 0 black .. 255 white, and
    // whether it is the background around the track.
    int sceneGrey(int x, int y, int width, int height, double position, bool *background);
    int noise(int amplitude);

    quint32 m_state;
    double m_gain = 1;
};
