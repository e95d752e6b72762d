// The solid L of Data Matrix symbols as the matrix candidate finder sights
// it: every row across a leg meets the same L, which is noted once at the
// symbol's corner, thin legs in noise and wide quiet zones alike, a sweep
// owes nothing to the sweep before it, and a sweep row by row, whole rows or
// rows in steps, sees what the whole sweep sees. Wide strips walked to no L
// are not walked again, and small symbols beside them read.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "decoder/core/gray_image.h"
#include "decoder/core/location/matrix_candidate_finder.h"
#include "tests/decoder/matrix/handle_harness.h"
#include "tests/support/symbol_renderer.h"

namespace {

using DEC2DIvra::GrayImage;
using DEC2DIvra::LPatternSighting;
using DEC2DIvra::MatrixCandidateFinder;

// A Data Matrix symbol drawn into a frame of its own size for the sweep tests.
struct LegCase {
    int size;  // zint's size option
    char const* data;
    double module;
    double angle;
    double noise;
    bool inverted;
    support::Point centre;
    double quietZone;
};

// Draws each case into a width x height frame and hands `check` its image
// and the frame's area from row `top` down.
template <class Check>
void ForEachLegCase(std::vector<LegCase> const& cases, int width, int height, int top, Check check)
{
    for (LegCase const& c : cases) {
        SCOPED_TRACE(std::to_string(c.size) + " at " + std::to_string(c.angle) + " " + std::to_string(c.module));
        auto const r = support::render({.symbology = BARCODE_DATAMATRIX, .data = c.data, .option2 = c.size},
                                       {.frameWidth = width, .frameHeight = height, .moduleSize = c.module,
                                        .angle = c.angle, .centre = c.centre, .quietZone = c.quietZone,
                                        .inverted = c.inverted, .noise = c.noise});
        ASSERT_TRUE(r.symbol.ok) << r.symbol.error;
        GrayImage const image(r.frame.width, r.frame.height, r.frame.width, r.frame.pixels.data());
        check(image, DEC2DIvra::Rectangle{0, top, r.frame.width - 1, r.frame.height - 1});
    }
}

// The finder's L list is `expected`, sighting by sighting.
void ExpectSightings(MatrixCandidateFinder const& finder, std::vector<LPatternSighting> const& expected,
                     char const* how)
{
    ASSERT_EQ(expected.size(), finder.GetLPatternCount()) << how;
    for (unsigned i = 0; i < expected.size(); ++i) {
        LPatternSighting const& a = finder.GetLPatterns()[i];
        EXPECT_TRUE(a.corner == expected[i].corner && a.along == expected[i].along && a.across == expected[i].across)
            << how << ": sighting " << i;
    }
}

std::vector<LPatternSighting> ListOf(MatrixCandidateFinder const& finder)
{
    return {finder.GetLPatterns(), finder.GetLPatterns() + finder.GetLPatternCount()};
}

TEST(MatrixCandidateLLegTest, EachSymbolsLIsNotedOnceAtItsCorner)
{
    struct Case {
        int size;  // zint's size option
        char const* data;
        double module;
        double angle;
        double noise;
        double blur;
        bool inverted;
    };
    Case const cases[] = {
        {4, "hello world ab", 2.0, 30, 25, 0, false},  // thin legs in noise
        {4, "hello world ab", 2.0, 0, 0, 0, false},
        {1, "123456", 2.0, 75, 25, 0, false},
        {8, "ABC*123>XYZ*456>QRS*78", 3.0, 15, 0, 1.05, false},
        {13, "Data Matrix ECC 200 reads ASCII, C40 and TEXT", 4.5, 30, 0, 0, false},  // wide quiet zone
        {13, "Data Matrix ECC 200 reads ASCII, C40 and TEXT", 3.0, 60, 0, 0, true},
    };
    static MatrixCandidateFinder finder;
    for (Case const& c : cases) {
        SCOPED_TRACE(std::to_string(c.size) + " at " + std::to_string(c.angle) + " " + std::to_string(c.module));
        auto const r = support::render({.symbology = BARCODE_DATAMATRIX, .data = c.data, .option2 = c.size},
                                       {.moduleSize = c.module, .angle = c.angle, .inverted = c.inverted,
                                        .blur = c.blur, .noise = c.noise});
        ASSERT_TRUE(r.symbol.ok) << r.symbol.error;
        GrayImage const image(r.frame.width, r.frame.height, r.frame.width, r.frame.pixels.data());
        MatrixCandidateFinder::Wanted wanted;
        wanted.lPatterns = true;
        // The L's corner: the bottom left module's middle.
        support::Point const corner = r.symbol.toFrame({0.5, r.symbol.heightModules - 0.5});
        int const reach = static_cast<int>(2 * c.module) + 1;
        LPatternSighting first{};
        // The same frame swept twice: the second sweep sees what the first did.
        for (int sweep = 0; sweep < 2; ++sweep) {
            finder.Start(image, {0, 0, r.frame.width - 1, r.frame.height - 1}, 2, wanted);
            unsigned atCorner = 0;
            LPatternSighting seen{};
            for (unsigned i = 0; i < finder.GetLPatternCount(); ++i) {
                LPatternSighting const& l = finder.GetLPatterns()[i];
                if (std::abs(l.corner.x - corner.x) <= reach && std::abs(l.corner.y - corner.y) <= reach) {
                    ++atCorner;
                    seen = l;
                }
            }
            EXPECT_EQ(atCorner, 1u) << "sweep " << sweep;
            if (sweep == 0) {
                first = seen;
            } else {
                EXPECT_EQ(seen.corner.x, first.corner.x);
                EXPECT_EQ(seen.corner.y, first.corner.y);
                EXPECT_EQ(seen.along.x, first.along.x);
                EXPECT_EQ(seen.across.y, first.across.y);
            }
        }
    }
}

// The L-pattern stage sweeps row by row and tries each sighting at once:
// its rows must note the very sightings, in the same order, that one sweep
// over the same rows notes, with walks that leave the frame (a symbol at
// its edge, its label cut) as much as with walks well inside it.
TEST(MatrixCandidateLLegTest, RowByRowSweepNotesWhatOneSweepNotes)
{
    // In a 240 x 200 frame.
    std::vector<LegCase> const cases = {
        {4, "hello world ab", 2.0, 30, 25, false, {120, 100}, 10},
        {8, "ABC*123>XYZ*456>QRS*78", 3.0, 15, 0, false, {120, 100}, 10},
        {13, "Data Matrix ECC 200 reads ASCII, C40 and TEXT", 3.0, 60, 0, true, {120, 100}, 10},
        {4, "hello world ab", 3.0, 10, 0, false, {40, 35}, 1},    // the corner off the top left
        {2, "Ab12", 4.5, 80, 10, false, {205, 170}, 2},          // the label cut right and below
        {8, "ABC*123>XYZ*456>QRS*78", 4.5, 0, 0, true, {30, 170}, 0},
    };
    // One finder for both: the row sweep of each frame comes after the
    // whole sweep of the frame before, whose block measures it must not take.
    static MatrixCandidateFinder finder;
    unsigned pauses = 0;
    ForEachLegCase(cases, 240, 200, 1, [&](GrayImage const& image, DEC2DIvra::Rectangle const& area) {
        finder.StartLPatterns(image, area, 8, false);
        for (int y = area.top; y <= area.bottom; y += 8) {
            finder.SweepLPatternRow(image, y);
        }
        std::vector<LPatternSighting> const rows = ListOf(finder);
        MatrixCandidateFinder::Wanted wanted;
        wanted.lPatterns = true;
        finder.Start(image, area, 8, wanted);
        ExpectSightings(finder, rows, "one sweep");
        // Each row in steps, paused after its sightings: every run is still
        // checked once, in order.
        finder.StartLPatterns(image, area, 8, true);
        for (int y = area.top; y <= area.bottom; y += 8) {
            while (!finder.SweepLPatternRowPart(image, y)) {
                ++pauses;
                EXPECT_GT(finder.GetLPatternCount(), 0u);
            }
        }
        ExpectSightings(finder, rows, "rows in steps");
    });
    EXPECT_GT(pauses, 0u);
}

// The L-pattern stage sweeps a frame in interleaved parts, and a later
// part keeps the long wide strips the earlier ones walked to no L, so that
// rows across their middles do not walk them again. Misses kept from other
// pixels are forgotten: the part notes what it notes alone.
TEST(MatrixCandidateLLegTest, ALaterPartForgetsTheLongMissesOfOtherPixels)
{
    // In a 480 x 360 frame, on labels seen in perspective: their margins
    // and the ground beside them are long wide strips.
    struct Case {
        int size;  // zint's size option
        char const* data;
        double module;
        double angle;
        bool inverted;
        double quietZone;
        double perspectiveX;
        double perspectiveY;
    };
    Case const cases[] = {
        {1, "123456", 3.0, 35, false, 7, 0.2, 0.1},
        {13, "Data Matrix ECC 200 reads ASCII, C40 and TEXT", 3.0, 10, true, 6, 0.2, 0},
    };
    static MatrixCandidateFinder finder;
    unsigned sightings = 0;
    for (Case const& c : cases) {
        SCOPED_TRACE(std::to_string(c.size) + " at " + std::to_string(c.angle) + " " + std::to_string(c.module));
        auto const r = support::render({.symbology = BARCODE_DATAMATRIX, .data = c.data, .option2 = c.size},
                                       {.frameWidth = 480, .frameHeight = 360, .moduleSize = c.module,
                                        .angle = c.angle, .quietZone = c.quietZone, .inverted = c.inverted,
                                        .perspectiveX = c.perspectiveX, .perspectiveY = c.perspectiveY});
        ASSERT_TRUE(r.symbol.ok) << r.symbol.error;
        GrayImage const image(r.frame.width, r.frame.height, r.frame.width, r.frame.pixels.data());
        // The same frame in other pixels.
        std::vector<unsigned short> const copy(r.frame.pixels.begin(), r.frame.pixels.end());
        GrayImage const other(r.frame.width, r.frame.height, r.frame.width, copy.data());
        DEC2DIvra::Rectangle const area{0, 0, r.frame.width - 1, r.frame.height - 1};
        // Every 32nd row from `top` of `frame`, as the stage's parts take them.
        auto sweep = [&](GrayImage const& frame, int top) {
            for (int y = top; y <= area.bottom; y += 32) {
                finder.SweepLPatternRow(frame, y);
            }
        };
        for (int later = 2; later < 32; later += 2) {
            finder.StartLPatterns(other, area, 2, false);
            sweep(other, later);
            std::vector<LPatternSighting> const alone = ListOf(finder);
            sightings += static_cast<unsigned>(alone.size());
            finder.StartLPatterns(image, area, 2, false);
            sweep(image, 0);
            finder.StartLPatterns(other, area, 2, false, true);
            sweep(other, later);
            ExpectSightings(finder, alone, "after misses of other pixels");
        }
    }
    // A sweep that sights nothing proves nothing.
    EXPECT_GE(sightings, 20u);
}

// Small symbols on labels stretched far by the perspective, whose bright
// inside, narrowing to a corner, is walked as a wide strip row after row,
// and a small symbol in noise beside its quiet zone: rows across the wide
// strips walked before are not walked again, and the symbols still read.
TEST(MatrixCandidateLLegTest, SmallSymbolsBesideWideStripsWalkedBeforeRead)
{
    struct Small {
        int size;
        char const* data;
        double module;
        double angle;
        uint64_t seed;
        double noise = 0.0;
        bool perspective = true;
    };
    Small const cases[] = {
        {2, "Ab12", 2.0, 180, 13},  {2, "Ab12", 4.5, 180, 61},         {4, "hello world ab", 3.0, 105, 32},
        {2, "Ab12", 2.0, 45, 4, 25, false},
    };
    matrix_test::HandleHarness harness;
    ASSERT_TRUE(harness.IsReady());
    harness.Settings().readable_medium.positive_and_negative_codes.data_matrix.Set(
        static_cast<ivra_configuration::configuration::readable_medium::positive_and_negative_codes::data_matrix::Enum>(
            2));
    for (Small const& c : cases) {
        SCOPED_TRACE(std::to_string(c.size) + " at " + std::to_string(c.angle) + " " + std::to_string(c.module));
        support::RenderOptions options{.moduleSize = c.module, .angle = c.angle, .noise = c.noise, .seed = c.seed};
        if (c.perspective) {
            options.perspectiveX = 0.2;
            options.perspectiveY = 0.1;
        }
        auto const r = support::render({.symbology = BARCODE_DATAMATRIX, .data = c.data, .option2 = c.size}, options);
        ASSERT_TRUE(r.symbol.ok) << r.symbol.error;
        std::vector<matrix_test::HandleLabel> const& labels = harness.Read(r.frame);
        ASSERT_EQ(labels.size(), 1u);
        EXPECT_EQ(labels[0].data, c.data);
    }
}

}  // namespace

