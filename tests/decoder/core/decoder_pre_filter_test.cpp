// The decoder handle runs the configured pre-filters before any decoder sees
// the frame, and leaves the caller's frame as it was.
#include <gtest/gtest.h>

#include <new>
#include <vector>

#include "tests/decoder/core/allocation_counter.h"
#include "config/configuration_manager.h"
#include "decoder/core/dec2d_entry.h"
#include "decoder/core/property/dec2d_property.h"
#include "decoder/core/property/pre_filter_subroutine.h"
#include "decoder/two_dimension_decoder.h"

namespace DEC2DIvra {
namespace {

constexpr int kWidth = 640;
constexpr int kHeight = 480;

// Records the centre sample of the image the one-band read was given.
struct Probe {
    unsigned short centre = 0;
    unsigned short const* pixels = nullptr;
    static int Read(void* self, GrayImage const& image, Region const&, unsigned, DecodedLabel&)
    {
        auto& probe = *static_cast<Probe*>(self);
        probe.pixels = image.GetPixels();
        probe.centre = image.GetPixels()[(kHeight / 2) * image.GetPitch() + kWidth / 2];
        return 0;
    }
};

TEST(DecoderPreFilterTest, TheDecodersSeeTheFilteredCopy)
{
    EXPECT_GE(PreFilterArea::kBytes, ApplyPreFilterSubroutine::CalcAreaBytes(kWidth, kHeight));

    ivra_configuration::ConfigurationManager manager;
    DEC2DProperty property(manager.Root());
    auto* handle = new (std::nothrow) TwoDimensionDecoder(&property);
    ASSERT_NE(handle, nullptr);
    Probe probe;
    handle->SetLinearFrameHooks(LinearFrameHooks{&probe, &Probe::Read, nullptr});
    tagDecodeOption option = MakeDefaultDecodeOption(kWidth, kHeight);
    option.readMode = kFixedBandReadMode;

    // One bright speck on a dark frame: light-module thickening keeps it, the
    // dark-module thickening (a minimum) removes it.
    std::vector<unsigned short> frame(kWidth * kHeight, 100);
    frame[(kHeight / 2) * kWidth + kWidth / 2] = 900;

    DEC2D_Main(handle, kWidth, kHeight, kWidth, frame.data(), &option);
    EXPECT_EQ(probe.centre, 900) << "no filter enabled: the frame itself";
    EXPECT_EQ(probe.pixels, frame.data());

    auto const& dark = manager.Root().detail_of_decoder.filters.black_bold;
    ASSERT_TRUE(dark.enable.Set(true));
    ASSERT_TRUE(dark.diameter_x.Set(3));
    ASSERT_TRUE(dark.diameter_y.Set(3));
    ASSERT_TRUE(manager.Update());

    allocation_counter::Start();
    DEC2D_Main(handle, kWidth, kHeight, kWidth, frame.data(), &option);
    EXPECT_EQ(allocation_counter::Stop(), 0u);
    EXPECT_EQ(probe.centre, 100);
    EXPECT_NE(probe.pixels, frame.data());
    EXPECT_EQ(frame[(kHeight / 2) * kWidth + kWidth / 2], 900) << "the caller's frame is untouched";

    // A frame larger than the filter area is decoded unfiltered.
    std::vector<unsigned short> large(800 * 600, 100);
    large[300 * 800 + 400] = 900;
    probe.pixels = nullptr;
    DEC2D_Main(handle, 800, 600, 800, large.data(), &option);
    EXPECT_EQ(probe.pixels, large.data());
    delete handle;
}

} // namespace
} // namespace DEC2DIvra
