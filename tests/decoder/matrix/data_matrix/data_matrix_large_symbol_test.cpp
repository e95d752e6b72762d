// Large Data Matrix symbols that fill most of the frame, as a camera held
// close sees them: a quiet zone of a few modules, far narrower than a tenth
// of the symbol's side, and beyond it a grey ground with dark strokes on it
// (print, edges of other things). Read through DEC2D_Main.

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "tests/decoder/matrix/handle_harness.h"
#include "tests/support/symbol_renderer.h"

namespace data_matrix_large_symbol_test {
namespace {

using Label = matrix_test::HandleLabel;
using Harness = matrix_test::HandleHarness;

std::string TextOf(unsigned length)
{
    static char const kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789 -./";
    std::string s;
    for (unsigned i = 0; i < length; ++i) {
        s += kAlphabet[(i * 29 + i / 7) % (sizeof kAlphabet - 1)];
    }
    return s;
}

struct Scene {
    char const* name;
    int size;  // zint's size option: 21 104 x 104, 22 120 x 120, 24 144 x 144
    unsigned length;
    double moduleSize;
    double angle;
    int ground;        // grey of the ground beyond the label
    double strokeOut;  // modules out from the symbol to the ground's dark strokes; 0: none
};

// The frame: the ground, the symbol with a quiet zone of two modules, a dark
// stroke two modules wide running along each side out on the ground, then
// blur and noise as a camera adds them.
support::Rendering Draw(Scene const& s, std::string const& data)
{
    support::RenderOptions options{.background = s.ground,
                                   .moduleSize = s.moduleSize,
                                   .angle = s.angle,
                                   .quietZone = 2.0,
                                   .blur = 0.4,
                                   .noise = 8.0,
                                   .seed = 5};
    support::Rendering r;
    r.frame = support::makeFrame(support::kFrameWidth, support::kFrameHeight, s.ground);
    r.symbol = support::drawSymbol(
        r.frame, {.symbology = BARCODE_DATAMATRIX, .data = data, .option2 = s.size}, options);
    if (!r.symbol.ok) {
        return r;
    }
    if (s.strokeOut > 0) {
        double const w = r.symbol.widthModules;
        double const h = r.symbol.heightModules;
        for (int y = 0; y < r.frame.height; ++y) {
            for (int x = 0; x < r.frame.width; ++x) {
                support::Point const m = r.symbol.toModule({x + 0.5, y + 0.5});
                double const out = std::fmax(std::fmax(-m.x, m.x - w), std::fmax(-m.y, m.y - h));
                if (out >= s.strokeOut && out < s.strokeOut + 2) {
                    r.frame.at(x, y) = 150;
                }
            }
        }
    }
    support::finishFrame(r.frame, options);
    return r;
}

// The outline's edge scans start a tenth of a side out, beyond the quiet
// zone on the ground: where the ground is darker than the threshold every
// scan of a side is given up and no outline is fitted; where it passes the
// threshold only just, a scan meets a stroke there before the symbol. They
// start nearer the side, within the quiet zone.
TEST(DataMatrixLargeSymbolTest, SymbolsFillingTheFrameOnAGroundWithStrokesRead)
{
    Scene const scenes[] = {
        {"144x144 on a dark ground", 24, 1000, 3.0, 0.0, 380, 0.0},
        {"144x144 turned, a ground just lighter than the threshold", 24, 1000, 2.9, 8.0, 540, 8.0},
        {"120x120 on a dark ground with strokes", 22, 700, 3.4, 180.0, 420, 5.0},
        {"104x104 on a dark ground", 21, 540, 3.8, 90.0, 450, 0.0},
    };
    Harness harness;
    ASSERT_TRUE(harness.IsReady());
    for (Scene const& s : scenes) {
        SCOPED_TRACE(s.name);
        std::string const data = TextOf(s.length);
        support::Rendering const r = Draw(s, data);
        ASSERT_TRUE(r.symbol.ok) << r.symbol.error;
        std::vector<Label> const& labels = harness.Read(r.frame);
        EXPECT_EQ(labels.size(), 1u);
        EXPECT_TRUE(!labels.empty() && labels[0].data == data);
    }
}

}  // namespace
}  // namespace data_matrix_large_symbol_test
