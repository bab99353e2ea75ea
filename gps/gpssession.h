#pragma once

#include "devicecommands.h"
#include "gpsfix.h"
#include "gpsrecord.h"
#include "gpstrack.h"
#include "maptarget.h"
#include "nmeasplitter.h"

#include <QByteArray>
#include <QImage>
#include <QObject>
#include <QString>
#include <QTimer>

#include <optional>

// One GPS source's stream taken apart, without widgets: the receiver's
// sentences become fixes and map moves; an attached device's commands set
// the map and the pictures, ask for a picture or upload a file.
//
// Bytes come in through receive() in stream order; what they mean goes out
// through the signals, in the same order, except that files are written, and
// their log lines sent, once the read that completed them is done.
class GpsSession : public QObject
{
    Q_OBJECT
public:
    // A file upload gives up when nothing arrives for this long.
    static constexpr int kUploadIdleMs = 5000;
    // "VCPLO" moves the map as often, a second apart, while the online map
    // may still be settling.
    static constexpr int kPlotRepeats = 3;
    static constexpr int kPlotIntervalMs = 1000;
    // A picture the map has not delivered by then is given up, and the
    // next request goes ahead.
    static constexpr int kPictureWaitMs = 30000;

    enum class Severity { Status, Warning };

    explicit GpsSession(QObject *parent = nullptr, GpsRecord::Clock clock = {});

    // Drawn into every picture's bottom-left corner.
    void setPictureLogo(const QImage &logo) { m_logo = logo; }
    void setUploadIdleTimeout(int ms) { m_uploadIdle.setInterval(ms); }

    const GpsRecord &record() const { return m_record; }
    // Drops the satellites no longer heard; true if any went.
    bool expireSky() { return m_record.expireSky(); }
    // The fixes since the track was last cleared.
    const GpsTrack &track() const { return m_track; }
    // A new source or the user's wish: the track starts afresh.
    void clearTrack() { m_track.clear(); }
    bool uploadInProgress() const { return m_upload.has_value(); }

    // Bytes from the source: sentences, or the file being uploaded.
    void receive(const QByteArray &bytes);
    // Another source or client takes over: nothing of the last one's
    // stream carries over (a partial sentence, its satellite systems).
    void sourceChanged();
    // The source is gone: an upload in progress is dropped, then as above.
    void sourceClosed();
    // The map as rendered for a pictureWanted() request.
    void pictureRendered(const PictureRequest &request, const QImage &rendered);
    // The map cannot draw the requested picture.
    void pictureAbandoned();

signals:
    // Received bytes for the raw log, each once; a file's own bytes are not
    // among them, except those that came in the read with its command.
    void logBytes(const QByteArray &bytes);
    void logMessage(GpsSession::Severity severity, const QString &text);
    void fixReceived(const GpsFix &fix);
    void mapMoveWanted(const MapPoint &point);
    void mapZoomWanted(int zoom);
    void mapTypeWanted(MapType type);
    // The map is to move there and be rendered; pictureRendered() or
    // pictureAbandoned() answers. Until then no other request comes: the
    // newest one waits.
    void pictureWanted(const PictureRequest &request);
    // Bytes for the device: picture frames.
    void sendToDevice(const QByteArray &bytes);

private:
    struct Upload
    {
        FileRequest request;
        bool keep = true; // false: swallow the bytes, write nothing
        QByteArray data;
    };

    void parseBuffered();
    void dispatch(const QByteArrayList &fields);
    void report(const GpsFix &fix);
    void recordTrack(bool filled);
    void locate(const QByteArrayList &fields);
    void askForNextPicture();
    void plot(const QByteArrayList &fields);
    void repeatPlot();
    void applySettings(const QByteArrayList &fields);
    void startUpload(const QByteArrayList &fields);
    qint64 uploadMissing() const;
    void finishUpload();
    void writeReceivedFile();
    void abortUpload(const QString &why);
    void forgetStream();

    NmeaSplitter m_splitter;
    GpsRecord m_record;
    GpsTrack m_track;
    PictureRequest m_picture; // what the next "VCLOC" asks for
    std::optional<PictureRequest> m_nextPicture;
    QTimer m_pictureWait; // active while the map draws a picture
    MapPoint m_plotPoint;
    int m_plotRepeatsLeft = 0;
    QTimer m_plotRepeat;
    QImage m_logo;
    std::optional<Upload> m_upload;
    // The last file received in this read, written when the read is done.
    struct ReceivedFile
    {
        QString relativePath;
        QByteArray data;
        QList<qint64> sizes; // of each upload it stands for, for the log
    };
    std::optional<ReceivedFile> m_received;
    QTimer m_uploadIdle;
};
