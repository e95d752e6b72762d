// Centring of module estimates: a module drawn alone, estimates set off its
// centre in each direction, moved back toward it.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "decoder/legacy/engine/legacy_scan_line.h"
#include "decoder/legacy/maxicode/maxi_centring.h"

namespace {

constexpr int kSize = 80;
constexpr int kPitch = 16;  // pixels
constexpr int kCx = 40;
constexpr int kCy = 40;

std::vector<unsigned short> g_pixels;

// One dark module (a disc of the pitch) on light.
void UseFrame()
{
    g_pixels.assign(kSize * kSize, 900);
    for (int y = 0; y < kSize; ++y) {
        for (int x = 0; x < kSize; ++x) {
            int const dx = x - kCx;
            int const dy = y - kCy;
            if (4 * (dx * dx + dy * dy) <= kPitch * kPitch) {
                g_pixels[static_cast<size_t>(y * kSize + x)] = 100;
            }
        }
    }
    decode_image_info.samplePixels = g_pixels.data();
    decode_image_info.sampleWidth = kSize;
    decode_image_info.sampleHeight = kSize;
    decode_image_info.sampleRowPadding = 0;
    THRESHOLD2 = THRESHOLD3 = 500;
    TH_SELECT = 0;
}

TEST(MaxiCentringTest, EstimatesOffTheCentreAreMovedBack)
{
    UseFrame();
    struct Off {
        int dx;
        int dy;
    };
    // Off by 5 of 16 pixels: the near circle reaches the light around it.
    Off const offs[] = {{5, 0}, {-5, 0}, {0, 5}, {0, -5}, {4, 4}, {-4, -4}};
    for (Off const& o : offs) {
        SCOPED_TRACE(testing::Message() << o.dx << "," << o.dy);
        // The walk sets the circles from the step; one step of a pitch.
        AdjustXY36((kCx - o.dx - kPitch) << 16, (kCy - o.dy) << 16, (kCx - o.dx) << 16, (kCy - o.dy) << 16, 20, 0,
                   1, 1);
        MaxiPoint16 shift;
        ASSERT_EQ(SetCenter(&shift, (kCy + o.dy) << 16, (kCx + o.dx) << 16, kPitch << 16), 1);
        // Back toward the centre, by an eighth of the pitch.
        EXPECT_LT(static_cast<long long>(shift.x) * o.dx + static_cast<long long>(shift.y) * o.dy, 0);
        EXPECT_NEAR(std::hypot(shift.x, shift.y) / 65536.0, kPitch / 8.0, 0.1);
    }
    // At the centre nothing differs: no correction.
    MaxiPoint16 shift;
    EXPECT_EQ(SetCenter(&shift, kCy << 16, kCx << 16, kPitch << 16), 0);
    EXPECT_EQ(CirValue1, 0);
    EXPECT_EQ(CirValue2, 0);
}

TEST(MaxiCentringTest, DirectionsOfDifferingSamples)
{
    MaxiPoint16 shift;
    UseFrame();
    SetCenter(&shift, kCy << 16, kCx << 16, kPitch << 16);  // builds the table
    for (int i = 0; i < 8; ++i) {
        EXPECT_EQ(BlockP[1 << i], 45 * i);
    }
    EXPECT_EQ(BlockP[0x11], -1);  // opposite samples: no side
    EXPECT_EQ(BlockP[0xFF], -1);
    EXPECT_EQ(BlockP[0x03], 23);  // between 0 and 45 degrees
}

// A walk past the reference grid's records stops at its edge.
TEST(MaxiCentringTest, WalkStaysWithinTheLine)
{
    UseFrame();
    tMod[5][36] = {-1, -1};
    EXPECT_GE(AdjustXY36(0, 0, 40 << 16, 0, 5, 30, 1, 20), 0);
    EXPECT_NE(tMod[5][36].x, -1);
    EXPECT_EQ(AdjustXY36(0, 0, 40 << 16, 0, kMaxiLines, 0, 1, 5), 0);
    EXPECT_EQ(AdjustXY36(0, 0, 40 << 16, 0, 5, 0, 1, 0), 0);
}

}  // namespace
