#include "sim/chip_file.h"

#include <algorithm>
#include <fstream>

#include "image/atomic_file.h"
#include "image/hex_file.h"
#include "sim/family.h"

namespace pk::sim {

namespace {

void fail(std::string* error, std::string text) {
    if (error != nullptr) {
        *error = std::move(text);
    }
}

}  // namespace

bool loadChipFile(SimChip& chip, const std::string& path, std::string* error) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        fail(error, path + ": cannot be read");
        return false;
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
