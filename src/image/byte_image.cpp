#include "image/byte_image.h"

#include <algorithm>
#include <cstdio>

namespace pk {

ByteRegions ByteRegions::bounded() const {
    ByteRegions r;
    r.programBytes = std::min(programBytes, MaxProgramBytes);
    r.configBytes = std::min(configBytes, MaxConfigBytes);
    r.eepromBytes = std::min(eepromBytes, MaxEepromBytes);
    return r;
}

ByteAreaPlace ByteRegions::place(ByteArea area) const {
    const ByteRegions r = bounded();
    const std::size_t idFirst = r.programBytes;
    const std::size_t configFirst = idFirst + IdBytes;
    const std::size_t eepromFirst = configFirst + r.configBytes;
    switch (area) {
        case ByteArea::Program:
            return {ProgramBase, r.programBytes, 0};
        case ByteArea::Id:
            return {IdBase, IdBytes, idFirst};
        case ByteArea::Config:
            return {ConfigBase, r.configBytes, configFirst};
        case ByteArea::Eeprom:
            return {EepromBase, r.eepromBytes, eepromFirst};
    }
    return {};
}

std::size_t ByteRegions::totalBytes() const {
    const ByteAreaPlace last = place(ByteArea::Eeprom);
    return last.first + last.size;
}

std::optional<std::size_t> ByteRegions::indexOf(std::uint64_t address) const {
    for (ByteArea a : kByteAreas) {
        const ByteAreaPlace p = place(a);
        if (address >= p.base && address - p.base < p.size) {
            return p.first + static_cast<std::size_t>(address - p.base);
        }
    }
    return std::nullopt;
}

std::string HexByteAddress(std::uint64_t address) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "0x%06llX", static_cast<unsigned long long>(address));
    return buf;
}

std::string ByteAddressOutside(std::uint64_t address, const ByteRegions& regions) {
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
    if (address < ByteRegions::IdBase) {
        return behind(ByteArea::Program, "dem Programmspeicher",
                      "der PIC hat keinen Programmspeicher");
    }
    if (address < ByteRegions::ConfigBase) {
        return behind(ByteArea::Id, "den ID-Bytes", "");
    }
    if (address < ByteRegions::ConfigBase + ByteRegions::MaxConfigBytes) {
        return behind(ByteArea::Config, "den Konfigurationsbytes",
                      "der PIC hat keine Konfigurationsbytes");
    }
    if (address >= ByteRegions::EepromBase &&
        address < ByteRegions::EepromBase + ByteRegions::MaxEepromBytes) {
        return behind(ByteArea::Eeprom, "dem Data-EEPROM", "der PIC hat kein Data-EEPROM");
    }
    return "gehört zu keinem Speicher des PIC";
}

ByteImage::ByteImage(const ByteRegions& regions)
    : HexBytes(regions.totalBytes(), AbsentByte),
      ReadBack(regions.totalBytes(), AbsentByte),
      regions_(regions.bounded()) {}

void ByteImage::clear() {
    std::fill(HexBytes.begin(), HexBytes.end(), AbsentByte);
}

std::uint16_t ByteImage::hexByte(std::uint64_t address) const {
    const auto i = regions_.indexOf(address);
    return i && *i < HexBytes.size() ? HexBytes[*i] : AbsentByte;
}

bool ByteImage::present(std::uint64_t address) const {
    return (hexByte(address) & 0x8000) == 0;
}

std::span<std::uint16_t> ByteImage::area(Bytes& bytes, ByteArea which) const {
    const ByteAreaPlace p = regions_.place(which);
    const std::size_t first = std::min(p.first, bytes.size());
    return std::span<std::uint16_t>(bytes).subspan(
        first, std::min<std::size_t>(p.size, bytes.size() - first));
}

std::span<const std::uint16_t> ByteImage::area(const Bytes& bytes, ByteArea which) const {
    const ByteAreaPlace p = regions_.place(which);
    const std::size_t first = std::min(p.first, bytes.size());
    return std::span<const std::uint16_t>(bytes).subspan(
        first, std::min<std::size_t>(p.size, bytes.size() - first));
}

}  // namespace pk
