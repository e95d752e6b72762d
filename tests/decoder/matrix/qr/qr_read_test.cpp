// QR Code and Micro QR from rendered zint symbols through the decoder handle:
// versions, levels and masks under the standard conditions, the modes and
// their identifiers, damage up to and beyond a level's capacity, and the
// settings that switch reading off.

#include <gtest/gtest.h>

#include <string>

#include "tests/decoder/matrix/qr/qr_read_fixture.h"
#include "tests/support/polygon.h"

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

struct Case {
    char const* name;
    support::SymbolInput input;
    support::RenderOptions options;
    std::string data;
    char const* aim;
    int symbology;
};

TEST(QRReadTest, RealSymbols)
{
    QRReadHarness harness;
    ASSERT_TRUE(harness.IsReady());
    support::SymbolInput kanji{
        .symbology = BARCODE_QRCODE, .data = "\xE6\xBC\xA2\xE5\xAD\x97", .inputMode = UNICODE_MODE};
    support::SymbolInput eci{.symbology = BARCODE_QRCODE, .data = "a\\b", .inputMode = UNICODE_MODE, .eci = 26};
    support::SymbolInput gs1{.symbology = BARCODE_QRCODE, .data = "[01]09501101530008[10]ABC", .inputMode = GS1_MODE};
    Case const cases[] = {
        {"1-M numeric, 30 degrees", QR(1, 2, 0, "01234567"), {.moduleSize = 3.0, .angle = 30}, "01234567", "]Q1", 33},
        {"2-L light on dark", QR(2, 1, 3, "https://example.com/a"), {.moduleSize = 2.5, .angle = 75, .inverted = true},
         "https://example.com/a", "]Q1", 33},
        {"5-Q two block lengths, perspective", QR(5, 3, 4, Text(50)),
         {.moduleSize = 3.0, .angle = 200, .perspectiveX = 0.2, .perspectiveY = 0.1}, Text(50), "]Q1", 33},
        {"7-H version information, blurred", QR(7, 4, 2, Text(60)), {.moduleSize = 3.0, .angle = 120, .blur = 1.0},
         Text(60), "]Q1", 33},
        {"10-M noisy", QR(10, 2, 6, Text(200)), {.moduleSize = 2.5, .angle = 345, .noise = 25}, Text(200), "]Q1", 33},
        {"27-L sixteen-bit byte count", QR(27, 1, 1, Text(900)), {.moduleSize = 2.0, .angle = 0}, Text(900), "]Q1", 33},
        {"40-L", QR(40, 1, 7, Text(2900)), {.moduleSize = 2.2, .angle = 0}, Text(2900), "]Q1", 33},
        {"25-Q small, turned 135 degrees", QR(25, 3, 4, Text(700)), {.moduleSize = 2.0, .angle = 135}, Text(700),
         "]Q1", 33},
        // Upright, the quiet zone past the right-hand finder is one flat grey.
        {"25-Q low contrast", QR(25, 3, 4, Text(700)), {.moduleSize = 3.0, .angle = 0, .dark = 380, .light = 620},
         Text(700), "]Q1", 33},
        {"3-M mirrored", QR(3, 2, 5, Text(30)), {.moduleSize = 3.0, .angle = 40, .mirrored = true}, Text(30), "]Q1", 33},
        {"14-Q mirrored, perspective", QR(14, 3, 1, Text(250)),
         {.moduleSize = 2.5, .angle = 290, .mirrored = true, .perspectiveX = -0.15, .perspectiveY = 0.1}, Text(250),
         "]Q1", 33},
        {"Kanji as Shift JIS", kanji, {.moduleSize = 3.0, .angle = 10}, "\x8A\xBF\x8E\x9A", "]Q1", 33},
        {"ECI 26 doubles the backslash", eci, {.moduleSize = 3.0}, "\\000026a\\\\b", "]Q2", 33},
        {"GS1", gs1, {.moduleSize = 3.0, .angle = 260}, "010950110153000810ABC", "]Q3", 33},
        {"Micro M1", QR(1, 1, 0, "12345", true), {.moduleSize = 3.0, .angle = 45}, "12345", "]Q1", 34},
        {"Micro M2", QR(2, 2, 1, "AB12", true), {.moduleSize = 2.5, .angle = 160}, "AB12", "]Q1", 34},
        {"Micro M3 light on dark", QR(3, 1, 2, "micro 1", true), {.moduleSize = 3.0, .angle = 290, .inverted = true},
         "micro 1", "]Q1", 34},
        {"Micro M4-Q blurred", QR(4, 3, 3, "Micro-QR", true), {.moduleSize = 3.5, .angle = 15, .blur = 1.0},
         "Micro-QR", "]Q1", 34},
        {"Micro M2 small, near the diagonal", QR(2, 1, 1, "ABC12", true), {.moduleSize = 2.0, .angle = 225}, "ABC12",
         "]Q1", 34},
        {"Micro M1 heavy blur", QR(1, 1, 0, "12345", true), {.moduleSize = 3.0, .angle = 30, .blur = 1.6}, "12345", "]Q1",
         34},
        // Two pixels a module, blurred: the grid placed from the timing
        // modules lies a fiftieth too wide.
        {"Micro M1 small and blurred, 60 degrees", QR(1, 1, 0, "12345", true),
         {.moduleSize = 2.0, .angle = 60, .blur = 0.7}, "12345", "]Q1", 34},
        {"Micro M1 small and blurred, 330 degrees", QR(1, 1, 0, "12345", true),
         {.moduleSize = 2.0, .angle = 330, .blur = 0.7}, "12345", "]Q1", 34},
        {"Micro M3 perspective", QR(3, 2, 2, "micro 1", true),
         {.moduleSize = 3.0, .angle = 15, .perspectiveX = 0.2, .perspectiveY = 0.1}, "micro 1", "]Q1", 34},
        {"Micro M4 perspective, blurred", QR(4, 1, 1, "Micro-QR 4", true),
         {.moduleSize = 3.0, .angle = 250, .perspectiveX = 0.2, .perspectiveY = 0.1, .blur = 1.0}, "Micro-QR 4", "]Q1",
         34},
        {"Micro M2 mirrored", QR(2, 1, 1, "ABC12", true), {.moduleSize = 3.0, .angle = 100, .mirrored = true}, "ABC12",
         "]Q1", 34},
        {"Micro M4 mirrored light on dark", QR(4, 2, 0, "mirror 4", true),
         {.moduleSize = 3.0, .angle = 200, .inverted = true, .mirrored = true}, "mirror 4", "]Q1", 34},
    };
    for (Case const& c : cases) {
        support::Rendering const r = support::render(c.input, c.options);
        ASSERT_TRUE(r.symbol.ok) << c.name << ": " << r.symbol.error;
        QRRead const read = harness.Read(r.frame);
        EXPECT_TRUE(read.read) << c.name;
        EXPECT_EQ(read.data, c.data) << c.name;
        EXPECT_EQ(read.aim, c.aim) << c.name;
        EXPECT_EQ(read.symbology, c.symbology) << c.name;
        EXPECT_EQ(read.negative, c.options.inverted) << c.name;
    }
}

