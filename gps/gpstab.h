#pragma once

#include "capturefile.h"
#include "gpssession.h"
#include "mapbacklog.h"
#include "portenumerator.h"
#include "tooltab.h"

#include <QStringList>
#include <QWidget>

#include <memory>

class CaptureControls;
class Dialogs;
class GpxExport;
class MapPage;
class Progress;
class ReceiveView;
class SerialPortPanel;
class SourceSelector;
class TcpServerLink;

namespace Ui {
class GpsTab;
}

// The GPS assistant's widgets: the source selector (its serial port or one
// client of its TCP server), the raw log, the labels and the map. Received
// bytes go to a GpsSession; the tab shows what it reports, and writes to the
// device through the selector.
//
// The map page and its web engine start the first time the tab is shown or
// a device asks for a picture; until then what the map is told waits in a
// bounded backlog.
class GpsTab : public QWidget, public ToolTab
{
    Q_OBJECT
public:
    // The raw log keeps the newest lines within this many characters of
    // their HTML.
    static constexpr int kLogLimit = 30720;

    GpsTab(Dialogs &dialogs, const PortListSource &portSource, QWidget *parent = nullptr);
    ~GpsTab() override;

    void saveProgramSettings(QSettings &settings) const override;
    void loadProgramSettings(const QSettings &settings) override;

    SerialPortPanel *panel() const;
    TcpServerLink *tcpServer() const { return m_tcp; }
    SourceSelector *sources() const { return m_sources; }
    GpsSession *session() const { return m_session; }
    CaptureControls *capture() const { return m_capture; }
    // The map page, created now if it does not exist yet; nullptr when its
    // module cannot be loaded (said once, through the dialogs).
    MapPage *mapView();
    bool hasMapView() const { return m_map != nullptr; }
    const ReceiveView *logView() const { return m_log; }
    // A track export is being written, between the event loop's other work.
    bool exportingTrack() const { return m_export != nullptr; }

    // To the chosen source: the serial port or the client served; -1 if
    // it cannot be written to.
    qint64 gpsSendToDevice(const QByteArray &bytes);
    bool gpsSourceActive() const;

public slots:
    // Everything the tab reads: the chosen source's bytes or a replay's.
    void onSerialBytes(const QByteArray &bytes);
    void gps_tcp_server_ClientConnect(int clientID, const QString &IP, int Port);
    void gps_tcp_server_ClientDisConnect(int clientID, const QString &IP, int Port);
    void on_gps_cleanButton_clicked();
    void on_gps_exportTrack_clicked();
    void on_gps_clearTrack_clicked();

protected:
    void showEvent(QShowEvent *event) override;

signals:
    // A picture frame has gone to the device (tests and the simulator wait
    // on it rather than on time).
    void pictureSent(int frameBytes);

private:
    void createSources(const PortListSource &portSource);
    void connectTcpServer();
    void connectSession();

    MapTarget &map();
    void reportLater(const QString &title, const QString &text);
    void takePicture(const PictureRequest &request);
    void sendPicture(const QByteArray &frame);
    void showFix(const GpsFix &fix);
    void showSky(const QVector<Satellite> &satellites);
    void showTrackSize(int points);
    void logMessage(GpsSession::Severity severity, const QString &text);
    void appendLog(const QString &html);
    void sourceClosed();
    void forgetSource();

    void continueTrackExport();
    void endTrackExport();

    void createCaptureControls();
    Capture::Header captureHeader() const;
    bool startReplay();
    void endReplay();

    std::unique_ptr<Ui::GpsTab> ui;
    Dialogs &m_dialogs;
    SourceSelector *m_sources = nullptr;
    TcpServerLink *m_tcp = nullptr;
    GpsSession *m_session = nullptr;
    CaptureControls *m_capture = nullptr;
    MapPage *m_map = nullptr; // owned by its widget's parent
    bool m_mapUnavailable = false;
    MapBacklog m_mapBacklog;
    std::unique_ptr<GpxExport> m_export;
    std::unique_ptr<Progress> m_exportProgress;
    QString m_exportPath;

    // Lines logged while a read is taken apart are shown together after it.
    ReceiveView *m_log = nullptr;
    bool m_receiving = false;
};
