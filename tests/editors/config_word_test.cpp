#include "editors/config_word.h"
#include "image/hex_file.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <tuple>

namespace pk {
namespace {

ConfigControls allOff() {
    ConfigControls c;
    c.debug = false;
    return c;
}

struct WordCase {
    const char* name;
    std::int32_t type;
    ConfigControls controls;
    std::uint16_t word;
};

// The words the burn sends for settings users check on the board.
TEST(ConfigWord, BuildsTheWordOfEachFamily) {
    std::vector<WordCase> cases;
    {
        ConfigControls c = allOff();
        c.cp1 = true;
        c.cp0 = true;
        c.pwrte = true;
        c.wdte = true;
        c.takt = 1;
        cases.push_back({"16F84 protected, PWRT, WDT, XT", Dev16F84, c, 0x000D});
        c.cp1 = false;
        c.cp0 = true;  // the 16F84 has no separate lower area: CP0 does not count
        c.pwrte = c.wdte = false;
        c.takt = 0;
        cases.push_back({"16F84 open, LP", Dev16F84, c, 0x3FF0});
    }
    {
        ConfigControls c = allOff();
        c.debug = true;
        c.boden = true;
        c.pwrte = true;
        c.takt = 2;
        const std::uint16_t sum =
            0x0400 + 0x2020 + 0x1010 + 0x0800 + 0x0100 + 0x0040 + 0x0008 + 0x0002;
        cases.push_back({"16F876/877 open, HS", Dev16F876_877, c, sum});
        cases.push_back({"16F870..872 same layout", Dev16F870_872, c, sum});
    }
    {
        ConfigControls c = allOff();
        c.takt1 = 4;
        c.ra6 = true;
        c.ra5 = true;
        c.takt = 3;  // the other clock group does not count for the 16F62x
        cases.push_back({"16F628 INTRC, CLKOUT, MCLR", Dev16F628, c,
                         0x0200 + 0x2800 + 0x1400 + 0x0100 + 0x0020 + 0x0011});
        c.ra6 = false;
        cases.push_back({"16F628 INTRC without CLKOUT", Dev16F628, c,
                         0x0200 + 0x2800 + 0x1400 + 0x0100 + 0x0020 + 0x0010});
        c.takt1 = 3;
        c.ra6 = true;  // EC has no CLKOUT variant
        cases.push_back({"16F627 EC ignores RA6", Dev16F627, c,
                         0x0200 + 0x2800 + 0x1400 + 0x0100 + 0x0020 + 0x0003});
    }
    {
        ConfigControls c = allOff();
        c.boden = true;
        c.takt = 1;
        cases.push_back(
            {"16F73/74 open, BOD, XT", Dev16F73_74, c, 0x3FA0 + 0x0010 + 0x0040 + 0x0001});
        c.cp1 = true;
        cases.push_back({"16F73/74 protected", Dev16F73_74, c, 0x3FA0 + 0x0040 + 0x0001});
        c.cp0 = false;  // CP0 and the 16F87x-only boxes have no bits here
        c.debug = c.wrt = c.lvp = true;
        cases.push_back(
            {"16F76/77 ignores CP0, DEBUG, WRT, LVP", Dev16F76_77, c, 0x3FA0 + 0x0040 + 0x0001});
    }
    {
        // The 8/14-pin chips: every bit elsewhere, the bandgap bits built as ones.
        ConfigControls c = allOff();
        c.boden = c.ra5 = c.pwrte = c.wdte = c.ra6 = true;
        c.takt1 = 4;
        cases.push_back({"12F629 INTOSC, CLKOUT, MCLR, BOD, open", Dev12F629_675, c,
                         0x3000 + 0x0100 + 0x0080 + 0x0040 + 0x0020 + 0x0010 + 0x0008 + 0x0005});
        c.cp1 = c.cpd = true;
        c.ra6 = c.pwrte = c.wdte = false;
        c.takt1 = 5;
        cases.push_back(
            {"16F676 RC, protected", Dev16F630_676, c, 0x3000 + 0x0040 + 0x0020 + 0x0006});
    }
    {
        ConfigControls c;
        c.pwrte = true;
        c.wdte = true;
        c.takt = 2;
        cases.push_back({"no type selected", -1, c, 0x0400 + 0x0008 + 0x0004});
        c.takt = -1;
        cases.push_back({"no clock item adds nothing", Dev16F84, c, 0x3FF0 + 0x0008 + 0x0004});
        c.takt1 = -1;
        cases.push_back({"no clock item adds nothing (16F62x)", Dev16F627, c,
                         0x0200 + 0x2800 + 0x1400 + 0x0100 + 0x0008 + 0x0004});
    }
    for (const WordCase& wc : cases) {
        SCOPED_TRACE(wc.name);
        EXPECT_EQ(buildConfigWord(wc.type, wc.controls), wc.word);
    }
}

// Every state the controls can show survives word -> controls unchanged. The
// boxes a family does not use keep whatever they showed before.
TEST(ConfigWord, RepresentableControlsSurviveTheRoundTrip) {
    for (std::int32_t type = 0; type < kDeviceTypeCount; ++type) {
        SCOPED_TRACE(type);
        const ConfigLayout layout = kDevices[static_cast<std::size_t>(type)].configLayout;
        const bool fosc62x = sixItemClock(configLayoutTable(layout).clock);
        int checked = 0;
        for (unsigned bits = 0; bits < (1u << 11); ++bits) {
            ConfigControls x;
            for (std::size_t i = 0; i < kFuseCount; ++i) {
                x.fuse(static_cast<Fuse>(i)) = (bits >> i) & 1u;
            }
            x.ra6 = (bits >> 10) & 1u;
            // One protection setting on the 16F84: the lower box shows the upper one.
            if (layout == ConfigLayout::Layout84 && x.cp0 != x.cp1) {
                continue;
            }
            for (int takt = 0; takt < 4; ++takt) {
                for (int takt1 = 0; takt1 < 6; ++takt1) {
                    // CLKOUT exists only for the internal and resistor clocks of
                    // the families with eight oscillator modes.
                    if (x.ra6 && (!fosc62x || takt1 < 4)) {
                        continue;
                    }
                    x.takt = takt;
                    x.takt1 = takt1;
                    const std::uint16_t w = buildConfigWord(type, x);
                    ASSERT_EQ(w & 0xC000, 0) << "a 14-bit word";
                    const ControlsFromWord r = controlsFromWord(type, w, x);
                    ASSERT_EQ(r.controls, x) << "word 0x" << std::hex << w;
                    ASSERT_EQ(r.ra6Enabled, fosc62x && takt1 >= 4);
                    ++checked;
                }
            }
        }
        EXPECT_GT(checked, 1000);
    }
}

// A brown-out field as the list keeps it: a value no item has becomes the first item's.
std::uint16_t listedBor(const ConfigLayoutTable& t, std::uint16_t field) {
    for (const FieldItem& i : t.borItems) {
        if (field == i.value * (t.borField & -t.borField)) {
            return field;
        }
    }
    return t.borItems.empty() ? 0 : t.borItems.front().value * (t.borField & -t.borField);
}

// Words the controls cannot show come back normalised: the bits the controls
// read are kept, all others take the family's fixed values, and a second round
// changes nothing.
TEST(ConfigWord, OtherWordsAreNormalised) {
    for (std::int32_t type = 0; type < kDeviceTypeCount; ++type) {
        SCOPED_TRACE(type);
        const ConfigLayoutTable& t =
            configLayoutTable(kDevices[static_cast<std::size_t>(type)].configLayout);
        std::uint16_t setBits = 0;
        for (const FuseBits& f : t.fuses) {
            setBits |= f.set;
        }
        // The write-protection field, the CCP1 pin and the flags keep the word's own bits.
        std::uint16_t ownBits = t.wrtField | t.ccpmx;
        for (const WordBit& b : t.flags) {
            ownBits |= b.word == 0 ? b.bit : 0;
        }
        setBits |= ownBits | t.borField;
        const std::uint16_t clockBits = t.clock == ClockEncoding::Fosc62x   ? 0x13
                                        : t.clock == ClockEncoding::Fosc629 ? 0x07
                                                                            : 0x03;
        for (std::uint32_t w = 0; w < 0x4000; ++w) {
            const ConfigControls start;
            const std::uint16_t once =
                buildConfigWord(type, controlsFromWord(type, w, start).controls);
            const std::uint16_t twice =
                buildConfigWord(type, controlsFromWord(type, once, start).controls);
            ASSERT_EQ(twice, once) << std::hex << w;
            ASSERT_EQ(once & ~(setBits | clockBits), t.base) << std::hex << w;
            ASSERT_EQ(once & clockBits, w & clockBits) << std::hex << w;
            ASSERT_EQ(once & ownBits, w & ownBits) << std::hex << w;
            ASSERT_EQ(once & t.borField, listedBor(t, w & t.borField)) << std::hex << w;
            for (std::size_t i = 0; i < kFuseCount; ++i) {
                // A fuse's bits are all on or all off, decided by the bits read for it
                // (a protection pair counts as protected only when both bits are 0).
                const FuseBits& f = t.fuses[i];
                if (f.set == 0) {
                    continue;
                }
                const std::uint16_t got = once & f.set;
                ASSERT_TRUE(got == 0 || got == f.set) << std::hex << w;
                ASSERT_EQ(got != 0, (w & f.read) != 0) << std::hex << w << " fuse " << i;
            }
        }
    }
}

TEST(ConfigWord, SixteenF84ProtectionFollowsBits13And5) {
    for (std::uint16_t w : {0x0000, 0x2000, 0x0020, 0x2020, 0x1FDF, 0x3FDF, 0x000F, 0x1010}) {
        SCOPED_TRACE(w);
        const ControlsFromWord r = controlsFromWord(Dev16F84, w, ConfigControls{});
        const std::uint16_t again = buildConfigWord(Dev16F84, r.controls);
        const bool open = (w & 0x2020) != 0;
        EXPECT_EQ(again & 0x3FF0, open ? 0x3FF0 : 0x0000);
        EXPECT_EQ(r.controls.cp1, !open);
        EXPECT_EQ(r.controls.cp0, (w & 0x1010) == 0) << "the lower box shows bits 12 and 4";
    }
}

TEST(ConfigWord, ReadingTouchesOnlyTheControlsOfTheType) {
    ConfigControls before;
    before.cp0 = true;
    before.debug = true;
    before.wrt = true;
    before.lvp = true;
    before.ra5 = true;
    before.ra6 = true;
    before.takt1 = 5;
    // A 16F7x word sets CP1, BODEN, PWRTE, WDTE and the four-item clock only.
    ControlsFromWord r = controlsFromWord(Dev16F76_77, 0x0000, before);
    EXPECT_TRUE(r.controls.cp0);
    EXPECT_TRUE(r.controls.debug && r.controls.wrt && r.controls.lvp && r.controls.ra5);
    EXPECT_EQ(r.controls.takt1, 5);
    EXPECT_TRUE(r.controls.cp1);
    EXPECT_FALSE(r.controls.ra6) << "RA6 ends unchecked for every type without INTRC/ER";
    EXPECT_FALSE(r.ra6Enabled);
    EXPECT_TRUE(r.taktSet);
    EXPECT_FALSE(r.takt1Set);
    EXPECT_FALSE(r.fuseSet[static_cast<std::size_t>(Fuse::CP0)]);

    // A 16F87x word with bits 4 and 1..0 set stays on RC: bit 4 is no clock bit there.
    r = controlsFromWord(Dev16F876_877, 0x0013, before);
    EXPECT_EQ(r.controls.takt, 3);
    EXPECT_FALSE(r.ra6Enabled);
    EXPECT_FALSE(r.controls.ra6);

    // Without a type only the power-up timer and watchdog are read.
    r = controlsFromWord(-1, 0x3FFF, before);
    ConfigControls expected = before;
    expected.pwrte = true;
    expected.wdte = true;
    expected.ra6 = false;
    EXPECT_EQ(r.controls, expected);
    EXPECT_FALSE(r.taktSet || r.takt1Set);
}

TEST(ConfigWord, OneProtectionSettingOn16F84And16F7xAndTheNewerChips) {
    for (std::int32_t type = -1; type < kDeviceTypeCount; ++type) {
        // The 16F87x and 16F62x protect the upper and lower areas apart.
        const bool single = type >= 0 && !(type >= Dev16F876_877 && type <= Dev16F870_872) &&
                            type != Dev16F627 && type != Dev16F628;
        EXPECT_EQ(singleProtectionSetting(type), single) << type;
    }
}

// What a type change does to a box, in both modes and for clock items with and
// without CLKOUT on RA6.
TEST(ConfigWord, BoxRulesAfterATypeChange) {
    using R = BoxRule;
    const std::optional<bool> keep;
    struct Case {
        BoxRule rule;
        std::optional<bool> byHand, byHandClkout, fromFile;
    };
    const Case cases[] = {
        {R::Keep, keep, keep, keep},          {R::Off, false, false, false},
        {R::OnByHand, true, true, keep},      {R::OffByHand, false, false, keep},
        {R::OnOnlyByHand, true, true, false}, {R::WithClockItem, false, true, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.rule));
        EXPECT_EQ(boxEnabledAfterTypeChange(c.rule, false, 3), c.byHand);
        EXPECT_EQ(boxEnabledAfterTypeChange(c.rule, false, 4), c.byHandClkout);
        EXPECT_EQ(boxEnabledAfterTypeChange(c.rule, true, 4), c.fromFile);
    }
    EXPECT_EQ(boxEnabledAfterTypeChange(R::WithClockItem, false, -1), false);
}

// A box a layout enables by hand must own bits of that layout's word: otherwise
// the user sets something the burn never sends.
TEST(ConfigWord, EnabledBoxesOwnBits) {
    const std::pair<FuseBox, Fuse> owners[] = {
        {FuseBox::CP0, Fuse::CP0},   {FuseBox::CPD, Fuse::CPD}, {FuseBox::DEBUG, Fuse::DEBUG},
        {FuseBox::WRT, Fuse::WRT},   {FuseBox::LVP, Fuse::LVP}, {FuseBox::BODEN, Fuse::BODEN},
        {FuseBox::RA5, Fuse::MCLRE},
    };
    for (const DeviceInfo& d : kDevices) {
        SCOPED_TRACE(std::string(d.listText));
        const ConfigLayoutTable& t = configLayoutTable(d.configLayout);
        for (const auto& [box, fuse] : owners) {
            if (boxEnabledAfterTypeChange(t[box], false, 4).value_or(false)) {
                EXPECT_NE(t[fuse].set, 0) << static_cast<int>(box);
            }
        }
        // RA6 only adds CLKOUT to the six-item clock encoding.
        if (boxEnabledAfterTypeChange(t[FuseBox::RA6], false, 4).value_or(false)) {
            EXPECT_TRUE(sixItemClock(t.clock));
        }
        // The implemented bits of the catalogue hold every bit a control sets.
        for (std::size_t i = 0; i < kFuseCount; ++i) {
            EXPECT_EQ(t.fuses[i].set & ~d.config().implemented, 0) << i;
        }
        // What a protection box clears is the catalogue's CP or CPD bits.
        EXPECT_EQ(t[Fuse::CP1].set | t[Fuse::CP0].set, d.config().cp);
        EXPECT_EQ(t[Fuse::CPD].set, d.config().cpd);
    }
}

TEST(ConfigWord, SixteenF62xClockItemsAndRa6) {
    struct Case {
        std::uint16_t mode;
        int item;
        bool ra6Enabled;
        bool ra6;
    };
    // The 16F62x keep FOSC2 in bit 4, the 12F629/675 and 16F630/676 in bit 2.
    const Case cases[] = {
        {0x00, 0, false, false}, {0x01, 1, false, false}, {0x02, 2, false, false},
        {0x03, 3, false, false}, {0x10, 4, true, false},  {0x11, 4, true, true},
        {0x12, 5, true, false},  {0x13, 5, true, true},
    };
    for (const auto& [type, base, fosc2] :
         {std::tuple{Dev16F627, 0x3FEC, 0x10}, std::tuple{Dev12F629_675, 0x31F8, 0x04}}) {
        for (const Case& c : cases) {
            SCOPED_TRACE(std::to_string(type) + " " + std::to_string(c.mode));
            const int mode = (c.mode & 0x10) != 0 ? (c.mode & 0x03) | fosc2 : c.mode;
            const ControlsFromWord r = controlsFromWord(type, base | mode, ConfigControls{});
            EXPECT_EQ(r.controls.takt1, c.item);
            EXPECT_EQ(r.ra6Enabled, c.ra6Enabled);
            EXPECT_EQ(r.controls.ra6, c.ra6);
            EXPECT_EQ(buildConfigWord(type, r.controls) & (fosc2 | 0x03), mode);
        }
    }
}

// ---- The 16F88x, 16F6xx, 16F91x, 12F609/16F610 and 16F716 ----

// Every word such a chip stores (unimplemented bits as the chip reads them, 1)
// comes back from its controls unchanged, second word included. The one
// exception: on the 12F609/16F610 BOREN1:0 = 01 is "off" as 00 is, and the list
// has one item for both.
TEST(ConfigWord, EveryStoredWordOfTheNewerChipsSurvivesTheControls) {
    const std::int32_t types[] = {
        Dev16F886_887, Dev12F683, Dev16F685_689_690,    Dev16F785, Dev16F916_917_946,
        Dev16F716,     Dev16F616, Dev12F609_615_16F610, Dev16F882};
    for (const std::int32_t type : types) {
        const DeviceInfo& d = *deviceInfo(type);
        SCOPED_TRACE(std::string(d.listText));
        const std::uint16_t unimplemented = 0x3FFF & ~d.config().implemented;
        const bool borOffTwice = configLayoutTable(d.configLayout).borItems.size() == 3;
        for (std::uint32_t stored = 0; stored < 0x4000; ++stored) {
            if ((stored & unimplemented) != unimplemented) {
                continue;
            }
            const auto w = static_cast<std::uint16_t>(stored);
            const std::uint16_t expected = borOffTwice && (w & 0x0300) == 0x0100 ? w & ~0x0100 : w;
            ASSERT_EQ(buildConfigWord(type, controlsFromWord(type, w, ConfigControls{}).controls),
                      expected)
                << std::hex << w;
        }
        if (d.hasConfig2()) {
            const std::uint16_t fixed = 0x3FFF & ~d.config2().implemented;
            for (std::uint16_t bits = 0; bits <= d.config2().implemented; ++bits) {
                if ((bits & ~d.config2().implemented) != 0) {
                    continue;
                }
                const auto w2 = static_cast<std::uint16_t>(fixed | bits);
                const ControlsFromWord r = controlsFromWord(type, 0x3FFF, ConfigControls{}, w2);
                EXPECT_TRUE(r.secondSet);
                EXPECT_EQ(buildConfigWord2(type, r.controls), w2) << std::hex << w2;
            }
        }
    }
}

// Which bits of which word each control owns, from the chips' register tables.
TEST(ConfigWord, EachControlOfTheNewerChipsOwnsItsBits) {
    struct Case {
        const char* name;
        std::int32_t type;
        void (*change)(ConfigControls&);
        std::uint16_t word1;  // the bits the change flips
        std::uint16_t word2;
    };
    using C = ConfigControls;
    const Case cases[] = {
        {"887 DEBUG", Dev16F886_887, [](C& c) { c.debug = true; }, 0x2000, 0},
        {"887 LVP", Dev16F886_887, [](C& c) { c.lvp = true; }, 0x1000, 0},
        {"887 FCMEN", Dev16F886_887, [](C& c) { c.fcmen = true; }, 0x0800, 0},
        {"887 IESO", Dev16F886_887, [](C& c) { c.ieso = true; }, 0x0400, 0},
        {"887 BOR an", Dev16F886_887, [](C& c) { c.borMode = 3; }, 0x0300, 0},
        {"887 BOR per SBOREN", Dev16F886_887, [](C& c) { c.borMode = 1; }, 0x0100, 0},
        {"887 CPD open", Dev16F886_887, [](C& c) { c.cpd = false; }, 0x0080, 0},
        {"887 CP open", Dev16F886_887, [](C& c) { c.cp1 = false; }, 0x0040, 0},
        {"887 MCLRE", Dev16F886_887, [](C& c) { c.ra5 = true; }, 0x0020, 0},
        {"887 PWRTE", Dev16F886_887, [](C& c) { c.pwrte = true; }, 0x0010, 0},
        {"887 WDTE", Dev16F886_887, [](C& c) { c.wdte = true; }, 0x0008, 0},
        {"887 RC with CLKOUT", Dev16F886_887,
         [](C& c) {
             c.takt1 = 5;
             c.ra6 = true;
         },
         0x0007, 0},
        {"887 BOR4V", Dev16F886_887, [](C& c) { c.borv = true; }, 0, 0x0100},
        {"887 WRT off", Dev16F886_887, [](C& c) { c.wrtLevel = 0; }, 0, 0x0600},
        {"887 WRT klein", Dev16F886_887, [](C& c) { c.wrtLevel = 1; }, 0, 0x0400},
        {"887 no CCPMX", Dev16F886_887, [](C& c) { c.ccp1Rb3 = true; }, 0, 0},
        {"690 FCMEN", Dev16F685_689_690, [](C& c) { c.fcmen = true; }, 0x0800, 0},
        {"690 IESO", Dev16F685_689_690, [](C& c) { c.ieso = true; }, 0x0400, 0},
        {"690 BOR an, aus im Sleep", Dev16F685_689_690, [](C& c) { c.borMode = 2; }, 0x0200, 0},
        {"690 CPD open", Dev16F685_689_690, [](C& c) { c.cpd = false; }, 0x0080, 0},
        {"690 no DEBUG", Dev16F685_689_690, [](C& c) { c.debug = true; }, 0, 0},
        {"690 no LVP", Dev16F685_689_690, [](C& c) { c.lvp = true; }, 0, 0},
        {"683 INTOSC with CLKOUT", Dev12F683,
         [](C& c) {
             c.takt1 = 4;
             c.ra6 = true;
         },
         0x0005, 0},
        {"785 CP open", Dev16F785, [](C& c) { c.cp1 = false; }, 0x0040, 0},
        {"917 DEBUG", Dev16F916_917_946, [](C& c) { c.debug = true; }, 0x1000, 0},
        {"917 no LVP", Dev16F916_917_946, [](C& c) { c.lvp = true; }, 0, 0},
        {"917 FCMEN", Dev16F916_917_946, [](C& c) { c.fcmen = true; }, 0x0800, 0},
        {"616 IOSCFS", Dev16F616, [](C& c) { c.ioscfs = true; }, 0x0080, 0},
        {"616 BOR an", Dev16F616, [](C& c) { c.borMode = 3; }, 0x0300, 0},
        {"616 no FCMEN", Dev16F616, [](C& c) { c.fcmen = true; }, 0, 0},
        {"609 no CPD", Dev12F609_615_16F610, [](C& c) { c.cpd = false; }, 0, 0},
        {"609 MCLRE", Dev12F609_615_16F610, [](C& c) { c.ra5 = true; }, 0x0020, 0},
        {"716 CP open", Dev16F716, [](C& c) { c.cp1 = false; }, 0x2000, 0},
        {"716 BORV", Dev16F716, [](C& c) { c.borv = true; }, 0x0080, 0},
        {"716 BOREN", Dev16F716, [](C& c) { c.boden = true; }, 0x0040, 0},
        {"716 PWRTE", Dev16F716, [](C& c) { c.pwrte = true; }, 0x0008, 0},
        {"716 WDTE", Dev16F716, [](C& c) { c.wdte = true; }, 0x0004, 0},
        {"716 RC", Dev16F716, [](C& c) { c.takt = 3; }, 0x0003, 0},
        {"716 no IOSCFS", Dev16F716, [](C& c) { c.ioscfs = true; }, 0, 0},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.name);
        // Everything protected and off, LP, the largest write-protection block.
        // A control the chip lacks changes neither word.
        ConfigControls before = allOff();
        before.cp1 = before.cp0 = before.cpd = true;
        before.fcmen = before.ieso = before.borv = before.ioscfs = false;
        before.takt = before.takt1 = 0;
        before.wrtLevel = 3;
        ConfigControls after = before;
        k.change(after);
        EXPECT_EQ(buildConfigWord(k.type, before) ^ buildConfigWord(k.type, after), k.word1);
        EXPECT_EQ(buildConfigWord2(k.type, before) ^ buildConfigWord2(k.type, after), k.word2);
    }
}

