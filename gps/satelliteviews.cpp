#include "satelliteviews.h"

#include "translation.h"

#include <QPainter>
#include <QSet>

namespace {

constexpr int kMargin = 16;    // room for the compass letters
constexpr int kLegendSwatch = 10;
constexpr int kGroupGap = 8;
constexpr double kMaxBarWidth = 18.0;
constexpr double kMinLabelledWidth = 10.0;

const QColor kGridColour(170, 170, 170);

QFont smallFont(const QWidget *widget, int pointSizeDelta = -1)
{
    QFont font = widget->font();
    font.setPointSizeF(qMax(6.0, font.pointSizeF() + pointSizeDelta));
    return font;
}

QVector<SatelliteSystem> systemsOf(const QVector<Satellite> &satellites)
{
    QVector<SatelliteSystem> systems;
    for (const Satellite &satellite : satellites) {
        if (!systems.contains(satellite.system))
            systems.append(satellite.system);
    }
    return systems;
}

} // namespace

QColor systemColour(SatelliteSystem system)
{
    switch (system) {
    case SatelliteSystem::Gps:
        return QColor(34, 139, 34);
    case SatelliteSystem::Glonass:
        return QColor(200, 40, 40);
    case SatelliteSystem::Galileo:
        return QColor(30, 90, 200);
    case SatelliteSystem::BeiDou:
        return QColor(230, 120, 0);
    case SatelliteSystem::Qzss:
        return QColor(140, 60, 170);
    case SatelliteSystem::Sbas:
        return QColor(0, 150, 160);
    case SatelliteSystem::Other:
        break;
    }
    return QColor(110, 110, 110);
}

QString systemName(SatelliteSystem system)
{
    switch (system) {
    case SatelliteSystem::Gps:
        return QStringLiteral("GPS");
    case SatelliteSystem::Glonass:
        return QStringLiteral("GLONASS");
    case SatelliteSystem::Galileo:
        return QStringLiteral("Galileo");
    case SatelliteSystem::BeiDou:
        return mainTr("北斗");
    case SatelliteSystem::Qzss:
        return QStringLiteral("QZSS");
    case SatelliteSystem::Sbas:
        return QStringLiteral("SBAS");
    case SatelliteSystem::Other:
        break;
    }
    return mainTr("其他");
}

// ---- the sky -------------------------------------------------------------------

SkyView::SkyView(QWidget *parent)
    : QWidget(parent)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void SkyView::setSatellites(const QVector<Satellite> &satellites)
{
    m_satellites = satellites;
    update();
}

int SkyView::legendWidth() const
{
    const QFontMetrics metrics(smallFont(this));
    int widest = 0;
    for (int s = 0; s < kSatelliteSystemCount; ++s)
        widest = qMax(widest, metrics.horizontalAdvance(systemName(SatelliteSystem(s))));
    return widest + kLegendSwatch + 12;
}

double SkyView::plotRadius() const
{
    const int width = qMax(0, this->width() - legendWidth());
    return qMax(10.0, (qMin(width, height()) - 2.0 * kMargin) / 2.0);
}

QPointF SkyView::plotCentre() const
{
    const double width = qMax(0, this->width() - legendWidth());
    return {width / 2.0, height() / 2.0};
}

QVector<SkyView::Placed> SkyView::placed() const
{
    const QPointF centre = plotCentre();
    const double radius = plotRadius();
    QVector<Placed> placed;
    QVector<QPointF> centres;
    for (const Satellite &satellite : m_satellites) {
        if (!satellite.placed())
            continue;
        const QPointF at = centre + skyPosition(satellite.elevation, satellite.azimuth, radius);
        placed.append({satellite.system, satellite.number, satellite.used, at, at});
        centres.append(at);
    }
    // Apart by a disc and a little, so the outlines do not touch.
    const QVector<QPointF> shown = nudgedApart(centres, 2 * kDotRadius + 1);
    for (int i = 0; i < placed.size(); ++i)
        placed[i].shown = shown[i];
    return placed;
}

void SkyView::paintGrid(QPainter &painter) const
{
    const QPointF centre = plotCentre();
    const double radius = plotRadius();
    painter.setPen(QPen(kGridColour, 1));
    painter.setBrush(Qt::NoBrush);
    for (const int elevation : {0, 30, 60})
        painter.drawEllipse(centre, radius * (90 - elevation) / 90, radius * (90 - elevation) / 90);
    painter.drawLine(centre - QPointF(radius, 0), centre + QPointF(radius, 0));
    painter.drawLine(centre - QPointF(0, radius), centre + QPointF(0, radius));

    painter.setFont(smallFont(this));
    painter.setPen(palette().color(QPalette::WindowText));
    const struct
    {
        const char *letter;
        double azimuth;
    } compass[] = {{"N", 0}, {"E", 90}, {"S", 180}, {"W", 270}};
    for (const auto &point : compass) {
        // Just outside the horizon: an elevation below it, at the margin's middle.
        const double belowHorizon = -90.0 * (kMargin / 2) / radius;
        const QPointF at = centre + skyPosition(belowHorizon, point.azimuth, radius);
        painter.drawText(QRectF(at - QPointF(8, 8), QSizeF(16, 16)), Qt::AlignCenter,
                         QString::fromLatin1(point.letter));
    }
}

