// The start, stop and row address search on drawn symbols: columns of each
// pattern type, the choice of start and stop, row address columns and the
// MicroPDF417 size vote.

#include <gtest/gtest.h>
#include <zint.h>

#include <cmath>
#include <string>
#include <vector>

#include "decoder/core/geometry/geometry.h"
#include "decoder/stacked/pdf417/mod3_of_cluster.h"
#include "decoder/stacked/pdf417/search_finder_subroutine.h"
#include "tests/support/symbol_renderer.h"

using namespace DEC2DIvra;

namespace {

struct SearchFlags {
    bool againstRows = false;  // the segment runs from the stop end to the start end
    bool notFromSegment = true;
    bool normal = true;
    bool reversed = true;
    bool pdf = true;
    bool micro = true;
};

class FinderSearch : public ::testing::Test {
protected:
    static support::Rendering Render(int symbology, std::string const& data, int columns,
                                     support::RenderOptions const& o = {})
    {
        support::SymbolInput input;
        input.symbology = symbology;
        input.data = data;
        input.option2 = columns;
        support::Rendering r = support::render(input, o);
        EXPECT_TRUE(r.symbol.ok) << r.symbol.error;
        return r;
    }

    GrayImage Image(support::Rendering const& r) const
    {
        return GrayImage(r.frame.width, r.frame.height, r.frame.width, r.frame.pixels.data());
    }

    // The search along the line through the middle of the symbol's left and
    // right edges, a few modules beyond each.
    unsigned Search(support::Rendering const& r, SearchFlags const& f = {})
    {
        support::Point const a = r.symbol.toFrame({-5.0, r.symbol.heightModules / 2});
        support::Point const b = r.symbol.toFrame({r.symbol.widthModules + 5.0, r.symbol.heightModules / 2});
        LineSegment segment{Point{static_cast<int>(std::lround(a.x)), static_cast<int>(std::lround(a.y))},
                            Point{static_cast<int>(std::lround(b.x)), static_cast<int>(std::lround(b.y))}};
        if (f.againstRows) {
            segment = LineSegment{segment.end, segment.begin};
        }
        startStop.Clear();
        micro.Clear();
        return finder.Start(Image(r), segment, 1, f.pdf, f.micro, f.notFromSegment, f.normal, f.reversed,
                            !f.notFromSegment, startStop, micro);
    }

