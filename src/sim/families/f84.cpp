// 16F84 and 16F84A: 9 and 11 arm a bulk erase, 1 and 7 the erase that removes
// protection; one CP field covers program memory and the data EEPROM alike.
// The old 16F84 has no device ID and no 24.

#include "sim/commands_classic.h"

namespace pk::sim {
namespace {

using std::chrono::milliseconds;

class F84 final : public ClassicFamily {
  public:
    Family family() const override { return Family::F84; }
    Vihh vihh() const override { return {1200, 1400}; }
    std::string_view file() const override { return "f84"; }

    CycleTimes cycleTimes(const ChipModel& model) const override {
        if (old84(model)) {
            // 16F84: Microchip's own programmer times every cycle at 20 ms; the
            // erase sequences wait 10 ms.
            return {milliseconds(20), milliseconds(20), milliseconds(20), milliseconds(10),
                    milliseconds(10)};
        }
        // 16F84A: erase and write of a word about 8 ms, program only 4 ms,
        // the erase sequences 10 ms.
        return {milliseconds(8), milliseconds(8), milliseconds(4), milliseconds(10),
                milliseconds(10)};
    }

    bool programProtected(const ChipCore& chip, int /*address*/) const override {
        return (chip.config_ & 0x3FF0) != 0x3FF0;
    }
    bool dataProtected(const ChipCore& chip) const override {
        return chip.anyProgramProtected();  // no CPD bit: CP covers the EEPROM too
    }

    CommandSet commands() const override { return commandSet({0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 11}); }
    // The 16F84A also programs without erasing (24); the first 16F84 does not.
    bool supports(const ChipModel& model, int code) const override {
        return FamilyBehaviour::supports(model, code) || (code == 24 && !old84(model));
    }

  private:
    static bool old84(const ChipModel& model) { return model.deviceId == 0; }
};

}  // namespace

const FamilyBehaviour& familyF84() {
    static const F84 behaviour;
    return behaviour;
}

}  // namespace pk::sim
