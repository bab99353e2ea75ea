#pragma once

#include "devicecommands.h"
#include "gpsrecord.h"
#include "mapbacklog.h"
#include "nmeasplitter.h"
#include "portenumerator.h"
#include "textcodec.h"

#include <QHash>
#include <QImage>
#include <QTimer>
#include <QWidget>

#include <memory>
#include <optional>

class Dialogs;
class MapView;
class QLabel;
class SerialLink;
class SerialPortPanel;
class myTcpServer;

namespace Ui {
class GpsTab;
}

// The GPS assistant: NMEA from its serial port or from one TCP client,
// shown raw and as position, time, speed and satellites, with the position
// on the map page. An attached device may also steer the map, ask for a
// picture of it and upload a file.
//
// The map page and its web engine start the first time the tab is shown or
// a device asks for a picture; until then what the map is told waits in a
// bounded backlog.
class GpsTab : public QWidget
{
    Q_OBJECT
public:
    // A file upload gives up when nothing arrives for this long.
    static constexpr int kUploadIdleMs = 5000;
    // The raw log keeps about this many characters of HTML.
    static constexpr int kLogLimit = 30720;

    GpsTab(Dialogs &dialogs, const PortListSource &portSource, QWidget *parent = nullptr);
    ~GpsTab() override;

    SerialPortPanel *panel() const { return m_panel; }
    myTcpServer *server() const { return m_server; }
    // The map page, created now if it does not exist yet.
    MapView *mapView();
    bool hasMapView() const { return m_map != nullptr; }
    const GpsRecord &record() const { return m_record; }
    bool uploadInProgress() const { return m_upload.has_value(); }
    void setUploadIdleTimeout(int ms) { m_uploadIdle.setInterval(ms); }

    // The receive step: log the display text, then parse the bytes (or,
    // while a file is being uploaded, add them to the file).
    void gpsReceive(const QString &displayHtml, const QByteArray &bytes);
    // To the serial port if open, and to the TCP client if listening.
    void gpsSendToDevice(const QByteArray &bytes);
    bool gpsSourceActive() const;

public slots:
    void onReadyRead_gps(const QByteArray &bytes);
    void gps_tcp_server_readdata(int clientID, const QString &IP, int Port);
    void gps_tcp_server_ClientConnect(int clientID, const QString &IP, int Port);
    void gps_tcp_server_ClientDisConnect(int clientID, const QString &IP, int Port);
    void on_gps_tcp_server_link_clicked();
    void on_gps_cleanButton_clicked();
    void gps_updata_location();

protected:
    void showEvent(QShowEvent *event) override;

signals:
    // A picture frame has gone to the device (tests and the simulator wait
    // on it rather than on time).
    void pictureSent(int frameBytes);

private:
    struct Upload
    {
        FileRequest request;
        bool keep = true; // false: swallow the bytes, write nothing
        QByteArray data;
    };

    void connectWidgets();
    void runMapScript(MapBacklog::Kind kind, const QString &script);
    void parseBuffered();
    void dispatch(const QByteArrayList &fields);
    void showLabels(const LabelTexts &labels);
    void appendLog(const QString &html);
    void receiveFromSource(const QByteArray &bytes);
    QString serialDisplayHtml(const QByteArray &bytes) const;
    QString tcpDisplayHtml(const QByteArray &bytes);

    void locateAndSendPicture(const QByteArrayList &fields);
    void plotPosition(const QByteArrayList &fields);
    void applySettings(const QByteArrayList &fields);
    void sendPicture(const QImage &rendered);
    void startUpload(const QByteArrayList &fields);
    void continueUpload(const QByteArray &bytes);
    void finishUpload();
    void abortUpload(const QString &why);
    void forgetSource();
    void onSerialClosed();

    std::unique_ptr<Ui::GpsTab> ui;
    Dialogs &m_dialogs;
    SerialLink *m_serial = nullptr;
    SerialPortPanel *m_panel = nullptr;
    myTcpServer *m_server = nullptr;
    NmeaSplitter m_splitter;
    StreamTextDecoder m_tcpText;
    GpsRecord m_record;
    QHash<QString, QLabel *> m_labels;
    QImage m_logo;
    MapView *m_map = nullptr;
    MapBacklog m_mapBacklog;

    bool m_pictureJpeg = false;
    quint16 m_pictureWidth = 320;
    quint16 m_pictureHeight = 240;

    int m_clientId = 0;
    QString m_clientIp;
    int m_clientPort = 0;

    std::optional<Upload> m_upload;
    QTimer m_uploadIdle;
};
