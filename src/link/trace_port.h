#pragma once
// A line trace of every port access, for any backend: wraps a PortIo and writes
// each write and read with its time (from the clock seam) as a Value Change
// Dump, viewable in GTKWave or PulseView.
//
//   pk::TracePort trace(innerPort, clock, settings, "burn.vcd");
//   deps.port = &trace;
//
// Signals: the raw data-register bits d0..d7 (of whichever of 0x378/0x278 was
// accessed last; "lpt" says which, 1 or 2), the status bit 6 as read ("ack"),
// and derived from the circuit table's row for the settings: "clock" and
// "data_out" (the levels the PC puts on the lines; "z" while the AN589 driver
// is disabled), "data_in" (the data bit the PC reads), "vdd" and "vpp" ("x"
// for VPP with the hand-operated switch, which no bit shows).

#include <cstdint>
#include <cstdio>
#include <string>

#include "link/circuit.h"
#include "link/clock.h"
#include "link/port_io.h"
#include "link/settings.h"

namespace pk {

class TracePort : public PortIo {
  public:
    // settings is read at every access, so a change of variant shows at once;
    // setSettings() points the trace at another settings object (the main
    // window's, once it exists).
    TracePort(PortIo& inner, Clock& clock, const ProgrammerSettings& settings,
              const std::string& path);
    ~TracePort() override;
    TracePort(const TracePort&) = delete;
    TracePort& operator=(const TracePort&) = delete;

    void setSettings(const ProgrammerSettings& settings) { settings_ = &settings; }

    // Whether the trace file could be created.
    bool ok() const { return file_ != nullptr; }

    void write(int port, std::uint8_t value) override;
    std::uint8_t read(int port) override;
    bool available() const override { return inner_.available(); }
    std::string unavailableReason() const override { return inner_.unavailableReason(); }
    void release() override { inner_.release(); }

  private:
    void stamp();
    void put(char id, char value);
    void emitData(std::uint8_t reg);
    static bool isData(int port);
    static bool isStatus(int port);

    PortIo& inner_;
    Clock& clock_;
    const ProgrammerSettings* settings_;
    std::FILE* file_ = nullptr;
    std::int64_t origin_ = 0;
    std::int64_t lastTime_ = -1;
    std::int64_t pendingTime_ = 0;
    char values_[32];  // last value written per signal id, '?' before the first
};

}  // namespace pk
