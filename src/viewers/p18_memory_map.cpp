#include "viewers/p18_memory_map.h"

#include <cstring>
#include <span>

namespace pk {
namespace {

constexpr int kGap = 8;  // white pixels between the pictures, as on the 14-bit sheet

// Entry i of an area, absent where the image's area is shorter than the part's.
std::uint16_t entry(std::span<const std::uint16_t> area, std::size_t i) {
    return i < area.size() ? area[i] : ByteImage::AbsentByte;
}

bool absent(std::uint16_t value) {
    return (value & 0x8000) != 0;
}

}  // namespace

Rgb p18WordColour(std::uint16_t low, std::uint16_t high, bool onChip) {
    if (absent(low) && absent(high)) {
        return byteCellColour(ByteImage::AbsentByte, onChip);
    }
    return byteCellColour(absent(high) ? 0xFF : high, onChip);
}

std::string p18ProgramCaption(std::uint32_t programBytes) {
    // Every part has whole kilobytes; anything else is counted in bytes rather than rounded.
    const std::string size = programBytes % 1024 == 0 ? std::to_string(programBytes / 1024) + " KB"
                                                      : std::to_string(programBytes) + " Byte";
    return size + " Flash-Programmspeicher";
}

std::string p18MapTypeLabel(const P18Device& part) {
    // "18F4550" reads as the 14-bit labels do: "PIC 18F 4550".
    const std::string_view name = part.name;
    if (name.size() <= 3) {
        return "PIC " + std::string(name);
    }
    return "PIC " + std::string(name.substr(0, 3)) + " " + std::string(name.substr(3));
}

std::string p18ConfigLabel(const ByteImage& image) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    const auto bytes = image.area(image.HexBytes, ByteArea::Config);
    std::string s = "Config:";
    bool any = false;
    for (int i = 0; i < p18addr::kConfigBytes; ++i) {
        const std::uint16_t b = entry(bytes, static_cast<std::size_t>(i));
        s += ' ';
        if (absent(b)) {
            s += "--";
        } else {
            any = true;
            s += kHex[(b >> 4) & 0xF];
            s += kHex[b & 0xF];
        }
    }
    return any ? s : "Config: nicht im Hex-File";
}

P18MemoryMap computeP18MemoryMap(const ByteImage& image, const P18Device& part) {
    using M = P18MemoryMap;
    P18MemoryMap map;

    const auto program = image.area(image.HexBytes, ByteArea::Program);
    for (int p = 0; p < M::PageCount; ++p) {
        RgbPicture& page = map.pages[static_cast<std::size_t>(p)];
        page = RgbPicture(M::PageWidth, M::PageHeight);
        for (int w = 0; w < M::PageWords; ++w) {
            const std::size_t byte = 2 * static_cast<std::size_t>(p * M::PageWords + w);
            const Rgb c = p18WordColour(entry(program, byte), entry(program, byte + 1),
                                        byte < part.programBytes);
            page.fill(M::WordPixels * (w % M::RowWords), M::WordPixels * (w / M::RowWords),
                      M::WordPixels, M::WordPixels, c);
        }
    }

    const auto ids = image.area(image.HexBytes, ByteArea::Id);
    map.ids = RgbPicture(M::IdWidth, M::BytePixels);
    for (int i = 0; i < p18addr::kIdBytes; ++i) {
        map.ids.fill(M::BytePixels * i, 0, M::BytePixels, M::BytePixels,
                     byteCellColour(entry(ids, static_cast<std::size_t>(i)), true));
    }

    // A configuration byte the part does not implement (mask 0) is missing, like a
    // word beyond its flash.
    const auto config = image.area(image.HexBytes, ByteArea::Config);
    map.config = RgbPicture(M::ConfigWidth, M::BytePixels);
    for (int i = 0; i < p18addr::kConfigBytes; ++i) {
        const auto n = static_cast<std::size_t>(i);
        map.config.fill(M::BytePixels * i, 0, M::BytePixels, M::BytePixels,
                        byteCellColour(entry(config, n), part.configMask[n] != 0));
    }

    const auto eeprom = image.area(image.HexBytes, ByteArea::Eeprom);
    map.eeprom = RgbPicture(M::EepromWidth, M::EepromHeight);
    for (int i = 0; i < M::EepromBytes; ++i) {
        const auto n = static_cast<std::size_t>(i);
        map.eeprom.fill(M::EepromPixels * (i % M::EepromRowBytes),
                        M::EepromPixels * (i / M::EepromRowBytes), M::EepromPixels, M::EepromPixels,
                        byteCellColour(entry(eeprom, n), n < part.eepromBytes));
    }

    map.programCaption = p18ProgramCaption(part.programBytes);
    map.eepromCaption = eepromGroupCaption(static_cast<std::int32_t>(part.eepromBytes) - 1);
    map.typeLabel = p18MapTypeLabel(part);
    map.configLabel = p18ConfigLabel(image);
    return map;
}

RgbPicture p18MemoryMapSheet(const P18MemoryMap& map) {
    using M = P18MemoryMap;
    constexpr int kPagesPerRow = M::PageCount / 2;
    const int width = kPagesPerRow * M::PageWidth + (kPagesPerRow - 1) * kGap;
    const int bytesTop = 2 * (M::PageHeight + kGap);
    const int eepromTop = bytesTop + M::BytePixels + kGap;
    RgbPicture sheet(width, eepromTop + M::EepromHeight);
    std::memset(sheet.pixels.data(), 0xFF, sheet.pixels.size());
    for (int p = 0; p < M::PageCount; ++p) {
        sheet.paste(map.pages[static_cast<std::size_t>(p)],
                    (p % kPagesPerRow) * (M::PageWidth + kGap),
                    (p / kPagesPerRow) * (M::PageHeight + kGap));
    }
    sheet.paste(map.ids, 0, bytesTop);
    sheet.paste(map.config, M::IdWidth + kGap, bytesTop);
    sheet.paste(map.eeprom, 0, eepromTop);
    return sheet;
}

}  // namespace pk
