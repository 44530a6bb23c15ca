// The user's chip commands over the chip routines.

#include "device/commands.h"

#include <cstdio>

#include "editors/id_words.h"
#include "image/hex_file.h"

namespace pk {

namespace {

constexpr bool present(std::uint16_t word) {
    return (word & 0x8000) == 0;
}

std::string hexAddress(std::int32_t address) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "0x%04X", static_cast<unsigned>(address));
    return buf;
}

void selectType(DeviceState& device, std::int32_t type) {
    device.CurrentType = type;
    if (const DeviceInfo* info = deviceInfo(type)) {
        device.ProgLastAddr = info->progLastAddr;
        device.DataLastAddr = info->dataLastAddr;
    }
}

// StartProgmode, the routine, EndProgmode; the chip never stays under 12 V when
// the routine breaks off.
template <typename F>
void bracket(ChipSession& chip, F&& routine) {
    chip.link.StartProgmode();
    try {
        routine();
    } catch (...) {
        if (chip.link.inProgrammingMode()) {
            chip.link.EndProgmode();
        }
        throw;
    }
    chip.link.EndProgmode();
}

void clearCounters(ChipSession& chip, CommandResult& r) {
    chip.ops.errors() = {};
    r.countersValid = true;
    chip.report.countersCleared();
}

void finishCounters(ChipSession& chip, CommandResult& r) {
    r.counters = chip.ops.errors();
    chip.report.countersDone(r.counters);
    if (r.outcome == Outcome::Ok && r.counters.sum() != 0) {
        r.outcome = Outcome::Failed;
    }
}

// The file again from disk, then the configuration word and the ID values it
// brings (or the caller's). False when the command must stop.
Outcome reloadAndTake(ChipSession& chip, BurnOptions& options) {
    MemoryImage& image = chip.ops.image();
    if (!chip.report.reloadHexFile(image, options) || !image.HexLoaded) {
        return Outcome::FileUnusable;
    }
    const DeviceState& device = chip.ops.device();
    if (options.fit != FitCheck::None) {
        if (const auto misfit = firstMisfit(image, device, options.includeData)) {
            const std::string type(deviceInfo(device.CurrentType)->listText);
            if (options.fit == FitCheck::Refuse) {
                chip.report.message("Die Datei passt nicht zum erkannten PIC " + type +
                                    ": Adresse " + hexAddress(*misfit) +
                                    " liegt außerhalb seines Speichers.");
                return Outcome::WrongType;
            }
            if (!chip.report.confirm("Die Datei ist größer als der gewählte PIC " + type +
                                     ": ab Adresse " + hexAddress(*misfit) +
                                     " passt sie nicht hinein, dieser Teil wird nicht gebrannt."
                                     "\r\rTrotzdem brennen?")) {
                return Outcome::Cancelled;
            }
        }
    }
    // Without EEPROM bytes in the file (or EEPROM in the chip) there is no data to burn.
    options.includeData = options.includeData && hasEepromData(image, device.DataLastAddr);
    image.IdWords = options.ids ? *options.ids : idWordsFromFile(image);
    if (options.configWord) {
        image.ConfigWord = *options.configWord;
    } else if (options.configFromFile) {
        image.ConfigWord = configWordFor(device.CurrentType,
                                         image.HexWords[MemoryImage::ConfigAddr], options.controls);
    } else {
        image.ConfigWord = buildConfigWord(device.CurrentType, options.controls);
    }
    return Outcome::Ok;
}

void eraseBracket(ChipSession& chip, bool includeData) {
    bracket(chip, [&] {
        chip.ops.UpdateRunGauge(19, 20);
        chip.ops.ErasePIC(includeData);
    });
    chip.ops.UpdateRunGauge(20, 20);
}

}  // namespace

std::string failureMessage(const WordFailure& f) {
    const char* text = "";
    switch (f.area) {
        case Area::Program:
            // The 16F7x verify pass words its message without the two blanks.
            text = f.pairsVerify ? "Programmbrennen wegen eines Fehlers abgebrochen!"
                                 : "Programmbrennen wegen eines Fehlers abgebrochen!  ";
            break;
        case Area::Data:
            text = "EEPROM-Brennen wegen eines Fehlers abgebrochen!  ";
            break;
        case Area::Id:
            text = "Brennen der ID fehlgeschlagen!  ";
            break;
        case Area::Config:
            text = "Brennen der Configuration fehlgeschlagen!  ";
            break;
    }
    return std::string(text) + std::to_string(f.address) + ": " + std::to_string(f.wanted) +
           " -> " + std::to_string(f.read);
}

