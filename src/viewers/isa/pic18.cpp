#include "viewers/isa/pic18.h"

#include <array>

#include "viewers/listing_text.h"

namespace pk {
namespace {

using listing::appendHex;

// The program counter has 21 bits: a relative branch past either end comes round.
constexpr std::uint32_t kPcMask = 0x1FFFFF;

// How an instruction's operands sit in its word(s).
enum class Form {
    None,
    FileDestAccess,  // ffff ffff, d in bit 9, a in bit 8
    FileAccess,      // ffff ffff, a in bit 8
    FileBitAccess,   // ffff ffff, bit number in bits 11..9, a in bit 8
    Relative8,       // signed 8-bit word offset
    Relative11,      // signed 11-bit word offset
    Call,            // s in bit 8, 20-bit word address over both words
    Goto,            // 20-bit word address over both words
    Movff,           // 12-bit source, 12-bit destination in the second word
    Lfsr,            // FSR number in bits 5..4, 12-bit literal over both words
    Fast,            // s in bit 0
    Literal8,
    Literal4,
    Continuation,  // 1111 xxxx xxxx xxxx alone: the chip runs it as a NOP
};

enum Flag : unsigned { kSkip = 1, kStop = 2, kRetlw = 4 };

struct Opcode {
    std::uint16_t mask;
    std::uint16_t value;
    std::string_view mnemonic;
    Form form;
    unsigned flags = 0;
};

// The standard instruction set; the extended one (ADDFSR and the like) runs only
// with XINST set and is left to show as data. No two rows match the same word.
constexpr std::array kOpcodes{
    // Byte-oriented, with destination.
    Opcode{0xFC00, 0x2400, "ADDWF", Form::FileDestAccess},
    Opcode{0xFC00, 0x2000, "ADDWFC", Form::FileDestAccess},
    Opcode{0xFC00, 0x1400, "ANDWF", Form::FileDestAccess},
    Opcode{0xFC00, 0x1C00, "COMF", Form::FileDestAccess},
    Opcode{0xFC00, 0x0400, "DECF", Form::FileDestAccess},
    Opcode{0xFC00, 0x2C00, "DECFSZ", Form::FileDestAccess, kSkip},
    Opcode{0xFC00, 0x4C00, "DCFSNZ", Form::FileDestAccess, kSkip},
    Opcode{0xFC00, 0x2800, "INCF", Form::FileDestAccess},
    Opcode{0xFC00, 0x3C00, "INCFSZ", Form::FileDestAccess, kSkip},
    Opcode{0xFC00, 0x4800, "INFSNZ", Form::FileDestAccess, kSkip},
    Opcode{0xFC00, 0x1000, "IORWF", Form::FileDestAccess},
    Opcode{0xFC00, 0x5000, "MOVF", Form::FileDestAccess},
    Opcode{0xFC00, 0x3400, "RLCF", Form::FileDestAccess},
    Opcode{0xFC00, 0x4400, "RLNCF", Form::FileDestAccess},
    Opcode{0xFC00, 0x3000, "RRCF", Form::FileDestAccess},
    Opcode{0xFC00, 0x4000, "RRNCF", Form::FileDestAccess},
    Opcode{0xFC00, 0x5400, "SUBFWB", Form::FileDestAccess},
    Opcode{0xFC00, 0x5C00, "SUBWF", Form::FileDestAccess},
    Opcode{0xFC00, 0x5800, "SUBWFB", Form::FileDestAccess},
    Opcode{0xFC00, 0x3800, "SWAPF", Form::FileDestAccess},
    Opcode{0xFC00, 0x1800, "XORWF", Form::FileDestAccess},
    // Byte-oriented, without destination.
    Opcode{0xFE00, 0x6A00, "CLRF", Form::FileAccess},
    Opcode{0xFE00, 0x6200, "CPFSEQ", Form::FileAccess, kSkip},
    Opcode{0xFE00, 0x6400, "CPFSGT", Form::FileAccess, kSkip},
    Opcode{0xFE00, 0x6000, "CPFSLT", Form::FileAccess, kSkip},
    Opcode{0xFE00, 0x6E00, "MOVWF", Form::FileAccess},
    Opcode{0xFE00, 0x0200, "MULWF", Form::FileAccess},
    Opcode{0xFE00, 0x6C00, "NEGF", Form::FileAccess},
    Opcode{0xFE00, 0x6800, "SETF", Form::FileAccess},
    Opcode{0xFE00, 0x6600, "TSTFSZ", Form::FileAccess, kSkip},
    Opcode{0xF000, 0xC000, "MOVFF", Form::Movff},
    // Bit-oriented.
    Opcode{0xF000, 0x9000, "BCF", Form::FileBitAccess},
    Opcode{0xF000, 0x8000, "BSF", Form::FileBitAccess},
    Opcode{0xF000, 0xB000, "BTFSC", Form::FileBitAccess, kSkip},
    Opcode{0xF000, 0xA000, "BTFSS", Form::FileBitAccess, kSkip},
    Opcode{0xF000, 0x7000, "BTG", Form::FileBitAccess},
    // Control.
    Opcode{0xFF00, 0xE200, "BC", Form::Relative8},
    Opcode{0xFF00, 0xE600, "BN", Form::Relative8},
    Opcode{0xFF00, 0xE300, "BNC", Form::Relative8},
    Opcode{0xFF00, 0xE700, "BNN", Form::Relative8},
    Opcode{0xFF00, 0xE500, "BNOV", Form::Relative8},
    Opcode{0xFF00, 0xE100, "BNZ", Form::Relative8},
    Opcode{0xFF00, 0xE400, "BOV", Form::Relative8},
    Opcode{0xFF00, 0xE000, "BZ", Form::Relative8},
    Opcode{0xF800, 0xD000, "BRA", Form::Relative11, kStop},
    Opcode{0xF800, 0xD800, "RCALL", Form::Relative11},
    Opcode{0xFE00, 0xEC00, "CALL", Form::Call},
    Opcode{0xFF00, 0xEF00, "GOTO", Form::Goto, kStop},
    Opcode{0xFFFF, 0x0004, "CLRWDT", Form::None},
    Opcode{0xFFFF, 0x0007, "DAW", Form::None},
    Opcode{0xFFFF, 0x0000, "NOP", Form::None},
    Opcode{0xF000, 0xF000, "NOP", Form::Continuation},
    Opcode{0xFFFF, 0x0006, "POP", Form::None},
    Opcode{0xFFFF, 0x0005, "PUSH", Form::None},
    Opcode{0xFFFF, 0x00FF, "RESET", Form::None, kStop},
    Opcode{0xFFFE, 0x0010, "RETFIE", Form::Fast, kStop},
    Opcode{0xFF00, 0x0C00, "RETLW", Form::Literal8, kRetlw},
    Opcode{0xFFFE, 0x0012, "RETURN", Form::Fast, kStop},
    Opcode{0xFFFF, 0x0003, "SLEEP", Form::None, kStop},
    // Literal.
    Opcode{0xFF00, 0x0F00, "ADDLW", Form::Literal8},
    Opcode{0xFF00, 0x0B00, "ANDLW", Form::Literal8},
    Opcode{0xFF00, 0x0900, "IORLW", Form::Literal8},
    Opcode{0xFFC0, 0xEE00, "LFSR", Form::Lfsr},
    Opcode{0xFFF0, 0x0100, "MOVLB", Form::Literal4},
    Opcode{0xFF00, 0x0E00, "MOVLW", Form::Literal8},
    Opcode{0xFF00, 0x0D00, "MULLW", Form::Literal8},
    Opcode{0xFF00, 0x0800, "SUBLW", Form::Literal8},
    Opcode{0xFF00, 0x0A00, "XORLW", Form::Literal8},
    // Table reads and writes.
    Opcode{0xFFFF, 0x0008, "TBLRD*", Form::None},
    Opcode{0xFFFF, 0x0009, "TBLRD*+", Form::None},
    Opcode{0xFFFF, 0x000A, "TBLRD*-", Form::None},
    Opcode{0xFFFF, 0x000B, "TBLRD+*", Form::None},
    Opcode{0xFFFF, 0x000C, "TBLWT*", Form::None},
    Opcode{0xFFFF, 0x000D, "TBLWT*+", Form::None},
    Opcode{0xFFFF, 0x000E, "TBLWT*-", Form::None},
    Opcode{0xFFFF, 0x000F, "TBLWT+*", Form::None},
};

bool isSecondWord(std::uint16_t word) {
    return (word & 0xF000) == 0xF000;
}

void appendRegister(std::string& out, unsigned word) {
    out += "0x";
    appendHex(out, word & 0xFF, 2);
}

void appendAccess(std::string& out, unsigned word) {
    out += (word & 0x100) != 0 ? ",B" : ",A";
}

void setLiteral(P18Decoded& d, unsigned literal) {
    appendHex(d.operands, literal, 2);
    d.operands += 'h';
    // Printable characters, as the 14-bit listing marks them.
    if (literal >= 0x30 && literal <= 0x7F) {
        d.comment = {'\'', static_cast<char>(literal), '\''};
    }
}

void setTarget(P18Decoded& d, std::uint32_t target) {
    d.target = target & kPcMask;
    d.operands += p18Label(*d.target);
}

// Sign-extends the low `bits` bits.
int signedField(unsigned word, int bits) {
    const int value = static_cast<int>(word & ((1u << bits) - 1));
    return value >= (1 << (bits - 1)) ? value - (1 << bits) : value;
}

bool twoWords(Form f) {
    return f == Form::Call || f == Form::Goto || f == Form::Movff || f == Form::Lfsr;
}

}  // namespace

std::string p18Label(std::uint32_t address) {
    std::string s = "M";
    appendHex(s, address, 6);
    return s;
}

P18Decoded decodeP18(std::uint16_t word, std::optional<std::uint16_t> next, std::uint32_t address) {
    P18Decoded d;
    const Opcode* op = nullptr;
    for (const Opcode& o : kOpcodes) {
        if ((word & o.mask) == o.value) {
            op = &o;
            break;
        }
    }
    // A two-word instruction without its 1111 second word is no instruction.
    if (op == nullptr || (twoWords(op->form) && !(next && isSecondWord(*next)))) {
        d.mnemonic = "DW";
        d.operands = "0x";
        appendHex(d.operands, word, 4);
        return d;
    }
    d.mnemonic = op->mnemonic;
    d.skip = (op->flags & kSkip) != 0;
    d.stop = (op->flags & kStop) != 0;
    d.retlw = (op->flags & kRetlw) != 0;
    const unsigned second = next.value_or(0) & 0x0FFF;
    const std::uint32_t following = address + 2;
    switch (op->form) {
        case Form::None:
            break;
        case Form::FileDestAccess:
            appendRegister(d.operands, word);
            d.operands += (word & 0x200) != 0 ? ",F" : ",W";
            appendAccess(d.operands, word);
            break;
        case Form::FileAccess:
            appendRegister(d.operands, word);
            appendAccess(d.operands, word);
            break;
        case Form::FileBitAccess:
            appendRegister(d.operands, word);
            d.operands += ',';
            d.operands += static_cast<char>('0' + ((word >> 9) & 7));
            appendAccess(d.operands, word);
            break;
        case Form::Relative8:
            setTarget(d, following + static_cast<std::uint32_t>(2 * signedField(word, 8)));
            break;
        case Form::Relative11:
            setTarget(d, following + static_cast<std::uint32_t>(2 * signedField(word, 11)));
            break;
        case Form::Call:
        case Form::Goto:
            setTarget(d, ((second << 8) | (word & 0xFFu)) * 2);
            if (op->form == Form::Call && (word & 0x100) != 0) {
                d.operands += ",FAST";
            }
            d.words = 2;
            break;
        case Form::Movff:
            d.operands = "0x";
            appendHex(d.operands, word & 0xFFF, 3);
            d.operands += ",0x";
            appendHex(d.operands, second, 3);
            d.words = 2;
            break;
        case Form::Lfsr:
            d.operands = static_cast<char>('0' + ((word >> 4) & 3));
            d.operands += ",0x";
            appendHex(d.operands, ((word & 0xFu) << 8) | (second & 0xFFu), 3);
            d.words = 2;
            break;
        case Form::Fast:
            if ((word & 1) != 0) {
                d.operands = "FAST";
            }
            break;
        case Form::Literal8:
            setLiteral(d, word & 0xFF);
            break;
        case Form::Literal4:
            setLiteral(d, word & 0x0F);
            break;
        case Form::Continuation:
            d.comment = "second word";
            break;
    }
    return d;
}

}  // namespace pk
