#pragma once

#include "satellites.h"

#include <QColor>
#include <QRectF>
#include <QVector>
#include <QWidget>

// What the two satellite views share: a colour and a name per system.
QColor systemColour(SatelliteSystem system);
QString systemName(SatelliteSystem system);

// The sky as the receiver sees it: a polar plot with north up, rings at
// 0°, 30° and 60° of elevation and the zenith in the centre. Each satellite
// with a position is a disc of its system's colour, filled when used in the
// fix, with its number; a legend of the systems in view stands beside.
// Discs that would cover each other are nudged apart so every number stays
// readable.
class SkyView : public QWidget
{
    Q_OBJECT
public:
    struct Placed
    {
        SatelliteSystem system;
        int number;
        bool used;
        QPointF centre; // in widget coordinates, where its angles put it
        QPointF shown;  // where its disc is drawn: the centre, nudged off its neighbours
    };

    static constexpr double kDotRadius = 9.0;

    explicit SkyView(QWidget *parent = nullptr);

    void setSatellites(const QVector<Satellite> &satellites);
    // Where the plot is at the widget's present size.
    QPointF plotCentre() const;
    double plotRadius() const;
    // The satellites as drawn, in the order given.
    QVector<Placed> placed() const;

    QSize sizeHint() const override { return {300, 220}; }
    QSize minimumSizeHint() const override { return {190, 170}; }

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    int legendWidth() const;
    void paintGrid(QPainter &painter) const;
    void paintLegend(QPainter &painter) const;

    QVector<Satellite> m_satellites;
};

// One bar per satellite in view, its SNR in dB-Hz, grouped by system; the
// bars of satellites used in the fix are filled, the others outlined.
class SnrView : public QWidget
{
    Q_OBJECT
public:
    // The scale's top; a stronger signal tops the bar off.
    static constexpr int kTopSnr = 60;

    struct Bar
    {
        SatelliteSystem system;
        int number;
        int snr; // -1 when not tracked: no bar, only its number
        bool used;
        QRectF rect;   // in widget coordinates; empty without SNR
        double left;   // of the bar's column
        double width;  // of the bar's column
    };

    explicit SnrView(QWidget *parent = nullptr);

    void setSatellites(const QVector<Satellite> &satellites);
    // The bars as drawn, left to right.
    QVector<Bar> bars() const;
    // Where the bars stand: SNR 0 at its bottom, kTopSnr at its top.
    QRectF plotArea() const;

    QSize sizeHint() const override { return {400, 120}; }
    QSize minimumSizeHint() const override { return {200, 90}; }

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QVector<Satellite> m_satellites;
};
