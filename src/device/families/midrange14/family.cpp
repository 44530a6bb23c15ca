// The 14-bit mid-range family (16F84 to 16F88x, 12F6xx): word-addressed
// memories, six-bit commands, and the rows of kDevices. Its commands detect the
// chip themselves where no type is given, so it is asked last.

#include "device/families/midrange14/family.h"

#include "device/row_report.h"
#include "device/type_names.h"
#include "image/hex_file.h"
#include "image/hex_text.h"

namespace pk {

namespace {

const DeviceInfo& rowOf(std::int32_t row) {
    const DeviceInfo* d = deviceInfo(row);
    return d != nullptr ? *d : kDevices[0];
}

// The device state follows the part, as a type chosen in the list sets it.
void selectRow(DeviceState& device, const Part& part) {
    device.CurrentType = part.row;
    // A detection may have found the chip with device ID; the name may say so too.
    device.Is84A = device.Is84A || part.expectDeviceId;
    const DeviceInfo& d = rowOf(part.row);
    device.ProgLastAddr = d.progLastAddr;
    device.DataLastAddr = d.dataLastAddr;
}

void select(ChipSession& chip, const Part& part) {
    selectRow(chip.ops.device(), part);
}

class Midrange14 final : public ChipFamily {
  public:
    std::int32_t partCount() const override { return kDeviceTypeCount; }
    std::string listText(std::int32_t row) const override {
        return std::string(rowOf(row).listText);
    }
    std::vector<std::string> typeNames(std::int32_t row) const override {
        std::vector<std::string> names;
        for (std::string_view n : pk::typeNames(rowOf(row))) {
            names.emplace_back(n);
        }
        return names;
    }
    std::optional<Part> partByName(std::string_view lowerName) const override {
        const auto match = lookupSwitch("/p" + std::string(lowerName));
        if (!match) {
            return std::nullopt;
        }
        return Part{this, match->type, match->is84A};
    }
    VppRange vpp(std::int32_t row) const override { return rowOf(row).vpp; }
    RowReport describeRow(std::int32_t row) const override;
    std::string_view reportKey() const override { return "types"; }

    OptionForms optionForms() const override { return {true, false, true}; }
    std::optional<std::string> configRefusal(const Part& part,
                                             const ConfigSetting& s) const override {
        const DeviceInfo& d = rowOf(part.row);
        if (s.address == MemoryImage::ConfigAddr ||
            (s.address == MemoryImage::Config2Addr && d.hasConfig2())) {
            return std::nullopt;
        }
        return hexWord(s.address) + ": kein Konfigurationswort des " + std::string(d.listText);
    }
    // The window's named fuse controls show these parts' words.
    std::span<const ConfigField> configFields(std::int32_t /*row*/) const override { return {}; }

    bool asksFirst() const override { return false; }
    Identification identify(Session& s, const Part* expected) const override;
    CommandResult run(Session& s, Command c, const Part* part,
                      const CommandOptions& options) const override;
    std::string readBackHex(Session& s, const Part& /*part*/) const override {
        return BuildHexFile(s.chip.ops.image().ReadBack, s.chip.ops.device().ProgLastAddr);
    }

    std::string addressText(std::uint32_t address) const override { return hexWord(address); }
    std::string valueText(std::uint16_t value) const override { return hexWord(value); }

