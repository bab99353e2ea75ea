#pragma once

#include "captureplayer.h"
#include "capturewriter.h"

#include <QGroupBox>
#include <QTimer>

#include <functional>

class Dialogs;
class QComboBox;
class QLabel;
class QPushButton;
class QSlider;

// The record and replay controls of a tab that reads a link: a record
// button with the file, its elapsed time and size; replay of a capture
// with play and pause, one frame forward, the speed and a position slider.
//
// The tab feeds live bytes to record() and takes the replayed ones from
// player().bytes(), into the same path as live bytes. Object names start
// with the tab's prefix ("car_", "gps_").
class CaptureControls : public QGroupBox
{
    Q_OBJECT
public:
    struct Tab
    {
        QString name;                             // the header's "tab"
        std::function<Capture::Header()> header;  // link and settings, for a new recording
        // Makes ready to take replayed bytes as if a link had opened; false
        // (having said why) when the tab cannot replay now.
        std::function<bool(const Capture::Header &)> startReplay;
        std::function<void()> endReplay;
        // A fresh test, per step, of whether the byte just fed ended a frame.
        std::function<std::function<bool(char)>()> frameEnd;
    };

    CaptureControls(Dialogs &dialogs, const QString &prefix, Tab tab, QWidget *parent = nullptr);
    ~CaptureControls() override;

    // Live bytes, as read from the link; kept only while recording.
    void record(const QByteArray &bytes) { m_writer.append(bytes); }
    bool recording() const { return m_writer.isOpen(); }
    bool replaying() const { return m_player.isOpen(); }
    CapturePlayer &player() { return m_player; }
    const CaptureWriter &writer() const { return m_writer; }

    // Replay only while no live source is open.
    void setReplayAllowed(bool allowed);

    void startRecording();
    void stopRecording();
    void openReplay();
    void stopReplay();

private:
    void build(const QString &prefix);
    void showRecordingState();
    void checkRecording();
    void onPositionChanged(qint64 positionUs);
    void onPlayingChanged(bool playing);
    void updateReplayWidgets();
    void seekToSlider();

    Dialogs &m_dialogs;
    Tab m_tab;
    CaptureWriter m_writer;
    CapturePlayer m_player;
    QTimer m_recordTimer;
    bool m_replayAllowed = true;

    QPushButton *m_recordButton = nullptr;
    QLabel *m_recordFile = nullptr;
    QLabel *m_recordStatus = nullptr;
    QPushButton *m_openButton = nullptr;
    QPushButton *m_playButton = nullptr;
    QPushButton *m_stepButton = nullptr;
    QComboBox *m_speed = nullptr;
    QSlider *m_position = nullptr;
    QLabel *m_replayFile = nullptr;
    QLabel *m_replayTime = nullptr;
};
