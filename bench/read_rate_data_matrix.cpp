// Read rates of Data Matrix ECC 200 through the product road, beside zxing-cpp, under
// the standard conditions at every 15 degrees and 2 to 4.5 pixels per module: square
// sizes from 10 x 10 to 144 x 144 with one to ten interleaved blocks, the rectangles,
// and data that zint encodes in each encodation.
//
//   bench_read_rate_data_matrix [NAME...]    (a part of a symbol's name; all by default)
#include "bench/support/read_rate_table.h"

#include <cstring>

namespace {

using bench_support::ReadRateSymbol;

// zint's size option: 1 .. 24 the squares 10 x 10 .. 144 x 144, 25 .. 30 the rectangles.
ReadRateSymbol Symbol(std::string name, std::string data, int size, int inputMode = DATA_MODE,
                      std::string expected = {})
{
    support::SymbolInput input{.symbology = BARCODE_DATAMATRIX, .data = data, .option2 = size,
                               .inputMode = inputMode};
    return {std::move(name), input, {expected.empty() ? data : expected}};
}

bool Wanted(int argc, char** argv, std::string const& name)
{
    if (argc < 2) {
        return true;
    }
    for (int i = 1; i < argc; ++i) {
        if (name.find(argv[i]) != std::string::npos) {
            return true;
        }
    }
    return false;
}

}  // namespace

int main(int argc, char** argv)
{
    std::string binary;
    for (int i = 0; i < 40; ++i) {
        binary += static_cast<char>(0x80 + i * 3);
    }
    std::vector<ReadRateSymbol> const all = {
        Symbol("10x10 ASCII digits", "123456", 1),
        Symbol("12x12 ASCII", "Ab12", 2),
        Symbol("16x16 Text", "hello world ab", 4),
        Symbol("20x20 C40", "DATA MATRIX 2024 C40", 6),
        Symbol("24x24 X12", "ABC*123>XYZ*456>QRS*78", 8),
        Symbol("26x26 EDIFACT", "AB=CD;EF@GH:IJ?KL=MN;OP", 9),
        Symbol("32x32 Base 256", binary, 10),
        Symbol("44x44 mixed", "Data Matrix ECC 200 reads ASCII, C40 and TEXT 0123456789", 13),
        Symbol("52x52 two blocks", std::string(120, 'x') + "0123456789", 15),
        Symbol("72x72 four blocks", std::string(200, 'Q') + "abcdefghij0123456789", 17),
        Symbol("96x96 GS1", "[01]09501101530003[17]251231[10]ABC123", 20, GS1_MODE,
               "010950110153000317251231" "10ABC123"),
        Symbol("144x144 ten blocks", std::string(900, '7') + "END", 24),
        Symbol("8x18", "12345", 25),
        Symbol("12x36", "ABCDEF123456", 28),
        Symbol("16x48", "Rectangular 16x48 Data", 30),
    };
    bench_support::ReadRateSpec spec;
    spec.title = "Data Matrix (factory settings plus both polarities)";
    spec.setCommands = {"set readable_medium/positive_and_negative_codes/data_matrix:\"POSITIVE_AND_NEGATIVE\""};
    spec.zxingFormats = ZXing::BarcodeFormat::DataMatrix;
    spec.moduleSizes = {2.0, 3.0, 4.5};
    for (ReadRateSymbol const& symbol : all) {
        if (Wanted(argc, argv, symbol.name)) {
            spec.symbols.push_back(symbol);
        }
    }
    bench_support::RunReadRateTable(spec);
    return 0;
}
