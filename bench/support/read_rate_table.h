#pragma once
// Read-rate tables through the product road: zint symbols drawn at every angle step and
// module size under each condition, written as 10-bit image files, read by
// `scanner-sim decode` on a board configured with `set` commands, and by zxing-cpp and
// zbar on the same frames. Prints, per symbol and condition, the frames, the read rates,
// the wrong labels and our median milliseconds per frame.
//
//   bench_support::ReadRateSpec spec;
//   spec.title = "Code 39";
//   spec.setCommands = {"set read/code39:true"};
//   spec.symbols = {{"Code 39", {.symbology = BARCODE_CODE39, .data = "ABC-123"}, {"ABC-123"}}};
//   spec.zxingFormats = ZXing::BarcodeFormat::Code39;
//   spec.zbarSymbologies = {39};
//   bench_support::RunReadRateTable(spec);

#include "tests/support/symbol_renderer.h"

#include <ZXing/BarcodeFormat.h>

#include <cstdio>
#include <functional>
#include <string>
#include <vector>

namespace bench_support {

struct ReadRateSymbol {
    std::string name;
    support::SymbolInput input;
    // Every byte string that counts as this symbol's data (e.g. with or without a
    // transmitted check character); a label that is none of them is wrong.
    std::vector<std::string> accepted;
};

struct ReadRateCondition {
    std::string name;
    // Sets the condition's effects for a symbol drawn at `moduleSize` pixels per module.
    std::function<void(support::RenderOptions&, double moduleSize)> apply;
};

// clean, blurred, noisy, low contrast, light-on-dark, perspective.
std::vector<ReadRateCondition> StandardConditions();

struct ReadRateSpec {
    std::string title;
    std::vector<std::string> setCommands;     // on top of the factory settings
    std::vector<ReadRateSymbol> symbols;
    ZXing::BarcodeFormats zxingFormats{};     // none: zxing does not read these
    std::vector<int> zbarSymbologies;         // empty: zbar does not read these
    std::vector<double> moduleSizes{1.3, 2.0, 2.8, 4.0};
    int angleStep = 15;
    std::vector<ReadRateCondition> conditions = StandardConditions();
    // Modules of quiet zone either side that must lie in the frame with the
    // symbol; frames that cut them off are not drawn (no reader could read them).
    double quietModules = 10.0;
};

struct ReadRateRow {
    std::string symbol;
    std::string condition;
    unsigned frames = 0;       // frames in which the symbol fits
    unsigned reads[3] = {};    // ours, zxing, zbar
    unsigned wrong[3] = {};    // frames with a label that is not the symbol's
    bool measured[3] = {};     // the reader reads this symbology
    double ourMedianMs = 0;
    double zxingMedianMs = 0;  // zxing-cpp's own read of the same frames, when measured

    double Rate(unsigned k) const { return frames == 0 ? 0.0 : 100.0 * reads[k] / frames; }
};

// Runs the table and prints it to `out`; the rows, for a caller that checks them.
std::vector<ReadRateRow> RunReadRateTable(ReadRateSpec const& spec, std::FILE* out = stdout);

} // namespace bench_support
