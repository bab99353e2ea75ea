#pragma once

#include <qwt_series_data.h>

#include <QVector>

#include <optional>

class SampleStore;

// One oscilloscope channel as a curve sees it, reduced to what a canvas of
// `columns` pixels can show: for every pixel column of the visible X range
// the first, smallest, largest and last sample. Every peak survives and the
// lines between columns join the same points as the full history would, so
// the picture is that of drawing every sample, at a cost set by the canvas
// width rather than by the history. Reads the store in place.
//
// The plot tells the visible range through setRectOfInterest() before it
// draws; the owner calls invalidate() when the store changed.
class DecimatedSeries : public QwtSeriesData<QPointF>
{
public:
    DecimatedSeries(const SampleStore &store, int channel);

    void setColumns(int columns);
    // A hidden channel yields no points.
    void setShown(bool shown);
    void invalidate() { m_stale = true; }
    // Samples from sequence number `end` on are left out (a held picture);
    // none: every stored sample counts.
    void setEndSequence(std::optional<quint64> end);

    size_t size() const override;
    QPointF sample(size_t index) const override;
    QRectF boundingRect() const override;
    void setRectOfInterest(const QRectF &rect) override;

private:
    void rebuild() const;
    void addPoint(quint64 position) const;
    void prefetchAround(quint64 position) const;

    const SampleStore &m_store;
    int m_channel;
    int m_columns = 1000;
    bool m_shown = true;
    std::optional<quint64> m_endSequence;
    double m_xMin = 0;
    double m_xMax = 0;
    mutable bool m_stale = true;
    mutable QVector<QPointF> m_points;
};
