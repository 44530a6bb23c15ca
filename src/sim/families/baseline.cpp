#include "sim/families/baseline.h"

#include "sim/baseline_chip.h"
#include "sim/chip.h"
#include "sim/family.h"

namespace pk::sim {

using std::chrono::microseconds;
using std::chrono::milliseconds;
using std::chrono::nanoseconds;

namespace {

class BaselineFamily final : public FamilyBehaviour {
  public:
    Family family() const override { return Family::Baseline; }
    std::string_view file() const override { return "baseline"; }

    CycleTimes cycleTimes(const ChipModel& /*model*/) const override {
        // TPROG (2 ms at most, timed by the host) and TERA (10 ms at most).
        CycleTimes t{};
        t.word = milliseconds(2);
        t.dataByte = milliseconds(2);
        t.programOnly = milliseconds(2);
        t.bulkErase = milliseconds(10);
        t.setupErase = milliseconds(10);
        t.externalMin = milliseconds(2);
        t.dataValid = nanoseconds(80);
        t.frameGap = microseconds(1);  // TDLY1, TDLY2
        return t;
    }
    Vihh vihh() const override { return {1250, 1350}; }

    bool programProtected(const ChipCore& chip, int address) const override {
        return chip.baseline()->readsZero(address);
    }
    bool dataProtected(const ChipCore& chip) const override {
        return chip.baseline()->dataProtected();
    }

    CommandSet commands() const override { return commandSet({2, 4, 6, 8, 9, 14}); }
    void command(ChipCore& chip, int code, ChipCore::Arm /*armed*/,
                 nanoseconds now) const override {
        chip.baseline()->command(code, now);
    }
    void loaded(ChipCore& chip, std::uint16_t word, nanoseconds now) const override {
        chip.baseline()->loaded(word, now);
    }
    int endCode() const override { return 14; }
};

const BaselineFamily kBehaviour;

}  // namespace

const std::vector<BaselinePart>& baselineParts() {
    // Addresses as the programming data sheets' memory maps give them. The
    // 10F220/222 keep a backup OSCCAL, which only makes sense with the
    // calibration MOVLW at the reset vector that their internal oscillator
    // needs, so the model gives them one. Configuration bits by the parts'
    // configuration word: FOSC, WDTE, CP, MCLRE, then IOSCFS/MCPU and CPDF
    // where the part has them (16F505/506/526 have a third FOSC bit, which
    // moves CP to bit 4). The factory OSCCAL values differ per part so that a
    // value carried over from another chip shows.
    // clang-format off
    static const std::vector<BaselinePart> parts{
        // name     words  config  ids    idW backup osccal k     data   row mask   cp cpdf  idsAll
        {"10F200",  256,   0x1FF,  0x100, 5,  0x104, true,  0x24, -1,    1, 0x01C, 3, -1, true},
        {"10F202",  512,   0x3FF,  0x200, 5,  0x204, true,  0x26, -1,    1, 0x01C, 3, -1, true},
        {"10F204",  256,   0x1FF,  0x100, 5,  0x104, true,  0x28, -1,    1, 0x01C, 3, -1, true},
        {"10F206",  512,   0x3FF,  0x200, 5,  0x204, true,  0x2A, -1,    1, 0x01C, 3, -1, true},
        {"10F220",  256,   0x1FF,  0x100, 5,  0x104, true,  0x2C, -1,    1, 0x01F, 3, -1, true},
        {"10F222",  512,   0x3FF,  0x200, 5,  0x204, true,  0x2E, -1,    1, 0x01F, 3, -1, true},
        {"12F508",  512,   0x3FF,  0x200, 5,  0x204, true,  0x30, -1,    1, 0x01F, 3, -1, true},
        {"12F509",  1024,  0x7FF,  0x400, 5,  0x404, true,  0x32, -1,    1, 0x01F, 3, -1, true},
        {"12F510",  1024,  0x7FF,  0x400, 5,  0x404, true,  0x34, -1,    1, 0x03F, 3, -1, true},
        {"12F519",  1024,  0x7FF,  0x440, 8,  0x444, true,  0x36, 0x400, 1, 0x07F, 3,  6, false},
        {"16F505",  1024,  0x7FF,  0x400, 5,  0x404, true,  0x38, -1,    1, 0x03F, 4, -1, true},
        {"16F506",  1024,  0x7FF,  0x400, 5,  0x404, true,  0x3A, -1,    1, 0x07F, 4, -1, true},
        {"16F526",  1024,  0x7FF,  0x440, 8,  0x444, true,  0x3C, 0x400, 1, 0x0FF, 4,  7, false},
        {"16F54",   512,   0x3FF,  0x200, 4,  -1,    false, 0x00, -1,    1, 0x00F, 3, -1, true},
        {"16F57",   2048,  0xFFF,  0x800, 4,  -1,    false, 0x00, -1,    4, 0x00F, 3, -1, true},
        {"16F59",   2048,  0xFFF,  0x800, 4,  -1,    false, 0x00, -1,    4, 0x00F, 3, -1, true},
    };
    // clang-format on
    return parts;
}

const std::vector<ChipModel>& baselineModels() {
    static const std::vector<ChipModel> models = [] {
        std::vector<ChipModel> rows;
        for (const BaselinePart& p : baselineParts()) {
            // No device ID, no data EEPROM; the 12-bit configuration word.
            ChipModel m{p.name, Family::Baseline, &kBehaviour, p.programWords, 0, 0, p.configMask};
            m.baseline = &p;
            rows.push_back(m);
        }
        return rows;
    }();
    return models;
}

}  // namespace pk::sim
