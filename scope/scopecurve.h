#pragma once

#include <qwt_plot_curve.h>

// An oscilloscope curve. Where more than one sample falls on a pixel
// column, the line through them fills the column between its lowest and
// highest point; the curve then draws each column as one vertical line,
// without anti-aliasing, which is the same picture at a fraction of the
// cost. Where samples are sparser the lines are drawn as usual, smoothed.
//
// X values are sample numbers, one apart, so the X scale tells how many
// samples share a column.
class ScopeCurve : public QwtPlotCurve
{
public:
    using QwtPlotCurve::QwtPlotCurve;

protected:
    void drawLines(QPainter *painter, const QwtScaleMap &xMap, const QwtScaleMap &yMap,
                   const QRectF &canvasRect, int from, int to) const override;

private:
    void drawColumns(QPainter *painter, const QwtScaleMap &xMap, const QwtScaleMap &yMap,
                     const QRectF &canvasRect, int from, int to) const;
};
