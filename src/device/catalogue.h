#pragma once
// The chip catalogue: the single table of what differs between the supported
// chips. Everything else asks this table instead of switching on the type.

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace pk {

// The entry's value is the item index of the type list.
enum DeviceType : std::int32_t {
    Dev16F84 = 0,
    Dev16F876_877 = 1,
    Dev16F873_874 = 2,
    Dev16F870_872 = 3,
    Dev16F76_77 = 4,
    Dev16F73_74 = 5,
    Dev16F627 = 6,
    Dev16F628 = 7,
    Dev16F627A_628A = 8,
    Dev16F648A = 9,
    Dev16F873A_874A = 10,
    Dev16F876A_877A = 11,
    Dev16F87_88 = 12,
    Dev16F818_819 = 13,
};

inline constexpr int kDeviceTypeCount = 14;

// How program memory is written.
enum class WriteScheme {
    WordByWord,           // erase/program cycle per word, read back at once
    PairsAfterBulkErase,  // 16F7x: bulk erase, two words per programming cycle, verify after
};

// Which configuration-word layout the fuse controls use.
// Layout62xA: one CP bit (13). Layout87xA: one CP bit, DEBUG, WRT1:0. Layout88
// (16F87/88, 16F818/819): as Layout87xA with the 16F62x's oscillator modes and MCLRE.
enum class ConfigLayout {
    Layout84,
    Layout87x,
    Layout7x,
    Layout62x,
    Layout62xA,
    Layout87xA,
    Layout88
};

struct DeviceInfo {
    DeviceType type;
    std::string_view listText;  // text in the type list
    std::int32_t progLastAddr;  // last program word address
    int flashK;                 // number on the flash label (k words)
    std::int32_t dataLastAddr;  // last EEPROM offset, -1 for none
    int eepromBytes;            // number on the EEPROM label
    WriteScheme writeScheme;
    ConfigLayout configLayout;
    std::array<std::uint16_t, 3> idCodes;  // device ID codes (ID word AND 0x3FE0); 0 = unused slot
    std::array<std::string_view, 3> switches;  // command-line switches, lower case; "" = unused
    std::string_view mapName;                  // type name on the memory map
};

// clang-format off
inline constexpr std::array<DeviceInfo, kDeviceTypeCount> kDevices{{
    {Dev16F84,      "16F84/84A",   0x03FF, 1, 0x3F,  64, WriteScheme::WordByWord,          ConfigLayout::Layout84,
     {0x0540, 0x0560, 0},      {"/p16f84", "/p16f84a", ""},   "PIC 16F 84/84A"},
    {Dev16F876_877, "16F876/877",  0x1FFF, 8, 0xFF, 256, WriteScheme::WordByWord,          ConfigLayout::Layout87x,
     {0x09A0, 0x09E0, 0},      {"/p16f876", "/p16f877", ""},  "PIC 16F 876/877"},
    {Dev16F873_874, "16F873/874",  0x0FFF, 4, 0x7F, 128, WriteScheme::WordByWord,          ConfigLayout::Layout87x,
     {0x0920, 0x0960, 0},      {"/p16f873", "/p16f874", ""},  "PIC 16F 873/874"},
    {Dev16F870_872, "16F870..872", 0x07FF, 2, 0x3F,  64, WriteScheme::WordByWord,          ConfigLayout::Layout87x,
     {0x08E0, 0x0D00, 0x0D20}, {"/p16f870", "/p16f871", "/p16f872"}, "PIC 16F 870/871"},
    {Dev16F76_77,   "16F76/77",    0x1FFF, 8, -1,     0, WriteScheme::PairsAfterBulkErase, ConfigLayout::Layout7x,
     {0x0640, 0x0660, 0},      {"/p16f76", "/p16f77", ""},    "PIC 16F 76/76"},
    {Dev16F73_74,   "16F73/74",    0x0FFF, 4, -1,     0, WriteScheme::PairsAfterBulkErase, ConfigLayout::Layout7x,
     {0x0600, 0x0620, 0},      {"/p16f73", "/p16f74", ""},    "PIC 16F 73/74"},
    {Dev16F627,     "16F627",      0x03FF, 1, 0x7F, 128, WriteScheme::WordByWord,          ConfigLayout::Layout62x,
     {0x07A0, 0x07E0, 0},      {"/p16f627", "", ""},          "PIC 16F 627"},
    {Dev16F628,     "16F628",      0x07FF, 2, 0x7F, 128, WriteScheme::WordByWord,          ConfigLayout::Layout62x,
     {0x07C0, 0, 0},           {"/p16f628", "", ""},          "PIC 16F 628"},
    // The chips sold today, after the original list so its indexes keep their meaning.
    {Dev16F627A_628A, "16F627A/628A", 0x07FF, 2, 0x7F, 128, WriteScheme::WordByWord,      ConfigLayout::Layout62xA,
     {0x1040, 0x1060, 0},      {"/p16f627a", "/p16f628a", ""}, "PIC 16F 627A/628A"},
    {Dev16F648A,    "16F648A",     0x0FFF, 4, 0xFF, 256, WriteScheme::WordByWord,          ConfigLayout::Layout62xA,
     {0x1100, 0, 0},           {"/p16f648a", "", ""},         "PIC 16F 648A"},
    {Dev16F873A_874A, "16F873A/874A", 0x0FFF, 4, 0x7F, 128, WriteScheme::WordByWord,      ConfigLayout::Layout87xA,
     {0x0E40, 0x0E60, 0},      {"/p16f873a", "/p16f874a", ""}, "PIC 16F 873A/874A"},
    {Dev16F876A_877A, "16F876A/877A", 0x1FFF, 8, 0xFF, 256, WriteScheme::WordByWord,      ConfigLayout::Layout87xA,
     {0x0E00, 0x0E20, 0},      {"/p16f876a", "/p16f877a", ""}, "PIC 16F 876A/877A"},
    {Dev16F87_88,   "16F87/88",    0x0FFF, 4, 0xFF, 256, WriteScheme::WordByWord,          ConfigLayout::Layout88,
     {0x0720, 0x0760, 0},      {"/p16f87", "/p16f88", ""},    "PIC 16F 87/88"},
    {Dev16F818_819, "16F818/819",  0x07FF, 2, 0xFF, 256, WriteScheme::WordByWord,          ConfigLayout::Layout88,
     {0x04C0, 0x04E0, 0},      {"/p16f818", "/p16f819", ""},  "PIC 16F 818/819"},
}};
// clang-format on

// The row of a type list index, or nullptr for an index outside the list (e.g. -1).
const DeviceInfo* deviceInfo(std::int32_t type);

// Is this type one of the 16F7x, with one protection setting and no EEPROM?
bool is16F7x(std::int32_t type);

// Result of mapping a device ID word to a catalogue entry.
struct IdLookup {
    DeviceType type = Dev16F84;
    bool noChip = false;     // all ID bits read as ones: nothing answered
    bool unknown = false;    // a code that is not in the table
    bool is84A = false;      // a 16F84 with device ID (16F84A)
    std::uint16_t code = 0;  // ID word AND 0x3FE0
    int revision = 0;        // ID word AND 0x001F
    // The text shown after "Chip-Revision: ": the revision, "?" for no chip,
    // or the code in decimal for an unknown chip.
    std::string revisionText() const;
};

IdLookup lookupDeviceId(std::uint16_t idWord);

// A command-line type switch (already in lower case) and what it selects.
struct SwitchMatch {
    DeviceType type;
    bool is84A;  // "/p16f84a" also marks the chip as one with a device ID
};
std::optional<SwitchMatch> lookupSwitch(std::string_view lowerSwitch);

// Device state held by the main window.
struct DeviceState {
    std::int32_t CurrentType = Dev16F876_877;
    std::int32_t ProgLastAddr = 0x1FFF;
    std::int32_t DataLastAddr = 0xFF;
    bool Is84A = false;
};

}  // namespace pk
