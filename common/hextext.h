#pragma once

#include <QByteArray>
#include <QString>

// Bytes shown as hexadecimal: two upper-case digits and one blank per byte,
// trailing blank included, no line breaks ("1A 2B ").
QString bytesToHexText(const QByteArray &bytes);

// Typed hexadecimal turned into bytes. Blanks (the space character only)
// between pairs are skipped; each other character starts a pair with the one
// right after it. The walk stops at the first pair that is not two hex digits
// and keeps what it had, and a lone last digit is dropped: "1A 2B", "1A2B"
// and "1a 2b" all give 0x1A 0x2B, "1A 2" gives 0x1A, "1 A" gives nothing.
QByteArray hexTextToBytes(const QString &text);

struct HexTextBytes
{
    QByteArray bytes;
    // The typed text from where the walk stopped to its end; empty when it
    // took everything.
    QString leftOut;
};

// hexTextToBytes, also saying what it left out.
HexTextBytes hexTextToBytesReporting(const QString &text);
