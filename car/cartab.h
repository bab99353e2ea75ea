#pragma once

#include "capturefile.h"
#include "carframe.h"
#include "portenumerator.h"
#include "tooltab.h"

#include <QList>
#include <QStringList>
#include <QWidget>

#include <memory>

class CameraView;
class CaptureControls;
class CcdView;
class CustomFrameDecoder;
class Dialogs;
class FrameView;
class ParameterView;
class QLabel;
class QSettings;
class ScopeView;
class SerialPortPanel;
class SourceSelector;
class StepView;
class SampleDecoder;
class TcpServerLink;
class UdpLink;
class TextLineDecoder;

namespace Ui {
class CarTab;
}

// The smart-car assistant: camera, linear CCD and oscilloscope views of the
// framed stream a car sends, over a serial port or a network (a Wi-Fi
// bridge on the car): as a TCP server, a TCP client or over UDP. One
// source at a time. Firmware that prints text lines or sends JustFloat
// frames instead is plotted on the oscilloscope. The parameter page sends
// values to the car over the open source and shows what it reports back.
class CarTab : public QWidget, public ToolTab
{
    Q_OBJECT
public:
    // The sources, in the order of the "car_com" selector.
    enum Source { Serial, TcpServer, TcpClient, Udp };
    // What the bytes are, in the order of the "car_protocol" combo: the car
    // link's frames, text lines of numbers, JustFloat frames, or frames of
    // the format described on the "帧格式" page. Only the car link's frames
    // carry pictures.
    enum class Protocol { CarFrames, TextLines, JustFloat, CustomFrames };

    CarTab(Dialogs &dialogs, const PortListSource &portSource, QWidget *parent = nullptr);
    ~CarTab() override;

    SerialPortPanel *panel() const;
    SourceSelector *sources() const { return m_sources; }
    const CarFrameParser &parser() const { return m_parser; }
    CameraView *cameraView() const { return m_cameraView; }
    CcdView *ccdView() const { return m_ccdView; }
    ScopeView *scopeView() const { return m_scopeView; }
    ParameterView *parameterView() const { return m_paramView; }
    StepView *stepView() const { return m_stepView; }
    FrameView *frameView() const { return m_frameView; }
    CaptureControls *capture() const { return m_capture; }

    // A source is open: bytes come and the settings are fixed.
    bool sourceOpen() const;

    // The protocol chosen now; the one in use is fixed while a source is open.
    Protocol protocolSetting() const;

    void saveSettings(SettingsRecord &record) const override;
    void loadSettings(const SettingsRecord &record) override;
    void saveProgramSettings(QSettings &settings) const override;
    void loadProgramSettings(const QSettings &settings) override;
    // The tick has work while a lost port waits for its return; it reopens
    // the port then.
    bool tickNeeded() const override;
    void tick() override;

signals:
    // The port opened, closed or was lost, or reconnection was switched.
    void tickNeedChanged();

public slots:
    // Cuts everything the car sent into frames and hands each to its view.
    void car_read(const QByteArray &bytes);

private:
    void createSources(const PortListSource &portSource);
    void watchTcpServerClients(TcpServerLink *server);
    void watchUdpSenders(UdpLink *udp);
    void addPage(QWidget *page, QWidget *view, const char *noteName = nullptr);
    void showProtocolNotes();
    void startDecoding();
    void onLinkOpened();
    void onLinkClosed();
    void showParameterReplies();
    void startCustomFrames();
    void onFrameFormatApplied();
    QString frameFormatLocked() const;

    void createCaptureControls(Dialogs &dialogs);
    Capture::Header captureHeader() const;
    bool startReplay(Dialogs &dialogs, const Capture::Header &recorded);
    QStringList settingDifferences(const Capture::Header &recorded) const;
    QString settingValue(const QString &key, const QString &value) const;
    void applyRecordedSettings(Dialogs &dialogs, const Capture::Header &recorded);
    void endReplay();
    qint64 framesHandled() const;

    std::unique_ptr<Ui::CarTab> ui;
    SourceSelector *m_sources = nullptr;
    QStringList m_tcpServerNotes;
    CameraView *m_cameraView = nullptr;
    CcdView *m_ccdView = nullptr;
    ScopeView *m_scopeView = nullptr;
    ParameterView *m_paramView = nullptr;
    StepView *m_stepView = nullptr;
    FrameView *m_frameView = nullptr;
    CaptureControls *m_capture = nullptr;
    CarFrameParser m_parser;
    // The decoder of the open source's text lines or JustFloat frames; null
    // while the car link's frames are read.
    std::unique_ptr<SampleDecoder> m_decoder;
    TextLineDecoder *m_textDecoder = nullptr; // m_decoder when it reads text
    CustomFrameDecoder *m_frameDecoder = nullptr; // m_decoder when it reads custom frames
    QList<QLabel *> m_protocolNotes;
};
