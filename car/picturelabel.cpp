#include "picturelabel.h"

#include <QImage>
#include <QLabel>
#include <QPainter>

PictureLabel::PictureLabel(QLabel *label)
    : m_label(label)
{
}

void PictureLabel::show(const QImage &picture)
{
    // The label lets go of its share first, so drawing does not copy.
    m_label->clear();
    if (m_pixmap.size() != picture.size())
        m_pixmap = QPixmap(picture.size());
    {
        QPainter painter(&m_pixmap);
        painter.setCompositionMode(QPainter::CompositionMode_Source);
        painter.drawImage(0, 0, picture);
    }
    m_label->setPixmap(m_pixmap);
}
