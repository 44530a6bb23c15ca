#pragma once
// The configuration word and the fuse controls of the main window, both ways.
// The main window only moves check boxes and radio groups; which bit belongs to
// which control, per chip family, is decided here and nowhere else.

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

#include "device/catalogue.h"
#include "device/config_words.h"

namespace pk {

// The fuse controls in the order the word is read into them. The order matters
// in the window: setting CP1 runs its handler, which may copy it into CP0, and
// the word's own CP0 bits must win afterwards.
enum class Fuse : std::size_t { CP1, CP0, DEBUG, WRT, CPD, LVP, BODEN, MCLRE, PWRTE, WDTE };
inline constexpr std::size_t kFuseCount = 10;

// A protection box means "protected" when checked, so its bits are 0 then.
constexpr bool isProtectionFuse(Fuse f) {
    return f == Fuse::CP1 || f == Fuse::CP0 || f == Fuse::CPD;
}

// How the clock radio group maps to bits.
enum class ClockEncoding {
    TwoBits,  // four items LP, XT, HS, RC: the item index is bits 1..0
    Fosc62x,  // six items LP, XT, HS, EC, INTRC, ER in bits 4, 1, 0; RA6 adds bit 0 to the last two
    Fosc629,  // the same six items in bits 2..0; CLKOUT adds bit 0 to the last two
};

// Both own-oscillator encodings use the six-item group with the MCLR and CLKOUT boxes.
constexpr bool sixItemClock(ClockEncoding c) {
    return c != ClockEncoding::TwoBits;
}

struct FuseBits {
    std::uint16_t set = 0;   // added to the word when the fuse is on
    std::uint16_t read = 0;  // bits that decide the box when the word is read; 0 = box not read
};

// The fuse boxes a type change enables or disables (the others are the same on
// every chip: CP1, power-up timer, watchdog).
enum class FuseBox : std::size_t { CP0, CPD, DEBUG, WRT, LVP, BODEN, RA5, RA6 };
inline constexpr std::size_t kFuseBoxCount = 8;

// What a type change does to one fuse box. The from-file mode locks the boxes
// itself; most rules leave that lock alone.
enum class BoxRule : std::uint8_t {
    Keep,           // untouched
    Off,            // the chip has no such setting: disabled, in either mode
    OnByHand,       // enabled when set by hand; the from-file lock stays
    OffByHand,      // disabled when set by hand; the from-file lock stays
    OnOnlyByHand,   // enabled by hand, disabled in the from-file mode
    WithClockItem,  // as OnOnlyByHand, but by hand only for a clock item that has it (RA6)
};

// The box's enabled state after a type change; nullopt: leave it as it is.
// clockItem is the item of the six-item clock group (-1 for none).
std::optional<bool> boxEnabledAfterTypeChange(BoxRule rule, bool fromFile, int clockItem);

// Settings of one bit that are no fuse box of their own; each is a check box.
enum class Flag : std::size_t { FCMEN, IESO, BORV, IOSCFS };
inline constexpr std::size_t kFlagCount = 4;

// A bit of the first (word 0) or the second (word 1) configuration word.
struct WordBit {
    std::uint8_t word = 0;
    std::uint16_t bit = 0;  // 0: the chip has no such setting
};

// One item of a list that chooses a field's value.
struct FieldItem {
    const char* text;
    std::uint8_t value;  // the field's value, counted from its lowest bit
};

struct ConfigLayoutTable {
    std::uint16_t base;  // bits no control represents
    std::array<FuseBits, kFuseCount> fuses;
    ClockEncoding clock;
    // What a type change does to each fuse box. The clock group, RA5/RA6, the
    // data EEPROM box and the copy of CP1 into CP0 follow from the clock
    // encoding, the catalogue's EEPROM size and singleProtectionSetting.
    std::array<BoxRule, kFuseBoxCount> boxes;
    // The newer chips' two self-write protection bits (WRT1:0) as one field,
    // chosen in a list; 0 where the WRT fuse box stands for the bits.
    std::uint16_t wrtField = 0;
    // The bit choosing the CCP1 pin (CCPMX: 1 = the first pin, 0 = RB3); 0: none.
    std::uint16_t ccpmx = 0;
    // One protection bit for all of program memory, shown as a single box.
    bool oneProtectionBox = false;
    // The pins the MCLR and CLKOUT boxes and the EC item name (the 16F62x's elsewhere).
    const char* mclrPin = "RA5";
    const char* clkoutPin = "RA6";
    const char* clockInPin = "RA7";  // where EC takes the external clock
    // The six-item group's internal and resistor oscillator items.
    const char* intoscItem = "INTRC (4Mhz)";
    const char* rcItem = "ER (0.01..8MHz)";
    // WRT1:0 in the second word (16F88x), chosen in the same list as wrtField.
    std::uint16_t wrtField2 = 0;
    // The brown-out modes in two bits (BOREN1:0), chosen in a list instead of
    // the BODEN box; an item's value the list lacks reads as the first item.
    std::uint16_t borField = 0;
    std::span<const FieldItem> borItems{};
    std::array<WordBit, kFlagCount> flags{};
    const char* borvLow = "";  // the lower brown-out threshold, when BORV is clear

    const WordBit& operator[](Flag f) const { return flags[static_cast<std::size_t>(f)]; }

