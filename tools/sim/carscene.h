#pragma once

#include "camimage.h"

#include <QByteArray>

#include <cstdint>

// The payloads a car sends, made up: a camera looking down a track that
// winds, CCD lines across it, and oscilloscope channels of sines, ramps and
// noise. Everything depends only on the frame number and the seed, so a run
// can be repeated byte for byte.
class CarScene
{
public:
    explicit CarScene(quint32 seed = 1);

    QByteArray cameraPayload(const CarCamera::Settings &settings, int frame);
    QByteArray ccdPayload(int sensors, int line, int frame);
    // `typeCode` is a SampleTypeCode (car/sampletypes.h).
    QByteArray scopePayload(int channels, int typeCode, int frame);

private:
    // Grey level of the track scene at a pixel, 0 black .. 255 white, and
    // whether it is the background around the track.
    int sceneGrey(int x, int y, int width, int height, int frame, bool *background);
    int noise(int amplitude);

    quint32 m_state;
};
