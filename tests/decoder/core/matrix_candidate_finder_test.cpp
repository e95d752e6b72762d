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

TEST(MatrixCandidateFinderTest, OneSweepForQRFindersAndBullsEyesFindsWhatTwoSweepsFind)
{
    // QR finders are cut at an eighth of the contrast past the threshold,
    // bull's-eyes at the threshold itself; sought in one sweep, each list
    // must hold what a sweep for it alone finds, the blurred finders and the
    // rings of a symbol at two pixels a module too.
    struct Case {
        double qrModule;
        double aztecModule;
        double angle;
        double blur;
        double noise;
        bool inverted;
    };
    Case const cases[] = {
        {3.0, 3.0, 0, 0, 0, false},  {2.0, 2.0, 20, 0, 0, false}, {2.5, 3.5, 10, 1.2, 0, false},
        {2.5, 3.0, 35, 1.0, 30, false}, {3.0, 3.0, 50, 0.8, 0, true},
    };
    static MatrixCandidateFinder alone;
    static MatrixCandidateFinder both;
    auto same = [](DEC2DIvra::FinderSighting const* a, unsigned an, DEC2DIvra::FinderSighting const* b, unsigned bn) {
        bool equal = an == bn;
        for (unsigned i = 0; i < an && equal; ++i) {
            equal = a[i].centre.x == b[i].centre.x && a[i].centre.y == b[i].centre.y && a[i].module == b[i].module &&
                    a[i].rows == b[i].rows && a[i].dark == b[i].dark && a[i].kind == b[i].kind &&
                    a[i].square == b[i].square;
        }
        return equal;
    };
    for (Case const& c : cases) {
        SCOPED_TRACE(std::to_string(c.qrModule) + " " + std::to_string(c.angle) + " blur " + std::to_string(c.blur));
        support::Frame frame = support::makeFrame();
        support::RenderOptions qr{.moduleSize = c.qrModule, .angle = c.angle, .centre = support::Point{170, 240},
                                  .quietZone = 4.0, .inverted = c.inverted};
        support::RenderOptions aztec = qr;
        aztec.moduleSize = c.aztecModule;
        aztec.centre = support::Point{450, 240};
        ASSERT_TRUE(support::drawSymbol(frame, {.symbology = BARCODE_QRCODE, .data = "ONE SWEEP"}, qr).ok);
        auto const eye = support::drawSymbol(frame, {.symbology = BARCODE_AZTEC, .data = "ONE SWEEP, TWO CUTS"}, aztec);
        ASSERT_TRUE(eye.ok) << eye.error;
        support::finishFrame(frame, {.blur = c.blur, .noise = c.noise, .seed = 7});
        GrayImage const image(frame.width, frame.height, frame.width, frame.pixels.data());
        DEC2DIvra::Rectangle const area{0, 0, frame.width - 1, frame.height - 1};

        MatrixCandidateFinder::Wanted wanted;
        wanted.qrFinders = true;
        wanted.bullsEyes = true;
        both.Start(image, area, 2, wanted);
        wanted.bullsEyes = false;
        alone.Start(image, area, 2, wanted);
        EXPECT_TRUE(same(alone.GetQRFinders(), alone.GetQRFinderCount(), both.GetQRFinders(), both.GetQRFinderCount()));
        unsigned square = 0;
        for (unsigned i = 0; i < both.GetQRFinderCount(); ++i) {
            square += both.GetQRFinders()[i].square;
        }
        EXPECT_EQ(square, 3u);

        wanted.qrFinders = false;
        wanted.bullsEyes = true;
        alone.Start(image, area, 2, wanted);
        EXPECT_TRUE(same(alone.GetBullsEyes(), alone.GetBullsEyeCount(), both.GetBullsEyes(), both.GetBullsEyeCount()));
        EXPECT_EQ(alone.GetStrictBullsEyeCount(), both.GetStrictBullsEyeCount());
        support::Point const centre = eye.toFrame({eye.widthModules / 2, eye.heightModules / 2});
        bool seen = false;
        for (unsigned i = 0; i < both.GetBullsEyeCount(); ++i) {
            auto const& e = both.GetBullsEyes()[i];
            seen = seen || (e.kind == MatrixCandidateFinder::kAztec && std::abs(e.centre.x - centre.x) <= 2 * c.aztecModule &&
                            std::abs(e.centre.y - centre.y) <= 2 * c.aztecModule);
        }
        EXPECT_TRUE(seen);
    }
}

}  // namespace
