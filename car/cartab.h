#pragma once

#include "camimage.h"
#include "carframe.h"
#include "portenumerator.h"

#include <QWidget>

#include <memory>

class CcdView;
class Dialogs;
class PictureLabel;
class ScopeView;
class SerialLink;
class SerialPortPanel;

namespace Ui {
class CarTab;
}

// The smart-car assistant: camera, linear CCD and oscilloscope views of the
// framed stream a car sends over its serial link. The link is receive-only.
class CarTab : public QWidget
{
    Q_OBJECT
public:
    CarTab(Dialogs &dialogs, const PortListSource &portSource, QWidget *parent = nullptr);
    ~CarTab() override;

    SerialPortPanel *panel() const { return m_panel; }
    const CarFrameParser &parser() const { return m_parser; }
    CcdView *ccdView() const { return m_ccdView; }
    ScopeView *scopeView() const { return m_scopeView; }

public slots:
    // Reads everything the car sent and handles every complete frame.
    void car_read(const QByteArray &bytes);

private slots:
    void on_car_imgBox_currentIndexChanged(int index);

private:
    void onLinkOpened();
    void onLinkClosed();
    CarCamera::Settings cameraSettings() const;
    void showCameraPicture();

    std::unique_ptr<Ui::CarTab> ui;
    SerialLink *m_serial = nullptr;
    SerialPortPanel *m_panel = nullptr;
    CcdView *m_ccdView = nullptr;
    ScopeView *m_scopeView = nullptr;
    CarFrameParser m_parser;
    std::unique_ptr<CameraDecoder> m_camera;
    std::unique_ptr<PictureLabel> m_originalLabel;
    std::unique_ptr<PictureLabel> m_binaryLabel;
    // Only the newest image of a read is drawn: the ones before it would
    // be replaced on screen before anyone could see them.
    QByteArray m_latestImage;
    bool m_imagePending = false;
};
