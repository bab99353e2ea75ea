#pragma once

#include <QPixmap>

class QImage;
class QLabel;

// Shows pictures that arrive at frame rate on a label. Each picture is
// drawn into the same pixmap: a new pixmap per frame costs, at 640 × 480,
// more in page faults than the decoding itself.
class PictureLabel
{
public:
    explicit PictureLabel(QLabel *label);

    void show(const QImage &picture);

private:
    QLabel *m_label;
    QPixmap m_pixmap;
};
