// Reading and comparing a whole 16F877 (8K program words, 256 EEPROM bytes, IDs
// and configuration) against the simulated programmer on virtual time, as the
// commands "Lesen" and "Vergleichen" do it. Two figures matter:
//  - wall time of the simulation, so the command tests stay fast;
//  - the virtual time against the sum of the waits the sequences call for: a
//    wait added or lost anywhere shows up here.
// Counters: virtual_s (time on the bench), waits_s (busy waits and sleeps made),
// prescribed_s (computed from the sequences below), waits_dev_pct and
// virtual_dev_pct (deviation from prescribed_s in percent), bus_s (port
// accesses at 1 us each: the part of virtual_s that is no wait).

#include <benchmark/benchmark.h>

#include <chrono>
#include <memory>

#include "../tests/support/recording_reporter.h"
#include "../tests/support/scripted_dialog.h"
#include "device/chip_ops.h"
#include "link/clock.h"
#include "link/programmer.h"
#include "sim/circuit.h"

namespace {

using std::chrono::nanoseconds;

struct Board {
    pk::VirtualClock clock;
    pk::sim::SimCircuit circuit{clock, {1, 1}, 1};
    pk::ScriptedDialog dialog;
    pk::ProgrammerSettings settings;
    std::int32_t portBase = pk::kLpt1;
    pk::ProgrammerLink link{circuit, clock, dialog, settings, portBase};
    pk::MemoryImage image;
    pk::DeviceState device{pk::Dev16F876_877, 0x1FFF, 0xFF, false};
    pk::ErrorCounters errors;
    pk::RecordingReporter report;
    pk::ChipOps ops{link, clock, image, device, settings, errors, report};
    pk::sim::SimChip* chip = nullptr;

    Board() {
        chip = circuit.insertChip(std::make_unique<pk::sim::SimChip>(*pk::sim::findChip("16F877")));
        std::uint32_t x = 4711;
        for (int a = 0; a < 0x2000; ++a) {
            x = x * 1103515245u + 12345u;
            const auto w = static_cast<std::uint16_t>((x >> 8) & 0x3FFF);
            image.HexWords[static_cast<std::size_t>(a)] = w;
            chip->setWord(a, w);
        }
        for (int n = 0; n < 256; ++n) {
            const auto b = static_cast<std::uint16_t>(n ^ 0xA5);
            image.HexWords[static_cast<std::size_t>(0x2100 + n)] = b;
            chip->setWord(0x2100 + n, b);
        }
        for (int i = 0; i < 4; ++i) {
            chip->setWord(0x2000 + i, static_cast<std::uint16_t>(0x3F80 | (i + 1)));
        }
        image.IdWords = {1, 2, 3, 4};
        image.ConfigWord = 0x3F72;
        chip->setWord(0x2007, 0x3F72);
        link.Anfang();
    }

    template <typename F>
    void bracket(F&& routine) {
        link.StartProgmode();
        routine();
        link.EndProgmode();
    }

    // "Lesen" without the save: type check, program memory, EEPROM, IDs and configuration.
    bool read() {
        if (!ops.checkSelectedType()) {
            return false;
        }
        bracket([&] { ops.ReadProgram(true); });
        bracket([&] { ops.ReadData(); });
        bracket([&] { ops.ReadConfiguration(); });
        return true;
    }

    // "Vergleichen" without the reload, for a file that fills the whole chip.
    bool compare() {
        if (!ops.checkSelectedType()) {
            return false;
        }
        bracket([&] { ops.ReadProgram(false); });
        bracket([&] { ops.ReadData(); });
        bracket([&] { ops.ReadConfiguration(); });
        errors = pk::CompareImage(image, device, true);
        return true;
    }
};

// The waits the sequences call for with the "7407" driver: a sent bit costs four
// line waits, a received frame fifty.
nanoseconds prescribed(nanoseconds d) {
    const nanoseconds K = 24 * d;  // command
    const nanoseconds W = 64 * d;  // data frame sent
    const nanoseconds R = 50 * d;  // data frame read
    const nanoseconds ms(1'000'000);
    const nanoseconds bracket = 250 * ms + 250 * ms;

    const nanoseconds detect = bracket + K + W + 6 * (K + ms) + K + R + K + ms + K + R;
    // Per word: read, increment.
    const nanoseconds program = bracket + 8192 * (2 * K + R);
    const nanoseconds data = bracket + 256 * (2 * K + R);
    const nanoseconds config = bracket + K + W + 4 * (2 * K + R + ms) + 3 * K + ms + K + R;
    return detect + program + data + config;
}

template <bool Compare>
void runWholeChip(benchmark::State& state) {
    double virtualS = 0;
    double waitsS = 0;
    double prescribedS = 0;
    bool good = true;
    for (auto _ : state) {
        state.PauseTiming();
        auto board = std::make_unique<Board>();
        const nanoseconds start = board->clock.monotonic();
        const nanoseconds waited0 = board->clock.busyWaited() + board->clock.slept();
        state.ResumeTiming();

        const bool ran = Compare ? board->compare() : board->read();

        state.PauseTiming();
        good = good && ran && board->errors.sum() == 0 &&
               board->circuit.log().violations().empty() &&
               board->image.ReadBack[0x1FFF] == board->image.HexWords[0x1FFF];
        virtualS = std::chrono::duration<double>(board->clock.monotonic() - start).count();
        waitsS = std::chrono::duration<double>(board->clock.busyWaited() + board->clock.slept() -
                                               waited0)
                     .count();
        prescribedS = std::chrono::duration<double>(prescribed(board->link.delayLength())).count();
        board.reset();
        state.ResumeTiming();
    }
    if (!good) {
        state.SkipWithError("the chip did not read back as written, or a violation was logged");
    }
    state.counters["virtual_s"] = virtualS;
    state.counters["waits_s"] = waitsS;
    state.counters["prescribed_s"] = prescribedS;
    state.counters["bus_s"] = virtualS - waitsS;
    state.counters["waits_dev_pct"] = (waitsS - prescribedS) / prescribedS * 100.0;
    state.counters["virtual_dev_pct"] = (virtualS - prescribedS) / prescribedS * 100.0;
}

void BM_Read16F877Whole(benchmark::State& state) {
    runWholeChip<false>(state);
}
void BM_Compare16F877Whole(benchmark::State& state) {
    runWholeChip<true>(state);
}
BENCHMARK(BM_Read16F877Whole)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_Compare16F877Whole)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace
