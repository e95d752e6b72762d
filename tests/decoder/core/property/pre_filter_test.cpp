#include "decoder/core/property/pre_filter.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "config/configuration_manager.h"
#include "decoder/core/property/pre_filter_subroutine.h"

namespace DEC2DIvra {
namespace {

namespace cfg = ivra_configuration;

enum class Kind { kMinimum, kMaximum, kMean };

// A frame with a right margin of guard samples that no filter may touch.
struct Frame {
    static constexpr unsigned short kGuard = 0xBEEF;

    Frame(int width_, int height_, std::uint32_t seed, unsigned maxValue = 1023)
        : width(width_), height(height_), pitch(width_ + 3),
          samples(static_cast<std::size_t>(pitch) * height_, kGuard)
    {
        std::mt19937 random(seed);
        std::uniform_int_distribution<unsigned> value(0, maxValue);
        for (int y = 0; y < height; ++y) {
            for (int x = 0; x < width; ++x) {
                At(x, y) = static_cast<unsigned short>(value(random));
            }
        }
    }

    unsigned short& At(int x, int y) { return samples[static_cast<std::size_t>(y) * pitch + x]; }
    unsigned short At(int x, int y) const { return samples[static_cast<std::size_t>(y) * pitch + x]; }
    PreFilterImage View() { return PreFilterImage{samples.data(), width, height, pitch}; }

    int width;
    int height;
    int pitch;
    std::vector<unsigned short> samples;
};

int Clamp(int v, int last) { return v < 0 ? 0 : (v > last ? last : v); }

// The window of each sample taken literally, borders repeated.
Frame Reference(Frame const& in, Kind kind, int diameterX, int diameterY)
{
    Frame out = in;
    for (int y = 0; y < in.height; ++y) {
        for (int x = 0; x < in.width; ++x) {
            unsigned lowest = 0xFFFF;
            unsigned highest = 0;
            unsigned long long sum = 0;
            for (int ky = -(diameterY - 1) / 2; ky <= diameterY / 2; ++ky) {
                for (int kx = -(diameterX - 1) / 2; kx <= diameterX / 2; ++kx) {
                    unsigned const v = in.At(Clamp(x + kx, in.width - 1), Clamp(y + ky, in.height - 1));
                    lowest = v < lowest ? v : lowest;
                    highest = v > highest ? v : highest;
                    sum += v;
                }
            }
            unsigned const area = static_cast<unsigned>(diameterX * diameterY);
            out.At(x, y) = static_cast<unsigned short>(
                kind == Kind::kMinimum ? lowest : kind == Kind::kMaximum ? highest : (sum + area / 2) / area);
        }
    }
    return out;
}

bool Apply(Kind kind, PreFilterImage const& image, unsigned dx, unsigned dy, VirtualArray<unsigned char> scratch)
{
    switch (kind) {
    case Kind::kMinimum:
        return PreFilter::Minimum(image, dx, dy, scratch);
    case Kind::kMaximum:
        return PreFilter::Maximum(image, dx, dy, scratch);
    case Kind::kMean:
        return PreFilter::Mean(image, dx, dy, scratch);
    }
    return false;
}

std::vector<unsigned char> ScratchFor(int width, int height)
{
    return std::vector<unsigned char>(PreFilter::CalcScratchBytes(width, height) + 1);
}

// Exactly CalcScratchBytes, starting at an odd address.
VirtualArray<unsigned char> OddScratch(std::vector<unsigned char>& memory, int width, int height)
{
    return VirtualArray<unsigned char>(memory.data(), static_cast<unsigned>(memory.size()))
        .Slice(1, static_cast<unsigned>(PreFilter::CalcScratchBytes(width, height)));
}

TEST(PreFilterTest, MatchesTheWindowTakenLiterally)
{
    struct Size {
        int width;
        int height;
    };
    Size const sizes[] = {{1, 1}, {1, 9}, {9, 1}, {5, 3}, {37, 23}, {64, 48}};
    unsigned const diameters[] = {1, 2, 3, 4, 5, 8, 31};
    std::mt19937 random(7);
    std::uint32_t seed = 1;
    for (Kind kind : {Kind::kMinimum, Kind::kMaximum, Kind::kMean}) {
        for (Size size : sizes) {
            for (int trial = 0; trial < 6; ++trial) {
                unsigned const dx = diameters[random() % std::size(diameters)];
                unsigned const dy = diameters[random() % std::size(diameters)];
                // Full 16-bit samples now and then, to catch a sum that overflows.
                Frame frame(size.width, size.height, ++seed, trial == 0 ? 0xFFFF : 1023);
                Frame const expected = Reference(frame, kind, static_cast<int>(dx), static_cast<int>(dy));
                std::vector<unsigned char> memory = ScratchFor(size.width, size.height);
                ASSERT_TRUE(Apply(kind, frame.View(), dx, dy, OddScratch(memory, size.width, size.height)));
                EXPECT_EQ(frame.samples, expected.samples)
                    << "kind " << static_cast<int>(kind) << ", " << size.width << " x " << size.height << ", window "
                    << dx << " x " << dy;
            }
        }
    }
}

TEST(PreFilterTest, RefusesAndLeavesTheImageAsItWas)
{
    Frame frame(20, 10, 3);
    Frame const original = frame;
    std::vector<unsigned char> memory = ScratchFor(frame.width, frame.height);
    VirtualArray<unsigned char> const scratch = OddScratch(memory, frame.width, frame.height);
    PreFilterImage const good = frame.View();

    struct Case {
        std::string what;
        PreFilterImage image;
        unsigned dx;
        unsigned dy;
        VirtualArray<unsigned char> scratch;
    };
    Case const cases[] = {
        {"diameter x 0", good, 0, 3, scratch},
        {"diameter y 0", good, 3, 0, scratch},
        {"diameter x above the range", good, PreFilter::kMaxDiameter + 1, 3, scratch},
        {"diameter y 255", good, 3, 255, scratch},
        {"scratch one byte short", good, 3, 3, scratch.Slice(0, scratch.GetCount() - 1)},
        {"no scratch", good, 3, 3, VirtualArray<unsigned char>()},
        {"no pixels", PreFilterImage{nullptr, 20, 10, 23}, 3, 3, scratch},
        {"no width", PreFilterImage{good.pixels, 0, 10, 23}, 3, 3, scratch},
        {"negative height", PreFilterImage{good.pixels, 20, -1, 23}, 3, 3, scratch},
        {"pitch below width", PreFilterImage{good.pixels, 20, 10, 19}, 3, 3, scratch},
        {"side too long", PreFilterImage{good.pixels, PreFilter::kMaxSide + 1, 1, PreFilter::kMaxSide + 1}, 3, 3,
         scratch},
    };
    for (Kind kind : {Kind::kMinimum, Kind::kMaximum, Kind::kMean}) {
        for (Case const& c : cases) {
            EXPECT_FALSE(Apply(kind, c.image, c.dx, c.dy, c.scratch)) << c.what;
            EXPECT_EQ(frame.samples, original.samples) << c.what;
        }
    }
    EXPECT_EQ(PreFilter::CalcScratchBytes(0, 10), 0u);
    EXPECT_EQ(PreFilter::CalcScratchBytes(10, PreFilter::kMaxSide + 1), 0u);
}

// The filter settings of a store of the test's own.
class ApplyPreFilterTest : public ::testing::Test {
protected:
    struct Setting {
        bool enable;
        std::uint8_t priority;
        std::uint8_t diameterX;
        std::uint8_t diameterY;
    };

