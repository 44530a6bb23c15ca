// The viewers rebuild their whole content on every activation of their window, so
// both must stay well below what a user notices (goal: under 20 ms each).

#include <benchmark/benchmark.h>

#include "viewers/memory_map.h"
#include "viewers/reassembler.h"

namespace {

// A full 8K program with a realistic mix: byte and bit operations, calls, jumps,
// RETLW tables, some invalid words.
pk::MemoryImage fullImage() {
    pk::MemoryImage image;
    std::uint32_t x = 12345;
    for (std::size_t a = 0; a < 0x2000; ++a) {
        x = x * 1103515245u + 12345u;
        image.HexWords[a] = static_cast<std::uint16_t>((x >> 8) & 0x3FFF);
    }
    for (std::size_t a = 0x2100; a < 0x2200; ++a) {
        image.HexWords[a] = static_cast<std::uint16_t>(a & 0xFF);
    }
    image.HexWords[pk::MemoryImage::ConfigAddr] = 0x3F72;
    image.HexFileName = "/home/user/projects/full_program.hex";
    return image;
}

void BM_ListingFull8K(benchmark::State& state) {
    const pk::MemoryImage image = fullImage();
    pk::Reassembler r;
    for (auto _ : state) {
        std::string text = r.run(image, 0x1FFF);
        benchmark::DoNotOptimize(text.data());
    }
}
BENCHMARK(BM_ListingFull8K)->Unit(benchmark::kMillisecond);

void BM_MemoryMapFull(benchmark::State& state) {
    const pk::MemoryImage image = fullImage();
    const pk::DeviceState device{pk::Dev16F876_877, 0x1FFF, 0xFF, false};
    for (auto _ : state) {
        pk::MemoryMap map = pk::computeMemoryMap(image, device);
        benchmark::DoNotOptimize(map.pages[0].pixels.data());
    }
}
BENCHMARK(BM_MemoryMapFull)->Unit(benchmark::kMillisecond);

}  // namespace
