// Read rates of MaxiCode (modes 2 to 6) through the product road, beside
// zxing-cpp (which reads MaxiCode only from pure images), under the standard
// conditions at every 15 degrees.
//
//   bench_read_rate_maxicode
#include "bench/support/read_rate_table.h"

#include <string>

int main()
{
    std::string const gs = "\x1d";
    bench_support::ReadRateSpec spec;
    spec.title = "MaxiCode, modes 2 to 6 (factory settings + set read/maxi_code:true)";
    spec.setCommands = {"set read/maxi_code:true"};
    spec.zxingFormats = ZXing::BarcodeFormat::MaxiCode;
    // A MaxiCode symbol is about 30 modules across: below 2.5 pixels a module
    // its hexagons fall between the pixels.
    spec.moduleSizes = {3.0, 4.0, 5.5};
    std::string const secondary = "1Z00004951" + gs + "UPSN" + gs + "06X610" + gs + "159";
    spec.symbols = {
        {"mode 2", {.symbology = BARCODE_MAXICODE, .data = secondary, .option1 = 2, .primary = "152382802840001"},
         {"152382802" + gs + "840" + gs + "001" + gs + secondary}},
        {"mode 3", {.symbology = BARCODE_MAXICODE, .data = secondary, .option1 = 3, .primary = "B1050 056999"},
         {"B1050 " + gs + "056" + gs + "999" + gs + secondary}},
        {"mode 4", {.symbology = BARCODE_MAXICODE, .data = "MaxiCode mode 4: 0123456789 text", .option1 = 4},
         {"MaxiCode mode 4: 0123456789 text"}},
        {"mode 5", {.symbology = BARCODE_MAXICODE, .data = "ENHANCED ERROR CORRECTION 5", .option1 = 5},
         {"ENHANCED ERROR CORRECTION 5"}},
        {"mode 6", {.symbology = BARCODE_MAXICODE, .data = "READER PROGRAMMING", .option1 = 6},
         {"READER PROGRAMMING"}},
    };
    bench_support::RunReadRateTable(spec);
    return 0;
}
