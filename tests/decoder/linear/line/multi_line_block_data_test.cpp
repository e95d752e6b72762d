// Blocks of one character position over several scan lines: their line
// models, the fit that drops entries off the models, and the queries the
// block-reading decoders make.

#include "decoder/linear/line/multi_line_block_data.h"

#include <gtest/gtest.h>

#include <vector>

namespace multi_line_test {
namespace {

using DEC2DIvra::MultiLineBlockData;
using Entry = MultiLineBlockData::Entry;

// An entry of a character that begins at 100 + 10 per line, 40 wide.
Entry OnLine(int line, int value = 7, int shift = 0)
{
    return Entry{value, 100 + 10 * line + shift, 140 + 10 * line + shift, 12, 300 + 4 * line, 0, line};
}

MultiLineBlockData Block(std::vector<Entry> const& entries)
{
    MultiLineBlockData block;
    for (Entry const& e : entries) {
        EXPECT_TRUE(block.Push(e));
    }
    return block;
}

std::vector<int> Lines(MultiLineBlockData const& block)
{
    std::vector<int> lines;
    for (Entry const& e : block) {
        lines.push_back(e.line);
    }
    return lines;
}

TEST(MultiLineBlockDataTest, LinesWithoutAnEntryAnswerFromTheModels)
{
    MultiLineBlockData block = Block({OnLine(0), OnLine(2), OnLine(4), OnLine(6), OnLine(8)});
    ASSERT_TRUE(block.Adjust(nullptr));
    for (int line : {1, 3, 5, 7, 9, 12, -2}) {
        EXPECT_EQ(block.GetBeginLineCoord(line), 100 + 10 * line) << line;
        EXPECT_EQ(block.GetEndLineCoord(line), 140 + 10 * line) << line;
        EXPECT_EQ(block.GetContrast(line), 300 + 4 * line) << line;
    }
    // A line with an entry answers from the entry itself.
    MultiLineBlockData off = Block({OnLine(0), OnLine(2), OnLine(4), OnLine(6), OnLine(8, 7, 3)});
    ASSERT_TRUE(off.Adjust(nullptr));
    EXPECT_EQ(off.GetBeginLineCoord(8), 183);
    EXPECT_EQ(off.GetMinElementWidth(), 12);
}

TEST(MultiLineBlockDataTest, AModelWithoutSlopeAnswersItsBase)
{
    // Every entry on one line: no line through them, so the other lines get
    // the smallest coordinates.
    MultiLineBlockData block = Block({OnLine(3, 7, 0), OnLine(3, 7, 6), OnLine(3, 7, -4)});
    block.CalcLines();
    EXPECT_EQ(block.GetBeginModel().line.a, 0);
    EXPECT_EQ(block.GetBeginLineCoord(5), 126);
    EXPECT_EQ(block.GetEndLineCoord(5), 166);
    EXPECT_EQ(block.GetContrast(0), 312);
    EXPECT_EQ(MultiLineBlockData().GetBeginLineCoord(4), 0);
}

TEST(MultiLineBlockDataTest, AdjustKeepsWhatFitsAndRefusesDoubtfulBlocks)
{
    std::vector<Entry> const straight = {OnLine(0), OnLine(1), OnLine(2), OnLine(3), OnLine(4), OnLine(5)};
    struct Case {
        char const* name;
        std::vector<Entry> entries;
        bool singlePattern;
        bool fits;
        std::vector<int> kept;
    };
    std::vector<Case> cases = {
        {"straight", straight, false, true, {0, 1, 2, 3, 4, 5}},
        {"an outlier is dropped", {OnLine(0), OnLine(1), OnLine(2, 7, 30), OnLine(3), OnLine(4), OnLine(5)}, false,
         true, {0, 1, 3, 4, 5}},
        {"another value on the models stays",
         {OnLine(0), OnLine(1), OnLine(2), OnLine(3), OnLine(4, 9), OnLine(5)}, false, true, {0, 1, 2, 3, 4, 5}},
        {"another value on the models fails a single pattern",
         {OnLine(0), OnLine(1), OnLine(2), OnLine(3), OnLine(4, 9), OnLine(5)}, true, false, {}},
        {"another value off the models is dropped even for a single pattern",
         {OnLine(0), OnLine(1), OnLine(2), OnLine(3), OnLine(4, 9, 40), OnLine(5)}, true, true, {0, 1, 2, 3, 5}},
        {"the winner on fewer than half the entries",
         {OnLine(0), OnLine(1), OnLine(2), OnLine(3), OnLine(4, 8), OnLine(5, 8), OnLine(6, 9), OnLine(7, 9),
          OnLine(8, 10)},
         false, false, {}},
        {"the winner on three entries", {OnLine(0), OnLine(1), OnLine(2), OnLine(3, 8)}, false, false, {}},
        {"too many outliers", {OnLine(0), OnLine(1, 7, 25), OnLine(2), OnLine(3, 7, -30), OnLine(4, 7, 50)}, false,
         false, {}},
        {"empty", {}, false, false, {}},
    };
    for (Case const& c : cases) {
        MultiLineBlockData block = Block(c.entries);
        bool const fits = c.singlePattern ? block.AdjustForSinglePattern(nullptr) : block.Adjust(nullptr);
        EXPECT_EQ(fits, c.fits) << c.name;
        if (fits) {
            EXPECT_EQ(Lines(block), c.kept) << c.name;
            EXPECT_EQ(block.GetBeginLineCoord(2), 120) << c.name;
        }
    }
}

TEST(MultiLineBlockDataTest, ABlockMustShareALineWithTheBlockBefore)
{
    MultiLineBlockData const previous = Block({OnLine(6), OnLine(7), OnLine(8), OnLine(9)});
    MultiLineBlockData apart = Block({OnLine(0), OnLine(1), OnLine(2), OnLine(3)});
    EXPECT_FALSE(apart.Adjust(&previous));
    MultiLineBlockData sharing = Block({OnLine(0), OnLine(1), OnLine(2), OnLine(6)});
    EXPECT_TRUE(sharing.Adjust(&previous));
    EXPECT_TRUE(sharing.CheckPrevBlock(previous));
}

TEST(MultiLineBlockDataTest, PatternOfTheNearestLine)
{
    MultiLineBlockData const block = Block({OnLine(2, 11), OnLine(6, 22), OnLine(9, 33)});
    unsigned pattern = 0;
    struct Case {
        int line;
        unsigned pattern;
    };
    for (Case const c : {Case{0, 11}, Case{4, 11}, Case{5, 22}, Case{8, 33}, Case{15, 33}}) {
        ASSERT_TRUE(block.GetPattern(c.line, pattern));
        EXPECT_EQ(pattern, c.pattern) << c.line;
    }
    EXPECT_FALSE(MultiLineBlockData().GetPattern(3, pattern));
}

TEST(MultiLineBlockDataTest, MinimumElementWidthOfOneValue)
{
    MultiLineBlockData block = Block({OnLine(0), OnLine(1), OnLine(2, 9)});
    Entry wide = OnLine(3);
    wide.width = 21;
    ASSERT_TRUE(block.Push(wide));
    EXPECT_EQ(block.CalcMinElementWidth(7), 15);
    EXPECT_EQ(block.GetMinElementWidth(), 15);
    EXPECT_EQ(block.CalcMinElementWidth(5), 0);
}

TEST(MultiLineBlockDataTest, EntriesOutsideTheBandOrBeyondItsLinesAreRefused)
{
    MultiLineBlockData block;
    EXPECT_FALSE(block.Push(OnLine(-1)));
    EXPECT_FALSE(block.Push(OnLine(static_cast<int>(MultiLineBlockData::kLineCapacity))));
    for (int line = 0; line < static_cast<int>(MultiLineBlockData::kLineCapacity); ++line) {
        ASSERT_TRUE(block.Push(OnLine(line)));
    }
    EXPECT_FALSE(block.Push(OnLine(0)));
    EXPECT_EQ(block.GetCount(), MultiLineBlockData::kLineCapacity);
    EXPECT_EQ(block[15].line, 15);
}

}  // namespace
}  // namespace multi_line_test
