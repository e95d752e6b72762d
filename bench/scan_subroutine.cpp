// Run-length conversion of one 640-pixel scan line across a rendered Code 128
// symbol: clean, blurred and noisy, and a flat line that is refused early.

#include <benchmark/benchmark.h>

#include <vector>

#include "decoder/core/gray_image.h"
#include "decoder/core/geometry/line_segment.h"
#include "decoder/core/geometry/ptr_line_segment.h"
#include "decoder/core/containers/stack_interface.h"
#include "decoder/linear/roads/pick_line_subroutine.h"
#include "decoder/linear/roads/scan_subroutine.h"
#include "tests/support/symbol_renderer.h"

using namespace DEC2DIvra;

namespace {

struct Line {
    std::vector<PickLineElement> samples;
};

Line SampleFrameRow(support::RenderOptions const& options, bool flat)
{
    support::SymbolInput input;
    input.data = "Bench 0123456789";
    support::Rendering const r = support::render(input, options);
    std::vector<unsigned short> pixels(r.frame.pixels.begin(), r.frame.pixels.end());
    if (flat) {
        pixels.assign(pixels.size(), 512);
    }
    GrayImage const image(r.frame.width, r.frame.height, r.frame.width, pixels.data());
    Line line;
    line.samples.resize(static_cast<size_t>(r.frame.width));
    StackInterface<PickLineElement> stack(line.samples.data(), static_cast<unsigned>(line.samples.size()));
    PtrLineSegment walk;
    int const y = r.frame.height / 2;
    if (walk.Set(image, LineSegment{{0, y}, {r.frame.width - 1, y}})) {
        PickLineSubroutine const pick(stack, 4);
        pick.Start(image, walk);
    }
    line.samples.resize(stack.GetCount());
    return line;
}

void Scan(benchmark::State& state, support::RenderOptions options, bool flat)
{
    Line line = SampleFrameRow(options, flat);
    std::vector<unsigned char> work(ScanSubroutine::kWorkBytes);
    ScanSubroutine const scan(VirtualArray<unsigned char>(work.data(), static_cast<unsigned>(work.size())));
    std::vector<ScanElement> runs(4096);
    StackInterface<ScanElement> out(runs.data(), static_cast<unsigned>(runs.size()));
    StackInterface<PickLineElement> in(line.samples.data(), static_cast<unsigned>(line.samples.size()));
    in.SetCount(static_cast<unsigned>(line.samples.size()));
    bool falseEdge = false;
    unsigned step = 0;
    for (auto _ : state) {
        bool const ok = scan.Start(GrayImage(), in, out, true, 16, falseEdge, step);
        benchmark::DoNotOptimize(ok);
        benchmark::DoNotOptimize(out.GetCount());
    }
    state.counters["runs"] = static_cast<double>(out.GetCount());
    state.counters["samples"] = static_cast<double>(line.samples.size());
    state.SetItemsProcessed(state.iterations() * static_cast<long long>(line.samples.size()));
}

support::RenderOptions Options(double moduleSize, double blur, double noise)
{
    support::RenderOptions o;
    o.moduleSize = moduleSize;
    o.blur = blur;
    o.noise = noise;
    return o;
}

}  // namespace

BENCHMARK_CAPTURE(Scan, clean_2px, Options(2.0, 0.0, 0.0), false);
BENCHMARK_CAPTURE(Scan, blurred_noisy_2px, Options(2.0, 0.8, 8.0), false);
BENCHMARK_CAPTURE(Scan, noisy_3px, Options(3.0, 0.5, 16.0), false);
BENCHMARK_CAPTURE(Scan, flat_line, Options(2.0, 0.0, 0.0), true);

BENCHMARK_MAIN();
