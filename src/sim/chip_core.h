#pragma once
// What every 14-bit chip in the simulator shares: the pins, the entry into
// programming mode, the 6-bit command and 16-clock data frames with their bit
// timing, self-timed cycles, memory with protection and faults, and the
// violation log. What a family's commands do is its behaviour's business
// (family.h); the core asks it wherever the families differ. The memories are
// chip_memory.cpp, the rest chip_core.cpp.

#include <array>
#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "sim/sim_log.h"

namespace pk::sim {

class FamilyBehaviour;
class BaselineChip;
class P18Chip;
struct BaselinePart;
struct P18Part;

// F62xA: 16F627A/628A/648A. F87xA: 16F873A..877A. F88: 16F87/88 and 16F818/819,
// which share one programming model (the 16F818/819 without the second
// configuration word).
// F629: 12F629/675 and 16F630/676. F88x: 16F882..887. F6xx: 12F683, 16F684/688,
// 16F631/677/685/687/689/690. F61x: 12F609/615, 16F610/616. F91x: 16F913..917
// and 16F946.
enum class Family {
    F84,
    F87x,
    F7x,
    F62x,
    F62xA,
    F87xA,
    F88,
    F629,
    F88x,
    F6xx,
    F61x,
    F716,
    F91x,
    F785,
    // PIC18F, by programming data sheet: 18F2xx0/4xx0 (2455..4620), 18Fxx2 (252,
    // 452) and 18Fx220 (1220, 1320).
    P18F2x,
    P18Fxx2,
    P18Fx220,
    // The 12-bit core parts (families/baseline.h).
    Baseline
};

struct ChipModel {
    std::string_view name;  // "16F877"
    Family family;
    const FamilyBehaviour* behaviour;  // what the family's commands do
    int programWords;
    int eepromBytes;                // 0: no data EEPROM
    std::uint16_t deviceId;         // with revision; 0: the chip has none (reads 0x3FFF)
    std::uint16_t configMask;       // implemented configuration bits
    std::uint16_t configMask2 = 0;  // the second configuration word at 0x2008; 0: none
    // The chip erase where this chip's data sheet differs from its family's; 0: the family's.
    std::chrono::nanoseconds chipErase{0};
    // A PIC18F (4-bit commands, 16-bit operands, byte-addressed memories): its
    // part row (families/p18.h). The chip then decodes its frames with P18Chip.
    const P18Part* p18 = nullptr;
    // A baseline chip (12-bit words, PC from the configuration word, no device
    // ID): its part row (families/baseline.h), run by BaselineChip.
    const BaselinePart* baseline = nullptr;
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
    // tdly1, tdly2: from the last falling edge of a command or frame to the first
    // rising edge of the next.
    std::chrono::nanoseconds frameGap{1000};
};

// Levels at the chip's pins.
struct ChipPins {
    bool vdd = false;
    bool vpp = false;
    bool clock = false;
    bool data = false;
};

// Addresses in the image's addressing.
inline constexpr int kConfigSpace = 0x2000;
inline constexpr int kDeviceIdAddress = 0x2006;
inline constexpr int kConfigAddress = 0x2007;
inline constexpr int kConfig2Address = 0x2008;
inline constexpr int kDataBase = 0x2100;

class ChipCore {
  public:
    explicit ChipCore(const ChipModel& model);
    ~ChipCore();
    ChipCore(const ChipCore&) = delete;
    ChipCore& operator=(const ChipCore&) = delete;

    const ChipModel& model() const { return model_; }
    // The VPP the programmer puts on MCLR, in hundredths of a volt (13 V unless set):
    // one outside the chip's VIHH range is logged each time it comes on.
    void setSuppliedVpp(int centivolts) { suppliedVpp_ = centivolts; }
    std::string_view name() const { return model_.name; }
    const FamilyBehaviour& behaviour() const { return *model_.behaviour; }

    void attachLog(SimLog* log) { log_ = log; }

    void plug(const ChipPins& pins);
    void update(const ChipPins& pins, std::chrono::nanoseconds now);
    void settled(const ChipPins& pins, std::chrono::nanoseconds now);
    std::optional<bool> dataOut() const { return out_; }
    bool sampled(std::chrono::nanoseconds now);

    bool inProgrammingMode() const { return mode_; }
    int pc() const { return pc_; }
    // The PIC18F side of a chip whose model row names a PIC18F part; nullptr
    // for the 14-bit chips.
    P18Chip* p18() { return p18_.get(); }
    const P18Chip* p18() const { return p18_.get(); }
    // The baseline side of a chip whose model row names a baseline part.
    BaselineChip* baseline() { return baseline_.get(); }
    const BaselineChip* baseline() const { return baseline_.get(); }

    std::uint16_t word(int address) const;
    void setWord(int address, std::uint16_t value);
    void eraseAll();
    std::vector<std::uint16_t> contents() const;

    bool programProtected(int address) const;
    bool anyProgramProtected() const;
    bool dataProtected() const;

    std::chrono::nanoseconds cycleTime() const { return cycleTime_; }

    void setBadCell(std::optional<int> address) { badCell_ = address; }
    void setStuckCell(std::optional<int> address) { stuckCell_ = address; }
    void setNoBulkErase(bool on) { noBulkErase_ = on; }
    // Every bulk erase 9 also clears the calibration words, as if the PC stood on them.
    void setEraseAtCalibration(bool on) { eraseAtCalibration_ = on; }
    void setFlaky(int everyNth, unsigned seed);
    void setMisread(std::optional<int> address, int nth = 1) {
        misreadCell_ = address;
        misreadLeft_ = nth;
    }

