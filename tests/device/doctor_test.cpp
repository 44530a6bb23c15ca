// "Verbindung prüfen" against the simulator's hardware faults, on every usable
// circuit variant: the explanation names the fault's likely cause first.

#include "device/doctor.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "link/programmer.h"
#include "sim/backend.h"
#include "sim/options.h"
#include "support/scripted_dialog.h"

namespace pk {
namespace {

struct Probe {
    LinkDiagnosis diagnosis;
    DoctorReadings readings;
    std::int32_t portBase = 0x378;
};

Probe probe(const std::vector<std::string>& faults, sim::CircuitVariant variant, int lpt = 1) {
    sim::SimOptions options;
    options.simulate = true;
    options.fast = true;
    options.lpt = lpt;
    options.circuit = variant;
    for (const std::string& f : faults) {
        options.faults.push_back(*sim::parseSimFault(f));
    }
    ProgrammerSettings settings;
    settings.DriverIndex = variant.driver;
    settings.SwitchIndex = variant.sw;
    std::string error;
    auto backend = sim::SimBackend::create(options, settings, &error);
    EXPECT_NE(backend, nullptr) << error;
    ScriptedDialog user;
    backend->dialog().setInner(&user);
    Probe p;
    p.portBase = lpt == 2 ? kLpt1 : kLpt2;  // where a search that failed would leave it
    ProgrammerLink link(backend->port(), backend->clock(), backend->dialog(), settings, p.portBase);
    p.readings = takeDoctorReadings(link, backend->clock(), settings, p.portBase);
    p.diagnosis = explainReadings(p.readings);
    // The probes never put the chip out of step with its protocol.
    EXPECT_TRUE(backend->circuit().log().violations().empty())
        << backend->circuit().log().violationText();
    return p;
}

bool names(const LinkDiagnosis& d, LinkCause c) {
    return std::find(d.causes.begin(), d.causes.end(), c) != d.causes.end();
}

TEST(Doctor, EachSimulatedFaultHasItsLikelyCauseFirstOnEveryCircuit) {
    struct Case {
        std::vector<std::string> faults;
        LinkCause first;
        LinkCause alsoNamed;
    };
    const Case cases[] = {
        {{}, LinkCause::AllGood, LinkCause::AllGood},
        {{"no-chip"}, LinkCause::NoChip, LinkCause::NoVpp},
        {{"stuck-low"}, LinkCause::DataStuckLow, LinkCause::NoProgrammerAnswer},
        {{"stuck-high"}, LinkCause::DataStuckHigh, LinkCause::NoProgrammerAnswer},
        // Without VPP or clock the chip stays as silent as an empty socket; the
        // port cannot tell them apart, so they follow the empty socket.
        {{"no-vpp"}, LinkCause::NoChip, LinkCause::NoVpp},
        {{"clock-open"}, LinkCause::NoChip, LinkCause::ClockOpen},
        {{"flaky:40"}, LinkCause::UnstableReads, LinkCause::UnstableReads},
        {{"flaky:500,3"}, LinkCause::UnstableReads, LinkCause::UnstableReads},
    };
    const sim::CircuitVariant variants[] = {{0, 0}, {0, 1}, {1, 0}, {1, 1}, {1, 2}, {2, 3}};
    for (const sim::CircuitVariant v : variants) {
        for (const Case& c : cases) {
            const std::string where = (c.faults.empty() ? "healthy" : c.faults[0]) + " on driver " +
                                      std::to_string(v.driver) + ", switch " + std::to_string(v.sw);
            const Probe p = probe(c.faults, v);
            ASSERT_FALSE(p.diagnosis.causes.empty()) << where;
            EXPECT_EQ(p.diagnosis.causes.front(), c.first) << where << "\n"
                                                           << diagnosisText(p.diagnosis);
            EXPECT_TRUE(names(p.diagnosis, c.alsoNamed)) << where;
            EXPECT_EQ(p.diagnosis.ok, c.first == LinkCause::AllGood) << where;
            EXPECT_GE(p.diagnosis.lines.size(), 2u) << where;
        }
    }
}

TEST(Doctor, ReadingsSayWhatEachPortShowed) {
    // The board on LPT2: the loop-back passes there and the port is taken.
    Probe p = probe({}, {1, 1}, 2);
    ASSERT_EQ(p.readings.ports.size(), 2u);
    EXPECT_TRUE(p.readings.ports[0].loopBackOk());
    EXPECT_EQ(p.portBase, kLpt2);
    EXPECT_EQ(p.readings.deviceIds.size(), 2u);
    EXPECT_EQ(p.readings.differingWords, 0);

    // Stuck low behind the inverting 7406: the status reads 1 all the time, which
    // is a low line there, not a high one.
    p = probe({"stuck-low"}, {0, 1});
    ASSERT_EQ(p.readings.ports.size(), 2u);
    EXPECT_FALSE(p.readings.ports[0].portPresent) << "no port at LPT2 in the simulator";
    EXPECT_TRUE(p.readings.ports[1].portPresent);
    EXPECT_TRUE(p.readings.ports[1].statusWithD0Low && p.readings.ports[1].statusWithD0High);
    EXPECT_EQ(p.diagnosis.causes.front(), LinkCause::DataStuckLow);
    EXPECT_EQ(p.portBase, kLpt2) << "a failed check leaves the port as it was";
}

TEST(Doctor, ExplainsReadingsThatNeedNoHardware) {
    struct Case {
        const char* what;
        DoctorReadings readings;
        LinkCause first;
    };
    DoctorReadings noAccess;
    noAccess.portAccess = false;
    DoctorReadings qad;
    qad.circuit.QuickAndDirty = true;
    DoctorReadings noPort;
    noPort.ports = {PortProbe{kLpt2, false, true, true}, PortProbe{kLpt1, false, true, true}};
    const PortProbe good{kLpt1, true, false, true};
    DoctorReadings zeros;
    zeros.ports = {good};
    zeros.deviceIds = {0, 0};
    zeros.configWords = {0, 0};
    DoctorReadings old84;
    old84.ports = {good};
    old84.deviceIds = {0x3FFF, 0x3FFF};
    old84.configWords = {0x3FFF, 0x3FFF};
    old84.anyWordNotAllOnes = true;  // its program answered
    DoctorReadings inverted;
    inverted.ports = {PortProbe{kLpt1, true, true, false}};
    for (const Case& c : {
             Case{"no port access", noAccess, LinkCause::NoPortAccess},
             Case{"Quick and Dirty", qad, LinkCause::QuickAndDirtyCannotRead},
             Case{"no port at all", noPort, LinkCause::NoParallelPort},
             Case{"ID 0x0000", zeros, LinkCause::NoVdd},
             Case{"16F84 without ID", old84, LinkCause::Old16F84WithoutId},
             Case{"inverted loop-back", inverted, LinkCause::LoopBackInverted},
         }) {
        const LinkDiagnosis d = explainReadings(c.readings);
        ASSERT_FALSE(d.causes.empty()) << c.what;
        EXPECT_EQ(d.causes.front(), c.first) << c.what << "\n" << diagnosisText(d);
        EXPECT_FALSE(d.lines.empty()) << c.what;
    }
}

}  // namespace
}  // namespace pk
