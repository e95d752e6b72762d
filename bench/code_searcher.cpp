// The symbol locator with the linear decoders behind it (DEC2D_Main in its
// whole-image read mode) on 640 x 480 frames, beside two other decoders run
// on the same frames in the same binary: zxing-cpp (try harder, rotations,
// and, as this version has no inversion option, a second read of the
// inverted frame when the first finds nothing) and zbar (its inverted-image
// option on; loaded at run time, its column is left empty when the library
// is missing). Before the benchmarks proper, a table gives per condition the
// read rate of each decoder and the ratio of our median time per frame to
// theirs. The other decoders run in a child process per frame (timed inside
// it), since the packaged zxing stops on an internal assertion for a few
// frames.
//
//   bench_code_searcher                 table, then the benchmarks
//   bench_code_searcher --table-only    table only
//   bench_code_searcher --no-table      benchmarks only
#define ZX_USE_UTF8 1

#include <benchmark/benchmark.h>


#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include "config/configuration_manager.h"
#include "decoder/core/dec2d_entry.h"
#include "decoder/core/property/dec2d_property.h"
#include "decoder/two_dimension_decoder.h"
#include "bench/support/other_readers.h"
#include "tests/decoder/core/code_searcher_scenes.h"

namespace {

using namespace DEC2DIvra;
using Clock = std::chrono::steady_clock;
using Labels = bench_support::Labels;

ZXing::BarcodeFormats const kZxingFormats = ZXing::BarcodeFormat::Code128 | ZXing::BarcodeFormat::EAN13;

constexpr unsigned kRepeats = 3;
constexpr unsigned kEmptyFrames = 24;

// Our decoder as the application runs it, with Code 128 and EAN-13 read in
// both polarities; the callback accepts a label once every symbol expected
// in the frame has been seen, as an application that wants them all would.
class OurReader {
public:
    OurReader()
    {
        auto& root = manager_.Root();
        ivra_configuration::FixedLength any{};
        any.maximum = ivra_configuration::FixedLength::kNoMaximum;
        root.fixed_length.code128.Set(any);
        using Polarity = ivra_configuration::configuration::readable_medium::positive_and_negative_codes::
            all_1d_and_composite_codes::Enum;
        root.readable_medium.positive_and_negative_codes.all_1d_and_composite_codes.Set(static_cast<Polarity>(2));
        if (handle_ != nullptr) {
            DEC2D_ImplementFormatter(handle_.get(), this, nullptr, nullptr, &OurReader::Callback);
        }
        labels_.reserve(16);
    }

    bool IsReady() const { return handle_ != nullptr; }

    Labels const& Read(support::Frame const& frame, unsigned wanted)
    {
        labels_.clear();
        wanted_ = wanted;
        DEC2D_OnTriggerDown(handle_.get());
        DEC2D_Main(handle_.get(), frame.width, frame.height, frame.width, frame.pixels.data(), nullptr);
        return labels_;
    }

private:
    static bool Callback(void* context, tagDecodedLabel const* label)
    {
        auto& self = *static_cast<OurReader*>(context);
        if (self.labels_.size() < self.labels_.capacity()) {
            self.labels_.emplace_back(label->data, label->length);
        }
        return self.labels_.size() >= self.wanted_;
    }

