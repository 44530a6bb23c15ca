// Reading the chip into ReadBack, erasing it, removing code protection, checking
// that an erase left the chip blank, and counting the differences between the
// chip and the loaded file. Reads store whatever the chip sends; BlankCheck is
// what proves an erase.

#include <string>
#include <vector>

#include <algorithm>

#include "device/chip_ops.h"
#include "device/commands.h"

namespace pk {

std::int32_t ChipOps::lastWordToRead(bool whole) const {
    std::int32_t last = device_.ProgLastAddr;
    if (!whole) {
        // A compare needs no more than the file gives.
        while (last > 1 && !present(image_.HexWords.at(static_cast<std::size_t>(last)))) {
            --last;
        }
    }
    return last;
}

void ChipOps::ReadProgram(bool whole) {
    const std::int32_t last = lastWordToRead(whole);
    for (std::int32_t a = 0; a <= last; ++a) {
        link_.Kommando(cmd::ReadDataFromProgramMemory);
        image_.ReadBack.at(static_cast<std::size_t>(a)) = link_.RdDaten();
        link_.Kommando(cmd::IncrementAddress);
        UpdateRunGauge(a, last);
        report_.showAddress(a);
    }
}

void ChipOps::ReadData() {
    const std::int32_t first = MemoryImage::EepromBase;
    for (std::int32_t a = first; a <= first + device_.DataLastAddr; ++a) {
        link_.Kommando(cmd::ReadDataFromDataMemory);
        image_.ReadBack.at(static_cast<std::size_t>(a)) = link_.RdDaten() & 0xFF;
        link_.Kommando(cmd::IncrementAddress);
        report_.showAddress(a);
    }
}

void ChipOps::ReadConfiguration() {
    link_.Kommando(cmd::LoadConfiguration);
    link_.WrDaten(0x3FFF);  // the only word the 16F785 takes
    for (int i = 0; i < 4; ++i) {
        link_.Kommando(cmd::ReadDataFromProgramMemory);
        // Only the low four bits of an ID location are the user's.
        image_.ReadBack.at(static_cast<std::size_t>(MemoryImage::IdBase + i)) =
            link_.RdDaten() & 0x000F;
        link_.Kommando(cmd::IncrementAddress);
        sleepFor(waits().step);
    }
    // Over the reserved words and the device ID to the configuration word.
    for (int k = 0; k < 3; ++k) {
        link_.Kommando(cmd::IncrementAddress);
    }
    sleepFor(waits().step);
    link_.Kommando(cmd::ReadDataFromProgramMemory);
    image_.ReadBack.at(MemoryImage::ConfigAddr) = link_.RdDaten();
    // A chip without a second word leaves nothing there for a save to keep.
    image_.ReadBack.at(MemoryImage::Config2Addr) = 0xFFFF;
    if (row().hasConfig2()) {
        link_.Kommando(cmd::IncrementAddress);
        link_.Kommando(cmd::ReadDataFromProgramMemory);
        image_.ReadBack.at(MemoryImage::Config2Addr) = link_.RdDaten();
    }
}

void ChipOps::ErasePIC(bool includeData) {
    // A chip without EEPROM (16F7x) knows no data erase commands at all.
    const bool data = includeData && device_.DataLastAddr >= 0;
    switch (procedure().erase) {
        case EraseScheme::SetupPairPerLoad: {
            // The first 16F84 has no bulk erase of its own: the erase pair 1, 7
            // erases the memory whose load precedes it.
            const auto erasePair = [this](std::uint16_t load, std::chrono::microseconds wait) {
                link_.Kommando(load);
                link_.WrDaten(0x3FFF);
                link_.Kommando(cmd::EraseSetup1);
                link_.Kommando(cmd::EraseSetup2);
                link_.Kommando(row().programCmd);
                sleepFor(wait);
                link_.Kommando(cmd::EraseSetup1);
                link_.Kommando(cmd::EraseSetup2);
            };
            erasePair(cmd::LoadDataForProgramMemory, waits().erase);
            if (data) {
                erasePair(cmd::LoadDataForDataMemory, waits().dataErase);
            }
            return;
        }
        case EraseScheme::BulkSelfTimed:
            // Its bulk erase runs by itself; nothing may be sent until it is over.
            link_.Kommando(cmd::BulkEraseProgramMemory);
            sleepFor(waits().erase);
            return;
        case EraseScheme::SetupPairAtConfig:
            EraseAtConfig(data);
            return;
        case EraseScheme::BulkPairSelfTimed:
            // 16F62xA, 12F629 family: both bulk erases run by themselves; with the
            // counter in configuration space the IDs and the configuration word go
            // too, and on the 12F629 family the factory calibration, which is read
            // before and written back after.
            if (row().calibration.any() && !ReadCalibration()) {
                return;
            }
            if (row().hasFactoryWords()) {
                // Their factory words at 0x2008/0x2009 stay, and are checked.
                BulkEraseKeepingFactoryWords(data);
                return;
            }
            bulkEraseAtConfig(data);
            RestoreCalibration(true);
            return;
        case EraseScheme::ChipErase:
            if (const std::optional<NewerScheme> scheme = newerScheme(device_.CurrentType)) {
                EraseKeepingData(includeData, &*scheme);
            }
            return;
        case EraseScheme::BulkThenBegin:
            break;
    }
    link_.Kommando(cmd::LoadDataForProgramMemory);
    link_.WrDaten(0x3FFF);
    link_.Kommando(cmd::BulkEraseProgramMemory);
    link_.Kommando(row().programCmd);
    sleepFor(waits().erase);
    if (data) {
        link_.Kommando(cmd::LoadDataForProgramMemory);
        link_.WrDaten(0x3FFF);
        link_.Kommando(cmd::BulkEraseDataMemory);
        link_.Kommando(row().programCmd);
        sleepFor(waits().dataErase);
    }
}

void ChipOps::bulkEraseAtConfig(bool data) {
    link_.Kommando(cmd::LoadConfiguration);
    link_.WrDaten(0x3FFF);
    link_.Kommando(cmd::BulkEraseProgramMemory);
    sleepFor(waits().erase);
    if (data) {
        link_.Kommando(cmd::BulkEraseDataMemory);
        sleepFor(waits().dataErase);
    }
}

void ChipOps::EraseAtConfig(bool includeData) {
    EraseKeepingData(includeData, nullptr);
}

void ChipOps::EraseKeepingData(bool includeData, const NewerScheme* s) {
    // The 16F87x knows no bulk erase commands: its one erase, the 1, 7 pair at
    // the configuration word, clears program memory, data memory, IDs and
    // configuration together; so does the chip erase of the 16F87xA, 16F87/88
    // and 16F818/819. To keep the data EEPROM, read it first (twice: a flaky
    // read must not be written back as the user's data).
    std::vector<std::uint16_t> kept;
    if (!includeData && device_.DataLastAddr >= 0 && !ReadDataTwice(kept)) {
        return;
    }
    link_.Kommando(cmd::LoadConfiguration);
    link_.WrDaten(0x3FFF);
    if (s != nullptr) {
        // With the counter in configuration space the IDs are erased as well.
        link_.Kommando(cmd::ChipErase);
        sleepFor(waits().erase);
    } else {
        for (int k = 0; k < 7; ++k) {
            link_.Kommando(cmd::IncrementAddress);
        }
        link_.Kommando(cmd::EraseSetup1);
        link_.Kommando(cmd::EraseSetup2);
        link_.Kommando(row().programCmd);
        sleepFor(waits().erase);
        link_.Kommando(cmd::EraseSetup1);
        link_.Kommando(cmd::EraseSetup2);
    }
    if (kept.empty()) {
        return;
    }

    // The counter stands in configuration memory: only a new entry brings it back to 0.
    link_.EndProgmode();
    StartProgmode();
    bool reported = false;
    for (std::size_t n = 0; n < kept.size(); ++n) {
        const std::int32_t a = MemoryImage::EepromBase + static_cast<std::int32_t>(n);
        if (kept[n] != 0xFF) {  // erased bytes are 0xFF already
            link_.Kommando(cmd::LoadDataForDataMemory);
            link_.WrDaten(kept[n]);
            if (s != nullptr && !s->selfTimedRows) {
                // The byte is erased: programming it is enough, timed by us.
                link_.Kommando(cmd::BeginProgrammingOnly);
                sleepFor(waits().data);
                link_.Kommando(cmd::EndRowProgramming);
                sleepFor(std::max(waits().step, waits().endHold));
            } else {
                link_.Kommando(cmd::BeginEraseProgrammingCycle);
                if (s != nullptr) {
                    sleepFor(waits().data);
                } else {
                    sleepFor(waits().data);
                }
            }
        }
        link_.Kommando(cmd::ReadDataFromDataMemory);
        const std::uint16_t r = link_.RdDaten() & 0xFF;
        image_.ReadBack.at(static_cast<std::size_t>(a)) = r;
        if (r != kept[n]) {
            errors_.DataErrorCount += 1;
            if (!reported) {
                reported = true;
                report_.message(std::string(kEepromRestoreFailedText) +
                                hexWord(static_cast<std::uint32_t>(a)) + ": " + hexWord(kept[n]) +
                                " geschrieben, " + hexWord(r) + " gelesen.");
            }
        }
        link_.Kommando(cmd::IncrementAddress);
        report_.showAddress(a);
    }
}

std::int32_t ChipOps::BlankCheck(bool includeData, bool protectionRemoved) {
    // The bulk erase of the 16F84A and 16F62x leaves the configuration word; the
    // erases of the 16F87x and 16F7x and every protection removal clear it.
    const bool config = protectionRemoved || eraseClearsConfig(procedure().erase);
    // Reads back everything the erase was to clear; every word that is not blank
    // is counted in its area, and the first one is named.
    std::int32_t found = 0;
    const auto check = [&](std::int32_t address, std::uint16_t read, std::uint16_t blank,
                           std::int32_t& counter) {
        image_.ReadBack.at(static_cast<std::size_t>(address)) = read;
        if (read == blank) {
            return;
        }
        counter += 1;
        if (found++ == 0) {
            report_.message(std::string(kNotBlankText) +
                            hexWord(static_cast<std::uint32_t>(address)) + ": " + hexWord(blank) +
                            " erwartet, " + hexWord(read) + " gelesen.");
        }
    };
    // The factory calibration is what an erase of such a chip leaves in place.
    const Calibration& cal = row().calibration;
    const bool kept = cal.any() && keptCalibration_.has_value();
    StartProgmode();
    for (std::int32_t a = 0; a <= device_.ProgLastAddr; ++a) {
        link_.Kommando(cmd::ReadDataFromProgramMemory);
        check(a, link_.RdDaten(), kept && a == cal.word ? keptCalibration_->word : 0x3FFF,
              errors_.ProgramErrorCount);
        link_.Kommando(cmd::IncrementAddress);
        UpdateRunGauge(a, device_.ProgLastAddr);
    }
    link_.EndProgmode();
    StartProgmode();
    if (includeData) {
        for (std::int32_t n = 0; n <= device_.DataLastAddr; ++n) {
            link_.Kommando(cmd::ReadDataFromDataMemory);
            check(MemoryImage::EepromBase + n, link_.RdDaten() & 0xFF, 0xFF,
                  errors_.DataErrorCount);
            link_.Kommando(cmd::IncrementAddress);
        }
    }
    if (config) {
        link_.Kommando(cmd::LoadConfiguration);
        link_.WrDaten(0x3FFF);
        for (int k = 0; k < 7; ++k) {
            link_.Kommando(cmd::IncrementAddress);
        }
        link_.Kommando(cmd::ReadDataFromProgramMemory);
        check(MemoryImage::ConfigAddr, link_.RdDaten(), withCalibration(0x3FFF),
              errors_.ConfigIdErrorCount);
        if (row().hasConfig2()) {
            link_.Kommando(cmd::IncrementAddress);
            link_.Kommando(cmd::ReadDataFromProgramMemory);
            check(MemoryImage::Config2Addr, link_.RdDaten(), 0x3FFF, errors_.ConfigIdErrorCount);
        }
    }
    link_.EndProgmode();
    return found;
}

std::uint16_t ChipOps::ProbeProgramWord(std::uint16_t word) {
    StartProgmode();
    link_.Kommando(cmd::LoadDataForProgramMemory);
    link_.WrDaten(word);
    link_.Kommando(row().programCmd);
    sleepFor(waits().program);
    link_.Kommando(cmd::ReadDataFromProgramMemory);
    const std::uint16_t read = link_.RdDaten();
    image_.ReadBack.at(0) = read;
    link_.EndProgmode();
    return read;
}

void ChipOps::RemoveCodeProtection() {
    StartProgmode();
    UpdateRunGauge(19, 20);
    if (newerScheme(device_.CurrentType)) {
        // Their erase of everything is the only way out of protection, and it is enough.
        ErasePIC(true);
        link_.EndProgmode();
        UpdateRunGauge(20, 20);
        return;
    }
    // The erase pair at the configuration word clears everything, protection included.
    link_.Kommando(cmd::LoadConfiguration);
    link_.WrDaten(0x3FF0);
    for (int k = 0; k < 7; ++k) {
        link_.Kommando(cmd::IncrementAddress);
    }
    link_.Kommando(cmd::EraseSetup1);
    link_.Kommando(cmd::EraseSetup2);
    link_.Kommando(row().programCmd);
    sleepFor(waits().unprotect);
    link_.Kommando(cmd::EraseSetup1);
    link_.Kommando(cmd::EraseSetup2);
    sleepFor(waits().unprotectSettle);
    link_.EndProgmode();
    UpdateRunGauge(20, 20);
}

ErrorCounters CompareImage(const MemoryImage& image, const DeviceState& device, bool includeData) {
    return countFailures(differences(image, device, includeData));
}

}  // namespace pk

