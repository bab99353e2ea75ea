#include "gsmmodem.h"

#include <QTimer>

#include <algorithm>

namespace {

constexpr char kCtrlZ = '\x1A';
constexpr char kEscape = '\x1B';
constexpr char kBackspace = '\x08';
constexpr int kMessagePlaces = 40;
constexpr int kMaxLine = 556;
constexpr int kMaxEntry = 4096;
// A real module takes a moment to connect and the server to answer.
constexpr int kConnectDelayMs = 200;
constexpr int kServerEchoDelayMs = 100;

const QByteArray kManufacturer = "ZENTRIK_SIM";
const QByteArray kModel = "ZGSM900";
const QByteArray kImei = "860000012345672";
const QByteArray kOperator = "CHINA MOBILE";

// Arguments after '=', split at commas outside quotes, quotes removed.
QList<QByteArray> splitArguments(const QByteArray &text)
{
    QList<QByteArray> args;
    if (text.isEmpty())
        return args;
    QByteArray current;
    bool quoted = false;
    for (const char c : text) {
        if (c == '"') {
            quoted = !quoted;
        } else if (c == ',' && !quoted) {
            args << current.trimmed();
            current.clear();
        } else {
            current += c;
        }
    }
    args << current.trimmed();
    return args;
}

bool toInt(const QByteArray &text, int low, int high, int *value)
{
    bool ok = false;
    const int number = text.toInt(&ok);
    if (!ok || number < low || number > high)
        return false;
    *value = number;
    return true;
}

QByteArray quoted(const QByteArray &text)
{
    return '"' + text + '"';
}

} // namespace

GsmModem::GsmModem(QObject *parent)
    : QObject(parent)
{
    for (int i = 0; i < kMessagePlaces; ++i)
        m_messages.append(Message{});
    m_messages[0] = {"REC UNREAD", "+8613800138000", "24/05/01,10:20:30+32",
                     QStringLiteral("Hello from zentrik-sim")};
    m_messages[1] = {"REC UNREAD", "+8613900139000", "24/05/01,10:21:05+32",
                     QStringLiteral("你好，这是模拟器发来的短信")};
}

void GsmModem::receive(const QByteArray &bytes)
{
    for (const char c : bytes) {
        switch (m_input) {
        case Input::Command:
            receiveCommandByte(c);
            break;
        case Input::SmsText:
            receiveSmsByte(c);
            break;
        case Input::LinkData:
            receiveLinkByte(c);
            break;
        }
    }
}

// ---- command lines ----

void GsmModem::receiveCommandByte(char c)
{
    if (m_echo)
        reply(QByteArray(1, c));
    if (c == '\n')
        return;
    if (c == kBackspace) {
        m_line.chop(1);
        return;
    }
    if (c != '\r') {
        if (m_line.size() < kMaxLine)
            m_line += c;
        return;
    }
    const QByteArray line = m_line.trimmed();
    m_line.clear();
    if (line.isEmpty())
        return;
    runCommandLine(line);
}

void GsmModem::runCommandLine(const QByteArray &line)
{
    emit note(QStringLiteral("< ") + QString::fromLatin1(line));
    // Anything but a command line is noise on the line to a module.
    if (!line.toUpper().startsWith("AT"))
        return;
    const QByteArray body = line.mid(2);
    if (!body.startsWith('+')) {
        runBasic(body.toUpper());
        return;
    }
    int nameEnd = 1;
    while (nameEnd < body.size() && QChar::isLetterOrNumber(uchar(body[nameEnd])))
        ++nameEnd;
    const QByteArray name = body.mid(1, nameEnd - 1).toUpper();
    const QByteArray rest = body.mid(nameEnd);
    if (rest.isEmpty())
        runExtended(name, 'x', {});
    else if (rest == "?")
        runExtended(name, '?', {});
    else if (rest == "=?")
        runExtended(name, 't', {});
    else if (rest.startsWith('='))
        runExtended(name, '=', rest.mid(1));
    else
        error();
}

void GsmModem::runBasic(const QByteArray &body)
{
    if (body.isEmpty()) {
        ok();
    } else if (body == "E0" || body == "E1" || body == "E") {
        m_echo = body == "E1";
        ok();
    } else if (body == "A") {
        if (m_call != Call::Ringing) {
            info("NO CARRIER");
            return;
        }
        m_call = Call::Active;
        emit note(QStringLiteral("call answered"));
        ok();
    } else if (body == "H" || QByteArrayList{"H0", "H1", "H2", "H3", "H4", "H5"}.contains(body)) {
        if (m_call != Call::None)
            emit note(QStringLiteral("call ended"));
        m_call = Call::None;
        ok();
    } else if (body == "DL" || body == "DL;") {
        // The last call again, voice or data as it was.
        if (m_lastDialled.isEmpty())
            error();
        else
            dial(m_lastDialled, m_lastWasVoice);
    } else if (body.startsWith('D')) {
        const bool voice = body.endsWith(';');
        dial(body.mid(1, body.size() - 1 - (voice ? 1 : 0)), voice);
    } else if (body == "I") {
        info(kManufacturer + ' ' + kModel);
        ok();
    } else {
        error();
    }
}

