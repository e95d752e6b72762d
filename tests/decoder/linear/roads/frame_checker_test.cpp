#include <gtest/gtest.h>

#include <vector>

#include "config/configuration_manager.h"
#include "decoder/core/property/dec2d_property.h"
#include "decoder/core/shared_memory_distributor.h"
#include "decoder/linear/line/bar_symbol_decoder.h"
#include "decoder/linear/line/line_decode_data.h"
#include "decoder/linear/roads/line_decode_data_checker.h"

namespace DEC2DIvra {
namespace {

namespace cfg = ivra_configuration;

class NamedDecoder final : public BarSymbolDecoder {
public:
    NamedDecoder(BarSymbolDecoderContext const& context, tagSymbology symbology) : BarSymbolDecoder(symbology, context)
    {
    }
    bool ExecuteBinarization(ArrayIterator<ScanElement const> const&, StackInterface<BarSymbol>&, bool&,
                             bool&) const override
    {
        return false;
    }
    bool CheckCheckDigit(StackInterface<BarSymbol> const&, bool) const override { return true; }
    bool Start(StackInterface<BarSymbol> const&, bool, DecodedLabel&) const override { return true; }
};

class FrameCheckerTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(checker.IsReady());
        ASSERT_TRUE(a.Initialize(memory));
        ASSERT_TRUE(b.Initialize(memory));
        ASSERT_TRUE(c.Initialize(memory));
        Fill(a, code93, {1, 2, 3}, 300, 2);
        Fill(b, code93, {1, 2, 4}, 200, 7);
        Fill(c, code93, {1, 2}, 200, 7);
    }

    static void Fill(LineDecodeData& line, BarSymbolDecoder const& decoder, std::vector<int> const& values,
                     int separation, unsigned overlaps)
    {
        line.Clear();
        line.decoder = &decoder;
        for (int v : values) {
            line.symbols.Push(BarSymbol{v, 0, 0, 0, 0, 0});
        }
        line.statistics = LineStatistics{1, separation, separation * 10, 20, overlaps};
    }

    void SetRedundancy(unsigned r) { manager.Root().detail_of_decoder.redundancy.Set(static_cast<std::uint8_t>(r)); }

    // The decoded ends of a line y across an upright symbol from x 100 to 300.
    static LineSegment Across(int y) { return LineSegment{{100, y}, {300, y}}; }

    cfg::ConfigurationManager manager;
    DEC2DProperty property{manager.Root()};
    BarSymbolDecoderContext context{&property.detail_of_decoder, nullptr};
    NamedDecoder code39{context, SYMBOLOGY_CODE39};
    NamedDecoder code93{context, SYMBOLOGY_CODE93};
    NamedDecoder codabar{context, SYMBOLOGY_CODABAR};
    std::vector<unsigned char> work = std::vector<unsigned char>(6 * LineDecodeData::kBufferBytes + 8192);
    SharedMemoryDistributor memory{work.data(), static_cast<unsigned>(work.size())};
    LineDecodeDataChecker checker{memory, property.detail_of_decoder};
    LineDecodeData a;
    LineDecodeData b;
    LineDecodeData c;
};

TEST_F(FrameCheckerTest, AResultCountsAfterRedundancyPlusOneEqualReadsInARow)
{
    struct {
        unsigned redundancy;
        char const* reads;   // 'a' or 'b' per line
        char const* accept;  // '1' where the checker accepts
    } const cases[] = {
        {0, "aaa", "111"},
        {1, "aaaa", "0101"},
        {2, "aaaaaa", "001001"},
        {2, "aabaa", "00000"},  // a different result restarts the count
        // One that differs in a character only (same symbology and length)
        // needs one read more: lines disagree where one crossed bar ends.
        {2, "aabbb", "00000"},
        {2, "aabbbb", "000001"},
        {1, "abbb", "0001"},
        {1, "abab", "0000"},
        {1, "cc", "01"},
        // Another length too: the fragment a line through bar ends reads.
        {1, "acc", "000"},
        {1, "accc", "0001"},
    };
    for (auto const& kase : cases) {
        SetRedundancy(kase.redundancy);
        checker.Initialize();
        std::string accepted;
        for (char const* r = kase.reads; *r != '\0'; ++r) {
            accepted += checker.Check(*r == 'a' ? a : (*r == 'b' ? b : c), Across(100)) ? '1' : '0';
        }
        EXPECT_EQ(accepted, kase.accept) << kase.redundancy << " " << kase.reads;
    }
}

