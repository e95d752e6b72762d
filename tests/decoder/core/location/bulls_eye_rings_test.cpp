// The even-rings test on sighted bull's-eyes: a true Aztec bull's-eye passes,
// the ring-like runs of Data Matrix data do not, nor do images that tell
// nothing.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "decoder/core/gray_image.h"
#include "decoder/core/location/bulls_eye_rings.h"
#include "decoder/core/location/matrix_candidate_finder.h"
#include "tests/support/symbol_renderer.h"

namespace {

using DEC2DIvra::FinderSighting;
using DEC2DIvra::GrayImage;
using DEC2DIvra::MatrixCandidateFinder;

TEST(BullsEyeRingsTest, SightingsAtTheCentrePassAndInDataMatrixDataFail)
{
    struct Case {
        int symbology;
        std::string data;
        int size;  // zint's option 2
        double angle;
        double noise;
        unsigned evenAtCentre;  // at least
    };
    // Repeated data make periodic module patterns, ring-like on many rows.
    Case const cases[] = {
        {BARCODE_AZTEC, std::string(60, 'A'), 4, 30.0, 0.0, 1},
        {BARCODE_AZTEC, std::string(400, 'z'), 20, 45.0, 25.0, 1},
        {BARCODE_DATAMATRIX, std::string(900, '7'), 24, 0.0, 0.0, 0},
        {BARCODE_DATAMATRIX, std::string(120, 'x') + "0123456789", 15, 90.0, 0.0, 0},
    };
    static MatrixCandidateFinder finder;
    unsigned dataSightings = 0;
    for (Case const& c : cases) {
        SCOPED_TRACE(c.data.substr(0, 1) + " " + std::to_string(c.angle));
        support::Rendering const r =
            support::render({.symbology = c.symbology, .data = c.data, .option2 = c.size},
                            {.frameWidth = 900, .frameHeight = 700, .moduleSize = 2.0, .angle = c.angle,
                             .noise = c.noise});
        ASSERT_TRUE(r.symbol.ok) << r.symbol.error;
        GrayImage const image(r.frame.width, r.frame.height, r.frame.width, r.frame.pixels.data());
        MatrixCandidateFinder::Wanted wanted;
        wanted.bullsEyes = true;
        finder.Start(image, {0, 0, r.frame.width - 1, r.frame.height - 1}, 2, wanted);
        support::Point const centre = r.symbol.toFrame({r.symbol.widthModules / 2, r.symbol.heightModules / 2});
        unsigned even = 0;
        for (unsigned i = 0; i < finder.GetBullsEyeCount(); ++i) {
            FinderSighting const& eye = finder.GetBullsEyes()[i];
            bool const atCentre = std::abs(eye.centre.x - centre.x) <= 4 && std::abs(eye.centre.y - centre.y) <= 4;
            dataSightings += c.symbology == BARCODE_DATAMATRIX ? 1 : 0;
            even += eye.kind == MatrixCandidateFinder::kAztec && DEC2DIvra::HasEvenRings(image, eye) &&
                            (atCentre || c.symbology == BARCODE_DATAMATRIX)
                        ? 1
                        : 0;
        }
        EXPECT_GE(even, c.evenAtCentre);
        EXPECT_TRUE(c.symbology == BARCODE_AZTEC || even == 0) << even << " data sightings pass";
    }
    EXPECT_GT(dataSightings, 0u) << "the data cases are only worth their names while the data pass for eyes";
}

TEST(BullsEyeRingsTest, ImagesThatTellNothingHaveNoRings)
{
    std::vector<unsigned short> flat(200 * 200, 500);
    std::vector<unsigned short> halves(200 * 200, 900);  // contrast, one edge each way at most
    for (int y = 0; y < 200; ++y) {
        for (int x = 0; x < 100; ++x) {
            halves[y * 200 + x] = 100;
        }
    }
    struct Case {
        GrayImage image;
        DEC2DIvra::Point centre;
        int module;
    };
    Case const cases[] = {
        {GrayImage(200, 200, 200, flat.data()), {100, 100}, 3},
        {GrayImage(), {100, 100}, 3},
        {GrayImage(200, 200, 200, halves.data()), {100, 100}, 3},
        {GrayImage(200, 200, 200, halves.data()), {0, 0}, 0},
        {GrayImage(200, 200, 200, halves.data()), {-50, 400}, 4},
    };
    for (Case const& c : cases) {
        FinderSighting eye;
        eye.centre = c.centre;
        eye.module = c.module;
        EXPECT_FALSE(DEC2DIvra::HasEvenRings(c.image, eye)) << c.centre.x << ", " << c.centre.y;
    }
}

}  // namespace
