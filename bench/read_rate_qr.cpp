// Read rates of QR Code and Micro QR through the product road, beside zxing-cpp and zbar,
// under the standard conditions and seen in a mirror, at every 15 degrees.
//
//   bench_read_rate_qr
#include "bench/support/read_rate_table.h"

#include <string>

namespace {

// zint: option_1 the level (1 L .. 4 H), option_2 the version, option_3 the mask + 1 in bits 8-10.
bench_support::ReadRateSymbol Qr(int version, int level, int mask, std::string const& data, bool micro = false)
{
    static char const* const kLevels = "LMQH";
    std::string const name = std::string(micro ? "Micro QR M" : "QR ") + std::to_string(version) + "-" +
                             kLevels[level - 1] + " mask " + std::to_string(mask);
    support::SymbolInput input{.symbology = micro ? BARCODE_MICROQR : BARCODE_QRCODE, .data = data};
    input.option1 = level;
    input.option2 = version;
    input.option3 = (mask + 1) << 8;
    return {name, input, {data}};
}

std::string Text(unsigned length)
{
    std::string text;
    for (unsigned i = 0; text.size() < length; ++i) {
        text += "Frame-" + std::to_string(i * 37 % 1000) + "/";
    }
    text.resize(length);
    return text;
}

}  // namespace

int main()
{
    using bench_support::ReadRateSpec;
    ReadRateSpec qr;
    qr.title = "QR Code (factory settings plus both polarities)";
    qr.setCommands = {"set readable_medium/positive_and_negative_codes/qr_code:\"POSITIVE_AND_NEGATIVE\""};
    qr.symbols = {
        Qr(1, 2, 0, "01234567"),
        Qr(2, 1, 3, "https://example.com/a"),
        Qr(4, 3, 5, Text(40)),
        Qr(7, 4, 2, Text(60)),
        Qr(10, 2, 6, Text(200)),
        Qr(15, 1, 1, Text(500)),
        Qr(25, 3, 4, Text(700)),
        Qr(40, 1, 7, Text(2900)),
    };
    qr.moduleSizes = {2.0, 3.0, 4.5};
    qr.conditions.push_back({"mirrored", [](support::RenderOptions& o, double) { o.mirrored = true; }});
    qr.zxingFormats = ZXing::BarcodeFormat::QRCode;
    qr.zbarSymbologies = {64};
    bench_support::RunReadRateTable(qr);

    ReadRateSpec micro = qr;
    micro.title = "Micro QR (factory settings plus read/micro_qr and both polarities)";
    micro.setCommands.push_back("set read/micro_qr:true");
    micro.symbols = {
        Qr(1, 1, 0, "12345", true),
        Qr(2, 1, 1, "ABC12", true),
        Qr(3, 2, 2, "micro 1", true),
        Qr(4, 3, 3, "Micro-QR", true),
    };
    micro.zxingFormats = ZXing::BarcodeFormat::MicroQRCode;
    micro.zbarSymbologies = {};
    bench_support::RunReadRateTable(micro);
    return 0;
}
