#include "editors/config_word.h"

namespace pk {

namespace {

using R = BoxRule;

constexpr std::uint16_t lowestBit(std::uint16_t mask) {
    return static_cast<std::uint16_t>(mask & -mask);
}

constexpr std::size_t idx(Fuse f) {
    return static_cast<std::size_t>(f);
}

// The newer chips' settings that are not single fuse boxes.
constexpr ConfigLayoutTable withNewer(ConfigLayoutTable t, std::uint16_t wrtField,
                                      std::uint16_t ccpmx) {
    t.wrtField = wrtField;
    t.ccpmx = ccpmx;
    t.oneProtectionBox = true;
    return t;
}

constexpr ConfigLayoutTable makeTable(std::uint16_t base, ClockEncoding clock,
                                      std::array<BoxRule, kFuseBoxCount> boxes,
                                      std::initializer_list<std::pair<Fuse, FuseBits>> rows) {
    ConfigLayoutTable t{base, {}, clock, boxes};
    // Power-up timer and watchdog sit at the same place in every family.
    t.fuses[idx(Fuse::PWRTE)] = {0x0008, 0x0008};
    t.fuses[idx(Fuse::WDTE)] = {0x0004, 0x0004};
    for (const auto& [f, bits] : rows) {
        t.fuses[idx(f)] = bits;
    }
    return t;
}

// The 16F84 has one protection setting: CP1 switches all ten protection bits,
// and the word is read back by the two bit pairs the 16F87x use for CP1 and CP0.
constexpr ConfigLayoutTable kLayout84 =
    makeTable(0x0000, ClockEncoding::TwoBits,
              // The 16F84 has none of these settings, whichever mode sets the word.
              {R::Off, R::Off, R::Off, R::Off, R::Off, R::Off, R::Keep, R::Keep},
              {
                  {Fuse::CP1, {0x3FF0, 0x2020}},
                  {Fuse::CP0, {0x0000, 0x1010}},
              });

constexpr ConfigLayoutTable kLayout87x =
    makeTable(0x0400, ClockEncoding::TwoBits,
              {R::OnByHand, R::OnByHand, R::OnByHand, R::OnByHand, R::OnByHand, R::OnByHand,
               R::Keep, R::Keep},
              {
                  {Fuse::CP1, {0x2020, 0x2020}},
                  {Fuse::CP0, {0x1010, 0x1010}},
                  {Fuse::DEBUG, {0x0800, 0x0800}},
                  {Fuse::WRT, {0x0200, 0x0200}},
                  {Fuse::CPD, {0x0100, 0x0100}},
                  {Fuse::LVP, {0x0080, 0x0080}},
                  {Fuse::BODEN, {0x0040, 0x0040}},
              });

constexpr ConfigLayoutTable kLayout7x =
    makeTable(0x3FA0, ClockEncoding::TwoBits,
              // One protection setting for the whole memory, brown-out reset, and no data EEPROM.
              {R::OffByHand, R::OffByHand, R::OffByHand, R::OffByHand, R::OffByHand, R::OnByHand,
               R::Keep, R::Keep},
              {
                  {Fuse::CP1, {0x0010, 0x0010}},
                  {Fuse::BODEN, {0x0040, 0x0040}},
              });

constexpr ConfigLayoutTable kLayout62x =
    makeTable(0x0200, ClockEncoding::Fosc62x,
              // The own oscillator modes and the RA5/RA6 fuses; CLKOUT on RA6 exists only
              // with the internal oscillator or ER.
              {R::OnByHand, R::OffByHand, R::OffByHand, R::OffByHand, R::OnByHand, R::OnByHand,
               R::OnOnlyByHand, R::WithClockItem},
              {
                  {Fuse::CP1, {0x2800, 0x2800}},
                  {Fuse::CP0, {0x1400, 0x1400}},
                  {Fuse::CPD, {0x0100, 0x0100}},
                  {Fuse::LVP, {0x0080, 0x0080}},
                  {Fuse::BODEN, {0x0040, 0x0040}},
                  {Fuse::MCLRE, {0x0020, 0x0020}},
              });

// The chips sold today: one CP bit for all of program memory, unimplemented
// bits as ones.
constexpr ConfigLayoutTable kLayout62xA =
    withNewer(makeTable(0x1E00, ClockEncoding::Fosc62x,
                        {R::Off, R::OnByHand, R::OffByHand, R::OffByHand, R::OnByHand, R::OnByHand,
                         R::OnOnlyByHand, R::WithClockItem},
                        {
                            {Fuse::CP1, {0x2000, 0x2000}},
                            {Fuse::CPD, {0x0100, 0x0100}},
                            {Fuse::LVP, {0x0080, 0x0080}},
                            {Fuse::BODEN, {0x0040, 0x0040}},
                            {Fuse::MCLRE, {0x0020, 0x0020}},
                        }),
              0x0000, 0x0000);

// Self-write protection in two bits (WRT1:0), chosen in a list.
constexpr ConfigLayoutTable kLayout87xA =
    withNewer(makeTable(0x1030, ClockEncoding::TwoBits,
                        {R::Off, R::OnByHand, R::OnByHand, R::OffByHand, R::OnByHand, R::OnByHand,
                         R::Keep, R::Keep},
                        {
                            {Fuse::CP1, {0x2000, 0x2000}},
                            {Fuse::DEBUG, {0x0800, 0x0800}},
                            {Fuse::CPD, {0x0100, 0x0100}},
                            {Fuse::LVP, {0x0080, 0x0080}},
                            {Fuse::BODEN, {0x0040, 0x0040}},
                        }),
              0x0600, 0x0000);

// Single-bit settings, given as (flag, word, bit).
constexpr ConfigLayoutTable withFlags(ConfigLayoutTable t,
                                      std::initializer_list<std::pair<Flag, WordBit>> flags) {
    for (const auto& [f, bit] : flags) {
        t.flags[static_cast<std::size_t>(f)] = bit;
    }
    return t;
}

// As the 87xA, plus the 62x oscillator modes, MCLRE and the CCP1 pin (CCPMX);
// the 16F87/88 have the two-speed start-up and the clock monitor in the second word.
constexpr ConfigLayoutTable kLayout88 =
    withFlags(withNewer(makeTable(0x0000, ClockEncoding::Fosc62x,
                                  {R::Off, R::OnByHand, R::OnByHand, R::OffByHand, R::OnByHand,
                                   R::OnByHand, R::OnOnlyByHand, R::WithClockItem},
                                  {
                                      {Fuse::CP1, {0x2000, 0x2000}},
                                      {Fuse::DEBUG, {0x0800, 0x0800}},
                                      {Fuse::CPD, {0x0100, 0x0100}},
                                      {Fuse::LVP, {0x0080, 0x0080}},
                                      {Fuse::BODEN, {0x0040, 0x0040}},
                                      {Fuse::MCLRE, {0x0020, 0x0020}},
                                  }),
                        0x0600, 0x1000),
              {{Flag::FCMEN, {1, 0x0001}}, {Flag::IESO, {1, 0x0002}}});

// 12F629/675, 16F630/676: every bit elsewhere, the watchdog and power-up timer
// too. The bandgap bits (13:12) are the chip's own and are put in when the word
// is burnt; the word is built with ones there. Bits 11:9 read 0. MCLR is GP3
// (RA3 on the 14-pin chips), CLKOUT comes out on the OSC2 pin, an external
// clock goes in at GP5 (RA5).
constexpr ConfigLayoutTable withPins(ConfigLayoutTable t, const char* mclr, const char* clkout,
                                     const char* clockIn) {
    t.mclrPin = mclr;
    t.clkoutPin = clkout;
    t.clockInPin = clockIn;
    return t;
}

constexpr ConfigLayoutTable kLayout629 =
    withPins(withNewer(makeTable(0x3000, ClockEncoding::Fosc629,
                                 {R::Off, R::OnByHand, R::OffByHand, R::OffByHand, R::OffByHand,
                                  R::OnByHand, R::OnOnlyByHand, R::WithClockItem},
                                 {
                                     {Fuse::CP1, {0x0080, 0x0080}},
                                     {Fuse::CPD, {0x0100, 0x0100}},
                                     {Fuse::BODEN, {0x0040, 0x0040}},
                                     {Fuse::MCLRE, {0x0020, 0x0020}},
                                     {Fuse::PWRTE, {0x0010, 0x0010}},
                                     {Fuse::WDTE, {0x0008, 0x0008}},
                                 }),
                       0x0000, 0x0000),
             "GP3/RA3", "OSC2", "GP5/RA5");

// The brown-out modes of BOREN1:0; the 12F609/615 and 16F610/616 have no
// software-controlled mode (0x is off).
constexpr std::array<FieldItem, 4> kBorFour{
    {{"BOR aus", 0}, {"BOR per SBOREN", 1}, {"BOR an, aus im Sleep", 2}, {"BOR an", 3}}};
constexpr std::array<FieldItem, 3> kBorThree{
    {{"BOR aus", 0}, {"BOR an, aus im Sleep", 2}, {"BOR an", 3}}};

// What the 16F88x, 16F6xx, 16F91x and 12F609/16F610 families share: the
// 12F629's clock encoding in FOSC2:0, WDTE 3, PWRTE 4, MCLRE 5, one CP bit (6),
// BOREN1:0 in 9..8.
constexpr ConfigLayoutTable newerFourteenBit(std::uint16_t base,
                                             std::array<BoxRule, kFuseBoxCount> boxes,
                                             std::initializer_list<std::pair<Fuse, FuseBits>> rows,
                                             std::span<const FieldItem> borItems) {
    ConfigLayoutTable t = makeTable(base, ClockEncoding::Fosc629, boxes,
                                    {
                                        {Fuse::CP1, {0x0040, 0x0040}},
                                        {Fuse::MCLRE, {0x0020, 0x0020}},
                                        {Fuse::PWRTE, {0x0010, 0x0010}},
                                        {Fuse::WDTE, {0x0008, 0x0008}},
                                    });
    for (const auto& [f, bits] : rows) {
        t.fuses[idx(f)] = bits;
    }
    t.oneProtectionBox = true;
    t.borField = 0x0300;
    t.borItems = borItems;
    t.intoscItem = "INTOSC (8MHz)";
    t.rcItem = "RC";
    return t;
}

// 16F882 .. 16F887: every bit stored; DEBUG 13, LVP 12, FCMEN 11, IESO 10, CPD 7.
// The second word holds BOR4V (8) and WRT1:0 (10..9). MCLR is RE3.
constexpr ConfigLayoutTable makeLayout88x() {
    ConfigLayoutTable t = withFlags(
        newerFourteenBit(0x0000,
                         {R::Off, R::OnByHand, R::OnByHand, R::Off, R::OnByHand, R::Off,
                          R::OnOnlyByHand, R::WithClockItem},
                         {
                             {Fuse::DEBUG, {0x2000, 0x2000}},
                             {Fuse::LVP, {0x1000, 0x1000}},
                             {Fuse::CPD, {0x0080, 0x0080}},
                         },
                         kBorFour),
        {{Flag::FCMEN, {0, 0x0800}}, {Flag::IESO, {0, 0x0400}}, {Flag::BORV, {1, 0x0100}}});
    t.wrtField2 = 0x0600;
    t.borvLow = "2,1 V";
    return withPins(t, "RE3", "RA6", "RA7");
}
constexpr ConfigLayoutTable kLayout88x = makeLayout88x();

// 12F683, 16F684/688, 16F631 .. 16F690, 16F785: as the 16F88x without DEBUG,
// LVP and the second word; bits 13:12 read 1. Resistor mode is called EXTRC.
constexpr ConfigLayoutTable makeLayout6xx() {
    ConfigLayoutTable t = withFlags(newerFourteenBit(0x3000,
                                                     {R::Off, R::OnByHand, R::Off, R::Off, R::Off,
                                                      R::Off, R::OnOnlyByHand, R::WithClockItem},
                                                     {{Fuse::CPD, {0x0080, 0x0080}}}, kBorFour),
                                    {{Flag::FCMEN, {0, 0x0800}}, {Flag::IESO, {0, 0x0400}}});
    t.rcItem = "EXTRC";
    return withPins(t, "GP3/RA3", "OSC2", "GP5/RA5");
}
constexpr ConfigLayoutTable kLayout6xx = makeLayout6xx();

// 16F913 .. 16F946: as the 16F6xx with DEBUG in bit 12; bit 13 reads 1.
constexpr ConfigLayoutTable kLayout91x =
    withPins(withFlags(newerFourteenBit(0x2000,
                                        {R::Off, R::OnByHand, R::OnByHand, R::Off, R::Off, R::Off,
                                         R::OnOnlyByHand, R::WithClockItem},
                                        {
                                            {Fuse::DEBUG, {0x1000, 0x1000}},
                                            {Fuse::CPD, {0x0080, 0x0080}},
                                        },
                                        kBorFour),
                       {{Flag::FCMEN, {0, 0x0800}}, {Flag::IESO, {0, 0x0400}}}),
             "RE3", "RA6", "RA7");

// 12F609/615, 16F610/616: no EEPROM, no clock monitor; IOSCFS (7) picks 8 or
// 4 MHz for the internal oscillator; bits 13..10 read 1.
constexpr ConfigLayoutTable makeLayout61x() {
    ConfigLayoutTable t = withFlags(newerFourteenBit(0x3C00,
                                                     {R::Off, R::Off, R::Off, R::Off, R::Off,
                                                      R::Off, R::OnOnlyByHand, R::WithClockItem},
                                                     {}, kBorThree),
                                    {{Flag::IOSCFS, {0, 0x0080}}});
    t.intoscItem = "INTOSC (4/8MHz)";
    return withPins(t, "GP3/RA3", "OSC2", "GP5/RA5");
}
constexpr ConfigLayoutTable kLayout61x = makeLayout61x();

// 16F716: the four-item clock in FOSC1:0, WDTE 2, PWRTE 3, BOREN 6, BORV 7
// (4.0 or 2.5 V), CP 13; bits 12..8 and 5..4 read 1.
constexpr ConfigLayoutTable makeLayout716() {
    ConfigLayoutTable t = withFlags(
        withNewer(makeTable(0x1F30, ClockEncoding::TwoBits,
                            {R::Off, R::Off, R::Off, R::Off, R::Off, R::OnByHand, R::Keep, R::Keep},
                            {
                                {Fuse::CP1, {0x2000, 0x2000}},
                                {Fuse::BODEN, {0x0040, 0x0040}},
                            }),
                  0x0000, 0x0000),
        {{Flag::BORV, {0, 0x0080}}});
    t.borvLow = "2,5 V";
    return t;
}
constexpr ConfigLayoutTable kLayout716 = makeLayout716();

// The word of a type outside the list.
constexpr std::uint16_t kNoTypeBase = 0x0400;

}  // namespace

const ConfigLayoutTable& configLayoutTable(ConfigLayout layout) {
    static constexpr std::array<const ConfigLayoutTable*, 13> kTables{
        &kLayout84,  &kLayout87x, &kLayout7x,  &kLayout62x, &kLayout62xA, &kLayout87xA, &kLayout88,
        &kLayout629, &kLayout88x, &kLayout6xx, &kLayout91x, &kLayout61x,  &kLayout716};
    return *kTables.at(static_cast<std::size_t>(layout));
}

std::optional<bool> boxEnabledAfterTypeChange(BoxRule rule, bool fromFile, int clockItem) {
    switch (rule) {
        case BoxRule::Keep:
            return std::nullopt;
        case BoxRule::Off:
            return false;
        case BoxRule::OnByHand:
            return fromFile ? std::nullopt : std::optional<bool>(true);
        case BoxRule::OffByHand:
            return fromFile ? std::nullopt : std::optional<bool>(false);
        case BoxRule::OnOnlyByHand:
            return !fromFile;
        case BoxRule::WithClockItem:
            break;
    }
    return !fromFile && clockItem > 3;
}

bool singleProtectionSetting(std::int32_t type) {
    const DeviceInfo* dev = deviceInfo(type);
    return dev != nullptr && configLayoutTable(dev->configLayout)[Fuse::CP0].set == 0;
}

bool& ConfigControls::fuse(Fuse f) {
    switch (f) {
        case Fuse::CP1:
            return cp1;
        case Fuse::CP0:
            return cp0;
        case Fuse::DEBUG:
            return debug;
        case Fuse::WRT:
            return wrt;
        case Fuse::CPD:
            return cpd;
        case Fuse::LVP:
            return lvp;
        case Fuse::BODEN:
            return boden;
        case Fuse::MCLRE:
            return ra5;
        case Fuse::PWRTE:
            return pwrte;
        case Fuse::WDTE:
            break;
    }
    return wdte;
}

bool ConfigControls::fuse(Fuse f) const {
    return const_cast<ConfigControls*>(this)->fuse(f);
}

bool& ConfigControls::flag(Flag f) {
    switch (f) {
        case Flag::FCMEN:
            return fcmen;
        case Flag::IESO:
            return ieso;
        case Flag::BORV:
            return borv;
        case Flag::IOSCFS:
            break;
    }
    return ioscfs;
}

bool ConfigControls::flag(Flag f) const {
    return const_cast<ConfigControls*>(this)->flag(f);
}

namespace {

// The value of a field as the list shows it: one no item has is the first item's.
int listedValue(std::span<const FieldItem> items, int value) {
    for (const FieldItem& i : items) {
        if (i.value == value) {
            return value;
        }
    }
    return items.empty() ? 0 : items.front().value;
}

// The flag bits of one word that the controls switch on.
std::uint16_t flagBits(const ConfigLayoutTable& t, std::uint8_t word, const ConfigControls& c) {
    std::uint16_t w = 0;
    for (std::size_t i = 0; i < kFlagCount; ++i) {
        if (t.flags[i].word == word && c.flag(static_cast<Flag>(i))) {
            w |= t.flags[i].bit;
        }
    }
    return w;
}

// Reads one word's flag bits into the controls.
void readFlags(const ConfigLayoutTable& t, std::uint8_t word, std::uint16_t value,
               ControlsFromWord& r) {
    for (std::size_t i = 0; i < kFlagCount; ++i) {
        const WordBit& b = t.flags[i];
        if (b.bit != 0 && b.word == word) {
            r.controls.flag(static_cast<Flag>(i)) = (value & b.bit) != 0;
            r.flagSet[i] = true;
        }
    }
}

}  // namespace

std::array<bool, kFlagCount> flagsShown(std::int32_t type) {
    std::array<bool, kFlagCount> shown{};
    const DeviceInfo* dev = deviceInfo(type);
    if (dev == nullptr) {
        return shown;
    }
    const ConfigLayoutTable& t = configLayoutTable(dev->configLayout);
    for (std::size_t i = 0; i < kFlagCount; ++i) {
        shown[i] = t.flags[i].bit != 0 && (t.flags[i].word == 0 || dev->hasConfig2());
    }
    return shown;
}

bool wrtListShown(std::int32_t type) {
    const DeviceInfo* dev = deviceInfo(type);
    if (dev == nullptr) {
        return false;
    }
    const ConfigLayoutTable& t = configLayoutTable(dev->configLayout);
    return t.wrtField != 0 || (t.wrtField2 != 0 && dev->hasConfig2());
}

std::uint16_t buildConfigWord(std::int32_t type, const ConfigControls& c) {
    const DeviceInfo* dev = deviceInfo(type);
    if (dev == nullptr) {
        std::uint16_t w = kNoTypeBase;
        if (c.pwrte) {
            w += 0x0008;
        }
        if (c.wdte) {
            w += 0x0004;
        }
        return w;
    }
    const ConfigLayoutTable& t = configLayoutTable(dev->configLayout);
    std::uint16_t w = t.base;
    for (std::size_t i = 0; i < kFuseCount; ++i) {
        const Fuse f = static_cast<Fuse>(i);
        const bool on = isProtectionFuse(f) ? !c.fuse(f) : c.fuse(f);
        if (on) {
            w = static_cast<std::uint16_t>(w + t.fuses[i].set);
        }
    }
    if (t.clock == ClockEncoding::TwoBits) {
        if (c.takt >= 0 && c.takt <= 3) {
            w = static_cast<std::uint16_t>(w + c.takt);
        }
    } else if (c.takt1 >= 0 && c.takt1 < static_cast<int>(kFosc62xBits.size())) {
        const auto& items = t.clock == ClockEncoding::Fosc629 ? kFosc629Bits : kFosc62xBits;
        std::uint16_t bits = items[static_cast<std::size_t>(c.takt1)];
        if (c.ra6 && c.takt1 >= 4) {
            bits |= 0x01;
        }
        w = static_cast<std::uint16_t>(w + bits);
    }
    if (t.wrtField != 0) {
        const int level = c.wrtLevel >= 0 && c.wrtLevel <= 3 ? c.wrtLevel : 0;
        w = static_cast<std::uint16_t>(w + (3 - level) * lowestBit(t.wrtField));
    }
    if (t.ccpmx != 0 && !c.ccp1Rb3) {
        w = static_cast<std::uint16_t>(w + t.ccpmx);
    }
    if (t.borField != 0) {
        w = static_cast<std::uint16_t>(w +
                                       listedValue(t.borItems, c.borMode) * lowestBit(t.borField));
    }
    return static_cast<std::uint16_t>(w | flagBits(t, 0, c));
}

std::uint16_t buildConfigWord2(std::int32_t type, const ConfigControls& c) {
    const DeviceInfo* dev = deviceInfo(type);
    if (dev == nullptr || !dev->hasConfig2()) {
        return 0xFFFF;
    }
    const ConfigLayoutTable& t = configLayoutTable(dev->configLayout);
    // Bits the chip does not store read as ones.
    std::uint16_t w = 0x3FFF & ~dev->config2().implemented;
    w |= flagBits(t, 1, c);
    if (t.wrtField2 != 0) {
        const int level = c.wrtLevel >= 0 && c.wrtLevel <= 3 ? c.wrtLevel : 0;
        w = static_cast<std::uint16_t>(w + (3 - level) * lowestBit(t.wrtField2));
    }
    return w;
}

ControlsFromWord controlsFromWord(std::int32_t type, std::uint16_t word,
                                  const ConfigControls& current, std::uint16_t word2) {
    ControlsFromWord r;
    r.controls = current;
    const DeviceInfo* dev = deviceInfo(type);
    int mode = 0;  // the clock mode M that decides RA6
    if (dev == nullptr) {
        // Without a type only the bits common to all families are read.
        for (Fuse f : {Fuse::PWRTE, Fuse::WDTE}) {
            const FuseBits& bits = configLayoutTable(ConfigLayout::Layout84)[f];
            r.controls.fuse(f) = (word & bits.read) != 0;
            r.fuseSet[static_cast<std::size_t>(f)] = true;
        }
    } else {
        const ConfigLayoutTable& t = configLayoutTable(dev->configLayout);
        for (std::size_t i = 0; i < kFuseCount; ++i) {
            const Fuse f = static_cast<Fuse>(i);
            const std::uint16_t mask = t.fuses[i].read;
            if (mask == 0) {
                continue;
            }
            const bool bitsSet = (word & mask) != 0;
            r.controls.fuse(f) = isProtectionFuse(f) ? (word & mask) == 0 : bitsSet;
            r.fuseSet[i] = true;
        }
        if (t.clock == ClockEncoding::TwoBits) {
            mode = word & 0x03;
            r.controls.takt = mode;
            r.taktSet = true;
        } else {
            const bool f629 = t.clock == ClockEncoding::Fosc629;
            const auto& items = f629 ? kFosc629Bits : kFosc62xBits;
            // The bit that marks the internal oscillator and RC modes moves to
            // bit 4 here, so one test below serves both encodings.
            mode = f629 ? ((word & 0x04) << 2) | (word & 0x03) : word & 0x13;
            const int own = f629 ? word & 0x07 : mode;
            int item = 0;  // a combination no item gives falls back to LP
            for (std::size_t i = 0; i < items.size(); ++i) {
                const int bits = items[i];
                if (own == bits || (i >= 4 && own == (bits | 0x01))) {
                    item = static_cast<int>(i);
                    break;
                }
            }
            r.controls.takt1 = item;
            r.takt1Set = true;
        }
        if (t.wrtField != 0) {
            r.controls.wrtLevel = 3 - (word & t.wrtField) / lowestBit(t.wrtField);
            r.wrtLevelSet = true;
        }
        if (t.ccpmx != 0) {
            r.controls.ccp1Rb3 = (word & t.ccpmx) == 0;
            r.ccpmxSet = true;
        }
        if (t.borField != 0) {
            r.controls.borMode =
                listedValue(t.borItems, (word & t.borField) / lowestBit(t.borField));
            r.borSet = true;
        }
        readFlags(t, 0, word, r);
        if (dev->hasConfig2() && (word2 & 0x8000) == 0) {
            readFlags(t, 1, word2, r);
            if (t.wrtField2 != 0) {
                r.controls.wrtLevel = 3 - (word2 & t.wrtField2) / lowestBit(t.wrtField2);
                r.wrtLevelSet = true;
            }
            r.secondSet = true;
        }
    }
    r.ra6Enabled = mode > 3;
    r.controls.ra6 = (mode & 0x11) == 0x11;
    return r;
}

ConfigRule configRule(const ConfigControls& controls, bool fromFile) {
    return [controls, fromFile](std::int32_t type, std::uint16_t fileWord,
                                std::uint16_t fileWord2) {
        ConfigWords w;
        if (!fromFile) {
            w.word = buildConfigWord(type, controls);
            w.word2 = buildConfigWord2(type, controls);
            return w;
        }
        w.word = (fileWord & 0x8000) != 0
                     ? buildConfigWord(type, controls)
                     : buildConfigWord(type, controlsFromWord(type, fileWord, controls).controls);
        const ControlsFromWord second =
            controlsFromWord(type, buildConfigWord(type, controls), controls, fileWord2);
        w.word2 = buildConfigWord2(type, second.controls);
        return w;
    };
}

}  // namespace pk
