// 16F870..877: the only erase is the 1, 7 pair (no 9, no 11); CP1:CP0 are
// stored twice and protect all, the top half or the top 256 words.

#include "sim/commands_classic.h"

namespace pk::sim {
namespace {

using std::chrono::milliseconds;

class F87x final : public ClassicFamily {
  public:
    Family family() const override { return Family::F87x; }
    Vihh vihh() const override { return {850, 1350}; }
    std::string_view file() const override { return "f87x"; }

    CycleTimes cycleTimes(const ChipModel& /*model*/) const override {
        // tera and tprog at most 4 ms each; the erase sequence waits 8 ms.
        return {milliseconds(8), milliseconds(8), milliseconds(4), milliseconds(8),
                milliseconds(8)};
    }

    bool programProtected(const ChipCore& chip, int address) const override {
        const int cfg = chip.config_;
        // Both copies of CP1:CP0 count; a 0 in either protects.
        const int cp = ((cfg >> 12) & 3) & ((cfg >> 4) & 3);
        if (cp == 3) {
            return false;
        }
        const int top = chip.model().programWords;
        if (cp == 0 || top <= 2048) {
            return true;  // 870..872 know only "off" and "all"
        }
        return cp == 2 ? address >= top - 0x100 : address >= top / 2;
    }

    CommandSet commands() const override { return commandSet({0, 1, 2, 3, 4, 5, 6, 7, 8, 24}); }
};

}  // namespace

const FamilyBehaviour& familyF87x() {
    static const F87x behaviour;
    return behaviour;
}

}  // namespace pk::sim
