#include "sim/families/p18.h"

#include "sim/chip.h"
#include "sim/family.h"
#include "sim/p18_chip.h"

namespace pk::sim {

using std::chrono::microseconds;
using std::chrono::milliseconds;
using std::chrono::nanoseconds;

namespace {

using namespace p18erase;

// 3C0005:3C0004 on the 18F2xx0/4xx0: one bit per region.
constexpr P18EraseCode kEraseF2x[] = {
    {0x3F8F, kChip},        {0x0084, kEeprom},      {0x0081, kBoot},        {0x0082, kConfig},
    {0x0180, kBlock0},      {0x0280, kBlock0 << 1}, {0x0480, kBlock0 << 2}, {0x0880, kBlock0 << 3},
    {0x1080, kBlock0 << 4}, {0x2080, kBlock0 << 5},
};
// 3C0004 alone on the older two.
constexpr P18EraseCode kEraseOlder[] = {
    {0x0080, kChip},        {0x0081, kEeprom},      {0x0083, kBoot},        {0x0088, kBlock0},
    {0x0089, kBlock0 << 1}, {0x008A, kBlock0 << 2}, {0x008B, kBlock0 << 3},
};

// VIHH of the 18F2xx0/4xx0 is VDD + 4 V up to 12.5 V; the chips' absolute
// maximum on MCLR is 13.25 V, the limit of the other two.
// clang-format off
constexpr P18Scheme kF2x{"18F2xx0/4xx0", Family::P18F2x, 900, 1250,
                         milliseconds(1), microseconds(100), milliseconds(5), milliseconds(4),
                         false, false, true, true, true, false, kEraseF2x};
constexpr P18Scheme kFxx2{"18Fxx2", Family::P18Fxx2, 900, 1325,
                          milliseconds(1), microseconds(5), milliseconds(5), milliseconds(5),
                          true, true, false, false, false, true, kEraseOlder};
constexpr P18Scheme kFx220{"18Fx220", Family::P18Fx220, 900, 1325,
                           milliseconds(1), microseconds(5), milliseconds(5), milliseconds(5),
                           true, true, false, false, false, false, kEraseOlder};

using Bytes = std::array<std::uint8_t, 14>;
constexpr Bytes kMask2455{0x3F, 0xCF, 0x3F, 0x1F, 0x00, 0x87, 0xE5, 0x00, 0x07, 0xC0, 0x07, 0xE0, 0x07, 0x40};
constexpr Bytes kErased2455{0x00, 0x05, 0x1F, 0x1F, 0x00, 0x83, 0x85, 0x00, 0x07, 0xC0, 0x07, 0xE0, 0x07, 0x40};
constexpr Bytes kMask2550{0x3F, 0xCF, 0x3F, 0x1F, 0x00, 0x87, 0xE5, 0x00, 0x0F, 0xC0, 0x0F, 0xE0, 0x0F, 0x40};
constexpr Bytes kErased2550{0x00, 0x05, 0x1F, 0x1F, 0x00, 0x83, 0x85, 0x00, 0x0F, 0xC0, 0x0F, 0xE0, 0x0F, 0x40};
constexpr Bytes kMask2420{0x00, 0xCF, 0x1F, 0x1F, 0x00, 0x87, 0xC5, 0x00, 0x03, 0xC0, 0x03, 0xE0, 0x03, 0x40};
constexpr Bytes kErased2420{0x00, 0x07, 0x1F, 0x1F, 0x00, 0x83, 0x85, 0x00, 0x03, 0xC0, 0x03, 0xE0, 0x03, 0x40};
constexpr Bytes kMask2520{0x00, 0xCF, 0x1F, 0x1F, 0x00, 0x87, 0xC5, 0x00, 0x0F, 0xC0, 0x0F, 0xE0, 0x0F, 0x40};
constexpr Bytes kErased2520{0x00, 0x07, 0x1F, 0x1F, 0x00, 0x83, 0x85, 0x00, 0x0F, 0xC0, 0x0F, 0xE0, 0x0F, 0x40};
// The older two erase every implemented bit to 1.
constexpr Bytes kMask252{0x00, 0x27, 0x0F, 0x0F, 0x00, 0x01, 0x85, 0x00, 0x0F, 0xC0, 0x0F, 0xE0, 0x0F, 0x40};
// Three code blocks of 16 KB.
constexpr Bytes kMask2525{0x00, 0xCF, 0x1F, 0x1F, 0x00, 0x87, 0xC5, 0x00, 0x07, 0xC0, 0x07, 0xE0, 0x07, 0x40};
constexpr Bytes kErased2525{0x00, 0x07, 0x1F, 0x1F, 0x00, 0x83, 0x85, 0x00, 0x07, 0xC0, 0x07, 0xE0, 0x07, 0x40};
// BBSIZ1:0 in CONFIG4L.
constexpr Bytes kMask2321{0x00, 0xCF, 0x1F, 0x1F, 0x00, 0x87, 0xF5, 0x00, 0x03, 0xC0, 0x03, 0xE0, 0x03, 0x40};
constexpr Bytes kErased2321{0x00, 0x07, 0x1F, 0x1F, 0x00, 0x83, 0x85, 0x00, 0x03, 0xC0, 0x03, 0xE0, 0x03, 0x40};
constexpr Bytes kMask242{0x00, 0x27, 0x0F, 0x0F, 0x00, 0x01, 0x85, 0x00, 0x03, 0xC0, 0x03, 0xE0, 0x03, 0x40};
// No CCP2MX.
constexpr Bytes kMask258{0x00, 0x27, 0x0F, 0x0F, 0x00, 0x00, 0x85, 0x00, 0x0F, 0xC0, 0x0F, 0xE0, 0x0F, 0x40};
constexpr Bytes kMask248{0x00, 0x27, 0x0F, 0x0F, 0x00, 0x00, 0x85, 0x00, 0x03, 0xC0, 0x03, 0xE0, 0x03, 0x40};
constexpr Bytes kMask1220{0x00, 0xCF, 0x0F, 0x1F, 0x00, 0x80, 0x85, 0x00, 0x03, 0xC0, 0x03, 0xE0, 0x03, 0x40};
// clang-format on

class P18Family final : public FamilyBehaviour {
  public:
    explicit constexpr P18Family(const P18Scheme& scheme) : scheme_(scheme) {}

