// DotCode read from rendered frames through the decoder handle, as the
// symbol locator hands the dots over: sizes, angles and conditions of real
// symbols, light dots on dark, damage, and frames that hold no symbol.

#include <gtest/gtest.h>

#include <cmath>

#include <string>

#include "tests/decoder/matrix/dot_code/dot_code_fixture.h"
#include "tests/support/clutter.h"
#include "tests/support/random.h"

namespace {

using dot_code_test::DotCodeHarness;
using dot_code_test::DotCodeInput;

class DotCodeReadTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(harness.IsReady()); }
    DotCodeHarness harness;
};

TEST_F(DotCodeReadTest, SymbolsReadAtAnySizeAngleAndCondition)
{
    struct Case {
        char const* name;
        support::SymbolInput input;
        support::RenderOptions options;
        std::string data;
        char const* aim;
    } const cases[] = {
        {"clean", DotCodeInput("DotCode 1234"), {.moduleSize = 3.5}, "DotCode 1234", "]J0"},
        {"small dots turned", DotCodeInput("DotCode 1234"), {.moduleSize = 2.5, .angle = 60}, "DotCode 1234", "]J0"},
        {"large dots turned", DotCodeInput("123456789012345678901234567890"), {.moduleSize = 5.0, .angle = 135},
         "123456789012345678901234567890", "]J0"},
        {"gs1 upside down", DotCodeInput("[01]09501101530003[17]250101", GS1_MODE), {.moduleSize = 3.0, .angle = 180},
         "0109501101530003" "17250101", "]J1"},
        {"perspective", DotCodeInput("Perspective 42"),
         {.moduleSize = 3.5, .angle = 20, .perspectiveX = 0.2, .perspectiveY = 0.1}, "Perspective 42", "]J0"},
        {"blurred", DotCodeInput("Blurred dots"), {.moduleSize = 3.5, .angle = 75, .blur = 1.2}, "Blurred dots", "]J0"},
        {"low contrast and noise", DotCodeInput("Faint 0123"),
         {.moduleSize = 3.0, .angle = 250, .dark = 380, .light = 620, .noise = 20}, "Faint 0123", "]J0"},
        {"long text", DotCodeInput(std::string(150, 'x') + "END"), {.moduleSize = 2.5, .angle = 10},
         std::string(150, 'x') + "END", "]J0"},
        // The locator finds few dots in these: the decoder looks around them.
        {"smallest symbol blurred", DotCodeInput("1"), {.moduleSize = 3.5, .angle = 30, .blur = 1.2}, "1", "]J0"},
        {"smallest symbol, large dots blurred", DotCodeInput("1"), {.moduleSize = 5.0, .angle = 30, .blur = 1.75},
         "1", "]J0"},
        {"large dots blurred into runs", DotCodeInput("123456789012345678901234567890"),
         {.moduleSize = 5.0, .angle = 45, .blur = 1.75}, "123456789012345678901234567890", "]J0"},
        {"large dots noisy", DotCodeInput("AB12"), {.moduleSize = 5.0, .angle = 30, .noise = 25}, "AB12", "]J0"},
    };
    for (auto const& c : cases) {
        support::Rendering const r = support::render(c.input, c.options);
        ASSERT_TRUE(r.symbol.ok) << c.name << ": " << r.symbol.error;
        auto const& labels = harness.Read(r.frame);
        ASSERT_EQ(labels.size(), 1u) << c.name;
        EXPECT_EQ(labels[0].data, c.data) << c.name;
        EXPECT_EQ(labels[0].aim, c.aim) << c.name;
        EXPECT_EQ(labels[0].flag, 0u) << c.name;
    }
}

TEST_F(DotCodeReadTest, LightDotsOnDarkAreReadAndMarked)
{
    support::Rendering const r =
        support::render(DotCodeInput("Light on dark"), {.moduleSize = 3.5, .angle = 40, .inverted = true});
    auto const& labels = harness.Read(r.frame);
    ASSERT_EQ(labels.size(), 1u);
    EXPECT_EQ(labels[0].data, "Light on dark");
    EXPECT_EQ(labels[0].flag, 1u);
}

// The label's region starts at the corner of the first codeword and goes
// round the symbol clockwise as printed, however it lies: the top-left of a
// symbol of odd width (read by columns), the bottom-left of one of odd
// height (the same layout turned a quarter).
TEST_F(DotCodeReadTest, TheRegionStartsAtTheFirstCodewordAndGoesClockwise)
{
    for (char const* text : {"Corners", "12345678901234567890", "A longer text of many more words"}) {
        for (double angle = 0; angle < 360; angle += 45) {
            support::Rendering const r = support::render(DotCodeInput(text), {.moduleSize = 4.0, .angle = angle});
            auto const& labels = harness.Read(r.frame);
            ASSERT_EQ(labels.size(), 1u) << text << " at " << angle;
            tagDEC2D_REGION const& g = labels[0].region;
            support::Point const found[4] = {{double(g.x0), double(g.y0)}, {double(g.x1), double(g.y1)},
                                             {double(g.x2), double(g.y2)}, {double(g.x3), double(g.y3)}};
            bool const oddWidth = static_cast<int>(std::lround(r.symbol.widthModules)) % 2 == 1;
            for (unsigned k = 0; k < 4; ++k) {
                support::Point const& drawn = r.symbol.corners[(k + (oddWidth ? 0 : 3)) % 4];
                double const dx = found[k].x - drawn.x;
                double const dy = found[k].y - drawn.y;
                EXPECT_LT(dx * dx + dy * dy, 12.0 * 12.0) << text << " at " << angle << ", corner " << k;
            }
        }
    }
}

