// How far the symbol around a sighted Aztec bull's-eye reaches: far enough to
// cover the whole symbol, whatever its turn, polarity or noise, and no
// farther than its corners and a little margin, so that a bar code beside
// it still goes to the linear decoders.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>

#include "decoder/core/gray_image.h"
#include "decoder/core/location/bulls_eye_reach.h"
#include "decoder/core/location/matrix_candidate_finder.h"
#include "tests/support/symbol_renderer.h"

namespace {

using DEC2DIvra::FinderSighting;
using DEC2DIvra::GrayImage;
using DEC2DIvra::MatrixCandidateFinder;

TEST(BullsEyeReachTest, ReachCoversTheSymbolAndLittleMore)
{
    struct Case {
        char const* name;
        int version;  // zint's: 1-4 compact, 5-36 full range
        double module;
        double angle;
        bool inverted;
        double noise;
    };
    Case const cases[] = {
        {"compact 2 layers", 2, 3.0, 0.0, false, 0.0},
        {"compact 4 layers turned", 4, 3.0, 40.0, false, 0.0},
        {"full range 8 layers light on dark", 12, 2.5, 15.0, true, 0.0},
        {"full range 20 layers noisy", 24, 2.0, 0.0, false, 30.0},
        {"full range 32 layers turned", 36, 2.0, 45.0, false, 0.0},
    };
    std::string text;
    while (text.size() < 1500) {
        text += "Reach " + std::to_string(text.size() * 7 % 997) + ", ";
    }
    static MatrixCandidateFinder finder;
    for (Case const& c : cases) {
        SCOPED_TRACE(c.name);
        int const layers = c.version <= 4 ? c.version : c.version - 4;
        std::size_t const length = c.version <= 4 ? 6u + 8u * layers : 10u + 2u * layers * layers;
        auto const r = support::render(
            {.symbology = BARCODE_AZTEC, .data = text.substr(0, length), .option2 = c.version},
            {.frameWidth = 900, .frameHeight = 700, .moduleSize = c.module, .angle = c.angle, .quietZone = 3.0,
             .inverted = c.inverted, .noise = c.noise});
        ASSERT_TRUE(r.symbol.ok) << r.symbol.error;
        GrayImage const image(r.frame.width, r.frame.height, r.frame.width, r.frame.pixels.data());
        MatrixCandidateFinder::Wanted wanted;
        wanted.bullsEyes = true;
        finder.Start(image, {0, 0, r.frame.width - 1, r.frame.height - 1}, 2, wanted);
        support::Point const centre = r.symbol.toFrame({r.symbol.widthModules / 2, r.symbol.heightModules / 2});
        FinderSighting const* eye = nullptr;
        for (unsigned i = 0; i < finder.GetBullsEyeCount() && eye == nullptr; ++i) {
            FinderSighting const& seen = finder.GetBullsEyes()[i];
            if (std::abs(seen.centre.x - centre.x) <= 2 * c.module && std::abs(seen.centre.y - centre.y) <= 2 * c.module) {
                eye = &seen;
            }
        }
        ASSERT_NE(eye, nullptr) << "no bull's-eye sighted at the centre";
        // The symbol's corners, each as far along x or y as the reach must go.
        double needed = 0;
        for (support::Point const& corner : r.symbol.corners) {
            needed = std::max({needed, std::fabs(corner.x - eye->centre.x), std::fabs(corner.y - eye->centre.y)});
        }
        int const reach = DEC2DIvra::MeasureBullsEyeReach(image, *eye);
        EXPECT_GE(reach, needed - c.module) << "the symbol's corners lie " << needed << " px out";
        // The quiet zone and a module of slack; the largest symbol's bound would be far beyond.
        EXPECT_LE(reach, needed + 5 * c.module) << "the symbol's corners lie " << needed << " px out";
    }
}

TEST(BullsEyeReachTest, BarsMetAtASlantReachNothing)
{
    // Thin bars and spaces of one width, turned, pass the sighting's run
    // tests across, along the column and on the diagonals: their rings are
    // not square, and the bar code must not be taken for a symbol's data.
    struct Case {
        int symbology;
        char const* data;
        double module;
        double angle;
    };
    Case const cases[] = {
        {BARCODE_UPCE, "0123456", 2.0, 30.0},  {BARCODE_EANX, "1234567", 2.0, 30.0},
        {BARCODE_UPCE, "0123456", 3.0, 150.0}, {BARCODE_CODE128, "ABCDEFGHIJ1234567890", 2.0, 35.0},
    };
    static MatrixCandidateFinder finder;
    unsigned sighted = 0;
    for (Case const& c : cases) {
        SCOPED_TRACE(std::string(c.data) + " at " + std::to_string(c.angle));
        auto const r = support::render({.symbology = c.symbology, .data = c.data},
                                       {.moduleSize = c.module, .angle = c.angle});
        ASSERT_TRUE(r.symbol.ok) << r.symbol.error;
        GrayImage const image(r.frame.width, r.frame.height, r.frame.width, r.frame.pixels.data());
        MatrixCandidateFinder::Wanted wanted;
        wanted.bullsEyes = true;
        finder.Start(image, {0, 0, r.frame.width - 1, r.frame.height - 1}, 2, wanted);
        for (unsigned i = 0; i < finder.GetBullsEyeCount(); ++i) {
            FinderSighting const& eye = finder.GetBullsEyes()[i];
            if (eye.kind == MatrixCandidateFinder::kAztec) {
                ++sighted;
                EXPECT_EQ(DEC2DIvra::MeasureBullsEyeReach(image, eye), 0)
                    << "an eye at " << eye.centre.x << ", " << eye.centre.y;
            }
        }
    }
    // The case is only worth its name while the bars do pass for eyes.
    EXPECT_GT(sighted, 0u);
}

TEST(BullsEyeReachTest, FlatOrEmptyImageReachesNothing)
{
    std::vector<unsigned short> flat(200 * 200, 500);
    FinderSighting eye;
    eye.centre = {100, 100};
    eye.module = 3;
    EXPECT_EQ(DEC2DIvra::MeasureBullsEyeReach(GrayImage(200, 200, 200, flat.data()), eye), 0);
    EXPECT_EQ(DEC2DIvra::MeasureBullsEyeReach(GrayImage(), eye), 0);
}

}  // namespace