    Family family() const override { return scheme_.family; }
    std::string_view file() const override { return "p18"; }

    CycleTimes cycleTimes(const ChipModel& /*model*/) const override {
        CycleTimes t{};
        t.word = scheme_.p9;
        t.dataByte = scheme_.eepromWrite;
        t.programOnly = scheme_.p9;
        t.bulkErase = scheme_.p11;
        t.setupErase = scheme_.p11;
        t.externalMin = scheme_.p9;
        t.dataValid = nanoseconds(10);  // P14
        return t;
    }
    Vihh vihh() const override { return {scheme_.vihhMinCentivolts, scheme_.vihhMaxCentivolts}; }

    // Protection lives in the configuration bytes, which P18Chip keeps.
    bool programProtected(const ChipCore& /*chip*/, int /*address*/) const override {
        return false;
    }
    bool dataProtected(const ChipCore& /*chip*/) const override { return false; }

    // The 6-bit command set is the 14-bit chips'; P18Chip takes every clock edge.
    CommandSet commands() const override { return 0; }
    void command(ChipCore& /*chip*/, int /*code*/, ChipCore::Arm /*armed*/,
                 nanoseconds /*now*/) const override {}
    void loaded(ChipCore& /*chip*/, std::uint16_t /*word*/, nanoseconds /*now*/) const override {}

    void leaveMode(ChipCore& chip, nanoseconds now) const override { chip.p18()->left(now); }

