// The multi-line road over line results made by hand, with a block decoder
// whose answers the test sets: which start blocks are tried in which order,
// what a read needs to be accepted, and what the label gets.

#include "decoder/linear/roads/multi_line_decoder.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "decoder/linear/bar_code_decoder.h"
#include "decoder/linear/line/bar_symbol_decoder.h"
#include "decoder/linear/line/line_decode_data.h"
#include "decoder/linear/roads/scan_line_segment.h"
#include "tests/decoder/linear/frame_fixture.h"

namespace multi_line_test {
namespace {

using namespace DEC2DIvra;

// What the block decoder answers and what it was asked.
struct Script {
    unsigned votes = 5;
    bool vote = true;
    bool countModules = true;
    int refusedStart = -1;  // the start value whose blocks cannot be made
    std::vector<int> triedStarts;
    std::vector<unsigned> startEntries;
};

class ScriptedBlockDecoder final : public BarSymbolDecoder {
public:
    ScriptedBlockDecoder(BarSymbolDecoderContext const& context, Script& script,
                         tagSymbology symbology = SYMBOLOGY_CODE128)
        : BarSymbolDecoder(symbology, context), script_(&script)
    {
    }

    bool ExecuteBinarization(ArrayIterator<ScanElement const> const&, StackInterface<BarSymbol>&, bool&,
                             bool&) const override
    {
        return false;
    }
    bool CheckCheckDigit(StackInterface<BarSymbol> const&, bool) const override { return true; }
    bool Start(StackInterface<BarSymbol> const& symbols, bool, DecodedLabel& label) const override
    {
        for (BarSymbol const& s : symbols) {
            label.data.Push(static_cast<char>('A' + s.value));
        }
        return true;
    }
    // The start block and, as the closing block, the start moved on by 100
    // line units on every line.
    bool ExecuteBlockBinarization(StackInterface<ArrayIterator<ScanElement const>> const&,
                                  StackInterface<MultiLineBlockData>& blocks, bool, bool&) const override
    {
        MultiLineBlockData const& start = blocks[0];
        script_->triedStarts.push_back(start[0].value);
        script_->startEntries.push_back(start.GetCount());
        if (start[0].value == script_->refusedStart) {
            return false;
        }
        MultiLineBlockData closing;
        for (MultiLineBlockData::Entry e : start) {
            e.begin += 100;
            e.end += 100;
            closing.Push(e);
        }
        return blocks.Push(closing);
    }
    bool MakeBarSymbolArray(StackInterface<MultiLineBlockData> const& blocks, bool&, StackInterface<BarSymbol>& symbols,
                            unsigned& votes) const override
    {
        symbols.Push(BarSymbol{blocks[0][0].value, 0, 0, 0, 0, 0});
        votes = script_->votes;
        return script_->vote;
    }
    bool CountModule(StackInterface<BarSymbol> const&, unsigned& modules) const override
    {
        modules = 42;
        return script_->countModules;
    }

private:
    Script* script_;
};

constexpr unsigned kLines = 10;

// Ten horizontal scan lines from x = 10 to 400, 4 pixels apart from y = 20,
// each with some runs.
class MultiLineDecoderTest : public ::testing::Test {
protected:
    MultiLineDecoderTest()
        : memory_((kLines + 1) * (LineDecodeData::kBufferBytes + 64) + 2 * MultiLineDecodeData::kBufferBytes + 8192),
          distributor_(memory_.data(), static_cast<unsigned>(memory_.size())),
          decoder_(distributor_)
    {
        EXPECT_TRUE(harness_.IsReady());
        for (unsigned i = 0; i < kLines; ++i) {
            LineDecodeData& line = lines_[i];
            EXPECT_TRUE(line.Initialize(distributor_));
            line.line = ScanLineSegment(LineSegment{Point{10, Y(i)}, Point{400, Y(i)}}, false);
            for (int k = 0; k < 8; ++k) {
                line.elements.Push(ScanElement{static_cast<unsigned char>(k & 1), 100, 160 * k, 160 * (k + 1), 10});
            }
        }
        EXPECT_TRUE(extra_.Initialize(distributor_));
        EXPECT_TRUE(data_.Initialize(distributor_));
        EXPECT_TRUE(decoder_.IsReady());
        located_ = Region{{Point{10, Y(0)}, Point{400, Y(0)}, Point{400, Y(kLines - 1)}, Point{10, Y(kLines - 1)}}};
        image_ = GrayImage(640, 480, 640, pixels_.data());
    }

