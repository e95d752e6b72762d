// Each pre-filter over a 640 x 480 frame, at a small, a usual and the largest
// window: the cost per frame should not grow with the window.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <random>
#include <vector>

#include "decoder/core/property/pre_filter.h"

namespace {

using DEC2DIvra::PreFilter;
using DEC2DIvra::PreFilterImage;
using DEC2DIvra::VirtualArray;

constexpr int kWidth = 640;
constexpr int kHeight = 480;

std::vector<unsigned short> const& Source()
{
    static std::vector<unsigned short> const source = [] {
        std::vector<unsigned short> frame(static_cast<std::size_t>(kWidth) * kHeight);
        std::mt19937 random(1);
        std::uniform_int_distribution<unsigned> value(0, 1023);
        for (unsigned short& sample : frame) {
            sample = static_cast<unsigned short>(value(random));
        }
        return frame;
    }();
    return source;
}

template <bool (*Filter)(PreFilterImage const&, unsigned, unsigned, VirtualArray<unsigned char>)>
void BM_Filter(benchmark::State& state)
{
    unsigned const diameter = static_cast<unsigned>(state.range(0));
    std::vector<unsigned short> frame = Source();
    std::vector<unsigned char> scratch(PreFilter::CalcScratchBytes(kWidth, kHeight));
    VirtualArray<unsigned char> const area(scratch.data(), static_cast<unsigned>(scratch.size()));
    PreFilterImage const image{frame.data(), kWidth, kHeight, kWidth};
    for (auto _ : state) {
        // Start from the same frame each time; the copy is part of the figure.
        frame = Source();
        bool const ok = Filter(image, diameter, diameter, area);
        benchmark::DoNotOptimize(ok);
        benchmark::DoNotOptimize(frame.data());
    }
    state.SetItemsProcessed(state.iterations() * kWidth * kHeight);
    state.counters["scratch_bytes"] = static_cast<double>(scratch.size());
}

void BM_Copy(benchmark::State& state)
{
    std::vector<unsigned short> frame = Source();
    for (auto _ : state) {
        frame = Source();
        benchmark::DoNotOptimize(frame.data());
    }
    state.SetItemsProcessed(state.iterations() * kWidth * kHeight);
}

}  // namespace

BENCHMARK(BM_Copy);
BENCHMARK_TEMPLATE(BM_Filter, PreFilter::Minimum)->Name("BM_Minimum")->Arg(3)->Arg(7)->Arg(31);
BENCHMARK_TEMPLATE(BM_Filter, PreFilter::Maximum)->Name("BM_Maximum")->Arg(3)->Arg(7)->Arg(31);
BENCHMARK_TEMPLATE(BM_Filter, PreFilter::Mean)->Name("BM_Mean")->Arg(3)->Arg(7)->Arg(31);

BENCHMARK_MAIN();
