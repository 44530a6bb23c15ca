// Speed of the simulator: a whole 16F877 written and read back on virtual time
// should take well under a second of real time.

#include <benchmark/benchmark.h>

#include <memory>

#include "../tests/sim/bitbang.h"
#include "sim/circuit.h"

namespace {

void BM_Sim16F877WholeChipWriteAndRead(benchmark::State& state) {
    for (auto _ : state) {
        pk::VirtualClock clock;
        pk::sim::SimCircuit circuit(clock, {1, 1}, 1);
        circuit.insertChip(std::make_unique<pk::sim::SimChip>(*pk::sim::findChip("16F877")));
        pk::sim::test::BitBang host(circuit, clock, 1, 1);
        host.change(0x0C, 0x03);
        host.startProgmode();
        for (int a = 0; a < 8192; ++a) {
            host.load(2, static_cast<std::uint16_t>(a & 0x3FFF));
            host.command(8);
            host.sleepMs(20);
            host.command(6);
        }
        host.endProgmode();
        host.startProgmode();
        int bad = 0;
        for (int a = 0; a < 8192; ++a) {
            bad += host.read(4) != (a & 0x3FFF) ? 1 : 0;
            host.command(6);
        }
        host.endProgmode();
        if (bad != 0 || !circuit.log().violations().empty()) {
            state.SkipWithError("the simulated chip did not verify");
        }
        state.counters["virtual_s"] = std::chrono::duration<double>(clock.monotonic()).count();
    }
}
BENCHMARK(BM_Sim16F877WholeChipWriteAndRead)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace
