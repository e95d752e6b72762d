// The sightings of the matrix candidate finder: the bull's-eyes of blurred
// MaxiCode symbols, which a blur leaves as shallow swings inside the block
// thresholds, and the QR finders, square ones apart from bar codes' runs.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <string>
#include <vector>

#include "decoder/core/gray_image.h"
#include "decoder/core/location/matrix_candidate_finder.h"
#include "tests/support/symbol_renderer.h"

namespace {

using DEC2DIvra::GrayImage;
using DEC2DIvra::MatrixCandidateFinder;

// A sweep at stride 2 taken in four interleaved parts, every eighth row from
// the offsets 0, 2, 1 and 3 (the searcher's order): what part k is told, and
// the rows it sweeps.
MatrixCandidateFinder::Wanted PartOfSweep(DEC2DIvra::Rectangle const& area, int part)
{
    MatrixCandidateFinder::Wanted p;
    p.sameImage = part > 0;
    p.laterPart = part > 0;
    p.gridTop = area.top;
    p.gridStride = 2;
    return p;
}

DEC2DIvra::Rectangle RowsOfPart(DEC2DIvra::Rectangle const& area, int part)
{
    static constexpr int kOffsets[4] = {0, 2, 1, 3};
    DEC2DIvra::Rectangle rows = area;
    rows.top += 2 * kOffsets[part];
    return rows;
}

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

TEST(MatrixCandidateFinderTest, BullsEyeColumnRingsAreJudgedAtTheirWholeWidths)
{
    // Pixel-exact rectangular rings about (100, 100): along the row a dark
    // core of 3 and rings of 2 (12 pixels of rings), along the column the
    // ring runs of each case. The column's rings total at most twice the
    // row's and are even within a pixel: six runs summing 24 with one of 7
    // pass, and a ring run of 20 fails though its first 7 pixels would pass.
    struct Case {
        int up[3];    // column ring runs above the core, the nearest first
        int down[3];  // and below it
        bool sighted;
    };
    Case const cases[] = {
        {{3, 4, 7}, {3, 3, 4}, true},
        {{3, 4, 20}, {3, 3, 4}, false},
        {{3, 4, 8}, {3, 3, 4}, false},
        {{3, 3, 3}, {3, 3, 3}, true},
        {{2, 2, 2}, {2, 2, 2}, true},
    };
    static MatrixCandidateFinder finder;
    constexpr int kSize = 200;
    constexpr int kCentre = 100;
    for (Case const& c : cases) {
        SCOPED_TRACE(std::to_string(c.up[2]) + " " + std::to_string(c.down[2]));
        // The reach of rectangle k from the centre: along the row, above and
        // below; a pixel takes the colour of the innermost rectangle that
        // holds it, dark for even k; a fifth (dark) rectangle closes the rings.
        int across[5] = {1, 3, 5, 7, 9};
        int above[5] = {1, 0, 0, 0, 0};
        int below[5] = {1, 0, 0, 0, 0};
        for (int k = 0; k < 3; ++k) {
            above[k + 1] = above[k] + c.up[k];
            below[k + 1] = below[k] + c.down[k];
        }
        above[4] = above[3] + 2;
        below[4] = below[3] + 2;
        std::vector<unsigned short> pixels(kSize * kSize, 200);
        for (int y = 0; y < kSize; ++y) {
            for (int x = 0; x < kSize; ++x) {
                int const dx = std::abs(x - kCentre);
                int const dy = y - kCentre;
                for (int k = 0; k < 5; ++k) {
                    if (dx <= across[k] && (dy < 0 ? -dy <= above[k] : dy <= below[k])) {
                        pixels[y * kSize + x] = k % 2 == 0 ? 40 : 200;
                        break;
                    }
                }
            }
        }
        GrayImage const image(kSize, kSize, kSize, pixels.data());
        MatrixCandidateFinder::Wanted wanted;
        wanted.bullsEyes = true;
        finder.Start(image, {0, 0, kSize - 1, kSize - 1}, 1, wanted);
        bool seen = false;
        for (unsigned i = 0; i < finder.GetBullsEyeCount(); ++i) {
            auto const& eye = finder.GetBullsEyes()[i];
            seen = seen || (eye.kind == MatrixCandidateFinder::kAztec && std::abs(eye.centre.x - kCentre) <= 1 &&
                            std::abs(eye.centre.y - kCentre) <= 1);
        }
        EXPECT_EQ(seen, c.sighted);
    }
}

TEST(MatrixCandidateFinderTest, FaintSweepAppendsPaleBullsEyesAndKeepsTheList)
{
    // Two Aztec symbols side by side: a clear one on the left, a pale one
    // (ink and label 120 grey levels apart, below the usual contrast floor)
    // in noise on the right. The sweep finds the clear one alone; the faint
    // sweep after it adds the pale one behind it, keeps the clear one first
    // and the strict count as it was, and adds nothing on a second call.
    support::RenderOptions clear{.frameWidth = 640, .frameHeight = 320, .moduleSize = 3.5, .angle = 10,
                                 .centre = support::Point{160, 160}};
    auto r = support::render({.symbology = BARCODE_AZTEC, .data = "LEFT", .option2 = 6}, clear);
    ASSERT_TRUE(r.symbol.ok) << r.symbol.error;
    support::RenderOptions pale = clear;
    pale.centre = support::Point{480, 160};
    pale.dark = 450;
    pale.light = 570;
    pale.blur = 1.0;
    pale.noise = 14;
    auto const p = support::render({.symbology = BARCODE_AZTEC, .data = "RIGHT", .option2 = 6}, pale);
    ASSERT_TRUE(p.symbol.ok) << p.symbol.error;
    for (int y = 0; y < r.frame.height; ++y) {
        for (int x = 320; x < r.frame.width; ++x) {
            r.frame.at(x, y) = p.frame.at(x, y);
        }
    }
    GrayImage const image(r.frame.width, r.frame.height, r.frame.width, r.frame.pixels.data());
    DEC2DIvra::Rectangle const area{0, 0, r.frame.width - 1, r.frame.height - 1};
    auto near = [](DEC2DIvra::FinderSighting const& eye, int x, int y) {
        return std::abs(eye.centre.x - x) <= 6 && std::abs(eye.centre.y - y) <= 6;
    };
    static MatrixCandidateFinder finder;
    MatrixCandidateFinder::Wanted wanted;
    wanted.bullsEyes = true;
    finder.Start(image, area, 2, wanted);
    unsigned const listed = finder.GetBullsEyeCount();
    unsigned const strict = finder.GetStrictBullsEyeCount();
    ASSERT_GE(listed, 1u);
    EXPECT_TRUE(near(finder.GetBullsEyes()[0], 160, 160));
    for (unsigned i = 0; i < listed; ++i) {
        EXPECT_FALSE(near(finder.GetBullsEyes()[i], 480, 160));
    }
    DEC2DIvra::FinderSighting const first = finder.GetBullsEyes()[0];
    finder.SweepFaintBullsEyes(image, area, 2);
    unsigned const swept = finder.GetBullsEyeCount();
    EXPECT_EQ(finder.GetStrictBullsEyeCount(), strict);
    EXPECT_TRUE(finder.GetBullsEyes()[0].centre == first.centre);
    bool seen = false;
    for (unsigned i = listed; i < swept; ++i) {
        seen = seen || near(finder.GetBullsEyes()[i], 480, 160);
    }
    EXPECT_TRUE(seen);
    finder.SweepFaintBullsEyes(image, area, 2);
    EXPECT_EQ(finder.GetBullsEyeCount(), swept);
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

        // The second sweep of the image takes the rows' block measures the
        // first one kept: it must find what the one that measured them did.
        wanted.qrFinders = false;
        wanted.bullsEyes = true;
        wanted.sameImage = true;
        alone.Start(image, area, 2, wanted);
        EXPECT_TRUE(same(alone.GetBullsEyes(), alone.GetBullsEyeCount(), both.GetBullsEyes(), both.GetBullsEyeCount()));
        EXPECT_EQ(alone.GetStrictBullsEyeCount(), both.GetStrictBullsEyeCount());
        // So must a sweep on other rows, some of them kept and some not.
        DEC2DIvra::Rectangle const lower{0, 3, frame.width - 1, frame.height - 1};
        alone.Start(image, lower, 3, wanted);
        wanted.sameImage = false;
        both.Start(image, lower, 3, wanted);
        EXPECT_TRUE(same(alone.GetBullsEyes(), alone.GetBullsEyeCount(), both.GetBullsEyes(), both.GetBullsEyeCount()));
        both.Start(image, area, 2, wanted);
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

TEST(MatrixCandidateFinderTest, BullsEyeSweepInPartsEndsWithTheWholeSweepsList)
{
    // The bull's-eye sweep taken in four interleaved parts, other sweeps of
    // the image between them: after the last part the list holds what one
    // sweep over all rows finds (merged sightings may average their centres
    // in another order) of strict sightings, and loose ones after them
    // when it finds any (a full list of those keeps the ones its row order
    // leaves it).
    struct Case {
        double module;
        double angle;
        double blur;
        double noise;
        int layers;
    };
    Case const cases[] = {{3.0, 0, 0, 0, 4}, {2.0, 25, 0.8, 20, 12}, {2.0, 40, 0, 30, 20}, {3.5, 10, 1.2, 0, 1}};
    static MatrixCandidateFinder whole;
    static MatrixCandidateFinder parts;
    for (Case const& c : cases) {
        SCOPED_TRACE(std::to_string(c.module) + " " + std::to_string(c.angle) + " layers " + std::to_string(c.layers));
        support::Frame frame = support::makeFrame();
        support::RenderOptions const aztec{.moduleSize = c.module, .angle = c.angle, .centre = support::Point{330, 240}};
        std::string const data(static_cast<size_t>(c.layers) * 20, 'P');
        auto const eye = support::drawSymbol(frame, {.symbology = BARCODE_AZTEC, .data = data}, aztec);
        ASSERT_TRUE(eye.ok) << eye.error;
        support::finishFrame(frame, {.blur = c.blur, .noise = c.noise, .seed = 11});
        GrayImage const image(frame.width, frame.height, frame.width, frame.pixels.data());
        DEC2DIvra::Rectangle const area{0, 1, frame.width - 1, frame.height - 1};

        MatrixCandidateFinder::Wanted wanted;
        wanted.bullsEyes = true;
        whole.Start(image, area, 2, wanted);

        for (int part = 0; part < 4; ++part) {
            MatrixCandidateFinder::Wanted p = PartOfSweep(area, part);
            p.bullsEyes = true;
            DEC2DIvra::Rectangle const rows = RowsOfPart(area, part);
            parts.Start(image, rows, 8, p);
            // A QR sweep between the parts leaves the bull's-eyes as they are.
            MatrixCandidateFinder::Wanted qr;
            qr.qrFinders = true;
            qr.sameImage = true;
            unsigned const before = parts.GetBullsEyeCount();
            parts.Start(image, area, 2, qr);
            ASSERT_EQ(before, parts.GetBullsEyeCount());
        }
        EXPECT_EQ(whole.GetStrictBullsEyeCount(), parts.GetStrictBullsEyeCount());
        EXPECT_EQ(whole.GetBullsEyeCount() > whole.GetStrictBullsEyeCount(),
                  parts.GetBullsEyeCount() > parts.GetStrictBullsEyeCount());
        for (unsigned i = 0; i < whole.GetStrictBullsEyeCount(); ++i) {
            auto const& w = whole.GetBullsEyes()[i];
            bool matched = false;
            for (unsigned k = 0; k < parts.GetStrictBullsEyeCount() && !matched; ++k) {
                auto const& q = parts.GetBullsEyes()[k];
                matched = q.kind == w.kind && q.dark == w.dark && q.rows == w.rows &&
                          std::abs(q.centre.x - w.centre.x) <= 1 && std::abs(q.centre.y - w.centre.y) <= 1;
            }
            EXPECT_TRUE(matched) << "eye " << i << " at " << w.centre.x << "," << w.centre.y;
        }
    }
}

TEST(MatrixCandidateFinderTest, QRFinderSweepInPartsEndsWithTheWholeSweepsFinders)
{
    // The QR-finder sweep taken in four interleaved parts, a bull's-eye part
    // and an L sweep of the image between them (as the matrix stages take
    // turns): after the last part the list holds the finders one sweep over
    // all rows finds, each seen on as many rows (merged sightings average
    // their centres in another order).
    struct Case {
        double module;
        double angle;
        double noise;
        int version;
    };
    Case const cases[] = {{3.0, 0, 0, 2}, {2.0, 30, 20, 10}, {4.0, 45, 0, 1}, {2.0, 15, 30, 25}};
    static MatrixCandidateFinder whole;
    static MatrixCandidateFinder parts;
    for (Case const& c : cases) {
        SCOPED_TRACE(std::to_string(c.module) + " " + std::to_string(c.angle) + " version " +
                     std::to_string(c.version));
        support::Frame frame = support::makeFrame();
        std::string const data(static_cast<size_t>(c.version) * 12, 'Q');
        auto const qr = support::drawSymbol(frame, {.symbology = BARCODE_QRCODE, .data = data, .option2 = c.version},
                                            {.moduleSize = c.module, .angle = c.angle,
                                             .centre = support::Point{320, 240}});
        ASSERT_TRUE(qr.ok) << qr.error;
        support::finishFrame(frame, {.noise = c.noise, .seed = 5});
        GrayImage const image(frame.width, frame.height, frame.width, frame.pixels.data());
        DEC2DIvra::Rectangle const area{0, 1, frame.width - 1, frame.height - 1};

        MatrixCandidateFinder::Wanted wanted;
        wanted.qrFinders = true;
        whole.Start(image, area, 2, wanted);

        for (int part = 0; part < 4; ++part) {
            MatrixCandidateFinder::Wanted p = PartOfSweep(area, part);
            p.qrFinders = true;
            DEC2DIvra::Rectangle const rows = RowsOfPart(area, part);
            parts.Start(image, rows, 8, p);
            unsigned const before = parts.GetQRFinderCount();
            MatrixCandidateFinder::Wanted eyes = p;
            eyes.qrFinders = false;
            eyes.bullsEyes = true;
            parts.Start(image, rows, 8, eyes);
            parts.StartLPatterns(image, area, 2, true);
            for (int y = rows.top; y <= rows.bottom; y += 8) {
                parts.SweepLPatternRow(image, y);
            }
            ASSERT_EQ(before, parts.GetQRFinderCount()) << "another sweep changed the QR finders";
        }
        ASSERT_GE(whole.GetQRFinderCount(), 3u);
        EXPECT_EQ(whole.GetQRFinderCount(), parts.GetQRFinderCount());
        for (unsigned i = 0; i < whole.GetQRFinderCount(); ++i) {
            auto const& w = whole.GetQRFinders()[i];
            bool matched = false;
            for (unsigned k = 0; k < parts.GetQRFinderCount() && !matched; ++k) {
                auto const& q = parts.GetQRFinders()[k];
                matched = q.dark == w.dark && q.rows == w.rows && q.square == w.square &&
                          std::abs(q.centre.x - w.centre.x) <= 1 && std::abs(q.centre.y - w.centre.y) <= 1;
            }
            EXPECT_TRUE(matched) << "finder " << i << " at " << w.centre.x << "," << w.centre.y << " rows " << w.rows;
        }
    }
}

TEST(MatrixCandidateFinderTest, RowBlocksAreMeasuredAlikeOnLanesAndOneAtATime)
{
    // Three blocks of 16 pixels: flat at 100, flat at 100, flat at 400. The
    // middle one steps from its neighbour, the last one is stepped into;
    // the first has neither range nor step.
    std::vector<unsigned short> steps(48, 100);
    for (int x = 32; x < 48; ++x) {
        steps[static_cast<size_t>(x)] = 400;
    }
    for (bool const lanes : {true, false}) {
        unsigned short threshold[8];
        unsigned short margin[8];
        unsigned short middle[8];
        ASSERT_TRUE(DEC2DIvra::MeasureRowBlocks(steps.data(), 0, 47, 3, threshold, margin, middle, lanes));
        EXPECT_EQ(threshold[0], 100);
        EXPECT_EQ(margin[0], 0);
        EXPECT_EQ(threshold[1], 250);
        EXPECT_EQ(margin[1], 300);
        EXPECT_EQ(threshold[2], 250);
        EXPECT_EQ(margin[2], 300);
        EXPECT_EQ(middle[2], 400);
    }

    // Rows of every kind of grey and length, the last block short or whole,
    // eight-block groups whole or not: the lanes give what one block at a
    // time gives.
    struct Case {
        int left;
        int width;
        unsigned range;  // greys 0 .. range - 1
        int flatEvery;   // a flat block every so many (0: none)
    };
    Case const cases[] = {
        {0, 640, 1024, 0},   {3, 637, 1024, 3},   {0, 128, 65536, 0},  {5, 130, 65536, 2},
        {0, 1, 1024, 0},     {0, 17, 200, 0},     {7, 1000, 170, 0},   {0, 2048, 1024, 5},
        {1, 16 * 9, 65536, 4}, {0, 16 * 8 - 1, 1024, 0}, {0, 16384, 1024, 7},
    };
    std::srand(11);
    for (Case const& c : cases) {
        SCOPED_TRACE(std::to_string(c.left) + " + " + std::to_string(c.width));
        std::vector<unsigned short> row(static_cast<size_t>(c.left + c.width) + 16);
        for (size_t x = 0; x < row.size(); ++x) {
            bool const flat = c.flatEvery > 0 && (x / 16) % static_cast<size_t>(c.flatEvery) == 0;
            row[x] = static_cast<unsigned short>(flat ? c.range / 2 : static_cast<unsigned>(std::rand()) % c.range);
        }
        int const right = c.left + c.width - 1;
        unsigned const count = static_cast<unsigned>((c.width + 15) / 16);
        unsigned const capped = count > MatrixCandidateFinder::kMaxBlocks ? MatrixCandidateFinder::kMaxBlocks : count;
        std::vector<unsigned short> fast(3 * 1032);
        std::vector<unsigned short> plain(3 * 1032);
        for (int const floor : {MatrixCandidateFinder::kContrastFloor, MatrixCandidateFinder::kFaintContrastFloor}) {
            bool const a = DEC2DIvra::MeasureRowBlocks(row.data(), c.left, right, count, fast.data(),
                                                       fast.data() + 1032, fast.data() + 2064, true, floor);
            bool const b = DEC2DIvra::MeasureRowBlocks(row.data(), c.left, right, count, plain.data(),
                                                       plain.data() + 1032, plain.data() + 2064, false, floor);
            EXPECT_EQ(a, b);
            unsigned differ = 0;
            for (unsigned k = 0; k < capped; ++k) {
                for (unsigned part = 0; part < 3; ++part) {
                    differ += fast[part * 1032 + k] != plain[part * 1032 + k];
                }
            }
            EXPECT_EQ(differ, 0u);
        }
    }
}

// The whole-pixel count as its description gives it, one point and one tap
// at a time.
int CountPlainly(GrayImage const& image, int threshold, bool dark, int dx, int dy, int x, int y, int ax, int ay,
                 int far)
{
    int n = 0;
    for (; n < far; ++n) {
        int sum = 0;
        for (int k = -1; k <= 1; ++k) {
            int const px = (x + ax * (n + 1) + k * dx) >> 8;
            int const py = (y + ay * (n + 1) + k * dy) >> 8;
            if (!image.IsInside(px, py)) {
                return n;
            }
            sum += image.At(px, py);
        }
        if ((sum < 3 * threshold) != dark) {
            break;
        }
    }
    return n;
}

TEST(MatrixCandidateFinderTest, StripSamplesAreCountedAsOnePointAtATime)
{
    // A frame of dark and light blobs with noise, exactly as wide as its
    // pitch or narrower; runs from every kind of start, direction and
    // length, many of them reaching past the frame's edges. Whole pixels,
    // on lanes or not: as one point at a time, the image's edge found by
    // halving; quarter pixels (some steps rounded toward zero): the lanes
    // as one point at a time, on 10-bit and 16-bit greys.
    struct Case {
        int width;
        int height;
        int pitch;
        int scale;  // grey levels times this: 64 gives 16-bit greys
    };
    Case const cases[] = {{97, 61, 97, 1}, {64, 64, 70, 1}, {13, 200, 13, 1}, {80, 50, 80, 64}};
    std::srand(5);
    for (Case const& c : cases) {
        SCOPED_TRACE(std::to_string(c.width) + " x " + std::to_string(c.height));
        std::vector<unsigned short> pixels(static_cast<size_t>(c.pitch) * static_cast<size_t>(c.height));
        for (int y = 0; y < c.height; ++y) {
            for (int x = 0; x < c.pitch; ++x) {
                bool const dark = ((x / 7) + (y / 5)) % 3 == 0;
                pixels[static_cast<size_t>(y * c.pitch + x)] =
                    static_cast<unsigned short>(((dark ? 100 : 800) + std::rand() % 200) * c.scale);
            }
        }
        GrayImage const image(c.width, c.height, c.pitch, pixels.data());
        unsigned differ = 0;
        unsigned long long counted[2] = {0, 0};
        unsigned edgeEnded = 0;
        for (int trial = 0; trial < 20000; ++trial) {
            double const angle = (std::rand() % 3600) * 3.14159265358979 / 1800.0;
            int const dx = static_cast<int>(std::lround(256 * std::cos(angle)));
            int const dy = static_cast<int>(std::lround(256 * std::sin(angle)));
            // Starts a little off the frame too: points off it end a run.
            // Every other start lies within a few pixels of a side, where
            // a run's last point whose taps are all on the frame counts.
            int x = std::rand() % ((c.width + 4) * 256) - 2 * 256;
            int y = std::rand() % ((c.height + 4) * 256) - 2 * 256;
            if (trial % 2 == 1) {
                int const margin = std::rand() % (4 * 256);
                int const sideOf = std::rand() % 4;
                x = sideOf == 0 ? margin : (sideOf == 1 ? c.width * 256 - 1 - margin : x);
                y = sideOf == 2 ? margin : (sideOf == 3 ? c.height * 256 - 1 - margin : y);
            }
            int const far = std::rand() % 40;
            int const threshold = (300 + std::rand() % 400) * c.scale;
            bool const dark = std::rand() % 2 == 0;
            for (int side = -1; side <= 1; side += 2) {
                int const ax = dy * side;
                int const ay = -dx * side;
                int const plain = CountPlainly(image, threshold, dark, dx, dy, x, y, ax, ay, far);
                for (bool const lanes : {false, true}) {
                    differ += DEC2DIvra::CountStripSamples(image, threshold, dark, dx, dy, x, y, ax, ay, far, false,
                                                           lanes) != plain;
                }
                counted[0] += static_cast<unsigned long long>(plain);
                // Runs ended by the image's edge rather than by a colour.
                int const px = (x + ax * (plain + 1)) >> 8;
                int const py = (y + ay * (plain + 1)) >> 8;
                edgeEnded += plain < far && (px <= 1 || py <= 1 || px >= c.width - 2 || py >= c.height - 2);
                int const fast = DEC2DIvra::CountStripSamples(image, threshold, dark, dx, dy, x, y, ax, ay, far, true,
                                                              true);
                int const fine = DEC2DIvra::CountStripSamples(image, threshold, dark, dx, dy, x, y, ax, ay, far, true,
                                                              false);
                differ += fast != fine;
                counted[1] += static_cast<unsigned long long>(fine);
            }
        }
        EXPECT_EQ(differ, 0u);
        // Long runs were met (the lanes take runs of six or more), and
        // runs cut by the edge.
        EXPECT_GT(counted[0], 40000u);
        EXPECT_GT(counted[1], 40000u);
        EXPECT_GT(edgeEnded, 5000u);
    }
}

TEST(MatrixCandidateFinderTest, QuarterPixelStripsAreJudgedOnBrightSixteenBitGreys)
{
    // Uniform frames: every point of a run across them is of the frame's
    // colour, or none is, whatever the grey (16-bit greys of 32768 and
    // more too), on lanes and one point at a time.
    struct Case {
        int grey;
        int threshold;
        bool dark;  // the colour counted
        int expected;
    };
    Case const cases[] = {
        {700, 500, false, 20},      {700, 500, true, 0},         {60000, 30000, false, 20},
        {60000, 30000, true, 0},    {40000, 50000, true, 20},    {65535, 65535, false, 20},
        {32768, 32767, false, 20},  {32768, 32769, true, 20},
    };
    for (Case const& c : cases) {
        SCOPED_TRACE(std::to_string(c.grey) + " at " + std::to_string(c.threshold));
        std::vector<unsigned short> pixels(40 * 40, static_cast<unsigned short>(c.grey));
        GrayImage const image(40, 40, 40, pixels.data());
        for (bool const lanes : {false, true}) {
            // From (20.3, 20.7) across a strip along the row.
            EXPECT_EQ(DEC2DIvra::CountStripSamples(image, c.threshold, c.dark, 256, 0, 20 * 256 + 77, 20 * 256 + 179,
                                                   0, 256, 20, true, lanes),
                      c.expected);
        }
    }
}

}  // namespace
