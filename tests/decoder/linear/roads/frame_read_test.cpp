#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "decoder/core/shared_memory_distributor.h"
#include "decoder/linear/bar_symbol_decoder_set.h"
#include "decoder/linear/roads/line_and_pre_block_decoder.h"
#include "decoder/linear/line/line_decode_data.h"
#include "decoder/linear/roads/scan_band.h"
#include "tests/decoder/linear/frame_fixture.h"
#include "tests/decoder/linear/frame_stripe_code.h"
#include "tests/support/frame.h"

namespace frame_test {
namespace {

using namespace DEC2DIvra;

constexpr char kBits[] = "1011001110";
constexpr char kOtherBits[] = "0110100111";

class FrameReadTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(harness.IsReady());
        harness.EnableAllLinear(true);
        harness.SetRedundancy(1);
        harness.SetDecodeMode(1);  // SIMPLE
        harness.SetPolarity(0);
        harness.SetOnlyCompleteCodes(false);
        BarSymbolDecoderSet& set = harness.Frame().GetBarSymbolDecoderSet();
        set.SetTrialDecoder(BarSymbolDecoderSet::kTelepen, &normal);
        set.SetTrialDecoder(BarSymbolDecoderSet::kKoreanPostal, &negative);
        normal.log = &log;
        negative.log = &log;
        drawing.quietZone = 30;
    }

    support::Frame Draw(StripeDrawing const& d, std::string const& bits = kBits, bool badParity = false)
    {
        support::Frame frame = support::makeFrame();
        quad = DrawStripes(frame, StripeModules(bits, badParity), d);
        return frame;
    }

    // The symbol's region with room for its quiet zones on the scan lines.
    Region Located(StripeDrawing const& d) const { return ToRegion(quad, 24 * d.moduleSize); }

    // Paints the label grey over every row of an upright symbol except those
    // within one pixel of `keep`, so that only scan lines there read.
    void KeepOnlyRowsNear(support::Frame& frame, int keep) const
    {
        int const top = static_cast<int>(std::floor(quad[0].y));
        int const bottom = static_cast<int>(std::ceil(quad[2].y));
        for (int y = top; y <= bottom; ++y) {
            if (y >= keep - 1 && y <= keep + 1) {
                continue;
            }
            for (int x = 0; x < frame.width; ++x) {
                if (x >= quad[0].x - 1 && x <= quad[1].x + 1) {
                    frame.at(x, y) = static_cast<uint16_t>(drawing.light);
                }
            }
        }
    }

    LinearFrameHarness harness;
    StripeLog log;
    StripeDecoder normal{harness.Frame().GetBarSymbolDecoderSet().GetContext(), false, 0};
    StripeDecoder negative{harness.Frame().GetBarSymbolDecoderSet().GetContext(), true, 1};
    StripeDrawing drawing;
    support::Quad quad{};
};

TEST_F(FrameReadTest, FixedBandReadsASymbolAcrossTheCentre)
{
    support::Frame const frame = Draw(drawing);
    std::vector<Read> const reads = harness.ReadFixedBand(frame);
    ASSERT_EQ(reads.size(), 1u);
    Read const& read = reads[0];
    EXPECT_EQ(read.data, kBits);
    EXPECT_EQ(read.symbology, SYMBOLOGY_TELEPEN);
    EXPECT_EQ(read.negative, 0u);
    // The region: the symbol's ends on the band's first and last row.
    EXPECT_NEAR(read.region.corner[0].x, quad[0].x, 2.0);
    EXPECT_NEAR(read.region.corner[1].x, quad[1].x, 2.0);
    EXPECT_NEAR(read.region.corner[2].x, quad[1].x, 2.0);
    EXPECT_NEAR(read.region.corner[3].x, quad[0].x, 2.0);
    EXPECT_EQ(read.region.corner[0].y, 224);
    EXPECT_EQ(read.region.corner[2].y, 255);
}

