// Read rates of Code 128, GS1-128 and UPC/EAN through the product road, beside zxing-cpp
// and zbar, under the standard conditions at every 15 degrees.
//
//   bench_read_rate_code128_upc_ean
#include "bench/support/read_rate_table.h"

int main()
{
    using bench_support::ReadRateSpec;
    ReadRateSpec code128;
    code128.title = "Code 128 (factory settings plus both polarities)";
    code128.setCommands = {
        "set readable_medium/positive_and_negative_codes/all_1d_and_composite_codes:\"POSITIVE_AND_NEGATIVE\""};
    code128.symbols = {
        {"Code 128 \"Scan-0042\"", {.symbology = BARCODE_CODE128, .data = "Scan-0042"}, {"Scan-0042"}},
    };
    code128.zxingFormats = ZXing::BarcodeFormat::Code128;
    code128.zbarSymbologies = {128};
    bench_support::RunReadRateTable(code128);

    ReadRateSpec ean = code128;
    ean.title = "EAN-13 and UPC-A (factory settings plus both polarities)";
    ean.symbols = {
        {"EAN-13 4006381333931", {.symbology = BARCODE_EANX, .data = "400638133393"}, {"4006381333931"}},
        {"UPC-A 012345678905", {.symbology = BARCODE_UPCA, .data = "01234567890"}, {"012345678905"}},
    };
    ean.zxingFormats = ZXing::BarcodeFormat::EAN13 | ZXing::BarcodeFormat::UPCA;
    ean.zbarSymbologies = {13, 12};
    bench_support::RunReadRateTable(ean);
    return 0;
}
