// Band sampling on a synthetic frame: module centres between reference rows,
// grey read at 16.16 positions, bands cut at their own level or the global
// one.
#include <gtest/gtest.h>

#include <vector>

#include "decoder/legacy/engine/legacy_scan_line.h"
#include "decoder/legacy/maxicode/maxi_module_set.h"

namespace {

constexpr int kPitch = 8;  // pixels a module, rows and columns alike

// Module (r, c) is dark where (r + 2 c) % 3 == 0; odd rows sit half a module
// right. Dark 100, light 900 on a 300 x 300 frame.
std::vector<unsigned short> g_pixels;

bool Dark(int r, int c) { return (r + 2 * c) % 3 == 0; }

void UseFrame()
{
    int const size = 300;
    g_pixels.assign(static_cast<size_t>(size * size), 900);
    for (int r = 0; r < kMaxiRows; ++r) {
        for (int c = 0; c < kMaxiColumns; ++c) {
            if (!Dark(r, c) || ((r & 1) != 0 && c == kMaxiColumns - 1)) {
                continue;
            }
            int const x0 = 10 + c * kPitch + ((r & 1) != 0 ? kPitch / 2 : 0);
            int const y0 = 10 + r * kPitch;
            for (int y = y0 - 2; y <= y0 + 2; ++y) {
                for (int x = x0 - 2; x <= x0 + 2; ++x) {
                    g_pixels[static_cast<size_t>(y * size + x)] = 100;
                }
            }
        }
    }
    decode_image_info.samplePixels = g_pixels.data();
    decode_image_info.sampleWidth = size;
    decode_image_info.sampleHeight = size;
    decode_image_info.sampleRowPadding = 0;
    // Reference lines through rows 0, 4, 10, 16, 22, 28 and 32.
    int const lines[7][2] = {{12, 0}, {10, 4}, {0, 10}, {8, 16}, {3, 22}, {11, 28}, {13, 32}};
    for (auto const& line : lines) {
        for (int c = 0; c < kMaxiColumns; ++c) {
            tMod[line[0]][c + 1] = {(10 + c * kPitch) << 16, (10 + line[1] * kPitch) << 16};
        }
    }
}

TEST(MaxiModuleSetTest, GreyIsInterpolatedAndClampedToTheFrame)
{
    UseFrame();
    // Between a dark pixel (12, 10) and the light one right of it.
    EXPECT_EQ(ImgValueAve(10 << 16, (12 << 16) + 0x8000), 500);
    EXPECT_EQ(ImgValueAve(10 << 16, 12 << 16), 100);
    // Off the frame: the nearest edge pixel.
    EXPECT_EQ(ImgValueAve(-(5 << 16), 12 << 16), ImgValue0(12, 0));
    EXPECT_EQ(ImgValue0(-4, 1000), g_pixels[299 * 300]);
}

TEST(MaxiModuleSetTest, BandsGiveTheModulesAtEitherThreshold)
{
    for (int select : {0, 1}) {
        SCOPED_TRACE(select);
        UseFrame();
        TH_SELECT = select;
        SetMaxiThreshold(150, 150, 20, 20, 20, 20);
        EXPECT_GT(THRESHOLD2, 100);
        EXPECT_LT(THRESHOLD2, 900);
        SampleMaxiBands();
        for (int r = 0; r < kMaxiRows; ++r) {
            for (int c = 0; c < kMaxiColumns; ++c) {
                bool const unused = (r & 1) != 0 && c == kMaxiColumns - 1;
                char const expected = !unused && Dark(r, c) ? '1' : '0';
                EXPECT_EQ(MX_bits[r * kMaxiColumns + c], expected) << r << ", " << c;
            }
        }
        // An odd row's module halfway between its neighbours above and below
        // (the band's division goes through a table of 4096ths).
        MaxiPoint16 const& odd = Modl[kMaxiLines * 7 + 3];
        EXPECT_NEAR(odd.x, (10 + 3 * kPitch + kPitch / 2) << 16, 1 << 12);
        EXPECT_NEAR(odd.y, (10 + 7 * kPitch) << 16, 1 << 12);
    }
}

TEST(MaxiModuleSetTest, TheGlobalThresholdIsUsedOnlyWhenSelected)
{
    UseFrame();
    TH_SELECT = 1;
    THRESHOLD2 = 50;  // below every grey: all light
    SampleMaxiBands();
    for (int i = 0; i < kMaxiRows * kMaxiColumns; ++i) {
        EXPECT_EQ(MX_bits[i], '0') << i;
    }
    UseFrame();
    TH_SELECT = 0;  // each band's own mid-range
    SampleMaxiBands();
    EXPECT_EQ(MX_bits[0], Dark(0, 0) ? '1' : '0');
    EXPECT_EQ(MX_bits[3], Dark(0, 3) ? '1' : '0');
}

}  // namespace
