#pragma once

#include <QByteArray>

#include <initializer_list>

// Bytes written out as numbers: bytes({0x03, 0xFC}).
inline QByteArray bytes(std::initializer_list<int> values)
{
    QByteArray out;
    for (int value : values)
        out.append(char(value));
    return out;
}