    std::vector<unsigned char> work = std::vector<unsigned char>(1u << 20);
    SharedMemoryDistributor memory{work.data(), static_cast<unsigned>(work.size())};
    SearchFinderSubroutine finder{memory};
    StartStopColumnData startStopColumns[SearchFinderSubroutine::kStartStopColumns];
    MicroFinderColumnData microColumns[SearchFinderSubroutine::kMicroColumns];
    StartStopColumnDataStack startStop{startStopColumns, SearchFinderSubroutine::kStartStopColumns};
    MicroFinderColumnDataStack micro{microColumns, SearchFinderSubroutine::kMicroColumns};
};

// Start and stop columns of each pattern type: scanned along the rows and
// against them, dark on light and light on dark.
TEST_F(FinderSearch, StartAndStopColumnsOfEveryType)
{
    ASSERT_TRUE(finder.IsReady());
    struct Case {
        double angle;
        bool againstRows;
        bool inverted;
        unsigned type;
    };
    Case const cases[] = {{0, false, false, 0},  {0, true, false, 1},   {0, false, true, 2},
                          {0, true, true, 3},    {180, false, false, 0}, {8, true, false, 1},
                          {-172, false, true, 2}};
    for (Case const& c : cases) {
        support::RenderOptions o;
        o.angle = c.angle;
        o.inverted = c.inverted;
        o.moduleSize = 2.5;
        support::Rendering const r = Render(BARCODE_PDF417, "Start and stop columns of every type", 3, o);
        SearchFlags f;
        f.againstRows = c.againstRows;
        ASSERT_EQ(Search(r, f), 1u) << c.angle;
        StartStopColumnData const* start = nullptr;
        StartStopColumnData const* stop = nullptr;
        bool reversedPolarity = false;
        ASSERT_TRUE(startStop.GetStartStopColumnDataPtr(start, stop, reversedPolarity))
            << "angle " << c.angle << " inverted " << c.inverted << " columns " << startStop.GetCount();
        EXPECT_EQ(start->GetType(), c.type) << c.angle;
        EXPECT_EQ(stop->GetType(), c.type);
        EXPECT_FALSE(start->IsStop());
        EXPECT_TRUE(stop->IsStop());
        EXPECT_EQ(reversedPolarity, c.inverted);
        // Followed over most of the symbol's rows.
        EXPECT_GE(start->GetCount(), static_cast<unsigned>(r.symbol.rows) * 2 / 3) << c.angle;
        EXPECT_GE(stop->GetCount(), static_cast<unsigned>(r.symbol.rows) * 2 / 3) << c.angle;
        // The start pattern's outer end lies at the symbol's left edge.
        double nearest = 1e9;
        for (Point const& p : {(*start)[0].segment.begin, (*start)[0].segment.end}) {
            support::Point const m = r.symbol.toModule({p.x / 256.0, p.y / 256.0});
            nearest = std::fmin(nearest, std::fabs(m.x));
        }
        EXPECT_LT(nearest, 2.0) << c.angle;
    }
}

// The polarity flags gate what a window may show.
TEST_F(FinderSearch, RefusedPolarityGivesNoColumns)
{
    support::RenderOptions o;
    o.inverted = true;
    support::Rendering const r = Render(BARCODE_PDF417, "Light on dark", 3, o);
    for (bool notFromSegment : {false, true}) {
        SearchFlags f;
        f.notFromSegment = notFromSegment;
        f.reversed = false;
        EXPECT_EQ(Search(r, f), 1u);
        StartStopColumnData const* start = nullptr;
        StartStopColumnData const* stop = nullptr;
        bool reversedPolarity = false;
        EXPECT_FALSE(startStop.GetStartStopColumnDataPtr(start, stop, reversedPolarity)) << notFromSegment;
        f.reversed = true;
        f.normal = false;
        EXPECT_EQ(Search(r, f), 1u);
        EXPECT_TRUE(startStop.GetStartStopColumnDataPtr(start, stop, reversedPolarity)) << notFromSegment;
    }
    SearchFlags none;
    none.normal = false;
    none.reversed = false;
    EXPECT_EQ(Search(r, none), 0u);
    SearchFlags nothing;
    nothing.pdf = false;
    nothing.micro = false;
    EXPECT_EQ(Search(r, nothing), 0u);
}

// A line laid along the reading direction (a composite's segment) reads
// every window forward only: a symbol met from its stop end gives no pair;
// from a located region the same windows are read backward.
TEST_F(FinderSearch, BackwardReadingOnlyFromARegion)
{
    support::Rendering const r = Render(BARCODE_PDF417, "Met from the stop end", 3, {});
    for (bool notFromSegment : {false, true}) {
        SearchFlags f;
        f.againstRows = true;
        f.notFromSegment = notFromSegment;
        f.reversed = false;
        ASSERT_EQ(Search(r, f), 1u);
        StartStopColumnData const* start = nullptr;
        StartStopColumnData const* stop = nullptr;
        bool reversedPolarity = false;
        EXPECT_EQ(startStop.GetStartStopColumnDataPtr(start, stop, reversedPolarity), notFromSegment);
        if (notFromSegment && start != nullptr) {
            EXPECT_EQ(start->GetType(), 1u);
            // Type 1 pairs are searched from the end of the column list.
            StartStopColumnData const* a = nullptr;
            StartStopColumnData const* b = nullptr;
            EXPECT_EQ(startStop.GetStartStopColumnDataPtr(StartStopColumnDataStack::kType0, a, b), 0u);
            EXPECT_GT(startStop.GetStartStopColumnDataPtr(StartStopColumnDataStack::kType1, a, b), 0u);
            EXPECT_EQ(a, start);
        }
    }
}

// A line with runs but no pattern answers 1 with no columns; a line without
// runs answers 0.
TEST_F(FinderSearch, LineWithoutPatternsAndLineWithoutRuns)
{
    support::Rendering const linear = Render(BARCODE_CODE128, "NO PATTERN HERE", 0);
    EXPECT_EQ(Search(linear), 1u);
    EXPECT_EQ(startStop.GetCount(), 0u);
    EXPECT_EQ(micro.GetCount(), 0u);
    support::Rendering blank = linear;
    std::fill(blank.frame.pixels.begin(), blank.frame.pixels.end(), 512);
    EXPECT_EQ(Search(blank), 0u);
}

// MicroPDF417 of each column count: row address columns found and the size
// voted from them, the row numbers within the size.
TEST_F(FinderSearch, MicroColumnsVoteTheirSize)
{
    struct Case {
        int columns;
        std::string data;
    };
    // 1 x 17, 1 x 28 and 2 x 17 have row address columns that run round
    // the end of the cycle of 52 patterns.
    Case const cases[] = {{1, "MICRO 1"},
                          {1, std::string(14, 'A')},
                          {1, std::string(34, 'A')},
                          {2, "MicroPDF417 two"},
                          {2, std::string(38, 'A')},
                          {3, "MicroPDF417 with three columns"},
                          {4, "MicroPDF417 with four data columns, center column too"}};
    for (Case const& c : cases) {
        for (bool upsideDown : {false, true}) {
            support::RenderOptions o;
            o.moduleSize = 3.0;
            o.angle = upsideDown ? 180 : 0;
            support::Rendering const r = Render(BARCODE_MICROPDF417, c.data, c.columns, o);
            // The size zint chose: 38, 55, 82 or 99 modules wide.
            ASSERT_EQ(r.symbol.columns, c.columns <= 2 ? 21 + 17 * c.columns : 31 + 17 * c.columns) << c.data;
            SearchFlags f;
            f.againstRows = upsideDown;
            ASSERT_EQ(Search(r, f), 1u);
            MicroFinderColumnData* left = nullptr;
            MicroFinderColumnData* center = nullptr;
            MicroFinderColumnData* right = nullptr;
            bool inverted = true;
            ASSERT_NE(micro.GetLeftCenterRightColumnDataPtr(left, center, right, inverted), 0u)
                << c.columns << " columns " << micro.GetCount();
            EXPECT_FALSE(inverted);
            ASSERT_NE(left, nullptr) << c.columns;
            ASSERT_NE(right, nullptr) << c.columns;
            EXPECT_EQ(center != nullptr, c.columns >= 3) << c.columns;
            MicroPDFVersionBallotBox box;
            box.Load();
            MicroPDFVersionTable::Element element{};
            Mod3OfCluster order;
            ASSERT_NE(micro.GetMicroPDFVersion(box, left, center, right, element, order), 0u) << c.columns;
            EXPECT_EQ(element.columns, c.columns) << c.data;
            EXPECT_EQ(element.rows, r.symbol.rows) << c.data << " upside down " << upsideDown;
            EXPECT_EQ(order.count, 3);
            right->SetRowNumbers(MicroPDFVersionTable::kRight, element);
            EXPECT_GE(right->CountRows(), static_cast<unsigned>(element.rows) / 2);
            for (unsigned i = 0; i < right->GetCount(); ++i) {
                EXPECT_LT((*right)[i].row, element.rows);
            }
        }
    }
}

// While a row address column is followed, the pattern met must be within two
// numbers of the last one, round the cycle of 52.
TEST_F(FinderSearch, FollowingAcceptsTwoNumbersAwayRoundTheCycle)
{
    support::Rendering const r = Render(BARCODE_MICROPDF417, "Following rows", 2, {});
    ASSERT_EQ(Search(r), 1u);
    ASSERT_GT(finder.GetMicroFinderCandidates().GetCount(), 0u);
    FinderCandidate const candidate = finder.GetMicroFinderCandidates()[0];
    GrayImage const image = Image(r);
    struct Case {
        int shift;  // added to the candidate's own number
        bool accepted;
    };
    Case const cases[] = {{0, true}, {2, true}, {-2, true}, {3, false}, {-3, false}};
    for (Case const& c : cases) {
        FinderCandidate probe = candidate;
        probe.number += c.shift;
        FinderCandidate found;
        EXPECT_EQ(finder.CheckMicroFinderCandidateIsEnabled(image, probe, 1, found) != 0, c.accepted) << c.shift;
        if (c.accepted) {
            EXPECT_EQ(found.number, candidate.number);
        }
    }
    // A number one after the end of the cycle from the other side.
    FinderCandidate probe = candidate;
    probe.number = candidate.number == 1 ? 52 : candidate.number + 51;
    FinderCandidate found;
    if (candidate.number <= 2) {
        EXPECT_NE(finder.CheckMicroFinderCandidateIsEnabled(image, probe, 1, found), 0u);
        EXPECT_EQ(found.number, candidate.number + 52);
    }
}

// A parallel line confirms a row address candidate only with a pattern of a
// neighbouring row: the candidate's own number does not confirm it.
TEST_F(FinderSearch, ParallelLineConfirmsOnlyNeighbouringRows)
{
    support::Rendering const r = Render(BARCODE_MICROPDF417, "Parallel lines", 2, {});
    ASSERT_EQ(Search(r), 1u);
    ASSERT_GT(finder.GetMicroFinderCandidates().GetCount(), 0u);
    FinderCandidate const candidate = finder.GetMicroFinderCandidates()[0];
    GrayImage const image = Image(r);
    // The search line itself stands in for a parallel line.
    ScanSubroutine scan(memory);
    PDFScanLineWithScanBuffer line;
    ASSERT_TRUE(line.Initialize(memory));
    support::Point const a = r.symbol.toFrame({-5.0, r.symbol.heightModules / 2});
    support::Point const b = r.symbol.toFrame({r.symbol.widthModules + 5.0, r.symbol.heightModules / 2});
    ASSERT_TRUE(line.Set(image,
                         LineSegment{Point{static_cast<int>(std::lround(a.x)), static_cast<int>(std::lround(a.y))},
                                     Point{static_cast<int>(std::lround(b.x)), static_cast<int>(std::lround(b.y))}},
                         1));
    ASSERT_TRUE(line.Scan(image, scan));
    struct Case {
        int shift;  // the candidate's number less the number the line shows
        bool confirmed;
    };
    Case const cases[] = {{0, false}, {1, true}, {-1, true}, {2, true}, {-2, true}, {3, false}, {-3, false},
                          {51, true}, {-50, true}, {49, false}};
    for (Case const& c : cases) {
        FinderCandidate probe = candidate;
        probe.number = candidate.number + c.shift;
        FinderCandidate found;
        EXPECT_EQ(line.CheckMicroFinderCandidate(image, probe, found), c.confirmed) << c.shift;
    }
}

// While a start column is followed only its own pattern counts: at the
// stop pattern's place the start's test finds nothing.
TEST_F(FinderSearch, FollowingTestFindsOnlyTheCandidatesPattern)
{
    support::Rendering const r = Render(BARCODE_PDF417, "Only the start", 3, {});
    SearchFlags f;
    f.micro = false;
    ASSERT_EQ(Search(r, f), 1u);
    StackInterface<FinderCandidate> const& candidates = finder.GetFinderCandidates();
    FinderCandidate const* start = nullptr;
    FinderCandidate const* stop = nullptr;
    for (unsigned i = 0; i < candidates.GetCount(); ++i) {
        (candidates[i].pattern == 343 ? start : stop) = &candidates[i];
    }
    ASSERT_NE(start, nullptr);
    ASSERT_NE(stop, nullptr);
    EXPECT_EQ(stop->pattern, 747u);
    GrayImage const image = Image(r);
    FinderCandidate found;
    ASSERT_NE(finder.CheckFinderCandidateIsEnabled(image, *start, 1, found), 0u);
    EXPECT_EQ(found.pattern, 343u);
    FinderCandidate probe = *start;
    probe.segment = stop->segment;
    FinderCandidate untouched;
    untouched.number = 7;
    EXPECT_EQ(finder.CheckFinderCandidateIsEnabled(image, probe, 1, untouched), 0u);
    EXPECT_EQ(untouched.number, 7);
}

// The scan lines laid from a start column: along the rows through the
// pattern, and across the row indicator beside it, inside the column's
// known records or beyond them.
TEST_F(FinderSearch, ScanLinesFromAStartColumn)
{
    support::Rendering const r = Render(BARCODE_PDF417, "Scan lines from the start column", 3, {});
    ASSERT_EQ(Search(r), 1u);
    StartStopColumnData const* start = nullptr;
    StartStopColumnData const* stop = nullptr;
    bool reversedPolarity = false;
    ASSERT_TRUE(startStop.GetStartStopColumnDataPtr(start, stop, reversedPolarity));
    GrayImage const image = Image(r);
    Vector const rows{256, 0};
    Line line;
    ASSERT_TRUE(start->CalcScanLine(image, rows, 1, false, 0, line));
    ColumnDataElement const& middle = (*start)[start->GetCount() / 2];
    // The line runs through the middle record's pattern.
    EXPECT_LT(std::llabs(line.Evaluate(ColumnData::CalcCenter(middle))),
              static_cast<long long>(std::abs(line.a) + std::abs(line.b)) * 256);
    ScanParameter near;
    ASSERT_TRUE(start->CalcScanParameter(image, rows, 1, false, 1, near));
    EXPECT_FALSE(near.outside);
    EXPECT_EQ(near.line.GetCodeWidth(), Geometry::CalcChebyshevDistance(middle.segment));
    // The line across the row indicator begins inside the start pattern's
    // last space, right of the pattern.
    support::Point const begin = r.symbol.toModule(
        {static_cast<double>(near.line.GetSegment().begin.x), static_cast<double>(near.line.GetSegment().begin.y)});
    EXPECT_NEAR(begin.x, 15.0, 1.5);
    ScanParameter far;
    ASSERT_TRUE(start->CalcScanParameter(image, rows, 1, true, 20, far));
    EXPECT_TRUE(far.outside);
    // A finer step halves the spacing.
    Line finer;
    ASSERT_TRUE(start->CalcScanLine(image, rows, 2, false, 2, finer));
    Line coarse;
    ASSERT_TRUE(start->CalcScanLine(image, rows, 1, false, 1, coarse));
    EXPECT_NEAR(static_cast<double>(finer.c) / finer.b, static_cast<double>(coarse.c) / coarse.b, 2.0);
}

}  // namespace

