#pragma once

#include "camimage.h"

#include <QByteArray>

#include <cstdint>

// The payloads a car sends, made up: a camera looking down a track that
// winds, CCD lines across it, and oscilloscope channels: the speed loop's
// set-point (channel 1) and measured speed (channel 2), then sines, ramps
// and noise. Everything depends only on the frame number (or the track
// position), the seed and the values received, so a run can be repeated
// byte for byte.
class CarScene
{
public:
    explicit CarScene(quint32 seed = 1);

    // `position` is how far the car has come down the track, in frames at
    // the usual pace: the frame number unless the car changes speed.
    QByteArray cameraPayload(const CarCamera::Settings &settings, double position);
    QByteArray ccdPayload(int sensors, int line, double position);
    // `typeCode` is a SampleTypeCode (car/sampletypes.h). Values beyond
    // what the type holds stop at its limits. Frames are asked for in
    // order: the speed loop runs a round per frame (an earlier frame starts
    // it over).
    QByteArray scopePayload(int channels, int typeCode, int frame);

    // The speed loop: a second-order plant under PD control. With
    // ω0 = 2π · 3 / the step interval, its natural frequency is ω0 · √kp and
    // its damping ζ = kd / √kp, so a larger kp overshoots more and settles
    // later, a larger kd less. kp is held to 0.05..100, ζ to 0.05..5.
    static constexpr double kStartKp = 1;
    static constexpr double kStartKd = 0.5;
    // The set-point, in percent of the usual pace, moves every `rounds`
    // between the speed last received (100 at first) and kStepSize above
    // it; a received speed holds from the next frame for a whole interval.
    static constexpr double kStepSize = 50;
    void setStepInterval(int rounds);
    void setKp(double kp);
    void setKd(double kd);
    void setSpeedSetpoint(double percent);

private:
    // Grey level of the track scene at a pixel, 0 black .. 255 white, and
    // whether it is the background around the track.
    int sceneGrey(int x, int y, int width, int height, double position, bool *background);
    int noise(int amplitude);
    void advanceLoop(int frame);
    void resetLoop();
    void runLoopRound();

    quint32 m_state;
    int m_stepInterval = 300;
    double m_kp = kStartKp;
    double m_kd = kStartKd;
    double m_base = 100;        // the set-point's lower level
    qint64 m_scheduleStart = 0; // round from which the levels alternate
    qint64 m_loopRounds = 0;    // rounds the loop has run; the newest is frame m_loopRounds - 1
    double m_setpoint = 100;
    double m_speed = 100;
    double m_speedRate = 0; // change of the measured speed per round
};
