#pragma once

#include "listenaddress.h"

#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>

#include <functional>
#include <utility>

class ByteLink;
class Dialogs;
class QComboBox;
class QLabel;
class QPushButton;
class QWidget;

// The controls of one network source as a tab's form names them, and the
// words its button and messages use.
struct NetworkSourceWidgets
{
    QPushButton *button = nullptr;
    // Where to listen or connect: fixed from the click until closed.
    QList<QWidget *> fields;
    QString openText;    // "开始监听"
    QString closeText;   // "停止监听"
    QString failureText; // "监听失败": the message when the link cannot open
    // A server's or UDP endpoint's: where it listens (filled here, fixed
    // while active like the fields) and where it is bound while open.
    QComboBox *scope = nullptr;
    QLabel *address = nullptr;
    // The button's word while a connection is being made ("取消连接");
    // closeText unless given.
    QString openingText = {};
};

// Drives one network link's open/close button: hands the fields to the link
// (through `configure`, which says why they cannot be used, or returns
// nothing), opens and closes it, and reports why it could not open or why it
// closed by itself: in a message box unless the tab reports it its own way
// (setFailureReport). A TCP connection takes a while: from the click until
// it is open the source is active, its button closes it, and no bytes come
// yet.
class NetworkSourcePanel : public QObject
{
    Q_OBJECT
public:
    NetworkSourcePanel(const NetworkSourceWidgets &widgets, ByteLink &link,
                       std::function<QString()> configure, Dialogs &dialogs,
                       QWidget *dialogParent);

    enum class Failure {
        NotStarted, // the fields or the link refused to start
        NotOpened,  // the link failed while opening
        Broke,      // the link failed while open
        Lost,       // the device or the peer went away
    };

    // `what` is the widgets' failureText or, once open, "连接已断开"; `why`
    // the link's reason.
    using FailureReport = std::function<void(const QString &what, const QString &why)>;
    void setFailureReport(FailureReport report);
    // For a tab that words each failure its own way.
    using FailureKindReport = std::function<void(Failure failure, const QString &why)>;
    void setFailureReport(FailureKindReport report) { m_report = std::move(report); }

    bool isOpen() const { return m_state == State::Open; }
    // What the scope box chooses; every network without one.
    ListenScope scope() const;
    // Opening or open.
    bool isActive() const { return m_state != State::Idle; }

signals:
    void opened();
    // After opened(): closed by the user, by a failure or by the peer.
    void closed();
    // The user closed the source (after closed()) or gave up opening it.
    void stoppedByUser(bool wasOpen);
    // The source became active or idle.
    void activeChanged();

private:
    enum class State { Idle, Opening, Open };

    void onButtonClicked();
    void onLinkOpened();
    void onLinkClosed();
    void onLinkFailed(const QString &text);
    void onLinkLost();
    void setState(State state);
    void showError(Failure failure, const QString &why);
    // The failure in the words of a message box.
    QString what(Failure failure) const;

    NetworkSourceWidgets m_widgets;
    ByteLink &m_link;
    std::function<QString()> m_configure;
    Dialogs &m_dialogs;
    QPointer<QWidget> m_dialogParent;
    FailureKindReport m_report;
    State m_state = State::Idle;
    // Since the last click: a failure after that is a lost link, not a
    // failed open.
    bool m_wasOpen = false;
};
