#include "device/hex_check.h"

#include <algorithm>
#include <map>
#include <optional>

#include "device/chip_ops.h"
#include "image/hex_file.h"
#include "image/hex_syntax.h"
#include "image/memory_image.h"

namespace pk {

namespace {

// Where a word address lies for this chip; empty when the chip has it.
std::string outsideChip(int address, const DeviceState& device) {
    if (address <= device.ProgLastAddr) {
        return {};
    }
    if (address < MemoryImage::IdBase) {
        return "liegt hinter dem Programmspeicher des PIC (höchstens " +
               hexWord(device.ProgLastAddr) + ")";
    }
    if (address <= MemoryImage::ConfigAddr) {
        return {};
    }
    // The second configuration word and the factory's words, as a read saves them.
    if (const DeviceInfo* row = deviceInfo(device.CurrentType);
        row != nullptr && address < MemoryImage::EepromBase &&
        ((row->hasConfig2() && address == row->config2().address) ||
         row->isFactoryWord(static_cast<std::uint16_t>(address)))) {
        return {};
    }
    if (address < MemoryImage::EepromBase) {
        return "gehört zu keinem Konfigurationswort des PIC";
    }
    if (address <= MemoryImage::EepromBase + device.DataLastAddr) {
        return {};
    }
    if (device.DataLastAddr < 0) {
        return "der PIC hat kein Data-EEPROM";
    }
    if (address < static_cast<int>(MemoryImage::Size)) {
        return "liegt hinter dem Data-EEPROM des PIC (höchstens " +
               hexWord(MemoryImage::EepromBase + device.DataLastAddr) + ")";
    }
    return "gehört zu keinem Speicher des PIC";
}

HexFinding fromSyntax(const HexSyntaxFinding& s) {
    using Kind = HexSyntaxFinding::Kind;
    HexFinding f;
    f.line = s.line;
    f.text = s.text;
    f.fault = s.kind != Kind::Note;
    f.refuses = s.kind == Kind::Refuse;
    f.doubt = s.kind == Kind::Doubt;
    return f;
}

// Listens to the program's own loader and explains where each record's words land.
class Checker : public HexReadEvents {
  public:
    explicit Checker(const DeviceState& device) : device_(device) {}

    std::vector<HexFinding> run(std::string_view text) {
        WordArray words{};
        const HexReadResult r = OpenHexfile(text, words, this);
        if (r.status == HexReadResult::Status::AddressRange) {
            refuse(r.line, "Datenwort an Adresse " + hexWord(r.wordAddress) +
                               " liegt außerhalb des Speichers; das Laden bricht hier ab");
        }
        return std::move(findings_);
    }

    void record(int no, std::string_view text, int count, int byteAddress, int type) override {
        type_ = type;
        upper_.reset();
        if (type == 2 || type == 4) {
            HexLineReader reader(text);
            for (int i = 0; i < 4; ++i) {
                reader.ReadHexByte();
            }
            const auto high = reader.ReadHexByte();
            const auto low = reader.ReadHexByte();
            if (high && low) {
                upper_ = *high * 256u + *low;
            }
        }
        if (type != 0) {
            return;
        }
        if (byteAddress % 2 != 0) {
            refuse(no, "ungerade Byteadresse " + hexWord(byteAddress) +
                           ": die Daten landen bei Wort " + hexWord(byteAddress / 2) +
                           " und um ein Byte verschoben");
        }
        if (count % 2 != 0) {
            refuse(no, "ungerade Byteanzahl " + std::to_string(count) +
                           ": das letzte Byte wird nicht geladen");
        }
    }

    void word(int no, int address, std::uint16_t value) override {
        if (value > 0x3FFF) {
            fault(no, "Wort " + hexWord(value) + " an Adresse " + hexWord(address) +
                          " hat mehr als 14 Bit; geladen wird " + hexWord(value & 0x3FFF));
        }
        if (const auto it = seen_.find(address); it != seen_.end()) {
            fault(no, "Adresse " + hexWord(address) + " steht schon in Zeile " +
                          std::to_string(it->second) + "; es gilt der spätere Wert");
        }
        seen_[address] = no;
        if (const std::string why = outsideChip(address, device_); !why.empty()) {
            refuse(no, "Adresse " + hexWord(address) + " " + why);
        }
    }

    void recordDone(int no, std::string_view) override {
        if (type_ == 2 || type_ == 4) {
            const unsigned value = upper_.value_or(0);
            if (value != 0) {
                refuse(no, "erweiterte Adresse " + hexWord(static_cast<int>(value)) + " (Typ " +
                               std::to_string(type_) +
                               ") wird übergangen: die folgenden Daten landen an falscher Stelle");
            } else {
                note(no, "Datensatz vom Typ " + std::to_string(type_) +
                             " wird übergangen (Adresse 0, ohne Wirkung)");
            }
        } else if (type_ == 3 || type_ == 5) {
            note(no, "Startadresse (Typ " + std::to_string(type_) + ") wird übergangen");
        }
    }

  private:
    void note(int line, std::string text) {
        findings_.push_back({line, false, false, false, std::move(text)});
    }
    void fault(int line, std::string text) {
        findings_.push_back({line, true, false, false, std::move(text)});
    }
    void refuse(int line, std::string text) {
        findings_.push_back({line, true, true, false, std::move(text)});
    }

    const DeviceState& device_;
    std::vector<HexFinding> findings_;
    std::map<int, int> seen_;
    int type_ = 0;
    std::optional<unsigned> upper_;
};

HexCheckResult formOf(const HexSyntax& syntax) {
    HexCheckResult r;
    for (const HexSyntaxFinding& s : syntax.findings) {
        r.findings.push_back(fromSyntax(s));
    }
    return r;
}

void sortByLine(std::vector<HexFinding>& findings) {
    std::stable_sort(findings.begin(), findings.end(),
                     [](const HexFinding& a, const HexFinding& b) { return a.line < b.line; });
}

const HexFinding* firstWhere(const std::vector<HexFinding>& findings, bool HexFinding::*flag) {
    for (const HexFinding& f : findings) {
        if (f.*flag) {
            return &f;
        }
    }
    return nullptr;
}

}  // namespace

const HexFinding* HexCheckResult::firstRefusal() const {
    return firstWhere(findings, &HexFinding::refuses);
}

const HexFinding* HexCheckResult::firstDoubt() const {
    return firstWhere(findings, &HexFinding::doubt);
}

HexCheckResult checkHexForm(std::string_view text) {
    HexCheckResult r = formOf(scanHexSyntax(text));
    sortByLine(r.findings);
    return r;
}

HexCheckResult checkHexText(std::string_view text, const DeviceState& device) {
    const HexSyntax syntax = scanHexSyntax(text);
    HexCheckResult r = formOf(syntax);
    // Where the words land means something only for records that are records.
    if (syntax.first(HexSyntaxFinding::Kind::Refuse) == nullptr) {
        for (HexFinding& f : Checker(device).run(text)) {
            r.findings.push_back(std::move(f));
        }
    }
    sortByLine(r.findings);
    return r;
}

}  // namespace pk
