#pragma once
// A PIC18F in high-voltage programming mode, as its serial interface behaves.
// ChipCore keeps the pins, the entry into programming mode (VDD first, clock
// and data low, VIHH), the log and the faults; once in the mode every line
// change goes here. Strict like the 14-bit models: what a real chip would get
// wrong, or what the programming data sheets forbid, goes to the violation log.
//
// clang-format off
// Frames
//   20 clocks: a 4-bit command and a 16-bit operand, both LSb first, each bit
//   latched on the falling edge (data stable 15 ns before and after it). The
//   first rising edge must come 2 µs (P12) after MCLR rose. Reads (0010,
//   1000..1011): the chip drives the data line from the rising edge of the
//   13th clock (its byte, LSb first, P14 = 10 ns after each rising edge) to
//   the first rising edge of the next command. Commands 0001, 0011..0111 are
//   logged and ignored.
// Core instructions (command 0000)
//   An instruction runs on the 4th rising edge of the next command.
//   MOVLW, IORLW, XORLW, MOVWF, CLRF, MOVF, INCF, BSF, BCF, BTFSC, GOTO (its
//   second word, or any Fxxx alone, is a NOP) and NOP, on the access bank
//   (a = 0); any other opcode is logged. SFRs: EECON1 (RD, WR, WREN, FREE,
//   CFGS, EEPGD), EECON2, EEDATA, EEADR, EEADRH (only on 1 KB EEPROMs), TABLAT,
//   TBLPTRU/H/L, STATUS (C from INCF). On the 18F2xx0/4xx0, 0010 directly after
//   MOVWF TABLAT shifts the old TABLAT out (logged): a NOP must come between.
// Table reads and writes
//   1000 *, 1001 *+, 1010 *-, 1011 +*; 1100 *, 1101 *+2, 1110 (18F2xx0/4xx0:
//   start programming and +2; the others: -2), 1111 start programming. A
//   write puts the operand's low byte at the even address, the high byte at
//   the odd one: into the write buffer (TBLPTR modulo its size; loads for
//   another buffer region than the first are logged), into 0x3C0004/5/6, or
//   with CFGS set into the one configuration byte latched for programming.
//   Reads: flash (0 in a code-protected block and above the end), IDs at
//   0x200000, configuration at 0x300000 (unimplemented bits 0), device ID at
//   0x3FFFFE/F, 0 elsewhere.
// Cycles the host times
//   After 1111 (or the 18F2xx0/4xx0's WR with FREE) the next command's 4th
//   clock must stay high for P9 (1 ms; shorter: logged, nothing written) and
//   the clock low for P10 after it. Programming ANDs the buffer into the
//   aligned region (flash or IDs; a 0 bit that would have to become 1 is
//   logged once per cycle); FREE makes it a 64-byte row erase; CFGS writes the
//   latched configuration byte (overwrite under the mask, ignored once WRTC =
//   0). The buffer reads all ones afterwards. Blocks with WRTx or CPx = 0 take
//   no writes or row erases.
// Self-timed cycles
//   Bulk erase: a write of 0x3C0004 with bit 7 (and 0x3C0005 before it on the
//   18F2xx0/4xx0) arms it; it starts on the 4th falling edge of the command
//   after the next instruction and lasts P11 (5 ms): a clock edge before P11 +
//   P10 have passed, or a data line high before P11, is logged. Codes the part
//   does not know are logged and erase nothing. An erased block also gets its
//   protection bits back. WR on the data EEPROM (WREN; 55h/AAh in EECON2 on
//   the 18Fxx2 and 18Fx220) writes EEDATA in 4 ms (18F2xx0/4xx0) or 5 ms, WR
//   readable as 1 meanwhile; the older two erase a row the same way in P11.
//   Clocks may run meanwhile; a table access or another WR is logged.
// Faults (ChipCore's): bad cell (writes ignored), stuck cell (erases
// ignored), misread, flaky and no bulk erase, with addresses in the table
// pointer's space and the data EEPROM at 0xF00000 + n.
// clang-format on

#include <array>
#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "sim/chip_core.h"
#include "sim/families/p18.h"

namespace pk::sim {

// p18_chip.cpp runs the frames and the core instructions; p18_memory.cpp holds
// the memories, the cycles that write them and the table accesses.
class P18Chip {
  public:
    P18Chip(ChipCore& core, const P18Part& part);

    const P18Part& part() const { return part_; }

    // Stored contents, ignoring protection: flash bytes, IDs, configuration
    // bytes (as read), device ID, data EEPROM byte n at kP18Eeprom + n; 0
    // elsewhere. setByte ignores the device ID and addresses without memory.
    std::uint8_t byte(std::uint32_t address) const;
    void setByte(std::uint32_t address, std::uint8_t value);
    void eraseAll();
    // Flash, IDs, configuration and data EEPROM in one list, to tell whether anything changed.
    std::vector<std::uint8_t> contents() const;
    std::uint32_t tablePointer() const;

