#include "scopeanalysis.h"

#include "translation.h"

#include <qwt_plot.h>
#include <qwt_plot_curve.h>
#include <qwt_plot_textlabel.h>
#include <qwt_text.h>

#include <QVector>

#include <algorithm>
#include <cmath>

ScopeAnalysis::ScopeAnalysis(QwtPlot *plot, const SampleStore &store)
    : m_store(store)
    , m_xyCurve(new QwtPlotCurve(QStringLiteral("XY")))
    , m_note(new QwtPlotTextLabel)
{
    for (int channel = 0; channel < SampleStore::kChannels; ++channel) {
        auto *curve = new QwtPlotCurve(QStringLiteral("spectrum %1").arg(channel + 1));
        curve->setVisible(false);
        curve->attach(plot);
        m_spectrumCurves[size_t(channel)] = curve;
    }
    m_xyCurve->setPen(QPen(QColor(0, 85, 255), 0));
    m_xyCurve->setVisible(false);
    m_xyCurve->attach(plot);
    m_note->setVisible(false);
    m_note->attach(plot);
}

void ScopeAnalysis::hide()
{
    for (QwtPlotCurve *curve : m_spectrumCurves)
        curve->setVisible(false);
    m_xyCurve->setVisible(false);
    m_note->setVisible(false);
}

void ScopeAnalysis::showSpectrum(SampleRange positions,
                                 const std::array<bool, SampleStore::kChannels> &shown,
                                 std::optional<double> rate,
                                 const std::array<QColor, SampleStore::kChannels> &colours)
{
    hide();
    m_rate = rate;
    m_peaks.fill(std::nullopt);
    if (!rate || !(*rate > 0)) {
        // Bins are fractions of the sample rate: without one there is no
        // frequency to put on the axis.
        m_rate.reset();
        m_note->setText(QwtText(mainTr("频谱需要采样率：请填写“采样率”，或让数据流动以便实测。")));
        m_note->setVisible(true);
        return;
    }
    for (int channel = 0; channel < SampleStore::kChannels; ++channel) {
        if (!shown[size_t(channel)])
            continue;
        const std::vector<double> &db =
            m_spectrum.compute(m_store.window(channel) + positions.first, positions.count);
        m_points = m_spectrum.points();
        QVector<QPointF> points;
        points.reserve(int(db.size()));
        for (size_t bin = 0; bin < db.size(); ++bin)
            points.append(
                QPointF(Spectrum::binFrequency(int(bin), m_points, *rate), db[bin]));
        QwtPlotCurve *curve = m_spectrumCurves[size_t(channel)];
        curve->setPen(QPen(colours[size_t(channel)], 0));
        curve->setSamples(points);
        curve->setVisible(true);
        if (const std::optional<int> peak = m_spectrum.peakBin())
            m_peaks[size_t(channel)] = Spectrum::binFrequency(*peak, m_points, 1);
    }
}

void ScopeAnalysis::showXy(SampleRange positions, int xChannel, int yChannel)
{
    hide();
    const quint64 count = std::min(positions.count, kMaxXyPoints);
    const quint64 first = positions.first + positions.count - count;
    const double *x = m_store.window(xChannel) + first;
    const double *y = m_store.window(yChannel) + first;
    QVector<QPointF> points;
    points.reserve(int(count));
    for (quint64 i = 0; i < count; ++i)
        points.append(QPointF(x[i], y[i]));
    m_xyCurve->setSamples(points);
    m_xyCurve->setVisible(true);
}

std::optional<double> ScopeAnalysis::peakCyclesPerSample(int channel) const
{
    return m_peaks[size_t(channel)];
}

std::optional<double> ScopeAnalysis::magnitudeAt(int channel, double hz) const
{
    const QwtPlotCurve *curve = m_spectrumCurves[size_t(channel)];
    if (!m_rate || !curve->isVisible() || curve->dataSize() == 0)
        return std::nullopt;
    const double bin = std::round(hz / *m_rate * m_points);
    const size_t index = size_t(std::clamp(bin, 0.0, double(curve->dataSize() - 1)));
    return curve->sample(index).y();
}

QRectF ScopeAnalysis::bounds() const
{
    QRectF united;
    for (const QwtPlotCurve *curve : m_spectrumCurves) {
        if (curve->isVisible() && curve->dataSize() > 0)
            united = united.isNull() ? curve->boundingRect() : united.united(curve->boundingRect());
    }
    if (m_xyCurve->isVisible() && m_xyCurve->dataSize() > 0)
        united = m_xyCurve->boundingRect();
    return united;
}
