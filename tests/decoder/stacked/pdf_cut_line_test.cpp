// The row reader's search lines whose ends the frame cuts: the short lines
// of a located region and its long lines are then the same lines, and a
// reading on the long lines after one on the short lines must come out as
// a reading on the long lines alone does, symbol and no symbol alike; lines
// recorded on another frame, area or polarities count for nothing.
#include <cstring>
#include <memory>
#include <vector>

#include <gtest/gtest.h>

#include "decoder/stacked/pdf_row_reader.h"
#include "tests/support/symbol_renderer.h"

namespace {

using DEC2DIvra::GrayImage;
using DEC2DIvra::PDFRowReader;

struct Outcome {
    bool read = false;
    bool seen = false;
    PDFRowReader::Parameters parameters{};
    std::vector<unsigned short> codewords;
    unsigned erasureCount = 0;
    float corners[8] = {};
};

// One reading of `lines` with the sightings shared, after the short lines
// (`before`, when given) were read by the same reader, or a glance over them.
Outcome ReadAfter(GrayImage const& image, PDFRowReader::Area const& lines, PDFRowReader::Area const* before,
                  GrayImage const* beforeImage, bool glance)
{
    auto buffers = std::make_unique<PDFRowReader::Buffers>();
    PDFRowReader reader(buffers.get());
    reader.ShareSightings(true, true);
    Outcome o;
    std::vector<unsigned short> codewords(PDFRowReader::kMaxCells);
    std::vector<unsigned short> erasures(PDFRowReader::kMaxCells);
    if (before != nullptr) {
        if (glance) {
            reader.Glance(beforeImage != nullptr ? *beforeImage : image, *before, PDFRowReader::kGlanceLines);
        } else {
            bool seen = false;
            PDFRowReader::Parameters ignored{};
            unsigned count = 0;
            float corners[8];
            reader.Read(beforeImage != nullptr ? *beforeImage : image, *before, false, ignored, codewords.data(),
                        erasures.data(), count, seen, corners);
        }
    }
    o.read = reader.Read(image, lines, false, o.parameters, codewords.data(), erasures.data(), o.erasureCount,
                         o.seen, o.corners);
    if (o.read) {
        o.codewords.assign(codewords.begin(), codewords.begin() + o.parameters.rows * o.parameters.columns);
    }
    return o;
}

void ExpectSame(Outcome const& a, Outcome const& b, char const* what)
{
    EXPECT_EQ(a.read, b.read) << what;
    EXPECT_EQ(a.seen, b.seen) << what;
    EXPECT_EQ(a.parameters.rows, b.parameters.rows) << what;
    EXPECT_EQ(a.parameters.columns, b.parameters.columns) << what;
    EXPECT_EQ(a.codewords, b.codewords) << what;
    EXPECT_EQ(a.erasureCount, b.erasureCount) << what;
    EXPECT_EQ(std::memcmp(a.corners, b.corners, sizeof a.corners), 0) << what;
}

TEST(PdfCutLines, LongLinesAfterShortOnesReadAsLongLinesAlone)
{
    // A symbol across most of a small frame: lines along it from its middle,
    // 160 pixels either way, run off the frame at both ends; lines from a
    // point near the right border run off it at one end only.
    support::SymbolInput const input{.symbology = BARCODE_PDF417, .data = "Cut at both ends 0123", .option2 = 3};
    struct Case {
        char const* name;
        double angle;
        double cx;  // the lines' middle, in frame pixels
        bool glance;
    };
    Case const cases[] = {
        {"square on, read first", 0.0, 110.0, false},
        {"square on, glanced first", 0.0, 110.0, true},
        {"turned, read first", 12.0, 110.0, false},
        {"near the border, read first", 0.0, 200.0, false},
    };
    for (Case const& c : cases) {
        support::Rendering const r = support::render(
            input, {.frameWidth = 220, .frameHeight = 160, .moduleSize = 1.6, .angle = c.angle, .quietZone = 2.0});
        ASSERT_TRUE(r.symbol.ok) << r.symbol.error;
        GrayImage const image(r.frame.width, r.frame.height, r.frame.width, r.frame.pixels.data());
        PDFRowReader::Area longLines{static_cast<float>(c.cx), 80.0f, 1.0f, 0.0f, 400.0f, 60.0f, 0.0f};
        PDFRowReader::Area shortLines = longLines;
        shortLines.halfLength = 160.0f;
        Outcome const alone = ReadAfter(image, longLines, nullptr, nullptr, false);
        Outcome const after = ReadAfter(image, longLines, &shortLines, nullptr, c.glance);
        ExpectSame(alone, after, c.name);
        if (c.cx == 110.0) {
            EXPECT_TRUE(alone.read) << c.name;
        }
    }
}

TEST(PdfCutLines, LinesOfAnotherFrameOrAreaAreSampledAgain)
{
    support::SymbolInput const input{.symbology = BARCODE_PDF417, .data = "Another frame", .option2 = 3};
    support::Rendering const r =
        support::render(input, {.frameWidth = 220, .frameHeight = 160, .moduleSize = 1.6, .quietZone = 2.0});
    ASSERT_TRUE(r.symbol.ok) << r.symbol.error;
    GrayImage const image(r.frame.width, r.frame.height, r.frame.width, r.frame.pixels.data());
    std::vector<unsigned short> blankPixels(static_cast<size_t>(r.frame.width) * r.frame.height, 600);
    GrayImage const blank(r.frame.width, r.frame.height, r.frame.width, blankPixels.data());
    PDFRowReader::Area const longLines{110.0f, 80.0f, 1.0f, 0.0f, 400.0f, 60.0f, 0.0f};
    PDFRowReader::Area shorter = longLines;
    shorter.halfLength = 160.0f;
    PDFRowReader::Area moved = shorter;
    moved.cy += 1.0f;
    PDFRowReader::Area lower = shorter;
    lower.halfHeight -= 1.0f;
    // Lines 90 pixels either way of the middle end inside the frame.
    PDFRowReader::Area inside = longLines;
    inside.halfLength = 90.0f;
    struct Case {
        char const* name;
        PDFRowReader::Area before;
        PDFRowReader::Area lines;
        bool blankFirst;
    };
    Case const cases[] = {
        {"a blank frame's lines", shorter, longLines, true},
        {"lines a pixel off", moved, longLines, false},
        {"lines of another height", lower, longLines, false},
        // Cut on longer lines tells nothing of shorter ones.
        {"shorter lines after longer", longLines, inside, false},
    };
    for (Case const& c : cases) {
        Outcome const alone = ReadAfter(image, c.lines, nullptr, nullptr, false);
        for (bool const glance : {false, true}) {
            ExpectSame(alone, ReadAfter(image, c.lines, &c.before, c.blankFirst ? &blank : nullptr, glance),
                       c.name);
        }
    }
}

}  // namespace
