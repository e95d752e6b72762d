// The fixed-band read of DEC2D_Main on a 640 x 480 frame: band geometry,
// averaged scan lines, run-length conversion and the candidate walk through
// the trial table, for a frame with a Code 128 symbol across the centre, a
// blank frame, and a frame of noise (the most candidate runs).
#include <benchmark/benchmark.h>

#include <memory>
#include <new>

#include "config/configuration_manager.h"
#include "decoder/core/dec2d_entry.h"
#include "decoder/core/property/dec2d_property.h"
#include "decoder/two_dimension_decoder.h"
#include "decoder/linear/bar_code_decoder.h"
#include "decoder/linear/bar_code_decoder_wiring.h"
#include "tests/support/frame.h"
#include "tests/support/symbol_renderer.h"

namespace {

using namespace DEC2DIvra;

struct Reader {
    ivra_configuration::ConfigurationManager manager;
    std::unique_ptr<DEC2DProperty> property = std::make_unique<DEC2DProperty>(manager.Root());
    std::unique_ptr<TwoDimensionDecoder> handle{new (std::nothrow) TwoDimensionDecoder(property.get())};
    BarCodeDecoder* frame = handle ? InstallBarCodeDecoder(*handle) : nullptr;

    Reader()
    {
        // No length restriction for Code 128, as its key is described.
        ivra_configuration::FixedLength any{};
        any.maximum = ivra_configuration::FixedLength::kNoMaximum;
        manager.Root().fixed_length.code128.Set(any);
        DEC2D_ImplementFormatter(handle.get(), nullptr, nullptr, nullptr,
                                 [](void*, tagDecodedLabel const*) { return true; });
    }
};

void Run(benchmark::State& state, support::Frame const& frame)
{
    static Reader reader;
    if (reader.frame == nullptr) {
        state.SkipWithError("the linear frame could not be built");
        return;
    }
    tagDecodeOption option = MakeDefaultDecodeOption(frame.width, frame.height);
    option.readMode = kFixedBandReadMode;
    int labels = 0;
    for (auto _ : state) {
        DEC2D_OnTriggerDown(reader.handle.get());
        labels += DEC2D_Main(reader.handle.get(), frame.width, frame.height, frame.width, frame.pixels.data(),
                             &option);
    }
    state.counters["labels"] = benchmark::Counter(labels, benchmark::Counter::kAvgIterations);
}

void BM_FixedBandCode128(benchmark::State& state)
{
    support::RenderOptions options;
    options.moduleSize = 2.0;
    options.blur = 0.6;
    options.noise = 8.0;
    static support::Rendering const rendering =
        support::render({.symbology = BARCODE_CODE128, .data = "FIXED-BAND 0123456789"}, options);
    Run(state, rendering.frame);
}

void BM_FixedBandBlank(benchmark::State& state)
{
    static support::Frame const frame = support::makeFrame();
    Run(state, frame);
}

void BM_FixedBandNoise(benchmark::State& state)
{
    static support::Frame const frame = [] {
        support::Frame f = support::makeFrame();
        support::applyNoise(f, 200.0, 7);
        return f;
    }();
    Run(state, frame);
}

BENCHMARK(BM_FixedBandCode128);
BENCHMARK(BM_FixedBandBlank);
BENCHMARK(BM_FixedBandNoise);

}  // namespace

BENCHMARK_MAIN();
