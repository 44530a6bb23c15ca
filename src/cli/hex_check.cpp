#include "hex_check.h"

#include <cstdio>
#include <map>
#include <optional>

#include "image/hex_file.h"
#include "image/memory_image.h"

namespace pk::cli {

namespace {

std::string hex4(int v) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "0x%04X", static_cast<unsigned>(v));
    return buf;
}

// Where a word address lies for this chip; empty when the chip has it.
std::string outsideChip(int address, const DeviceState& device) {
    if (address <= device.ProgLastAddr) {
        return {};
    }
    if (address < MemoryImage::IdBase) {
        return "liegt hinter dem Programmspeicher des PIC (höchstens " + hex4(device.ProgLastAddr) +
               ")";
    }
    if (address <= MemoryImage::ConfigAddr) {
        return {};
    }
    if (address >= MemoryImage::EepromBase &&
        address <= MemoryImage::EepromBase + device.DataLastAddr) {
        return {};
    }
    if (address >= MemoryImage::EepromBase && device.DataLastAddr < 0) {
        return "der PIC hat kein Data-EEPROM";
    }
    if (address >= MemoryImage::EepromBase && address < static_cast<int>(MemoryImage::Size)) {
        return "liegt hinter dem Data-EEPROM des PIC (höchstens " +
               hex4(MemoryImage::EepromBase + device.DataLastAddr) + ")";
    }
    return "gehört zu keinem Speicher des PIC";
}

// Listens to the program's own loader and explains what it does with each record.
class Checker : public HexReadEvents {
  public:
    explicit Checker(const DeviceState& device) : device_(device) {}

    HexCheckResult run(std::string_view text) {
        WordArray words{};
        const HexReadResult r = OpenHexfile(text, words, this);
        using S = HexReadResult::Status;
        if (r.status == S::BadDigit) {
            fault(r.line, "ungültiges Zeichen in Spalte " + std::to_string(r.column) +
                              ", erwartet wird eine Hex-Ziffer; das Laden bricht hier ab");
        } else if (r.status == S::ShortLine) {
            fault(r.line, "die Zeile ist zu kurz für ihren Datensatz; das Laden bricht hier ab");
        } else if (r.status == S::AddressRange) {
            fault(r.line, "Datenwort an Adresse " + hex4(r.wordAddress) +
                              " liegt außerhalb des Speichers; das Laden bricht hier ab");
        }
        if (r.ok() && !r.endRecord) {
            fault(0, "der Ende-Datensatz (Typ 1) fehlt");
        } else if (afterEnd_ > 0) {
            note(afterEnd_, "Text nach dem Ende-Datensatz wird nicht gelesen");
        }
        return std::move(result_);
    }

    void line(int no, std::string_view text) override {
        if (text.front() != ':') {
            note(no, "die Zeile beginnt nicht mit ':'; das erste Zeichen wird übergangen");
        }
    }

    void record(int no, std::string_view text, int count, int byteAddress, int type) override {
        type_ = type;
        // Everything the record holds, for the checksum (the loader never reads it).
        data_.clear();
        HexLineReader full(text);
        unsigned sum = 0;
        for (int i = 0; i < 4; ++i) {
            sum += full.ReadHexByte().value_or(0);
        }
        bool complete = true;
        for (int i = 0; i < count; ++i) {
            const auto b = full.ReadHexByte();
            if (!b) {
                complete = false;
                break;
            }
            data_.push_back(static_cast<std::uint8_t>(*b));
            sum += *b;
        }
        const auto check = complete ? full.ReadHexByte() : std::nullopt;
        checksum_.reset();
        if (check) {
            checksum_ = {*check, sum};
        }
        if (type != 0) {
            return;
        }
        if (byteAddress % 2 != 0) {
            fault(no, "ungerade Byteadresse " + hex4(byteAddress) + ": die Daten landen bei Wort " +
                          hex4(byteAddress / 2) + " und um ein Byte verschoben");
        }
        if (count % 2 != 0) {
            fault(no, "ungerade Byteanzahl " + std::to_string(count) +
                          ": das letzte Byte wird nicht geladen");
        }
    }

    void word(int no, int address, std::uint16_t value) override {
        if (value > 0x3FFF) {
            fault(no, "Wort " + hex4(value) + " an Adresse " + hex4(address) +
                          " hat mehr als 14 Bit; geladen wird " + hex4(value & 0x3FFF));
        }
        if (const auto it = seen_.find(address); it != seen_.end()) {
            fault(no, "Adresse " + hex4(address) + " steht schon in Zeile " +
                          std::to_string(it->second) + "; es gilt der spätere Wert");
        }
        seen_[address] = no;
        if (const std::string why = outsideChip(address, device_); !why.empty()) {
            fault(no, "Adresse " + hex4(address) + " " + why);
        }
    }

    void recordDone(int no, std::string_view) override {
        if (type_ == 2 || type_ == 4) {
            const unsigned value = data_.size() >= 2 ? data_[0] * 256u + data_[1] : 0;
            if (value != 0) {
                fault(no, "erweiterte Adresse " + hex4(static_cast<int>(value)) + " (Typ " +
                              std::to_string(type_) +
                              ") wird übergangen: die folgenden Daten landen an falscher Stelle");
            } else {
                note(no, "Datensatz vom Typ " + std::to_string(type_) +
                             " wird übergangen (Adresse 0, ohne Wirkung)");
            }
        } else if (type_ == 3 || type_ == 5) {
            note(no, "Startadresse (Typ " + std::to_string(type_) + ") wird übergangen");
        } else if (type_ != 0) {
            fault(no, "unbekannter Datensatztyp " + std::to_string(type_) + " wird übergangen");
        }
        if (!checksum_) {
            fault(no, "die Zeile ist zu kurz für ihre Prüfsumme");
        } else if (((checksum_->sum + checksum_->given) & 0xFF) != 0) {
            char buf[96];
            std::snprintf(buf, sizeof buf, "Prüfsummenfehler: %02X angegeben, %02X erwartet",
                          checksum_->given, (0x100 - (checksum_->sum & 0xFF)) & 0xFF);
            fault(no, buf);
        }
    }

    void textAfterEnd(int no) override { afterEnd_ = no; }

  private:
    struct Checksum {
        unsigned given;
        unsigned sum;
    };

    void note(int line, std::string text) {
        result_.findings.push_back({line, false, std::move(text)});
    }
    void fault(int line, std::string text) {
        result_.findings.push_back({line, true, std::move(text)});
    }

    const DeviceState& device_;
    HexCheckResult result_;
    std::map<int, int> seen_;
    int type_ = 0;
    std::vector<std::uint8_t> data_;
    std::optional<Checksum> checksum_;
    int afterEnd_ = 0;
};

}  // namespace

HexCheckResult checkHexText(std::string_view text, const DeviceState& device) {
    return Checker(device).run(text);
}

}  // namespace pk::cli