bool Reporter::reloadHexFile(MemoryImage& image, BurnOptions& /*options*/) {
    const HexLoadResult r = LoadHexFile(image.HexFileName, image);
    if (!r.opened) {
        message("HEX-File  " + image.HexFileName + "  nicht gefunden");
        image.HexLoaded = false;
        return false;
    }
    if (!r.parse.ok()) {
        message(HexReadMessage(image.HexFileName, r.parse));
        return false;
    }
    return true;
}

std::uint16_t configWordFor(std::int32_t type, std::uint16_t fileWord,
                            const ConfigControls& controls) {
    if (!present(fileWord)) {
        return buildConfigWord(type, controls);
    }
    return buildConfigWord(type, controlsFromWord(type, fileWord, controls).controls);
}

std::optional<std::int32_t> firstMisfit(const MemoryImage& image, const DeviceState& device,
                                        bool withData) {
    for (std::int32_t a = device.ProgLastAddr + 1; a < MemoryImage::IdBase; ++a) {
        if (image.present(static_cast<std::size_t>(a))) {
            return a;
        }
    }
    if (withData) {
        for (std::int32_t a = MemoryImage::EepromBase + device.DataLastAddr + 1;
             a < static_cast<std::int32_t>(MemoryImage::Size); ++a) {
            if (image.present(static_cast<std::size_t>(a))) {
                return a;
            }
        }
    }
    return std::nullopt;
}

std::vector<WordFailure> differences(const MemoryImage& image, const DeviceState& device,
                                     bool includeData) {
    std::vector<WordFailure> out;
    const auto& hex = image.HexWords;
    const auto& back = image.ReadBack;
    // Only what the file gives is checked; the rest of the chip may hold anything.
    for (std::int32_t a = 0; a <= device.ProgLastAddr && a < MemoryImage::IdBase; ++a) {
        const auto i = static_cast<std::size_t>(a);
        if (present(hex[i]) && back[i] != hex[i]) {
            out.push_back({Area::Program, a, hex[i], back[i]});
        }
    }
    if (includeData) {
        const std::int32_t end = static_cast<std::int32_t>(MemoryImage::Size);
        for (std::int32_t a = MemoryImage::EepromBase;
             a <= MemoryImage::EepromBase + device.DataLastAddr && a < end; ++a) {
            const auto i = static_cast<std::size_t>(a);
            if (present(hex[i]) && (back[i] & 0xFF) != (hex[i] & 0xFF)) {
                out.push_back({Area::Data, a, static_cast<std::uint16_t>(hex[i] & 0xFF),
                               static_cast<std::uint16_t>(back[i] & 0xFF)});
            }
        }
    }
    for (int k = 0; k < 4; ++k) {
        const std::int32_t id = image.IdWords[static_cast<std::size_t>(k)];
        const std::int32_t a = MemoryImage::IdBase + k;
        const std::uint16_t read = back[static_cast<std::size_t>(a)];
        // The chip keeps the upper bits of an ID location as it likes; the value is the nibble.
        if (idPresent(id) && (read & 0x000F) != (id & 0x000F)) {
            out.push_back({Area::Id, a, static_cast<std::uint16_t>(id & 0x000F),
                           static_cast<std::uint16_t>(read & 0x000F)});
        }
    }
    if (present(image.ConfigWord) && back[MemoryImage::ConfigAddr] != image.ConfigWord) {
        out.push_back({Area::Config, MemoryImage::ConfigAddr, image.ConfigWord,
                       back[MemoryImage::ConfigAddr]});
    }
    return out;
}

Outcome checkType(ChipSession& chip, const ChipChoice& choice) {
    ChipOps& ops = chip.ops;
    DeviceState& device = ops.device();
    ops.TypeMismatch = false;
    // That circuit cannot read the chip, so there is nothing to check against.
    if (ops.settings().QuickAndDirty) {
        return Outcome::Ok;
    }
    const std::int32_t selected = device.CurrentType;
    ops.Autodetect();
    const IdLookup found = lookupDeviceId(ops.DetectedIdWord);
    // All ones is what an empty socket reads. Only the old 16F84 has no device ID,
    // so for every other chip it means that nothing answered.
    const DeviceInfo* row = deviceInfo(selected);
    const bool deviceIdExpected =
        choice.fromChip || row == nullptr || !row->idless || choice.expectDeviceId;
    if (found.noChip && deviceIdExpected) {
        ops.TypeMismatch = true;
        chip.report.message(kNoChipMessage);
        return Outcome::NoChip;
    }
    if (choice.fromChip) {
        if (found.unknown) {
            ops.TypeMismatch = true;
            chip.report.message("unbekannter PIC, Device-ID " + hexAddress(ops.DetectedIdWord));
            return Outcome::WrongType;
        }
        selectType(device, ops.DetectedType);
        return Outcome::Ok;
    }
    ops.TypeMismatch = selected != ops.DetectedType;
    if (ops.TypeMismatch) {
        chip.report.message(kWrongTypeText);
        return Outcome::WrongType;
    }
    return Outcome::Ok;
}

