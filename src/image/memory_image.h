#pragma once
// The program's one picture of a chip's memories, by chip word address:
//   0x0000..0x1FFF program memory, 0x2000..0x2003 ID locations, 0x2006 device ID,
//   0x2007 configuration word, 0x2008 the second one (16F87/88 only),
//   0x2100 + n data EEPROM byte n (low 8 bits).
// In HEX files the byte address is twice the word address.

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

namespace pk {

// A word or byte array entry the file gives: bit 15 clear. Absent entries
// (MemoryImage::AbsentWord, ByteImage::AbsentByte) have it set.
constexpr bool present(std::uint16_t word) {
    return (word & 0x8000) == 0;
}

struct MemoryImage {
    static constexpr std::size_t Size = 0x2200;
    // A HexWords entry the file did not give. Differs from the chip's erased 0x3FFF.
    static constexpr std::uint16_t AbsentWord = 0xFFFF;
    // An ID value that is absent or switched off (bit 15 set).
    static constexpr std::int32_t IdNone = 0x8000;

    static constexpr int IdBase = 0x2000;
    static constexpr int DeviceIdAddr = 0x2006;
    static constexpr int ConfigAddr = 0x2007;
    static constexpr int Config2Addr = 0x2008;
    static constexpr int EepromBase = 0x2100;

    // What the loaded HEX file gives: 14-bit values, or AbsentWord.
    std::array<std::uint16_t, Size> HexWords{};
    // What was last read from or verified in the chip; 0xFFFF where nothing was read.
    std::array<std::uint16_t, Size> ReadBack{};
    std::string HexFileName;
    bool HexLoaded = false;
    // The configuration word to burn and compare; bit 15 set means no value.
    std::uint16_t ConfigWord = 0xFFFF;
    // The second configuration word, on chips that have one; bit 15 set otherwise.
    std::uint16_t ConfigWord2 = 0xFFFF;
    // The ID values in effect, and those chosen in the ID editor (0..15 or IdNone).
    std::array<std::int32_t, 4> IdWords{IdNone, IdNone, IdNone, IdNone};
    std::array<std::int32_t, 4> IdEdited{IdNone, IdNone, IdNone, IdNone};

    MemoryImage() { startupInit(); }

    // Every HexWords entry becomes AbsentWord; done before each load.
    void clear() { HexWords.fill(AbsentWord); }

    // The state at program start: nothing loaded, nothing read, no ID values.
    void startupInit() {
        HexLoaded = false;
        clear();
        ReadBack = HexWords;
        IdWords.fill(IdNone);
        IdEdited.fill(IdNone);
    }

    // The file gives the word at this address (bit 15 clear).
    bool present(std::size_t address) const {
        return address < Size && pk::present(HexWords[address]);
    }
};

// True when the value is an ID value (bit 15 clear).
constexpr bool idPresent(std::int32_t value) {
    return (value & MemoryImage::IdNone) == 0;
}

// The four ID values the loaded file gives, zero-extended: an absent word keeps
// bit 15 set and so counts as absent.
inline std::array<std::int32_t, 4> idWordsFromFile(const MemoryImage& image) {
    std::array<std::int32_t, 4> ids{};
    for (std::size_t k = 0; k < ids.size(); ++k) {
        ids[k] = image.HexWords[MemoryImage::IdBase + k];
    }
    return ids;
}

// True when the file gives at least one data-EEPROM byte of a chip whose last
// EEPROM offset is dataLastAddr (-1: no EEPROM, never true).
inline bool hasEepromData(const MemoryImage& image, std::int32_t dataLastAddr) {
    for (std::int32_t n = 0; n <= dataLastAddr; ++n) {
        if (image.present(static_cast<std::size_t>(MemoryImage::EepromBase + n))) {
            return true;
        }
    }
    return false;
}

}  // namespace pk
