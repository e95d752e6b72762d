// Combined lines: neighbouring pixel lines aligned by the drift of the edges
// between them and merged into one finer line. Thin, blurred Code 128 symbols
// that the averaged single lines cannot read are read through them at several
// angles.

#include "decoder/linear/roads/combined_line_decoder.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "decoder/linear/line/bar_symbol_decoder.h"
#include "decoder/linear/line/line_decode_data.h"
#include "decoder/linear/roads/scan_band.h"
#include "tests/decoder/linear/frame_fixture.h"
#include "tests/support/symbol_renderer.h"

namespace multi_line_test {
namespace {

using namespace DEC2DIvra;

constexpr char const* kData = "COMBINED-42";

class MultiLineCombinedTest : public ::testing::Test {
protected:
    MultiLineCombinedTest()
        : memory_(LineDecodeData::kBufferBytes + 64),
          distributor_(memory_.data(), static_cast<unsigned>(memory_.size()))
    {
        EXPECT_TRUE(harness.IsReady());
        EXPECT_TRUE(slot.Initialize(distributor_));
        harness.EnableAllLinear(false);
        harness.Settings().read.code128.Set(true);
        harness.ClearLengthLimits();
        harness.SetRedundancy(1);
    }

    CompositeLineDecoder& Combined() { return harness.Frame().GetCompositeLineDecoder(); }

    // A thin symbol, blurred: about one pixel a module.
    static support::Rendering Thin(double angle, double module = 1.0)
    {
        support::RenderOptions options;
        options.moduleSize = module;
        options.angle = angle;
        options.blur = 0.8;
        options.noise = 8;
        support::Rendering r = support::render({.symbology = BARCODE_CODE128, .data = kData, .height = 30}, options);
        EXPECT_TRUE(r.symbol.ok) << r.symbol.error;
        return r;
    }

    static Region RegionOf(support::Rendering const& r, double module = 1.0)
    {
        return frame_test::ToRegion(r.symbol.corners, 10.0 * module);
    }

    // Initialize over the band of a region of the frame.
    bool Prepare(support::Frame const& frame, Region const& region)
    {
        image_ = GrayImage(frame.width, frame.height, frame.width, frame.pixels.data());
        BarCodeScanRegion band;
        if (!band.Set(image_, region)) {
            return false;
        }
        Combined().Initialize(image_, band);
        return true;
    }

    // The data each combined line reads ("" for none).
    std::vector<std::string> ReadAll()
    {
        std::vector<std::string> reads;
        for (unsigned i = 0; i < Combined().GetLineCount(); ++i) {
            LineSegment segment;
            DecodedLabel label;
            if (Combined().Start(image_, harness.Frame().GetLineDecoder(), i, slot, segment) &&
                slot.decoder->Start(slot.symbols, slot.reverced != 0, label)) {
                reads.emplace_back(label.data.begin(), label.data.end());
            } else {
                reads.emplace_back();
            }
        }
        return reads;
    }

