// The data-sheet timing's faster way through program memory on the chips that
// have a Begin Programming Only cycle (0x18): erase the chip once with its own
// erase, then program each word without the erase half of command 8, which is
// half the cycle time. The skip of unchanged words goes with it (the erase
// cleared them); every word written is still read back at once.

#include <string>

#include "device/chip_ops.h"

namespace pk {

namespace {

constexpr bool present(std::uint16_t word) {
    return (word & 0x8000) == 0;
}

// What one more stay in programming mode costs: its voltage steps' pauses.
constexpr std::chrono::microseconds kBracket = ProgrammingMode::pauses(true).bracket();

}  // namespace

bool ChipOps::ProgramOnlyPays(bool includeData) const {
    const CycleTimes& t = waits();
    if (settings_.Timing != TimingMode::DataSheet || settings_.QuickAndDirty ||
        row().writeScheme != WriteScheme::WordByWord || t.programOnly.count() == 0) {
        return false;
    }
    std::int64_t words = 0;
    for (std::int32_t a = 0; a <= device_.ProgLastAddr; ++a) {
        words += present(image_.HexWords.at(static_cast<std::size_t>(a))) ? 1 : 0;
    }
    // Every word of the file is assumed to need its cycle (a blank chip).
    const auto wordByWord = words * t.program;
    auto afterErase = t.erase + words * t.programOnly;
    if (procedure().erase == EraseScheme::SetupPairAtConfig) {
        // The erase leaves the counter in configuration memory, and it takes the
        // data EEPROM along: kept bytes are read twice and written back.
        afterErase += kBracket;
        if (!includeData && device_.DataLastAddr >= 0) {
            afterErase += 2 * kBracket + (device_.DataLastAddr + 1) * t.data;
        }
    } else if (includeData && device_.DataLastAddr >= 0) {
        afterErase += t.dataErase;
    }
    return afterErase < wordByWord;
}

void ChipOps::WriteProgramAfterErase(bool includeData) {
    report_.setPanel(1, kProgramOnlyText);
    const std::int32_t dataErrors = errors_.DataErrorCount;
    ErasePIC(includeData);
    if (errors_.DataErrorCount != dataErrors) {
        // The EEPROM could not be kept, so nothing was erased: word by word then.
        link_.EndProgmode();
        StartProgmode();
        report_.setPanel(1, kWordByWordText);
        WriteProgram();
        return;
    }
    if (procedure().erase == EraseScheme::SetupPairAtConfig) {
        // Only a new entry brings the counter back to 0.
        link_.EndProgmode();
        StartProgmode();
    }
    setGaugeColour(RunGaugeColour::DarkGreen);
    std::int32_t last = device_.ProgLastAddr;
    while (last > 1 && !present(image_.HexWords.at(static_cast<std::size_t>(last)))) {
        --last;
    }
    auto& hex = image_.HexWords;
    auto& back = image_.ReadBack;
    for (std::int32_t a = 0; a <= last; ++a) {
        const auto i = static_cast<std::size_t>(a);
        if (present(hex.at(i))) {
            link_.Kommando(cmd::LoadDataForProgramMemory);
            link_.WrDaten(hex.at(i));
            link_.Kommando(cmd::BeginProgrammingOnly);
            sleepFor(waits().programOnly);
            link_.Kommando(cmd::ReadDataFromProgramMemory);
            back.at(i) = link_.RdDaten();
            UpdateRunGauge(a, last);
            if (back.at(i) != hex.at(i)) {
                failProgram(a, hex.at(i), back.at(i));
                return;
            }
            report_.showAddress(a);
        }
        link_.Kommando(cmd::IncrementAddress);
    }
}

}  // namespace pk
