#pragma once
// The command set of the later mid-range flash chips (16F88x, 12F683/16F6xx,
// 12F609/615 and 16F610/616, 16F716, 16F91x, 16F785): loads fill the write
// latch the low PC bits select; 8 (self-timed) or 24 .. the end code (timed by
// the host) programs the latch row holding the PC without erasing it (old AND
// latch), configuration space one word at a time; 9 and 11 erase by
// themselves, 9 the more the further the PC stands into configuration space;
// 17 erases 16 words. Factory calibration words go only with a 9 at their
// address.

#include "sim/family.h"

namespace pk::sim {

class LatchedFamily : public FamilyBehaviour {
  public:
    bool vppFirst() const override { return true; }
    bool runsOwnProgram(const ChipCore& chip) const override {
        return ownProgramRuns(chip.config_, chip.config_ & 7);  // FOSC2:0 in bits 2..0
    }
    void factoryState(ChipCore& chip) const override;
    bool programProtected(const ChipCore& chip, int address) const override;
    // CPD in bit 7.
    bool dataProtected(const ChipCore& chip) const override;

    void command(ChipCore& chip, int code, ChipCore::Arm armed,
                 std::chrono::nanoseconds now) const override;
    void loaded(ChipCore& chip, std::uint16_t word, std::chrono::nanoseconds now) const override;
    int endCode() const override { return 10; }

  protected:
    // The write latches a 8 or 24 programs at once (1, 4 or 8).
    virtual int latchWords(const ChipModel& model) const = 0;
    // CP (0 = all program memory protected).
    virtual std::uint16_t cpBit() const { return 0x0040; }
    // 8 erases a data byte before writing it, rather than only clearing bits.
    virtual bool dataWriteErases() const { return false; }
    // Load Configuration takes only all ones.
    virtual bool loadConfigAllOnes() const { return false; }
    // The end code sets every latch back to ones, also alone.
    virtual bool endResetsLatches() const { return false; }

  private:
    // The cycle of 8 or 24 with the PC and the memory of the last load.
    void program(ChipCore& chip, int pc, ChipCore::LoadKind kind, bool selfTimed,
                 std::chrono::nanoseconds now) const;
    void configWord(ChipCore& chip, int address, std::chrono::nanoseconds now) const;
    void begin(ChipCore& chip, std::chrono::nanoseconds now) const;
    void startExternal(ChipCore& chip, std::chrono::nanoseconds now) const;
    void endExternal(ChipCore& chip, std::chrono::nanoseconds now) const;
    void bulkErase(ChipCore& chip, int code, std::chrono::nanoseconds now) const;
    void rowErase(ChipCore& chip, std::chrono::nanoseconds now) const;
    static void resetLatches(ChipCore& chip);
};

}  // namespace pk::sim
