// Burn and verify of a completely filled chip on the simulated programmer, in
// the classic and in the data-sheet timing: the time a user would wait, on the
// virtual clock with every port access costing 1 us as through ppdev (what
// `pkorvel-cli --sim-fast` runs on), beside the data-sheet floor.
// Counters:
//   burn_s, verify_s, total_s  modelled time of the burn and verify commands
//   floor_s                    the chip's own cycles during the burn, each at the
//                              data sheet's maximum: no programmer can be faster
//                              with the same cycles
//   total_over_floor           total_s / floor_s
//   bits_s                     every command and data bit of burn and verify at two
//                              port accesses (clock up, clock down) of 1 us each
//   total_over_floor_bits      total_s / (floor_s + bits_s): what is left to win
//                              at the port
// One chip of every catalogue row. Goals in the data-sheet timing: 16F877 total
// under 40 s, 16F84A under 12 s; the program-only row writers within 1.15 of
// their floor.

#include <benchmark/benchmark.h>

#include <cctype>
#include <chrono>
#include <memory>
#include <string>

#include "../tests/chip_facts.h"
#include "../tests/support/recording_reporter.h"
#include "../tests/support/scripted_dialog.h"
#include "device/commands.h"
#include "device/p18_ops.h"
#include "link/clock.h"
#include "link/programmer.h"
#include "sim/chip.h"
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
    pk::DeviceState device;
    pk::ErrorCounters errors;
    pk::RecordingReporter report;
    pk::ChipSession session{link, clock, image, device, settings, errors, report};
    pk::sim::SimChip* chip = nullptr;

    Board(const char* name, pk::TimingMode timing) {
        settings.Timing = timing;
        // A chip that takes at most 12 V on MCLR on a board that gives 12 V.
        if (!pk::deviceInfo(pk::testfacts::typeOf(name))->vpp.holds(1300)) {
            settings.VppTenths = 120;
            circuit.setVpp(1200);
        }
        chip = circuit.insertChip(std::make_unique<pk::sim::SimChip>(*pk::sim::findChip(name)));
        const std::int32_t type = pk::testfacts::typeOf(name);
        const pk::DeviceInfo& info = *pk::deviceInfo(type);
        device.CurrentType = type;
        device.ProgLastAddr = info.progLastAddr;
        device.DataLastAddr = info.dataLastAddr;
        std::uint32_t x = 12345;
        for (std::int32_t a = 0; a <= info.progLastAddr; ++a) {
            x = x * 1103515245u + 12345u;
            // Never the erased value, so every word is programmed.
            image.HexWords[static_cast<std::size_t>(a)] =
                static_cast<std::uint16_t>((x >> 8) & 0x3FFE);
        }
        for (std::int32_t n = 0; n <= info.dataLastAddr; ++n) {
            image.HexWords[static_cast<std::size_t>(0x2100 + n)] =
                static_cast<std::uint16_t>(n ^ 0x5A);
        }
        image.HexLoaded = true;
        link.Anfang();
    }

    pk::BurnOptions options() const {
        pk::BurnOptions o;
        o.configWord = pk::testfacts::plainConfig(device.CurrentType);
        o.ids = std::array<std::int32_t, 4>{1, 2, 3, 4};
        return o;
    }
};

// What the frames sent cost at least. `bits` counts every clock at 2 µs. A
// port cannot do a read clock that cheap: `accesses` counts what each clock
// needs, 1 µs each: two writes for a clock the PC drives (the edge with its
// data bit, the edge back), three for one it reads (edge, sample, edge back).
struct FrameFloor {
    double bitsS = 0;
    double accessS = 0;
    void add(std::int64_t written, std::int64_t read) {
        bitsS += static_cast<double>(written + read) * 2e-6;
        accessS += static_cast<double>(2 * written + 3 * read) * 1e-6;
    }
};

// The counters every burn-and-verify line prints.
void setCounters(benchmark::State& state, bool clean, double burnS, double verifyS, double floorS,
                 const FrameFloor& frames, int entries) {
    if (!clean) {
        state.SkipWithError("burn or verify failed, or the simulator logged a violation");
    }
    const double total = burnS + verifyS;
    state.counters["burn_s"] = burnS;
    state.counters["verify_s"] = verifyS;
    state.counters["total_s"] = total;
    state.counters["floor_s"] = floorS;
    state.counters["total_over_floor"] = floorS > 0 ? total / floorS : 0;
    state.counters["bits_s"] = frames.bitsS;
    state.counters["total_over_floor_bits"] = floorS > 0 ? total / (floorS + frames.bitsS) : 0;
    state.counters["access_s"] = frames.accessS;
    state.counters["total_over_floor_access"] = floorS > 0 ? total / (floorS + frames.accessS) : 0;
    state.counters["entries"] = entries;
}

