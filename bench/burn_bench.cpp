// A whole 16F877 burn with verification of a full 8K image, against the
// simulated programmer on virtual time. Two figures matter:
//  - wall time of the simulation (goal: under 0.5 s), so the chip tests stay fast;
//  - the virtual time the burn takes against the sum of the waits the sequences
//    call for (goal: within 1 %): a wait added or lost anywhere shows up here.
// Counters: virtual_s (time the burn would take on the bench), waits_s (busy waits
// and sleeps actually made), prescribed_s (computed from the sequences below),
// waits_dev_pct and virtual_dev_pct (deviation from prescribed_s, in percent), and
// bus_s, the part of virtual_s that is no wait: the simulated board charges 1 us
// per port access, as the ISA bus takes, and a bit costs six accesses.

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

    Board() {
        circuit.insertChip(std::make_unique<pk::sim::SimChip>(*pk::sim::findChip("16F877")));
        std::uint32_t x = 12345;
        for (std::size_t a = 0; a < 0x2000; ++a) {
            x = x * 1103515245u + 12345u;
            // Never the erased value, so every word is programmed.
            image.HexWords[a] = static_cast<std::uint16_t>((x >> 8) & 0x3FFE);
        }
        for (std::size_t n = 0; n < 256; ++n) {
            image.HexWords[0x2100 + n] = static_cast<std::uint16_t>(n ^ 0x5A);
        }
        image.IdWords = {1, 2, 3, 4};
        image.ConfigWord = 0x3F72;
        link.Anfang();
    }

    // The burn command: type check, then program memory, EEPROM, IDs and configuration.
    void burn() {
        if (!ops.checkSelectedType()) {
            return;
        }
        link.StartProgmode();
        ops.WriteProgram();
        link.EndProgmode();
        link.StartProgmode();
        ops.WriteData();
        link.EndProgmode();
        link.StartProgmode();
        ops.WriteConfiguration();
        link.EndProgmode();
    }
};

// The waits the sequences call for on a blank chip, with the "7407" driver:
// a sent bit costs four line waits, a received frame fifty.
nanoseconds prescribed(nanoseconds d) {
    const nanoseconds K = 24 * d;  // command
    const nanoseconds W = 64 * d;  // data frame sent
    const nanoseconds R = 50 * d;  // data frame read
    const nanoseconds ms(1'000'000);
    const nanoseconds bracket = 250 * ms + 250 * ms;

    const nanoseconds detect = bracket + K + W + 6 * (K + ms) + K + R + K + ms + K + R;
    // Per word: read, load, begin, 20 ms, read back, increment.
    const nanoseconds program = bracket + 8192 * (5 * K + W + 2 * R + 20 * ms);
    // Per byte: load, begin, 15 ms, read back, increment.
    const nanoseconds data = bracket + 256 * (4 * K + W + R + 15 * ms);
    const nanoseconds config = bracket + K + W + 4 * (4 * K + W + R + 21 * ms) + 3 * (K + ms) + ms +
                               2 * K + W + 15 * ms + K + R;
    return detect + program + data + config;
}

void BM_Burn16F877Full8K(benchmark::State& state) {
    double virtualS = 0;
    double waitsS = 0;
    double prescribedS = 0;
    bool clean = true;
    for (auto _ : state) {
        state.PauseTiming();
        auto board = std::make_unique<Board>();
        const nanoseconds start = board->clock.monotonic();
        const nanoseconds waited0 = board->clock.busyWaited() + board->clock.slept();
        state.ResumeTiming();

        board->burn();

        state.PauseTiming();
        clean = clean && board->errors.sum() == 0 && board->circuit.log().violations().empty();
        virtualS = std::chrono::duration<double>(board->clock.monotonic() - start).count();
        waitsS = std::chrono::duration<double>(board->clock.busyWaited() + board->clock.slept() -
                                               waited0)
                     .count();
        prescribedS = std::chrono::duration<double>(prescribed(board->link.delayLength())).count();
        board.reset();
        state.ResumeTiming();
    }
    if (!clean) {
        state.SkipWithError("the burn failed or the simulator logged a violation");
    }
    state.counters["virtual_s"] = virtualS;
    state.counters["waits_s"] = waitsS;
    state.counters["prescribed_s"] = prescribedS;
    state.counters["bus_s"] = virtualS - waitsS;
    state.counters["waits_dev_pct"] = (waitsS - prescribedS) / prescribedS * 100.0;
    state.counters["virtual_dev_pct"] = (virtualS - prescribedS) / prescribedS * 100.0;
}
BENCHMARK(BM_Burn16F877Full8K)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace
