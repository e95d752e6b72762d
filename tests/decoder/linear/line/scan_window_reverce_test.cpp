#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "decoder/linear/line/partial_scan_data.h"
#include "tests/decoder/linear/roads/scan_line_fixture.h"
#include "tests/decoder/linear/line/scan_run_list.h"

namespace scan_test {
namespace {

using DEC2DIvra::CommonPartialScanData;
using DEC2DIvra::PartialScanData;

using Window = PartialScanData<6>;

// A window read right to left on the mirrored line must equal the window read
// left to right on the line, coordinates mirrored (x -> L - x).
void ExpectMirrored(Window const& forward, Window const& reverce, int length, int runs, int slack = 0)
{
    ASSERT_EQ(forward.GetLength(), reverce.GetLength());
    EXPECT_FALSE(forward.IsReverce());
    EXPECT_TRUE(reverce.IsReverce());
    for (unsigned k = 0; k < forward.GetLength(); ++k) {
        SCOPED_TRACE(k);
        EXPECT_EQ(forward[k].colour, reverce[k].colour);
        EXPECT_EQ(forward[k].grey, reverce[k].grey);
        EXPECT_EQ(forward[k].samples, reverce[k].samples);
        EXPECT_NEAR(reverce[k].begin, length - forward[k].end, slack);
        EXPECT_NEAR(reverce[k].end, length - forward[k].begin, slack);
        if (slack == 0) {
            EXPECT_EQ(forward[k].magnitude, reverce[k].magnitude);
            EXPECT_EQ(reverce[k].lineIndex, runs - 1 - forward[k].lineIndex);
        }
    }
    EXPECT_EQ(forward.GetContrast(), reverce.GetContrast());
    EXPECT_EQ(forward.GetLightMaximum(), reverce.GetLightMaximum());
    EXPECT_EQ(forward.GetDarkMinimum(), reverce.GetDarkMinimum());
    EXPECT_EQ(forward.GetDarkMaximumIndex(), reverce.GetDarkMaximumIndex());
    EXPECT_EQ(forward.GetLightMinimumIndex(), reverce.GetLightMinimumIndex());
    EXPECT_EQ(forward.GetWeakestDark(), reverce.GetWeakestDark());
    EXPECT_EQ(forward.GetWeakestDarkIndex(), reverce.GetWeakestDarkIndex());
    EXPECT_EQ(forward.GetWeakestLight(), reverce.GetWeakestLight());
    EXPECT_EQ(forward.GetWeakestLightIndex(), reverce.GetWeakestLightIndex());
    EXPECT_EQ(forward.GetDeletedDark(), reverce.GetDeletedDark());
    EXPECT_EQ(forward.GetDeletedLight(), reverce.GetDeletedLight());
    EXPECT_EQ(forward.IsLightWeaker(), reverce.IsLightWeaker());
    EXPECT_EQ(forward.GetMarginGrey(), reverce.GetMarginGrey());
    if (slack == 0) {
        EXPECT_EQ(forward.GetSpan(), reverce.GetSpan());
        EXPECT_EQ(forward.GetMinWidth(), reverce.GetMinWidth());
    }
    EXPECT_EQ(reverce.GetIterator().GetIndex(), runs - 1 - forward.GetIterator().GetIndex());
}

struct Step {
    std::string name;
    std::function<bool(Window&)> forward;
    std::function<bool(Window&)> reverce;
    int slack = 0;
};

// Noisy low-contrast runs with many specks: every rule of the window is met.
RunList NoisyLine()
{
    support::SymbolInput input;
    input.data = "AB12";
    support::RenderOptions options;
    options.moduleSize = 4.0;
    options.dark = 437;
    options.light = 587;
    options.noise = 12.0;
    RenderedLine line = SampleRow(input, options);
    Scanner scanner;
    if (!line.ok || !scanner.Run(line.samples)) {
        return RunList();
    }
    return RunList(scanner.Runs());
}

TEST(ScanWindowReverceTest, TwinsGiveTheMirrorOfTheForwardResults)
{
    RunList const line = NoisyLine();
    RunList const mirror = line.Mirror();
    int const runs = static_cast<int>(line.runs.size());
    int const length = line.Length();
    ASSERT_GT(runs, 60);

    std::vector<Step> const steps{
        {"DeleteNoise", [](Window& w) { return w.DeleteNoise(); },
         [](Window& w) { return w.ReverceDeleteNoise(); }},
        {"ForceDeleteNoise", [](Window& w) { return w.ForceDeleteNoise(); },
         [](Window& w) { return w.ReverceForceDeleteNoise(); }},
        {"Delete 3", [](Window& w) { return w.Delete(3, false); },
         [](Window& w) { return w.ReverceDelete(3, false); }},
        {"AdjustmentWidth", [](Window& w) { return w.AdjustmentWidth(150, 260); },
         [](Window& w) { return w.ReverceAdjustmentWidth(150, 260); }},
        {"ForceAdjustmentWidth", [](Window& w) { return w.ForceAdjustmentWidth(w.GetBegin() + 5120); },
         [](Window& w) { return w.ReverceForceAdjustmentWidth(w.GetBegin() - 5120); }},
        {"SetNextRunLengthData", [](Window& w) { return w.SetNextRunLengthData(2000, 6000); },
         [](Window& w) { return w.ReverceSetNextRunLengthData(2000, 6000); }},
        {"SetNextRunLengthData from another", [](Window& w) { Window o(w); return w.SetNextRunLengthData(o, 2000, 6000); },
         [](Window& w) { Window o(w); return w.ReverceSetNextRunLengthData(o, 2000, 6000); }},
        {"SetNextCharRunLengthData", [](Window& w) { return w.SetNextCharRunLengthData(2000, 6000); },
         [](Window& w) { return w.ReverceSetNextCharRunLengthData(2000, 6000); }},
        {"SetNextCharRunLengthData from another", [](Window& w) { Window o(w); return w.SetNextCharRunLengthData(o, 2000, 6000); },
         [](Window& w) { Window o(w); return w.ReverceSetNextCharRunLengthData(o, 2000, 6000); }},
        {"SetOverlappedRunLengthDataPart", [](Window& w) { return w.SetOverlappedRunLengthDataPart(2, 2000, 6000, 150, 500); },
         [](Window& w) { return w.ReverceSetOverlappedRunLengthDataPart(2, 2000, 6000, 150, 500); }},
        {"SetOverlappedRunLengthData", [](Window& w) { return w.SetOverlappedRunLengthData(3, 2000, 6000); },
         [](Window& w) { return w.SetOverlappedRunLengthData(3, 2000, 6000); }},
        {"Set from another", [](Window& w) { Window o(w); return w.Set(o, 4, 2000, 6000); },
         [](Window& w) { Window o(w); return w.Set(o, 4, 2000, 6000); }},
        {"SetNextCharRunLengthDataFromPrev",
         [](Window& w) { return w.SetNextCharRunLengthDataFromPrev(true, true, static_cast<unsigned>(w.GetBegin() + 1000), 0, 9000); },
         [](Window& w) { return w.SetNextCharRunLengthDataFromPrev(true, true, static_cast<unsigned>(w.GetBegin() - 1000), 0, 9000); }},
        {"Correct", [](Window& w) { w.Correct(); return true; }, [](Window& w) { w.Correct(); return true; }, 2},
    };

    int compared = 0;
    for (int i = 1; i + 7 < runs; ++i) {
        Window forward;
        Window reverce;
        bool const loaded = forward.Set(line.At(i));
        ASSERT_EQ(loaded, reverce.ReverceSet(mirror.ReverceAt(runs - 1 - i))) << i;
        if (!loaded) {
            continue;
        }
        ExpectMirrored(forward, reverce, length, runs);
        for (unsigned width : {0u, 300u, 1500u, 4000u}) {
            for (unsigned specks : {0u, 1u, 2u}) {
                for (bool after : {false, true}) {
                    for (bool inner : {false, true}) {
                        EXPECT_EQ(forward.CheckMargin(width, after, inner, specks),
                                  reverce.CheckMargin(width, after, inner, specks));
                        EXPECT_EQ(forward.CheckBlackMargin(width, after, inner, specks),
                                  reverce.CheckBlackMargin(width, after, inner, specks));
                    }
                }
            }
        }
        for (Step const& step : steps) {
            SCOPED_TRACE(testing::Message() << "run " << i << ": " << step.name);
            Window f(forward);
            Window r(reverce);
            bool const done = step.forward(f);
            ASSERT_EQ(done, step.reverce(r));
            if (done || step.slack == 0) {
                ExpectMirrored(f, r, length, runs, step.slack);
            }
            ++compared;
        }
        // The search starts from a mirrored coordinate.
        int const start = forward.GetBegin() + 700;
        Window fs;
        Window rs;
        bool const found = fs.Set(line.At(0), false, start, 150, 2000, 6000, 3000);
        ASSERT_EQ(found, rs.ReverceSet(mirror.ReverceAt(runs - 1), false, length - start, 150, 2000, 6000, 3000));
        if (found) {
            ExpectMirrored(fs, rs, length, runs);
        }
    }
    EXPECT_GT(compared, 500);
}

}  // namespace
}  // namespace scan_test
