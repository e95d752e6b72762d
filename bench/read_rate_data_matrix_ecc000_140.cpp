// Read rates of Data Matrix ECC 000-140 through the product road, from
// symbols the project draws itself (no outside reader or encoder makes
// them), every level, at every 15 degrees, 2 to 4.5 pixels per module, under
// the standard conditions except perspective, which the module renderer does
// not draw.
//
//   bench_read_rate_data_matrix_ecc000_140 [SIDE...]   (all sides when none)
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "bench/support/module_matrix_read_rate.h"
#include "bench/support/product_road.h"
#include "tests/support/data_matrix_ecc000_140_symbol.h"

namespace {

struct Symbol {
    int side;
    int level;  // -1: ECC 000
    int format;
    std::string data;
};

}  // namespace

int main(int argc, char** argv)
{
    std::vector<std::string> const commands = {
        "set read/data_matrix_ecc000_140:true",
        "set readable_medium/positive_and_negative_codes/data_matrix:\"POSITIVE_AND_NEGATIVE\""};
    bench_support::ProductRoad road(commands);
    if (!road.ready()) {
        std::printf("Data Matrix ECC 000-140: %s\n", road.why().c_str());
        return 1;
    }
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
    std::vector<bench_support::ModuleMatrixSymbol> drawn;
    for (Symbol const& s : symbols) {
        bool wanted = argc < 2;
        for (int i = 1; i < argc; ++i) {
            wanted = wanted || std::atoi(argv[i]) == s.side;
        }
        if (wanted) {
            std::string const level = s.level < 0 ? "ECC000" : "code" + std::to_string(s.level);
            drawn.push_back({std::to_string(s.side) + "x" + std::to_string(s.side) + "-" + level,
                             support::drawDataMatrixEcc000To140(s.side, s.level, s.format, s.data), s.data});
        }
    }
    std::printf("Data Matrix ECC 000-140 (factory settings plus %s, %s): read rate %% through scanner-sim decode; "
                "wrong labels\n",
                commands[0].c_str(), commands[1].c_str());
    bench_support::RunModuleMatrixTable(road, drawn, {2.0, 3.0, 4.5});
    return 0;
}
