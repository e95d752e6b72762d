// The quick look the search lines take at a window of runs before the start
// and stop pattern tests: it may pass windows the tests refuse, never one
// they take, whatever the module, the runs' spread within the tests'
// tolerance, and where along the line (how far from its start) the window
// lies.
#include <random>

#include <gtest/gtest.h>

#include "decoder/stacked/pdf_row_reader.h"

namespace {

using DEC2DIvra::PDFRowReader;

TEST(PdfEdgePattern, TheQuickLookPassesEveryWindowThePatternTestsTake)
{
    struct Pattern {
        char const* name;
        int modules[8];
        bool start;
    };
    Pattern const patterns[] = {{"start", {8, 1, 1, 1, 1, 1, 1, 3}, true},
                                {"stop", {7, 1, 1, 3, 1, 1, 1, 2}, false}};
    std::mt19937 random(417);
    std::uniform_real_distribution<float> module(0.4f, 9.0f);
    std::uniform_real_distribution<float> spread(-0.9f, 0.9f);
    std::uniform_real_distribution<float> offset(0.0f, 2000.0f);
    for (Pattern const& p : patterns) {
        unsigned taken = 0;
        for (int trial = 0; trial < 200000; ++trial) {
            // Edges as a line finds them: fractional positions far along it,
            // each run off its modules by up to most of a module.
            float const m = module(random);
            float edges[9];
            edges[0] = offset(random);
            for (int i = 0; i < 8; ++i) {
                float const run = (static_cast<float>(p.modules[i]) + spread(random)) * m;
                edges[i + 1] = edges[i] + (run > 0.0f ? run : 0.0f);
            }
            float w[8];
            for (int i = 0; i < 8; ++i) {
                w[i] = edges[i + 1] - edges[i];
            }
            bool const pattern = p.start ? PDFRowReader::IsStartPattern(w) : PDFRowReader::IsStopPattern(w);
            if (!pattern) {
                continue;
            }
            ++taken;
            ASSERT_TRUE(PDFRowReader::MayBeEdgePattern(w, edges[8] - edges[0]))
                << p.name << ", trial " << trial << ", module " << m;
        }
        // The spread reaches past the tests' tolerance: both kinds of window were met.
        EXPECT_GT(taken, 1000u) << p.name;
        EXPECT_LT(taken, 200000u) << p.name;
    }
}

TEST(PdfEdgePattern, TheQuickLookRefusesWindowsOpeningWithNarrowRuns)
{
    // A codeword's first bar and space (the widest pair of its 17 modules
    // is 6 + 6 only in the rarest; most pairs are far narrower).
    float const narrow[8] = {1, 1, 2, 3, 1, 4, 2, 3};
    float const wide[8] = {8, 1, 1, 1, 1, 1, 1, 3};
    EXPECT_FALSE(PDFRowReader::MayBeEdgePattern(narrow, 17.0f));
    EXPECT_TRUE(PDFRowReader::MayBeEdgePattern(wide, 17.0f));
}

}  // namespace
