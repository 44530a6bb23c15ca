// The PIC18F family: byte-addressed memories over the four-bit command
// protocol, the rows of kP18Devices. A detection without a type asks it first:
// its frames are safe for every supported chip, while a 14-bit detection's
// would reach a PIC18F as commands it does not know.

#include "device/families/pic18/family.h"

#include <algorithm>

#include "device/p18_config_fields.h"
#include "device/row_report.h"
#include "device/type_names.h"
#include "image/byte_hex_file.h"
#include "image/hex_text.h"
#include "image/standard_streams.h"

namespace pk {

namespace {

const P18Device& rowOf(std::int32_t row) {
    return kP18Devices[static_cast<std::size_t>(row)];
}

class Pic18 final : public ChipFamily {
  public:
    std::int32_t partCount() const override {
        return static_cast<std::int32_t>(kP18Devices.size());
    }
    std::string listText(std::int32_t row) const override { return std::string(rowOf(row).name); }
    std::vector<std::string> typeNames(std::int32_t row) const override {
        return {typeName(rowOf(row))};
    }
    std::optional<Part> partByName(std::string_view lowerName) const override {
        const P18Device* d = p18ByName(lowerName);
        if (d == nullptr) {
            return std::nullopt;
        }
        return partOf(*d);
    }
    VppRange vpp(std::int32_t row) const override { return rowOf(row).family->vpp; }
    RowReport describeRow(std::int32_t row) const override;
    // Apart from the 14-bit rows, whose fields scripts already read.
    std::string_view reportKey() const override { return "pic18fTypes"; }

    OptionForms optionForms() const override { return {false, true, false}; }
    std::optional<std::string> configRefusal(const Part& part,
                                             const ConfigSetting& s) const override {
        return p18ConfigRefusal(rowOf(part.row),
                                {s.address, static_cast<std::uint8_t>(s.value & 0xFF)});
    }
    std::span<const ConfigField> configFields(std::int32_t row) const override {
        return p18ConfigFields(rowOf(row));
    }
    ConfigCells configCells(std::int32_t row) const override {
        const P18Device& d = rowOf(row);
        ConfigCells cells;
        for (std::size_t n = 0; n < d.configErased.size(); ++n) {
            cells.address.push_back(p18addr::kConfig + static_cast<std::uint32_t>(n));
            cells.erased.push_back(d.configErased[n]);
            cells.mask.push_back(d.configMask[n]);
        }
        return cells;
    }
    std::vector<std::optional<std::uint16_t>> fileConfig(const FileImages& images,
                                                         const Part& part) const override {
        std::vector<std::optional<std::uint16_t>> cells(p18addr::kConfigBytes);
        const ByteImage& file = images.bytes;
        if (!file.HexLoaded || file.regions() != p18Regions(rowOf(part.row))) {
            return cells;
        }
        const auto bytes = file.area(file.HexBytes, ByteArea::Config);
        for (std::size_t n = 0; n < cells.size() && n < bytes.size(); ++n) {
            if (bytes[n] != ByteImage::AbsentByte) {
                cells[n] = bytes[n];
            }
        }
        return cells;
    }
    SizeLabels sizeLabels(std::int32_t row) const override {
        const auto size = [](std::uint32_t bytes) {
            return bytes >= 1024 ? std::to_string(bytes / 1024) + " k"
                                 : std::to_string(bytes) + " Byte";
        };
        return {size(rowOf(row).programBytes), size(rowOf(row).eepromBytes)};
    }

    bool asksFirst() const override { return true; }
    Identification probe(Session& s) const override;
    Identification identify(Session& s, const Part* expected) const override;
    CommandResult run(Session& s, Command c, const Part* part,
                      const CommandOptions& options) const override;
    std::string readBackHex(Session& s, const Part& /*part*/) const override {
        const ByteImage& image = s.byteChip.image;
        return BuildByteHexFile(image.regions(), image.ReadBack);
    }

    std::string addressText(std::uint32_t address) const override {
        return HexByteAddress(address);
    }
    std::string valueText(std::uint16_t value) const override { return hexByte(value); }

