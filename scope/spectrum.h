#pragma once

#include <QtGlobal>

#include <memory>
#include <optional>
#include <vector>

// The magnitude spectrum of a channel, by FFTW.
//
// Plans are made with FFTW_ESTIMATE: the size follows the measurement range
// (cursors included), so a new size can come with any redraw, and measuring
// plans would stall the window for seconds and overwrite the input. A plan,
// its window and its buffers (fftw_malloc'ed) are kept per size for the
// last kPlanSizes sizes, so a steady range never plans or allocates again.
//
// FFTW's planner is not thread-safe: every Spectrum lives on one thread.
class Spectrum
{
public:
    static constexpr int kMaxPoints = 65536;
    static constexpr int kPlanSizes = 4;
    // dB given for a bin without energy instead of minus infinity.
    static constexpr double kFloorDb = -300;

    Spectrum();
    ~Spectrum();
    Spectrum(const Spectrum &) = delete;
    Spectrum &operator=(const Spectrum &) = delete;

    // Magnitude in dB of the newest n = min(count, kMaxPoints) values, bins
    // 0..n/2: the mean is taken off first (so DC shows only what is left of
    // it), then a Hann window applied. Scaled so a sine of amplitude A
    // centred on a bin shows 20·log10(A) there. Under two values the
    // spectrum is empty.
    const std::vector<double> &compute(const double *values, quint64 count);
    // n of the last compute (0 when its spectrum was empty).
    int points() const { return m_points; }
    const std::vector<double> &magnitudesDb() const { return m_db; }

    // The frequency of `bin` in a spectrum of `points` values sampled at
    // `rate` (samples per second); cycles per sample for rate 1.
    static double binFrequency(int bin, int points, double rate);
    // The strongest bin above DC of the last compute; none when the
    // spectrum is empty or flat (a constant signal).
    std::optional<int> peakBin() const;

private:
    struct Plan;
    Plan &planFor(int points);

    std::vector<std::unique_ptr<Plan>> m_plans; // most recently used first
    std::vector<double> m_db;
    int m_points = 0;
    std::optional<int> m_peak;
};
