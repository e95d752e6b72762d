// Allocation counting: the counter itself is built as its own file of this binary.
#include "tests/decoder/core/allocation_counter.h"

#include <gtest/gtest.h>

#include <cstdio>

#include "decoder/core/dec2d_entry.h"
#include "decoder/linear/bar_symbol_decoder_set.h"
#include "frame_fixture.h"
#include "frame_stripe_code.h"

namespace frame_test {
namespace {

using namespace DEC2DIvra;

TEST(FrameAllocationTest, DecodingAllocatesNothing)
{
    LinearFrameHarness harness;
    ASSERT_TRUE(harness.IsReady());
    harness.EnableAllLinear(true);
    harness.SetRedundancy(1);
    StripeDecoder stripes{harness.Frame().GetBarSymbolDecoderSet().GetContext(), false};
    harness.Frame().GetBarSymbolDecoderSet().SetTrialDecoder(BarSymbolDecoderSet::kTelepen, &stripes);
    StripeDrawing drawing;
    drawing.quietZone = 30;
    support::Frame frame = support::makeFrame();
    support::Quad const quad = DrawStripes(frame, StripeModules("10110"), drawing);
    Region const region = ToRegion(quad, 60);
    GrayImage const image(frame.width, frame.height, frame.width, frame.pixels.data());
    tagDecodeOption option = MakeDefaultDecodeOption(frame.width, frame.height);
    option.readMode = kFixedBandReadMode;
    DecodedLabel& label = harness.Handle().GetLabel();

    allocation_counter::Start();
    DEC2D_OnTriggerDown(&harness.Handle());
    int const band = DEC2D_Main(&harness.Handle(), frame.width, frame.height, frame.width, frame.pixels.data(),
                                &option);
    int const located = harness.Frame().Start(image, region, 4, label);
    unsigned long const allocations = allocation_counter::Stop();
    EXPECT_EQ(band, 1);
    EXPECT_EQ(located, 1);
    EXPECT_EQ(allocations, 0u);
}

TEST(FrameAllocationTest, TheFrameFitsTheWorkAreaAboveThePdf417Part)
{
    LinearFrameHarness harness;
    ASSERT_TRUE(harness.IsReady());
    unsigned const end = harness.Frame().GetWorkAreaEnd();
    EXPECT_GT(end, BarCodeDecoder::kWorkAreaOffset);
    EXPECT_LE(end, TwoDimensionDecoder::kWorkAreaBytes);
    std::printf("linear frame work area: %u .. %u (%u bytes)\n", BarCodeDecoder::kWorkAreaOffset, end,
                end - BarCodeDecoder::kWorkAreaOffset);
    EXPECT_EQ(harness.Handle().GetDecoderSet().barCode != nullptr, true);
}

}  // namespace
}  // namespace frame_test
