#pragma once

#include "netlog.h"

#include <QObject>

#include <functional>

class Dialogs;
class QCheckBox;
class QLabel;
class QTextEdit;
class QTimer;
class QWidget;
class ReceiveFileSwitch;
class ReceiveView;
class SendArea;
class StreamTextDecoder;

// What the three network pages share: the log with its byte counters, the
// receive options (hex display, receive to file) and the send area (text or
// hex, auto send, a SendArea). The widgets are the form's, found by the page's name
// prefix ("tcp_server_", "tcp_client_", "udp_").
//
// A fast stream must not redraw the log on every read: lines and counters
// are taken at once, and the view is redrawn at most every kRedrawMs, by a
// timer that runs only when there is something new to show. A redraw adds
// at most kViewCharsPerRedraw of new lines; the rest wait for the next.
// Lines the log dropped before they were shown are never shown.
class NetPage : public QObject
{
    Q_OBJECT
public:
    static constexpr int kRedrawMs = 50;
    static constexpr int kViewCharsPerRedraw = 4096;

    NetPage(QWidget *form, const QString &prefix, Dialogs &dialogs);
    ~NetPage() override;

    // Received bytes are counted, written to the receive file and logged;
    // text from a stream goes through its decoder.
    void received(const QString &peer, const QByteArray &bytes,
                  StreamTextDecoder *decoder = nullptr);
    // `count` bytes went out: a payload sent to several clients counts for
    // each of them.
    void sent(const QString &peer, const QByteArray &bytes, qint64 count);
    void status(const QString &text);
    void failure(const QString &text);
    // A send that failed also ends auto sending: repeating it would only
    // repeat the failure.
    void sendFailed(const QString &text);

    // Where the send area's bytes go: true when they went out. The page
    // logs a failure itself (sendFailed). `problem` comes first: a reason
    // not to send at all, shown before anything about what was typed.
    void setSender(std::function<bool(const QByteArray &bytes)> send,
                   std::function<QString()> problem = {});

    // Whether the page can send now: the send button and auto sending.
    void setReady(bool ready);

    qint64 receivedTotal() const;
    qint64 sentTotal() const;
    bool redrawPending() const;
    bool autoSending() const;

private:
    template <typename T>
    T *find(const char *name) const;
    void connectControls();
    void clearCounters();

    QWidget *m_form;
    QString m_prefix;
    QCheckBox *m_hexShow;
    QCheckBox *m_hexSend;
    QCheckBox *m_autoSendCheck;
    ReceiveFileSwitch *m_receiveFile;
    SendArea *m_sendArea = nullptr;
    std::function<bool(const QByteArray &)> m_send;
    std::function<QString()> m_sendProblem;
    ReceiveView *m_log;
};
