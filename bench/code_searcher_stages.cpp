// The symbol locator stage by stage on 640 x 480 frames of four kinds: no
// symbol, clutter without a symbol, one Code 128 symbol, one QR Code symbol.
// For each kind, the median milliseconds of each stage over every frame and
// repeat (the bar regions are found in the linear stage, the one pass over
// sampled rows in "row pass", before the matrix stages), and the median of
// the whole DEC2D_Main. Two settings: the factory settings, and every 2D
// symbology on (every stage runs). The 2D decoders behind the stages read
// nothing yet, so the figures are the locator's own cost.
//
//   bench_code_searcher_stages                     table, then the benchmarks
//   bench_code_searcher_stages --table-only
//   bench_code_searcher_stages --table-only IMAGE...  one row per image file
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <memory>
#include <new>
#include <optional>
#include <string>
#include <vector>

#include "config/configuration_manager.h"
#include "decoder/core/location/code_searcher_engine.h"
#include "decoder/core/dec2d_entry.h"
#include "decoder/core/property/dec2d_property.h"
#include "decoder/two_dimension_decoder.h"
#include "tests/decoder/core/code_searcher_scenes.h"
#include "tests/support/image_file.h"

namespace {

using namespace DEC2DIvra;
using Clock = std::chrono::steady_clock;

constexpr unsigned kFramesPerKind = 8;
constexpr unsigned kRepeats = 15;

class Refusing final : public LabelOutlet {
public:
    bool Offer(DecodedLabel const&) override { return false; }
};

bool Refuse(void*, tagDecodedLabel const*) { return false; }

struct Reader {
    explicit Reader(bool all2D)
    {
        if (all2D) {
            auto& root = manager.Root();
            for (auto* key : {&root.read.qr_code, &root.read.micro_qr, &root.read.aztec_code, &root.read.aztec_runes,
                              &root.read.maxi_code, &root.read.chinese_sensible_code, &root.read.data_matrix,
                              &root.read.data_matrix_ecc000_140, &root.read.pdf417, &root.read.micro_pdf417,
                              &root.read.dot_code}) {
                key->Set(true);
            }
        }
        handle.reset(new (std::nothrow) TwoDimensionDecoder(property.get()));
        DEC2D_ImplementFormatter(handle.get(), nullptr, nullptr, nullptr, &Refuse);
    }

