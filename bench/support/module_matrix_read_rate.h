#pragma once
// Read rates of module matrices the project draws itself (symbols no outside
// encoder makes), through the product road: every 15 degrees at the given
// module sizes, under the standard conditions except perspective, which the
// module renderer does not draw. One printed row per symbol and condition.

#include <string>
#include <vector>

#include "bench/support/product_road.h"
#include "tests/support/qr_model1_symbol.h"

namespace bench_support {

struct ModuleMatrixSymbol {
    std::string name;  // the row's first column
    support::ModuleMatrix matrix;
    std::string data;  // the label expected
};

// SCANNER_BENCH_KEEP_MISSED=1 keeps the frames nothing was read from in
// /tmp/read-rate-missed-drawn.
void RunModuleMatrixTable(ProductRoad const& road, std::vector<ModuleMatrixSymbol> const& symbols,
                          std::vector<double> const& moduleSizes);

}  // namespace bench_support
