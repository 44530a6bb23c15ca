#pragma once
// The programmer link as the window, the command-line tool and the chip
// routines see it: one object over the tiers below, with the names the
// program gives these steps.
//
//   circuit.h   what each line term means for the wiring in use (one row per variant)
//   line_bus.h  applies a term to the port, one read-modify-write each; the wait
//   frames.h    Kommando, WrDaten, RdDaten
//   progmode.h  entering and leaving programming mode, idle lines
//   search.h    the loop-back search for the port

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>

#include "link/circuit.h"
#include "link/clock.h"
#include "link/frames.h"
#include "link/line_bus.h"
#include "link/port_io.h"
#include "link/progmode.h"
#include "link/search.h"
#include "link/settings.h"
#include "link/user_dialog.h"

namespace pk {

class ProgrammerLink {
  public:
    // All references must outlive the link; settings and portBase are read at
    // every step, so changes by the setup dialog or the search apply at once.
    ProgrammerLink(PortIo& port, Clock& clock, UserDialog& dialog, ProgrammerSettings& settings,
                   std::int32_t& portBase)
        : bus_(port, clock, dialog, settings, portBase), mode_(bus_) {}
    ProgrammerLink(const ProgrammerLink&) = delete;
    ProgrammerLink& operator=(const ProgrammerLink&) = delete;

    LineBus& bus() { return bus_; }

    // ---- Port access ----
    void WritePort(std::int32_t port, std::uint8_t value) { bus_.WritePort(port, value); }
    std::uint8_t ReadPort(std::int32_t port) { return bus_.ReadPort(port); }
    bool PortOpen() const { return bus_.PortOpen(); }
    std::string portUnavailableReason() const { return bus_.portUnavailableReason(); }

    // ---- Timing ----
    void Delay() { bus_.Delay(); }
    std::chrono::nanoseconds delayLength() const { return bus_.delayLength(); }
    void Bremse() { bus_.Bremse(); }

    // ---- Serial frames (only in programming mode) ----
    void Kommando(std::uint16_t command) {
        pk::Kommando(bus_, command);
        // The two commands that move every 14-bit chip's address counter.
        if (command == cmd::LoadConfiguration) {
            counted_.reset();
        } else if (command == cmd::IncrementAddress && counted_) {
            ++*counted_;
        }
    }
    void WrDaten(std::uint16_t word) { pk::WrDaten(bus_, word); }
    std::uint16_t RdDaten() { return pk::RdDaten(bus_); }

    // ---- Programming mode ----
    // Frames start with the gap every chip takes; a routine that knows the
    // chip may shorten it for this entry.
    void StartProgmode(EntryOrder wanted = EntryOrder::VddFirst, bool vddOffFirst = false) {
        bus_.setFrameGap(kFrameGap);
        mode_.start(wanted, vddOffFirst);
        counted_ = 0;
    }
    void EndProgmode() {
        mode_.end();
        counted_.reset();
    }
    // Increment Address commands since entry, while no Load Configuration has
    // taken the chip's address counter into configuration memory; where that
    // leaves the counter in the chip's memory is the chip's own rule.
    std::optional<std::int32_t> incrementsSinceEntry() const { return counted_; }
    void Anfang() { mode_.idle(); }
    bool inProgrammingMode() const { return mode_.active(); }
    void safeIdle() {
        mode_.safeIdle();
        counted_.reset();
    }

    // ---- Search ----
    static std::uint8_t SearchExtraBits(std::int32_t driverIndex, std::int32_t switchIndex) {
        return pk::SearchExtraBits(driverIndex, switchIndex);
    }
    bool loopBackTest() { return pk::loopBackTest(bus_); }
    bool findProgrammer() { return pk::findProgrammer(bus_); }

    std::int32_t portBase() const { return bus_.portBase(); }

  private:
    LineBus bus_;
    ProgrammingMode mode_;
    std::optional<std::int32_t> counted_;
};

}  // namespace pk
