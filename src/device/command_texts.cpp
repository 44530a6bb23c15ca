// The texts of the 14-bit commands: failure messages, what a stopped burn
// left, and the verdicts of the type check.

#include <cstdio>

#include "device/command_parts.h"
#include "device/vpp_finding.h"

namespace pk {

namespace {

std::string hexNibble(std::uint16_t value) {
    char buf[8];
    std::snprintf(buf, sizeof buf, "0x%X", static_cast<unsigned>(value & 0x0F));
    return buf;
}

// A value as its area holds it: EEPROM bytes with two digits, ID locations by
// their nibble (all that is checked), words with four.
std::string areaValue(Area area, std::uint16_t value) {
    switch (area) {
        case Area::Data:
            return hexByte(value);
        case Area::Id:
            return hexNibble(value);
        default:
            return hexWord(value);
    }
}

// "0x001B: 0x2C88 geschrieben, 0x2C89 gelesen".
std::string failureWords(const WordFailure& f) {
    const std::string where = hexAddress(f.address);
    if (f.check == WordFailure::Check::ReadTwice) {
        return where + " las sich zweimal verschieden: " + areaValue(f.area, f.wanted) + " und " +
               areaValue(f.area, f.read);
    }
    if (f.check == WordFailure::Check::FactoryWord) {
        return "Kalibrierwort an " + where + " beim Löschen verändert: " + hexWord(f.wanted) +
               " vorher, " + hexWord(f.read) + " gelesen";
    }
    return (f.check == WordFailure::Check::Calibration ? "OSCCAL-Wert an " : "") + where + ": " +
           areaValue(f.area, f.wanted) + " geschrieben, " + areaValue(f.area, f.read) + " gelesen";
}

constexpr const char* kProtectedHint = "Der PIC ist codegeschützt – zuerst CP entfernen.";

// The one sentence on what to check after a word that did not take.
std::string failureHint(const WordFailure& f, const VppRange& vpp) {
    if (f.check == WordFailure::Check::FactoryWord) {
        return "Der Oszillator des PIC ist damit verstimmt; den Wert notieren und den PIC nicht "
               "weiter verwenden, bevor er neu abgeglichen ist.";
    }
    if (f.check == WordFailure::Check::ReadTwice) {
        return kCheckConnectionHint;
    }
    return "Bitte VPP" + (vpp.given() ? " (" + vppRangeText(vpp) + ")" : std::string()) +
           " und VDD am Sockel, das Kabel und die Hardwareeinstellung prüfen; bleibt der Fehler "
           "an derselben Adresse, ist der PIC defekt.";
}

}  // namespace

std::string hexAddress(std::int32_t address) {
    return hexWord(static_cast<std::uint32_t>(address));
}

std::string leftText(const ErrorCounters& left, bool writtenUnchecked) {
    std::vector<std::string> parts;
    const auto count = [&parts](std::int32_t n, const char* one, const char* many) {
        if (n > 0) {
            parts.push_back(std::to_string(n) + " " + (n == 1 ? one : many));
        }
    };
    std::string text;
    count(left.ProgramErrorCount, "Programmwort", "Programmwörter");
    if (writtenUnchecked && !parts.empty()) {
        text = "Geschrieben, aber nicht geprüft: " + parts.front() + ".";
        parts.clear();
    }
    count(left.DataErrorCount, "EEPROM-Byte", "EEPROM-Bytes");
    count(left.ConfigIdErrorCount, "ID-/Configuration-Wort", "ID-/Configuration-Wörter");
    if (!parts.empty()) {
        text += text.empty() ? "" : "\r";
        text += "Nicht gebrannt: ";
        for (std::size_t i = 0; i < parts.size(); ++i) {
            text += (i == 0 ? "" : i + 1 == parts.size() ? " und " : ", ") + parts[i];
        }
        text += ".";
    }
    return text;
}

std::string misfitMessage(const DeviceState& device, std::int32_t misfit, const char* which) {
    return "Die Datei passt nicht zum " + std::string(which) +
           std::string(deviceInfo(device.CurrentType)->listText) + ": Adresse " +
           hexAddress(misfit) + " liegt außerhalb seines Speichers.";
}

std::string abortMessage(const WordFailure& f, const ErrorCounters& left, bool isProtected,
                         const VppRange& vpp) {
    const std::string rest = leftText(left, f.check == WordFailure::Check::VerifyPass);
    return std::string(f.area == Area::Data ? "EEPROM-Brennen abgebrochen! "
                                            : "Programmbrennen abgebrochen! ") +
           failureWords(f) + ".\r" + (rest.empty() ? "" : rest + "\r") +
           (isProtected ? kProtectedHint : failureHint(f, vpp));
}

std::string failureMessage(const WordFailure& f, const VppRange& vpp) {
    const char* text = "";
    switch (f.area) {
        case Area::Program:
            text = f.check == WordFailure::Check::Calibration
                       ? "OSCCAL-Wert nicht zurückgeschrieben! "
                       : "Programmwort nicht gebrannt! ";
            break;
        case Area::Data:
            text = "EEPROM-Byte nicht gebrannt! ";
            break;
        case Area::Id:
            text = "Brennen der ID fehlgeschlagen! ";
            break;
        case Area::Config:
            text = f.check == WordFailure::Check::FactoryWord
                       ? "Werkskalibrierung verloren! "
                       : "Brennen der Configuration fehlgeschlagen! ";
            break;
    }
    return text + failureWords(f) + ".\r" + failureHint(f, vpp);
}

std::string unstableReadMessage(std::int32_t words) {
    if (words == 1) {
        return "1 Wort las sich zweimal verschieden – bitte die Verbindung prüfen.";
    }
    return std::to_string(words) +
           " Wörter lasen sich zweimal verschieden – bitte die Verbindung prüfen.";
}

std::string noAnswerMessage(const WordFailure& f) {
    const bool ones = (f.read & allOnes(f.area)) == allOnes(f.area);
    return std::string(kNoChipMessage) + ": Adresse " + hexAddress(f.address) + " liest " +
           areaValue(f.area, f.read) + " statt " + areaValue(f.area, f.wanted) + ", " +
           (ones ? kOnesHint : kZerosHint) + " Brennen abgebrochen.";
}

std::string noChipMessage(std::uint16_t idWord) {
    return std::string(kNoChipMessage) + ": Device-ID liest " + hexWord(idWord) + ", " +
           (lookupDeviceId(idWord).noChip ? std::string(kOnesHint) + " " + kIdlessHint
                                          : std::string(kZerosHint));
}

std::string wrongTypeMessage(std::uint16_t idWord, std::int32_t selected) {
    const IdLookup found = lookupDeviceId(idWord);
    const DeviceInfo* chosen = deviceInfo(selected);
    const std::string inSocket = found.unknown
                                     ? "ein unbekannter PIC (Device-ID " + hexWord(idWord) + ")"
                                     : "ein " + std::string(deviceInfo(found.type)->listText);
    return std::string(kWrongTypeText) + ": im Sockel steckt " + inSocket + ", gewählt ist " +
           (chosen != nullptr ? std::string(chosen->listText) : std::string("?")) + ".";
}

}  // namespace pk
