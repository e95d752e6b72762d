#include <gtest/gtest.h>

#include <vector>

#include "decoder/core/location/code_searcher.h"
#include "decoder/linear/bar_symbol_decoder_set.h"
#include "decoder/linear/roads/combined_line_road.h"
#include "decoder/linear/roads/data_bar_road.h"
#include "decoder/linear/roads/line_and_pre_block_decoder.h"
#include "decoder/linear/line/line_decode_data.h"
#include "decoder/linear/roads/multi_line_road.h"
#include "tests/decoder/linear/frame_fixture.h"
#include "tests/decoder/linear/frame_stripe_code.h"

namespace frame_test {
namespace {

using namespace DEC2DIvra;

// A frame whose every row falls into a dark run, shows a light gap too thin
// for the slope to turn (a false edge in the middle half of the line), and
// rises again: the single lines read nothing but ask for the combined lines.
support::Frame FalseEdgeFrame()
{
    int const profile[] = {1000, 1000, 1000, 1000, 1000, 1000, 1000, 1000, 1000, 1000, 1000, 1000, 700, 400,
                           390,  190,  190,  190,  190,  190,  190,  190,  190,  190,  190,  990,  990, 990,
                           990,  990,  990,  990,  990,  990,  990,  990,  990,  990,  990,  990,  990};
    int const width = static_cast<int>(sizeof(profile) / sizeof(profile[0]));
    support::Frame frame = support::makeFrame(width, 40, 0);
    for (int y = 0; y < frame.height; ++y) {
        for (int x = 0; x < width; ++x) {
            frame.at(x, y) = static_cast<uint16_t>(profile[x]);
        }
    }
    return frame;
}

class FakeCombinedLines final : public CombinedLineRoad {
public:
    void Initialize(GrayImage const&, BarCodeScanRegion const&) override { ++initializations; }
    bool IsCompleted() const override { return true; }
    unsigned GetLineCount() const override { return lineCount; }
    bool Start(GrayImage const&, LineDecoder const&, unsigned index, LineDecodeData& result,
               LineSegment& segment) override
    {
        indices.push_back(index);
        if (decoder == nullptr) {
            return false;
        }
        result.Clear();
        result.decoder = decoder;
        for (int value : {2, 1, 1, 4}) {  // start, bit 0, parity, stop
            result.symbols.Push(BarSymbol{value, 0, 16, 16, 0, 0});
        }
        segment = LineSegment{{2, 10}, {30, 10}};
        return true;
    }

    int initializations = 0;
    unsigned lineCount = 8;
    BarSymbolDecoder const* decoder = nullptr;  // the combined lines read when set
    std::vector<unsigned> indices;
};

class FakeMultiLine final : public MultiLineRoad {
public:
    bool Start(GrayImage const&, ArrayIterator<LineDecodeData const> const& lines, Region const&,
               DecodedLabel& label) override
    {
        ++calls;
        lineCount = lines.GetCount();
        if (succeed) {
            label.Clear();
            label.data.Push('M');
        }
        return succeed;
    }
    int calls = 0;
    unsigned lineCount = 0;
    bool succeed = false;
};

class FakeDataBar final : public DataBarRoad {
public:
    void Initialize() override { ++initializations; }
    bool ExecuteBinarization(GrayImage const&, Region const&, ArrayIterator<ScanElement const> const&,
                             LineDecodeData const&) override
    {
        ++collections;
        return false;
    }
    bool Start(GrayImage const&, DecodedLabel&) override
    {
        ++finishes;
        return false;
    }
    bool CalcFinderRegions(StackInterface<Region>& regions) override
    {
        // `later` stands for rows that only the first regions' lines show.
        ++namings;
        std::vector<Region> const& named = namings > 1 && !later.empty() ? later : finder;
        for (Region const& r : named) {
            regions.Push(r);
        }
        return !named.empty();
    }
    unsigned CalcAlignedRegions(GrayImage const&, StackInterface<Region>& regions) override
    {
        unsigned pushed = 0;
        for (Region const& r : aligned) {
            pushed += regions.Push(r) ? 1u : 0u;
        }
        aligned.clear();
        return pushed;
    }
    int initializations = 0;
    int collections = 0;
    int finishes = 0;
    int namings = 0;
    std::vector<Region> finder;
    std::vector<Region> later;
    // Named once, for the lines without the locator.
    std::vector<Region> aligned;
};

class FakeLocator final : public CodeSearcher {
public:
    int Start(GrayImage const&, Region const& region, StackInterface<Region>& located) override
    {
        asked.push_back(region);
        for (Region const& r : answer) {
            located.Push(r);
        }
        return answer.empty() ? 0 : 1;
    }
    int Start(GrayImage const&, tagDecodeOption const&, DecoderSet const&, DecodedLabel&, LabelOutlet&) override
    {
        return 0;
    }
    std::vector<Region> asked;
    std::vector<Region> answer;
};

class FrameScheduleTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(harness.IsReady());
        harness.EnableAllLinear(true);
        harness.SetRedundancy(0);
        harness.SetDecodeMode(1);
        harness.SetPolarity(0);
        harness.Settings().detail_of_decoder.enable_high_resolution_barcode_decoding.Set(true);
        LineAndPreBlockDecoder& schedule = harness.Frame().GetLineAndPreBlockDecoder();
        schedule.SetCombinedLineRoad(&combined);
        schedule.SetMultiLineRoad(&multiLine);
        harness.Frame().GetBarSymbolDecoderSet().SetTrialDecoder(BarSymbolDecoderSet::kTelepen, &stripes);
    }
    void TearDown() override
    {
        LineAndPreBlockDecoder& schedule = harness.Frame().GetLineAndPreBlockDecoder();
        schedule.SetCombinedLineRoad(nullptr);
        schedule.SetMultiLineRoad(nullptr);
        harness.Frame().GetBarSymbolDecoderSet().SetDataBarRoad(nullptr);
        harness.Frame().SetCodeSearcher(nullptr);
    }

