#pragma once

#include "camimage.h"

#include <QByteArray>
#include <QWidget>

#include <memory>

class Dialogs;
class QCheckBox;
struct SettingsRecord;

namespace Ui {
class CameraView;
}

// The "摄像头" page: how the car encodes its images, and the newest image
// as received and in black and white with its pixel grid.
class CameraView : public QWidget
{
    Q_OBJECT
public:
    explicit CameraView(Dialogs &dialogs, QWidget *parent = nullptr);
    ~CameraView() override;

    // As the settings widgets show them now.
    CarCamera::Settings settings() const;
    void applySettings(const CarCamera::Settings &settings);
    // The image mode, width and height in the settings file.
    void saveSettings(SettingsRecord &record) const;
    void loadSettings(const SettingsRecord &record);

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

    // The pictures as shown, as PNG files: `path` the received one, and
    // beside it "-bin" the black and white one where there is one.
    bool saveSnapshot(const QString &path) const;
    // While on, every handled image is shown and saved as a numbered pair
    // of PNG files named after `path` ("x.png": x-000001.png, ...). The
    // numbers go on after the highest of that name already in the folder.
    void saveEveryFrame(const QString &path);
    void stopSavingFrames();
    int framesSaved() const { return m_framesSaved; }

private:
    void showPicture(const char *payload);
    void askSnapshot();
    void onSaveEveryFrameToggled(bool on);
    void saveNumberedFrame();

    Dialogs &m_dialogs;
    std::unique_ptr<Ui::CameraView> ui;
    QCheckBox *m_saveEveryFrame = nullptr;
    QString m_framePath;
    int m_framesSaved = 0;
    qint64 m_firstFrameNumber = 1;
    std::unique_ptr<CameraDecoder> m_decoder;
    QByteArray m_newest;
    bool m_newestShown = true;
};
