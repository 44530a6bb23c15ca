// Starting a pass over again without leaving programming mode. A new entry is
// the one way every chip brings its address counter back to 0, at the price of
// the voltage pauses (tens of milliseconds). Where a chip's programming data
// sheet says how the counter repeats, counting on to the next repetition of
// word 0 or byte 0 takes a few milliseconds instead.

#include <chrono>
#include <optional>

#include "device/chip_ops.h"

namespace pk {

namespace {

constexpr std::int32_t kTop = 0x2000;  // where user memory's counter wraps or leaves it
constexpr std::int32_t kDataBytes = 0x100;
// One Increment Address on a parallel port: six clocks, about twelve accesses
// of one to two microseconds.
constexpr std::chrono::microseconds kIncrementCost{20};

std::int32_t nextMultiple(std::int32_t at, std::int32_t of) {
    return (at + of - 1) / of * of;
}

}  // namespace

std::optional<std::int32_t> ChipOps::stepsTo(PassStart start, std::int32_t counted) const {
    const CounterFacts& facts = row().counter;
    if (settings_.Timing != TimingMode::DataSheet || facts.program == ProgramRepeat::Unstated) {
        return std::nullopt;
    }
    // The chip's own size, however much of it a command covers.
    const std::int32_t words = row().progLastAddr + 1;
    std::int32_t target = 0;
    if (start == PassStart::DataByte && facts.dataByLowByte) {
        target = nextMultiple(counted, kDataBytes);
    } else if (start == PassStart::ProgramWord && facts.program == ProgramRepeat::EverySize) {
        target = nextMultiple(counted, words);
    } else if (!facts.topIntoConfig) {
        // Past 0x1FFF the counter stands at 0 again, which is word 0 and byte 0.
        target = nextMultiple(counted, kTop);
    } else {
        return std::nullopt;
    }
    // A chip that steps from 0x1FFF into configuration memory must keep a whole
    // pass below it.
    const std::int32_t pass = start == PassStart::DataByte ? kDataBytes : words;
    if (facts.topIntoConfig && target + pass > kTop) {
        return std::nullopt;
    }
    const std::int32_t steps = target - counted;
    if (steps * kIncrementCost >= ProgrammingMode::pauses(true).bracket()) {
        return std::nullopt;
    }
    return steps;
}

bool ChipOps::countOnTo(PassStart start) {
    const std::optional<std::int32_t> counted = link_.incrementsSinceEntry();
    const std::optional<std::int32_t> steps =
        counted ? stepsTo(start, *counted) : std::optional<std::int32_t>();
    if (!steps) {
        return false;
    }
    for (std::int32_t k = 0; k < *steps; ++k) {
        link_.Kommando(cmd::IncrementAddress);
    }
    return true;
}

void ChipOps::restartAt(PassStart start) {
    if (!countOnTo(start)) {
        link_.EndProgmode();
        StartProgmode();
    }
}

}  // namespace pk
