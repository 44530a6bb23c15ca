#pragma once
// A PIC16 flash chip in the programmer's socket, as its serial programming
// interface behaves in high-voltage programming mode. The model is strict on
// purpose: our program must pass against it only if it would work on a real
// chip, so every deviation from the protocol is written to the violation log.
//
// Pins: the circuit (circuit.h) calls update() after every change of VDD,
// VPP (MCLR), the clock line (RB6) or the data line (RB7), and reads dataOut()
// to learn whether the chip drives RB7.
//
// clang-format off
// Programming mode
//   VDD first: entered when VPP rises while VDD is already on (address counter
//   0). VPP first (the 16F62x, whose programming data sheet asks for it):
//   VPP rises while VDD is off, then VDD rises at least 5 µs later and enters
//   the mode. VPP first on the other families, or both rising in one step, does
//   not enter the mode (logged). Clock and data must be low when MCLR rises and
//   for at least 100 ns before (logged otherwise). In a VPP-first entry they
//   must stay low until VDD has come on: high when VPP rises, at any time
//   before VDD follows, or when it does, and the chip refuses the mode (logged)
//   and answers nothing until VPP or VDD has gone off again. A 16F62x
//   configured for the internal oscillator with MCLR disabled starts its own
//   program as soon as VDD comes on; VPP raised after that finds no
//   programming mode (logged) and the chip reads all ones. Left when VPP or VDD goes off; VDD going off while
//   VPP stays on is logged (not on the 16F62x, which sits that way before
//   entry). The first clock edge must come at least 5 µs after entry.
//
// Serial protocol
//   6-bit commands and 16-clock data frames, LSB first, every bit latched on
//   the falling clock edge. The data line must be stable 100 ns before and
//   after a latching edge: a change in the same port write as the falling edge,
//   or within 100 ns on either side, is logged. Loads take word bits 0..13 from
//   frame bits 1..14 (start and stop bit ignored). For a read the chip drives
//   RB7 from the 2nd to the 16th rising edge, word bit 0 first; each bit is on
//   the line only tdly3 (80 ns, 16F7x 200 ns) after its rising edge: a host that
//   samples earlier reads the line as it was before the edge (logged). Between the end
//   of a command or frame (its last falling edge) and the first rising edge of
//   the next at least 1 µs must pass.
//
// Commands by family (others are logged as unsupported and ignored)
//   0 Load Configuration (PC := 0x2000, then the latch), 2/3 Load Data for
//   program/data memory, 4/5 Read Data from program/data memory, 6 Increment
//   Address (0..0x1FFF wraps to 0, 0x2000..0x3FFF wraps to 0x2000), 8 Begin
//   Erase/Programming (16F7x: Begin Programming, externally timed, ended by
//   14), 24 Begin Programming Only (old AND latch; 16F84A, 16F87x, 16F62x),
//   9/11 Bulk Erase program/data memory (arm the next 8; 16F84/84A and 16F62x;
//   on the 16F7x 9 runs by itself; the 16F87x has neither), 1/7 Bulk Erase
//   Setup 1/2 (arm the next 8; not on the 16F7x), 14 End Programming (16F7x
//   only). No 3, 5, 11, 24, 1, 7 on the 16F7x; no 24 on the 16F84. A Begin
//   needs a load since the last Begin ("missing load"). The 16F7x has two
//   latches selected by PC bit 0 and programs the even/odd pair containing the
//   PC with old AND latch; unloaded latches change nothing.
//
// Memory and code protection
//   Configuration space: 0x2000..0x2003 ID locations (14 bits stored),
//   0x2004/5 reserved (read 0x3FFF), 0x2006 device ID (read only; 0x3FFF on
//   the 16F84), 0x2007 configuration word (unimplemented bits read 1),
//   0x2008..0x200F read 0x3FFF, above 0x200F program memory. Program and data
//   addresses above the chip's size alias. Protected program words and data
//   bytes read 0 and are not programmed; the configuration word and device ID
//   stay readable. While protected, an 8 on the configuration word only clears
//   bits (old AND latch), so protection cannot be removed by rewriting it;
//   unprotected, 8 overwrites it.
//
// Erase effects ("protected" = any program code protection or data protection)
//   Sequence                          Chip           Not protected               Protected
//   load, 9, 8 (PC < 0x2000)          84/84A/62x     program memory              nothing
//   load, 9, 8 (PC in config space)   84/84A/62x     program memory + IDs        nothing
//   load, 11, 8                       84/84A/62x     data memory                 nothing
//   2, 1, 7, 8 (PC < 0x2000)          84/84A/87x/62x program memory              nothing
//   3, 1, 7, 8 (PC < 0x2000)          84/84A/87x/62x data memory                 nothing
//   0, 6 x7, 1, 7, 8 (PC = 0x2007)    84/84A/87x/62x program, data, IDs, config  the same: protection gone
//   1, 7, 8 (other config address)    84/84A/87x/62x program memory + IDs        nothing
//   9 (any PC), self-timed            7x             program, IDs, config        the same: protection gone
//   Nothing ever erases the device ID.
//
// Timing: each self-timed cycle lasts the longest time the family's programming data
// sheet allows (cycleTimes()); a clock edge before it ended is logged,
// and the cell of an erase-and-write cycle keeps its erased value, while a
// cycle that only clears bits (24, a protected configuration word) leaves the
// old value. 16F7x: 8 .. 14 at least 1 ms, no bit latched within 100 µs after
// 14.
//
// The newer families (commands others than these are logged as unsupported)
//   16F62xA: 0, 2..6, 8, 9, 11. 8 = Begin Programming Only, self-timed, clears
//   bits only (old AND latch), also on data bytes and the configuration word,
//   so every burn needs a bulk erase first. 9 and 11 run by themselves: 9
//   erases program memory and the configuration word whatever the protection,
//   the IDs when the PC is in configuration space, and the data EEPROM when it
//   is protected; 11 erases the data EEPROM. Increment wraps at the end of the
//   implemented program memory. VPP first, like the 16F62x.
//   16F87xA: 0, 2..6, 8, 9, 11, 23, 24, 31. Eight write latches selected by PC
//   bits 2..0. 8 (self-timed) erases and writes the eight-word row holding the
//   PC; all eight latches must have been loaded (logged otherwise, unloaded
//   ones write 0x3FFF), and the latches read all ones afterwards. In
//   configuration space 8 writes the loaded ID latches, and the configuration
//   word only with the PC at 0x2007. 24 programs the loaded latches (AND),
//   externally timed, ended by 23 at least 1 ms later; 23 alone only resets
//   the latches. 9/11 arm the next 8 and do nothing on a protected chip; 31
//   (self-timed) erases program memory, data EEPROM and the configuration word
//   with its protection, the IDs too with the PC in configuration space.
//   16F87/88, 16F818/819: as the 16F87xA with four latches (PC bits 1..0),
//   except: Load Configuration discards its data; 8 is Begin Erase,
//   externally timed and ended by 23 (32-word row, one data byte, or the IDs
//   in configuration space); 24 writes the configuration words with 0 and 1
//   (only the one the PC points at; a protected chip only clears bits); 23
//   without a Begin is logged; a Begin needs a load of the same memory since
//   entry; Increment steps 0x1FFF to 0x2000. The 16F87/88 have a second
//   configuration word at 0x2008. VDD first, VPP within 250 µs: a chip on its
//   internal oscillator with MCLR disabled runs its own program after that.
//   Data EEPROM bytes are addressed with the PC modulo their number everywhere.
//   12F629/675, 16F630/676: 0, 2..6, 8, 9, 10, 11, 24. 8 (self-timed)
//   programs a program word, ID or the configuration word without erasing it
//   (AND), and erases a data byte before writing it; 24 programs a program
//   word (AND), timed by the host and ended by 10. 9 and 11 run by themselves:
//   9 erases program memory with the oscillator calibration word at 0x3FF, the
//   configuration word with its bandgap bits (13:12) and protection, the IDs
//   with the PC in configuration space, and the data EEPROM when it is
//   protected; 11 erases the data EEPROM unless it is protected. Bits 11:9 of
//   the configuration word read 0. Protected program words read 0 except the
//   calibration word. Out of the factory the chip holds a calibration word
//   (a RETLW) and bandgap bits 10. VPP first.
//
// Faults: setBadCell() makes one cell ignore every write (erases still work);
// setStuckCell() makes one cell ignore every erase (writes can still clear its
// bits); setNoBulkErase() makes 9 and 11 do nothing; setFlaky(n, seed) flips
// every n-th bit the chip drives, starting at a phase given by the seed;
// setMisread(address, n) makes the n-th read of one cell give its lowest bit
// inverted, once.
// clang-format on

