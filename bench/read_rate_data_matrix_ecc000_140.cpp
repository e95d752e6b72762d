// Read rates of Data Matrix ECC 000-140 through the product road, from
// symbols the project draws itself (no outside reader or encoder makes
// them), every level, at every 15 degrees, 2 to 4.5 pixels per module, under
// the standard conditions except perspective, which the module renderer does
// not draw.
//
//   bench_read_rate_data_matrix_ecc000_140
#include <stdlib.h>

#include <cstdlib>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "bench/support/product_road.h"
#include "bench/support/read_rate_table.h"
#include "tests/support/image_file.h"
#include "tests/support/data_matrix_ecc000_140_symbol.h"

namespace {

struct Symbol {
    int side;
    int level;  // -1: ECC 000
    int format;
    std::string data;
};

}  // namespace

int main()
{
    namespace fs = std::filesystem;
    std::vector<std::string> const commands = {
        "set read/data_matrix_ecc000_140:true",
        "set readable_medium/positive_and_negative_codes/data_matrix:\"POSITIVE_AND_NEGATIVE\""};
    // SCANNER_BENCH_KEEP_MISSED=1 keeps the frames nothing was read from in
    // /tmp/read-rate-missed-dm.
    char const* keepEnv = std::getenv("SCANNER_BENCH_KEEP_MISSED");
    bool const keepMissed = keepEnv != nullptr && keepEnv[0] == '1';
    bench_support::ProductRoad road(commands);
    if (!road.ready()) {
        std::printf("Data Matrix ECC 000-140: %s\n", road.why().c_str());
        return 1;
    }
    char pattern[] = "/tmp/read-rate-dm-ecc000-140-XXXXXX";
    if (::mkdtemp(pattern) == nullptr) {
        return 1;
    }
    fs::path const directory(pattern);
    std::vector<Symbol> const symbols = {
        {11, -1, 1, "0123456789"},
        {17, -1, 5, "ECC 000, ASCII"},
        {15, 0, 2, "ECC ZERO"},
        {19, 1, 3, "A1-B2/C3."},
        {21, 2, 4, "LEVEL TWO 2"},
        {25, 3, 6, "bytes: \x01\x7f\xff"},
        {27, 4, 5, "four: k=2 n=3"},
        {31, 5, 1, "0123456789012345"},
        {23, 6, 2, "CODE SIX"},
        {29, 7, 5, "code 7, half rate"},
        {33, 8, 4, "QUARTER RATE 8"},
        {35, 9, 3, "MEMORY-23/CODE.9"},
        {37, 10, 6, "third rate, code ten"},
        {45, 11, 5, "ECC 140: the strongest code of all"},
        {49, -1, 5, std::string(250, 'y')},
    };
    std::vector<double> const sizes = {2.0, 3.0, 4.5};
    std::printf("Data Matrix ECC 000-140 (factory settings plus %s, %s): read rate %% through scanner-sim decode; "
                "wrong labels\n",
                commands[0].c_str(), commands[1].c_str());
    std::printf("%-10s %-14s %5s %7s %6s\n", "symbol", "condition", "n", "read", "wrong");
    // SCANNER_BENCH_ONLY=side runs only the symbols of that side.
    char const* only = std::getenv("SCANNER_BENCH_ONLY");
    for (Symbol const& symbol : symbols) {
        if (only != nullptr && std::to_string(symbol.side) != only) {
            continue;
        }
        support::ModuleMatrix const matrix =
            support::drawDataMatrixEcc000To140(symbol.side, symbol.level, symbol.format, symbol.data);
        if (!matrix.ok()) {
            std::printf("%d level %d: not drawn\n", symbol.side, symbol.level);
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
            std::vector<bench_support::ProductRoad::Read> const reads = road.Decode(files);
            for (size_t i = 0; i < reads.size(); ++i) {
                bench_support::ProductRoad::Read const& r = reads[i];
                bool ok = false;
                bool bad = false;
                for (std::string const& label : r.labels) {
                    (label == symbol.data ? ok : bad) = true;
                }
                if (!ok && keepMissed) {
                    std::error_code ignored;
                    fs::create_directories("/tmp/read-rate-missed-dm", ignored);
                    fs::copy_file(files[i],
                                  "/tmp/read-rate-missed-dm/ecc000-140-" + std::to_string(symbol.side) + "-" +
                                      condition.name + "-" + std::to_string(i) + ".pgm",
                                  fs::copy_options::overwrite_existing, ignored);
                }
                read += ok ? 1u : 0u;
                wrong += bad ? 1u : 0u;
            }
            std::printf("%2dx%-2d %-7s %-14s %5zu %6.1f%% %6u\n", symbol.side, symbol.side,
                        symbol.level < 0 ? "ECC 000" : ("code " + std::to_string(symbol.level)).c_str(),
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
