#include "viewers/isa/baseline12.h"

#include <iterator>

#include "viewers/listing_text.h"

namespace pk {
namespace {

using listing::appendHex;

// Byte-oriented instructions by bits 9..6 of the words 0x080..0x3FF; the order is
// that of the 14-bit set, one bit narrower.
constexpr const char* kByteOps[16] = {
    nullptr, nullptr, "SUBWF", "DECF",   "IORWF", "ANDWF", "XORWF", "ADDWF",
    "MOVF",  "COMF",  "INCF",  "DECFSZ", "RRF",   "RLF",   "SWAPF", "INCFSZ",
};

constexpr const char* kBitOps[4] = {"BCF", "BSF", "BTFSC", "BTFSS"};

constexpr const char* kCoreFiles[5] = {"INDF", "TMR0", "PCL", "STATUS", "FSR"};

// Bits 7..5 are the page select on the 16F5x; the smaller chips put wake-up flags
// there, but the decoder does not know the chip and PA.. is what most code uses.
constexpr const char* kStatusBits[8] = {"C", "DC", "Z", "-PD", "-TO", "PA0", "PA1", "PA2"};

constexpr unsigned kFileMask = 0x1F;

void appendFile(std::string& out, unsigned file) {
    file &= kFileMask;
    if (file < std::size(kCoreFiles)) {
        out += kCoreFiles[file];
    } else {
        out += "0x";
        appendHex(out, file, 2);
    }
}

void setFile(BaselineDecoded& d, std::string_view mnemonic, unsigned word) {
    d.mnemonic = mnemonic;
    appendFile(d.operands, word);
}

void setLiteral(BaselineDecoded& d, std::string_view mnemonic, unsigned word) {
    const unsigned literal = word & 0xFF;
    d.mnemonic = mnemonic;
    appendHex(d.operands, literal, 2);
    d.operands += 'h';
    // Printable characters, as the other listings mark them.
    if (literal >= 0x30 && literal <= 0x7F) {
        d.comment = {'\'', static_cast<char>(literal), '\''};
    }
}

void setTarget(BaselineDecoded& d, std::string_view mnemonic, unsigned target) {
    d.mnemonic = mnemonic;
    d.target = static_cast<std::uint16_t>(target);
    d.operands = baselineLabel(d.target);
}

void setData(BaselineDecoded& d, unsigned word) {
    d.mnemonic = "DW";
    d.operands = "0x";
    appendHex(d.operands, word, 4);
}

// The words 0x000..0x07F: the instructions without an operand, TRIS, MOVWF, CLRW
// and CLRF. Codes no chip of the family documents are data, as gpdasm shows them;
// TRIS 0..4 too, which gpdasm calls TRIS 1 (0 is NOP): no port has a control
// register there.
void decodeLow(BaselineDecoded& d, unsigned word) {
    if (word >= 0x60) {
        setFile(d, "CLRF", word);
    } else if (word >= 0x20 && word < 0x40) {
        setFile(d, "MOVWF", word);
    } else if (word >= 0x05 && word <= 0x07) {
        setFile(d, "TRIS", word);
    } else {
        switch (word) {
            case 0x000:
                d.mnemonic = "NOP";
                break;
            case 0x002:
                d.mnemonic = "OPTION";
                break;
            case 0x003:
                d.mnemonic = "SLEEP";
                d.stop = true;
                break;
            case 0x004:
                d.mnemonic = "CLRWDT";
                break;
            case 0x040:
                d.mnemonic = "CLRW";
                break;
            default:
                setData(d, word);
                break;
        }
    }
}

}  // namespace

std::string baselineLabel(std::uint16_t address) {
    std::string s = "M";
    appendHex(s, address, 4);
    return s;
}

BaselineDecoded decodeBaseline(std::uint16_t word16) {
    const unsigned word = word16 & 0xFFF;
    BaselineDecoded d;
    switch (word >> 8) {
        case 0x0:
        case 0x1:
        case 0x2:
        case 0x3:
            if (word < 0x80) {
                decodeLow(d, word);
            } else {
                const unsigned op = (word >> 6) & 0xF;
                setFile(d, kByteOps[op], word);
                d.operands += (word & 0x20) != 0 ? ",f" : ",w";
                d.skip = op == 0xB || op == 0xF;
            }
            break;
        case 0x4:
        case 0x5:
        case 0x6:
        case 0x7: {
            setFile(d, kBitOps[(word >> 8) & 3], word);
            const unsigned bit = (word >> 5) & 7;
            d.operands += ',';
            if ((word & kFileMask) == 0x03) {
                d.operands += kStatusBits[bit];
            } else {
                d.operands += static_cast<char>('0' + bit);
            }
            d.skip = word >= 0x600;
            break;
        }
        case 0x8:
            setLiteral(d, "RETLW", word);
            d.retlw = true;
            break;
        case 0x9:
            setTarget(d, "CALL", word & 0xFF);
            d.call = true;
            break;
        case 0xA:
        case 0xB:
            setTarget(d, "GOTO", word & 0x1FF);
            d.jump = true;
            d.stop = true;
            break;
        case 0xC:
            setLiteral(d, "MOVLW", word);
            break;
        case 0xD:
            setLiteral(d, "IORLW", word);
            break;
        case 0xE:
            setLiteral(d, "ANDLW", word);
            break;
        default:
            setLiteral(d, "XORLW", word);
            break;
    }
    return d;
}

}  // namespace pk
