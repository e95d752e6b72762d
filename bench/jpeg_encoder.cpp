// The firmware's JPEG encoder beside libjpeg's on a 640 x 480 camera frame: time per
// frame, and bytes per quality setting (counter "bytes").
#include "app/device_commands/too_jpeg.h"
#include "tests/support/jpeg_oracle.h"
#include "tests/support/symbol_renderer.h"

#include <benchmark/benchmark.h>

#include <vector>

namespace {

std::vector<std::uint8_t> const& frame()
{
    static std::vector<std::uint8_t> const grey = [] {
        auto rendering = support::render({.symbology = BARCODE_CODE128, .data = "BENCH-640x480"},
                                         {.moduleSize = 2.0, .angle = 20});
        std::vector<std::uint8_t> bytes;
        for (auto sample : rendering.frame.pixels) {
            bytes.push_back(static_cast<std::uint8_t>(sample >> 2));
        }
        bytes.resize(640 * 480, 128);
        return bytes;
    }();
    return grey;
}

void Firmware(benchmark::State& state)
{
    auto const quality = static_cast<unsigned char>(state.range(0));
    std::vector<std::uint8_t> out;
    out.reserve(640 * 480);
    for (auto _ : state) {
        out.clear();
        TooJpeg::writeJpeg([&out](unsigned char b) { out.push_back(b); }, frame().data(), 640, 480, false, quality);
        benchmark::DoNotOptimize(out.data());
    }
    state.counters["bytes"] = static_cast<double>(out.size());
    state.counters["PSNR"] = support::psnr(support::decodeJpeg(out).pixels, frame());
}

void Libjpeg(benchmark::State& state)
{
    int const quality = static_cast<int>(state.range(0));
    std::vector<std::uint8_t> out;
    for (auto _ : state) {
        out = support::encodeGreyJpeg(frame(), 640, 480, quality);
        benchmark::DoNotOptimize(out.data());
    }
    state.counters["bytes"] = static_cast<double>(out.size());
    state.counters["PSNR"] = support::psnr(support::decodeJpeg(out).pixels, frame());
}

BENCHMARK(Firmware)->Arg(10)->Arg(25)->Arg(50)->Arg(75)->Arg(90)->Arg(100)->Unit(benchmark::kMillisecond);
BENCHMARK(Libjpeg)->Arg(10)->Arg(25)->Arg(50)->Arg(75)->Arg(90)->Arg(100)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
