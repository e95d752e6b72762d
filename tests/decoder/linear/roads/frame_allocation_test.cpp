// Allocation counting: the counter itself is built as its own file of this binary.
#include "tests/decoder/core/allocation_counter.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "decoder/core/dec2d_entry.h"
#include "decoder/core/work_area_layout.h"
#include "decoder/linear/bar_symbol_decoder_set.h"
#include "tests/decoder/linear/frame_fixture.h"
#include "tests/decoder/linear/frame_stripe_code.h"

namespace frame_test {
namespace {

using namespace DEC2DIvra;

// Every linear symbology on, and a stand-in that reads stripes in the trial
// table; the stripe symbol drawn in the frame, and its region.
Region SetUpStripes(LinearFrameHarness& harness, StripeDecoder& stripes, unsigned redundancy, support::Frame& frame)
{
    harness.EnableAllLinear(true);
    harness.SetRedundancy(redundancy);
    harness.Frame().GetBarSymbolDecoderSet().SetTrialDecoder(BarSymbolDecoderSet::kTelepen, &stripes);
    StripeDrawing drawing;
    drawing.quietZone = 30;
    return ToRegion(DrawStripes(frame, StripeModules("10110"), drawing), 60);
}

TEST(FrameAllocationTest, DecodingAllocatesNothing)
{
    LinearFrameHarness harness;
    ASSERT_TRUE(harness.IsReady());
    StripeDecoder stripes{harness.Frame().GetBarSymbolDecoderSet().GetContext(), false};
    support::Frame frame = support::makeFrame();
    Region const region = SetUpStripes(harness, stripes, 1, frame);
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

// The stacked and matrix decoders lay their buffers over the work area
// between two linear reads; a result waiting for its repeats must come
// through that whole.
TEST(FrameAllocationTest, AWaitingResultOutlivesTheOtherDecodersWritingTheWorkArea)
{
    LinearFrameHarness harness;
    ASSERT_TRUE(harness.IsReady());
    StripeDecoder stripes{harness.Frame().GetBarSymbolDecoderSet().GetContext(), false};
    support::Frame frame = support::makeFrame();
    Region const region = SetUpStripes(harness, stripes, 200, frame);

    EXPECT_FALSE(harness.ReadRegion(frame, region).ok);
    LineDecodeDataChecker const& checker = harness.Frame().GetLineDecodeDataChecker();
    unsigned const waiting = checker.GetCount();
    ASSERT_GT(waiting, 0u);
    std::vector<unsigned> values;
    for (unsigned i = 0; i < checker.GetPending().symbols.GetCount(); ++i) {
        values.push_back(checker.GetPending().symbols[i].value);
    }
    ASSERT_FALSE(values.empty());

    VirtualArray<unsigned char> const area = harness.Handle().GetWorkArea();
    for (WorkAreaPart const& part : WorkAreaLayout::kParts) {
        if ((part.live & kPhaseBetweenImages) == 0) {
            std::memset(area.GetData() + part.begin, 0xA5, part.GetSize());
        }
    }
    ASSERT_EQ(checker.GetPending().symbols.GetCount(), values.size());
    for (unsigned i = 0; i < values.size(); ++i) {
        EXPECT_EQ(checker.GetPending().symbols[i].value, values[i]);
    }
    EXPECT_FALSE(harness.ReadRegion(frame, region).ok);
    EXPECT_GT(checker.GetCount(), waiting) << "the next image adds to the waiting count";
}

}  // namespace
}  // namespace frame_test
