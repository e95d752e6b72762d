// GS1 composites through the decoder handle as the product wires it: two
// composites side by side (joined by the locator into one candidate), a
// linked linear part whose 2D part is gone, lone 2D components, and the
// component modes.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "tests/decoder/stacked/stacked_handle_harness.h"
#include "tests/support/symbol_renderer.h"

namespace {

namespace cfg = ivra_configuration;
using Mode = cfg::configuration::code::composite::component_mode::Enum;

struct Composite {
    int symbology;
    char const* primary;
    char const* component;
    char const* joined;  // the joined label's bytes
};

// Two of a kind with different data, so that each label tells whose it is.
struct Pair {
    char const* name;
    Composite left;
    Composite right;
};

Pair const kPairs[] = {
    {"GS1-128 + CC-A",
     {BARCODE_GS1_128_CC, "[01]03212345678906", "[10]LEFTLOT", "0103212345678906\x1c" "10LEFTLOT"},
     {BARCODE_GS1_128_CC, "[01]09501101530003", "[10]RIGHTLOT", "0109501101530003\x1c" "10RIGHTLOT"}},
    {"DataBar + CC-A",
     {BARCODE_DBAR_OMN_CC, "0950110153000", "[10]LEFTLOT", "0109501101530003\x1c" "10LEFTLOT"},
     {BARCODE_DBAR_OMN_CC, "1234567890123", "[10]RIGHTLOT", "0112345678901231\x1c" "10RIGHTLOT"}},
};

support::SymbolInput Input(Composite const& c)
{
    support::SymbolInput input;
    input.symbology = c.symbology;
    input.data = c.component;
    input.primary = c.primary;
    input.option1 = 1;  // CC-A
    input.inputMode = GS1_MODE;
    return input;
}

// The top of an upright composite's linear part: the first pixel row, from
// above its guard bars up, that differs from the rows below (the separator
// or the 2D part above it).
int LinearTop(support::Frame const& frame, support::RenderedSymbol const& symbol)
{
    int const x0 = static_cast<int>(symbol.corners[0].x) + 1;
    int const x1 = static_cast<int>(symbol.corners[1].x) - 1;
    int const bottom = static_cast<int>(symbol.corners[3].y) - 20;
    auto const same = [&](int y) {
        for (int x = x0; x < x1; ++x) {
            if ((frame.at(x, y) < 500) != (frame.at(x, bottom) < 500)) {
                return false;
            }
        }
        return true;
    };
    int y = bottom;
    while (y > static_cast<int>(symbol.corners[0].y) && same(y - 1)) {
        --y;
    }
    return y;
}

void Fill(support::Frame& frame, support::RenderedSymbol const& symbol, int y0, int y1)
{
    for (int y = std::max(y0, 0); y < std::min(y1, frame.height); ++y) {
        for (int x = static_cast<int>(symbol.corners[0].x) - 4; x < static_cast<int>(symbol.corners[1].x) + 4; ++x) {
            frame.at(x, y) = 900;
        }
    }
}

class CompositeRoad : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(harness.IsReady());
        harness.Settings().read.gs1_composite.Set(true);
        harness.Settings().read.composite_ean.Set(true);
        harness.Settings().read.micro_pdf417.Set(true);
    }

    // The two symbols `gap` pixels apart at 2 pixels a module; with
    // `eraseRight` the right one's 2D part is painted over with the label's
    // light grey (its linear part and linkage stay).
    static support::Frame SideBySide(Pair const& pair, int gap, bool eraseRight)
    {
        support::Frame frame = support::makeFrame(support::kFrameWidth, support::kFrameHeight, 900);
        support::RenderOptions options;
        options.moduleSize = 2.0;
        options.quietZone = 2.0;
        support::RenderedSymbol const probe = support::drawSymbol(frame, Input(pair.left), options);
        double const width = probe.corners[1].x - probe.corners[0].x;
        frame = support::makeFrame(support::kFrameWidth, support::kFrameHeight, 900);
        double const middle = support::kFrameWidth / 2.0;
        options.centre = support::Point{middle - gap / 2.0 - width / 2.0, support::kFrameHeight / 2.0};
        support::RenderedSymbol const left = support::drawSymbol(frame, Input(pair.left), options);
        options.centre = support::Point{middle + gap / 2.0 + width / 2.0, support::kFrameHeight / 2.0};
        support::RenderedSymbol const right = support::drawSymbol(frame, Input(pair.right), options);
        EXPECT_TRUE(left.ok && right.ok) << left.error << right.error;
        if (eraseRight) {
            // The 2D part stands above the separator over the linear part.
            Fill(frame, right, static_cast<int>(right.corners[0].y) - 4, LinearTop(frame, right) - 2);
        }
        return frame;
    }

    stacked_test::AllLabelsHarness harness;
};

// Each composite gives its joined label or none; a linked linear part never
// goes out alone, beside another label or not.
TEST_F(CompositeRoad, SideBySideCompositesGiveJoinedLabelsOrNone)
{
    unsigned read = 0;
    for (Pair const& pair : kPairs) {
        for (int gap : {16, 20, 26}) {
            for (bool erase : {false, true}) {
                SCOPED_TRACE(std::string(pair.name) + " gap " + std::to_string(gap) + (erase ? " erased" : ""));
                std::vector<stacked_test::HandleLabel> const labels = harness.Read(SideBySide(pair, gap, erase));
                for (stacked_test::HandleLabel const& l : labels) {
                    EXPECT_EQ(l.aim, "]e0") << l.data;
                    bool const isLeft = l.data == pair.left.joined;
                    bool const isRight = l.data == pair.right.joined && !erase;
                    EXPECT_TRUE(isLeft || isRight) << l.data;
                    read += isLeft ? 1u : 0u;
                    read += isRight ? 1u : 0u;
                }
            }
        }
    }
    // Most read whole (the left one is not always read: a test that reads
    // nothing proves nothing).
    EXPECT_GE(read, 12u);
}

// A 2D part met alone, its linear part gone: passed as its own ]e1 label
// only while the link flag is ignored (and not in the 1D-only mode); a
// whole composite in each component mode.
struct ModeCase {
    char const* name;
    support::SymbolInput input;
    bool alone;       // the linear part painted over
    bool ignoreLink;
    Mode mode;
    bool enabled;     // read/gs1_composite and read/composite_ean
    char const* aim;  // the first label expected, or none when null
    char const* data;
    bool more = false;  // further labels may follow (the 2D part read alone too)
};

support::SymbolInput Gs1128(int cc, char const* component)
{
    support::SymbolInput input;
    input.symbology = BARCODE_GS1_128_CC;
    input.primary = "[01]09501101530003";
    input.data = component;
    input.option1 = cc;
    input.inputMode = GS1_MODE;
    return input;
}

support::SymbolInput Ean13(int cc)
{
    support::SymbolInput input;
    input.symbology = BARCODE_EANX_CC;
    input.primary = "331234567890";
    input.data = "[99]1234-abcd";
    input.option1 = cc;
    input.inputMode = GS1_MODE;
    return input;
}

