#pragma once

#include <QByteArray>
#include <QString>
#include <QtGlobal>

#include <array>
#include <optional>

// The user choices kept between runs: one fixed 332-byte little-endian
// record, the file "soft_cfg.bin" in the working directory. Texts are kept
// as the GB18030 bytes the file holds.
struct SettingsRecord
{
    static constexpr int kSize = 332;
    static constexpr qint32 kTag = 116;
    static constexpr int kPages = 6;
    static constexpr int kChannels = 8;
    static constexpr int kChannelNameBytes = 31;
    static constexpr int kAddressBytes = 24;

    // Baud rate, data bits, parity and stop bits, as combo box indexes.
    using SerialIndexes = std::array<quint8, 4>;

    qint32 imageWidth = 0;
    qint32 imageHeight = 0;
    // The page number (in the initial order) shown at each position.
    std::array<quint8, kPages> tabOrder{};
    quint8 currentTab = 0;
    SerialIndexes uartSerial{};
    SerialIndexes carSerial{};
    quint8 imageMode = 0;
    quint8 ccdCount = 0;
    quint8 channelCount = 0;
    quint8 sampleType = 0;
    std::array<bool, kChannels> channelShown{};
    std::array<QByteArray, kChannels> channelNames;
    SerialIndexes gsmSerial{};
    qint32 gsmLocalPort = 0;
    qint32 gsmServerPort = 0;
    QByteArray gsmAddress;

    // The record in these bytes; nothing unless they are exactly kSize long
    // and start with the tag.
    static std::optional<SettingsRecord> fromBytes(const QByteArray &bytes);
    // Names are cut to 31 bytes, never inside a character, and always
    // terminated; the address is cut to 24.
    QByteArray toBytes() const;

    // Whether the tab order names every page exactly once.
    bool hasValidTabOrder() const;
};

// The record in the file, silently nothing when it cannot be read or is no
// record; a file that cannot be opened leaves one debug trace line.
std::optional<SettingsRecord> loadSettingsFile(const QString &path);
// Writes the record to a new file beside `path` and renames it over `path`
// once it is whole: a failed write leaves the old file as it was, and a
// symbolic link named `path` is replaced, never written through. A file
// that cannot be created leaves one debug trace line. `error`, if given,
// says why a save failed.
bool saveSettingsFile(const QString &path, const SettingsRecord &record,
                      QString *error = nullptr);
