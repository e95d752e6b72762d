// The geometry the Aztec reader samples through, against zint symbols drawn
// where every module's place is known: the reference points of full-range
// symbols ring by ring and by the edge, and a flat compact symbol walked arm
// by arm as a bent one would be.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <string>
#include <vector>

#include "decoder/core/gray_image.h"
#include "decoder/matrix/aztec/calc_curved_compact_table_subroutine.h"
#include "decoder/matrix/aztec/calc_reference_points_subroutine.h"
#include "tests/decoder/matrix/aztec/aztec_fixture.h"
#include "tests/support/symbol_renderer.h"

namespace aztec_test {
namespace {

using namespace DEC2DIvra;

// A rendered symbol and where its modules lie, counted from the centre
// module, in the reader's fixed point (pixel centres on whole coordinates).
struct Drawn {
    support::Rendering r;
    int half = 0;

    Point At(double u, double v) const
    {
        support::Point const p = r.symbol.toFrame(support::Point{half + u + 0.5, half + v + 0.5});
        return Point{static_cast<int>(std::lround((p.x - 0.5) * 256)),
                     static_cast<int>(std::lround((p.y - 0.5) * 256))};
    }
    GrayImage Image() const { return GrayImage(r.frame.width, r.frame.height, r.frame.width, r.frame.pixels.data()); }
    // The bull's-eye's grid as the frames' walk leaves it: the centre and
    // the steps of its last ring.
    CommonVectorGrid Grid(int ring) const
    {
        CommonVectorGrid grid;
        grid.Reset(At(0, 0));
        for (unsigned d = 0; d < 4; ++d) {
            Vector const unit = StepToDirection::Get(d, ring);
            Point const p = At(unit.dx, unit.dy);
            grid.ConfirmGrid(Vector{p.x - grid.GetCenter().x, p.y - grid.GetCenter().y}, d, ring);
        }
        return grid;
    }
};

Drawn Draw(int version, std::string const& data, double module, double angle, bool inverted)
{
    Drawn d;
    support::SymbolInput input;
    input.symbology = BARCODE_AZTEC;
    input.data = data;
    input.option2 = version;
    support::RenderOptions o;
    o.moduleSize = module;
    o.angle = angle;
    o.inverted = inverted;
    d.r = support::render(input, o);
    d.half = d.r.symbol.rows / 2;
    return d;
}

double Distance(Point const& a, Point const& b) { return std::hypot(a.x - b.x, a.y - b.y) / 256.0; }

TEST(AztecReferencePointsTest, CrossingsAndEdgePointsLieOnTheirModules)
{
    struct Case {
        int version;  // zint's: 4 + layers
        unsigned rings;
        double angle;
        bool inverted;
    };
    // 5 layers: one ring, the edge a module beyond the last line; 14
    // layers: two rings, the edge points 36 modules out (4 past the line);
    // 27 layers: four rings.
    for (Case const c : {Case{9, 1, 0, false}, Case{18, 2, 30, false}, Case{18, 2, 200, true},
                         Case{31, 4, 10, false}}) {
        double const module = c.version < 20 ? 3.0 : 2.5;
        Drawn const d = Draw(c.version, std::string(40, 'A'), module, c.angle, c.inverted);
        ASSERT_TRUE(d.r.symbol.ok) << c.version;
        GrayImage const image = d.Image();
        CalcReferencePointsSubroutine const search;
        for (bool const laplacian : {false, true}) {
            ReferenceGridPointTable table;
            table.rings = c.rings;
            table.half = static_cast<unsigned>(d.half);
            table.At(0, 0) = d.At(0, 0);
            search.CalcCrossPoints(image, c.inverted, laplacian, d.Grid(5), 0, table);
            int const rings = static_cast<int>(c.rings);
            for (int j = -rings; j <= rings; ++j) {
                for (int i = -rings; i <= rings; ++i) {
                    EXPECT_LT(Distance(table.At(i, j), d.At(16 * i, 16 * j)), module / 4)
                        << c.version << " " << laplacian << " (" << i << ", " << j << ")";
                }
            }
            // The edge points are not re-centred across their line: within
            // half a module from grey values. From sharpened values they
            // can stray further (0.8 module seen on 14 layers); the reader
            // then falls back on the grid fitted to every located point.
            if (table.GetEdgeDistance() <= 1 || laplacian) {
                continue;
            }
            double const half = module / 2;
            ASSERT_TRUE(search.CalcSidePoints(image, c.inverted, laplacian, table)) << c.version;
            int const edge = d.half - 1;
            for (int k = -rings; k <= rings; ++k) {
                int const along = 16 * k;
                EXPECT_LT(Distance(table.At(k, rings + 1), d.At(along, edge)), half) << c.version << " row " << k;
                EXPECT_LT(Distance(table.At(-(rings + 1), k), d.At(-edge, along)), half) << c.version << " col " << k;
            }
            // The corners: the second-outermost ring's corner modules.
            EXPECT_LT(Distance(table.At(rings + 1, -(rings + 1)), d.At(edge, -edge)), half) << c.version;
        }
    }
}

TEST(AztecReferencePointsTest, ARingCountBeyondTheTableIsRefused)
{
    // The search reads the ring beyond the last one it fills: with as many
    // rings as the table's radius that ring lies outside the table.
    std::vector<unsigned short> pixels(64 * 64, 600);
    GrayImage const image(64, 64, 64, pixels.data());
    CommonVectorGrid grid;
    grid.Reset(Point{32 * 256, 32 * 256});
    for (unsigned d = 0; d < 4; ++d) {
        grid.ConfirmGrid(StepToDirection::Get(d, 5 * 512), d, 5);
    }
    ReferenceGridPointTable table;
    table.rings = ReferenceGridPointTable::kRadius;
    table.half = 16 * table.rings + 4;
    EXPECT_TRUE(table.IsIndex(ReferenceGridPointTable::kRadius, -ReferenceGridPointTable::kRadius));
    EXPECT_FALSE(table.IsIndex(ReferenceGridPointTable::kRadius + 1, 0));
    EXPECT_FALSE(table.IsIndex(0, -(ReferenceGridPointTable::kRadius + 1)));
    table.At(0, 0) = grid.GetCenter();
    CalcReferencePointsSubroutine().CalcCrossPoints(image, false, false, grid, 0, table);
    for (int j = -ReferenceGridPointTable::kRadius; j <= ReferenceGridPointTable::kRadius; ++j) {
        for (int i = -ReferenceGridPointTable::kRadius; i <= ReferenceGridPointTable::kRadius; ++i) {
            if (i != 0 || j != 0) {
                EXPECT_FALSE(table.IsAvailable(i, j)) << i << ", " << j;
            }
        }
    }
}

TEST(AztecReferencePointsTest, FlatCompactSymbolWalkedByArmsIsZintsMatrix)
{
    for (int version = 1; version <= 4; ++version) {
        for (bool const inverted : {false, true}) {
            std::string const data = "ARMS " + std::to_string(version);
            Drawn const d = Draw(version, data, 3.0, 25, inverted);
            ASSERT_TRUE(d.r.symbol.ok);
            Matrix const m = EncodeMatrix(BARCODE_AZTEC, data, version);
            ASSERT_EQ(m.size, d.r.symbol.rows);
            std::vector<unsigned char> cells(static_cast<std::size_t>(m.size) * m.size, 2);
            BinarizationTableForAztec table{cells.data(), static_cast<unsigned>(m.size)};
            Region corners{};
            CalcCurvedCompactTableSubroutine curved;
            ASSERT_TRUE(curved.Start(d.Image(), !inverted, d.half, d.Grid(3), table, corners));
            int wrong = 0;
            for (std::size_t i = 0; i < cells.size(); ++i) {
                wrong += cells[i] != m.cells[i] ? 1 : 0;
            }
            EXPECT_EQ(wrong, 0) << version << " " << inverted;
            // The corners half a module outside the corner modules.
            EXPECT_LT(Distance(corners[1], d.At(d.half + 0.5, d.half + 0.5)), 0.6);
        }
    }
}

TEST(AztecReferencePointsTest, APointWithoutNeighboursTakesItsSidewaysStepFromTheInnerRing)
{
    ReferenceGridPointTable table;
    table.rings = 2;
    table.half = 40;
    // Only the vertical centre line and the inner ring's points beside it
    // are known: (0, 2), (0, 1) and (+-1, 1).
    table.At(0, 0) = Point{10000, 10000};
    table.At(0, 1) = Point{10000, 14096};
    table.At(0, 2) = Point{10160, 18192};
    table.At(1, 1) = Point{14096, 14256};
    table.At(-1, 1) = Point{5904, 14000};
    ReferenceGrid grid;
    ASSERT_TRUE(grid.SetGrid(table, 2, 0, 2));
    // Inward is -y (direction 2), toward (0, 1).
    EXPECT_EQ(grid.GetStep(2), (Vector{-10, -256}));
    EXPECT_EQ(grid.GetStep(0), (Vector{10, 256}));
    // Sideways from the inner ring's neighbours of (0, 1).
    EXPECT_EQ(grid.GetStep(1), (Vector{256, 10}));
    EXPECT_EQ(grid.GetStep(3), (Vector{-256, -6}));
    unsigned d = 9;
    EXPECT_FALSE(ReferenceGrid::CalcInsideIndex(0, 0, d));
    ASSERT_TRUE(ReferenceGrid::CalcInsideIndex(-3, 1, d));
    EXPECT_EQ(d, 1u);
    ASSERT_TRUE(ReferenceGrid::CalcInsideIndex(2, -2, d));
    EXPECT_EQ(d, 0u);
}

}  // namespace
}  // namespace aztec_test
