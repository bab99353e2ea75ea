#include "imagewidget.h"

#include <QPainter>
#include <QStyle>

#include <utility>

ImageWidget::ImageWidget(QWidget *parent)
    : QWidget(parent)
{
}

void ImageWidget::setImage(QImage image)
{
    m_image = std::move(image);
    update();
}

QImage ImageWidget::takeImage()
{
    return std::exchange(m_image, QImage());
}

void ImageWidget::setAlignment(Qt::Alignment alignment)
{
    m_alignment = alignment;
    update();
}

void ImageWidget::paintEvent(QPaintEvent *)
{
    if (m_image.isNull())
        return;
    QPainter painter(this);
    // Placed as a label places its picture, so a centred image sits on the
    // same pixels.
    const QRect placed =
        QStyle::alignedRect(layoutDirection(), m_alignment, m_image.size(), rect());
    painter.drawImage(placed.topLeft(), m_image);
}
