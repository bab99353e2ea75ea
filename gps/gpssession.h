#pragma once

#include "devicecommands.h"
#include "gpsfix.h"
#include "gpsrecord.h"
#include "gpstrack.h"
#include "maptarget.h"
#include "nmeasplitter.h"
#include "textcodec.h"
#include "uploadwriter.h"

#include <QByteArray>
#include <QImage>
#include <QObject>
#include <QString>
#include <QTimer>
#include <QVector>

#include <optional>

// One GPS source's stream taken apart, without widgets: the receiver's
// sentences become fixes and map moves; an attached device's commands set
// the map and the pictures, ask for a picture or upload a file.
//
// Bytes come in through receive() in stream order; what they mean goes out
// through the signals, in the same order, except that files are written on
// a thread of their own (UploadWriter) and their log lines come when they
// are. While its queue is full nothing more is taken apart: what comes
// meanwhile waits, in order, and readingHeld() asks the source to stop
// reading, so a flooding peer is slowed down by TCP and nothing is lost.
//
// What a view shows is pushed when it changes: the fixes (with the DOPs),
// the raw log's lines ready to show, and after each read the sky and the
// track's size. Nothing runs while nothing arrives: satellites no longer
// heard leave the sky when the next read comes, or with the source.
//
// What one connection may upload is bounded (UploadFolder's limits and
// kMaxConnectionBytes); past a limit the upload's bytes are read and
// dropped, with one log line per kind of limit and connection.
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
    static constexpr qint64 kMaxConnectionBytes = qint64(256) << 20;

    enum class Severity { Status, Warning };

    explicit GpsSession(QObject *parent = nullptr, GpsRecord::Clock clock = {});

    // Drawn into every picture's bottom-left corner.
    void setPictureLogo(const QImage &logo) { m_logo = logo; }
    void setUploadIdleTimeout(int ms) { m_uploadIdle.setInterval(ms); }
    // Received bytes of the serial port are logged as hex rather than as
    // text.
    void setLogHex(bool hex) { m_logHex = hex; }

    const GpsRecord &record() const { return m_record; }
    // The fixes since the track was last cleared.
    const GpsTrack &track() const { return m_track; }
    // A new source or the user's wish: the track starts afresh.
    void clearTrack();
    bool uploadInProgress() const { return m_upload.has_value(); }
    // Every file received so far written and reported, nothing waiting.
    bool uploadsDone() const;
    // Blocks until uploadsDone(), for tests and benchmarks.
    void waitForUploads();
    // While written files are reported: their log lines come one after the
    // other, and uploadsReported() follows the last.
    bool reportingUploads() const { return m_writer.reporting(); }
    UploadWriter &uploadWriter() { return m_writer; }

    // Bytes from the source: sentences, or the file being uploaded. `peer`
    // names the network client that sent them, "IP:port", and heads their
    // log line; empty for the serial port and a replay.
    void receive(const QByteArray &bytes, const QString &peer = {});
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
    // Received bytes for the raw log, each once, as HTML: a network peer's
    // under a heading with the peer and the time, GB18030 decoded as one
    // stream; the serial port's as Latin-1 text, one character per byte,
    // or as hex. A file's own bytes are not among them, except those that
    // came in the read with its command.
    void logLine(const QString &html);
    void logMessage(GpsSession::Severity severity, const QString &text);
    void fixReceived(const GpsFix &fix);
    // The satellites in view, grouped by system, whenever they change.
    void skyChanged(const QVector<Satellite> &satellites);
    void trackSizeChanged(int points);
    void mapMoveWanted(const MapPoint &point);
    void mapZoomWanted(int zoom);
    void mapTypeWanted(MapType type);
    // The map is to move there and be rendered; pictureRendered() or
    // pictureAbandoned() answers. Until then no other request comes: the
    // newest one waits.
    void pictureWanted(const PictureRequest &request);
    // Bytes for the device: picture frames.
    void sendToDevice(const QByteArray &bytes);
    // The source is to stop reading (true) until told otherwise.
    void readingHeld(bool held);
    void uploadsReported();

private:
    struct Upload
    {
        FileRequest request;
        bool keep = true; // false: swallow the bytes, write nothing
        QByteArray data;
    };

    // What the source reported while the files' queue was full.
    struct Deferred
    {
        enum Kind { Bytes, Changed, Closed } kind;
        QByteArray bytes;
        QString peer;
    };

    void take(const QByteArray &bytes, const QString &peer);
    void logReceived(const QByteArray &bytes, const QString &peer);
    void publishChanges();
    void resume();
    void forgetConnection();
    void closeSource();
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
    void fileWritten(const UploadFolder::Outcome &outcome, const QList<qint64> &sizes);
    // True the first time this connection meets the limit.
    bool firstRefusal(UploadFolder::Quota quota);
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
    QTimer m_uploadIdle;
    UploadWriter m_writer;
    bool m_held = false;
    QList<Deferred> m_deferred;
    bool m_logHex = false;
    StreamTextDecoder m_peerText;
    quint64 m_publishedSky = 0;
    int m_publishedTrackSize = 0;
    qint64 m_connectionBytes = 0;
    unsigned m_refusedQuotas = 0; // a bit for each UploadFolder::Quota met
};
