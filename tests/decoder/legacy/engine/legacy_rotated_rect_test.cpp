// Near-rectangle and near-trapezoid tests on tetragons whose sides follow
// exact direction vectors, so that each score is known by hand.
#include <gtest/gtest.h>

#include "decoder/legacy/engine/legacy_rotated_rect.h"

namespace {

TEST(LegacyRotatedRectTest, ScoresAgainstTheSevereAndBroadLimits)
{
    struct Case {
        char const* name;
        tagTetragon_t t;
        int severe, broad;
        int trapezoid;
        tagDirection_t direction;
    };
    Case const cases[] = {
        // Side directions 4, 12, 4, 12: score 0.
        {"square", {{{0, 0}, {40, 0}, {40, 40}, {0, 40}}}, 1, 1, 1, 4},
        // 3, 11, 3, 11: turned one step, score 0.
        {"turned square", {{{0, 0}, {40, 10}, {30, 50}, {-10, 40}}}, 1, 1, 1, 3},
        // 4, 14, 6, 12: 4 + 4 (parallels) + 4 + 0 + 4 + 0 = 16.
        {"score 16", {{{0, 0}, {16, 0}, {24, 16}, {0, 28}}}, 1, 1, 0, 0},
        // 4, 14, 3, 12: 1 + 4 + 4 + 9 + 1 + 0 = 19.
        {"score 19", {{{0, 0}, {44, 0}, {64, 40}, {0, 24}}}, 0, 1, 1, 4},
        // 4, 13, 7, 12: 9 + 1 + 1 + 4 + 9 + 0 = 24.
        {"score 24", {{{0, 0}, {12, 0}, {16, 16}, {0, 28}}}, 0, 1, 1, 13},
        // The same turned a quarter: 12, 5, 15, 4. Sides 1 and 3 are one step
        // apart, so both are trapezoids on side 1.
        {"score 24 turned", {{{0, 0}, {0, 12}, {-16, 16}, {-28, 0}}}, 0, 1, 1, 5},
        // 4, 12, 7, 12: 9 + 0 + 0 + 9 + 9 + 0 = 27.
        {"score 27", {{{0, 0}, {16, 0}, {16, 32}, {0, 44}}}, 0, 0, 1, 12},
        // Parallel, but side 2 is half as long as side 0.
        {"short side", {{{0, 0}, {40, 0}, {30, 20}, {10, 20}}}, 0, 0, 1, 4},
        {"one point", {{{5, 5}, {5, 5}, {5, 5}, {5, 5}}}, 0, 0, 1, 4},
    };
    for (Case const& c : cases) {
        EXPECT_EQ(IsNearRotatedRectangleSeverely(&c.t), c.severe) << c.name;
        EXPECT_EQ(IsNearRotatedRectangle(&c.t), c.severe) << c.name;
        EXPECT_EQ(IsNearRotatedRectangleBroad(&c.t), c.broad) << c.name;
        tagDirection_t d = -1;
        EXPECT_EQ(IsNearRotetedTrapezoid(&c.t, &d), c.trapezoid) << c.name;
        if (c.trapezoid) {
            EXPECT_EQ(d, c.direction) << c.name;
        }
    }
}

}  // namespace
