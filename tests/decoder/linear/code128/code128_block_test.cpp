#include "decoder/linear/code128/code128_block_vote.h"

#include <gtest/gtest.h>

#include "decoder/linear/line/multi_line_block_data.h"
#include "tests/decoder/linear/code128/code128_fixture.h"

namespace code128_test {
namespace {

using DEC2DIvra::Code128BlockVote;
using DEC2DIvra::MultiLineBlockData;
using DEC2DIvra::StackInterface;

int Key(int value) { return Code128Table::CalcKey(static_cast<unsigned>(value)); }

// Values with their check character, start first and stop last.
std::vector<int> Symbol(std::vector<int> values)
{
    long long sum = values[0];
    for (size_t i = 1; i + 1 < values.size(); ++i) {
        sum += static_cast<long long>(i) * values[i];
    }
    values.insert(values.end() - 1, static_cast<int>(sum % 103));
    return values;
}

// A column: (value, votes) pairs.
using Column = std::vector<std::pair<int, int>>;

struct Voted {
    bool ok = false;
    std::vector<int> values;
    unsigned votes = 0;
};

Voted Vote(std::vector<Column> const& columns, bool reverced = false)
{
    Code128BlockVote vote;
    for (Column const& column : columns) {
        EXPECT_TRUE(vote.AddColumn());
        for (auto const& [value, votes] : column) {
            for (int v = 0; v < votes; ++v) {
                vote.Vote(Key(value));
            }
        }
    }
    std::vector<BarSymbol> buffer(Code128BlockVote::kMaxColumns);
    StackInterface<BarSymbol> symbols(buffer.data(), static_cast<unsigned>(buffer.size()));
    Voted result;
    result.ok = vote.Start(reverced, symbols, result.votes);
    for (BarSymbol const& s : symbols) {
        result.values.push_back(Code128Table::instance.GetValue(s.value));
    }
    return result;
}

// Columns that all vote for the symbol's characters, `votes` lines each.
std::vector<Column> Clean(std::vector<int> const& values, int votes = 5)
{
    std::vector<Column> columns;
    for (int v : values) {
        columns.push_back({{v, votes}});
    }
    return columns;
}

TEST(Code128BlockVote, CleanColumnsReadInEitherDirection)
{
    std::vector<int> const symbol = Symbol({104, 33, 34, 35, 106});
    Voted const forward = Vote(Clean(symbol));
    ASSERT_TRUE(forward.ok);
    EXPECT_EQ(forward.values, symbol);
    EXPECT_EQ(forward.votes, 5u);

    std::vector<int> reversed(symbol.rbegin(), symbol.rend());
    Voted const backward = Vote(Clean(reversed), true);
    ASSERT_TRUE(backward.ok);
    EXPECT_EQ(backward.values, reversed);
    EXPECT_FALSE(Vote(Clean(reversed), false).ok);
}

TEST(Code128BlockVote, OneColumnOffItsBestCandidate)
{
    std::vector<int> const symbol = Symbol({104, 33, 34, 35, 106});
    std::vector<Column> columns = Clean(symbol);
    columns[2] = {{44, 3}, {34, 2}};  // most lines misread the B
    Voted const result = Vote(columns);
    ASSERT_TRUE(result.ok);
    EXPECT_EQ(result.values, symbol);
    EXPECT_EQ(result.votes, 2u);
}

TEST(Code128BlockVote, DoubtfulBlocksFail)
{
    std::vector<int> const symbol = Symbol({104, 33, 34, 35, 36, 106});
    struct Case {
        char const* name;
        std::vector<Column> columns;
    };
    std::vector<Case> cases;
    {
        std::vector<Column> c = Clean(symbol);
        c.back() = {{106, 1}, {5, 1}};
        cases.push_back({"stop seen on one line only", c});
    }
    {
        std::vector<Column> c = Clean(symbol);
        c.back() = {{5, 4}};
        c.front() = {{104, 3}, {106, 5}};
        cases.push_back({"stop most voted in the start column", c});
    }
    {
        // +2 at weight 1 and -1 at weight 2 keep the check.
        std::vector<Column> c = Clean(symbol);
        c[1] = {{33, 5}, {35, 2}};
        c[2] = {{34, 5}, {33, 2}};
        cases.push_back({"a second reading two columns away", c});
    }
    {
        std::vector<Column> c = Clean(symbol);
        c[1] = {{40, 5}, {33, 2}};
        c[2] = {{41, 5}, {34, 2}};
        cases.push_back({"passes only with two columns changed", c});
    }
    cases.push_back({"one column", {{{104, 5}}}});
    for (Case const& c : cases) {
        EXPECT_FALSE(Vote(c.columns).ok) << c.name;
    }
    // A column past the closing one is dropped; two are not.
    std::vector<Column> extra = Clean(symbol);
    extra.push_back({{7, 3}});
    EXPECT_TRUE(Vote(extra).ok);
    extra.push_back({{8, 3}});
    EXPECT_FALSE(Vote(extra).ok);
}

TEST(Code128BlockVote, SixteenCandidatesAtMost)
{
    Code128BlockVote vote;
    ASSERT_TRUE(vote.AddColumn());
    for (int v = 0; v < 20; ++v) {
        vote.Vote(Key(v));
    }
    vote.Vote(Key(3));
    EXPECT_EQ(vote.GetCandidateCount(0), Code128BlockVote::kMaxCandidates);
    EXPECT_EQ(vote.GetCandidate(0, 3).votes, 2u);
    for (unsigned c = 1; c < Code128BlockVote::kMaxColumns; ++c) {
        ASSERT_TRUE(vote.AddColumn());
    }
    EXPECT_FALSE(vote.AddColumn());
}

// The block road on ideal lines, each with a different character whited
// out: no line reads whole, the columns do.
class Code128BlockRoadTest : public ::testing::Test {
protected:
    // Widths with the first bar of character k painted over.
    static std::vector<int> Damage(std::vector<int> widths, size_t k)
    {
        size_t const bar = 6 * k;
        if (bar == 0 || bar + 1 >= widths.size()) {
            return widths;
        }
        widths[bar - 1] += widths[bar] + widths[bar + 1];
        widths.erase(widths.begin() + static_cast<long>(bar), widths.begin() + static_cast<long>(bar + 2));
        return widths;
    }