TEST_F(CompositeRoad, ComponentModesAndLoneComponentsGiveThePartsLabels)
{
    Mode const both = Mode::COMPONENT_1D_2D;
    Mode const only2D = Mode::COMPONENT_2D_ONLY;
    Mode const only1D = Mode::COMPONENT_1D_ONLY;
    std::string const lot = "0109501101530003\x1c" "10ABC123";
    ModeCase const cases[] = {
        {"CC-A alone", Gs1128(1, "[10]ABC123[21]1234567"), true, true, both, true, "]e1", "10ABC123\x1d" "211234567"},
        {"CC-B alone", Gs1128(2, "[10]ABC123"), true, true, both, true, "]e1", "10ABC123"},
        {"CC-C alone", Gs1128(3, "[99]1234-abcd[21]1234567890"), true, true, both, true, "]e1",
         "991234-abcd\x1d" "211234567890"},
        {"EAN-13 CC-A alone", Ean13(1), true, true, both, true, "]e1", "991234-abcd"},
        {"CC-A alone, link honoured", Gs1128(1, "[10]ABC123"), true, false, both, true, nullptr, nullptr},
        {"CC-C alone, link honoured", Gs1128(3, "[99]1234-abcd[21]1234567890"), true, false, both, true, nullptr,
         nullptr},
        {"CC-A alone, 1D only", Gs1128(1, "[10]ABC123"), true, true, only1D, true, nullptr, nullptr},
        {"GS1-128 + CC-A, 1D only", Gs1128(1, "[10]ABC123"), false, false, only1D, true, "]e0", lot.c_str()},
        {"EAN-13 + CC-A, 1D only", Ean13(1), false, false, only1D, true, "]e0", "3312345678903\x1c" "991234-abcd"},
        {"GS1-128 + CC-A, 2D only", Gs1128(1, "[10]ABC123"), false, false, only2D, false, "]e1", "10ABC123"},
        {"GS1-128 + CC-A, both", Gs1128(1, "[10]ABC123"), false, false, both, true, "]e0", lot.c_str()},
        // A scan takes the first label: the whole composite's.
        {"GS1-128 + CC-A, link ignored", Gs1128(1, "[10]ABC123"), false, true, both, true, "]e0", lot.c_str(), true},
        {"EAN-13 + CC-A, link ignored", Ean13(1), false, true, both, true, "]e0", "3312345678903\x1c" "991234-abcd",
         true},
    };
    for (ModeCase const& c : cases) {
        SCOPED_TRACE(c.name);
        harness.Settings().read.gs1_composite.Set(c.enabled);
        harness.Settings().read.composite_ean.Set(c.enabled);
        harness.Settings().code.composite.ignore_link_flag.Set(c.ignoreLink);
        harness.Settings().code.composite.component_mode.Set(c.mode);
        support::Frame frame = support::makeFrame(support::kFrameWidth, support::kFrameHeight, 900);
        support::RenderOptions options;
        options.moduleSize = 2.5;
        options.quietZone = 4.0;
        support::RenderedSymbol const symbol = support::drawSymbol(frame, c.input, options);
        ASSERT_TRUE(symbol.ok) << symbol.error;
        if (c.alone) {
            Fill(frame, symbol, LinearTop(frame, symbol) - 3, static_cast<int>(symbol.corners[3].y) + 12);
        }
        std::vector<stacked_test::HandleLabel> const labels = harness.Read(frame);
        if (c.aim == nullptr) {
            for (stacked_test::HandleLabel const& l : labels) {
                ADD_FAILURE() << l.aim << " " << l.data;
            }
            continue;
        }
        if (labels.empty()) {
            ADD_FAILURE() << "no label";
            continue;
        }
        EXPECT_TRUE(c.more || labels.size() == 1u) << labels.size();
        EXPECT_EQ(labels[0].aim, c.aim);
        EXPECT_EQ(labels[0].data, c.data);
    }
}

// DataBar Expanded Stacked carries its 2D part over its first row: the
// component is sought along that row's top edge, not along a line from the
// first character to the last, which lies in a row below.
TEST_F(CompositeRoad, ExpandedStackedCompositesReadWhole)
{
    harness.Settings().read.gs1_composite.Set(true);
    std::string const primary = "[01]09501101530003[3103]000123[15]231231";
    std::string const linear = "0109501101530003" "3103000123" "15231231";
    struct Case {
        int cc;
        int columns;
        double angle;
        double module;
        char const* component;
        char const* data;
    };
    Case const cases[] = {
        {1, 2, 0.0, 2.0, "[10]ABC123", "10ABC123"},      {1, 3, 0.0, 2.0, "[10]ABC123", "10ABC123"},
        {1, 4, 0.0, 1.6, "[10]ABC123", "10ABC123"},      {2, 2, 0.0, 2.0, "[10]ABC123[21]XY9", "10ABC123\x1d" "21XY9"},
        {1, 2, 90.0, 2.0, "[10]ABC123", "10ABC123"},     {1, 3, 180.0, 2.0, "[10]ABC123", "10ABC123"},
        {1, 2, 200.0, 2.0, "[10]ABC123", "10ABC123"},    {2, 3, 335.0, 2.0, "[10]ABC123[21]XY9", "10ABC123\x1d" "21XY9"},
    };
    for (Case const& c : cases) {
        SCOPED_TRACE(std::to_string(c.cc) + " cc, " + std::to_string(c.columns) + " columns, " +
                     std::to_string(c.angle) + " degrees");
        support::SymbolInput input;
        input.symbology = BARCODE_DBAR_EXPSTK_CC;
        input.primary = primary;
        input.data = c.component;
        input.option1 = c.cc;
        input.option2 = c.columns;
        input.inputMode = GS1_MODE;
        support::Frame frame = support::makeFrame(support::kFrameWidth, support::kFrameHeight, 900);
        support::RenderOptions options;
        options.moduleSize = c.module;
        options.angle = c.angle;
        options.quietZone = 4.0;
        support::RenderedSymbol const symbol = support::drawSymbol(frame, input, options);
        ASSERT_TRUE(symbol.ok) << symbol.error;
        std::vector<stacked_test::HandleLabel> const labels = harness.Read(frame);
        ASSERT_FALSE(labels.empty());
        EXPECT_EQ(labels[0].aim, "]e0");
        EXPECT_EQ(labels[0].data, linear + "\x1c" + c.data);
    }
}

}  // namespace
