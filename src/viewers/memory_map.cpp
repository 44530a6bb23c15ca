#include "viewers/memory_map.h"

#include <charconv>
#include <cstring>

namespace pk {
namespace {

Rgb cellColour(std::uint16_t word, std::uint8_t grey, bool onChip) {
    Rgb c{grey, grey, grey};
    if ((word & 0x8000) != 0) {
        c.g = 128;
    }
    if (!onChip) {
        c.r = 128;
    }
    return c;
}

}  // namespace

Rgb programCellColour(std::uint16_t word, std::int32_t address, std::int32_t progLastAddr) {
    // The top eight of the fourteen bits, so code looks different from data.
    const auto grey = static_cast<std::uint8_t>((word & 0x3FFF) >> 6);
    return cellColour(word, grey, address <= progLastAddr);
}

Rgb eepromCellColour(std::uint16_t word, std::int32_t offset, std::int32_t dataLastAddr) {
    return byteCellColour(word, offset <= dataLastAddr);
}

Rgb byteCellColour(std::uint16_t value, bool onChip) {
    return cellColour(value, static_cast<std::uint8_t>(value & 0xFF), onChip);
}

std::string programGroupCaption(std::int32_t progLastAddr) {
    // Whole numbers for every chip in the catalogue; a fraction keeps its digits
    // with the German decimal comma.
    const double k = (static_cast<double>(progLastAddr) + 1.0) / 1024.0;
    char buf[32];
    auto res = std::to_chars(buf, buf + sizeof buf, k);
    std::string number(buf, res.ptr);
    for (char& ch : number) {
        if (ch == '.') {
            ch = ',';
        }
    }
    return number + " k Flash-Programmspeicher";
}

std::string eepromGroupCaption(std::int32_t dataLastAddr) {
    return std::to_string(static_cast<std::int64_t>(dataLastAddr) + 1) +
           " Byte EEPROM-Datenspeicher";
}

std::optional<std::string> mapTypeLabel(std::int32_t currentType) {
    const DeviceInfo* d = deviceInfo(currentType);
    if (d == nullptr) {
        return std::nullopt;
    }
    return std::string(d->mapName);
}

std::string configLabel(const MemoryImage& image) {
    const std::uint16_t w = image.HexWords[MemoryImage::ConfigAddr];
    if ((w & 0x8000) != 0) {
        return "Config: nicht im Hex-File";
    }
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string s = "Config: ";
    const auto hex4 = [&s](std::uint16_t word) {
        for (int shift = 12; shift >= 0; shift -= 4) {
            s += kHex[(word >> shift) & 0xF];
        }
    };
    hex4(w);
    // A 16F87/88 file's second word beside it.
    if (const std::uint16_t w2 = image.HexWords[MemoryImage::Config2Addr]; (w2 & 0x8000) == 0) {
        s += ' ';
        hex4(w2);
    }
    return s;
}

RgbPicture::RgbPicture(int w, int h)
    : width(w), height(h), pixels(static_cast<std::size_t>(w) * static_cast<std::size_t>(h) * 3) {}

Rgb RgbPicture::at(int x, int y) const {
    const std::size_t i = (static_cast<std::size_t>(y) * static_cast<std::size_t>(width) +
                           static_cast<std::size_t>(x)) *
                          3;
    return Rgb{pixels[i], pixels[i + 1], pixels[i + 2]};
}

void RgbPicture::fill(int x, int y, int w, int h, Rgb colour) {
    for (int row = y; row < y + h; ++row) {
        std::uint8_t* p = pixels.data() + (static_cast<std::size_t>(row) * width + x) * 3;
        for (int col = 0; col < w; ++col) {
            *p++ = colour.r;
            *p++ = colour.g;
            *p++ = colour.b;
        }
    }
}

void RgbPicture::paste(const RgbPicture& src, int x, int y) {
    for (int row = 0; row < src.height; ++row) {
        std::memcpy(
            pixels.data() +
                (static_cast<std::size_t>(y + row) * width + static_cast<std::size_t>(x)) * 3,
            src.pixels.data() + static_cast<std::size_t>(row) * src.width * 3,
            static_cast<std::size_t>(src.width) * 3);
    }
}

MemoryMap computeMemoryMap(const MemoryImage& image, const DeviceState& device) {
    MemoryMap map;
    for (RgbPicture& page : map.pages) {
        page = RgbPicture(MemoryMap::PageWidth, MemoryMap::PageHeight);
    }
    for (std::int32_t i = 0; i < 0x2000; ++i) {
        const Rgb c =
            programCellColour(image.HexWords[static_cast<std::size_t>(i)], i, device.ProgLastAddr);
        const int row = (i % 0x800) / 32;
        const int column = i % 32;
        map.pages[static_cast<std::size_t>(i / 0x800)].fill(4 * column, 4 * row, 4, 4, c);
    }
    map.programCaption = programGroupCaption(device.ProgLastAddr);

    map.eeprom = RgbPicture(MemoryMap::EepromWidth, MemoryMap::EepromHeight);
    for (std::int32_t i = 0; i < 256; ++i) {
        const Rgb c =
            eepromCellColour(image.HexWords[static_cast<std::size_t>(MemoryImage::EepromBase + i)],
                             i, device.DataLastAddr);
        map.eeprom.fill(8 * (i % 64), 8 * (i / 64), 8, 8, c);
    }
    map.eepromCaption = eepromGroupCaption(device.DataLastAddr);
    map.typeLabel = mapTypeLabel(device.CurrentType);
    map.configLabel = configLabel(image);
    return map;
}

RgbPicture memoryMapSheet(const MemoryMap& map) {
    constexpr int kGap = 8;
    const int width = 4 * MemoryMap::PageWidth + 3 * kGap;
    const int height = MemoryMap::PageHeight + kGap + MemoryMap::EepromHeight;
    RgbPicture sheet(width, height);
    std::memset(sheet.pixels.data(), 0xFF, sheet.pixels.size());
    for (int p = 0; p < 4; ++p) {
        sheet.paste(map.pages[static_cast<std::size_t>(p)], p * (MemoryMap::PageWidth + kGap), 0);
    }
    sheet.paste(map.eeprom, 0, MemoryMap::PageHeight + kGap);
    return sheet;
}

}  // namespace pk
