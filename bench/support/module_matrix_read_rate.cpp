#include "bench/support/module_matrix_read_rate.h"

#include <stdlib.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include "bench/support/read_rate_table.h"
#include "tests/support/image_file.h"

namespace bench_support {

void RunModuleMatrixTable(ProductRoad const& road, std::vector<ModuleMatrixSymbol> const& symbols,
                          std::vector<double> const& moduleSizes)
{
    namespace fs = std::filesystem;
    char const* keepEnv = std::getenv("SCANNER_BENCH_KEEP_MISSED");
    bool const keepMissed = keepEnv != nullptr && keepEnv[0] == '1';
    char pattern[] = "/tmp/read-rate-drawn-XXXXXX";
    if (::mkdtemp(pattern) == nullptr) {
        std::printf("no folder for the frames\n");
        return;
    }
    fs::path const directory(pattern);
    std::printf("%-16s %-14s %5s %7s %6s\n", "symbol", "condition", "n", "read", "wrong");
    for (ModuleMatrixSymbol const& symbol : symbols) {
        if (!symbol.matrix.ok()) {
            std::printf("%-16s not drawn\n", symbol.name.c_str());
            continue;
        }
        char const* onlyCondition = std::getenv("SCANNER_BENCH_CONDITION");
        for (ReadRateCondition const& condition : StandardConditions()) {
            if (condition.name == "perspective" || (onlyCondition != nullptr && condition.name != onlyCondition)) {
                continue;
            }
            std::vector<std::string> files;
            uint64_t seed = 1;
            for (double size : moduleSizes) {
                // The symbol and its quiet zone must fit the frame at every angle.
                if ((symbol.matrix.size + 8) * size * 1.42 > support::kFrameHeight) {
                    continue;
                }
                for (int angle = 0; angle < 360; angle += 15) {
                    support::RenderOptions options;
                    options.moduleSize = size;
                    options.angle = angle;
                    options.quietZone = 4.0;
                    options.seed = seed++;
                    condition.apply(options, size);
                    std::string const file = (directory / (std::to_string(files.size()) + ".pgm")).string();
                    if (support::writePgm(file, support::renderModules(symbol.matrix, options),
                                          support::FileDepth::Bits16)) {
                        files.push_back(file);
                    }
                }
            }
            unsigned read = 0;
            unsigned wrong = 0;
            std::vector<ProductRoad::Read> const reads = road.Decode(files);
            for (size_t i = 0; i < reads.size() && i < files.size(); ++i) {
                bool ok = false;
                bool bad = false;
                for (std::string const& label : reads[i].labels) {
                    (label == symbol.data ? ok : bad) = true;
                }
                if (bad) {
                    // A wrong label is a fault to look at: its frame is kept.
                    std::error_code ignored;
                    fs::create_directories("/tmp/read-rate-wrong-drawn", ignored);
                    std::string const keep = "/tmp/read-rate-wrong-drawn/" + symbol.name + "-" + condition.name + "-" +
                                             std::to_string(i) + ".pgm";
                    fs::copy_file(files[i], keep, fs::copy_options::overwrite_existing, ignored);
                    std::printf("  wrong label from %s, kept as %s\n", symbol.name.c_str(), keep.c_str());
                }
                if (!ok && keepMissed) {
                    std::error_code ignored;
                    fs::create_directories("/tmp/read-rate-missed-drawn", ignored);
                    fs::copy_file(files[i],
                                  "/tmp/read-rate-missed-drawn/" + symbol.name + "-" + condition.name + "-" +
                                      std::to_string(i) + ".pgm",
                                  fs::copy_options::overwrite_existing, ignored);
                }
                read += ok ? 1u : 0u;
                wrong += bad ? 1u : 0u;
            }
            std::printf("%-16s %-14s %5zu %6.1f%% %6u\n", symbol.name.c_str(), condition.name.c_str(), files.size(),
                        files.empty() ? 0.0 : 100.0 * read / files.size(), wrong);
            std::fflush(stdout);
            for (std::string const& file : files) {
                std::error_code ignored;
                fs::remove(file, ignored);
            }
        }
    }
    std::error_code ignored;
    fs::remove_all(directory, ignored);
}

}  // namespace bench_support
