#pragma once

#include <QByteArray>
#include <QString>

class QTextCodec;

// The devices this tool talks to (car firmware, GSM modules, Chinese GPS
// forwarders) send and expect GB18030. Every conversion between bytes on
// the wire and text on screen goes through these helpers, so no part of the
// program depends on the process locale.
QTextCodec *gb18030Codec();

// All bytes decoded as GB18030.
QString bytesToText(const QByteArray &bytes);

// Received bytes shown as text: taken up to the first zero byte, then
// decoded as GB18030 (the way a C string is read).
QString cStringBytesToText(const QByteArray &bytes);

// Text encoded as GB18030 bytes.
QByteArray textToBytes(const QString &text);
