// Read rates of Han Xin Code through the product road (factory settings plus
// set read/chinese_sensible_code:true) under the standard conditions at every
// 15 degrees. No outside reader here reads Han Xin, so ours stands alone.
//
//   bench_read_rate_han_xin [sample|all|VERSION]...   (sample by default: versions 1, 3, 4, 10, 20, 40, 84;
//                                                     all: every version, one level each;
//                                                     a number: that version at every 15 degrees)
#include "bench/support/read_rate_table.h"

#include <cstdlib>
#include <cstring>
#include <string>

namespace {

using bench_support::ReadRateSpec;

bool Wanted(int argc, char** argv, char const* group)
{
    if (argc < 2) {
        return std::strcmp(group, "sample") == 0;
    }
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], group) == 0) {
            return true;
        }
    }
    return false;
}

// Text that fills a good part of a symbol of the version at level 4.
std::string Filler(int version)
{
    static char const kWords[] = "Han Xin Code 2D symbol, read at any angle: 0123456789. ";
    std::size_t const length = static_cast<std::size_t>(8 + version * version / 4);
    std::string s;
    while (s.size() < length) {
        s += kWords;
    }
    s.resize(length);
    return s;
}

void Add(ReadRateSpec& spec, int version, int level)
{
    std::string const text = Filler(version);
    spec.symbols.push_back({"version " + std::to_string(version) + " level " + std::to_string(level),
                            {.symbology = BARCODE_HANXIN, .data = text, .option1 = level, .option2 = version},
                            {text}});
}

}  // namespace

int main(int argc, char** argv)
{
    ReadRateSpec base;
    base.setCommands = {"set read/chinese_sensible_code:true"};
    base.moduleSizes = {2.0, 2.8, 4.0};
    if (Wanted(argc, argv, "sample")) {
        ReadRateSpec spec = base;
        spec.title = "Han Xin Code (factory settings plus set read/chinese_sensible_code:true)";
        int const versions[] = {1, 3, 4, 10, 20, 40, 84};
        for (int i = 0; i < 7; ++i) {
            Add(spec, versions[i], 1 + i % 4);
        }
        // GB 2312 characters in region mode.
        spec.symbols.push_back({"version 2 Hanzi",
                                {.symbology = BARCODE_HANXIN,
                                 .data = "\xe6\xb1\x89\xe4\xbf\xa1\xe7\xa0\x81 2D",
                                 .option2 = 2,
                                 .inputMode = UNICODE_MODE},
                                {"\xba\xba\xd0\xc5\xc2\xeb 2D"}});
        bench_support::RunReadRateTable(spec);
    }
    if (Wanted(argc, argv, "all")) {
        ReadRateSpec spec = base;
        spec.title = "Han Xin Code, every version (factory settings plus set read/chinese_sensible_code:true)";
        spec.moduleSizes = {2.8};
        spec.angleStep = 45;
        for (int v = 1; v <= 84; ++v) {
            Add(spec, v, 1 + v % 4);
        }
        bench_support::RunReadRateTable(spec);
    }
    for (int i = 1; i < argc; ++i) {
        int const version = std::atoi(argv[i]);
        if (version >= 1 && version <= 84) {
            ReadRateSpec spec = base;
            spec.title = "Han Xin Code version " + std::to_string(version) +
                         " (factory settings plus set read/chinese_sensible_code:true)";
            Add(spec, version, 1 + version % 4);
            bench_support::RunReadRateTable(spec);
        }
    }
    return 0;
}
