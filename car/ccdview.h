#pragma once

#include "ccddrawing.h"

#include <QImage>
#include <QSize>
#include <QWidget>

#include <memory>
#include <vector>

class Dialogs;
class ImageWidget;
class QLabel;
class QSlider;
struct SettingsRecord;

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

    // The count and width as the widgets show them now.
    int sensorCountSetting() const;
    int lineWidthSetting() const;
    void applySettings(int sensorCount, int lineWidth);
    // The settings file keeps the sensor count as the combo's index.
    void saveSettings(SettingsRecord &record) const;
    void loadSettings(const SettingsRecord &record);

    // The car link opened (settings fixed, buffers sized) or closed.
    void setLinkOpen(bool open);

    // One CCD frame's payload, `length` bytes as fixed at open.
    void handleFrame(const char *payload, int length);

    int framesReceived() const { return m_framesReceived; }

    // Rows in the track record now (at most the record picture's height).
    int trackRowCount() const { return m_track.rowCount(); }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    // The widgets of one sensor.
    struct SensorWidgets
    {
        ImageWidget *picture;
        QSlider *threshold;
        QLabel *thresholdMaximum, *thresholdText, *thresholdMinimum;
        QLabel *maximum, *minimum, *average, *maxDifference;
    };

    SensorWidgets sensorWidgets(int sensor) const;
    void showSecondSensor(bool shown);
    CcdThresholdBasis thresholdBasis() const;
    void drawSensors();
    void drawSensor(int sensor);
    void showTrackRecord();
    bool redrawAllowed() const { return !m_linkOpen && m_frameReceived; }

    void onThresholdChanged(int sensor, int value);
    void onBasisChanged();
    void onRecordedSensorChanged(int index);

    Dialogs &m_dialogs;
    std::unique_ptr<Ui::CcdView> ui;
    int m_framesReceived = 0;

    // Read at open; a redraw after close still uses them.
    bool m_linkOpen = false;
    int m_sensorCount = 0;
    int m_lineWidth = 0;

    // The last payload, then one difference array per sensor.
    std::vector<uchar> m_buffer;
    bool m_frameReceived = false;

    CcdTrackRecord m_track;
    int m_recordedSensor = 0;
};
