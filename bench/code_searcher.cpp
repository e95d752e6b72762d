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
#include <dlfcn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <ZXing/ReadBarcode.h>

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
#include "decoder/core/dec2d_property.h"
#include "decoder/core/two_dimension_decoder.h"
#include "tests/decoder/core/code_searcher_scenes.h"

namespace {

using namespace DEC2DIvra;
using Clock = std::chrono::steady_clock;
using Labels = std::vector<std::string>;

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

std::vector<uint8_t> ToBytes(support::Frame const& frame, bool inverted)
{
    std::vector<uint8_t> bytes(frame.pixels.size());
    for (size_t i = 0; i < bytes.size(); ++i) {
        int const v = std::min<int>(frame.pixels[i], support::kMaxLevel) >> 2;
        bytes[i] = static_cast<uint8_t>(inverted ? 255 - v : v);
    }
    return bytes;
}

Labels ReadWithZxing(support::Frame const& frame)
{
    Labels labels;
    ZXing::DecodeHints hints;
    hints.setFormats(ZXing::BarcodeFormat::Code128 | ZXing::BarcodeFormat::EAN13)
        .setTryHarder(true)
        .setTryRotate(true);
    for (bool inverted : {false, true}) {
        std::vector<uint8_t> const bytes = ToBytes(frame, inverted);
        ZXing::ImageView const image(bytes.data(), frame.width, frame.height, ZXing::ImageFormat::Lum);
        for (ZXing::Result const& result : ZXing::ReadBarcodes(image, hints)) {
            if (result.isValid()) {
                labels.push_back(result.text());
            }
        }
        if (!labels.empty()) {
            break;
        }
    }
    return labels;
}

// zbar through its C interface, looked up at run time.
class ZbarReader {
public:
    ZbarReader()
    {
        library_ = dlopen("libzbar.so.0", RTLD_NOW | RTLD_LOCAL);
        if (library_ == nullptr) {
            return;
        }
        bool const ok =
            Load(createScanner_, "zbar_image_scanner_create") && Load(setConfig_, "zbar_image_scanner_set_config") &&
            Load(createImage_, "zbar_image_create") && Load(setFormat_, "zbar_image_set_format") &&
            Load(setSize_, "zbar_image_set_size") && Load(setData_, "zbar_image_set_data") &&
            Load(scan_, "zbar_scan_image") && Load(firstSymbol_, "zbar_image_first_symbol") &&
            Load(nextSymbol_, "zbar_symbol_next") && Load(symbolData_, "zbar_symbol_get_data") &&
            Load(symbolLength_, "zbar_symbol_get_data_length") && Load(destroyImage_, "zbar_image_destroy");
        if (!ok) {
            return;
        }
        scanner_ = createScanner_();
        if (scanner_ == nullptr) {
            return;
        }
        // zbar's numbers: symbology 0 = all, 13 = EAN-13, 128 = Code 128;
        // config 0 = enable, 0x81 = test the inverted image when nothing is read.
        setConfig_(scanner_, 0, 0, 0);
        setConfig_(scanner_, 13, 0, 1);
        setConfig_(scanner_, 128, 0, 1);
        setConfig_(scanner_, 0, 0x81, 1);
        ready_ = true;
    }

    bool IsReady() const { return ready_; }

    Labels Read(support::Frame const& frame)
    {
        Labels labels;
        if (!ready_) {
            return labels;
        }
        std::vector<uint8_t> const bytes = ToBytes(frame, false);
        void* image = createImage_();
        if (image == nullptr) {
            return labels;
        }
        unsigned long const y800 = 0x30303859ul;  // 'Y' '8' '0' '0'
        setFormat_(image, y800);
        setSize_(image, static_cast<unsigned>(frame.width), static_cast<unsigned>(frame.height));
        setData_(image, bytes.data(), bytes.size(), nullptr);
        if (scan_(scanner_, image) > 0) {
            for (void const* symbol = firstSymbol_(image); symbol != nullptr; symbol = nextSymbol_(symbol)) {
                labels.emplace_back(symbolData_(symbol), symbolLength_(symbol));
            }
        }
        destroyImage_(image);
        return labels;
    }

private:
    template <class F>
    bool Load(F& function, char const* name)
    {
        function = reinterpret_cast<F>(dlsym(library_, name));
        return function != nullptr;
    }

    void* library_ = nullptr;
    void* scanner_ = nullptr;
    bool ready_ = false;
    void* (*createScanner_)() = nullptr;
    int (*setConfig_)(void*, int, int, int) = nullptr;
    void* (*createImage_)() = nullptr;
    void (*setFormat_)(void*, unsigned long) = nullptr;
    void (*setSize_)(void*, unsigned, unsigned) = nullptr;
    void (*setData_)(void*, void const*, unsigned long, void (*)(void*)) = nullptr;
    int (*scan_)(void*, void*) = nullptr;
    void const* (*firstSymbol_)(void const*) = nullptr;
    void const* (*nextSymbol_)(void const*) = nullptr;
    char const* (*symbolData_)(void const*) = nullptr;
    unsigned (*symbolLength_)(void const*) = nullptr;
    void (*destroyImage_)(void*) = nullptr;
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

// The same in a child process, for the other decoders: the packaged zxing
// stops the process on an internal assertion for some frames. Such a frame
// counts as not read (and in `crashes`), its time as not measured.
template <class Read>
bool TimeIsolated(Read&& read, Labels& labels, double& ms, unsigned& crashes)
{
    labels.clear();
    int fds[2];
    if (pipe(fds) != 0) {
        return false;
    }
    pid_t const child = fork();
    if (child < 0) {
        close(fds[0]);
        close(fds[1]);
        return false;
    }
    if (child == 0) {
        close(fds[0]);
        Labels found;
        double const t = Time(read, found);
        std::string message = std::to_string(t) + "\n";
        for (std::string const& l : found) {
            message += std::to_string(l.size()) + "\n" + l;
        }
        size_t done = 0;
        while (done < message.size()) {
            ssize_t const n = write(fds[1], message.data() + done, message.size() - done);
            if (n <= 0) {
                break;
            }
            done += static_cast<size_t>(n);
        }
        _exit(0);
    }
    close(fds[1]);
    std::string message;
    char buffer[4096];
    for (;;) {
        ssize_t const n = ::read(fds[0], buffer, sizeof(buffer));
        if (n <= 0) {
            break;
        }
        message.append(buffer, static_cast<size_t>(n));
    }
    close(fds[0]);
    int status = 0;
    waitpid(child, &status, 0);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0 || message.empty()) {
        ++crashes;
        return false;
    }
    size_t at = message.find('\n');
    ms = std::stod(message.substr(0, at));
    ++at;
    while (at < message.size()) {
        size_t const end = message.find('\n', at);
        if (end == std::string::npos) {
            break;
        }
        size_t const length = std::stoul(message.substr(at, end - at));
        labels.push_back(message.substr(end + 1, length));
        at = end + 1 + length;
    }
    return true;
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
        } else if (TimeIsolated(read, labels, ms, crashes[k])) {
            times[k].push_back(ms);
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
    ZbarReader zbar;
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
                labels[1] = row.Measure(1, [&] { return ReadWithZxing(scene.frame); });
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
        labels[1] = empty.Measure(1, [&] { return ReadWithZxing(frame); });
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
