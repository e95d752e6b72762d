// Read rates of PDF417, MicroPDF417 and GS1 composites through the product road,
// beside zxing-cpp, under the standard conditions at every 15 degrees.
//
//   bench_read_rate_pdf417 [pdf417] [compact] [micropdf417] [composite] [databar_composite]   (all by default)
#include "bench/support/read_rate_table.h"

#include <cstring>

namespace {

using bench_support::ReadRateSpec;
using bench_support::ReadRateSymbol;

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

ReadRateSymbol Pdf(std::string name, std::string data, int level, int columns)
{
    return {std::move(name), {.symbology = BARCODE_PDF417, .data = data, .option1 = level, .option2 = columns}, {data}};
}

ReadRateSymbol Compact(std::string name, std::string data, int columns)
{
    return {std::move(name), {.symbology = BARCODE_PDF417COMP, .data = data, .option2 = columns}, {data}};
}

ReadRateSymbol Micro(std::string name, std::string data, int columns)
{
    return {std::move(name), {.symbology = BARCODE_MICROPDF417, .data = data, .option2 = columns}, {data}};
}

}  // namespace

int main(int argc, char** argv)
{
    std::vector<std::string> const polarity = {
        "set readable_medium/positive_and_negative_codes/pdf_417:\"POSITIVE_AND_NEGATIVE\"",
        "set readable_medium/positive_and_negative_codes/all_1d_and_composite_codes:\"POSITIVE_AND_NEGATIVE\""};
    std::vector<double> const sizes = {1.5, 2.0, 2.5, 3.0};
    if (Wanted(argc, argv, "pdf417")) {
        ReadRateSpec spec;
        spec.title = "PDF417";
        spec.setCommands = polarity;
        spec.moduleSizes = sizes;
        spec.zxingFormats = ZXing::BarcodeFormat::PDF417;
        spec.symbols = {
            Pdf("level 2, 3 columns", "PDF417 level 2", 2, 3),
            Pdf("level 3, 6 columns", "Read rate of PDF417 at level 3, six columns", 3, 6),
            Pdf("level 5, 4 columns (tall)", "A taller symbol: 4 columns, level 5, 0123456789", 5, 4),
            Pdf("level 4, 12 columns (wide)", "Wide flat symbol 1234567890", 4, 12),
        };
        bench_support::RunReadRateTable(spec);
    }
    if (Wanted(argc, argv, "compact")) {
        ReadRateSpec spec;
        spec.title = "Compact PDF417";
        spec.setCommands = polarity;
        spec.moduleSizes = sizes;
        spec.zxingFormats = ZXing::BarcodeFormat::PDF417;
        spec.symbols = {
            Compact("2 columns", "Compact PDF417, two columns", 2),
            Compact("4 columns", "Compact PDF417 with four columns 0123456789", 4),
            Compact("6 columns", "Compact PDF417 with six data columns, 0123456789 ABCDEFGHIJ", 6),
        };
        bench_support::RunReadRateTable(spec);
    }
    if (Wanted(argc, argv, "micropdf417")) {
        ReadRateSpec spec;
        spec.title = "MicroPDF417";
        spec.setCommands = polarity;
        spec.setCommands.push_back("set read/micro_pdf417:true");
        spec.moduleSizes = sizes;
        // The zxing library here reads no MicroPDF417.
        spec.symbols = {
            Micro("1 column", "MicroPDF417", 1),
            Micro("2 columns", "Two columns 12345", 2),
            Micro("3 columns", "THREE COLUMNS 0123456789", 3),
            Micro("4 columns", "FOUR COLUMNS 1234567890", 4),
        };
        bench_support::RunReadRateTable(spec);
    }
    if (Wanted(argc, argv, "composite")) {
        ReadRateSpec spec;
        spec.title = "GS1 composite (EAN-13, EAN-8, UPC-A and GS1-128 with their 2D parts)";
        spec.setCommands = polarity;
        spec.setCommands.push_back("set read/composite_ean:true");
        spec.setCommands.push_back("set read/gs1_composite:true");
        spec.moduleSizes = sizes;
        spec.symbols = {
            {"EAN-13 + CC-A",
             {.symbology = BARCODE_EANX_CC, .data = "[99]1234-abcd", .option1 = 1, .inputMode = GS1_MODE,
              .primary = "331234567890"},
             {"3312345678903\x1c" "991234-abcd"}},
            {"EAN-8 + CC-A",
             {.symbology = BARCODE_EANX_CC, .data = "[99]1234-abcd", .option1 = 1, .inputMode = GS1_MODE,
              .primary = "1234567"},
             {"12345670\x1c" "991234-abcd"}},
            {"GS1-128 + CC-A",
             {.symbology = BARCODE_GS1_128_CC, .data = "[10]ABC123", .option1 = 1, .inputMode = GS1_MODE,
              .primary = "[01]09501101530003"},
             {"0109501101530003\x1c" "10ABC123"}},
            {"UPC-A + CC-B",
             {.symbology = BARCODE_UPCA_CC, .data = "[10]ABC123[21]XYZ789", .option1 = 2, .inputMode = GS1_MODE,
              .primary = "01234567890"},
             {"012345678905\x1c" "10ABC123\x1d" "21XYZ789"}},
            {"GS1-128 + CC-C",
             {.symbology = BARCODE_GS1_128_CC, .data = "[99]1234-abcd[21]1234567890", .option1 = 3,
              .inputMode = GS1_MODE, .primary = "[01]09501101530003"},
             {"0109501101530003\x1c" "991234-abcd\x1d" "211234567890"}},
        };
        bench_support::RunReadRateTable(spec);
    }
    if (Wanted(argc, argv, "databar_composite")) {
        ReadRateSpec spec;
        spec.title = "GS1 DataBar composite (Omnidirectional, Limited and Expanded with their 2D parts)";
        spec.setCommands = polarity;
        spec.setCommands.push_back("set read/gs1_composite:true");
        spec.moduleSizes = sizes;
        spec.symbols = {
            {"Omnidirectional + CC-A",
             {.symbology = BARCODE_DBAR_OMN_CC, .data = "[10]ABC123", .option1 = 1, .inputMode = GS1_MODE,
              .primary = "0950110153000"},
             {"0109501101530003\x1c" "10ABC123"}},
            {"Omnidirectional + CC-B",
             {.symbology = BARCODE_DBAR_OMN_CC, .data = "[10]ABC123[21]XYZ789[99]COMPOSITE", .option1 = 2,
              .inputMode = GS1_MODE, .primary = "0950110153000"},
             {"0109501101530003\x1c" "10ABC123\x1d" "21XYZ789\x1d" "99COMPOSITE"}},
            {"Limited + CC-A",
             {.symbology = BARCODE_DBAR_LTD_CC, .data = "[10]ABC123", .option1 = 1, .inputMode = GS1_MODE,
              .primary = "0950110153000"},
             {"0109501101530003\x1c" "10ABC123"}},
            {"Expanded + CC-A",
             {.symbology = BARCODE_DBAR_EXP_CC, .data = "[10]ABC123", .option1 = 1, .inputMode = GS1_MODE,
              .primary = "[01]09501101530003[3103]000123"},
             {"0109501101530003" "3103000123\x1c" "10ABC123"}},
            {"Expanded + CC-B",
             {.symbology = BARCODE_DBAR_EXP_CC, .data = "[10]ABC123[21]XYZ789[99]COMPOSITE", .option1 = 2,
              .inputMode = GS1_MODE, .primary = "[01]09501101530003[3103]000123"},
             {"0109501101530003" "3103000123\x1c" "10ABC123\x1d" "21XYZ789\x1d" "99COMPOSITE"}},
        };
        bench_support::RunReadRateTable(spec);
    }
    return 0;
}
