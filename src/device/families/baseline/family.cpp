// The baseline family: 12-bit words over six-bit commands, no device ID, a
// counter that starts at the configuration word, and a factory oscillator
// calibration that every command keeps. A chip of this family cannot be
// recognised, so it is never probed: the user names it.

#include "device/families/baseline/family.h"

#include <algorithm>
#include <cctype>

#include "device/families/baseline/protocol.h"
#include "device/row_report.h"
#include "device/vpp_finding.h"
#include "image/byte_hex_file.h"
#include "image/hex_text.h"
#include "image/standard_streams.h"

namespace pk {

namespace {

using baseline::kErased;
using baseline::Walker;

const BaselineDevice& rowOf(std::int32_t row) {
    return baselineDevices()[static_cast<std::size_t>(row)];
}

std::string lower(std::string_view s) {
    std::string out(s);
    for (char& c : out) {
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    return out;
}

constexpr std::uint16_t kAbsent = 0xFFFF;

// A word of a byte image at a word address: low byte first; kAbsent unless
// the file gives both bytes.
std::uint16_t wordAt(const ByteImage& image, const ByteImage::Bytes& bytes, std::uint32_t word) {
    const auto lo = image.regions().indexOf(2u * word);
    const auto hi = image.regions().indexOf(2u * word + 1);
    if (!lo || !hi || bytes[*lo] == ByteImage::AbsentByte || bytes[*hi] == ByteImage::AbsentByte) {
        return kAbsent;
    }
    return static_cast<std::uint16_t>((bytes[*lo] | bytes[*hi] << 8) & baseline::kWordMask);
}

void setWordAt(const ByteImage& image, ByteImage::Bytes& bytes, std::uint32_t word,
               std::uint16_t value) {
    const auto lo = image.regions().indexOf(2u * word);
    const auto hi = image.regions().indexOf(2u * word + 1);
    if (lo && hi) {
        bytes[*lo] = static_cast<std::uint16_t>(value & 0xFF);
        bytes[*hi] = static_cast<std::uint16_t>(value >> 8);
    }
}

// The word address a chip address has in the HEX file (the configuration
// word at 0xFFF whatever its place in the chip).
std::uint16_t fileAddress(const BaselineDevice& d, std::uint16_t chip) {
    return chip == d.configAddress ? baseline::kHexConfigWord : chip;
}

Area areaOf(const BaselineDevice& d, std::uint16_t chip) {
    if (chip == d.configAddress) {
        return Area::Config;
    }
    if (chip >= d.idAddress) {
        return Area::Id;
    }
    if (chip >= d.programWords) {
        return Area::Data;
    }
    return Area::Program;
}

// One command's frame: counters, failures, the chip check.
class Run {
  public:
    Run(Session& s, const BaselineDevice& d)
        : s_(s), d_(d), walker_(s.chip.link, s.chip.ops.clock(), d) {}

    ChipSession& chip() { return s_.chip; }
    Reporter& report() { return s_.chip.report; }
    Walker& walker() { return walker_; }

    // Counters cleared, the VPP accepted, the chip answering; also reads the
    // calibration words before anything changes.
    Outcome begin(CommandResult& r) {
        ErrorCounters& errors = s_.chip.ops.errors();
        errors = {};
        (void)report().takeFailures();
        report().holdFailures(true);
        report().countersCleared();
        r.countersValid = true;
        if (s_.chip.ops.settings().QuickAndDirty) {
            report().message(
                "Diese Schaltung kann nicht lesen: ein Baseline-PIC wird nur mit Rücklesen "
                "gebrannt, gelöscht oder gelesen.");
            return Outcome::Cancelled;
        }
        const VppRange vpp = baselineVpp();
        report().setPartVpp(vpp);
        auto& accepted = s_.byteChip.ops.vppAccepted;
        if (accepted.count(d_.name) == 0) {
            if (const auto finding = vppFinding(d_.name, vpp, s_.chip.ops.settings().VppTenths)) {
                if (!report().confirmVpp(*finding, "Trotzdem fortfahren?")) {
                    return Outcome::Cancelled;
                }
                accepted.insert(d_.name);
            }
        }
        walker_.enter();
        const std::uint16_t raw = walker_.readRaw();
        // A baseline chip sends 12 bits with the top two 0: all ones is a line
        // nobody drives, all zeros a chip without VPP or a shorted line.
        if (raw == 0 || (raw & ~baseline::kWordMask) != 0) {
            report().setPanel(1, kNoChipMessage);
            report().message(noChipText(raw));
            return Outcome::NoChip;
        }
        config_ = static_cast<std::uint16_t>(raw & baseline::kWordMask);
        if (d_.hasOsccal()) {
            walker_.to(d_.osccalAddress());
            osccal_ = walker_.read();
            walker_.to(d_.backupAddress);
            backup_ = walker_.read();
        }
        return Outcome::Ok;
    }

    std::string noChipText(std::uint16_t raw) const {
        return std::string(kNoChipMessage) + ": das Konfigurationswort liest " + hexWord(raw) +
               ". Ein Baseline-PIC (" + std::string(d_.name) +
               ") hat keine Device-ID; geprüft wird nur, ob er antwortet. PIC im Sockel, "
               "Stromversorgung und VPP prüfen.";
    }

    void finish(CommandResult& r) {
        walker_.leave();
        const std::vector<WordFailure> failures = report().takeFailures();
        report().holdFailures(false);
        ErrorCounters& errors = s_.chip.ops.errors();
        r.counters = errors;
        r.failures = failures;
        if (r.outcome == Outcome::Ok && errors.sum() > 0) {
            r.outcome = Outcome::Failed;
        }
        if (!failures.empty()) {
            report().message(failureMessage(failures.front(), baselineVpp()) + " (" +
                             std::to_string(failures.size()) + " Wort/Worte verschieden)");
        }
        report().countersDone(errors);
    }

    // A word that did not read back as wanted (only the bits in mask count).
    bool check(std::uint16_t chipAddress, std::uint16_t wanted, std::uint16_t read,
               WordFailure::Check how, std::uint16_t mask = baseline::kWordMask) {
        if (((wanted ^ read) & mask) == 0) {
            return true;
        }
        ErrorCounters& errors = s_.chip.ops.errors();
        const Area area = areaOf(d_, chipAddress);
        (area == Area::Program ? errors.ProgramErrorCount
         : area == Area::Data  ? errors.DataErrorCount
                               : errors.ConfigIdErrorCount)++;
        WordFailure f;
        f.area = area;
        f.address = fileAddress(d_, chipAddress);
        f.wanted = wanted;
        f.read = read;
        f.check = how;
        report().failure(f);
        return false;
    }

    // Every memory erased, the configuration word first: an erase from the
    // user IDs takes them and the backup calibration too (on the 12F519 and
    // 16F526 that erase takes only them, and the data memory has its own).
    void eraseAll() {
        walker_.to(d_.configAddress);
        walker_.bulkErase();
        if (d_.dataWords > 0) {
            walker_.to(baseline::kDataAddress);
            walker_.bulkErase();
        }
        walker_.to(d_.idAddress);
        walker_.bulkErase();
    }

    // Writes one word at an address and reads it back.
    void write(std::uint16_t chipAddress, std::uint16_t value) {
        walker_.to(chipAddress);
        walker_.load(value);
        walker_.program();
        check(chipAddress, value, walker_.read(), WordFailure::Check::Written);
    }

    // The calibration words as they were before the command, written back
    // after an erase took them (an erased word needs no writing).
    void restoreCalibration(std::uint16_t osccal) {
        if (!d_.hasOsccal()) {
            return;
        }
        for (const auto& [address, value] :
             {std::pair{d_.osccalAddress(), osccal}, std::pair{d_.backupAddress, backup_}}) {
            walker_.to(address);
            const std::uint16_t now = walker_.read();
            if (now != value) {
                if (value != kErased) {
                    walker_.load(value);
                    walker_.program();
                }
                check(address, value, walker_.read(), WordFailure::Check::Calibration);
            }
        }
    }

    std::uint16_t config() const { return config_; }
    std::uint16_t osccal() const { return osccal_; }
    std::uint16_t backup() const { return backup_; }

  private:
    Session& s_;
    const BaselineDevice& d_;
    Walker walker_;
    std::uint16_t config_ = kErased;
    std::uint16_t osccal_ = kErased;
    std::uint16_t backup_ = kErased;
};

// The file for the part, with the settings over it.
Outcome loadFile(Session& s, const BaselineDevice& d, const CommandOptions& o, FileUse use,
                 ByteImage& file) {
    std::string path = o.path;
    if (!s.chip.report.fileAtHand(path)) {
        return Outcome::FileUnusable;
    }
    bool accepted = o.acceptDoubtfulFile;
    if (const Outcome gate = gateHexFile(s.chip, path, nullptr, use, accepted, &accepted);
        gate != Outcome::Ok) {
        return gate;
    }
    file = ByteImage(baselineRegions(d));
    file.HexFileName = path;
    const HexLoadResult r = LoadByteHexFile(path, file, accepted);
    if (!r.opened) {
        s.chip.report.message("HEX-File  " + InputFileName(path) + "  nicht gefunden");
        return Outcome::FileUnusable;
    }
    if (!r.parse.ok()) {
        s.chip.report.message(HexReadMessage(path, r.parse));
        return Outcome::FileUnusable;
    }
    for (const ConfigSetting& c : o.config) {
        setWordAt(file, file.HexBytes, baseline::kHexConfigWord,
                  static_cast<std::uint16_t>(c.value & d.configMask));
    }
    if (o.ids && o.ids->size() == 2u * baseline::kIdWords) {
        auto ids = file.area(file.HexBytes, ByteArea::Id);
        std::transform(o.ids->begin(), o.ids->end(), ids.begin(),
                       [](std::int32_t v) { return static_cast<std::uint16_t>(v); });
    }
    return Outcome::Ok;
}

// The configuration word a burn writes: the file's, or erased.
std::uint16_t wantedConfig(const BaselineDevice& d, const ByteImage& file) {
    const std::uint16_t w = wordAt(file, file.HexBytes, baseline::kHexConfigWord);
    return w == kAbsent ? kErased
                        : static_cast<std::uint16_t>((w | ~d.configMask) & baseline::kWordMask);
}

// The addresses a file fills besides the calibration, in counter order.
template <typename F>
void forFileWords(const BaselineDevice& d, const ByteImage& file, F each) {
    for (std::uint16_t a = 0; a < d.programWords; ++a) {
        if (d.hasOsccal() && a == d.osccalAddress()) {
            continue;  // the chip's calibration, not the file's
        }
        if (const std::uint16_t w = wordAt(file, file.HexBytes, a); w != kAbsent) {
            each(a, w);
        }
    }
    for (std::uint16_t n = 0; n < d.dataWords; ++n) {
        const auto a = static_cast<std::uint16_t>(baseline::kDataAddress + n);
        if (const std::uint16_t w = wordAt(file, file.HexBytes, a); w != kAbsent) {
            each(a, static_cast<std::uint16_t>(w & 0xFF));
        }
    }
    for (std::uint16_t n = 0; n < baseline::kIdWords; ++n) {
        const auto a = static_cast<std::uint16_t>(d.idAddress + n);
        if (const std::uint16_t w = wordAt(file, file.HexBytes, a); w != kAbsent) {
            each(a, w);
        }
    }
}

CommandResult burn(Session& s, const BaselineDevice& d, const CommandOptions& o) {
    CommandResult r;
    ByteImage file;
    if ((r.outcome = loadFile(s, d, o, FileUse::Burn, file)) != Outcome::Ok) {
        return r;
    }
    Run run(s, d);
    if ((r.outcome = run.begin(r)) != Outcome::Ok) {
        run.finish(r);
        return r;
    }
    run.eraseAll();
    run.restoreCalibration(run.osccal());
    Walker& w = run.walker();
    if (d.rowWords > 1) {
        // Rows of four: the latches at PC<1:0>, programmed at the row's last word.
        std::vector<std::pair<std::uint16_t, std::uint16_t>> words;
        forFileWords(d, file, [&](std::uint16_t a, std::uint16_t v) { words.emplace_back(a, v); });
        for (std::size_t i = 0; i < words.size();) {
            const auto row = static_cast<std::uint16_t>(words[i].first & ~3u);
            const bool inProgram = row < d.programWords;
            std::array<std::uint16_t, 4> latch{kErased, kErased, kErased, kErased};
            std::size_t j = i;
            while (j < words.size() && (words[j].first & ~3u) == row && inProgram) {
                latch[words[j].first & 3u] = words[j].second;
                ++j;
            }
            if (!inProgram) {
                run.write(words[i].first, words[i].second);
                ++i;
                continue;
            }
            for (std::uint16_t k = 0; k < 4; ++k) {
                w.to(static_cast<std::uint16_t>(row + k));
                w.load(latch[k]);
            }
            w.program();
            for (std::uint16_t k = 0; k < 4; ++k) {
                w.to(static_cast<std::uint16_t>(row + k));
                run.check(static_cast<std::uint16_t>(row + k), latch[k], w.read(),
                          WordFailure::Check::Written);
            }
            i = j;
        }
    } else {
        forFileWords(d, file, [&](std::uint16_t a, std::uint16_t v) { run.write(a, v); });
    }
    // The configuration word last: a protected chip reads its program as 0.
    const std::uint16_t config = wantedConfig(d, file);
    w.to(d.configAddress);
    if ((config & d.configMask) != d.configMask) {
        w.load(config);
        w.program();
    }
    run.check(d.configAddress, config, w.read(), WordFailure::Check::Written, d.configMask);
    run.finish(r);
    return r;
}

CommandResult verify(Session& s, const BaselineDevice& d, const CommandOptions& o) {
    CommandResult r;
    ByteImage file;
    if ((r.outcome = loadFile(s, d, o, FileUse::Compare, file)) != Outcome::Ok) {
        return r;
    }
    Run run(s, d);
    if ((r.outcome = run.begin(r)) == Outcome::Ok) {
        run.check(d.configAddress, wantedConfig(d, file), run.config(),
                  WordFailure::Check::VerifyPass, d.configMask);
        Walker& w = run.walker();
        forFileWords(d, file, [&](std::uint16_t a, std::uint16_t v) {
            w.to(a);
            run.check(a, v, w.read(), WordFailure::Check::VerifyPass);
        });
    }
    run.finish(r);
    return r;
}

// Every word the chip has, in the file's layout.
void readAll(Run& run, const BaselineDevice& d, ByteImage& image) {
    Walker& w = run.walker();
    const auto take = [&](std::uint16_t a) {
        w.to(a);
        setWordAt(image, image.ReadBack, fileAddress(d, a), w.read());
    };
    setWordAt(image, image.ReadBack, baseline::kHexConfigWord,
              static_cast<std::uint16_t>(run.config() | (~d.configMask & baseline::kWordMask)));
    for (std::uint16_t a = 0; a < d.programWords; ++a) {
        take(a);
    }
    for (std::uint16_t n = 0; n < d.dataWords; ++n) {
        take(static_cast<std::uint16_t>(baseline::kDataAddress + n));
    }
    for (std::uint16_t n = 0; n < baseline::kIdWords; ++n) {
        take(static_cast<std::uint16_t>(d.idAddress + n));
    }
}

CommandResult read(Session& s, const BaselineDevice& d) {
    CommandResult r;
    ByteImage& image = s.byteChip.image;
    image = ByteImage(baselineRegions(d));
    Run run(s, d);
    if ((r.outcome = run.begin(r)) == Outcome::Ok) {
        readAll(run, d, image);
        // A second pass: a word that reads differently is not trusted.
        ByteImage again(baselineRegions(d));
        run.walker().enter();
        readAll(run, d, again);
        for (std::size_t i = 0; i + 1 < image.ReadBack.size(); i += 2) {
            if (image.ReadBack[i] != again.ReadBack[i] ||
                image.ReadBack[i + 1] != again.ReadBack[i + 1]) {
                ++r.unstable;
            }
        }
        if (r.unstable > 0) {
            run.report().message("Beim zweimaligen Lesen waren " + std::to_string(r.unstable) +
                                 " Wort/Worte verschieden – Verbindung und Stromversorgung "
                                 "prüfen.");
            r.outcome = Outcome::Failed;
        }
    }
    run.finish(r);
    return r;
}

// Erase (and remove the protection, which an erase clears): afterwards every
// word is blank but the calibration, which is as before.
CommandResult erase(Session& s, const BaselineDevice& d) {
    CommandResult r;
    Run run(s, d);
    if ((r.outcome = run.begin(r)) == Outcome::Ok) {
        run.eraseAll();
        run.restoreCalibration(run.osccal());
        Walker& w = run.walker();
        w.to(d.configAddress);
        run.check(d.configAddress, kErased, w.read(), WordFailure::Check::VerifyPass, d.configMask);
        const auto blank = [&](std::uint16_t a) {
            w.to(a);
            run.check(a, kErased, w.read(), WordFailure::Check::VerifyPass,
                      a >= baseline::kDataAddress && a < d.idAddress && d.dataWords > 0
                          ? 0xFF
                          : baseline::kWordMask);
        };
        const std::uint16_t last = d.hasOsccal() ? d.osccalAddress() : d.programWords;
        for (std::uint16_t a = 0; a < last; ++a) {
            blank(a);
        }
        for (std::uint16_t n = 0; n < d.dataWords; ++n) {
            blank(static_cast<std::uint16_t>(baseline::kDataAddress + n));
        }
        for (std::uint16_t n = 0; n < baseline::kIdWords; ++n) {
            blank(static_cast<std::uint16_t>(d.idAddress + n));
        }
    }
    run.finish(r);
    return r;
}

class Baseline final : public ChipFamily {
  public:
    std::int32_t partCount() const override {
        return static_cast<std::int32_t>(baselineDevices().size());
    }
    std::string listText(std::int32_t row) const override { return std::string(rowOf(row).name); }
    std::vector<std::string> typeNames(std::int32_t row) const override {
        return {lower(rowOf(row).name)};
    }
    std::optional<Part> partByName(std::string_view lowerName) const override {
        for (std::int32_t row = 0; row < partCount(); ++row) {
            if (lower(rowOf(row).name) == lowerName) {
                return Part{this, row, false};
            }
        }
        return std::nullopt;
    }
    VppRange vpp(std::int32_t /*row*/) const override { return baselineVpp(); }
    RowReport describeRow(std::int32_t row) const override;
    std::string_view reportKey() const override { return "baselineTypes"; }

    OptionForms optionForms() const override { return {true, false, false}; }
    std::optional<std::string> configRefusal(const Part& part,
                                             const ConfigSetting& s) const override {
        const BaselineDevice& d = rowOf(part.row);
        if (!s.wholeWord && s.address != baseline::kHexConfigWord) {
            return hexWord(s.address) + ": kein Konfigurationswort des " + std::string(d.name);
        }
        if ((s.value & ~baseline::kWordMask) != 0) {
            return hexWord(s.value) + ": ein Konfigurationswort des " + std::string(d.name) +
                   " hat 12 Bit";
        }
        return std::nullopt;
    }
    std::span<const ConfigField> configFields(std::int32_t row) const override {
        return rowOf(row).fields;
    }
    ConfigCells configCells(std::int32_t row) const override {
        return {{baseline::kHexConfigWord}, {kErased}, {rowOf(row).configMask}};
    }
    std::vector<std::optional<std::uint16_t>> fileConfig(const FileImages& images,
                                                         const Part& part) const override {
        const ByteImage& file = images.bytes;
        if (!file.HexLoaded || file.regions() != baselineRegions(rowOf(part.row))) {
            return {std::nullopt};
        }
        const std::uint16_t w = wordAt(file, file.HexBytes, baseline::kHexConfigWord);
        return {w == kAbsent ? std::nullopt : std::optional<std::uint16_t>(w)};
    }
    // As the 14-bit types' labels: program words in k, data in bytes.
    SizeLabels sizeLabels(std::int32_t row) const override {
        const BaselineDevice& d = rowOf(row);
        const std::string words = d.programWords >= 1024
                                      ? std::to_string(d.programWords / 1024) + " k"
                                      : "0," + std::to_string(d.programWords * 10 / 1024) + " k";
        return {words, std::to_string(d.dataWords) + " Byte"};
    }

    bool asksFirst() const override { return false; }
    bool recognisable() const override { return false; }
    std::string unrecognisedHint() const override {
        return "Baseline-PICs (10F2xx, 12F5xx, 16F505/506/526, 16F54/57/59) haben keine "
               "Device-ID und werden nicht erkannt: den Typ in der Typenliste oder mit --type "
               "wählen.";
    }
    Identification identify(Session& s, const Part* expected) const override;
    CommandResult run(Session& s, Command c, const Part* part,
                      const CommandOptions& options) const override {
        CommandResult r;
        if (part == nullptr) {
            r.outcome = Outcome::NoChip;
            return r;
        }
        const BaselineDevice& d = rowOf(part->row);
        switch (c) {
            case Command::Burn:
                r = burn(s, d, options);
                break;
            case Command::Verify:
                r = verify(s, d, options);
                break;
            case Command::Read:
                r = read(s, d);
                break;
            case Command::Erase:
            case Command::Unprotect:
                r = erase(s, d);
                break;
        }
        r.part = *part;
        return r;
    }
    std::string readBackHex(Session& s, const Part& /*part*/) const override {
        const ByteImage& image = s.byteChip.image;
        return BuildByteHexFile(image.regions(), image.ReadBack);
    }
    std::string addressText(std::uint32_t address) const override { return hexWord(address); }
    std::string valueText(std::uint16_t value) const override { return hexWord(value); }

    HexLoadResult readFile(FileImages& images, const Part& part,
                           const std::string& path) const override {
        ByteImage& image = images.bytes;
        image = ByteImage(baselineRegions(rowOf(part.row)));
        image.HexFileName = path;
        return LoadByteHexFile(path, image);
    }
    bool fileHasData(const FileImages& images, const Part& /*part*/) const override {
        const ByteImage& file = images.bytes;
        const auto bytes = file.area(file.HexBytes, ByteArea::Eeprom);
        return std::any_of(bytes.begin(), bytes.end(),
                           [](std::uint16_t b) { return b != ByteImage::AbsentByte; });
    }
    void choose(Session& s, const Part& part) const override {
        const ByteRegions regions = baselineRegions(rowOf(part.row));
        if (s.byteChip.image.regions() != regions) {
            s.byteChip.image = ByteImage(regions);
        }
    }
    Outcome loadFile(FileImages& images, Reporter& report, const Part& part,
                     const std::string& path) const override {
        const HexLoadResult r = readFile(images, part, path);
        if (!r.opened) {
            report.message("HEX-File  " + InputFileName(path) + "  nicht gefunden");
            return Outcome::FileUnusable;
        }
        if (!r.parse.ok()) {
            report.message(HexReadMessage(path, r.parse));
            return Outcome::FileUnusable;
        }
        return Outcome::Ok;
    }
    HexCheckResult checkFile(const Part& part, const std::string& text,
                             const std::string& name) const override {
        HexCheckResult r = checkHexForm(text);
        if (r.firstRefusal() == nullptr) {
            ByteImage image(baselineRegions(rowOf(part.row)));
            if (const HexReadResult parsed = OpenByteHexfile(text, image, true); !parsed.ok()) {
                r.findings.push_back(
                    {parsed.line, true, true, false, HexReadMessage(name, parsed)});
            }
        }
        return r;
    }
    Usage usage(const FileImages& images, const Part& part) const override {
        const BaselineDevice& d = rowOf(part.row);
        const auto used = [&](ByteArea area, std::uint32_t size) {
            const auto bytes = images.bytes.area(images.bytes.HexBytes, area);
            std::size_t end = bytes.size();
            while (end > 0 && bytes[end - 1] == ByteImage::AbsentByte) {
                --end;
            }
            const int percent = size == 0 ? 0 : static_cast<int>(100 * end / size);
            return GaugeReading{size > 0, percent, gaugeColour(percent)};
        };
        return {used(ByteArea::Program, 2u * d.programWords),
                used(ByteArea::Eeprom, 2u * d.dataWords)};
    }
};

RowReport Baseline::describeRow(std::int32_t row) const {
    const BaselineDevice& d = rowOf(row);
    const std::string name = lower(d.name);
    const VppRange v = baselineVpp();
    RowReport r;
    r.heading.append(d.name).append("  (--type ").append(name).append(")");
    std::string program = std::to_string(d.programWords);
    program.append(" Worte");
    std::string data = "keins";
    if (d.dataWords > 0) {
        data = std::to_string(d.dataWords);
        data.append(" Bytes Flash-Datenspeicher");
    }
    std::string config = hexWord(d.configAddress);
    config.append(" (in HEX-Dateien 0x0FFF)");
    std::string calibration = "keine";
    if (d.hasOsccal()) {
        calibration = "OSCCAL ";
        calibration.append(hexWord(d.osccalAddress()))
            .append(", Sicherung ")
            .append(hexWord(d.backupAddress));
    }
    std::string vppText = voltsText(v.minCentivolts);
    vppText.append(" bis ").append(voltsText(v.maxCentivolts)).append(" V");
    r.lines = {{"Device-ID", "keine (Typ muss gewählt werden)"},
               {"Programmspeicher", program},
               {"Data-EEPROM", data},
               {"Konfiguration", config},
               {"Kalibrierung", calibration},
               {"Einstieg", std::string(entryOrderText(EntryOrder::VddFirst))},
               {"VPP", vppText}};
    r.values = {{"type", std::string(d.name)},
                {"names", ReportList{name}},
                {"deviceIds", ReportList{}},
                {"programWords", std::int64_t{d.programWords}},
                {"dataWords", std::int64_t{d.dataWords}},
                {"configWords", ReportList{hexWord(d.configAddress)}},
                {"osccal", d.hasOsccal() ? hexWord(d.osccalAddress()) : std::string()},
                {"entryOrder", std::string(entryOrderKey(EntryOrder::VddFirst))},
                {"vppMinCentivolts", std::int64_t{v.minCentivolts}},
                {"vppMaxCentivolts", std::int64_t{v.maxCentivolts}}};
    return r;
}

Identification Baseline::identify(Session& s, const Part* expected) const {
    Identification id;
    if (expected == nullptr) {
        id.outcome = Outcome::NoChip;
        return id;
    }
    const BaselineDevice& d = rowOf(expected->row);
    Run run(s, d);
    CommandResult r;
    id.outcome = run.begin(r);
    run.finish(r);
    if (id.outcome != Outcome::Ok) {
        return id;
    }
    id.part = *expected;
    id.lines.push_back("Typ: " + std::string(d.name) +
                       " (gewählt: Baseline-PICs haben keine Device-ID)");
    id.lines.push_back("Konfigurationswort: " + hexWord(run.config()));
    ReportTable fields;
    const std::uint16_t cells[] = {run.config()};
    for (const ConfigField& f : d.fields) {
        const std::string value = valueName(f, fieldValue(f, cells));
        id.lines.push_back("  " + std::string(f.name) + " (" + std::string(f.description) +
                           "): " + value);
        fields.emplace_back(std::string(f.name), value);
    }
    id.values.push_back({"configWord", std::int64_t{run.config()}});
    id.values.push_back({"configFields", fields});
    if (d.hasOsccal()) {
        const auto text = [](std::uint16_t w) {
            return hexWord(w) + (baseline::isMovlw(w) ? " (MOVLW " + hexByte(w & 0xFF) + ")"
                                                      : " (kein MOVLW: Kalibrierung fehlt)");
        };
        id.lines.push_back("Kalibrierung OSCCAL " + hexWord(d.osccalAddress()) + ": " +
                           text(run.osccal()));
        id.lines.push_back("Kalibrierung OSCCAL-Sicherung " + hexWord(d.backupAddress) + ": " +
                           text(run.backup()));
        id.values.push_back({"osccal", std::int64_t{run.osccal()}});
        id.values.push_back({"osccalBackup", std::int64_t{run.backup()}});
    }
    const bool cp = (run.config() & d.cpMask) == 0;
    id.values.push_back({"flashProtected", cp});
    id.lines.push_back(std::string("Flash: ") + (cp ? kCodeProtectedText : "-"));
    id.notice = "Baseline-PIC antwortet: " + std::string(d.name);
    return id;
}

}  // namespace

const ChipFamily& baselineFamily() {
    static const Baseline family;
    return family;
}

}  // namespace pk
