// The bull's-eye centre the Aztec reader settles on from the locator's
// guess: the true centre module's middle, whether the guess sits on it, up
// to one and a half modules off (the near search) or further (the wide
// search), in either polarity and turned; and the grid its ring edges place.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "decoder/core/gray_image.h"
#include "decoder/matrix/aztec/aztec_finder_grid.h"
#include "decoder/matrix/aztec/aztec_finder_searcher.h"

namespace aztec_test {
namespace {

using namespace DEC2DIvra;

constexpr int kSide = 160;

// A full-range bull's-eye (rings 0 to 6 about a dark centre module) inside
// modules that look like data, centred at (cx, cy) in pixels, turned by
// angle; each pixel the mean of 4 x 4 points over it.
std::vector<unsigned short> BullsEye(double cx, double cy, double module, double angle, bool darkCentre)
{
    std::vector<unsigned short> pixels(static_cast<std::size_t>(kSide) * kSide);
    double const c = std::cos(angle);
    double const s = std::sin(angle);
    for (int j = 0; j < kSide; ++j) {
        for (int i = 0; i < kSide; ++i) {
            int dark = 0;
            for (int b = 0; b < 4; ++b) {
                for (int a = 0; a < 4; ++a) {
                    double const x = i + (a + 0.5) / 4 - cx;
                    double const y = j + (b + 0.5) / 4 - cy;
                    int const u = static_cast<int>(std::floor((c * x + s * y) / module + 0.5));
                    int const v = static_cast<int>(std::floor((-s * x + c * y) / module + 0.5));
                    int const ring = std::max(std::abs(u), std::abs(v));
                    bool const on = ring <= 6 ? ring % 2 == 0 : ((u * 7919 + v * 104729) >> 3) % 2 == 0;
                    dark += on == darkCentre ? 1 : 0;
                }
            }
            pixels[static_cast<std::size_t>(j) * kSide + i] = static_cast<unsigned short>(200 - dark * 10);
        }
    }
    return pixels;
}

TEST(AztecFinderTest, SettlesOnTheCentreModuleFromNearAndFarGuesses)
{
    struct Case {
        char const* name;
        double module;
        double angle;
        bool darkCentre;
        double offU, offV;  // the guess's offset from the centre, in modules
        bool wide;
        bool strict;
    };
    static Case const kCases[] = {
        {"on the centre", 2.0, 0.0, true, 0.0, 0.0, false, false},
        {"a module right and half up", 2.0, 0.0, true, 1.1, -0.6, false, false},
        {"left and down, unequal", 3.0, 0.0, true, -0.4, 1.3, false, false},
        {"near the edge of the near range", 2.0, 0.0, true, 1.4, 0.3, false, false},
        {"near the edge of the near range, the other axis", 2.0, 0.0, true, 0.2, -1.45, false, false},
        {"turned, light on dark", 3.0, 0.35, false, 0.9, 0.5, false, false},
        {"strict test of the centre module", 4.5, 0.2, true, -0.8, -0.3, false, true},
        {"wide search two modules off", 2.0, 0.0, true, 2.4, -1.1, true, false},
        {"wide search, turned and strict", 3.0, -0.5, true, -1.2, 2.6, true, true},
        {"wide search, light on dark", 2.0, 0.1, false, 0.3, 2.8, true, false},
    };
    for (Case const& c : kCases) {
        SCOPED_TRACE(c.name);
        double const cx = 80.3;
        double const cy = 79.6;
        std::vector<unsigned short> const pixels = BullsEye(cx, cy, c.module, c.angle, c.darkCentre);
        GrayImage const image(kSide, kSide, kSide, pixels.data());
        AztecFinderSearcher finder;
        ASSERT_TRUE(finder.Start(image, cx + c.offU * c.module, cy + c.offV * c.module, c.module, c.wide, c.strict));
        // Within the search lattice's reach of the middle of the centre module.
        double const tolerance = c.module / 4 + 0.3;
        EXPECT_NEAR(finder.GetCentreX(), cx, tolerance);
        EXPECT_NEAR(finder.GetCentreY(), cy, tolerance);
        EXPECT_EQ(finder.IsDarkCentre(), c.darkCentre);
        // The ring edges found along the rays place the grid: module
        // corners of the bull's-eye land where the symbol has them.
        AztecModuleGrid grid;
        ASSERT_TRUE(finder.CalcGrid(6, grid));
        for (double const corner : {-5.5, -2.5, 0.5, 3.5, 6.5}) {
            double const u = corner;
            double const v = 1 - corner;
            double px = 0, py = 0;
            ASSERT_TRUE(grid.Map(u, v, px, py));
            // The bull's-eye alone does not tell the quarter turns apart.
            double miss = 1e9;
            for (int turn = 0; turn < 4; ++turn) {
                double const a = c.angle + turn * std::acos(0.0);
                double const ex = cx + (std::cos(a) * u - std::sin(a) * v) * c.module;
                double const ey = cy + (std::sin(a) * u + std::cos(a) * v) * c.module;
                miss = std::min(miss, std::hypot(px - ex, py - ey));
            }
            EXPECT_LT(miss, 0.3) << u << ", " << v;
        }
    }
}

}  // namespace
}  // namespace aztec_test

