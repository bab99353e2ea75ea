#pragma once

#include <QtGlobal>

#include <array>
#include <optional>

// What the oscilloscope measures on a run of samples: one channel's window
// of the store (or any part of it) is a pointer and a count.

struct ChannelStats
{
    quint64 count = 0;
    double min = 0;
    double max = 0;
    double mean = 0;
    double rms = 0;
    double peakToPeak = 0;
};

// Min, max, mean, RMS and peak-to-peak of `count` values in one pass. The
// sums are kept in short blocks added up with compensation, so a million
// samples keep their mean and RMS to a few units in the last place. With
// count 0 every field is 0.
ChannelStats channelStats(const double *values, quint64 count);

// Cycles per sample from the rising crossings of `level` (pass the mean),
// counted as the trigger counts a rising edge: a crossing needs the signal
// at or below level − hysteresis (and below the level) first, and lies
// between the sample before the first one at or above the level and that
// one, placed by linear interpolation. Measured between the first and the
// last crossing: k crossings make k − 1 periods. None under two crossings.
// A negative or NaN hysteresis counts as 0.
std::optional<double> crossingFrequency(const double *values, quint64 count, double level,
                                        double hysteresis);

// The hysteresis measurements use for the crossings, as a share of the
// channel's peak-to-peak: noise smaller than a tenth of the swing never
// counts as a crossing.
constexpr double kCrossingHysteresisShare = 0.1;

// A channel's statistics and its frequency from the crossings of its mean,
// with the hysteresis above: the measurement table's row in one call.
struct ChannelMeasurement
{
    ChannelStats stats;
    std::optional<double> cyclesPerSample;
};
ChannelMeasurement measureChannel(const double *values, quint64 count);

// The position of the X value nearest `x` among `count` increasing values
// (sample numbers), clamped to the first and the last; ties go to the
// earlier one. 0 when count is 0 or x is NaN.
quint64 nearestSample(const double *xValues, quint64 count, double x);

// Samples per second from the times samples arrive: the page's time base
// when the user gives no rate. Robust to bursts: only the samples that came
// after the oldest arrival of the last two seconds are counted, over the
// time since it, so a read carrying many samples at once adds them where
// they were seen. Keeps a fixed handful of arrival times, never more.
class SampleRateMeter
{
public:
    static constexpr qint64 kWindowMs = 2000;
    // Arrivals closer together than this share one remembered time.
    static constexpr qint64 kStepMs = 50;
    // The rate is given once the remembered arrivals span this much.
    static constexpr qint64 kMinSpanMs = 500;

    // `count` samples were stored at `nowMs` (a monotonic clock). A clock
    // that goes back starts the measurement over.
    void samplesArrived(quint64 count, qint64 nowMs);
    // None until the arrivals span kMinSpanMs, and after a pause of more
    // than kWindowMs until they do again.
    std::optional<double> rate() const;
    void reset();

private:
    struct Arrival
    {
        qint64 ms = 0;
        quint64 total = 0; // samples arrived up to and including this time
    };
    static constexpr int kCapacity = int(kWindowMs / kStepMs) + 2;
    std::array<Arrival, kCapacity> m_ring{};
    int m_first = 0; // oldest remembered arrival
    int m_count = 0;
    Arrival m_latest;
    bool m_seen = false;
};
