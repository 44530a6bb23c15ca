// Burning: program memory (word by word, or in pairs after a bulk erase on the
// 16F7x), data EEPROM, ID locations and the configuration word. Every word
// written is read back unless the circuit cannot read (Quick and Dirty); the
// first program or data word that does not verify ends the routine.

#include <algorithm>
#include <chrono>
#include <cmath>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "device/chip_ops.h"
#include "link/range_error.h"

namespace pk {

namespace {

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

std::optional<NewerScheme> newerScheme(std::int32_t type) {
    const DeviceInfo* d = deviceInfo(type);
    if (d == nullptr || (d->writeScheme != WriteScheme::Rows &&
                         d->writeScheme != WriteScheme::ProgramOnlyAfterBulkErase)) {
        return std::nullopt;
    }
    NewerScheme s;
    s.latchWords = d->latchWords;
    // A host-timed programming cycle writes only zeros: its rows are erased first.
    s.eraseRowWords = d->writeScheme == WriteScheme::Rows && d->endCmd ? 32 : 0;
    s.selfTimedRows = !d->endCmd;
    s.chipErase = d->erase == EraseScheme::ChipErase;
    s.bulkEraseFirst = d->writeScheme == WriteScheme::ProgramOnlyAfterBulkErase;
    s.dataWriteErases = d->dataWriteErases;
    return s;
}

void ChipOps::failProgram(std::int32_t address, std::uint16_t wanted, std::uint16_t read,
                          WordFailure::Check check) {
    errors_.ProgramErrorCount += 1;
    setGaugeColour(RunGaugeColour::Red);
    report_.failure({Area::Program, address, wanted, read, check});
}

void ChipOps::WriteProgram() {
    setGaugeColour(RunGaugeColour::DarkGreen);
    const bool qd = settings_.QuickAndDirty;
    const std::optional<NewerScheme> scheme = newerScheme(device_.CurrentType);
    const Calibration& cal = row().calibration;
    calibrationKeptOut_ = false;
    if (scheme) {
        // The factory calibration first: without it, nothing is erased.
        if (cal.any() && !ReadCalibration()) {
            return;
        }
        // The 16F62xA only clears bits when it programs: everything is erased first
        // (with the counter in configuration space, so the IDs go too), and the
        // counter comes back to 0 only through a new entry.
        if (!BulkEraseKeepingFactoryWords()) {
            return;
        }
    }
    writeProgramWords(qd);
    // The calibration word goes back whatever happened to the file's words.
    RestoreCalibration(false);
}

void ChipOps::writeProgramWords(bool qd) {
    const Calibration& cal = row().calibration;
    const std::int32_t last = lastProgramAddress(image_, device_.ProgLastAddr);
    auto& hex = image_.HexWords;
    auto& back = image_.ReadBack;
    for (std::int32_t a = 0; a <= last; ++a) {
        const auto i = static_cast<std::size_t>(a);
        if (a == cal.word) {
            // The chip's own calibration stays; the file's word there is not burnt.
            calibrationKeptOut_ =
                present(hex.at(i)) && keptCalibration_ && hex.at(i) != keptCalibration_->word;
            UpdateRunGauge(a, last);
        } else if (present(hex.at(i))) {
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
                endCycle();
                if (!qd) {
                    link_.Kommando(cmd::ReadDataFromProgramMemory);
                    back.at(i) = link_.RdDaten();
                }
            }
            UpdateRunGauge(a, last);
            if (!qd && back.at(i) != hex.at(i)) {
                failProgram(a, hex.at(i), back.at(i));
                return;
            }
            report_.showAddress(a);
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
        report_.showAddress(next);
    }
    if (qd) {
        return;
    }

    restartAt(PassStart::ProgramWord);
    for (std::int32_t a = 0; a <= last; ++a) {
        const auto i = static_cast<std::size_t>(a);
        link_.Kommando(cmd::ReadDataFromProgramMemory);
        back.at(i) = link_.RdDaten();
        const double p =
            std::nearbyint(static_cast<double>(a) / 2.0 + static_cast<double>(last) / 2.0);
        UpdateRunGauge(static_cast<std::int32_t>(p), last);
        if (back.at(i) != (hex.at(i) & 0x3FFF)) {
            failProgram(a, hex.at(i), back.at(i), WordFailure::Check::VerifyPass);
            return;
        }
        link_.Kommando(cmd::IncrementAddress);
        report_.showAddress(a + 1);
    }
}

void ChipOps::WriteData() {
    const bool qd = settings_.QuickAndDirty;
    auto& hex = image_.HexWords;
    auto& back = image_.ReadBack;
    const std::int32_t first = MemoryImage::EepromBase;
    const std::optional<NewerScheme> scheme = newerScheme(device_.CurrentType);
    // Bytes the file leaves out keep their contents, as on every other chip.
    std::vector<std::uint16_t> kept;
    if (scheme && !scheme->chipErase && !scheme->dataWriteErases) {
        // The 16F62xA's 8 only clears bits of a data byte too: the EEPROM is
        // erased first, so the bytes the file leaves out are read (twice) and
        // written back.
        bool gaps = false;
        for (std::int32_t a = first; a <= first + device_.DataLastAddr; ++a) {
            gaps = gaps || !present(hex.at(static_cast<std::size_t>(a)));
        }
        // Without read-back (Quick and Dirty) they cannot be kept: they are erased.
        if (gaps && !qd) {
            if (!ReadDataTwice(kept)) {
                return;
            }
            restartAt(PassStart::DataByte);
        }
        link_.Kommando(cmd::BulkEraseDataMemory);
        sleepFor(waits().erase);
    }
    for (std::int32_t a = first; a <= first + device_.DataLastAddr; ++a) {
        const auto i = static_cast<std::size_t>(a);
        std::optional<std::uint16_t> want;
        if (present(hex.at(i))) {
            want = static_cast<std::uint16_t>(hex.at(i));
        } else if (!kept.empty() && kept.at(static_cast<std::size_t>(a - first)) != 0xFF) {
            want = kept.at(static_cast<std::size_t>(a - first));  // erased bytes are 0xFF already
        }
        if (want) {
            link_.Kommando(cmd::LoadDataForDataMemory);
            link_.WrDaten(*want);
            if (scheme && scheme->eraseRowWords > 0) {
                // 16F87/88, 16F818/819: erase the byte, then program it, both timed by us.
                link_.Kommando(cmd::BeginEraseProgrammingCycle);
                sleepFor(waits().data);
                link_.Kommando(cmd::EndRowProgramming);
                sleepFor(std::max(waits().step, waits().endHold));
                link_.Kommando(cmd::BeginProgrammingOnly);
                sleepFor(waits().data);
                link_.Kommando(cmd::EndRowProgramming);
                sleepFor(std::max(waits().step, waits().endHold));
            } else {
                link_.Kommando(row().programCmd);
                sleepFor(waits().data);
            }
            if (!qd) {
                link_.Kommando(cmd::ReadDataFromDataMemory);
                back.at(i) = link_.RdDaten() & 0xFF;
                if (back.at(i) != (*want & 0xFF)) {
                    errors_.DataErrorCount += 1;
                    report_.failure({Area::Data, a, *want, back.at(i)});
                    return;
                }
            }
        }
        link_.Kommando(cmd::IncrementAddress);
        report_.showAddress(a);
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
            endCycle();
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
    if (const std::optional<NewerScheme> scheme = newerScheme(device_.CurrentType);
        scheme && scheme->latchWords > 1) {
        writeConfigurationRows(*scheme);
        return;
    }
    const bool qd = settings_.QuickAndDirty;
    const bool pairs = row().writeScheme == WriteScheme::PairsAfterBulkErase;
    if (row().calibration.any()) {
        // The chip's own calibration bits replace the file's; a burn read them
        // before its erase, anything else reads them now.
        if (!keptCalibration_ && !ReadCalibration()) {
            return;
        }
        image_.ConfigWord = withCalibration(image_.ConfigWord);
    }
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
        report_.setPanel(1, keptNote());
    } else {
        report_.setPanel(1, "Configuration nicht OK");
        errors_.ConfigIdErrorCount += 1;
        report_.failure({Area::Config, MemoryImage::ConfigAddr, config, r});
    }
}

std::string ChipOps::keptNote() const {
    if (calibrationKeptOut_) {
        return kCalibrationKeptText;
    }
    std::string kept;
    for (const std::uint16_t a : row().factoryWords) {
        if (a != 0 && image_.present(a)) {
            kept += (kept.empty() ? "" : ", ") + hexWord(a);
        }
    }
    return kept.empty() ? std::string()
                        : "Kalibrierung ab Werk an " + kept +
                              " behalten, das Wort der Datei dort nicht gebrannt";
}

// One programming cycle of the loaded latches.
void ChipOps::eraseRow() {
    // Begin Erase wants a load first; the load itself writes nothing.
    link_.Kommando(cmd::LoadDataForProgramMemory);
    link_.WrDaten(0x3FFF);
    link_.Kommando(cmd::BeginEraseProgrammingCycle);
    sleepFor(waits().program);
    link_.Kommando(cmd::EndRowProgramming);
    sleepFor(std::max(waits().step, waits().endHold));
}

void ChipOps::programCycle() {
    link_.Kommando(row().programCmd);
    sleepFor(waits().program);
    endCycle();
}

void ChipOps::endCycle() {
    if (const auto end = row().endCmd) {
        link_.Kommando(*end);
        sleepFor(std::max(waits().step, waits().endHold));  // discharge before the next bit
    }
}

void ChipOps::WriteProgramRows(const NewerScheme& s, bool includeData) {
    setGaugeColour(RunGaugeColour::DarkGreen);
    const bool qd = settings_.QuickAndDirty;
    // A write touches a whole row: the latch row, or the erase row where there is one.
    const std::int32_t row = std::max(s.latchWords, s.eraseRowWords);
    std::int32_t last = lastProgramAddress(image_, device_.ProgLastAddr);
    last = std::min(device_.ProgLastAddr, (last / row + 1) * row - 1);
    auto& hex = image_.HexWords;
    auto& back = image_.ReadBack;
    // The gauge's share per pass: reading what the chip holds (not after a bulk
    // erase), writing, verifying (not without read-back).
    const std::int32_t passes = qd ? 1 : (s.bulkEraseFirst ? 2 : 3);
    const std::int32_t writeFrom = passes == 3 ? last / 3 : 0;
    const std::int32_t verifyFrom = (passes - 1) * last / passes;

    // What the chip holds, read twice: a row is skipped only when both reads of
    // every word match the file, and a word the file does not give is written
    // back only when both reads agree.
    std::vector<std::uint16_t> held(static_cast<std::size_t>(last + 1), 0x3FFF);
    std::vector<bool> dirty(static_cast<std::size_t>(last / row + 1), qd);
    // After a chip erase, rows of the file's words and ones, programmed only.
    bool programOnly = false;
    if (s.bulkEraseFirst) {
        // A cycle only clears bits: everything is erased first, and every row
        // the file touches is written, with ones where it gives no word.
        if (!BulkEraseKeepingFactoryWords()) {
            return;
        }
        for (std::int32_t a = 0; a <= last; ++a) {
            if (present(hex.at(static_cast<std::size_t>(a)))) {
                dirty[static_cast<std::size_t>(a / row)] = true;
            }
        }
    } else if (!qd) {
        bool gapsBlank = true;
        for (std::int32_t a = 0; a <= last; ++a) {
            const auto i = static_cast<std::size_t>(a);
            link_.Kommando(cmd::ReadDataFromProgramMemory);
            const std::uint16_t first = link_.RdDaten();
            link_.Kommando(cmd::ReadDataFromProgramMemory);
            const std::uint16_t second = link_.RdDaten();
            held[i] = first;
            if (present(hex.at(i))) {
                if (first != hex.at(i) || second != hex.at(i)) {
                    dirty[static_cast<std::size_t>(a / row)] = true;
                }
            } else if (first != second) {
                failProgram(a, first, second, WordFailure::Check::ReadTwice);
                return;
            } else {
                gapsBlank = gapsBlank && first == 0x3FFF;
            }
            link_.Kommando(cmd::IncrementAddress);
            UpdateRunGauge(a / passes, last);
        }
        // Words beyond the last row visited are not in the file either.
        gapsBlank = gapsBlank && last == device_.ProgLastAddr;
        std::int64_t fileRows = 0;
        std::int64_t dirtyRows = 0;
        for (std::int32_t base = 0; base <= last; base += row) {
            bool given = false;
            for (std::int32_t a = base; a < base + row; ++a) {
                given = given || present(hex.at(static_cast<std::size_t>(a)));
            }
            fileRows += given ? 1 : 0;
            dirtyRows += dirty[static_cast<std::size_t>(base / row)] ? 1 : 0;
        }
        // The chip erase loses nothing when every word outside the file is blank.
        // It leaves the chip in a new entry whether it erased or not.
        if (!s.selfTimedRows || !gapsBlank ||
            !ProgramOnlyRowsPay(fileRows, dirtyRows, includeData)) {
            restartAt(PassStart::ProgramWord);
        } else if (EraseForProgramOnlyRows(includeData)) {
            programOnly = true;
            for (std::int32_t a = 0; a <= last; ++a) {
                if (present(hex.at(static_cast<std::size_t>(a)))) {
                    dirty[static_cast<std::size_t>(a / row)] = true;
                }
            }
        }
    }

    for (std::int32_t base = 0; base <= last; base += row) {
        if (!dirty[static_cast<std::size_t>(base / row)]) {
            for (std::int32_t k = 0; k < row; ++k) {
                link_.Kommando(cmd::IncrementAddress);
            }
            continue;
        }
        if (s.eraseRowWords > 0) {
            eraseRow();
        }
        for (std::int32_t a = base; a < base + row; ++a) {
            const auto i = static_cast<std::size_t>(a);
            link_.Kommando(cmd::LoadDataForProgramMemory);
            link_.WrDaten(present(hex.at(i)) ? hex.at(i) : held[i]);
            if ((a + 1) % s.latchWords == 0 && programOnly) {
                link_.Kommando(cmd::BeginProgrammingOnly);
                sleepFor(waits().programOnly);
                link_.Kommando(cmd::EndRowProgramming);
                sleepFor(std::max(waits().step, waits().endHold));
            } else if ((a + 1) % s.latchWords == 0) {
                programCycle();
            }
            link_.Kommando(cmd::IncrementAddress);
        }
        UpdateRunGauge(writeFrom + (base + row - 1) / passes, last);
        report_.showAddress(base + row);
    }
    if (qd) {
        return;
    }

    // Every word the file gives, read back after all rows are written.
    restartAt(PassStart::ProgramWord);
    for (std::int32_t a = 0; a <= last; ++a) {
        const auto i = static_cast<std::size_t>(a);
        if (present(hex.at(i))) {
            link_.Kommando(cmd::ReadDataFromProgramMemory);
            back.at(i) = link_.RdDaten();
            if (back.at(i) != hex.at(i)) {
                failProgram(a, hex.at(i), back.at(i), WordFailure::Check::VerifyPass);
                return;
            }
        }
        link_.Kommando(cmd::IncrementAddress);
        // The shares do not add up to `last` exactly; the gauge ends at the last word.
        UpdateRunGauge(a == last ? last : std::min(last - 1, verifyFrom + a / passes), last);
    }
}

void ChipOps::writeConfigurationRows(const NewerScheme& s) {
    const bool qd = settings_.QuickAndDirty;
    const std::uint16_t config = image_.ConfigWord;
    // Load Configuration fills the first ID latch on the 16F87xA: ones, so an ID
    // the file does not give is not overwritten with the configuration word.
    link_.Kommando(cmd::LoadConfiguration);
    link_.WrDaten(0x3FFF);
    if (s.eraseRowWords > 0) {
        // The ID row is erased first: 24 only clears bits.
        eraseRow();
    }
    for (int i = 0; i < 4; ++i) {
        const std::int32_t value = image_.IdWords.at(static_cast<std::size_t>(i));
        if (idPresent(value)) {
            link_.Kommando(cmd::LoadDataForProgramMemory);
            link_.WrDaten(idFrameWord(value));
            programCycle();
            if (!qd) {
                link_.Kommando(cmd::ReadDataFromProgramMemory);
                const std::uint16_t r = link_.RdDaten() & 0x000F;
                const std::int32_t address = MemoryImage::IdBase + i;
                image_.ReadBack.at(static_cast<std::size_t>(address)) = r;
                if (r != (value & 0x000F)) {
                    report_.setPanel(1, "ID nicht OK");
                    errors_.ConfigIdErrorCount += 1;
                    report_.failure({Area::Id, address, static_cast<std::uint16_t>(value), r});
                }
            }
        }
        link_.Kommando(cmd::IncrementAddress);
    }
    for (int k = 0; k < 3; ++k) {
        link_.Kommando(cmd::IncrementAddress);
    }
    // The configuration word alone: 8 on the 16F87xA, 24 (writing ones too) on the
    // others; the 16F87/88's second word right after it, the same way.
    const std::uint16_t config2 = image_.ConfigWord2;
    const bool second = row().hasConfig2() && (config2 & 0x8000) == 0;
    bool ok = true;
    for (const auto& [address, word] : {std::pair{MemoryImage::ConfigAddr, config},
                                        std::pair{MemoryImage::Config2Addr, config2}}) {
        if (address == MemoryImage::Config2Addr) {
            if (!second) {
                break;
            }
            link_.Kommando(cmd::IncrementAddress);
        }
        link_.Kommando(cmd::LoadDataForProgramMemory);
        link_.WrDaten(word);
        programCycle();
        if (qd) {
            continue;
        }
        link_.Kommando(cmd::ReadDataFromProgramMemory);
        const std::uint16_t r = link_.RdDaten();
        image_.ReadBack.at(static_cast<std::size_t>(address)) = r;
        if (r != word) {
            ok = false;
            errors_.ConfigIdErrorCount += 1;
            report_.failure({Area::Config, address, word, r});
        }
    }
    if (!qd) {
        report_.setPanel(1, ok ? keptNote() : "Configuration nicht OK");
    }
}

}  // namespace pk
