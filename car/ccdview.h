#pragma once

#include <QWidget>

#include <memory>

class Dialogs;

namespace Ui {
class CcdView;
}

// The "线性CCD" page: one or two linear CCD sensors as the car sends them.
class CcdView : public QWidget
{
    Q_OBJECT
public:
    explicit CcdView(Dialogs &dialogs, QWidget *parent = nullptr);
    ~CcdView() override;

    // Payload bytes of one CCD frame with the current settings:
    // CCD count × line width.
    int payloadLength() const;

    // The car link opened (settings fixed, buffers sized) or closed.
    void setLinkOpen(bool open);

    // One CCD frame's payload, `length` bytes as fixed at open.
    void handleFrame(const char *payload, int length);

    int framesReceived() const { return m_framesReceived; }

private:
    Dialogs &m_dialogs;
    std::unique_ptr<Ui::CcdView> ui;
    int m_framesReceived = 0;
};