    ivra_configuration::ConfigurationManager manager;
    std::unique_ptr<DEC2DProperty> property = std::make_unique<DEC2DProperty>(manager.Root());
    std::unique_ptr<TwoDimensionDecoder> handle;
};

struct Kind {
    std::string name;
    std::vector<support::Frame> frames;
};

std::vector<Kind> MakeKinds()
{
    std::vector<Kind> kinds(4);
    kinds[0].name = "no symbol";
    kinds[1].name = "clutter";
    kinds[2].name = "one Code 128";
    kinds[3].name = "one QR Code";
    for (unsigned i = 0; kinds[0].frames.size() < kFramesPerKind; ++i) {
        kinds[0].frames.push_back(searcher_scenes::MakeEmptyFrame(4 * i));
    }
    for (unsigned i = 0; kinds[1].frames.size() < kFramesPerKind; ++i) {
        if (i % 4 != 0) {
            kinds[1].frames.push_back(searcher_scenes::MakeEmptyFrame(i));
        }
    }
    for (unsigned i = 0; kinds[2].frames.size() < kFramesPerKind; ++i) {
        searcher_scenes::Scene const s = searcher_scenes::MakeScene({.name = "", .module = 2.0}, i * 9);
        if (s.ok) {
            kinds[2].frames.push_back(s.frame);
        }
    }
    static char const* const kTexts[] = {"QR", "HELLO QR", "0123456789", "https://example.com/x"};
    for (unsigned i = 0; kinds[3].frames.size() < kFramesPerKind; ++i) {
        support::Rendering const r = support::render({.symbology = BARCODE_QRCODE, .data = kTexts[i % 4]},
                                                     {.moduleSize = 3.0 + i % 3, .angle = 37.0 * i, .noise = 6});
        if (r.symbol.ok) {
            kinds[3].frames.push_back(r.frame);
        }
    }
    return kinds;
}

double Median(std::vector<double> v)
{
    if (v.empty()) {
        return 0.0;
    }
    std::nth_element(v.begin(), v.begin() + static_cast<long>(v.size() / 2), v.end());
    return v[v.size() / 2];
}

double Ms(Clock::time_point a, Clock::time_point b) { return std::chrono::duration<double, std::milli>(b - a).count(); }

// Columns: linear, stacked, row pass, QR, bull's-eye, L, Han Xin, dots, sum, DEC2D_Main.
constexpr unsigned kColumns = 10;

void Table(bool all2D, std::vector<Kind> const& kinds)
{
    Reader reader(all2D);
    auto& engine = *static_cast<CodeSearcherEngine*>(reader.handle->GetCodeSearcher());
    DecoderSet const& decoders = reader.handle->GetDecoderSet();
    auto label = std::make_unique<DecodedLabel>();
    Refusing refusing;
    std::printf("\n%s\n", all2D ? "every 2D symbology on" : "factory settings");
    std::printf("%-14s %7s %7s %7s %7s %7s %7s %7s %7s %7s %9s\n", "frames", "linear", "stacked", "rows", "QR",
                "eye", "L", "HanXin", "dots", "sum", "DEC2D_Main");
    for (Kind const& kind : kinds) {
        std::vector<double> columns[kColumns];
        for (unsigned repeat = 0; repeat < kRepeats; ++repeat) {
            for (support::Frame const& frame : kind.frames) {
                GrayImage const image(frame.width, frame.height, frame.width, frame.pixels.data());
                tagDecodeOption const option = MakeDefaultDecodeOption(frame.width, frame.height);
                double times[kColumns] = {};
                engine.BeginImage();
                auto stage = [&](CodeSearchStage s, unsigned column) {
                    Clock::time_point const a = Clock::now();
                    engine.RunStage(s, image, option, decoders, *label, refusing);
                    times[column] = Ms(a, Clock::now());
                };
                stage(CodeSearchStage::kLinear, 0);
                stage(CodeSearchStage::kStacked, 1);
                Clock::time_point const a = Clock::now();
                engine.FindMatrixCandidates(image, option, decoders, CodeSearchStage::kQRFinder);
                engine.FindMatrixCandidates(image, option, decoders, CodeSearchStage::kBullsEye);
                engine.FindMatrixCandidates(image, option, decoders, CodeSearchStage::kLPattern);
                times[2] = Ms(a, Clock::now());
                stage(CodeSearchStage::kQRFinder, 3);
                stage(CodeSearchStage::kBullsEye, 4);
                stage(CodeSearchStage::kLPattern, 5);
                stage(CodeSearchStage::kHanXinFinder, 6);
                stage(CodeSearchStage::kDot, 7);
                for (unsigned c = 0; c < 8; ++c) {
                    times[8] += times[c];
                }
                Clock::time_point const m = Clock::now();
                DEC2D_OnTriggerDown(reader.handle.get());
                DEC2D_Main(reader.handle.get(), frame.width, frame.height, frame.width, frame.pixels.data(), nullptr);
                times[9] = Ms(m, Clock::now());
                for (unsigned c = 0; c < kColumns; ++c) {
                    columns[c].push_back(times[c]);
                }
            }
        }
        std::printf("%-14s", kind.name.c_str());
        for (unsigned c = 0; c < kColumns; ++c) {
            std::printf(c + 1 == kColumns ? " %9.3f" : " %7.3f", Median(columns[c]));
        }
        std::printf("\n");
    }
}

std::vector<Kind>& Kinds()
{
    static std::vector<Kind> kinds = MakeKinds();
    return kinds;
}

void Main(benchmark::State& state, bool all2D, unsigned kind)
{
    Reader reader(all2D);
    std::vector<support::Frame> const& frames = Kinds()[kind].frames;
    unsigned i = 0;
    for (auto _ : state) {
        support::Frame const& frame = frames[i++ % frames.size()];
        DEC2D_OnTriggerDown(reader.handle.get());
        benchmark::DoNotOptimize(
            DEC2D_Main(reader.handle.get(), frame.width, frame.height, frame.width, frame.pixels.data(), nullptr));
    }
}

}  // namespace

int main(int argc, char** argv)
{
    bool tableOnly = false;
    std::vector<Kind> files;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--table-only") == 0) {
            tableOnly = true;
        } else if (argv[i][0] != '-') {
            std::optional<support::Frame> frame = support::readImage(argv[i]);
            if (!frame) {
                std::fprintf(stderr, "%s: not an image\n", argv[i]);
                return 1;
            }
            files.push_back(Kind{argv[i], {*frame}});
        }
    }
    std::vector<Kind> const& kinds = files.empty() ? Kinds() : files;
    std::printf("median milliseconds per frame, %u repeats", kRepeats);
    Table(false, kinds);
    Table(true, kinds);
    if (!files.empty()) {
        return 0;
    }
    if (tableOnly) {
        return 0;
    }
    for (unsigned k = 0; k < Kinds().size(); ++k) {
        for (bool all2D : {false, true}) {
            std::string const name = std::string("DEC2D_Main/") + Kinds()[k].name + (all2D ? "/all 2D" : "/factory");
            benchmark::RegisterBenchmark(name.c_str(), [all2D, k](benchmark::State& s) { Main(s, all2D, k); })
                ->Unit(benchmark::kMillisecond);
        }
    }
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
