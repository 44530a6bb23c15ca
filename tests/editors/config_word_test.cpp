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
        // The write-protection field and the CCP1 pin keep the word's own bits.
        const std::uint16_t ownBits = t.wrtField | t.ccpmx;
        setBits |= ownBits;
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
