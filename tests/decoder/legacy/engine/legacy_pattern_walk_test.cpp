// Pattern walks: which samples each walker visits, in which order, and how a
// subroutine's break ends the walk.
#include <gtest/gtest.h>

#include <vector>

#include "decoder/legacy/engine/legacy_pattern_image.h"
#include "decoder/legacy/engine/legacy_pattern_subroutine.h"
#include "decoder/legacy/engine/legacy_pattern_walk.h"

namespace {

constexpr int kWidth = 16;
constexpr int kHeight = 12;

// Records the points it visits (outside the image as (-1, -1)); breaks at call
// number breakAt (0: never).
struct Recorder {
    tagSubrutineFunction function;
    tagGrayImage_t const* image;
    std::vector<tagPoint_t> visited;
    int breakAt;
};

int Record(void* record, tagGrayImage_t const* image, void const* item)
{
    auto* r = static_cast<Recorder*>(record);
    tagPoint_t p{-1, -1};
    if (item != nullptr) {
        PatternPointToPoint(image, static_cast<unsigned short const*>(item), &p);
    }
    r->visited.push_back(p);
    return r->breakAt != 0 && static_cast<int>(r->visited.size()) == r->breakAt ? kSubrutineBreak : 0;
}

class LegacyPatternWalkTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        for (int i = 0; i < kWidth * kHeight; ++i) {
            pixels[i] = static_cast<unsigned short>(i);
        }
        InitializeGrayImage(&image, pixels, kWidth, kHeight);
    }
    Recorder MakeRecorder(int breakAt = 0) { return Recorder{Record, &image, {}, breakAt}; }
    tagPatternRect_t Rect(int left, int top, int right, int bottom)
    {
        tagRect_t const r{left, top, right, bottom};
        tagPatternRect_t out{};
        RectToPatternRect(&image, &r, &out);
        return out;
    }

    unsigned short pixels[kWidth * kHeight + 4] = {};
    tagGrayImage_t image{};
};

std::vector<std::pair<int, int>> Points(Recorder const& r)
{
    std::vector<std::pair<int, int>> out;
    for (tagPoint_t const& p : r.visited) {
        out.emplace_back(p.x, p.y);
    }
    return out;
}

using P = std::vector<std::pair<int, int>>;

TEST_F(LegacyPatternWalkTest, AlongSegmentFollowsItsFixedPointRule)
{
    struct Case {
        tagSegment_t segment;
        unsigned step;
        P expected;
    };
    Case const cases[] = {
        // q = 4 / 2 = 2: the row moves once the count has passed 2; the end
        // point is the next segment's start and is not visited.
        {{{0, 0}, {4, 1}}, 1, {{0, 0}, {1, 0}, {2, 0}, {3, 1}}},
        {{{4, 1}, {0, 0}}, 1, {{4, 1}, {3, 1}, {2, 1}, {1, 0}}},
        {{{2, 2}, {5, 5}}, 1, {{2, 2}, {3, 3}, {4, 4}}},
        // Steep: y is the major axis; x moves left once the count is past 2.
        {{{3, 0}, {2, 4}}, 2, {{3, 0}, {3, 2}}},
        {{{3, 0}, {2, 5}}, 2, {{3, 0}, {3, 2}, {2, 4}}},
        // q = 5 x 65536 / 3 = 109226: the column moves after counts 1 and 3.
        {{{0, 0}, {2, 5}}, 1, {{0, 0}, {0, 1}, {1, 2}, {1, 3}, {2, 4}}},
        {{{7, 7}, {7, 7}}, 1, {}},
        // Step 0 is taken as 1.
        {{{0, 3}, {2, 3}}, 0, {{0, 3}, {1, 3}}},
    };
    for (Case const& c : cases) {
        Recorder r = MakeRecorder();
        EXPECT_EQ(AlongSegment(&image, &c.segment, c.step, &r), 0);
        EXPECT_EQ(Points(r), c.expected) << c.segment.begin.x << "," << c.segment.begin.y << " to "
                                         << c.segment.end.x << "," << c.segment.end.y;
    }
}

