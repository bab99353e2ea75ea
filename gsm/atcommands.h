#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

// The AT commands the GSM tab builds from the user's input. Text goes to the
// module as GB18030 (plain ASCII for the digits and letters of a command);
// an SMS with any character above 127 goes in UCS2.

QByteArray dialCommand(const QString &number);
QByteArray readSmsCommand(const QString &index);
QByteArray volumeCommand(int level);
// Storing the own number: select the own-number phone book, then write
// the number into its first place.
QByteArray ownNumberBookCommand();
QByteArray ownNumberWriteCommand(const QString &number);

// Whether the text needs UCS2: one character above 127 is enough.
bool needsUcs2(const QString &text);

// Every UTF-16 unit as four lower-case hex digits, no separators
// ("1" gives "0031", U+4E2D gives "4e2d").
QByteArray ucs2Hex(const QString &text);

// Hex text (as typed: blanks skipped, stopping at the first bad pair) read
// as big-endian UTF-16 units; units 0000 and an odd last byte add nothing.
QString ucs2HexToText(const QString &hex);

// Whether bytes handed to the module as a message's body hold Ctrl-Z or Esc:
// either ends the message there, and the module would take the rest as
// commands.
bool endsMessageEarly(const QByteArray &body);
// Whether the SMS text goes out with such a byte (only in GSM text mode:
// UCS2 goes as hex digits).
bool smsEndsEarly(const QString &text);

// The writes of one SMS, each to be sent after a pause behind the one before:
// four in GSM text mode, six in UCS2 mode; none for a text that ends early.
QList<QByteArray> smsWrites(const QString &number, const QString &text);
// Which of those writes is the body, the one after AT+CMGS that the module
// takes only once it has prompted "> "; -1 when there is none.
int smsBodyWrite(const QList<QByteArray> &writes);

// GPRS: attach and set the access point, in this order.
QList<QByteArray> gprsInitWrites();
// Local port, then the connection to the server; `protocol` is "TCP" or "UDP".
QList<QByteArray> gprsLinkWrites(const QByteArray &protocol, const QString &serverAddress,
                                 int serverPort, int localPort);
// The send command, then the data closed by Ctrl-Z in one write; none for
// data that ends early.
QList<QByteArray> gprsSendWrites(const QByteArray &data);

constexpr char kCtrlZ = '\x1A';
constexpr char kEsc = '\x1B';
