// The programmer link's cost on the simulated board: how many port accesses
// per second the simulated backend takes, and what one data frame costs in
// port accesses and in (virtual) line time.
//
// BM_BitCost, one run per usable circuit and timing, counts the port accesses
// (writes and reads) of written and read frame bits on a chip in programming
// mode, as a burn and a verify send them:
//   accesses_per_written_bit  accesses of a WrDaten frame / 16
//   accesses_per_read_bit     accesses of an RdDaten frame / 16
//   us_per_written_bit, us_per_read_bit  the same in line time, every access
//                                        costing 1 us as through ppdev
//   wrong_words, violations   words read back wrong, and what the simulated chip
//                             logged (both must be 0)
// A frame's share of taking or releasing the lines counts toward its bits.
// Goals in the data-sheet timing: 2 accesses per written bit (the clock rises
// with the data bit, then falls), 3 per read bit (rising edge, one status read,
// falling edge) plus the read frame's release of the data line. The classic
// timing stays at 6 and 6.125: its accesses and waits are the old ones.

#include <benchmark/benchmark.h>

#include <memory>
#include <string>

#include "../tests/support/scripted_dialog.h"
#include "link/programmer.h"
#include "sim/chip.h"
#include "sim/circuit.h"
#include "sim/switch_dialog.h"

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

// Words with runs and with a change at every bit, so the data line moves as in
// a real program.
constexpr std::uint16_t kWords[] = {0x1234, 0x3FFF, 0x0000, 0x2AAA, 0x1555, 0x0F0F, 0x30C3, 0x2DB6};

void BM_BitCost(benchmark::State& state) {
    const pk::Circuit& row = pk::kCircuits[static_cast<std::size_t>(state.range(0))];
    const bool dataSheet = state.range(1) != 0;
    const int driver = static_cast<int>(row.driver);
    const int sw = static_cast<int>(row.voltage);
    pk::VirtualClock clock;
    pk::sim::SimCircuit circuit(clock, {driver, sw}, 1);
    pk::sim::SimChip* chip =
        circuit.insertChip(std::make_unique<pk::sim::SimChip>(*pk::sim::findChip("16F877")));
    for (int a = 0; a < static_cast<int>(std::size(kWords)); ++a) {
        chip->setWord(a, kWords[a]);
    }
    CountingPort port(circuit);
    pk::ScriptedDialog user;
    pk::sim::SimSwitchDialog dialog(&user, circuit);  // throws the hand switch
    pk::ProgrammerSettings settings;
    settings.DriverIndex = driver;
    settings.SwitchIndex = sw;
    settings.Timing = dataSheet ? pk::TimingMode::DataSheet : pk::TimingMode::Classic;
    std::int32_t base = pk::kLpt1;
    pk::ProgrammerLink link(port, clock, dialog, settings, base);
    link.Anfang();
    link.StartProgmode();
    std::int64_t frames = 0;
    std::int64_t written = 0;
    std::int64_t read = 0;
    std::chrono::nanoseconds writtenTime{0};
    std::chrono::nanoseconds readTime{0};
    std::size_t violations = 0;
    std::int64_t wrong = 0;
    for (auto _ : state) {
        // Each round from address 0, with a fresh log (the only thing that grows).
        link.EndProgmode();
        link.StartProgmode();
        violations += circuit.log().violationCount();
        circuit.log().clear();
        for (const std::uint16_t word : kWords) {
            link.Kommando(2);
            std::int64_t before = port.count;
            auto t0 = clock.monotonic();
            link.WrDaten(word);
            written += port.count - before;
            writtenTime += clock.monotonic() - t0;

            link.Kommando(4);
            before = port.count;
            t0 = clock.monotonic();
            wrong += link.RdDaten() != word ? 1 : 0;
            read += port.count - before;
            readTime += clock.monotonic() - t0;
            link.Kommando(6);
            ++frames;
        }
    }
    const double bits = 16.0 * static_cast<double>(frames);
    state.counters["accesses_per_written_bit"] = static_cast<double>(written) / bits;
    state.counters["accesses_per_read_bit"] = static_cast<double>(read) / bits;
    state.counters["us_per_written_bit"] =
        std::chrono::duration<double, std::micro>(writtenTime).count() / bits;
    state.counters["us_per_read_bit"] =
        std::chrono::duration<double, std::micro>(readTime).count() / bits;
    state.counters["wrong_words"] = static_cast<double>(wrong);
    state.counters["violations"] = static_cast<double>(violations + circuit.log().violationCount());
    state.SetLabel("driver " + std::to_string(driver) + " switch " + std::to_string(sw) +
                   (dataSheet ? " data sheet" : " classic"));
    state.SetItemsProcessed(frames);
}

void everyCircuit(benchmark::internal::Benchmark* b) {
    b->ArgNames({"circuit", "datasheet"});
    for (std::size_t i = 0; i < pk::kCircuits.size(); ++i) {
        for (int dataSheet : {0, 1}) {
            b->Args({static_cast<std::int64_t>(i), dataSheet});
        }
    }
}
BENCHMARK(BM_BitCost)->Apply(everyCircuit);

}  // namespace
