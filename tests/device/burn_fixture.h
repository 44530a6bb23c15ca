#pragma once
// A simulated programmer with a chip in its socket, the programmer link and the
// chip routines on top, all on virtual time. The program side is set up for
// the chip's catalogue entry; the board is found at LPT1.

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "chip_facts.h"
#include "device/commands.h"
#include "editors/config_word.h"
#include "link/clock.h"
#include "link/programmer.h"
#include "sim/circuit.h"
#include "sim/switch_dialog.h"
#include "support/recording_reporter.h"
#include "support/scripted_dialog.h"

namespace pk::burntest {

using testfacts::plainConfig;
using testfacts::typeOf;

struct Bench {
    // strict: port accesses take no time, only the program's own waits count.
    explicit Bench(const char* chipName, std::int32_t type = -2, int driver = 1, int sw = 1,
                   bool strict = false)
        : circuit(clock, {driver, sw}, 1), switchDialog(&dialog, circuit) {
        if (strict) {
            circuit.setAccessCost(std::chrono::nanoseconds(0));
        }
        settings.DriverIndex = driver;
        settings.SwitchIndex = sw;
        if (chipName != nullptr) {
            chip = circuit.insertChip(std::make_unique<sim::SimChip>(*sim::findChip(chipName)));
            // A chip that takes at most 12 V on MCLR on a board that gives 12 V.
            if (!deviceInfo(typeOf(chipName))->vpp.holds(1300)) {
                setVpp(120);
            }
        }
        selectType(type == -2 ? typeOf(chipName == nullptr ? "16F84" : chipName) : type);
        link.Anfang();
        circuit.log().clear();
    }

    // The board's VPP and the setup's, in tenths of a volt.
    void setVpp(std::int32_t tenths) {
        circuit.setVpp(static_cast<int>(tenths) * 10);
        settings.VppTenths = tenths;
    }

    // What the type list's change handler does to the device state.
    void selectType(std::int32_t type) {
        device.CurrentType = type;
        if (const DeviceInfo* info = deviceInfo(type)) {
            device.ProgLastAddr = info->progLastAddr;
            device.DataLastAddr = info->dataLastAddr;
        }
    }

    // Options that burn the image as the test set it up: its configuration word
    // and ID values as they stand, any other word from the file as pkorvel-cli
    // takes it.
    BurnOptions imageOptions(bool withData = true) const {
        BurnOptions o;
        o.configRule = configRule(ConfigControls{}, true);
        o.includeData = withData;
        o.configWord = image.ConfigWord;
        o.ids = image.IdWords;
        return o;
    }

    // The burn command on the image; false when it stopped before the chip.
    bool burn(bool withData = true) {
        last = pk::burn(session, imageOptions(withData));
        return last.outcome == Outcome::Ok || last.outcome == Outcome::Failed;
    }

    // One routine in its own programming-mode bracket.
    template <typename F>
    void bracket(F&& routine) {
        ops.StartProgmode();
        routine();
        link.EndProgmode();
    }

    const sim::SimLog& log() const { return circuit.log(); }
    std::string violations() const { return circuit.log().violationText(); }
    bool clean() const { return circuit.log().violations().empty(); }

    VirtualClock clock;
    sim::SimCircuit circuit;
    ScriptedDialog dialog;
    sim::SimSwitchDialog switchDialog;
    ProgrammerSettings settings;
    std::int32_t portBase = kLpt1;
    ProgrammerLink link{circuit, clock, switchDialog, settings, portBase};
    MemoryImage image;
    DeviceState device;
    ErrorCounters errors;
    RecordingReporter report;
    ChipSession session{link, clock, image, device, settings, errors, report};
    ChipOps& ops = session.ops;
    CommandResult last;
    sim::SimChip* chip = nullptr;
};

}  // namespace pk::burntest