void BM_BurnAndVerify(benchmark::State& state, const std::string& name, pk::TimingMode timing) {
    double burnS = 0;
    double verifyS = 0;
    double floorS = 0;
    FrameFloor frames;
    int entries = 0;
    bool clean = true;
    for (auto _ : state) {
        state.PauseTiming();
        auto board = std::make_unique<Board>(name.c_str(), timing);
        board->circuit.log().clear();
        state.ResumeTiming();

        const nanoseconds t0 = board->clock.monotonic();
        const bool burnt = pk::burn(board->session, board->options()).ok();
        const nanoseconds t1 = board->clock.monotonic();
        const nanoseconds cycles = board->chip->cycleTime();
        const bool same = pk::verify(board->session, board->options()).ok();
        const nanoseconds t2 = board->clock.monotonic();

        state.PauseTiming();
        clean = clean && burnt && same && board->circuit.log().violations().empty();
        burnS = std::chrono::duration<double>(t1 - t0).count();
        verifyS = std::chrono::duration<double>(t2 - t1).count();
        floorS = std::chrono::duration<double>(cycles).count();
        frames = {};
        for (const auto& c : board->circuit.log().commands()) {
            // Load commands carry a 16-bit frame the PC writes, read commands one it reads.
            const bool load = c.code == 0 || c.code == 2 || c.code == 3;
            const bool read = c.code == 4 || c.code == 5;
            frames.add(6 + (load ? 16 : 0), read ? 16 : 0);
        }
        entries = board->circuit.log().modeEntries();
        board.reset();
        state.ResumeTiming();
    }
    setCounters(state, clean, burnS, verifyS, floorS, frames, entries);
}

// A full 18F4550 (32 KB, IDs, 256 EEPROM bytes) in the data-sheet timing; the
// floor is the chip's own cycles at their documented times.
void BM_BurnAndVerify18F4550(benchmark::State& state) {
    double burnS = 0;
    double verifyS = 0;
    double floorS = 0;
    FrameFloor frames;
    int entries = 0;
    bool clean = true;
    for (auto _ : state) {
        state.PauseTiming();
        pk::VirtualClock clock;
        pk::sim::SimCircuit circuit{clock, {1, 1}, 1};
        pk::ScriptedDialog dialog;
        pk::ProgrammerSettings settings;
        settings.Timing = pk::TimingMode::DataSheet;
        // The 18F4550 takes at most 12.5 V on MCLR.
        settings.VppTenths = 120;
        circuit.setVpp(1200);
        std::int32_t portBase = pk::kLpt1;
        pk::ProgrammerLink link{circuit, clock, dialog, settings, portBase};
        pk::ErrorCounters errors;
        pk::RecordingReporter report;
        pk::P18Ops ops{link, clock, settings, errors, report};
        pk::sim::SimChip* chip =
            circuit.insertChip(std::make_unique<pk::sim::SimChip>(*pk::sim::findChip("18F4550")));
        const pk::P18Device& device = *pk::p18ByName("18f4550");
        pk::ByteImage image(pk::p18Regions(device));
        std::uint32_t x = 12345;
        const auto fill = [&](pk::ByteArea a) {
            for (std::uint16_t& b : image.area(image.HexBytes, a)) {
                x = x * 1103515245u + 12345u;
                b = static_cast<std::uint16_t>((x >> 8) & 0xFE);
            }
        };
        fill(pk::ByteArea::Program);
        fill(pk::ByteArea::Id);
        fill(pk::ByteArea::Eeprom);
        image.HexLoaded = true;
        link.Anfang();
        state.ResumeTiming();

        const auto t0 = clock.monotonic();
        const bool burnt = ops.burn(device, image).ok();
        const auto t1 = clock.monotonic();
        const auto cycles = chip->cycleTime();
        const bool same = ops.verify(device, image).ok();
        const auto t2 = clock.monotonic();

        state.PauseTiming();
        clean = clean && burnt && same && circuit.log().violations().empty();
        burnS = std::chrono::duration<double>(t1 - t0).count();
        verifyS = std::chrono::duration<double>(t2 - t1).count();
        floorS = std::chrono::duration<double>(cycles).count();
        // Every PIC18F command is a 20-clock frame; a read's last 8 clocks are read.
        frames = {};
        for (const auto& c : circuit.log().commands()) {
            const bool read = c.code == 0b0010 || (c.code >= 0b1000 && c.code <= 0b1011);
            frames.add(read ? 12 : 20, read ? 8 : 0);
        }
        entries = circuit.log().modeEntries();
        state.ResumeTiming();
    }
    setCounters(state, clean, burnS, verifyS, floorS, frames, entries);
}
BENCHMARK(BM_BurnAndVerify18F4550)
    ->Name("BurnAndVerify/18F4550/datasheet")
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1);

void registerAll() {
    for (const pk::DeviceInfo& row : pk::kDevices) {
        // The row's first chip with a device ID, by the name its switch gives.
        std::string name;
        for (std::string_view sw : row.switches) {
            if (!sw.empty() && sw != "/p16f84") {
                name = std::string(sw.substr(2));
                break;
            }
        }
        for (char& c : name) {
            c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        }
        for (const auto& [timing, label] : {std::pair{pk::TimingMode::Classic, "classic"},
                                            std::pair{pk::TimingMode::DataSheet, "datasheet"}}) {
            const std::string title = "BurnAndVerify/" + name + "/" + label;
            const pk::TimingMode t = timing;
            benchmark::RegisterBenchmark(
                title.c_str(),
                [name, t](benchmark::State& state) { BM_BurnAndVerify(state, name, t); })
                ->Unit(benchmark::kMillisecond)
                ->Iterations(1);
        }
    }
}

const int registered = (registerAll(), 0);

}  // namespace
