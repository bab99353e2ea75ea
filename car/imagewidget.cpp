#include "imagewidget.h"

#include <QPainter>

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

void ImageWidget::paintEvent(QPaintEvent *)
{
    if (m_image.isNull())
        return;
    QPainter painter(this);
    painter.drawImage(0, 0, m_image);
}
