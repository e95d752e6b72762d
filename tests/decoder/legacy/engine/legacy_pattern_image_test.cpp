// The pattern image: samples addressed by pointer and offset, and the
// rectangles and cyclic walks built on them.
#include <gtest/gtest.h>

#include "decoder/legacy/engine/legacy_pattern_image.h"

namespace {

constexpr int kWidth = 10;
constexpr int kHeight = 6;

TEST(LegacyPatternImageTest, PointsSamplesAndTheImageBounds)
{
    unsigned short pixels[kWidth * kHeight] = {};
    tagGrayImage_t image{};
    InitializeGrayImage(&image, pixels, kWidth, kHeight);

    struct Case {
        tagPoint_t p;
        int inImage;
    };
    Case const cases[] = {{{0, 0}, 1}, {{9, 5}, 1}, {{3, 2}, 1}, {{10, 5}, 0}, {{0, 6}, 0}, {{-1, 0}, 0}};
    for (Case const& c : cases) {
        tagPatternPoint const sample = SampleAt(&image, &c.p);
        EXPECT_EQ(sample != nullptr, c.inImage == 1) << c.p.x << "," << c.p.y;
        if (sample != nullptr) {
            EXPECT_EQ(PatternPointInImage(&image, sample), 1);
            tagPoint_t back{};
            PatternPointToPoint(&image, sample, &back);
            EXPECT_EQ(back.x, c.p.x);
            EXPECT_EQ(back.y, c.p.y);
        }
    }
    EXPECT_EQ(PatternPointInImage(&image, pixels + kWidth * kHeight), 0);
    EXPECT_EQ(PatternPointInImage(&image, nullptr), 0);

    // Centres of two samples, rounded down in both coordinates.
    tagPoint_t const a{1, 1}, b{4, 4};
    EXPECT_EQ(CulcCenterPatternPoint(&image, SampleAt(&image, &a), SampleAt(&image, &b)), &pixels[2 * kWidth + 2]);

    // No pixels or no size: an image holding no sample.
    tagGrayImage_t empty{};
    InitializeGrayImage(&empty, pixels, 0, kHeight);
    EXPECT_EQ(empty.width, 0);
    EXPECT_EQ(SampleAt(&empty, &a), nullptr);
    InitializeGrayImage(&empty, nullptr, kWidth, kHeight);
    EXPECT_EQ(PointToPatternPoint(&empty, &a), nullptr);
}

TEST(LegacyPatternImageTest, CyclicSegmentsFromDirections)
{
    unsigned short pixels[kWidth * kHeight] = {};
    tagGrayImage_t image{};
    InitializeGrayImage(&image, pixels, kWidth, kHeight);

    // Direction 1, (4, 3): the cycle W + 1, 1, W + 1, W + 1.
    tagPatternVector one[4], pairs[4];
    GetDirectionPatternVectors(&image, 1, one);
    EXPECT_EQ(one[1], 1);
    CulcDirectionPatternVectors(&image, 1, 0, 2, pairs);
    EXPECT_EQ(pairs[0], kWidth + 2);
    EXPECT_EQ(pairs[1], 2 * kWidth + 2);
    EXPECT_EQ(pairs[2], kWidth + 2) << "round the cycle again";

    // Length 8 centred on (5, 3) along direction 4: start (1, 3), 8 / 2 steps of 2.
    tagDirectionSegment_t const row{4, {5, 3}, 8};
    tagCyclePatternSegment_t cycle{};
    DirectionSegmentToCyclePatternSegment(&image, &row, 2, &cycle);
    EXPECT_EQ(cycle.start, &pixels[3 * kWidth + 1]);
    EXPECT_EQ(cycle.count, 4);
    EXPECT_EQ(cycle.offset[0], 2);
    tagPoint_t const up{0, -2};
    ShiftPatternSegmentByVector(&image, &cycle, &up);
    EXPECT_EQ(cycle.start, &pixels[1 * kWidth + 1]);
    MakeDirectionCyclePatternSegment(&image, cycle.start, 4, 8, 0, &cycle);
    EXPECT_EQ(cycle.count, 0) << "no steps of no offsets";
}

}  // namespace
