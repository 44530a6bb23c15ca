#include "viewers/reassembler.h"

#include <algorithm>

#include "viewers/isa/midrange14.h"
#include "viewers/listing_text.h"

namespace pk {

using listing::appendHex;
using listing::appendInstruction;

std::string Reassembler::run(const MemoryImage& image, std::int32_t progLastAddr) {
    ListingWords = image.HexWords;
    InterruptLabel = false;
    // Program memory ends at 0x1FFF whatever the caller claims.
    const std::int32_t lastAddr = std::min<std::int32_t>(progLastAddr, 0x1FFF);

    std::string out;
    out.reserve(static_cast<std::size_t>(std::max(lastAddr + 1, 0)) * 48 + 256);
    PassState state;
    // The first pass only sets the label marks of forward targets; its text is
    // thrown away. The gap flag deliberately survives into the second pass.
    pass(out, image.HexFileName, lastAddr, state);
    out.clear();
    pass(out, image.HexFileName, lastAddr, state);
    return out;
}

void Reassembler::pass(std::string& out, const std::string& fileName, std::int32_t lastAddr,
                       PassState& state) {
    out += "PIC-Assembler-Listing by Velmor 2001\n\n";
    out += fileName;
    out += "\n\n Adr. Code Marke  Mnemonic  \n================================\n";

    for (std::int32_t addr = 0; addr <= lastAddr; ++addr) {
        const std::uint16_t entry = ListingWords[static_cast<std::size_t>(addr)];
        if ((entry & 0x8000) != 0) {
            state.gap = true;
            continue;
        }
        const DecodedWord d = decodeWord(entry);

        bool emptyAfter = false;
        if (d.skip) {
            state.skipFollow = addr + 1;
        }
        if (d.call || d.jump) {
            ListingWords[d.target] |= LabelMark;
            if (d.jump && addr < 4 && d.target > 4) {
                InterruptLabel = true;
            }
        }
        if (d.stop && addr != state.skipFollow) {
            emptyAfter = true;
        }
        if (d.retlw) {
            if (addr != state.skipFollow && addr != state.retlwFollow) {
                emptyAfter = true;
            }
            state.retlwFollow = addr + 1;
        }

        if (state.gap) {
            out += '\n';
            state.gap = false;
        }

        // Re-read the entry: a CALL or GOTO to its own address has just marked it.
        const bool marked = (ListingWords[static_cast<std::size_t>(addr)] & LabelMark) != 0;
        if (addr == 0) {
            out += "            START\n";
        } else if (addr == 4) {
            if (InterruptLabel) {
                out += "            INT\n";
            }
        } else if (marked) {
            out += "            M";
            appendHex(out, static_cast<unsigned>(addr), 4);
            out += '\n';
        }

        out += ' ';
        appendHex(out, static_cast<unsigned>(addr), 4);
        out += ' ';
        appendHex(out, entry & 0x3FFF, 4);
        out += "        ";
        appendInstruction(out, d.mnemonic, d.operand1, d.operand2, d.comment);
        if (emptyAfter) {
            out += '\n';
        }
    }
    out += "end of file\n";
}

std::string reassemble(const MemoryImage& image, std::int32_t progLastAddr) {
    Reassembler r;
    return r.run(image, progLastAddr);
}

}  // namespace pk
