// What the simulated car hears: parameter lines and frames mixed, cut into
// reads anywhere. Every answer is whole: frames of command 4, or lines
// "name:value" of a bounded length, or nothing under JustFloat.
//
// Input: a byte choosing the answer's form, a byte giving the read size,
// then the stream.
#include "carlistener.h"
#include "fuzzcheck.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>

namespace {

void checkFrames(const QByteArray &answers)
{
    check(answers.size() % 9 == 0, "answers are whole frames");
    for (int at = 0; at < answers.size(); at += 9) {
        check(answers[at] == '\x04' && answers[at + 1] == '\xfb' && answers[at + 7] == '\xfb'
                  && answers[at + 8] == '\x04',
              "a frame of command 4");
    }
}

void checkLines(const QByteArray &answers)
{
    check(answers.isEmpty() || answers.endsWith('\n'), "answers are whole lines");
    const QByteArrayList lines = answers.split('\n');
    for (const QByteArray &line : lines) {
        const int colon = line.indexOf(':');
        check(line.isEmpty() || (colon > 0 && colon <= CarListener::kMaxName), "name:value");
        check(line.size() <= CarListener::kMaxName + 1 + 32, "a short line");
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 2)
        return 0;
    const auto answer = CarListener::Answer(data[0] % 3);
    const size_t read = 1 + data[1] % 64;
    // What the car prints of each value and line is not under test.
    static FILE *const nowhere = std::fopen("/dev/null", "w");
    check(nowhere != nullptr, "/dev/null opens");
    CarListener listener({"speed", "kp", "ki", "kd"}, answer, {}, nowhere, nowhere);
    for (size_t at = 2; at < size; at += read) {
        const size_t length = std::min(read, size - at);
        const QByteArray answers =
            listener.take(QByteArray(reinterpret_cast<const char *>(data + at), int(length)));
        if (answer == CarListener::Answer::Frame)
            checkFrames(answers);
        else if (answer == CarListener::Answer::Line)
            checkLines(answers);
        else
            check(answers.isEmpty(), "nothing under JustFloat");
    }
    return 0;
}
