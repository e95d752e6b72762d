// Read rates of QR Model 1 through the product road, from symbols the
// project draws itself (no outside reader or encoder makes Model 1), at
// every 15 degrees, 2 to 4.5 pixels per module, under the standard
// conditions except perspective, which the module renderer does not draw.
//
//   bench_read_rate_qr_model1
#include <stdlib.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "bench/support/product_road.h"
#include "bench/support/read_rate_table.h"
#include "tests/support/image_file.h"
#include "tests/support/qr_model1_symbol.h"

namespace {

struct Symbol {
    int version;
    char level;
    int mask;
    std::string data;
};

}  // namespace

int main()
{
    namespace fs = std::filesystem;
    std::vector<std::string> const commands = {
        "set readable_medium/positive_and_negative_codes/qr_code:\"POSITIVE_AND_NEGATIVE\""};
    bench_support::ProductRoad road(commands);
    if (!road.ready()) {
        std::printf("QR Model 1: %s\n", road.why().c_str());
        return 1;
    }
    char pattern[] = "/tmp/read-rate-qr-model1-XXXXXX";
    if (::mkdtemp(pattern) == nullptr) {
        return 1;
    }
    fs::path const directory(pattern);
    std::vector<Symbol> const symbols = {
        {1, 'M', 0, "01234567"},
        {2, 'L', 3, "https://example.com/a"},
        {4, 'Q', 5, "Model 1 symbol, version 4"},
        {7, 'H', 2, "Three blocks and two extra codewords at level H"},
        {10, 'M', 6, std::string(150, 'x') + "/sixteen-bit count"},
        {14, 'L', 1, std::string(300, 'y') + "/largest"},
    };
    std::vector<double> const sizes = {2.0, 3.0, 4.5};
    std::printf("QR Model 1 (factory settings plus %s): read rate %% through scanner-sim decode; wrong labels\n",
                commands[0].c_str());
    std::printf("%-10s %-14s %5s %7s %6s\n", "symbol", "condition", "n", "read", "wrong");
    for (Symbol const& symbol : symbols) {
        support::ModuleMatrix const matrix =
            support::drawQRModel1(symbol.version, symbol.level, symbol.mask, symbol.data);
        if (!matrix.ok()) {
            std::printf("%d-%c: not drawn\n", symbol.version, symbol.level);
            continue;
        }
        for (bench_support::ReadRateCondition const& condition : bench_support::StandardConditions()) {
            if (condition.name == "perspective") {
                continue;
            }
            std::vector<std::string> files;
            uint64_t seed = 1;
            for (double size : sizes) {
                // The symbol and its quiet zone must fit the frame at every angle.
                if ((matrix.size + 8) * size * 1.42 > support::kFrameHeight) {
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
                    if (support::writePgm(file, support::renderModules(matrix, options), support::FileDepth::Bits16)) {
                        files.push_back(file);
                    }
                }
            }
            unsigned read = 0;
            unsigned wrong = 0;
            for (bench_support::ProductRoad::Read const& r : road.Decode(files)) {
                bool ok = false;
                bool bad = false;
                for (std::string const& label : r.labels) {
                    (label == symbol.data ? ok : bad) = true;
                }
                read += ok ? 1u : 0u;
                wrong += bad ? 1u : 0u;
            }
            std::printf("%2d-%c m%d    %-14s %5zu %6.1f%% %6u\n", symbol.version, symbol.level, symbol.mask,
                        condition.name.c_str(), files.size(), files.empty() ? 0.0 : 100.0 * read / files.size(),
                        wrong);
            for (std::string const& file : files) {
                std::error_code ignored;
                fs::remove(file, ignored);
            }
        }
    }
    std::error_code ignored;
    fs::remove_all(directory, ignored);
    return 0;
}
