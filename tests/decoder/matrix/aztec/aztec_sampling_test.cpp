// The grey value the Aztec reader samples between pixels: everywhere on and
// around the image the bilinear blend of the four pixels about the point,
// with reads clamped to the image; a point that is no number reads 0.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "decoder/core/gray_image.h"
#include "decoder/matrix/aztec/aztec_code_decoder.h"
#include "decoder/matrix/aztec/aztec_module_grid.h"

namespace aztec_test {
namespace {

using namespace DEC2DIvra;

// Module corners +-10 seen at the given pixels a module around (x, y), the
// bottom edge widened by the keystone; bent, a saddle on top.
bool KeystoneGrid(double x, double y, double module, double keystone, bool bent, AztecModuleGrid& grid)
{
    double const top = 10 * module;
    double const bottom = top * (1 + keystone);
    grid.Clear();
    grid.Add(-10, -10, x - top, y - top);
    grid.Add(10, -10, x + top, y - top);
    grid.Add(10, 10, x + bottom, y + top);
    grid.Add(-10, 10, x - bottom, y + top);
    if (!grid.Fit()) {
        return false;
    }
    if (!bent) {
        return true;
    }
    AztecModuleGrid::BendMeasurement shifts[64];
    for (unsigned k = 0; k < 64; ++k) {
        float const u = static_cast<float>(k % 8) * 2.5f - 9;
        float const v = static_cast<float>(k / 8) * 2.5f - 9;
        shifts[k] = {u, v, k % 2 == 0 ? 1.0f : 0.0f, k % 2 == 0 ? 0.0f : 1.0f, 0.02f * u * v};
    }
    return grid.FitBend(shifts, 64, 10);
}

// A steep pattern over the whole 16-bit range; the rows' padding holds a
// value that must never be read.
std::vector<unsigned short> SteepPattern(int width, int height, int pitch)
{
    std::vector<unsigned short> pixels(static_cast<std::size_t>(pitch) * height, 12345);
    for (int j = 0; j < height; ++j) {
        for (int i = 0; i < width; ++i) {
            pixels[j * pitch + i] = static_cast<unsigned short>(((i * 7919 + j * 104729) % 977) * 67);
        }
    }
    return pixels;
}

TEST(AztecSamplingTest, BilinearGreyInsideOnTheBorderAndOffTheImage)
{
    // Pixel (i, j) holds 37 i + 101 j + 50; the rows' padding holds 1023
    // and must never be read.
    constexpr int kWidth = 6, kHeight = 5, kPitch = 8;
    std::vector<unsigned short> pixels(kPitch * kHeight, 1023);
    for (int j = 0; j < kHeight; ++j) {
        for (int i = 0; i < kWidth; ++i) {
            pixels[j * kPitch + i] = static_cast<unsigned short>(37 * i + 101 * j + 50);
        }
    }
    auto clamped = [&](int i, int j) {
        return pixels[std::clamp(j, 0, kHeight - 1) * kPitch + std::clamp(i, 0, kWidth - 1)];
    };
    // Pixel centres lie at i + 0.5.
    auto expected = [&](double x, double y) {
        double const fx = x - 0.5, fy = y - 0.5;
        int const i = static_cast<int>(std::floor(fx)), j = static_cast<int>(std::floor(fy));
        double const ax = fx - i, ay = fy - j;
        double const top = clamped(i, j) * (1 - ax) + clamped(i + 1, j) * ax;
        double const bottom = clamped(i, j + 1) * (1 - ax) + clamped(i + 1, j + 1) * ax;
        return static_cast<int>(top * (1 - ay) + bottom * ay + 0.5);
    };
    GrayImage const image(kWidth, kHeight, kPitch, pixels.data());
    EXPECT_EQ(SampleBilinear(image, 2.5, 1.5), 37 * 2 + 101 + 50);
    EXPECT_EQ(SampleBilinear(image, 3.0, 1.5), 244);
    // Points just left of or above the image (the floor below zero) and
    // past its last pixel centres read the border.
    for (double y = -2.0; y <= kHeight + 2.0; y += 0.0625) {
        for (double x = -2.0; x <= kWidth + 2.0; x += 0.0625) {
            ASSERT_EQ(SampleBilinear(image, x, y), expected(x, y)) << x << ", " << y;
        }
    }
    double const nan = std::numeric_limits<double>::quiet_NaN();
    double const inf = std::numeric_limits<double>::infinity();
    EXPECT_EQ(SampleBilinear(image, nan, 2.0), 0);
    EXPECT_EQ(SampleBilinear(image, 2.0, -inf), 0);
    EXPECT_EQ(SampleBilinear(image, 3e9, 2.0), 0);
    EXPECT_EQ(SampleBilinear(GrayImage(), 1.5, 1.5), 0);
}

// A row of modules walked along a line puts every module where the full map
// does: straight and under strong perspective, on a bent grid, and past the
// horizon, where neither has a position.
TEST(AztecSamplingTest, LineOfModulesLandsWhereTheMapPutsThem)
{
    struct Case {
        char const* name;
        double keystone;  // how much farther the bottom corners lie apart than the top ones
        bool bent;
    };
    static Case const kCases[] = {{"square", 0.0, false}, {"keystone", 0.4, false}, {"bent", 0.2, true},
                                  {"horizon", 3.0, false}};
    for (Case const& c : kCases) {
        SCOPED_TRACE(c.name);
        AztecModuleGrid grid;
        ASSERT_TRUE(KeystoneGrid(400, 300, 3, c.keystone, c.bent, grid));
        // Rows and columns in both senses, as the turned symbol's rows run.
        static double const kSteps[4][2] = {{1, 0}, {0, 1}, {-1, 0}, {0, -1}};
        for (auto const& step : kSteps) {
            for (double start = -40.5; start <= 40.5; start += 9) {
                AztecModuleGrid::Line const line(grid, start, -start / 2, step[0], step[1]);
                for (unsigned k = 0; k < 81; ++k) {
                    double mx = 0, my = 0, lx = 0, ly = 0;
                    bool const mapped = grid.Map(start + k * step[0], -start / 2 + k * step[1], mx, my);
                    ASSERT_EQ(line.At(k, lx, ly), mapped) << start << " " << k;
                    if (mapped) {
                        ASSERT_NEAR(lx, mx, 1e-6 * (1 + std::fabs(mx))) << start << " " << k;
                        ASSERT_NEAR(ly, my, 1e-6 * (1 + std::fabs(my))) << start << " " << k;
                    }
                }
            }
        }
    }
}

// A whole line of grey values at once: within two grey levels of the point
// by point reads on the full 16-bit range wherever every position has its
// four pixels on the image, refused as soon as one has not (on the last
// pixel row or column, off the image, a bent grid), so that the caller reads
// those point by point.
// The blend with weights in whole 1/65536ths of a pixel, rounded half up:
// what a line of samples must give exactly, one sample or many at a time.
int FixedPointBlend(GrayImage const& image, double x, double y)
{
    auto const ix = static_cast<unsigned long long>((x - 0.5) * 65536.0);
    auto const iy = static_cast<unsigned long long>((y - 0.5) * 65536.0);
    unsigned short const* const p = image.GetPixels() + (iy >> 16) * image.GetPitch() + (ix >> 16);
    unsigned short const* const q = p + image.GetPitch();
    unsigned long long const ax = ix & 0xFFFF;
    unsigned long long const ay = iy & 0xFFFF;
    unsigned long long const upper = p[0] * (65536 - ax) + p[1] * ax;
    unsigned long long const lower = q[0] * (65536 - ax) + q[1] * ax;
    return static_cast<int>((upper * (65536 - ay) + lower * ay + (1ull << 31)) >> 32);
}

TEST(AztecSamplingTest, LineOfGreyValuesAgreesWithThePointReadsOrIsRefused)
{
    constexpr int kWidth = 97, kHeight = 83, kPitch = 101;
    std::vector<unsigned short> const pixels = SteepPattern(kWidth, kHeight, kPitch);
    GrayImage const image(kWidth, kHeight, kPitch, pixels.data());
    struct Case {
        char const* name;
        double keystone;
        bool bent;
        double u, v, du, dv;  // the line in module coordinates
        unsigned count;
        bool sampled;
    };
    // Modules of 2 pixels around (48, 41): module u lies at 48 + 2 u.
    static Case const kCases[] = {
        {"across, odd count", 0.0, false, -20.3, -3.7, 1, 0, 41, true},
        {"down, in eighths", 0.0, false, 5.1, -19.9, 0.05, 0.5, 79, true},
        {"across, in fifths, past a chunk", 0.1, false, -17.1, 1.3, 0.2, 0.01, 171, true},
        {"diagonal under perspective", 0.3, false, -15.2, -15.6, 0.7, 0.55, 45, true},
        {"one position", 0.0, false, 0.25, 0.25, 1, 0, 1, true},
        // Pixel centres at i + 0.5: from 48.5 on, the 24th position lies at
        // 94.5 and the 25th at 96.5, the last pixel's centre; from 46.5 on,
        // the 26th, the second of a pair.
        {"up to the last pixel centre but one", 0.0, false, 0.25, 0, 1, 0, 24, true},
        {"onto the last pixel centre, the odd one at the end", 0.0, false, 0.25, 0, 1, 0, 25, false},
        {"onto the last pixel centre, two at a time", 0.0, false, -0.75, 0, 1, 0, 26, false},
        // Likewise down from 42.5 and from 40.5 to 82.5.
        {"up to the last pixel row", 0.0, false, 0, 0.75, 0, 1, 20, true},
        {"onto the last pixel row, the odd one at the end", 0.0, false, 0, 0.75, 0, 1, 21, false},
        {"onto the last pixel row, two at a time", 0.0, false, 0, -0.25, 0, 1, 22, false},
        {"starting left of the first pixel centre", 0.0, false, -23.8, 0, 1, 0, 10, false},
        {"leaving through the top", 0.0, false, 0, 2, 0, -1, 30, false},
        {"far off the image under strong perspective", 3.0, false, 0, -40, 0, 1, 80, false},
        // The horizon lies at v = 16.7 there: the ends, at (48, 29) and,
        // beyond the horizon, at (48, 3.6), fall on the image, the positions
        // between run off to infinity.
        {"through the horizon, both ends on the image", 3.0, false, 0, 0, 0, 4.5, 24, false},
        {"bent grid", 0.2, true, -10, -10, 1, 0, 20, false},
        {"no positions", 0.0, false, 0, 0, 1, 0, 0, true},
    };
    for (Case const& c : kCases) {
        SCOPED_TRACE(c.name);
        AztecModuleGrid grid;
        ASSERT_TRUE(KeystoneGrid(48, 41, 2, c.keystone, c.bent, grid));
        AztecModuleGrid::Line const line(grid, c.u, c.v, c.du, c.dv);
        std::vector<int> grey(c.count + 1, -1);
        ASSERT_EQ(line.Sample(image, c.count, grey.data()), c.sampled);
        if (!c.sampled) {
            continue;
        }
        for (unsigned k = 0; k < c.count; ++k) {
            double x = 0, y = 0;
            ASSERT_TRUE(line.At(k, x, y)) << k;
            ASSERT_NEAR(grey[k], SampleBilinear(image, x, y), 2) << k << " at " << x << ", " << y;
            ASSERT_EQ(grey[k], FixedPointBlend(image, x, y)) << k << " at " << x << ", " << y;
        }
        EXPECT_EQ(grey[c.count], -1);
    }
    EXPECT_FALSE(AztecModuleGrid::Line(AztecModuleGrid(), 5, 5, 1, 0).Sample(GrayImage(), 3, nullptr));
}

// Lines that leave the image at every place within the lanes positions are
// worked out in (two or four at once, or one by one at the end), through
// each side: refused exactly when some position lacks one of its four
// pixels, and otherwise every value exact.
TEST(AztecSamplingTest, LineRefusedWhereverInTheLanesItLeavesTheImage)
{
    constexpr int kWidth = 97, kHeight = 83, kPitch = 101;
    std::vector<unsigned short> const pixels = SteepPattern(kWidth, kHeight, kPitch);
    GrayImage const image(kWidth, kHeight, kPitch, pixels.data());
    AztecModuleGrid grid;
    ASSERT_TRUE(KeystoneGrid(48, 41, 2, 0.1, false, grid));
    struct Direction {
        char const* name;
        double u, v, du, dv;  // a start short of the edge and the step
    };
    static Direction const kDirections[] = {
        {"out through the right", 10.3, -2.2, 1, 0.1},  {"out through the left", -10.1, 3.4, -1, 0},
        {"out through the bottom", 1.7, 8.6, 0.05, 0.5}, {"out through the top", -3.3, -9.7, 0, -0.25},
    };
    for (Direction const& d : kDirections) {
        SCOPED_TRACE(d.name);
        for (double shift = 0; shift < 4; shift += 0.25) {
            AztecModuleGrid::Line const line(grid, d.u - shift * d.du, d.v - shift * d.dv, d.du, d.dv);
            for (unsigned count = 1; count <= 70; ++count) {
                bool expected = true;
                for (unsigned k = 0; k < count; ++k) {
                    double x = 0, y = 0;
                    expected = expected && line.At(k, x, y) && x - 0.5 >= 0 && y - 0.5 >= 0 &&
                               x - 0.5 < kWidth - 1 && y - 0.5 < kHeight - 1;
                }
                std::vector<int> grey(count + 1, -1);
                ASSERT_EQ(line.Sample(image, count, grey.data()), expected) << shift << " " << count;
                ASSERT_EQ(grey[count], -1) << shift << " " << count;
                for (unsigned k = 0; expected && k < count; ++k) {
                    double x = 0, y = 0;
                    ASSERT_TRUE(line.At(k, x, y));
                    ASSERT_EQ(grey[k], FixedPointBlend(image, x, y)) << shift << " " << count << " " << k;
                }
            }
        }
    }
}

// Lines over frames at the top of the 16-bit range, where a row's blend
// fills 32 bits: every value of every length (whole groups of lanes and the
// ones left) is the fixed-point blend exactly, written plainly or down a
// column of a wider table alike.
TEST(AztecSamplingTest, LineOfGreyValuesExactAtTheTopOfTheRange)
{
    constexpr int kWidth = 90, kHeight = 70, kPitch = 93;
    struct Frame {
        char const* name;
        unsigned short (*pixel)(int i, int j);
    };
    static Frame const kFrames[] = {
        {"all white", [](int, int) -> unsigned short { return 65535; }},
        {"white and black columns", [](int i, int) -> unsigned short { return i % 2 == 0 ? 65535 : 0; }},
        {"checkerboard near white", [](int i, int j) -> unsigned short { return (i + j) % 2 == 0 ? 65535 : 65534; }},
        {"white and black rows", [](int, int j) -> unsigned short { return j % 2 == 0 ? 0 : 65535; }},
    };
    for (Frame const& f : kFrames) {
        SCOPED_TRACE(f.name);
        std::vector<unsigned short> pixels(static_cast<std::size_t>(kPitch) * kHeight, 4321);
        for (int j = 0; j < kHeight; ++j) {
            for (int i = 0; i < kWidth; ++i) {
                pixels[j * kPitch + i] = f.pixel(i, j);
            }
        }
        GrayImage const image(kWidth, kHeight, kPitch, pixels.data());
        AztecModuleGrid grid;
        ASSERT_TRUE(KeystoneGrid(45, 35, 1.37, 0.15, false, grid));
        for (unsigned count = 1; count <= 75; ++count) {
            AztecModuleGrid::Line const line(grid, -12.3 + count * 0.01, -9.1 + count * 0.2, 0.31, 0.07);
            std::vector<int> grey(count + 1, -1);
            ASSERT_TRUE(line.Sample(image, count, grey.data())) << count;
            EXPECT_EQ(grey[count], -1) << count;
            std::vector<unsigned short> column(3 * count + 1, 7);
            ASSERT_TRUE(line.Sample(image, count, column.data(), 3)) << count;
            for (unsigned k = 0; k < count; ++k) {
                double x = 0, y = 0;
                ASSERT_TRUE(line.At(k, x, y));
                ASSERT_EQ(grey[k], FixedPointBlend(image, x, y)) << count << " " << k;
                ASSERT_EQ(column[3 * k], grey[k]) << count << " " << k;
                ASSERT_EQ(column[3 * k + 1], 7) << count << " " << k;
            }
        }
    }
}

// The module map of the reader: every module where the grid and the
// orientation put it, whichever way the symbol lies in the image (its rows
// across or down it, read in either sense, mirrored or not), or refused when
// the square leaves the image.
TEST(AztecSamplingTest, ModuleMapHoldsEveryModuleInReadingOrder)
{
    constexpr int kWidth = 160, kHeight = 140;
    std::vector<unsigned short> const pixels = SteepPattern(kWidth, kHeight, kWidth);
    GrayImage const image(kWidth, kHeight, kWidth, pixels.data());
    struct Case {
        char const* name;
        double degrees;   // the grid's turn in the image
        double keystone;
        unsigned side;
        bool sampled;
    };
    static Case const kCases[] = {
        {"upright", 0, 0, 21, true},
        {"turned a little", 20, 0, 21, true},
        {"rows down the image", 80, 0, 21, true},
        {"half turned", 180, 0.1, 19, true},
        {"rows up the image", 260, 0.2, 21, true},
        {"too large for the image", 30, 0, 61, false},
    };
    constexpr double kPi = 3.14159265358979323846;
    for (Case const& c : kCases) {
        for (unsigned turns = 0; turns < 8; ++turns) {
            OrientationPattern const orientation{turns & 3u, turns >= 4};
            SCOPED_TRACE(std::string(c.name) + " orientation " + std::to_string(turns));
            // Modules of 2.5 pixels about (80, 70), turned, the far side
            // widened by the keystone.
            double const a = c.degrees * kPi / 180;
            auto at = [&](double u, double v, double& x, double& y) {
                double const widen = 1 + c.keystone * (v + 10) / 20;
                x = 80 + 2.5 * (std::cos(a) * u * widen - std::sin(a) * v);
                y = 70 + 2.5 * (std::sin(a) * u * widen + std::cos(a) * v);
            };
            AztecModuleGrid grid;
            static double const kCorners[4][2] = {{-10, -10}, {10, -10}, {10, 10}, {-10, 10}};
            for (auto const& corner : kCorners) {
                double x = 0, y = 0;
                at(corner[0], corner[1], x, y);
                ASSERT_TRUE(grid.Add(corner[0], corner[1], x, y));
            }
            ASSERT_TRUE(grid.Fit());
            std::vector<unsigned short> grey(c.side * c.side, 0);
            ASSERT_EQ(SampleAztecModules(image, grid, orientation, c.side, grey.data()), c.sampled);
            if (!c.sampled) {
                continue;
            }
            double const offset = (c.side - 1) / 2.0;
            for (unsigned row = 0; row < c.side; ++row) {
                for (unsigned column = 0; column < c.side; ++column) {
                    double u = 0, v = 0, x = 0, y = 0;
                    AztecSymbolToReader(orientation, column - offset, row - offset, u, v);
                    ASSERT_TRUE(grid.Map(u, v, x, y));
                    ASSERT_NEAR(grey[row * c.side + column], SampleBilinear(image, x, y), 2)
                        << "row " << row << " column " << column;
                }
            }
        }
    }
}

}  // namespace
}  // namespace aztec_test
