// The user's chip commands over the chip routines.

#include "device/commands.h"

#include <functional>

#include "device/command_parts.h"
#include "device/vpp_finding.h"
#include "image/hex_file.h"
#include "image/standard_streams.h"

namespace pk {

namespace {

// The routine in programming mode: in the entry still open, or in a new one;
// the chip never stays under 12 V when the routine breaks off.
template <typename F>
void inProgrammingMode(ChipSession& chip, F&& routine) {
    if (!chip.link.inProgrammingMode()) {
        chip.ops.StartProgmode();
    }
    try {
        routine();
    } catch (...) {
        if (chip.link.inProgrammingMode()) {
            chip.link.EndProgmode();
        }
        throw;
    }
}

// StartProgmode, the routine, EndProgmode.
template <typename F>
void bracket(ChipSession& chip, F&& routine) {
    inProgrammingMode(chip, routine);
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

// The file through the gate before the chip gets any voltage: the chosen type's
// memories are known; for a chip still to be detected only the file's form.
// Without a file yet (the window offers its dialog) it is loaded here first.
Outcome fileBeforeChip(ChipSession& chip, BurnOptions& options, FileUse use, bool& loaded) {
    MemoryImage& image = chip.ops.image();
    const DeviceState* part = options.chip.fromChip ? nullptr : &chip.ops.device();
    loaded = false;
    if (image.HexFileName.empty() && part != nullptr) {
        if (!chip.report.reloadHexFile(image, options) || !image.HexLoaded) {
            return Outcome::FileUnusable;
        }
        loaded = true;
        // An image without a file (a front end's own): where its words land is all there is.
        if (image.HexFileName.empty()) {
            if (const auto misfit = firstMisfit(image, *part, true)) {
                chip.report.message(misfitMessage(*part, *misfit, "PIC "));
                return Outcome::FileUnusable;
            }
            return Outcome::Ok;
        }
    }
    if (image.HexFileName.empty()) {
        return Outcome::Ok;
    }
    return gateHexFile(chip, image.HexFileName, part, use, options.acceptDoubtfulFile);
}

// After the type check the file is read again, so that a change made since
// loading is burnt; a detected chip must have a place for every word of it.
Outcome fileAfterChip(ChipSession& chip, BurnOptions& options, bool loaded) {
    MemoryImage& image = chip.ops.image();
    if (!loaded && (!chip.report.reloadHexFile(image, options) || !image.HexLoaded)) {
        return Outcome::FileUnusable;
    }
    const DeviceState& device = chip.ops.device();
    if (!options.chip.fromChip) {
        return Outcome::Ok;
    }
    if (const auto misfit = firstMisfit(image, device, true)) {
        chip.report.message(misfitMessage(device, *misfit, "erkannten PIC "));
        return Outcome::WrongType;
    }
    return Outcome::Ok;
}

// The configuration word and the ID values the file brings (or the caller's).
void takeFromFile(ChipSession& chip, BurnOptions& options) {
    MemoryImage& image = chip.ops.image();
    const DeviceState& device = chip.ops.device();
    // Without EEPROM bytes in the file (or EEPROM in the chip) there is no data to burn.
    options.includeData = options.includeData && hasEepromData(image, device.DataLastAddr);
    image.IdWords = options.ids ? *options.ids : idWordsFromFile(image);
    const std::uint16_t fileWord = image.HexWords[MemoryImage::ConfigAddr];
    const std::uint16_t fileWord2 = image.HexWords[MemoryImage::Config2Addr];
    const ConfigWords rule =
        options.configRule ? options.configRule(device.CurrentType, fileWord, fileWord2)
                           : ConfigWords{present(fileWord) ? fileWord : std::uint16_t{0x3FFF},
                                         present(fileWord2) ? fileWord2 : std::uint16_t{0x3FFF}};
    image.ConfigWord = options.configWord.value_or(rule.word);
    const DeviceInfo* row = deviceInfo(device.CurrentType);
    image.ConfigWord2 = row == nullptr || !row->hasConfig2()
                            ? std::uint16_t{0xFFFF}
                            : options.configWord2.value_or(rule.word2);
}

void eraseBracket(ChipSession& chip, bool includeData) {
    bracket(chip, [&] {
        chip.ops.UpdateRunGauge(19, 20);
        chip.ops.ErasePIC(includeData);
    });
    chip.ops.UpdateRunGauge(20, 20);
}

// A word that proves the chip answers once it has read back: neither all ones
// nor all zeros, which a line that nothing drives reads as well.
bool proves(std::uint16_t word, Area area) {
    const std::uint16_t ones = allOnes(area);
    return present(word) && (word & ones) != ones && (word & ones) != 0;
}

// Whether a word of this area before `before` has verified and so proved that
// the chip answers. The routines stop at their first program or data failure and
// visit addresses upwards, so every such word before it verified.
bool answeredBefore(const MemoryImage& image, Area area, std::int32_t before) {
    if (area == Area::Id || area == Area::Config) {
        for (int k = 0; k < 4 && MemoryImage::IdBase + k < before; ++k) {
            const std::int32_t id = image.IdWords[static_cast<std::size_t>(k)];
            if (idPresent(id) && proves(static_cast<std::uint16_t>(id & 0x000F), Area::Id)) {
                return true;
            }
        }
        return false;
    }
    const std::int32_t first = area == Area::Data ? MemoryImage::EepromBase : 0;
    for (std::int32_t a = first; a < before; ++a) {
        if (proves(image.HexWords[static_cast<std::size_t>(a)], area)) {
            return true;
        }
    }
    return false;
}

// What a burn that stops at failure f leaves undone: the file's words after f
// in its area (all of them after a failed read before writing) and every word of
// the areas that follow.
ErrorCounters notBurntAfter(ChipSession& chip, const WordFailure& f, bool includeData) {
    const MemoryImage& image = chip.ops.image();
    const DeviceState& device = chip.ops.device();
    ErrorCounters n;
    const auto countFrom = [&](std::int32_t from, std::int32_t to) {
        std::int32_t words = 0;
        for (std::int32_t a = from; a <= to; ++a) {
            // The calibration word is the chip's own, never the file's.
            words += present(image.HexWords[static_cast<std::size_t>(a)]) &&
                             !isCalibrationWord(device.CurrentType, a)
                         ? 1
                         : 0;
        }
        return words;
    };
    const std::int32_t dataLast = MemoryImage::EepromBase + device.DataLastAddr;
    if (f.area == Area::Program) {
        n.ProgramErrorCount = countFrom(
            f.check == WordFailure::Check::ReadTwice ? 0 : f.address + 1, device.ProgLastAddr);
        n.DataErrorCount = includeData ? countFrom(MemoryImage::EepromBase, dataLast) : 0;
    } else if (f.area == Area::Data) {
        n.DataErrorCount = countFrom(f.address + 1, dataLast);
    } else {
        return n;
    }
    for (std::int32_t id : image.IdWords) {
        n.ConfigIdErrorCount += idPresent(id) ? 1 : 0;
    }
    n.ConfigIdErrorCount += present(image.ConfigWord) ? 1 : 0;
    const DeviceInfo* row = deviceInfo(device.CurrentType);
    n.ConfigIdErrorCount += row != nullptr && row->hasConfig2() && present(image.ConfigWord2);
    return n;
}

// Whether a failed word reads as a protected chip's memory does: zero, on a chip
// the type check found protected.
bool readsProtected(const Detection& d, const WordFailure& f) {
    const bool protectedArea = f.area == Area::Data ? d.eepromProtected : d.flashProtected;
    return protectedArea && f.read == 0 && (f.area == Area::Program || f.area == Area::Data) &&
           f.check != WordFailure::Check::ReadTwice;
}

// How one area of a burn ended.
enum class AreaEnd { Done, Stopped, NoAnswer };

// One area of a burn in its bracket, with its failures held back until it is
// over. A failed program or data word stops the burn: one message says what
// failed and what was left unburnt, and the counters count it all. When the chip
// never answered, the message says so instead.
// The area's routine in programming mode: in the entry the area before left
// open, or in a new one. `stay` keeps it open for the next area when every word
// went in.
AreaEnd burnArea(ChipSession& chip, const Detection& detection, bool& answered, Area area,
                 std::int32_t end, bool includeData, const std::function<void()>& routine,
                 bool stay) {
    const std::size_t before = chip.report.failures().size();
    inProgrammingMode(chip, routine);
    if (chip.link.inProgrammingMode() && (!stay || chip.report.failures().size() != before)) {
        chip.link.EndProgmode();
    }
    const std::vector<WordFailure> failures = chip.report.failures();
    const MemoryImage& image = chip.ops.image();
    if (failures.size() == before) {
        answered = answered || answeredBefore(image, area, end);
        return AreaEnd::Done;
    }
    const WordFailure& first = failures[before];
    const bool stops = first.area == Area::Program || first.area == Area::Data;
    ErrorCounters left;
    if (stops) {
        left = notBurntAfter(chip, first, includeData);
        ErrorCounters& e = chip.ops.errors();
        e.ProgramErrorCount += left.ProgramErrorCount;
        e.DataErrorCount += left.DataErrorCount;
        e.ConfigIdErrorCount += left.ConfigIdErrorCount;
    }
    const std::uint16_t read = first.read & allOnes(first.area);
    if (!answered && !answeredBefore(image, first.area, first.address) &&
        (read == allOnes(first.area) || read == 0)) {
        const std::string rest = leftText(left, false);
        chip.report.message(noAnswerMessage(first) + (rest.empty() ? "" : "\r" + rest));
        return AreaEnd::NoAnswer;
    }
    answered = true;
    if (!stops) {
        for (std::size_t i = before; i < failures.size(); ++i) {
            chip.report.showFailure(failures[i]);
        }
        return AreaEnd::Done;
    }
    chip.report.message(
        abortMessage(first, left, readsProtected(detection, first), chip.report.partVpp()));
    return AreaEnd::Stopped;
}

// Counts the words in which two reads of the same area differ.
std::int32_t countDifferences(const WordArray& a, const WordArray& b, std::int32_t from,
                              std::int32_t to) {
    std::int32_t n = 0;
    for (std::int32_t i = from; i <= to; ++i) {
        if (a[static_cast<std::size_t>(i)] != b[static_cast<std::size_t>(i)]) {
            ++n;
        }
    }
    return n;
}

}  // namespace

bool Reporter::reloadHexFile(MemoryImage& image, BurnOptions& /*options*/) {
    const HexLoadResult r = LoadHexFile(image.HexFileName, image);
    if (!r.opened) {
        message("HEX-File  " + InputFileName(image.HexFileName) + "  nicht gefunden");
        image.HexLoaded = false;
        return false;
    }
    if (!r.parse.ok()) {
        message(HexReadMessage(image.HexFileName, r.parse));
        return false;
    }
    return true;
}

ErrorCounters countFailures(const std::vector<WordFailure>& failures) {
    ErrorCounters e;
    for (const WordFailure& f : failures) {
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
    return e;
}

std::optional<std::int32_t> firstMisfit(const MemoryImage& image, const DeviceState& device,
                                        bool withData) {
    for (std::int32_t a = device.ProgLastAddr + 1; a < MemoryImage::IdBase; ++a) {
        if (image.present(static_cast<std::size_t>(a))) {
            return a;
        }
    }
    // Past the configuration word only the chip's second word and factory words.
    const DeviceInfo* row = deviceInfo(device.CurrentType);
    for (std::int32_t a = MemoryImage::ConfigAddr + 1; a < MemoryImage::EepromBase; ++a) {
        const auto address = static_cast<std::uint16_t>(a);
        if (image.present(address) && row != nullptr &&
            !(row->hasConfig2() && address == row->config2().address) &&
            !row->isFactoryWord(address)) {
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
        // The chip's calibration word is its own, whatever the file says there.
        if (present(hex[i]) && back[i] != hex[i] && !isCalibrationWord(device.CurrentType, a)) {
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
    if (present(image.ConfigWord) &&
        !sameConfig(device.CurrentType, back[MemoryImage::ConfigAddr], image.ConfigWord)) {
        out.push_back({Area::Config, MemoryImage::ConfigAddr, image.ConfigWord,
                       back[MemoryImage::ConfigAddr]});
    }
    if (present(image.ConfigWord2) && back[MemoryImage::Config2Addr] != image.ConfigWord2) {
        out.push_back({Area::Config, MemoryImage::Config2Addr, image.ConfigWord2,
                       back[MemoryImage::Config2Addr]});
    }
    return out;
}

CommandResult burn(ChipSession& chip, const BurnOptions& given) {
    CommandResult r;
    chip.report.takeFailures();
    BurnOptions options = given;
    bool loaded = false;
    if ((r.outcome = fileBeforeChip(chip, options, FileUse::Burn, loaded)) != Outcome::Ok) {
        return r;
    }
    const TypeCheck check = checkChip(chip, given.chip);
    if ((r.outcome = check.outcome) != Outcome::Ok ||
        (r.outcome = fileAfterChip(chip, options, loaded)) != Outcome::Ok) {
        return r;
    }
    takeFromFile(chip, options);
    clearCounters(chip, r);
    r.dataIncluded = options.includeData;
    // Each area in a bracket of its own. The first program or data word that does
    // not verify ends the burn: a configuration word (protection included) burnt
    // over a program that is not there would hide the fault. Whether the chip
    // answered at all decides the message; the type check may have shown it.
    const DeviceInfo& info = *deviceInfo(chip.ops.device().CurrentType);
    bool answered = !chip.ops.settings().QuickAndDirty && chipAnswered(check.detection);
    chip.report.holdFailures(true);
    struct Release {
        Reporter& report;
        ~Release() { report.holdFailures(false); }
    } release{chip.report};
    const std::int32_t dataEnd = MemoryImage::EepromBase + chip.ops.device().DataLastAddr + 1;
    // A calibration is kept only from the erase of this burn.
    chip.ops.forgetCalibration();
    const bool data = options.includeData;
    // The data-sheet timing goes on from one area to the next in one entry where
    // the counter can be brought to where the next one starts; Load Configuration
    // reaches the IDs from anywhere.
    const bool stay = chip.ops.settings().Timing == TimingMode::DataSheet;
    struct Leave {
        ChipSession& chip;
        ~Leave() {
            if (chip.link.inProgrammingMode()) {
                chip.link.EndProgmode();
            }
        }
    } leave{chip};
    AreaEnd end = burnArea(
        chip, check.detection, answered, Area::Program, chip.ops.device().ProgLastAddr + 1, data,
        [&] {
            if (info.writeScheme == WriteScheme::PairsAfterBulkErase) {
                chip.ops.WriteProgram7x();
            } else if (const auto scheme = newerScheme(info.type);
                       scheme && scheme->latchWords > 1) {
                chip.ops.WriteProgramRows(*scheme, data);
            } else if (chip.ops.ProgramOnlyPays(data)) {
                chip.ops.WriteProgramAfterErase(data);
            } else {
                if (chip.ops.settings().Timing == TimingMode::DataSheet &&
                    info.writeScheme == WriteScheme::WordByWord) {
                    chip.report.setPanel(1, kWordByWordText);
                }
                chip.ops.WriteProgram();
            }
        },
        stay);
    // Not erased because the calibration could not be kept: nothing more to burn.
    if (end == AreaEnd::Done && !chip.ops.calibrationRefused() && data) {
        if (chip.link.inProgrammingMode() && !chip.ops.countOnTo(ChipOps::PassStart::DataByte)) {
            chip.link.EndProgmode();
        }
        end = burnArea(
            chip, check.detection, answered, Area::Data, dataEnd, data,
            [&] { chip.ops.WriteData(); }, stay);
    }
    if (end == AreaEnd::Done && !chip.ops.calibrationRefused()) {
        end = burnArea(
            chip, check.detection, answered, Area::Config, MemoryImage::IdBase + 4, data,
            [&] { chip.ops.WriteConfiguration(); }, false);
    }
    if (end == AreaEnd::NoAnswer) {
        r.outcome = Outcome::NoChip;
    }
    r.failures = chip.report.takeFailures();
    finishCounters(chip, r);
    return r;
}

CommandResult verify(ChipSession& chip, const BurnOptions& given) {
    CommandResult r;
    BurnOptions options = given;
    bool loaded = false;
    if ((r.outcome = fileBeforeChip(chip, options, FileUse::Compare, loaded)) != Outcome::Ok) {
        return r;
    }
    const TypeCheck check = checkChip(chip, given.chip, true, true);
    if ((r.outcome = check.outcome) != Outcome::Ok ||
        (r.outcome = fileAfterChip(chip, options, loaded)) != Outcome::Ok) {
        return r;
    }
    takeFromFile(chip, options);
    clearCounters(chip, r);
    r.dataIncluded = options.includeData;
    // The file, read again, may reach further than what the type check read along.
    if (check.detection.programReadTo < chip.ops.lastWordToRead(false)) {
        bracket(chip, [&] { chip.ops.ReadProgram(false); });
    }
    // Load Configuration reaches the IDs from anywhere in the data memory: one
    // entry for both, unless the type check read them along.
    if (!check.detection.readAlong) {
        bracket(chip, [&] {
            if (options.includeData) {
                chip.ops.ReadData();
            }
            chip.ops.ReadConfiguration();
        });
    }
    r.failures = differences(chip.ops.image(), chip.ops.device(), options.includeData);
    chip.ops.errors() = countFailures(r.failures);
    finishCounters(chip, r);
    return r;
}

CommandResult read(ChipSession& chip, const ChipChoice& choice) {
    CommandResult r;
    const TypeCheck check = checkChip(chip, choice, true);
    if ((r.outcome = check.outcome) != Outcome::Ok) {
        return r;
    }
    clearCounters(chip, r);
    r.dataIncluded = true;
    MemoryImage& image = chip.ops.image();
    // What is saved is read twice: one flipped bit on the cable would otherwise
    // end up in the file as if the chip held it.
    const auto pass = [&](bool along) {
        // The save writes every EEPROM offset and the reserved words: what an earlier
        // read of another chip left there must not end up in this file.
        const WordArray readAlong = image.ReadBack;
        image.ReadBack.fill(0xFFFF);
        if (along) {
            // The type check's bracket read the EEPROM, the IDs and the configuration.
            const auto keep = [&](std::int32_t from, std::int32_t to) {
                for (std::int32_t a = from; a <= to; ++a) {
                    image.ReadBack[static_cast<std::size_t>(a)] =
                        readAlong[static_cast<std::size_t>(a)];
                }
            };
            keep(MemoryImage::EepromBase, MemoryImage::EepromBase + chip.ops.device().DataLastAddr);
            keep(MemoryImage::IdBase, MemoryImage::IdBase + 3);
            keep(MemoryImage::ConfigAddr, MemoryImage::Config2Addr);
        }
        bracket(chip, [&] { chip.ops.ReadProgram(true); });
        if (!along) {
            bracket(chip, [&] {
                chip.ops.ReadData();
                chip.ops.ReadConfiguration();
            });
        }
    };
    pass(check.detection.readAlong);
    const WordArray first = image.ReadBack;
    pass(false);
    const DeviceState& device = chip.ops.device();
    ErrorCounters& e = chip.ops.errors();
    e.ProgramErrorCount = countDifferences(first, image.ReadBack, 0, device.ProgLastAddr);
    e.DataErrorCount = countDifferences(first, image.ReadBack, MemoryImage::EepromBase,
                                        MemoryImage::EepromBase + device.DataLastAddr);
    e.ConfigIdErrorCount =
        countDifferences(first, image.ReadBack, MemoryImage::IdBase, MemoryImage::Config2Addr);
    image.ReadBack = first;
    r.unstable = e.sum();
    if (r.unstable != 0) {
        chip.report.message(unstableReadMessage(r.unstable));
    } else if (const DeviceInfo* row = deviceInfo(device.CurrentType);
               row != nullptr && row->idless && !device.Is84A) {
        // Every area all ones: a blank 16F84, or nothing in the socket at all.
        const auto blank = [&](std::int32_t from, std::int32_t to, std::uint16_t ones) {
            for (std::int32_t a = from; a <= to; ++a) {
                if (first[static_cast<std::size_t>(a)] != ones) {
                    return false;
                }
            }
            return true;
        };
        r.allBlank =
            blank(0, device.ProgLastAddr, 0x3FFF) &&
            blank(MemoryImage::EepromBase, MemoryImage::EepromBase + device.DataLastAddr, 0xFF) &&
            blank(MemoryImage::IdBase, MemoryImage::IdBase + 3, 0x000F) &&
            first[MemoryImage::ConfigAddr] == 0x3FFF;
        if (r.allBlank) {
            chip.report.setPanel(1, kAllBlankText);
        }
    }
    finishCounters(chip, r);
    return r;
}

namespace {

// The old 16F84 has no device ID, and once erased it reads all ones, as an empty
// socket does: the type check could not tell them apart (unless its
// configuration word read otherwise). One word written at address 0 and read
// back proves that a chip answered; it is erased again and checked blank.
Outcome proveAnswered(ChipSession& chip, const Detection& detection) {
    ChipOps& ops = chip.ops;
    const DeviceInfo* row = deviceInfo(ops.device().CurrentType);
    if (ops.settings().QuickAndDirty || row == nullptr || !row->idless || ops.device().Is84A ||
        chipAnswered(detection)) {
        return Outcome::Ok;
    }
    // Neither all ones nor all zeros, and every bit beside one that differs.
    constexpr std::uint16_t kProbe = 0x2AAA;
    const std::uint16_t read = ops.ProbeProgramWord(kProbe);
    if (read != kProbe && ((read & 0x3FFF) == 0x3FFF || (read & 0x3FFF) == 0)) {
        chip.report.message(std::string(kNoChipMessage) +
                            ": ein Prüfwort an Adresse 0x0000 liest " + hexWord(read) + " statt " +
                            hexWord(kProbe) + ", " +
                            ((read & 0x3FFF) == 0 ? kZerosHint : kOnesHint));
        // Counted too: the window shows "O.K." for counters that are all 0.
        ops.errors().ProgramErrorCount += 1;
        return Outcome::NoChip;
    }
    if (read != kProbe) {
        // A chip answered, but the word did not take: the next erase must still go.
        ops.errors().ProgramErrorCount += 1;
        chip.report.failure({Area::Program, 0, kProbe, read});
    }
    eraseBracket(chip, false);
    ops.BlankCheck(false);
    return Outcome::Ok;
}

// The erase's own failures (an EEPROM that could not be kept) were reported
// already; otherwise the blank check proves the erase, and on the old 16F84 the
// proof that a chip answered follows.
void checkBlank(ChipSession& chip, const Detection& detection, CommandResult& r, bool includeData,
                bool protectionRemoved) {
    if (chip.ops.errors().sum() == 0 && chip.ops.BlankCheck(includeData, protectionRemoved) == 0) {
        r.outcome = proveAnswered(chip, detection);
    }
    r.dataIncluded = includeData && chip.ops.device().DataLastAddr >= 0;
    r.failures = chip.report.takeFailures();
    finishCounters(chip, r);
}

}  // namespace

CommandResult erase(ChipSession& chip, bool includeData, const ChipChoice& choice) {
    CommandResult r;
    const TypeCheck check = checkChip(chip, choice);
    if ((r.outcome = check.outcome) != Outcome::Ok) {
        return r;
    }
    clearCounters(chip, r);
    chip.report.takeFailures();
    eraseBracket(chip, includeData);
    checkBlank(chip, check.detection, r, includeData, false);
    return r;
}

CommandResult removeProtection(ChipSession& chip, bool includeData, const ChipChoice& choice) {
    CommandResult r;
    const TypeCheck check = checkChip(chip, choice);
    if ((r.outcome = check.outcome) != Outcome::Ok) {
        return r;
    }
    clearCounters(chip, r);
    chip.report.takeFailures();
    // On the 16F7x the bulk erase itself removes the protection. Every other
    // removal clears the data EEPROM too, so that is checked as well.
    if (chip.ops.row().unprotect == UnprotectScheme::Erase) {
        eraseBracket(chip, includeData);
    } else {
        chip.ops.RemoveCodeProtection();
    }
    checkBlank(chip, check.detection, r, true, true);
    return r;
}

}  // namespace pk