// Symbols of wide modules on labels of narrow margins seen in perspective,
// dark on light and light on dark, their legs along the label's edges: the
// ground beside an edge is a wide strip of a leg's colour, walked row after
// row to no L, and a leg's rows, beyond the margin, are still walked.
TEST(MatrixCandidateLLegTest, WideLegsBesideTheGroundAlongALabelsEdgeRead)
{
    struct Wide {
        int size;
        char const* data;
        double module;
        double angle;
        double quietZone;
        bool inverted;
        int background;
        double left;  // the symbol's centre from the frame's left edge
    };
    Wide const cases[] = {
        {1, "123456", 9.0, 0, 1.5, false, 300, 100},   {1, "123456", 9.0, 90, 2.0, false, 300, 140},
        {2, "Ab12", 8.0, 12, 3.0, false, 200, 130},    {1, "123456", 9.0, 180, 1.5, true, 800, 100},
        {2, "Ab12", 8.0, 270, 3.0, true, 700, 130},    {1, "123456", 7.0, 35, 2.0, false, 300, 110},
        {1, "123456", 9.0, 0, 1.5, false, 300, 320},
    };
    matrix_test::HandleHarness harness;
    ASSERT_TRUE(harness.IsReady());
    harness.Settings().readable_medium.positive_and_negative_codes.data_matrix.Set(
        static_cast<ivra_configuration::configuration::readable_medium::positive_and_negative_codes::data_matrix::Enum>(
            2));
    for (Wide const& c : cases) {
        SCOPED_TRACE(std::to_string(c.size) + " at " + std::to_string(c.angle) + " " + std::to_string(c.module));
        // Near the frame's left edge: the ground between is a strip.
        support::RenderOptions const options{.background = c.background, .moduleSize = c.module, .angle = c.angle,
                                             .centre = support::Point{c.left, 240}, .quietZone = c.quietZone,
                                             .inverted = c.inverted, .perspectiveX = 0.3, .perspectiveY = 0.15};
        auto const r = support::render({.symbology = BARCODE_DATAMATRIX, .data = c.data, .option2 = c.size}, options);
        ASSERT_TRUE(r.symbol.ok) << r.symbol.error;
        std::vector<matrix_test::HandleLabel> const& labels = harness.Read(r.frame);
        EXPECT_EQ(labels.size(), 1u);
        EXPECT_TRUE(labels.size() == 1 && labels[0].data == c.data);
    }
}
