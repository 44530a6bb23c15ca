#pragma once
// The command set the newer flash chips share (16F62xA, 16F87xA, 16F87/88 and
// 16F818/819, 12F629 family): loads fill one latch or a row of write latches,
// 8 writes (or, on the row-erasing chips, erases) what the PC selects, 24 and
// some 8s run until the host ends them (23, or 10), 9 and 11 erase by
// themselves or arm the next 8, 31 erases the whole chip.

#include "sim/family.h"

namespace pk::sim {

class NewerFamily : public FamilyBehaviour {
  public:
    void command(ChipCore& chip, int code, ChipCore::Arm armed,
                 std::chrono::nanoseconds now) const override;
    void loaded(ChipCore& chip, std::uint16_t word, std::chrono::nanoseconds now) const override;

  protected:
    // The write latches a load fills, selected by the low PC bits (1: one latch).
    virtual int latchWords() const { return 1; }
    // Increment Address below configuration space.
    virtual int nextProgramPc(const ChipModel& /*model*/, int pc) const {
        return (pc + 1) & 0x1FFF;
    }
    // 9 and 11 erase by themselves rather than arm the next 8.
    virtual bool selfTimedBulkErase() const { return false; }
    // A self-timed 11 leaves a protected data EEPROM alone.
    virtual bool dataEraseKeepsProtected() const { return false; }
    // 8 writes a data byte over what was there (erasing first), not ANDed.
    virtual bool dataByteErasedFirst() const { return false; }
    // Load Configuration only moves the PC.
    virtual bool loadConfigDiscarded() const { return false; }
    // The end code without a Begin before it is logged.
    virtual bool endAloneLogged() const { return false; }
    // 24 writes the configuration words with 0 and 1, not only clearing bits.
    virtual bool configProgramOverwrites() const { return false; }
    // Command 8.
    virtual void begin(ChipCore& chip, ChipCore::Arm armed, std::chrono::nanoseconds now) const {
        (void)armed;
        beginRow(chip, now);
    }

    // 8 as a self-timed write: one word (program only) or a whole row.
    void beginRow(ChipCore& chip, std::chrono::nanoseconds now) const;
    // 24, or 8 on the chips where the host times it, until the end code.
    void startExternal(ChipCore& chip, int code, ChipCore::Arm armed,
                       std::chrono::nanoseconds now) const;
    void endExternal(ChipCore& chip, std::chrono::nanoseconds now) const;
    // The bulk erase the command before armed; nothing on protected memory.
    static void bulkErase(ChipCore& chip, ChipCore::Arm armed);
    static void resetRowLatches(ChipCore& chip);

  private:
    void applyProgramOnly(ChipCore& chip) const;
    static void applyRowErase(ChipCore& chip);
};

}  // namespace pk::sim
