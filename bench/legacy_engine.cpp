// The legacy matrix engine (MaxiCode, Han Xin) on frames that hold neither:
// linear symbols, QR Codes, Data Matrix and PDF417 at random sizes and
// angles, and cluttered scenes. A table counts, over 1,000 such frames
// scanned every 8 rows across the whole width with every stage of the
// engine on, the finders the engine reported (none is right) and the
// candidates its common finder search handed to a symbology's own check;
// then the benchmarks time the engine per frame.
//
//   bench_legacy_engine                 table, then the benchmarks
//   bench_legacy_engine --table-only    table only
//   bench_legacy_engine --no-table      benchmarks only

#include <benchmark/benchmark.h>

#include <chrono>
#include <memory>
#include <new>
#include <cstdio>
#include <cstring>
#include <string>

#include "config/configuration_manager.h"
#include "decoder/core/dec2d_entry.h"
#include "decoder/core/gray_image.h"
#include "decoder/core/property/dec2d_property.h"
#include "decoder/two_dimension_decoder.h"
#include "decoder/legacy/engine/legacy_common_finder.h"
#include "decoder/legacy/engine/legacy_driver.h"
#include "decoder/legacy/engine/legacy_engine_gray_image.h"
#include "decoder/legacy/engine/legacy_result.h"
#include "decoder/legacy/engine/old_matrix_decoder.h"
#include "tests/decoder/core/code_searcher_scenes.h"
#include "tests/support/random.h"
#include "tests/support/symbol_renderer.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr unsigned kFrames = 1000;  // LEGACY_FRAMES overrides
constexpr int kRowStep = 8;

struct Pass {
    unsigned reads = 0;       // a MaxiCode or Han Xin finder led to a filed read
    unsigned finders = 0;     // passes in which a finder of a live symbology was met
    unsigned candidates = 0;  // handed to a symbology's finder check
    double milliseconds = 0;
};

// One frame through the engine: a line pass every kRowStep rows with
// MaxiCode, Han Xin and the further finder all enabled.
Pass RunEngine(DEC2DIvra::OldMatrixDecoder& engine, support::Frame const& frame)
{
    Pass pass;
    DEC2DIvra::GrayImage const image(frame.width, frame.height, frame.width, frame.pixels.data());
    int const before = COM_get_candidate_count();
    Clock::time_point const start = Clock::now();
    engine.OnNewImage(image);
    for (int y = kRowStep; y + 2 * 4 < frame.height; y += kRowStep) {
        NEW_DECODE_INFO_st info{};
        DECODE_EXEC_STATUS_st handled{};
        tagGrayImage_t* record = nullptr;
        InitializeGrayImage(&record, const_cast<unsigned short*>(frame.pixels.data()),
                            static_cast<unsigned>(frame.width), static_cast<unsigned>(frame.height),
                            static_cast<unsigned>(frame.width), &info, &handled, 5);
        info.enables.flag[kLegacyFlagMaxi] = 1;
        info.enables.flag[kLegacyFlagAztec] = 1;
        info.enables.flag[kLegacyFlagHanXin] = 1;
        int corners[8] = {};
        decodePhase = 0;
        if (TryDecodeOnLineEx(0, record, 0, y, frame.width - 1, y, corners) == 0) {
            ++pass.reads;
        }
        pass.finders += decodePhase == 1 ? 1u : 0u;
    }
    pass.milliseconds = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
    pass.candidates = static_cast<unsigned>(COM_get_candidate_count() - before);
    return pass;
}

support::Frame MakeFrame(unsigned index)
{
    static int const kSymbologies[] = {BARCODE_CODE128, BARCODE_EANX,   BARCODE_CODE39,     BARCODE_C25INTER,
                                       BARCODE_QRCODE,  BARCODE_PDF417, BARCODE_DATAMATRIX, 0};
    static char const* const kData[] = {"LEGACY-0123456789", "501234567890", "CODE39 FRAME", "12345678901234",
                                        "https://example.com/legacy", "PDF417 LEGACY FRAME", "DM LEGACY 0123"};
    support::Random random(1000 + index);
    int const kind = static_cast<int>(index % 8);
    if (kSymbologies[kind] == 0) {
        return searcher_scenes::MakeEmptyFrame(index);
    }
    support::SymbolInput input;
    input.symbology = kSymbologies[kind];
    input.data = kData[kind];
    support::RenderOptions options;
    options.moduleSize = kind >= 4 ? 2.5 + random.uniform(0.0, 4.0) : 1.5 + random.uniform(0.0, 2.5);
    options.angle = random.uniform(0.0, 360.0);
    options.noise = random.uniform(0.0, 12.0);
    options.blur = random.uniform(0.0, 1.0);
    options.seed = index;
    return support::render(input, options).frame;
}

