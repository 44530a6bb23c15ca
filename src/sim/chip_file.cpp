#include "sim/chip_file.h"

#include <algorithm>
#include <fstream>

#include "image/atomic_file.h"
#include "image/byte_hex_file.h"
#include "image/hex_file.h"
#include "sim/family.h"
#include "sim/p18_chip.h"

namespace pk::sim {

namespace {

void fail(std::string* error, std::string text) {
    if (error != nullptr) {
        *error = std::move(text);
    }
}

// A PIC18F's memories as its own HEX files lay them out.
ByteRegions p18Regions(const P18Part& part) {
    ByteRegions r;
    r.programBytes = static_cast<std::uint32_t>(part.flashBytes);
    r.configBytes = kP18ConfigBytes;
    r.eepromBytes = static_cast<std::uint32_t>(part.eepromBytes);
    return r;
}

bool loadP18File(P18Chip& chip, std::istream& in, const std::string& path, std::string* error) {
    ByteImage image(p18Regions(chip.part()));
    const HexReadResult r = OpenByteHexfile(in, image);
    if (!r.ok()) {
        fail(error, path + ": line " + std::to_string(r.line) + " is not a usable HEX record");
        return false;
    }
    // As for the 14-bit chips, the file is the whole state: what it leaves out is erased.
    chip.eraseAll();
    for (ByteArea area : kByteAreas) {
        const ByteAreaPlace p = image.regions().place(area);
        for (std::uint32_t i = 0; i < p.size; ++i) {
            const std::uint16_t v = image.HexBytes[p.first + i];
            if (v != ByteImage::AbsentByte) {
                chip.setByte(p.base + i, static_cast<std::uint8_t>(v));
            }
        }
    }
    return true;
}

std::string p18Text(const P18Chip& chip) {
    const ByteImage image(p18Regions(chip.part()));
    ByteImage::Bytes bytes(image.regions().totalBytes(), ByteImage::AbsentByte);
    for (ByteArea area : kByteAreas) {
        const ByteAreaPlace p = image.regions().place(area);
        for (std::uint32_t i = 0; i < p.size; ++i) {
            const std::uint8_t v = chip.byte(p.base + i);
            // Erased bytes are left out, except the configuration's, whose erased
            // values are no 0xFF.
            if (v != 0xFF || area == ByteArea::Config) {
                bytes[p.first + i] = v;
            }
        }
    }
    return BuildByteHexFile(image.regions(), bytes);
}

}  // namespace

bool loadChipFile(SimChip& chip, const std::string& path, std::string* error) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        fail(error, path + ": cannot be read");
        return false;
    }
    if (P18Chip* p18 = chip.p18()) {
        return loadP18File(*p18, in, path, error);
    }
    WordArray words;
    words.fill(MemoryImage::AbsentWord);
    const HexReadResult r = OpenHexfile(in, words);
    if (!r.ok()) {
        fail(error, path + ": line " + std::to_string(r.line) + " is not a usable HEX record");
        return false;
    }
    const ChipModel& model = chip.model();
    const FamilyBehaviour::Calibration cal = model.behaviour->calibration();
    // The file is the chip's whole state: a word it leaves out is erased, also
    // where a new chip would hold a factory calibration.
    chip.eraseAll();
    for (int w = 0; w < static_cast<int>(words.size()); ++w) {
        const std::uint16_t v = words[static_cast<std::size_t>(w)];
        if (v == MemoryImage::AbsentWord) {
            continue;
        }
        const bool program = w < model.programWords;
        const bool idOrConfig = (w >= MemoryImage::IdBase && w <= MemoryImage::IdBase + 3) ||
                                w == MemoryImage::ConfigAddr ||
                                (w == MemoryImage::ConfigAddr + 1 && model.configMask2 != 0) ||
                                (cal.count > 0 && w >= cal.first && w < cal.first + cal.count);
        const bool data =
            w >= MemoryImage::EepromBase && w < MemoryImage::EepromBase + model.eepromBytes;
        if (program || idOrConfig || data) {
            chip.setWord(w, v);
        }
    }
    return true;
}

bool saveChipFile(const SimChip& chip, const std::string& path, std::string* error) {
    if (const P18Chip* p18 = chip.p18()) {
        const SaveResult r = WriteFileAtomically(path, p18Text(*p18));
        if (!r.ok()) {
            fail(error, path + ": " + r.reason);
        }
        return r.ok();
    }
    const ChipModel& model = chip.model();
    WordArray words;
    words.fill(0x3FFF);
    for (int w = 0; w < static_cast<int>(words.size()); ++w) {
        words[static_cast<std::size_t>(w)] = chip.word(w);
    }
    std::string text;
    WriteHexRange(text, words, 0, model.programWords - 1);
    WriteHexRange(text, words, MemoryImage::IdBase, MemoryImage::IdBase + 3);
    // The configuration words, and the calibration words just above them.
    const FamilyBehaviour::Calibration cal = model.behaviour->calibration();
    int lastConfig = MemoryImage::ConfigAddr + (model.configMask2 != 0 ? 1 : 0);
    if (cal.count > 0) {
        lastConfig = std::max(lastConfig, cal.first + cal.count - 1);
    }
    WriteHexRange(text, words, MemoryImage::ConfigAddr, lastConfig);
    if (model.eepromBytes > 0) {
        WriteHexRange(text, words, MemoryImage::EepromBase,
                      MemoryImage::EepromBase + model.eepromBytes - 1);
    }
    text += ":00000001FF\r\n";
    const SaveResult r = WriteFileAtomically(path, text);
    if (!r.ok()) {
        fail(error, path + ": " + r.reason);
    }
    return r.ok();
}

}  // namespace pk::sim
