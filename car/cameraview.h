#pragma once

#include "camimage.h"

#include <QByteArray>
#include <QWidget>

#include <memory>

namespace Ui {
class CameraView;
}

// The "摄像头" page: how the car encodes its images, and the newest image
// as received and in black and white with its pixel grid.
class CameraView : public QWidget
{
    Q_OBJECT
public:
    explicit CameraView(QWidget *parent = nullptr);
    ~CameraView() override;

    // Payload bytes of one image with the current settings.
    int payloadLength() const;

    // The car link opened (settings fixed, pictures sized to the page) or
    // closed.
    void setLinkOpen(bool open);

    // One image frame's payload, `length` bytes as fixed at open. It is
    // drawn by showNewest().
    void handleFrame(const char *payload, int length);

    // Draws the newest image handled since the last call, if any. The ones
    // before it would be replaced on screen before anyone could see them.
    void showNewest();

private:
    CarCamera::Settings settings() const;
    void showPicture(const char *payload);

    std::unique_ptr<Ui::CameraView> ui;
    std::unique_ptr<CameraDecoder> m_decoder;
    QByteArray m_newest;
    bool m_newestShown = true;
};