#include <array>
#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "sim/sim_log.h"

namespace pk::sim {

// F62xA: 16F627A/628A/648A. F87xA: 16F873A..877A. F88: 16F87/88 and 16F818/819,
// which share one programming model (the 16F818/819 without the second
// configuration word).
// F629: 12F629/675 and 16F630/676.
enum class Family { F84, F87x, F7x, F62x, F62xA, F87xA, F88, F629 };

struct ChipModel {
    std::string_view name;  // "16F877"
    Family family;
    int programWords;
    int eepromBytes;                // 0: no data EEPROM
    std::uint16_t deviceId;         // with revision; 0: the chip has none (reads 0x3FFF)
    std::uint16_t configMask;       // implemented configuration bits
    std::uint16_t configMask2 = 0;  // the second configuration word at 0x2008; 0: none
    // The chip erase where this chip's data sheet differs from its family's; 0: the family's.
    std::chrono::nanoseconds chipErase{0};
};

// The longest each self-timed cycle of a chip may take.
struct CycleTimes {
    std::chrono::nanoseconds word;          // 8 on a program word, ID or configuration word
    std::chrono::nanoseconds dataByte;      // 8 on a data byte
    std::chrono::nanoseconds programOnly;   // 24
    std::chrono::nanoseconds bulkErase;     // 9 or 11 and the 8 that starts it; 16F7x: 9 alone
    std::chrono::nanoseconds setupErase;    // 1, 7 and the 8 that starts it
    std::chrono::nanoseconds chipErase{0};  // 31 (16F87xA, 16F87/88, 16F818/819)
    // Externally timed cycles (24 or 8 ended by 23) last at least this long.
    std::chrono::nanoseconds externalMin{0};
    // tdly3: a read bit is on the data line this long after its rising clock edge.
    std::chrono::nanoseconds dataValid{80};
};
CycleTimes cycleTimes(const ChipModel& model);

// All chips the simulator knows, in the order of the type list.
const std::vector<ChipModel>& chipModels();
// Looks a chip up by name, case-insensitive, with or without "PIC" in front
// ("16F84A", "pic16f877"); nullptr if unknown.
const ChipModel* findChip(std::string_view name);

// Levels at the chip's pins.
struct ChipPins {
    bool vdd = false;
    bool vpp = false;
    bool clock = false;
    bool data = false;
};

class SimChip {
  public:
    explicit SimChip(const ChipModel& model);

