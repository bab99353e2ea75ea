#include "spectrum.h"

#include "scopemeasure.h"

#include <fftw3.h>

#include <algorithm>
#include <cmath>

// One size's transform: its plan on its own buffers, and the Hann window.
struct Spectrum::Plan
{
    int points;
    double *input;
    fftw_complex *output;
    fftw_plan plan;
    std::vector<double> window;
    double windowSum = 0;

    explicit Plan(int n)
        : points(n)
        , input(fftw_alloc_real(size_t(n)))
        , output(fftw_alloc_complex(size_t(n / 2 + 1)))
        , plan(fftw_plan_dft_r2c_1d(n, input, output, FFTW_ESTIMATE))
        , window(size_t(n))
    {
        // Periodic Hann: the window of spectral analysis.
        const double step = 2 * M_PI / n;
        for (int i = 0; i < n; ++i) {
            window[size_t(i)] = 0.5 - 0.5 * std::cos(step * i);
            windowSum += window[size_t(i)];
        }
    }
    ~Plan()
    {
        fftw_destroy_plan(plan);
        fftw_free(output);
        fftw_free(input);
    }
    Plan(const Plan &) = delete;
    Plan &operator=(const Plan &) = delete;
};

Spectrum::Spectrum() = default;
Spectrum::~Spectrum() = default;

Spectrum::Plan &Spectrum::planFor(int points)
{
    const auto found = std::find_if(m_plans.begin(), m_plans.end(),
                                    [points](const auto &plan) { return plan->points == points; });
    if (found != m_plans.end()) {
        std::rotate(m_plans.begin(), found, found + 1);
        return *m_plans.front();
    }
    if (int(m_plans.size()) == kPlanSizes)
        m_plans.pop_back();
    m_plans.insert(m_plans.begin(), std::make_unique<Plan>(points));
    return *m_plans.front();
}

const std::vector<double> &Spectrum::compute(const double *values, quint64 count)
{
    const int n = int(std::min<quint64>(count, kMaxPoints));
    m_peak.reset();
    if (n < 2) {
        m_points = 0;
        m_db.clear();
        return m_db;
    }
    const double *newest = values + (count - quint64(n));
    Plan &plan = planFor(n);
    const ChannelStats stats = channelStats(newest, quint64(n));
    for (int i = 0; i < n; ++i)
        plan.input[i] = (newest[i] - stats.mean) * plan.window[size_t(i)];
    fftw_execute(plan.plan);

    // A sine of amplitude A centred on bin k gives |X[k]| = A · windowSum / 2;
    // DC and the Nyquist bin have no mirror image, so half of that scale.
    const int bins = n / 2 + 1;
    m_points = n;
    m_db.resize(size_t(bins));
    const double interiorScale = 2 / plan.windowSum;
    double strongest = 0;
    int strongestBin = 0;
    for (int bin = 0; bin < bins; ++bin) {
        const bool mirrored = bin > 0 && !(n % 2 == 0 && bin == n / 2);
        const double scale = mirrored ? interiorScale : interiorScale / 2;
        const double re = plan.output[bin][0];
        const double im = plan.output[bin][1];
        const double magnitude = std::sqrt(re * re + im * im) * scale;
        m_db[size_t(bin)] =
            magnitude > 0 ? std::max(kFloorDb, 20 * std::log10(magnitude)) : kFloorDb;
        if (bin > 0 && magnitude > strongest) {
            strongest = magnitude;
            strongestBin = bin;
        }
    }
    // What is left of a constant signal after its mean is taken off is
    // rounding, not a peak.
    const double largest = std::max(std::abs(stats.min), std::abs(stats.max));
    if (strongest > largest * 1e-12)
        m_peak = strongestBin;
    return m_db;
}

double Spectrum::binFrequency(int bin, int points, double rate)
{
    return points > 0 ? double(bin) * rate / double(points) : 0.0;
}

std::optional<int> Spectrum::peakBin() const
{
    return m_peak;
}
