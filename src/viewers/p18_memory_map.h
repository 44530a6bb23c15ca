#pragma once
// The memory usage map of a PIC18F file, in the colours of the 14-bit map (see
// memory_map.h): a cell per program word, ID byte, configuration byte and data
// EEPROM byte, free where the file gives nothing, missing where the part has no
// such cell.
//
// The grid is fixed so that maps of different parts line up: eight pages of 8 KB
// (4096 words) cover the largest part's 64 KB. A word is 2 x 2 pixels, 64 words a
// row, so one row is 0x80 bytes and a page 128 x 128 pixels; at the 14-bit map's
// 4 x 4 the sheet would be four times as large. Two rows of four pages keep the
// 14-bit sheet's width. The EEPROM has room for 1024 bytes of 4 x 4 pixels, 128 a
// row (again 0x80 bytes), in the 14-bit EEPROM picture's 512 x 32. The eight ID and
// fourteen configuration bytes are few enough for squares of 8 x 8.

#include <array>
#include <cstdint>
#include <string>

#include "device/p18_catalogue.h"
#include "image/byte_image.h"
#include "viewers/memory_map.h"

namespace pk {

// Colour of the program word made of these two HexBytes entries (0x00..0xFF or
// ByteImage::AbsentByte), low byte first, on a part that has (onChip) or lacks the
// word. The high byte carries the opcode, so it is the grey; a word with only its
// low byte shows as erased (white), still used. Free only when both are absent.
Rgb p18WordColour(std::uint16_t low, std::uint16_t high, bool onChip);

// "32 KB Flash-Programmspeicher".
std::string p18ProgramCaption(std::uint32_t programBytes);
// "PIC 18F 4550".
std::string p18MapTypeLabel(const P18Device& part);
// "Config: 24 0E 38 1E -- 81 81 -- 0F C0 0F E0 0F 40": all fourteen bytes in address
// order, "--" where the file gives none, so that the place tells the address.
// "Config: nicht im Hex-File" when it gives none at all.
std::string p18ConfigLabel(const ByteImage& image);

struct P18MemoryMap {
    static constexpr int WordPixels = 2;
    static constexpr int RowWords = 64;
    static constexpr int PageWords = 4096;
    static constexpr int PageCount = 8;
    static constexpr int PageWidth = RowWords * WordPixels;                 // 128
    static constexpr int PageHeight = PageWords / RowWords * WordPixels;    // 128
    static constexpr int BytePixels = 8;                                    // ID, config
    static constexpr int IdWidth = p18addr::kIdBytes * BytePixels;          // 64
    static constexpr int ConfigWidth = p18addr::kConfigBytes * BytePixels;  // 112
    static constexpr int EepromPixels = 4;
    static constexpr int EepromRowBytes = 128;
    static constexpr int EepromBytes = 1024;
    static constexpr int EepromWidth = EepromRowBytes * EepromPixels;                 // 512
    static constexpr int EepromHeight = EepromBytes / EepromRowBytes * EepromPixels;  // 32

    std::array<RgbPicture, PageCount> pages;  // byte addresses 0x0000-0x1FFF, ... 0xE000-0xFFFF
    RgbPicture ids;                           // 0x200000..07
    RgbPicture config;                        // 0x300000..0D
    RgbPicture eeprom;                        // 0xF00000 + 0..1023
    std::string programCaption;
    std::string eepromCaption;
    std::string typeLabel;
    std::string configLabel;
};

// The map of image.HexBytes at the part's sizes; cells the image lacks count as absent.
P18MemoryMap computeP18MemoryMap(const ByteImage& image, const P18Device& part);

// As memoryMapSheet: pages 0-3 in a row, pages 4-7 below, then the ID bytes with
// the configuration bytes beside them, then the EEPROM; 8 white pixels between.
RgbPicture p18MemoryMapSheet(const P18MemoryMap& map);

}  // namespace pk
