#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "decoder/core/shared_memory_distributor.h"
#include "decoder/linear/roads/scan_buffer.h"
#include "tests/decoder/linear/roads/scan_line_fixture.h"

namespace scan_test {
namespace {

using DEC2DIvra::kDarkRun;
using DEC2DIvra::kLightRun;

std::vector<PickLineElement> Samples(std::vector<int> const& greys, unsigned bits = 0)
{
    std::vector<PickLineElement> s;
    for (size_t i = 0; i < greys.size(); ++i) {
        s.push_back(PickLineElement{static_cast<int>(i << bits), static_cast<unsigned>(greys[i])});
    }
    return s;
}

TEST(ScanSubroutineTest, OneEdgeLiesAtTheCentreOfItsFlank)
{
    std::vector<int> const greys{100, 100, 100, 500, 900, 900, 900, 900};
    Scanner scanner;
    // Whole-pixel midpoints round down: the edge at pixel 3 comes out at 2.
    auto whole = Samples(greys);
    ASSERT_TRUE(scanner.Run(whole, false, 16));
    auto runs = scanner.Runs();
    ASSERT_EQ(runs.size(), 2u);
    EXPECT_EQ(runs[0].colour, kDarkRun);
    EXPECT_EQ(runs[0].grey, 100);
    EXPECT_EQ(runs[0].begin, 0);
    EXPECT_EQ(runs[0].end, 2);
    EXPECT_EQ(runs[0].samples, 2);
    EXPECT_EQ(runs[1].colour, kLightRun);
    EXPECT_EQ(runs[1].grey, 900);
    EXPECT_EQ(runs[1].end, 6);
    EXPECT_EQ(scanner.maxStep, 400u);
    auto fine = Samples(greys, 8);
    ASSERT_TRUE(scanner.Run(fine, false, 16));
    EXPECT_EQ(scanner.Runs()[0].end, 3 * 256);
}

TEST(ScanSubroutineTest, MalformedDegenerateAndOversizedLinesAreRefused)
{
    std::vector<int> bars;
    for (int i = 0; i < 4931; ++i) {
        bars.push_back((i / 20) % 2 == 0 ? 100 : 900);
    }
    struct Case {
        std::string name;
        std::vector<PickLineElement> samples;
        bool accepted;
    };
    std::vector<Case> cases{
        {"empty", {}, false},
        {"one sample", {{0, 500}}, false},
        {"flat grey", Samples(std::vector<int>(50, 512)), false},
        {"coordinates repeat", {{0, 100}, {1, 900}, {1, 100}, {2, 900}}, false},
        {"coordinates fall", {{0, 100}, {5, 900}, {3, 100}, {9, 900}}, false},
        {"edges only outside the middle half", Samples({100, 900, 900, 900, 900, 900, 900, 900, 900, 900, 900, 100}), false},
        {"4928 slopes fill the profile", Samples(std::vector<int>(bars.begin(), bars.begin() + 4929)), true},
        {"4929 slopes do not fit", Samples(std::vector<int>(bars.begin(), bars.begin() + 4930)), false},
    };
    Scanner scanner;
    for (Case& c : cases) {
        scanner.stack.Push(ScanElement{});  // stale runs must not survive
        EXPECT_EQ(scanner.Run(c.samples), c.accepted) << c.name;
        EXPECT_EQ(scanner.stack.IsEmpty(), !c.accepted) << c.name;
    }
    // A run list too small for the line fails the conversion as a whole.
    auto line = Samples(std::vector<int>(bars.begin(), bars.begin() + 200));
    DEC2DIvra::StackInterface<PickLineElement> in(line.data(), 200);
    in.SetCount(200);
    std::vector<ScanElement> few(3);
    DEC2DIvra::StackInterface<ScanElement> out(few.data(), 3);
    bool falseEdge = false;
    unsigned step = 0;
    EXPECT_FALSE(scanner.scan.Start(DEC2DIvra::GrayImage(), in, out, true, 16, falseEdge, step));
    EXPECT_TRUE(out.IsEmpty());
    // The work area gives the profile its 78,848 bytes, and nothing else.
    std::vector<unsigned char> area(DEC2DIvra::ScanSubroutine::kWorkBytes + 2 * 640 * 20);
    DEC2DIvra::SharedMemoryDistributor memory(area.data(), static_cast<unsigned>(area.size()));
    DEC2DIvra::ScanSubroutine const carved(memory);
    EXPECT_EQ(memory.GetOffset(), 78848u);
    DEC2DIvra::ScanBuffer buffer;
    ASSERT_TRUE(buffer.Initialize(memory, 200, 640));
    EXPECT_FALSE(DEC2DIvra::ScanBuffer().Initialize(memory, 100000, 10));
    for (auto const& s : line) {
        ASSERT_TRUE(buffer.GetSamples().Push(s));
    }
    EXPECT_TRUE(carved.Start(DEC2DIvra::GrayImage(), buffer.GetSamples(), buffer.GetRuns(), true, 16, falseEdge, step));
    EXPECT_EQ(buffer.GetRuns().GetCount(), 10u);
    EXPECT_FALSE(DEC2DIvra::ScanSubroutine().Start(DEC2DIvra::GrayImage(), in, out, true, 16, falseEdge, step));
}

// A falling edge, a light gap too thin for the slope to rise above zero (a
// false peak), optionally a second one, then the proper rising edge.
std::vector<int> FalsePeakLine(bool second, int scale)
{
    std::vector<int> steps(11, 0);
    if (second) {
        steps.insert(steps.end(), {-300, -300, -10, -200, 0, -150, 0, 0, 0, 0, 0, 0, 0, 0, 0, 950});
    } else {
        steps.insert(steps.end(), {-300, -300, -10, -200, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 800});
    }
    steps.insert(steps.end(), 14, 0);
    std::vector<int> g{1000 * scale / 4};
    for (int s : steps) {
        g.push_back(g.back() + s * scale / 4);
    }
    return g;
}

TEST(ScanSubroutineTest, FalseEdgesInTheMiddleHalfChooseTheDividerAndTheOutFlag)
{
    Scanner scanner;
    // One false peak: walked with 16, then 64; the gap stays a run and the
    // out flag is set.
    auto once = Samples(FalsePeakLine(false, 4));
    ASSERT_TRUE(scanner.Run(once));
    EXPECT_TRUE(scanner.falseEdge);
    EXPECT_EQ(scanner.Runs().size(), 5u);
    // A second one before a proper peak: walked again with 8, which sees
    // neither gap; the flag is cleared.
    auto twice = Samples(FalsePeakLine(true, 4));
    ASSERT_TRUE(scanner.Run(twice));
    EXPECT_FALSE(scanner.falseEdge);
    EXPECT_EQ(scanner.Runs().size(), 3u);
    // A faint line is smoothed first and never reports it.
    auto faint = Samples(FalsePeakLine(false, 1));
    ASSERT_TRUE(scanner.Run(faint));
    EXPECT_FALSE(scanner.falseEdge);
}

struct RenderedCase {
    char const* name;
    int symbology;
    char const* data;
    double moduleSize;
    double blur;
    int contrast;
    double noise;
    bool inverted;
    double tolerance;  // pixels
};

// The scan's run boundaries against the module edges the renderer drew.
void ExpectRunsFollowModules(RenderedCase const& c)
{
    SCOPED_TRACE(c.name);
    support::SymbolInput input;
    input.symbology = c.symbology;
    input.data = c.data;
    support::RenderOptions options;
    options.moduleSize = c.moduleSize;
    options.blur = c.blur;
    options.noise = c.noise;
    options.inverted = c.inverted;
    options.dark = 512 - c.contrast / 2;
    options.light = 512 + c.contrast / 2;
    RenderedLine line = SampleRow(input, options);
    ASSERT_TRUE(line.ok);
    Scanner scanner;
    ASSERT_TRUE(scanner.Run(line.samples));
    std::vector<ScanElement> const runs = scanner.Runs();
    for (size_t i = 0; i + 1 < runs.size(); ++i) {
        ASSERT_NE(runs[i].colour, runs[i + 1].colour);
        ASSERT_EQ(runs[i].end, runs[i + 1].begin);
    }
    if (c.noise == 0) {
        ASSERT_EQ(runs.size(), line.edges.size() + 1);
        EXPECT_EQ(runs.front().colour, c.inverted ? kDarkRun : kLightRun);
    }
    // Each module edge has a boundary of the same direction close by.
    int const ink = c.inverted ? kLightRun : kDarkRun;
    std::vector<size_t> at;
    for (size_t e = 0, from = 0; e < line.edges.size(); ++e) {
        int const to = (e % 2 == 0) ? ink : 1 - ink;
        double best = 1e9;
        for (size_t i = from; i + 1 < runs.size() && runs[i].end < line.edges[e] + 4 * kUnit; ++i) {
            double const d = std::fabs(runs[i].end - line.edges[e]) / kUnit;
            if (runs[i + 1].colour == to && d < best) {
                best = d;
                from = i + 1;
            }
        }
        ASSERT_LE(best, c.tolerance) << "edge " << e;
        at.push_back(from - 1);
    }
    for (size_t k = 0; k + 1 < at.size(); ++k) {
        ScanElement const& own = runs[at[k] + 1];
        // Noise specks inside a module never cross the middle grey.
        for (size_t i = at[k] + 2; i <= at[k + 1]; ++i) {
            if (runs[i].colour != own.colour) {
                EXPECT_TRUE(own.colour == kLightRun ? runs[i].grey > 512 : runs[i].grey < 512) << "speck " << i;
            }
        }
        // A module run wide enough for the blur reaches the full level.
        if (at[k + 1] == at[k] + 1 && (own.end - own.begin) / kUnit >= 3 + 3 * c.blur) {
            int const level = own.colour == kLightRun ? options.light : options.dark;
            EXPECT_NEAR(own.grey, level, 0.05 * c.contrast + 4 * c.noise + 2) << "run " << at[k] + 1;
        }
    }
}

TEST(ScanSubroutineTest, RunsOfRenderedSymbolsFollowTheirModuleEdges)
{
    RenderedCase const cases[] = {
        {"C128 1.5px sharp", BARCODE_CODE128, "Scan 1.5", 1.5, 0.0, 800, 0.0, false, 0.3},
        {"C128 1.5px sharp inverted", BARCODE_CODE128, "Scan 1.5", 1.5, 0.0, 800, 0.0, true, 0.3},
        {"C128 1.5px blurred noisy", BARCODE_CODE128, "AB12", 1.5, 0.6, 800, 4.0, false, 0.7},
        {"C128 2.5px low contrast inverted", BARCODE_CODE128, "AB12", 2.5, 0.7, 150, 4.0, true, 0.7},
        {"C128 3px blurred noisy", BARCODE_CODE128, "x7Q", 3.0, 1.0, 500, 8.0, false, 0.7},
        {"C128 4px low contrast very noisy", BARCODE_CODE128, "AB12", 4.0, 0.0, 150, 12.0, false, 0.6},
        {"C128 6px blurred noisy inverted", BARCODE_CODE128, "AB12", 6.0, 1.2, 800, 12.0, true, 0.5},
        {"EAN-13 1.5px sharp", BARCODE_EANX, "501234567890", 1.5, 0.0, 800, 0.0, false, 0.3},
        {"EAN-13 1.5px blurred noisy inverted", BARCODE_EANX, "501234567890", 1.5, 0.6, 800, 4.0, true, 0.7},
        {"EAN-13 2.5px low contrast", BARCODE_EANX, "978020137962", 2.5, 0.7, 150, 4.0, false, 0.75},
        {"EAN-13 4px blurred noisy", BARCODE_EANX, "501234567890", 4.0, 1.2, 800, 12.0, false, 0.6},
        {"EAN-13 6px low contrast inverted", BARCODE_EANX, "501234567890", 6.0, 0.7, 150, 12.0, true, 0.7},
    };
    for (RenderedCase const& c : cases) {
        ExpectRunsFollowModules(c);
    }
}

// Smoothing a faint line spreads each flank over the next: placed on the
// smoothed slopes, a 3-module bar of 1.45-pixel modules next to a 1-module
// space came out 2.5 modules and the space 1.6, enough to read a wrong
// character that checked. Found on the smoothed slopes and placed on the
// sampled ones, every boundary stays by its module edge.
TEST(ScanSubroutineTest, SmallModulesOfAFaintLineKeepTheirEdges)
{
    using Edges = DEC2DIvra::ScanSubroutine::LowContrastEdges;
    for (double const moduleSize : {1.35, 1.45, 1.55}) {
        SCOPED_TRACE(moduleSize);
        support::SymbolInput const input{
            .symbology = BARCODE_GS1_128, .data = "[01]09501101530003", .inputMode = GS1_MODE};
        RenderedLine line = SampleRow(input, {.moduleSize = moduleSize, .dark = 380, .light = 620});
        ASSERT_TRUE(line.ok);
        Scanner scanner;
        ASSERT_TRUE(scanner.Run(line.samples, Edges::kSmoothedPlacedOnSamples));
        EXPECT_TRUE(scanner.smoothedForContrast);
        std::vector<ScanElement> const runs = scanner.Runs();
        ASSERT_EQ(runs.size(), line.edges.size() + 1);
        for (size_t e = 0; e < line.edges.size(); ++e) {
            EXPECT_NEAR(runs[e].end / kUnit, line.edges[e] / kUnit, 0.3) << "edge " << e;
        }
    }
}

}  // namespace
}  // namespace scan_test
