#pragma once
// The PIC18F serial frames on the line bus, beside the 14-bit ones of
// frames.h: every transfer is a 4-bit command followed by a 16-bit operand,
// both least significant bit first, the data line set while the clock is high
// and latched by the chip on the falling edge. Reads shift the operand's
// second byte out of the chip. A core instruction sent with command 0000 runs
// while the next command's four clocks go in, so a sequence's last
// instruction needs one more command (a NOP) behind it.
//
// Programming mode is entered VDD first and left MCLR first, through
// ProgrammingMode. The chip's PGM pin (RB5) has no line on any Korvel: while
// the LVP bit is set (always after an erase) a PGM floating high would put the
// chip into low-voltage mode, so the socket must hold it low with a pull-down;
// there is nothing the program can do about it.

#include <chrono>
#include <cstdint>

#include "link/line_bus.h"
#include "link/progmode.h"

namespace pk::p18 {

// The 4-bit commands, numbered as the data sheets print them (MSb first).
enum class Command : std::uint8_t {
    Core = 0b0000,               // execute the 16-bit operand as an instruction
    ShiftOutTablat = 0b0010,     // TABLAT out
    TableRead = 0b1000,          // TBLRD *
    TableReadPostInc = 0b1001,   // TBLRD *+
    TableReadPostDec = 0b1010,   // TBLRD *-
    TableReadPreInc = 0b1011,    // TBLRD +*
    TableWrite = 0b1100,         // TBLWT *
    TableWritePostInc = 0b1101,  // TBLWT *+2
    // Start programming and step +2 on the 18F2xx0/4xx0 family, only step -2 on
    // the others: avoided by our sequences, sent only when asked for.
    TableWrite1110 = 0b1110,
    TableWriteStart = 0b1111,  // TBLWT * and start programming
};

constexpr bool isRead(Command c) {
    return c == Command::ShiftOutTablat ||
           (static_cast<int>(c) >= 0b1000 && static_cast<int>(c) <= 0b1011);
}

// A cycle the host times with the fourth clock of a NOP: the clock held high
// for `high` (P9, programming time; zero for a plain fourth clock), then low
// for `low` (P10, or P11 + P10 after a bulk erase started on that edge) before
// the operand. The values differ by family and by what is written.
struct Hold {
    std::chrono::nanoseconds high{0};
    std::chrono::nanoseconds low{0};
};

// How far apart the clock pulses go. A 14-bit chip in the socket takes the same
// bits in its own frames, which may end at any bit of a PIC18F transfer: with
// EveryBit each clock rises no sooner after the last fall than the 14-bit
// chips' gap between frames (kFrameGap) asks.
enum class Pace { Frame, EveryBit };

// ---- Frames --------------------------------------------------------------

// One transfer: the command's 4 bits, then the 16-bit operand.
void send(LineBus& bus, Command command, std::uint16_t operand, Pace pace = Pace::Frame);
// A read command: 8 operand clocks of zeros, the data line released while the
// chip turns it around (P6, clock low), 8 clocks of the chip's byte, LSb first.
// The chip drives the line until the next command's first rising clock edge.
// Throws std::invalid_argument for a command that reads nothing.
std::uint8_t read(LineBus& bus, Command command, Pace pace = Pace::Frame);
// A NOP (command 0000, operand 0000) whose fourth clock holds as told.
void holdNop(LineBus& bus, Hold hold);

// ---- Helpers -------------------------------------------------------------

inline void core(LineBus& bus, std::uint16_t opcode) {
    send(bus, Command::Core, opcode);
}
inline void nop(LineBus& bus) {
    core(bus, 0x0000);
}
// TBLPTRU, TBLPTRH, TBLPTRL from the 22-bit address, by MOVLW / MOVWF.
void setTablePointer(LineBus& bus, std::uint32_t address);
// TBLRD *+: one byte, the pointer steps to the next.
inline std::uint8_t readPostInc(LineBus& bus) {
    return read(bus, Command::TableReadPostInc);
}
// A table write; the word's low byte goes to the even address, its high byte to
// the odd one. 1111 (and 1110 on the 18F2xx0/4xx0) needs programmingNop after it.
void tableWrite(LineBus& bus, Command command, std::uint16_t word);
// The NOP that times a write started by 1111 or by setting WR: P9 high, P10 low.
inline void programmingNop(LineBus& bus, Hold p9p10) {
    holdNop(bus, p9p10);
}
// 1111 with the last word of a buffer (or a configuration byte), then its NOP.
void writeAndProgram(LineBus& bus, std::uint16_t word, Hold p9p10);
// MOVWF TABLAT is done; a NOP, then TABLAT out. The NOP lets the move finish
// before the shift starts (the 18F2xx0/4xx0 family needs it, the others take it).
std::uint8_t shiftOutTablat(LineBus& bus);

// ---- Programming mode ----------------------------------------------------

// Clock and data low, VDD, then VPP on MCLR (the only order these chips
// document); the pauses of ProgrammingMode are far above P13 (100 ns) and P12
// (2 µs).
void enter(ProgrammingMode& mode);
// A NOP first: it takes the data line back from a chip still driving its last
// read bit, runs a pending instruction and leaves clock and data low. Then VPP
// off before VDD (MCLR falls first, P16 >= 0). A switched VDD cannot follow
// within the 100 ns of P17; the chip may then run its new code for a moment.
void leave(LineBus& bus, ProgrammingMode& mode);

// ---- Instructions the host sends (access bank, a = 0) --------------------

namespace op {

inline constexpr std::uint8_t kEecon1 = 0xA6;
inline constexpr std::uint8_t kEecon2 = 0xA7;
inline constexpr std::uint8_t kEedata = 0xA8;
inline constexpr std::uint8_t kEeadr = 0xA9;
inline constexpr std::uint8_t kEeadrh = 0xAA;
inline constexpr std::uint8_t kTablat = 0xF5;
inline constexpr std::uint8_t kTblptrL = 0xF6;
inline constexpr std::uint8_t kTblptrH = 0xF7;
inline constexpr std::uint8_t kTblptrU = 0xF8;
inline constexpr std::uint8_t kStatus = 0xD8;

// EECON1 bits.
inline constexpr int kRd = 0;
inline constexpr int kWr = 1;
inline constexpr int kWren = 2;
inline constexpr int kFree = 4;
inline constexpr int kCfgs = 6;
inline constexpr int kEepgd = 7;

inline constexpr std::uint16_t kNop = 0x0000;

constexpr std::uint16_t movlw(std::uint8_t k) {
    return static_cast<std::uint16_t>(0x0E00 | k);
}
constexpr std::uint16_t movwf(std::uint8_t f) {
    return static_cast<std::uint16_t>(0x6E00 | f);
}
constexpr std::uint16_t clrf(std::uint8_t f) {
    return static_cast<std::uint16_t>(0x6A00 | f);
}
constexpr std::uint16_t movfToW(std::uint8_t f) {
    return static_cast<std::uint16_t>(0x5000 | f);
}
constexpr std::uint16_t incf(std::uint8_t f) {
    return static_cast<std::uint16_t>(0x2A00 | f);
}
constexpr std::uint16_t bsf(std::uint8_t f, int bit) {
    return static_cast<std::uint16_t>(0x8000 | (bit << 9) | f);
}
constexpr std::uint16_t bcf(std::uint8_t f, int bit) {
    return static_cast<std::uint16_t>(0x9000 | (bit << 9) | f);
}
// GOTO in its two words; GOTO 0x100000 takes the PC out of code space before
// configuration writes, so protection bits written cannot block the rest.
constexpr std::uint16_t gotoFirst(std::uint32_t byteAddress) {
    return static_cast<std::uint16_t>(0xEF00 | ((byteAddress >> 1) & 0xFF));
}
constexpr std::uint16_t gotoSecond(std::uint32_t byteAddress) {
    return static_cast<std::uint16_t>(0xF000 | ((byteAddress >> 9) & 0x0FFF));
}

}  // namespace op

}  // namespace pk::p18