// Start, stop and up to four characters of a symbology whose check character
// is optional need one agreeing line more: two lines across the modules of a
// 2D symbol agreed on Codabar "6010" and Code 39 " U6 ".
TEST_F(FrameCheckerTest, ShortCodabarAndCode39NeedOneLineMore)
{
    struct {
        BarSymbolDecoder const* decoder;
        std::vector<int> values;
        unsigned redundancy;
        char const* accept;
    } const cases[] = {
        {&codabar, {16, 6, 0, 1, 0, 16}, 1, "001"},
        {&code39, {43, 1, 2, 3, 4, 43}, 1, "001"},
        {&code39, {43, 1, 2, 3, 4, 43}, 0, "01"},
        {&codabar, {16, 6, 0, 1, 0, 5, 16}, 1, "01"},
        {&code39, {43, 1, 2, 3, 4, 5, 43}, 1, "01"},
        {&code93, {1, 2, 3, 4}, 1, "01"},
    };
    for (auto const& kase : cases) {
        SetRedundancy(kase.redundancy);
        checker.Initialize();
        Fill(a, *kase.decoder, kase.values, 300, 2);
        std::string accepted;
        for (char const* r = kase.accept; *r != '\0'; ++r) {
            accepted += checker.Check(a, Across(100 + static_cast<int>(r - kase.accept))) ? '1' : '0';
        }
        EXPECT_EQ(accepted, kase.accept) << kase.decoder->GetSymbology() << " " << kase.values.size();
    }
}

TEST_F(FrameCheckerTest, TheSameLineLaidByAnotherBandIsNoSecondRead)
{
    // Two overlapping regions lay one and the same line across a slanted
    // symbol: the fragment it read must not confirm itself.
    SetRedundancy(1);
    Region const band1{{{347, 162}, {336, 345}, {275, 345}, {286, 162}}};
    Region const band2{{{333, 146}, {320, 360}, {289, 360}, {302, 146}}};
    LineSegment const slanted{{322, 237}, {318, 308}};
    EXPECT_FALSE(checker.Check(a, slanted, band1));
    EXPECT_FALSE(checker.Check(a, slanted, band2));
    EXPECT_EQ(checker.GetCount(), 1u);
    // A line sharing one end only is another line.
    EXPECT_TRUE(checker.Check(a, LineSegment{{322, 237}, {319, 308}}, band2));

    // The same band in the next image (multi-image mode) reads anew; a new
    // result forgets the lines of the last one.
    checker.Initialize();
    SetRedundancy(2);
    EXPECT_FALSE(checker.Check(a, slanted, band1));
    checker.OnChengeImage();
    EXPECT_FALSE(checker.Check(a, slanted, band1));
    EXPECT_EQ(checker.GetCount(), 2u);
    EXPECT_FALSE(checker.Check(b, slanted, band2));
    EXPECT_FALSE(checker.Check(b, Across(7), band1));
    EXPECT_FALSE(checker.Check(b, Across(8), band1));
    EXPECT_TRUE(checker.Check(b, Across(9), band1)) << "b replaced a: one read more";
}

TEST_F(FrameCheckerTest, EqualityIsSymbologyCountAndValues)
{
    LineDecodeData other;
    ASSERT_TRUE(other.Initialize(memory));
    ASSERT_TRUE(other.Copy(a));
    EXPECT_TRUE(other.EqualTo(a));
    other.symbols[0].begin = 77;  // positions do not matter
    other.statistics.overlaps = 9;
    EXPECT_TRUE(other.EqualTo(a));
    other.decoder = &code39;
    EXPECT_FALSE(other.EqualTo(a));
    other.decoder = a.decoder;
    other.symbols.Pop();
    EXPECT_FALSE(other.EqualTo(a));
    other.decoder = nullptr;
    EXPECT_FALSE(other.EqualTo(other));
}

