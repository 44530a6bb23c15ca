#include "image/hex_syntax.h"

#include <cstdio>

#include "image/hex_file.h"

namespace pk {

namespace {

using Kind = HexSyntaxFinding::Kind;

std::string twoDigits(unsigned v) {
    return ByteToHex(v & 0xFF);
}

class Scanner {
  public:
    HexSyntax run(std::string_view text) {
        if (text.size() > kMaxHexFileBytes) {
            add(0, Kind::Refuse,
                "die Datei ist mit " + std::to_string(text.size() / 1024) +
                    " KB zu groß für einen PIC (höchstens " +
                    std::to_string(kMaxHexFileBytes / 1024) + " KB)");
            return std::move(result_);
        }
        std::size_t pos = 0;
        int lineNo = 0;
        while (pos < text.size() && !stopped_) {
            std::size_t end = text.find_first_of("\r\n", pos);
            if (end == std::string_view::npos) {
                end = text.size();
            }
            ++lineNo;
            line(lineNo, text.substr(pos, end - pos));
            pos = end;
            // LF, CR LF or a lone CR, as the readers take them.
            if (pos < text.size() && text[pos] == '\r') {
                ++pos;
                if (pos < text.size() && text[pos] == '\n') {
                    ++pos;
                }
            } else if (pos < text.size()) {
                ++pos;
            }
        }
        if (stopped_) {
            return std::move(result_);
        }
        if (result_.dataRecords == 0) {
            add(0, Kind::Refuse,
                sawLine_ ? "die Datei enthält keine Daten (kein Datensatz vom Typ 00)"
                         : "die Datei ist leer");
        } else if (!result_.endRecord) {
            add(0, Kind::Warn, "der Ende-Datensatz (Typ 1) fehlt");
        }
        return std::move(result_);
    }

  private:
    void line(int no, std::string_view text) {
        if (text.empty()) {
            return;
        }
        // Blanks after a record are nothing; a line of blanks alone is no record
        // and stops the loader as any other.
        while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) {
            text.remove_suffix(1);
        }
        if (text.empty() && result_.endRecord) {
            return;
        }
        sawLine_ = true;
        if (result_.endRecord) {
            if (!afterEndSaid_) {
                add(no, Kind::Note, "Text nach dem Ende-Datensatz wird nicht gelesen");
                afterEndSaid_ = true;
            }
            return;
        }
        if (text.empty() || text.front() != ':') {
            refuse(no, "die Zeile beginnt nicht mit ':', ist also kein Datensatz");
            return;
        }
        for (std::size_t i = 1; i < text.size(); ++i) {
            if (HexDigitValue(text[i]) < 0) {
                refuse(no, "ungültiges Zeichen " + describeHexCharacter(text[i]) + " in Spalte " +
                               std::to_string(i + 1) + ", erwartet wird eine Hex-Ziffer");
                return;
            }
        }
        if (text.size() < 11) {
            refuse(no, "die Zeile ist zu kurz für einen Datensatz (" + std::to_string(text.size()) +
                           " Zeichen, mindestens 11)");
            return;
        }
        std::vector<unsigned> bytes;
        for (std::size_t i = 1; i + 1 < text.size(); i += 2) {
            bytes.push_back(
                static_cast<unsigned>(HexDigitValue(text[i]) * 16 + HexDigitValue(text[i + 1])));
        }
        const unsigned count = bytes[0];
        const std::size_t wanted = 11 + 2 * static_cast<std::size_t>(count);
        if (text.size() != wanted) {
            refuse(no, std::string("die Zeile ist ") +
                           (text.size() < wanted ? "zu kurz für" : "länger als") +
                           " ihren Datensatz: " + std::to_string(count) + " Datenbytes verlangen " +
                           std::to_string(wanted) + " Zeichen, sie hat " +
                           std::to_string(text.size()));
            return;
        }
        const unsigned type = bytes[3];
        if (type > 5) {
            refuse(no, "unbekannter Datensatztyp " + twoDigits(type));
            return;
        }
        if ((type == 2 || type == 4) && count != 2) {
            refuse(no, "ein Datensatz vom Typ " + twoDigits(type) +
                           " hat 2 Datenbytes, dieser hat " + std::to_string(count));
            return;
        }
        unsigned sum = 0;
        for (std::size_t i = 0; i + 1 < bytes.size(); ++i) {
            sum += bytes[i];
        }
        const unsigned given = bytes.back();
        if (((sum + given) & 0xFF) != 0) {
            add(no, Kind::Doubt,
                "Prüfsummenfehler: " + twoDigits(given) + " angegeben, " +
                    twoDigits((0x100 - (sum & 0xFF)) & 0xFF) + " erwartet");
        }
        if (type == 0 && count > 0) {
            ++result_.dataRecords;
        }
        if (type == 1) {
            result_.endRecord = true;
        }
    }

    void add(int line, Kind kind, std::string text) {
        result_.findings.push_back({line, kind, std::move(text)});
    }

    // A line that is no record: nothing after it can be trusted to be read as meant.
    void refuse(int line, std::string text) {
        add(line, Kind::Refuse, std::move(text));
        stopped_ = true;
    }

    HexSyntax result_;
    bool sawLine_ = false;
    bool afterEndSaid_ = false;
    bool stopped_ = false;
};

}  // namespace

const HexSyntaxFinding* HexSyntax::first(HexSyntaxFinding::Kind kind) const {
    for (const HexSyntaxFinding& f : findings) {
        if (f.kind == kind) {
            return &f;
        }
    }
    return nullptr;
}

HexSyntax scanHexSyntax(std::string_view text) {
    return Scanner().run(text);
}

std::string describeHexCharacter(char c) {
    const auto u = static_cast<unsigned char>(c);
    if (u >= 0x21 && u < 0x7F) {
        return std::string("\"") + c + "\"";
    }
    char buf[32];
    std::snprintf(buf, sizeof buf, "mit dem Code %u", u);
    return buf;
}

}  // namespace pk
