// The Model 2 mesh between finders and alignment patterns, over zint
// symbols: every module centre, ring included, lands near the symbol's own,
// also with perspective, with a finder missing and with the last alignment
// pattern blanked; a symbol cut by the frame's edge gives no mesh.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "decoder/core/gray_image.h"
#include "decoder/core/sampling/common_code_mesh.h"
#include "decoder/matrix/qr/qr_model2_mesh.h"
#include "tests/support/polygon.h"
#include "tests/support/symbol_renderer.h"

namespace {

using DEC2DIvra::CalcModel2QRCodeMeshSubroutine;
using DEC2DIvra::CommonCodeMesh;
using DEC2DIvra::Point;
using DEC2DIvra::QRFinderRegion;

// Frame coordinates put a pixel's centre at + 0.5, the decoder's at its
// index.
Point Fixed(support::Point const& p)
{
    return Point{static_cast<int>(std::lround((p.x - 0.5) * 256.0)),
                 static_cast<int>(std::lround((p.y - 0.5) * 256.0))};
}

QRFinderRegion Finder(support::RenderedSymbol const& symbol, double x, double y)
{
    QRFinderRegion f;
    f.corner[0] = Fixed(symbol.toFrame({x + 0.5, y + 0.5}));
    f.corner[1] = Fixed(symbol.toFrame({x + 6.5, y + 0.5}));
    f.corner[2] = Fixed(symbol.toFrame({x + 6.5, y + 6.5}));
    f.corner[3] = Fixed(symbol.toFrame({x + 0.5, y + 6.5}));
    f.size = static_cast<unsigned>(std::hypot(f.corner[1].x - f.corner[0].x, f.corner[1].y - f.corner[0].y));
    f.CalcMiddlePoints();
    return f;
}

enum class Damage { kNone, kNoTopRight, kLastAlignmentBlank };

struct Case {
    int version;
    support::RenderOptions options;
    Damage damage;
};

TEST(QRModel2MeshTest, EveryModuleCentreLandsOnTheSymbol)
{
    Case const cases[] = {
        {2, {.moduleSize = 4.0, .angle = 12.0}, Damage::kNone},
        {6, {.moduleSize = 3.0, .angle = 200.0, .inverted = true}, Damage::kNone},
        {7, {.moduleSize = 3.0, .angle = 30.0, .perspectiveX = 0.25, .perspectiveY = 0.1}, Damage::kNone},
        {12, {.moduleSize = 2.5, .angle = 95.0}, Damage::kLastAlignmentBlank},
        {9, {.moduleSize = 3.0, .angle = 5.0}, Damage::kNoTopRight},
        {25, {.moduleSize = 3.0, .angle = 3.0}, Damage::kNone},
    };
    CalcModel2QRCodeMeshSubroutine const subroutine;
    std::vector<Point> points(181 * 181);
    for (Case const& c : cases) {
        support::SymbolInput input{.symbology = BARCODE_QRCODE, .data = "mesh " + std::to_string(c.version)};
        input.option1 = 2;
        input.option2 = c.version;
        support::Rendering r = support::render(input, c.options);
        ASSERT_TRUE(r.symbol.ok) << r.symbol.error;
        int const side = 4 * c.version + 17;
        if (c.damage == Damage::kLastAlignmentBlank) {
            support::Polygon patch;
            double const a = side - 9.0;
            double const b = side - 4.0;
            for (support::Point const m : {support::Point{a, a}, {b, a}, {b, b}, {a, b}}) {
                patch.add(r.symbol.toFrame(m));
            }
            support::fillPolygon(r.frame, patch, c.options.inverted ? 100 : 900);
        }
        DEC2DIvra::GrayImage const image(r.frame.width, r.frame.height, r.frame.width, r.frame.pixels.data());
        QRFinderRegion const topLeft = Finder(r.symbol, 0, 0);
        QRFinderRegion const topRight = Finder(r.symbol, side - 7, 0);
        QRFinderRegion const bottomLeft = Finder(r.symbol, 0, side - 7);
        CommonCodeMesh mesh(DEC2DIvra::VirtualArray<Point>(points.data(), static_cast<unsigned>(points.size())));
        unsigned const v = static_cast<unsigned>(c.version);
        int const filled =
            c.version <= 6 ? subroutine.StartForSmallVersion(image, topLeft, topRight, bottomLeft,
                                                             c.options.inverted, v, mesh)
                           : subroutine.Start(image, &topLeft, c.damage == Damage::kNoTopRight ? nullptr : &topRight,
                                              &bottomLeft, c.options.inverted, v, mesh);
        ASSERT_EQ(filled, 1) << "version " << c.version;
        ASSERT_EQ(mesh.GetWidth(), static_cast<unsigned>(side + 2));
        double worst = 0.0;
        support::Point at{};
        for (int y = 0; y < side + 2; ++y) {
            for (int x = 0; x < side + 2; ++x) {
                support::Point const truth = r.symbol.toFrame({x - 0.5, y - 0.5});
                Point const p = mesh.At(static_cast<unsigned>(x), static_cast<unsigned>(y));
                double const off = std::hypot(p.x / 256.0 + 0.5 - truth.x, p.y / 256.0 + 0.5 - truth.y);
                if (off > worst) {
                    worst = off;
                    at = {x - 1.0, y - 1.0};
                }
            }
        }
        // Half a module everywhere, the ring too; a module where a pattern
        // is gone and the corner is extrapolated from the others.
        double const bound = c.damage == Damage::kLastAlignmentBlank ? 1.0 : 0.5;
        EXPECT_LT(worst, c.options.moduleSize * bound) << "version " << c.version << " at module " << at.x << ", " << at.y;
    }
}

// The frame's columns pushed down by a bow across the symbol, as a label
// on a bottle seen side on: the rows of modules bend.
struct Bow {
    double left;
    double right;
    double depth;  // pixels at the middle

