// Exposure control in the loop with the simulated sensor, whose brightness follows gain and
// exposure: from a dark and from a bright start the frames settle in the target band, and
// nothing outside the sensor's range is ever written.
#include "tests/app/camera/camera_fixture.h"

#include <algorithm>
#include <numeric>

namespace camera_test {
namespace {

// The measure, computed apart from the firmware: the mean of the brightest 5 % (20) of
// the 20 x 20 grid x = 168 + 16 i, y = 126 + 12 j.
double brightestMean(Samples const& frame)
{
    std::vector<int> grid;
    for (int j = 0; j < 20; ++j) {
        for (int i = 0; i < 20; ++i) {
            grid.push_back(frame[static_cast<std::size_t>(126 + 12 * j) * kWidth + 168 + 16 * static_cast<std::size_t>(i)]);
        }
    }
    std::sort(grid.rbegin(), grid.rend());
    return std::accumulate(grid.begin(), grid.begin() + 20, 0.0) / 20.0;
}

// A scene whose samples run from half of `level` up to `level`, as the sensor sees it at
// gain 64 and exposure 10.
Samples scene(int level)
{
    Samples samples(kPixels);
    for (int y = 0; y < kHeight; ++y) {
        for (int x = 0; x < kWidth; ++x) {
            samples[static_cast<std::size_t>(y) * kWidth + static_cast<std::size_t>(x)] =
                static_cast<std::uint16_t>(level * (16 + (x * 7 + y * 3) % 17) / 32);
        }
    }
    return samples;
}

struct Start {
    char const* name;
    int level;
    int gain;
    int exposure;
    int frames; // to reach the band
};

void PrintTo(Start const& value, std::ostream* out) { *out << value.name; }

class ExposureConvergenceTest : public CameraTest, public ::testing::WithParamInterface<Start> {};

TEST_P(ExposureConvergenceTest, SettlesInTheBandWithinRange)
{
    Start const& start = GetParam();
    ASSERT_TRUE(sim().setFrame(scene(start.level)));
    sim().setSensorModel(true);
    camera().enableAutoGainExposure(false);
    ASSERT_EQ(camera().open(), 0);
    ASSERT_EQ(camera().setAnalogueGainExposure(start.gain, start.exposure), 0);
    camera().enableAutoGainExposure(true);

    int reached = -1;
    std::size_t settled = 0; // control writes up to the frame after the band was reached
    for (int frame = 0; frame < start.frames + 6; ++frame) {
        ASSERT_TRUE(deliver());
        double const mean = brightestMean(sim().lastFrame());
        bool const inBand = mean >= 500.0 && mean <= 750.0;
        if (inBand && reached < 0) {
            reached = frame;
        }
        if (reached >= 0) {
            EXPECT_TRUE(inBand) << "left the band at frame " << frame << " (" << mean << ")";
        }
        if (reached >= 0 && frame == reached + 1) {
            settled = sim().controlLog().size();
        }
    }
    EXPECT_GE(reached, 0) << "never in the band";
    EXPECT_LE(reached, start.frames) << "first in the band at frame " << reached;

    // Once in the band the setting stays put.
    EXPECT_EQ(sim().controlLog().size(), settled);
    for (auto const& write : sim().controlLog()) {
        if (write.id == V4L2_CID_GAIN) {
            EXPECT_GE(write.value, 16);
            EXPECT_LE(write.value, 1023);
        } else if (write.id == V4L2_CID_EXPOSURE) {
            EXPECT_GE(write.value, 1);
            EXPECT_LE(write.value, 260);
        }
    }
}

// While the frame is clipped white the brightness is unknown and each frame can only step
// down by 625 / 1023: from the sensor's top that takes a dozen frames.
INSTANTIATE_TEST_SUITE_P(Starts, ExposureConvergenceTest,
                         ::testing::Values(Start{"dark_scene", 150, 64, 10, 3},
                                           Start{"dark_start_at_the_bottom", 300, 16, 1, 3},
                                           Start{"very_dark_scene", 20, 64, 10, 3},
                                           Start{"bright_scene", 1000, 64, 10, 3},
                                           Start{"bright_start", 300, 256, 40, 6},
                                           Start{"bright_start_at_the_top", 300, 1023, 260, 14}),
                         [](auto const& info) { return std::string(info.param.name); });

TEST_F(CameraTest, ExposureIsLeftAloneWhenSwitchedOffOrSkipped)
{
    ASSERT_TRUE(sim().setFrame(scene(100)));
    sim().setSensorModel(true);
    ASSERT_EQ(camera().open(), 0);
    camera().enableAutoGainExposure(false);
    sim().clearControlLog();
    ASSERT_TRUE(deliver(2));
    camera().enableAutoGainExposure(true);
    camera().setSkip(true);
    ASSERT_TRUE(deliver(2));
    EXPECT_TRUE(sim().controlLog().empty());
    camera().setSkip(false);
    ASSERT_TRUE(deliver());
    EXPECT_FALSE(sim().controlLog().empty());
}

} // namespace
} // namespace camera_test
