// What every chip family promises through its interface, on a simulated chip:
// a detection without a type finds the part, a file burns, compares and reads
// back as what compares again, and an erase leaves the chip blank with the
// factory's words as they were.

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <fstream>
#include <set>
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

// Twelve-bit words, the configuration word where gpasm puts it (0xFFF), and a
// word at the calibration's place that a burn must not take.
std::string baselineFile(unsigned osccalByte) {
    return record(0, 0x0000, {0x25, 0x0C, 0x06, 0x00, 0x03, 0x0A}) +
           record(0, osccalByte, {0x00, 0x0C}) + record(0, 0x1FFE, {0xEA, 0x0F}) + ":00000001FF\n";
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
        if (chipName != nullptr) {
            circuit.insertChip(std::make_unique<sim::SimChip>(*sim::findChip(chipName)));
        }
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
    enum class Layout { Words, Bytes, Baseline };
    struct Case {
        const char* chip;
        Layout layout;
    };
    // A row per family, and the parts whose factory words an erase must keep.
    const Case cases[] = {
        {"16F684", Layout::Words},    {"12F675", Layout::Words},   {"16F628A", Layout::Words},
        {"18F4550", Layout::Bytes},   {"18F452", Layout::Bytes},   {"12F508", Layout::Baseline},
        {"10F200", Layout::Baseline}, {"16F57", Layout::Baseline}, {"12F519", Layout::Baseline}};
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

        if (c.layout == Layout::Baseline) {
            // VIHH 12.5-13.5 V.
            rig.circuit.setVpp(1300);
            rig.settings.VppTenths = 130;
        }
        // A chip without device ID is named, never recognised.
        const bool named = !expected->family->recognisable();
        const Identification blank =
            identifyChip(rig.session, named ? expected : std::optional<Part>());
        ASSERT_EQ(blank.outcome, Outcome::Ok) << blank.message;
        ASSERT_TRUE(blank.part);
        EXPECT_EQ(blank.part->family, expected->family);
        EXPECT_EQ(blank.part->row, expected->row);

        CommandOptions o;
        const unsigned osccalByte =
            2 * (static_cast<unsigned>(rig.circuit.chip()->model().programWords) - 1);
        o.path = writeTemp(std::string(c.chip) + ".hex", c.layout == Layout::Words ? wordFile()
                                                         : c.layout == Layout::Bytes
                                                             ? byteFile()
                                                             : baselineFile(osccalByte));
        for (Command cmd : {Command::Burn, Command::Verify, Command::Read}) {
            const CommandResult r = runCommand(rig.session, cmd, expected, o);
            ASSERT_EQ(r.outcome, Outcome::Ok)
                << static_cast<int>(cmd) << " " << rig.report.messages.size();
            ASSERT_TRUE(r.part);
            EXPECT_EQ(r.part->row, expected->row);
        }
        // A burn keeps the factory's words, whatever the file has at their place.
        EXPECT_EQ(factoryWords(identifyChip(rig.session, expected)), factoryWords(blank));
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

namespace pk {
namespace {

// Every part is found again by its list position and by each of its names, in
// any case, and no two parts share a name or a position.
TEST(FamilyContract, EveryPartIsFoundByItsPlaceAndItsNames) {
    std::set<std::string> names;
    const std::vector<Part> parts = allParts();
    for (std::size_t i = 0; i < parts.size(); ++i) {
        const Part& p = parts[i];
        SCOPED_TRACE(p.listText());
        ASSERT_EQ(listIndexOf(p), static_cast<std::int32_t>(i));
        ASSERT_EQ(partAt(static_cast<std::int32_t>(i)), p);
        const std::vector<std::string> own = p.family->typeNames(p.row);
        ASSERT_FALSE(own.empty());
        for (const std::string& n : own) {
            EXPECT_TRUE(names.insert(n).second) << n << " names two parts";
            std::string upper = n;
            for (char& c : upper) {
                c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
            }
            const std::optional<Part> found = findPart(upper);
            ASSERT_TRUE(found) << n;
            EXPECT_EQ(found->family, p.family);
            EXPECT_EQ(found->row, p.row);
        }
    }
    EXPECT_FALSE(partAt(-1));
    EXPECT_FALSE(partAt(static_cast<std::int32_t>(parts.size())));
    EXPECT_FALSE(findPart("16f999"));
}

// What a command without success reports, whichever family would have run it:
// never Ok, and a broken file never reaches the chip.
TEST(FamilyContract, NoCommandSucceedsWithoutItsChipOrFile) {
    struct Case {
        const char* what;
        const char* socket;  // nullptr: empty
        const char* part;    // nullptr: detect
        bool brokenFile;
        Outcome outcome;
    };
    const Case cases[] = {
        {"empty socket, no type", nullptr, nullptr, false, Outcome::NoChip},
        {"empty socket, 14-bit type", nullptr, "16F628A", false, Outcome::NoChip},
        {"empty socket, PIC18F type", nullptr, "18F4550", false, Outcome::NoChip},
        {"PIC18F in the socket, 14-bit type", "18F4550", "16F628A", false, Outcome::NoChip},
        {"14-bit in the socket, PIC18F type", "16F628A", "18F4550", false, Outcome::NoChip},
        {"another PIC18F", "18F452", "18F4550", false, Outcome::WrongType},
        {"broken file, no type", "16F628A", nullptr, true, Outcome::FileUnusable},
        {"broken file, PIC18F type", "18F4550", "18F4550", true, Outcome::FileUnusable},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Rig rig(c.socket);
        CommandOptions o;
        o.path = writeTemp("contract-fail.hex",
                           c.brokenFile ? std::string(":0200000005\n") : wordFile());
        const std::optional<Part> part =
            c.part != nullptr ? findPart(c.part) : std::optional<Part>();
        const CommandResult r = runCommand(rig.session, Command::Burn, part, o);
        EXPECT_EQ(r.outcome, c.outcome);
        if (c.brokenFile) {
            EXPECT_EQ(rig.circuit.log().modeEntries(), 0) << "the chip got VPP";
        }
    }
}

}  // namespace
}  // namespace pk
