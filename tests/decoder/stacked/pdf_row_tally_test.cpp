// The row reader's deferred tallies: the votes of every fourth line across
// first, then of every other one, then of all of them, then with the lines
// along the rows added.
// The row votes place the rows from every line across whether or not the
// lines left out were read for a tally first.
#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "decoder/stacked/pdf_row_reader.h"
#include "tests/support/symbol_renderer.h"

namespace {

using DEC2DIvra::GrayImage;
using DEC2DIvra::PDFRowReader;

// The search area the region entry lays over a symbol located whole.
PDFRowReader::Area AreaOver(support::Rendering const& r)
{
    auto const& c = r.symbol.corners;
    float const x0 = static_cast<float>(c[0].x + c[3].x) / 2;
    float const y0 = static_cast<float>(c[0].y + c[3].y) / 2;
    float const x1 = static_cast<float>(c[1].x + c[2].x) / 2;
    float const y1 = static_cast<float>(c[1].y + c[2].y) / 2;
    float const length = std::hypot(x1 - x0, y1 - y0);
    float const height = std::hypot(static_cast<float>(c[0].x + c[1].x - c[3].x - c[2].x) / 2,
                                    static_cast<float>(c[0].y + c[1].y - c[3].y - c[2].y) / 2);
    PDFRowReader::Area area{};
    area.cx = (x0 + x1) / 2;
    area.cy = (y0 + y1) / 2;
    area.ux = (x1 - x0) / length;
    area.uy = (y1 - y0) / length;
    area.halfLength = std::hypot(static_cast<float>(r.frame.width), static_cast<float>(r.frame.height));
    area.halfHeight = height * 0.7f + 8.0f > length * 0.4f ? height * 0.7f + 8.0f : length * 0.4f;
    return area;
}

struct Tally {
    PDFRowReader::Parameters parameters{};
    std::vector<unsigned short> codewords = std::vector<unsigned short>(PDFRowReader::kMaxCells);
    std::vector<unsigned short> erasures = std::vector<unsigned short>(PDFRowReader::kMaxCells);
    unsigned erasureCount = 0;

    std::vector<unsigned short> Cells() const
    {
        return {codewords.begin(), codewords.begin() + parameters.rows * parameters.columns};
    }
};

TEST(PdfRowTally, EveryLineAcrossPlacesTheRowsWhetherOrNotItsTallyCameFirst)
{
    struct Case {
        char const* name;
        int columns;
        support::RenderOptions options;
    };
    for (Case const& c : {Case{"square on", 4, {.moduleSize = 2.0, .angle = 30}},
                          Case{"keystoned", 3,
                               {.moduleSize = 2.5, .angle = 200, .perspectiveX = 0.2, .perspectiveY = 0.1}},
                          Case{"light on dark", 6, {.moduleSize = 2.0, .angle = 100, .inverted = true}}}) {
        std::string const data = std::string("Row tallies, ") + c.name;
        support::SymbolInput input{.symbology = BARCODE_PDF417, .data = data, .option2 = c.columns};
        support::Rendering const r = support::render(input, c.options);
        ASSERT_TRUE(r.symbol.ok) << c.name << ": " << r.symbol.error;
        GrayImage const image(r.frame.width, r.frame.height, r.frame.width, r.frame.pixels.data());
        PDFRowReader::Area const area = AreaOver(r);
        bool const inverted = c.options.inverted;
        auto buffers = std::make_unique<PDFRowReader::Buffers>();
        float corners[8];
        bool seen = false;

        // The tallies one after another: every fourth line, every other
        // line, all lines, the rows.
        PDFRowReader reader(buffers.get());
        reader.DeferRowVotes();
        Tally quick;
        ASSERT_TRUE(reader.Read(image, area, inverted, quick.parameters, quick.codewords.data(),
                                quick.erasures.data(), quick.erasureCount, seen, corners))
            << c.name;
        EXPECT_EQ(quick.parameters.columns, static_cast<unsigned>(c.columns)) << c.name;
        Tally half = quick;
        ASSERT_TRUE(reader.AddLines(half.parameters, half.codewords.data(), half.erasures.data(), half.erasureCount))
            << c.name;
        EXPECT_EQ(half.parameters.rows, quick.parameters.rows) << c.name;
        EXPECT_EQ(half.parameters.columns, quick.parameters.columns) << c.name;
        Tally all = half;
        ASSERT_TRUE(reader.AddLines(all.parameters, all.codewords.data(), all.erasures.data(), all.erasureCount))
            << c.name;
        EXPECT_EQ(all.parameters.rows, quick.parameters.rows) << c.name;
        EXPECT_FALSE(reader.AddLines(all.parameters, all.codewords.data(), all.erasures.data(), all.erasureCount))
            << c.name << ": the lines were all read";
        Tally rows = all;
        ASSERT_TRUE(reader.AddRowVotes(rows.codewords.data(), rows.erasures.data(), rows.erasureCount)) << c.name;

        // The row votes straight after the first tally: the lines left out
        // are read for the rows' places all the same.
        // The lines of another symbol's reading are left in the buffers.
        {
            support::SymbolInput other{.symbology = BARCODE_PDF417,
                                       .data = "Another symbol, taller and narrower 0123456789", .option2 = 1};
            support::Rendering const o = support::render(other, {.moduleSize = 3.0, .angle = 90});
            ASSERT_TRUE(o.symbol.ok);
            GrayImage const otherImage(o.frame.width, o.frame.height, o.frame.width, o.frame.pixels.data());
            PDFRowReader before(buffers.get());
            Tally ignored;
            ASSERT_TRUE(before.Read(otherImage, AreaOver(o), false, ignored.parameters, ignored.codewords.data(),
                                    ignored.erasures.data(), ignored.erasureCount, seen, corners));
        }
        PDFRowReader again(buffers.get());
        again.DeferRowVotes();
        Tally direct;
        ASSERT_TRUE(again.Read(image, area, inverted, direct.parameters, direct.codewords.data(),
                               direct.erasures.data(), direct.erasureCount, seen, corners))
            << c.name;
        EXPECT_EQ(direct.Cells(), quick.Cells()) << c.name;
        ASSERT_TRUE(again.AddRowVotes(direct.codewords.data(), direct.erasures.data(), direct.erasureCount))
            << c.name;
        // Without the tally of all lines between, the row votes add to the
        // first tally's: every cell the full road settled is settled alike
        // or left an erasure, none to another value.
        EXPECT_EQ(rows.erasureCount, 0u) << c.name;
        std::vector<bool> erased(quick.parameters.rows * quick.parameters.columns, false);
        for (unsigned i = 0; i < direct.erasureCount; ++i) {
            ASSERT_LT(direct.erasures[i], erased.size()) << c.name;
            erased[direct.erasures[i]] = true;
        }
        for (unsigned i = 0; i < erased.size(); ++i) {
            EXPECT_TRUE(direct.codewords[i] == rows.codewords[i] || erased[i]) << c.name << ", cell " << i;
        }
    }
}

}  // namespace
