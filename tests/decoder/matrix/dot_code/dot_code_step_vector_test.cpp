// The step vectors of a DotCode dot grid where the candidate dots form no
// right triangle of neighbours: a single row of dots, as the first dots of
// a level symbol reach the decoder, and dots that never touch diagonally.

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "decoder/core/gray_image.h"
#include "decoder/matrix/dot_code/dot_code_step_vectors.h"
#include "tests/support/frame.h"

namespace {

using DEC2DIvra::CalcStepVectorSubroutine;
using DEC2DIvra::DotStepVectors;
using DEC2DIvra::Point;

// Dots of radius 2 px at grid positions (2i, 2j) only (no diagonal
// neighbours), one position a `pitch` pixels, the grid turned by `degrees`.
struct SparseGrid {
    support::Frame frame = support::makeFrame(320, 240, 900);
    double pitch = 5.0;
    double ux = 0;
    double uy = 0;

    SparseGrid(double degrees, bool dark, bool checkerboard = false)
    {
        double const a = degrees * 3.14159265358979 / 180.0;
        ux = pitch * std::cos(a);
        uy = pitch * std::sin(a);
        for (int y = 0; y < frame.height; ++y) {
            for (int x = 0; x < frame.width; ++x) {
                // Grid coordinates of the pixel, nearest even position.
                double const dx = x - 160.0;
                double const dy = y - 120.0;
                double const gc = (dx * ux + dy * uy) / (pitch * pitch);
                double const gr = (-dx * uy + dy * ux) / (pitch * pitch);
                double ec = 2.0 * std::round(gc / 2.0);
                double er = 2.0 * std::round(gr / 2.0);
                if (checkerboard) {
                    // The nearest position with c + r even: the lattice turned by an eighth.
                    double const a = std::round((gc + gr) / 2.0);
                    double const b = std::round((gr - gc) / 2.0);
                    ec = a - b;
                    er = a + b;
                }
                double const d = std::hypot((gc - ec) * pitch, (gr - er) * pitch);
                bool const ink = d < 2.0 && std::fabs(gc) < 14 && std::fabs(gr) < 10;
                frame.at(x, y) = static_cast<uint16_t>(ink == dark ? 150 : 900);
            }
        }
    }

    // The dot at grid position (c, r), 1/256 pixel, pixel-centred as the
    // locator hands dots over.
    Point At(int c, int r) const
    {
        double const x = 160.0 + c * ux - r * uy;
        double const y = 120.0 + c * uy + r * ux;
        return Point{static_cast<int>(std::floor(x)) * 256 + 128, static_cast<int>(std::floor(y)) * 256 + 128};
    }

    DEC2DIvra::GrayImage Image() const
    {
        return DEC2DIvra::GrayImage(frame.width, frame.height, frame.width, frame.pixels.data());
    }
};

TEST(DotCodeStepVectors, ARowOfDotsWithoutTrianglesStillGivesBothAxes)
{
    struct Case {
        double degrees;
        bool dark;
    } const cases[] = {{0, true}, {0, false}, {8, true}, {-10, true}};
    for (Case const& c : cases) {
        SparseGrid const grid(c.degrees, c.dark);
        // Candidates along one row of dots only: no right triangle at all.
        std::vector<Point> candidates;
        for (int col = -12; col <= 12; col += 2) {
            candidates.push_back(grid.At(col, 0));
        }
        DotStepVectors s;
        ASSERT_TRUE(CalcStepVectorSubroutine::CalcStepVectorsFromCandidatePairs(
            grid.Image(), 4, c.dark, candidates.data(), static_cast<unsigned>(candidates.size()), s))
            << c.degrees << (c.dark ? " dark" : " light");
        // One pitch along each axis, within half a pixel.
        double const tolerance = 128;
        EXPECT_NEAR(s.v[0].dx, grid.ux * 256, tolerance) << c.degrees;
        EXPECT_NEAR(s.v[0].dy, grid.uy * 256, tolerance) << c.degrees;
        EXPECT_NEAR(s.v[1].dx, -grid.uy * 256, tolerance) << c.degrees;
        EXPECT_NEAR(s.v[1].dy, grid.ux * 256, tolerance) << c.degrees;
    }
}

// Dots at every position with c + r even: the smallest right triangle is
// three diagonal neighbours, read as two steps.
TEST(DotCodeStepVectors, ACheckerboardGivesOnePitchAlongEachAxis)
{
    for (double const degrees : {0.0, 20.0, -35.0}) {
        SparseGrid const grid(degrees, true, true);
        std::vector<Point> candidates;
        for (int r = -4; r <= 4; ++r) {
            for (int col = -6; col <= 6; ++col) {
                if ((col + r) % 2 == 0) {
                    candidates.push_back(grid.At(col, r));
                }
            }
        }
        unsigned count = static_cast<unsigned>(candidates.size());
        candidates.resize(count + 8);
        DotStepVectors s;
        CalcStepVectorSubroutine search;
        ASSERT_TRUE(search.Start(grid.Image(), 4, true, 0, candidates.data(), count,
                                 static_cast<unsigned>(candidates.size()), s))
            << degrees;
        // Within half a pixel of one pitch; the axes square to each other.
        double const tolerance = 128;
        EXPECT_NEAR(s.v[0].dx, grid.ux * 256, tolerance) << degrees;
        EXPECT_NEAR(s.v[0].dy, grid.uy * 256, tolerance) << degrees;
        EXPECT_NEAR(s.v[1].dx, -grid.uy * 256, tolerance) << degrees;
        EXPECT_NEAR(s.v[1].dy, grid.ux * 256, tolerance) << degrees;
    }
}

TEST(DotCodeStepVectors, CandidatesWithNoGroundBetweenThemGiveNoVectors)
{
    // A uniform dark blot: every pair has ink between, no probe finds ground.
    support::Frame frame = support::makeFrame(200, 200, 900);
    for (int y = 60; y < 140; ++y) {
        for (int x = 60; x < 140; ++x) {
            frame.at(x, y) = 150;
        }
    }
    std::vector<Point> candidates;
    for (int k = 0; k < 12; ++k) {
        candidates.push_back(Point{(70 + 5 * k) * 256 + 128, 100 * 256 + 128});
    }
    DotStepVectors steps;
    DEC2DIvra::GrayImage const image(frame.width, frame.height, frame.width, frame.pixels.data());
    EXPECT_FALSE(CalcStepVectorSubroutine::CalcStepVectorsFromCandidatePairs(
        image, 4, true, candidates.data(), static_cast<unsigned>(candidates.size()), steps));
    unsigned count = static_cast<unsigned>(candidates.size());
    EXPECT_FALSE(CalcStepVectorSubroutine().Start(image, 4, true, 0, candidates.data(), count, count, steps));
}

}  // namespace
