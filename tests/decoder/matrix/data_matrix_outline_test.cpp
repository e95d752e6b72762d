// The outline's fill of a symbol's patch: a patch that runs off two sides of
// the frame is given up, one against a single side is kept.

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "decoder/matrix/data_matrix_outline.h"
#include "tests/decoder/matrix/handle_harness.h"
#include "tests/support/symbol_renderer.h"

namespace data_matrix_outline_test {
namespace {

using DEC2DIvra::DataMatrixOutline;
using DEC2DIvra::GrayImage;
using DEC2DIvra::Point;
using DEC2DIvra::VirtualArray;

constexpr unsigned kMarks = 1280u * 1024u;
constexpr unsigned kStack = 1u << 18;

struct Outline {
    std::vector<unsigned char> marks = std::vector<unsigned char>(kMarks);
    std::vector<int> stack = std::vector<int>(kStack);
    std::unique_ptr<DataMatrixOutline> outline = std::make_unique<DataMatrixOutline>(
        VirtualArray<unsigned char>(marks.data(), kMarks), VirtualArray<int>(stack.data(), kStack));
};

void Paint(support::Frame& frame, int left, int top, int right, int bottom, int grey)
{
    for (int y = top; y <= bottom; ++y) {
        for (int x = left; x <= right; ++x) {
            frame.at(x, y) = static_cast<uint16_t>(grey);
        }
    }
}

struct Case {
    char const* name;
    std::function<void(support::Frame&)> draw;  // over a light ground
    Point corner;
    bool filled;
};

TEST(DataMatrixOutlineTest, PatchesRunningOffTheFrameAreGivenUp)
{
    Case const cases[] = {
        {"heavy noise over the whole frame",
         [](support::Frame& f) {
             Paint(f, 0, 0, f.width - 1, f.height - 1, 512);
             support::applyNoise(f, 60, 7);
         },
         Point{320, 240}, false},
        {"a dark band from the left side to the right",
         [](support::Frame& f) { Paint(f, 0, 200, f.width - 1, 260, 100); }, Point{320, 200}, false},
        {"a dark block in the frame's corner",
         [](support::Frame& f) { Paint(f, 0, 0, 120, 90, 100); }, Point{120, 90}, false},
        {"a dark block against the left side only",
         [](support::Frame& f) { Paint(f, 0, 200, 120, 290, 100); }, Point{120, 290}, true},
        {"a dark block inside the frame",
         [](support::Frame& f) { Paint(f, 200, 150, 320, 240, 100); }, Point{200, 240}, true},
    };
    Outline o;
    for (Case const& c : cases) {
        SCOPED_TRACE(c.name);
        support::Frame frame = support::makeFrame(640, 480, 900);
        c.draw(frame);
        GrayImage const image(frame.width, frame.height, frame.width, frame.pixels.data());
        EXPECT_EQ(o.outline->Fill(image, c.corner, 40, false), c.filled);
    }
}

// Through the product road: a frame of heavy noise gives no label, and a
// symbol in moderate noise beside a noisy ground still reads.
TEST(DataMatrixOutlineTest, HeavyNoiseGivesNoLabelAndSymbolsStillRead)
{
    matrix_test::HandleHarness harness;
    ASSERT_TRUE(harness.IsReady());
    support::Frame noise = support::makeFrame(640, 480, 512);
    support::applyNoise(noise, 60, 11);
    EXPECT_TRUE(harness.Read(noise).empty());
    std::string const data = "DATA MATRIX 2024 C40";
    support::Rendering const r = support::render({.symbology = BARCODE_DATAMATRIX, .data = data, .option2 = 6},
                                                 {.moduleSize = 3.0, .angle = 30.0, .noise = 25.0, .seed = 5});
    ASSERT_TRUE(r.symbol.ok) << r.symbol.error;
    std::vector<matrix_test::HandleLabel> const& labels = harness.Read(r.frame);
    ASSERT_EQ(labels.size(), 1u);
    EXPECT_EQ(labels[0].data, data);
}

}  // namespace
}  // namespace data_matrix_outline_test