    Outcome loadFile(FileImages& images, Reporter& report, const Part& part,
                     const std::string& path) const override {
        selectRow(images.device, part);
        images.words.HexFileName = path;
        BurnOptions unused;
        return report.reloadHexFile(images.words, unused) ? Outcome::Ok : Outcome::FileUnusable;
    }
    HexLoadResult readFile(FileImages& images, const Part& part,
                           const std::string& path) const override {
        selectRow(images.device, part);
        images.words.HexFileName = path;
        return LoadHexFile(path, images.words);
    }
    bool fileHasData(const FileImages& images, const Part& part) const override {
        return hasEepromData(images.words, rowOf(part.row).dataLastAddr);
    }
    Usage usage(const FileImages& images, const Part& /*part*/) const override {
        return {programUsage(images.words, images.device.ProgLastAddr),
                dataUsage(images.words, images.device.DataLastAddr)};
    }
    HexCheckResult checkFile(const Part& part, const std::string& text,
                             const std::string& /*name*/) const override {
        DeviceState device;
        selectRow(device, part);
        return checkHexText(text, device);
    }
};

// Built by appending: GCC 12's release build misreads "text" + std::string(...) as
// overlapping copies.
RowReport Midrange14::describeRow(std::int32_t row) const {
    const DeviceInfo& d = rowOf(row);
    const std::vector<std::string> names = typeNames(row);
    std::vector<std::string> ids;
    for (std::uint16_t c : d.idCodes) {
        if (c != 0) {
            ids.push_back(hexWord(c));
        }
    }
    std::vector<std::string> config{hexWord(d.config().address)};
    if (d.hasConfig2()) {
        config.push_back(hexWord(d.config2().address));
    }
    RowReport r;
    r.heading.append(d.listText).append("  (--type ").append(joinedText(names)).append(")");
    std::string idText = joinedText(ids);
    if (d.idless) {
        idText.append(" (der erste 16F84 hat keine)");
    }
    std::string program = std::to_string(d.progLastAddr + 1);
    program.append(" Worte");
    std::string data = "keins";
    if (d.dataLastAddr >= 0) {
        data = std::to_string(d.dataLastAddr + 1);
        data.append(" Bytes");
    }
    std::string vppText = voltsText(d.vpp.minCentivolts);
    vppText.append(" bis ").append(voltsText(d.vpp.maxCentivolts)).append(" V");
    r.lines = {{"Device-ID", idText},
               {"Programmspeicher", program},
               {"Data-EEPROM", data},
               {"Konfiguration", joinedText(config)},
               {"Einstieg", std::string(entryOrderText(d.entryOrder))},
               {"VPP", vppText}};
    r.values = {{"type", std::string(d.listText)},
                {"names", names},
                {"deviceIds", ids},
                {"programWords", std::int64_t{d.progLastAddr + 1}},
                {"eepromBytes", std::int64_t{d.dataLastAddr + 1}},
                {"configWords", config},
                {"entryOrder", std::string(entryOrderKey(d.entryOrder))},
                {"vppMinCentivolts", std::int64_t{d.vpp.minCentivolts}},
                {"vppMaxCentivolts", std::int64_t{d.vpp.maxCentivolts}}};
    return r;
}

Identification Midrange14::identify(Session& s, const Part* expected) const {
    ChipSession& chip = s.chip;
    if (expected != nullptr) {
        select(chip, *expected);
    }
    const DetectResult d = detect(chip, expected != nullptr);
    Identification id;
    id.outcome = d.outcome;
    const DeviceState& device = chip.ops.device();
    id.values.push_back({"deviceId", std::int64_t{d.idWord}});
    id.values.push_back({"revision", d.found.revisionText()});
    if (d.outcome == Outcome::Cancelled) {
        return id;
    }
    if (d.outcome == Outcome::NoChip) {
        id.message = noChipMessage(d.idWord);
        return id;
    }
    id.part = Part{this, device.CurrentType, device.Is84A};
    const DeviceInfo& info = rowOf(device.CurrentType);
    id.values.push_back({"flashProtected", d.flashProtected});
    id.values.push_back({"eepromProtected", d.eepromProtected});
    id.lines.push_back("Typ: " + std::string(info.listText) +
                       (d.found.unknown ? " (unbekannte Device-ID)" : ""));
    id.lines.push_back("Device-ID: " + hexWord(d.idWord));
    id.lines.push_back(kRevisionPrefix + d.found.revisionText());
    id.lines.push_back("Konfiguration: " + hexWord(d.config));
    if (present(d.config2)) {
        id.lines.push_back("Konfiguration 2: " + hexWord(d.config2));
    }
    if (const std::string f = factoryWordsText(info, d.factory); !f.empty() && !d.found.unknown) {
        id.lines.push_back(f);
        ReportTable words;
        for (std::size_t k = 0; k < info.factoryWords.size(); ++k) {
            if (info.factoryWords[k] != 0) {
                words.emplace_back(hexWord(info.factoryWords[k]), std::int64_t{d.factory[k]});
            }
        }
        id.values.push_back({"factoryWords", words});
    }
    id.lines.push_back(std::string("Flash: ") + (d.flashProtected ? kCodeProtectedText : "-"));
    id.lines.push_back(std::string("EEPROM: ") + (d.eepromProtected ? kCodeProtectedText : "-"));
    if (d.outcome == Outcome::Ok && expected != nullptr && expected->row != device.CurrentType) {
        id.outcome = Outcome::WrongType;
        id.message = wrongTypeMessage(d.idWord, expected->row);
    }
    return id;
}

CommandResult Midrange14::run(Session& s, Command c, const Part* part,
                              const CommandOptions& options) const {
    ChipSession& chip = s.chip;
    ChipChoice choice;
    choice.fromChip = part == nullptr;
    choice.expectDeviceId = part != nullptr && part->expectDeviceId;
    if (part != nullptr) {
        select(chip, *part);
    }
    CommandResult r;
    switch (c) {
        case Command::Burn:
        case Command::Verify: {
            MemoryImage& image = chip.ops.image();
            // A front end that keeps its own file (the window) names it as loaded.
            if (options.path != image.HexFileName) {
                image.HexFileName = options.path;
                image.HexLoaded = true;
            }
            BurnOptions b;
            b.chip = choice;
            b.includeData = options.includeData;
            b.configRule = options.configRule;
            b.acceptDoubtfulFile = options.acceptDoubtfulFile;
            for (const ConfigSetting& setting : options.config) {
                auto& word =
                    setting.address == MemoryImage::Config2Addr ? b.configWord2 : b.configWord;
                word = setting.value;
            }
            if (options.ids && options.ids->size() == 4) {
                b.ids = std::array<std::int32_t, 4>{(*options.ids)[0], (*options.ids)[1],
                                                    (*options.ids)[2], (*options.ids)[3]};
            }
            r = c == Command::Burn ? burn(chip, b) : verify(chip, b);
            break;
        }
        case Command::Read:
            r = read(chip, choice);
            break;
        case Command::Erase:
            r = erase(chip, options.includeData, choice);
            break;
        case Command::Unprotect:
            r = removeProtection(chip, options.includeData, choice);
            break;
    }
    const DeviceState& device = chip.ops.device();
    if (r.outcome != Outcome::NoChip && r.outcome != Outcome::Cancelled) {
        r.part = Part{this, device.CurrentType, device.Is84A};
    }
    return r;
}

}  // namespace

const ChipFamily& midrange14Family() {
    static const Midrange14 family;
    return family;
}

}  // namespace pk
