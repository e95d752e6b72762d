// The column road of the PDF417 decoder on drawn symbols, through the
// decoder's own entries.
#include <gtest/gtest.h>
#include <zint.h>

#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

#include "decoder/core/decoded_label.h"
#include "decoder/core/gray_image.h"
#include "tests/decoder/stacked/pdf_symbol_fixture.h"
#include "tests/decoder/stacked/stacked_handle_harness.h"
#include "tests/support/symbol_renderer.h"

namespace {

using namespace DEC2DIvra;

class Pdf417ColumnRoad : public pdf_test::PDFDecoderFixture {
protected:
    void SetUp() override
    {
        pdf_test::PDFDecoderFixture::SetUp();
        manager.Root().read.micro_pdf417.Set(true);
        ASSERT_TRUE(manager.Update());
        property.TakeSettings();
    }

    // The decoder's own reading along the middle of the drawn symbol.
    std::string ReadAlongMiddle(support::Rendering const& r, bool& read)
    {
        GrayImage const image(r.frame.width, r.frame.height, r.frame.width, r.frame.pixels.data());
        auto const toPoint = [](support::Point const& p) {
            return Point{static_cast<int>(std::lround(p.x)), static_cast<int>(std::lround(p.y))};
        };
        double const middle = r.symbol.heightModules / 2;
        LineSegment const segment{toPoint(r.symbol.toFrame({-8.0, middle})),
                                  toPoint(r.symbol.toFrame({r.symbol.widthModules + 8.0, middle}))};
        label.Clear();
        read = decoder.StartPart(image, segment, 1, label) != 0;
        return std::string(label.data.begin(), label.data.end());
    }

    DecodedLabel label;
};

TEST_F(Pdf417ColumnRoad, DrawnSymbolsAreReadAlongTheirMiddle)
{
    struct Case {
        int symbology;
        int columns;
        double angle;
        char const* data;
    };
    for (Case const c : {Case{BARCODE_PDF417, 3, 0, "Column road 0123456789"},
                         Case{BARCODE_PDF417, 5, 20, "Column road at twenty degrees, five columns"},
                         Case{BARCODE_PDF417, 2, 0, "Short"}, Case{BARCODE_PDF417, 1, 0, "One column"},
                         Case{BARCODE_PDF417, 4, 180, "Upside down 0123456789"}}) {
        SCOPED_TRACE(c.data);
        support::SymbolInput input;
        input.symbology = c.symbology;
        input.data = c.data;
        input.option2 = c.columns;
        support::Rendering const r = support::render(input, {.moduleSize = 3.0, .angle = c.angle, .blur = 0.6, .noise = 4});
        ASSERT_TRUE(r.symbol.ok);
        bool read = false;
        EXPECT_EQ(ReadAlongMiddle(r, read), c.data);
        EXPECT_TRUE(read);
    }
}

}  // namespace

namespace {

// A start or stop pattern met again behind the last one on a column's walk
// once sent the walk round the same pattern for ever: frames turned near a
// right angle, as the read-rate test draws them, end with their label.
TEST(Pdf417ColumnRoadFrames, ColumnsFollowedAtASteepTurnEnd)
{
    struct Case {
        int columns;
        char const* data;
        unsigned seed;
    };
    for (Case const c : {Case{4, "PDF417 read through the road 2026", 4},
                         Case{7, "0123456789 abcdefghijklmnopqrstuvwxyz", 13}}) {
        SCOPED_TRACE(c.data);
        stacked_test::AllLabelsHarness harness;
        ASSERT_TRUE(harness.IsReady());
        support::SymbolInput input;
        input.symbology = BARCODE_PDF417;
        input.data = c.data;
        input.option2 = c.columns;
        support::RenderOptions options;
        options.angle = 105;
        options.moduleSize = 2.0;
        options.seed = c.seed;
        support::Rendering const r = support::render(input, options);
        ASSERT_TRUE(r.symbol.ok);
        std::vector<stacked_test::HandleLabel> const& labels = harness.Read(r.frame);
        ASSERT_EQ(labels.size(), 1u);
        EXPECT_EQ(labels[0].data, c.data);
    }
}

}  // namespace

namespace {

using namespace DEC2DIvra;

class Pdf417ColumnRoadSettings : public Pdf417ColumnRoad {
protected:
    support::Rendering Draw(char const* data, bool inverted)
    {
        support::SymbolInput input;
        input.symbology = BARCODE_PDF417;
        input.data = data;
        input.option2 = 3;
        return support::render(input, {.moduleSize = 3.0, .inverted = inverted, .blur = 0.6, .noise = 4});
    }
    void SetLengths(std::vector<std::uint16_t> const& lengths)
    {
        ivra_configuration::FixedLength fixed{};
        fixed.count = static_cast<std::uint32_t>(lengths.size());
        for (size_t i = 0; i < lengths.size(); ++i) {
            fixed.lengths[i] = lengths[i];
        }
        fixed.maximum = ivra_configuration::FixedLength::kNoMaximum;
        ASSERT_TRUE(manager.Root().fixed_length.pdf417.Set(fixed) && manager.Update());
        property.TakeSettings();
    }
};

// The length setting counts the decoded bytes: a list of 10 and 20 refuses
// a 15-byte label and takes a 10-byte one; the polarity setting decides
// which colours are read.
TEST_F(Pdf417ColumnRoadSettings, LengthAndPolaritySettingsGateTheLabel)
{
    bool read = false;
    SetLengths({10, 20});
    ReadAlongMiddle(Draw("FIFTEEN BYTES!!", false), read);
    EXPECT_FALSE(read);
    EXPECT_EQ(ReadAlongMiddle(Draw("TEN BYTES!", false), read), "TEN BYTES!");
    EXPECT_TRUE(read);
    SetLengths({});
    using Polarity = ivra_configuration::configuration::readable_medium::positive_and_negative_codes::pdf_417::Enum;
    for (unsigned setting : {0u, 1u, 2u}) {
        manager.Root().readable_medium.positive_and_negative_codes.pdf_417.Set(static_cast<Polarity>(setting));
        ASSERT_TRUE(manager.Update());
        property.TakeSettings();
        for (bool inverted : {false, true}) {
            SCOPED_TRACE("setting " + std::to_string(setting) + (inverted ? " light on dark" : ""));
            support::Rendering const r = Draw("Polarity 0123", inverted);
            GrayImage const image(r.frame.width, r.frame.height, r.frame.width, r.frame.pixels.data());
            Region region;
            for (unsigned i = 0; i < 4; ++i) {
                region[i] = Point{static_cast<int>(std::lround(r.symbol.corners[i].x)),
                                  static_cast<int>(std::lround(r.symbol.corners[i].y))};
            }
            label.Clear();
            bool const wanted = inverted ? setting != 0 : setting != 1;
            EXPECT_EQ(decoder.Start(image, region, label) != 0, wanted);
            if (wanted) {
                EXPECT_EQ(label.negative, inverted ? 1 : 0);
            }
        }
    }
}

}  // namespace