    const ChipModel& model() const { return model_; }
    std::string_view name() const { return model_.name; }

    // Where protocol violations and decoded commands go (the circuit's log).
    void attachLog(SimLog* log) { log_ = log; }

    // The chip is put into the socket with these levels on its pins (no event).
    void plug(const ChipPins& pins);
    // The circuit reports the pin levels after every line change ...
    void update(const ChipPins& pins, std::chrono::nanoseconds now);
    // ... and again once the chip's own output has settled on the data line.
    void settled(const ChipPins& pins, std::chrono::nanoseconds now);
    // The chip's output on RB7: nullopt while it does not drive the line.
    std::optional<bool> dataOut() const { return out_; }
    // The host reads the data line now: false (and logged) while the output a
    // rising clock edge changed is not yet valid (tdly3).
    bool sampled(std::chrono::nanoseconds now);

    bool inProgrammingMode() const { return mode_; }
    int pc() const { return pc_; }

    // The stored contents in the image's addressing: program word n at n, ID
    // locations at 0x2000..0x2003, device ID 0x2006, configuration word 0x2007
    // (as read: unimplemented bits 1), data byte n at 0x2100 + n. Ignores code
    // protection. Other addresses read 0x3FFF.
    std::uint16_t word(int address) const;
    // Sets a stored value directly (tests, chip file); the device ID is fixed.
    void setWord(int address, std::uint16_t value);
    // Everything erased: program 0x3FFF, data 0xFF, IDs and configuration 0x3FFF
    // (a factory calibration too).
    void eraseAll();
    // Program words, ID locations, configuration word and data bytes in one list,
    // to tell whether anything changed.
    std::vector<std::uint16_t> contents() const;