    Outcome loadFile(FileImages& images, Reporter& report, const Part& part,
                     const std::string& path) const override;
    HexCheckResult checkFile(const Part& part, const std::string& text,
                             const std::string& name) const override;
    HexLoadResult readFile(FileImages& images, const Part& part,
                           const std::string& path) const override {
        ByteImage& image = images.bytes;
        image = ByteImage(p18Regions(rowOf(part.row)));
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
        const ByteRegions regions = p18Regions(rowOf(part.row));
        if (s.byteChip.image.regions() != regions) {
            s.byteChip.image = ByteImage(regions);
        }
    }
    Usage usage(const FileImages& images, const Part& part) const override {
        const P18Device& d = rowOf(part.row);
        // The highest byte the file gives, against the part.
        const auto used = [&](ByteArea area, std::uint32_t size) {
            const auto bytes = images.bytes.area(images.bytes.HexBytes, area);
            std::size_t end = bytes.size();
            while (end > 0 && bytes[end - 1] == ByteImage::AbsentByte) {
                --end;
            }
            const int percent = size == 0 ? 0 : static_cast<int>(100 * end / size);
            return GaugeReading{true, percent, gaugeColour(percent)};
        };
        return {used(ByteArea::Program, d.programBytes), used(ByteArea::Eeprom, d.eepromBytes)};
    }

