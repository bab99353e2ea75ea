#include "sampletypes.h"

#include <QtEndian>

#include <algorithm>
#include <cstring>

namespace {

constexpr SampleType kSampleTypes[kSampleTypeCount] = {
    {"int8_t", 1, -128, 128},     {"uint8_t", 1, 0, 256},      {"int16_t", 2, -2000, 2000},
    {"uint16_t", 2, 0, 4000},     {"int32_t", 4, -3000, 3000}, {"uint32_t", 4, 0, 1000},
    {"float", 4, 0, 1000},        {"double", 8, 0, 1000}};

template <typename T>
T little(const char *bytes)
{
    return qFromLittleEndian<T>(bytes);
}

// Inlined into the loops below, where the code is a constant.
inline double decodeTyped(int code, const char *bytes)
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

} // namespace

const SampleType &sampleType(int code)
{
    return kSampleTypes[code >= 0 && code < kSampleTypeCount ? code : 0];
}

double decodeSample(int code, const char *bytes)
{
    return decodeTyped(code, bytes);
}

namespace {

// One loop per type: the type is chosen once per row, not per sample.
template <int Code>
void decodeAll(int count, const char *payload, double *values)
{
    constexpr int size = kSampleTypes[Code].size;
    for (int channel = 0; channel < count; ++channel)
        values[channel] = decodeTyped(Code, payload + channel * size);
}

} // namespace

void decodeSamples(int code, int count, const char *payload, double *values)
{
    switch (code) {
    case Int8:
        return decodeAll<Int8>(count, payload, values);
    case UInt8:
        return decodeAll<UInt8>(count, payload, values);
    case Int16:
        return decodeAll<Int16>(count, payload, values);
    case UInt16:
        return decodeAll<UInt16>(count, payload, values);
    case Int32:
        return decodeAll<Int32>(count, payload, values);
    case UInt32:
        return decodeAll<UInt32>(count, payload, values);
    case Float:
        return decodeAll<Float>(count, payload, values);
    case Double:
        return decodeAll<Double>(count, payload, values);
    default:
        std::fill(values, values + count, 0.0);
    }
}
