// The Han Xin reader on rendered frames: finders, corner numbering, function
// information, module grid and message, driven line by line as the engine's
// driver does.
#include <gtest/gtest.h>

#include "config/common_property_reference.h"
#include "config/key_tree.h"
#include "decoder/core/dec2d_entry.h"
#include "decoder/core/property/dec2d_property.h"
#include "decoder/legacy/han_xin/han_xin_image.h"
#include "decoder/legacy/han_xin/han_xin_reader.h"
#include "decoder/legacy/engine/legacy_reader_entries.h"
#include "tests/decoder/legacy/han_xin/han_xin_test_symbol.h"
#include "tests/support/symbol_renderer.h"

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

namespace {

void EnableHanXin(bool on)
{
    static DEC2DIvra::DEC2DProperty property;
    DEC2D_SetDec2DProperty(&property);
    ivra_configuration::CommonPropertyReference::RootHandle().read.chinese_sensible_code.Set(on);
}

// Scans rows two pixels apart, as the driver's Han Xin loop does, and reads
// the symbol of the first finder that leads to one.
struct FrameRead {
    int result = 129;
    std::string text;
    HanXinLabel const* label = nullptr;
};

FrameRead ReadFrame(support::Frame const& frame)
{
    hanxin_test::UseFrame(frame.pixels.data(), frame.width, frame.height);
    reset_china01();
    FrameRead read;
    for (int y = 1; y < frame.height; y += 2) {
        reset_china02();
        if (hanxin_test::SearchRow(y, frame.width) == 0 && decode_china() == 53) {
            read.result = 53;
            read.label = &GetHanXinLabel();
            read.text.assign(reinterpret_cast<char const*>(read.label->data), static_cast<size_t>(read.label->count));
            return read;
        }
    }
    return read;
}

// Text that fills a good part of a symbol of the version.
std::string Filler(int version)
{
    std::string text;
    while (text.size() < static_cast<size_t>(8 + version * version / 4)) {
        text += "Han Xin Code 2D symbol, read at any angle: 0123456789. ";
    }
    text.resize(static_cast<size_t>(8 + version * version / 4));
    return text;
}

support::Rendering Render(std::string const& data, int version, int level, support::RenderOptions options)
{
    support::SymbolInput input;
    input.symbology = BARCODE_HANXIN;
    input.data = data;
    input.option1 = level;
    input.option2 = version;
    input.inputMode = UNICODE_MODE;
    return support::render(input, options);
}

TEST(HanXinReaderTest, ReadsRenderedSymbolsAtAnyAngleAndUnderTheCommonConditions)
{
    EnableHanXin(true);
    struct Case {
        int version;
        int level;
        double module;
        double angle;
        char const* condition;
    };
    Case const cases[] = {
        {1, 1, 4.0, 0, ""},          {3, 2, 3.5, 15, ""},       {4, 3, 3.0, 30, ""},
        {10, 4, 2.6, 45, ""},        {20, 2, 2.2, 60, ""},      {1, 4, 5.0, 90, ""},
        {4, 1, 3.0, 135, ""},        {10, 2, 2.5, 200, ""},     {20, 3, 2.2, 290, ""},
        {40, 1, 2.0, 0, ""},         {5, 2, 3.0, 20, "light on dark"}, {8, 3, 3.0, 75, "blurred"},
        {8, 1, 3.0, 160, "noisy"},   {6, 2, 3.0, 250, "low contrast"}, {12, 2, 2.5, 10, "perspective"},
    };
    for (Case const& c : cases) {
        std::string data = "V" + std::to_string(c.version) + " \xe5\x95\x8a";
        if (c.version >= 10) {
            data += " Han Xin Code 0123456789";
        }
        support::RenderOptions options;
        options.moduleSize = c.module;
        options.angle = c.angle;
        std::string const condition = c.condition;
        options.inverted = condition == "light on dark";
        options.blur = condition == "blurred" ? 0.4 * c.module : 0;
        options.noise = condition == "noisy" ? 40 : 0;
        options.dark = condition == "low contrast" ? 400 : options.dark;
        options.light = condition == "low contrast" ? 600 : options.light;
        options.perspectiveX = condition == "perspective" ? 0.25 : 0;
        options.perspectiveY = condition == "perspective" ? -0.15 : 0;
        support::Rendering const r = Render(data, c.version, c.level, options);
        ASSERT_TRUE(r.symbol.ok) << r.symbol.error;
        FrameRead const read = ReadFrame(r.frame);
        ASSERT_EQ(read.result, 53) << "version " << c.version << " angle " << c.angle << " " << condition;
        EXPECT_EQ(read.text, hanxin_test::Gb18030(data));
        EXPECT_EQ(read.label->info.version, c.version);
        EXPECT_STREQ(CHINA_aim_id, "]X0");
        // The corners lie on the rendered symbol's, first the symbol's top left.
        for (int i = 0; i < 4; ++i) {
            EXPECT_NEAR(CHINA_decoded_area_x[i], r.symbol.corners[static_cast<size_t>(i)].x, 2.5) << i;
            EXPECT_NEAR(CHINA_decoded_area_y[i], r.symbol.corners[static_cast<size_t>(i)].y, 2.5) << i;
        }
    }
}

// Blur of half a module fades single modules past correction unless they
// are sharpened against their neighbours. Blur also shrinks the finders'
// blocks, and with them the module size: a large symbol's finders then seem
// several versions further apart than they are.
TEST(HanXinReaderTest, ReadsHeavilyBlurredSymbols)
{
    EnableHanXin(true);
    std::string const text = "Han Xin Code 2D symbol, read at any angle: 0123456789. Han Xin Code 2D symbol.";
    struct Case {
        int version;
        double module;
        double angle;
        double blur;  // modules
    };
    for (Case const c : {Case{10, 2.0, 30, 0.5}, Case{40, 3.0, 120, 0.5}, Case{66, 2.8, 270, 0.35}}) {
        support::RenderOptions options;
        options.moduleSize = c.module;
        options.angle = c.angle;
        options.blur = c.blur * c.module;
        std::string const data = text.substr(0, static_cast<size_t>(8 + c.version * c.version / 4));
        support::Rendering const r = Render(data, c.version, 3, options);
        ASSERT_TRUE(r.symbol.ok) << r.symbol.error;
        FrameRead const read = ReadFrame(r.frame);
        EXPECT_EQ(read.result, 53) << "version " << c.version;
        EXPECT_EQ(read.text, data) << "version " << c.version;
    }
}

TEST(HanXinReaderTest, ReadsWithAFinderHiddenAndTwoSymbolsInOneFrame)
{
    EnableHanXin(true);
    // The bottom-right finder painted over: three finders place the symbol.
    support::RenderOptions options;
    options.angle = 25;
    support::Rendering hidden = Render("THREE FINDERS", 5, 2, options);
    ASSERT_TRUE(hidden.symbol.ok);
    double const size = hidden.symbol.columns;
    for (int y = 0; y < hidden.frame.height; ++y) {
        for (int x = 0; x < hidden.frame.width; ++x) {
            support::Point const m = hidden.symbol.toModule({x + 0.5, y + 0.5});
            if (m.x > size - 8.5 && m.x < size + 1 && m.y > size - 8.5 && m.y < size + 1) {
                hidden.frame.at(x, y) = 900;
            }
        }
    }
    FrameRead const read = ReadFrame(hidden.frame);
    ASSERT_EQ(read.result, 53);
    EXPECT_EQ(read.text, "THREE FINDERS");

    // Two symbols side by side: each is read once, the second after the first
    // symbol's area is set aside.
    support::Frame frame = support::makeFrame();
    support::SymbolInput input;
    input.symbology = BARCODE_HANXIN;
    input.option2 = 3;
    support::RenderOptions left;
    left.moduleSize = 3;
    left.centre = support::Point{160, 240};
    left.angle = 10;
    input.data = "LEFT";
    ASSERT_TRUE(support::drawSymbol(frame, input, left).ok);
    support::RenderOptions right = left;
    right.centre = support::Point{480, 240};
    right.angle = 300;
    input.data = "RIGHT";
    ASSERT_TRUE(support::drawSymbol(frame, input, right).ok);
    hanxin_test::UseFrame(frame.pixels.data(), frame.width, frame.height);
    reset_china01();
    std::vector<std::string> texts;
    for (int y = 1; y < frame.height; y += 2) {
        reset_china02();
        if (hanxin_test::SearchRow(y, frame.width) == 0 && decode_china() == 53) {
            texts.emplace_back(reinterpret_cast<char const*>(GetHanXinLabel().data),
                               static_cast<size_t>(GetHanXinLabel().count));
        }
    }
    std::sort(texts.begin(), texts.end());
    EXPECT_EQ(texts, (std::vector<std::string>{"LEFT", "RIGHT"}));
}

// Under perspective the far finders of a symbol of two-pixel modules are
// narrower than a finder sought across the whole frame may be; beside a
// finder found they are still taken.
TEST(HanXinReaderTest, ReadsUnderPerspectiveWhenTheFarFindersAreSmall)
{
    EnableHanXin(true);
    struct Case {
        int version;
        double angle;
    };
    for (Case const c : {Case{20, 15}, Case{40, 330}, Case{60, 270}}) {
        std::string const text = Filler(c.version);
        support::RenderOptions options;
        options.moduleSize = 2.0;
        options.angle = c.angle;
        options.perspectiveX = 0.2;
        options.perspectiveY = 0.1;
        support::Rendering const r = Render(text, c.version, 1 + c.version % 4, options);
        ASSERT_TRUE(r.symbol.ok) << r.symbol.error;
        FrameRead const read = ReadFrame(r.frame);
        EXPECT_EQ(read.result, 53) << "version " << c.version << " angle " << c.angle;
        EXPECT_EQ(read.text, text) << "version " << c.version << " angle " << c.angle;
    }
}

// A label warped in its middle: the finders at the corners stay where a
// flat symbol has them, the modules between drift by more than a module.
// The alignment lattice, searched point by point, follows them.
TEST(HanXinReaderTest, ReadsAWarpedLabelOnItsAlignmentLattice)
{
    EnableHanXin(true);
    struct Case {
        int version;
        double angle;
        double bulge;  // drift (modules) at the symbol's middle
    };
    for (Case const c : {Case{30, 0, 1.5}, Case{50, 35, 1.5}}) {
        std::string const text = Filler(c.version);
        support::RenderOptions options;
        options.moduleSize = 2.5;
        options.angle = c.angle;
        support::Rendering const r = Render(text, c.version, 1 + c.version % 4, options);
        ASSERT_TRUE(r.symbol.ok) << r.symbol.error;
        // Each pixel shows what lay a bulge away along the frame's diagonal,
        // the most at the symbol's middle, nothing at its edges.
        support::Frame bulged = r.frame;
        double const size = r.symbol.columns;
        for (int y = 0; y < bulged.height; ++y) {
            for (int x = 0; x < bulged.width; ++x) {
                support::Point const m = r.symbol.toModule({x + 0.5, y + 0.5});
                if (m.x <= 0 || m.y <= 0 || m.x >= size || m.y >= size) {
                    continue;
                }
                double const shift = std::sin(3.14159265358979 * m.x / size) *
                                     std::sin(3.14159265358979 * m.y / size) * c.bulge * options.moduleSize /
                                     std::sqrt(2.0);
                int const sx = static_cast<int>(std::lround(x + shift));
                int const sy = static_cast<int>(std::lround(y + shift));
                bulged.at(x, y) = r.frame.at(std::clamp(sx, 0, bulged.width - 1), std::clamp(sy, 0, bulged.height - 1));
            }
        }
        FrameRead const read = ReadFrame(bulged);
        EXPECT_EQ(read.result, 53) << "version " << c.version;
        EXPECT_EQ(read.text, text) << "version " << c.version;
    }
}

// Finder patterns painted over (the function information beside them left
// as printed): one or two finders seen must still place the symbol; over the
// larger symbols the alignment lattice, searched out from those finders,
// carries the far corners.
TEST(HanXinReaderTest, ReadsWithOnlyOneOrTwoFindersSeen)
{
    EnableHanXin(true);
    struct Case {
        int version;
        std::vector<int> hidden;  // corners painted over: 0 top left, clockwise
        double angle;
    };
    Case const cases[] = {
        {3, {1, 2, 3}, 30},   // one finder: the top left
        {5, {0, 1, 3}, 200},  // one finder: the bottom right
        {5, {1, 2}, 20},      // the left side's two
        {7, {0, 2}, 120},     // one diagonal
        {24, {2, 3}, 10},     // the top two
        {30, {0, 3}, 300},    // the right two
    };
    for (Case const& c : cases) {
        std::string const text = "HIDDEN V" + std::to_string(c.version);
        support::RenderOptions options;
        options.angle = c.angle;
        options.moduleSize = 3;
        support::Rendering r = Render(text, c.version, 2, options);
        ASSERT_TRUE(r.symbol.ok) << r.symbol.error;
        double const size = r.symbol.columns;
        for (int y = 0; y < r.frame.height; ++y) {
            for (int x = 0; x < r.frame.width; ++x) {
                support::Point const p = r.symbol.toModule({x + 0.5, y + 0.5});
                for (int corner : c.hidden) {
                    bool const right = corner == 1 || corner == 2;
                    bool const bottom = corner >= 2;
                    double const u = right ? size - p.x : p.x;
                    double const v = bottom ? size - p.y : p.y;
                    if (u > -1 && u < 7.5 && v > -1 && v < 7.5) {
                        r.frame.at(x, y) = 900;
                    }
                }
            }
        }
        FrameRead const read = ReadFrame(r.frame);
        EXPECT_EQ(read.result, 53) << "version " << c.version << " angle " << c.angle;
        if (read.result != 53) {
            continue;
        }
        EXPECT_EQ(read.text, text);
        for (int i = 0; i < 4; ++i) {
            EXPECT_NEAR(CHINA_decoded_area_x[i], r.symbol.corners[static_cast<size_t>(i)].x, 3.0) << i;
            EXPECT_NEAR(CHINA_decoded_area_y[i], r.symbol.corners[static_cast<size_t>(i)].y, 3.0) << i;
        }
    }
}

TEST(HanXinReaderTest, NothingIsReadWhenHanXinIsOffOrAbsent)
{
    EnableHanXin(false);
    support::Rendering const r = Render("OFF", 3, 2, {});
    EXPECT_EQ(ReadFrame(r.frame).result, 129);
    EnableHanXin(true);
    support::SymbolInput qr;
    qr.symbology = BARCODE_QRCODE;
    qr.data = "NOT HAN XIN";
    EXPECT_EQ(ReadFrame(support::render(qr, {}).frame).result, 129);
    EXPECT_EQ(ReadFrame(support::makeFrame()).result, 129);
}

}  // namespace
