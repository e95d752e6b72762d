// The sightings of the matrix candidate finder: the bull's-eyes of blurred
// MaxiCode symbols, which a blur leaves as shallow swings inside the block
// thresholds, and the QR finders, square ones apart from bar codes' runs.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "decoder/core/gray_image.h"
#include "decoder/core/location/matrix_candidate_finder.h"
#include "tests/support/symbol_renderer.h"

namespace {

using DEC2DIvra::GrayImage;
using DEC2DIvra::MatrixCandidateFinder;

TEST(MatrixCandidateFinderTest, BlurredMaxiCodeBullsEyeIsSightedAtItsCentre)
{
    struct Case {
        double module;
        double blur;
    };
    Case const cases[] = {{4.0, 1.6}, {4.0, 1.8}, {3.5, 1.4}};
    static MatrixCandidateFinder finder;
    for (Case const& c : cases) {
        SCOPED_TRACE(c.blur);
        auto const r = support::render({.symbology = BARCODE_MAXICODE, .data = "BLURRED EYE", .option1 = 4},
                                       {.moduleSize = c.module, .angle = 10, .blur = c.blur});
        ASSERT_TRUE(r.symbol.ok) << r.symbol.error;
        GrayImage const image(r.frame.width, r.frame.height, r.frame.width, r.frame.pixels.data());
        MatrixCandidateFinder::Wanted wanted;
        wanted.bullsEyes = true;
        finder.Start(image, {0, 0, r.frame.width - 1, r.frame.height - 1}, 1, wanted);
        support::Point const centre = r.symbol.toFrame({14.5, 14.43335});
        bool seen = false;
        for (unsigned i = 0; i < finder.GetBullsEyeCount(); ++i) {
            auto const& eye = finder.GetBullsEyes()[i];
            seen = seen || (eye.kind == MatrixCandidateFinder::kMaxiCode &&
                            std::abs(eye.centre.x - centre.x) <= 2 * c.module &&
                            std::abs(eye.centre.y - centre.y) <= 2 * c.module);
        }
        EXPECT_TRUE(seen);
    }
}

TEST(MatrixCandidateFinderTest, QRFindersAreSquareAndBarCodeRunsAreNot)
{
    // A QR symbol's three finders show their pattern along the diagonals as
    // well; a bar code's bars pass the test across and along the column at
    // many angles, but never along both diagonals.
    struct Case {
        int symbology;
        char const* data;
        double module;
        double angle;
        double blur;
        unsigned squareFinders;  // at the symbol's finder centres; none elsewhere
    };
    Case const cases[] = {
        {BARCODE_QRCODE, "SQUARE FINDERS", 2.0, 0, 0, 3},
        {BARCODE_QRCODE, "SQUARE FINDERS", 3.0, 30, 0, 3},
        {BARCODE_QRCODE, "SQUARE FINDERS", 4.5, 45, 0, 3},
        {BARCODE_QRCODE, "SQUARE FINDERS", 3.0, 75, 1.0, 3},
        {BARCODE_CODE128, "ABCDEFGHIJ1234567890", 2.0, 30, 0, 0},
        {BARCODE_CODE128, "ABCDEFGHIJ1234567890", 3.0, 45, 0, 0},
        {BARCODE_CODE128, "ABCDEFGHIJ1234567890", 3.0, 60, 0.8, 0},
        {BARCODE_CODE39, "CODE39 BARS", 2.0, 40, 0, 0},
    };
    static MatrixCandidateFinder finder;
    for (Case const& c : cases) {
        SCOPED_TRACE(std::to_string(c.symbology) + " at " + std::to_string(c.angle));
        auto const r = support::render({.symbology = c.symbology, .data = c.data},
                                       {.moduleSize = c.module, .angle = c.angle, .blur = c.blur});
        ASSERT_TRUE(r.symbol.ok) << r.symbol.error;
        GrayImage const image(r.frame.width, r.frame.height, r.frame.width, r.frame.pixels.data());
        MatrixCandidateFinder::Wanted wanted;
        wanted.qrFinders = true;
        finder.Start(image, {0, 0, r.frame.width - 1, r.frame.height - 1}, 2, wanted);
        unsigned square = 0;
        for (unsigned i = 0; i < finder.GetQRFinderCount(); ++i) {
            square += finder.GetQRFinders()[i].square;
        }
        EXPECT_EQ(square, c.squareFinders);
    }
}

TEST(MatrixCandidateFinderTest, QRFindersAreSeenAtAnyGreyScaleAndAreaEdge)
{
    // Rows are cut against thresholds a block of pixels at a time: grey
    // values of the whole 16-bit range compare as unsigned, and an area
    // that starts off the frame's columns and ends inside a block is cut
    // to its last pixel.
    struct Case {
        unsigned scale;  // of the grey values
        int left;        // the area's margins inside the frame
        int right;
    };
    Case const cases[] = {{1, 0, 0}, {64, 0, 0}, {1, 5, 11}, {64, 7, 3}};
    static MatrixCandidateFinder finder;
    auto const r = support::render({.symbology = BARCODE_QRCODE, .data = "EDGE OF THE AREA"},
                                   {.moduleSize = 3.0, .angle = 0});
    ASSERT_TRUE(r.symbol.ok) << r.symbol.error;
    for (Case const& c : cases) {
        SCOPED_TRACE(std::to_string(c.scale) + " " + std::to_string(c.left) + " " + std::to_string(c.right));
        std::vector<unsigned short> pixels(r.frame.pixels.begin(), r.frame.pixels.end());
        for (unsigned short& v : pixels) {
            v = static_cast<unsigned short>(v * c.scale > 0xFFFF ? 0xFFFF : v * c.scale);
        }
        GrayImage const image(r.frame.width, r.frame.height, r.frame.width, pixels.data());
        MatrixCandidateFinder::Wanted wanted;
        wanted.qrFinders = true;
        finder.Start(image, {c.left, 0, r.frame.width - 1 - c.right, r.frame.height - 1}, 2, wanted);
        unsigned square = 0;
        for (unsigned i = 0; i < finder.GetQRFinderCount(); ++i) {
            square += finder.GetQRFinders()[i].square;
        }
        EXPECT_EQ(square, 3u);
    }
}

}  // namespace