    struct Band {
        std::vector<std::vector<ScanElement>> runs;
        std::vector<DEC2DIvra::ArrayIterator<ScanElement const>> iterators;
    };

    Band MakeBand(std::vector<std::vector<int>> const& lineWidths, LineOptions const& options = {})
    {
        Band band;
        for (auto const& widths : lineWidths) {
            band.runs.push_back(MakeLine(widths, options));
        }
        for (auto const& runs : band.runs) {
            band.iterators.emplace_back(runs.data(), static_cast<unsigned>(runs.size()));
        }
        return band;
    }

    // Start block from the first character each line meets, then the road.
    bool ReadBand(Code128Decoder const& decoder, Band& band, std::string& data, unsigned& votes, bool& reverced)
    {
        blocks.Set(blockBuffer.data(), static_cast<unsigned>(blockBuffer.size()));
        MultiLineBlockData start;
        bool negative = false;
        for (size_t i = 0; i < band.runs.size(); ++i) {
            std::vector<ScanElement> const& runs = band.runs[i];
            for (unsigned k = 1; k < runs.size(); ++k) {
                DEC2DIvra::ArrayIterator<ScanElement const> at(runs.data(), static_cast<unsigned>(runs.size()),
                                                              static_cast<int>(k), 1);
                d.rate.Initialize(true);
                bool lineNegative = false;
                bool lineReverced = false;
                decoder.ExecuteBinarization(at, d.symbols, lineNegative, lineReverced);
                if (!d.symbols.IsEmpty()) {
                    start.Push(d.symbols[0], static_cast<int>(i));
                    negative = lineNegative;
                    reverced = lineReverced;
                    break;
                }
            }
        }
        if (!start.Adjust(nullptr)) {
            start.CalcLines();
        }
        blocks.Push(start);
        StackInterface<DEC2DIvra::ArrayIterator<ScanElement const>> lines(band.iterators.data(),
                                                                          static_cast<unsigned>(band.iterators.size()));
        lines.SetCount(static_cast<unsigned>(band.iterators.size()));
        if (!decoder.ExecuteBlockBinarization(lines, blocks, negative, reverced) ||
            !decoder.MakeBarSymbolArray(blocks, reverced, d.symbols, votes)) {
            return false;
        }
        d.label.Clear();
        if (!decoder.Start(d.symbols, reverced, d.label)) {
            return false;
        }
        data.assign(d.label.data.begin(), d.label.data.end());
        return true;
    }