  private:
    Part partOf(const P18Device& d) const {
        return Part{this, static_cast<std::int32_t>(&d - kP18Devices.data()), false};
    }
    Identification describe(const P18Detection& d, const Part* expected) const;
};

RowReport Pic18::describeRow(std::int32_t row) const {
    const P18Device& d = rowOf(row);
    const std::string name = typeName(d);
    std::vector<std::string> config;
    for (std::size_t n = 0; n < d.configMask.size(); ++n) {
        if (d.configMask[n] != 0) {
            config.push_back(HexByteAddress(p18addr::kConfig + static_cast<std::uint32_t>(n)));
        }
    }
    const VppRange v = d.family->vpp;
    RowReport r;
    r.heading.append(d.name).append("  (--type ").append(name).append(")");
    std::string idText = hexWord(d.deviceId);
    idText.append(" (Revision in den Bits ").append(hexWord(d.revisionMask)).append(")");
    std::string program = std::to_string(d.programBytes);
    program.append(" Bytes");
    std::string data = std::to_string(d.eepromBytes);
    data.append(" Bytes");
    std::string vppText = voltsText(v.minCentivolts);
    vppText.append(" bis ").append(voltsText(v.maxCentivolts)).append(" V");
    r.lines = {{"Device-ID", idText},
               {"Programmspeicher", program},
               {"Data-EEPROM", data},
               {"Konfiguration", "0x300000 bis 0x30000D (Bytes)"},
               {"Einstieg", std::string(entryOrderText(EntryOrder::VddFirst))},
               {"VPP", vppText}};
    r.values = {{"type", std::string(d.name)},
                {"names", ReportList{name}},
                {"deviceIds", ReportList{hexWord(d.deviceId)}},
                {"programBytes", std::int64_t{d.programBytes}},
                {"eepromBytes", std::int64_t{d.eepromBytes}},
                {"configBytes", config},
                {"entryOrder", std::string(entryOrderKey(EntryOrder::VddFirst))},
                {"vppMinCentivolts", std::int64_t{v.minCentivolts}},
                {"vppMaxCentivolts", std::int64_t{v.maxCentivolts}}};
    return r;
}

Identification Pic18::probe(Session& s) const {
    const P18Detection found = detectPic18First(s.byteChip);
    Identification id;
    id.outcome = found.outcome;
    if (found.outcome == Outcome::WrongType) {
        id.message = "unbekannter PIC18F, Device-ID " + hexWord(found.idWord);
    } else if (found.outcome == Outcome::Ok && found.device != nullptr) {
        id.part = partOf(*found.device);
    }
    return id;
}

Identification Pic18::identify(Session& s, const Part* expected) const {
    if (expected == nullptr) {
        return describe(detectPic18First(s.byteChip), nullptr);
    }
    if (!s.byteChip.ops.vppAllowed(rowOf(expected->row))) {
        Identification refused;
        refused.outcome = Outcome::Cancelled;
        return refused;
    }
    return describe(s.byteChip.ops.detect(), expected);
}

Identification Pic18::describe(const P18Detection& d, const Part* expected) const {
    Identification id;
    id.outcome = d.outcome;
    if (d.outcome == Outcome::Cancelled) {
        return id;
    }
    id.values.push_back({"deviceId", std::int64_t{d.idWord}});
    if (d.outcome == Outcome::NoChip) {
        id.message = p18NoChipMessage(d.idWord);
        return id;
    }
    if (d.device == nullptr) {
        id.outcome = Outcome::WrongType;
        id.lines.push_back("Typ: unbekannter PIC18F (Device-ID " + hexWord(d.idWord) + ")");
        return id;
    }
    const P18Device& part = *d.device;
    id.part = partOf(part);
    id.values.push_back({"revision", std::to_string(d.revision)});
    id.values.push_back({"flashProtected", d.protection.code});
    id.values.push_back({"eepromProtected", d.protection.data});
    id.lines.push_back("Typ: " + std::string(part.name));
    id.lines.push_back("Device-ID: " + hexWord(d.idWord));
    id.lines.push_back(kRevisionPrefix + std::to_string(d.revision));
    // Every byte from 0x300000 in order; "--" where the part has none.
    std::string bytes;
    ReportTable config;
    for (std::size_t n = 0; n < d.config.size(); ++n) {
        const bool exists = part.configMask[n] != 0;
        bytes.append(n == 0 ? "" : " ").append(exists ? hexByte(d.config[n]).substr(2) : "--");
        if (exists) {
            const unsigned address = p18addr::kConfig + static_cast<unsigned>(n);
            config.emplace_back(HexByteAddress(address), std::int64_t{d.config[n]});
        }
    }
    id.values.push_back({"configBytes", config});
    id.lines.push_back("Konfiguration 0x300000..0x30000D: " + bytes);
    // The same bytes field by field, as the data sheet names them.
    ReportTable fields;
    for (const P18ConfigField& f : p18ConfigFields(part)) {
        const std::string value = p18ValueName(f, d.config);
        id.lines.push_back("  " + std::string(f.name) + " (" + std::string(f.description) +
                           "): " + value);
        fields.emplace_back(std::string(f.name), value);
    }
    id.values.push_back({"configFields", fields});
    id.lines.push_back(std::string("Flash: ") + (d.protection.code ? kCodeProtectedText : "-"));
    id.lines.push_back(std::string("EEPROM: ") + (d.protection.data ? kCodeProtectedText : "-"));
    // Which protocol answered, so that no one takes it for a 14-bit chip.
    id.notice = "PIC18F erkannt: " + std::string(part.name);
    if (expected != nullptr && expected->row != id.part->row) {
        id.outcome = Outcome::WrongType;
        id.message = p18WrongTypeMessage(d, rowOf(expected->row));
    } else if (expected == nullptr) {
        id.typeHint = "Hinweis: mit --type=" + typeName(part) +
                      " wird der PIC18F gleich angesprochen, und nur seine VPP-Grenze gilt.";
    }
    return id;
}

CommandResult Pic18::run(Session& s, Command c, const Part* part,
                         const CommandOptions& options) const {
    CommandResult r;
    if (part == nullptr) {
        r.outcome = Outcome::NoChip;
        return r;
    }
    const P18Device& d = rowOf(part->row);
    P18Session& chip = s.byteChip;
    P18CommandOptions o;
    o.includeData = options.includeData;
    o.acceptDoubtfulFile = options.acceptDoubtfulFile;
    for (const ConfigSetting& setting : options.config) {
        o.config.push_back({setting.address, static_cast<std::uint8_t>(setting.value & 0xFF)});
    }
    if (options.ids && options.ids->size() == p18addr::kIdBytes) {
        std::array<std::uint16_t, p18addr::kIdBytes> ids{};
        std::transform(options.ids->begin(), options.ids->end(), ids.begin(),
                       [](std::int32_t v) { return static_cast<std::uint16_t>(v); });
        o.ids = ids;
    }
    std::string path = options.path;
    switch (c) {
        case Command::Burn:
        case Command::Verify:
            // The file as it is now (a front end with a file dialog may ask for one).
            if (!chip.chip.report.fileAtHand(path)) {
                r.outcome = Outcome::FileUnusable;
                return r;
            }
            r = c == Command::Burn ? burn(chip, d, path, o) : verify(chip, d, path, o);
            break;
        case Command::Read:
            r = read(chip, d);
            break;
        case Command::Erase:
            r = erase(chip, d, options.includeData);
            break;
        case Command::Unprotect:
            r = removeProtection(chip, d);
            break;
    }
    r.part = *part;
    return r;
}

Outcome Pic18::loadFile(FileImages& images, Reporter& report, const Part& part,
                        const std::string& path) const {
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

HexCheckResult Pic18::checkFile(const Part& part, const std::string& text,
                                const std::string& name) const {
    HexCheckResult r = checkHexForm(text);
    if (r.firstRefusal() == nullptr) {
        // Where the bytes land is the loader's to say; checksums are said above.
        ByteImage image(p18Regions(rowOf(part.row)));
        if (const HexReadResult parsed = OpenByteHexfile(text, image, true); !parsed.ok()) {
            r.findings.push_back({parsed.line, true, true, false, HexReadMessage(name, parsed)});
        }
    }
    return r;
}

}  // namespace

const ChipFamily& pic18Family() {
    static const Pic18 family;
    return family;
}

}  // namespace pk