TEST_F(FrameReadTest, LocatedRegionReadsAroundTheTurnWithAndWithoutAveraging)
{
    for (unsigned scanMode : {1u, 4u}) {
        for (double angle = 0; angle < 360; angle += 15) {
            drawing.angle = angle;
            drawing.moduleSize = 2.5;
            support::Frame const frame = Draw(drawing);
            Read const read = harness.ReadRegion(frame, Located(drawing), scanMode);
            ASSERT_TRUE(read.ok) << angle << " mode " << scanMode;
            EXPECT_EQ(read.data, kBits) << angle;
            // The label reads from the symbol's start: corner 0 near its first bar.
            double const startX = (quad[0].x + quad[3].x) / 2;
            double const startY = (quad[0].y + quad[3].y) / 2;
            double const cornerX = (read.region.corner[0].x + read.region.corner[3].x) / 2.0;
            double const cornerY = (read.region.corner[0].y + read.region.corner[3].y) / 2.0;
            EXPECT_LT(std::hypot(cornerX - startX, cornerY - startY), 4.0) << angle;
            EXPECT_EQ(read.moduleCount, StripeModules(kBits).size()) << angle;
        }
    }
}

TEST_F(FrameReadTest, SymbolMetFromItsStopEndReadsInItsOwnOrder)
{
    support::Frame const frame = Draw(drawing);
    // Scan lines running right to left over an upright symbol.
    support::Quad const backward{quad[2], quad[3], quad[0], quad[1]};
    Read const read = harness.ReadRegion(frame, ToRegion(backward, 24 * drawing.moduleSize));
    ASSERT_TRUE(read.ok);
    EXPECT_EQ(read.data, kBits);
    double const cornerX = (read.region.corner[0].x + read.region.corner[3].x) / 2.0;
    EXPECT_NEAR(cornerX, quad[0].x, 3.0);
}

TEST_F(FrameReadTest, PolaritySettingDecidesWhichReadsCount)
{
    struct {
        unsigned setting;
        bool inverted;
        bool read;
    } const cases[] = {
        {0, false, true}, {0, true, false}, {1, false, false}, {1, true, true},
        {2, false, true}, {2, true, true},
    };
    for (auto const& c : cases) {
        harness.SetPolarity(c.setting);
        drawing.inverted = c.inverted;
        support::Frame const frame = Draw(drawing);
        Read const read = harness.ReadRegion(frame, Located(drawing));
        EXPECT_EQ(read.ok, c.read) << c.setting << (c.inverted ? " inverted" : " normal");
        if (read.ok) {
            EXPECT_EQ(read.negative, c.inverted ? 1u : 0u);
            EXPECT_EQ(read.data, kBits);
        }
    }
}

TEST_F(FrameReadTest, RedundancyNeedsThatManyAgreeingLines)
{
    drawing.moduleSize = 2.5;
    for (unsigned r : {0u, 1u, 2u}) {
        harness.SetRedundancy(r);
        support::Frame const frame = Draw(drawing);
        Read const read = harness.ReadRegion(frame, Located(drawing), 1);
        EXPECT_TRUE(read.ok) << r;
        EXPECT_EQ(read.status, 0u) << r;
    }
    // Only the lines near the band's middle see the symbol whole.
    support::Frame frame = Draw(drawing);
    Region const region = Located(drawing);
    int const middle = (region.corner[0].y * 8 + region.corner[3].y * 7 + 7) / 15;  // position 7
    KeepOnlyRowsNear(frame, middle);
    harness.SetRedundancy(0);
    EXPECT_TRUE(harness.ReadRegion(frame, region, 1).ok);
    harness.SetRedundancy(1);
    Read const once = harness.ReadRegion(frame, region, 1);
    EXPECT_FALSE(once.ok);
    EXPECT_EQ(once.status, 1u) << "a symbol was seen";
}

TEST_F(FrameReadTest, SymbolSeenButNeverConfirmedReportsStatusOne)
{
    harness.SetRedundancy(40);
    support::Frame const frame = Draw(drawing);
    Read const read = harness.ReadRegion(frame, Located(drawing));
    EXPECT_FALSE(read.ok);
    EXPECT_EQ(read.status, 1u);
    EXPECT_GT(log.offers, 0u);
    // The locator's side sees the same word.
    AbstractBarCodeDecoder* locatorSide = harness.Handle().GetDecoderSet().barCode;
    ASSERT_NE(locatorSide, nullptr);
    GrayImage const image(frame.width, frame.height, frame.width, frame.pixels.data());
    EXPECT_EQ(locatorSide->Start(image, Located(drawing), 4, harness.Handle().GetLabel()), 0);
    EXPECT_EQ(locatorSide->GetStatus(), 1u);

    // Nothing to see: status 0.
    support::Frame const empty = support::makeFrame();
    Read const nothing = harness.ReadRegion(empty, Located(drawing));
    EXPECT_FALSE(nothing.ok);
    EXPECT_EQ(nothing.status, 0u);
}

