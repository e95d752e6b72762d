// Read rates of QR Model 1 through the product road, from symbols the
// project draws itself (no outside reader or encoder makes Model 1), at
// every 15 degrees, 2 to 4.5 pixels per module, under the standard
// conditions except perspective, which the module renderer does not draw.
//
//   bench_read_rate_qr_model1
#include <cstdio>
#include <string>
#include <vector>

#include "bench/support/module_matrix_read_rate.h"
#include "bench/support/product_road.h"
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
    std::vector<std::string> const commands = {
        "set readable_medium/positive_and_negative_codes/qr_code:\"POSITIVE_AND_NEGATIVE\""};
    bench_support::ProductRoad road(commands);
    if (!road.ready()) {
        std::printf("QR Model 1: %s\n", road.why().c_str());
        return 1;
    }
    std::vector<Symbol> const symbols = {
        {1, 'M', 0, "01234567"},
        {2, 'L', 3, "https://example.com/a"},
        {4, 'Q', 5, "Model 1 symbol, version 4"},
        {7, 'H', 2, "Three blocks and two extra codewords at level H"},
        {10, 'M', 6, std::string(150, 'x') + "/sixteen-bit count"},
        {14, 'L', 1, std::string(300, 'y') + "/largest"},
    };
    std::vector<bench_support::ModuleMatrixSymbol> drawn;
    for (Symbol const& s : symbols) {
        drawn.push_back({std::to_string(s.version) + "-" + s.level + " m" + std::to_string(s.mask),
                         support::drawQRModel1(s.version, s.level, s.mask, s.data), s.data});
    }
    std::printf("QR Model 1 (factory settings plus %s): read rate %% through scanner-sim decode; wrong labels\n",
                commands[0].c_str());
    bench_support::RunModuleMatrixTable(road, drawn, {2.0, 3.0, 4.5});
    return 0;
}