// Start and stop pair only within one pattern type; the type with the most
// records wins.
TEST(StartStopPairs, OnlyOneTypePairs)
{
    std::vector<ColumnDataElement> records(64);
    auto column = [&](unsigned slot, unsigned pattern, unsigned count) {
        StartStopColumnData c(records.data() + slot * 16, 16);
        c.SetPattern(pattern);
        for (unsigned i = 0; i < count; ++i) {
            c.Push(LineSegment{Point{0, static_cast<int>(i)}, Point{17 * 256, static_cast<int>(i)}}, 17 * 256);
        }
        return c;
    };
    StartStopColumnData columns[4];
    StartStopColumnDataStack stack(columns, 4);
    stack.Push(column(0, 343, 5));     // start, type 0
    stack.Push(column(1, 130324, 5));  // stop, type 2
    StartStopColumnData const* start = nullptr;
    StartStopColumnData const* stop = nullptr;
    bool reversedPolarity = true;
    EXPECT_FALSE(stack.GetStartStopColumnDataPtr(start, stop, reversedPolarity));
    stack.Push(column(2, 747, 3));     // stop, type 0
    stack.Push(column(3, 130728, 4));  // start, type 2: no stop after it
    ASSERT_TRUE(stack.GetStartStopColumnDataPtr(start, stop, reversedPolarity));
    EXPECT_EQ(start, &columns[0]);
    EXPECT_EQ(stop, &columns[2]);
    EXPECT_FALSE(reversedPolarity);
    // A value that is no start or stop leaves the column as it was.
    StartStopColumnData c = column(0, 130324, 1);
    c.SetPattern(12345);
    EXPECT_EQ(c.GetType(), 2u);
    EXPECT_TRUE(c.IsStop());
}