// Paints a light patch over the share [x0, x1] x [y0, y1] of an upright symbol.
support::Frame Damaged(support::Rendering const& r, double x0, double y0, double x1, double y1)
{
    support::Frame frame = r.frame;
    support::Point const a = r.symbol.corners[0];
    support::Point const c = r.symbol.corners[2];
    double const w = c.x - a.x;
    double const h = c.y - a.y;
    support::Polygon patch;
    patch.add({a.x + w * x0, a.y + h * y0});
    patch.add({a.x + w * x1, a.y + h * y0});
    patch.add({a.x + w * x1, a.y + h * y1});
    patch.add({a.x + w * x0, a.y + h * y1});
    support::fillPolygon(frame, patch, 900);
    return frame;
}

TEST(QRReadTest, DamageUpToTheLevelsCapacityAndBeyond)
{
    QRReadHarness harness;
    ASSERT_TRUE(harness.IsReady());
    std::string const data = Text(30);
    support::Rendering const high = support::render(QR(4, 4, 0, data), {.moduleSize = 3.0});
    support::Rendering const low = support::render(QR(4, 1, 0, data), {.moduleSize = 3.0});
    ASSERT_TRUE(high.symbol.ok && low.symbol.ok);
    // About 40 modules of the data area: a handful of codewords.
    QRRead const within = harness.Read(Damaged(high, 0.45, 0.45, 0.65, 0.6));
    EXPECT_TRUE(within.read);
    EXPECT_EQ(within.data, data);
    // The same patch on level L, and a third of the symbol on level H: no label.
    EXPECT_FALSE(harness.Read(Damaged(low, 0.3, 0.3, 0.75, 0.75)).read);
    EXPECT_FALSE(harness.Read(Damaged(high, 0.2, 0.25, 0.8, 0.85)).read);
}

TEST(QRReadTest, SettingsSwitchReadingOff)
{
    QRReadHarness harness;
    ASSERT_TRUE(harness.IsReady());
    using Polarity = ivra_configuration::configuration::readable_medium::positive_and_negative_codes::qr_code::Enum;
    support::SymbolInput const micro = QR(3, 1, 0, "micro 1", true);
    support::SymbolInput const qr = QR(2, 2, 0, "polarity");
    EXPECT_TRUE(harness.Read(micro, {.moduleSize = 3.0}).read);
    harness.Settings().read.micro_qr.Set(false);
    EXPECT_FALSE(harness.Read(micro, {.moduleSize = 3.0}).read);
    harness.Settings().readable_medium.positive_and_negative_codes.qr_code.Set(static_cast<Polarity>(0));
    EXPECT_TRUE(harness.Read(qr, {.moduleSize = 3.0}).read);
    EXPECT_FALSE(harness.Read(qr, {.moduleSize = 3.0, .inverted = true}).read);
    harness.Settings().readable_medium.positive_and_negative_codes.qr_code.Set(static_cast<Polarity>(1));
    EXPECT_FALSE(harness.Read(qr, {.moduleSize = 3.0}).read);
    EXPECT_TRUE(harness.Read(qr, {.moduleSize = 3.0, .inverted = true}).read);
    ivra_configuration::FixedLength fixed{};
    fixed.count = 1;
    fixed.lengths[0] = 7;
    fixed.maximum = ivra_configuration::FixedLength::kNoMaximum;
    harness.Settings().fixed_length.qr_code.Set(fixed);
    EXPECT_FALSE(harness.Read(qr, {.moduleSize = 3.0, .inverted = true}).read);
}

}  // namespace
}  // namespace qr_test