TEST(ConfigWord, NewerChipsReadTheWordsOfTheirOwnTables) {
    struct Case {
        const char* name;
        std::int32_t type;
        std::uint16_t word;
        std::uint16_t word2;
        int takt1;  // -1: the four-item group
        int borMode;
        bool ra6, fcmen, ieso, debug, lvp, borv, ioscfs;
    };
    const Case cases[] = {
        // INTOSCIO, MCLR, BOR on, DEBUG and LVP off, everything else off or open.
        {"887 0x23E4", Dev16F886_887, 0x23E4, 0x3EFF, 4, 3, false, false, false, true, false, false,
         true},
        {"887 erased", Dev16F886_887, 0x3FFF, 0x3FFF, 5, 3, true, true, true, true, true, true,
         true},
        {"690 EXTRC CLKOUT, SBOREN", Dev16F685_689_690, 0x3D07, 0xFFFF, 5, 1, true, true, true,
         true, false, true, true},
        {"610 BOR 01 reads off", Dev12F609_615_16F610, 0x3D7C, 0xFFFF, 4, 0, false, true, true,
         true, false, true, false},
        {"716 HS, BOR 2,5 V", Dev16F716, 0x3F72, 0xFFFF, -1, 0, false, true, true, true, false,
         false, true},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.name);
        const ControlsFromWord r = controlsFromWord(k.type, k.word, ConfigControls{}, k.word2);
        if (k.takt1 >= 0) {
            EXPECT_EQ(r.controls.takt1, k.takt1);
        } else {
            EXPECT_EQ(r.controls.takt, 2);
        }
        EXPECT_EQ(r.controls.borMode, k.borMode);
        EXPECT_EQ(r.controls.ra6, k.ra6);
        EXPECT_EQ(r.controls.fcmen, k.fcmen);
        EXPECT_EQ(r.controls.ieso, k.ieso);
        EXPECT_EQ(r.controls.debug, k.debug);
        EXPECT_EQ(r.controls.lvp, k.lvp);
        EXPECT_EQ(r.controls.borv, k.borv);
        EXPECT_EQ(r.controls.ioscfs, k.ioscfs);
    }
}

