// The integer bull's-eye check on rendered symbols: the runs a scan line
// gives across the rings, whole or in part, lead to the centre and the ring
// extents the symbol was drawn with.
#include <gtest/gtest.h>

#include <cmath>

#include "decoder/legacy/engine/legacy_geometry.h"
#include "decoder/legacy/engine/legacy_scan_line.h"
#include "decoder/legacy/maxicode/maxi_finder.h"
#include "decoder/legacy/maxicode/maxi_finder_check.h"
#include "decoder/legacy/maxicode/maxi_reader.h"
#include "tests/support/symbol_renderer.h"

namespace {

struct Sighting {
    support::Rendering rendering;
    support::Point centre;
    // The scan line's runs about the centre run, and where the first begins.
    int runs[kMaxiCheckRuns];
    int count = 0;
    int centreRun = -1;
    int lineStartX = 0;
    int y = 0;
};

// Draws the symbol and cuts the row `dy` pixels below the bull's-eye centre
// into runs as the engine's run maker does.
void Sight(Sighting& s, double module, double angle, double dy)
{
    s.rendering = support::render({.symbology = BARCODE_MAXICODE, .data = "FINDER CHECK", .option1 = 4},
                                   {.moduleSize = module, .angle = angle});
    ASSERT_TRUE(s.rendering.symbol.ok);
    support::Frame const& f = s.rendering.frame;
    decode_image_info.samplePixels = f.pixels.data();
    decode_image_info.pixels = f.pixels.data();
    decode_image_info.sampleWidth = f.width;
    decode_image_info.width = f.width;
    decode_image_info.sampleHeight = f.height;
    decode_image_info.height = f.height;
    decode_image_info.sampleRowPadding = 0;
    decode_image_info.rowPadding = 0;
    COM_set_screen_size(f.width, f.height);
    s.centre = s.rendering.symbol.toFrame({14.5, 14.43335});  // zint's bull's-eye centre, module units
    s.y = static_cast<int>(s.centre.y + dy);
    s.lineStartX = 10;
    ASSERT_EQ(line_runlength_MX(s.lineStartX, s.y, f.width - 10, s.y, 32, 200, s.runs, &s.count, 16), 0);
    int const target = static_cast<int>((s.centre.x - 0.5 - s.lineStartX) * 32);
    for (int i = 0, at = MX_start_SIRO_lenbar; i < s.count; at += s.runs[i], ++i) {
        if (at <= target && target < at + s.runs[i]) {
            s.centreRun = i;
        }
    }
    ASSERT_GE(s.centreRun, 6);
}

// MX_check_finderH3 with `count` runs about the centre run.
int Check(Sighting& s, int count)
{
    int const first = s.centreRun - count / 2;
    int at = MX_start_SIRO_lenbar;
    for (int i = 0; i < first; ++i) {
        at += s.runs[i];
    }
    POINT_st start{s.lineStartX + at / 32, s.y};
    POINT_st end{start.x, s.y};
    return MX_check_finderH3(s.runs + first, count, &start, &end, 2, 0, 0);
}

TEST(MaxiFinderCheckTest, WholeAndPartialRingsGiveTheDrawnCentreAndExtents)
{
    struct Case {
        double module;
        double dy;  // pixels off the centre
        int count;  // runs handed over: 11 whole, 9, 7, 5 part
    } const cases[] = {
        {4.0, 0, 11}, {6.0, 0, 11}, {4.0, 0, 9}, {4.0, 0, 7}, {6.0, 2, 11}, {6.0, 3, 9},
        // A line through the first ring above the centre: its inner rings only.
        {5.0, -6.5, 5}, {6.0, -8, 5},
    };
    for (Case const& c : cases) {
        SCOPED_TRACE(testing::Message() << c.module << " px, " << c.dy << " off, " << c.count << " runs");
        static Sighting s;
        Sight(s, c.module, 0, c.dy);
        reset_max00();
        ASSERT_EQ(Check(s, c.count), 23);
        // The integer road took it: its outline is stored.
        EXPECT_EQ(MX_try_cnt, 1);
        EXPECT_EQ(finder_check_MX.complete, 1);
        EXPECT_NEAR((MX_pattern.x[1] + MX_pattern.x[2]) / 512.0 + 0.5, s.centre.x, 1.0);
        EXPECT_NEAR((MX_pattern.y[1] + MX_pattern.y[2]) / 512.0 + 0.5, s.centre.y, 1.0);
        // The outer ring's outer edge lies 4.5 modules (zint's 4.51) from the centre.
        for (int half : {MX_pattern.halfLeft, MX_pattern.halfRight, MX_pattern.halfTop, MX_pattern.halfBottom}) {
            EXPECT_NEAR(half / 256.0, 4.51 * c.module, 0.6 * c.module);
        }
        EXPECT_NEAR(finder_MX.eye.x, s.centre.x, 1.0);
        EXPECT_NEAR(finder_MX.eye.y, s.centre.y, 1.0);
        // The same bull's-eye again in the same image is not measured again.
        EXPECT_EQ(Check(s, c.count), 129);
        EXPECT_EQ(MX_try_cnt, 1);
    }
}

TEST(MaxiFinderCheckTest, RunCountsOutsideTheLevelsAreRefused)
{
    static Sighting s;
    Sight(s, 4.0, 0, 0);
    reset_max00();
    for (int count : {2, 3, 4, 6, 8, 10, 12}) {
        EXPECT_EQ(Check(s, count), 129) << count;
    }
    EXPECT_EQ(MX_try_cnt, 0);
}

// The cross check is public: a completeness level outside 1-4 names no
// window of runs and is refused, not looked up.
TEST(MaxiFinderCheckTest, CrossLevelsOutsideOneToFourAreRefused)
{
    static Sighting s;
    Sight(s, 4.0, 0, 0);
    reset_max00();
    // The pattern as the check sets it from the eleven runs about the centre.
    int const first = s.centreRun - 5;
    int at = MX_start_SIRO_lenbar;
    for (int i = 0; i < first; ++i) {
        at += s.runs[i];
    }
    int before = 0;
    int after = 0;
    for (int i = 0; i < 5; ++i) {
        before += s.runs[first + i];
        after += s.runs[s.centreRun + 1 + i];
    }
    MaxiPattern sighted{};
    sighted.x[0] = (s.lineStartX + at / 32) * 256;
    sighted.x[1] = sighted.x[0] + 8 * before;
    sighted.x[2] = sighted.x[1] + 8 * s.runs[s.centreRun];
    sighted.x[3] = sighted.x[2] + 8 * after;
    for (int& y : sighted.y) {
        y = s.y * 256;
    }
    MX_pattern = sighted;
    ASSERT_EQ(check_finder_cross_MX(1, 0), 0) << "the whole bull's-eye";
    for (int selector : {0, 2}) {
        for (int level : {-1, 0, 5, 6}) {
            MX_pattern = sighted;
            EXPECT_EQ(check_finder_cross_MX(level, selector), -1) << level << " " << selector;
        }
    }
}

}  // namespace
