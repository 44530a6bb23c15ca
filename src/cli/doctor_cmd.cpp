#include "doctor_cmd.h"

#include <cstdio>

#include "cli.h"
#include "device/doctor.h"

namespace pk::cli {

int runDoctor(ProgrammerLink& link, Clock& clock, const ProgrammerSettings& settings,
              std::int32_t& portBase, bool quiet) {
    const LinkDiagnosis d = explainReadings(takeDoctorReadings(link, clock, settings, portBase));
    if (!quiet) {
        for (const std::string& line : d.lines) {
            std::printf("%s\n", line.c_str());
        }
    }
    if (d.ok) {
        return ExitOk;
    }
    switch (d.causes.front()) {
        case LinkCause::NoPortAccess:
        case LinkCause::NoParallelPort:
        case LinkCause::NoProgrammerAnswer:
        case LinkCause::DataStuckHigh:
        case LinkCause::DataStuckLow:
        case LinkCause::LoopBackInverted:
        case LinkCause::QuickAndDirtyCannotRead:
            return ExitNoProgrammer;
        default:
            return ExitChip;
    }
}

}  // namespace pk::cli
