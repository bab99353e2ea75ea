#pragma once

// The number types a car can send as oscilloscope samples, in the order of
// the type combo (the code is the combo item's data and, plus one, the type
// number in waveform files).
struct SampleType
{
    const char *name;
    int size;       // bytes per sample on the wire
    double yMin;    // Y range that suits the type
    double yMax;
};

constexpr int kSampleTypeCount = 8;

// The entry of `code` (0..7); an out-of-range code is treated as 0.
const SampleType &sampleType(int code);

enum SampleTypeCode { Int8, UInt8, Int16, UInt16, Int32, UInt32, Float, Double };

// Decodes one little-endian sample of type `code` at `bytes`.
double decodeSample(int code, const char *bytes);

// Decodes `count` samples of type `code` lying back to back in `payload`.
void decodeSamples(int code, int count, const char *payload, double *values);