    frame_test::LinearFrameHarness harness;
    std::vector<unsigned char> memory_;
    SharedMemoryDistributor distributor_;
    LineDecodeData slot;
    GrayImage image_;
};

TEST_F(MultiLineCombinedTest, ThinSymbolsReadThroughCombinedLinesAtSeveralAngles)
{
    unsigned singleFailures = 0;
    for (double angle : {3.0, 8.0, 15.0, 100.0, 200.0}) {
        support::Rendering const r = Thin(angle);
        Region const region = RegionOf(r);

        // The road itself: some combined lines read, none reads wrong.
        ASSERT_TRUE(Prepare(r.frame, region)) << angle;
        ASSERT_TRUE(Combined().IsCompleted()) << angle;
        unsigned good = 0;
        for (std::string const& read : ReadAll()) {
            EXPECT_TRUE(read.empty() || read == kData) << angle << ": " << read;
            good += read == kData ? 1 : 0;
        }
        EXPECT_GE(good, 2u) << angle;

        // Through the scan schedule, which enters the road on its own.
        auto& detail = harness.Settings().detail_of_decoder;
        detail.enable_high_resolution_barcode_decoding.Set(false);
        singleFailures += harness.ReadRegion(r.frame, region).ok ? 0 : 1;
        detail.enable_high_resolution_barcode_decoding.Set(true);
        frame_test::Read const high = harness.ReadRegion(r.frame, region);
        ASSERT_TRUE(high.ok) << angle;
        EXPECT_EQ(high.data, kData) << angle;
    }
    EXPECT_GE(singleFailures, 3u);
}

TEST_F(MultiLineCombinedTest, LinesPreparedByTheBandsDirectionAndWidth)
{
    // A band exactly 100 lines across.
    support::RenderOptions options;
    options.moduleSize = 2.5;
    support::Rendering const flat =
        support::render({.symbology = BARCODE_CODE128, .data = kData, .height = 40}, options);
    ASSERT_TRUE(flat.symbol.ok);
    Region axis = RegionOf(flat, 2.5);
    axis.corner[0].y = axis.corner[1].y = 190;
    axis.corner[2].y = axis.corner[3].y = 289;
    ASSERT_TRUE(Prepare(flat.frame, axis));
    EXPECT_EQ(Combined().GetPreparedLineCount(), 50u);
    EXPECT_EQ(Combined().GetSpacing(), 2u);
    EXPECT_TRUE(Combined().IsCompleted());
    EXPECT_GE(Combined().GetLineCount(), 1u);
    EXPECT_LE(Combined().GetLineCount(), CompositeLineDecoder::kMaxCombinedLines);

    options.angle = 30.0;
    support::Rendering const turned =
        support::render({.symbology = BARCODE_CODE128, .data = kData, .height = 40}, options);
    ASSERT_TRUE(turned.symbol.ok);
    ASSERT_TRUE(Prepare(turned.frame, RegionOf(turned, 2.5)));
    EXPECT_EQ(Combined().GetPreparedLineCount(), 32u);
    EXPECT_EQ(Combined().GetSpacing(), 1u);
}

TEST_F(MultiLineCombinedTest, BandsThatAllowNoCombinedLines)
{
    // A frame wider than the camera's, for a band too long to prepare.
    support::Frame wide = support::makeFrame(1400, 200, 600);
    for (int x = 100; x < 1300; x += 6) {
        for (int y = 40; y < 160; ++y) {
            wide.at(x, y) = wide.at(x + 1, y) = 100;
        }
    }
    struct Case {
        char const* name;
        support::Frame const* frame;
        Region region;
    };
    support::Rendering const r = Thin(8.0);
    std::vector<Case> const cases = {
        {"lines longer than 1218 pixels", &wide, Region{{{40, 50}, {1340, 50}, {1340, 150}, {40, 150}}}},
        {"a corner on the image border", &r.frame, Region{{{0, 220}, {400, 220}, {400, 260}, {0, 260}}}},
        {"no print", &wide, Region{{{20, 170}, {300, 170}, {300, 190}, {20, 190}}}},
    };
    for (Case const& c : cases) {
        ASSERT_TRUE(Prepare(*c.frame, c.region)) << c.name;
        EXPECT_EQ(Combined().GetLineCount(), 0u) << c.name;
        EXPECT_FALSE(Combined().IsCompleted()) << c.name;
        LineSegment segment;
        EXPECT_FALSE(Combined().Start(image_, harness.Frame().GetLineDecoder(), 0u, slot, segment)) << c.name;
    }
}

TEST_F(MultiLineCombinedTest, StartOutsideThePreparedLinesReadsNothing)
{
    support::Rendering const r = Thin(8.0);
    ASSERT_TRUE(Prepare(r.frame, RegionOf(r)));
    unsigned const count = Combined().GetLineCount();
    ASSERT_GE(count, 1u);
    LineSegment segment;
    LineDecoder const& decoder = harness.Frame().GetLineDecoder();
    EXPECT_FALSE(Combined().Start(image_, decoder, count, slot, segment));
    EXPECT_FALSE(Combined().Start(image_, decoder, -1, CompositeLineDecoder::kWholeLine, slot, segment));
    EXPECT_FALSE(Combined().Start(GrayImage(), decoder, 0, CompositeLineDecoder::kWholeLine, slot, segment));
    // A frame without pixels prepares nothing.
    BarCodeScanRegion band;
    ASSERT_TRUE(band.Set(image_, RegionOf(r)));
    Combined().Initialize(GrayImage(640, 480, 640, nullptr), band);
    EXPECT_EQ(Combined().GetLineCount(), 0u);
}

TEST_F(MultiLineCombinedTest, Filters)
{
    std::vector<PickLineElement> buffer(64);
    std::vector<int> work(96);
    VirtualArray<int> const workArea(work.data(), static_cast<unsigned>(work.size()));
    auto line = [&](std::vector<unsigned> const& greys) {
        StackInterface<PickLineElement> samples(buffer.data(), static_cast<unsigned>(buffer.size()));
        for (unsigned i = 0; i < greys.size(); ++i) {
            samples.Push(PickLineElement{16 * static_cast<int>(i), greys[i]});
        }
        return samples;
    };
    auto greys = [](StackInterface<PickLineElement> const& samples) {
        std::vector<unsigned> out;
        for (PickLineElement const& e : samples) {
            out.push_back(e.grey);
        }
        return out;
    };
    // A level line stays level under both filters.
    std::vector<unsigned> const level(20, 700);
    StackInterface<PickLineElement> smooth = line(level);
    CompositeLineDecoder::Smooth(smooth, workArea);
    EXPECT_EQ(greys(smooth), level);
    StackInterface<PickLineElement> sharp = line(level);
    CompositeLineDecoder::Sharpen(sharp, workArea);
    EXPECT_EQ(greys(sharp), level);
    // Seven samples or fewer are left as they are; an edge is steepened.
    std::vector<unsigned> const short7 = {100, 100, 100, 900, 900, 900, 900};
    StackInterface<PickLineElement> few = line(short7);
    CompositeLineDecoder::Sharpen(few, workArea);
    EXPECT_EQ(greys(few), short7);
    std::vector<unsigned> const ramp = {100, 100, 100, 100, 100, 300, 500, 700, 900, 900, 900, 900, 900};
    StackInterface<PickLineElement> edge = line(ramp);
    CompositeLineDecoder::Sharpen(edge, workArea);
    EXPECT_LT(edge[5].grey, 300u);
    EXPECT_GT(edge[7].grey, 700u);
    EXPECT_EQ(edge[6].grey, 500u);
    // Overshoot below black is held at 0.
    std::vector<unsigned> const spike = {0, 0, 0, 0, 0, 0, 0, 0, 1000, 0, 0, 0, 0, 0, 0, 0, 0};
    StackInterface<PickLineElement> spiked = line(spike);
    CompositeLineDecoder::Sharpen(spiked, workArea);
    EXPECT_EQ(spiked[6].grey, 0u);

    int average = 0;
    EXPECT_TRUE(CompositeLineDecoder::CalcAverage(line({0, 0, 0, 300, 600, 900, 0, 0, 0}), average));
    EXPECT_EQ(average, 600);
    EXPECT_FALSE(CompositeLineDecoder::CalcAverage(line(std::vector<unsigned>(9, 0)), average));
    EXPECT_FALSE(CompositeLineDecoder::CalcAverage(line({}), average));
}

}  // namespace
}  // namespace multi_line_test