void PrintTable()
{
    static char const* const kNames[] = {"Code 128", "EAN-13",      "Code 39",    "Interleaved 2 of 5",
                                         "QR Code",  "PDF417",      "Data Matrix", "clutter"};
    DEC2DIvra::OldMatrixDecoder engine;
    Pass totals[8];
    unsigned frames[8] = {};
    double worst = 0;
    for (unsigned i = 0; i < kFrames; ++i) {
        support::Frame const frame = MakeFrame(i);
        Pass const pass = RunEngine(engine, frame);
        unsigned const k = i % 8;
        ++frames[k];
        totals[k].reads += pass.reads;
        totals[k].finders += pass.finders;
        totals[k].candidates += pass.candidates;
        totals[k].milliseconds += pass.milliseconds;
        worst = pass.milliseconds > worst ? pass.milliseconds : worst;
    }
    std::printf("%-20s %7s %7s %12s %11s %12s\n", "frames of", "frames", "reads", "finder met", "candidates",
                "ms / frame");
    for (unsigned k = 0; k < 8; ++k) {
        std::printf("%-20s %7u %7u %12u %11u %12.3f\n", kNames[k], frames[k], totals[k].reads, totals[k].finders,
                    totals[k].candidates, totals[k].milliseconds / frames[k]);
    }
    std::printf("(each frame: %d line passes, every %d rows across the whole width; worst frame %.3f ms)\n",
                (480 - 8) / kRowStep, kRowStep, worst);
}

void Run(benchmark::State& state, support::Frame const& frame)
{
    static DEC2DIvra::OldMatrixDecoder engine;
    for (auto _ : state) {
        benchmark::DoNotOptimize(RunEngine(engine, frame).reads);
    }
}

// The whole decoder as the application runs it, with every symbology on:
// what the engine adds is its share of the searcher's stages.
class EveryStage {
public:
    explicit EveryStage(bool legacy)
    {
        auto& read = manager_.Root().read;
        for (auto* key : {&read.qr_code, &read.micro_qr, &read.aztec_code, &read.data_matrix, &read.pdf417,
                          &read.micro_pdf417, &read.dot_code}) {
            key->Set(true);
        }
        read.maxi_code.Set(legacy);
        read.chinese_sensible_code.Set(legacy);
        if (handle_ != nullptr) {
            DEC2D_ImplementFormatter(handle_.get(), this, nullptr, nullptr,
                                     [](void*, tagDecodedLabel const*) { return true; });
        }
    }
    bool IsReady() const { return handle_ != nullptr; }
    void Read(support::Frame const& frame)
    {
        DEC2D_OnTriggerDown(handle_.get());
        DEC2D_Main(handle_.get(), frame.width, frame.height, frame.width, frame.pixels.data(), nullptr);
    }

private:
    ivra_configuration::ConfigurationManager manager_;
    std::unique_ptr<DEC2DIvra::DEC2DProperty> property_ =
        std::make_unique<DEC2DIvra::DEC2DProperty>(manager_.Root());
    std::unique_ptr<DEC2DIvra::TwoDimensionDecoder> handle_{new (std::nothrow)
                                                                DEC2DIvra::TwoDimensionDecoder(property_.get())};
};

void RunHandle(benchmark::State& state, support::Frame const& frame)
{
    static EveryStage withEngine(true);
    static EveryStage withoutEngine(false);
    EveryStage& reader = state.range(0) != 0 ? withEngine : withoutEngine;
    if (!reader.IsReady()) {
        state.SkipWithError("the decoder handle could not be built");
        return;
    }
    for (auto _ : state) {
        reader.Read(frame);
    }
}

void BM_SearchBlankEveryStage(benchmark::State& state)
{
    static support::Frame const frame = support::makeFrame();
    RunHandle(state, frame);
}

void BM_SearchNoiseAndClutterEveryStage(benchmark::State& state)
{
    static support::Frame const frame = searcher_scenes::MakeEmptyFrame(7);
    RunHandle(state, frame);
}

void BM_LegacyEngineBlank(benchmark::State& state)
{
    static support::Frame const frame = support::makeFrame();
    Run(state, frame);
}

void BM_LegacyEngineNoiseAndClutter(benchmark::State& state)
{
    static support::Frame const frame = searcher_scenes::MakeEmptyFrame(7);
    Run(state, frame);
}

// Argument 1: MaxiCode and Han Xin on as well; 0: every other stage only.
BENCHMARK(BM_SearchBlankEveryStage)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SearchNoiseAndClutterEveryStage)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LegacyEngineBlank)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LegacyEngineNoiseAndClutter)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv)
{
    bool table = true;
    bool benches = true;
    for (int i = 1; i < argc; ++i) {
        table = table && std::strcmp(argv[i], "--no-table") != 0;
        benches = benches && std::strcmp(argv[i], "--table-only") != 0;
    }
    if (table) {
        PrintTable();
    }
    if (benches) {
        benchmark::Initialize(&argc, argv);
        benchmark::RunSpecifiedBenchmarks();
        benchmark::Shutdown();
    }
    return 0;
}