    static int Y(unsigned line) { return 20 + 4 * static_cast<int>(line); }

    BarSymbolDecoderContext const& Context() { return harness_.Frame().GetBarSymbolDecoderSet().GetContext(); }

    // A start character at x = 60 .. 70 (line units 800 .. 960) on a line.
    void AddStart(unsigned line, BarSymbolDecoder const& decoder, int value, bool reverced = false,
                  unsigned symbols = 3, bool negative = false)
    {
        StartBarSymbol start;
        start.symbol = BarSymbol{value, 800, 960, 16, 500, 0};
        start.decoder = &decoder;
        start.reverced = reverced ? 1 : 0;
        start.symbolCount = symbols;
        start.negative = negative ? 1 : 0;
        lines_[line].startSymbols.Push(start);
    }

    bool Read(DecodedLabel& label)
    {
        ArrayIterator<LineDecodeData const> const lines(lines_, kLines);
        return decoder_.Start(image_, lines, located_, data_, label);
    }

    static std::string Data(DecodedLabel const& label) { return std::string(label.data.begin(), label.data.end()); }

    frame_test::LinearFrameHarness harness_;
    std::vector<unsigned char> memory_;
    SharedMemoryDistributor distributor_;
    LineDecodeData lines_[kLines];
    LineDecodeData extra_;
    MultiLineDecoder decoder_;
    MultiLineDecodeData data_;
    std::vector<unsigned short> pixels_ = std::vector<unsigned short>(640 * 480, 500);
    GrayImage image_;
    Region located_;
};

TEST_F(MultiLineDecoderTest, ThreeAgreeingLinesAreNeeded)
{
    Script script;
    ScriptedBlockDecoder const decoder(Context(), script);
    for (unsigned i = 0; i < kLines; ++i) {
        AddStart(i, decoder, 5);
    }
    DecodedLabel label;
    struct Case {
        unsigned votes;
        bool read;
    };
    for (Case const c : {Case{0, false}, Case{2, false}, Case{3, true}, Case{9, true}}) {
        script.votes = c.votes;
        EXPECT_EQ(Read(label), c.read) << c.votes;
    }
    EXPECT_EQ(Data(label), "F");
    EXPECT_EQ(data_.votes, 9u);
    script.vote = false;
    EXPECT_FALSE(Read(label));
    EXPECT_TRUE(label.data.IsEmpty());
}

TEST_F(MultiLineDecoderTest, AStartSeenOnTwoLinesIsNotTried)
{
    Script script;
    ScriptedBlockDecoder const decoder(Context(), script);
    AddStart(3, decoder, 5);
    AddStart(4, decoder, 5);
    DecodedLabel label;
    EXPECT_FALSE(Read(label));
    EXPECT_TRUE(script.triedStarts.empty());
    AddStart(5, decoder, 5);
    EXPECT_TRUE(Read(label));
    EXPECT_EQ(script.startEntries, std::vector<unsigned>{3u});
}

TEST_F(MultiLineDecoderTest, StartBlocksAreTriedFromTheLastMade)
{
    Script script;
    ScriptedBlockDecoder const decoder(Context(), script);
    for (unsigned i = 0; i < kLines; ++i) {
        AddStart(i, decoder, i < 5 ? 7 : 9);
        // The same character met from the other end is another start.
        AddStart(i, decoder, 7, true);
    }
    DecodedLabel label;
    ASSERT_TRUE(Read(label));
    EXPECT_EQ(Data(label), "J");
    EXPECT_EQ(script.triedStarts, std::vector<int>{9});
    EXPECT_EQ(script.startEntries, std::vector<unsigned>{5u});

    script.triedStarts.clear();
    script.refusedStart = 9;
    ASSERT_TRUE(Read(label));
    EXPECT_EQ(script.triedStarts, (std::vector<int>{9, 7}));
    EXPECT_EQ(data_.reverced, 1);
    EXPECT_EQ(data_.startBlocks.GetCount(), 3u);
}

TEST_F(MultiLineDecoderTest, TheLabelGetsRegionModulesAndPolarity)
{
    Script script;
    ScriptedBlockDecoder const decoder(Context(), script);
    harness_.SetPolarity(2);
    for (unsigned i = 0; i < kLines; ++i) {
        // The line that read most characters after the start tells its
        // polarity.
        AddStart(i, decoder, 5, false, i == 6 ? 12 : 3, i == 6);
    }
    DecodedLabel label;
    label.moduleWord = 77;
    ASSERT_TRUE(Read(label));
    // Begin edge at x = 60, end edge at x = 10 + (960 + 100) / 16.
    EXPECT_EQ(label.region, (Region{{Point{60, 20}, Point{76, 20}, Point{76, 56}, Point{60, 56}}}));
    EXPECT_EQ(label.moduleCount, 42u);
    EXPECT_EQ(label.negative, 1);
    EXPECT_EQ(label.further.present, 0);

    script.countModules = false;
    ASSERT_TRUE(Read(label));
    EXPECT_EQ(label.moduleCount, 0u);
    EXPECT_EQ(label.moduleWord, 0u);

    // Met from its stop end, the symbol's region starts at the end edge.
    for (LineDecodeData& line : lines_) {
        line.startSymbols.Clear();
    }
    for (unsigned i = 0; i < kLines; ++i) {
        AddStart(i, decoder, 5, true);
    }
    ASSERT_TRUE(Read(label));
    EXPECT_EQ(label.region, (Region{{Point{76, 20}, Point{60, 20}, Point{60, 56}, Point{76, 56}}}));
    EXPECT_EQ(label.negative, 0);
}

TEST_F(MultiLineDecoderTest, StartsOfAForbiddenPolarityAreNotTried)
{
    Script script;
    ScriptedBlockDecoder const decoder(Context(), script);
    harness_.SetPolarity(0);
    for (unsigned i = 0; i < kLines; ++i) {
        AddStart(i, decoder, 5, false, 3, true);
    }
    DecodedLabel label;
    EXPECT_FALSE(Read(label));
    EXPECT_TRUE(script.triedStarts.empty());
}

TEST_F(MultiLineDecoderTest, LinesWithoutStartsOrRunsGiveNothing)
{
    DecodedLabel label;
    EXPECT_FALSE(Read(label));
    EXPECT_FALSE(decoder_.Start(image_, ArrayIterator<LineDecodeData const>(), located_, data_, label));
    EXPECT_TRUE(label.data.IsEmpty());
    Script script;
    ScriptedBlockDecoder const decoder(Context(), script);
    for (unsigned i = 0; i < kLines; ++i) {
        AddStart(i, decoder, 5);
    }
    // A region whose sides are no lines closes no label.
    Region const good = located_;
    located_ = Region{{Point{10, 20}, Point{10, 20}, Point{10, 20}, Point{10, 20}}};
    EXPECT_FALSE(Read(label));
    EXPECT_TRUE(label.data.IsEmpty());
    located_ = good;
    EXPECT_TRUE(Read(label));
    // Lines that hold nothing.
    for (LineDecodeData& line : lines_) {
        line.Clear();
    }
    EXPECT_FALSE(Read(label));
}

TEST_F(MultiLineDecoderTest, LineAndMultiLineResultsCompareByTheirCharacters)
{
    Script script;
    ScriptedBlockDecoder const code128(Context(), script);
    ScriptedBlockDecoder const other(Context(), script, SYMBOLOGY_CODE39);
    auto fill = [](StackInterface<BarSymbol>& symbols, std::vector<int> const& values) {
        symbols.Clear();
        for (int v : values) {
            symbols.Push(BarSymbol{v, 0, 0, 0, 0, 0});
        }
    };
    struct Case {
        char const* name;
        BarSymbolDecoder const* lineDecoder;
        std::vector<int> line;
        BarSymbolDecoder const* multiDecoder;
        std::vector<int> multi;
        bool same;
    };
    std::vector<Case> const cases = {
        {"same", &code128, {104, 33, 106}, &code128, {104, 33, 106}, true},
        {"another character", &code128, {104, 33, 106}, &code128, {104, 34, 106}, false},
        {"one character more", &code128, {104, 33, 106}, &code128, {104, 33, 33, 106}, false},
        {"another symbology", &code128, {104, 33, 106}, &other, {104, 33, 106}, false},
        {"no decoder", nullptr, {104}, &code128, {104}, false},
    };
    for (Case const& c : cases) {
        extra_.decoder = c.lineDecoder;
        fill(extra_.symbols, c.line);
        data_.decoder = c.multiDecoder;
        fill(data_.symbols, c.multi);
        EXPECT_EQ(BarCodeDecoder::Check(extra_, data_), c.same) << c.name;
    }
}

}  // namespace
}  // namespace multi_line_test
