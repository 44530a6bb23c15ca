// What every chip family promises through its interface, on a simulated chip:
// a detection without a type finds the part, a file burns, compares and reads
// back as what compares again, and an erase leaves the chip blank with the
// factory's words as they were.

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "device/family.h"
#include "link/clock.h"
#include "link/programmer.h"
#include "sim/circuit.h"
#include "sim/switch_dialog.h"
#include "support/recording_reporter.h"
#include "support/scripted_dialog.h"

namespace pk {
namespace {

// One Intel HEX record.
std::string record(int type, unsigned address, const std::vector<unsigned>& bytes) {
    unsigned sum = static_cast<unsigned>(bytes.size()) + (address >> 8) + (address & 0xFF) +
                   static_cast<unsigned>(type);
    char buf[16];
    std::snprintf(buf, sizeof buf, ":%02zX%04X%02X", bytes.size(), address & 0xFFFF, type);
    std::string line = buf;
    for (unsigned b : bytes) {
        std::snprintf(buf, sizeof buf, "%02X", b);
        line += buf;
        sum += b;
    }
    std::snprintf(buf, sizeof buf, "%02X\n", (0x100 - (sum & 0xFF)) & 0xFF);
    return line + buf;
}

// A few program words and data bytes, in each memory layout.
std::string wordFile() {
    return record(0, 0x0000, {0x05, 0x28, 0x83, 0x16, 0xFF, 0x30}) +
           record(0, 0x4200, {0x12, 0x00, 0x34, 0x00}) + ":00000001FF\n";
}

std::string byteFile() {
    return record(0, 0x0000, {0x12, 0x34, 0x56, 0x78, 0x9A, 0xBC}) +
           record(4, 0x0000, {0x00, 0xF0}) + record(0, 0x0000, {0x12, 0x34}) + ":00000001FF\n";
}

struct Rig {
    explicit Rig(const char* chipName) : circuit(clock, {1, 1}, 1), switchDialog(&dialog, circuit) {
        settings.DriverIndex = 1;
        settings.SwitchIndex = 1;
        // Every supported chip takes 12 V: no question before a detection.
        circuit.setVpp(1200);
        settings.VppTenths = 120;
        circuit.insertChip(std::make_unique<sim::SimChip>(*sim::findChip(chipName)));
        link.Anfang();
        report.reloadFromDisk = true;
    }

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
    Session session{link, clock, image, device, settings, errors, report};
};

std::string writeTemp(const std::string& name, const std::string& text) {
    const std::string path = ::testing::TempDir() + name;
    std::ofstream(path) << text;
    return path;
}

// The factory's words as a detection reports them; "" for a part without.
std::string factoryWords(const Identification& id) {
    std::string text;
    for (const std::string& line : id.lines) {
        if (line.starts_with("Kalibrierung")) {
            text += line;
        }
    }
    return text;
}

TEST(FamilyContract, EveryFamilyIdentifiesBurnsReadsAndErasesThroughTheInterface) {
    struct Case {
        const char* chip;
        bool words;  // the 14-bit word layout, else bytes
    };
    // A row per family, and the parts whose factory words an erase must keep.
    const Case cases[] = {{"16F684", true},
                          {"12F675", true},
                          {"16F628A", true},
                          {"18F4550", false},
                          {"18F452", false}};
    std::size_t familiesSeen = 0;
    std::vector<const ChipFamily*> seen;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.chip);
        Rig rig(c.chip);
        const std::optional<Part> expected = findPart(c.chip);
        ASSERT_TRUE(expected);
        if (std::find(seen.begin(), seen.end(), expected->family) == seen.end()) {
            seen.push_back(expected->family);
        }

        const Identification blank = identifyChip(rig.session, std::nullopt);
        ASSERT_EQ(blank.outcome, Outcome::Ok) << blank.message;
        ASSERT_TRUE(blank.part);
        EXPECT_EQ(blank.part->family, expected->family);
        EXPECT_EQ(blank.part->row, expected->row);

        CommandOptions o;
        o.path = writeTemp(std::string(c.chip) + ".hex", c.words ? wordFile() : byteFile());
        for (Command cmd : {Command::Burn, Command::Verify, Command::Read}) {
            const CommandResult r = runCommand(rig.session, cmd, expected, o);
            ASSERT_EQ(r.outcome, Outcome::Ok)
                << static_cast<int>(cmd) << " " << rig.report.messages.size();
            ASSERT_TRUE(r.part);
            EXPECT_EQ(r.part->row, expected->row);
        }
        // What the read saves compares with the chip.
        CommandOptions back = o;
        back.path = writeTemp(std::string(c.chip) + "-read.hex",
                              expected->family->readBackHex(rig.session, *expected));
        EXPECT_EQ(runCommand(rig.session, Command::Verify, expected, back).outcome, Outcome::Ok);

        // The erase checks blank itself; the file no longer compares.
        EXPECT_EQ(runCommand(rig.session, Command::Erase, expected, o).outcome, Outcome::Ok);
        EXPECT_EQ(runCommand(rig.session, Command::Verify, expected, o).outcome, Outcome::Failed);
        const Identification after = identifyChip(rig.session, expected);
        EXPECT_EQ(after.outcome, Outcome::Ok);
        EXPECT_EQ(factoryWords(after), factoryWords(blank));
        EXPECT_TRUE(rig.circuit.log().violations().empty()) << rig.circuit.log().violationText();
    }
    familiesSeen = seen.size();
    EXPECT_EQ(familiesSeen, chipFamilies().size()) << "a family without a row in this table";
}

}  // namespace
}  // namespace pk
