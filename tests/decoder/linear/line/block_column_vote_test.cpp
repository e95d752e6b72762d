#include "decoder/linear/line/block_column_reading.h"

#include <gtest/gtest.h>

#include <vector>

namespace block_column_test {
namespace {

using DEC2DIvra::BarSymbol;
using DEC2DIvra::MultiLineBlockData;
using DEC2DIvra::StackInterface;

constexpr int kStop = 99;

// A column: the value each line read there, one entry per line.
using Column = std::vector<int>;

struct Voted {
    bool ok = false;
    std::vector<int> values;
    unsigned votes = 0;
};

Voted Vote(std::vector<Column> const& columns, bool accepted = true)
{
    std::vector<MultiLineBlockData> blockBuffer(columns.size() + 1);
    StackInterface<MultiLineBlockData> blocks(blockBuffer.data(), static_cast<unsigned>(blockBuffer.size()));
    for (Column const& column : columns) {
        MultiLineBlockData block;
        for (size_t line = 0; line < column.size(); ++line) {
            BarSymbol symbol;
            symbol.value = column[line];
            symbol.begin = 10 * static_cast<int>(blocks.GetCount());
            symbol.end = symbol.begin + 9;
            EXPECT_TRUE(block.Push(symbol, static_cast<int>(line)));
        }
        blocks.Push(block);
    }
    std::vector<BarSymbol> buffer(64);
    StackInterface<BarSymbol> symbols(buffer.data(), static_cast<unsigned>(buffer.size()));
    Voted result;
    result.ok = DEC2DIvra::VoteBlockColumns(blocks, symbols, result.votes,
                                            [](int value, int first) { return value == kStop || value == first; },
                                            [&](StackInterface<BarSymbol> const&) { return accepted; });
    for (BarSymbol const& s : symbols) {
        result.values.push_back(s.value);
    }
    EXPECT_EQ(result.ok, !symbols.IsEmpty());
    return result;
}

TEST(BlockColumnVote, EachColumnTakesItsLeadingValueUpToTheClosingOne)
{
    // A line here and there misreads a character; the others carry it.
    Voted const voted = Vote({{1, 1, 1, 1, 1}, {5, 5, 6, 5, 5}, {7, 8, 7, 7}, {kStop, kStop, kStop, 4}, {3, 3, 3}});
    ASSERT_TRUE(voted.ok);
    EXPECT_EQ(voted.values, (std::vector<int>{1, 5, 7, kStop}));
    EXPECT_EQ(voted.votes, 3u);
    // The start character closes when met again.
    EXPECT_EQ(Vote({{2, 2, 2}, {5, 5, 5}, {2, 2, 2}}).values, (std::vector<int>{2, 5, 2}));
}

TEST(BlockColumnVote, DoubtfulColumnsGiveNoRead)
{
    struct Case {
        char const* name;
        std::vector<Column> columns;
    };
    Case const cases[] = {
        {"two values with as many lines", {{1, 1, 1, 1}, {5, 5, 6, 6}, {kStop, kStop, kStop}}},
        {"no closing column", {{1, 1, 1, 1}, {5, 5, 5, 5}, {6, 6, 6}}},
        {"closing only in the first column", {{kStop, kStop, kStop}, {5, 5, 5}}},
        {"an empty column before the closing one", {{1, 1, 1}, {}, {kStop, kStop, kStop}}},
        {"no column", {}},
    };
    // A clear read that the check characters refuse.
    Voted const refused = Vote({{1, 1, 1}, {5, 5, 5}, {kStop, kStop, kStop}}, false);
    EXPECT_FALSE(refused.ok);
    EXPECT_EQ(refused.votes, 0u);
    for (Case const& c : cases) {
        Voted const voted = Vote(c.columns);
        EXPECT_FALSE(voted.ok) << c.name;
        EXPECT_EQ(voted.votes, 0u) << c.name;
    }
}

}  // namespace
}  // namespace block_column_test
