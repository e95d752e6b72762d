// The bars' direction measured at a DataBar finder that a line crossed
// askew: the measured reading direction lies on the symbol's own, whatever
// the skew of the line, at the smallest modules and in a five-module row.
#include "decoder/linear/data_bar/rss_finder_direction.h"

#include "decoder/core/sampling/bilinear.h"
#include "tests/support/symbol_renderer.h"

#include <gtest/gtest.h>

#include <cmath>
#include <utility>
#include <vector>

namespace {

using DEC2DIvra::GrayImage;
using DEC2DIvra::LineSegment;
using DEC2DIvra::Point;
using DEC2DIvra::RSSFinderDirection;

constexpr double kPi = 3.14159265358979323846;

GrayImage View(support::Frame const& frame)
{
    return GrayImage(frame.width, frame.height, frame.width, frame.pixels.data());
}

Point Rounded(support::Point p)
{
    return Point{static_cast<int>(std::lround(p.x)), static_cast<int>(std::lround(p.y))};
}

// Degrees between the measured direction and the symbol's reading direction
// (either way along it).
double ErrorDegrees(support::Rendering const& r, double ux, double uy)
{
    support::Point const a = r.symbol.toFrame({0, 0});
    support::Point const b = r.symbol.toFrame({10, 0});
    double const tx = b.x - a.x;
    double const ty = b.y - a.y;
    double const cross = ux * ty - uy * tx;
    double const dot = ux * tx + uy * ty;
    return std::fabs(std::atan2(cross, std::fabs(dot))) * 180.0 / kPi;
}

TEST(RSSFinderDirectionTest, AskewLinesTurnOntoTheBars)
{
    struct Case {
        char const* name;
        int symbology;
        double moduleSize;
        // Module rows the crossing runs through (the row's middle).
        double row;
    };
    // The left finder spans modules 18 to 33 of both forms; the Stacked
    // form's upper row is five modules high.
    Case const cases[] = {
        {"omnidirectional", BARCODE_DBAR_OMN, 1.3, 16.5},
        {"omnidirectional", BARCODE_DBAR_OMN, 4.0, 16.5},
        {"stacked", BARCODE_DBAR_STK, 1.3, 2.5},
        {"stacked", BARCODE_DBAR_STK, 2.8, 2.5},
    };
    for (Case const& c : cases) {
        for (double angle : {0.0, 15.0, 100.0, 217.0}) {
            support::RenderOptions options;
            options.moduleSize = c.moduleSize;
            options.angle = angle;
            support::Rendering const r =
                support::render({.symbology = c.symbology, .data = "0950110153000"}, options);
            ASSERT_TRUE(r.symbol.ok) << r.symbol.error;
            // Crossings up to 8 degrees off the bars' normal (1.1 modules
            // of drift over the finder), both ways.
            for (double drift : {-1.1, 0.0, 1.1}) {
                LineSegment const line{Rounded(r.symbol.toFrame({18, c.row - drift})),
                                       Rounded(r.symbol.toFrame({33, c.row + drift}))};
                double ux = 0;
                double uy = 0;
                ASSERT_TRUE(RSSFinderDirection::Calc(View(r.frame), line, ux, uy))
                    << c.name << " " << c.moduleSize << " px at " << angle << ", drift " << drift;
                EXPECT_LT(ErrorDegrees(r, ux, uy), 1.5)
                    << c.name << " " << c.moduleSize << " px at " << angle << ", drift " << drift;
            }
        }
    }
}

TEST(RSSFinderDirectionTest, NothingToMeasureGivesNoDirection)
{
    support::Frame blank;
    blank.width = 120;
    blank.height = 80;
    blank.pixels.assign(static_cast<size_t>(blank.width) * blank.height, 600);
    double ux = 0;
    double uy = 0;
    // A plain ground, a stretch too short for a finder, and one beyond the
    // frame.
    EXPECT_FALSE(RSSFinderDirection::Calc(View(blank), LineSegment{{20, 40}, {80, 42}}, ux, uy));
    EXPECT_FALSE(RSSFinderDirection::Calc(View(blank), LineSegment{{20, 40}, {24, 40}}, ux, uy));
    EXPECT_FALSE(RSSFinderDirection::Calc(View(blank), LineSegment{{-500, -500}, {-440, -500}}, ux, uy));
}

// The grey the profiles read is the bilinear blend of the pixels clamped to
// the image, on it and over every edge, of 16-bit greys too; the rows' ends
// are followed by bright padding that a read past them would show.
TEST(RSSFinderDirectionTest, SamplesAreTheClampedBlend)
{
    for (auto const& [width, height] : {std::pair{9, 7}, std::pair{2, 2}, std::pair{1, 4}}) {
        int const pitch = width + 3;
        std::vector<unsigned short> pixels(static_cast<size_t>(pitch) * height, 65535);
        unsigned state = 12345;
        for (int y = 0; y < height; ++y) {
            for (int x = 0; x < width; ++x) {
                state = state * 1103515245u + 12345u;
                pixels[static_cast<size_t>(y) * pitch + x] = static_cast<unsigned short>(state >> 16);
            }
        }
        GrayImage const image(width, height, pitch, pixels.data());
        auto clamped = [&image](int x, int y) { return static_cast<double>(image.AtClamped(x, y)); };
        for (double y = -2.3; y < height + 1.5; y += 0.29) {
            for (double x = -2.6; x < width + 1.5; x += 0.31) {
                ASSERT_EQ(RSSFinderDirection::SampleBilinear(image, x, y), DEC2DIvra::Bilinear(clamped, x, y))
                    << width << " x " << height << " at " << x << ", " << y;
            }
        }
    }
}

}  // namespace
