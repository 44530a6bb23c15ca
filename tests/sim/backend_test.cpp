// Options, the chip file and the backend the program builds from them.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "bitbang.h"
#include "sim/backend.h"
#include "sim/chip_file.h"
#include "sim/fault_names.h"
#include "sim/options.h"

namespace pk::sim {
namespace {

TEST(SimOptions, ParsesEveryOption) {
    SimOptions o;
    std::string err;
    EXPECT_EQ(parseSimOption("--simulate", o, &err), OptionResult::Ok);
    EXPECT_TRUE(o.simulate);
    EXPECT_EQ(o.chip, "16F84A");
    EXPECT_EQ(parseSimOption("--simulate=pic16f877", o, &err), OptionResult::Ok);
    EXPECT_EQ(o.chip, "16F877");
    EXPECT_EQ(parseSimOption("--sim-lpt=2", o, &err), OptionResult::Ok);
    EXPECT_EQ(o.lpt, 2);
    EXPECT_EQ(parseSimOption("--sim-circuit=2,3", o, &err), OptionResult::Ok);
    ASSERT_TRUE(o.circuit);
    EXPECT_EQ(o.circuit->driver, 2);
    EXPECT_EQ(o.circuit->sw, 3);
    EXPECT_EQ(parseSimOption("--sim-chip-file=/tmp/c.hex", o, &err), OptionResult::Ok);
    EXPECT_EQ(o.chipFile, "/tmp/c.hex");
    EXPECT_EQ(parseSimOption("--sim-fast", o, &err), OptionResult::Ok);
    EXPECT_TRUE(o.fast);
    EXPECT_FALSE(o.strict);
    SimOptions strict;
    EXPECT_EQ(parseSimOption("--sim-strict", strict, &err), OptionResult::Ok);
    EXPECT_TRUE(strict.strict && strict.fast) << "strict timing needs the virtual clock";
    for (const char* f :
         {"--sim-fault=no-chip", "--sim-fault=wrong-chip:16f628", "--sim-fault=stuck-low",
          "--sim-fault=stuck-high", "--sim-fault=clock-open", "--sim-fault=bad-cell:0x64",
          "--sim-fault=flaky:1000,7", "--sim-fault=no-vpp", "--sim-fault=no-bulk-erase",
          "--sim-fault=stuck-cell:0x2100", "--sim-fault=misread:0x10"}) {
        EXPECT_EQ(parseSimOption(f, o, &err), OptionResult::Ok) << f << ": " << err;
    }
    ASSERT_EQ(o.faults.size(), 11u);
    EXPECT_EQ(o.faults[10].kind, SimFault::Kind::Misread);
    EXPECT_EQ(o.faults[10].arg, 0x10);
    EXPECT_EQ(o.faults[1].chip, "16F628");
    EXPECT_EQ(o.faults[5].arg, 100);
    EXPECT_EQ(o.faults[6].arg, 1000);
    EXPECT_EQ(o.faults[6].seed, 7u);
    EXPECT_EQ(o.faults[8].kind, SimFault::Kind::NoBulkErase);
    EXPECT_EQ(o.faults[9].kind, SimFault::Kind::StuckCell);
    EXPECT_EQ(o.faults[9].arg, 0x2100);
    EXPECT_EQ(o.vppCentivolts, 1300) << "13 V unless told";
    for (const auto& [arg, centivolts] :
         {std::pair{"--sim-vpp=12", 1200}, std::pair{"--sim-vpp=12,5", 1250},
          std::pair{"--sim-vpp=13.25", 1325}}) {
        EXPECT_EQ(parseSimOption(arg, o, &err), OptionResult::Ok) << arg << ": " << err;
        EXPECT_EQ(o.vppCentivolts, centivolts) << arg;
    }
    for (const char* bad : {"--sim-vpp=", "--sim-vpp=12V", "--sim-vpp=40", "--sim-vpp=x"}) {
        EXPECT_EQ(parseSimOption(bad, o, &err), OptionResult::Error) << bad;
    }
    EXPECT_EQ(parseSimOption("--trace=x.vcd", o, &err), OptionResult::NotMine);
    EXPECT_EQ(parseSimOption("/p16f84", o, &err), OptionResult::NotMine);
}

TEST(SimOptions, RejectsBadValues) {
    for (const char* a :
         {"--simulate=16F999", "--sim-lpt=3", "--sim-lpt=", "--sim-circuit=3,1",
          "--sim-circuit=1,4", "--sim-circuit=11", "--sim-chip-file=", "--sim-fast=1",
          "--sim-fault=melted", "--sim-fault=bad-cell", "--sim-fault=bad-cell:zz",
          "--sim-fault=flaky:0", "--sim-fault=no-chip:1", "--sim-fault=wrong-chip:18F8722",
          "--sim-strict=1", "--sim-fault=stuck-cell", "--sim-fault=no-bulk-erase:1",
          "--sim-fault=misread"}) {
        SimOptions o;
        std::string err;
        EXPECT_EQ(parseSimOption(a, o, &err), OptionResult::Error) << a;
        EXPECT_FALSE(err.empty()) << a;
    }
}

// --help, the manual pages and the completion show each fault as the table names
// it: the argument they show must be the one the parser wants.
TEST(SimOptions, EveryFaultKindHasOneNameWhoseShownArgumentParses) {
    std::vector<int> rows(kSimFaultKinds, 0);
    for (const SimFaultName& f : simFaultNames()) {
        SCOPED_TRACE(std::string(f.name));
        ++rows.at(static_cast<std::size_t>(f.kind));
        EXPECT_EQ(simFaultName(f.kind), &f);
        const std::string bare(f.name);
        struct Case {
            FaultArgument argument;
            const char* example;  // stands for the shown argument
            const char* shown;
            bool bareParses;
        };
        const Case cases[] = {
            {FaultArgument::None, "", "", true},
            {FaultArgument::OptionalChip, ":16F628", "[:PIC]", true},
            {FaultArgument::Address, ":0x2100", ":ADR", false},
            {FaultArgument::Period, ":1000,7", ":N[,SEED]", false},
        };
        for (const Case& c : cases) {
            if (c.argument != f.argument) {
                continue;
            }
            EXPECT_EQ(f.syntax, c.shown);
            EXPECT_EQ(parseSimFault(bare).has_value(), c.bareParses);
            const auto parsed = parseSimFault(bare + c.example);
            ASSERT_TRUE(parsed.has_value());
            EXPECT_EQ(parsed->kind, f.kind);
        }
        EXPECT_NE(simFaultSummary().find(bare + std::string(f.syntax)), std::string::npos);
    }
    for (int k = 0; k < kSimFaultKinds; ++k) {
        EXPECT_EQ(rows[static_cast<std::size_t>(k)], 1) << "fault kind " << k;
    }
}

TEST(SimChipFile, ChipMemoriesSurviveASaveAndLoad) {
    const std::string path = testing::TempDir() + "chip_file_test.hex";
    std::filesystem::remove(path);
    SimChip a(*findChip("16F628"));
    a.setWord(0, 0x2801);
    a.setWord(0x7FF, 0x0123);
    a.setWord(0x2003, 0x3F8C);
    a.setWord(0x2007, 0x3F61);
    a.setWord(0x217F, 0x5A);
    std::string err;
    ASSERT_TRUE(saveChipFile(a, path, &err)) << err;

    std::ifstream in(path);
    std::stringstream ss;
    ss << in.rdbuf();
    EXPECT_EQ(ss.str().rfind(":00000001FF"), ss.str().size() - 13) << "ends with the end record";
    EXPECT_NE(ss.str().find(":02400E00613F10"), std::string::npos) << "configuration at 0x400E";
    EXPECT_EQ(ss.str().find(":10001000FF3F"), std::string::npos) << "erased words left out";

    SimChip b(*findChip("16F628"));
    ASSERT_TRUE(loadChipFile(b, path, &err)) << err;
    for (int addr : {0, 0x7FF, 0x2003, 0x2007, 0x217F, 5, 0x2100}) {
        EXPECT_EQ(b.word(addr), a.word(addr)) << addr;
    }
    for (const auto& e : std::filesystem::directory_iterator(testing::TempDir())) {
        EXPECT_EQ(e.path().string().find("chip_file_test.hex."), std::string::npos)
            << "no temporary file left: " << e.path();
    }
    std::filesystem::remove(path);
}

TEST(SimBackend, BuildsTheBoardTheOptionsDescribe) {
    ProgrammerSettings settings;
    settings.DriverIndex = 2;
    settings.SwitchIndex = 3;
    SimOptions o;
    o.simulate = true;
    o.chip = "16F877";
    o.fast = true;
    o.lpt = 2;
    std::string err;
    auto sim = SimBackend::create(o, settings, &err);
    ASSERT_TRUE(sim) << err;
    EXPECT_EQ(sim->circuit().variant().driver, 2) << "the settings' variant by default";
    EXPECT_EQ(sim->circuit().variant().sw, 3);
    EXPECT_EQ(sim->circuit().dataPort(), 0x278);
    ASSERT_NE(sim->chip(), nullptr);
    EXPECT_EQ(sim->chip()->name(), "16F877");
    EXPECT_NE(dynamic_cast<VirtualClock*>(&sim->clock()), nullptr);

    // The host reads the device ID through the backend's port.
    test::BitBang host(sim->port(), sim->clock(), 2, 3, 0x278);
    host.change(0x14, 0x2B);
    host.startProgmode();
    host.load(0, 0);
    host.increment(6);
    EXPECT_EQ(host.read(4) & 0x3FE0, 0x09A0);
    host.endProgmode();
    EXPECT_TRUE(sim->circuit().log().violations().empty()) << sim->circuit().log().violationText();

    o.circuit = CircuitVariant{0, 0};
    o.fast = false;
    o.faults = {*parseSimFault("wrong-chip"), *parseSimFault("stuck-low")};
    sim = SimBackend::create(o, settings, &err);
    ASSERT_TRUE(sim) << err;
    EXPECT_EQ(sim->circuit().variant().driver, 0);
    EXPECT_EQ(sim->chip()->name(), "16F628");
    EXPECT_FALSE(sim->circuit().dataLine());
    EXPECT_EQ(dynamic_cast<VirtualClock*>(&sim->clock()), nullptr)
        << "real time without --sim-fast";

    o.faults = {*parseSimFault("no-chip")};
    sim = SimBackend::create(o, settings, &err);
    ASSERT_TRUE(sim);
    EXPECT_EQ(sim->chip(), nullptr);
    EXPECT_TRUE(sim->saveChipFile(&err)) << "nothing to save";
}

TEST(SimBackend, ChipFileIsLoadedAtStartAndSavedOnRequest) {
    const std::string path = testing::TempDir() + "backend_chip.hex";
    std::filesystem::remove(path);
    ProgrammerSettings settings;
    SimOptions o;
    o.simulate = true;
    o.chipFile = path;
    o.faults = {*parseSimFault("bad-cell:5")};
    std::string err;
    {
        auto sim = SimBackend::create(o, settings, &err);
        ASSERT_TRUE(sim) << err << " (a missing file is a fresh chip)";
        EXPECT_EQ(sim->chip()->word(0), 0x3FFF);
        sim->chip()->setWord(0, 0x0ABC);
        ASSERT_TRUE(sim->saveChipFile(&err)) << err;
    }
    {
        auto sim = SimBackend::create(o, settings, &err);
        ASSERT_TRUE(sim) << err;
        EXPECT_EQ(sim->chip()->word(0), 0x0ABC);
    }
    const auto fileText = [&path] {
        std::ifstream in(path, std::ios::binary);
        std::stringstream ss;
        ss << in.rdbuf();
        return ss.str();
    };
    const std::string before = fileText();
    {
        // A wrong chip in the socket is another chip: the file is neither loaded
        // into it nor rewritten, whatever happens to it.
        SimOptions wrong = o;
        wrong.chip = "16F877";
        wrong.faults = {*parseSimFault("wrong-chip")};
        auto sim = SimBackend::create(wrong, settings, &err);
        ASSERT_TRUE(sim) << err;
        EXPECT_EQ(sim->chip()->name(), "16F628");
        EXPECT_EQ(sim->chip()->word(0), 0x3FFF);
        sim->chip()->setWord(1, 0x0001);
        ASSERT_TRUE(sim->saveChipFile(&err)) << err;
        EXPECT_EQ(fileText(), before);
    }
    {
        // Unchanged memories leave the file alone, even when it is not in our format.
        std::ofstream(path) << ":020000000000FE\n";
        auto sim = SimBackend::create(o, settings, &err);
        ASSERT_TRUE(sim) << err;
        ASSERT_TRUE(sim->saveChipFile(&err)) << err;
        EXPECT_EQ(fileText(), ":020000000000FE\n");
    }
    std::ofstream(path) << ":10000000garbage\n";
    EXPECT_EQ(SimBackend::create(o, settings, &err), nullptr);
    EXPECT_NE(err.find(path), std::string::npos) << err;
    std::filesystem::remove(path);
}

// A chip file of a chip set to run its own program (internal oscillator, MCLR
// disabled), on a board whose VDD is always on: the chip runs from the start,
// so VPP raised after VDD finds no programming mode.
TEST(SimBackend, ChipUnderConstantVddStartsWithItsFilesConfiguration) {
    const std::string path = testing::TempDir() + "backend_running.hex";
    std::filesystem::remove(path);
    ProgrammerSettings settings;
    settings.DriverIndex = 1;
    settings.SwitchIndex = 3;  // AN589 switch: VDD always on
    SimOptions o;
    o.simulate = true;
    o.fast = true;
    o.chip = "16F628A";
    o.chipFile = path;
    std::string err;
    {
        auto sim = SimBackend::create(o, settings, &err);
        ASSERT_TRUE(sim) << err;
        sim->chip()->setWord(0x2007, 0x3F50);
        ASSERT_TRUE(sim->saveChipFile(&err)) << err;
    }
    auto sim = SimBackend::create(o, settings, &err);
    ASSERT_TRUE(sim) << err;
    test::BitBang host(sim->circuit(), sim->clock(), 1, 3);
    host.idle();
    host.startProgmode();
    EXPECT_FALSE(sim->chip()->inProgrammingMode());
    EXPECT_NE(sim->circuit().log().violationText().find("no programming mode"), std::string::npos)
        << sim->circuit().log().violationText();
    std::filesystem::remove(path);
}

}  // namespace
}  // namespace pk::sim
