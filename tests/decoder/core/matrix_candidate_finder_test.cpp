// The bull's-eye sightings of the matrix candidate finder on blurred MaxiCode
// symbols: a blur that leaves the rings as shallow swings inside the block
// thresholds must still give a MaxiCode sighting at the centre.
#include <gtest/gtest.h>

#include <cstdlib>

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

}  // namespace