    // ---- From ChipCore ------------------------------------------------------
    void entered(std::chrono::nanoseconds now);
    void left(std::chrono::nanoseconds now);
    void lines(const ChipPins& before, const ChipPins& pins, std::chrono::nanoseconds now);

  private:
    enum class Timed { None, Program, RowErase, Config };
    enum class Busy { None, Eeprom, RowErase };

    void violation(std::chrono::nanoseconds now, const std::string& text);
    void edge(bool rising, bool data, std::chrono::nanoseconds now);
    void rising(std::chrono::nanoseconds now);
    void falling(bool data, std::chrono::nanoseconds now);
    void decode(std::chrono::nanoseconds now);
    void operandDone(std::uint16_t operand, std::chrono::nanoseconds now);
    void settle(std::chrono::nanoseconds now);
    bool busy(std::chrono::nanoseconds now, const char* what, bool flashOnly);

    // Core instructions and registers.
    void execute(std::uint16_t op, std::chrono::nanoseconds now);
    std::uint8_t reg(std::uint8_t f) const;
    void setReg(std::uint8_t f, std::uint8_t v, std::chrono::nanoseconds now);
    void setTablePointer(std::uint32_t a);
    bool eecon1(int bit) const { return ((access_[0xA6] >> bit) & 1) != 0; }
    void startWr(std::chrono::nanoseconds now);
    void clearWr();
    int eepromAddress() const;

    // Table accesses.
    std::uint8_t tableRead(std::uint32_t a);
    void tableWrite(int code, std::uint16_t operand, std::chrono::nanoseconds now);
    void finishTimed(std::chrono::nanoseconds now);
    void programBuffer(std::uint32_t at, std::chrono::nanoseconds now);
    void writeConfig(std::uint32_t at, std::chrono::nanoseconds now);
    void rowErase(std::uint32_t at, std::chrono::nanoseconds now);
    void startBulkErase(std::chrono::nanoseconds now);
    void erase(std::uint16_t clears);

    // Protection, from the configuration bytes (a bit is active when 0).
    bool configBitClear(int index, int bit) const;
    int blockOf(std::uint32_t a) const;  // -1: boot block
    bool readProtected(std::uint32_t a) const;
    bool writeProtected(std::uint32_t a) const;
    bool bad(std::uint32_t a) const;
    bool stuck(std::uint32_t a) const;

    ChipCore& core_;
    const P18Part& part_;
    const P18Scheme& scheme_;

    std::vector<std::uint8_t> flash_;
    std::vector<std::uint8_t> eeprom_;
    std::array<std::uint8_t, kP18IdBytes> ids_{};
    std::array<std::uint8_t, kP18ConfigBytes> config_{};

    // Registers: the access bank (0x00..0x5F RAM, 0x60..0xFF the SFRs at 0xF60..0xFFF).
    std::array<std::uint8_t, 256> access_{};
    std::uint8_t w_ = 0;
    std::uint8_t eraseLow_ = 0;
    std::uint8_t eraseHigh_ = 0;
    std::uint8_t panel_ = 0;

    // Serial state of the transfer under way.
    int rises_ = 0;
    int falls_ = 0;
    int code_ = 0;
    std::uint32_t shift_ = 0;
    bool reading_ = false;
    std::uint8_t readByte_ = 0;
    std::chrono::nanoseconds entry_{0};
    bool firstEdge_ = true;
    std::optional<std::chrono::nanoseconds> lastFall_;

    // The instruction pipeline.
    std::optional<std::uint16_t> pending_;
    bool gotoSecond_ = false;
    bool skipNext_ = false;
    int unlock_ = 0;            // 1: 55h in EECON2, 2: then AAh
    bool tablatMoved_ = false;  // the instruction run in this command's clocks wrote TABLAT
    std::uint8_t staleTablat_ = 0;

    // Write buffer and configuration latch.
    std::vector<std::uint8_t> buffer_;
    std::optional<std::uint32_t> bufferRegion_;
    std::optional<std::uint8_t> configLatch_;

    // A cycle the host times: armed by 1111, running while the 4th clock is high.
    Timed armed_ = Timed::None;
    std::uint32_t armedAt_ = 0;
    Timed timed_ = Timed::None;
    std::uint32_t timedAt_ = 0;
    bool timedByWr_ = false;
    std::chrono::nanoseconds timedStart_{0};
    std::optional<std::chrono::nanoseconds> lowUntil_;  // P10

    // Bulk erase: armed, ready (its instruction ran), running until eraseEnd_.
    bool eraseArmed_ = false;
    bool eraseReady_ = false;
    std::optional<std::chrono::nanoseconds> eraseEnd_;
    bool eraseClockLogged_ = false;
    bool eraseDataLogged_ = false;

    // Self-timed WR cycles.
    Busy busy_ = Busy::None;
    std::chrono::nanoseconds busyUntil_{0};
};

}  // namespace pk::sim
