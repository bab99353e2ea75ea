#pragma once

#include "samplestore.h"

#include <QString>
#include <QStringList>
#include <QVector>

#include <array>
#include <functional>
#include <optional>

// The oscilloscope page's numbers as text: the readout under the mouse,
// the line about cursors A and B and the measurement table's rows, from the
// store and what the page shows now. Cursor positions are sequence numbers
// (the X values of their samples).
struct ScopeReadouts
{
    const SampleStore &store;
    // Samples per second, when known: times and hertz beside sample numbers.
    std::optional<double> rate;
    std::array<QString, SampleStore::kChannels> names;
    std::array<bool, SampleStore::kChannels> shown{};
    std::optional<double> cursorA;
    std::optional<double> cursorB;

    // "样本 1200" and, with a rate, the time since the first sample.
    QString sampleText(double sequence) const;
    // Hertz with a rate, else the period in samples; empty without one.
    QString frequencyText(std::optional<double> cyclesPerSample) const;
    // The value of `channel` at the sample of sequence number `x`, if stored.
    std::optional<double> valueAt(int channel, std::optional<double> x) const;

    // The sample nearest plot X `x` (its X in `sampleX`) and every shown
    // channel's value there. The store must not be empty.
    QString waveformReadout(double x, double &sampleX) const;
    // The spectrum's bin nearest `hz`: each channel's dB as `magnitudeAt`
    // gives it.
    QString spectrumReadout(double hz,
                            const std::function<std::optional<double>(int)> &magnitudeAt) const;
    // Both cursors and, with both placed, Δ samples, Δt and 1/Δt; empty
    // without a cursor.
    QString cursorText() const;
    // One row per shown channel over window positions `positions`; the
    // frequency from `peakCyclesPerSample` when given (the spectrum's),
    // else from the crossings of the mean.
    QVector<QStringList> measurementRows(
        SampleRange positions,
        const std::function<std::optional<double>(int)> &peakCyclesPerSample) const;
};