// Noise and lines that leave the image: the search answers and keeps its
// lists within their bounds.
TEST_F(FinderSearch, NoiseAndLinesOutsideTheImage)
{
    support::Rendering r = Render(BARCODE_MICROPDF417, "Noise", 2, {});
    unsigned x = 99u;
    for (unsigned short& p : r.frame.pixels) {
        x = x * 1103515245u + 12345u;
        p = static_cast<unsigned short>((x >> 16) % 1024);
    }
    GrayImage const image = Image(r);
    LineSegment const segments[] = {
        {{0, 240}, {639, 240}}, {{-500, -500}, {2000, 2000}}, {{5, 5}, {5, 5}}, {{700, 10}, {900, 10}}, {{639, 0}, {0, 479}}};
    for (LineSegment const& s : segments) {
        startStop.Clear();
        micro.Clear();
        unsigned const answer = finder.Start(image, s, 1, true, true, true, true, true, false, startStop, micro);
        EXPECT_LE(answer, 1u);
        EXPECT_LE(startStop.GetCount(), SearchFinderSubroutine::kStartStopColumns);
        EXPECT_LE(micro.GetCount(), SearchFinderSubroutine::kMicroColumns);
        EXPECT_LE(finder.GetMicroFinderCandidates().GetCount(), SearchFinderSubroutine::kMicroFinderCandidates);
    }
    // A margin that leaves nothing of the image.
    EXPECT_EQ(finder.Start(image, segments[0], 400, true, true, true, true, true, false, startStop, micro), 0u);
}
