#include "viewers/isa/midrange14.h"

#include <utility>

#include "viewers/listing_text.h"

namespace pk {
namespace {

using listing::appendHex;

std::string hex(unsigned value, int digits) {
    std::string s;
    appendHex(s, value, digits);
    return s;
}

// Byte-oriented instructions with a destination, by bits 13..8 (0x02..0x0F).
constexpr const char* kByteOps[16] = {
    nullptr, nullptr, "SUBWF", "DECF",   "IORW", "ANDWF", "XORWF", "ADDWF",
    "MOVF",  "COMF",  "INCF",  "DECFSZ", "RRF",  "RLF",   "SWAPF", "INCFSZ",
};

constexpr const char* kStatusBits[8] = {"C", "DC", "Z", "-PD", "-TO", "RP0", "RP1", "IRP"};
constexpr const char* kIntconBits[8] = {"RBIF", "INTF", "T0IF", "RBIE",
                                        "INTE", "T0IE", "EEIE", "GIE"};

void setRegister(DecodedWord& d, unsigned word) {
    RegisterName r = registerName(word & 0x7F);
    d.operand1 = std::move(r.operand);
    d.comment += r.comment;
}

void setLiteral(DecodedWord& d, std::string_view mnemonic, unsigned word) {
    const unsigned literal = word & 0xFF;
    d.mnemonic = mnemonic;
    d.operand1 = hex(literal, 2);
    d.operand1 += 'h';
    if (literal >= 0x30 && literal <= 0x7F) {
        d.comment = {'\'', static_cast<char>(literal), '\'', ' '};
    }
}

void decodeGroup0(DecodedWord& d, unsigned word) {
    const unsigned low = word & 0xFF;
    if (low >= 0x80) {
        d.mnemonic = "MOVWF";
        setRegister(d, word);
        return;
    }
    switch (low) {
        case 0x00:
        case 0x20:
        case 0x40:
        case 0x60:
            d.mnemonic = "NOP";
            break;
        case 0x08:
            d.mnemonic = "RETURN";
            d.stop = true;
            break;
        case 0x09:
            d.mnemonic = "RETFIE";
            d.stop = true;
            break;
        case 0x63:
            d.mnemonic = "SLEEP";
            d.stop = true;
            break;
        case 0x64:
            d.mnemonic = "CLRWDT";
            break;
        default:
            d.mnemonic = "ERROR";
            break;
    }
}

}  // namespace

RegisterName registerName(unsigned reg) {
    reg &= 0x7F;
    RegisterName r;
    switch (reg) {
        case 0x01:
            r.comment = "TMR0/OPTION ";
            break;
        case 0x02:
            r.operand = "PCL";
            break;
        case 0x03:
            r.operand = "STATUS";
            break;
        case 0x04:
            r.operand = "FSR";
            break;
        case 0x05:
            r.comment = "PORTA/TRISA ";
            break;
        case 0x06:
            r.comment = "PORTB/TRISB ";
            break;
        case 0x08:
            r.comment = "EEDATA/EECON1 ";
            break;
        case 0x09:
            r.comment = "EEADR/EECON2 ";
            break;
        case 0x0A:
            r.operand = "PCLATCH";
            break;
        case 0x0B:
            r.operand = "INTCON";
            break;
        default:
            break;
    }
    if (r.operand.empty()) {
        r.operand = "0x";
        appendHex(r.operand, reg, 2);
    }
    return r;
}

std::string_view bitName(std::string_view registerOperand, unsigned bit) {
    bit &= 7;
    if (registerOperand == "STATUS") {
        return kStatusBits[bit];
    }
    if (registerOperand == "INTCON") {
        return kIntconBits[bit];
    }
    static constexpr const char* kDigits[8] = {"0", "1", "2", "3", "4", "5", "6", "7"};
    return kDigits[bit];
}

DecodedWord decodeWord(std::uint16_t word16) {
    const unsigned word = word16 & 0x3FFF;
    const unsigned group = (word & 0x3F00) >> 8;
    DecodedWord d;
    if (group == 0x00) {
        decodeGroup0(d, word);
    } else if (group == 0x01) {
        if ((word & 0x80) == 0) {
            d.mnemonic = "CLRW";
        } else {
            d.mnemonic = "CLRF";
            setRegister(d, word);
        }
    } else if (group <= 0x0F) {
        d.mnemonic = kByteOps[group];
        setRegister(d, word);
        d.operand2 = (word & 0x80) != 0 ? "f" : "w";
        d.skip = group == 0x0B || group == 0x0F;
    } else if (group <= 0x1F) {
        static constexpr const char* kBitOps[4] = {"BCF", "BSF", "BTFSC", "BTFSS"};
        d.mnemonic = kBitOps[(group - 0x10) / 4];
        setRegister(d, word);
        d.operand2 = bitName(d.operand1, (word >> 7) & 7);
        d.skip = group >= 0x18;
    } else if (group <= 0x2F) {
        d.target = static_cast<std::uint16_t>(word & 0x7FF);
        d.operand1.push_back('M');
        appendHex(d.operand1, d.target, 4);
        if (group <= 0x27) {
            d.mnemonic = "CALL";
            d.call = true;
        } else {
            d.mnemonic = "GOTO";
            d.jump = true;
            d.stop = true;
        }
    } else if (group <= 0x33) {
        setLiteral(d, "MOVLW", word);
    } else if (group <= 0x37) {
        setLiteral(d, "RETLW", word);
        d.retlw = true;
    } else if (group == 0x38) {
        setLiteral(d, "IORLW", word);
    } else if (group == 0x39) {
        setLiteral(d, "ANDLW", word);
    } else if (group == 0x3A) {
        setLiteral(d, "XORLW", word);
    } else if (group == 0x3B) {
        setLiteral(d, "?????", word);
    } else if (group <= 0x3D) {
        setLiteral(d, "SUBLW", word);
    } else {
        setLiteral(d, "ADDLW", word);
    }
    return d;
}

}  // namespace pk
