#pragma once
// "Verbindung prüfen": takes the readings a connection problem leaves on the port
// (the loop-back test at each port, the device ID and a stretch of memory read
// twice) and explains them in German for the circuit variant in use, line by
// line, the likely cause first, with what to check.
//
// Taking the readings drives the port; explaining them is a pure function, so the
// window, pkorvel-cli and the tests share one wording.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "link/clock.h"
#include "link/programmer.h"
#include "link/settings.h"

namespace pk {

// One port as the loop-back test saw it.
struct PortProbe {
    std::int32_t base = 0;
    // The data register reads back what was written: there is a port at this address.
    bool portPresent = false;
    // Status bit 6 with D0 = 0 and with D0 = 1.
    bool statusWithD0Low = false;
    bool statusWithD0High = false;

    bool loopBackOk() const { return !statusWithD0Low && statusWithD0High; }
};

struct DoctorReadings {
    ProgrammerSettings circuit;
    bool portAccess = true;
    std::vector<PortProbe> ports;  // in the order tested: LPT2, LPT1
    // Only when a loop-back passed: one device ID word per attempt, and the
    // configuration word and program memory words read twice.
    std::vector<std::uint16_t> deviceIds;
    std::vector<std::uint16_t> configWords;
    int comparedWords = 0;
    int differingWords = 0;
    bool anyWordNotAllOnes = false;  // something in the chip answered with a 0 bit
    bool anyWordNotZero = false;     // something answered with a 1 bit
};

// What a reading points to, the most likely first.
enum class LinkCause {
    NoPortAccess,
    QuickAndDirtyCannotRead,
    NoParallelPort,
    NoProgrammerAnswer,  // cable, power, wrong port
    DataStuckHigh,
    DataStuckLow,
    LoopBackInverted,  // status follows D0 the wrong way round: driver setting
    NoChip,
    Old16F84WithoutId,
    NoVpp,
    ClockOpen,
    DataOpen,
    NoVdd,
    UnstableReads,
    AllGood,
};

struct LinkDiagnosis {
    std::vector<LinkCause> causes;   // most likely first; never empty
    std::vector<std::string> lines;  // German, one finding or check per line
    bool ok = false;                 // a chip answered steadily with a device ID
};

// Runs the probes. Touches only the two printer ports' data registers with the
// loop-back patterns and, where a programmer answers, reads the chip in
// programming-mode brackets of its own; it never writes the chip.
DoctorReadings takeDoctorReadings(ProgrammerLink& link, Clock& clock,
                                  const ProgrammerSettings& settings, std::int32_t& portBase);

LinkDiagnosis explainReadings(const DoctorReadings& readings);

// The lines as one message text ("\r" between lines).
std::string diagnosisText(const LinkDiagnosis& diagnosis);

}  // namespace pk
