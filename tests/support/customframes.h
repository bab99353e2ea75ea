#pragma once

#include "framedescription.h"

#include <QByteArray>
#include <QVector>

// Frames a user described: two floats in either byte order behind a
// length byte and a type byte, with a CRC-16/MODBUS.
inline const char kPairFrames[] = R"({"format": "zentrik-frame", "version": 1, "name": "pair",
  "header": "A5 5A", "length": {"at": 2, "size": 1, "endian": "little", "add": 0},
  "types": [{"name": "pair", "match": [{"at": 3, "is": "01"}],
             "fields": [{"name": "left", "at": 4, "type": "f32", "endian": "big"},
                        {"name": "right", "at": 8, "type": "f32", "endian": "little"}]}],
  "checksum": {"kind": "crc16-modbus", "from": 0, "to": -2, "at": -2, "endian": "little"}})";

inline FrameFormat::Description pairDescription()
{
    FrameFormat::Description description;
    FrameFormat::Refusal refusal;
    FrameFormat::parse(QByteArray(kPairFrames), &description, &refusal);
    return description;
}

inline QByteArray pairFrame(double left, double right)
{
    const double values[] = {left, right};
    return FrameFormat::encode(pairDescription(), 0, values);
}

// The frame with its checksum made good again after a change.
inline QByteArray withGoodChecksum(QByteArray frame)
{
    const quint32 sum = FrameFormat::checksum(FrameFormat::ChecksumKind::Crc16Modbus,
                                              frame.constData(), frame.size() - 2);
    frame[frame.size() - 2] = char(sum & 0xFF);
    frame[frame.size() - 1] = char(sum >> 8);
    return frame;
}

// One frame whose checksum fails, then one of a type the description does
// not know: neither is a sample.
inline QByteArray pairFramesToDrop()
{
    QByteArray badChecksum = pairFrame(5, 5);
    badChecksum[badChecksum.size() - 1] = char(badChecksum.back() ^ 0x01);
    QByteArray unknownType = pairFrame(6, 6);
    unknownType[3] = 0x02;
    return badChecksum + withGoodChecksum(unknownType);
}
