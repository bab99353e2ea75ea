#pragma once

#include "capturefile.h"
#include "portenumerator.h"
#include "receivedisplay.h"
#include "textcodec.h"
#include "tooltab.h"

#include <QElapsedTimer>
#include <QWidget>

#include <memory>

class CaptureControls;
class ChunkedFileSender;
class CustomFrameDecoder;
class Dialogs;
class FrameView;
class QScrollArea;
class QTimer;
class ReceiveFileSwitch;
class ReceiveView;
class SampleDecoder;
class ScopeView;
class SendArea;
class SerialLink;
class SerialPortPanel;
class SourceSelector;
class TextLineDecoder;

namespace Ui {
class UartTab;
}

// The serial assistant: a general-purpose serial terminal. Shows what the
// port receives as text or hex, optionally echoes it back and writes it to a
// file, and sends typed text or hex once, on a timer, from ten presets or in
// a cycle over them, and whole files or paced chunks of them. On demand it
// plots what it receives beside the text: numbers in text lines, JustFloat
// frames or frames of a format the user describes. Its port is
// the one source of a SourceSelector, so a session can be recorded and
// replayed into the same views.
class UartTab : public QWidget, public ToolTab
{
    Q_OBJECT
public:
    // Enough for the whole kept buffer in hex, rows included.
    static constexpr int kViewChars = 160000;

    UartTab(Dialogs &dialogs, const PortListSource &portSource, QWidget *parent = nullptr);
    ~UartTab() override;

    SerialPortPanel *panel() const { return m_panel; }
    CaptureControls *capture() const { return m_capture; }
    ReceiveFileSwitch *receiveFile() const { return m_receiveFile; }

    qint64 rxTotal() const;
    qint64 txTotal() const;
    const QByteArray &recvBuffer() const { return m_display.bytes(); }
    bool isSendingFile() const;
    // The plot beside the received text, made when first asked for (until
    // then no oscilloscope widgets exist under this tab).
    ScopeView *scope() const { return m_scope; }
    // The plot's frame format, edited in a window of its own.
    FrameView *frameView() const { return m_frameView; }
    QWidget *frameWindow() const { return m_frameWindow; }

    void saveSettings(SettingsRecord &record) const override;
    void saveProgramSettings(QSettings &settings) const override;
    void loadProgramSettings(const QSettings &settings) override;
    void loadSettings(const SettingsRecord &record) override;
    // The tick has work while the statistics line is behind or a lost port
    // waits for its return.
    bool tickNeeded() const override;
    // Reconnects a lost port and shows the totals and the bytes received
    // since the last tick.
    void tick() override;

signals:
    // The port opened, closed or was lost, reconnection was switched, or the
    // counters were cleared.
    void tickNeedChanged();

public slots:
    // Everything the tab reads: the port's bytes (gathered for up to 4 ms
    // after the first) or a replay's.
    void uart_read(const QByteArray &bytes);
    void redrawIfDue();
    // The statistics line is due for an update on the next tick.
    void countsChanged();
    void scheduleRedraw();
    // One tick of timed send and of cycle send.
    void uart_sendtimeout();
    void uart_cycletimeout();

private:
    static constexpr int kPresetCount = 10;

    void connectReceiveControls();
    void connectSendControls();
    void connectFileSendControls();
    void styleReceiveView();
    void connectPlotControls();
    void createFrameWindow();
    void restartCustomPlot();
    QString frameFormatLocked() const;
    void createCaptureControls();
    Capture::Header captureHeader() const;
    bool startReplay(const Capture::Header &recorded);
    void endReplay();
    // The port is open or a capture is replayed.
    bool receiving() const;

    void showReceived(const QByteArray &bytes);
    void echoIntoView(const QByteArray &bytes);

    void showPlot(bool shown);
    void makePlot();
    void startPlotting();
    void stopPlotting();
    void plotReceived(const QByteArray &bytes);

    // Counts what the source took and echoes it if asked.
    bool transmit(const QByteArray &bytes);
    // Through the source selector; a refusal or failure is shown beside the
    // send options until a write goes out or a source opens.
    bool writeToSource(const QByteArray &bytes);
    void transmitFileChunk(const QByteArray &chunk);

    QString chooseSendFile();
    void sendFile();
    QString fileToSend();
    void showFileProgress(qint64 sent, qint64 total);
    QString statisticsLine() const;

    std::unique_ptr<Ui::UartTab> ui;
    Dialogs &m_dialogs;
    SourceSelector *m_sources = nullptr;
    SerialLink *m_serial = nullptr;
    SerialPortPanel *m_panel = nullptr;
    CaptureControls *m_capture = nullptr;
    // Runs while a redraw of the receive view is pending.
    QTimer *m_redrawTimer = nullptr;
    qint64 m_redrawDue = -1; // when the running redraw timer fires
    QElapsedTimer m_clock;
    ReceiveFileSwitch *m_receiveFile = nullptr;
    ReceiveView *m_view = nullptr;
    ChunkedFileSender *m_fileSender = nullptr;
    SendArea *m_sendArea = nullptr;
    ReceiveDisplayBuffer m_display;
    // Sent bytes shown as text: a file sent in chunks may split a character.
    StreamTextDecoder m_echoDecoder;
    qint64 m_rxAtLastTick = 0;
    bool m_countsPending = false;
    QScrollArea *m_plotArea = nullptr;
    ScopeView *m_scope = nullptr;
    QWidget *m_frameWindow = nullptr;
    FrameView *m_frameView = nullptr;
    // Set only while the plot is shown and the port open or a capture
    // replayed; of the format chosen when it started.
    std::unique_ptr<SampleDecoder> m_plotDecoder;
    TextLineDecoder *m_plotText = nullptr;    // m_plotDecoder when it reads text
    CustomFrameDecoder *m_plotFrames = nullptr; // m_plotDecoder when it reads custom frames
    int m_sendAreaStretch = 0; // as the form has it, while no plot is shown
};
