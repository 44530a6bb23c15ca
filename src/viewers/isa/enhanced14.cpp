#include "viewers/isa/enhanced14.h"

#include <array>

#include "viewers/listing_text.h"

namespace pk {
namespace {

using listing::appendHex;

// The program counter has 15 bits: a relative branch past either end comes round.
constexpr std::uint16_t kPcMask = 0x7FFF;

// How an instruction's operands sit in its word.
enum class Form {
    None,
    FileDest,        // fffffff, d in bit 7
    File,            // fffffff
    FileBit,         // fffffff, bit number in bits 9..7
    Absolute11,      // CALL/GOTO: bits 10..0 of the target
    Relative9,       // BRA: signed 9-bit word offset from the next word
    Literal8,        //
    Literal7,        // MOVLP
    Literal5,        // MOVLB
    AddFsr,          // FSR number in bit 6, signed 6-bit literal
    IndirectStep,    // MOVIW/MOVWI: FSR number in bit 2, the step in bits 1..0
    IndirectOffset,  // MOVIW/MOVWI k[FSRn]: FSR number in bit 6, signed 6-bit offset
    Tris,            // port number in bits 2..0
};

enum Flag : unsigned { kSkip = 1, kStop = 2, kRetlw = 4, kCall = 8, kJump = 16 };

struct Opcode {
    std::uint16_t mask;
    std::uint16_t value;
    std::string_view mnemonic;
    Form form;
    unsigned flags = 0;
    std::string_view comment = {};
};

// The first row that matches a word decodes it.
constexpr std::array kOpcodes{
    // Control and the indirect moves with a step, bits 13..7 clear.
    Opcode{0x3FFF, 0x0000, "NOP", Form::None},
    // The mid-range NOP codes that MOVLB left over; gpdasm still reads them so.
    Opcode{0x3FFF, 0x0040, "NOP", Form::None},
    Opcode{0x3FFF, 0x0060, "NOP", Form::None},
    Opcode{0x3FFF, 0x0001, "RESET", Form::None, kStop},
    Opcode{0x3FFF, 0x0008, "RETURN", Form::None, kStop},
    Opcode{0x3FFF, 0x0009, "RETFIE", Form::None, kStop},
    Opcode{0x3FFF, 0x000A, "CALLW", Form::None, 0, "Aufruf PCLATH:W"},
    Opcode{0x3FFF, 0x000B, "BRW", Form::None, kStop, "Sprung um W"},
    Opcode{0x3FF8, 0x0010, "MOVIW", Form::IndirectStep},
    Opcode{0x3FF8, 0x0018, "MOVWI", Form::IndirectStep},
    Opcode{0x3FE0, 0x0020, "MOVLB", Form::Literal5},
    Opcode{0x3FFF, 0x0062, "OPTION", Form::None, 0, "W nach OPTION_REG"},
    Opcode{0x3FFF, 0x0063, "SLEEP", Form::None, kStop},
    Opcode{0x3FFF, 0x0064, "CLRWDT", Form::None},
    // After CLRWDT, which takes 0x0064: TRIS is 0x0065..0x0067.
    Opcode{0x3FFC, 0x0064, "TRIS", Form::Tris},
    // Byte-oriented.
    Opcode{0x3F80, 0x0080, "MOVWF", Form::File},
    // The two low bits of CLRW are don't-care bits on the chip.
    Opcode{0x3FFC, 0x0100, "CLRW", Form::None},
    Opcode{0x3F80, 0x0180, "CLRF", Form::File},
    Opcode{0x3F00, 0x0200, "SUBWF", Form::FileDest},
    Opcode{0x3F00, 0x0300, "DECF", Form::FileDest},
    Opcode{0x3F00, 0x0400, "IORWF", Form::FileDest},
    Opcode{0x3F00, 0x0500, "ANDWF", Form::FileDest},
    Opcode{0x3F00, 0x0600, "XORWF", Form::FileDest},
    Opcode{0x3F00, 0x0700, "ADDWF", Form::FileDest},
    Opcode{0x3F00, 0x0800, "MOVF", Form::FileDest},
    Opcode{0x3F00, 0x0900, "COMF", Form::FileDest},
    Opcode{0x3F00, 0x0A00, "INCF", Form::FileDest},
    Opcode{0x3F00, 0x0B00, "DECFSZ", Form::FileDest, kSkip},
    Opcode{0x3F00, 0x0C00, "RRF", Form::FileDest},
    Opcode{0x3F00, 0x0D00, "RLF", Form::FileDest},
    Opcode{0x3F00, 0x0E00, "SWAPF", Form::FileDest},
    Opcode{0x3F00, 0x0F00, "INCFSZ", Form::FileDest, kSkip},
    Opcode{0x3F00, 0x3500, "LSLF", Form::FileDest},
    Opcode{0x3F00, 0x3600, "LSRF", Form::FileDest},
    Opcode{0x3F00, 0x3700, "ASRF", Form::FileDest},
    Opcode{0x3F00, 0x3B00, "SUBWFB", Form::FileDest},
    Opcode{0x3F00, 0x3D00, "ADDWFC", Form::FileDest},
    // Bit-oriented.
    Opcode{0x3C00, 0x1000, "BCF", Form::FileBit},
    Opcode{0x3C00, 0x1400, "BSF", Form::FileBit},
    Opcode{0x3C00, 0x1800, "BTFSC", Form::FileBit, kSkip},
    Opcode{0x3C00, 0x1C00, "BTFSS", Form::FileBit, kSkip},
    // Jumps and calls.
    Opcode{0x3800, 0x2000, "CALL", Form::Absolute11, kCall},
    Opcode{0x3800, 0x2800, "GOTO", Form::Absolute11, kJump | kStop},
    Opcode{0x3E00, 0x3200, "BRA", Form::Relative9, kJump | kStop},
    // Literal.
    Opcode{0x3F00, 0x3000, "MOVLW", Form::Literal8},
    Opcode{0x3F80, 0x3100, "ADDFSR", Form::AddFsr},
    Opcode{0x3F80, 0x3180, "MOVLP", Form::Literal7},
    Opcode{0x3F00, 0x3400, "RETLW", Form::Literal8, kRetlw},
    Opcode{0x3F00, 0x3800, "IORLW", Form::Literal8},
    Opcode{0x3F00, 0x3900, "ANDLW", Form::Literal8},
    Opcode{0x3F00, 0x3A00, "XORLW", Form::Literal8},
    Opcode{0x3F00, 0x3C00, "SUBLW", Form::Literal8},
    Opcode{0x3F00, 0x3E00, "ADDLW", Form::Literal8},
    Opcode{0x3F80, 0x3F00, "MOVIW", Form::IndirectOffset},
    Opcode{0x3F80, 0x3F80, "MOVWI", Form::IndirectOffset},
};

// The core registers, present at the same place in every bank.
constexpr std::array<std::string_view, 12> kCoreRegisters{
    "INDF0", "INDF1", "PCL", "STATUS", "FSR0L",  "FSR0H",
    "FSR1L", "FSR1H", "BSR", "WREG",   "PCLATH", "INTCON",
};
constexpr std::uint16_t kStatus = 0x03;
constexpr std::uint16_t kIntcon = 0x0B;
// Bits 7..5 of STATUS are not implemented and keep their number.
constexpr std::array<std::string_view, 8> kStatusBits{"C", "DC", "Z", "-PD", "-TO", "5", "6", "7"};
constexpr std::array<std::string_view, 8> kIntconBits{"IOCIF", "INTF",   "TMR0IF", "IOCIE",
                                                      "INTE",  "TMR0IE", "PEIE",   "GIE"};
constexpr std::array<std::string_view, 3> kTrisNames{"W nach TRISA", "W nach TRISB",
                                                     "W nach TRISC"};

void appendRegister(std::string& out, unsigned reg) {
    reg &= 0x7F;
    if (reg < kCoreRegisters.size()) {
        out += kCoreRegisters[reg];
    } else {
        out += "0x";
        appendHex(out, reg, 2);
    }
}

void appendBit(std::string& out, unsigned reg, unsigned bit) {
    out += ',';
    if ((reg & 0x7F) == kStatus) {
        out += kStatusBits[bit];
    } else if ((reg & 0x7F) == kIntcon) {
        out += kIntconBits[bit];
    } else {
        out += static_cast<char>('0' + bit);
    }
}

void setLiteral(EnhancedDecoded& d, unsigned literal, int digits, bool character) {
    appendHex(d.operands, literal, digits);
    d.operands += 'h';
    // Printable characters, as the other listings mark them.
    if (character && literal >= 0x30 && literal <= 0x7F) {
        d.comment = {'\'', static_cast<char>(literal), '\''};
    }
}

// Sign-extends the low `bits` bits.
int signedField(unsigned word, int bits) {
    const int value = static_cast<int>(word & ((1u << bits) - 1));
    return value >= (1 << (bits - 1)) ? value - (1 << bits) : value;
}

// A signed decimal as gpasm reads it: ".5", "-.32".
void appendSigned(std::string& out, int value) {
    if (value < 0) {
        out += '-';
    }
    out += '.';
    out += std::to_string(value < 0 ? -value : value);
}

void appendFsr(std::string& out, unsigned n) {
    out += "FSR";
    out += static_cast<char>('0' + n);
}

void setTarget(EnhancedDecoded& d, unsigned target) {
    d.target = static_cast<std::uint16_t>(target & kPcMask);
    d.operands = enhancedLabel(*d.target);
}

}  // namespace

std::string enhancedLabel(std::uint16_t address) {
    std::string s = "M";
    appendHex(s, address, 4);
    return s;
}

EnhancedDecoded decodeEnhanced(std::uint16_t word16, std::uint16_t address) {
    const unsigned word = word16 & 0x3FFF;
    EnhancedDecoded d;
    const Opcode* op = nullptr;
    for (const Opcode& o : kOpcodes) {
        if ((word & o.mask) == o.value) {
            op = &o;
            break;
        }
    }
    if (op == nullptr) {
        d.mnemonic = "DW";
        d.operands = "0x";
        appendHex(d.operands, word, 4);
        d.comment = "kein Befehl";
        return d;
    }
    d.mnemonic = op->mnemonic;
    d.comment = op->comment;
    d.skip = (op->flags & kSkip) != 0;
    d.call = (op->flags & kCall) != 0;
    d.jump = (op->flags & kJump) != 0;
    d.stop = (op->flags & kStop) != 0;
    d.retlw = (op->flags & kRetlw) != 0;
    switch (op->form) {
        case Form::None:
            break;
        case Form::FileDest:
            appendRegister(d.operands, word);
            d.operands += (word & 0x80) != 0 ? ",f" : ",w";
            break;
        case Form::File:
            appendRegister(d.operands, word);
            break;
        case Form::FileBit:
            appendRegister(d.operands, word);
            appendBit(d.operands, word, (word >> 7) & 7);
            break;
        case Form::Absolute11:
            setTarget(d, word & 0x7FF);
            break;
        case Form::Relative9:
            setTarget(d, static_cast<unsigned>(address + 1 + signedField(word, 9)));
            break;
        case Form::Literal8:
            setLiteral(d, word & 0xFF, 2, true);
            break;
        case Form::Literal7:
            setLiteral(d, word & 0x7F, 2, false);
            break;
        case Form::Literal5:
            setLiteral(d, word & 0x1F, 2, false);
            break;
        case Form::AddFsr:
            appendFsr(d.operands, (word >> 6) & 1);
            d.operands += ',';
            appendSigned(d.operands, signedField(word, 6));
            break;
        case Form::IndirectStep: {
            const unsigned step = word & 3;  // ++FSRn, --FSRn, FSRn++, FSRn--
            const std::string_view sign = (step & 1) != 0 ? "--" : "++";
            if (step < 2) {
                d.operands += sign;
            }
            appendFsr(d.operands, (word >> 2) & 1);
            if (step >= 2) {
                d.operands += sign;
            }
            break;
        }
        case Form::IndirectOffset:
            appendSigned(d.operands, signedField(word, 6));
            d.operands += '[';
            appendFsr(d.operands, (word >> 6) & 1);
            d.operands += ']';
            break;
        case Form::Tris:
            d.operands = "0x0";
            d.operands += static_cast<char>('0' + (word & 7));
            d.comment = kTrisNames[(word & 7) - 5];
            break;
    }
    return d;
}

}  // namespace pk
