// The programmer link's cost on the simulated board: how many port accesses
// per second the simulated backend takes, and what one data frame costs in
// port accesses and in (virtual) line time.

#include <benchmark/benchmark.h>

#include <memory>

#include "../tests/support/scripted_dialog.h"
#include "link/programmer.h"
#include "sim/chip.h"
#include "sim/circuit.h"

namespace {

// Counts what passes through to the board.
class CountingPort : public pk::PortIo {
  public:
    explicit CountingPort(pk::PortIo& inner) : inner_(inner) {}
    void write(int port, std::uint8_t value) override {
        ++count;
        inner_.write(port, value);
    }
    std::uint8_t read(int port) override {
        ++count;
        return inner_.read(port);
    }
    bool available() const override { return inner_.available(); }
    std::int64_t count = 0;

  private:
    pk::PortIo& inner_;
};

void BM_SimPortAccess(benchmark::State& state) {
    pk::VirtualClock clock;
    pk::sim::SimCircuit circuit(clock, {1, 1}, 1);
    circuit.insertChip(std::make_unique<pk::sim::SimChip>(*pk::sim::findChip("16F877")));
    std::uint8_t v = 0x0C;
    for (auto _ : state) {
        v ^= 0x01;  // toggles the data line, as the protocol does
        circuit.write(0x378, v);
        benchmark::DoNotOptimize(circuit.read(0x379));
    }
    state.SetItemsProcessed(state.iterations() * 2);
}
BENCHMARK(BM_SimPortAccess);

void BM_WrDatenFrame(benchmark::State& state) {
    const int driver = static_cast<int>(state.range(0));
    const int sw = driver == 2 ? 3 : 1;
    pk::VirtualClock clock;
    pk::sim::SimCircuit circuit(clock, {driver, sw}, 1);
    circuit.insertChip(std::make_unique<pk::sim::SimChip>(*pk::sim::findChip("16F877")));
    CountingPort port(circuit);
    pk::ScriptedDialog dialog;
    pk::ProgrammerSettings settings;
    settings.DriverIndex = driver;
    settings.SwitchIndex = sw;
    std::int32_t base = pk::kLpt1;
    pk::ProgrammerLink link(port, clock, dialog, settings, base);
    link.StartProgmode();
    link.Kommando(2);
    std::int64_t frames = 0;
    const std::int64_t accesses0 = port.count;
    const auto t0 = clock.monotonic();
    for (auto _ : state) {
        link.WrDaten(0x1234);
        ++frames;
        if (circuit.log().commands().size() > 100000) {
            circuit.log().clear();
        }
    }
    const double perFrame = static_cast<double>(port.count - accesses0) / frames;
    const double usPerFrame =
        std::chrono::duration<double, std::micro>(clock.monotonic() - t0).count() / frames;
    state.counters["port_accesses_per_frame"] = perFrame;
    state.counters["line_time_us_per_frame"] = usPerFrame;
    state.SetItemsProcessed(frames);
}
BENCHMARK(BM_WrDatenFrame)->Arg(0)->Arg(1)->Arg(2);

}  // namespace