TEST_F(LegacyPatternWalkTest, RectangleWalksVisitTheirShareOfSamples)
{
    tagPatternRect_t const rect = Rect(2, 3, 5, 6);  // 4 x 4
    Recorder full = MakeRecorder(), half = MakeRecorder(), quarter = MakeRecorder();
    EXPECT_EQ(FillRect(&image, &rect, &full), 0);
    EXPECT_EQ(HalfFillRect(&image, &rect, &half), 0);
    EXPECT_EQ(QuarterFillRect(&image, &rect, &quarter), 0);
    EXPECT_EQ(full.visited.size(), 16u);
    EXPECT_EQ(Points(half), (P{{2, 3}, {4, 3}, {3, 4}, {5, 4}, {2, 5}, {4, 5}, {3, 6}, {5, 6}}));
    EXPECT_EQ(Points(quarter), (P{{2, 3}, {4, 3}, {2, 5}, {4, 5}}));

    Recorder cross = MakeRecorder();
    tagPatternRect_t const wide = Rect(2, 3, 6, 5);  // 5 x 3, centre (4, 4)
    EXPECT_EQ(AlongSmallRectCross(&image, &wide, 2, &cross), 0);
    EXPECT_EQ(Points(cross), (P{{2, 4}, {4, 4}, {6, 4}, {4, 3}, {4, 5}}));

    tagPoint_t const center{8, 8};
    tagPatternRect_t made{};
    MakePatternRectFromCenterAndSize(&image, &center, 4, 2, &made);
    EXPECT_EQ(CulcCenterOfPatternRect(&image, &made), &pixels[7 * kWidth + 7]) << "rounded down";
    tagPoint_t const back{-6, -7};
    ShiftPatternRectByVector(&image, &made, &back);
    EXPECT_EQ(made.topLeft, &pixels[0]);
}

TEST_F(LegacyPatternWalkTest, AxisAndCyclicWalks)
{
    Recorder down = MakeRecorder(), left = MakeRecorder();
    tagVerticalSegment_t const column{{1, 2}, 5};
    tagHorizontalSegment_t const row{{3, 0}, -3};
    EXPECT_EQ(AlongVerticalSegment(&image, &column, 2, &down), 0);
    EXPECT_EQ(AlongHorizontalSegment(&image, &row, 1, &left), 0);
    EXPECT_EQ(Points(down), (P{{1, 2}, {1, 4}, {1, 6}}));
    EXPECT_EQ(Points(left), (P{{3, 0}, {2, 0}, {1, 0}}));

    // Direction 2 (4, 2) with two offsets a step: (2, 1) per step.
    Recorder cyclic = MakeRecorder();
    tagDirectionSegment_t const d2{2, {6, 5}, 8};
    EXPECT_EQ(AlongDirectionSegment(&image, &d2, 2, &cyclic), 0);
    EXPECT_EQ(Points(cyclic), (P{{2, 3}, {4, 4}, {6, 5}, {8, 6}}));

    // A walk leaving the image visits the samples beyond it as outside.
    Recorder off = MakeRecorder();
    tagPoint_t const start{1, kHeight - 2};
    tagCyclePatternSegment_t leaving{};
    MakeDirectionCyclePatternSegment(&image, PointToPatternPoint(&image, &start), 12, 3, 1, &leaving);
    EXPECT_EQ(AlongCyclePatternSegment(&image, &leaving, &off), 0);
    EXPECT_EQ(Points(off), (P{{1, kHeight - 2}, {1, kHeight - 1}, {-1, -1}}));
}

