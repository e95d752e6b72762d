// The smoothed window a second Aztec read takes: placed inside the frame
// whatever the centre, each grey the 3 x 3 mean with the frame's edge
// pixels repeated, and a place off the frame refused.
#include <gtest/gtest.h>

#include <vector>

#include "decoder/matrix/aztec/aztec_smoothed_window.h"

namespace {

using DEC2DIvra::GrayImage;
using DEC2DIvra::WindowPlace;

// The mean of the 3 x 3 pixels around (x, y), the edge pixels repeated.
int PlainMean(std::vector<unsigned short> const& pixels, int width, int height, int x, int y)
{
    int sum = 0;
    for (int dy = -1; dy <= 1; ++dy) {
        for (int dx = -1; dx <= 1; ++dx) {
            int const px = x + dx < 0 ? 0 : (x + dx >= width ? width - 1 : x + dx);
            int const py = y + dy < 0 ? 0 : (y + dy >= height ? height - 1 : y + dy);
            sum += pixels[static_cast<size_t>(py * width + px)];
        }
    }
    return (sum + 4) / 9;
}

TEST(AztecSmoothedWindowTest, WindowLiesOnTheFrameAndHoldsTheLocalMeans)
{
    constexpr int kWidth = 37;
    constexpr int kHeight = 23;
    std::vector<unsigned short> pixels(kWidth * kHeight);
    for (size_t i = 0; i < pixels.size(); ++i) {
        pixels[i] = static_cast<unsigned short>((i * 7919u) % 1024u);
    }
    GrayImage const image(kWidth, kHeight, kWidth, pixels.data());
    struct Case {
        int x, y, side;
        WindowPlace place;
    };
    Case const cases[] = {
        {18, 11, 10, {13, 6, 10, 10}},       // around the centre
        {0, 0, 10, {0, 0, 10, 10}},          // held inside at a corner
        {36, 22, 10, {27, 13, 10, 10}},      // and at the other
        {18, 11, 100, {0, 0, kWidth, kHeight}},  // larger than the frame: the frame
        {-50, 80, 5, {0, 18, 5, 5}},         // a centre off the frame
    };
    for (Case const& c : cases) {
        SCOPED_TRACE(std::to_string(c.x) + "," + std::to_string(c.y) + " side " + std::to_string(c.side));
        WindowPlace const place = DEC2DIvra::PlaceWindow(image, c.x, c.y, c.side);
        EXPECT_EQ(place.left, c.place.left);
        EXPECT_EQ(place.top, c.place.top);
        EXPECT_EQ(place.width, c.place.width);
        EXPECT_EQ(place.height, c.place.height);
        std::vector<unsigned short> out(static_cast<size_t>(place.width * place.height));
        ASSERT_TRUE(DEC2DIvra::SmoothWindow(image, place, out.data()));
        unsigned differ = 0;
        for (int v = 0; v < place.height; ++v) {
            for (int u = 0; u < place.width; ++u) {
                differ += out[static_cast<size_t>(v * place.width + u)] !=
                          PlainMean(pixels, kWidth, kHeight, place.left + u, place.top + v);
            }
        }
        EXPECT_EQ(differ, 0u);
    }
    // Places not wholly on the frame, and a frame without pixels, are refused.
    unsigned short sink[4] = {};
    for (WindowPlace const& bad : {WindowPlace{-1, 0, 2, 2}, WindowPlace{36, 0, 2, 2}, WindowPlace{0, 22, 2, 2},
                                   WindowPlace{0, 0, 0, 2}}) {
        EXPECT_FALSE(DEC2DIvra::SmoothWindow(image, bad, sink));
    }
    EXPECT_FALSE(DEC2DIvra::SmoothWindow(GrayImage(), WindowPlace{0, 0, 1, 1}, sink));
    EXPECT_EQ(DEC2DIvra::PlaceWindow(GrayImage(), 0, 0, 10).width, 0);
}

}  // namespace