namespace aztec_test {
namespace {

// The corner-module centres of ring 1 of an upright bull's-eye, in the
// frames' fixed point (pixel centres on whole coordinates).
Region FirstRing(double cx, double cy, double module)
{
    Region r{};
    for (unsigned k = 0; k < 4; ++k) {
        r[k] = Point{static_cast<int>(std::lround((cx + RegionCornerCoord::X(k) * module - 0.5) * 256)),
                     static_cast<int>(std::lround((cy + RegionCornerCoord::Y(k) * module - 0.5) * 256))};
    }
    return r;
}

TEST(AztecFinderTest, FramesWalkOutToTheLastRingOrFailAtTheBorder)
{
    constexpr double kModule = 5.0;
    for (bool const compact : {true, false}) {
        for (bool const darkCentre : {true, false}) {
            std::vector<unsigned short> const pixels = BullsEye(80, 80, kModule, 0, darkCentre);
            GrayImage const image(kSide, kSide, kSide, pixels.data());
            AztecFinderSearcher finder;
            AztecFinderGrid grid;
            grid.SetCompact(compact);
            // Ring 1 is light about a dark centre.
            ASSERT_TRUE(finder.Start(image, !darkCentre, FirstRing(80, 80, kModule), 1, grid));
            double const last = compact ? 3 : 5;
            EXPECT_EQ(grid.GetHigh(true), static_cast<int>(last));
            EXPECT_EQ(grid.GetLow(false), -static_cast<int>(last));
            // The outer frame lies half a module outside the last ring.
            Region const& outer = grid.GetOuterFrame();
            EXPECT_NEAR(outer[1].x / 256.0 + 0.5, 80 + (last + 0.5) * kModule, 0.6);
            EXPECT_NEAR(outer[1].y / 256.0 + 0.5, 80 + (last + 0.5) * kModule, 0.6);
            // Its corner modules' centres, and the grid's steps of a module.
            Region const centres = grid.GetInnerFrameCenterRegion();
            EXPECT_NEAR(centres[3].x / 256.0 + 0.5, 80 - last * kModule, 0.6);
            EXPECT_NEAR(grid.GetStep(1).dx / 256.0, kModule, 0.2);
            EXPECT_NEAR(grid.GetStep(0).dy / 256.0, kModule, 0.2);
        }
    }
    // Cut by the image's top edge one ring out: the walk stops rather than
    // fit a frame outside the picture.
    std::vector<unsigned short> const pixels = BullsEye(80, 20, kModule, 0, true);
    GrayImage const image(kSide, kSide, kSide, pixels.data());
    AztecFinderSearcher finder;
    AztecFinderGrid grid;
    grid.SetCompact(false);
    EXPECT_FALSE(finder.Start(image, false, FirstRing(80, 20, kModule), 1, grid));
}

}  // namespace
}  // namespace aztec_test