CommandResult burn(ChipSession& chip, const BurnOptions& given) {
    CommandResult r;
    chip.report.takeFailures();
    if ((r.outcome = checkType(chip, given.chip)) != Outcome::Ok) {
        return r;
    }
    BurnOptions options = given;
    if ((r.outcome = reloadAndTake(chip, options)) != Outcome::Ok) {
        return r;
    }
    clearCounters(chip, r);
    r.dataIncluded = options.includeData;
    // Each area in a bracket of its own; a failed program word does not keep the
    // data and the configuration from being burnt.
    const DeviceInfo& info = *deviceInfo(chip.ops.device().CurrentType);
    bracket(chip, [&] {
        if (info.writeScheme == WriteScheme::PairsAfterBulkErase) {
            chip.ops.WriteProgram7x();
        } else if (const auto scheme = newerScheme(info.type); scheme && scheme->latchWords > 1) {
            chip.ops.WriteProgramRows(*scheme);
        } else {
            chip.ops.WriteProgram();
        }
    });
    if (options.includeData) {
        bracket(chip, [&] { chip.ops.WriteData(); });
    }
    bracket(chip, [&] { chip.ops.WriteConfiguration(); });
    r.failures = chip.report.takeFailures();
    finishCounters(chip, r);
    return r;
}

CommandResult verify(ChipSession& chip, const BurnOptions& given) {
    CommandResult r;
    if ((r.outcome = checkType(chip, given.chip)) != Outcome::Ok) {
        return r;
    }
    BurnOptions options = given;
    options.fit = FitCheck::None;  // a compare writes nothing
    if ((r.outcome = reloadAndTake(chip, options)) != Outcome::Ok) {
        return r;
    }
    clearCounters(chip, r);
    r.dataIncluded = options.includeData;
    bracket(chip, [&] { chip.ops.ReadProgram(false); });
    if (options.includeData) {
        bracket(chip, [&] { chip.ops.ReadData(); });
    }
    bracket(chip, [&] { chip.ops.ReadConfiguration(); });
    r.failures = differences(chip.ops.image(), chip.ops.device(), options.includeData);
    ErrorCounters& e = chip.ops.errors();
    e = {};
    for (const WordFailure& f : r.failures) {
        switch (f.area) {
            case Area::Program:
                ++e.ProgramErrorCount;
                break;
            case Area::Data:
                ++e.DataErrorCount;
                break;
            default:
                ++e.ConfigIdErrorCount;
                break;
        }
    }
    finishCounters(chip, r);
    return r;
}

CommandResult read(ChipSession& chip, const ChipChoice& choice) {
    CommandResult r;
    if ((r.outcome = checkType(chip, choice)) != Outcome::Ok) {
        return r;
    }
    clearCounters(chip, r);
    // The save writes every EEPROM offset and the reserved words: what an earlier
    // read of another chip left there must not end up in this file.
    chip.ops.image().ReadBack.fill(0xFFFF);
    bracket(chip, [&] { chip.ops.ReadProgram(true); });
    bracket(chip, [&] { chip.ops.ReadData(); });
    bracket(chip, [&] { chip.ops.ReadConfiguration(); });
    finishCounters(chip, r);
    return r;
}

CommandResult erase(ChipSession& chip, bool includeData, const ChipChoice& choice) {
    CommandResult r;
    if ((r.outcome = checkType(chip, choice)) != Outcome::Ok) {
        return r;
    }
    eraseBracket(chip, includeData);
    return r;
}

CommandResult removeProtection(ChipSession& chip, bool includeData, const ChipChoice& choice) {
    CommandResult r;
    if ((r.outcome = checkType(chip, choice)) != Outcome::Ok) {
        return r;
    }
    // On the 16F7x the bulk erase itself removes the protection.
    if (chip.ops.row().unprotect == UnprotectScheme::Erase) {
        eraseBracket(chip, includeData);
    } else {
        chip.ops.RemoveCodeProtection();
    }
    return r;
}

DetectResult detect(ChipSession& chip) {
    DetectResult d;
    ChipOps& ops = chip.ops;
    ops.Autodetect();
    d.found = lookupDeviceId(ops.DetectedIdWord);
    d.idWord = ops.DetectedIdWord;
    d.config = ops.DetectedConfig;
    d.flashProtected = ops.FlashProtected;
    d.eepromProtected = ops.EepromProtected;
    selectType(ops.device(), ops.DetectedType);
    if (d.found.noChip) {
        d.outcome = Outcome::NoChip;
    } else if (d.found.unknown) {
        d.outcome = Outcome::WrongType;
    }
    return d;
}

}  // namespace pk
