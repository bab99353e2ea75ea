#pragma once

#include <QByteArray>
#include <QVector>
#include <QtEndian>

#include <cstring>
#include <initializer_list>

// Bytes written out as numbers: bytes({0x03, 0xFC}).
inline QByteArray bytes(std::initializer_list<int> values)
{
    QByteArray out;
    for (int value : values)
        out.append(char(value));
    return out;
}

// Floats as a little-endian device sends them.
inline QByteArray floatBytes(const QVector<float> &values)
{
    QByteArray out;
    for (float value : values) {
        quint32 bits;
        std::memcpy(&bits, &value, sizeof bits);
        bits = qToLittleEndian(bits);
        out.append(reinterpret_cast<const char *>(&bits), sizeof bits);
    }
    return out;
}

// One JustFloat frame: the floats, then the tail 00 00 80 7F.
inline QByteArray justFloatFrame(const QVector<float> &values)
{
    return floatBytes(values) + QByteArray("\x00\x00\x80\x7f", 4);
}
