#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "decoder/core/sampling/common_code_grid.h"
#include "decoder/core/sampling/common_code_mesh.h"
#include "decoder/core/sampling/common_luminance_map.h"

namespace DEC2DIvra {
namespace {

constexpr int kOne = 256;

// A blank 10-bit frame; the grid only needs its size.
struct Blank {
    std::vector<unsigned short> pixels;
    GrayImage image;
    Blank(int width, int height) : pixels(static_cast<size_t>(width * height), 512)
    {
        image = GrayImage(width, height, width, pixels.data());
    }
};

// Corners of an upright rectangle, whole pixels in, 1/256 pixel out.
Region Square(int left, int top, int right, int bottom)
{
    return Region{{{left * kOne, top * kOne}, {right * kOne, top * kOne}, {right * kOne, bottom * kOne},
                   {left * kOne, bottom * kOne}}};
}

struct GridBuffers {
    std::vector<Line> columns = std::vector<Line>(64);
    std::vector<Line> rows = std::vector<Line>(64);
    std::vector<Point> points = std::vector<Point>(64 * 64);
    CommonCodeGrid grid{VirtualArray<Line>(columns.data(), 64), VirtualArray<Line>(rows.data(), 64)};
    CommonCodeMesh mesh{VirtualArray<Point>(points.data(), 64 * 64)};
};

// A square label seen by a camera: its depth changes linearly along u (or
// v) about the label's centre, then the view is turned by `angle` and moved.
// Sides of equal length in the label look longer where they lie nearer.
struct View {
    double size;
    double depthU;
    double depthV;
    double angle;
    double cx;
    double cy;
    void Map(double u, double v, double& x, double& y) const
    {
        double const w = 1 + depthU * (u - 0.5) + depthV * (v - 0.5);
        double const px = size * (u - 0.5) / w;
        double const py = size * (v - 0.5) / w;
        x = cx + std::cos(angle) * px - std::sin(angle) * py;
        y = cy + std::sin(angle) * px + std::cos(angle) * py;
    }
    Point Fixed(double u, double v) const
    {
        double x = 0;
        double y = 0;
        Map(u, v, x, y);
        return Point{static_cast<int>(std::lround(x * kOne)), static_cast<int>(std::lround(y * kOne))};
    }
};

TEST(GridMeshTest, ShogibanLinesCrossAtTheModulePointsOfALabelInPerspective)
{
    Blank const frame(400, 400);
    View const views[] = {
        {180, 0.6, 0, 0.3, 200, 190},    // nearer on the left
        {170, 0, -0.5, -2.0, 210, 200},  // nearer at the bottom, turned
        {150, 0, 0, 0.9, 190, 205},      // flat, turned
    };
    for (View const& view : views) {
        GridBuffers b;
        int const steps = 20;
        Region const corners{{view.Fixed(0, 0), view.Fixed(1, 0), view.Fixed(1, 1), view.Fixed(0, 1)}};
        ASSERT_TRUE(b.grid.SetForShogiban(frame.image, corners, Rectangle{-1, -1, steps + 1, steps + 1}, 8, steps,
                                          steps));
        ASSERT_TRUE(b.mesh.SetSize(steps + 3, steps + 3, 8));
        ASSERT_TRUE(b.grid.CalcMesh(frame.image, Vector{1, 1}, b.mesh));
        double worst = 0;
        for (int j = -1; j <= steps + 1; ++j) {
            for (int i = -1; i <= steps + 1; ++i) {
                double x = 0;
                double y = 0;
                view.Map(double(i) / steps, double(j) / steps, x, y);
                Point const p = b.mesh.At(static_cast<unsigned>(i + 1), static_cast<unsigned>(j + 1));
                worst = std::max(worst, std::hypot(p.x / double(kOne) - x, p.y / double(kOne) - y));
            }
        }
        // Corners and side lengths are whole 1/256 pixels: a few of those at
        // most, also on the extrapolated ring.
        EXPECT_LT(worst, 0.05) << view.depthU << " " << view.depthV;
    }
}

TEST(GridMeshTest, ShogibanRefusesDegenerateInputAndLeavesTheGridEmpty)
{
    Blank const frame(200, 200);
    Region const square = Square(20, 20, 120, 120);
    // Right side 1/256 of the left: x = -1 gets weights 100 x 11 and
    // 25600 x -1.
    Region const wedge{{{20 * kOne, 20 * kOne}, {120 * kOne, 70 * kOne}, {120 * kOne, 70 * kOne + 100},
                        {20 * kOne, 120 * kOne}}};
    Region collapsed = square;
    collapsed[1] = collapsed[0];
    struct {
        char const* what;
        Region region;
        Rectangle range;
        int shift;
        int columns;
        int rows;
    } const cases[] = {
        {"zero columns", square, {0, 0, 10, 10}, 8, 0, 10},
        {"zero rows", square, {0, 0, 10, 10}, 8, 10, 0},
        {"negative columns", square, {0, 0, 10, 10}, 8, -4, 10},
        {"side of length 0", collapsed, {0, 0, 10, 10}, 8, 10, 10},
        {"weights of the first line not positive", wedge, {-1, 0, 10, 10}, 8, 10, 10},
        {"empty range", square, {5, 0, 4, 10}, 8, 10, 10},
        {"range beyond the line buffer", square, {0, 0, 64, 10}, 8, 10, 10},
        {"shift out of range", square, {0, 0, 10, 10}, 16, 10, 10},
    };
    for (auto const& c : cases) {
        GridBuffers b;
        ASSERT_TRUE(b.grid.SetForShogiban(frame.image, square, Rectangle{0, 0, 10, 10}, 8, 10, 10));
        EXPECT_FALSE(b.grid.SetForShogiban(frame.image, c.region, c.range, c.shift, c.columns, c.rows)) << c.what;
        EXPECT_TRUE(b.grid.IsEmpty()) << c.what;
        ASSERT_TRUE(b.mesh.SetSize(11, 11, 8));
        EXPECT_FALSE(b.grid.CalcMesh(frame.image, Vector{}, b.mesh)) << c.what;
    }
}

TEST(GridMeshTest, CalcMeshRefusesWithoutTouchingTheMesh)
{
    Blank const frame(200, 200);
    Region const inside = Square(20, 20, 120, 120);
    Region const leaving = Square(20, 20, 199, 120);
    Region const outside = Square(-90, 20, -10, 120);
    struct {
        char const* what;
        Region region;
        Vector offset;
        unsigned meshSize;
        unsigned meshBits;
    } const cases[] = {
        {"corner on the last pixel column", leaving, {0, 0}, 11, 8},
        {"symbol off the image", outside, {0, 0}, 11, 8},
        {"block past the mesh's right side", inside, {1, 0}, 11, 8},
        {"block before the mesh's top", inside, {0, -1}, 11, 8},
        {"mesh too small", inside, {0, 0}, 10, 8},
        {"mesh of another precision", inside, {0, 0}, 11, 4},
    };
    Point const sentinel{-12345, 6789};
    for (auto const& c : cases) {
        GridBuffers b;
        ASSERT_TRUE(b.grid.SetForShogiban(frame.image, c.region, Rectangle{0, 0, 10, 10}, 8, 10, 10)) << c.what;
        ASSERT_TRUE(b.mesh.SetSize(c.meshSize, c.meshSize, c.meshBits));
        for (Point& p : b.points) {
            p = sentinel;
        }
        EXPECT_FALSE(b.grid.CalcMesh(frame.image, c.offset, b.mesh)) << c.what;
        for (Point const& p : b.points) {
            ASSERT_EQ(p, sentinel) << c.what;
        }
    }
    // An empty image refuses too.
    GridBuffers b;
    ASSERT_TRUE(b.grid.SetForShogiban(frame.image, inside, Rectangle{0, 0, 10, 10}, 8, 10, 10));
    ASSERT_TRUE(b.mesh.SetSize(11, 11, 8));
    EXPECT_FALSE(b.grid.CalcMesh(GrayImage(), Vector{}, b.mesh));
}

TEST(GridMeshTest, MeshIndexesCountFromTheCentreModuleAndSizesAreChecked)
{
    std::vector<Point> points(35);
    CommonCodeMesh mesh{VirtualArray<Point>(points.data(), 35)};
    EXPECT_FALSE(mesh.SetSize(6, 6, 8));  // 36 points in a buffer of 35
    EXPECT_FALSE(mesh.SetSize(0, 5, 8));
    EXPECT_FALSE(mesh.SetSize(5, 5, 16));
    ASSERT_TRUE(mesh.SetSize(7, 5, 8));
    EXPECT_EQ(mesh.GetCount(), 35u);
    EXPECT_EQ(mesh.GetSamplingSize(), 8u);
    struct {
        int x;
        int y;
        int index;
    } const cases[] = {
        {0, 0, 3 + 2 * 7}, {-3, -2, 0}, {3, 2, 34}, {1, -1, 4 + 1 * 7}, {4, 0, -1}, {0, -3, -1}, {-4, 0, -1},
    };
    for (auto const& c : cases) {
        EXPECT_EQ(mesh.CalcIndex(c.x, c.y), c.index) << c.x << "," << c.y;
    }
    points[17] = Point{99, 98};
    Point p;
    ASSERT_TRUE(mesh.CalcModulePoint(0, 0, p));
    EXPECT_EQ(p, (Point{99, 98}));
    EXPECT_FALSE(mesh.CalcModulePoint(0, 3, p));
}

TEST(GridMeshTest, LuminanceMapSamplesTheMeshAndReadsZeroOffTheImage)
{
    // Pixel (x, y) holds 4x + y: bilinear is exact.
    std::vector<unsigned short> pixels(50 * 40);
    for (int y = 0; y < 40; ++y) {
        for (int x = 0; x < 50; ++x) {
            pixels[static_cast<size_t>(y * 50 + x)] = static_cast<unsigned short>(4 * x + y);
        }
    }
    GrayImage const image(50, 40, 50, pixels.data());
    std::vector<Point> points(4);
    CommonCodeMesh mesh{VirtualArray<Point>(points.data(), 4)};
    ASSERT_TRUE(mesh.SetSize(2, 2, 8));
    points[0] = Point{10 * kOne + 128, 5 * kOne};
    points[1] = Point{-kOne, 3 * kOne};
    points[2] = Point{49 * kOne, 39 * kOne};
    points[3] = Point{50 * kOne, 2 * kOne};
    std::vector<unsigned short> cells(4, 7);
    CommonLuminanceMap map{VirtualArray<unsigned short>(cells.data(), 4)};
    ASSERT_TRUE(map.SetLuminance(image, mesh, false));
    EXPECT_EQ(map.GetWidth(), 2u);
    EXPECT_EQ(cells, (std::vector<unsigned short>{47, 0, 235, 0}));

    std::vector<unsigned short> small(3, 7);
    CommonLuminanceMap tooSmall{VirtualArray<unsigned short>(small.data(), 3)};
    EXPECT_FALSE(tooSmall.SetLuminance(image, mesh, false));
    EXPECT_EQ(small, (std::vector<unsigned short>(3, 7)));
    EXPECT_FALSE(map.SetLuminance(GrayImage(), mesh, false));
}

}  // namespace
}  // namespace DEC2DIvra