TEST_F(FrameCheckerTest, ReplacedResultStartsItsStatisticsAfresh)
{
    SetRedundancy(2);
    checker.Check(a, Across(100));  // separation 300, overlaps 2
    checker.Check(b, Across(101));  // replaces a
    EXPECT_EQ(checker.GetStatistics(), b.statistics);
    LineDecodeData b2;
    ASSERT_TRUE(b2.Initialize(memory));
    ASSERT_TRUE(b2.Copy(b));
    b2.statistics = LineStatistics{1, 250, 1000, 30, 1};
    checker.Check(b2, Across(102));
    // Folded: the weaker separations, the larger angle and overlap count.
    EXPECT_EQ(checker.GetStatistics(), (LineStatistics{1, 200, 1000, 30, 7}));
    // b differs from a in one character: one read more than redundancy + 1.
    EXPECT_FALSE(checker.Check(b, Across(103)));
    EXPECT_TRUE(checker.Check(b, Across(104)));
    EXPECT_EQ(checker.GetCount(), 0u);
}

TEST_F(FrameCheckerTest, RegionIsFittedThroughTheDecodedEnds)
{
    SetRedundancy(3);
    Region const band{{{50, 90}, {350, 90}, {350, 130}, {50, 130}}};
    // A symbol leaning right: its ends drift one pixel per ten rows.
    for (int y : {100, 110, 120, 105}) {
        checker.Check(a, LineSegment{{100 + (y - 100) / 10, y}, {300 + (y - 100) / 10, y}});
    }
    Region region;
    ASSERT_TRUE(checker.CalcDecodedRegion(GrayImage(), false, band, region));
    EXPECT_EQ(region.corner[0], (Point{99, 90}));
    EXPECT_EQ(region.corner[1], (Point{299, 90}));
    EXPECT_EQ(region.corner[2], (Point{303, 130}));
    EXPECT_EQ(region.corner[3], (Point{103, 130}));
    // Read from the stop end, the end points make the first edge.
    ASSERT_TRUE(checker.CalcDecodedRegion(GrayImage(), true, band, region));
    EXPECT_EQ(region.corner[0], (Point{299, 90}));
    EXPECT_EQ(region.corner[3], (Point{303, 130}));

    // One line: the band's own sides moved to its ends.
    checker.Initialize();
    SetRedundancy(0);
    ASSERT_TRUE(checker.Check(a, Across(112)));
    ASSERT_TRUE(checker.CalcDecodedRegion(GrayImage(), false, band, region));
    EXPECT_EQ(region.corner[0], (Point{100, 90}));
    EXPECT_EQ(region.corner[2], (Point{300, 130}));

    checker.Initialize();
    EXPECT_FALSE(checker.CalcDecodedRegion(GrayImage(), false, band, region)) << "no points";
}

TEST_F(FrameCheckerTest, PointListsHoldEveryAgreeingLineAndClearPerImage)
{
    // The most reads a result can wait for: each adds its points.
    SetRedundancy(255);
    for (int i = 0; i < 255; ++i) {
        EXPECT_FALSE(checker.Check(a, Across(i)));
    }
    EXPECT_EQ(checker.GetStartPoints().GetCount(), 255u);
    EXPECT_EQ(checker.GetCount(), 255u);
    EXPECT_TRUE(checker.Check(a, Across(254)));  // the same ends again: kept once
    EXPECT_EQ(checker.GetEndPoints().GetCount(), 255u);
    EXPECT_EQ(checker.GetCount(), 0u);

    checker.Check(a, Across(5));
    checker.OnChengeImage();
    EXPECT_EQ(checker.GetStartPoints().GetCount(), 0u);
    EXPECT_EQ(checker.GetCount(), 1u) << "the waiting result survives a new image";
    checker.Initialize();
    EXPECT_EQ(checker.GetCount(), 0u);
    EXPECT_EQ(checker.GetPending().decoder, nullptr);
}

TEST(FrameCheckerMemoryTest, TooSmallAWorkAreaLeavesTheCheckerUnusable)
{
    cfg::ConfigurationManager manager;
    DEC2DProperty property{manager.Root()};
    std::vector<unsigned char> work(1000);
    SharedMemoryDistributor memory{work.data(), static_cast<unsigned>(work.size())};
    LineDecodeDataChecker checker{memory, property.detail_of_decoder};
    EXPECT_FALSE(checker.IsReady());
    LineDecodeData line;
    EXPECT_FALSE(line.Initialize(memory));
    EXPECT_FALSE(line.symbols.Push(BarSymbol{}));
}

}  // namespace
}  // namespace DEC2DIvra