    static Region Whole(support::Frame const& f)
    {
        return Region{{{0, 0}, {f.width - 1, 0}, {f.width - 1, f.height - 1}, {0, f.height - 1}}};
    }

    LinearFrameHarness harness;
    FakeCombinedLines combined;
    FakeMultiLine multiLine;
    StripeDecoder stripes{harness.Frame().GetBarSymbolDecoderSet().GetContext(), false};
};

TEST_F(FrameScheduleTest, FalseEdgeOnALocatedRegionEntersTheCombinedLines)
{
    support::Frame const frame = FalseEdgeFrame();
    Read const read = harness.ReadRegion(frame, Whole(frame), 1);
    EXPECT_FALSE(read.ok);
    EXPECT_EQ(combined.initializations, 1);
    // Restarted at index 0: every combined line is read once.
    EXPECT_EQ(combined.indices, (std::vector<unsigned>{0, 1, 2, 3, 4, 5, 6, 7}));
}

TEST_F(FrameScheduleTest, CombinedLinesAreNeverEnteredOnTheFixedBandOrWhenSwitchedOff)
{
    support::Frame const frame = FalseEdgeFrame();
    EXPECT_TRUE(harness.ReadFixedBand(frame).empty());
    EXPECT_EQ(combined.initializations, 0);
    harness.Settings().detail_of_decoder.enable_high_resolution_barcode_decoding.Set(false);
    EXPECT_FALSE(harness.ReadRegion(frame, Whole(frame), 1).ok);
    EXPECT_EQ(combined.initializations, 0);
}

TEST_F(FrameScheduleTest, ACombinedLineThatReadsEndsTheDecodeOrStopsTheSingleLines)
{
    support::Frame const frame = FalseEdgeFrame();
    combined.decoder = &stripes;
    Read const read = harness.ReadRegion(frame, Whole(frame), 1);
    ASSERT_TRUE(read.ok) << "redundancy 0: the first combined line counts";
    EXPECT_EQ(read.data, "0");
    EXPECT_EQ(combined.indices, (std::vector<unsigned>{0}));

    // Waiting for a repeat: only combined lines are read from then on, and
    // their results agree, so the third one confirms.
    combined.indices.clear();
    harness.SetRedundancy(2);
    EXPECT_TRUE(harness.ReadRegion(frame, Whole(frame), 1).ok);
    EXPECT_EQ(combined.indices, (std::vector<unsigned>{0, 1, 2}));
}

TEST_F(FrameScheduleTest, MultiLineStageRunsInTheCompositionModesOverTheScannedPositions)
{
    support::Frame const empty = support::makeFrame();
    Region const region{{{100, 100}, {400, 100}, {400, 104}, {100, 104}}};  // 5 lines
    for (unsigned mode : {0u, 1u, 2u, 3u}) {
        harness.SetDecodeMode(mode);
        multiLine.calls = 0;
        harness.ReadRegion(empty, region, 1);
        EXPECT_EQ(multiLine.calls, mode >= 2 ? 1 : 0) << mode;
    }
    EXPECT_EQ(multiLine.lineCount, 5u) << "positions 5 .. 9";
    multiLine.succeed = true;
    Read const read = harness.ReadRegion(empty, region, 1);
    ASSERT_TRUE(read.ok);
    EXPECT_EQ(read.data, "M");
}

