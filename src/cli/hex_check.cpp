#include "hex_check.h"

#include <cstdio>
#include <map>

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

class Checker {
  public:
    explicit Checker(const DeviceState& device) : device_(device) {}

    void note(int line, std::string text) {
        result_.findings.push_back({line, false, std::move(text)});
    }
    void fault(int line, std::string text) {
        result_.findings.push_back({line, true, std::move(text)});
    }

    // Returns false when the loader stops at this line.
    bool line(int no, std::string_view text) {
        if (text.empty()) {
            return true;
        }
        if (text.front() != ':') {
            note(no, "die Zeile beginnt nicht mit ':'; das erste Zeichen wird übergangen");
        }
        HexLineReader reader(text);
        const auto n = reader.ReadHexByte();
        const auto high = reader.ReadHexByte();
        const auto low = reader.ReadHexByte();
        const auto type = reader.ReadHexByte();
        if (!type) {
            readerFault(no, reader);
            return false;
        }
        const int byteAddress = *high * 256 + *low;
        // Everything the record holds, for the checksum (the loader never reads it).
        unsigned sum = *n + *high + *low + *type;
        std::vector<std::uint8_t> data;
        HexLineReader full(text);
        for (int i = 0; i < 4; ++i) {
            full.ReadHexByte();
        }
        bool complete = true;
        for (int i = 0; i < *n; ++i) {
            const auto b = full.ReadHexByte();
            if (!b) {
                complete = false;
                break;
            }
            data.push_back(static_cast<std::uint8_t>(*b));
            sum += *b;
        }
        const auto check = complete ? full.ReadHexByte() : std::nullopt;
        if (*type == 1) {
            endRecord_ = true;
            return false;
        }
        if (*type == 0) {
            if (!dataRecord(no, *n, byteAddress, reader)) {
                return false;
            }
        } else if (*type == 2 || *type == 4) {
            const unsigned value = data.size() >= 2 ? data[0] * 256u + data[1] : 0;
            if (value != 0) {
                fault(no, "erweiterte Adresse " + hex4(static_cast<int>(value)) + " (Typ " +
                              std::to_string(*type) +
                              ") wird übergangen: die folgenden Daten landen an falscher Stelle");
            } else {
                note(no, "Datensatz vom Typ " + std::to_string(*type) +
                             " wird übergangen (Adresse 0, ohne Wirkung)");
            }
        } else if (*type == 3 || *type == 5) {
            note(no, "Startadresse (Typ " + std::to_string(*type) + ") wird übergangen");
        } else {
            fault(no, "unbekannter Datensatztyp " + std::to_string(*type) + " wird übergangen");
        }
        if (!complete || !check) {
            fault(no, "die Zeile ist zu kurz für ihre Prüfsumme");
        } else if (((sum + *check) & 0xFF) != 0) {
            char buf[96];
            std::snprintf(buf, sizeof buf, "Prüfsummenfehler: %02X angegeben, %02X erwartet",
                          static_cast<unsigned>(*check), (0x100 - (sum & 0xFF)) & 0xFF);
            fault(no, buf);
        }
        return true;
    }

    bool ended() const { return endRecord_; }

    HexCheckResult finish(bool afterEnd, int extraLine, bool stopped) {
        if (!endRecord_ && !stopped) {
            fault(0, "der Ende-Datensatz (Typ 1) fehlt");
        } else if (endRecord_ && afterEnd) {
            note(extraLine, "Text nach dem Ende-Datensatz wird nicht gelesen");
        }
        return std::move(result_);
    }

  private:
    void readerFault(int no, const HexLineReader& reader) {
        if (reader.problem() == HexLineReader::Problem::BadDigit) {
            fault(no, "ungültiges Zeichen in Spalte " + std::to_string(reader.problemColumn()) +
                          ", erwartet wird eine Hex-Ziffer; das Laden bricht hier ab");
        } else {
            fault(no, "die Zeile ist zu kurz für ihren Datensatz; das Laden bricht hier ab");
        }
    }

    bool dataRecord(int no, int count, int byteAddress, HexLineReader& reader) {
        if (byteAddress % 2 != 0) {
            fault(no, "ungerade Byteadresse " + hex4(byteAddress) + ": die Daten landen bei Wort " +
                          hex4(byteAddress / 2) + " und um ein Byte verschoben");
        }
        if (count % 2 != 0) {
            fault(no, "ungerade Byteanzahl " + std::to_string(count) +
                          ": das letzte Byte wird nicht geladen");
        }
        const int first = byteAddress / 2;
        for (int i = 0; i < count / 2; ++i) {
            const auto word = reader.ReadHexWord();
            if (!word) {
                readerFault(no, reader);
                return false;
            }
            const int address = first + i;
            if (address >= static_cast<int>(MemoryImage::Size)) {
                fault(no, "Datenwort an Adresse " + hex4(address) +
                              " liegt außerhalb des Speichers; das Laden bricht hier ab");
                return false;
            }
            if (*word > 0x3FFF) {
                fault(no, "Wort " + hex4(*word) + " an Adresse " + hex4(address) +
                              " hat mehr als 14 Bit; geladen wird " + hex4(*word & 0x3FFF));
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
        return true;
    }

    const DeviceState& device_;
    HexCheckResult result_;
    std::map<int, int> seen_;
    bool endRecord_ = false;
};

}  // namespace

HexCheckResult checkHexText(std::string_view text, const DeviceState& device) {
    Checker checker(device);
    // Lines end in LF, CR LF or a lone CR, as the loader splits them.
    int no = 0;
    std::size_t pos = 0;
    bool stopped = false;
    while (pos < text.size()) {
        std::size_t end = text.find_first_of("\r\n", pos);
        std::string_view line =
            text.substr(pos, end == std::string_view::npos ? std::string_view::npos : end - pos);
        std::size_t next = end == std::string_view::npos ? text.size() : end + 1;
        if (end != std::string_view::npos && text[end] == '\r' && next < text.size() &&
            text[next] == '\n') {
            ++next;
        }
        ++no;
        if (stopped) {
            if (!line.empty()) {
                return checker.finish(true, no, true);
            }
        } else if (!checker.line(no, line)) {
            stopped = true;
        }
        pos = next;
    }
    return checker.finish(false, 0, stopped);
}

}  // namespace pk::cli
