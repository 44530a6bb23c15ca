#include "viewers/p18_listing.h"

#include <algorithm>
#include <array>
#include <span>
#include <vector>

#include "viewers/isa/pic18.h"
#include "viewers/listing_text.h"

namespace pk {

using listing::appendHex;
using listing::appendInstruction;

namespace {

// Interrupt vectors get their name when a jump in the reset vector goes past them.
struct Vector {
    std::uint32_t address;
    std::string_view name;
};
constexpr std::uint32_t kResetVectorEnd = 0x08;
constexpr std::array kVectors{Vector{0x08, "INTHIGH"}, Vector{0x18, "INTLOW"}};

const std::string kLabelIndent(12, ' ');

struct ListedWord {
    std::uint32_t address;
    std::uint16_t word;
    std::optional<std::uint16_t> second;  // the second word a two-word instruction took
    P18Decoded decoded;
};

bool anyPresent(std::span<const std::uint16_t> bytes) {
    for (std::uint16_t b : bytes) {
        if ((b & 0x8000) == 0) {
            return true;
        }
    }
    return false;
}

// Present bytes of one area as rows: "; NAME 0x200000: 01 -- 0A".
void appendRows(std::string& out, std::string_view name, std::uint32_t base,
                std::span<const std::uint16_t> bytes, std::size_t perRow) {
    for (std::size_t row = 0; row < bytes.size(); row += perRow) {
        const auto cells = bytes.subspan(row, std::min(perRow, bytes.size() - row));
        if (!anyPresent(cells)) {
            continue;
        }
        out += "; ";
        out += name;
        out += " 0x";
        appendHex(out, base + static_cast<unsigned>(row), 6);
        out += ':';
        for (std::uint16_t b : cells) {
            out += ' ';
            if ((b & 0x8000) != 0) {
                out += "--";
            } else {
                appendHex(out, b, 2);
            }
        }
        out += '\n';
    }
}

}  // namespace

std::string p18Listing(const ByteImage& image) {
    const auto program = image.area(image.HexBytes, ByteArea::Program);
    const std::size_t wordCount = program.size() / 2;
    // A word with one byte in the file keeps the erased 0xFF in the other.
    auto wordAt = [&](std::size_t i) -> std::optional<std::uint16_t> {
        const std::uint16_t low = program[2 * i];
        const std::uint16_t high = program[2 * i + 1];
        if ((low & 0x8000) != 0 && (high & 0x8000) != 0) {
            return std::nullopt;
        }
        return static_cast<std::uint16_t>(((high & 0x8000) != 0 ? 0xFF00 : (high << 8)) |
                                          ((low & 0x8000) != 0 ? 0xFF : low));
    };

    // First the instructions and the targets they give labels.
    std::vector<ListedWord> words;
    std::vector<bool> labelled(wordCount, false);
    std::vector<bool> vectorNamed(kVectors.size(), false);
    for (std::size_t i = 0; i < wordCount; ++i) {
        const auto word = wordAt(i);
        if (!word) {
            continue;
        }
        const auto next = i + 1 < wordCount ? wordAt(i + 1) : std::nullopt;
        const auto address = static_cast<std::uint32_t>(2 * i);
        ListedWord w{address, *word, std::nullopt, decodeP18(*word, next, address)};
        if (w.decoded.words == 2) {
            w.second = next;
            ++i;
        }
        if (const auto t = w.decoded.target) {
            if (*t / 2 < wordCount) {
                labelled[*t / 2] = true;
            }
            if (w.decoded.stop && address < kResetVectorEnd) {
                for (std::size_t v = 0; v < kVectors.size(); ++v) {
                    vectorNamed[v] = vectorNamed[v] || *t > kVectors[v].address;
                }
            }
        }
        words.push_back(std::move(w));
    }

    std::string out;
    out.reserve(words.size() * 48 + 512);
    out += "PIC-Assembler-Listing by Velmor 2001\n\n";
    out += image.HexFileName;
    out += "\n\n   Adr. Code Marke  Mnemonic  \n==================================\n";

    std::uint32_t expected = 0;    // address after the previous line's word(s)
    std::int64_t skipFollow = -1;  // address after the latest skip instruction
    std::int64_t retlwFollow = -1;
    for (const ListedWord& w : words) {
        if (w.address != expected) {
            out += '\n';
        }
        expected = w.address + 2 * static_cast<std::uint32_t>(w.decoded.words);
        const P18Decoded& d = w.decoded;
        // After a skip, the next instruction may not run: no pause in the text.
        bool emptyAfter = d.stop && w.address != skipFollow;
        if (d.retlw) {
            emptyAfter = w.address != skipFollow && w.address != retlwFollow;
            retlwFollow = expected;
        }
        if (d.skip) {
            skipFollow = w.address + 2;
        }

        if (w.address == 0) {
            out += kLabelIndent + "START\n";
        }
        for (std::size_t v = 0; v < kVectors.size(); ++v) {
            if (vectorNamed[v] && w.address == kVectors[v].address) {
                out += kLabelIndent;
                out += kVectors[v].name;
                out += '\n';
            }
        }
        if (labelled[w.address / 2]) {
            out += kLabelIndent + p18Label(w.address) + '\n';
        }

        out += ' ';
        appendHex(out, w.address, 6);
        out += ' ';
        appendHex(out, w.word, 4);
        out += "        ";
        appendInstruction(out, d.mnemonic, d.operands, {}, d.comment);
        if (w.second) {
            // A jump into the middle of an instruction still shows where it lands.
            if (labelled[w.address / 2 + 1]) {
                out += kLabelIndent + p18Label(w.address + 2) + '\n';
            }
            out += ' ';
            appendHex(out, w.address + 2, 6);
            out += ' ';
            appendHex(out, *w.second, 4);
            out += '\n';
        }
        if (emptyAfter) {
            out += '\n';
        }
    }

    const auto ids = image.area(image.HexBytes, ByteArea::Id);
    if (anyPresent(ids)) {
        out += '\n';
        appendRows(out, "ID", ByteRegions::IdBase, ids, ByteRegions::IdBytes);
    }
    const auto config = image.area(image.HexBytes, ByteArea::Config);
    if (anyPresent(config)) {
        out += '\n';
        for (std::size_t n = 0; n < config.size(); ++n) {
            if ((config[n] & 0x8000) != 0) {
                continue;
            }
            // CONFIG1L, CONFIG1H, CONFIG2L, ...
            out += "; CONFIG" + std::to_string(n / 2 + 1) + (n % 2 == 0 ? "L" : "H") + " (0x";
            appendHex(out, ByteRegions::ConfigBase + static_cast<unsigned>(n), 6);
            out += ") = 0x";
            appendHex(out, config[n], 2);
            out += '\n';
        }
    }
    const auto eeprom = image.area(image.HexBytes, ByteArea::Eeprom);
    if (anyPresent(eeprom)) {
        out += '\n';
        appendRows(out, "EEPROM", ByteRegions::EepromBase, eeprom, 16);
    }
    out += "end of file\n";
    return out;
}

}  // namespace pk
