#pragma once

#include <QObject>
#include <QPoint>

#include <functional>
#include <optional>

class QwtPlot;
class QwtPlotMarker;

// The plot's mouse tools, in X coordinates of the plot: a vertical line
// that follows the mouse (the readout), cursor A placed by a click and
// cursor B by a Shift+click. A drag that starts on a cursor line moves the
// nearer cursor; any other drag is left to the plot's panner, the wheel to
// its magnifier. Esc removes both cursors.
//
// The owner says where a line may stand (snap(): the nearest sample) and
// replots when told something moved.
class ScopeCursors : public QObject
{
    Q_OBJECT
public:
    enum class Which { A, B };

    explicit ScopeCursors(QwtPlot *plot);

    void setSnap(std::function<double(double)> snap) { m_snap = std::move(snap); }
    // Off: no lines, clicks and keys go through untouched.
    void setEnabled(bool enabled);

    std::optional<double> position(Which which) const;
    void place(Which which, double x);
    void clear();

    // The plot X under the mouse, none while it is outside the canvas or
    // the tools are off. Read again after the scales changed.
    std::optional<double> mouseX() const;
    // Where the readout line stands; none hides it.
    void showReadout(std::optional<double> x);

signals:
    void mouseMoved();
    void cursorsChanged();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    bool mousePressed(const QPoint &at);
    bool mouseMovedTo(const QPoint &at, bool buttonDown);
    bool mouseReleased(const QPoint &at, Qt::KeyboardModifiers modifiers);
    QwtPlotMarker *marker(Which which) const { return which == Which::A ? m_a : m_b; }
    double plotX(int pixel) const;

    QwtPlot *m_plot;
    QwtPlotMarker *m_readout;
    QwtPlotMarker *m_a;
    QwtPlotMarker *m_b;
    std::function<double(double)> m_snap = [](double x) { return x; };
    bool m_enabled = true;
    std::optional<double> m_aX;
    std::optional<double> m_bX;
    std::optional<QPoint> m_mouse;
    std::optional<QPoint> m_pressedAt;
    std::optional<Which> m_dragged;
};