TEST_F(FrameReadTest, MultiImageModeCarriesAWaitingResultToTheNextImage)
{
    support::Frame frame = Draw(drawing);
    Region const region = Located(drawing);
    int const middle = (region.corner[0].y * 8 + region.corner[3].y * 7 + 7) / 15;
    KeepOnlyRowsNear(frame, middle);
    harness.SetRedundancy(1);

    harness.SetDecodeMode(0);  // USE_MULTI_IMAGE
    EXPECT_FALSE(harness.ReadRegion(frame, region, 1).ok);
    EXPECT_TRUE(harness.ReadRegion(frame, region, 1).ok) << "the second image confirms the first";

    harness.SetDecodeMode(1);  // SIMPLE: each image on its own
    EXPECT_FALSE(harness.ReadRegion(frame, region, 1).ok);
    EXPECT_FALSE(harness.ReadRegion(frame, region, 1).ok);

    // The decoder thread's trigger-down before every frame clears the waiting
    // result, so consecutive frames through DEC2D_Main never confirm each other.
    harness.SetDecodeMode(0);
    harness.Frame().OnTriggerDown();
    EXPECT_FALSE(harness.ReadRegion(frame, region, 1).ok);
    harness.Frame().OnTriggerDown();
    EXPECT_FALSE(harness.ReadRegion(frame, region, 1).ok);
}

TEST_F(FrameReadTest, LabelRefusedByTheDecoderGivesNothing)
{
    normal.refuseLabel = true;
    support::Frame const frame = Draw(drawing);
    Read const located = harness.ReadRegion(frame, Located(drawing));
    EXPECT_FALSE(located.ok);
    EXPECT_EQ(located.status, 0u);
    EXPECT_TRUE(harness.ReadFixedBand(frame).empty());
    EXPECT_EQ(harness.Handle().GetLabel().data.GetCount(), 0u);
}

TEST_F(FrameReadTest, FailedCheckGivesNoLabel)
{
    support::Frame const frame = Draw(drawing, kBits, true);
    EXPECT_FALSE(harness.ReadRegion(frame, Located(drawing)).ok);
    EXPECT_GT(log.checks, 0u);
    EXPECT_EQ(log.starts, 0u);
}

TEST_F(FrameReadTest, CompleteCodesWithholdReadsWithOverlappingGreys)
{
    normal.pushStatistics = true;
    support::Frame const frame = Draw(drawing);
    Region const region = Located(drawing);

    Read const plain = harness.ReadRegion(frame, region);
    ASSERT_TRUE(plain.ok);
    EXPECT_EQ(plain.statistics.present, 1);
    EXPECT_GT(plain.statistics.value1, 0);
    EXPECT_EQ(plain.statistics.value4, 0u);

    harness.SetOnlyCompleteCodes(true);
    EXPECT_TRUE(harness.ReadRegion(frame, region).ok);
    normal.overlapGreys = true;
    EXPECT_FALSE(harness.ReadRegion(frame, region).ok);
    harness.SetOnlyCompleteCodes(false);
    Read const overlapping = harness.ReadRegion(frame, region);
    ASSERT_TRUE(overlapping.ok);
    EXPECT_GT(overlapping.statistics.value4, 0u);
}

