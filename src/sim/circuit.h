#pragma once
// The simulated programmer board on a parallel port, with a socket for a
// simulated chip (chip.h). It implements the port seam, so everything above the
// port runs against it unchanged.
//
// Building one in a test:
//   pk::VirtualClock clock;
//   pk::sim::SimCircuit circuit(clock, {.driver = 1, .sw = 1}, 1);   // at LPT1
//   circuit.insertChip(std::make_unique<pk::sim::SimChip>(*pk::sim::findChip("16F877")));
//   ... drive circuit.write(0x378, ...) / circuit.read(0x379) ...
//   EXPECT_TRUE(circuit.log().violations().empty()) << circuit.log().violationText();
// Every port access costs 1 µs: the circuit advances a VirtualClock by that
// much (as a ppdev access takes); with any other clock it takes the clock's
// monotonic() time as it is. setAccessCost(0) makes accesses free, so only the
// program's own waits separate line changes (the strict mode). Log times count
// from the board's construction.
//
// The board
//   Attached at LPT1 (data 0x378, status 0x379), LPT2 (0x278/0x279) or nowhere
//   (lpt 0). Every other address reads 0xFF like a floating bus and ignores
//   writes; the data register reads back what was written. The status register
//   shows the data line in bit 6 (inverted for driver 0); its other bits are a
//   fixed pattern (kStatusOtherBits) so code that forgets to mask bit 6 fails.
//   The variant is the board's own and may differ from the program's settings:
//     driver 0 "7406": inverting open collector on D0 (data) and D1 (clock);
//     driver 1 "7407": non-inverting open collector, released = pulled up;
//     driver 2 "AN589": D0 pushed onto the data line while D2 = 0, D1 = clock.
//     switch 0: VDD = D2, VPP = D3; switch 1: VDD = !D2, VPP = !D3;
//     switch 2 "von Hand": VDD always on, VPP as set by setManualVpp() (which
//       SimSwitchDialog calls when the user is told to switch);
//     switch 3 "AN589": VDD always on, VPP = D3 and not D4.
//   The data line is the wired combination of the programmer's driver, a
//   pull-up and the chip's output; two outputs fighting each other and a chip
//   reading into a line the programmer did not release are logged.
//
// Faults a test can switch on: setDataStuck(false/true) (data line shorted low /
// high), setClockOpen(true) (the clock never reaches the chip), setNoVpp(true)
// (VPP never reaches the chip), removeChip() (empty socket); the chip's own
// faults are on SimChip.

#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>

#include "link/clock.h"
#include "link/port_io.h"
#include "sim/chip.h"
#include "sim/sim_log.h"

namespace pk::sim {

// The board's hardware variant, numbered like the program's DriverIndex and SwitchIndex.
struct CircuitVariant {
    int driver = 1;
    int sw = 1;
};

class SimCircuit : public PortIo {
  public:
    static constexpr std::uint8_t kStatusOtherBits = 0xA7;  // bit 6 excluded below

    // lpt: 1 = LPT1 (0x378), 2 = LPT2 (0x278), 0 = not attached.
    SimCircuit(Clock& clock, CircuitVariant variant, int lpt = 1);
    ~SimCircuit() override;

    void write(int port, std::uint8_t value) override;
    std::uint8_t read(int port) override;
    bool available() const override { return true; }

    // Data register address of the port the board is attached to, or -1.
    int dataPort() const { return base_; }
    CircuitVariant variant() const { return variant_; }

    // The socket. insertChip returns the chip now in it.
    SimChip* insertChip(std::unique_ptr<SimChip> chip);
    std::unique_ptr<SimChip> removeChip();
    SimChip* chip() { return chip_.get(); }
    const SimChip* chip() const { return chip_.get(); }

    // The board's VPP at MCLR in hundredths of a volt; the chip in the socket gets it.
    void setVpp(int centivolts);

    // Virtual time one port access takes (1 µs unless changed).
    void setAccessCost(std::chrono::nanoseconds cost) { accessCost_ = cost; }

    // The hand-operated VPP switch of switch variant 2.
    void setManualVpp(bool on);

    void setDataStuck(std::optional<bool> level);
    void setClockOpen(bool open);
    void setNoVpp(bool noVpp);

    // Line levels as the chip sees them (true = high / on).
    bool clockLine() const;
    bool dataLine() const { return dataLevel_; }
    bool vdd() const;
    bool vpp() const;
    std::uint8_t dataRegister() const { return reg_; }

    SimLog& log() { return log_; }
    const SimLog& log() const { return log_; }

  private:
    enum class Drive { None, PullLow, PushLow, PushHigh };

    // Time since the board was made: what the logs show.
    std::chrono::nanoseconds now() const;
    std::chrono::nanoseconds access();
    void evaluate(std::chrono::nanoseconds now);
    Drive programmerDrive() const;
    ChipPins pins() const;
    void resolveData(std::chrono::nanoseconds now);

    Clock& clock_;
    VirtualClock* virtual_ = nullptr;
    CircuitVariant variant_;
    int base_ = -1;
    std::chrono::nanoseconds origin_;
    std::chrono::nanoseconds accessCost_{std::chrono::microseconds(1)};
    std::uint8_t reg_ = 0;
    bool manualVpp_ = false;
    std::optional<bool> stuck_;
    bool clockOpen_ = false;
    bool noVpp_ = false;
    bool dataLevel_ = true;
    bool levelBeforeChip_ = true;  // the data line before the chip saw the last line change
    bool contention_ = false;
    bool notReleased_ = false;
    std::unique_ptr<SimChip> chip_;
    int vppCentivolts_ = 1300;
    SimLog log_;
};

}  // namespace pk::sim
