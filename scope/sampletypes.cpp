#include "sampletypes.h"

#include <QtEndian>

#include <cstring>

namespace {

const SampleType kSampleTypes[kSampleTypeCount] = {
    {"int8_t", 1, -128, 128},     {"uint8_t", 1, 0, 256},      {"int16_t", 2, -2000, 2000},
    {"uint16_t", 2, 0, 4000},     {"int32_t", 4, -3000, 3000}, {"uint32_t", 4, 0, 1000},
    {"float", 4, 0, 1000},        {"double", 8, 0, 1000}};

template <typename T>
T little(const char *bytes)
{
    return qFromLittleEndian<T>(bytes);
}

} // namespace

const SampleType &sampleType(int code)
{
    return kSampleTypes[code >= 0 && code < kSampleTypeCount ? code : 0];
}

double decodeSample(int code, const char *bytes)
{
    switch (code) {
    case Int8:
        return qint8(bytes[0]);
    case UInt8:
        return quint8(bytes[0]);
    case Int16:
        return little<qint16>(bytes);
    case UInt16:
        return little<quint16>(bytes);
    case Int32:
        return little<qint32>(bytes);
    case UInt32:
        return little<quint32>(bytes);
    case Float: {
        const quint32 bits = little<quint32>(bytes);
        float value;
        std::memcpy(&value, &bits, sizeof value);
        return value;
    }
    case Double: {
        const quint64 bits = little<quint64>(bytes);
        double value;
        std::memcpy(&value, &bits, sizeof value);
        return value;
    }
    default:
        return 0;
    }
}

void decodeSamples(int code, int count, const char *payload, double *values)
{
    const int size = sampleType(code).size;
    for (int channel = 0; channel < count; ++channel)
        values[channel] = decodeSample(code, payload + channel * size);
}
