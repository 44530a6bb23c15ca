// Reading the chip into ReadBack, erasing it, removing code protection, and
// counting the differences between the chip and the loaded file. Nothing here
// verifies: reads store whatever the chip sends, erases are not read back.

#include <string>

#include "device/chip_ops.h"

namespace pk {

namespace {

constexpr bool present(std::uint16_t word) {
    return (word & 0x8000) == 0;
}

// The chip erases in 10 ms; the waits leave it room to spare.
constexpr int kEraseCycleMs = 20;
constexpr int kBulkEraseMs = 35;
// After the protection-removal cycle the chip needs longer before VPP may drop.
constexpr int kUnprotectSettleMs = 100;
constexpr int kStepMs = 1;

}  // namespace

void ChipOps::ReadProgram(bool whole) {
    std::int32_t last = device_.ProgLastAddr;
    if (!whole) {
        // A compare needs no more than the file gives.
        while (last > 1 && !present(image_.HexWords.at(static_cast<std::size_t>(last)))) {
            --last;
        }
    }
    for (std::int32_t a = 0; a <= last; ++a) {
        link_.Kommando(cmd::ReadDataFromProgramMemory);
        image_.ReadBack.at(static_cast<std::size_t>(a)) = link_.RdDaten();
        link_.Kommando(cmd::IncrementAddress);
        UpdateRunGauge(a, last);
        report_.setPanel(0, std::to_string(a));
    }
}

void ChipOps::ReadData() {
    const std::int32_t first = MemoryImage::EepromBase;
    for (std::int32_t a = first; a <= first + device_.DataLastAddr; ++a) {
        link_.Kommando(cmd::ReadDataFromDataMemory);
        image_.ReadBack.at(static_cast<std::size_t>(a)) = link_.RdDaten() & 0xFF;
        link_.Kommando(cmd::IncrementAddress);
        report_.setPanel(0, std::to_string(a));
    }
}

void ChipOps::ReadConfiguration() {
    link_.Kommando(cmd::LoadConfiguration);
    link_.WrDaten(0);
    for (int i = 0; i < 4; ++i) {
        link_.Kommando(cmd::ReadDataFromProgramMemory);
        // Only the low four bits of an ID location are the user's.
        image_.ReadBack.at(static_cast<std::size_t>(MemoryImage::IdBase + i)) =
            link_.RdDaten() & 0x000F;
        link_.Kommando(cmd::IncrementAddress);
        clock_.sleepMs(kStepMs);
    }
    // Over the reserved words and the device ID to the configuration word.
    for (int k = 0; k < 3; ++k) {
        link_.Kommando(cmd::IncrementAddress);
    }
    clock_.sleepMs(kStepMs);
    link_.Kommando(cmd::ReadDataFromProgramMemory);
    image_.ReadBack.at(MemoryImage::ConfigAddr) = link_.RdDaten();
}

void ChipOps::ErasePIC(bool includeData) {
    // A chip without EEPROM (16F7x) knows no data erase commands at all.
    const bool data = includeData && device_.DataLastAddr >= 0;
    if (device_.CurrentType == Dev16F84 && !device_.Is84A) {
        // The old 16F84 has no bulk erase of its own: the erase pair 1, 7 erases
        // the memory whose load precedes it.
        const auto erasePair = [this](std::uint16_t load) {
            link_.Kommando(load);
            link_.WrDaten(0x3FFF);
            link_.Kommando(cmd::EraseSetup1);
            link_.Kommando(cmd::EraseSetup2);
            link_.Kommando(cmd::BeginEraseProgrammingCycle);
            clock_.sleepMs(kEraseCycleMs);
            link_.Kommando(cmd::EraseSetup1);
            link_.Kommando(cmd::EraseSetup2);
        };
        erasePair(cmd::LoadDataForProgramMemory);
        if (data) {
            erasePair(cmd::LoadDataForDataMemory);
        }
        return;
    }
    link_.Kommando(cmd::LoadDataForProgramMemory);
    link_.WrDaten(0x3FFF);
    link_.Kommando(cmd::BulkEraseProgramMemory);
    link_.Kommando(cmd::BeginEraseProgrammingCycle);
    clock_.sleepMs(kBulkEraseMs);
    if (data) {
        link_.Kommando(cmd::LoadDataForProgramMemory);
        link_.WrDaten(0x3FFF);
        link_.Kommando(cmd::BulkEraseDataMemory);
        link_.Kommando(cmd::BeginEraseProgrammingCycle);
        clock_.sleepMs(kEraseCycleMs);
    }
}

void ChipOps::RemoveCodeProtection() {
    link_.StartProgmode();
    UpdateRunGauge(19, 20);
    // The erase pair at the configuration word clears everything, protection included.
    link_.Kommando(cmd::LoadConfiguration);
    link_.WrDaten(0x3FF0);
    for (int k = 0; k < 7; ++k) {
        link_.Kommando(cmd::IncrementAddress);
    }
    link_.Kommando(cmd::EraseSetup1);
    link_.Kommando(cmd::EraseSetup2);
    link_.Kommando(cmd::BeginEraseProgrammingCycle);
    clock_.sleepMs(kEraseCycleMs);
    link_.Kommando(cmd::EraseSetup1);
    link_.Kommando(cmd::EraseSetup2);
    clock_.sleepMs(kUnprotectSettleMs);
    link_.EndProgmode();
    UpdateRunGauge(20, 20);
}

ErrorCounters CompareImage(const MemoryImage& image, const DeviceState& device, bool includeData) {
    ErrorCounters e;
    const auto& hex = image.HexWords;
    const auto& back = image.ReadBack;
    // Only what the file gives is checked; the rest of the chip may hold anything.
    for (std::int32_t a = 0; a <= device.ProgLastAddr && a < MemoryImage::IdBase; ++a) {
        const auto i = static_cast<std::size_t>(a);
        if (present(hex[i]) && back[i] != hex[i]) {
            ++e.ProgramErrorCount;
        }
    }
    if (includeData) {
        const std::int32_t first = MemoryImage::EepromBase;
        const std::int32_t end = static_cast<std::int32_t>(MemoryImage::Size);
        for (std::int32_t a = first; a <= first + device.DataLastAddr && a < end; ++a) {
            const auto i = static_cast<std::size_t>(a);
            if (present(hex[i]) && (back[i] & 0xFF) != (hex[i] & 0xFF)) {
                ++e.DataErrorCount;
            }
        }
    }
    for (int i = 0; i < 4; ++i) {
        const std::int32_t id = image.IdWords.at(static_cast<std::size_t>(i));
        const std::uint16_t read = back[static_cast<std::size_t>(MemoryImage::IdBase + i)];
        // The chip keeps the upper bits of an ID location as it likes; the value is the nibble.
        if ((id & MemoryImage::IdNone) == 0 && (read & 0x000F) != (id & 0x000F)) {
            ++e.ConfigIdErrorCount;
        }
    }
    if (present(image.ConfigWord) && back[MemoryImage::ConfigAddr] != image.ConfigWord) {
        ++e.ConfigIdErrorCount;
    }
    return e;
}

}  // namespace pk
