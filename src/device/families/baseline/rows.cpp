// The rows and configuration fields of the baseline parts. Addresses from the
// parts' programming specifications (DS41228 10F200..206, DS41266 10F220/222,
// DS41227 12F508/509, DS41257 12F510, DS41316 12F519, DS41226 16F505,
// DS41258 16F506, DS41317 16F526, DS41207 16F54, DS41208/DS41243 16F57/59);
// configuration bits as gputils' headers (p10f200.inc ..) name them.

#include "device/families/baseline/rows.h"

#include <array>

namespace pk {

namespace {

using G = FieldGroup;
using V = FieldValue;
using F = ConfigField;

constexpr V kActiveHigh[] = {{0, "Aus"}, {1, "Ein"}};
constexpr V kProtect[] = {{0, "Ein"}, {1, "Aus"}};
constexpr V kMclr[] = {{0, "Aus: Pin ist Eingang, MCLR intern an VDD"}, {1, "Ein: Pin ist MCLR"}};
constexpr V kOsc2[] = {{0, "LP-Oszillator (LP)"},
                       {1, "XT-Oszillator (XT)"},
                       {2, "Intern (IntRC)"},
                       {3, "Externer RC (ExtRC)"}};
constexpr V kOsc5x[] = {{0, "LP-Oszillator (LP)"},
                        {1, "XT-Oszillator (XT)"},
                        {2, "HS-Oszillator (HS)"},
                        {3, "Externer RC (RC)"}};
constexpr V kOsc3[] = {{0, "LP-Oszillator (LP)"},
                       {1, "XT-Oszillator (XT)"},
                       {2, "HS-Oszillator (HS)"},
                       {3, "Externer Takt, RB4 als Port (EC)"},
                       {4, "Intern, RB4 als Port (IntRC)"},
                       {5, "Intern, CLKOUT an RB4 (IntRC)"},
                       {6, "Externer RC, RB4 als Port (ExtRC)"},
                       {7, "Externer RC, CLKOUT an RB4 (ExtRC)"}};
constexpr V kIoscfs[] = {{0, "4 MHz"}, {1, "8 MHz"}};

// 10F200/202/204/206: WDTE, CP, MCLRE.
constexpr F kF10f20x[] = {
    {0, 0x004, "WDTE", "Watchdog", G::Reset, kActiveHigh},
    {0, 0x008, "CP", "Codeschutz", G::Schutz, kProtect},
    {0, 0x010, "MCLRE", "MCLR-Pin", G::Reset, kMclr},
};
// 10F220/222: the internal clock's speed and the MCLR pull-up besides.
constexpr F kF10f22x[] = {
    {0, 0x001, "IOSCFS", "Interner Takt", G::Takt, kIoscfs},
    {0, 0x002, "MCPU", "Pull-up an MCLR", G::Reset, kProtect},
    {0, 0x004, "WDTE", "Watchdog", G::Reset, kActiveHigh},
    {0, 0x008, "CP", "Codeschutz", G::Schutz, kProtect},
    {0, 0x010, "MCLRE", "MCLR-Pin", G::Reset, kMclr},
};
constexpr F kF12f508[] = {
    {0, 0x003, "FOSC", "Oszillator", G::Takt, kOsc2},
    {0, 0x004, "WDTE", "Watchdog", G::Reset, kActiveHigh},
    {0, 0x008, "CP", "Codeschutz", G::Schutz, kProtect},
    {0, 0x010, "MCLRE", "MCLR-Pin", G::Reset, kMclr},
};
constexpr F kF12f510[] = {
    {0, 0x003, "FOSC", "Oszillator", G::Takt, kOsc2},
    {0, 0x004, "WDTE", "Watchdog", G::Reset, kActiveHigh},
    {0, 0x008, "CP", "Codeschutz", G::Schutz, kProtect},
    {0, 0x010, "MCLRE", "MCLR-Pin", G::Reset, kMclr},
    {0, 0x020, "IOSCFS", "Interner Takt", G::Takt, kIoscfs},
};
constexpr F kF12f519[] = {
    {0, 0x003, "FOSC", "Oszillator", G::Takt, kOsc2},
    {0, 0x004, "WDTE", "Watchdog", G::Reset, kActiveHigh},
    {0, 0x008, "CP", "Codeschutz", G::Schutz, kProtect},
    {0, 0x010, "MCLRE", "MCLR-Pin", G::Reset, kMclr},
    {0, 0x020, "IOSCFS", "Interner Takt", G::Takt, kIoscfs},
    {0, 0x040, "CPDF", "Codeschutz Datenspeicher", G::Schutz, kProtect},
};
constexpr F kF16f505[] = {
    {0, 0x007, "FOSC", "Oszillator", G::Takt, kOsc3},
    {0, 0x008, "WDTE", "Watchdog", G::Reset, kActiveHigh},
    {0, 0x010, "CP", "Codeschutz", G::Schutz, kProtect},
    {0, 0x020, "MCLRE", "MCLR-Pin", G::Reset, kMclr},
};
constexpr F kF16f506[] = {
    {0, 0x007, "FOSC", "Oszillator", G::Takt, kOsc3},
    {0, 0x008, "WDTE", "Watchdog", G::Reset, kActiveHigh},
    {0, 0x010, "CP", "Codeschutz", G::Schutz, kProtect},
    {0, 0x020, "MCLRE", "MCLR-Pin", G::Reset, kMclr},
    {0, 0x040, "IOSCFS", "Interner Takt", G::Takt, kIoscfs},
};
constexpr F kF16f526[] = {
    {0, 0x007, "FOSC", "Oszillator", G::Takt, kOsc3},
    {0, 0x008, "WDTE", "Watchdog", G::Reset, kActiveHigh},
    {0, 0x010, "CP", "Codeschutz", G::Schutz, kProtect},
    {0, 0x020, "MCLRE", "MCLR-Pin", G::Reset, kMclr},
    {0, 0x040, "IOSCFS", "Interner Takt", G::Takt, kIoscfs},
    {0, 0x080, "CPDF", "Codeschutz Datenspeicher", G::Schutz, kProtect},
};
constexpr F kF16f5x[] = {
    {0, 0x003, "FOSC", "Oszillator", G::Takt, kOsc5x},
    {0, 0x004, "WDTE", "Watchdog", G::Reset, kActiveHigh},
    {0, 0x008, "CP", "Codeschutz", G::Schutz, kProtect},
};

// name, words, config, IDs, backup OSCCAL, data words, row, config mask, CP bit, fields
// The 10F220/222 carry their calibration like the 10F200: kept as the others'.
constexpr std::array kBaselineRows{
    BaselineDevice{"10F200", 256, 0x1FF, 0x100, 0x104, 0, 1, 0x01C, 0x008, kF10f20x},
    BaselineDevice{"10F202", 512, 0x3FF, 0x200, 0x204, 0, 1, 0x01C, 0x008, kF10f20x},
    BaselineDevice{"10F204", 256, 0x1FF, 0x100, 0x104, 0, 1, 0x01C, 0x008, kF10f20x},
    BaselineDevice{"10F206", 512, 0x3FF, 0x200, 0x204, 0, 1, 0x01C, 0x008, kF10f20x},
    BaselineDevice{"10F220", 256, 0x1FF, 0x100, 0x104, 0, 1, 0x01F, 0x008, kF10f22x},
    BaselineDevice{"10F222", 512, 0x3FF, 0x200, 0x204, 0, 1, 0x01F, 0x008, kF10f22x},
    BaselineDevice{"12F508", 512, 0x3FF, 0x200, 0x204, 0, 1, 0x01F, 0x008, kF12f508},
    BaselineDevice{"12F509", 1024, 0x7FF, 0x400, 0x404, 0, 1, 0x01F, 0x008, kF12f508},
    BaselineDevice{"12F510", 1024, 0x7FF, 0x400, 0x404, 0, 1, 0x03F, 0x008, kF12f510},
    BaselineDevice{"12F519", 1024, 0x7FF, 0x440, 0x444, 64, 1, 0x07F, 0x008, kF12f519},
    BaselineDevice{"16F505", 1024, 0x7FF, 0x400, 0x404, 0, 1, 0x03F, 0x010, kF16f505},
    BaselineDevice{"16F506", 1024, 0x7FF, 0x400, 0x404, 0, 1, 0x07F, 0x010, kF16f506},
    BaselineDevice{"16F526", 1024, 0x7FF, 0x440, 0x444, 64, 1, 0x0FF, 0x010, kF16f526},
    BaselineDevice{"16F54", 512, 0x3FF, 0x200, 0, 0, 1, 0x00F, 0x008, kF16f5x},
    BaselineDevice{"16F57", 2048, 0xFFF, 0x800, 0, 0, 4, 0x00F, 0x008, kF16f5x},
    BaselineDevice{"16F59", 2048, 0xFFF, 0x800, 0, 0, 4, 0x00F, 0x008, kF16f5x},
};

}  // namespace

std::span<const BaselineDevice> baselineDevices() {
    return kBaselineRows;
}

ByteRegions baselineRegions(const BaselineDevice& d) {
    ByteRegions r;
    r.programBytes = 2u * d.programWords;
    r.idAt = 2u * d.idAddress;
    r.idBytes = 2u * baseline::kIdWords;
    r.configAt = 2u * baseline::kHexConfigWord;
    r.configBytes = 2;
    r.eepromAt = 2u * baseline::kDataAddress;
    r.eepromBytes = 2u * d.dataWords;
    return r;
}

VppRange baselineVpp() {
    return {1250, 1350};
}

}  // namespace pk