TEST_F(FrameScheduleTest, RegionsNamedAroundDataBarSegmentsAreScannedToo)
{
    FakeDataBar dataBar;
    FakeLocator locator;
    harness.Frame().GetBarSymbolDecoderSet().SetDataBarRoad(&dataBar);
    harness.Frame().SetCodeSearcher(&locator);

    // An empty region first; the symbol sits elsewhere.
    support::Frame frame = support::makeFrame();
    StripeDrawing drawing;
    drawing.quietZone = 30;
    drawing.centreY = 380;
    support::Quad const quad = DrawStripes(frame, StripeModules("1100101"), drawing);
    Region const empty{{{100, 60}, {540, 60}, {540, 160}, {100, 160}}};

    Read const nothing = harness.ReadRegion(frame, empty);
    EXPECT_FALSE(nothing.ok);
    EXPECT_EQ(dataBar.initializations, 1);
    EXPECT_EQ(dataBar.namings, 13) << "after every index from 3 on";
    EXPECT_GT(dataBar.finishes, 0);
    EXPECT_TRUE(locator.asked.empty());

    dataBar.finder = {Region{{{1, 1}, {2, 1}, {2, 2}, {1, 2}}}, Region{{{3, 3}, {4, 3}, {4, 4}, {3, 4}}}};
    locator.answer = {ToRegion(quad, 24 * drawing.moduleSize)};
    Read const found = harness.ReadRegion(frame, empty);
    ASSERT_TRUE(found.ok);
    EXPECT_EQ(found.data, "1100101");
    ASSERT_EQ(locator.asked.size(), 2u);
    EXPECT_EQ(locator.asked[0], dataBar.finder[1]) << "last finder region first";
    EXPECT_EQ(dataBar.namings, 14) << "named, then the schedule restarts";

    // Finder regions seen but nothing located: status 1. The road names
    // the same regions every time it is asked; the decode still ends.
    locator.answer.clear();
    Read const seen = harness.ReadRegion(frame, empty);
    EXPECT_FALSE(seen.ok);
    EXPECT_EQ(seen.status, 1u);
    EXPECT_EQ(dataBar.namings, 14 + static_cast<int>(LineAndPreBlockDecoder::kMaxFinderNamings));
}

// Regions the road names only after the lines of its first regions were read
// are scanned too.
TEST_F(FrameScheduleTest, RegionsNamedLaterInTheDecodeAreScanned)
{
    FakeDataBar dataBar;
    FakeLocator locator;
    harness.Frame().GetBarSymbolDecoderSet().SetDataBarRoad(&dataBar);
    harness.Frame().SetCodeSearcher(&locator);
    support::Frame frame = support::makeFrame();
    StripeDrawing drawing;
    drawing.quietZone = 30;
    drawing.centreY = 380;
    support::Quad const quad = DrawStripes(frame, StripeModules("1100101"), drawing);
    Region const empty{{{100, 60}, {540, 60}, {540, 160}, {100, 160}}};

    dataBar.finder = {Region{{{100, 200}, {540, 200}, {540, 240}, {100, 240}}}};
    dataBar.later = {ToRegion(quad, 24 * drawing.moduleSize)};
    Read const found = harness.ReadRegion(frame, empty);
    ASSERT_TRUE(found.ok);
    EXPECT_EQ(found.data, "1100101");
    EXPECT_EQ(dataBar.namings, 2);
}

// A region laid along the bars measured at a finder is scanned as it is: the
// locator, which would turn it again, is not asked.
TEST_F(FrameScheduleTest, RegionsAlongMeasuredBarsSkipTheLocator)
{
    FakeDataBar dataBar;
    FakeLocator locator;
    harness.Frame().GetBarSymbolDecoderSet().SetDataBarRoad(&dataBar);
    harness.Frame().SetCodeSearcher(&locator);

    support::Frame frame = support::makeFrame();
    StripeDrawing drawing;
    drawing.quietZone = 30;
    drawing.centreY = 380;
    support::Quad const quad = DrawStripes(frame, StripeModules("1100101"), drawing);
    Region const empty{{{100, 60}, {540, 60}, {540, 160}, {100, 160}}};

    dataBar.aligned = {ToRegion(quad, 24 * drawing.moduleSize)};
    Read const found = harness.ReadRegion(frame, empty);
    ASSERT_TRUE(found.ok);
    EXPECT_EQ(found.data, "1100101");
    EXPECT_TRUE(locator.asked.empty());
}

}  // namespace
}  // namespace frame_test
