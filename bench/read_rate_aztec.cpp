// Read rates of Aztec Code (every compact and full-range size) and Aztec Runes through
// the product road, beside zxing-cpp, under the standard conditions at every 15 degrees.
//
//   bench_read_rate_aztec [compact|full|full_sample|runes]...   (all but full_sample by default;
//                                                               full_sample: ten full-range sizes)
#include "bench/support/read_rate_table.h"

#include <cstring>
#include <string>

namespace {

using bench_support::ReadRateSpec;
using bench_support::ReadRateSymbol;

bool Wanted(int argc, char** argv, char const* group)
{
    if (argc < 2) {
        return std::strcmp(group, "full_sample") != 0;
    }
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], group) == 0) {
            return true;
        }
    }
    return false;
}

// Text that fills a good part of a symbol of the given zint version without
// forcing a larger one.
std::string Filler(int version)
{
    static char const kWords[] = "Aztec 2D symbol, read at any angle: 0123456789. ";
    int const layers = version <= 4 ? version : version - 4;
    std::size_t const length = static_cast<std::size_t>(version <= 4 ? 4 + layers * 8 : 8 + layers * layers * 2);
    std::string s;
    while (s.size() < length) {
        s += kWords;
    }
    s.resize(length);
    return s;
}

}  // namespace

int main(int argc, char** argv)
{
    // The factory settings read Aztec Code in both polarities; Runes are
    // switched on for their table.
    ReadRateSpec base;
    base.zxingFormats = ZXing::BarcodeFormat::Aztec;
    base.moduleSizes = {2.0, 3.0, 4.5};
    if (Wanted(argc, argv, "compact")) {
        ReadRateSpec spec = base;
        spec.title = "Aztec Code, compact (factory settings)";
        for (int v = 1; v <= 4; ++v) {
            std::string const text = Filler(v);
            spec.symbols.push_back({"compact " + std::to_string(v) + " layers",
                                    {.symbology = BARCODE_AZTEC, .data = text, .option2 = v}, {text}});
        }
        bench_support::RunReadRateTable(spec);
    }
    bool const sample = Wanted(argc, argv, "full_sample");
    if (Wanted(argc, argv, "full") || sample) {
        ReadRateSpec spec = base;
        spec.title = "Aztec Code, full range (factory settings)";
        for (int v = 5; v <= 36; ++v) {
            // The sample: the smallest and largest, each codeword size's
            // first and last, and the near-edge sizes of the reference grid.
            if (sample && !Wanted(argc, argv, "full") && v != 5 && v != 8 && v != 9 && v != 10 && v != 12 &&
                v != 16 && v != 26 && v != 27 && v != 31 && v != 36) {
                continue;
            }
            std::string const text = Filler(v);
            spec.symbols.push_back({"full range " + std::to_string(v - 4) + " layers",
                                    {.symbology = BARCODE_AZTEC, .data = text, .option2 = v}, {text}});
        }
        bench_support::RunReadRateTable(spec);
    }
    if (Wanted(argc, argv, "runes")) {
        ReadRateSpec spec = base;
        spec.title = "Aztec Runes (factory settings plus set read/aztec_runes:true)";
        spec.setCommands = {"set read/aztec_runes:true"};
        // An 11-module rune on a label with ten modules of margin reaches the
        // horizon under the standard keystone; a rune needs no quiet zone, so
        // its label keeps three modules and the keystone stays the same.
        for (bench_support::ReadRateCondition& condition : spec.conditions) {
            if (condition.name == "perspective") {
                condition.apply = [standard = condition.apply](support::RenderOptions& o, double m) {
                    standard(o, m);
                    o.quietZone = 3.0;
                };
            }
        }
        for (int value : {0, 1, 7, 30, 85, 128, 170, 200, 254, 255}) {
            char text[4];
            std::snprintf(text, sizeof text, "%03d", value);
            spec.symbols.push_back(
                {std::string("rune ") + text, {.symbology = BARCODE_AZRUNE, .data = std::to_string(value)}, {text}});
        }
        bench_support::RunReadRateTable(spec);
    }
    return 0;
}
