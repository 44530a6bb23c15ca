// The PIC18F routines against the simulated chips: every simulated part row
// detected, burnt with a random image, verified, read back and erased with the
// simulator's log empty; circuit variants and both timings; protection and
// its removal; and the faults a user meets, each ending in a count or a clear
// outcome, never in success.

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <stdexcept>

#include "p18_bench.h"
#include "sim/chip.h"
#include "sim/families/p18.h"

namespace pk::p18bench {
namespace {

using namespace std::chrono_literals;

std::string traceName(const char* part, int driver, int sw, TimingMode t) {
    return std::string(part) + " driver " + std::to_string(driver) + " switch " +
           std::to_string(sw) + (t == TimingMode::Classic ? " classic" : " data sheet");
}

// What a round trip does besides detect, burn and verify: the full-chip reads
// (two passes) and the erase with its blank check each read every byte, the
// dearest thing the simulator does, so they are asked for where they pay.
struct Trip {
    bool read = true;
    bool erase = true;
};

// Detect, burn, verify, then read and erase: what every part must pass.
void roundTrip(const char* part, int driver, int sw, TimingMode timing, double rowShare,
               unsigned seed, Trip trip = {}) {
    SCOPED_TRACE(traceName(part, driver, sw, timing));
    Bench b(part, nullptr, driver, sw, timing);
    ASSERT_NE(b.device, nullptr);
    b.p18().setByte(0x10, 0x00);  // something the burn's erase must clear

    const P18Detection found = b.ops.detect();
    EXPECT_EQ(found.outcome, Outcome::Ok);
    ASSERT_EQ(found.device, b.device);
    EXPECT_EQ(found.revision, b.p18().part().deviceId & b.device->revisionMask);
    EXPECT_FALSE(found.protection.any());
    EXPECT_EQ(b.report.panels[0], std::string(kRevisionPrefix) + std::to_string(found.revision));

    ByteImage img = randomImage(*b.device, seed, rowShare);
    const auto want = expectedChip(*b.device, img);
    CommandResult r = b.ops.burn(*b.device, img);
    EXPECT_EQ(r.outcome, Outcome::Ok) << (r.failures.empty() ? "" : failureMessage(r.failures[0]));
    EXPECT_EQ(r.counters.sum(), 0);
    EXPECT_TRUE(b.clean()) << b.violations();
    // The chip holds the image (the file's bytes, 0xFF elsewhere, configuration under the mask).
    const ByteRegions regions = p18Regions(*b.device);
    for (ByteArea area : kByteAreas) {
        const ByteAreaPlace p = regions.place(area);
        const std::uint32_t step = area == ByteArea::Program ? 7 : 1;
        for (std::uint32_t i = 0; i < p.size; i += step) {
            if (want[p.first + i] != ByteImage::AbsentByte) {
                ASSERT_EQ(b.p18().byte(p.base + i), want[p.first + i]) << std::hex << p.base + i;
            }
        }
    }

    r = b.ops.verify(*b.device, img);
    EXPECT_EQ(r.outcome, Outcome::Ok);
    EXPECT_TRUE(r.failures.empty());

    if (trip.read) {
        ByteImage back(p18Regions(*b.device));
        r = b.ops.read(*b.device, back);
        EXPECT_EQ(r.outcome, Outcome::Ok);
        EXPECT_EQ(r.unstable, 0);
        EXPECT_EQ(back.ReadBack, want);
    }

    if (trip.erase) {
        r = b.ops.erase(*b.device);
        EXPECT_EQ(r.outcome, Outcome::Ok);
        EXPECT_EQ(b.report.panels[1], kEraseDoneText);
        for (std::uint32_t a = 0; a < b.device->programBytes; a += 97) {
            ASSERT_EQ(b.p18().byte(a), 0xFF) << a;
        }
        EXPECT_EQ(b.p18().byte(p18addr::kEeprom), 0xFF);
    }
    EXPECT_TRUE(b.clean()) << b.violations();
    EXPECT_FALSE(b.chip->inProgrammingMode());
}

// Every part the simulator has, the timings taken in turn; a few rows each
// keep the run short, the erase's blank check still reads every byte.
TEST(P18Ops, EverySimulatedPartDetectsBurnsVerifiesAndErases) {
    unsigned seed = 1;
    bool dataSheet = false;
    for (const sim::P18Part& p : sim::p18Parts()) {
        roundTrip(std::string(p.name).c_str(), 1, 1,
                  dataSheet ? TimingMode::DataSheet : TimingMode::Classic, 0.03, seed++,
                  {.read = false, .erase = true});
        dataSheet = !dataSheet;
    }
}

// Whole images, read back twice, on the small part of each family and one
// with a 1 KB EEPROM, in both timings.
TEST(P18Ops, FullImagesReadBackEqual) {
    roundTrip("18F1220", 1, 1, TimingMode::DataSheet, 1.0, 77);
    roundTrip("18F1320", 1, 1, TimingMode::Classic, 1.0, 78);
    roundTrip("18F2420", 1, 1, TimingMode::DataSheet, 1.0, 79, {.read = true, .erase = false});
    roundTrip("18F252", 1, 1, TimingMode::Classic, 0.2, 80, {.read = false, .erase = false});
    roundTrip("18F4620", 1, 1, TimingMode::DataSheet, 0.1, 81, {.read = false, .erase = false});
}

TEST(P18Ops, CircuitVariants) {
    const struct { int driver, sw; } variants[] = {{0, 0}, {0, 1}, {1, 1}, {1, 2}, {2, 3}};
    unsigned seed = 100;
    for (const auto& v : variants) {
        for (TimingMode t : {TimingMode::Classic, TimingMode::DataSheet}) {
            roundTrip("18F4550", v.driver, v.sw, t, 0.05, seed++, {.read = false, .erase = false});
        }
    }
}

// The data-sheet timing waits the chip's times and its margin, no less: the
// simulator holds every programming cycle to P9 and P10, every erase to P11.
TEST(P18Ops, DataSheetTimingIsShorterAndStillClean) {
    std::chrono::nanoseconds spent[2];
    int i = 0;
    for (TimingMode t : {TimingMode::Classic, TimingMode::DataSheet}) {
        Bench b("18F2550", nullptr, 1, 1, t);
        b.circuit.setAccessCost(0ns);  // only the program's own waits separate the edges
        ByteImage img = randomImage(*b.device, 5, 0.2);
        const auto start = b.clock.monotonic();
        EXPECT_EQ(b.ops.burn(*b.device, img).outcome, Outcome::Ok);
        spent[i++] = b.clock.monotonic() - start;
        EXPECT_TRUE(b.clean()) << b.violations();
    }
    EXPECT_LT(spent[1], spent[0]);
}

// A command enters programming mode once, from its type check to its end, as
// the data sheets' sessions do; a read's two passes and the state after a
// protection removal each get an entry of their own.
TEST(P18Ops, EachCommandEntersProgrammingModeAsOftenAsItMust) {
    Bench b("18F4550", nullptr, 1, 1, TimingMode::DataSheet);
    ByteImage img = randomImage(*b.device, 6, 0.1);
    ByteImage back = b.image();
    const struct {
        const char* name;
        std::function<CommandResult()> run;
        int entries;
    } commands[] = {
        {"burn", [&] { return b.ops.burn(*b.device, img); }, 1},
        {"burn without data", [&] { return b.ops.burn(*b.device, img, {.includeData = false}); },
         1},
        {"verify", [&] { return b.ops.verify(*b.device, img); }, 1},
        {"read", [&] { return b.ops.read(*b.device, back); }, 3},
        {"erase", [&] { return b.ops.erase(*b.device); }, 1},
        {"unprotect", [&] { return b.ops.unprotect(*b.device); }, 2},
    };
    for (const auto& c : commands) {
        SCOPED_TRACE(c.name);
        b.circuit.log().clear();
        EXPECT_EQ(c.run().outcome, Outcome::Ok);
        EXPECT_EQ(b.circuit.log().modeEntries(), c.entries);
        EXPECT_FALSE(b.chip->inProgrammingMode());
        EXPECT_TRUE(b.clean()) << b.violations();
    }
}

// Without a type the PIC18F is asked after the 14-bit detection saw nothing,
// which an old 16F84 (no device ID) gives too. Whatever 14-bit chip sits in
// the socket, the PIC18F detection must leave it as it was.
TEST(P18Ops, DetectionLeavesEvery14BitChipAsItWas) {
    for (const sim::ChipModel& m : sim::chipModels()) {
        SCOPED_TRACE(m.name);
        Bench b(std::string(m.name).c_str(), "18F4550", 1, 1, TimingMode::DataSheet);
        for (int w = 0; w < m.programWords; w += 3) {
            b.chip->setWord(w, static_cast<std::uint16_t>((w * 37 + 5) & 0x3FFF));
        }
        for (int w = 0x2000; w < 0x2004; ++w) {
            b.chip->setWord(w, static_cast<std::uint16_t>(0x3F80 + w));
        }
        for (int n = 0; n < m.eepromBytes; ++n) {
            b.chip->setWord(0x2100 + n, static_cast<std::uint16_t>(n ^ 0x5A));
        }
        const auto before = b.chip->contents();
        const P18Detection found = b.ops.detect();
        EXPECT_EQ(found.device, nullptr);
        EXPECT_EQ(b.chip->contents(), before);
    }
}

// The EEPROM the file does not burn is kept: read twice before the erase,
// written back after.
TEST(P18Ops, BurnWithoutDataKeepsTheChipsEeprom) {
    for (const char* part : {"18F4620", "18F452", "18F1220"}) {
        SCOPED_TRACE(part);
        Bench b(part);
        b.p18().setByte(p18addr::kEeprom + 3, 0x5A);
        b.p18().setByte(p18addr::kEeprom + b.device->eepromBytes - 1, 0x00);
        ByteImage img = randomImage(*b.device, 9, 0.05);
        const CommandResult r = b.ops.burn(*b.device, img, {.includeData = false});
        EXPECT_EQ(r.outcome, Outcome::Ok);
        EXPECT_FALSE(r.dataIncluded);
        EXPECT_EQ(b.p18().byte(p18addr::kEeprom + 3), 0x5A);
        EXPECT_EQ(b.p18().byte(p18addr::kEeprom + b.device->eepromBytes - 1), 0x00);
        EXPECT_EQ(b.p18().byte(p18addr::kEeprom + 4), 0xFF);
        EXPECT_TRUE(b.clean()) << b.violations();
    }
}

// Protected chips: detection says so, program memory reads 0 and the verify
// counts it, the protection removal lifts everything and leaves the chip blank.
TEST(P18Ops, ProtectedChipIsDetectedAndUnprotected) {
    const struct {
        const char* part;
        int index;  // configuration byte cleared
        std::uint8_t bits;
        bool code, data, write;
    } cases[] = {
        {"18F1320", p18cfg::k5L, 0x01, true, false, false},
        {"18F2420", p18cfg::k5H, p18cfg::kCpb, true, false, false},
        {"18F1220", p18cfg::k5H, p18cfg::kCpd, false, true, false},
        {"18F1320", p18cfg::k6H, p18cfg::kWrtc, false, false, true},
        {"18F1220", p18cfg::k5L, 0x03, true, false, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.part);
        Bench b(c.part);
        ByteImage img = randomImage(*b.device, 3, 0.02);
        auto config = img.area(img.HexBytes, ByteArea::Config);
        const auto n = static_cast<std::size_t>(c.index);
        config[n] = static_cast<std::uint16_t>(config[n] & ~c.bits);
        // EBTR0 too: it comes after CONFIG6H in the table, so a WRTC written
        // before it would keep it from being written.
        const auto ebtr = static_cast<std::size_t>(p18cfg::k7L);
        config[ebtr] = static_cast<std::uint16_t>(config[ebtr] & ~0x01);
        // Something in the boot block and block 0 that protection hides.
        img.area(img.HexBytes, ByteArea::Program)[0x10] = 0x12;
        img.area(img.HexBytes, ByteArea::Program)[0x810] = 0x34;
        img.area(img.HexBytes, ByteArea::Eeprom)[1] = 0x56;
        EXPECT_EQ(b.ops.burn(*b.device, img).outcome, Outcome::Ok);

        const P18Detection found = b.ops.detect();
        EXPECT_EQ(found.protection.code, c.code);
        EXPECT_EQ(found.protection.data, c.data);
        EXPECT_EQ(found.protection.write, c.write);
        EXPECT_TRUE(found.protection.tableRead);
        EXPECT_EQ(b.report.flashProtected, c.code);
        EXPECT_EQ(b.report.eepromProtected, c.data);
        if (c.code || c.data) {
            const CommandResult v = b.ops.verify(*b.device, img);
            EXPECT_EQ(v.outcome, Outcome::Failed) << "protected bytes read 0";
            EXPECT_GT(v.counters.sum(), 0);
        }

        const CommandResult r = b.ops.unprotect(*b.device);
        EXPECT_EQ(r.outcome, Outcome::Ok);
        EXPECT_EQ(b.report.panels[1], kUnprotectDoneText);
        EXPECT_FALSE(b.ops.detect().protection.any());
        EXPECT_EQ(b.p18().byte(0x10), 0xFF);
        EXPECT_EQ(b.p18().byte(p18addr::kEeprom + 1), 0xFF);
        EXPECT_TRUE(b.clean()) << b.violations();
    }
}

// ---- Faults -------------------------------------------------------------------

enum class Op { Burn, Verify, Read, Erase, Unprotect };

CommandResult run(Bench& b, Op op, ByteImage& img) {
    switch (op) {
        case Op::Burn:
            return b.ops.burn(*b.device, img);
        case Op::Verify:
            return b.ops.verify(*b.device, img);
        case Op::Read:
            return b.ops.read(*b.device, img);
        case Op::Erase:
            return b.ops.erase(*b.device);
        case Op::Unprotect:
            return b.ops.unprotect(*b.device);
    }
    return {};
}

struct Fault {
    const char* name;
    const char* chip;  // nullptr: empty socket
    const char* part;
    Op op;
    void (*setup)(Bench&);
    Outcome outcome;
    Area area;  // where a Failed outcome counts
};

const Fault kFaults[] = {
    {"wrong chip", "18F452", "18F4550", Op::Burn, [](Bench&) {}, Outcome::WrongType, Area::Program},
    {"twin told by REV4", "18F2520", "18F2420", Op::Erase, [](Bench&) {}, Outcome::WrongType,
     Area::Program},
    {"empty socket", nullptr, "18F4550", Op::Burn, [](Bench&) {}, Outcome::NoChip, Area::Program},
    {"data line held low", "18F4550", "18F4550", Op::Read,
     [](Bench& b) { b.circuit.setDataStuck(false); }, Outcome::NoChip, Area::Program},
    {"no VPP", "18F452", "18F452", Op::Erase, [](Bench& b) { b.circuit.setNoVpp(true); },
     Outcome::NoChip, Area::Program},
    {"bad program cell", "18F4550", "18F4550", Op::Burn,
     [](Bench& b) { b.chip->setBadCell(0x0123); }, Outcome::Failed, Area::Program},
    {"bad ID cell", "18F252", "18F252", Op::Burn,
     [](Bench& b) { b.chip->setBadCell(static_cast<int>(p18addr::kIds + 2)); }, Outcome::Failed,
     Area::Id},
    {"bad EEPROM cell", "18F1320", "18F1320", Op::Burn,
     [](Bench& b) { b.chip->setBadCell(static_cast<int>(p18addr::kEeprom + 7)); }, Outcome::Failed,
     Area::Data},
    {"bad configuration cell", "18F2620", "18F2620", Op::Burn,
     [](Bench& b) { b.chip->setBadCell(static_cast<int>(p18addr::kConfig + 3)); }, Outcome::Failed,
     Area::Config},
    {"stuck cell after erase", "18F1320", "18F1320", Op::Erase,
     [](Bench& b) {
         b.p18().setByte(0x0200, 0x00);
         b.chip->setStuckCell(0x0200);
     },
     Outcome::Failed, Area::Program},
    {"no bulk erase", "18F1220", "18F1220", Op::Unprotect,
     [](Bench& b) {
         b.p18().setByte(p18addr::kConfig + p18cfg::k5L, 0x00);
         b.chip->setNoBulkErase(true);
     },
     Outcome::Failed, Area::Program},
    {"flaky data line on a read", "18F1220", "18F1220", Op::Read,
     [](Bench& b) { b.chip->setFlaky(3001, 7); }, Outcome::Failed, Area::Program},
    // The second read: the first is the throw-away read after loading the pointer.
    {"a cell misread once on a verify", "18F2455", "18F2455", Op::Verify,
     [](Bench& b) { b.chip->setMisread(0x0040, 2); }, Outcome::Failed, Area::Program},
};

TEST(P18Ops, FaultsEndInACountOrAClearOutcome) {
    for (const Fault& f : kFaults) {
        SCOPED_TRACE(f.name);
        Bench b(f.chip, f.part);
        ByteImage img = randomImage(*b.device, 11, 0.02);
        img.area(img.HexBytes, ByteArea::Program)[0x0123] = 0x00;
        img.area(img.HexBytes, ByteArea::Program)[0x0040] = 0x00;
        // Bytes the bad cells must take (an erased cell already holds the erased value).
        img.area(img.HexBytes, ByteArea::Id)[2] = 0x00;
        img.area(img.HexBytes, ByteArea::Config)[3] = 0x00;
        if (b.device->eepromBytes > 0) {
            img.area(img.HexBytes, ByteArea::Eeprom)[7] = 0x00;
        }
        if (f.op == Op::Verify) {
            // A chip that holds the image; only the fault may make it differ.
            ASSERT_EQ(b.ops.burn(*b.device, img).outcome, Outcome::Ok);
        }
        const auto before = b.chip != nullptr ? b.p18().contents() : std::vector<std::uint8_t>{};
        f.setup(b);
        b.report.clear();
        const CommandResult r = run(b, f.op, img);
        EXPECT_EQ(r.outcome, f.outcome);
        EXPECT_FALSE(b.report.messages.empty()) << "the user is told";
        if (f.outcome == Outcome::Failed) {
            const std::int32_t counted = f.area == Area::Program ? r.counters.ProgramErrorCount
                                         : f.area == Area::Data  ? r.counters.DataErrorCount
                                                                 : r.counters.ConfigIdErrorCount;
            EXPECT_GT(counted, 0);
            ASSERT_FALSE(r.failures.empty());
            EXPECT_EQ(r.failures.front().area, f.area);
        } else {
            EXPECT_EQ(r.counters.sum(), 0);
            if (b.chip != nullptr) {
                EXPECT_EQ(b.p18().contents(), before) << "a refused chip is left as it was";
            }
        }
        if (f.op == Op::Read && f.outcome == Outcome::Failed) {
            EXPECT_GT(r.unstable, 0);
        }
        EXPECT_FALSE(b.circuit.vpp() && b.circuit.vdd()) << "the chip is left unpowered";
    }
}

TEST(P18Ops, BadCellNamesItsAddressAndStopsTheBurn) {
    Bench b("18F4550");
    b.chip->setBadCell(0x0123);
    ByteImage img = randomImage(*b.device, 12, 1.0);
    img.area(img.HexBytes, ByteArea::Program)[0x0123] = 0x00;
    const CommandResult r = b.ops.burn(*b.device, img);
    ASSERT_EQ(r.outcome, Outcome::Failed);
    EXPECT_EQ(r.failures.front().address, 0x0123);
    EXPECT_EQ(r.failures.front().wanted, 0x00);
    EXPECT_EQ(r.failures.front().read, 0xFF);
    EXPECT_EQ(b.report.messages.size(), 1u) << "one message for the row";
    // Nothing after the failing row was written: configuration bytes stay erased.
    EXPECT_EQ(b.p18().byte(0x0200), 0xFF);
    EXPECT_EQ(b.p18().byte(p18addr::kConfig + 1), b.device->configErased[1]);
}

TEST(P18Ops, VppAboveTheRangeIsAskedAndRefusedWithoutTouchingTheChip) {
    Bench b("18F4550");
    b.circuit.setVpp(1300);
    b.settings.VppTenths = 130;
    b.circuit.log().clear();
    b.report.answer = false;
    ByteImage img = b.image();
    EXPECT_EQ(b.ops.erase(*b.device).outcome, Outcome::Cancelled);
    EXPECT_EQ(b.report.questions.size(), 1u);
    EXPECT_NE(b.report.questions[0].find("12,5 V"), std::string::npos);
    EXPECT_EQ(b.circuit.log().modeEntries(), 0);
    // The 18Fx220 take 13 V.
    Bench older("18F1220");
    EXPECT_EQ(older.ops.erase(*older.device).outcome, Outcome::Ok);
    EXPECT_TRUE(older.report.questions.empty());
}

TEST(P18Ops, CircuitThatCannotReadIsRefused) {
    Bench b("18F4550");
    b.settings.QuickAndDirty = true;
    ByteImage img = randomImage(*b.device, 1, 0.1);
    const auto before = b.p18().contents();
    EXPECT_EQ(b.ops.burn(*b.device, img).outcome, Outcome::Cancelled);
    EXPECT_EQ(b.report.messages.back(), kP18NoReadText);
    EXPECT_EQ(b.p18().contents(), before);
}

TEST(P18Ops, ImageOfAnotherPartIsRefused) {
    Bench b("18F4550");
    ByteImage img(p18Regions(*p18ByName("18F4620")));
    EXPECT_EQ(b.ops.burn(*b.device, img).outcome, Outcome::FileUnusable);
    EXPECT_EQ(b.circuit.log().modeEntries(), 0);
}

// A front end that fails in the middle of a row (say, a window gone): the
// exception reaches the caller, and the chip is out of programming mode and
// unpowered all the same.
TEST(P18Ops, ProgrammingModeIsLeftWhenAStepThrows) {
    struct Failing : RecordingReporter {
        void setPanel(int panel, const std::string& text) override {
            if (text == "Adresse 0x000400") {
                throw std::runtime_error("gone");
            }
            RecordingReporter::setPanel(panel, text);
        }
    };
    for (Op op : {Op::Burn, Op::Read}) {
        Bench b("18F2550");
        Failing report;
        P18Ops ops{b.link, b.clock, b.settings, b.errors, report};
        ByteImage img = randomImage(*b.device, 4, 1.0);
        ByteImage back(p18Regions(*b.device));
        if (op == Op::Burn) {
            EXPECT_THROW(ops.burn(*b.device, img), std::runtime_error);
        } else {
            EXPECT_THROW(ops.read(*b.device, back), std::runtime_error);
        }
        EXPECT_FALSE(b.chip->inProgrammingMode());
        EXPECT_FALSE(b.circuit.vpp());
        EXPECT_FALSE(b.circuit.vdd());
    }
}

// The texts a user reads: byte addresses in the chip's own space, bytes as two
// digits, and what to check.
TEST(P18Ops, FailureTexts) {
    const struct {
        WordFailure f;
        const char* says;
    } cases[] = {
        {{Area::Program, 0x0123, 0x00, 0xFF, WordFailure::Check::Written},
         "Programmbyte nicht gebrannt! Adresse 0x000123: 0x00 geschrieben, 0xFF gelesen."},
        {{Area::Data, 0xF00007, 0x5A, 0x00, WordFailure::Check::Written},
         "EEPROM-Byte nicht gebrannt! EEPROM 0x07: 0x5A geschrieben, 0x00 gelesen."},
        {{Area::Config, 0x300008, 0x0F, 0x00, WordFailure::Check::VerifyPass},
         "Konfigurationsbyte verschieden! Adresse 0x300008: 0x0F erwartet, 0x00 gelesen."},
        {{Area::Id, 0x200003, 0x12, 0x13, WordFailure::Check::ReadTwice},
         "ID-Byte las sich zweimal verschieden! Adresse 0x200003: 0x12 und 0x13."},
    };
    for (const auto& c : cases) {
        const std::string text = p18FailureMessage(c.f);
        EXPECT_EQ(text.rfind(c.says, 0), 0u) << text;
        EXPECT_GT(text.size(), std::string(c.says).size()) << "and what to check";
    }
    EXPECT_EQ(p18UnstableReadMessage(1).rfind("1 Byte las ", 0), 0u);
    EXPECT_EQ(p18UnstableReadMessage(3).rfind("3 Bytes lasen ", 0), 0u);
    EXPECT_NE(p18NoChipMessage(0xFFFF).find(kOnesHint), std::string::npos);
    EXPECT_NE(p18NoChipMessage(0x0000).find(kZerosHint), std::string::npos);
    P18Detection unknown;
    unknown.idWord = 0x09E7;
    EXPECT_NE(p18WrongTypeMessage(unknown, *p18ByName("18F4550")).find("0x09E7"),
              std::string::npos);
}

}  // namespace
}  // namespace pk::p18bench
