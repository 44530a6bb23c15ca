#include "device/commands_p18.h"

#include <algorithm>

#include "image/byte_hex_file.h"
#include "image/byte_regions.h"
#include "image/standard_streams.h"

namespace pk {

std::optional<std::string> p18ConfigRefusal(const P18Device& d, const P18ConfigSetting& s) {
    const std::uint32_t n = s.address - p18addr::kConfig;
    if (s.address < p18addr::kConfig || n >= static_cast<std::uint32_t>(d.configBytes()) ||
        d.configMask[n] == 0) {
        return HexByteAddress(s.address) + ": kein Konfigurationsbyte des " + std::string(d.name);
    }
    return std::nullopt;
}

Outcome loadP18File(P18Session& s, const P18Device& d, const std::string& path,
                    const P18CommandOptions& options, FileUse use) {
    const std::vector<P18ConfigSetting>& config = options.config;
    const auto& ids = options.ids;
    bool accepted = options.acceptDoubtfulFile;
    if (const Outcome gate = gateHexFile(s.chip, path, nullptr, use, accepted, &accepted);
        gate != Outcome::Ok) {
        return gate;
    }
    s.image = ByteImage(p18Regions(d));
    s.image.HexFileName = path;
    // Where the words land is this part's loader's to say: it knows the part's areas.
    const HexLoadResult r = LoadByteHexFile(path, s.image, accepted);
    if (!r.opened) {
        s.chip.report.message("HEX-File  " + InputFileName(path) + "  nicht gefunden");
        return Outcome::FileUnusable;
    }
    if (!r.parse.ok()) {
        s.chip.report.message(HexReadMessage(path, r.parse));
        return Outcome::FileUnusable;
    }
    const auto bytes = s.image.area(s.image.HexBytes, ByteArea::Config);
    for (const P18ConfigSetting& c : config) {
        if (const auto why = p18ConfigRefusal(d, c)) {
            s.chip.report.message(*why);
            return Outcome::FileUnusable;
        }
        bytes[c.address - p18addr::kConfig] = c.value;
    }
    if (ids) {
        std::copy(ids->begin(), ids->end(), s.image.area(s.image.HexBytes, ByteArea::Id).begin());
    }
    return Outcome::Ok;
}

P18Detection detectPic18First(P18Session& s) {
    if (checkDetectionVpp(s.chip) != Outcome::Ok) {
        P18Detection refused;
        refused.outcome = Outcome::Cancelled;
        return refused;
    }
    return s.ops.detect(P18IdRead::AnyFamily);
}

AnyDetection autodetect(P18Session& s) {
    AnyDetection a;
    a.p18 = detectPic18First(s);
    if (a.p18.outcome == Outcome::NoChip) {
        a.chip = detect(s.chip);
    }
    return a;
}

CommandResult burn(P18Session& s, const P18Device& d, const std::string& path,
                   const P18CommandOptions& options) {
    CommandResult r;
    if ((r.outcome = loadP18File(s, d, path, options, FileUse::Burn)) != Outcome::Ok) {
        return r;
    }
    return s.ops.burn(d, s.image, P18BurnOptions{options.includeData});
}

CommandResult verify(P18Session& s, const P18Device& d, const std::string& path,
                     const P18CommandOptions& options) {
    CommandResult r;
    if ((r.outcome = loadP18File(s, d, path, options, FileUse::Compare)) != Outcome::Ok) {
        return r;
    }
    return s.ops.verify(d, s.image, options.includeData);
}

CommandResult read(P18Session& s, const P18Device& d) {
    s.image = ByteImage(p18Regions(d));
    return s.ops.read(d, s.image);
}

CommandResult erase(P18Session& s, const P18Device& d, bool includeData) {
    if (!includeData && d.eepromBytes > 0) {
        s.chip.report.message(kP18EraseTakesDataText);
        CommandResult r;
        r.outcome = Outcome::Cancelled;
        return r;
    }
    return s.ops.erase(d);
}

CommandResult removeProtection(P18Session& s, const P18Device& d) {
    return s.ops.unprotect(d);
}

}  // namespace pk