// The flag boxes and the write-protection list a type shows: a bit of the
// second word counts only on a chip that has that word.
TEST(ConfigWord, FlagsAndListsShownWhereTheChipHasTheirBits) {
    struct Case {
        std::int32_t type;
        std::array<bool, kFlagCount> flags;  // FCMEN, IESO, BORV, IOSCFS
        bool wrtList;
    };
    const Case cases[] = {
        {Dev16F87_88, {true, true, false, false}, true},
        {Dev16F818, {false, false, false, false}, true},
        {Dev16F876_877, {false, false, false, false}, false},
        {Dev16F883_884, {true, true, true, false}, true},
        {Dev16F684, {true, true, false, false}, false},
        {Dev16F913_914, {true, true, false, false}, false},
        {Dev12F609_615_16F610, {false, false, false, true}, false},
        {Dev16F716, {false, false, true, false}, false},
        {Dev16F72, {false, false, false, false}, false},
        {-1, {false, false, false, false}, false},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.type);
        EXPECT_EQ(flagsShown(k.type), k.flags);
        EXPECT_EQ(wrtListShown(k.type), k.wrtList);
    }
}

// ---- Words written by gpasm from the gputils headers' __CONFIG symbols ----

// The configuration word of a test file, as the HEX reader stores it.
std::optional<std::uint16_t> configWordOf(const std::string& name) {
    MemoryImage image;
    const HexLoadResult r =
        LoadHexFile(std::string(PKORVEL_TEST_DATA) + "/config/" + name + ".hex", image);
    if (!r.complete() || !image.present(MemoryImage::ConfigAddr)) {
        return std::nullopt;
    }
    return image.HexWords[MemoryImage::ConfigAddr];
}

