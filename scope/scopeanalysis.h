#pragma once

#include "samplestore.h"
#include "spectrum.h"

#include <QColor>
#include <QRectF>
#include <QString>

#include <array>
#include <optional>

class QwtPlot;
class QwtPlotCurve;
class QwtPlotTextLabel;

// The oscilloscope's other pictures of a range of samples: the magnitude
// spectrum of every shown channel, X in Hz, and one channel against
// another (XY). Each has curves of its own on the plot, hidden while the
// waveform is shown.
class ScopeAnalysis
{
public:
    // XY draws at most this many of the range's newest samples: as many as
    // the spectrum takes, and a picture the window draws at the redraw pace.
    static constexpr quint64 kMaxXyPoints = Spectrum::kMaxPoints;

    ScopeAnalysis(QwtPlot *plot, const SampleStore &store);

    void hide();
    // The spectra of the channels in `shown` over window positions
    // `positions`, at `rate` samples per second; without a rate the plot
    // says it needs one.
    void showSpectrum(SampleRange positions, const std::array<bool, SampleStore::kChannels> &shown,
                      std::optional<double> rate, const std::array<QColor, SampleStore::kChannels> &colours);
    void showXy(SampleRange positions, int xChannel, int yChannel);

    // Of the last spectrum: the strongest frequency of `channel` in cycles
    // per sample, and the magnitude (dB) of the bin nearest `hz`.
    std::optional<double> peakCyclesPerSample(int channel) const;
    std::optional<double> magnitudeAt(int channel, double hz) const;
    std::optional<double> spectrumRate() const { return m_rate; }

    // The bounds of the curves shown, for fitting the axes.
    QRectF bounds() const;

private:
    const SampleStore &m_store;
    Spectrum m_spectrum;
    std::array<QwtPlotCurve *, SampleStore::kChannels> m_spectrumCurves{};
    std::array<std::optional<double>, SampleStore::kChannels> m_peaks{};
    QwtPlotCurve *m_xyCurve;
    QwtPlotTextLabel *m_note;
    std::optional<double> m_rate;
    int m_points = 0;
};
