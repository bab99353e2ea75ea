#include "scopereadouts.h"

#include "scopemeasure.h"
#include "translation.h"

#include <cmath>

namespace {

const QString kGap = QStringLiteral("   ");

QString number(double value)
{
    return QString::number(value, 'g', 6);
}

QString optionalNumber(std::optional<double> value)
{
    return value ? number(*value) : QString();
}

} // namespace

QString ScopeReadouts::sampleText(double sequence) const
{
    QString text = mainTr("样本 %1").arg(qint64(sequence));
    if (rate)
        text += QStringLiteral(" (%1 s)").arg(number(sequence / *rate));
    return text;
}

QString ScopeReadouts::frequencyText(std::optional<double> cyclesPerSample) const
{
    if (!cyclesPerSample || !(*cyclesPerSample > 0))
        return QString();
    if (rate)
        return QStringLiteral("%1 Hz").arg(number(*cyclesPerSample * *rate));
    return mainTr("周期 %1 样本").arg(number(1 / *cyclesPerSample));
}

std::optional<double> ScopeReadouts::valueAt(int channel, std::optional<double> x) const
{
    if (!x || *x < 0)
        return std::nullopt;
    const SampleRange position = store.positionsOf({quint64(*x), 1});
    if (position.count == 0)
        return std::nullopt;
    return store.window(channel)[position.first];
}

QString ScopeReadouts::waveformReadout(double x, double &sampleX) const
{
    const quint64 position = nearestSample(store.xValues(), store.size(), x);
    sampleX = store.xValues()[position];
    QStringList parts{sampleText(sampleX)};
    for (int channel = 0; channel < SampleStore::kChannels; ++channel) {
        if (shown[size_t(channel)])
            parts.append(QStringLiteral("%1: %2").arg(names[size_t(channel)],
                                                      number(store.window(channel)[position])));
    }
    return parts.join(kGap);
}

QString ScopeReadouts::spectrumReadout(
    double hz, const std::function<std::optional<double>(int)> &magnitudeAt) const
{
    QStringList parts{QStringLiteral("%1 Hz").arg(number(hz))};
    for (int channel = 0; channel < SampleStore::kChannels; ++channel) {
        if (const std::optional<double> db = magnitudeAt(channel))
            parts.append(QStringLiteral("%1: %2 dB").arg(names[size_t(channel)], number(*db)));
    }
    return parts.join(kGap);
}

QString ScopeReadouts::cursorText() const
{
    QStringList parts;
    if (cursorA)
        parts.append(QStringLiteral("A: ") + sampleText(*cursorA));
    if (cursorB)
        parts.append(QStringLiteral("B: ") + sampleText(*cursorB));
    if (cursorA && cursorB) {
        const double samples = *cursorB - *cursorA;
        parts.append(mainTr("Δ %1 样本").arg(qint64(samples)));
        if (rate) {
            const double seconds = samples / *rate;
            parts.append(QStringLiteral("Δt %1 s").arg(number(seconds)));
            if (seconds != 0)
                parts.append(QStringLiteral("1/Δt %1 Hz").arg(number(1 / std::abs(seconds))));
        }
    }
    return parts.join(kGap);
}

QVector<QStringList> ScopeReadouts::measurementRows(
    SampleRange positions,
    const std::function<std::optional<double>(int)> &peakCyclesPerSample) const
{
    QVector<QStringList> rows;
    for (int channel = 0; channel < SampleStore::kChannels; ++channel) {
        if (!shown[size_t(channel)])
            continue;
        const std::optional<double> atA = valueAt(channel, cursorA);
        const std::optional<double> atB = valueAt(channel, cursorB);
        QStringList row{names[size_t(channel)], optionalNumber(atA), optionalNumber(atB),
                        atA && atB ? number(*atB - *atA) : QString()};
        if (positions.count > 0) {
            const ChannelMeasurement measured =
                measureChannel(store.window(channel) + positions.first, positions.count);
            const ChannelStats &stats = measured.stats;
            row << number(stats.min) << number(stats.max) << number(stats.mean)
                << number(stats.rms) << number(stats.peakToPeak)
                << frequencyText(peakCyclesPerSample ? peakCyclesPerSample(channel)
                                                     : measured.cyclesPerSample);
        }
        rows.append(row);
    }
    return rows;
}
