#pragma once
// The baseline parts' programming protocol on the link: the counter starts at
// the configuration word after each entry and only goes up, so a step back
// means leaving and entering again.

#include <cstdint>

#include "device/families/baseline/rows.h"
#include "link/clock.h"
#include "link/programmer.h"

namespace pk::baseline {

class Walker {
  public:
    Walker(ProgrammerLink& link, Clock& clock, const BaselineDevice& d)
        : link_(link), clock_(clock), d_(d) {}
    Walker(const Walker&) = delete;
    Walker& operator=(const Walker&) = delete;
    // The voltages go off whatever happened.
    ~Walker();

    // VDD first, then VPP: the counter stands at the configuration word.
    void enter();
    void leave();
    bool inside() const { return inside_; }
    std::uint16_t pc() const { return pc_; }

    // The counter to this address (the configuration word: after a new entry).
    void to(std::uint16_t address);
    // The word at the counter, as the chip sends it (14 bits: a baseline chip
    // sends its 12 with the top two 0).
    std::uint16_t readRaw();
    std::uint16_t read() { return readRaw() & kWordMask; }
    void load(std::uint16_t word);
    // Begin programming, the cycle, end programming.
    void program();
    void bulkErase();

  private:
    ProgrammerLink& link_;
    Clock& clock_;
    const BaselineDevice& d_;
    std::uint16_t pc_ = 0;
    bool inside_ = false;
};

}  // namespace pk::baseline
