#pragma once

#include <QImage>
#include <QWidget>

// Shows an image unscaled, at its top-left corner or where the alignment
// puts it. A new image only asks for a repaint, never for a new layout, so
// pictures that change with every frame cost one paint per screen refresh
// however fast the frames come.
class ImageWidget : public QWidget
{
    Q_OBJECT
    Q_PROPERTY(Qt::Alignment alignment READ alignment WRITE setAlignment)
public:
    explicit ImageWidget(QWidget *parent = nullptr);

    void setImage(QImage image);
    void clear() { setImage(QImage()); }
    const QImage &image() const { return m_image; }

    // Hands the image over and leaves the widget empty until the next
    // setImage(), so a caller can draw into the same buffer again without
    // copying it.
    QImage takeImage();

    Qt::Alignment alignment() const { return m_alignment; }
    void setAlignment(Qt::Alignment alignment);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QImage m_image;
    Qt::Alignment m_alignment = Qt::AlignLeft | Qt::AlignTop;
};