TEST_F(FrameReadTest, ADifferentSymbolBetweenReadsRestartsTheCount)
{
    // Upper half one symbol, lower half another: with redundancy 2 the
    // alternating middle positions never agree three times in a row.
    harness.SetRedundancy(2);
    support::Frame frame = support::makeFrame();
    StripeDrawing upper = drawing;
    upper.height = 12;
    upper.quietZone = 3;
    upper.centreY = 240 - 6 * upper.moduleSize;
    StripeDrawing lower = upper;
    lower.centreY = 240 + 6 * lower.moduleSize;
    support::Quad const a = DrawStripes(frame, StripeModules(kBits), upper);
    support::Quad const b = DrawStripes(frame, StripeModules(kOtherBits), lower);
    support::Quad both{a[0], a[1], b[2], b[3]};
    Read const read = harness.ReadRegion(frame, ToRegion(both, 24 * drawing.moduleSize), 1);
    EXPECT_FALSE(read.ok);
    EXPECT_EQ(read.status, 1u);
    harness.SetRedundancy(0);
    EXPECT_TRUE(harness.ReadRegion(frame, ToRegion(both, 24 * drawing.moduleSize), 1).ok);
}

TEST_F(FrameReadTest, AveragedLinesStayInsideTheBand)
{
    // Outside the band the frame is inverted: a sample taken there pulls the
    // light runs of an averaged line down from the label grey.
    drawing.height = 120;
    drawing.centreY = 400;
    support::Frame frame = Draw(drawing);
    struct {
        int top;
        int bottom;
    } const bands[] = {{300, 331}, {448, 479}};  // the second ends on the image's last row
    LineDecodeData line;
    std::vector<unsigned char> work(LineDecodeData::kBufferBytes + 64);
    SharedMemoryDistributor memory(work.data(), static_cast<unsigned>(work.size()));
    ASSERT_TRUE(line.Initialize(memory));
    for (auto const& b : bands) {
        support::Frame shown = frame;
        for (int y = 0; y < shown.height; ++y) {
            for (int x = 0; x < shown.width && (y < b.top || y > b.bottom); ++x) {
                shown.at(x, y) = static_cast<uint16_t>(1023 - shown.at(x, y));
            }
        }
        Region const region{{{0, b.top}, {639, b.top}, {639, b.bottom}, {0, b.bottom}}};
        harness.SetRedundancy(15);  // every position must read
        EXPECT_TRUE(harness.ReadRegion(shown, region, 4).ok) << b.top;

        GrayImage const image(shown.width, shown.height, shown.width, shown.pixels.data());
        BarCodeScanRegion band;
        ASSERT_TRUE(band.Set(image, region));
        for (unsigned index : {12u, 14u, 13u, 15u}) {  // positions 1, 0, 14, 15
            LineSegment segment;
            bool falseEdge = false;
            ASSERT_TRUE(harness.Frame().GetLineAndPreBlockDecoder().Scan(image, band, false, index, line, segment,
                                                                        falseEdge))
                << b.top << " index " << index;
            int brightest = 0;
            for (ScanElement const& run : line.elements) {
                brightest = run.grey > brightest ? run.grey : brightest;
            }
            EXPECT_GE(brightest, drawing.light - 8) << b.top << " index " << index;
        }
    }
}

TEST_F(FrameReadTest, MalformedInputIsRefusedWithoutTouchingTheLabel)
{
    support::Frame const frame = Draw(drawing);
    DecodedLabel& label = harness.Handle().GetLabel();
    GrayImage const image(frame.width, frame.height, frame.width, frame.pixels.data());
    Region const cases[] = {
        Region{},                                                  // all corners at the origin
        Region{{{5000, 5000}, {6000, 5000}, {6000, 5100}, {5000, 5100}}},  // off the image
        Region{{{100, 100}, {300, 100}, {300, 102}, {100, 102}}},  // three lines
        Region{{{-2147483647, 0}, {2147483647, 0}, {2147483647, 40}, {-2147483647, 40}}},
    };
    for (Region const& region : cases) {
        label.Clear();
        label.data.Push('X');
        EXPECT_EQ(harness.Frame().Start(image, region, 4, label), 0);
        EXPECT_EQ(label.data.GetCount(), 1u);
        EXPECT_EQ(harness.Frame().GetStatus(), 0u);
    }
    GrayImage const none;
    EXPECT_EQ(harness.Frame().Start(none, Located(drawing), 4, label), 0);
    // An absurd scan mode is bounded.
    EXPECT_TRUE(harness.ReadRegion(frame, Located(drawing), 0xFFFFFFFFu).ok);
    EXPECT_TRUE(harness.ReadRegion(frame, Located(drawing), 0).ok);
}

}  // namespace
}  // namespace frame_test
