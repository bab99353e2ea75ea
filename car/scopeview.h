#pragma once

#include <QWidget>

#include <memory>

class Dialogs;

namespace Ui {
class ScopeView;
}

// The "虚拟示波器" page: up to eight channels of samples the car sends.
class ScopeView : public QWidget
{
    Q_OBJECT
public:
    explicit ScopeView(Dialogs &dialogs, QWidget *parent = nullptr);
    ~ScopeView() override;

    // Payload bytes of one sample frame with the current settings:
    // channel count × size of the sample type.
    int payloadLength() const;

    // The car link opened (settings fixed) or closed.
    void setLinkOpen(bool open);

    // One sample frame's payload, `length` bytes as fixed at open.
    void handleFrame(const char *payload, int length);

    int framesReceived() const { return m_framesReceived; }

private:
    Dialogs &m_dialogs;
    std::unique_ptr<Ui::ScopeView> ui;
    int m_framesReceived = 0;
};