void GsmModem::runExtended(const QByteArray &name, char kind, const QByteArray &argumentText)
{
    const QList<QByteArray> args = splitArguments(argumentText);
    if (kind == 't') {
        ok(); // every command the module knows exists
        return;
    }
    if (!runQueryCommand(name, kind, args) && !runCallCommand(name, kind, args)
        && !runSmsCommand(name, kind, args) && !runGprsCommand(name, kind, args))
        error();
}

bool GsmModem::runQueryCommand(const QByteArray &name, char kind, const QList<QByteArray> &)
{
    if (kind != 'x' && kind != '?')
        return false;
    if (name == "CSQ" && kind == 'x')
        info("+CSQ: " + QByteArray::number(m_rssi) + ",0");
    else if (name == "CPIN" && kind == '?')
        info("+CPIN: READY");
    else if (name == "COPS" && kind == '?')
        info("+COPS: 0,0," + quoted(kOperator));
    else if (name == "CGMI" && kind == 'x')
        info(kManufacturer);
    else if (name == "CGMM" && kind == 'x')
        info(kModel);
    else if ((name == "CGSN" || name == "GSN") && kind == 'x')
        info(kImei);
    else if (name == "CNUM" && kind == 'x') {
        if (!m_ownNumber.isEmpty())
            info("+CNUM: \"\"," + quoted(m_ownNumber) + ','
                 + (m_ownNumber.startsWith('+') ? "145" : "129") + ",7,4");
    } else
        return false;
    ok();
    return true;
}

// ---- calls ----

void GsmModem::dial(const QByteArray &number, bool voice)
{
    if (number.isEmpty()) {
        error();
        return;
    }
    m_lastDialled = number;
    m_lastWasVoice = voice;
    if (!voice) {
        emit note(QStringLiteral("data call to %1 refused").arg(QString::fromLatin1(number)));
        info("NO CARRIER");
        return;
    }
    m_call = Call::Active;
    emit note(QStringLiteral("calling %1").arg(QString::fromLatin1(number)));
    if (m_colp)
        info("+COLP: " + quoted(number) + ",129,\"\",0,\"\"");
    ok();
}

bool GsmModem::runCallCommand(const QByteArray &name, char kind, const QList<QByteArray> &args)
{
    int value = 0;
    if (name == "CLIP" || name == "COLP") {
        bool &setting = name == "CLIP" ? m_clip : m_colp;
        if (kind == '?')
            info('+' + name + ": " + (setting ? "1" : "0") + ",1");
        else if (kind == '=' && args.size() == 1 && toInt(args[0], 0, 1, &value))
            setting = value == 1;
        else
            return false;
    } else if (name == "CLVL") {
        if (kind == '?')
            info("+CLVL: " + QByteArray::number(m_volume));
        else if (kind == '=' && args.size() == 1 && toInt(args[0], 0, 100, &value))
            m_volume = value;
        else
            return false;
    } else if (name == "CPBS") {
        if (kind == '?')
            info("+CPBS: " + quoted(m_phoneBook) + ",0,250");
        else if (kind == '=' && args.size() == 1
                 && QByteArrayList{"SM", "ON", "FD", "LD", "MC", "RC"}.contains(args[0]))
            m_phoneBook = args[0];
        else
            return false;
    } else if (name == "CPBW") {
        if (kind != '=' || args.size() < 2 || !toInt(args[0], 1, 250, &value) || args[1].isEmpty())
            return false;
        if (m_phoneBook == "ON" && value == 1) {
            m_ownNumber = args[1];
            emit note(QStringLiteral("own number stored: %1").arg(QString::fromLatin1(args[1])));
        }
    } else {
        return false;
    }
    ok();
    return true;
}

void GsmModem::incomingCall(const QByteArray &number)
{
    m_call = Call::Ringing;
    info("RING");
    if (m_clip)
        info("+CLIP: " + quoted(number) + ",129,\"\",0,\"\",0");
    emit note(QStringLiteral("ringing: %1").arg(QString::fromLatin1(number)));
}

void GsmModem::remoteHangUp()
{
    if (m_call == Call::None)
        return;
    m_call = Call::None;
    info("NO CARRIER");
    emit note(QStringLiteral("the other side hung up"));
}

