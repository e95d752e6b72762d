// Data Matrix labels on a ground full of chance corners: a field of random
// modules around the label, and above it rows of fake symbols (a solid L
// with timing sides and random data, no quiet zone) that the locator sights
// first and whose reading fails. The sightings without a quiet side are put
// off until after the sweep, the L list starts afresh when those fill it, and
// a corner already tried is not handed on again: the label's own L is read.
// Each case stayed unread while the chance corners spent the stage's tries
// and filled its list.

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "tests/decoder/matrix/handle_harness.h"
#include "tests/support/frame.h"
#include "tests/support/symbol_renderer.h"

namespace data_matrix_noisy_ground_test {
namespace {

struct Ground {
    int module;      // pixels a module of the field
    int fakeRows;    // rows of fake symbols across the top (0: none)
    int fakeSide;    // their side in modules
    uint64_t seed;
};

// Random modules over the whole frame, fake symbols over the top rows.
support::Frame MakeGround(Ground const& g)
{
    support::Frame frame = support::makeFrame();
    int const cols = (frame.width + g.module - 1) / g.module;
    int const rows = (frame.height + g.module - 1) / g.module;
    std::vector<char> field(static_cast<size_t>(cols) * static_cast<size_t>(rows));
    uint64_t s = g.seed;
    for (char& m : field) {
        s = s * 6364136223846793005ull + 1442695040888963407ull;
        m = static_cast<char>((s >> 33) & 1u);
    }
    auto set = [&](int x, int y, bool dark) {
        if (x >= 0 && y >= 0 && x < cols && y < rows) {
            field[static_cast<size_t>(y) * static_cast<size_t>(cols) + static_cast<size_t>(x)] = dark ? 1 : 0;
        }
    };
    int const n = g.fakeSide;
    for (int r = 0; r < g.fakeRows; ++r) {
        for (int left = 1; left + n < cols; left += n + 3) {
            int const top = 1 + r * (n + 3);
            for (int k = 0; k < n; ++k) {
                set(left, top + k, true);                // solid leg
                set(left + k, top + n - 1, true);        // solid leg
                set(left + k, top, k % 2 == 0);          // timing side
                set(left + n - 1, top + k, k % 2 == 1);  // timing side
            }
        }
    }
    for (int y = 0; y < frame.height; ++y) {
        for (int x = 0; x < frame.width; ++x) {
            bool const dark = field[static_cast<size_t>(y / g.module) * static_cast<size_t>(cols) +
                                    static_cast<size_t>(x / g.module)] != 0;
            frame.at(x, y) = dark ? 150 : 800;
        }
    }
    return frame;
}

TEST(DataMatrixNoisyGroundTest, LabelOnAGroundOfChanceCornersIsRead)
{
    struct Case {
        Ground ground;
        int size;  // zint's size option
        double moduleSize;
        double angle;
        support::Point centre;
    };
    Case const cases[] = {
        {{4, 0, 0, 1}, 8, 3.0, 0.0, {540.0, 390.0}},
        {{3, 3, 12, 3}, 8, 3.0, 0.0, {540.0, 390.0}},
        {{4, 3, 16, 4}, 8, 3.0, 0.0, {540.0, 390.0}},
    };
    std::string const data = "Noisy ground 42";
    for (Case const& c : cases) {
        SCOPED_TRACE("field module " + std::to_string(c.ground.module) + ", fake rows " +
                     std::to_string(c.ground.fakeRows) + ", seed " + std::to_string(c.ground.seed));
        matrix_test::HandleHarness harness;
        ASSERT_TRUE(harness.IsReady());
        support::Frame frame = MakeGround(c.ground);
        support::RenderedSymbol const symbol =
            support::drawSymbol(frame, {.symbology = BARCODE_DATAMATRIX, .data = data, .option2 = c.size},
                                {.moduleSize = c.moduleSize, .angle = c.angle, .centre = c.centre, .quietZone = 4.0});
        ASSERT_TRUE(symbol.ok) << symbol.error;
        std::vector<matrix_test::HandleLabel> const& labels = harness.Read(frame);
        EXPECT_EQ(labels.size(), 1u);
        EXPECT_TRUE(!labels.empty() && labels[0].data == data);
    }
}

}  // namespace
}  // namespace data_matrix_noisy_ground_test
