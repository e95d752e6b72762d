// Read rates of Code 39, Code 93, Code 11 and Codablock F through the product road, beside
// zxing-cpp and zbar where they read the symbology, under the standard conditions at
// every 15 degrees.
//
//   bench_read_rate_code39_code93_code11_codablock_f
#include "bench/support/read_rate_table.h"

int main()
{
    using bench_support::ReadRateSpec;
    std::string const both =
        "set readable_medium/positive_and_negative_codes/all_1d_and_composite_codes:\"POSITIVE_AND_NEGATIVE\"";

    ReadRateSpec code39;
    code39.title = "Code 39 (factory settings plus both polarities)";
    code39.setCommands = {both};
    code39.symbols = {
        {"Code 39 \"C39-TEST\"", {.symbology = BARCODE_CODE39, .data = "C39-TEST"}, {"C39-TEST"}},
    };
    code39.zxingFormats = ZXing::BarcodeFormat::Code39;
    code39.zbarSymbologies = {39};
    bench_support::RunReadRateTable(code39);

    ReadRateSpec code93;
    code93.title = "Code 93 (factory settings plus read/code93 and both polarities)";
    code93.setCommands = {"set read/code93:true", both};
    code93.symbols = {
        {"Code 93 \"C93-TEST\"", {.symbology = BARCODE_CODE93, .data = "C93-TEST"}, {"C93-TEST"}},
    };
    code93.zxingFormats = ZXing::BarcodeFormat::Code93;
    code93.zbarSymbologies = {93};
    bench_support::RunReadRateTable(code93);

    // Neither outside reader reads Code 11 or Codablock F.
    ReadRateSpec code11;
    code11.title = "Code 11 (factory settings plus read/code11 and both polarities)";
    code11.setCommands = {"set read/code11:true", both};
    code11.symbols = {
        {"Code 11 \"123-4567\" + C", {.symbology = BARCODE_CODE11, .data = "123-4567", .option2 = 1}, {"123-4567"}},
    };
    bench_support::RunReadRateTable(code11);

    ReadRateSpec codablock;
    codablock.title = "Codablock F (factory settings plus read/codablock_f and both polarities)";
    codablock.setCommands = {"set read/codablock_f:true", both};
    codablock.symbols = {
        {"Codablock F, 5 rows", {.symbology = BARCODE_CODABLOCKF, .data = "CODABLOCK F 123"}, {"CODABLOCK F 123"}},
    };
    bench_support::RunReadRateTable(codablock);
    return 0;
}
