// The factory's words in configuration memory (oscillator trim, brown-out and
// power-on reset levels at 0x2008/0x2009 on the 16F88x, 16F6xx, 16F61x, 16F91x
// and 16F785). The erase used here starts with the counter at 0x2000, which
// leaves them; a bulk erase with the counter at their address would wipe them
// for good. They are read before and after every erase so that a chip that lost
// them is never passed as erased.

#include <string>

#include "device/chip_ops.h"

namespace pk {

namespace {

// With the counter at 0x2000 (after Load Configuration): steps it to each of
// the row's factory words in turn and calls visit(index, address) there.
template <typename Visit>
void visitFactoryWords(ProgrammerLink& link, const DeviceInfo& d, Visit visit) {
    std::uint16_t at = MemoryImage::IdBase;
    for (std::size_t k = 0; k < d.factoryWords.size(); ++k) {
        const std::uint16_t address = d.factoryWords[k];
        if (address == 0) {
            continue;
        }
        for (; at < address; ++at) {
            link.Kommando(cmd::IncrementAddress);
        }
        visit(k, address);
    }
}

}  // namespace

std::string factoryWordsText(const DeviceInfo& d, const std::array<std::uint16_t, 2>& words) {
    std::string text;
    for (std::size_t k = 0; k < d.factoryWords.size(); ++k) {
        if (d.factoryWords[k] == 0) {
            continue;
        }
        text += (text.empty() ? "Kalibrierung ab Werk: " : ", ") + hexWord(d.factoryWords[k]) +
                " = " + ((words[k] & 0x8000) != 0 ? std::string("?") : hexWord(words[k]));
    }
    return text;
}

bool ChipOps::ReadFactoryWords(std::array<std::uint16_t, 2>& words) {
    const DeviceInfo& d = row();
    words = {0xFFFF, 0xFFFF};
    link_.Kommando(cmd::LoadConfiguration);
    link_.WrDaten(0x3FFF);
    bool stable = true;
    visitFactoryWords(link_, d, [&](std::size_t k, std::uint16_t) {
        link_.Kommando(cmd::ReadDataFromProgramMemory);
        words[k] = link_.RdDaten();
        link_.Kommando(cmd::ReadDataFromProgramMemory);
        stable = stable && link_.RdDaten() == words[k];
    });
    // Only a new entry brings the counter back below configuration memory.
    link_.EndProgmode();
    StartProgmode();
    if (!stable) {
        errors_.ConfigIdErrorCount += 1;
        report_.message(kFactoryUnstableText);
    }
    return stable;
}

bool ChipOps::BulkEraseKeepingFactoryWords(bool data) {
    const DeviceInfo& d = row();
    // Without read-back nothing can be compared; the erase itself leaves them.
    const bool check = d.hasFactoryWords() && !settings_.QuickAndDirty;
    std::array<std::uint16_t, 2> before{0xFFFF, 0xFFFF};
    if (check && CheckedFactoryWords) {
        before = *CheckedFactoryWords;
    } else if (check && !ReadFactoryWords(before)) {
        return false;
    }
    CheckedFactoryWords.reset();
    bulkEraseAtConfig(data);
    if (check) {
        // The counter still stands at 0x2000.
        visitFactoryWords(link_, d, [&](std::size_t k, std::uint16_t address) {
            link_.Kommando(cmd::ReadDataFromProgramMemory);
            const std::uint16_t after = link_.RdDaten();
            if (after != before[k]) {
                errors_.ConfigIdErrorCount += 1;
                setGaugeColour(RunGaugeColour::Red);
                report_.failure(
                    {Area::Config, address, before[k], after, WordFailure::Check::FactoryWord});
            }
        });
    }
    link_.EndProgmode();
    StartProgmode();
    return true;
}

}  // namespace pk
