#pragma once

#include <QByteArray>
#include <QString>

#include <memory>

class QTextCodec;
class QTextDecoder;

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

// Received text decoded read by read as one stream: a GB18030 character
// split between two reads comes out whole with the second. Each read is
// taken up to its first zero byte, as cStringBytesToText does; a character
// cut off by the zero byte is dropped with the rest of that read.
class StreamTextDecoder
{
public:
    StreamTextDecoder();
    ~StreamTextDecoder();
    StreamTextDecoder(const StreamTextDecoder &) = delete;
    StreamTextDecoder &operator=(const StreamTextDecoder &) = delete;

    QString decode(const QByteArray &bytes);
    // Forgets a character begun and not finished: the source has closed or
    // changed.
    void reset();

private:
    std::unique_ptr<QTextDecoder> m_decoder;
};
