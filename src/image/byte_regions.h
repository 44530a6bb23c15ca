#pragma once
// Where a chip keeps its memories in a HEX file, and how many bytes of each it
// has. The PIC18F's places are the defaults:
//   0x000000 + n   program memory byte n
//   0x200000..07   the eight ID bytes
//   0x300000 + n   configuration byte n
//   0xF00000 + n   data EEPROM byte n
// a word-addressed family puts its words there as two bytes each, low byte
// first, at twice the word address. The sizes come from the chip's catalogue row. Header-only, so
// that the HEX reader's messages can place an address without linking more than the reader.

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>

namespace pk {

enum class ByteArea { Program, Id, Config, Eeprom };

// The areas in ascending address order.
inline constexpr std::array<ByteArea, 4> kByteAreas{ByteArea::Program, ByteArea::Id,
                                                    ByteArea::Config, ByteArea::Eeprom};

// Where an area lies: in the HEX file (base, size) and in the image's arrays (first).
struct ByteAreaPlace {
    std::uint32_t base = 0;
    std::uint32_t size = 0;
    std::size_t first = 0;
};

struct ByteRegions {
    static constexpr std::uint32_t ProgramBase = 0x000000;
    static constexpr std::uint32_t IdBase = 0x200000;
    static constexpr std::uint32_t IdBytes = 8;
    static constexpr std::uint32_t ConfigBase = 0x300000;
    static constexpr std::uint32_t EepromBase = 0xF00000;
    // Each area's window: program memory ends where the IDs begin, configuration and
    // EEPROM bytes may fill their megabyte. Larger sizes are cut to these.
    static constexpr std::uint32_t MaxProgramBytes = IdBase - ProgramBase;
    static constexpr std::uint32_t MaxConfigBytes = 0x100000;
    static constexpr std::uint32_t MaxEepromBytes = 0x100000;

    std::uint32_t programBytes = 0;
    std::uint32_t configBytes = 0;
    std::uint32_t eepromBytes = 0;  // 0: the chip has no data EEPROM (or data flash)
    // Where the areas after program memory begin, and the ID area's size; no
    // two areas may overlap.
    std::uint32_t idAt = IdBase;
    std::uint32_t idBytes = IdBytes;
    std::uint32_t configAt = ConfigBase;
    std::uint32_t eepromAt = EepromBase;

    // The same sizes, each cut to its window.
    ByteRegions bounded() const;
    ByteAreaPlace place(ByteArea area) const;
    // Bytes in all areas together: the length of the image's arrays.
    std::size_t totalBytes() const;
    // The array index of a HEX address; nullopt when no area of the chip holds it.
    std::optional<std::size_t> indexOf(std::uint64_t address) const;

    bool operator==(const ByteRegions&) const = default;
};

// Why a HEX address is not the chip's, in German for a message ("liegt hinter dem
// Programmspeicher des PIC (höchstens 0x007FFF)"); empty when the chip has it.
std::string ByteAddressOutside(std::uint64_t address, const ByteRegions& regions);

// A HEX address as the messages write it: 0x followed by at least six digits.
std::string HexByteAddress(std::uint64_t address);

inline ByteRegions ByteRegions::bounded() const {
    ByteRegions r;
    r.programBytes = std::min(programBytes, MaxProgramBytes);
    r.configBytes = std::min(configBytes, MaxConfigBytes);
    r.eepromBytes = std::min(eepromBytes, MaxEepromBytes);
    r.idAt = idAt;
    r.idBytes = idBytes;
    r.configAt = configAt;
    r.eepromAt = eepromAt;
    return r;
}

inline ByteAreaPlace ByteRegions::place(ByteArea area) const {
    const ByteRegions r = bounded();
    const std::size_t idFirst = r.programBytes;
    const std::size_t configFirst = idFirst + r.idBytes;
    const std::size_t eepromFirst = configFirst + r.configBytes;
    switch (area) {
        case ByteArea::Program:
            return {ProgramBase, std::min(r.programBytes, r.idAt), 0};
        case ByteArea::Id:
            return {r.idAt, r.idBytes, idFirst};
        case ByteArea::Config:
            return {r.configAt, r.configBytes, configFirst};
        case ByteArea::Eeprom:
            return {r.eepromAt, r.eepromBytes, eepromFirst};
    }
    return {};
}

inline std::size_t ByteRegions::totalBytes() const {
    const ByteAreaPlace last = place(ByteArea::Eeprom);
    return last.first + last.size;
}

inline std::optional<std::size_t> ByteRegions::indexOf(std::uint64_t address) const {
    for (ByteArea a : kByteAreas) {
        const ByteAreaPlace p = place(a);
        if (address >= p.base && address - p.base < p.size) {
            return p.first + static_cast<std::size_t>(address - p.base);
        }
    }
    return std::nullopt;
}

inline std::string HexByteAddress(std::uint64_t address) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "0x%06llX", static_cast<unsigned long long>(address));
    return buf;
}

inline std::string ByteAddressOutside(std::uint64_t address, const ByteRegions& regions) {
    if (regions.indexOf(address)) {
        return {};
    }
    const ByteRegions r = regions.bounded();
    // The area whose window the address falls in, and what the chip has of it.
    auto behind = [&](ByteArea area, const char* name, const char* none) -> std::string {
        const ByteAreaPlace p = r.place(area);
        if (p.size == 0) {
            return none;
        }
        return std::string("liegt hinter ") + name + " des PIC (höchstens " +
               HexByteAddress(p.base + p.size - 1) + ")";
    };
    // The area whose window the address falls in: from the area's base to the
    // next area's, the configuration and EEPROM windows at most their megabyte.
    std::optional<ByteArea> window;
    for (ByteArea a : kByteAreas) {
        const std::uint64_t base = r.place(a).base;
        std::uint64_t end = a == ByteArea::Config   ? base + ByteRegions::MaxConfigBytes
                            : a == ByteArea::Eeprom ? base + ByteRegions::MaxEepromBytes
                                                    : std::uint64_t{1} << 32;
        for (ByteArea other : kByteAreas) {
            const std::uint64_t next = r.place(other).base;
            if (next > base) {
                end = std::min(end, next);
            }
        }
        if (address >= base && address < end) {
            window = a;
        }
    }
    if (window == ByteArea::Program) {
        return behind(ByteArea::Program, "dem Programmspeicher",
                      "gehört zum Programmspeicher, den der PIC nicht hat");
    }
    if (window == ByteArea::Id) {
        return behind(ByteArea::Id, "den ID-Bytes", "");
    }
    if (window == ByteArea::Config) {
        return behind(ByteArea::Config, "den Konfigurationsbytes",
                      "gehört zu den Konfigurationsbytes, die der PIC nicht hat");
    }
    if (window == ByteArea::Eeprom) {
        return behind(ByteArea::Eeprom, "dem Data-EEPROM",
                      "gehört zum Data-EEPROM, das der PIC nicht hat");
    }
    return "gehört zu keinem Speicher des PIC";
}

}  // namespace pk
