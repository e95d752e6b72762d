// Data Matrix symbols in scenes as a camera sees them, read through
// DEC2D_Main: large symbols filling most of the frame, whose quiet zone of a
// few modules is far narrower than a tenth of their side, with a grey ground
// beyond it bearing dark strokes (print, edges of other things); pale
// symbols on a label lying on a ground darker than their modules.

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include "config/configuration_manager.h"
#include "decoder/core/decoded_label.h"
#include "decoder/core/property/dec2d_property.h"
#include "decoder/core/work_area_layout.h"
#include "decoder/matrix/data_matrix/data_matrix_decoder.h"
#include "tests/decoder/matrix/handle_harness.h"
#include "tests/support/symbol_renderer.h"

namespace data_matrix_scene_test {
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
    int clutter = 0;   // the side in pixels of the ground's light and dark blocks; 0: a plain ground
    double quietZone = 2.0;
};

// The frame: the ground, the symbol with a quiet zone of a few modules, a dark
// stroke two modules wide running along each side out on the ground, then
// blur and noise as a camera adds them.
support::Rendering Draw(Scene const& s, std::string const& data)
{
    support::RenderOptions options{.background = s.ground,
                                   .moduleSize = s.moduleSize,
                                   .angle = s.angle,
                                   .quietZone = s.quietZone,
                                   .blur = 0.4,
                                   .noise = 8.0,
                                   .seed = 5};
    support::Rendering r;
    r.frame = support::makeFrame(support::kFrameWidth, support::kFrameHeight, s.ground);
    for (int y = 0; s.clutter > 0 && y < r.frame.height; ++y) {
        for (int x = 0; x < r.frame.width; ++x) {
            r.frame.at(x, y) = (x / s.clutter * 7 + y / s.clutter * 3) % 5 < 2 ? 250 : 950;
        }
    }
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
// threshold only just, a scan meets a stroke there before the symbol; on a
// cluttered ground a few pixels beyond, the scans of a pass that start
// nearer meet the clutter. They start nearer the side, within the quiet
// zone.
TEST(DataMatrixLargeSymbolTest, SymbolsFillingTheFrameOnBusyGroundsRead)
{
    Scene const scenes[] = {
        {"144x144 on a dark ground", 24, 1000, 3.0, 0.0, 380, 0.0},
        {"144x144 turned, a ground just lighter than the threshold", 24, 1000, 2.9, 8.0, 540, 8.0},
        {"120x120 on a dark ground with strokes", 22, 700, 3.4, 180.0, 420, 5.0},
        {"104x104 on a dark ground", 21, 540, 3.8, 90.0, 450, 0.0},
        // Light blocks of the ground close beyond the quiet zone pass for
        // it, and their dark neighbours for the symbol's edge.
        {"144x144 turned, on a cluttered ground", 24, 1000, 2.7, 10.0, 0, 0.0, 5, 3.0},
        {"132x132 on a cluttered ground", 23, 900, 3.0, 355.0, 0, 0.0, 6, 3.0},
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

// A large symbol in strong perspective: its far corner lies well off the
// parallelogram its L spans, and the timing sides fitted again from that
// parallelogram's corner run off the symbol. The outline whose timing
// sides stay where the patch's hull put them reads.
TEST(DataMatrixPerspectiveTest, LargeSymbolsSeenAtASlantRead)
{
    struct Slanted {
        int size;  // zint's size option
        double moduleSize;
        double angle;
        double perspectiveX;
        double perspectiveY;
    };
    Slanted const cases[] = {
        {17, 3.2, 350.0, 0.2, 0.2},   {17, 3.2, 80.0, -0.3, 0.25},  {18, 2.8, 190.0, 0.25, -0.3},
        {16, 3.4, 265.0, 0.25, 0.15}, {16, 3.6, 135.0, 0.3, 0.0},   {17, 3.0, 300.0, 0.0, 0.3},
        {16, 3.4, 220.0, 0.2, -0.25}, {17, 3.2, 100.0, 0.3, 0.15},
    };
    Harness harness;
    ASSERT_TRUE(harness.IsReady());
    for (Slanted const& c : cases) {
        SCOPED_TRACE(std::to_string(c.size) + " at " + std::to_string(c.angle));
        std::string const data = TextOf(200);
        support::Rendering const r = support::render(
            {.symbology = BARCODE_DATAMATRIX, .data = data, .option2 = c.size},
            {.moduleSize = c.moduleSize, .angle = c.angle, .quietZone = 3.0, .perspectiveX = c.perspectiveX,
             .perspectiveY = c.perspectiveY, .blur = 0.6, .noise = 8.0, .seed = 7});
        ASSERT_TRUE(r.symbol.ok) << r.symbol.error;
        std::vector<Label> const& labels = harness.Read(r.frame);
        EXPECT_EQ(labels.size(), 1u);
        EXPECT_TRUE(!labels.empty() && labels[0].data == data);
    }
}

// Keystoned symbols of large modules on a plain ground. The timing sides
// fitted again from the far corner of the parallelogram the L spans run
// over the symbol, where a scan starts on a dark module: such a scan is
// dropped, not started again nearer the side (over the light modules
// inside). The outline whose timing sides the hull put, read last, is
// never said found: it may span the symbol's corner, and the sighting
// that reads the symbol would then not be tried.
TEST(DataMatrixPerspectiveTest, KeystonedSymbolsOfLargeModulesRead)
{
    struct Keystoned {
        int size;  // zint's size option
        char const* data;
        int angle;
    };
    Keystoned const cases[] = {
        {28, "ABCDEF123456", 75}, {28, "ABCDEF123456", 165}, {28, "ABCDEF123456", 255},
        {28, "ABCDEF123456", 345}, {4, "hello world ab", 30},
    };
    Harness harness;
    ASSERT_TRUE(harness.IsReady());
    // Both polarities: the light label read as a light-on-dark symbol's
    // patch gives the outline that spans the symbol's corner.
    harness.Settings().readable_medium.positive_and_negative_codes.data_matrix.Set(
        ivra_configuration::configuration::readable_medium::positive_and_negative_codes::data_matrix::Enum(2));
    for (Keystoned const& c : cases) {
        SCOPED_TRACE(std::string(c.data) + " at " + std::to_string(c.angle));
        support::Rendering const r = support::render(
            {.symbology = BARCODE_DATAMATRIX, .data = c.data, .option2 = c.size},
            {.moduleSize = 4.5, .angle = static_cast<double>(c.angle), .perspectiveX = 0.2, .perspectiveY = 0.1,
             .seed = static_cast<uint64_t>(c.angle / 15 + 49)});
        ASSERT_TRUE(r.symbol.ok) << r.symbol.error;
        std::vector<Label> const& labels = harness.Read(r.frame);
        EXPECT_EQ(labels.size(), 1u);
        EXPECT_TRUE(!labels.empty() && labels[0].data == c.data);
    }
}

// A pale symbol (grey modules on a white label) lying on a chessboard,
// sighted by its own L: the black squares within reach of the L's corner
// set the fill's threshold below the symbol's grey, and nothing near the
// corner is dark enough to fill from, or only a speck. The patch is filled
// again at the grey of the L's own legs. The decoder is given the L as the
// locator hands it.
TEST(DataMatrixPaleSymbolTest, SymbolOnALabelOnAChessboardReadsFromItsL)
{
    struct Pale {
        int size;  // zint's size option
        double angle;
        int ink;
        double noise = 10.0;
    };
    // In the last the noise takes a few pixels of the legs below the
    // threshold: the fill finds a speck there.
    Pale const cases[] = {{0, 59.0, 520}, {0, 200.0, 560}, {5, 15.0, 540}, {5, 300.0, 370, 30.0}};
    std::string const data = "DM scene 0123456789";
    std::vector<unsigned char> work(DEC2DIvra::WorkAreaLayout::kDataMatrix.GetSize());
    ivra_configuration::ConfigurationManager manager;
    auto const property = std::make_unique<DEC2DIvra::DEC2DProperty>(manager.Root());
    auto const decoder = std::make_unique<DEC2DIvra::DataMatrixDecoder>(
        DEC2DIvra::VirtualArray<unsigned char>(work.data(), static_cast<unsigned>(work.size())), *property);
    auto const label = std::make_unique<DEC2DIvra::DecodedLabel>();
    for (Pale const& c : cases) {
        SCOPED_TRACE(std::to_string(c.angle));
        support::Frame frame = support::makeFrame();
        for (int y = 0; y < frame.height; ++y) {
            for (int x = 0; x < frame.width; ++x) {
                frame.at(x, y) = (x / 80 + y / 80) % 2 == 0 ? 60 : 880;
            }
        }
        support::RenderOptions const options{.moduleSize = 4.4,
                                             .angle = c.angle,
                                             .centre = support::Point{330, 250},
                                             .quietZone = 3.0,
                                             .dark = c.ink,
                                             .light = 860,
                                             .blur = 0.8,
                                             .noise = c.noise,
                                             .seed = 3};
        support::RenderedSymbol const symbol =
            support::drawSymbol(frame, {.symbology = BARCODE_DATAMATRIX, .data = data, .option2 = c.size}, options);
        ASSERT_TRUE(symbol.ok) << symbol.error;
        support::finishFrame(frame, options);
        // The L: its corner the symbol's bottom left, its legs half a module
        // in along the solid sides.
        double const rows = symbol.heightModules;
        double const columns = symbol.widthModules;
        auto at = [&](double mx, double my) {
            support::Point const p = symbol.toFrame({mx, my});
            return DEC2DIvra::Point{static_cast<int>(p.x), static_cast<int>(p.y)};
        };
        DEC2DIvra::Region l;
        l.corner[0] = at(0.5, 0.5);
        l.corner[3] = at(0.5, rows - 0.5);
        l.corner[2] = at(columns - 0.5, rows - 0.5);
        l.corner[1] = at(columns - 0.5, 0.5);
        DEC2DIvra::GrayImage const image(frame.width, frame.height, frame.width, frame.pixels.data());
        decoder->OnNewImage();
        label->Clear();
        ASSERT_EQ(decoder->Start(image, l, *label), 1);
        EXPECT_EQ(std::string(label->data.GetFirst(), label->data.GetCount()), data);
    }
}

}  // namespace
}  // namespace data_matrix_scene_test
