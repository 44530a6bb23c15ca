// The data-sheet timing's faster way through program memory on the chips that
// have a Begin Programming Only cycle (0x18): erase the chip once with its own
// erase, then program each word without the erase half of command 8, which is
// half the cycle time. The skip of unchanged words goes with it (the erase
// cleared them); every word written is still read back at once.
//
// The erase must not cost the user anything the word-by-word burn keeps: the
// words the file leaves out, the IDs it does not set, the EEPROM bytes it does
// not give. So the way is taken only when they are blank already; otherwise the
// burn goes word by word, and the chip ends up the same in both timings.

#include <algorithm>
#include <string>

#include "device/chip_ops.h"

namespace pk {

namespace {

// What one more stay in programming mode costs: its voltage steps' pauses.
constexpr std::chrono::microseconds kBracket = ProgrammingMode::pauses(true).bracket();
// One read of a word the file leaves out (command, frame, increment; read twice
// when blank), at about 1 us per port access.
constexpr std::chrono::microseconds kGapRead{120};

constexpr std::uint16_t kBlank = 0x3FFF;

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
    includeData = ErasesData(includeData);
    // Every word of the file is assumed to need its cycle (a blank chip).
    const auto wordByWord = words * t.program;
    auto afterErase = t.erase + words * t.programOnly;
    if (const std::int64_t gaps = device_.ProgLastAddr + 1 - words; gaps > 0) {
        // The words left out are read first, from an entry of their own.
        afterErase += gaps * kGapRead + kBracket;
    }
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

bool ChipOps::ErasesData(bool includeData) const {
    // An EEPROM byte the file leaves out keeps its value in a word-by-word burn;
    // the erase would clear it. The erase takes the EEPROM along only when the
    // file gives every byte; otherwise the EEPROM is kept (read and written back
    // where the chip's one erase clears it).
    if (!includeData) {
        return false;
    }
    for (std::int32_t n = 0; n <= device_.DataLastAddr; ++n) {
        if (!image_.present(static_cast<std::size_t>(MemoryImage::EepromBase + n))) {
            return false;
        }
    }
    return true;
}

bool ChipOps::EraseLosesNothing() {
    auto& hex = image_.HexWords;
    // The 16F87x's one erase clears the IDs as well; the others' keep them.
    const bool idsGo = procedure().erase == EraseScheme::SetupPairAtConfig;
    bool gaps = false;
    for (std::int32_t a = 0; a <= device_.ProgLastAddr && !gaps; ++a) {
        gaps = !present(hex.at(static_cast<std::size_t>(a)));
    }
    bool idGaps = false;
    for (const std::int32_t id : image_.IdWords) {
        idGaps = idGaps || (idsGo && (id & 0x8000) != 0);
    }
    if (!gaps && !idGaps) {
        return true;
    }
    // Blank means blank twice: a misread must not cost the user a word.
    const auto blankTwice = [this](std::uint16_t readCmd) {
        for (int k = 0; k < 2; ++k) {
            link_.Kommando(readCmd);
            if (link_.RdDaten() != kBlank) {
                return false;
            }
        }
        return true;
    };
    bool blank = true;
    for (std::int32_t a = 0; a <= device_.ProgLastAddr && blank && gaps; ++a) {
        if (!present(hex.at(static_cast<std::size_t>(a)))) {
            blank = blankTwice(cmd::ReadDataFromProgramMemory);
        }
        link_.Kommando(cmd::IncrementAddress);
    }
    // Whichever way the burn goes, it starts at address 0.
    restartAt(PassStart::ProgramWord);
    return blank && (!idGaps || UnsetIdsBlank());
}

bool ChipOps::UnsetIdsBlank() {
    bool blank = true;
    link_.Kommando(cmd::LoadConfiguration);
    link_.WrDaten(kBlank);
    for (int i = 0; i < 4 && blank; ++i) {
        if ((image_.IdWords.at(static_cast<std::size_t>(i)) & 0x8000) != 0) {
            for (int k = 0; k < 2 && blank; ++k) {
                link_.Kommando(cmd::ReadDataFromProgramMemory);
                blank = link_.RdDaten() == kBlank;
            }
        }
        link_.Kommando(cmd::IncrementAddress);
    }
    link_.EndProgmode();
    StartProgmode();
    return blank;
}

bool ChipOps::ProgramOnlyRowsPay(std::int64_t fileRows, std::int64_t dirtyRows,
                                 bool includeData) const {
    const CycleTimes& t = waits();
    if (settings_.Timing != TimingMode::DataSheet || settings_.QuickAndDirty ||
        t.programOnly.count() == 0) {
        return false;
    }
    const auto rowOnly = t.programOnly + std::max(t.step, t.endHold);
    // The ID check and the entry after the erase.
    auto afterErase = t.erase + fileRows * rowOnly + 2 * kBracket;
    if (!ErasesData(includeData) && device_.DataLastAddr >= 0) {
        // The chip erase takes the EEPROM along: read twice, written back.
        afterErase += 2 * kBracket + (device_.DataLastAddr + 1) * t.data;
    }
    return afterErase < dirtyRows * t.program;
}

bool ChipOps::EraseForProgramOnlyRows(bool includeData) {
    bool idsSet = true;
    for (const std::int32_t id : image_.IdWords) {
        idsSet = idsSet && (id & 0x8000) == 0;
    }
    if (!idsSet && !UnsetIdsBlank()) {
        return false;
    }
    const std::int32_t dataErrors = errors_.DataErrorCount;
    ErasePIC(ErasesData(includeData));
    // Only a new entry brings the counter back from configuration memory.
    link_.EndProgmode();
    StartProgmode();
    // An EEPROM that could not be kept stopped the erase before it began.
    return errors_.DataErrorCount == dataErrors;
}

void ChipOps::WriteProgramAfterErase(bool includeData) {
    if (!EraseLosesNothing()) {
        report_.setPanel(1, kWordByWordText);
        WriteProgram();
        return;
    }
    report_.setPanel(1, kProgramOnlyText);
    const std::int32_t dataErrors = errors_.DataErrorCount;
    ErasePIC(ErasesData(includeData));
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
