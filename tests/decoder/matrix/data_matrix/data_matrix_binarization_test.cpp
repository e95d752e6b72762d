// The Data Matrix module grey values: the same as the general luminance
// map's at every mesh point, plain and sharpened, for points well inside the
// frame, on its last row and column, beside its border and off it, at every
// sampling precision.

#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>
#include <random>
#include <vector>

#include "decoder/core/processor_lanes.h"

#include "decoder/core/sampling/common_code_mesh.h"
#include "decoder/core/sampling/common_luminance_map.h"
#include "decoder/matrix/data_matrix/data_matrix_binarization.h"

namespace data_matrix_binarization_test {
namespace {

using DEC2DIvra::BinarizationSubroutineForDataMatrix;
using DEC2DIvra::CommonCodeMesh;
using DEC2DIvra::CommonLuminanceMap;
using DEC2DIvra::GrayImage;
using DEC2DIvra::Point;
using DEC2DIvra::VirtualArray;

TEST(DataMatrixBinarizationTest, ModuleGreyValuesAreTheLuminanceMapsOwn)
{
    constexpr int kWidth = 70;
    constexpr int kHeight = 50;
    constexpr int kPitch = 83;  // rows longer than the frame, the padding full white
    std::vector<unsigned short> pixels(static_cast<size_t>(kPitch) * kHeight, 1023);
    std::mt19937 random(17);
    for (int y = 0; y < kHeight; ++y) {
        for (int x = 0; x < kWidth; ++x) {
            // Runs of full black and white beside each other drive the
            // sharpened value past both ends of its range.
            unsigned const r = random() % 8;
            pixels[static_cast<size_t>(y) * kPitch + x] =
                static_cast<unsigned short>(r == 0 ? 0 : (r == 1 ? 1023 : random() % 1024));
        }
    }
    GrayImage const image(kWidth, kHeight, kPitch, pixels.data());

    struct Case {
        char const* name;
        unsigned bits;
        bool laplacian;
    };
    Case const cases[] = {
        {"whole pixels, plain", 0, false},  {"whole pixels, sharpened", 0, true},
        {"1/8 pixel, plain", 3, false},     {"1/8 pixel, sharpened", 3, true},
        {"1/256 pixel, plain", 8, false},   {"1/256 pixel, sharpened", 8, true},
        {"1/32768 pixel, plain", 15, false}, {"1/32768 pixel, sharpened", 15, true},
    };
    constexpr unsigned kSide = 24;
    std::vector<Point> meshPoints(kSide * kSide);
    std::vector<unsigned short> expectedCells(kSide * kSide);
    std::vector<unsigned short> cells(kSide * kSide);
    for (Case const& c : cases) {
        SCOPED_TRACE(c.name);
        CommonCodeMesh mesh(VirtualArray<Point>(meshPoints.data(), kSide * kSide));
        ASSERT_TRUE(mesh.SetSize(kSide, kSide, c.bits));
        ASSERT_TRUE(mesh.SetSamplingSize(c.bits));
        int const one = 1 << c.bits;
        // Whole pixels from two beyond each side of the frame, fractions at
        // random; the corners of the mesh land on the frame's border.
        for (unsigned row = 0; row < kSide; ++row) {
            for (unsigned column = 0; column < kSide; ++column) {
                int const x = static_cast<int>(column) * (kWidth + 3) / static_cast<int>(kSide - 1) - 2;
                int const y = static_cast<int>(row) * (kHeight + 3) / static_cast<int>(kSide - 1) - 2;
                int const fx = static_cast<int>(random() % static_cast<unsigned>(one));
                int const fy = static_cast<int>(random() % static_cast<unsigned>(one));
                mesh.At(column, row) = Point{x * one + fx, y * one + fy};
            }
        }
        mesh.At(0, 0) = Point{(kWidth - 1) * one + one / 2, (kHeight - 1) * one + one / 3};
        mesh.At(1, 0) = Point{(kWidth - 2) * one + one / 2, (kHeight - 2) * one + one / 2};
        mesh.At(2, 0) = Point{0, 0};
        mesh.At(3, 0) = Point{one, one - 1};
        mesh.At(4, 0) = Point{-1, 5 * one};
        mesh.At(5, 0) = Point{(kWidth - 1) * one + one / 2, 10 * one + one / 3};
        mesh.At(6, 0) = Point{one / 2, 10 * one + one / 4};
        mesh.At(7, 0) = Point{(kWidth - 2) * one + one / 3, 12 * one};
        mesh.At(8, 0) = Point{20 * one + one / 5, (kHeight - 2) * one + one / 2};
        CommonLuminanceMap expected(VirtualArray<unsigned short>(expectedCells.data(), kSide * kSide));
        CommonLuminanceMap map(VirtualArray<unsigned short>(cells.data(), kSide * kSide));
        ASSERT_TRUE(expected.SetLuminance(image, mesh, c.laplacian));
        ASSERT_TRUE(BinarizationSubroutineForDataMatrix::SetLuminance(image, mesh, c.laplacian, map));
        ASSERT_EQ(map.GetWidth(), kSide);
        ASSERT_EQ(map.GetHeight(), kSide);
        for (unsigned row = 0; row < kSide; ++row) {
            for (unsigned column = 0; column < kSide; ++column) {
                ASSERT_EQ(map.At(column, row), expected.At(column, row))
                    << "at " << mesh.At(column, row).x << ", " << mesh.At(column, row).y;
            }
        }
    }
}

#if defined(__SSE2__)
bool FourLanes(GrayImage const& image, int const* x, int const* y, unsigned short* out)
{
    return BinarizationSubroutineForDataMatrix::PlainLuminanceFour(
        image, _mm_loadu_si128(reinterpret_cast<__m128i const*>(x)),
        _mm_loadu_si128(reinterpret_cast<__m128i const*>(y)), out);
}
#endif

#if defined(SCANNER_DATA_MATRIX_AVX2)
__attribute__((target("avx2"))) bool EightLanes(GrayImage const& image, int const* x, int const* y,
                                                unsigned short* out)
{
    return BinarizationSubroutineForDataMatrix::PlainLuminanceEight(
        image, _mm256_loadu_si256(reinterpret_cast<__m256i const*>(x)),
        _mm256_loadu_si256(reinterpret_cast<__m256i const*>(y)), out);
}
#endif

// Four or eight points at a time: where the lanes give a value it is the
// one-by-one value, on frames of 10-bit and of full 16-bit pixels (above
// 32767 the lanes give way), for points inside, on the last pixel row and
// column, and off every side; points well inside a 10-bit frame always take
// the lanes, and the lanes write nothing past their own values.
TEST(DataMatrixBinarizationTest, PlainValuesInLanesAreTheOneByOneValues)
{
    struct Lanes {
        char const* name;
        int count;
        bool (*read)(GrayImage const&, int const*, int const*, unsigned short*);
    };
    std::vector<Lanes> lanes;
#if defined(__SSE2__)
    lanes.push_back({"four lanes", 4, FourLanes});
#endif
#if defined(SCANNER_DATA_MATRIX_AVX2)
    if (DEC2DIvra::ProcessorHasAvx2()) {
        lanes.push_back({"eight lanes", 8, EightLanes});
    }
#endif
    if (lanes.empty()) {
        GTEST_SKIP() << "no vector lanes";
    }
    constexpr int kWidth = 61;
    constexpr int kHeight = 37;
    constexpr int kPitch = 64;
    constexpr unsigned short kUntouched = 0xBEEF;
    struct Frame {
        char const* name;
        unsigned most;    // the brightest a pixel may be
        unsigned bright;  // one pixel in `bright` above 32767 (0: none)
    };
    Frame const frames[] = {{"10-bit", 1023, 0}, {"16-bit", 32767, 60}};
    std::mt19937 random(23);
    for (Lanes const& l : lanes) {
        SCOPED_TRACE(l.name);
        for (Frame const& f : frames) {
            SCOPED_TRACE(f.name);
            std::vector<unsigned short> pixels(static_cast<size_t>(kPitch) * kHeight);
            for (unsigned short& p : pixels) {
                p = static_cast<unsigned short>(f.bright != 0 && random() % f.bright == 0 ? 32768 + random() % 32768
                                                                                           : random() % (f.most + 1));
            }
            GrayImage const image(kWidth, kHeight, kPitch, pixels.data());
            std::uniform_int_distribution<int> xs(-3 * 256, (kWidth + 2) * 256);
            std::uniform_int_distribution<int> ys(-3 * 256, (kHeight + 2) * 256);
            std::uniform_int_distribution<int> insideX(0, (kWidth - 1) * 256 - 1);
            std::uniform_int_distribution<int> insideY(0, (kHeight - 1) * 256 - 1);
            unsigned taken = 0;
            for (int i = 0; i < 20000; ++i) {
                // Points inside, anywhere, or inside with one lane moved
                // onto the last pixel row or column or just off the frame.
                int const kind = i % 3;
                int x[8];
                int y[8];
                for (int k = 0; k < l.count; ++k) {
                    x[k] = kind == 1 ? xs(random) : insideX(random);
                    y[k] = kind == 1 ? ys(random) : insideY(random);
                }
                if (kind == 2) {
                    int const k = static_cast<int>(random() % static_cast<unsigned>(l.count));
                    int const edges[4][2] = {{(kWidth - 1) * 256, y[k]},
                                             {x[k], (kHeight - 1) * 256},
                                             {-1, y[k]},
                                             {x[k], -1}};
                    int const e = static_cast<int>(random() % 4);
                    x[k] = edges[e][0];
                    y[k] = edges[e][1];
                }
                unsigned short out[9];
                std::fill(std::begin(out), std::end(out), kUntouched);
                bool const read = l.read(image, x, y, out);
                ASSERT_EQ(out[l.count], kUntouched);
                if (kind == 0 && f.bright == 0) {
                    ASSERT_TRUE(read);
                }
                if (kind == 2) {
                    ASSERT_FALSE(read);
                }
                if (!read) {
                    for (int k = 0; k < l.count; ++k) {
                        ASSERT_EQ(out[k], kUntouched);
                    }
                    continue;
                }
                ++taken;
                for (int k = 0; k < l.count; ++k) {
                    ASSERT_EQ(out[k], BinarizationSubroutineForDataMatrix::Luminance(image, Point{x[k], y[k]}, 8, false))
                        << x[k] << ", " << y[k];
                }
            }
            EXPECT_GT(taken, 0u);
        }
    }
}

}  // namespace
}  // namespace data_matrix_binarization_test
