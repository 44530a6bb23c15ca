#include "viewers/baseline_listing.h"

#include <vector>

#include "viewers/isa/baseline12.h"
#include "viewers/listing_text.h"

namespace pk {

using listing::appendHex;
using listing::appendInstruction;

namespace {

// Every baseline chip's configuration word sits here in the HEX file.
constexpr unsigned kConfigAddress = 0xFFF;

const std::string kLabelIndent(12, ' ');

bool present(std::uint16_t word) {
    return (word & 0x8000) == 0;
}

}  // namespace

std::string baselineListing(std::span<const std::uint16_t> program, std::uint32_t resetVector,
                            std::span<const std::uint16_t> ids, std::optional<std::uint16_t> config,
                            const std::string& heading) {
    // First the targets: a label may stand before the word that jumps to it.
    std::vector<bool> labelled(program.size(), false);
    for (std::uint16_t word : program) {
        if (!present(word)) {
            continue;
        }
        const BaselineDecoded d = decodeBaseline(word);
        // A target past the chip's memory gets no label (gpdasm shows such a word as dw).
        if ((d.call || d.jump) && d.target < program.size()) {
            labelled[d.target] = true;
        }
    }

    std::string out;
    out.reserve(program.size() * 48 + 256);
    out += "PIC-Assembler-Listing by Velmor 2001\n\n";
    out += heading;
    out += "\n\n Adr. Code Marke  Mnemonic  \n================================\n";

    bool gap = false;
    std::int64_t skipFollow = -1;  // address after the latest skip instruction
    std::int64_t retlwFollow = -1;
    for (std::size_t addr = 0; addr < program.size(); ++addr) {
        if (!present(program[addr])) {
            gap = true;
            continue;
        }
        const unsigned word = program[addr] & 0xFFF;
        BaselineDecoded d = decodeBaseline(static_cast<std::uint16_t>(word));
        const auto at = static_cast<std::int64_t>(addr);
        // After a skip, the next instruction may not run: no pause in the text.
        bool emptyAfter = d.stop && at != skipFollow;
        if (d.retlw) {
            emptyAfter = at != skipFollow && at != retlwFollow;
            retlwFollow = at + 1;
        }
        if (d.skip) {
            skipFollow = at + 1;
        }
        if (addr == resetVector && d.mnemonic == "MOVLW") {
            d.comment = "OSCCAL-Kalibrierwert (MOVLW)";
        }

        if (gap) {
            out += '\n';
            gap = false;
        }
        if (addr == 0) {
            out += kLabelIndent + "START\n";
        }
        if (labelled[addr]) {
            out += kLabelIndent + baselineLabel(static_cast<std::uint16_t>(addr)) + '\n';
        }
        out += ' ';
        appendHex(out, static_cast<unsigned>(addr), 4);
        out += ' ';
        appendHex(out, word, 4);
        out += "        ";
        appendInstruction(out, d.mnemonic, d.operands, {}, d.comment);
        if (emptyAfter) {
            out += '\n';
        }
    }

    bool anyId = false;
    for (std::uint16_t id : ids) {
        anyId = anyId || present(id);
    }
    if (anyId) {
        // "; ID 0x0200: 001 --- 00A 00F"
        out += "\n; ID 0x";
        appendHex(out, static_cast<unsigned>(program.size()), 4);
        out += ':';
        for (std::uint16_t id : ids) {
            out += ' ';
            if (present(id)) {
                appendHex(out, id & 0xFFF, 3);
            } else {
                out += "---";
            }
        }
        out += '\n';
    }
    if (config && present(*config)) {
        out += "\n; CONFIG (0x";
        appendHex(out, kConfigAddress, 4);
        out += ") = 0x";
        appendHex(out, *config & 0xFFF, 3);
        out += '\n';
    }
    out += "end of file\n";
    return out;
}

}  // namespace pk
