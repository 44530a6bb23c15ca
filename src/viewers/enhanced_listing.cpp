#include "viewers/enhanced_listing.h"

#include <algorithm>
#include <vector>

#include "viewers/isa/enhanced14.h"
#include "viewers/listing_text.h"

namespace pk {

using listing::appendHex;
using listing::appendInstruction;

namespace {

constexpr std::uint16_t kAbsent = 0x8000;
constexpr std::size_t kInterruptVector = 4;
constexpr unsigned kIdBase = 0x8000;
constexpr std::size_t kIdWords = 4;
constexpr std::size_t kFirstConfig = 7;  // 0x8007
// Where the data EEPROM sits in a HEX file, in words.
constexpr unsigned kEepromBase = 0xF000;

const std::string kLabelIndent(12, ' ');

bool anyPresent(std::span<const std::uint16_t> entries) {
    return std::any_of(entries.begin(), entries.end(),
                       [](std::uint16_t e) { return (e & kAbsent) == 0; });
}

// Present entries of one area as rows: "; ID 0x8000: 0001 ---- 3FFF".
void appendRows(std::string& out, std::string_view name, unsigned base,
                std::span<const std::uint16_t> entries, std::size_t perRow, int digits) {
    for (std::size_t row = 0; row < entries.size(); row += perRow) {
        const auto cells = entries.subspan(row, std::min(perRow, entries.size() - row));
        if (!anyPresent(cells)) {
            continue;
        }
        out += "; ";
        out += name;
        out += " 0x";
        appendHex(out, base + static_cast<unsigned>(row), 4);
        out += ':';
        for (std::uint16_t e : cells) {
            out += ' ';
            if ((e & kAbsent) != 0) {
                out.append(static_cast<std::size_t>(digits), '-');
            } else {
                appendHex(out, e, digits);
            }
        }
        out += '\n';
    }
}

}  // namespace

std::string enhancedListing(std::span<const std::uint16_t> program,
                            std::span<const std::uint16_t> configArea,
                            std::span<const std::uint16_t> eeprom, const std::string& heading) {
    // Fifteen address bits: whatever lies above cannot be program memory.
    program = program.first(std::min<std::size_t>(program.size(), 0x8000));

    // First the instructions and the targets they give labels.
    std::vector<EnhancedDecoded> decoded(program.size());
    std::vector<bool> labelled(program.size(), false);
    bool interruptNamed = false;
    for (std::size_t a = 0; a < program.size(); ++a) {
        if ((program[a] & kAbsent) != 0) {
            continue;
        }
        decoded[a] = decodeEnhanced(program[a], static_cast<std::uint16_t>(a));
        if (const auto t = decoded[a].target) {
            if (*t < program.size()) {
                labelled[*t] = true;
            }
            // A jump over the interrupt vector means the program has a handler there.
            interruptNamed =
                interruptNamed || (decoded[a].jump && a<kInterruptVector&& * t> kInterruptVector);
        }
    }

    std::string out;
    out.reserve(program.size() * 48 + 512);
    out += "PIC-Assembler-Listing by Velmor 2001\n\n";
    out += heading;
    out += "\n\n Adr. Code Marke  Mnemonic  \n================================\n";

    std::size_t expected = 0;      // address after the previous line's word
    std::int64_t skipFollow = -1;  // address after the latest skip instruction
    std::int64_t retlwFollow = -1;
    for (std::size_t a = 0; a < program.size(); ++a) {
        if ((program[a] & kAbsent) != 0) {
            continue;
        }
        if (a != expected) {
            out += '\n';
        }
        expected = a + 1;
        const EnhancedDecoded& d = decoded[a];
        const auto address = static_cast<std::int64_t>(a);
        // After a skip, the next instruction may not run: no pause in the text.
        bool emptyAfter = d.stop && address != skipFollow;
        if (d.retlw) {
            emptyAfter = address != skipFollow && address != retlwFollow;
            retlwFollow = address + 1;
        }
        if (d.skip) {
            skipFollow = address + 1;
        }

        if (a == 0) {
            out += kLabelIndent + "START\n";
        }
        if (a == kInterruptVector && interruptNamed) {
            out += kLabelIndent + "INT\n";
        }
        if (labelled[a]) {
            out += kLabelIndent + enhancedLabel(static_cast<std::uint16_t>(a)) + '\n';
        }

        out += ' ';
        appendHex(out, static_cast<unsigned>(a), 4);
        out += ' ';
        appendHex(out, program[a] & 0x3FFF, 4);
        out += "        ";
        appendInstruction(out, d.mnemonic, d.operands, {}, d.comment);
        if (emptyAfter) {
            out += '\n';
        }
    }

    const auto ids = configArea.first(std::min(configArea.size(), kIdWords));
    if (anyPresent(ids)) {
        out += '\n';
        appendRows(out, "ID", kIdBase, ids, kIdWords, 4);
    }
    if (configArea.size() > kFirstConfig && anyPresent(configArea.subspan(kFirstConfig))) {
        out += '\n';
        for (std::size_t n = kFirstConfig; n < configArea.size(); ++n) {
            if ((configArea[n] & kAbsent) != 0) {
                continue;
            }
            out += "; CONFIG" + std::to_string(n - kFirstConfig + 1) + " (0x";
            appendHex(out, kIdBase + static_cast<unsigned>(n), 4);
            out += ") = 0x";
            appendHex(out, configArea[n] & 0x3FFF, 4);
            out += '\n';
        }
    }
    if (anyPresent(eeprom)) {
        out += '\n';
        appendRows(out, "EEPROM", kEepromBase, eeprom, 16, 2);
    }
    out += "end of file\n";
    return out;
}

}  // namespace pk
