// Burning: program memory (word by word, or in pairs after a bulk erase on the
// 16F7x), data EEPROM, ID locations and the configuration word. Every word
// written is read back unless the circuit cannot read (Quick and Dirty); the
// first program or data word that does not verify ends the routine.

#include <cmath>
#include <string>

#include "device/chip_ops.h"
#include "link/range_error.h"

namespace pk {

namespace {

constexpr bool present(std::uint16_t word) {
    return (word & 0x8000) == 0;
}

constexpr bool idPresent(std::int32_t value) {
    return (value & 0x8000) == 0;
}

// An ID value as a frame word: values beyond 16 bits cannot be sent.
std::uint16_t idFrameWord(std::int32_t value) {
    const std::int32_t word = value | 0x3F80;
    if (word < 0 || word > 0xFFFF) {
        throw RangeError();
    }
    return static_cast<std::uint16_t>(word);
}

// The last program address to visit: the last present word, but never below 1.
std::int32_t lastProgramAddress(const MemoryImage& image, std::int32_t progLastAddr) {
    std::int32_t last = progLastAddr;
    while (last > 1 && !present(image.HexWords.at(static_cast<std::size_t>(last)))) {
        --last;
    }
    return last;
}

}  // namespace

void ChipOps::failProgram(std::int32_t address, std::uint16_t wanted, std::uint16_t read,
                          bool pairsVerify) {
    errors_.ProgramErrorCount += 1;
    setGaugeColour(RunGaugeColour::Red);
    report_.failure({Area::Program, address, wanted, read, pairsVerify});
}

void ChipOps::WriteProgram() {
    setGaugeColour(RunGaugeColour::DarkGreen);
    const bool qd = settings_.QuickAndDirty;
    const std::int32_t last = lastProgramAddress(image_, device_.ProgLastAddr);
    auto& hex = image_.HexWords;
    auto& back = image_.ReadBack;
    for (std::int32_t a = 0; a <= last; ++a) {
        const auto i = static_cast<std::size_t>(a);
        if (present(hex.at(i))) {
            bool skip = false;
            if (!qd) {
                link_.Kommando(cmd::ReadDataFromProgramMemory);
                back.at(i) = link_.RdDaten();
                // A word that already holds the wanted value costs two reads, not a
                // cycle; two, because a word skipped on one misread bit would never
                // be written nor verified.
                if (back.at(i) == hex.at(i)) {
                    link_.Kommando(cmd::ReadDataFromProgramMemory);
                    back.at(i) = link_.RdDaten();
                    skip = back.at(i) == hex.at(i);
                }
            }
            if (!skip) {
                link_.Kommando(cmd::LoadDataForProgramMemory);
                link_.WrDaten(hex.at(i));
                link_.Kommando(row().programCmd);
                sleepFor(waits().program);
                if (!qd) {
                    link_.Kommando(cmd::ReadDataFromProgramMemory);
                    back.at(i) = link_.RdDaten();
                }
            }
            UpdateRunGauge(a, last);
            if (!qd && back.at(i) != hex.at(i)) {
                failProgram(a, hex.at(i), back.at(i), false);
                return;
            }
            report_.setPanel(0, std::to_string(a));
        }
        link_.Kommando(cmd::IncrementAddress);
    }
}

void ChipOps::WriteProgram7x() {
    setGaugeColour(RunGaugeColour::DarkGreen);
    const bool qd = settings_.QuickAndDirty;
    std::int32_t last = lastProgramAddress(image_, device_.ProgLastAddr);
    // Two words go into one programming cycle, so the range must hold whole pairs.
    if (last % 2 == 0) {
        last += 1;
    }
    auto& hex = image_.HexWords;
    auto& back = image_.ReadBack;

    link_.Kommando(cmd::BulkEraseProgramMemory);
    sleepFor(waits().erase);

    for (std::int32_t a = 0; a <= last; a += 2) {
        const auto i = static_cast<std::size_t>(a);
        // Absent words go in as 0x3FFF, the erased value.
        link_.Kommando(cmd::LoadDataForProgramMemory);
        link_.WrDaten(hex.at(i) & 0x3FFF);
        link_.Kommando(cmd::IncrementAddress);
        link_.Kommando(cmd::LoadDataForProgramMemory);
        link_.WrDaten(hex.at(i + 1) & 0x3FFF);
        link_.Kommando(row().programCmd);
        sleepFor(waits().program);
        link_.Kommando(*row().endCmd);
        sleepFor(waits().endHold);
        link_.Kommando(cmd::IncrementAddress);
        const std::int32_t next = a + 2;
        // With verification to follow, programming fills only the first half of the gauge.
        UpdateRunGauge(qd ? next : next / 2, last);
        report_.setPanel(0, std::to_string(next));
    }
    if (qd) {
        return;
    }

    // Restarting programming mode is the only way back to address 0.
    link_.EndProgmode();
    link_.StartProgmode();
    for (std::int32_t a = 0; a <= last; ++a) {
        const auto i = static_cast<std::size_t>(a);
        link_.Kommando(cmd::ReadDataFromProgramMemory);
        back.at(i) = link_.RdDaten();
        const double p =
            std::nearbyint(static_cast<double>(a) / 2.0 + static_cast<double>(last) / 2.0);
        UpdateRunGauge(static_cast<std::int32_t>(p), last);
        if (back.at(i) != (hex.at(i) & 0x3FFF)) {
            failProgram(a, hex.at(i), back.at(i), true);
            return;
        }
        link_.Kommando(cmd::IncrementAddress);
        report_.setPanel(0, std::to_string(a + 1));
    }
}

void ChipOps::WriteData() {
    const bool qd = settings_.QuickAndDirty;
    auto& hex = image_.HexWords;
    auto& back = image_.ReadBack;
    const std::int32_t first = MemoryImage::EepromBase;
    for (std::int32_t a = first; a <= first + device_.DataLastAddr; ++a) {
        const auto i = static_cast<std::size_t>(a);
        if (present(hex.at(i))) {
            link_.Kommando(cmd::LoadDataForDataMemory);
            link_.WrDaten(hex.at(i));
            link_.Kommando(row().programCmd);
            sleepFor(waits().data);
            if (!qd) {
                link_.Kommando(cmd::ReadDataFromDataMemory);
                back.at(i) = link_.RdDaten() & 0xFF;
                if (back.at(i) != (hex.at(i) & 0xFF)) {
                    errors_.DataErrorCount += 1;
                    report_.failure({Area::Data, a, hex.at(i), back.at(i)});
                    return;
                }
            }
        }
        link_.Kommando(cmd::IncrementAddress);
        report_.setPanel(0, std::to_string(a));
    }
}

void ChipOps::idWriterErasePrograms() {
    const bool qd = settings_.QuickAndDirty;
    for (int i = 0; i < 4; ++i) {
        const std::int32_t value = image_.IdWords.at(static_cast<std::size_t>(i));
        if (idPresent(value)) {
            // Only the low four bits carry the ID; the rest are written as ones.
            link_.Kommando(cmd::LoadDataForProgramMemory);
            link_.WrDaten(idFrameWord(value));
            link_.Kommando(row().programCmd);
            sleepFor(waits().program);
            if (!qd) {
                link_.Kommando(cmd::ReadDataFromProgramMemory);
                const std::uint16_t r = link_.RdDaten() & 0x000F;
                const std::int32_t address = MemoryImage::IdBase + i;
                image_.ReadBack.at(static_cast<std::size_t>(address)) = r;
                // Bits 4 and up are not ours to check: compare nibble with nibble.
                if (r == (value & 0x000F)) {
                    report_.setPanel(1, "");
                } else {
                    report_.setPanel(1, "ID nicht OK");
                    errors_.ConfigIdErrorCount += 1;
                    report_.failure({Area::Id, address, static_cast<std::uint16_t>(value), r});
                }
            }
        }
        link_.Kommando(cmd::IncrementAddress);
        sleepFor(waits().step);
    }
    for (int k = 0; k < 3; ++k) {
        link_.Kommando(cmd::IncrementAddress);
        sleepFor(waits().step);
    }
}

void ChipOps::idWriterProgrammingCycles() {
    // The 16F7x programs the ID locations in pairs, like program memory; an absent
    // entry goes in with all ID bits set, the erased value.
    auto v = [this](int i) -> std::uint16_t {
        const std::int32_t value = image_.IdWords.at(static_cast<std::size_t>(i));
        return idPresent(value) ? idFrameWord(value) : std::uint16_t{0x3F8F};
    };
    for (int pair = 0; pair < 2; ++pair) {
        link_.Kommando(cmd::LoadDataForProgramMemory);
        link_.WrDaten(v(2 * pair));
        link_.Kommando(cmd::IncrementAddress);
        link_.Kommando(cmd::LoadDataForProgramMemory);
        link_.WrDaten(v(2 * pair + 1));
        link_.Kommando(row().programCmd);
        sleepFor(waits().program);
        link_.Kommando(*row().endCmd);
        sleepFor(waits().endHold);
        link_.Kommando(cmd::IncrementAddress);
    }
    for (int k = 0; k < 3; ++k) {
        link_.Kommando(cmd::IncrementAddress);
        sleepFor(waits().step);
    }
}

void ChipOps::WriteConfiguration() {
    const bool qd = settings_.QuickAndDirty;
    const bool pairs = row().writeScheme == WriteScheme::PairsAfterBulkErase;
    const std::uint16_t config = image_.ConfigWord;

    // Load Configuration only moves the counter to 0x2000; nothing is programmed yet.
    link_.Kommando(cmd::LoadConfiguration);
    link_.WrDaten(config);
    if (pairs) {
        idWriterProgrammingCycles();
    } else {
        idWriterErasePrograms();
    }
    sleepFor(waits().step);

    link_.Kommando(cmd::LoadDataForProgramMemory);
    link_.WrDaten(config);
    link_.Kommando(row().programCmd);
    sleepFor(waits().config);
    if (const auto end = row().endCmd) {
        link_.Kommando(*end);
        sleepFor(waits().endHold);
    }
    if (qd) {
        return;
    }
    link_.Kommando(cmd::ReadDataFromProgramMemory);
    const std::uint16_t r = link_.RdDaten();
    image_.ReadBack.at(MemoryImage::ConfigAddr) = r;
    if (r == config) {
        report_.setPanel(1, "");
    } else {
        report_.setPanel(1, "Configuration nicht OK");
        errors_.ConfigIdErrorCount += 1;
        report_.failure({Area::Config, MemoryImage::ConfigAddr, config, r});
    }
}

}  // namespace pk
