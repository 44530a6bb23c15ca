// Autodetection against every simulated chip, the empty socket, the code
// protection indicators, and the type check that guards every command.

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>

#include "burn_fixture.h"
#include "device/commands_p18.h"
#include "sim/chip.h"

namespace pk::burntest {
namespace {

TEST(Autodetect, EverySimulatedChipMapsToItsEntryWithRevision) {
    for (const sim::ChipModel& model : sim::chipModels()) {
        const std::string name(model.name);
        Bench b(name.c_str(), Dev16F628);
        const Detection d = b.ops.Autodetect();
        if (model.deviceId == 0) {
            // A blank 16F84 answers like an empty socket, so VPP first is tried too,
            // against its data sheet's order; it takes no programming mode that way.
            ASSERT_EQ(b.log().violations().size(), 1u) << b.violations();
            EXPECT_NE(b.violations().find("(VPP before VDD)"), std::string::npos);
        } else {
            EXPECT_TRUE(b.clean()) << name << "\n" << b.violations();
        }
        EXPECT_EQ(d.type(), typeOf(name)) << name;
        EXPECT_EQ(b.device.CurrentType, Dev16F628) << "detection alone changes no type";
        // A blank 16F84 also takes the second VDD-first try (VPP right after VDD).
        const int tries = model.deviceId == 0 ? 2 : 1;
        EXPECT_EQ(b.log().modeEntries(), tries);
        // A second configuration word and the factory's words follow the first.
        const DeviceInfo& row = *deviceInfo(typeOf(name));
        const int last = std::max({static_cast<int>(row.config2().address),
                                   static_cast<int>(row.factoryWords[0]),
                                   static_cast<int>(row.factoryWords[1])});
        const int after = std::max(0, last - 0x2007);
        std::string trace;
        for (int t = 0; t < tries; ++t) {
            trace += std::string(t > 0 ? " " : "") + "0(3FFF) 6 6 6 6 6 6 4 6 4";
            for (int k = 0; k < after; ++k) {
                // A factory word is read twice: an erase may rely on it.
                trace += row.isFactoryWord(0x2008 + k) ? " 6 4 4" : " 6 4";
            }
        }
        EXPECT_EQ(b.log().commandTrace(), trace) << name;
        EXPECT_EQ(d.config2, model.configMask2 != 0 ? 0x3FFF : 0xFFFF) << name;
        if (model.deviceId == 0) {  // the 16F84 has no device ID
            EXPECT_EQ(b.report.panels[0], "Chip-Revision: ?");
            EXPECT_EQ(b.report.panels[1], kNoChipText);
        } else {
            EXPECT_EQ(b.report.panels[0], "Chip-Revision: " + std::to_string(model.deviceId & 0x1F))
                << name;
            EXPECT_EQ(b.report.panels[1], factoryWordsText(row, d.factoryWords)) << name;
            EXPECT_EQ(b.report.panels[1].empty(), !row.hasFactoryWords()) << name;
            for (std::size_t k = 0; k < 2; ++k) {
                EXPECT_EQ((d.factoryWords[k] & 0xC000) == 0, row.factoryWords[k] != 0)
                    << name << " reads the factory's words as they are, nothing else";
            }
        }
        EXPECT_EQ(b.device.Is84A, name == "16F84A") << name;
        EXPECT_FALSE(b.report.flashProtected) << name;
        EXPECT_FALSE(b.report.eepromProtected) << name;
    }
}

// Every catalogue chip in the socket, detected without a type as "Autodetect"
// does: the PIC18F asked first, in frames a 14-bit chip takes only as loads and
// increments, then the 14-bit detection. At 12 V, which every chip takes, the
// right chip is found and the simulator logs nothing: no contention, no command
// a chip does not know, no VPP outside a range (a 16F7x needs 12,75 V: it gets
// 13 V once the user allowed it). At 13 V the user is asked first about the
// chips that take less, and a refusal puts nothing on the chip.
TEST(Autodetect, EveryCatalogueChipWithinEveryCandidatesLimits) {
    struct Row {
        std::string chip;
        std::int32_t type;      // the 14-bit row, or
        const P18Device* part;  // the PIC18F
        VppRange vpp;
        std::string_view listed;  // how the question names it
    };
    std::vector<Row> rows;
    for (const DeviceInfo& d : kDevices) {
        for (std::string_view sw : d.switches) {
            // The first 16F84 has no device ID: the 16F84A stands for the row.
            if (!sw.empty() && sw != "/p16f84") {
                std::string name(sw.substr(2));
                std::transform(name.begin(), name.end(), name.begin(), ::toupper);
                rows.push_back({name, d.type, nullptr, d.vpp, d.listText});
            }
        }
    }
    for (const P18Device& p : kP18Devices) {
        rows.push_back({std::string(p.name), -1, &p, p.family->vpp, p.family->name});
    }
    for (const Row& r : rows) {
        // Both timings, the data sheet's with port accesses that take no time (a 14-bit
        // frame may end at any bit of a PIC18F transfer); then a refusal.
        for (const int run : {0, 1, 2}) {
            const bool refuse = run == 2;
            SCOPED_TRACE(r.chip + (run == 1 ? " data sheet" : refuse ? " at 13 V, refused" : ""));
            Bench b(r.chip.c_str(), Dev16F628, 1, 1, run == 1);
            b.settings.Timing = run == 1 ? TimingMode::DataSheet : TimingMode::Classic;
            const bool asks = refuse || !r.vpp.holds(1200);
            b.setVpp(asks ? 130 : 120);
            b.report.answer = !refuse;
            P18Session s(b.session);
            const AnyDetection found = autodetect(s);
            EXPECT_TRUE(b.clean()) << b.violations();
            ASSERT_EQ(b.report.questions.size(), asks ? 1u : 0u);
            if (refuse) {
                EXPECT_TRUE(found.cancelled());
                EXPECT_EQ(b.log().modeEntries(), 0);
                EXPECT_TRUE(b.log().commands().empty());
                EXPECT_EQ(b.report.questions[0].find(r.listed) != std::string::npos,
                          r.vpp.maxCentivolts < 1300)
                    << b.report.questions[0];
                continue;
            }
            EXPECT_EQ(found.p18.device, r.part);
            if (r.part == nullptr) {
                EXPECT_EQ(found.chip.outcome, Outcome::Ok);
                EXPECT_EQ(b.device.CurrentType, r.type);
                // The PIC18F frames reached it as Load Data and Increment Address only;
                // the 14-bit detection loads, increments and reads.
                for (const sim::CommandRecord& c : b.log().commands()) {
                    EXPECT_TRUE(c.code == 0 || c.code == 2 || c.code == 4 || c.code == 6) << c.code;
                }
            }
            // A PIC18F gets no 14-bit frame: its own entry is the only one.
            EXPECT_EQ(b.log().modeEntries(), r.part != nullptr ? 1 : 2);
            (void)autodetect(s);
            EXPECT_EQ(b.report.questions.size(), asks ? 1u : 0u) << "asked once per run";
        }
    }
}

TEST(Autodetect, EmptySocketOffersA16F84) {
    Bench b(nullptr, Dev16F84);
    b.device.Is84A = true;
    const Detection d = b.ops.Autodetect();
    EXPECT_EQ(d.type(), Dev16F84);
    EXPECT_EQ(d.revisionText(), "?");
    EXPECT_EQ(b.report.panels[0], "Chip-Revision: ?");
    EXPECT_EQ(b.report.panels[1], kNoChipText);
    EXPECT_FALSE(b.device.Is84A);
    EXPECT_TRUE(b.clean()) << b.violations();
}

TEST(Autodetect, UnknownCodeIsShownAsTheRevision) {
    Bench b("16F84A");
    b.circuit.setDataStuck(false);  // every bit reads 0: code 0, not in the table
    EXPECT_EQ(b.ops.Autodetect().type(), Dev16F84);
    EXPECT_EQ(b.report.panels[0], "Chip-Revision: 0");
    EXPECT_EQ(b.report.panels[1], "");
    // An all-zero configuration word means protected program memory.
    EXPECT_TRUE(b.report.flashProtected);
    EXPECT_FALSE(b.report.eepromProtected);
}

struct ProtectionCase {
    const char* chip;
    std::uint16_t config;
    bool flash;
    bool eeprom;
};

TEST(Autodetect, CodeProtectionIndicators) {
    const ProtectionCase cases[] = {
        {"16F628", 0x0DFF, true, false},  // bits 13 and 12 clear, bit 8 set
        {"16F628", 0x3EFF, false, true},  // data protection only
        {"16F74", 0x3FEF, true, false},   // bit 4 clear
        {"16F74", 0x3EFF, false, false},  // no EEPROM, never data protection
        {"16F877", 0x3EFF, false, true},  // bit 8 clear
        {"16F877", 0x2FFF, true, false},  // one of the two bits is enough
        {"16F84A", 0x000F, true, false},  // the 16F84 has no data indicator
    };
    for (const auto& c : cases) {
        Bench b(c.chip);
        b.chip->setWord(0x2007, c.config);
        EXPECT_EQ(b.ops.Autodetect().config, b.chip->word(0x2007));
        EXPECT_EQ(b.report.flashProtected, c.flash) << c.chip << " " << c.config;
        EXPECT_EQ(b.report.eepromProtected, c.eeprom) << c.chip << " " << c.config;
        EXPECT_EQ(b.report.protectionUpdates, 1);
        EXPECT_TRUE(b.clean()) << b.violations();
    }
}

// A chip on its internal oscillator with MCLR disabled runs its own program as
// soon as VDD is on, and then answers only to VPP first (VDD and VPP at once on
// the 16F87/88 and 16F818/819). Which orders a detection tries, one bracket each,
// until something answers.
TEST(Autodetect, EntryOrdersTriedUntilAChipAnswers) {
    using Probe = ChipOps::Probe;
    struct Row {
        const char* what;
        const char* chip;
        bool ownProgram;
        std::int32_t selected;
        int driver, sw;
        Probe probe;
        bool answers;
        const char* violation;  // "": none
    };
    const Row rows[] = {
        {"type check in the type's order", "16F628A", true, Dev16F628A, 1, 1, Probe::SelectedType,
         true, ""},
        {"type check, 7406 and npn switch", "12F675", true, Dev12F629_675, 0, 0,
         Probe::SelectedType, true, ""},
        {"type check, VDD and VPP at once", "16F88", true, Dev16F87_88, 1, 0, Probe::SelectedType,
         true, ""},
        {"type check of the old 16F628", "16F628", true, Dev16F628, 0, 1, Probe::SelectedType, true,
         ""},
        {"type check where VDD cannot be switched", "16F628A", true, Dev16F628A, 1, 2,
         Probe::SelectedType, false, "no programming mode: VDD came on before VPP"},
        {"type check of a wrong chip falls back to VDD first", "16F877", false, Dev16F628A, 1, 1,
         Probe::SelectedType, true, "VPP before VDD"},
        {"type check of a VDD-first chip: one try", "16F877", false, Dev16F876_877, 1, 1,
         Probe::SelectedType, true, ""},
        {"detection: VDD first, then VPP first", "16F630", true, Dev16F84, 1, 1, Probe::Unknown,
         true, "no programming mode: VDD came on before VPP"},
        {"detection where VDD cannot be switched: VDD first only", "16F628A", true, Dev16F84, 2, 3,
         Probe::Unknown, false, "no programming mode: VDD came on before VPP"},
        {"detection of a chip the user expects", "16F648A", true, Dev16F648A, 0, 0, Probe::Expected,
         true, ""},
        {"detection of a VDD-first chip: one try", "16F877A", false, Dev16F84, 0, 0, Probe::Unknown,
         true, ""},
        {"detection: VDD first, then VDD and VPP at once", "16F88", true, Dev16F84, 1, 0,
         Probe::Unknown, true, "no programming mode"},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.what);
        Bench b(r.chip, r.selected, r.driver, r.sw);
        if (r.ownProgram) {
            b.chip->setWord(0x2007, testfacts::ownProgramConfig(typeOf(r.chip)));
            // Put in again, so that a chip under constant VDD is running already.
            b.chip = b.circuit.insertChip(b.circuit.removeChip());
        }
        b.circuit.log().clear();
        const Detection d = b.ops.Autodetect(r.probe);
        EXPECT_EQ(d.type(), r.answers ? typeOf(r.chip) : Dev16F84);
        EXPECT_EQ(d.idWord, r.answers ? b.chip->word(0x2006) : 0x3FFF);
        EXPECT_EQ(b.log().modeEntries(), r.answers ? 1 : 0);
        const std::string v = b.violations();
        if (*r.violation == '\0') {
            EXPECT_TRUE(v.empty()) << v;
        } else {
            EXPECT_NE(v.find(r.violation), std::string::npos) << v;
        }
    }
}

TEST(CheckSelectedType, WrongTypeStopsTheCommand) {
    Bench b("16F84A", Dev16F873_874);
    b.image.HexWords[0] = 0x0123;
    EXPECT_FALSE(b.burn());
    ASSERT_EQ(b.report.messages.size(), 1u);
    EXPECT_EQ(b.report.messages[0],
              "Falscher PIC-Typ ausgewählt: im Sockel steckt ein 16F84/84A, gewählt ist "
              "16F873/874.");
    EXPECT_EQ(b.log().modeEntries(), 1);  // only the detection
    EXPECT_EQ(b.chip->word(0), 0x3FFF);
}

TEST(CheckSelectedType, MatchingTypeGoesOnAndNoChipPassesAsA16F84) {
    Bench right("16F877");
    EXPECT_TRUE(right.ops.checkSelectedType());
    EXPECT_TRUE(right.report.messages.empty());

    Bench empty(nullptr, Dev16F84);
    EXPECT_TRUE(empty.ops.checkSelectedType());
    EXPECT_EQ(empty.report.panels[1], kNoChipText);

    Bench other(nullptr, Dev16F628);
    EXPECT_FALSE(other.ops.checkSelectedType());
    EXPECT_EQ(other.report.messages.size(), 1u);

    Bench none("16F877", -1);  // no item selected in the type list
    EXPECT_FALSE(none.ops.checkSelectedType());
}

TEST(CheckSelectedType, QuickAndDirtyChecksNothing) {
    Bench b("16F84A", Dev16F628);
    b.settings.QuickAndDirty = true;
    EXPECT_TRUE(b.ops.checkSelectedType());
    EXPECT_EQ(b.log().modeEntries(), 0);
    EXPECT_EQ(b.report.protectionUpdates, 0);
}

}  // namespace
}  // namespace pk::burntest
