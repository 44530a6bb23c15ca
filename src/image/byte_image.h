#pragma once
// The picture of a byte-addressed chip's memories (PIC18F), by HEX file address:
//   0x000000 + n   program memory byte n
//   0x200000..07   the eight ID bytes
//   0x300000 + n   configuration byte n
//   0xF00000 + n   data EEPROM byte n
// How many bytes each area has comes from the chip's catalogue row (ByteRegions);
// which bits of a byte the chip implements, and what it erases to, is not the
// image's business. Both arrays hold the areas one after the other, in that order.

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

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
    std::uint32_t eepromBytes = 0;  // 0: the chip has no data EEPROM

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

class ByteImage {
  public:
    using Bytes = std::vector<std::uint16_t>;
    // A HexBytes entry the file did not give (bit 15 set); a file's 0xFF is present.
    static constexpr std::uint16_t AbsentByte = 0xFFFF;

    explicit ByteImage(const ByteRegions& regions = {});

    const ByteRegions& regions() const { return regions_; }

    // What the loaded HEX file gives: 0x00..0xFF, or AbsentByte.
    Bytes HexBytes;
    // What was last read from or verified in the chip; AbsentByte where nothing was read.
    Bytes ReadBack;
    std::string HexFileName;
    bool HexLoaded = false;

    // Every HexBytes entry becomes AbsentByte; done before each load.
    void clear();
    // The file gives the byte at this HEX address.
    bool present(std::uint64_t address) const;
    // The file's byte at this HEX address; AbsentByte where it gives none or the chip
    // has no such byte.
    std::uint16_t hexByte(std::uint64_t address) const;

    // One area of either array, indexed by offset from the area's base.
    std::span<std::uint16_t> area(Bytes& bytes, ByteArea which) const;
    std::span<const std::uint16_t> area(const Bytes& bytes, ByteArea which) const;

  private:
    ByteRegions regions_;
};

}  // namespace pk
