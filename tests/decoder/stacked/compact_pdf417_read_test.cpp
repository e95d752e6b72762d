// Compact PDF417 (no right row indicator, a single bar for a stop pattern)
// through the decoder handle as the product wires it: 2 to 30 columns,
// turned, upside down and light on dark.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/decoder/stacked/stacked_handle_harness.h"
#include "tests/support/symbol_renderer.h"

namespace {

namespace cfg = ivra_configuration;

struct Case {
    int columns;
    double module;  // pixels a module: the widest still fit the frame
    double angle;
    bool inverted;
};

TEST(CompactPdf417Read, ReadsAtEveryWidthAndNeverWrong)
{
    stacked_test::AllLabelsHarness harness;
    ASSERT_TRUE(harness.IsReady());
    using Polarity = cfg::configuration::readable_medium::positive_and_negative_codes::pdf_417::Enum;
    harness.Settings().readable_medium.positive_and_negative_codes.pdf_417.Set(static_cast<Polarity>(2));
    std::string const text = "Compact PDF417 0123456789 abcdefghijklmnopqrstuvwxyz ABCDEFGHIJKLMNOPQRSTUVWXYZ";
    Case const cases[] = {
        {2, 2.0, 0, false},  {3, 2.0, 8, false},   {4, 2.5, 180, false}, {6, 2.0, -6, true},
        {10, 1.8, 0, false}, {12, 1.6, 4, false}, {15, 1.4, 0, false}, {20, 1.25, 0, false}, {30, 1.05, 0, false},
    };
    for (Case const& c : cases) {
        SCOPED_TRACE("columns " + std::to_string(c.columns) + " angle " + std::to_string(c.angle) +
                     (c.inverted ? " light on dark" : ""));
        support::SymbolInput input;
        input.symbology = BARCODE_PDF417COMP;
        // Wide symbols get rows enough to be more than a flat band.
        input.data = text;
        for (int k = 5; k < c.columns; k += 5) {
            input.data += " " + text;
        }
        input.option2 = c.columns;
        support::RenderOptions options;
        options.moduleSize = c.module;
        options.angle = c.angle;
        options.inverted = c.inverted;
        options.quietZone = 4.0;
        support::Rendering const r = support::render(input, options);
        ASSERT_TRUE(r.symbol.ok) << r.symbol.error;
        std::vector<stacked_test::HandleLabel> const& labels = harness.Read(r.frame);
        if (labels.size() != 1u) {
            ADD_FAILURE() << labels.size() << " labels";
            continue;
        }
        EXPECT_EQ(labels[0].aim, "]L2");
        EXPECT_EQ(labels[0].data, input.data);
    }
}

}  // namespace

// Under perspective the rows are not square to the start column and the far
// column is shorter than it: the rows are followed to the closing bar.
TEST(CompactPdf417Read, ReadsUnderPerspective)
{
    stacked_test::AllLabelsHarness harness;
    ASSERT_TRUE(harness.IsReady());
    struct Slanted {
        int columns;
        double module;
        double angle;
        char const* text;
    };
    char const* const two = "Compact PDF417, two columns";
    char const* const four = "Compact PDF417 with four columns 0123456789";
    char const* const six = "Compact PDF417 with six data columns, 0123456789 ABCDEFGHIJ";
    Slanted const cases[] = {{2, 3.0, 0, two},   {2, 2.0, 45, two},   {2, 2.5, 195, two}, {2, 1.5, 270, two},
                             {4, 3.0, 0, four},  {4, 2.5, 30, four},  {4, 2.5, 225, four}, {4, 2.0, 135, four},
                             {6, 1.5, 0, six},   {6, 1.5, 15, six}};
    for (Slanted const& c : cases) {
        SCOPED_TRACE("columns " + std::to_string(c.columns) + " module " + std::to_string(c.module) + " angle " +
                     std::to_string(c.angle));
        support::SymbolInput input;
        input.symbology = BARCODE_PDF417COMP;
        input.data = c.text;
        input.option2 = c.columns;
        support::RenderOptions options;
        options.moduleSize = c.module;
        options.angle = c.angle;
        options.perspectiveX = 0.2;
        options.perspectiveY = 0.1;
        support::Rendering const r = support::render(input, options);
        ASSERT_TRUE(r.symbol.ok) << r.symbol.error;
        std::vector<stacked_test::HandleLabel> const& labels = harness.Read(r.frame);
        if (labels.size() != 1u) {
            ADD_FAILURE() << labels.size() << " labels";
            continue;
        }
        EXPECT_EQ(labels[0].data, input.data);
    }
}