    // Derived from the configuration word.
    bool programProtected(int address) const;
    bool anyProgramProtected() const;
    bool dataProtected() const;

    // The chip's own cycles so far: each self-timed one at its full length, each
    // 16F7x programming (8 .. 14) at its 1 ms minimum. No host can be faster.
    std::chrono::nanoseconds cycleTime() const { return cycleTime_; }

    void setBadCell(std::optional<int> address) { badCell_ = address; }
    void setStuckCell(std::optional<int> address) { stuckCell_ = address; }
    void setNoBulkErase(bool on) { noBulkErase_ = on; }
    void setFlaky(int everyNth, unsigned seed);
    void setMisread(std::optional<int> address, int nth = 1) {
        misreadCell_ = address;
        misreadLeft_ = nth;
    }

  private:
    enum class Phase { Command, Load, Read };
    enum class LoadKind { None, Program, Config, Data };
    enum class Arm { None, BulkProgram, BulkData, Setup1, Setup17, Dead };
    enum class Cycle { None, Write, Erase, Erase7x };

    void violation(std::chrono::nanoseconds now, std::string text);
    void enterMode(const ChipPins& pins, std::chrono::nanoseconds now);
    // A VPP-first entry under way (VPP on, VDD still off), by what clock and
    // data have done since VPP came on.
    enum class VppFirstLines { None, Low, HighAtVpp, WentHigh };
    void checkEntryLines(const ChipPins& pins, std::chrono::nanoseconds now);
    VppFirstLines startVppFirst(const ChipPins& pins, std::chrono::nanoseconds now);
    void finishVppFirst(const ChipPins& pins, std::chrono::nanoseconds now);
    void trackLines(const ChipPins& before, const ChipPins& pins, std::chrono::nanoseconds now);
    bool vppFirstEntry() const {
        return model_.family == Family::F62x || model_.family == Family::F62xA ||
               model_.family == Family::F629;
    }
    bool newFamily() const {
        return model_.family == Family::F62xA || model_.family == Family::F87xA ||
               model_.family == Family::F88 || model_.family == Family::F629;
    }
    // The configuration word as an erase leaves it.
    std::uint16_t erasedConfig() const {
        return model_.family == Family::F629 ? model_.configMask : 0x3FFF;
    }
    // The code that ends a host-timed programming cycle.
    int endCode() const { return model_.family == Family::F629 ? 10 : 23; }
    int latchWords() const;
    void decodeNew(int code, Arm armed, std::chrono::nanoseconds now);
    void beginRow(std::chrono::nanoseconds now);
    void startExternal(int code, Arm armed, std::chrono::nanoseconds now);
    void endExternal(std::chrono::nanoseconds now);
    void applyProgramOnly();
    void applyRowErase();
    void bulkErase(Arm armed);
    void chipErase();
    void resetRowLatches();
    bool runsOwnProgram() const;
    void leaveMode(std::chrono::nanoseconds now);
    void clockEdge(bool rising, bool data, std::chrono::nanoseconds now);
    void endUnit(std::chrono::nanoseconds now);
    void decode(int code, std::chrono::nanoseconds now);
    void loaded(std::uint16_t word, std::chrono::nanoseconds now);
    bool supports(int code) const;
    void begin(bool erase, std::chrono::nanoseconds now);
    void end7x(std::chrono::nanoseconds now);
    void interruptCycle(std::chrono::nanoseconds now, const char* why);
    void startCycle(Cycle kind, std::chrono::nanoseconds length, std::chrono::nanoseconds now);

