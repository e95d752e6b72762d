// Read rates of every GS1 DataBar form through the product road, beside zxing-cpp and
// zbar, under the standard conditions at every 15 degrees.
//
//   bench_read_rate_gs1_databar [FORM...]    (omni truncated stacked stacked_omni limited
//                                             expanded expanded_stacked; all by default)
#include "bench/support/read_rate_table.h"

#include <cstring>

namespace {

using bench_support::ReadRateSpec;
using bench_support::ReadRateSymbol;

// The GTIN-14 09501101530003 as the forms transmit it: "01", 13 digits, check digit.
std::vector<std::string> const kGtin = {"0109501101530003", "09501101530003"};

support::SymbolInput Gtin(int symbology, float height = 0.0f)
{
    return {.symbology = symbology, .data = "0950110153000", .height = height};
}

support::SymbolInput Gs1(int symbology, std::string data, int columns = 0)
{
    return {.symbology = symbology, .data = std::move(data), .option2 = columns, .inputMode = GS1_MODE};
}

bool Wanted(int argc, char** argv, char const* form)
{
    if (argc < 2) {
        return true;
    }
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], form) == 0) {
            return true;
        }
    }
    return false;
}

}  // namespace

int main(int argc, char** argv)
{
    // The factory settings read every DataBar form; both polarities are added so
    // that the light-on-dark frames count.
    ReadRateSpec base;
    base.setCommands = {
        "set readable_medium/positive_and_negative_codes/all_1d_and_composite_codes:\"POSITIVE_AND_NEGATIVE\""};
    base.zxingFormats = ZXing::BarcodeFormat::DataBar;
    base.zbarSymbologies = {34};

    struct Form {
        char const* name;
        char const* title;
        std::vector<ReadRateSymbol> symbols;
        bool expanded;
        bool limited;
    };
    std::string const expandedText = "0198898765432106320201234515991231";
    std::string const longText = std::string("019889876543210621ABCDEFGHIJKLMNOPQRST") + '\x1d' + "10ABCDEFGH";
    std::string const eightRows = std::string("019889876543210621ABCDEFGHIJ") + '\x1d' + "10ABCD";
    std::string const tenRows = std::string("019889876543210621ABCDEFGHIJKLMNOPQ") + '\x1d' + "10ABCDEFG";
    std::vector<Form> const forms = {
        {"omni", "GS1 DataBar Omnidirectional", {{"Omnidirectional", Gtin(BARCODE_DBAR_OMN), kGtin}}, false, false},
        {"truncated", "GS1 DataBar Truncated", {{"Truncated (13 modules high)", Gtin(BARCODE_DBAR_OMN, 13), kGtin}},
         false, false},
        {"stacked", "GS1 DataBar Stacked", {{"Stacked", Gtin(BARCODE_DBAR_STK), kGtin}}, false, false},
        {"stacked_omni", "GS1 DataBar Stacked Omnidirectional",
         {{"Stacked Omnidirectional", Gtin(BARCODE_DBAR_OMNSTK), kGtin}}, false, false},
        {"limited", "GS1 DataBar Limited", {{"Limited", Gtin(BARCODE_DBAR_LTD), kGtin}}, false, true},
        {"expanded", "GS1 DataBar Expanded",
         {{"Expanded", Gs1(BARCODE_DBAR_EXP, "[01]98898765432106[3202]012345[15]991231"), {expandedText}}}, true,
         false},
        {"expanded_stacked", "GS1 DataBar Expanded Stacked",
         {{"Expanded Stacked, 2 rows", Gs1(BARCODE_DBAR_EXPSTK, "[01]98898765432106[3202]012345[15]991231", 2),
           {expandedText}},
          {"Expanded Stacked, 4 rows", Gs1(BARCODE_DBAR_EXPSTK, "[01]98898765432106[3202]012345[15]991231", 1),
           {expandedText}},
          {"Expanded Stacked, 8 rows",
           Gs1(BARCODE_DBAR_EXPSTK, "[01]98898765432106[21]ABCDEFGHIJ[10]ABCD", 1), {eightRows}},
          {"Expanded Stacked, 10 rows",
           Gs1(BARCODE_DBAR_EXPSTK, "[01]98898765432106[21]ABCDEFGHIJKLMNOPQ[10]ABCDEFG", 1), {tenRows}},
          {"Expanded Stacked, 11 rows",
           Gs1(BARCODE_DBAR_EXPSTK, "[01]98898765432106[21]ABCDEFGHIJKLMNOPQRST[10]ABCDEFGH", 1), {longText}}},
         true, false},
    };
    for (Form const& form : forms) {
        if (!Wanted(argc, argv, form.name)) {
            continue;
        }
        ReadRateSpec spec = base;
        spec.title = std::string(form.title) + " (factory settings plus both polarities)";
        spec.symbols = form.symbols;
        if (form.expanded) {
            spec.zxingFormats = ZXing::BarcodeFormat::DataBarExpanded;
            spec.zbarSymbologies = {35};
        }
        if (form.limited) {
            // Neither outside reader reads DataBar Limited.
            spec.zxingFormats = ZXing::BarcodeFormats{};
            spec.zbarSymbologies = {};
        }
        bench_support::RunReadRateTable(spec);
    }
    return 0;
}