    double At(double x) const
    {
        return x <= left || x >= right ? 0.0 : depth * std::sin(3.14159265358979 * (x - left) / (right - left));
    }
};

support::Frame Bend(support::Frame const& flat, Bow const& bow)
{
    support::Frame bent = flat;
    for (int y = 0; y < flat.height; ++y) {
        for (int x = 0; x < flat.width; ++x) {
            double const from = y - bow.At(x + 0.5);
            int const y0 = static_cast<int>(std::floor(from));
            double const f = from - y0;
            auto grey = [&](int row) { return flat.at(x, std::clamp(row, 0, flat.height - 1)); };
            bent.at(x, y) = static_cast<uint16_t>(std::lround(grey(y0) * (1.0 - f) + grey(y0 + 1) * f));
        }
    }
    return bent;
}

TEST(QRModel2MeshTest, ACurvedSmallSymbolIsFollowedAlongItsTimingPatterns)
{
    CalcModel2QRCodeMeshSubroutine const subroutine;
    std::vector<Point> points(45 * 45);
    for (int version : {1, 3, 5}) {
        support::SymbolInput input{.symbology = BARCODE_QRCODE, .data = "bow"};
        input.option2 = version;
        double const module = 4.0;
        support::Rendering const r = support::render(input, {.moduleSize = module});
        ASSERT_TRUE(r.symbol.ok);
        int const side = 4 * version + 17;
        Bow const bow{r.symbol.toFrame({0, 0}).x, r.symbol.toFrame({side * 1.0, 0}).x, 0.6 * module};
        support::Frame const bent = Bend(r.frame, bow);
        auto truth = [&](double x, double y) {
            support::Point p = r.symbol.toFrame({x, y});
            p.y += bow.At(p.x);
            return p;
        };
        auto finder = [&](double x, double y) {
            QRFinderRegion f;
            support::Point const c[4] = {truth(x + 0.5, y + 0.5), truth(x + 6.5, y + 0.5), truth(x + 6.5, y + 6.5),
                                         truth(x + 0.5, y + 6.5)};
            for (unsigned k = 0; k < 4; ++k) {
                f.corner[k] = Fixed(c[k]);
            }
            f.size = static_cast<unsigned>(6 * module * 256);
            f.CalcMiddlePoints();
            return f;
        };
        DEC2DIvra::GrayImage const image(bent.width, bent.height, bent.width, bent.pixels.data());
        CommonCodeMesh mesh(DEC2DIvra::VirtualArray<Point>(points.data(), static_cast<unsigned>(points.size())));
        ASSERT_EQ(subroutine.StartForCurvedSmallVersion(image, finder(0, 0), finder(side - 7, 0),
                                                        finder(0, side - 7), false, static_cast<unsigned>(version),
                                                        mesh),
                  1)
            << "version " << version;
        // The middle of the timing row, where the bow is deepest, comes
        // within 0.4 module of its module centre, nearer than the flat mesh
        // puts it.
        double const middle = (side - 1) / 2.0;
        support::Point const t = truth(middle + 0.5, 6.5);
        auto off = [&](CommonCodeMesh const& m) {
            Point const p = m.At(static_cast<unsigned>(middle) + 1, 7);
            return std::hypot(p.x / 256.0 + 0.5 - t.x, p.y / 256.0 + 0.5 - t.y);
        };
        double const curved = off(mesh);
        EXPECT_LT(curved, 0.4 * module) << "version " << version;
        if (version > 1) {
            ASSERT_EQ(subroutine.StartForSmallVersion(image, finder(0, 0), finder(side - 7, 0), finder(0, side - 7),
                                                      false, static_cast<unsigned>(version), mesh),
                      1);
            EXPECT_LT(curved, off(mesh)) << "version " << version;
        }
    }
}

TEST(QRModel2MeshTest, VersionOneCornersComeFromTheFinderSides)
{
    support::SymbolInput input{.symbology = BARCODE_QRCODE, .data = "one"};
    input.option2 = 1;
    support::Rendering const r = support::render(input, {.moduleSize = 4.0, .angle = 33.0, .perspectiveX = 0.2});
    ASSERT_TRUE(r.symbol.ok);
    DEC2DIvra::GrayImage const image(r.frame.width, r.frame.height, r.frame.width, r.frame.pixels.data());
    DEC2DIvra::Region region;
    ASSERT_EQ(CalcModel2QRCodeMeshSubroutine().StartForVersionOne(image, Finder(r.symbol, 0, 0),
                                                                   Finder(r.symbol, 14, 0), Finder(r.symbol, 0, 14),
                                                                   false, 1, region),
              1);
    support::Point const truth[4] = {r.symbol.toFrame({0.5, 0.5}), r.symbol.toFrame({20.5, 0.5}),
                                     r.symbol.toFrame({20.5, 20.5}), r.symbol.toFrame({0.5, 20.5})};
    for (unsigned k = 0; k < 4; ++k) {
        EXPECT_LT(std::hypot(region[k].x / 256.0 + 0.5 - truth[k].x, region[k].y / 256.0 + 0.5 - truth[k].y), 1.0) << k;
    }
}

TEST(QRModel2MeshTest, ASymbolCutByTheFrameGivesNoMesh)
{
    support::SymbolInput input{.symbology = BARCODE_QRCODE, .data = "edge"};
    input.option2 = 7;
    support::Rendering const r = support::render(input, {.moduleSize = 3.0, .quietZone = 0.0});
    ASSERT_TRUE(r.symbol.ok);
    // Only the part of the frame up to the symbol's last column but one.
    int const cut = static_cast<int>(r.symbol.toFrame({43.5, 0}).x);
    DEC2DIvra::GrayImage const image(cut, r.frame.height, r.frame.width, r.frame.pixels.data());
    std::vector<Point> points(47 * 47);
    CommonCodeMesh mesh(DEC2DIvra::VirtualArray<Point>(points.data(), static_cast<unsigned>(points.size())));
    QRFinderRegion const f[3] = {Finder(r.symbol, 0, 0), Finder(r.symbol, 38, 0), Finder(r.symbol, 0, 38)};
    EXPECT_EQ(CalcModel2QRCodeMeshSubroutine().Start(image, &f[0], &f[1], &f[2], false, 7, mesh), 0);
}

}  // namespace
