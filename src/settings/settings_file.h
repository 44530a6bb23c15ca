#pragma once
// The settings file "PKorvel.ini": despite its name one binary 24-byte record,
// little-endian:
//    0  int32  format version, 5
//    4  byte   timing: 1 data sheet, anything else classic (older files hold 0)
//    5  byte   VPP at MCLR in tenths of a volt (80..150); 0 in older files: 13,0 V
//    6  2 bytes reserved, written back as read
//    8  int32  DriverIndex
//   12  int32  SwitchIndex
//   16  byte   QuickAndDirty (0/1)
//   17  byte   ModelK1 (0/1)
//   18  byte   AutoSpeed (0/1)
//   19  byte   padding, written back as read
//   20  int32  DelayCount
// The program keeps one record buffer for its whole run: loading fills it, saving
// overwrites the known fields and writes all 24 bytes, so bytes this version does not
// understand survive.

#include <array>
#include <cstdint>
#include <string>

#include "image/atomic_file.h"
#include "link/settings.h"

namespace pk {

struct SettingsRecord {
    static constexpr std::size_t Size = 24;
    static constexpr std::int32_t CurrentVersion = 5;
    // The first of the reserved bytes, which every older file leaves 0.
    static constexpr std::size_t TimingOffset = 4;
    static constexpr std::size_t VppOffset = 5;

    std::array<std::uint8_t, Size> bytes{};

    std::int32_t version() const { return int32At(0); }
    // Takes the fields of a version-5 record. DelayCount only when the stored AutoSpeed
    // is off; with automatic speed the measured value stands.
    void applyTo(ProgrammerSettings& settings) const;
    // Version 5 and the fields; bytes 6, 7 and 19 keep what the buffer holds.
    void fillFrom(const ProgrammerSettings& settings);

    std::int32_t int32At(std::size_t offset) const;
    void setInt32At(std::size_t offset, std::int32_t value);
};

// "PKorvel.ini" in the user's configuration folder: $XDG_CONFIG_HOME when it is an
// absolute path, else $HOME/.config.
std::string SettingsFilePath();

// Reads the first record of the file into `record` and, when it has version 5, takes
// its values into `settings`. A missing, unreadable or short file leaves both as they
// are; a record of another version fills the buffer but changes no setting. Nothing is
// reported: the defaults simply stand. Returns true when the settings were taken.
// A driver and switch that name no usable circuit are not taken: the two indexes keep
// their values and `refusal` (when given) receives the German reason, naming the file.
bool LoadSettingsFile(const std::string& path, SettingsRecord& record, ProgrammerSettings& settings,
                      std::string* refusal = nullptr);

// Fills the buffer from `settings` and saves it atomically, creating the folder when
// needed. On failure the previous file is unchanged.
SaveResult SaveSettingsFile(const std::string& path, SettingsRecord& record,
                            const ProgrammerSettings& settings, SaveFileOps* ops = nullptr);

// The German message for a failed settings save, naming the file and the reason.
std::string SettingsSaveMessage(const std::string& path, const SaveResult& result);

}  // namespace pk
