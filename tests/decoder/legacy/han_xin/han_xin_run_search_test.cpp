// The Han Xin finder on run lengths: run windows of a scan line, the lines
// laid across a candidate, and the finders they keep, on drawn patterns and
// rendered symbols.
#include <gtest/gtest.h>

#include "config/common_property_reference.h"
#include "config/key_tree.h"
#include "decoder/core/dec2d_entry.h"
#include "decoder/core/property/dec2d_property.h"
#include "decoder/legacy/engine/legacy_reader_entries.h"
#include "decoder/legacy/han_xin/han_xin_finder.h"
#include "decoder/legacy/han_xin/han_xin_finder_function.h"
#include "decoder/legacy/han_xin/han_xin_image.h"
#include "decoder/legacy/han_xin/han_xin_run_search.h"
#include "decoder/legacy/han_xin/han_xin_runs.h"
#include "decoder/legacy/han_xin/han_xin_scale.h"
#include "tests/decoder/legacy/han_xin/han_xin_test_symbol.h"
#include "tests/support/frame.h"
#include "tests/support/symbol_renderer.h"

#include <cmath>
#include <string>

namespace {

void EnableHanXin()
{
    static DEC2DIvra::DEC2DProperty property;
    DEC2D_SetDec2DProperty(&property);
    ivra_configuration::CommonPropertyReference::RootHandle().read.chinese_sensible_code.Set(true);
}

// A white frame with one finder pattern (its L's corner top left) whose
// top-left corner is at (left, top), module pixels a module.
support::Frame PatternFrame(int left, int top, int module)
{
    support::Frame frame = support::makeFrame(240, 200, 900);
    for (int r = 0; r < 7; ++r) {
        for (int c = 0; c < 7; ++c) {
            int const m = r < c ? r : c;
            if (m != 0 && m != 2 && !(r >= 4 && c >= 4)) {
                continue;
            }
            for (int y = 0; y < module; ++y) {
                for (int x = 0; x < module; ++x) {
                    frame.at(left + c * module + x, top + r * module + y) = 100;
                }
            }
        }
    }
    return frame;
}

int SearchLine(int x0, int y0, int x1, int y1)
{
    reset_china01();
    reset_china02();
    return SearchChinaFinderLine(POINT_st{x0, y0}, POINT_st{x1, y1}, 1);
}

TEST(HanXinRunSearchTest, AWindowIsTakenOnlyWithARunAfterItAndCheckedAcross)
{
    EnableHanXin();
    // Module 4: the pattern spans x 60 .. 87; its block's middle row is y 82.
    support::Frame const frame = PatternFrame(60, 60, 4);
    hanxin_test::UseFrame(frame.pixels.data(), frame.width, frame.height);

    // Five runs (the line ends in the block) hold no finder; one light run
    // more makes six, and the window is searched.
    EXPECT_EQ(SearchLine(60, 82, 87, 82), 0);
    ASSERT_EQ(SearchLine(60, 82, 95, 82), 1);
    EXPECT_NEAR(CHINA_finder[0].x, 82, 1.5);
    EXPECT_NEAR(CHINA_finder[0].y, 82, 1.5);
    EXPECT_NEAR(CHINA_finder[0].module, 4, 0.6);
    // Read from the block's side (3:1:1:1:1) the same finder is found.
    ASSERT_EQ(SearchLine(200, 82, 10, 82), 1);
    EXPECT_NEAR(CHINA_finder[0].x, 82, 1.5);

    // A line below the block reads stripes of the L alone: nothing.
    EXPECT_EQ(SearchLine(10, 63, 200, 63), 0);

    // A pattern met inside the outline of a symbol handled on this image is
    // that symbol's: skipped.
    reset_china01();
    reset_china02();
    double const xs[4] = {40, 120, 120, 40};
    double const ys[4] = {40, 40, 120, 120};
    HanXinAddFoundArea(xs, ys);
    EXPECT_EQ(SearchChinaFinderLine(POINT_st{10, 82}, POINT_st{200, 82}, 1), 0);
}

TEST(HanXinRunSearchTest, AStripedWindowFailsTheLinesAcrossIt)
{
    EnableHanXin();
    // Vertical bars 1:1:1:1:3 read like a finder along a row, never down a
    // column.
    support::Frame frame = support::makeFrame(240, 200, 900);
    int const bars[][2] = {{60, 4}, {68, 4}, {76, 12}};
    for (auto const& bar : bars) {
        for (int y = 40; y < 160; ++y) {
            for (int x = bar[0]; x < bar[0] + bar[1]; ++x) {
                frame.at(x, y) = 100;
            }
        }
    }
    hanxin_test::UseFrame(frame.pixels.data(), frame.width, frame.height);
    EXPECT_EQ(SearchLine(10, 100, 200, 100), 0);
}

TEST(HanXinRunSearchTest, ASequenceAcrossThePatternGivesItsRunsAndEnds)
{
    EnableHanXin();
    support::Frame const frame = PatternFrame(60, 60, 4);
    hanxin_test::UseFrame(frame.pixels.data(), frame.width, frame.height);
    reset_china02();
    CHINA_RUNLENGTH_st& record = CHINA_runlength_info_VERIFY;
    record.lineMode = 1;
    record.window = 14;
    record.runParameter = 16;
    POINT_st points[3];
    int runs[5] = {};
    // Down the block's middle column, from above the pattern.
    ASSERT_EQ(verify_china_finder_sequence(POINT_st{82, 30}, POINT_st{82, 100}, POINT_st{82, 82}, &record, points,
                                           runs),
              0);
    EXPECT_NEAR(points[0].y, 60, 1);
    EXPECT_NEAR(points[1].y, 82, 1);
    EXPECT_NEAR(points[2].y, 88, 1);
    int const expected[5] = {4, 4, 4, 4, 12};
    for (int i = 0; i < 5; ++i) {
        EXPECT_NEAR(runs[i], 32 * expected[i], 48) << i;
    }
    // Up the same column the block comes first: not the pattern.
    EXPECT_EQ(verify_china_finder_sequence(POINT_st{82, 130}, POINT_st{82, 40}, POINT_st{82, 82}, &record, points,
                                           runs),
              -1);
    // A line reaching the frame's edge is not taken.
    EXPECT_EQ(verify_china_finder_sequence(POINT_st{82, 0}, POINT_st{82, 100}, POINT_st{82, 82}, &record, points,
                                           runs),
              -1);
}

TEST(HanXinRunSearchTest, OnlyTheRelaxedFormTakesTwoEqualLastRuns)
{
    EnableHanXin();
    // Horizontal bands down a column: 1, 1, 1, 2, 2 modules of 4 pixels.
    support::Frame frame = support::makeFrame(240, 200, 900);
    int const bands[][2] = {{60, 4}, {68, 4}, {80, 8}};
    for (auto const& band : bands) {
        for (int y = band[0]; y < band[0] + band[1]; ++y) {
            for (int x = 40; x < 160; ++x) {
                frame.at(x, y) = 100;
            }
        }
    }
    hanxin_test::UseFrame(frame.pixels.data(), frame.width, frame.height);
    reset_china02();
    CHINA_RUNLENGTH_st& record = CHINA_runlength_info_VERIFY;
    record.lineMode = 1;
    record.window = 14;
    record.runParameter = 16;
    POINT_st const start{100, 30};
    POINT_st const end{100, 120};
    POINT_st const target{100, 84};
    EXPECT_EQ(verify_china_finder_sequence(start, end, target, &record, nullptr, nullptr), -1);
    EXPECT_EQ(verify_china_finder_sequence(start, end, target, &record, nullptr, nullptr, true), 0);
}

// Rows of the frame through the run windows alone: the finders found, each
// checked to lie on one of the symbol's four finder patterns.
int FindersOnRows(support::Rendering const& r)
{
    hanxin_test::UseFrame(r.frame.pixels.data(), r.frame.width, r.frame.height);
    reset_china01();
    reset_china02();
    double const size = r.symbol.widthModules;
    for (int y = 1; y < r.frame.height; y += 2) {
        SearchChinaFinderLine(POINT_st{0, y}, POINT_st{r.frame.width - 1, y}, 1);
    }
    for (int i = 0; i < CHINA_finder_count; ++i) {
        support::Point const m = r.symbol.toModule({CHINA_finder[i].x, CHINA_finder[i].y});
        bool const nearEdgeX = m.x > -0.5 && (m.x < 7.5 || m.x > size - 7.5) && m.x < size + 0.5;
        bool const nearEdgeY = m.y > -0.5 && (m.y < 7.5 || m.y > size - 7.5) && m.y < size + 0.5;
        EXPECT_TRUE(nearEdgeX && nearEdgeY) << "finder at module " << m.x << ", " << m.y;
    }
    return CHINA_finder_count;
}

TEST(HanXinRunSearchTest, RowsFindTheFindersOfRenderedSymbolsButNoneNarrowerThan14Pixels)
{
    EnableHanXin();
    struct Case {
        double module;
        double angle;
        bool found;
    };
    // 7 modules of 2.2 pixels span 15.4 pixels; of 1.8 pixels 12.6.
    Case const cases[] = {{3.0, 0, true}, {3.0, 30, true}, {2.2, 0, true}, {1.8, 0, false}};
    for (Case const& c : cases) {
        support::SymbolInput input;
        input.symbology = BARCODE_HANXIN;
        input.data = "RUN WINDOWS 0123456789";
        input.option2 = 3;
        support::RenderOptions options;
        options.moduleSize = c.module;
        options.angle = c.angle;
        support::Rendering const r = support::render(input, options);
        ASSERT_TRUE(r.symbol.ok) << r.symbol.error;
        int const found = FindersOnRows(r);
        if (c.found) {
            EXPECT_GE(found, 3) << c.module << " px at " << c.angle;
        } else {
            EXPECT_EQ(found, 0) << c.module << " px at " << c.angle;
        }
    }
}

TEST(HanXinRunSearchTest, ScalesPassThroughTheirThreeKnownPositions)
{
    // A perspective: d = 3200 i / (i + 40), exact at 0, 10 and 40.
    int const knowns[6] = {0, 0, 10, 640, 40, 1600};
    int scales[27];
    ASSERT_EQ(QR_calc_scale(scales, knowns, 26, 0), 0);
    EXPECT_EQ(scales[0], 0);
    EXPECT_EQ(scales[10], 640);
    for (int i = 0; i <= 26; ++i) {
        EXPECT_NEAR(scales[i], 3200.0 * i / (i + 40), 0.5) << i;
    }
    // Evenly spaced by least squares through points on a line.
    int const line[6] = {6, 100, 13, 324, 20, 548};
    ASSERT_EQ(QR_calc_scale(scales, line, 26, 1), 0);
    for (int i = 0; i <= 26; ++i) {
        EXPECT_NEAR(scales[i], 100 + 32 * (i - 6), 1) << i;
    }
    // Two equal indices fix nothing; a pole inside the range is refused.
    int const same[6] = {6, 100, 6, 200, 20, 548};
    EXPECT_EQ(QR_calc_scale(scales, same, 26, 0), -1);
    int const pole[6] = {0, 0, 1, 100, 2, -100};
    EXPECT_EQ(QR_calc_scale(scales, pole, 26, 0), -1);
}

TEST(HanXinRunSearchTest, TheFindersOwnLinesReadTheFunctionInformation)
{
    EnableHanXin();
    for (double angle : {0.0, 30.0}) {
        support::SymbolInput input;
        input.symbology = BARCODE_HANXIN;
        input.data = "FUNCTION INFORMATION";
        input.option1 = 3;
        input.option2 = 7;
        support::RenderOptions options;
        options.moduleSize = 4;
        options.angle = angle;
        support::Rendering const r = support::render(input, options);
        ASSERT_TRUE(r.symbol.ok) << r.symbol.error;
        hanxin_test::UseFrame(r.frame.pixels.data(), r.frame.width, r.frame.height);
        reset_china01();
        int y = 1;
        for (; y < r.frame.height; y += 2) {
            reset_china02();
            if (hanxin_test::SearchRow(y, r.frame.width) == 0) {
                break;
            }
        }
        ASSERT_LT(y, r.frame.height);
        search_remaining_finders_CHINA(GetHanXinImage(), CHINA_finder[CHINA_finder_count - 1],
                                       &CHINA_runlength_info_REMAINING, false);
        ASSERT_EQ(adjust_finder_circulation_CHINA(), 4) << angle;
        CHINA_FUNCTION_INFO_st info{};
        int corrections = -1;
        ASSERT_EQ(ReadChinaFunctionInfoAtFinders(&corrections, &info), 0) << angle;
        EXPECT_EQ(info.version, 7);
        EXPECT_EQ(info.level, 2);
        EXPECT_EQ(corrections, 0);
    }
}

}  // namespace