  private:
    const P18Scheme& scheme_;
};

const P18Family kBehaviourF2x{kF2x};
const P18Family kBehaviourFxx2{kFxx2};
const P18Family kBehaviourFx220{kFx220};

struct SchemeBehaviour {
    const P18Scheme* scheme;
    const FamilyBehaviour* behaviour;
};
const SchemeBehaviour kBehaviours[] = {
    {&kF2x, &kBehaviourF2x},
    {&kFxx2, &kBehaviourFxx2},
    {&kFx220, &kBehaviourFx220},
};

const FamilyBehaviour* behaviourOf(const P18Scheme& s) {
    for (const SchemeBehaviour& b : kBehaviours) {
        if (b.scheme == &s) {
            return b.behaviour;
        }
    }
    return nullptr;
}

}  // namespace

const std::vector<P18Part>& p18Parts() {
    // Device IDs carry a plausible silicon revision inside the revision mask.
    // clang-format off
    static const std::vector<P18Part> parts{
        {"18F2455", &kF2x, 0x1262, 0x1F, 0x6000, 256, 32, 0x800, 0x2000, kMask2455, kErased2455},
        {"18F2550", &kF2x, 0x1247, 0x1F, 0x8000, 256, 32, 0x800, 0x2000, kMask2550, kErased2550},
        {"18F4455", &kF2x, 0x1222, 0x1F, 0x6000, 256, 32, 0x800, 0x2000, kMask2455, kErased2455},
        {"18F4550", &kF2x, 0x1207, 0x1F, 0x8000, 256, 32, 0x800, 0x2000, kMask2550, kErased2550},
        {"18F2420", &kF2x, 0x1146, 0x0F, 0x4000, 256, 32, 0x800, 0x2000, kMask2420, kErased2420},
        {"18F2520", &kF2x, 0x1107, 0x0F, 0x8000, 256, 32, 0x800, 0x2000, kMask2520, kErased2520},
        {"18F4420", &kF2x, 0x10C6, 0x0F, 0x4000, 256, 32, 0x800, 0x2000, kMask2420, kErased2420},
        {"18F4520", &kF2x, 0x1088, 0x0F, 0x8000, 256, 32, 0x800, 0x2000, kMask2520, kErased2520},
        {"18F2620", &kF2x, 0x0C84, 0x1F, 0x10000, 1024, 64, 0x800, 0x4000, kMask2520, kErased2520},
        {"18F4620", &kF2x, 0x0C07, 0x1F, 0x10000, 1024, 64, 0x800, 0x4000, kMask2520, kErased2520},
        {"18F252", &kFxx2, 0x0407, 0x1F, 0x8000, 256, 8, 0x200, 0x2000, kMask252, kMask252},
        {"18F452", &kFxx2, 0x0427, 0x1F, 0x8000, 256, 8, 0x200, 0x2000, kMask252, kMask252},
        {"18F1220", &kFx220, 0x07E7, 0x1F, 0x1000, 256, 8, 0x200, 0x0800, kMask1220, kMask1220},
        {"18F1320", &kFx220, 0x07C7, 0x1F, 0x2000, 256, 8, 0x200, 0x1000, kMask1220, kMask1220},
        // Siblings that differ in ID, size or a configuration bit. The 2321's boot
        // block is taken at its erased size (BBSIZ = 00: 512 bytes).
        {"18F2423", &kF2x, 0x1156, 0x0F, 0x4000, 256, 32, 0x800, 0x2000, kMask2420, kErased2420},
        {"18F4423", &kF2x, 0x10D6, 0x0F, 0x4000, 256, 32, 0x800, 0x2000, kMask2420, kErased2420},
        {"18F2523", &kF2x, 0x1117, 0x0F, 0x8000, 256, 32, 0x800, 0x2000, kMask2520, kErased2520},
        {"18F4523", &kF2x, 0x1098, 0x0F, 0x8000, 256, 32, 0x800, 0x2000, kMask2520, kErased2520},
        {"18F2525", &kF2x, 0x0CC4, 0x1F, 0xC000, 1024, 64, 0x800, 0x4000, kMask2525, kErased2525},
        {"18F4525", &kF2x, 0x0C47, 0x1F, 0xC000, 1024, 64, 0x800, 0x4000, kMask2525, kErased2525},
        {"18F2321", &kF2x, 0x2121, 0x1F, 0x2000, 256, 8, 0x200, 0x1000, kMask2321, kErased2321},
        {"18F4321", &kF2x, 0x2101, 0x1F, 0x2000, 256, 8, 0x200, 0x1000, kMask2321, kErased2321},
        {"18F242", &kFxx2, 0x0487, 0x1F, 0x4000, 256, 8, 0x200, 0x2000, kMask242, kMask242},
        {"18F442", &kFxx2, 0x04A7, 0x1F, 0x4000, 256, 8, 0x200, 0x2000, kMask242, kMask242},
        {"18F248", &kFxx2, 0x0807, 0x1F, 0x4000, 256, 8, 0x200, 0x2000, kMask248, kMask248},
        {"18F258", &kFxx2, 0x0847, 0x1F, 0x8000, 256, 8, 0x200, 0x2000, kMask258, kMask258},
        {"18F448", &kFxx2, 0x0827, 0x1F, 0x4000, 256, 8, 0x200, 0x2000, kMask248, kMask248},
        {"18F458", &kFxx2, 0x0867, 0x1F, 0x8000, 256, 8, 0x200, 0x2000, kMask258, kMask258},
    };
    // clang-format on
    return parts;
}

const std::vector<ChipModel>& p18Models() {
    static const std::vector<ChipModel> models = [] {
        std::vector<ChipModel> rows;
        for (const P18Part& p : p18Parts()) {
            ChipModel m{p.name,
                        p.scheme->family,
                        behaviourOf(*p.scheme),
                        p.flashBytes / 2,
                        p.eepromBytes,
                        p.deviceId,
                        0};
            m.p18 = &p;
            rows.push_back(m);
        }
        return rows;
    }();
    return models;
}

}  // namespace pk::sim
