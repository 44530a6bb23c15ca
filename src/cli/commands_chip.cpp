// The commands that talk to the chip: search, detect, burn, verify, read, erase,
// unprotect and doctor, each for the 14-bit PICs and the PIC18F.

#include "run.h"

#include <QJsonObject>
#include <cstdio>

#include "device/hex_check.h"
#include "device/p18_config_fields.h"
#include "device/type_names.h"
#include "doctor_cmd.h"
#include "image/byte_hex_file.h"
#include "image/hex_file.h"
#include "image/hex_text.h"

namespace pk::cli {

int Run::cmdDoctor() {
    return runDoctor(*link_, *clock_, settings_, portBase_, quiet_ || json_);
}

int Run::cmdSearch() {
    const std::string where = portBase_ == kLpt1 ? "LPT 1" : "LPT 2";
    say("Korvel gefunden an " + where);
    extra_[QStringLiteral("port")] = QString::fromStdString(where);
    return ExitOk;
}

int Run::cmdDetect() {
    if (p18Type_) {
        if (!p18_->ops.vppAllowed(*p18Type_)) {
            return ExitUsage;
        }
        return sayP18Detection(p18_->ops.detect());
    }
    DetectResult d;
    if (type_) {
        d = detect(*session_, true);
    } else {
        const AnyDetection a = autodetect(*p18_);
        if (a.cancelled()) {
            return ExitUsage;
        }
        if (a.pic18()) {
            return sayP18Detection(a.p18);
        }
        d = a.chip;
    }
    typeKnown_ = true;
    extra_[QStringLiteral("deviceId")] = d.idWord;
    extra_[QStringLiteral("revision")] = QString::fromStdString(d.found.revisionText());
    if (d.outcome == Outcome::NoChip) {
        message(noChipMessage(d.idWord));
        return ExitChip;
    }
    const DeviceInfo* info = deviceInfo(device_.CurrentType);
    extra_[QStringLiteral("flashProtected")] = d.flashProtected;
    extra_[QStringLiteral("eepromProtected")] = d.eepromProtected;
    say("Typ: " + std::string(info->listText) + (d.found.unknown ? " (unbekannte Device-ID)" : ""));
    say("Device-ID: " + hexWord(d.idWord));
    say(kRevisionPrefix + d.found.revisionText());
    say("Konfiguration: " + hexWord(d.config));
    if ((d.config2 & 0x8000) == 0) {
        say("Konfiguration 2: " + hexWord(d.config2));
    }
    if (const std::string f = factoryWordsText(*info, d.factory); !f.empty() && !d.found.unknown) {
        say(f);
        QJsonObject words;
        for (std::size_t k = 0; k < info->factoryWords.size(); ++k) {
            if (info->factoryWords[k] != 0) {
                words[QString::fromStdString(hexWord(info->factoryWords[k]))] = d.factory[k];
            }
        }
        extra_[QStringLiteral("factoryWords")] = words;
    }
    say(std::string("Flash: ") + (d.flashProtected ? kCodeProtectedText : "-"));
    say(std::string("EEPROM: ") + (d.eepromProtected ? kCodeProtectedText : "-"));
    if (d.outcome != Outcome::Ok) {
        return ExitChip;
    }
    if (type_ && type_->type != device_.CurrentType) {
        message(wrongTypeMessage(d.idWord, type_->type));
        return ExitChip;
    }
    return ExitOk;
}

int Run::sayP18Detection(const P18Detection& d) {
    extra_[QStringLiteral("deviceId")] = d.idWord;
    if (d.outcome == Outcome::NoChip) {
        message(p18NoChipMessage(d.idWord));
        return ExitChip;
    }
    if (d.device == nullptr) {
        say("Typ: unbekannter PIC18F (Device-ID " + hexWord(d.idWord) + ")");
        return ExitChip;
    }
    p18Part_ = d.device;
    extra_[QStringLiteral("revision")] = QString::number(d.revision);
    extra_[QStringLiteral("flashProtected")] = d.protection.code;
    extra_[QStringLiteral("eepromProtected")] = d.protection.data;
    say("Typ: " + std::string(d.device->name));
    say("Device-ID: " + hexWord(d.idWord));
    say(kRevisionPrefix + std::to_string(d.revision));
    // Every byte from 0x300000 in order; "--" where the part has none.
    std::string bytes;
    QJsonObject config;
    for (std::size_t n = 0; n < d.config.size(); ++n) {
        const bool exists = d.device->configMask[n] != 0;
        bytes.append(n == 0 ? "" : " ").append(exists ? hexByte(d.config[n]).substr(2) : "--");
        if (exists) {
            const unsigned address = p18addr::kConfig + static_cast<unsigned>(n);
            config[QString::fromStdString(HexByteAddress(address))] = d.config[n];
        }
    }
    extra_[QStringLiteral("configBytes")] = config;
    say("Konfiguration 0x300000..0x30000D: " + bytes);
    // The same bytes field by field, as the data sheet names them.
    QJsonObject fields;
    for (const P18ConfigField& f : p18ConfigFields(*d.device)) {
        const std::string value = p18ValueName(f, d.config);
        say("  " + std::string(f.name) + " (" + std::string(f.description) + "): " + value);
        fields[QString::fromUtf8(f.name.data(), static_cast<qsizetype>(f.name.size()))] =
            QString::fromStdString(value);
    }
    extra_[QStringLiteral("configFields")] = fields;
    say(std::string("Flash: ") + (d.protection.code ? kCodeProtectedText : "-"));
    say(std::string("EEPROM: ") + (d.protection.data ? kCodeProtectedText : "-"));
    if (p18Type_ && p18Type_ != d.device) {
        message(p18WrongTypeMessage(d, *p18Type_));
        return ExitChip;
    }
    if (!p18Type_) {
        say("Hinweis: mit --type=" + typeName(*d.device) +
            " wird der PIC18F gleich angesprochen, und nur seine VPP-Grenze gilt.");
    }
    return ExitOk;
}

// Without --type the PIC18F is asked first (after the detection's VPP
// question); the 14-bit command follows only when none answered. `part`:
// the PIC18F that answered, or the one --type names. An exit code when the
// command ends here.
std::optional<int> Run::pic18First(const P18Device*& part, std::optional<FileUse> file) {
    part = p18Type_;
    if (type_ || p18Type_) {
        return std::nullopt;
    }
    // The file's form before a detection puts any voltage on the chip.
    if (file) {
        if (const Outcome o = gateHexFile(*session_, files_[0], nullptr, *file, force_);
            o != Outcome::Ok) {
            return exitFor(o);
        }
    }
    const P18Detection found = detectPic18First(*p18_);
    if (found.outcome == Outcome::Cancelled) {
        return ExitUsage;
    }
    if (found.outcome == Outcome::WrongType) {
        message("unbekannter PIC18F, Device-ID " + hexWord(found.idWord));
        return ExitChip;
    }
    part = found.device;
    return std::nullopt;
}

P18CommandOptions Run::p18Options() const {
    P18CommandOptions o;
    o.includeData = !noData_;
    o.acceptDoubtfulFile = force_;
    o.config = p18Config_;
    return o;
}

// Runs a PIC18F command; a refused option ends it before the chip gets power.
int Run::p18Command(const P18Device& d, const std::function<CommandResult()>& command) {
    p18Part_ = &d;
    if (const std::string why = p18Refusal(); !why.empty()) {
        usage(why);
        return ExitUsage;
    }
    const CommandResult r = command();
    takeResult(r);
    sayCounters();
    return exitFor(r.outcome);
}

int Run::p18Burn(const P18Device& d) {
    return p18Command(d, [&] { return burn(*p18_, d, files_[0], p18Options()); });
}

int Run::p18Verify(const P18Device& d) {
    const int rc = p18Command(d, [&] { return verify(*p18_, d, files_[0], p18Options()); });
    if (list_ && !json_) {
        for (const WordFailure& f : failed_) {
            std::printf("%s %s: %s -> %s\n", areaName(f.area),
                        HexByteAddress(static_cast<unsigned>(f.address)).c_str(),
                        hexByte(f.wanted).c_str(), hexByte(f.read).c_str());
        }
    }
    return rc;
}

int Run::p18Read(const P18Device& d) {
    const int rc = p18Command(d, [&] { return read(*p18_, d); });
    if (rc != ExitOk && !(rc == ExitDifferences && force_)) {
        return rc;
    }
    const ByteImage& image = p18_->image;
    if (const int saved =
            save(files_[0], BuildByteHexFile(image.regions(), image.ReadBack), "gelesen nach ");
        saved != ExitOk) {
        return saved;
    }
    return rc;
}

int Run::cmdBurn() {
    if (p18Type_) {
        return p18Burn(*p18Type_);
    }
    if (int rc = needReadableOrType(false); rc != ExitOk) {
        return rc;
    }
    const P18Device* part = nullptr;
    if (const auto rc = pic18First(part, FileUse::Burn)) {
        return *rc;
    }
    if (part) {
        return p18Burn(*part);
    }
    image_.HexFileName = files_[0];
    image_.HexLoaded = true;
    const CommandResult r = burn(*session_, burnOptions());
    takeResult(r);
    sayCounters();
    return exitFor(r.outcome);
}

int Run::cmdVerify() {
    if (int rc = needReadableOrType(true); rc != ExitOk) {
        return rc;
    }
    const P18Device* part = nullptr;
    if (const auto rc = pic18First(part, FileUse::Compare)) {
        return *rc;
    }
    if (part) {
        return p18Verify(*part);
    }
    image_.HexFileName = files_[0];
    image_.HexLoaded = true;
    const CommandResult r = verify(*session_, burnOptions());
    takeResult(r);
    if (list_ && !json_) {
        for (const WordFailure& d : failed_) {
            std::printf("%s %s: %s -> %s\n", areaName(d.area),
                        hexWord(static_cast<unsigned>(d.address)).c_str(),
                        hexWord(d.wanted).c_str(), hexWord(d.read).c_str());
        }
    }
    sayCounters();
    return exitFor(r.outcome);
}

int Run::cmdRead() {
    if (int rc = needReadableOrType(true); rc != ExitOk) {
        return rc;
    }
    const P18Device* part = nullptr;
    if (const auto rc = pic18First(part)) {
        return *rc;
    }
    if (part) {
        return p18Read(*part);
    }
    const CommandResult r = read(*session_, choice());
    takeResult(r);
    sayCounters();
    // Words that read differently twice are not saved as the chip's, unless asked.
    const bool unstable = r.outcome == Outcome::Failed;
    if (!r.ok() && !(unstable && force_)) {
        return exitFor(r.outcome);
    }
    if (r.allBlank) {
        message(kAllBlankText);
    }
    if (const int saved =
            save(files_[0], BuildHexFile(image_.ReadBack, device_.ProgLastAddr), "gelesen nach ");
        saved != ExitOk) {
        return saved;
    }
    return exitFor(r.outcome);
}

int Run::cmdErase() {
    if (int rc = needReadableOrType(false); rc != ExitOk) {
        return rc;
    }
    const P18Device* part = nullptr;
    if (const auto rc = pic18First(part)) {
        return *rc;
    }
    if (part) {
        const int rc = p18Command(*part, [&] { return erase(*p18_, *part, !noData_); });
        if (rc == ExitOk) {
            say("gelöscht");
        }
        return rc;
    }
    const CommandResult r = erase(*session_, !noData_, choice());
    takeResult(r);
    sayCounters();
    if (r.ok()) {
        say("gelöscht");
    }
    return exitFor(r.outcome);
}

int Run::cmdUnprotect() {
    if (int rc = needReadableOrType(false); rc != ExitOk) {
        return rc;
    }
    const P18Device* part = nullptr;
    if (const auto rc = pic18First(part)) {
        return *rc;
    }
    if (part) {
        const int rc = p18Command(*part, [&] { return removeProtection(*p18_, *part); });
        if (rc == ExitOk) {
            say("Codeschutz entfernt");
        }
        return rc;
    }
    const CommandResult r = removeProtection(*session_, true, choice());
    takeResult(r);
    sayCounters();
    if (r.ok()) {
        say("Codeschutz entfernt");
    }
    return exitFor(r.outcome);
}

}  // namespace pk::cli