    // ---- For the family behaviours (families/*.cpp, commands_*.cpp) --------
    enum class Phase { Command, Load, Read };
    enum class LoadKind { None, Program, Config, Data };
    enum class Arm { None, BulkProgram, BulkData, Setup1, Setup17, Dead };
    enum class Cycle { None, Write, Erase, Erase7x };
    enum class WriteKind { None, Overwrite, ClearBits };

    void violation(std::chrono::nanoseconds now, std::string text);
    void startCycle(Cycle kind, std::chrono::nanoseconds length, std::chrono::nanoseconds now);
    // A cycle the host times: counted at its minimum length.
    void countCycle(std::chrono::nanoseconds length) { cycleTime_ += length; }
    // After End Programming the high voltage discharges (tdis): no bit is
    // latched for 100 µs. The chip's time like a cycle's, so counted as one.
    void discharge(std::chrono::nanoseconds now) {
        dischargeUntil_ = now + kDischarge;
        cycleTime_ += kDischarge;
    }
    static constexpr std::chrono::microseconds kDischarge{100};
    // Commands 0, 2 and 3 (a load frame follows) and 4 and 5 (a read frame
    // follows) work alike on every chip; false for any other code.
    bool loadOrRead(int code);

    // Image address of the cell the PC selects for program/config accesses.
    int programAddress(int pc) const;
    // Writes one cell (image addressing), honouring protection and faults.
    WriteKind writeCell(int address, std::uint16_t latch, bool andOnly);
    void eraseProgram();
    void eraseData();
    void eraseIds();
    // The configuration words as an erase leaves them (a stuck cell keeps its value).
    void eraseConfig();
    void eraseConfig2();
    void eraseCalibration();
    // Which calibration word the address holds; -1: none.
    int calibrationIndex(int address) const;
    bool eraseAtCalibration() const { return eraseAtCalibration_; }
    std::uint16_t erasedValue(int address) const;
    bool stuck(int address) const { return stuckCell_ && *stuckCell_ == address; }
    bool anyProtected() const { return anyProgramProtected() || dataProtected(); }
    bool noBulkErase() const { return noBulkErase_; }
    // A broken-off cycle leaves this cell with this value.
    void restoreOnBreak(int cell, std::uint16_t value) {
        cycleCell_ = cell;
        cycleRestore_ = value;
    }

    const ChipModel& model_;
    SimLog* log_ = nullptr;

    std::vector<std::uint16_t> program_;
    std::vector<std::uint8_t> eeprom_;
    std::array<std::uint16_t, 4> ids_{};
    std::uint16_t config_ = 0x3FFF;
    std::uint16_t config2_ = 0x3FFF;
    std::array<std::uint16_t, 2> calibration_{0x3FFF, 0x3FFF};

    // Command state.
    Phase phase_ = Phase::Command;
    int pc_ = 0;
    LoadKind loadKind_ = LoadKind::None;
    std::uint16_t latch_ = 0x3FFF;
    bool latchLoaded_ = false;
    Arm arm_ = Arm::None;
    std::optional<std::chrono::nanoseconds> dischargeUntil_;
    // The 16F7x: two latches, and its programming (8 .. 14) in progress.
    std::array<std::uint16_t, 2> latch7x_{0x3FFF, 0x3FFF};
    std::array<bool, 2> latch7xLoaded_{false, false};
    bool programming7x_ = false;
    std::chrono::nanoseconds programStart7x_{0};
    int programPc7x_ = 0;
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

  private:
    // Pins, entry and faults are shared; the frames and memories of a PIC18F are its own.
    friend class P18Chip;
    friend class BaselineChip;
    std::unique_ptr<P18Chip> p18_;
    std::unique_ptr<BaselineChip> baseline_;

    void enterMode(const ChipPins& pins, std::chrono::nanoseconds now);
    // A VPP-first entry under way (VPP on, VDD still off), by what clock and
    // data have done since VPP came on.
    enum class VppFirstLines { None, Low, HighAtVpp, WentHigh };
    void checkEntryLines(const ChipPins& pins, std::chrono::nanoseconds now);
    VppFirstLines startVppFirst(const ChipPins& pins, std::chrono::nanoseconds now);
    void finishVppFirst(const ChipPins& pins, std::chrono::nanoseconds now);
    void trackLines(const ChipPins& before, const ChipPins& pins, std::chrono::nanoseconds now);
    bool vppFirstEntry() const;
    bool runsOwnProgram() const;
    void leaveMode(std::chrono::nanoseconds now);
    void clockEdge(bool rising, bool data, std::chrono::nanoseconds now);
    void endUnit(std::chrono::nanoseconds now);
    void decode(int code, std::chrono::nanoseconds now);
    void loaded(std::uint16_t word, std::chrono::nanoseconds now);
    void interruptCycle(std::chrono::nanoseconds now, const char* why);
    std::uint16_t readProgram(int pc) const;
    std::uint16_t readData(int pc) const;
    std::uint16_t misread(int address, std::uint16_t value);

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
    std::chrono::nanoseconds vddRoseAt_{0};
    bool running_ = false;  // VDD came first and the chip runs its own program
    bool checkVihh(std::chrono::nanoseconds now);  // false: outside VIHH (logged)
    int suppliedVpp_ = 1300;
    bool refusedLogged_ = false;
    VppFirstLines vppFirst_ = VppFirstLines::None;

    // Serial state.
    int fallingEdges_ = 0;
    int risingEdges_ = 0;
    std::uint32_t shift_ = 0;
    std::uint16_t readWord_ = 0x3FFF;
    std::optional<std::chrono::nanoseconds> lastUnitEnd_;

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
    bool eraseAtCalibration_ = false;
    int flakyEvery_ = 0;
    std::uint64_t drivenBits_ = 0;
    std::optional<int> misreadCell_;
    int misreadLeft_ = 0;
};

}  // namespace pk::sim