TEST(ConfigWord, AssemblerWordsSetTheRightBoxes) {
    struct Case {
        const char* file;
        std::int32_t type;
        ConfigControls expected;  // the boxes the type reads; others as in ConfigControls{}
        bool ra6Enabled;
    };
    std::vector<Case> cases;
    auto c = [] { return ConfigControls{}; };
    {
        ConfigControls e = c();  // _CP_ON & _PWRTE_OFF & _WDT_ON & _XT_OSC
        e.cp1 = e.cp0 = true;
        e.pwrte = e.wdte = true;
        e.takt = 1;
        cases.push_back({"f84_cp_xt", Dev16F84, e, false});
        e = c();  // _CP_OFF & _PWRTE_ON & _WDT_OFF & _LP_OSC
        e.takt = 0;
        cases.push_back({"f84_open_lp", Dev16F84, e, false});
    }
    {
        ConfigControls e = c();  // open, DEBUG off, BOD, PWRT off, HS
        e.debug = true;
        e.boden = true;
        e.pwrte = true;
        e.takt = 2;
        cases.push_back({"f877_open_hs", Dev16F876_877, e, false});
        e = c();  // everything protected and on, debugger on, RC
        e.cp1 = e.cp0 = e.cpd = true;
        e.debug = false;
        e.wrt = e.lvp = e.wdte = true;
        e.takt = 3;
        cases.push_back({"f877_all_rc", Dev16F876_877, e, false});
        e = c();  // upper half protected (bits 13 and 5 clear), WRT on, XT
        e.cp1 = true;
        e.debug = true;
        e.wrt = true;
        e.takt = 1;
        cases.push_back({"f873_half_xt", Dev16F873_874, e, false});
    }
    {
        ConfigControls e = c();  // _CP_ON & _BODEN_ON & _PWRTE_ON & _WDT_OFF & _XT_OSC
        e.cp1 = true;
        e.boden = true;
        e.takt = 1;
        cases.push_back({"f74_cp_xt", Dev16F73_74, e, false});
        e = c();  // _CP_OFF & _BODEN_OFF & _PWRTE_OFF & _WDT_ON & _HS_OSC
        e.pwrte = e.wdte = true;
        e.takt = 2;
        cases.push_back({"f77_open_hs", Dev16F76_77, e, false});
    }
    {
        ConfigControls e = c();  // open, MCLR, PWRT off, INTRC with CLKOUT
        e.ra5 = true;
        e.pwrte = true;
        e.takt1 = 4;
        e.ra6 = true;
        cases.push_back({"f628_intrc_clkout", Dev16F628, e, true});
        cases.push_back({"f628_intrc_clkout", Dev16F627, e, true});
        e = c();  // _CP_50 (lower bits clear), CPD, LVP, BOD, no MCLR, WDT, ER without CLKOUT
        e.cp0 = true;
        e.cpd = e.lvp = e.boden = e.wdte = true;
        e.takt1 = 5;
        cases.push_back({"f627_er_cp50", Dev16F627, e, true});
        e = c();  // _CP_ALL, MCLR, EC
        e.cp1 = e.cp0 = true;
        e.ra5 = true;
        e.takt1 = 3;
        cases.push_back({"f628_ec_cpall", Dev16F628, e, false});
    }
    for (const Case& k : cases) {
        SCOPED_TRACE(k.file);
        const std::optional<std::uint16_t> w = configWordOf(k.file);
        ASSERT_TRUE(w.has_value());
        const ControlsFromWord r = controlsFromWord(k.type, *w, ConfigControls{});
        EXPECT_EQ(r.controls, k.expected);
        EXPECT_EQ(r.ra6Enabled, k.ra6Enabled);
        // The assembler leaves unused bits at 1, as the base values do.
        EXPECT_EQ(buildConfigWord(k.type, r.controls), *w);
    }
}

}  // namespace
}  // namespace pk
