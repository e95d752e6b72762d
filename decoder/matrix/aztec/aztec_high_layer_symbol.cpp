// The Aztec reader's road for full-range symbols with reference lines: the
// reference points located ring by ring, a mesh anchored on them, the
// modules binarised and the data corrected.
#include "decoder/matrix/aztec/aztec_code_decoder.h"

#include "decoder/core/geometry/geometry.h"

#include <cmath>
#include <initializer_list>

namespace DEC2DIvra {

namespace {

// Reference lines on each side of the centre line by layer count.
unsigned RingsOf(unsigned layers)
{
    return layers <= 4 ? 0u : layers <= 11 ? 1u : layers <= 19 ? 2u : layers <= 26 ? 3u : 4u;
}

struct Cell {
    int low;       // table index of the cell's first side
    double t;      // position from that side to the next, 0 .. 1 inside
};

}  // namespace

bool AztecCodeDecoder::CalcCenterPointArray(GrayImage const& image, bool laplacian, bool edge, bool bent,
                                            unsigned size, CommonCodeMesh& mesh)
{
    ReferenceGridPointTable const& table = referenceTable_;
    int const rings = static_cast<int>(table.rings);
    int const half = static_cast<int>(size / 2);
    int const outer = edge ? rings + 1 : rings;
    // The module coordinate of table index a.
    auto module = [&](int a) { return a > rings ? half - 1 : a < -rings ? 1 - half : 16 * a; };
    auto cellOf = [&](int x) {
        int a = x >= 0 ? x / 16 : -((-x + 15) / 16);
        a = a < -outer ? -outer : a > outer - 1 ? outer - 1 : a;
        return Cell{a, static_cast<double>(x - module(a)) / (module(a + 1) - module(a))};
    };
    if (rings < 1 || rings + 1 > ReferenceGridPointTable::kRadius || size > kMaxSize ||
        !mesh.SetSize(size, size, CommonVectorGrid::kFractionBits) ||
        !mesh.SetSamplingSize(CommonVectorGrid::kFractionBits)) {
        return false;
    }
    for (int j = -outer; j <= outer; ++j) {
        for (int i = -outer; i <= outer; ++i) {
            if (!table.IsAvailable(i, j) && !(i == 0 && j == 0)) {
                return false;
            }
        }
    }
    // How far the module halfway along each cell side lies from the
    // straight line between its ends: [0] along rows (i to i + 1), [1]
    // along columns (j to j + 1).
    constexpr int kSide = ReferenceGridPointTable::kSide;
    Vector bend[2][kSide][kSide] = {};
    CalcGridCenterPointSubroutine const centre;
    bool const b = !finder_.IsDarkCentre();
    for (int j = -outer; j <= outer && bent; ++j) {
        for (int i = -outer; i <= outer; ++i) {
            for (int axis = 0; axis < 2; ++axis) {
                int const ni = axis == 0 ? i + 1 : i;
                int const nj = axis == 0 ? j : j + 1;
                if (ni > outer || nj > outer) {
                    continue;
                }
                Point const& p = table.At(i, j);
                Point const& q = table.At(ni, nj);
                unsigned const count = static_cast<unsigned>(axis == 0 ? module(ni) - module(i) : module(nj) - module(j));
                Point found{};
                centre.Start(image, laplacian, p, q, !b, count, found);
                Point middle{};
                Geometry::CalcCenterPoint(p, q, middle);
                bend[axis][j + ReferenceGridPointTable::kRadius][i + ReferenceGridPointTable::kRadius] =
                    Vector{found.x - middle.x, found.y - middle.y};
            }
        }
    }
    auto point = [&](int i, int j) {
        Point const& p = table.At(i, j);
        return Point{p.x, p.y};
    };
    int constexpr r = ReferenceGridPointTable::kRadius;
    // Rows and columns share their cells: each module coordinate's once.
    Cell cells[kMaxSize];
    for (int x = -half; x <= half; ++x) {
        cells[x + half] = cellOf(x);
    }
    // Along a row, a cell's point is its left side's point (the rows'
    // interpolation there, with its side's bend across) plus u times the way
    // to its right side's, plus the bends of its lower and upper sides
    // interpolated at v, most in the middle of u: each cell's three vectors
    // once per row.
    struct RowCell {
        double x0, y0;  // at u = 0
        double dx, dy;  // to u = 1
        double bx, by;  // the sides' bend at v
    };
    RowCell row[kSide];
    for (int y = -half; y <= half; ++y) {
        Cell const cy = cells[y + half];
        double const v = cy.t;
        double const across = 4 * v * (1 - v);
        for (int a = -outer; a < outer; ++a) {
            auto side = [&](int i, double& sx, double& sy) {
                Point const p0 = point(i, cy.low);
                Point const p1 = point(i, cy.low + 1);
                Vector const& bent = bend[1][cy.low + r][i + r];
                sx = (1 - v) * p0.x + v * p1.x + across * bent.dx;
                sy = (1 - v) * p0.y + v * p1.y + across * bent.dy;
            };
            RowCell& c = row[a + r];
            double x1 = 0;
            double y1 = 0;
            side(a, c.x0, c.y0);
            side(a + 1, x1, y1);
            c.dx = x1 - c.x0;
            c.dy = y1 - c.y0;
            Vector const& bottom = bend[0][cy.low + r][a + r];
            Vector const& top = bend[0][cy.low + 1 + r][a + r];
            c.bx = (1 - v) * bottom.dx + v * top.dx;
            c.by = (1 - v) * bottom.dy + v * top.dy;
        }
        for (int x = -half; x <= half; ++x) {
            Cell const& cx = cells[x + half];
            RowCell const& c = row[cx.low + r];
            double const u = cx.t;
            double const along = 4 * u * (1 - u);
            double const px = c.x0 + u * c.dx + along * c.bx;
            double const py = c.y0 + u * c.dy + along * c.by;
            mesh.At(static_cast<unsigned>(x + half), static_cast<unsigned>(y + half)) =
                Point{static_cast<int>(std::lround(px)), static_cast<int>(std::lround(py))};
        }
    }
    return true;
}

int AztecCodeDecoder::DecodeMesh(GrayImage const& image, bool dark, bool laplacian,
                                 ModeMessageInformation const& information, CommonCodeMesh const& mesh,
                                 DecodedLabel& label)
{
    BinarizationTableForAztec table{Cells(), mesh.GetWidth()};
    if (!binarization_.Start(image, mesh, laplacian, dark, table) || DecodeTable(table, information, label) == 0) {
        return 0;
    }
    // The corners half a module outside the corner modules.
    unsigned const last = mesh.GetWidth() - 1;
    unsigned const cornerX[4] = {0, last, last, 0};
    unsigned const cornerY[4] = {0, 0, last, last};
    int constexpr kOne = 1 << CommonVectorGrid::kFractionBits;
    for (unsigned k = 0; k < 4; ++k) {
        Point const& p = mesh.At(cornerX[k], cornerY[k]);
        Point const& in = mesh.At(cornerX[k] == 0 ? 1 : last - 1, cornerY[k] == 0 ? 1 : last - 1);
        label.region.corner[k] = Point{(3 * p.x - in.x + kOne) / (2 * kOne), (3 * p.y - in.y + kOne) / (2 * kOne)};
    }
    regionSet_ = true;
    return 1;
}

int AztecCodeDecoder::DecodeHighLayerFullRangeSymbol(GrayImage const& image, bool dark,
                                                     ModeMessageInformation const& information,
                                                     OrientationPattern const& orientation, DecodedLabel& label)
{
    unsigned const size = AztecSymbolSize(information.compact, information.layers);
    unsigned const rings = RingsOf(information.layers);
    if (information.runes || information.compact || rings == 0 || size > kMaxSize ||
        !WalkFinderFrames(image, dark, false)) {
        return 0;
    }
    TurnFinderGrid(orientation);
    unsigned const half = size / 2;
    bool const b = !dark;
    CommonCodeMesh mesh(meshPoints_);
    for (bool const laplacian : {false, true}) {
        referenceTable_.Clear();
        referenceTable_.rings = rings;
        referenceTable_.half = half;
        referenceTable_.nearEdge = half - 16 * rings <= 4 ? 1 : 0;
        referenceTable_.At(0, 0) = symbolGrid_.GetCenter();
        referencePoints_.CalcCrossPoints(image, b, laplacian, symbolGrid_, information.layers, referenceTable_);
        // Straight cells first; cells bent through the modules halfway
        // along their sides when those do not decode.
        for (bool const bent : {false, true}) {
            if (CalcCenterPointArray(image, laplacian, false, bent, size, mesh) &&
                DecodeMesh(image, dark, laplacian, information, mesh, label) != 0) {
                return 1;
            }
        }
        if (referenceTable_.nearEdge != 0 || !referencePoints_.CalcSidePoints(image, b, laplacian, referenceTable_)) {
            continue;
        }
        if (CalcCenterPointArray(image, laplacian, true, true, size, mesh) &&
            DecodeMesh(image, dark, laplacian, information, mesh, label) != 0) {
            return 1;
        }
    }
    return 0;
}

}  // namespace DEC2DIvra
