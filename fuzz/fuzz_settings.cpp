// Any bytes as the settings file.
#include "fuzzcheck.h"
#include "settingsrecord.h"

#include <QByteArray>

#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), int(size));
    const auto record = SettingsRecord::fromBytes(bytes);
    check(bool(record) == (size == SettingsRecord::kSize && size >= 4 && data[0] == 116
                           && data[1] == 0 && data[2] == 0 && data[3] == 0),
          "a record is exactly the right size with its tag");
    if (!record)
        return 0;
    for (const QByteArray &name : record->channelNames)
        check(name.size() <= SettingsRecord::kChannelNameBytes && !name.contains('\0'),
              "a name is read as it will be written");
    check(record->gsmAddress.size() <= SettingsRecord::kAddressBytes
              && !record->gsmAddress.contains('\0'),
          "the address stays in its field");

    const QByteArray written = record->toBytes();
    check(written.size() == SettingsRecord::kSize, "what is written is a whole record");
    const auto again = SettingsRecord::fromBytes(written);
    check(bool(again), "what is written reads back");
    check(again->toBytes() == written, "writing what was read back changes nothing");
    check(again->channelNames == record->channelNames, "names read back as they were read");
    for (int at : {4, 8, 12, 13, 14, 15, 16, 17, 18, 19, 20, 21, 22, 24, 25, 26, 27, 28, 29, 30, 31,
                   296, 297, 298, 299, 300, 301, 302, 303, 304, 305, 306, 307})
        check(written.at(at) == bytes.at(at), "numbers and indexes are kept as they were");
    return 0;
}