    ivra_configuration::ConfigurationManager manager_;
    std::unique_ptr<DEC2DProperty> property_ = std::make_unique<DEC2DProperty>(manager_.Root());
    std::unique_ptr<TwoDimensionDecoder> handle_{new (std::nothrow) TwoDimensionDecoder(property_.get())};
    Labels labels_;
    unsigned wanted_ = 1;
};

bool HasAll(Labels const& labels, std::vector<std::string> const& expected)
{
    return std::all_of(expected.begin(), expected.end(), [&](std::string const& e) {
        return std::find(labels.begin(), labels.end(), e) != labels.end();
    });
}

// The least of kRepeats timings of one read, in milliseconds, and its labels.
template <class Read>
double Time(Read&& read, Labels& labels)
{
    double best = 0;
    for (unsigned r = 0; r < kRepeats; ++r) {
        Clock::time_point const start = Clock::now();
        labels = read();
        double const ms = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
        best = r == 0 || ms < best ? ms : best;
    }
    return best;
}

double Median(std::vector<double> v)
{
    if (v.empty()) {
        return 0;
    }
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

struct Row {
    unsigned frames = 0;
    unsigned reads[3] = {};    // ours, zxing, zbar
    unsigned wrong[3] = {};    // a label that is none of the expected
    unsigned crashes[3] = {};  // frames on which the decoder stopped the process
    std::vector<double> times[3];

    // Runs decoder k on a frame; its labels.
    template <class Read>
    Labels Measure(unsigned k, Read&& read)
    {
        Labels labels;
        double ms = 0;
        if (k == 0) {
            times[0].push_back(Time(read, labels));
        } else if (bench_support::TimeIsolated(read, kRepeats, labels, ms)) {
            times[k].push_back(ms);
        } else {
            ++crashes[k];
        }
        return labels;
    }
};

void PrintRow(char const* symbology, char const* name, Row const& row, bool zbar)
{
    auto percent = [&](unsigned n) { return row.frames == 0 ? 0.0 : 100.0 * n / row.frames; };
    double const ours = Median(row.times[0]);
    double const zx = Median(row.times[1]);
    double const zb = Median(row.times[2]);
    std::printf("%-9s %-42s %3u %6.1f %6.1f ", symbology, name, row.frames, percent(row.reads[0]),
                percent(row.reads[1]));
    if (zbar) {
        std::printf("%6.1f ", percent(row.reads[2]));
    } else {
        std::printf("%6s ", "-");
    }
    std::printf("%7.3f %7.3f ", ours, zx);
    if (zbar) {
        std::printf("%7.3f ", zb);
    } else {
        std::printf("%7s ", "-");
    }
    std::printf("%6.2f ", zx > 0 ? ours / zx : 0.0);
    if (zbar) {
        std::printf("%6.2f", zb > 0 ? ours / zb : 0.0);
    } else {
        std::printf("%6s", "-");
    }
    std::printf("  %u/%u/%u", row.wrong[0], row.wrong[1], row.wrong[2]);
    if (row.crashes[1] + row.crashes[2] > 0) {
        std::printf("  (stopped: zxing %u, zbar %u)", row.crashes[1], row.crashes[2]);
    }
    std::printf("\n");
}

void PrintTable()
{
    OurReader ours;
    bench_support::ZbarReader const zbar({13, 128}); // zbar's EAN-13 and Code 128
    if (!ours.IsReady()) {
        std::printf("the decoder handle could not be built\n");
        return;
    }
    std::printf("read rate in %% of the frames in which the symbols fit; median ms per frame; ratio = our median / "
                "theirs; wrong labels ours/zxing/zbar\n");
    std::printf("%-9s %-42s %3s %6s %6s %6s %7s %7s %7s %6s %6s\n", "symbology", "condition", "n", "ours", "zxing",
                "zbar", "ours ms", "zxing", "zbar", "/zxing", "/zbar");
    for (int symbology : {BARCODE_CODE128, BARCODE_EANX}) {
        char const* const label = symbology == BARCODE_EANX ? "EAN-13" : "Code 128";
        for (searcher_scenes::Condition const& c : searcher_scenes::MakeConditions(symbology)) {
            Row row;
            for (unsigned i = 0; i < searcher_scenes::kAngles; ++i) {
                searcher_scenes::Scene const scene = searcher_scenes::MakeScene(c, i);
                if (!scene.ok) {
                    continue;
                }
                ++row.frames;
                auto const wanted = static_cast<unsigned>(scene.expected.size());
                Labels labels[3];
                labels[0] = row.Measure(0, [&] { return ours.Read(scene.frame, wanted); });
                labels[1] = row.Measure(1, [&] { return bench_support::ReadWithZxing(scene.frame, kZxingFormats); });
                if (zbar.IsReady()) {
                    labels[2] = row.Measure(2, [&] { return zbar.Read(scene.frame); });
                }
                for (unsigned k = 0; k < 3; ++k) {
                    row.reads[k] += HasAll(labels[k], scene.expected) ? 1u : 0u;
                    for (std::string const& l : labels[k]) {
                        bool const known =
                            std::find(scene.expected.begin(), scene.expected.end(), l) != scene.expected.end();
                        row.wrong[k] += known ? 0u : 1u;
                    }
                }
            }
            PrintRow(label, c.name, row, zbar.IsReady());
            std::fflush(stdout);
        }
    }
    Row empty;
    for (unsigned i = 0; i < kEmptyFrames; ++i) {
        support::Frame const frame = searcher_scenes::MakeEmptyFrame(i);
        ++empty.frames;
        Labels labels[3];
        labels[0] = empty.Measure(0, [&] { return ours.Read(frame, 1); });
        labels[1] = empty.Measure(1, [&] { return bench_support::ReadWithZxing(frame, kZxingFormats); });
        if (zbar.IsReady()) {
            labels[2] = empty.Measure(2, [&] { return zbar.Read(frame); });
        }
        for (unsigned k = 0; k < 3; ++k) {
            empty.wrong[k] += static_cast<unsigned>(labels[k].size());
        }
    }
    PrintRow("none", "frames without a symbol (reads: none)", empty, zbar.IsReady());
}

// The benchmarks proper: DEC2D_Main on one frame each.
void Run(benchmark::State& state, support::Frame const& frame)
{
    static OurReader reader;
    if (!reader.IsReady()) {
        state.SkipWithError("the decoder handle could not be built");
        return;
    }
    unsigned labels = 0;
    for (auto _ : state) {
        labels += static_cast<unsigned>(reader.Read(frame, 1).size());
    }
    state.counters["labels"] = benchmark::Counter(labels, benchmark::Counter::kAvgIterations);
}

void BM_SearchBlank(benchmark::State& state)
{
    static support::Frame const frame = support::makeFrame();
    Run(state, frame);
}

void BM_SearchNoiseAndClutter(benchmark::State& state)
{
    static support::Frame const frame = searcher_scenes::MakeEmptyFrame(7);
    Run(state, frame);
}

void BM_SearchOneCode128(benchmark::State& state)
{
    static searcher_scenes::Scene const scene =
        searcher_scenes::MakeScene({.name = "", .module = 2.0, .noise = 8}, 7);
    Run(state, scene.frame);
}

void BM_SearchOneCode128Cluttered(benchmark::State& state)
{
    static searcher_scenes::Scene const scene =
        searcher_scenes::MakeScene({.name = "", .module = 2.0, .noise = 8, .clutter = true}, 11);
    Run(state, scene.frame);
}

BENCHMARK(BM_SearchBlank);
BENCHMARK(BM_SearchNoiseAndClutter);
BENCHMARK(BM_SearchOneCode128);
BENCHMARK(BM_SearchOneCode128Cluttered);

}  // namespace

int main(int argc, char** argv)
{
    bool table = true;
    bool benchmarks = true;
    std::vector<char*> rest;
    for (int i = 0; i < argc; ++i) {
        if (std::strcmp(argv[i], "--table-only") == 0) {
            benchmarks = false;
        } else if (std::strcmp(argv[i], "--no-table") == 0) {
            table = false;
        } else {
            rest.push_back(argv[i]);
        }
    }
    if (table) {
        PrintTable();
    }
    if (benchmarks) {
        int count = static_cast<int>(rest.size());
        benchmark::Initialize(&count, rest.data());
        benchmark::RunSpecifiedBenchmarks();
        benchmark::Shutdown();
    }
    return 0;
}