    // Image address of the cell the PC selects for program/config accesses.
    int programAddress(int pc) const;
    std::uint16_t readProgram(int pc) const;
    std::uint16_t readData(int pc) const;
    // Writes one cell (image addressing), honouring protection and faults.
    enum class WriteKind { None, Overwrite, ClearBits };
    WriteKind writeCell(int address, std::uint16_t latch, bool andOnly);
    void eraseProgram();
    void eraseData();
    void eraseIds();
    std::uint16_t erasedValue(int address) const;
    bool stuck(int address) const { return stuckCell_ && *stuckCell_ == address; }
    bool anyProtected() const { return anyProgramProtected() || dataProtected(); }

    const ChipModel& model_;
    SimLog* log_ = nullptr;

    std::vector<std::uint16_t> program_;
    std::vector<std::uint8_t> eeprom_;
    std::array<std::uint16_t, 4> ids_{};
    std::uint16_t config_ = 0x3FFF;
    std::uint16_t config2_ = 0x3FFF;

    // Pins as seen at the last update.
    ChipPins prev_{};
    bool mode_ = false;
    std::chrono::nanoseconds entryTime_{0};
    bool firstEdgeChecked_ = false;
    std::optional<bool> out_;
    std::optional<std::chrono::nanoseconds> outChangedAt_;  // rising edge of a read frame
    // Line history for the setup, hold and entry rules.
    std::optional<std::chrono::nanoseconds> linesLowSince_;  // nullopt: high now
    std::chrono::nanoseconds lastDataChange_{std::chrono::nanoseconds::min() / 2};
    std::optional<std::chrono::nanoseconds> lastLatch_;
    std::chrono::nanoseconds vppRoseAt_{0};
    bool running_ = false;  // VDD came first and the chip runs its own program
    bool refusedLogged_ = false;
    VppFirstLines vppFirst_ = VppFirstLines::None;

    // Serial state.
    Phase phase_ = Phase::Command;
    int fallingEdges_ = 0;
    int risingEdges_ = 0;
    std::uint32_t shift_ = 0;
    std::uint16_t readWord_ = 0x3FFF;
    std::optional<std::chrono::nanoseconds> lastUnitEnd_;

    // Command state.
    int pc_ = 0;
    LoadKind loadKind_ = LoadKind::None;
    std::uint16_t latch_ = 0x3FFF;
    bool latchLoaded_ = false;
    std::array<std::uint16_t, 2> latch7x_{0x3FFF, 0x3FFF};
    std::array<bool, 2> latch7xLoaded_{false, false};
    Arm arm_ = Arm::None;
    bool programming7x_ = false;
    std::chrono::nanoseconds programStart7x_{0};
    int programPc7x_ = 0;
    std::optional<std::chrono::nanoseconds> dischargeUntil_;
    // Write latches of the row-writing families, and the externally timed
    // cycle (24 or 8 until 23) in progress: its command, PC and memory.
    std::array<std::uint16_t, 8> rowLatch_{};
    std::array<bool, 8> rowLoaded_{};
    bool loadSinceEntry_ = false;
    int extCode_ = -1;
    Arm extArm_ = Arm::None;
    std::chrono::nanoseconds extStart_{0};
    int extPc_ = 0;
    LoadKind extKind_ = LoadKind::None;
    std::chrono::nanoseconds vddRoseAt_{0};

    // Internally timed cycle in progress.
    Cycle cycle_ = Cycle::None;
    std::chrono::nanoseconds cycleEnd_{0};
    std::chrono::nanoseconds cycleTime_{0};
    int cycleCell_ = -1;              // the cell a broken-off write leaves ...
    std::uint16_t cycleRestore_ = 0;  // ... with this value

    // Faults.
    std::optional<int> badCell_;
    std::optional<int> stuckCell_;
    bool noBulkErase_ = false;
    int flakyEvery_ = 0;
    std::uint64_t drivenBits_ = 0;
    std::optional<int> misreadCell_;
    int misreadLeft_ = 0;
    std::uint16_t misread(int address, std::uint16_t value);
};

}  // namespace pk::sim
