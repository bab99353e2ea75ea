// The frame description reader: any text is read or refused with a reason;
// what is read is sound (1..8 channels, every part inside the frames its
// length allows), and a frame made of it for each type reads back as that
// frame, to the decoder as to the test box.
#include "customframedecoder.h"
#include "fuzzcheck.h"

#include <cstdint>

using namespace FrameFormat;

namespace {

void checkSound(const Description &description)
{
    const int channels = int(description.channels.size());
    check(!description.header.isEmpty(), "a header");
    check(channels >= 1 && channels <= kMaxChannels, "1 to 8 channels");
    const int shortest = description.minimumFrameBytes();
    const int longest = description.maximumFrameBytes();
    check(shortest >= description.header.size() && shortest <= longest && longest <= kMaxFrameBytes,
          "frames between the header and the largest");
    for (const Type &type : description.types) {
        for (const Field &field : type.fields)
            check(field.channel >= 0 && field.channel < channels && description.channels.at(field.channel) == field.name,
                  "a field's channel is its name's");
    }
}

// A frame of each type holding values from the input reads back as a good
// frame or, where its match bytes lie under the header, length or checksum,
// as one of no type; the decoder agrees with the test box.
void checkFrames(const Description &description, const uint8_t *data, size_t size)
{
    double values[kMaxChannels];
    for (int i = 0; i < kMaxChannels; ++i)
        values[i] = size > size_t(i) ? double(int8_t(data[i])) : 0.0;
    for (int type = 0; type < int(description.types.size()); ++type) {
        const QByteArray frame = encode(description, type, values);
        const int frameBytes = frame.size() - description.trailer.size();
        check(frameBytes >= description.minimumFrameBytes() && frameBytes <= description.maximumFrameBytes(),
              "made frames have a length the description allows");
        const Inspection seen = inspect(description, frame);
        check(seen.verdict == Inspection::Verdict::Good || seen.verdict == Inspection::Verdict::UnknownType,
              "made frames are good or of no type");
        check(seen.frameBytes == frameBytes, "the test box finds the frame's length");
        CustomFrameDecoder decoder(description);
        decoder.append(frame);
        if (seen.verdict == Inspection::Verdict::Good)
            check(decoder.counts().good == 1 && decoder.lastGoodFrame() == frame.left(frameBytes),
                  "the decoder reads what the test box calls good");
    }
}

} // namespace

// Qt's JSON reader loses an array or object a repeated key replaces (a few
// bytes a key); nothing of ours is allocated by hand.
extern "C" const char *__lsan_default_suppressions()
{
    return "leak:libQt5Core.so\n";
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray json(reinterpret_cast<const char *>(data), int(size));
    Description description;
    Refusal refusal;
    if (!parse(json, &description, &refusal)) {
        check(!refusal.reason.isEmpty(), "a refusal gives its reason");
        return 0;
    }
    checkSound(description);
    checkFrames(description, data, size);
    return 0;
}