// ---- SMS ----

QByteArray GsmModem::encodeText(const QString &text) const
{
    if (m_charset == "UCS2") {
        QByteArray hex;
        for (const QChar c : text)
            hex += QByteArray::number(c.unicode(), 16).rightJustified(4, '0').toUpper();
        return hex;
    }
    QByteArray plain;
    for (const QChar c : text)
        plain += c.unicode() < 128 ? char(c.unicode()) : '?';
    return plain;
}

bool GsmModem::decodeText(const QByteArray &bytes, QString *text) const
{
    if (m_charset != "UCS2") {
        *text = QString::fromLatin1(bytes);
        return true;
    }
    if (bytes.size() % 4 != 0)
        return false;
    text->clear();
    for (int i = 0; i < bytes.size(); i += 4) {
        bool ok = false;
        const ushort unit = bytes.mid(i, 4).toUShort(&ok, 16);
        if (!ok)
            return false;
        *text += QChar(unit);
    }
    return true;
}

bool GsmModem::runSmsCommand(const QByteArray &name, char kind, const QList<QByteArray> &args)
{
    int value = 0;
    if (name == "CSCS") {
        if (kind == '?')
            info("+CSCS: " + quoted(m_charset));
        else if (kind == '=' && args.size() == 1
                 && QByteArrayList{"GSM", "UCS2", "IRA", "HEX"}.contains(args[0].toUpper()))
            m_charset = args[0].toUpper();
        else
            return false;
    } else if (name == "CMGF") {
        if (kind == '?')
            info("+CMGF: " + QByteArray(m_textMode ? "1" : "0"));
        else if (kind == '=' && args.size() == 1 && toInt(args[0], 0, 1, &value))
            m_textMode = value == 1;
        else
            return false;
    } else if (name == "CSMP") {
        if (kind != '=' || args.isEmpty())
            return false;
    } else if (name == "CPMS" && kind == '?') {
        const int used = int(std::count_if(m_messages.begin(), m_messages.end(),
                                           [](const Message &m) { return !m.sender.isEmpty(); }));
        const QByteArray place = "\"SM\"," + QByteArray::number(used) + ','
            + QByteArray::number(kMessagePlaces);
        info("+CPMS: " + place + ',' + place + ',' + place);
    } else if (name == "CMGS") {
        QString destination;
        if (kind != '=' || args.isEmpty() || !m_textMode || !decodeText(args[0], &destination)
            || destination.isEmpty()) {
            info("+CMS ERROR: 302");
            return true;
        }
        m_smsDestination = destination.toUtf8();
        m_entry.clear();
        m_input = Input::SmsText;
        reply("\r\n> ");
        return true;
    } else if (name == "CMGR") {
        if (kind != '=' || args.isEmpty())
            return false;
        readMessage(args[0]);
        return true;
    } else if (name == "CMGD") {
        if (kind != '=' || args.isEmpty() || !toInt(args[0], 1, kMessagePlaces, &value))
            return false;
        m_messages[value - 1] = Message{};
    } else {
        return false;
    }
    ok();
    return true;
}

void GsmModem::readMessage(const QByteArray &indexText)
{
    int index = 0;
    if (!toInt(indexText, 1, kMessagePlaces, &index)) {
        info("+CMS ERROR: 321");
        return;
    }
    Message &message = m_messages[index - 1];
    if (!message.sender.isEmpty()) {
        const QString sender = QString::fromLatin1(message.sender);
        info("+CMGR: " + quoted(message.status) + ',' + quoted(encodeText(sender)) + ",\"\","
             + quoted(message.timestamp) + "\r\n" + encodeText(message.text));
        message.status = "REC READ";
    }
    ok();
}

void GsmModem::receiveSmsByte(char c)
{
    if (m_echo && c != kCtrlZ && c != kEscape)
        reply(QByteArray(1, c));
    if (c == kEscape) {
        m_input = Input::Command;
        emit note(QStringLiteral("SMS cancelled"));
        ok();
    } else if (c == kCtrlZ) {
        m_input = Input::Command;
        finishSms();
    } else if (c == '\r') {
        m_entry += '\n';
        reply("\r\n> ");
    } else if (c != '\n' && m_entry.size() < kMaxEntry) {
        m_entry += c;
    }
}

void GsmModem::finishSms()
{
    QByteArray body = m_entry;
    QString text;
    if (m_charset == "UCS2")
        body.replace('\n', QByteArray());
    else if (body.endsWith('\n'))
        body.chop(1);
    if (!decodeText(body, &text)) {
        emit note(QStringLiteral("SMS refused: the text is no UCS2 hex"));
        info("+CMS ERROR: 304");
        return;
    }
    m_messageReference = (m_messageReference + 1) % 256;
    emit note(QStringLiteral("SMS to %1 (%2): %3")
                  .arg(QString::fromUtf8(m_smsDestination), QString::fromLatin1(m_charset), text));
    info("+CMGS: " + QByteArray::number(m_messageReference));
    ok();
}

