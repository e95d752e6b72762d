#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <vector>

#include "decoder/core/geometry/geometry_ex.h"
#include "decoder/core/geometry/ptr_line_segment.h"
#include "decoder/core/geometry/ptr_manhattan_line_segment.h"

namespace DEC2DIvra {
namespace {

// A frame whose pixel (x, y) holds 3x + 5y (a plane: bilinear is exact on it).
struct PlaneFrame {
    static constexpr int kWidth = 40;
    static constexpr int kHeight = 30;
    static constexpr int kPitch = 48;
    std::vector<unsigned short> pixels;
    GrayImage image;

    PlaneFrame() : pixels(kPitch * kHeight, 0xFFFF)
    {
        for (int y = 0; y < kHeight; ++y) {
            for (int x = 0; x < kWidth; ++x) {
                pixels[y * kPitch + x] = static_cast<unsigned short>(3 * x + 5 * y);
            }
        }
        image = GrayImage(kWidth, kHeight, kPitch, pixels.data());
    }
};

TEST(ImageSamplingTest, BilinearLuminanceOnAPlaneIsExactAndClampsAtTheBorder)
{
    PlaneFrame const frame;
    struct {
        Point p;
        int bits;
        unsigned expected;
    } const cases[] = {
        {{2, 3}, 0, 21},
        {{2 * 256 + 128, 3 * 256}, 8, 23},        // 22.5 rounds up
        {{2 * 256 + 64, 3 * 256 + 192}, 8, 26},   // 6.75 + 18.75 = 25.5 rounds up
        {{-5 * 256, 0}, 8, 0},                    // left of the image: the border pixel
        {{39 * 256 + 200, 29 * 256}, 8, 262},     // right edge clamps: 117 + 145
        {{1000000, 1000000}, 0, 262},
    };
    for (auto const& c : cases) {
        double const fx = std::min(std::max(c.p.x / double(1 << c.bits), 0.0), 39.0);
        double const fy = std::min(std::max(c.p.y / double(1 << c.bits), 0.0), 29.0);
        unsigned const exact = static_cast<unsigned>(std::floor(3 * fx + 5 * fy + 0.5));
        EXPECT_EQ(exact, c.expected);
        EXPECT_EQ(GeometryEx::GetLuminance(frame.image, c.p, c.bits), exact) << c.p.x << "," << c.p.y;
    }
    EXPECT_EQ(GeometryEx::GetLuminance(frame.image, Point{0, 0}, 16), 0u);  // refused precision
    EXPECT_EQ(GeometryEx::GetLuminance(GrayImage(), Point{0, 0}, 0), 0u);
}

TEST(ImageSamplingTest, LaplacianLuminanceSharpensEdgesAndKeepsFlatAreas)
{
    // A dark vertical bar (x 10..12) on a light ground.
    std::vector<unsigned short> pixels(32 * 8, 800);
    for (int y = 0; y < 8; ++y) {
        for (int x = 10; x <= 12; ++x) {
            pixels[y * 32 + x] = 200;
        }
    }
    GrayImage const image(32, 8, 32, pixels.data());
    EXPECT_EQ(GeometryEx::GetLapLuminance(image, Point{3, 4}, 0), 800u);   // flat stays
    EXPECT_EQ(GeometryEx::GetLapLuminance(image, Point{11, 4}, 0), 200u);  // bar centre: neighbours equal
    EXPECT_EQ(GeometryEx::GetLapLuminance(image, Point{10, 4}, 0), 50u);   // 200 + (800 - 1400) / 4
    EXPECT_EQ(GeometryEx::GetLapLuminance(image, Point{9, 4}, 0), 950u);   // 800 + (3200 - 2600) / 4
    std::vector<unsigned short> bright(16, 1023);
    bright[5] = 0;
    GrayImage const spot(4, 4, 4, bright.data());
    EXPECT_EQ(GeometryEx::GetLapPixel(spot, 1, 0), 1023u);  // clamped to the 10-bit range
    EXPECT_EQ(GeometryEx::GetLapPixel(spot, 1, 1), 0u);
}

struct Collect {
    std::vector<int> grey;
    std::vector<int> coordinate;
    bool Start(unsigned short g, int c)
    {
        grey.push_back(g);
        coordinate.push_back(c);
        return true;
    }
};

TEST(ImageSamplingTest, PixelWalksFollowTheRoundedLine)
{
    PlaneFrame const frame;
    LineSegment const segments[] = {
        {{1, 1}, {30, 9}}, {{30, 9}, {1, 1}}, {{5, 28}, {9, 2}}, {{0, 0}, {0, 0}}, {{7, 7}, {25, 25}}, {{39, 0}, {0, 29}},
    };
    for (LineSegment const& s : segments) {
        PtrLineSegment line;
        ASSERT_TRUE(line.Set(frame.image, s));
        Collect pick;
        ASSERT_TRUE(line.ExecuteAlongLineWithLineCoord(frame.image, pick));
        int const dx = s.end.x - s.begin.x;
        int const dy = s.end.y - s.begin.y;
        int const major = std::max(std::abs(dx), std::abs(dy));
        ASSERT_EQ(pick.grey.size(), static_cast<size_t>(major + 1));
        for (int k = 0; k <= major; ++k) {
            // The pixel nearest the true line at major step k (halves upward in
            // the walk's own direction).
            double const t = major == 0 ? 0.0 : double(k) / major;
            double const mx = s.begin.x + t * dx;
            double const my = s.begin.y + t * dy;
            auto round = [](double v, int sign) { return sign >= 0 ? std::floor(v + 0.5) : std::ceil(v - 0.5); };
            int const px = static_cast<int>(std::abs(dx) >= std::abs(dy) ? std::lround(mx) : round(mx, dx));
            int const py = static_cast<int>(std::abs(dx) >= std::abs(dy) ? round(my, dy) : std::lround(my));
            EXPECT_EQ(pick.grey[k], 3 * px + 5 * py) << s.begin.x << "," << s.begin.y << " k=" << k;
            EXPECT_EQ(pick.coordinate[k], k);
            Point p;
            ASSERT_TRUE(line.CalcLineCoordPoint(frame.image, k, p));
            EXPECT_EQ(p, (Point{px, py}));
            int back = -1;
            ASSERT_TRUE(line.CalcLineCoord(frame.image, p, back));
            EXPECT_EQ(back, k);
        }
    }
    PtrLineSegment line;
    EXPECT_FALSE(line.Set(frame.image, LineSegment{{0, 0}, {40, 0}}));
    ASSERT_TRUE(line.Set(frame.image, LineSegment{{2, 2}, {12, 7}}));
    Point p;
    EXPECT_FALSE(line.CalcLineCoordPoint(frame.image, -3, p));
    ASSERT_TRUE(line.CalcRealLineCoordPoint(frame.image, 5 * 256 + 128, 8, p));
    EXPECT_EQ(p, (Point{2 * 256 + 5 * 256 + 128, 2 * 256 + 704}));  // 5.5 * 5/10 = 2.75 pixels
    int coordinate = 0;
    ASSERT_TRUE(line.CalcRealLineCoord(frame.image, 8, p, coordinate));
    EXPECT_EQ(coordinate, 5 * 256 + 128);
}

TEST(ImageSamplingTest, ManhattanWalkIsFourConnectedWithRisingCoordinates)
{
    PlaneFrame const frame;
    LineSegment const segments[] = {{{1, 1}, {30, 9}}, {{30, 29}, {2, 1}}, {{5, 28}, {9, 2}}, {{3, 3}, {3, 3}}};
    for (LineSegment const& s : segments) {
        PtrManhattanLineSegment walk;
        ASSERT_TRUE(walk.Set(frame.image, s));
        Collect pick;
        ASSERT_TRUE(walk.ExecuteAlongLineWithLineCoord(frame.image, pick));
        ASSERT_EQ(pick.grey.size(), walk.GetLength());
        EXPECT_EQ(pick.grey.front(), 3 * s.begin.x + 5 * s.begin.y);
        EXPECT_EQ(pick.grey.back(), 3 * s.end.x + 5 * s.end.y);
        Point previous;
        for (size_t i = 0; i < pick.grey.size(); ++i) {
            Point p;
            ASSERT_TRUE(walk.CalcLineCoordPoint(frame.image, pick.coordinate[i], p));
            EXPECT_EQ(pick.grey[i], 3 * p.x + 5 * p.y);
            if (i > 0) {
                EXPECT_GT(pick.coordinate[i], pick.coordinate[i - 1]);
                EXPECT_EQ(std::abs(p.x - previous.x) + std::abs(p.y - previous.y), 1) << i;
            }
            previous = p;
        }
    }
}

TEST(ImageSamplingTest, AWalkStopsWhenThePickerSaysSo)
{
    PlaneFrame const frame;
    struct StopAfterTwo {
        int seen = 0;
        bool Start(unsigned short, int) { return ++seen < 2; }
    } pick;
    PtrLineSegment line;
    ASSERT_TRUE(line.Set(frame.image, LineSegment{{0, 0}, {20, 0}}));
    EXPECT_FALSE(line.ExecuteAlongLineWithLineCoord(frame.image, pick));
    EXPECT_EQ(pick.seen, 2);
    std::vector<unsigned short> other(PlaneFrame::kPitch * PlaneFrame::kHeight);
    GrayImage const otherImage(PlaneFrame::kWidth, PlaneFrame::kHeight, PlaneFrame::kPitch, other.data());
    Collect collect;
    EXPECT_FALSE(line.ExecuteAlongLineWithLineCoord(otherImage, collect));  // set up for another frame
    EXPECT_TRUE(collect.grey.empty());
}

}  // namespace
}  // namespace DEC2DIvra
