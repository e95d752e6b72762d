// DotCode read rates through the product road under the standard conditions at every
// 15 degrees and 2.5 to 5 pixels per dot (no outside reader here reads DotCode), then
// the time of frames of grey noise, where the dot search finds dot-like specks
// everywhere and only its bounds end it, then zxing-cpp's median time on QR Code and
// Data Matrix frames of the same sizes, the yardstick for our time per DotCode frame.
//
//   bench_read_rate_dot_code [--quick] [--condition NAME]
//     --quick: every 45 degrees; --condition: that condition only (e.g. blurred)
#include "bench/support/other_readers.h"
#include "bench/support/other_readers_isolated.h"
#include "bench/support/product_road.h"
#include "bench/support/read_rate_table.h"
#include "tests/support/image_file.h"

#include <unistd.h>

#include <algorithm>
#include <random>
#include <cstdio>
#include <cstring>
#include <string>

namespace {

using bench_support::ReadRateSpec;
using bench_support::ReadRateSymbol;

support::SymbolInput Dot(std::string data, int inputMode = DATA_MODE, int columns = 0)
{
    return {.symbology = BARCODE_DOTCODE, .data = std::move(data), .option2 = columns, .inputMode = inputMode};
}

// zxing's median ms per frame over one symbol drawn at each size and angle.
double ZxingMedianMs(support::SymbolInput const& input, ZXing::BarcodeFormats formats,
                     std::vector<double> const& sizes, int angleStep, unsigned& read, unsigned& frames)
{
    std::vector<double> times;
    read = 0;
    frames = 0;
    for (double size : sizes) {
        for (int angle = 0; angle < 360; angle += angleStep) {
            support::Rendering const r = support::render(input, {.moduleSize = size, .angle = double(angle)});
            if (!r.symbol.ok) {
                continue;
            }
            ++frames;
            bench_support::Labels labels;
            double ms = 0;
            if (bench_support::TimeIsolated(
                    [&] { return bench_support::ReadWithZxing(r.frame, formats); }, 3, labels, ms)) {
                times.push_back(ms);
                read += std::find(labels.begin(), labels.end(), input.data) != labels.end() ? 1u : 0u;
            }
        }
    }
    if (times.empty()) {
        return 0;
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

// Frames of Gaussian grey noise (mean 512, spread 60 to 240 of 1023) through the
// product road: no label, and the decode's time, the least of three passes.
void NoiseFrameTimes(std::vector<std::string> const& setCommands)
{
    bench_support::ProductRoad const road(setCommands);
    if (!road.ready()) {
        std::printf("\nnoise frames: no board (%s)\n", road.why().c_str());
        return;
    }
    char pattern[] = "/tmp/read-rate-noise-XXXXXX";
    if (::mkdtemp(pattern) == nullptr) {
        return;
    }
    std::vector<std::string> files;
    for (int k = 1; k <= 4; ++k) {
        support::Frame frame = support::makeFrame(640, 480, 512);
        std::mt19937 random(static_cast<unsigned>(k));
        std::normal_distribution<double> noise(512.0, 60.0 * k);
        for (auto& v : frame.pixels) {
            v = static_cast<uint16_t>(std::clamp(noise(random), 0.0, 1023.0));
        }
        std::string const file = std::string(pattern) + "/noise" + std::to_string(k) + ".pgm";
        if (support::writePgm(file, frame, support::FileDepth::Bits16)) {
            files.push_back(file);
        }
    }
    std::vector<bench_support::ProductRoad::Read> const reads = road.Decode(files, 3);
    std::printf("\nframes of grey noise, 640 x 480: labels and ms per frame (least of 3)\n");
    for (size_t i = 0; i < reads.size() && i < files.size(); ++i) {
        std::printf("noise, spread %-4d %8zu %8.2f\n", 60 * int(i + 1), reads[i].labels.size(), reads[i].ms);
    }
    // Every frame written goes, read or not, so that the folder goes too.
    for (std::string const& file : files) {
        ::unlink(file.c_str());
    }
    ::rmdir(pattern);
}

}  // namespace

int main(int argc, char** argv)
{
    bool quick = false;
    std::string only;  // one condition by name
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--quick") == 0) {
            quick = true;
        } else if (std::strcmp(argv[i], "--condition") == 0 && i + 1 < argc) {
            only = argv[++i];
        }
    }
    ReadRateSpec spec;
    spec.title = "DotCode (factory settings plus set read/dot_code:true)";
    spec.setCommands = {"set read/dot_code:true"};
    spec.moduleSizes = {2.5, 3.5, 5.0};
    spec.angleStep = quick ? 45 : 15;
    if (!only.empty()) {
        std::erase_if(spec.conditions, [&](bench_support::ReadRateCondition const& c) { return c.name != only; });
    }
    std::string binary;
    for (int i = 0; i < 40; ++i) {
        binary.push_back(static_cast<char>((i * 73 + 5) & 0xFF));
    }
    std::string const pangram =
        std::string("The quick brown fox jumps over the lazy dog. ") + "THE QUICK BROWN FOX JUMPS OVER THE LAZY DOG! ";
    std::string large;
    for (int i = 0; i < 4; ++i) {
        large += "Lot " + std::to_string(1000 + i * 37) + ", shelf " + std::string(1, char('A' + i)) + "; ";
    }
    large += pangram;
    spec.symbols = {
        // The smallest symbols hold few dots, some far apart from the rest.
        {"sparse, 1 digit", Dot("1"), {"1"}},
        {"sparse, 4 chars", Dot("AB12"), {"AB12"}},
        {"text, 12 chars", Dot("DotCode 1234"), {"DotCode 1234"}},
        {"digits, 30", Dot("123456789012345678901234567890"), {"123456789012345678901234567890"}},
        {"GS1", Dot("[01]09501101530003[17]250101[10]AB12", GS1_MODE),
         {"010950110153000317250101" "10AB12"}},
        {"binary, 40 bytes", Dot(binary), {binary}},
        {"wide, 40 columns", Dot("WIDE 0123456789", DATA_MODE, 40), {"WIDE 0123456789"}},
        {"text, 90 chars", Dot(pangram), {pangram}},
        {"large, 170 chars", Dot(large), {large}},
    };
    bench_support::RunReadRateTable(spec);
    NoiseFrameTimes(spec.setCommands);

