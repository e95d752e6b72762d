// The renderer judged by an independent decoder: a frame it draws must read
// back to exactly the data zint encoded.

#include "tests/support/outside_reader.h"
#include "tests/support/symbol_renderer.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

namespace support {
namespace {

struct ReadCase {
    char const* name;
    SymbolInput input;
    RenderOptions options;
    std::string expected; // empty: zint's text, or the data when zint has none
};

std::string expectedContent(ReadCase const& c, RenderedSymbol const& symbol)
{
    if (!c.expected.empty())
        return c.expected;
    return symbol.text.empty() ? symbol.data : symbol.text;
}

void PrintTo(ReadCase const& c, std::ostream* os)
{
    *os << c.name;
}

class ReadBack : public testing::TestWithParam<ReadCase> {};

TEST_P(ReadBack, OutsideReaderGetsTheEncodedData)
{
    ReadCase const& c = GetParam();
    Rendering const r = render(c.input, c.options);
    ASSERT_TRUE(r.symbol.ok) << r.symbol.error;
    auto const reads = readWithOutsideReader(r.frame, c.input.symbology);
    ASSERT_EQ(reads.size(), 1u);
    EXPECT_EQ(reads[0].bytes, expectedContent(c, r.symbol));
}

SymbolInput code128{.symbology = BARCODE_CODE128, .data = "Scan-42 ok"};
SymbolInput ean13{.symbology = BARCODE_EANX, .data = "400638133393"};
SymbolInput qr{.symbology = BARCODE_QRCODE, .data = "QR renderer check 0123"};
SymbolInput dataMatrix{.symbology = BARCODE_DATAMATRIX, .data = "Data Matrix 2024"};
// A row-scanning reader needs bars tall enough to cross at an angle.
SymbolInput code128Tall{.symbology = BARCODE_CODE128, .data = "Scan-42 ok", .height = 70};

INSTANTIATE_TEST_SUITE_P(
    Upright, ReadBack,
    testing::Values(ReadCase{"code128_2_5", code128, {.moduleSize = 2.5}, {}},
                    ReadCase{"code128_3", code128, {.moduleSize = 3.0}, {}},
                    ReadCase{"code128_4", code128, {.moduleSize = 4.0}, {}},
                    ReadCase{"ean13_2_5", ean13, {.moduleSize = 2.5}, {}},
                    ReadCase{"ean13_3", ean13, {.moduleSize = 3.0}, {}},
                    ReadCase{"ean13_5_5", ean13, {.moduleSize = 5.5}, {}},
                    ReadCase{"qr_1_5", qr, {.moduleSize = 1.5}, {}},
                    ReadCase{"qr_2", qr, {.moduleSize = 2.0}, {}},
                    ReadCase{"qr_3_3", qr, {.moduleSize = 3.3}, {}},
                    ReadCase{"qr_8", qr, {.moduleSize = 8.0}, {}},
                    ReadCase{"datamatrix_2_5", dataMatrix, {.moduleSize = 2.5}, {}},
                    ReadCase{"datamatrix_2", dataMatrix, {.moduleSize = 2.0}, {}},
                    ReadCase{"datamatrix_3_3", dataMatrix, {.moduleSize = 3.3}, {}},
                    ReadCase{"datamatrix_8", dataMatrix, {.moduleSize = 8.0}, {}},
                    ReadCase{"qr_binary",
                             {.symbology = BARCODE_QRCODE, .data = std::string("\x00\xff\x80\x1d bytes", 10)},
                             {.moduleSize = 4.0},
                             {}},
                    ReadCase{"gs1_128",
                             {.symbology = BARCODE_GS1_128, .data = "[01]09501101530003[10]AB1", .inputMode = GS1_MODE},
                             {.moduleSize = 2.5},
                             "010950110153000310AB1"},
                    ReadCase{"gs1_datamatrix",
                             {.symbology = BARCODE_DATAMATRIX, .data = "[10]AB1[01]09501101530003", .inputMode = GS1_MODE},
                             {.moduleSize = 4.0},
                             "10AB1\x1d" "0109501101530003"},
                    ReadCase{"code128_off_centre", code128, {.moduleSize = 2.7, .centre = Point{301.3, 97.6}}, {}}),
    [](auto const& info) { return std::string(info.param.name); });

INSTANTIATE_TEST_SUITE_P(
    Turned, ReadBack,
    testing::Values(ReadCase{"code128_90", code128Tall, {.moduleSize = 3.0, .angle = 90}, {}},
                    ReadCase{"code128_200", code128Tall, {.moduleSize = 3.0, .angle = 200}, {}},
                    ReadCase{"ean13_90", ean13, {.moduleSize = 3.0, .angle = 90}, {}},
                    ReadCase{"ean13_200", ean13, {.moduleSize = 3.0, .angle = 200}, {}},
                    ReadCase{"qr_30", qr, {.moduleSize = 4.0, .angle = 30}, {}},
                    ReadCase{"qr_90", qr, {.moduleSize = 4.0, .angle = 90}, {}},
                    ReadCase{"qr_200", qr, {.moduleSize = 4.0, .angle = 200}, {}},
                    ReadCase{"datamatrix_30", dataMatrix, {.moduleSize = 4.0, .angle = 30}, {}},
                    ReadCase{"datamatrix_90", dataMatrix, {.moduleSize = 4.0, .angle = 90}, {}},
                    ReadCase{"datamatrix_200", dataMatrix, {.moduleSize = 4.0, .angle = 200}, {}}),
    [](auto const& info) { return std::string(info.param.name); });

// Camera effects in moderation: the symbol must stay a readable symbol.
INSTANTIATE_TEST_SUITE_P(
    Camera, ReadBack,
    testing::Values(ReadCase{"qr_keystone", qr, {.moduleSize = 4.0, .angle = 10, .perspectiveX = 0.15}, {}},
                    ReadCase{"ean13_tilted", ean13, {.moduleSize = 3.0, .perspectiveY = 0.3}, {}},
                    ReadCase{"datamatrix_blur_noise", dataMatrix,
                             {.moduleSize = 4.0, .angle = 15, .blur = 0.8, .noise = 20, .seed = 3}, {}},
                    ReadCase{"code128_lighting", code128,
                             {.moduleSize = 3.0, .lighting = 0.6, .lightingAngle = 30, .noise = 10}, {}},
                    ReadCase{"qr_low_contrast", qr, {.moduleSize = 3.0, .dark = 300, .light = 600}, {}}),
    [](auto const& info) { return std::string(info.param.name); });

// zxing-cpp 1.4 reads only dark-on-light symbols, so an inverted frame is
// turned back before reading; what this checks is that polarity is a pure
// exchange of the two levels.
TEST(ReadBackInverted, LightOnDarkReadsAfterInverting)
{
    for (SymbolInput const& input : {code128, ean13, qr, dataMatrix}) {
        RenderOptions const options{.background = 300, .moduleSize = 3.0, .angle = 12, .inverted = true};
        Rendering r = render(input, options);
        ASSERT_TRUE(r.symbol.ok) << r.symbol.error;
        invert(r.frame);
        auto const reads = readWithOutsideReader(r.frame, input.symbology);
        ASSERT_EQ(reads.size(), 1u) << input.symbology;
        EXPECT_EQ(reads[0].bytes, r.symbol.text.empty() ? input.data : r.symbol.text);
    }
}

TEST(ReadBackSeveral, EverySymbolOfAFrameReads)
{
    Frame frame = makeFrame();
    // zxing-cpp's Data Matrix detector searches outwards from the frame centre.
    RenderedSymbol const a = drawSymbol(frame, qr, {.moduleSize = 3.0, .angle = 20, .centre = Point{120, 110}, .quietZone = 4});
    RenderedSymbol const b = drawSymbol(frame, dataMatrix, {.moduleSize = 4.0, .angle = 280, .quietZone = 2});
    RenderedSymbol const c = drawSymbol(frame, ean13, {.moduleSize = 2.0, .centre = Point{470, 380}});
    ASSERT_TRUE(a.ok && b.ok && c.ok);
    auto reads = readWithOutsideReader(frame);
    ASSERT_EQ(reads.size(), 3u);
    std::multiset<std::string> got;
    for (auto const& read : reads)
        got.insert(read.bytes);
    EXPECT_EQ(got, (std::multiset<std::string>{qr.data, dataMatrix.data, c.text}));
}

// The outside reader reports QR corners in the same order (top-left first,
// clockwise as the symbol reads), which pins down angle and corner order.
TEST(ReadBackCorners, AgreeWithTheOutsideReader)
{
    for (double angle : {0.0, 30.0, 90.0, 200.0, -75.0}) {
        Rendering const r = render(qr, {.moduleSize = 4.0, .angle = angle});
        auto const reads = readWithOutsideReader(r.frame, BARCODE_QRCODE);
        ASSERT_EQ(reads.size(), 1u) << angle;
        for (size_t i = 0; i < 4; ++i) {
            EXPECT_NEAR(reads[0].position[i].x, r.symbol.corners[i].x, 1.5) << angle << " corner " << i;
            EXPECT_NEAR(reads[0].position[i].y, r.symbol.corners[i].y, 1.5) << angle << " corner " << i;
        }
    }
}

TEST(OutsideReader, RefusesWhatItCannotRead)
{
    EXPECT_FALSE(outsideReaderSupports(BARCODE_DOTCODE));
    EXPECT_TRUE(readWithOutsideReader(makeFrame(), BARCODE_DOTCODE).empty());
    EXPECT_TRUE(readWithOutsideReader(Frame{}, BARCODE_QRCODE).empty());
    Frame broken = makeFrame(10, 10);
    broken.pixels.resize(50);
    EXPECT_TRUE(readWithOutsideReader(broken, BARCODE_QRCODE).empty());
    EXPECT_TRUE(readWithOutsideReader(makeFrame(), BARCODE_QRCODE).empty());
}

} // namespace
} // namespace support
