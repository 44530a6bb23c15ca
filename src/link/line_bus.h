#pragma once
// The line bus: applies the rows of the circuit table to the port, one line
// term at a time, and spends the calibrated wait between line changes.
//
// Every line change is one read-modify-write of the real data register. A
// circuit sees every intermediate state (a merged write could raise VPP in the
// same instant as VDD), so two changes share a write only where a frame hands
// the bus one term for both: the rising clock edge with the data bit, in the
// data-sheet timing, and never with a voltage switch (oneWrite, circuit.h).

#include <chrono>
#include <cstdint>
#include <optional>

#include "link/circuit.h"
#include "link/clock.h"
#include "link/port_io.h"
#include "link/settings.h"
#include "link/user_dialog.h"

namespace pk {

// What a wait between two line changes of a frame must keep, in the data-sheet
// timing (the classic timing spends one calibrated Delay on each).
enum class LineRule {
    Edge,       // data stable 100 ns before and after the falling clock edge
    ReadValid,  // the chip's data valid 200 ns after the rising edge (16F7x; others 80 ns)
};

// The chips' rules for the serial lines, the same in all four programming data sheets.
inline constexpr std::chrono::nanoseconds kEdgeHold{100};    // tset1, thld1
inline constexpr std::chrono::nanoseconds kReadValid{200};   // tdly3
inline constexpr std::chrono::nanoseconds kFrameGap{1'000};  // tdly1, tdly2

class LineBus {
  public:
    // All references must outlive the bus; settings and portBase are read at
    // every step, so changes by the setup dialog or the search apply at once.
    LineBus(PortIo& port, Clock& clock, UserDialog& dialog, ProgrammerSettings& settings,
            std::int32_t& portBase);

    // The row of the circuit the settings name. Settings that name no usable
    // circuit (refused where they come in) get a row that moves no line.
    const Circuit& circuit() const;

    // A negative port raises RangeError before any hardware is touched.
    void WritePort(std::int32_t port, std::uint8_t value);
    std::uint8_t ReadPort(std::int32_t port);
    bool PortOpen() const { return port_.available(); }
    std::string portUnavailableReason() const { return port_.unavailableReason(); }

    // One read-modify-write at PortBase; an empty term touches nothing. In the
    // data-sheet timing the value last written stands in for the read, and a term
    // that would leave every line as it is writes nothing.
    void change(LineTerm term);
    // The step's term, then its prompt (hand switch) if it has one.
    void change(const VoltageStep& step);
    // The next change reads the data register again: at the start of programming
    // mode, since the port may have changed hands between two operations.
    void forgetWritten() { writtenAt_.reset(); }
    // One status read; true for a data bit 1.
    bool sampleBit();

    // The single wait between line changes: (DelayCount + 1) units, where
    // 101 units x 10001 calls make the 400 ms reference run. Never shorter.
    void Delay();
    std::chrono::nanoseconds delayLength() const;
    // The wait a frame needs before its next line change: one Delay in the
    // classic timing; in the data-sheet timing only what the rule leaves of its
    // time since the last line change (nothing when the port access took longer).
    void lineWait(LineRule rule);
    // Around every command and data frame: in the data-sheet timing the first
    // rising clock edge of a frame comes 1 us (or `gap`) after the last falling
    // edge of the one before. The classic timing's Delays are far longer; nothing
    // to do there.
    void frameStart() { frameStart(frameGap_); }
    void frameStart(std::chrono::nanoseconds gap);
    // The gap of the 14-bit frames: kFrameGap, or a chip's own.
    void setFrameGap(std::chrono::nanoseconds gap) { frameGap_ = gap; }
    void frameEnd();
    bool dataSheetTiming() const { return settings_.Timing == TimingMode::DataSheet; }
    // The clock's rise and a data bit in one write, where the data-sheet timing
    // may do that on this circuit (oneWrite); nullopt: two writes. The chips
    // latch on the falling edge, and need the data only 100 ns before it.
    std::optional<LineTerm> riseWith(bool one) const;
    // Measures Delay over 10001 calls and sets DelayCount so one Delay lasts
    // about 40 us. An unusable measurement (0 ms or less) leaves 100.
    void Bremse();
    void sleepMs(int ms) { clock_.sleepMs(ms); }
    const Clock& clock() const { return clock_; }
    // A wait below a millisecond or between whole ones (a clock held for P9).
    void sleepFor(std::chrono::nanoseconds d) { clock_.sleepFor(d); }

    std::int32_t portBase() const { return portBase_; }
    void setPortBase(std::int32_t base) { portBase_ = base; }
    const ProgrammerSettings& settings() const { return settings_; }

  private:
    PortIo& port_;
    Clock& clock_;
    UserDialog& dialog_;
    ProgrammerSettings& settings_;
    std::int32_t& portBase_;
    std::chrono::nanoseconds frameGap_ = kFrameGap;
    // When the last line change had been made, and when the last frame ended.
    std::chrono::nanoseconds lastChange_{0};
    std::chrono::nanoseconds frameEnd_{0};
    // The last value written to a data register, and which one.
    std::uint8_t written_ = 0;
    std::optional<std::int32_t> writtenAt_;

    void waitUntil(std::chrono::nanoseconds t);
};

}  // namespace pk
