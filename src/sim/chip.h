#pragma once
// A PIC16 flash chip in the programmer's socket, as its serial programming
// interface behaves in high-voltage programming mode. The model is strict on
// purpose: our program must pass against it only if it would work on a real
// chip, so every deviation from the protocol is written to the violation log.
// A PIC18F shares the pins, the entry and the faults below; its frames and
// memories are its own (p18_chip.h), chosen by its model row. A baseline
// (12-bit) chip shares the frames too; its commands and memories are its own
// (baseline_chip.h).
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
//   the next at least tdly2 must pass: 1 µs, on the 16F87xA, 16F87/88 and
//   16F818/819 (at 4.5 to 5.5 V) 100 ns.
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
//   16F72: a 16F7x with 2K words.
//   The later chips (commands_latched.*): 16F88x, 12F683/16F6xx and 16F785:
//   0, 2..6, 8, 9, 10, 11, 17, 24; 12F609/615, 16F610/616: 0, 2, 4, 6, 9, 10,
//   24; 16F716: 0, 2, 4, 6, 9, 14, 24; 16F91x as the 16F88x. Loads fill the
//   latch PC mod the latch count (1, 4 or 8); 8 (self-timed) or 24 .. 10 (.. 14
//   on the 16F716; timed by the host, at least its minimum, then 100 µs before
//   the next bit) programs the latch row holding the PC, old AND latch, and
//   the latches read ones again (the 16F716's 14 also resets them alone). In
//   configuration space one word is programmed (AND) with the last word
//   loaded: IDs, 0x2007, the 16F88x's CONFIG2 at 0x2008; a calibration word
//   too, logged. Data bytes: 8 erases the byte first (not on the 16F6xx, where
//   it only clears bits); 24 only clears bits. 9 (self-timed) erases program
//   memory and the configuration words, the IDs with the PC in configuration
//   space, the calibration words with the PC on one of them, the data EEPROM
//   when it is protected; 11 erases the data EEPROM unless it is protected;
//   17 erases the 16 words holding the PC unless protected or in
//   configuration space. CP in bit 6 (16F716: 13), CPD in bit 7. Factory
//   calibration: 16F88x 0x2009, 16F6xx and 12F61x/16F61x 0x2008, 16F91x and
//   16F785 0x2008 and 0x2009. The 16F785 logs a Load Configuration that is not
//   all ones. VPP first always, VDD first unless the chip runs its own program
//   (FOSC2:0 in bits 2..0 = 10x, MCLRE = 0); the 16F716 VDD first only.
//
// The code: chip_core.h holds what every chip shares (pins, entry, frames,
// cycles, memory, faults, the log); each family's own rules are a
// FamilyBehaviour (family.h) in its families/<name>.cpp, named by the family's
// rows of the model table (chip.cpp). commands_classic.* and commands_newer.*
// hold the command sets the older and the newer families share.
//
// Faults: setBadCell() makes one cell ignore every write (erases still work);
// setStuckCell() makes one cell ignore every erase (writes can still clear its
// bits); setNoBulkErase() makes 9 and 11 do nothing; setEraseAtCalibration()
// makes every 9 clear the factory calibration words too; setFlaky(n, seed) flips
// every n-th bit the chip drives, starting at a phase given by the seed;
// setMisread(address, n) makes the n-th read of one cell give its lowest bit
// inverted, once.
// clang-format on

#include <chrono>
#include <string_view>
#include <vector>

#include "sim/chip_core.h"

namespace pk::sim {

// The longest each self-timed cycle of a chip may take.
CycleTimes cycleTimes(const ChipModel& model);

// All 14-bit chips the simulator knows, in the order of the type list.
const std::vector<ChipModel>& chipModels();
// The PIC18F chips, whose rows point at their part rows (families/p18.h).
const std::vector<ChipModel>& p18Models();
// The baseline 12-bit chips, whose rows point at their part rows
// (families/baseline.h).
const std::vector<ChipModel>& baselineModels();
// Looks a chip up by name in all three tables, case-insensitive, with or without
// "PIC" in front ("16F84A", "pic16f877", "18F4550"); nullptr if unknown.
const ChipModel* findChip(std::string_view name);

class SimChip : private ChipCore {
  public:
    explicit SimChip(const ChipModel& model) : ChipCore(model) {}

    using ChipCore::model;
    using ChipCore::name;

    // Where protocol violations and decoded commands go (the circuit's log).
    using ChipCore::attachLog;
    using ChipCore::setSuppliedVpp;

    // The chip is put into the socket with these levels on its pins (no event).
    using ChipCore::plug;
    // The circuit reports the pin levels after every line change ...
    using ChipCore::update;
    // ... and again once the chip's own output has settled on the data line.
    using ChipCore::settled;
    // The chip's output on RB7: nullopt while it does not drive the line.
    using ChipCore::dataOut;
    // The host reads the data line now: false (and logged) while the output a
    // rising clock edge changed is not yet valid (tdly3).
    using ChipCore::sampled;

    using ChipCore::inProgrammingMode;
    using ChipCore::pc;

    // A PIC18F (its model row names a part): its memories, registers and
    // frames (p18_chip.h); nullptr for a 14-bit chip. word() and setWord()
    // below are the 14-bit chips' image addressing and mean nothing to it;
    // eraseAll() and contents() work for both.
    using ChipCore::p18;
    // A baseline chip (its model row names a baseline part): its memories at
    // physical addresses and its commands (baseline_chip.h); nullptr for the
    // others. word() and setWord() below pass to its word() and setWord(), and
    // the faults take its physical addresses.
    using ChipCore::baseline;

    // The stored contents in the image's addressing: program word n at n, ID
    // locations at 0x2000..0x2003, device ID 0x2006, configuration word 0x2007
    // (as read: unimplemented bits 1), data byte n at 0x2100 + n. Ignores code
    // protection. Other addresses read 0x3FFF.
    using ChipCore::word;
    // Sets a stored value directly (tests, chip file); the device ID is fixed.
    using ChipCore::setWord;
    // Everything erased: program 0x3FFF, data 0xFF, IDs and configuration 0x3FFF
    // (a factory calibration too).
    using ChipCore::eraseAll;
    // Program words, ID locations, configuration and calibration words and data bytes in one list,
    // to tell whether anything changed.
    using ChipCore::contents;

    // Derived from the configuration word.
    using ChipCore::anyProgramProtected;
    using ChipCore::dataProtected;
    using ChipCore::programProtected;

    // The chip's own cycles so far: each self-timed one at its full length, each
    // 16F7x programming (8 .. 14) at its 1 ms minimum. No host can be faster.
    using ChipCore::cycleTime;

    // Faults (see above).
    using ChipCore::setBadCell;
    using ChipCore::setEraseAtCalibration;
    using ChipCore::setFlaky;
    using ChipCore::setMisread;
    using ChipCore::setNoBulkErase;
    using ChipCore::setStuckCell;
};

}  // namespace pk::sim
