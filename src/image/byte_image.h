#pragma once
// The picture of a byte-addressed chip's memories (PIC18F), by HEX file address as
// ByteRegions lays them out. Which bits of a byte the chip implements, and what it
// erases to, is not the image's business. Both arrays hold the areas one after the
// other in ascending address order: program, ID, configuration, EEPROM.

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "image/byte_regions.h"

namespace pk {

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