void SkyView::paintLegend(QPainter &painter) const
{
    painter.setFont(smallFont(this));
    const QFontMetrics metrics(painter.font());
    const int left = width() - legendWidth() + 4;
    int top = 6;
    for (const SatelliteSystem system : systemsOf(m_satellites)) {
        painter.setPen(Qt::NoPen);
        painter.setBrush(systemColour(system));
        painter.drawEllipse(QRectF(left, top + (metrics.height() - kLegendSwatch) / 2.0,
                                   kLegendSwatch, kLegendSwatch));
        painter.setPen(palette().color(QPalette::WindowText));
        painter.drawText(QPointF(left + kLegendSwatch + 4, top + metrics.ascent()),
                         systemName(system));
        top += metrics.height() + 2;
    }
}

void SkyView::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.fillRect(rect(), palette().color(QPalette::Base));
    painter.setRenderHint(QPainter::Antialiasing);
    paintGrid(painter);
    painter.setFont(smallFont(this, -2));
    for (const Placed &satellite : placed()) {
        const QColor colour = systemColour(satellite.system);
        painter.setPen(QPen(colour, 1.5));
        painter.setBrush(satellite.used ? QBrush(colour) : QBrush(palette().color(QPalette::Base)));
        painter.drawEllipse(satellite.shown, kDotRadius, kDotRadius);
        painter.setPen(satellite.used ? Qt::white : colour);
        painter.drawText(QRectF(satellite.shown - QPointF(kDotRadius * 2, kDotRadius),
                                QSizeF(kDotRadius * 4, kDotRadius * 2)),
                         Qt::AlignCenter, QString::number(satellite.number));
    }
    paintLegend(painter);
}

// ---- the bars ------------------------------------------------------------------

SnrView::SnrView(QWidget *parent)
    : QWidget(parent)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void SnrView::setSatellites(const QVector<Satellite> &satellites)
{
    m_satellites = satellites;
    update();
}

QRectF SnrView::plotArea() const
{
    const QFontMetrics metrics(smallFont(this, -2));
    const double left = metrics.horizontalAdvance(QStringLiteral("60")) + 8;
    const double bottom = height() - metrics.height() - 4;
    const double top = metrics.height() + 2;
    return QRectF(QPointF(left, top), QPointF(width() - 4, qMax(top + 1, bottom)));
}

// Left to right in the satellites' order (by system, then number), with a
// gap between systems.
QVector<SnrView::Bar> SnrView::bars() const
{
    QVector<Bar> bars;
    if (m_satellites.isEmpty())
        return bars;
    const QRectF area = plotArea();
    const int groups = systemsOf(m_satellites).size();
    const double room = area.width() - kGroupGap * (groups - 1);
    const double slot = qMin(kMaxBarWidth + 2, room / m_satellites.size());
    double x = area.left();
    for (int i = 0; i < m_satellites.size(); ++i) {
        const Satellite &satellite = m_satellites.at(i);
        if (i > 0 && m_satellites.at(i - 1).system != satellite.system)
            x += kGroupGap;
        QRectF rect;
        if (satellite.snr >= 0) {
            const double height = area.height() * qMin(satellite.snr, kTopSnr) / kTopSnr;
            rect = QRectF(x + 1, area.bottom() - height, qMax(1.0, slot - 2), height);
        }
        bars.append({satellite.system, satellite.number, satellite.snr, satellite.used, rect, x,
                     slot});
        x += slot;
    }
    return bars;
}

void SnrView::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.fillRect(rect(), palette().color(QPalette::Base));
    const QRectF area = plotArea();
    const QFont font = smallFont(this, -2);
    painter.setFont(font);
    const QFontMetrics metrics(font);

    for (int snr = 0; snr <= kTopSnr; snr += 20) {
        const double y = area.bottom() - area.height() * snr / kTopSnr;
        painter.setPen(QPen(kGridColour, 1, snr ? Qt::DotLine : Qt::SolidLine));
        painter.drawLine(QPointF(area.left(), y), QPointF(area.right(), y));
        painter.setPen(palette().color(QPalette::WindowText));
        painter.drawText(QRectF(0, y - metrics.height() / 2.0, area.left() - 4, metrics.height()),
                         Qt::AlignRight | Qt::AlignVCenter, QString::number(snr));
    }
    painter.drawText(QRectF(0, 0, width() - 4, metrics.height()), Qt::AlignRight | Qt::AlignTop,
                     QStringLiteral("dB-Hz"));

    const double labelTop = area.bottom() + 2;
    for (const Bar &bar : bars()) {
        const QColor colour = systemColour(bar.system);
        if (!bar.rect.isEmpty()) {
            painter.setPen(QPen(colour, 1));
            painter.setBrush(bar.used ? QBrush(colour) : QBrush(Qt::NoBrush));
            painter.drawRect(bar.rect);
        }
        // The number under the column, also for a satellite without signal,
        // while the columns are wide enough to tell the numbers apart.
        if (bar.width < kMinLabelledWidth)
            continue;
        painter.setPen(colour);
        painter.drawText(QRectF(bar.left - 6, labelTop, bar.width + 12, metrics.height()),
                         Qt::AlignHCenter | Qt::AlignTop, QString::number(bar.number));
    }
}
