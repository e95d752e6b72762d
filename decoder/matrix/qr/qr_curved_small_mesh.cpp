// The mesh of a small QR Code (versions 1-6) printed on a curved surface:
// the grid of finders and the alignment pattern widened by a middle row and
// column, whose timing-pattern points follow the bow of the print.

#include <cmath>
#include <cstdlib>
#include <initializer_list>

#include "decoder/core/geometry/geometry.h"
#include "decoder/matrix/qr/qr_model2_mesh.h"
#include "decoder/matrix/qr/qr_timing_pattern_grid.h"
#include "decoder/matrix/qr/qr_version_tables.h"

namespace DEC2DIvra {

namespace {

constexpr unsigned kWide = 5;

// The cosine of the angle at p between the edges to q and r, 1/65536; 0
// for a zero-length edge (then false).
bool Cosine(Point const& p, Point const& q, Point const& r, int& cosine)
{
    double const ux = static_cast<double>(q.x) - p.x;
    double const uy = static_cast<double>(q.y) - p.y;
    double const vx = static_cast<double>(r.x) - p.x;
    double const vy = static_cast<double>(r.y) - p.y;
    double const lengths = std::sqrt(ux * ux + uy * uy) * std::sqrt(vx * vx + vy * vy);
    if (lengths <= 0.0) {
        return false;
    }
    cosine = static_cast<int>(std::lround((ux * vx + uy * vy) * 65536.0 / lengths));
    return true;
}

}  // namespace

bool CalcModel2QRCodeMeshSubroutine::CalcCenterMiniFinderPoint(MiniFinderPoint const& a, int cosineA,
                                                               MiniFinderPoint const& b, int cosineB,
                                                               MiniFinderPoint& out)
{
    // Each side weighted by the other's distance and skew: the side seen
    // nearer (longer) takes the middle further from it.
    long long da = Geometry::CalcEuclideanDistance(a.centre, b.centre);
    long long db = da;
    while (da >= 32768 || db >= 32768) {
        da /= 2;
        db /= 2;
    }
    long long const wa = db * (65536 - std::abs(cosineB) / 2) / 65536;
    long long const wb = da * (65536 - std::abs(cosineA) / 2) / 65536;
    if (wa + wb <= 0 || !Geometry::CalcDividingPoint(static_cast<int>(wa), a.centre, static_cast<int>(wb), b.centre,
                                                     out.centre)) {
        return false;
    }
    out.valid = 1;
    out.corrected = 0;
    out.size = (a.size + b.size) / 2;
    return true;
}

bool CalcModel2QRCodeMeshSubroutine::CalcCrossMiniFinder(MiniFinderTable const& grid, unsigned i, unsigned j,
                                                         MiniFinderPoint& out)
{
    Line row;
    Line column;
    Point crossing;
    if (!Geometry::CalcLine(grid.At(i - 1, j).centre, grid.At(i + 1, j).centre, row) ||
        !Geometry::CalcLine(grid.At(i, j - 1).centre, grid.At(i, j + 1).centre, column) ||
        !Geometry::CalcCrossPoint(row, column, crossing)) {
        return false;
    }
    out.centre = crossing;
    out.valid = 1;
    out.corrected = 0;
    return true;
}

int CalcModel2QRCodeMeshSubroutine::AdjustToCurvedTimingPatternForSmallVersions(GrayImage const& image, bool polarity,
                                                                               MiniFinderTable const& in,
                                                                               bool vertical,
                                                                               MiniFinderTable& out) const
{
    if (in.GetWidth() != 4 || in.GetHeight() != 4 || !out.Resize(kWide, kWide)) {
        return 0;
    }
    static constexpr unsigned kFrom[4] = {0, 1, 3, 4};
    out.Fill(MiniFinderPoint{});
    for (unsigned j = 0; j < 4; ++j) {
        for (unsigned i = 0; i < 4; ++i) {
            out.At(kFrom[i], kFrom[j]) = in.At(i, j);
            if (in.At(i, j).valid == 0) {
                return 0;
            }
        }
    }
    // The skew of the grid at each old point: the cosine between its edges
    // along the row and along the column.
    int cosines[kWide][kWide] = {};
    for (unsigned j = 0; j < 4; ++j) {
        for (unsigned i = 0; i < 4; ++i) {
            unsigned const ni = i < 3 ? i + 1 : i - 1;
            unsigned const nj = j < 3 ? j + 1 : j - 1;
            if (!Cosine(in.At(i, j).centre, in.At(ni, j).centre, in.At(i, nj).centre, cosines[kFrom[i]][kFrom[j]])) {
                return 0;
            }
        }
    }
    unsigned short const middle =
        static_cast<unsigned short>((in.At(1, 0).position.column + in.At(2, 0).position.column) / 2);
    for (unsigned k = 0; k < kWide; ++k) {
        if (k == 2) {
            continue;
        }
        MiniFinderPoint& across = out.At(2, k);
        MiniFinderPoint& down = out.At(k, 2);
        if (!CalcCenterMiniFinderPoint(out.At(1, k), cosines[1][k], out.At(3, k), cosines[3][k], across) ||
            !CalcCenterMiniFinderPoint(out.At(k, 1), cosines[k][1], out.At(k, 3), cosines[k][3], down)) {
            return 0;
        }
        across.position = MiniFinderPosition{middle, out.At(1, k).position.row};
        down.position = MiniFinderPosition{out.At(k, 1).position.column, middle};
    }
    MiniFinderPoint& centre = out.At(2, 2);
    if (!CalcCrossMiniFinder(out, 2, 2, centre)) {
        return 0;
    }
    centre.position = MiniFinderPosition{middle, middle};
    // The timing line: grid row 1 (column 1 when vertical) from the
    // top-left finder's inner corner to the next finder's.
    auto at = [&](unsigned along, unsigned line) -> MiniFinderPoint& {
        return vertical ? out.At(line, along) : out.At(along, line);
    };
    // The bow its neighbours show: their middles off their chords.
    long long bowX = 0;
    long long bowY = 0;
    for (unsigned line : {0u, 2u}) {
        Point chord;
        Geometry::CalcCenterPoint(at(1, line).centre, at(3, line).centre, chord);
        bowX += at(2, line).centre.x - chord.x;
        bowY += at(2, line).centre.y - chord.y;
    }
    bowX /= 2;
    bowY /= 2;
    Point const start = at(1, 1).centre;
    Point const end = at(3, 1).centre;
    // A grid whose points all lie on straight lines shows no bow: the
    // search reaches a module either side of the chord then.
    double const chordX = static_cast<double>(end.x) - start.x;
    double const chordY = static_cast<double>(end.y) - start.y;
    double const chord = std::sqrt(chordX * chordX + chordY * chordY);
    unsigned const steps = static_cast<unsigned>(at(3, 1).position.column + at(3, 1).position.row) -
                           static_cast<unsigned>(at(1, 1).position.column + at(1, 1).position.row);
    if (chord <= 0.0 || steps == 0) {
        return 0;
    }
    double const moduleLength = chord / steps;
    if (std::sqrt(static_cast<double>(bowX) * bowX + static_cast<double>(bowY) * bowY) < moduleLength) {
        bowX = std::lround(-chordY / chord * moduleLength);
        bowY = std::lround(chordX / chord * moduleLength);
    }
    Point const current = at(2, 1).centre;
    unsigned const modules = static_cast<unsigned>(at(3, 1).position.column + at(3, 1).position.row) -
                             static_cast<unsigned>(at(1, 1).position.column + at(1, 1).position.row) + 1;
    QRTimingPatternGrid timing;
    bool any = false;
    int best = 0;
    Point chosen = current;
    for (int step = 0; step <= 16; ++step) {
        Point const candidate{static_cast<int>(current.x + bowX - bowX * step / 8),
                              static_cast<int>(current.y + bowY - bowY * step / 8)};
        int score = 0;
        if (!timing.Set(modules, start, candidate, end) ||
            timing.CalcTimingPatternScore(image, polarity, score) == 0) {
            return 0;
        }
        if (!any || score > best) {
            any = true;
            best = score;
            chosen = candidate;
        }
    }
    // The whole middle line bends with the timing pattern.
    for (unsigned line = 0; line < kWide; ++line) {
        at(2, line).centre.x += chosen.x - current.x;
        at(2, line).centre.y += chosen.y - current.y;
    }
    return 1;
}

int CalcModel2QRCodeMeshSubroutine::StartForCurvedSmallVersion(GrayImage const& image, QRFinderRegion const& topLeft,
                                                               QRFinderRegion const& topRight,
                                                               QRFinderRegion const& bottomLeft, bool polarity,
                                                               unsigned version, CommonCodeMesh& mesh) const
{
    if (version < 1 || version > 6) {
        return 0;
    }
    QRFinderRegion const* const finders[3] = {&topLeft, &topRight, &bottomLeft};
    MiniFinderPoint points[kMaxGrid * kMaxGrid];
    MiniFinderTable grid(points, kMaxGrid * kMaxGrid);
    if (!grid.Resize(4, 4)) {
        return 0;
    }
    grid.Fill(MiniFinderPoint{});
    for (unsigned j = 0; j < 4; ++j) {
        for (unsigned i = 0; i < 4; ++i) {
            grid.At(i, j).position = MiniFinderPosition{static_cast<unsigned short>(CalcMiniFinderPosition(version, i)),
                                                        static_cast<unsigned short>(CalcMiniFinderPosition(version, j))};
        }
    }
    SetMainFinderPositions(finders, version, grid);
    // The inner point where the sides of the two outer finders that face it
    // cross; searched for from version 2 on, where a pattern stands there.
    Line row;
    Line column;
    MiniFinderPoint& inner = grid.At(2, 2);
    if (!Geometry::CalcLine(grid.At(0, 2).centre, grid.At(1, 2).centre, row) ||
        !Geometry::CalcLine(grid.At(2, 0).centre, grid.At(2, 1).centre, column) ||
        !Geometry::CalcCrossPoint(row, column, inner.centre)) {
        return 0;
    }
    inner.valid = 1;
    if (version > 1) {
        CorrectMiniFinder(image, polarity, CalcSearchMiniFinderSize(finders), inner);
    }
    if (!CompleteSmallGrid(finders, version, grid)) {
        return 0;
    }
    MiniFinderPoint across[kWide * kWide];
    MiniFinderPoint down[kWide * kWide];
    MiniFinderTable wide(across, kWide * kWide);
    MiniFinderTable tall(down, kWide * kWide);
    if (AdjustToCurvedTimingPatternForSmallVersions(image, polarity, grid, false, wide) == 0 ||
        AdjustToCurvedTimingPatternForSmallVersions(image, polarity, grid, true, tall) == 0) {
        return 0;
    }
    for (unsigned k = 0; k < kWide; ++k) {
        if (k != 2) {
            wide.At(k, 2) = tall.At(k, 2);
        }
    }
    if (!CalcCrossMiniFinder(wide, 2, 2, wide.At(2, 2))) {
        return 0;
    }
    return CalcCodeRegions(image, wide, version, mesh);
}

}  // namespace DEC2DIvra