    template <class Node>
    static bool Store(Node const& node, Setting const& s)
    {
        return node.enable.Set(s.enable) && node.priority.Set(s.priority) && node.diameter_x.Set(s.diameterX) &&
               node.diameter_y.Set(s.diameterY);
    }

    void Configure(Setting const& dark, Setting const& light, Setting const& mean)
    {
        auto const& keys = manager.Root().detail_of_decoder.filters;
        ASSERT_TRUE(Store(keys.black_bold, dark));
        ASSERT_TRUE(Store(keys.white_bold, light));
        ASSERT_TRUE(Store(keys.moving_average, mean));
        ASSERT_TRUE(manager.Update());
    }

    cfg::ConfigurationManager manager;
    FiltersProperty filters{manager.Root()};
    ApplyPreFilterSubroutine const subroutine{};
};

TEST_F(ApplyPreFilterTest, RunsTheEnabledFiltersInPriorityOrder)
{
    struct Case {
        std::uint8_t dark;
        std::uint8_t light;
        std::uint8_t mean;
        bool meanOn;
        std::vector<Kind> order;
    };
    // Equal priorities keep the order dark, light, mean.
    Case const cases[] = {
        {0, 1, 2, true, {Kind::kMinimum, Kind::kMaximum, Kind::kMean}},
        {2, 1, 0, true, {Kind::kMean, Kind::kMaximum, Kind::kMinimum}},
        {0, 2, 1, true, {Kind::kMinimum, Kind::kMean, Kind::kMaximum}},
        {1, 1, 1, true, {Kind::kMinimum, Kind::kMaximum, Kind::kMean}},
        {5, 5, 0, true, {Kind::kMean, Kind::kMinimum, Kind::kMaximum}},
        {9, 3, 0, false, {Kind::kMaximum, Kind::kMinimum}},
    };
    std::uint8_t const dx = 3;
    std::uint8_t const dy = 2;
    for (Case const& c : cases) {
        Configure({true, c.dark, dx, dy}, {true, c.light, dx, dy}, {c.meanOn, c.mean, dx, dy});
        Frame frame(40, 30, 11);
        Frame expected = frame;
        for (Kind kind : c.order) {
            expected = Reference(expected, kind, dx, dy);
        }
        std::vector<unsigned char> memory = ScratchFor(frame.width, frame.height);
        ASSERT_TRUE(subroutine.Start(filters, frame.View(), OddScratch(memory, frame.width, frame.height)));
        EXPECT_EQ(frame.samples, expected.samples) << int{c.dark} << " " << int{c.light} << " " << int{c.mean};
    }
}

TEST_F(ApplyPreFilterTest, DisabledFiltersLeaveTheImageAlone)
{
    // Out-of-range diameters of a filter that is off do not matter.
    Configure({false, 0, 0, 0}, {false, 1, 255, 3}, {false, 2, 3, 3});
    Frame frame(16, 8, 5);
    Frame const original = frame;
    std::vector<unsigned char> memory = ScratchFor(frame.width, frame.height);
    EXPECT_TRUE(subroutine.Start(filters, frame.View(), OddScratch(memory, frame.width, frame.height)));
    EXPECT_EQ(frame.samples, original.samples);

    GrayImage const source(frame.width, frame.height, frame.pitch, frame.samples.data());
    GrayImage filtered;
    EXPECT_TRUE(subroutine.Start(filters, source, VirtualArray<unsigned char>(), filtered));
    EXPECT_EQ(filtered.GetPixels(), source.GetPixels());
}

TEST_F(ApplyPreFilterTest, RefusesBadSettingsBeforeChangingAnything)
{
    struct Case {
        std::string what;
        Setting dark;
        Setting light;
        Setting mean;
        std::size_t scratchShort;
    };
    // The first filter to run is valid each time: a refusal must come first.
    Case const cases[] = {
        {"last filter 0 wide", {true, 0, 3, 3}, {true, 1, 3, 3}, {true, 2, 0, 3}, 0},
        {"last filter too tall", {true, 0, 3, 3}, {true, 1, 3, PreFilter::kMaxDiameter + 1}, {false, 2, 3, 3}, 0},
        {"diameter 255", {true, 0, 255, 3}, {true, 1, 3, 3}, {false, 2, 3, 3}, 0},
        {"scratch short", {true, 0, 3, 3}, {false, 1, 3, 3}, {false, 2, 3, 3}, 1},
    };
    for (Case const& c : cases) {
        Configure(c.dark, c.light, c.mean);
        Frame frame(24, 12, 9);
        Frame const original = frame;
        std::vector<unsigned char> memory = ScratchFor(frame.width, frame.height);
        VirtualArray<unsigned char> scratch = OddScratch(memory, frame.width, frame.height);
        scratch = scratch.Slice(0, scratch.GetCount() - static_cast<unsigned>(c.scratchShort));
        EXPECT_FALSE(subroutine.Start(filters, frame.View(), scratch)) << c.what;
        EXPECT_EQ(frame.samples, original.samples) << c.what;
    }
}

TEST_F(ApplyPreFilterTest, FiltersACopyOfAFrameThatMustStay)
{
    Configure({true, 1, 3, 3}, {false, 0, 3, 3}, {true, 0, 5, 1});
    Frame frame(33, 17, 13);
    Frame const original = frame;
    Frame const expected =
        Reference(Reference(frame, Kind::kMean, 5, 1), Kind::kMinimum, 3, 3);
    GrayImage const source(frame.width, frame.height, frame.pitch, frame.samples.data());
    std::size_t const areaBytes = ApplyPreFilterSubroutine::CalcAreaBytes(frame.width, frame.height);
    std::vector<unsigned char> memory(areaBytes + 1);
    VirtualArray<unsigned char> const area =
        VirtualArray<unsigned char>(memory.data(), static_cast<unsigned>(memory.size())).Slice(1, areaBytes);

    GrayImage filtered;
    ASSERT_TRUE(subroutine.Start(filters, source, area, filtered));
    EXPECT_EQ(frame.samples, original.samples);
    ASSERT_EQ(filtered.GetWidth(), frame.width);
    ASSERT_EQ(filtered.GetHeight(), frame.height);
    for (int y = 0; y < frame.height; ++y) {
        for (int x = 0; x < frame.width; ++x) {
            ASSERT_EQ(filtered.At(x, y), expected.At(x, y)) << x << ", " << y;
        }
    }

    // Too small an area: the frame itself is decoded, unfiltered.
    EXPECT_FALSE(subroutine.Start(filters, source, area.Slice(0, area.GetCount() - 1), filtered));
    EXPECT_EQ(filtered.GetPixels(), source.GetPixels());
    EXPECT_EQ(frame.samples, original.samples);
}

}  // namespace
}  // namespace DEC2DIvra
