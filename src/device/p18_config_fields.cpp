#include "device/p18_config_fields.h"

#include <algorithm>
#include <array>
#include <cstdio>

namespace pk {

namespace {

using G = P18FieldGroup;
using V = P18FieldValue;
using F = P18ConfigField;

// ---- Values ------------------------------------------------------------------
// A name in parentheses is what the assemblers call the setting.

constexpr V kActiveHigh[] = {{0, "Aus"}, {1, "Ein"}};
// Power-up timer, debugger, clock switch and every protection bit act when 0.
constexpr V kActiveLow[] = {{0, "Ein"}, {1, "Aus"}};

// 18F2455/2550/4455/4550: the USB clock comes from the primary oscillator or
// the 96 MHz PLL; codes that differ only in bit 0 select the same mode.
constexpr V kFoscUsb[] = {
    {0x0, "XT-Oszillator (XT)"},
    {0x1, "XT-Oszillator (XT)"},
    {0x2, "XT-Oszillator, PLL aktiv (XTPLL)"},
    {0x3, "XT-Oszillator, PLL aktiv (XTPLL)"},
    {0x4, "Externer Takt, Port an RA6 (ECIO)"},
    {0x5, "Externer Takt, CLKO an RA6 (EC)"},
    {0x6, "Externer Takt, PLL aktiv, Port an RA6 (ECPIO)"},
    {0x7, "Externer Takt, PLL aktiv, CLKO an RA6 (ECPLL)"},
    {0x8, "Intern, Port an RA6, USB über EC (INTIO)"},
    {0x9, "Intern, CLKO an RA6, USB über EC (INTCKO)"},
    {0xA, "Intern, USB über XT (INTXT)"},
    {0xB, "Intern, USB über HS (INTHS)"},
    {0xC, "HS-Oszillator (HS)"},
    {0xD, "HS-Oszillator (HS)"},
    {0xE, "HS-Oszillator, PLL aktiv (HSPLL)"},
    {0xF, "HS-Oszillator, PLL aktiv (HSPLL)"},
};
// 18F2420..4620: 0x3 and 0xA..0xF are all the external RC with CLKO.
constexpr V kFoscIntio67[] = {
    {0x0, "LP-Oszillator (LP)"},
    {0x1, "XT-Oszillator (XT)"},
    {0x2, "HS-Oszillator (HS)"},
    {0x3, "Externer RC, CLKO an RA6 (RC)"},
    {0x4, "Externer Takt, CLKO an RA6 (EC)"},
    {0x5, "Externer Takt, Port an RA6 (ECIO6)"},
    {0x6, "HS-Oszillator, PLL ×4 (HSPLL)"},
    {0x7, "Externer RC, Port an RA6 (RCIO6)"},
    {0x8, "Intern, Port an RA6 und RA7 (INTIO67)"},
    {0x9, "Intern, CLKO an RA6, Port an RA7 (INTIO7)"},
    {0xA, "Externer RC, CLKO an RA6 (RC)"},
    {0xB, "Externer RC, CLKO an RA6 (RC)"},
    {0xC, "Externer RC, CLKO an RA6 (RC)"},
    {0xD, "Externer RC, CLKO an RA6 (RC)"},
    {0xE, "Externer RC, CLKO an RA6 (RC)"},
    {0xF, "Externer RC, CLKO an RA6 (RC)"},
};
// 18F2321/4321 and 18F1220/1320: the same modes under their older names.
constexpr V kFoscIntio12[] = {
    {0x0, "LP-Oszillator (LP)"},
    {0x1, "XT-Oszillator (XT)"},
    {0x2, "HS-Oszillator (HS)"},
    {0x3, "Externer RC, CLKO an RA6 (RC)"},
    {0x4, "Externer Takt, CLKO an RA6 (EC)"},
    {0x5, "Externer Takt, Port an RA6 (ECIO)"},
    {0x6, "HS-Oszillator, PLL ×4 (HSPLL)"},
    {0x7, "Externer RC, Port an RA6 (RCIO)"},
    {0x8, "Intern, Port an RA6 und RA7 (INTIO2)"},
    {0x9, "Intern, CLKO an RA6, Port an RA7 (INTIO1)"},
    {0xA, "Externer RC, CLKO an RA6 (RC)"},
    {0xB, "Externer RC, CLKO an RA6 (RC)"},
    {0xC, "Externer RC, CLKO an RA6 (RC)"},
    {0xD, "Externer RC, CLKO an RA6 (RC)"},
    {0xE, "Externer RC, CLKO an RA6 (RC)"},
    {0xF, "Externer RC, CLKO an RA6 (RC)"},
};
// 18Fxx2/xx8: three bits.
constexpr V kFoscXx2[] = {
    {0x0, "LP-Oszillator (LP)"},
    {0x1, "XT-Oszillator (XT)"},
    {0x2, "HS-Oszillator (HS)"},
    {0x3, "Externer RC, CLKO an OSC2 (RC)"},
    {0x4, "Externer Takt, CLKO an OSC2 (EC)"},
    {0x5, "Externer Takt, Port an RA6 (ECIO)"},
    {0x6, "HS-Oszillator, PLL ×4 (HSPLL)"},
    {0x7, "Externer RC, Port an RA6 (RCIO)"},
};

// The PLL needs 4 MHz: the divider matches the crystal or clock input.
constexpr V kPllDiv[] = {
    {0, "÷1, 4 MHz Eingang (1)"},    {1, "÷2, 8 MHz Eingang (2)"},    {2, "÷3, 12 MHz Eingang (3)"},
    {3, "÷4, 16 MHz Eingang (4)"},   {4, "÷5, 20 MHz Eingang (5)"},   {5, "÷6, 24 MHz Eingang (6)"},
    {6, "÷10, 40 MHz Eingang (10)"}, {7, "÷12, 48 MHz Eingang (12)"},
};
constexpr V kCpuDiv[] = {
    {0, "Oszillator ÷1, PLL 96 MHz ÷2 (OSC1_PLL2)"},
    {1, "Oszillator ÷2, PLL 96 MHz ÷3 (OSC2_PLL3)"},
    {2, "Oszillator ÷3, PLL 96 MHz ÷4 (OSC3_PLL4)"},
    {3, "Oszillator ÷4, PLL 96 MHz ÷6 (OSC4_PLL6)"},
};
constexpr V kUsbDiv[] = {{0, "Oszillator direkt (1)"}, {1, "PLL 96 MHz ÷2 (2)"}};

constexpr V kBoren2[] = {
    {0, "Aus"},
    {1, "Software, über SBOREN"},
    {2, "Hardware, im Sleep aus"},
    {3, "Hardware, immer"},
};
// The 18F2xx0/4xx0 data sheets give the thresholds only as steps.
constexpr V kBorvSteps[] = {
    {0, "höchste Schwelle (0)"},
    {1, "zweithöchste Schwelle (1)"},
    {2, "zweitniedrigste Schwelle (2)"},
    {3, "niedrigste Schwelle (3)"},
};
constexpr V kBorvXx2[] = {
    {0, "4,5 V (45)"}, {1, "4,2 V (42)"}, {2, "2,7 V (27)"}, {3, "2,0 V (20)"}};
constexpr V kBorvXx8[] = {
    {0, "4,5 V (45)"}, {1, "4,2 V (42)"}, {2, "2,7 V (27)"}, {3, "2,5 V (25)"}};
// 0x3 has no threshold on the 18Fx220, although the chip erases to it.
constexpr V kBorvX220[] = {{0, "4,5 V (45)"}, {1, "4,2 V (42)"}, {2, "2,7 V (27)"}};

constexpr V kWdtEn[] = {{0, "Aus, per SWDTEN schaltbar"}, {1, "Ein"}};
// The older parts have three postscaler bits: the first eight of these.
constexpr V kWdtps[] = {
    {0, "1:1"},     {1, "1:2"},     {2, "1:4"},      {3, "1:8"},
    {4, "1:16"},    {5, "1:32"},    {6, "1:64"},     {7, "1:128"},
    {8, "1:256"},   {9, "1:512"},   {10, "1:1024"},  {11, "1:2048"},
    {12, "1:4096"}, {13, "1:8192"}, {14, "1:16384"}, {15, "1:32768"},
};

constexpr V kMclre[] = {{0, "Aus, Pin ist Digitaleingang"}, {1, "Ein, Reset-Pin"}};
constexpr V kCcp2mx[] = {{0, "CCP2 an RB3"}, {1, "CCP2 an RC1"}};
constexpr V kPbaden[] = {{0, "digital"}, {1, "analog"}};
constexpr V kLpt1osc[] = {{0, "Aus, höhere Leistung"}, {1, "Ein, stromsparend"}};
constexpr V kDebug[] = {{0, "Ein, RB6/RB7 für den Debugger"}, {1, "Aus"}};
// The assembler counts the boot block in instruction words.
constexpr V kBbsiz[] = {
    {0, "0x000–0x1FF, 512 Byte (BB256)"},
    {1, "0x000–0x3FF, 1 KB (BB512)"},
    {2, "0x000–0x7FF, 2 KB (BB1K)"},
    {3, "0x000–0x7FF, 2 KB (BB1K)"},
};

// ---- Fields ------------------------------------------------------------------

constexpr std::span<const V> kWdtps3 = std::span<const V>(kWdtps).first(8);

// clang-format off
// 0x300000 CONFIG1L (USB parts)
constexpr F kPllDivF{0, 0x07, "PLLDIV", "PLL-Vorteiler", G::Takt, kPllDiv};
constexpr F kCpuDivF{0, 0x18, "CPUDIV", "CPU-Taktteiler", G::Takt, kCpuDiv};
constexpr F kUsbDivF{0, 0x20, "USBDIV", "USB-Taktquelle", G::Takt, kUsbDiv};
// 0x300001 CONFIG1H
constexpr F kFoscUsbF{1, 0x0F, "FOSC", "Oszillator", G::Takt, kFoscUsb};
constexpr F kFoscIntio67F{1, 0x0F, "FOSC", "Oszillator", G::Takt, kFoscIntio67};
constexpr F kFoscIntio12F{1, 0x0F, "FOSC", "Oszillator", G::Takt, kFoscIntio12};
constexpr F kFoscXx2F{1, 0x07, "FOSC", "Oszillator", G::Takt, kFoscXx2};
constexpr F kOscsenF{1, 0x20, "OSCSEN", "Umschaltung auf Timer1-Oszillator", G::Takt, kActiveLow};
constexpr F kFcmenF{1, 0x40, "FCMEN", "Fail-Safe-Taktüberwachung", G::Takt, kActiveHigh};
constexpr F kFscmF{1, 0x40, "FSCM", "Fail-Safe-Taktüberwachung", G::Takt, kActiveHigh};
constexpr F kIesoF{1, 0x80, "IESO", "Zweistufiger Start intern/extern", G::Takt, kActiveHigh};
// 0x300002 CONFIG2L
constexpr F kPwrtenF{2, 0x01, "PWRTEN", "Power-up-Timer", G::Reset, kActiveLow};
constexpr F kBoren2F{2, 0x06, "BOREN", "Brown-out-Reset", G::Reset, kBoren2};
constexpr F kBorv2xF{2, 0x18, "BORV", "Brown-out-Schwelle", G::Reset, kBorvSteps};
constexpr F kVregenF{2, 0x20, "VREGEN", "USB-Spannungsregler", G::Peripherie, kActiveHigh};
constexpr F kBorenXx2F{2, 0x02, "BOREN", "Brown-out-Reset", G::Reset, kActiveHigh};
constexpr F kBorX220F{2, 0x02, "BOR", "Brown-out-Reset", G::Reset, kActiveHigh};
constexpr F kBorvXx2F{2, 0x0C, "BORV", "Brown-out-Schwelle", G::Reset, kBorvXx2};
constexpr F kBorvXx8F{2, 0x0C, "BORV", "Brown-out-Schwelle", G::Reset, kBorvXx8};
constexpr F kBorvX220F{2, 0x0C, "BORV", "Brown-out-Schwelle", G::Reset, kBorvX220};
// 0x300003 CONFIG2H
constexpr F kWdtenF{3, 0x01, "WDTEN", "Watchdog", G::Reset, kWdtEn};
constexpr F kWdtF{3, 0x01, "WDT", "Watchdog", G::Reset, kWdtEn};
constexpr F kWdtps4F{3, 0x1E, "WDTPS", "Watchdog-Nachteiler", G::Reset, kWdtps};
constexpr F kWdtps3F{3, 0x0E, "WDTPS", "Watchdog-Nachteiler", G::Reset, kWdtps3};
// 0x300005 CONFIG3H
constexpr F kCcp2mxF{5, 0x01, "CCP2MX", "CCP2-Pin", G::Peripherie, kCcp2mx};
constexpr F kPbadenF{5, 0x02, "PBADEN", "PORTB<4:0> nach Reset", G::Peripherie, kPbaden};
constexpr F kLpt1oscF{5, 0x04, "LPT1OSC", "Timer1-Oszillator stromsparend", G::Peripherie, kLpt1osc};
constexpr F kMclreF{5, 0x80, "MCLRE", "MCLR-Reset-Pin", G::Reset, kMclre};
// 0x300006 CONFIG4L
constexpr F kStvrenF{6, 0x01, "STVREN", "Reset bei Stapelüberlauf", G::Reset, kActiveHigh};
constexpr F kStvrF{6, 0x01, "STVR", "Reset bei Stapelüberlauf", G::Reset, kActiveHigh};
constexpr F kLvpF{6, 0x04, "LVP", "Niederspannungs-Programmierung", G::Peripherie, kActiveHigh};
constexpr F kBbsizF{6, 0x30, "BBSIZ", "Bootblock-Größe", G::Peripherie, kBbsiz};
// The port itself exists only on the 44-pin TQFP; the bit is on every USB part.
constexpr F kIcprtF{6, 0x20, "ICPRT", "ICSP/ICD-Port (nur 44-Pin-TQFP)", G::Peripherie, kActiveHigh};
constexpr F kXinstF{6, 0x40, "XINST", "Erweiterter Befehlssatz", G::Peripherie, kActiveHigh};
constexpr F kDebugF{6, 0x80, "DEBUG", "Hintergrund-Debugger", G::Peripherie, kDebug};
// 0x300008..0x30000D: protection, active when 0.
constexpr F kCp0F{8, 0x01, "CP0", "Codeschutz Block 0", G::Schutz, kActiveLow};
constexpr F kCp1F{8, 0x02, "CP1", "Codeschutz Block 1", G::Schutz, kActiveLow};
constexpr F kCp2F{8, 0x04, "CP2", "Codeschutz Block 2", G::Schutz, kActiveLow};
constexpr F kCp3F{8, 0x08, "CP3", "Codeschutz Block 3", G::Schutz, kActiveLow};
constexpr F kCpbF{9, p18cfg::kCpb, "CPB", "Codeschutz Bootblock", G::Schutz, kActiveLow};
constexpr F kCpdF{9, p18cfg::kCpd, "CPD", "Codeschutz Daten-EEPROM", G::Schutz, kActiveLow};
constexpr F kWrt0F{10, 0x01, "WRT0", "Schreibschutz Block 0", G::Schutz, kActiveLow};
constexpr F kWrt1F{10, 0x02, "WRT1", "Schreibschutz Block 1", G::Schutz, kActiveLow};
constexpr F kWrt2F{10, 0x04, "WRT2", "Schreibschutz Block 2", G::Schutz, kActiveLow};
constexpr F kWrt3F{10, 0x08, "WRT3", "Schreibschutz Block 3", G::Schutz, kActiveLow};
constexpr F kWrtcF{11, p18cfg::kWrtc, "WRTC", "Schreibschutz Konfiguration", G::Schutz, kActiveLow};
constexpr F kWrtbF{11, p18cfg::kWrtb, "WRTB", "Schreibschutz Bootblock", G::Schutz, kActiveLow};
constexpr F kWrtdF{11, p18cfg::kWrtd, "WRTD", "Schreibschutz Daten-EEPROM", G::Schutz, kActiveLow};
constexpr F kEbtr0F{12, 0x01, "EBTR0", "Tabellenleseschutz Block 0", G::Schutz, kActiveLow};
constexpr F kEbtr1F{12, 0x02, "EBTR1", "Tabellenleseschutz Block 1", G::Schutz, kActiveLow};
constexpr F kEbtr2F{12, 0x04, "EBTR2", "Tabellenleseschutz Block 2", G::Schutz, kActiveLow};
constexpr F kEbtr3F{12, 0x08, "EBTR3", "Tabellenleseschutz Block 3", G::Schutz, kActiveLow};
constexpr F kEbtrbF{13, 0x40, "EBTRB", "Tabellenleseschutz Bootblock", G::Schutz, kActiveLow};
// clang-format on

// ---- Lists -------------------------------------------------------------------

template <class... Fs>
constexpr auto group(const Fs&... f) {
    return std::array<F, sizeof...(Fs)>{f...};
}

// One part's list from its pieces, in address order (low bits first).
template <std::size_t... N>
constexpr auto join(const std::array<F, N>&... parts) {
    std::array<F, (N + ...)> out{};
    auto at = out.begin();
    ((at = std::copy(parts.begin(), parts.end(), at)), ...);
    std::sort(out.begin(), out.end(), [](const F& a, const F& b) {
        return a.cell != b.cell ? a.cell < b.cell : a.mask < b.mask;
    });
    return out;
}

// Boot block, data EEPROM and configuration protection, on every part.
constexpr auto kProtectCommon = group(kCpbF, kCpdF, kWrtbF, kWrtcF, kWrtdF, kEbtrbF);
constexpr auto kBlocks2 =
    join(kProtectCommon, group(kCp0F, kWrt0F, kEbtr0F, kCp1F, kWrt1F, kEbtr1F));
constexpr auto kBlocks3 = join(kBlocks2, group(kCp2F, kWrt2F, kEbtr2F));
constexpr auto kBlocks4 = join(kBlocks3, group(kCp3F, kWrt3F, kEbtr3F));

// 18F2xx0/4xx0 but the oscillator field, whose codes the USB parts and the
// 18F2321/4321 name differently.
constexpr auto k2xCore =
    group(kFcmenF, kIesoF, kPwrtenF, kBoren2F, kBorv2xF, kWdtenF, kWdtps4F, kCcp2mxF, kPbadenF,
          kLpt1oscF, kMclreF, kStvrenF, kLvpF, kXinstF, kDebugF);
constexpr auto kUsb = group(kPllDivF, kCpuDivF, kUsbDivF, kFoscUsbF, kVregenF, kIcprtF);
constexpr auto kXx2Core =
    group(kFoscXx2F, kOscsenF, kPwrtenF, kBorenXx2F, kWdtenF, kWdtps3F, kStvrenF, kLvpF, kDebugF);

constexpr auto kFieldsUsb3 = join(k2xCore, kUsb, kBlocks3);
constexpr auto kFieldsUsb4 = join(k2xCore, kUsb, kBlocks4);
constexpr auto kFields2x2 = join(k2xCore, group(kFoscIntio67F), kBlocks2);
constexpr auto kFields2x3 = join(k2xCore, group(kFoscIntio67F), kBlocks3);
constexpr auto kFields2x4 = join(k2xCore, group(kFoscIntio67F), kBlocks4);
constexpr auto kFields2321 = join(k2xCore, group(kFoscIntio12F, kBbsizF), kBlocks2);
// 18F242/252/442/452 have CCP2MX and a 2.0 V step; the CAN parts neither.
constexpr auto kFieldsXx2b2 = join(kXx2Core, group(kBorvXx2F, kCcp2mxF), kBlocks2);
constexpr auto kFieldsXx2b4 = join(kXx2Core, group(kBorvXx2F, kCcp2mxF), kBlocks4);
constexpr auto kFieldsXx8b2 = join(kXx2Core, group(kBorvXx8F), kBlocks2);
constexpr auto kFieldsXx8b4 = join(kXx2Core, group(kBorvXx8F), kBlocks4);
// 18F1220/1320: MCLRE alone in CONFIG3H.
constexpr auto kFieldsX220 =
    join(group(kFoscIntio12F, kFscmF, kIesoF, kPwrtenF, kBorX220F, kBorvX220F, kWdtF, kWdtps4F,
               kMclreF, kStvrF, kLvpF, kDebugF),
         kBlocks2);

struct PartFields {
    std::string_view part;
    std::span<const F> fields;
};

constexpr PartFields kPartFields[] = {
    {"18F2455", kFieldsUsb3}, {"18F4455", kFieldsUsb3}, {"18F2550", kFieldsUsb4},
    {"18F4550", kFieldsUsb4}, {"18F2420", kFields2x2},  {"18F2423", kFields2x2},
    {"18F4420", kFields2x2},  {"18F4423", kFields2x2},  {"18F2520", kFields2x4},
    {"18F2523", kFields2x4},  {"18F4520", kFields2x4},  {"18F4523", kFields2x4},
    {"18F2525", kFields2x3},  {"18F4525", kFields2x3},  {"18F2620", kFields2x4},
    {"18F4620", kFields2x4},  {"18F2321", kFields2321}, {"18F4321", kFields2321},
    {"18F242", kFieldsXx2b2}, {"18F442", kFieldsXx2b2}, {"18F252", kFieldsXx2b4},
    {"18F452", kFieldsXx2b4}, {"18F248", kFieldsXx8b2}, {"18F448", kFieldsXx8b2},
    {"18F258", kFieldsXx8b4}, {"18F458", kFieldsXx8b4}, {"18F1220", kFieldsX220},
    {"18F1320", kFieldsX220},
};

}  // namespace

std::span<const P18ConfigField> p18ConfigFields(const P18Device& d) {
    for (const PartFields& p : kPartFields) {
        if (p.part == d.name) {
            return p.fields;
        }
    }
    return {};
}

const P18ConfigField* p18FindField(const P18Device& d, std::string_view name) {
    for (const P18ConfigField& f : p18ConfigFields(d)) {
        if (f.name == name) {
            return &f;
        }
    }
    return nullptr;
}

std::uint8_t p18FieldValue(const P18ConfigField& f, const P18ConfigBytes& bytes) {
    return static_cast<std::uint8_t>((bytes[static_cast<std::size_t>(f.cell)] & f.mask) >>
                                     f.shift());
}

void p18SetFieldValue(const P18ConfigField& f, P18ConfigBytes& bytes, std::uint8_t raw) {
    std::uint8_t& b = bytes[static_cast<std::size_t>(f.cell)];
    const auto bits = static_cast<std::uint8_t>((raw << f.shift()) & f.mask);
    b = static_cast<std::uint8_t>((b & ~f.mask) | bits);
}

std::string p18ValueName(const P18ConfigField& f, const P18ConfigBytes& bytes) {
    return valueName(f, p18FieldValue(f, bytes));
}

std::uint8_t p18FieldErased(const P18Device& d, const P18ConfigField& f) {
    return p18FieldValue(f, d.configErased);
}

}  // namespace pk