    const FuseBits& operator[](Fuse f) const { return fuses[static_cast<std::size_t>(f)]; }
    BoxRule operator[](FuseBox b) const { return boxes[static_cast<std::size_t>(b)]; }
};

const ConfigLayoutTable& configLayoutTable(ConfigLayout layout);

// Clock bits of the 16F62x items 0..5 without RA6 ("RA6 = CLKOUT" adds 0x01 to INTRC and ER).
inline constexpr std::array<std::uint16_t, 6> kFosc62xBits{0x00, 0x01, 0x02, 0x03, 0x10, 0x12};
// The same items on the 12F629/675 and 16F630/676 (CLKOUT adds 0x01 to INTOSC and RC).
inline constexpr std::array<std::uint16_t, 6> kFosc629Bits{0x00, 0x01, 0x02, 0x03, 0x04, 0x06};

// True when the type has one protection setting for the whole memory (no CP0
// bits of its own): the lower-area box then follows the upper one.
bool singleProtectionSetting(std::int32_t type);

// The state of the main window's fuse controls.
struct ConfigControls {
    bool cp1 = false;      // "oberer Bereich" (checked: protected)
    bool cp0 = false;      // "unterer Bereich"
    bool cpd = false;      // "Data-EEPROM"
    bool debug = true;     // "Debug OFF"
    bool wrt = false;      // "ProgMem Write Enable"
    bool lvp = false;      // "LV-Programming enable"
    bool boden = false;    // "Brown out Reset enable"
    bool ra5 = false;      // "RA5 = MCLR"
    bool ra6 = false;      // "RA6 = CLKOUT"
    bool pwrte = false;    // "Power up Timer OFF"
    bool wdte = false;     // "Watchdog on"
    int takt = 1;          // item of TaktRadioGroup (four items), -1 for none
    int takt1 = 1;         // item of TaktRadioGroup1 (six items), -1 for none
    int wrtLevel = 0;      // item of WRTComboBox: 0 no write protection .. 3 the largest block
    bool ccp1Rb3 = false;  // "CCP1 an RB3"
    bool fcmen = true;     // "FCMEN": the fail-safe clock monitor
    bool ieso = true;      // "IESO": the two-speed start-up
    int borMode = 0;       // value of BOREN1:0 chosen in BORComboBox
    bool borv = true;      // "BOR bei 4,0 V": the higher brown-out threshold
    bool ioscfs = true;    // "INTOSC 8 MHz" instead of 4 MHz

    bool& flag(Flag f);
    bool flag(Flag f) const;

    bool& fuse(Fuse f);
    bool fuse(Fuse f) const;
    bool operator==(const ConfigControls&) const = default;
};

// The word SetConfiguration builds from the controls, for a type list index.
// An index outside the list builds 0x0400 with only the power-up timer and
// watchdog bits.
std::uint16_t buildConfigWord(std::int32_t type, const ConfigControls& c);

// The second configuration word from the controls; 0xFFFF (no value) for a
// type without one.
std::uint16_t buildConfigWord2(std::int32_t type, const ConfigControls& c);

// The flag boxes the type shows: its layout has the bit in a word the chip has.
std::array<bool, kFlagCount> flagsShown(std::int32_t type);
// The type chooses WRT1:0 in WRTComboBox (in either word).
bool wrtListShown(std::int32_t type);

// The items of WRTComboBox, from no protection to the largest block; the item
// index is 3 minus the value of WRT1:0. How far each block reaches differs
// from chip to chip; the list's hint names the bits.
inline constexpr std::array<const char*, 4> kWrtItems{"Schreibschutz aus", "Schreibschutz klein",
                                                      "Schreibschutz mittel", "Schreibschutz groß"};

// What UpdateConfigButtons does to the controls for a word from the file.
struct ControlsFromWord {
    ConfigControls controls;  // the given state with the type's controls replaced
    bool ra6Enabled = false;  // "RA6 = CLKOUT" is enabled for INTRC and ER only
    // Which fuse boxes the word sets for this type (in Fuse order).
    std::array<bool, kFuseCount> fuseSet{};
    bool taktSet = false;                    // TaktRadioGroup takes an item
    bool takt1Set = false;                   // TaktRadioGroup1 takes an item
    bool wrtLevelSet = false;                // WRTComboBox takes an item
    bool ccpmxSet = false;                   // "CCP1 an RB3" is set
    bool secondSet = false;                  // the second word's controls are set
    bool borSet = false;                     // BORComboBox takes an item
    std::array<bool, kFlagCount> flagSet{};  // which flag boxes the words set
};

// Reads a word (bit 15 clear) into the controls of the given type; controls the
// type does not use keep their state from `current`, except RA6, which is set
// (and unchecked for every type without INTRC/ER). A second word with bit 15
// clear sets the second word's boxes on a type that has one.
ControlsFromWord controlsFromWord(std::int32_t type, std::uint16_t word,
                                  const ConfigControls& current, std::uint16_t word2 = 0xFFFF);

// The rule a burn takes its configuration words by. fromFile ("aus HEX-File
// lesen"): a word the file gives is read into the controls and built from them,
// so it holds what the controls can show; otherwise the controls' own words.
ConfigRule configRule(const ConfigControls& controls, bool fromFile);

}  // namespace pk