namespace pk {

bool ChipOps::ReadDataTwice(std::vector<std::uint16_t>& kept) {
    // From address 0 of data memory; a second entry brings the counter back for
    // the second pass, so the two are independent. The chip is left in
    // programming mode, counter at the end.
    if (link_.incrementsSinceEntry() != 0) {
        restartAt(PassStart::DataByte);
    }
    const auto count = static_cast<std::size_t>(device_.DataLastAddr + 1);
    kept.assign(count, 0xFF);
    for (std::size_t n = 0; n < count; ++n) {
        link_.Kommando(cmd::ReadDataFromDataMemory);
        kept[n] = link_.RdDaten() & 0xFF;
        link_.Kommando(cmd::IncrementAddress);
    }
    link_.EndProgmode();
    StartProgmode();
    std::int32_t unstable = 0;
    for (std::size_t n = 0; n < count; ++n) {
        link_.Kommando(cmd::ReadDataFromDataMemory);
        if ((link_.RdDaten() & 0xFF) != kept[n]) {
            ++unstable;
        }
        link_.Kommando(cmd::IncrementAddress);
    }
    if (unstable > 0) {
        errors_.DataErrorCount += unstable;
        report_.message(kEepromUnstableText);
        return false;
    }
    return true;
}

}  // namespace pk