void GsmModem::incomingSms(const QByteArray &number, const QString &text)
{
    for (int i = 0; i < kMessagePlaces; ++i) {
        if (m_messages[i].sender.isEmpty()) {
            m_messages[i] = {"REC UNREAD", number, "24/05/01,12:00:00+32", text};
            info("+CMTI: \"SM\"," + QByteArray::number(i + 1));
            emit note(QStringLiteral("SMS stored at %1").arg(i + 1));
            return;
        }
    }
    emit note(QStringLiteral("no free place for the SMS"));
}

// ---- GPRS ----

bool GsmModem::runGprsCommand(const QByteArray &name, char kind, const QList<QByteArray> &args)
{
    int value = 0;
    if (name == "CGCLASS" || name == "CGDCONT" || name == "CIPCSGP") {
        if (kind != '=' || args.isEmpty())
            return false;
    } else if (name == "CGATT") {
        if (kind == '?')
            info("+CGATT: " + QByteArray(m_attached ? "1" : "0"));
        else if (kind == '=' && args.size() == 1 && toInt(args[0], 0, 1, &value))
            m_attached = value == 1;
        else
            return false;
    } else if (name == "CLPORT") {
        if (kind != '=' || args.size() != 2 || !QByteArrayList{"TCP", "UDP"}.contains(args[0])
            || !toInt(args[1], 0, 65535, &value))
            return false;
    } else if (name == "CIPSTART") {
        if (kind != '=' || args.size() != 3 || !QByteArrayList{"TCP", "UDP"}.contains(args[0])
            || args[1].isEmpty() || !toInt(args[2], 1, 65535, &value))
            return false;
        if (m_link == LinkState::Connected) {
            error();
            info("ALREADY CONNECT");
            return true;
        }
        ok();
        m_linkProtocol = args[0];
        m_linkPeer = args[1] + ':' + args[2];
        QTimer::singleShot(kConnectDelayMs, this, [this] {
            m_link = LinkState::Connected;
            m_attached = true;
            emit note(QStringLiteral("%1 link to %2 up")
                          .arg(QString::fromLatin1(m_linkProtocol),
                               QString::fromLatin1(m_linkPeer)));
            info("CONNECT OK");
        });
        return true;
    } else if (name == "CIPSEND") {
        if (m_link != LinkState::Connected || kind == '?') {
            error();
            return true;
        }
        m_fixedSendLength = -1;
        if (kind == '=' && (args.size() != 1 || !toInt(args[0], 1, 1460, &m_fixedSendLength)))
            return false;
        m_entry.clear();
        m_input = Input::LinkData;
        reply("\r\n> ");
        return true;
    } else if (name == "CIPCLOSE") {
        if (m_link != LinkState::Connected) {
            error();
            return true;
        }
        m_link = LinkState::Closed;
        emit note(QStringLiteral("link closed"));
        info("CLOSE OK");
        return true;
    } else if (name == "CIPSHUT" && kind == 'x') {
        m_link = LinkState::Initial;
        info("SHUT OK");
        return true;
    } else if (name == "CIPSTATUS" && kind == 'x') {
        ok();
        const QByteArray state = m_link == LinkState::Connected ? QByteArray("CONNECT OK")
            : m_link == LinkState::Closed                        ? m_linkProtocol + " CLOSED"
                                                                 : QByteArray("IP INITIAL");
        info("STATE: " + state);
        return true;
    } else {
        return false;
    }
    ok();
    return true;
}

void GsmModem::receiveLinkByte(char c)
{
    if (m_fixedSendLength < 0 && c == kEscape) {
        m_input = Input::Command;
        ok();
        return;
    }
    if (m_fixedSendLength < 0 && c == kCtrlZ) {
        finishLinkData();
        return;
    }
    if (m_echo)
        reply(QByteArray(1, c));
    if (m_entry.size() < kMaxEntry)
        m_entry += c;
    if (m_entry.size() == m_fixedSendLength)
        finishLinkData();
}

void GsmModem::finishLinkData()
{
    m_input = Input::Command;
    const QByteArray data = m_entry;
    emit note(QStringLiteral("sent %1 bytes to %2")
                  .arg(data.size())
                  .arg(QString::fromLatin1(m_linkPeer)));
    info("SEND OK");
    // The server sends everything straight back.
    QTimer::singleShot(kServerEchoDelayMs, this, [this, data] {
        if (m_link == LinkState::Connected)
            reply(data);
    });
}
