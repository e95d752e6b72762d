// Data Matrix ECC 200 from zint symbols through DEC2D_Main: every kind of size
// (one region, several regions, several blocks, rectangles), every encodation,
// the identifiers, the polarity key, damage within and beyond the correction,
// and no label for what is not a symbol.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <functional>
#include <memory>
#include <new>
#include <optional>
#include <string>
#include <vector>

#include "config/configuration_manager.h"
#include "decoder/core/dec2d_entry.h"
#include "decoder/core/property/dec2d_property.h"
#include "tests/decoder/matrix/handle_harness.h"
#include "decoder/two_dimension_decoder.h"
#include "tests/support/symbol_renderer.h"

namespace data_matrix_read_test {
namespace {

using Polarity = ivra_configuration::configuration::readable_medium::positive_and_negative_codes::data_matrix::Enum;

using Label = matrix_test::HandleLabel;
using Harness = matrix_test::HandleHarness;

// zint's size option: 1 .. 24 the squares 10 x 10 .. 144 x 144, 25 .. 30 the rectangles.
support::SymbolInput DataMatrix(std::string data, int size = 0, int inputMode = DATA_MODE, int eci = 0)
{
    return {.symbology = BARCODE_DATAMATRIX, .data = std::move(data), .option2 = size, .inputMode = inputMode,
            .eci = eci};
}

struct Case {
    char const* name;
    support::SymbolInput input;
    std::optional<std::string> data;  // nullopt: no label
    char const* aim = "]d1";
    double moduleSize = 3.0;
    double angle = 0.0;
    bool inverted = false;
    unsigned polarity = 2;
    // Spoils the drawn symbol: (row, column) modules of the symbol painted over.
    std::function<void(support::Rendering&)> spoil = nullptr;
};

void PrintTo(Case const& c, std::ostream* os) { *os << c.name; }

// Paints over the symbol's data modules in a band of rows (module units from
// the symbol's top left), light or dark in a checkered pattern, so that
// about half of the band's modules change.
std::function<void(support::Rendering&)> Scratch(double fromRow, double toRow, double fromColumn, double toColumn)
{
    return [=](support::Rendering& r) {
        support::Quad const& q = r.symbol.corners;
        double const mx = (q[1].x - q[0].x) / r.symbol.widthModules;
        double const my = (q[3].y - q[0].y) / r.symbol.heightModules;
        for (double row = fromRow; row < toRow; row += 1) {
            for (double column = fromColumn; column < toColumn; column += 1) {
                int const grey = (static_cast<int>(row) + static_cast<int>(column)) % 2 == 0 ? 900 : 100;
                for (int y = static_cast<int>(q[0].y + row * my); y < static_cast<int>(q[0].y + (row + 1) * my); ++y) {
                    for (int x = static_cast<int>(q[0].x + column * mx);
                         x < static_cast<int>(q[0].x + (column + 1) * mx); ++x) {
                        r.frame.pixels[static_cast<size_t>(y) * r.frame.width + x] = static_cast<std::uint16_t>(grey);
                    }
                }
            }
        }
    };
}

class DataMatrixReadTest : public ::testing::TestWithParam<Case> {
protected:
    Harness harness;
};

TEST_P(DataMatrixReadTest, ReadsAsDrawn)
{
    Case const& c = GetParam();
    ASSERT_TRUE(harness.IsReady());
    harness.Settings().readable_medium.positive_and_negative_codes.data_matrix.Set(static_cast<Polarity>(c.polarity));
    support::Rendering r = support::render(
        c.input, {.moduleSize = c.moduleSize, .angle = c.angle, .quietZone = 4.0, .inverted = c.inverted});
    ASSERT_TRUE(r.symbol.ok) << r.symbol.error;
    if (c.spoil) {
        c.spoil(r);
    }
    std::vector<Label> const& labels = harness.Read(r.frame);
    if (!c.data) {
        EXPECT_TRUE(labels.empty()) << labels.front().data;
        return;
    }
    ASSERT_EQ(labels.size(), 1u);
    EXPECT_EQ(labels[0].data, *c.data);
    EXPECT_EQ(labels[0].aim, c.aim);
    EXPECT_EQ(labels[0].flag, c.inverted ? 1u : 0u);
}

std::string Bytes()
{
    std::string s;
    for (int i = 0; i < 300; ++i) {
        s += static_cast<char>((i * 37 + 11) & 0xFF);
    }
    return s;
}

INSTANTIATE_TEST_SUITE_P(
    Symbols, DataMatrixReadTest,
    ::testing::Values(
        Case{"Smallest10x10", DataMatrix("123456", 1), "123456"},
        Case{"Rectangle8x18At30Degrees", DataMatrix("12345", 25), "12345", "]d1", 3.0, 30.0},
        Case{"Rectangle16x48", DataMatrix("Rectangular 16x48 Data", 30), "Rectangular 16x48 Data"},
        Case{"FourRegions32x32At45Degrees", DataMatrix("DATA MATRIX FOUR REGIONS 32", 10),
             "DATA MATRIX FOUR REGIONS 32", "]d1", 2.5, 45.0},
        Case{"TwoBlocks52x52", DataMatrix(std::string(150, 'x') + "0123456789", 15),
             std::string(150, 'x') + "0123456789", "]d1", 2.5, 200.0},
        Case{"TenBlocks144x144", DataMatrix(std::string(1500, '7') + "END", 24), std::string(1500, '7') + "END",
             "]d1", 2.5},
        Case{"C40AndText", DataMatrix("UPPER CASE TEXT then lower case text 123"),
             "UPPER CASE TEXT then lower case text 123", "]d1", 3.0, 120.0},
        Case{"X12", DataMatrix("ABC*123>XYZ*456>QRS*78 ABC"), "ABC*123>XYZ*456>QRS*78 ABC"},
        Case{"Edifact", DataMatrix("AB=CD;EF@GH:IJ?KL=MN;OP.QR,"), "AB=CD;EF@GH:IJ?KL=MN;OP.QR,"},
        Case{"Base256LongerThan249", DataMatrix(Bytes()), Bytes(), "]d1", 2.5},
        Case{"Gs1WithSeparator", DataMatrix("[10]ABC[17]251231", 0, GS1_MODE), "10ABC\x1d" "17251231", "]d2"},
        // The ECI escape, and a backslash written before it doubled.
        Case{"EciEscape", DataMatrix("a\\b", 0, DATA_MODE, 26), "\\000026a\\\\b", "]d4"},
        Case{"MacroHeaderAndTrailer", DataMatrix("[)>\x1e" "05\x1d" "ABC\x1e\x04"), "[)>\x1e" "05\x1d" "ABC\x1e\x04"},
        Case{"LightOnDark", DataMatrix("LIGHT ON DARK"), "LIGHT ON DARK", "]d1", 3.0, 300.0, true},
        Case{"LightOnDarkNotWanted", DataMatrix("LIGHT ON DARK"), std::nullopt, "]d1", 3.0, 0.0, true, 0},
        Case{"DarkOnLightNotWanted", DataMatrix("DARK ON LIGHT"), std::nullopt, "]d1", 3.0, 0.0, false, 1},
        // 44 x 44 holds 56 check words: a band of 2 module rows touches about
        // 20 codewords, within the 28 it corrects; 20 rows are far beyond.
        Case{"DamageWithinCorrection", DataMatrix(std::string(100, 'M'), 13), std::string(100, 'M'), "]d1", 3.0, 0.0,
             false, 2, Scratch(10, 12, 1, 43)},
        Case{"DamageBeyondCorrection", DataMatrix(std::string(100, 'M'), 13), std::nullopt, "]d1", 3.0, 0.0, false,
             2, Scratch(6, 26, 1, 43)}),
    [](::testing::TestParamInfo<Case> const& info) { return std::string(info.param.name); });

// Symbols on a label (10 modules of quiet zone) on a grey ground, as a
// camera sees a printed label: in noise the label's own corner passes for a
// solid L and the ground lies within reach of the outline's edge scans; a
// blurred large symbol's outline misses its corners by a module.
TEST(DataMatrixOnALabelTest, NoisyAndBlurredSymbolsOnAGreyGroundRead)
{
    struct Ground {
        char const* name;
        int size;
        std::string data;
        double moduleSize;
        double angle;
        double noise;
        double blur;
        std::uint64_t seed;
    };
    std::string const mixed = std::string(120, 'x') + "0123456789";
    std::string const long144 = std::string(900, '7') + "END";
    Ground const cases[] = {
        {"44x44 noisy, the label's corner sighted first", 13, mixed, 2.0, 30.0, 25.0, 0.0, 3},
        {"44x44 noisy, turned 105 degrees", 13, mixed, 2.0, 105.0, 25.0, 0.0, 8},
        {"96x96 noisy", 20, mixed, 2.0, 120.0, 25.0, 0.0, 9},
        {"144x144 noisy, the ground within the edge scans", 24, long144, 2.0, 0.0, 25.0, 0.0, 1},
        {"144x144 blurred", 24, long144, 2.0, 30.0, 0.0, 0.7, 3},
    };
    Harness harness;
    ASSERT_TRUE(harness.IsReady());
    harness.Settings().readable_medium.positive_and_negative_codes.data_matrix.Set(static_cast<Polarity>(2));
    for (Ground const& c : cases) {
        SCOPED_TRACE(c.name);
        support::Rendering const r = support::render(DataMatrix(c.data, c.size),
                                                     {.moduleSize = c.moduleSize, .angle = c.angle, .quietZone = 10.0,
                                                      .blur = c.blur, .noise = c.noise, .seed = c.seed});
        ASSERT_TRUE(r.symbol.ok) << r.symbol.error;
        std::vector<Label> const& labels = harness.Read(r.frame);
        ASSERT_EQ(labels.size(), 1u);
        EXPECT_EQ(labels[0].data, c.data);
    }
}

// At two pixels a module a leg is a strip two pixels wide: a row's run across
// it is followed from the run's own middle, or the strip is lost half a pixel
// off its edge and no L is sighted.
TEST(DataMatrixSmallModulesTest, SymbolsWithLegsTwoPixelsWideRead)
{
    struct Small {
        int size;
        std::string data;
        double angle;
    };
    Small const cases[] = {
        {25, "12345", 15.0}, {25, "12345", 60.0}, {4, "hello world ab", 120.0},
        // Data modules touching the far end of a leg end its walk there.
        {2, "Ab12", 165.0}, {2, "Ab12", 195.0}, {2, "Ab12", 345.0},
    };
    Harness harness;
    ASSERT_TRUE(harness.IsReady());
    for (Small const& c : cases) {
        SCOPED_TRACE(std::to_string(c.size) + " at " + std::to_string(c.angle));
        support::Rendering const r = support::render(DataMatrix(c.data, c.size), {.moduleSize = 2.0, .angle = c.angle});
        ASSERT_TRUE(r.symbol.ok) << r.symbol.error;
        std::vector<Label> const& labels = harness.Read(r.frame);
        EXPECT_EQ(labels.size(), 1u);
        EXPECT_TRUE(!labels.empty() && labels[0].data == c.data);
    }
}

// A blurred rectangle at two pixels a module that reads only once the
// corners are fitted to its timing sides: the fit must leave the L corner
// where the outline's solid edges put it.
TEST(DataMatrixTimingFitTest, BlurredRectangleReadsWithTheLCornerHeld)
{
    Harness harness;
    ASSERT_TRUE(harness.IsReady());
    std::string const data = "Rectangular 16x48 Data";
    support::Rendering const r =
        support::render(DataMatrix(data, 30), {.moduleSize = 2.0, .angle = 330.0, .blur = 0.7, .seed = 23});
    ASSERT_TRUE(r.symbol.ok) << r.symbol.error;
    std::vector<Label> const& labels = harness.Read(r.frame);
    ASSERT_EQ(labels.size(), 1u);
    EXPECT_EQ(labels[0].data, data);
}

// Keystoned rectangles whose outline misses the timing corners by a module
// or so: no size's timing fits the outline as it stands, and the size reads
// once its corners are fitted to its timing. In the second half a smaller
// size's timing fits the far, small modules best before the fit.
TEST(DataMatrixTimingFitTest, KeystonedRectanglesReadOnceTheirSizeIsFitted)
{
    struct Keystoned {
        double moduleSize;
        double angle;
    };
    Keystoned const cases[] = {{2.0, 0.0},   {2.0, 75.0},  {2.0, 165.0}, {2.0, 180.0}, {2.0, 240.0},
                               {2.5, 90.0},  {2.5, 180.0}, {2.0, 105.0}, {2.5, 30.0},  {2.5, 135.0},
                               {2.5, 270.0}, {3.0, 45.0},  {3.0, 225.0}};
    std::string const data = "Rectangular 16x48 Data";
    Harness harness;
    ASSERT_TRUE(harness.IsReady());
    for (Keystoned const& c : cases) {
        SCOPED_TRACE(std::to_string(c.moduleSize) + " at " + std::to_string(c.angle));
        support::Rendering const r = support::render(
            DataMatrix(data, 30), {.moduleSize = c.moduleSize, .angle = c.angle, .perspectiveX = 0.2, .perspectiveY = 0.1});
        ASSERT_TRUE(r.symbol.ok) << r.symbol.error;
        std::vector<Label> const& labels = harness.Read(r.frame);
        ASSERT_EQ(labels.size(), 1u);
        EXPECT_EQ(labels[0].data, data);
    }
}

// At two pixels a module a leg walked in whole pixels drifts off its edge
// (its middle lies between two pixels) and comes out short or bent: such
// legs are walked again at a quarter pixel. Frames as a camera sees them.
TEST(DataMatrixSmallModulesTest, ThinLegsLostInWholePixelsRead)
{
    struct Thin {
        char const* name;
        int size;
        std::string data;
        double angle;
        std::uint64_t seed;
        double blur = 0.0;
        double noise = 0.0;
        bool lowContrast = false;
        bool inverted = false;
    };
    Thin const cases[] = {
        {"8x18 at 165 degrees", 25, "12345", 165.0, 12},
        {"8x18 at 75 degrees", 25, "12345", 75.0, 6},
        {"8x18 low contrast", 25, "12345", 105.0, 8, 0.0, 0.0, true},
        {"8x18 light on dark", 25, "12345", 195.0, 14, 0.0, 0.0, false, true},
        {"8x18 noisy", 25, "12345", 285.0, 20, 0.0, 25.0},
        {"12x12 blurred", 2, "Ab12", 210.0, 15, 0.7},
        {"10x10 at 225 degrees", 1, "123456", 225.0, 16},
    };
    Harness harness;
    ASSERT_TRUE(harness.IsReady());
    harness.Settings().readable_medium.positive_and_negative_codes.data_matrix.Set(static_cast<Polarity>(2));
    for (Thin const& c : cases) {
        SCOPED_TRACE(c.name);
        support::RenderOptions options{.moduleSize = 2.0, .angle = c.angle, .inverted = c.inverted, .blur = c.blur,
                                       .noise = c.noise, .seed = c.seed};
        if (c.lowContrast) {
            options.dark = 380;
            options.light = 620;
        }
        support::Rendering const r = support::render(DataMatrix(c.data, c.size), options);
        ASSERT_TRUE(r.symbol.ok) << r.symbol.error;
        std::vector<Label> const& labels = harness.Read(r.frame);
        ASSERT_EQ(labels.size(), 1u);
        EXPECT_EQ(labels[0].data, c.data);
    }
}

// One handle reads a run of frames: a polarity read before orders the next
// frame's tries and never keeps it from reading the other polarity, nor
// from keeping to the polarity the setting asks for.
TEST(DataMatrixPolarityTest, ARunOfFramesReadsWhateverPolarityCame)
{
    struct Frame {
        char const* name;
        bool inverted;
        unsigned polarity;
        bool read;
    };
    Frame const frames[] = {
        {"dark on light", false, 2, true},
        {"light on dark", true, 2, true},
        {"light on dark again", true, 2, true},
        {"dark on light after light on dark", false, 2, true},
        {"light on dark, dark on light only wanted", true, 0, false},
        {"light on dark", true, 2, true},
        {"light on dark, dark on light only wanted after one", true, 0, false},
        {"dark on light, dark on light only wanted", false, 0, true},
        {"light on dark, light on dark only wanted", true, 1, true},
        {"dark on light, light on dark only wanted", false, 1, false},
        {"dark on light", false, 2, true},
    };
    std::string const data = "ABCDEF123456";
    Harness harness;
    ASSERT_TRUE(harness.IsReady());
    double angle = 10.0;
    for (Frame const& f : frames) {
        SCOPED_TRACE(f.name);
        harness.Settings().readable_medium.positive_and_negative_codes.data_matrix.Set(
            static_cast<Polarity>(f.polarity));
        angle += 37.0;
        support::Rendering const r =
            support::render(DataMatrix(data, 8), {.moduleSize = 3.0, .angle = angle, .inverted = f.inverted});
        ASSERT_TRUE(r.symbol.ok) << r.symbol.error;
        std::vector<Label> const& labels = harness.Read(r.frame);
        if (!f.read) {
            EXPECT_TRUE(labels.empty());
            continue;
        }
        ASSERT_EQ(labels.size(), 1u);
        EXPECT_EQ(labels[0].data, data);
        EXPECT_EQ(labels[0].flag, f.inverted ? 1u : 0u);
    }
}

// Frames shown one after another in one buffer, as a camera fills it: a
// symbol that failed to read (spoiled inside, its outline the same to the
// pixel, or its length refused) reads once the frame or the setting allows.
TEST(DataMatrixRepeatTest, AFailedReadingHoldsForItsFrameAndSettingsOnly)
{
    std::string const data(100, 'M');
    support::Rendering const good = support::render(DataMatrix(data, 13), {.moduleSize = 3.0, .quietZone = 4.0});
    ASSERT_TRUE(good.symbol.ok) << good.symbol.error;
    // A band of data inside the timing sides greyed to no contrast: its
    // dark pixels stay below the outline fill's threshold and its light ones
    // above, so that the patch and its outline are the same; its modules
    // no longer read.
    support::Rendering spoiled = good;
    support::Quad const& q = good.symbol.corners;
    double const module = (q[1].x - q[0].x) / good.symbol.widthModules;
    for (int y = static_cast<int>(q[0].y + 12 * module); y < static_cast<int>(q[0].y + 28 * module); ++y) {
        for (int x = static_cast<int>(q[0].x + 6 * module); x < static_cast<int>(q[0].x + 38 * module); ++x) {
            std::uint16_t& p = spoiled.frame.at(x, y);
            p = p < 500 ? 370 : 400;
        }
    }
    ivra_configuration::FixedLength refusing{};
    refusing.count = 1;
    refusing.lengths[0] = 3;
    refusing.maximum = ivra_configuration::FixedLength::kNoMaximum;
    ivra_configuration::FixedLength const any{.count = 0, .lengths = {}, .minimum = 0,
                                              .maximum = ivra_configuration::FixedLength::kNoMaximum};
    struct Shown {
        char const* name;
        support::Rendering const* rendering;
        ivra_configuration::FixedLength length;
        bool read;
    };
    Shown const frames[] = {
        {"spoiled", &spoiled, any, false},
        {"whole, in the same buffer", &good, any, true},
        {"spoiled again", &spoiled, any, false},
        {"spoiled once more", &spoiled, any, false},
        {"whole, its length refused", &good, refusing, false},
        {"whole, any length", &good, any, true},
    };
    Harness harness;
    ASSERT_TRUE(harness.IsReady());
    support::Frame shown = good.frame;
    for (Shown const& f : frames) {
        SCOPED_TRACE(f.name);
        ASSERT_TRUE(harness.Settings().fixed_length.data_matrix.Set(f.length));
        ASSERT_EQ(f.rendering->frame.pixels.size(), shown.pixels.size());
        std::copy(f.rendering->frame.pixels.begin(), f.rendering->frame.pixels.end(), shown.pixels.begin());
        std::vector<Label> const& labels = harness.Read(shown);
        if (!f.read) {
            EXPECT_TRUE(labels.empty());
            continue;
        }
        ASSERT_EQ(labels.size(), 1u);
        EXPECT_EQ(labels[0].data, data);
    }
}

}  // namespace
}  // namespace data_matrix_read_test
