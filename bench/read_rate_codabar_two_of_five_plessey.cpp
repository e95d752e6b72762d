// Read rates of Codabar, the 2 of 5 family, MSI Plessey, UK Plessey, Telepen
// and Korean Postal through the product road, beside zxing-cpp and zbar where
// they read the symbology, under the standard conditions at every 15 degrees.
//
//   bench_read_rate_codabar_two_of_five_plessey
#include "bench/support/read_rate_table.h"
#include "tests/support/s_code_bars.h"

int main()
{
    using bench_support::ReadRateSpec;
    std::string const both =
        "set readable_medium/positive_and_negative_codes/all_1d_and_composite_codes:\"POSITIVE_AND_NEGATIVE\"";

    ReadRateSpec codabar;
    codabar.title = "Codabar (factory settings plus both polarities)";
    codabar.setCommands = {both};
    codabar.symbols = {{"Codabar A12345678B", {.symbology = BARCODE_CODABAR, .data = "A12345678B"},
                        {"12345678", "A12345678B"}},
                       {"Codabar 2.5:1", {.symbology = BARCODE_CODABAR, .data = "A12345678B", .wideRatio = 2.5},
                        {"12345678", "A12345678B"}},
                       {"Codabar 2:1", {.symbology = BARCODE_CODABAR, .data = "A12345678B", .wideRatio = 2.0},
                        {"12345678", "A12345678B"}}};
    codabar.zxingFormats = ZXing::BarcodeFormat::Codabar;
    codabar.zbarSymbologies = {38};
    bench_support::RunReadRateTable(codabar);

    ReadRateSpec itf;
    itf.title = "Interleaved 2 of 5 (factory settings plus both polarities)";
    itf.setCommands = {both};
    itf.symbols = {{"ITF 12345678", {.symbology = BARCODE_C25INTER, .data = "12345678"}, {"12345678"}},
                   {"ITF 12345678 2.5:1", {.symbology = BARCODE_C25INTER, .data = "12345678", .wideRatio = 2.5},
                    {"12345678"}},
                   {"ITF 12345678 2:1", {.symbology = BARCODE_C25INTER, .data = "12345678", .wideRatio = 2.0},
                    {"12345678"}},
                   {"ITF-14 1234567890123",
                    {.symbology = BARCODE_ITF14, .data = "1234567890123", .outputOptions = BARCODE_BIND},
                    {"12345678901231"}}};
    itf.zxingFormats = ZXing::BarcodeFormat::ITF;
    itf.zbarSymbologies = {25};
    bench_support::RunReadRateTable(itf);

    struct Other {
        char const* title;
        char const* set;
        char const* name;
        int symbology;
    };
    for (Other const& o : {Other{"Industrial 2 of 5", "set read/industrial2of5:true", "Industrial 394372", BARCODE_C25IND},
                           Other{"Matrix 2 of 5", "set read/matrix2of5:true", "Matrix 394292", BARCODE_C25STANDARD},
                           Other{"IATA 2 of 5", "set read/iata:true", "IATA 693517", BARCODE_C25IATA},
                           Other{"Chinese Post 2 of 5", "set read/chinese_post_matrix2of5:true", "Chinese Post 919657",
                                 BARCODE_C25LOGIC}}) {
        ReadRateSpec spec;
        spec.title = std::string(o.title) + " (factory settings plus " + o.set + " and both polarities)";
        spec.setCommands = {o.set, both};
        std::string const data = std::string(o.name).substr(std::string(o.name).rfind(' ') + 1);
        spec.symbols = {{o.name, {.symbology = o.symbology, .data = data}, {data}}};
        bench_support::RunReadRateTable(spec);
    }

    // No outside encoder or reader has S-code: drawn from the digit patterns.
    ReadRateSpec scode;
    scode.title = "S-code (factory settings plus set read/scode:true and both polarities)";
    scode.setCommands = {"set read/scode:true", both};
    std::string const sData = std::string("394712") + support::sCodeCheck("394712");
    for (double const wide : {3.0, 2.5}) {
        support::SymbolInput input;
        input.bars = support::sCodeBars(sData, wide);
        scode.symbols.push_back({"S-code " + sData + (wide == 3.0 ? " 3:1" : " 2.5:1"), input, {sData}});
    }
    bench_support::RunReadRateTable(scode);

    ReadRateSpec msi;
    msi.title = "MSI Plessey (factory settings plus set read/msi_plessey:true and both polarities)";
    msi.setCommands = {"set read/msi_plessey:true", both};
    msi.symbols = {{"MSI 1234567 mod 10", {.symbology = BARCODE_MSI_PLESSEY, .data = "1234567", .option2 = 1},
                    {"1234567"}}};
    bench_support::RunReadRateTable(msi);

    ReadRateSpec telepen;
    telepen.title = "Telepen (factory settings plus set read/telepen:true and both polarities)";
    telepen.setCommands = {"set read/telepen:true", both};
    telepen.symbols = {{"Telepen \"Telepen\"", {.symbology = BARCODE_TELEPEN, .data = "Telepen"}, {"Telepen"}}};
    bench_support::RunReadRateTable(telepen);

    ReadRateSpec uk;
    uk.title = "UK Plessey (factory settings plus set read/uk_plessey:true and both polarities)";
    uk.setCommands = {"set read/uk_plessey:true", both};
    uk.symbols = {{"UK Plessey 0A1B2C3D", {.symbology = BARCODE_PLESSEY, .data = "0A1B2C3D"}, {"0A1B2C3D"}}};
    bench_support::RunReadRateTable(uk);

    ReadRateSpec korean;
    korean.title = "Korean postal (factory settings plus set read/korean_postal_authority:true and both polarities)";
    korean.setCommands = {"set read/korean_postal_authority:true", both};
    korean.symbols = {{"Korean postal 123456", {.symbology = BARCODE_KOREAPOST, .data = "123456"}, {"123456"}}};
    bench_support::RunReadRateTable(korean);
    return 0;
}
