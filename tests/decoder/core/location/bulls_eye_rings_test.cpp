// The even-rings test on sighted bull's-eyes: a true Aztec bull's-eye passes
// whatever its size, turn, polarity, noise or slant; the ring-like runs that
// Data Matrix data make on a row do not, nor does a flat or empty image.
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

struct Sightings {
    unsigned atCentre = 0;
    unsigned even = 0;
    unsigned elsewhere = 0;
    unsigned evenElsewhere = 0;
};

// The Aztec-kind sightings of a sweep over the frame, those within two
// modules of the symbol's centre apart from the others, and how many of
// each pass.
Sightings Sweep(support::Rendering const& r, double module)
{
    static MatrixCandidateFinder finder;
    GrayImage const image(r.frame.width, r.frame.height, r.frame.width, r.frame.pixels.data());
    MatrixCandidateFinder::Wanted wanted;
    wanted.bullsEyes = true;
    finder.Start(image, {0, 0, r.frame.width - 1, r.frame.height - 1}, 2, wanted);
    support::Point const centre = r.symbol.toFrame({r.symbol.widthModules / 2, r.symbol.heightModules / 2});
    Sightings seen;
    for (unsigned i = 0; i < finder.GetBullsEyeCount(); ++i) {
        FinderSighting const& eye = finder.GetBullsEyes()[i];
        if (eye.kind != MatrixCandidateFinder::kAztec) {
            continue;
        }
        bool const even = DEC2DIvra::HasEvenRings(image, eye);
        if (std::abs(eye.centre.x - centre.x) <= 2 * module && std::abs(eye.centre.y - centre.y) <= 2 * module) {
            ++seen.atCentre;
            seen.even += even ? 1 : 0;
        } else {
            ++seen.elsewhere;
            seen.evenElsewhere += even ? 1 : 0;
        }
    }
    return seen;
}

TEST(BullsEyeRingsTest, TrueBullsEyesPassAndDataMatrixDataDoesNot)
{
    struct Case {
        char const* name;
        int symbology;
        std::string data;
        int size;  // zint's option 2
        double module;
        double angle;
        bool inverted;
        double noise;
        double blur;
        double perspective;
    };
    std::string text;
    while (text.size() < 900) {
        text += "Rings " + std::to_string(text.size() * 13 % 991) + "; ";
    }
    Case const cases[] = {
        {"compact Aztec", BARCODE_AZTEC, text.substr(0, 30), 2, 3.0, 0.0, false, 0.0, 0.0, 0.0},
        {"compact Aztec turned", BARCODE_AZTEC, text.substr(0, 60), 4, 2.0, 30.0, false, 0.0, 0.0, 0.0},
        {"full-range Aztec light on dark", BARCODE_AZTEC, text.substr(0, 200), 12, 2.5, 75.0, true, 0.0, 0.0,
         0.0},
        {"full-range Aztec noisy", BARCODE_AZTEC, text.substr(0, 400), 20, 2.0, 45.0, false, 25.0, 0.0, 0.0},
        {"full-range Aztec blurred", BARCODE_AZTEC, text.substr(0, 200), 12, 3.0, 15.0, false, 0.0, 1.0, 0.0},
        {"full-range Aztec slanted", BARCODE_AZTEC, text.substr(0, 200), 12, 3.0, 105.0, false, 0.0, 0.0, 0.2},
        // Repeated data make periodic module patterns, ring-like on many rows.
        {"Data Matrix 144 x 144", BARCODE_DATAMATRIX, std::string(900, '7') + "END", 24, 2.0, 0.0, false, 0.0,
         0.0, 0.0},
        {"Data Matrix 96 x 96", BARCODE_DATAMATRIX, text.substr(0, 600), 20, 2.0, 45.0, false, 0.0, 0.0, 0.0},
        {"Data Matrix 52 x 52", BARCODE_DATAMATRIX, std::string(120, 'x') + "0123456789", 15, 3.0, 90.0, false,
         0.0, 0.0, 0.0},
        {"Data Matrix 72 x 72", BARCODE_DATAMATRIX, std::string(200, 'Q') + "abcdefghij", 17, 2.0, 135.0, false,
         0.0, 0.0, 0.0},
    };
    unsigned dataSightings = 0;
    for (Case const& c : cases) {
        SCOPED_TRACE(c.name);
        support::Rendering const r =
            support::render({.symbology = c.symbology, .data = c.data, .option2 = c.size},
                            {.frameWidth = 900, .frameHeight = 700, .moduleSize = c.module, .angle = c.angle,
                             .inverted = c.inverted, .perspectiveX = c.perspective, .blur = c.blur,
                             .noise = c.noise});
        ASSERT_TRUE(r.symbol.ok) << r.symbol.error;
        Sightings const seen = Sweep(r, c.module);
        if (c.symbology == BARCODE_AZTEC) {
            // Sightings a module or two off the centre may fail: the reader
            // needs one at the centre.
            ASSERT_GT(seen.atCentre, 0u) << "no bull's-eye sighted at the centre";
            EXPECT_GE(seen.even, 1u) << "of " << seen.atCentre;
        } else {
            dataSightings += seen.atCentre + seen.elsewhere;
            EXPECT_EQ(seen.even + seen.evenElsewhere, 0u) << "of " << seen.atCentre + seen.elsewhere;
        }
    }
    // The data cases are only worth their names while the data do pass for eyes.
    EXPECT_GT(dataSightings, 0u);
}

TEST(BullsEyeRingsTest, FlatEmptyOrEdgeImageHasNoRings)
{
    std::vector<unsigned short> flat(200 * 200, 500);
    // Half dark, half light: contrast on the row, but one edge each way at most.
    std::vector<unsigned short> halves(200 * 200, 900);
    for (int y = 0; y < 200; ++y) {
        for (int x = 0; x < 100; ++x) {
            halves[y * 200 + x] = 100;
        }
    }
    struct Case {
        char const* name;
        GrayImage image;
        DEC2DIvra::Point centre;
        int module;
    };
    Case const cases[] = {
        {"flat", GrayImage(200, 200, 200, flat.data()), {100, 100}, 3},
        {"no pixels", GrayImage(), {100, 100}, 3},
        {"one edge", GrayImage(200, 200, 200, halves.data()), {100, 100}, 3},
        {"at the corner, module 0", GrayImage(200, 200, 200, halves.data()), {0, 0}, 0},
        {"off the image", GrayImage(200, 200, 200, halves.data()), {-50, 400}, 4},
    };
    for (Case const& c : cases) {
        SCOPED_TRACE(c.name);
        FinderSighting eye;
        eye.centre = c.centre;
        eye.module = c.module;
        EXPECT_FALSE(DEC2DIvra::HasEvenRings(c.image, eye));
    }
}

}  // namespace