TEST_F(DotCodeReadTest, TheSymbolRecordTellsHowFarTheDotsStandFromTheGround)
{
    support::Rendering const r = support::render(DotCodeInput("Record 42"), {.moduleSize = 3.5, .angle = 30});
    ASSERT_TRUE(r.symbol.ok);
    auto const& off = harness.Read(r.frame);
    ASSERT_EQ(off.size(), 1u);
    EXPECT_EQ(off[0].further.present, 0);
    harness.Settings().code.common_2d.fill_symbol_record.Set(true);
    for (bool const inverted : {false, true}) {
        support::Rendering const s =
            support::render(DotCodeInput("Record 42"), {.moduleSize = 3.5, .angle = 30, .inverted = inverted});
        auto const& labels = harness.Read(s.frame);
        ASSERT_EQ(labels.size(), 1u) << inverted;
        EXPECT_EQ(labels[0].data, "Record 42");
        tagFurtherRecord const& record = labels[0].further;
        EXPECT_EQ(record.present, 1) << inverted;
        // The dots' mean luminance against the ground's, far apart; dark dots
        // give a negative product.
        unsigned const dots = static_cast<unsigned>(record.value2);
        EXPECT_EQ(record.value1 < 0, !inverted);
        EXPECT_GT(inverted ? dots : record.value4, 2 * (inverted ? record.value4 : dots)) << inverted;
    }
}

TEST_F(DotCodeReadTest, DamageWithinTheCorrectionReadsAndBeyondItGivesNoLabel)
{
    support::Rendering r = support::render(DotCodeInput("Damaged symbol 0123456789"), {.moduleSize = 4.0});
    ASSERT_TRUE(r.symbol.ok);
    auto paint = [&](double from, double to) {
        // A light stripe across the symbol, as a scratch through its dots.
        for (int y = 0; y < r.frame.height; ++y) {
            for (int x = 0; x < r.frame.width; ++x) {
                support::Point const m = r.symbol.toModule({double(x), double(y)});
                if (m.x >= from && m.x < to && m.y >= 0 && m.y < r.symbol.heightModules) {
                    r.frame.at(x, y) = 900;
                }
            }
        }
    };
    paint(8.0, 10.0);
    auto const& scratched = harness.Read(r.frame);
    ASSERT_EQ(scratched.size(), 1u);
    EXPECT_EQ(scratched[0].data, "Damaged symbol 0123456789");
    paint(4.0, 16.0);
    EXPECT_TRUE(harness.Read(r.frame).empty());
}

TEST_F(DotCodeReadTest, DotsThatAreNoSymbolGiveNoLabel)
{
    // Random dots on a lattice and scattered specks: grids and triangles
    // enough to start attempts, no codewords.
    support::Frame frame = support::makeFrame(640, 480, 900);
    support::Random random(7);
    for (int gy = 0; gy < 40; ++gy) {
        for (int gx = 0; gx < 60; ++gx) {
            if ((gx + gy) % 2 != 0 || random.uniform() < 0.45) {
                continue;
            }
            int const cx = 170 + gx * 5;
            int const cy = 140 + gy * 5;
            for (int dy = -1; dy <= 1; ++dy) {
                for (int dx = -1; dx <= 1; ++dx) {
                    frame.at(cx + dx, cy + dy) = 120;
                }
            }
        }
    }
    for (int i = 0; i < 300; ++i) {
        int const x = 5 + static_cast<int>(random.uniform() * 620);
        int const y = 5 + static_cast<int>(random.uniform() * 120);
        frame.at(x, y) = 100;
        frame.at(x + 1, y) = 100;
    }
    EXPECT_TRUE(harness.Read(frame).empty());
}

}  // namespace

// The other decoders of the handle share the work area: frames of other
// symbols between DotCode frames leave nothing of the last search behind.
TEST(DotCodeSharedWorkAreaTest, OtherSymbolsBetweenDotCodeFramesAreHarmless)
{
    DotCodeHarness harness;
    ASSERT_TRUE(harness.IsReady());
    // Light-on-dark Data Matrix makes the L search follow the bars' light
    // strips, and it writes where the dot grid keeps its marks.
    harness.Settings().readable_medium.positive_and_negative_codes.data_matrix.Set(
        ivra_configuration::configuration::readable_medium::positive_and_negative_codes::data_matrix::Enum::
            POSITIVE_AND_NEGATIVE);
    support::Rendering const dots = support::render(DotCodeInput("DotCode 1234"), {.moduleSize = 3.5, .angle = 30});
    support::Rendering const bars =
        support::render({.symbology = BARCODE_CODE128, .data = "Code 128 Test 0123"}, {.moduleSize = 2.0, .angle = 30});
    ASSERT_TRUE(dots.symbol.ok && bars.symbol.ok);
    for (int round = 0; round < 6; ++round) {
        support::Rendering cluttered = bars;
        support::addClutter(cluttered.frame, {.textLines = 8, .strokes = 6, .seed = static_cast<uint64_t>(round + 1),
                                              .keepClear = {bars.symbol.corners}});
        harness.Read(cluttered.frame);
        harness.Read(cluttered.frame);
        auto const& labels = harness.Read(dots.frame);
        ASSERT_EQ(labels.size(), 1u) << round;
        EXPECT_EQ(labels[0].data, "DotCode 1234") << round;
    }
}