    if (!only.empty() && only != "clean") {
        return 0;
    }
    std::printf("\nzxing-cpp on other matrix symbologies, same sizes, every %d degrees, clean:\n", spec.angleStep);
    std::printf("%-24s %6s %6s %8s\n", "symbol", "n", "read", "ms");
    struct Other {
        char const* name;
        support::SymbolInput input;
        ZXing::BarcodeFormats formats;
    } const others[] = {
        {"QR Code, 12 chars", {.symbology = BARCODE_QRCODE, .data = "DotCode 1234"}, ZXing::BarcodeFormat::QRCode},
        {"Data Matrix, 12 chars", {.symbology = BARCODE_DATAMATRIX, .data = "DotCode 1234"},
         ZXing::BarcodeFormat::DataMatrix},
        {"QR Code, 30 digits", {.symbology = BARCODE_QRCODE, .data = "123456789012345678901234567890"},
         ZXing::BarcodeFormat::QRCode},
        {"Data Matrix, 30 digits", {.symbology = BARCODE_DATAMATRIX, .data = "123456789012345678901234567890"},
         ZXing::BarcodeFormat::DataMatrix},
        {"QR Code, 90 chars", {.symbology = BARCODE_QRCODE, .data = pangram}, ZXing::BarcodeFormat::QRCode},
        {"Data Matrix, 90 chars", {.symbology = BARCODE_DATAMATRIX, .data = pangram},
         ZXing::BarcodeFormat::DataMatrix},
        {"QR Code, 170 chars", {.symbology = BARCODE_QRCODE, .data = large}, ZXing::BarcodeFormat::QRCode},
    };
    for (Other const& o : others) {
        unsigned read = 0;
        unsigned frames = 0;
        double const ms = ZxingMedianMs(o.input, o.formats, spec.moduleSizes, spec.angleStep, read, frames);
        std::printf("%-24s %6u %6u %8.2f\n", o.name, frames, read, ms);
    }
    return 0;
}