    Decoders d;
    std::vector<MultiLineBlockData> blockBuffer = std::vector<MultiLineBlockData>(64);
    StackInterface<MultiLineBlockData> blocks;
};

TEST_F(Code128BlockRoadTest, DamagedLinesReadTogether)
{
    std::vector<int> const widths = ZintRowWidths({.symbology = BARCODE_CODE128, .data = "Block 42"});
    size_t const characters = (widths.size() - 1) / 6;
    for (bool reverse : {false, true}) {
        std::vector<std::vector<int>> lines;
        for (size_t i = 0; i < 8; ++i) {
            lines.push_back(Damage(widths, 1 + i % (characters - 2)));
        }
        Band band = MakeBand(lines, {.reverse = reverse});
        // No single line reads.
        for (auto const& runs : band.runs) {
            std::string data;
            EXPECT_FALSE(d.Decode(d.normal, runs, data));
        }
        std::string data;
        unsigned votes = 0;
        bool reverced = false;
        ASSERT_TRUE(ReadBand(d.normal, band, data, votes, reverced)) << "reverse " << reverse;
        EXPECT_EQ(data, "Block 42");
        EXPECT_EQ(reverced, reverse);
        EXPECT_GE(votes, 6u);
    }
}

// Lines whose start character is damaged vote from the fitted start column;
// when their symbol lies further along than one element width from it, they
// do not vote at all.
TEST_F(Code128BlockRoadTest, LinesFarFromTheColumnDoNotVote)
{
    std::vector<int> const widths = ZintRowWidths({.symbology = BARCODE_CODE128, .data = "Gap"});
    for (int shift : {0, 3}) {
        Band band = MakeBand({widths, widths, widths, widths});
        for (int k = 0; k < 2; ++k) {
            std::vector<int> damaged = widths;
            damaged[1] += damaged[2] + damaged[3];  // the start's middle bar painted over
            damaged.erase(damaged.begin() + 2, damaged.begin() + 4);
            band.runs.push_back(MakeLine(damaged, {.leadingZone = 12 + shift}));
        }
        band.iterators.clear();
        for (auto const& runs : band.runs) {
            band.iterators.emplace_back(runs.data(), static_cast<unsigned>(runs.size()));
        }
        std::string data;
        unsigned votes = 0;
        bool reverced = false;
        ASSERT_TRUE(ReadBand(d.normal, band, data, votes, reverced)) << shift;
        EXPECT_EQ(data, "Gap");
        ASSERT_GE(blocks.GetCount(), 2u);
        EXPECT_EQ(blocks[1].GetCount(), shift == 0 ? 6u : 4u) << shift;
    }
}

TEST_F(Code128BlockRoadTest, MissingStopOrQuietZoneFails)
{
    std::vector<int> widths = ZintRowWidths({.symbology = BARCODE_CODE128, .data = "Stop"});
    std::vector<int> noStop(widths.begin(), widths.end() - 7);
    Band band = MakeBand({noStop, noStop, noStop, noStop, noStop});
    std::string data;
    unsigned votes = 0;
    bool reverced = false;
    EXPECT_FALSE(ReadBand(d.normal, band, data, votes, reverced));

    Band crowded = MakeBand({widths, widths, widths, widths, widths}, {.trailingZone = 3, .borders = true});
    EXPECT_FALSE(ReadBand(d.normal, crowded, data, votes, reverced));
    Band clean = MakeBand({widths, widths, widths, widths, widths}, {.borders = true});
    EXPECT_TRUE(ReadBand(d.normal, clean, data, votes, reverced));
    EXPECT_EQ(data, "Stop");
}

}  // namespace
}  // namespace code128_test