TEST_F(LegacyPatternWalkTest, BreakAtTheFirstSampleEndsEveryWalk)
{
    tagPatternRect_t const rect = Rect(2, 3, 5, 6);
    tagSegment_t const segment{{0, 0}, {9, 4}};
    tagVerticalSegment_t const column{{1, 1}, 6};
    tagHorizontalSegment_t const row{{1, 1}, 6};
    tagDirectionSegment_t const diagonal{0, {6, 6}, 8};
    tagCyclePatternSegment_t cycle{};
    DirectionSegmentToCyclePatternSegment(&image, &diagonal, 1, &cycle);

    auto check = [&](char const* name, auto&& walk) {
        // The first part counts, the second breaks at once.
        Recorder counter = MakeRecorder();
        tagDoubleSubrutine both{};
        InitializeDoubleSubrutine(&both, &counter, &SUBRUTINE_RETURN_BREAK_INSTANCE);
        EXPECT_EQ(walk(&both), kSubrutineBreak) << name;
        EXPECT_EQ(counter.visited.size(), 1u) << name;
    };
    check("segment", [&](void* s) { return AlongSegment(&image, &segment, 1, s); });
    check("vertical", [&](void* s) { return AlongVerticalSegment(&image, &column, 1, s); });
    check("horizontal", [&](void* s) { return AlongHorizontalSegment(&image, &row, 1, s); });
    check("cycle", [&](void* s) { return AlongCyclePatternSegment(&image, &cycle, s); });
    check("direction", [&](void* s) { return AlongDirectionSegment(&image, &diagonal, 1, s); });
    check("fill", [&](void* s) { return FillRect(&image, &rect, s); });
    check("half", [&](void* s) { return HalfFillRect(&image, &rect, s); });
    check("quarter", [&](void* s) { return QuarterFillRect(&image, &rect, s); });
    check("cross", [&](void* s) { return AlongSmallRectCross(&image, &rect, 1, s); });
}

TEST_F(LegacyPatternWalkTest, DoubleSubroutineKeepsCallingTheSecondAfterTheFirstBroke)
{
    Recorder first = MakeRecorder(2), second = MakeRecorder();
    tagDoubleSubrutine both{};
    InitializeDoubleSubrutine(&both, &first, &second);
    tagHorizontalSegment_t const row{{0, 0}, 5};
    EXPECT_EQ(AlongHorizontalSegment(&image, &row, 1, &both), 0);
    EXPECT_EQ(first.visited.size(), 2u);
    EXPECT_EQ(second.visited.size(), 5u);

    // Once the second has broken the double answers break without calling it.
    Recorder third = MakeRecorder(1);
    InitializeDoubleSubrutine(&both, &SUBRUTINE_NO_OPERATION_INSTANCE, &third);
    EXPECT_EQ(AlongHorizontalSegment(&image, &row, 1, &both), kSubrutineBreak);
    EXPECT_EQ(AlongHorizontalSegment(&image, &row, 1, &both), kSubrutineBreak);
    EXPECT_EQ(third.visited.size(), 1u);

}

TEST_F(LegacyPatternWalkTest, PickFillsItsBufferAndStopsWhenFull)
{
    unsigned short buffer[4 + 1] = {0, 0, 0, 0, 0xBEEF};
    tagPickSubrutine pick{};
    InitializePickSubrutine(&pick, buffer, 4);
    tagHorizontalSegment_t const row{{kWidth - 2, 1}, 6};
    EXPECT_EQ(AlongHorizontalSegment(&image, &row, 1, &pick), kSubrutineBreak) << "buffer full";
    EXPECT_EQ(buffer[0], 2 * kWidth - 2);
    EXPECT_EQ(buffer[1], 2 * kWidth - 1);
    EXPECT_EQ(buffer[2], 1023) << "beyond the row's end: white, not the next row";
    EXPECT_EQ(buffer[3], 1023);
    EXPECT_EQ(buffer[4], 0xBEEF) << "nothing written past the buffer";
    EXPECT_EQ(pick.current - pick.start, 4);
}

}  // namespace
