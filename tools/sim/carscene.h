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
    // The oscilloscope sample types in the order the car tab lists them.
    enum SampleType { Int8, UInt8, Int16, UInt16, Int32, UInt32, Float, Double };
    static int sampleSize(int type);
    // -1 for a name that is not a sample type.
    static int sampleTypeByName(const QString &name);

    explicit CarScene(quint32 seed = 1);

    QByteArray cameraPayload(const CarCamera::Settings &settings, int frame);
    QByteArray ccdPayload(int sensors, int line, int frame);
    QByteArray scopePayload(int channels, int sampleType, int frame);

private:
    // Grey level of the track scene at a pixel, 0 black .. 255 white, and
    // whether it is the background around the track.
    int sceneGrey(int x, int y, int width, int height, int frame, bool *background);
    int noise(int amplitude);

    quint32 m_state;
};
