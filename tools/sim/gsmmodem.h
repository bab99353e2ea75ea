#pragma once

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QString>

// A GSM/GPRS module of the SIM900 class as seen from its serial line: AT
// commands in, echo and result codes out. It knows the queries, calls, SMS
// in text mode (GSM and UCS2 character sets) and a single TCP or UDP link
// whose server sends back what it gets. Commands it does not know get
// "ERROR", as a module's do.
class GsmModem : public QObject
{
    Q_OBJECT
public:
    explicit GsmModem(QObject *parent = nullptr);

    // Bytes from the workbench.
    void receive(const QByteArray &bytes);

    // Things the network does, on the operator's request.
    void incomingCall(const QByteArray &number);
    void remoteHangUp();
    void incomingSms(const QByteArray &number, const QString &text);

    void setSignal(int rssi) { m_rssi = rssi; }
    void setOwnNumber(const QByteArray &number) { m_ownNumber = number; }

signals:
    // Bytes for the workbench.
    void send(const QByteArray &bytes);
    // What happened, in words, for the simulator's console.
    void note(const QString &line);

private:
    enum class Input { Command, SmsText, LinkData };
    enum class Call { None, Ringing, Active };
    enum class LinkState { Initial, Connected, Closed };

    struct Message
    {
        QByteArray status; // "REC UNREAD", "REC READ"
        QByteArray sender;
        QByteArray timestamp;
        QString text;
    };

    void receiveCommandByte(char c);
    void receiveSmsByte(char c);
    void receiveLinkByte(char c);

    void runCommandLine(const QByteArray &line);
    void runBasic(const QByteArray &body);
    void runExtended(const QByteArray &name, char kind, const QByteArray &argumentText);
    bool runCallCommand(const QByteArray &name, char kind, const QList<QByteArray> &args);
    bool runSmsCommand(const QByteArray &name, char kind, const QList<QByteArray> &args);
    bool runGprsCommand(const QByteArray &name, char kind, const QList<QByteArray> &args);
    bool runQueryCommand(const QByteArray &name, char kind, const QList<QByteArray> &args);

    void dial(const QByteArray &number, bool voice);
    void finishSms();
    void finishLinkData();
    void readMessage(const QByteArray &indexText);

    // In the character set chosen with AT+CSCS.
    QByteArray encodeText(const QString &text) const;
    bool decodeText(const QByteArray &bytes, QString *text) const;

    void reply(const QByteArray &bytes) { emit send(bytes); }
    void ok() { reply("\r\nOK\r\n"); }
    void error() { reply("\r\nERROR\r\n"); }
    void info(const QByteArray &line) { reply("\r\n" + line + "\r\n"); }

    Input m_input = Input::Command;
    QByteArray m_line;
    bool m_echo = true;

    int m_rssi = 16;
    QByteArray m_ownNumber;
    QByteArray m_phoneBook = "SM";
    int m_volume = 60;
    bool m_clip = false;
    bool m_colp = false;
    Call m_call = Call::None;
    QByteArray m_lastDialled;
    bool m_lastWasVoice = true;

    QByteArray m_charset = "GSM";
    bool m_textMode = false;
    QList<Message> m_messages; // index - 1; empty sender means a free place
    QByteArray m_smsDestination;
    QByteArray m_entry;
    int m_messageReference = 0;

    bool m_attached = false;
    LinkState m_link = LinkState::Initial;
    QByteArray m_linkProtocol = "TCP";
    QByteArray m_linkPeer;
    int m_fixedSendLength = -1;
};
