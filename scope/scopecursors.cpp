#include "scopecursors.h"

#include <qwt_plot.h>
#include <qwt_plot_canvas.h>
#include <qwt_plot_marker.h>
#include <qwt_scale_map.h>
#include <qwt_text.h>

#include <QKeyEvent>
#include <QMouseEvent>

#include <cmath>

namespace {

// How near a press must come to a cursor line to take hold of it, and how
// far the mouse may wander between press and release for a click.
constexpr int kGrabPixels = 5;
constexpr int kClickPixels = 3;

QwtPlotMarker *verticalLine(QwtPlot *plot, const QPen &pen, const QString &label)
{
    auto *marker = new QwtPlotMarker;
    marker->setLineStyle(QwtPlotMarker::VLine);
    marker->setLinePen(pen);
    if (!label.isEmpty()) {
        QwtText text(label);
        text.setColor(pen.color());
        marker->setLabel(text);
        marker->setLabelAlignment(Qt::AlignTop | Qt::AlignRight);
    }
    marker->setZ(30);
    marker->setVisible(false);
    marker->attach(plot);
    return marker;
}

} // namespace

ScopeCursors::ScopeCursors(QwtPlot *plot)
    : QObject(plot)
    , m_plot(plot)
    , m_readout(verticalLine(plot, QPen(Qt::gray, 0, Qt::DashLine), QString()))
    , m_a(verticalLine(plot, QPen(QColor(0, 0, 160), 0), QStringLiteral("A")))
    , m_b(verticalLine(plot, QPen(QColor(160, 0, 160), 0), QStringLiteral("B")))
{
    QWidget *canvas = plot->canvas();
    canvas->setMouseTracking(true);
    // A click on the plot gives it the keyboard, for Esc.
    canvas->setFocusPolicy(Qt::ClickFocus);
    canvas->installEventFilter(this);
}

void ScopeCursors::setEnabled(bool enabled)
{
    m_enabled = enabled;
    m_dragged.reset();
    m_pressedAt.reset();
    m_a->setVisible(enabled && position(Which::A).has_value());
    m_b->setVisible(enabled && position(Which::B).has_value());
    if (!enabled)
        m_readout->setVisible(false);
}

std::optional<double> ScopeCursors::position(Which which) const
{
    return which == Which::A ? m_aX : m_bX;
}

void ScopeCursors::place(Which which, double x)
{
    const double snapped = m_snap(x);
    (which == Which::A ? m_aX : m_bX) = snapped;
    QwtPlotMarker *line = marker(which);
    line->setXValue(snapped);
    line->setVisible(m_enabled);
    emit cursorsChanged();
}

void ScopeCursors::clear()
{
    m_aX.reset();
    m_bX.reset();
    m_a->setVisible(false);
    m_b->setVisible(false);
    m_dragged.reset();
    emit cursorsChanged();
}

std::optional<double> ScopeCursors::mouseX() const
{
    if (!m_enabled || !m_mouse)
        return std::nullopt;
    return plotX(m_mouse->x());
}

void ScopeCursors::showReadout(std::optional<double> x)
{
    m_readout->setVisible(m_enabled && x.has_value());
    if (x)
        m_readout->setXValue(*x);
}

double ScopeCursors::plotX(int pixel) const
{
    return m_plot->canvasMap(QwtPlot::xBottom).invTransform(pixel);
}

bool ScopeCursors::eventFilter(QObject *watched, QEvent *event)
{
    if (!m_enabled)
        return QObject::eventFilter(watched, event);
    switch (event->type()) {
    case QEvent::MouseButtonPress: {
        const auto *mouse = static_cast<QMouseEvent *>(event);
        if (mouse->button() == Qt::LeftButton)
            return mousePressed(mouse->pos());
        break;
    }
    case QEvent::MouseMove: {
        const auto *mouse = static_cast<QMouseEvent *>(event);
        return mouseMovedTo(mouse->pos(), mouse->buttons().testFlag(Qt::LeftButton));
    }
    case QEvent::MouseButtonRelease: {
        const auto *mouse = static_cast<QMouseEvent *>(event);
        if (mouse->button() == Qt::LeftButton)
            return mouseReleased(mouse->pos(), mouse->modifiers());
        break;
    }
    case QEvent::Leave:
        m_mouse.reset();
        emit mouseMoved();
        break;
    case QEvent::KeyPress:
        if (static_cast<QKeyEvent *>(event)->key() == Qt::Key_Escape
            && (position(Which::A) || position(Which::B))) {
            clear();
            return true;
        }
        break;
    default:
        break;
    }
    return QObject::eventFilter(watched, event);
}

// A press on a cursor line takes it (the panner never sees that drag);
// elsewhere the press may become a click or the panner's drag.
bool ScopeCursors::mousePressed(const QPoint &at)
{
    m_pressedAt = at;
    std::optional<Which> nearest;
    double nearestDistance = kGrabPixels + 1;
    const QwtScaleMap map = m_plot->canvasMap(QwtPlot::xBottom);
    for (const Which which : {Which::A, Which::B}) {
        const std::optional<double> x = position(which);
        const double distance = x ? std::abs(map.transform(*x) - at.x()) : nearestDistance;
        if (distance < nearestDistance) {
            nearest = which;
            nearestDistance = distance;
        }
    }
    m_dragged = nearest;
    return m_dragged.has_value();
}

bool ScopeCursors::mouseMovedTo(const QPoint &at, bool buttonDown)
{
    m_mouse = at;
    if (m_dragged && buttonDown) {
        place(*m_dragged, plotX(at.x()));
        return true;
    }
    emit mouseMoved();
    return false;
}

bool ScopeCursors::mouseReleased(const QPoint &at, Qt::KeyboardModifiers modifiers)
{
    const std::optional<QPoint> pressedAt = m_pressedAt;
    const bool dragged = m_dragged.has_value();
    m_pressedAt.reset();
    m_dragged.reset();
    // A click on a cursor line places a cursor as anywhere else.
    if (pressedAt && (at - *pressedAt).manhattanLength() <= kClickPixels)
        place(modifiers.testFlag(Qt::ShiftModifier) ? Which::B : Which::A, plotX(at.x()));
    return dragged;
}
