#pragma once
// The chip catalogue: the single table of what differs between the supported
// chips. Everything else asks this table instead of switching on the type.

#include <array>
#include <chrono>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "link/circuit.h"

namespace pk {

// The entry's value is the item index of the type list.
enum DeviceType : std::int32_t {
    Dev16F84 = 0,
    Dev16F876_877 = 1,
    Dev16F873_874 = 2,
    Dev16F870_872 = 3,
    Dev16F76_77 = 4,
    Dev16F73_74 = 5,
    Dev16F627 = 6,
    Dev16F628 = 7,
    Dev16F627A = 8,
    Dev16F628A = 9,
    Dev16F648A = 10,
    Dev16F873A_874A = 11,
    Dev16F876A_877A = 12,
    Dev16F87_88 = 13,
    Dev16F818 = 14,
    Dev16F819 = 15,
    Dev12F629_675 = 16,
    Dev16F630_676 = 17,
    Dev16F882 = 18,
    Dev16F883_884 = 19,
    Dev16F886_887 = 20,
    Dev12F683 = 21,
    Dev16F684 = 22,
    Dev16F688 = 23,
    Dev16F631 = 24,
    Dev16F677_687 = 25,
    Dev16F685_689_690 = 26,
    Dev16F72 = 27,
    Dev16F716 = 28,
    Dev16F913_914 = 29,
    Dev16F916_917_946 = 30,
    Dev12F609_615_16F610 = 31,
    Dev16F616 = 32,
    Dev16F785 = 33,
};

inline constexpr int kDeviceTypeCount = 34;

// How program memory is written. Schemes with a row of latched words go here,
// with latchWords telling the row's length.
enum class WriteScheme {
    WordByWord,           // command 8 erases and programs one word; read back at once
    PairsAfterBulkErase,  // 16F7x: bulk erase, two latched words per cycle (8 .. 14), verify after
    // 16F62xA, 12F629 family: a programming cycle only clears bits: a bulk erase
    // first, then one word per cycle; the 16F88x, 16F6xx, 16F91x, 16F716 and
    // 16F616 latch rows of 4 or 8 words and verify after.
    ProgramOnlyAfterBulkErase,
    // 16F87xA (8 latches, 8 erases and writes the row), 16F87/88 and 16F818/819
    // (4 latches, 24 .. 23 after a 32-word row erase): rows, verify after.
    Rows,
};

// How a chip is erased.
enum class EraseScheme {
    SetupPairPerLoad,   // the first 16F84: load all ones, 1, 7, 8, wait, 1, 7 — once per memory
    SetupPairAtConfig,  // 16F87x: 1, 7, 8 at the configuration word clears everything at once
    BulkThenBegin,      // 16F84A, 16F62x: load all ones, 9 (data: 11), 8, wait
    BulkSelfTimed,      // 16F7x: 9 runs by itself and takes the configuration word along
    // 16F62xA, 12F629/675, 16F630/676: 9 and 11 run by themselves; 9 clears the
    // configuration word
    BulkPairSelfTimed,
    ChipErase,  // 31 clears everything, protection included (16F87xA, 16F87/88, 16F818/819)
};

// Does the erase also clear the configuration word (so a blank check reads it)?
constexpr bool eraseClearsConfig(EraseScheme e) {
    return e == EraseScheme::SetupPairAtConfig || e == EraseScheme::BulkSelfTimed ||
           e == EraseScheme::BulkPairSelfTimed || e == EraseScheme::ChipErase;
}

// How code protection is removed.
enum class UnprotectScheme {
    SetupPairAtConfig,  // Load Configuration, 7 increments, 1, 7, 8, wait, 1, 7
    Erase,              // the chip's erase is the only way, and it is enough (16F7x)
};

// The order of the supply voltages when programming mode starts is the link's
// EntryOrder (link/circuit.h): VDD first, or VPP first so that the chip runs no
// code before the mode takes over.

// Which configuration-word layout the fuse controls use.
// Layout62xA: one CP bit (13). Layout87xA: one CP bit, DEBUG, WRT1:0. Layout88
// (16F87/88, 16F818/819): as Layout87xA with the 16F62x's oscillator modes and MCLRE.
// Layout629 (12F629/675, 16F630/676): FOSC2:0 in bits 2..0, WDTE 3, PWRTE 4,
// MCLRE 5, BODEN 6, CP 7, CPD 8, the factory's bandgap bits in 13:12.
enum class ConfigLayout {
    Layout84,
    Layout87x,
    Layout7x,
    Layout62x,
    Layout62xA,
    Layout87xA,
    Layout88,
    Layout629,
    // FOSC2:0 in bits 2..0, WDTE 3, PWRTE 4, MCLRE 5, CP 6, CPD 7, BOREN1:0 9..8,
    // IESO 10, FCMEN 11; the 16F88x adds LVP 12 and DEBUG 13 and a second word
    // (BOR4V, WRT1:0), the 16F91x DEBUG 12.
    Layout88x,
    Layout6xx,
    Layout91x,
    // 12F609/615, 16F610/616: as Layout6xx up to CP, then IOSCFS 7, BOREN1:0 9..8.
    Layout61x,
    // 16F716: FOSC1:0, WDTE 2, PWRTE 3, BOREN 6, BORV 7, CP 13.
    Layout716,
};

// One configuration word of a chip. Unimplemented bits read as ones; the
// protection bits protect when 0.
struct ConfigWordFacts {
    std::uint16_t address = 0;      // 0: the chip has no such word
    std::uint16_t implemented = 0;  // bits the chip stores
    std::uint16_t cp = 0;           // every code-protection bit
    std::uint16_t cpd = 0;          // data-protection bits; 0 where CP covers the EEPROM too
    std::uint16_t cpDetect = 0;     // the CP bits detection reads (fully unprotected: all ones)
};

// Waits for the chip's own cycles. For a self-timed cycle the longest it may
// take, for a cycle the host ends (16F7x: 8 .. 14) the least it must last.
// 0: the chip has no such cycle.
struct CycleTimes {
    std::chrono::microseconds program{0};          // a program word or ID location (16F7x: a pair)
    std::chrono::microseconds data{0};             // a data EEPROM byte
    std::chrono::microseconds config{0};           // the configuration word
    std::chrono::microseconds erase{0};            // the erase scheme's cycle for program memory
    std::chrono::microseconds dataErase{0};        // an erase of the data EEPROM on its own
    std::chrono::microseconds unprotect{0};        // the protection-removal cycle
    std::chrono::microseconds unprotectSettle{0};  // after it, before VPP may drop
    std::chrono::microseconds step{0};             // between steps in configuration memory
    std::chrono::microseconds programOnly{0};      // 0x18 on an erased word; 0: no such cycle
    std::chrono::microseconds endHold{0};          // after End Programming, before the next bit
    // tdly1/tdly2, from a frame's last falling clock edge to the next frame (the
    // data-sheet timing; the classic one waits its Delay).
    std::chrono::nanoseconds frameGap{1000};
};

struct ChipTimes {
    CycleTimes classic;    // what the program waits: generous, and unchanged for years
    CycleTimes dataSheet;  // what the programming data sheet asks
};

// Values the factory measured for this very chip and that an erase wipes: the
// oscillator calibration (a RETLW k) in the last program word and the bandgap
// bits of the configuration word. They are read before every erase and written
// back after it; the file's word and bits never replace them.
struct Calibration {
    std::int32_t word = -1;        // program address of the calibration word; -1: none
    std::uint16_t configBits = 0;  // bits of the configuration word that are the factory's
    constexpr bool any() const { return word >= 0; }
};

// Words in configuration memory that the factory wrote for this very chip
// (oscillator trim, brown-out and power-on reset levels). The erase the program
// uses leaves them; only a bulk erase with the counter at their address clears
// them, and nothing may restore them. They are never written, never compared
// with a file and never an erase's address. 0: no such word.
using FactoryWords = std::array<std::uint16_t, 2>;

// A calibration word is a RETLW k: 11 01xx kkkk kkkk.
constexpr bool isRetlw(std::uint16_t w) {
    return (w & 0x3C00) == 0x3400;
}

// The voltage on MCLR the chip's programming data sheet allows for entering
// programming mode (VIHH), in hundredths of a volt. The circuit gives a fixed
// VPP; a chip whose range does not hold it is asked about before it gets it.
struct VppRange {
    int minCentivolts = 0;
    int maxCentivolts = 0;  // 0: not given
    constexpr bool holds(int centivolts) const {
        return centivolts >= minCentivolts && centivolts <= maxCentivolts;
    }
    constexpr bool given() const { return maxCentivolts > 0 && minCentivolts <= maxCentivolts; }
};

// What the chip's programming data sheet says of its address counter below
// configuration memory. Where it says how program words repeat, a pass can
// start over at word 0 by counting on instead of leaving programming mode; where
// it says nothing, only a new entry brings the counter back.
enum class ProgramRepeat {
    Unstated,
    EverySize,  // above the implemented words the counter addresses them again
    AfterTop,   // it only wraps from 0x1FFF to 0
};
struct CounterFacts {
    ProgramRepeat program = ProgramRepeat::Unstated;
    bool topIntoConfig = false;  // from 0x1FFF it steps into configuration memory
    bool dataByLowByte = false;  // a data command addresses the byte the low 8 bits name
};

// A chip without device ID that shares a row with chips that have one (the first
// 16F84): detection cannot tell it apart, and it erases and times its own way.
struct IdlessVariant {
    EraseScheme erase;
    ChipTimes times;
};

struct DeviceInfo {
    DeviceType type;
    std::string_view listText;             // text in the type list
    std::int32_t progLastAddr;             // last program word address
    int flashK;                            // number on the flash label (k words)
    std::int32_t dataLastAddr;             // last EEPROM offset, -1 for none
    int eepromBytes;                       // number on the EEPROM label
    std::array<std::uint16_t, 3> idCodes;  // device ID codes (ID word AND 0x3FE0); 0 = unused slot
    std::array<std::string_view, 3> switches;  // command-line switches, lower case; "" = unused
    std::string_view mapName;                  // type name on the memory map

