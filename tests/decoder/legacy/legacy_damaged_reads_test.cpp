// MaxiCode and Han Xin frames that lose part of what a reader leans on, read
// through the process's decoder handle as the application reads them: small
// raster MaxiCode (hexagons as dots, thin rings), Han Xin with whole corner
// regions gone, pushed over the frame's edge, or light on dark. Each frame
// gives its one label or, where the damage is past correction, none; never
// another.
#include <gtest/gtest.h>

#include <zint.h>

#include <string>
#include <vector>

#include "config/common_property_reference.h"
#include "config/key_tree.h"
#include "decoder/core/dec2d_entry.h"
#include "decoder/core/property/dec2d_property.h"
#include "tests/support/symbol_renderer.h"

namespace {

std::vector<std::string> g_labels;

auto& Root() { return ivra_configuration::CommonPropertyReference::RootHandle(); }

std::vector<std::string> const& Decode(support::Frame const& frame)
{
    static DEC2DIvra::DEC2DProperty property;
    DEC2D_SetDec2DProperty(&property);
    Root().read.maxi_code.Set(true);
    Root().read.chinese_sensible_code.Set(true);
    DEC2D_HANDLE const handle = DEC2D_GetSingletonDecoderHandle();
    g_labels.clear();
    if (handle == nullptr) {
        ADD_FAILURE() << "no decoder handle";
        return g_labels;
    }
    DEC2D_ImplementFormatter(handle, nullptr, nullptr, nullptr, [](void*, tagDecodedLabel const* label) {
        g_labels.emplace_back(label->data, label->length);
        return true;
    });
    DEC2D_OnTriggerDown(handle);
    DEC2D_Main(handle, frame.width, frame.height, frame.width, frame.pixels.data(), nullptr);
    Root().read.maxi_code.Set(false);
    Root().read.chinese_sensible_code.Set(false);
    return g_labels;
}

// zint's own raster of a MaxiCode symbol at `scale`, centred on white, as a
// printer at that resolution draws it.
support::Frame ZintRaster(std::string const& data, int mode, float scale)
{
    support::Frame frame = support::makeFrame(support::kFrameWidth, support::kFrameHeight, 1000);
    zint_symbol* symbol = ZBarcode_Create();
    symbol->symbology = BARCODE_MAXICODE;
    symbol->option_1 = mode;
    symbol->scale = scale;
    symbol->output_options = BARCODE_QUIET_ZONES;
    if (ZBarcode_Encode_and_Buffer(symbol, reinterpret_cast<unsigned char const*>(data.data()),
                                   static_cast<int>(data.size()), 0) < ZINT_ERROR) {
        int const x0 = (frame.width - symbol->bitmap_width) / 2;
        int const y0 = (frame.height - symbol->bitmap_height) / 2;
        for (int y = 0; y < symbol->bitmap_height; ++y) {
            for (int x = 0; x < symbol->bitmap_width; ++x) {
                unsigned char const* rgb = symbol->bitmap + 3 * (y * symbol->bitmap_width + x);
                frame.at(x0 + x, y0 + y) = rgb[0] < 128 ? 60 : 1000;
            }
        }
    } else {
        ADD_FAILURE() << symbol->errtxt;
    }
    ZBarcode_Delete(symbol);
    return frame;
}

TEST(LegacyDamagedReadsTest, SmallRasterMaxiCodeIsRead)
{
    // About five pixels a module: the hexagons are dots, the rings 1.5 pixels.
    struct Case {
        std::string data;
        int mode;
    } const cases[] = {
        {"MAXICODE AT HALF SCALE 1", 4},
        {"Lower case and 0123456789 digits", 4},
        {"ENHANCED ERROR CORRECTION", 5},
        {"READER PROGRAMMING 42", 6},
    };
    for (Case const& c : cases) {
        SCOPED_TRACE(c.data);
        auto const& labels = Decode(ZintRaster(c.data, c.mode, 0.5f));
        ASSERT_EQ(labels.size(), 1u);
        EXPECT_EQ(labels[0], c.data);
    }
}

support::Rendering HanXin(std::string const& data, int version, support::RenderOptions const& options)
{
    support::SymbolInput input;
    input.symbology = BARCODE_HANXIN;
    input.data = data;
    input.option1 = 2;
    input.option2 = version;
    input.inputMode = UNICODE_MODE;
    return support::render(input, options);
}

// Paints the whole 9 x 9 corner regions (finder, separator and the function
// information beside it) of the given corners light.
void HideCorners(support::Rendering& r, std::vector<int> const& corners)
{
    double const size = r.symbol.columns;
    for (int y = 0; y < r.frame.height; ++y) {
        for (int x = 0; x < r.frame.width; ++x) {
            support::Point const p = r.symbol.toModule({x + 0.5, y + 0.5});
            for (int corner : corners) {
                double const u = corner == 1 || corner == 2 ? size - p.x : p.x;
                double const v = corner >= 2 ? size - p.y : p.y;
                if (u > -1 && u < 9 && v > -1 && v < 9) {
                    r.frame.at(x, y) = 900;
                }
            }
        }
    }
}

TEST(LegacyDamagedReadsTest, HanXinWithTwoOrThreeCornerRegionsGoneIsRead)
{
    struct Case {
        char const* name;
        std::vector<int> hidden;  // 0 top left, clockwise
        int version;
        double angle;
    } const cases[] = {
        {"left pair in view", {1, 2}, 3, 0},
        {"right pair in view", {0, 3}, 3, 30},
        {"left pair, larger", {1, 2}, 10, 0},
        {"right pair, larger", {0, 3}, 10, 30},
        {"diagonal pair in view", {1, 3}, 3, 0},
        {"one corner in view", {1, 2, 3}, 3, 0},
        // Neither corner left holds the version: nothing to read.
        {"other diagonal in view", {0, 2}, 3, 0},
    };
    for (Case const& c : cases) {
        SCOPED_TRACE(c.name);
        std::string const text = "GONE " + std::to_string(c.hidden.size()) + std::to_string(c.hidden[0]) + " V" + std::to_string(c.version);
        support::RenderOptions options;
        options.moduleSize = 4;
        options.angle = c.angle;
        support::Rendering r = HanXin(text, c.version, options);
        ASSERT_TRUE(r.symbol.ok) << r.symbol.error;
        HideCorners(r, c.hidden);
        auto const& labels = Decode(r.frame);
        bool const readable = c.hidden != std::vector<int>{0, 2};
        ASSERT_EQ(labels.size(), readable ? 1u : 0u);
        if (readable) {
            EXPECT_EQ(labels[0], text);
        }
    }
}

TEST(LegacyDamagedReadsTest, HanXinCutByTheFrameEdgeIsReadWhileCorrectionTakesIt)
{
    for (int cut : {1, 3, 5, 8, 11, 14, 18}) {
        SCOPED_TRACE(cut);
        std::string const text = "EDGE " + std::to_string(cut);
        support::RenderOptions options;
        options.moduleSize = 6;
        options.quietZone = 0;
        // Version 10 at 6 pixels a module is 246 pixels across.
        options.centre = support::Point{support::kFrameWidth - 123.0 + cut, 240.0};
        support::SymbolInput input;
        input.symbology = BARCODE_HANXIN;
        input.data = text;
        input.option1 = 4;
        input.option2 = 10;
        support::Rendering r = support::render(input, options);
        ASSERT_TRUE(r.symbol.ok) << r.symbol.error;
        auto const& labels = Decode(r.frame);
        ASSERT_EQ(labels.size(), 1u);
        EXPECT_EQ(labels[0], text);
    }
}

TEST(LegacyDamagedReadsTest, LightOnDarkHanXinIsRead)
{
    // On a dark label in a light scene, the label's edge close by.
    for (double angle : {0.0, 25.0}) {
        support::RenderOptions options;
        options.moduleSize = 4;
        options.angle = angle;
        options.inverted = true;
        options.quietZone = 1;
        options.background = 900;
        support::Rendering r = HanXin("LIGHT ON DARK", 4, options);
        ASSERT_TRUE(r.symbol.ok) << r.symbol.error;
        auto const& labels = Decode(r.frame);
        ASSERT_EQ(labels.size(), 1u) << angle;
        EXPECT_EQ(labels[0], "LIGHT ON DARK");
    }
}

}  // namespace
