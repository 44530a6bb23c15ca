#pragma once
// The memory usage map: one coloured square per program word and per data-EEPROM
// byte of the loaded HEX file, showing free cells, missing cells and cells the
// file fills but the selected chip lacks. Computed here without Qt; the window and
// the command-line tool only copy the pixels.

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "device/catalogue.h"
#include "image/memory_image.h"

namespace pk {

struct Rgb {
    std::uint8_t r = 0;
    std::uint8_t g = 0;
    std::uint8_t b = 0;
    friend bool operator==(const Rgb&, const Rgb&) = default;
};

// Legend colours.
inline constexpr Rgb kFreeColour{255, 128, 255};     // "freier Speicher"
inline constexpr Rgb kMissingColour{128, 128, 255};  // "nicht vorhanden"

// Colour of program word `address` holding `word` on a chip whose last address is progLastAddr.
Rgb programCellColour(std::uint16_t word, std::int32_t address, std::int32_t progLastAddr);
// Colour of EEPROM byte `offset` holding `word` on a chip whose last offset is dataLastAddr.
Rgb eepromCellColour(std::uint16_t word, std::int32_t offset, std::int32_t dataLastAddr);
// The EEPROM rule for any cell that shows one byte: the byte as grey, green halved
// when absent (bit 15 set), red halved where the chip has no such cell.
Rgb byteCellColour(std::uint16_t value, bool onChip);

// "8 k Flash-Programmspeicher", "64 Byte EEPROM-Datenspeicher".
std::string programGroupCaption(std::int32_t progLastAddr);
std::string eepromGroupCaption(std::int32_t dataLastAddr);
// The chip name on the map; nullopt for a type outside the list (the label stays as it is).
std::optional<std::string> mapTypeLabel(std::int32_t currentType);
// "Config: 3FF0", or "Config: nicht im Hex-File" when the file has no configuration word.
std::string configLabel(const MemoryImage& image);

// An RGB picture, three bytes per pixel, rows top to bottom.
struct RgbPicture {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> pixels;  // width * height * 3

    RgbPicture() = default;
    RgbPicture(int w, int h);
    Rgb at(int x, int y) const;
    void fill(int x, int y, int w, int h, Rgb colour);
    // Copies `src` with its top left corner at (x, y); it must fit.
    void paste(const RgbPicture& src, int x, int y);
};

// Everything the map window shows.
struct MemoryMap {
    static constexpr int PageWidth = 128;    // 32 words of 4 x 4 pixels
    static constexpr int PageHeight = 256;   // 64 rows of 4 x 4 pixels
    static constexpr int EepromWidth = 512;  // 64 bytes of 8 x 8 pixels
    static constexpr int EepromHeight = 32;  // 4 rows of 8 x 8 pixels

    std::array<RgbPicture, 4> pages;  // P0Image..P3Image: 0x0000-0x07FF, ... 0x1800-0x1FFF
    RgbPicture eeprom;                // EImage: offsets 0..255
    std::string programCaption;
    std::string eepromCaption;
    std::optional<std::string> typeLabel;
    std::string configLabel;
};

MemoryMap computeMemoryMap(const MemoryImage& image, const DeviceState& device);

// The four pages side by side (8 white pixels apart) and the EEPROM below them,
// for writing the map as one picture file.
RgbPicture memoryMapSheet(const MemoryMap& map);

}  // namespace pk