    WriteScheme writeScheme;
    int latchWords;                       // words one programming cycle takes
    std::uint16_t programCmd;             // starts a programming cycle
    std::optional<std::uint16_t> endCmd;  // ends a host-timed cycle; none when self-timed
    EraseScheme erase;
    UnprotectScheme unprotect;
    // The order of VDD and VPP the chip's programming data sheet asks; the
    // program keeps it wherever the circuit can switch the two apart.
    EntryOrder entryOrder;
    ConfigLayout configLayout;
    std::array<ConfigWordFacts, 2> configWords;  // the second: address 0 where there is none
    ChipTimes times;
    std::optional<IdlessVariant> idless;
    Calibration calibration;
    bool dataWriteErases;  // a programming-only chip's 8 erases a data byte before writing it
    VppRange vpp;
    FactoryWords factoryWords;  // configuration-memory addresses of the factory's words
    CounterFacts counter;
    // Its data sheet has VDD go off before VPP when programming mode is left.
    bool vddOffFirst;

    constexpr bool isFactoryWord(std::int32_t address) const {
        return address != 0 && (address == factoryWords[0] || address == factoryWords[1]);
    }
    constexpr bool hasFactoryWords() const { return factoryWords[0] != 0; }

    constexpr const ConfigWordFacts& config() const { return configWords[0]; }
    constexpr const ConfigWordFacts& config2() const { return configWords[1]; }
    constexpr bool hasConfig2() const { return configWords[1].address != 0; }
};

// The erase scheme and waits of the chip in the socket: an ID-less chip of a
// row with such a variant has its own.
struct ChipProcedure {
    EraseScheme erase;
    const ChipTimes* times;
};
constexpr ChipProcedure procedureOf(const DeviceInfo& d, bool hasDeviceId) {
    if (d.idless && !hasDeviceId) {
        return {d.idless->erase, &d.idless->times};
    }
    return {d.erase, &d.times};
}

namespace catalogue_detail {

constexpr std::chrono::microseconds ms(std::int64_t n) {
    return std::chrono::milliseconds{n};
}

// What the chips of one family share.
struct Family {
    WriteScheme writeScheme;
    int latchWords;
    std::optional<std::uint16_t> endCmd;
    EraseScheme erase;
    UnprotectScheme unprotect;
    EntryOrder entryOrder;
    ConfigLayout configLayout;
    ConfigWordFacts config;
    ChipTimes times;
    std::optional<IdlessVariant> idless;
    ConfigWordFacts config2{};  // a second configuration word, at 0x2008
    Calibration calibration{};
    bool dataWriteErases = false;
    VppRange vpp{};
    std::uint16_t programCmd = 8;  // 8, or 24 where the host times the cycle
    FactoryWords factoryWords{};
    CounterFacts counter{};
    bool vddOffFirst = false;
};

// The data sheets of the 16F87xA and 16F87/88, 16F818/819 ask only 100 ns
// between frames at 4.5 to 5.5 V, which their erase and program-only cycles
// need anyway.
constexpr Family withShortFrameGap(Family f) {
    f.times.dataSheet.frameGap = std::chrono::nanoseconds(100);
    return f;
}

constexpr Family withCounter(Family f, CounterFacts counter) {
    f.counter = counter;
    return f;
}

// The family with the VPP range its programming data sheet gives.
constexpr Family withVpp(Family f, VppRange vpp) {
    f.vpp = vpp;
    return f;
}

// Every family waits 1 ms between steps in configuration memory, and 100 ms
// after removing protection.
constexpr CycleTimes classicTimes(std::int64_t program, std::int64_t data, std::int64_t config,
                                  std::int64_t erase, std::int64_t dataErase,
                                  std::int64_t unprotect) {
    return {ms(program),
            ms(data),
            ms(config),
            ms(erase),
            ms(dataErase),
            ms(unprotect),
            unprotect > 0 ? ms(100) : ms(0),
            ms(1)};
}

constexpr CycleTimes dataSheetTimes(std::int64_t program, std::int64_t data, std::int64_t config,
                                    std::int64_t erase, std::int64_t dataErase,
                                    std::int64_t unprotect, std::int64_t programOnly = 0,
                                    std::int64_t endHoldUs = 0) {
    return {
        ms(program),   ms(data), ms(config), ms(erase),       ms(dataErase),
        ms(unprotect), ms(0),    ms(0),      ms(programOnly), std::chrono::microseconds(endHoldUs)};
}

// 16F84A; the first 16F84 has no device ID, no bulk erase that works, and
// slower cycles: Microchip's own programmer allows 20 ms each.
inline constexpr Family kF84 = withVpp(
    Family{WriteScheme::WordByWord,
           1,
           std::nullopt,
           EraseScheme::BulkThenBegin,
           UnprotectScheme::SetupPairAtConfig,
           EntryOrder::VddFirst,
           ConfigLayout::Layout84,
           // One protection setting: CP covers program memory and EEPROM.
           {0x2007, 0x3FFF, 0x3FF0, 0x0000, 0x3000},
           // 8 erases and writes a word in about 8 ms; the erase sequences take 10 ms.
           {classicTimes(20, 15, 15, 35, 20, 20), dataSheetTimes(8, 8, 8, 10, 10, 10, 4)},
           IdlessVariant{
               EraseScheme::SetupPairPerLoad,
               {classicTimes(20, 20, 20, 20, 20, 20), dataSheetTimes(20, 20, 20, 10, 10, 10)}}},
    {1200, 1400});

// 16F870 .. 16F877: no bulk erase; tera and tprog at most 4 ms each.
inline constexpr Family kF87x =
    withVpp(Family{WriteScheme::WordByWord,
                   1,
                   std::nullopt,
                   EraseScheme::SetupPairAtConfig,
                   UnprotectScheme::SetupPairAtConfig,
                   EntryOrder::VddFirst,
                   ConfigLayout::Layout87x,
                   // CP1:CP0 twice (bits 13:12 and 5:4); bit 10 is not implemented.
                   {0x2007, 0x3BFF, 0x3030, 0x0100, 0x3000},
                   {classicTimes(20, 15, 15, 20, 0, 20), dataSheetTimes(8, 8, 8, 8, 0, 8, 4)},
                   std::nullopt},
            {850, 1350});

// 16F73 .. 16F77: the host times programming (at least 1 ms before 14), the
// self-timed chip erase takes 30 ms; no EEPROM.
inline constexpr Family kF7x =
    withVpp(Family{WriteScheme::PairsAfterBulkErase,
                   2,
                   std::uint16_t{14},
                   EraseScheme::BulkSelfTimed,
                   UnprotectScheme::Erase,
                   EntryOrder::VddFirst,
                   ConfigLayout::Layout7x,
                   {0x2007, 0x005F, 0x0010, 0x0000, 0x0010},
                   {classicTimes(4, 0, 4, 35, 0, 0), dataSheetTimes(1, 0, 1, 30, 0, 0, 0, 100)},
                   std::nullopt},
            {1275, 1325});

// 16F627/628: Tera at most 5 ms, Tprog at most 8 ms, and 8 does both. Its data sheet
// asks VPP before VDD.
inline constexpr Family kF62x = withVpp(
    Family{WriteScheme::WordByWord,
           1,
           std::nullopt,
           EraseScheme::BulkThenBegin,
           UnprotectScheme::SetupPairAtConfig,
           EntryOrder::VppFirst,
           ConfigLayout::Layout62x,
           // CP1:CP0 twice (bits 13:12 and 11:10); bit 9 is not implemented.
           {0x2007, 0x3DFF, 0x3C00, 0x0100, 0x3000},
           {classicTimes(20, 15, 15, 35, 20, 20), dataSheetTimes(13, 13, 13, 13, 13, 13, 8)},
           std::nullopt},
    {1200, 1400});

// 16F627A/628A/648A: 8 programs only (TPROG 4 ms, TDPROG 6 ms); 9 and 11 run
// by themselves (TERA 6 ms). VPP before VDD.
// The counter wraps to 0 at the end of the implemented words; a data command
// decodes the low 7 (8 on the 648A) bits.
inline constexpr Family kF62xA = withCounter(
    withVpp(Family{WriteScheme::ProgramOnlyAfterBulkErase,
                   1,
                   std::nullopt,
                   EraseScheme::BulkPairSelfTimed,
                   UnprotectScheme::Erase,
                   EntryOrder::VppFirst,
                   ConfigLayout::Layout62xA,
                   {0x2007, 0x21FF, 0x2000, 0x0100, 0x2000},
                   {classicTimes(5, 7, 15, 10, 10, 0), dataSheetTimes(4, 6, 4, 6, 6, 0)},
                   std::nullopt},
            {1000, 1350}),
    {ProgramRepeat::EverySize, false, true});

// 16F873A .. 16F877A: eight latches, 8 erases and writes the row in at most
// 8 ms; the chip erase 31 takes at most 8 ms. After a chip erase, 24 programs
// an erased row in 1 ms, ended by 23 and 0.1 ms of discharge.
// The counter wraps from 0x1FFF to 0.
inline constexpr Family kF87xA = withShortFrameGap(withCounter(
    withVpp(Family{WriteScheme::Rows,
                   8,
                   std::nullopt,
                   EraseScheme::ChipErase,
                   UnprotectScheme::Erase,
                   EntryOrder::VddFirst,
                   ConfigLayout::Layout87xA,
                   {0x2007, 0x2FCF, 0x2000, 0x0100, 0x2000},
                   {classicTimes(10, 10, 15, 15, 0, 0), dataSheetTimes(8, 8, 8, 8, 0, 0, 1, 100)},
                   std::nullopt},
            {850, 1350}),
    {ProgramRepeat::AfterTop, false, false}));

// 16F87/88, 16F818/819: four latches, 24 .. 23 at least 1 ms (2 ms below
// 4.5 V) after a 32-word row erase 8 .. 23; the chip erase 31 at most 10 ms.
// VDD, then VPP within 250 µs. Above the implemented words the counter
// addresses them again, and from 0x1FFF it steps into configuration memory;
// data commands take the low 8 bits.
inline constexpr Family kF88 = withShortFrameGap(withCounter(
    withVpp(Family{WriteScheme::Rows,
                   4,
                   std::uint16_t{23},
                   EraseScheme::ChipErase,
                   UnprotectScheme::Erase,
                   EntryOrder::VddThenVppFast,
                   ConfigLayout::Layout88,
                   {0x2007, 0x3FFF, 0x2000, 0x0100, 0x2000},
                   {classicTimes(2, 2, 2, 15, 0, 0), dataSheetTimes(1, 1, 1, 10, 0, 0, 0, 100)},
                   std::nullopt,
                   {},
                   {},
                   false,
                   {},
                   std::uint16_t{24}},
            {850, 1350}),
    {ProgramRepeat::EverySize, true, true}));

// The 16F87/88 are the 16F818/819 with a second configuration word at 0x2008:
// IESO (bit 1) and FCMEN (bit 0); the other bits read as ones.
constexpr Family withConfig2(Family f, ConfigWordFacts config2) {
    f.config2 = config2;
    return f;
}
inline constexpr Family kF8788 = withConfig2(kF88, {0x2008, 0x0003, 0x0000, 0x0000, 0x0000});

// 12F629/675, 16F630/676: 8 programs a program word without erasing it (TPROG1
// at most 2.5 ms) and erases a data byte before it writes it (at most 6 ms); 9
// and 11 run by themselves (TERA at most 8 ms), and 9 takes the factory's
// oscillator calibration at 0x3FF and the bandgap bits along. VPP before VDD.
// Bits 11:9 of the configuration word read 0, the bandgap bits as the factory set them.
inline constexpr Family kF629 =
    withCounter(withVpp(Family{WriteScheme::ProgramOnlyAfterBulkErase,
                               1,
                               std::nullopt,
                               EraseScheme::BulkPairSelfTimed,
                               UnprotectScheme::Erase,
                               EntryOrder::VppFirst,
                               ConfigLayout::Layout629,
                               {0x2007, 0x31FF, 0x0080, 0x0100, 0x0080},
                               {classicTimes(5, 7, 15, 10, 10, 0),
                                {std::chrono::microseconds(2500), ms(6),
                                 std::chrono::microseconds(2500), ms(8), ms(8)}},
                               std::nullopt,
                               {},
                               {0x03FF, 0x3000},
                               true},
                        {850, 1350}),
                // 0x400 and up address 0 .. 0x3FF again; a data
                // command decodes the low 8 bits of 128.
                {ProgramRepeat::EverySize, false, true});

// The 16F88x, 16F6xx, 16F91x and 16F785 program only (a cycle clears bits):
// Load Configuration, then 9 and 11, each running by itself for at most 6 ms,
// erase the chip; rows of 4 or 8 latched words then go in with the self-timed
// 8 (at least 3 ms, a data byte 6 ms) and are verified after. Their factory
// calibration sits at 0x2008/0x2009, where that erase does not reach. VPP
// first: a chip on its internal oscillator with MCLR off runs its own program
// as soon as VDD is on.
constexpr Family programOnlyRows(int latchWords, ConfigLayout layout, ConfigWordFacts config,
                                 FactoryWords factory, bool dataWriteErases, VppRange vpp) {
    return Family{.writeScheme = WriteScheme::ProgramOnlyAfterBulkErase,
                  .latchWords = latchWords,
                  .endCmd = std::nullopt,
                  .erase = EraseScheme::BulkPairSelfTimed,
                  .unprotect = UnprotectScheme::Erase,
                  .entryOrder = EntryOrder::VppFirst,
                  .configLayout = layout,
                  .config = config,
                  .times = {classicTimes(5, 7, 6, 10, 10, 0), dataSheetTimes(3, 6, 3, 6, 6, 0)},
                  .idless = std::nullopt,
                  .dataWriteErases = dataWriteErases,
                  .vpp = vpp,
                  .factoryWords = factory};
}

// 16F882 .. 16F887: all 14 bits of the first word are stored; the second word
// at 0x2008 holds BOR4V (bit 8) and WRT1:0 (bits 10..9); calibration at 0x2009.
// VIHH 10 to 12 V. A data byte is erased by its own write.
constexpr Family f88x(int latchWords) {
    return withConfig2(
        programOnlyRows(latchWords, ConfigLayout::Layout88x,
                        {0x2007, 0x3FFF, 0x0040, 0x0080, 0x0040}, {0x2009, 0}, true, {1000, 1200}),
        {0x2008, 0x0700, 0x0000, 0x0000, 0x0000});
}
// Smaller memories repeat up to 0x1FFF, which wraps to 0.
inline constexpr Family kF88x4 = withCounter(f88x(4), {ProgramRepeat::EverySize, false, false});
inline constexpr Family kF88x8 = withCounter(f88x(8), {ProgramRepeat::EverySize, false, false});

// 12F683, 16F684/688, 16F631 .. 16F690: calibration at 0x2008; bits 13:12 of the
// configuration word are not stored. Nothing says a data write erases the byte:
// the EEPROM is erased before it is written. VIHH 10 to 13 V.
// VDD goes off before VPP when the mode is left.
constexpr Family withVddOffFirst(Family f) {
    f.vddOffFirst = true;
    return f;
}

// Smaller memories repeat up to 0x1FFF, which wraps to 0.
inline constexpr Family kF6xx = withVddOffFirst(withCounter(
    programOnlyRows(4, ConfigLayout::Layout6xx, {0x2007, 0x0FFF, 0x0040, 0x0080, 0x0040},
                    {0x2008, 0}, false, {1000, 1300}),
    {ProgramRepeat::EverySize, false, false}));

// 16F913 .. 16F946: as the 16F88x but one word with DEBUG in bit 12, and two
// calibration words, 0x2008 and 0x2009. VIHH 10 to 12 V.
constexpr Family f91x(int latchWords) {
    return programOnlyRows(latchWords, ConfigLayout::Layout91x,
                           {0x2007, 0x1FFF, 0x0040, 0x0080, 0x0040}, {0x2008, 0x2009}, true,
                           {1000, 1200});
}
inline constexpr Family kF91x4 = withVddOffFirst(f91x(4));
inline constexpr Family kF91x8 = withVddOffFirst(f91x(8));

// 16F785: the 16F6xx's word, two calibration words, a program cycle of at most
// 2.5 ms and a data cycle of 6 ms that erases the byte first. VIHH 10 to 12 V.
constexpr Family f785() {
    Family f = programOnlyRows(4, ConfigLayout::Layout6xx, {0x2007, 0x0FFF, 0x0040, 0x0080, 0x0040},
                               {0x2008, 0x2009}, true, {1000, 1200});
    f.times.dataSheet.program = std::chrono::microseconds(2500);
    f.times.dataSheet.config = std::chrono::microseconds(2500);
    return f;
}
inline constexpr Family kF785 = withVddOffFirst(f785());

// 12F609/615, 16F610/616: only the host-timed 24, ended by 10 after at least
// 3 ms, then 100 µs before the next command; one word per cycle (16F616: rows
// of 4). No EEPROM; calibration at 0x2008. VIHH 10 to 13 V.
constexpr Family f61x(int latchWords) {
    Family f =
        programOnlyRows(latchWords, ConfigLayout::Layout61x,
                        {0x2007, 0x03FF, 0x0040, 0x0000, 0x0040}, {0x2008, 0}, false, {1000, 1300});
    f.programCmd = 24;
    f.endCmd = std::uint16_t{10};
    f.times = {classicTimes(4, 0, 4, 10, 0, 0), dataSheetTimes(3, 0, 3, 6, 0, 0, 0, 100)};
    return f;
}
inline constexpr Family kF61x1 = withVddOffFirst(f61x(1));
inline constexpr Family kF61x4 = withVddOffFirst(f61x(4));

// 16F716: rows of 4 with the host-timed 24, ended by 14 after at most 2 ms (14
// also sets the latches to ones); CP is bit 13. VDD first. VIHH 11 to 13.5 V.
constexpr Family f716() {
    Family f = programOnlyRows(4, ConfigLayout::Layout716, {0x2007, 0x20CF, 0x2000, 0x0000, 0x2000},
                               {}, false, {1100, 1350});
    f.programCmd = 24;
    f.endCmd = std::uint16_t{14};
    f.entryOrder = EntryOrder::VddFirst;
    f.times = {classicTimes(4, 0, 4, 10, 0, 0), dataSheetTimes(2, 0, 2, 6, 0, 0, 0, 100)};
    // Its 2K words repeat up to 0x1FFF, which wraps to 0.
    f.counter = {ProgramRepeat::EverySize, false, false};
    return f;
}
inline constexpr Family kF716 = f716();

constexpr DeviceInfo row(DeviceType type, std::string_view listText, std::int32_t progLastAddr,
                         std::int32_t dataLastAddr, std::array<std::uint16_t, 3> idCodes,
                         std::array<std::string_view, 3> switches, std::string_view mapName,
                         const Family& f) {
    return {type,           listText,
            progLastAddr,   (progLastAddr + 1) / 1024,
            dataLastAddr,   dataLastAddr + 1,
            idCodes,        switches,
            mapName,        f.writeScheme,
            f.latchWords,   f.programCmd,
            f.endCmd,       f.erase,
            f.unprotect,    f.entryOrder,
            f.configLayout, {f.config, f.config2},
            f.times,        f.idless,
            f.calibration,  f.dataWriteErases,
            f.vpp,          f.factoryWords,
            f.counter,      f.vddOffFirst};
}

}  // namespace catalogue_detail

// clang-format off
inline constexpr std::array<DeviceInfo, kDeviceTypeCount> kDevices{{
    catalogue_detail::row(Dev16F84,      "16F84/84A",   0x03FF, 0x3F, {0x0540, 0x0560, 0},
        {"/p16f84", "/p16f84a", ""},   "PIC 16F 84/84A",  catalogue_detail::kF84),
    catalogue_detail::row(Dev16F876_877, "16F876/877",  0x1FFF, 0xFF, {0x09A0, 0x09E0, 0},
        {"/p16f876", "/p16f877", ""},  "PIC 16F 876/877", catalogue_detail::kF87x),
    catalogue_detail::row(Dev16F873_874, "16F873/874",  0x0FFF, 0x7F, {0x0920, 0x0960, 0},
        {"/p16f873", "/p16f874", ""},  "PIC 16F 873/874", catalogue_detail::kF87x),
    catalogue_detail::row(Dev16F870_872, "16F870..872", 0x07FF, 0x3F, {0x08E0, 0x0D00, 0x0D20},
        {"/p16f870", "/p16f871", "/p16f872"}, "PIC 16F 870/871", catalogue_detail::kF87x),
    catalogue_detail::row(Dev16F76_77,   "16F76/77",    0x1FFF, -1,   {0x0640, 0x0660, 0},
        {"/p16f76", "/p16f77", ""},    "PIC 16F 76/76",   catalogue_detail::kF7x),
    catalogue_detail::row(Dev16F73_74,   "16F73/74",    0x0FFF, -1,   {0x0600, 0x0620, 0},
        {"/p16f73", "/p16f74", ""},    "PIC 16F 73/74",   catalogue_detail::kF7x),
    catalogue_detail::row(Dev16F627,     "16F627",      0x03FF, 0x7F, {0x07A0, 0x07E0, 0},
        {"/p16f627", "", ""},          "PIC 16F 627",     catalogue_detail::kF62x),
    catalogue_detail::row(Dev16F628,     "16F628",      0x07FF, 0x7F, {0x07C0, 0, 0},     
        {"/p16f628", "", ""},          "PIC 16F 628",     catalogue_detail::kF62x),
    // The chips sold today, after the original list so its indexes keep their meaning.
    catalogue_detail::row(Dev16F627A,    "16F627A",     0x03FF, 0x7F, {0x1040, 0, 0},
        {"/p16f627a", "", ""},         "PIC 16F 627A",    catalogue_detail::kF62xA),
    catalogue_detail::row(Dev16F628A,    "16F628A",     0x07FF, 0x7F, {0x1060, 0, 0},
        {"/p16f628a", "", ""},         "PIC 16F 628A",    catalogue_detail::kF62xA),
    catalogue_detail::row(Dev16F648A,    "16F648A",     0x0FFF, 0xFF, {0x1100, 0, 0},
        {"/p16f648a", "", ""},         "PIC 16F 648A",    catalogue_detail::kF62xA),
    catalogue_detail::row(Dev16F873A_874A, "16F873A/874A", 0x0FFF, 0x7F, {0x0E40, 0x0E60, 0},
        {"/p16f873a", "/p16f874a", ""}, "PIC 16F 873A/874A", catalogue_detail::kF87xA),
    catalogue_detail::row(Dev16F876A_877A, "16F876A/877A", 0x1FFF, 0xFF, {0x0E00, 0x0E20, 0},
        {"/p16f876a", "/p16f877a", ""}, "PIC 16F 876A/877A", catalogue_detail::kF87xA),
    catalogue_detail::row(Dev16F87_88,   "16F87/88",    0x0FFF, 0xFF, {0x0720, 0x0760, 0},
        {"/p16f87", "/p16f88", ""},    "PIC 16F 87/88",   catalogue_detail::kF8788),
    catalogue_detail::row(Dev16F818,     "16F818",      0x03FF, 0x7F, {0x04C0, 0, 0},
        {"/p16f818", "", ""},          "PIC 16F 818",     catalogue_detail::kF88),
    catalogue_detail::row(Dev16F819,     "16F819",      0x07FF, 0xFF, {0x04E0, 0, 0},
        {"/p16f819", "", ""},          "PIC 16F 819",     catalogue_detail::kF88),
    // The 8- and 14-pin chips, through an adapter or the ICSP header.
    catalogue_detail::row(Dev12F629_675, "12F629/675",  0x03FF, 0x7F, {0x0F80, 0x0FC0, 0},
        {"/p12f629", "/p12f675", ""},  "PIC 12F 629/675", catalogue_detail::kF629),
    catalogue_detail::row(Dev16F630_676, "16F630/676",  0x03FF, 0x7F, {0x10C0, 0x10E0, 0},
        {"/p16f630", "/p16f676", ""},  "PIC 16F 630/676", catalogue_detail::kF629),
    // The school and hobby chips of today: factory calibration in configuration
    // memory, rows of latched words, VPP first (but the 16F716 and 16F72).
    catalogue_detail::row(Dev16F882,     "16F882",      0x07FF, 0x7F, {0x2000, 0, 0},
        {"/p16f882", "", ""},          "PIC 16F 882",     catalogue_detail::kF88x4),
    catalogue_detail::row(Dev16F883_884, "16F883/884",  0x0FFF, 0xFF, {0x2020, 0x2040, 0},
        {"/p16f883", "/p16f884", ""},  "PIC 16F 883/884", catalogue_detail::kF88x4),
    catalogue_detail::row(Dev16F886_887, "16F886/887",  0x1FFF, 0xFF, {0x2060, 0x2080, 0},
        {"/p16f886", "/p16f887", ""},  "PIC 16F 886/887", catalogue_detail::kF88x8),
    catalogue_detail::row(Dev12F683,     "12F683",      0x07FF, 0xFF, {0x0460, 0, 0},
        {"/p12f683", "", ""},          "PIC 12F 683",     catalogue_detail::kF6xx),
    catalogue_detail::row(Dev16F684,     "16F684",      0x07FF, 0xFF, {0x1080, 0, 0},
        {"/p16f684", "", ""},          "PIC 16F 684",     catalogue_detail::kF6xx),
    catalogue_detail::row(Dev16F688,     "16F688",      0x0FFF, 0xFF, {0x1180, 0, 0},
        {"/p16f688", "", ""},          "PIC 16F 688",     catalogue_detail::kF6xx),
    catalogue_detail::row(Dev16F631,     "16F631",      0x03FF, 0x7F, {0x1420, 0, 0},
        {"/p16f631", "", ""},          "PIC 16F 631",     catalogue_detail::kF6xx),
    catalogue_detail::row(Dev16F677_687, "16F677/687",  0x07FF, 0xFF, {0x1440, 0x1320, 0},
        {"/p16f677", "/p16f687", ""},  "PIC 16F 677/687", catalogue_detail::kF6xx),
    catalogue_detail::row(Dev16F685_689_690, "16F685/689/690", 0x0FFF, 0xFF, {0x04A0, 0x1340, 0x1400},
        {"/p16f685", "/p16f689", "/p16f690"}, "PIC 16F 685/689/690", catalogue_detail::kF6xx),
    catalogue_detail::row(Dev16F72,      "16F72",       0x07FF, -1,   {0x00A0, 0, 0},
        {"/p16f72", "", ""},           "PIC 16F 72",      catalogue_detail::kF7x),
    catalogue_detail::row(Dev16F716,     "16F716",      0x07FF, -1,   {0x1140, 0, 0},
        {"/p16f716", "", ""},          "PIC 16F 716",     catalogue_detail::kF716),
    catalogue_detail::row(Dev16F913_914, "16F913/914",  0x0FFF, 0xFF, {0x13E0, 0x13C0, 0},
        {"/p16f913", "/p16f914", ""},  "PIC 16F 913/914", catalogue_detail::kF91x4),
    catalogue_detail::row(Dev16F916_917_946, "16F916/917/946", 0x1FFF, 0xFF, {0x13A0, 0x1380, 0x1460},
        {"/p16f916", "/p16f917", "/p16f946"}, "PIC 16F 916/917/946", catalogue_detail::kF91x8),
    catalogue_detail::row(Dev12F609_615_16F610, "12F609/615/16F610", 0x03FF, -1, {0x2240, 0x2180, 0x2260},
        {"/p12f609", "/p12f615", "/p16f610"}, "PIC 12F 609/615, 16F 610", catalogue_detail::kF61x1),
    catalogue_detail::row(Dev16F616,     "16F616",      0x07FF, -1,   {0x1240, 0, 0},
        {"/p16f616", "", ""},          "PIC 16F 616",     catalogue_detail::kF61x4),
    catalogue_detail::row(Dev16F785,     "16F785",      0x07FF, 0xFF, {0x1200, 0, 0},
        {"/p16f785", "", ""},          "PIC 16F 785",     catalogue_detail::kF785),
}};
// clang-format on

namespace catalogue_detail {

constexpr bool covers(const CycleTimes& classic, const CycleTimes& dataSheet) {
    return classic.program >= dataSheet.program && classic.data >= dataSheet.data &&
           classic.config >= dataSheet.config && classic.erase >= dataSheet.erase &&
           classic.dataErase >= dataSheet.dataErase && classic.unprotect >= dataSheet.unprotect;
}

// The program sleeps in whole milliseconds.
constexpr bool wholeMs(const CycleTimes& t) {
    for (auto d : {t.program, t.data, t.config, t.erase, t.dataErase, t.unprotect,
                   t.unprotectSettle, t.step}) {
        if (d.count() % 1000 != 0) {
            return false;
        }
    }
    return true;
}

constexpr bool timesConsistent(const DeviceInfo& d, const ChipTimes& t) {
    const bool eeprom = d.dataLastAddr >= 0;
    return covers(t.classic, t.dataSheet) && wholeMs(t.classic) && t.classic.program.count() > 0 &&
           t.classic.config.count() > 0 && t.classic.erase.count() > 0 &&
           (t.classic.data.count() > 0) == eeprom && (t.dataSheet.data.count() > 0) == eeprom &&
           (t.classic.unprotect.count() > 0) == (d.unprotect != UnprotectScheme::Erase);
}

constexpr bool rowConsistent(const DeviceInfo& d, std::size_t index) {
    const int words = d.progLastAddr + 1;
    const ConfigWordFacts& c = d.config();
    bool ok =
        static_cast<std::size_t>(d.type) == index && (words & (words - 1)) == 0 &&
        d.progLastAddr <= 0x1FFF && d.dataLastAddr <= 0xFF &&
        // Protection bits are stored bits, and CP and CPD are apart.
        c.address == 0x2007 && (c.cp & ~c.implemented) == 0 && (c.cpd & ~c.implemented) == 0 &&
        (c.cp & c.cpd) == 0 && c.cpDetect != 0 && (c.cpDetect & ~c.cp) == 0 &&
        // A second word sits right after the first and protects nothing.
        (!d.hasConfig2() ||
         (d.config2().address == 0x2008 && d.config2().implemented != 0 && d.config2().cp == 0 &&
          d.config2().cpd == 0 && d.config2().cpDetect == 0)) &&
        // Pairs are latched and ended by the host; single words time themselves.
        (d.writeScheme == WriteScheme::PairsAfterBulkErase) ==
            (d.latchWords == 2 && d.endCmd.has_value()) &&
        (d.writeScheme != WriteScheme::WordByWord ||
         (d.latchWords == 1 && !d.endCmd.has_value())) &&
        (d.writeScheme != WriteScheme::ProgramOnlyAfterBulkErase || d.latchWords == 1 ||
         d.latchWords == 4 || d.latchWords == 8) &&
        // A cycle the host ends is started with 24, or with 8 on the 16F7x.
        (!d.endCmd || d.programCmd == 24 || d.writeScheme == WriteScheme::PairsAfterBulkErase) &&
        // The factory's words sit in configuration memory, apart from the second word.
        (d.factoryWords[0] == 0 || (d.factoryWords[0] >= 0x2008 && d.factoryWords[0] <= 0x2009 &&
                                    d.factoryWords[0] != d.config2().address)) &&
        (d.factoryWords[1] == 0 ||
         (d.factoryWords[1] > d.factoryWords[0] && d.factoryWords[1] <= 0x2009)) &&
        (d.writeScheme != WriteScheme::Rows || d.latchWords == 4 || d.latchWords == 8) &&
        // A chip without EEPROM has no data protection.
        (d.dataLastAddr >= 0 || c.cpd == 0) && timesConsistent(d, d.times) &&
        // Calibration sits in the chip's own memory and is no protection bit;
        // only a chip whose erase clears everything needs it kept.
        (!d.calibration.any() || (d.calibration.word <= d.progLastAddr &&
                                  (d.calibration.configBits & ~c.implemented) == 0 &&
                                  (d.calibration.configBits & (c.cp | c.cpd)) == 0 &&
                                  d.erase == EraseScheme::BulkPairSelfTimed));
    if (d.idless) {
        ok = ok && timesConsistent(d, d.idless->times);
    }
    for (std::uint16_t code : d.idCodes) {
        ok = ok && (code & ~0x3FE0) == 0 && code != 0x3FE0;
    }
    return ok;
}

constexpr bool catalogueConsistent() {
    for (std::size_t i = 0; i < kDevices.size(); ++i) {
        if (!rowConsistent(kDevices[i], i)) {
            return false;
        }
    }
    return true;
}

}  // namespace catalogue_detail

static_assert(catalogue_detail::catalogueConsistent(),
              "a catalogue row contradicts itself; see rowConsistent");

// The row of a type list index, or nullptr for an index outside the list (e.g. -1).
const DeviceInfo* deviceInfo(std::int32_t type);

// Is this type one of the 16F7x, with one protection setting and no EEPROM?
bool is16F7x(std::int32_t type);

// Is this program address the type's factory calibration word?
bool isCalibrationWord(std::int32_t type, std::int32_t address);
// Does the configuration word read from the chip hold what was wanted? Exactly,
// except on a chip with calibration bits: those are the chip's, and its
// unimplemented bits read 0, so only the bits the user sets count.
bool sameConfig(std::int32_t type, std::uint16_t read, std::uint16_t wanted);

// Result of mapping a device ID word to a catalogue entry.
struct IdLookup {
    DeviceType type = Dev16F84;
    bool noChip = false;     // all ID bits read as ones: nothing answered
    bool unknown = false;    // a code that is not in the table
    bool is84A = false;      // a 16F84 with device ID (16F84A)
    std::uint16_t code = 0;  // ID word AND 0x3FE0
    int revision = 0;        // ID word AND 0x001F
    // The text shown after "Chip-Revision: ": the revision, "?" for no chip,
    // or the code in decimal for an unknown chip.
    std::string revisionText() const;
};

IdLookup lookupDeviceId(std::uint16_t idWord);

// A command-line type switch (already in lower case) and what it selects.
struct SwitchMatch {
    DeviceType type;
    bool is84A;  // "/p16f84a" also marks the chip as one with a device ID
};
std::optional<SwitchMatch> lookupSwitch(std::string_view lowerSwitch);

// Device state held by the main window.
struct DeviceState {
    std::int32_t CurrentType = Dev16F876_877;
    std::int32_t ProgLastAddr = 0x1FFF;
    std::int32_t DataLastAddr = 0xFF;
    bool Is84A = false;
};

}  // namespace pk
