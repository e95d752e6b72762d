#include "decoder/matrix/qr/qr_model2_mesh.h"

#include "decoder/core/containers/virtual_array.h"
#include "decoder/core/geometry/geometry.h"
#include "decoder/core/geometry/rectangle.h"
#include "decoder/core/geometry/vector.h"
#include "decoder/core/sampling/common_code_grid.h"
#include "decoder/matrix/qr/qr_version_tables.h"

namespace DEC2DIvra {

namespace {

// The lines of one cell: the longest cell spans a whole version 1 symbol
// with its ring.
constexpr unsigned kMaxLines = 180;

// The line at module coordinate t from the lines at t1 and t2.
bool LineAt(Line const& l1, int t1, Line const& l2, int t2, int t, Line& line)
{
    return Geometry::CalcDividingLine(t2 - t, l1, t - t1, l2, line);
}

}  // namespace

int CalcModel2QRCodeMeshSubroutine::Start(GrayImage const& image, QRFinderRegion const* topLeft,
                                          QRFinderRegion const* topRight, QRFinderRegion const* bottomLeft,
                                          bool polarity, unsigned version, CommonCodeMesh& mesh) const
{
    QRFinderRegion const* const finders[3] = {topLeft, topRight, bottomLeft};
    MiniFinderPoint points[kMaxGrid * kMaxGrid];
    MiniFinderTable grid(points, kMaxGrid * kMaxGrid);
    return CalcMiniFinders(image, finders, polarity, version, grid) != 0 &&
           CalcCodeRegions(image, grid, version, mesh) != 0
               ? 1
               : 0;
}

int CalcModel2QRCodeMeshSubroutine::StartForVersionOne(GrayImage const& /*image*/, QRFinderRegion const& topLeft,
                                                       QRFinderRegion const& topRight,
                                                       QRFinderRegion const& bottomLeft, bool /*polarity*/,
                                                       unsigned version, Region& region) const
{
    int const last = static_cast<int>(QRVersionTables::GetSize(version)) - 1;
    Line row0;
    Line row6;
    Line column0;
    Line column6;
    Line rowLast;
    Line columnLast;
    Region corners;
    if (!Geometry::CalcLine(topLeft.middle[0], topRight.middle[0], row0) ||
        !Geometry::CalcLine(topLeft.middle[2], topRight.middle[2], row6) ||
        !Geometry::CalcLine(topLeft.middle[3], bottomLeft.middle[3], column0) ||
        !Geometry::CalcLine(topLeft.middle[1], bottomLeft.middle[1], column6) ||
        !LineAt(column0, 0, column6, 6, last, columnLast) || !columnLast.MoveTo(topRight.middle[1]) ||
        !LineAt(row0, 0, row6, 6, last, rowLast) || !rowLast.MoveTo(bottomLeft.middle[2]) ||
        !Geometry::CalcCrossPoint(column0, row0, corners[0]) ||
        !Geometry::CalcCrossPoint(row0, columnLast, corners[1]) ||
        !Geometry::CalcCrossPoint(columnLast, rowLast, corners[2]) ||
        !Geometry::CalcCrossPoint(rowLast, column0, corners[3])) {
        return 0;
    }
    region = corners;
    return 1;
}

int CalcModel2QRCodeMeshSubroutine::StartForSmallVersion(GrayImage const& image, QRFinderRegion const& topLeft,
                                                         QRFinderRegion const& topRight,
                                                         QRFinderRegion const& bottomLeft, bool polarity,
                                                         unsigned version, CommonCodeMesh& mesh) const
{
    QRFinderRegion const* const finders[3] = {&topLeft, &topRight, &bottomLeft};
    MiniFinderPoint points[kMaxGrid * kMaxGrid];
    MiniFinderTable grid(points, kMaxGrid * kMaxGrid);
    if (CalcMiniFinders(image, finders, polarity, version, grid) == 0 || grid.GetWidth() != 4 ||
        grid.At(2, 2).valid == 0 || !CompleteSmallGrid(finders, version, grid)) {
        return 0;
    }
    return CalcCodeRegions(image, grid, version, mesh);
}

bool CalcModel2QRCodeMeshSubroutine::CompleteSmallGrid(QRFinderRegion const* const* finders, unsigned version,
                                                       MiniFinderTable& grid)
{
    QRFinderRegion const& topLeft = *finders[0];
    QRFinderRegion const& topRight = *finders[1];
    QRFinderRegion const& bottomLeft = *finders[2];
    Point const& inner = grid.At(2, 2).centre;
    int const last = static_cast<int>(QRVersionTables::GetSize(version)) - 1;
    int const inside = last - 6;
    Line rows[4];
    Line columns[4];
    Line rowMiddle;
    Line columnMiddle;
    if (!Geometry::CalcLine(topLeft.middle[0], topRight.middle[0], rows[0]) ||
        !Geometry::CalcLine(topLeft.middle[2], topRight.middle[2], rows[1]) ||
        !Geometry::CalcLine(bottomLeft.middle[0], inner, rows[2]) ||
        !Geometry::CalcDividingLine(1, rows[0], 1, rows[1], rowMiddle) ||
        !LineAt(rowMiddle, 3, rows[2], inside, last, rows[3]) || !rows[3].MoveTo(bottomLeft.middle[2]) ||
        !Geometry::CalcLine(topLeft.middle[3], bottomLeft.middle[3], columns[0]) ||
        !Geometry::CalcLine(topLeft.middle[1], bottomLeft.middle[1], columns[1]) ||
        !Geometry::CalcLine(topRight.middle[3], inner, columns[2]) ||
        !Geometry::CalcDividingLine(1, columns[0], 1, columns[1], columnMiddle) ||
        !LineAt(columnMiddle, 3, columns[2], inside, last, columns[3]) ||
        !columns[3].MoveTo(topRight.middle[1])) {
        return false;
    }
    for (unsigned j = 0; j < 4; ++j) {
        for (unsigned i = 0; i < 4; ++i) {
            MiniFinderPoint& p = grid.At(i, j);
            if ((i == 2 && j == 2) || !Geometry::CalcCrossPoint(columns[i], rows[j], p.centre)) {
                continue;
            }
            p.size = 0;
            p.valid = 1;
            p.corrected = 1;
        }
    }
    return true;
}

bool CalcModel2QRCodeMeshSubroutine::CalcCodeRegion(MiniFinderTable const& grid, unsigned i, unsigned j,
                                                    Region& region)
{
    MiniFinderPoint const* const corners[4] = {&grid.At(i, j), &grid.At(i + 1, j), &grid.At(i + 1, j + 1),
                                               &grid.At(i, j + 1)};
    for (unsigned k = 0; k < 4; ++k) {
        if (corners[k]->valid == 0) {
            return false;
        }
        region[k] = corners[k]->centre;
    }
    return true;
}

bool CalcModel2QRCodeMeshSubroutine::ExtendCell(MiniFinderTable& grid, unsigned i, unsigned j, int di, int dj)
{
    // Grid indexes across the shared edge: the neighbour's far edge, the
    // shared edge, and the cell's far edge that is to be found.
    bool const horizontal = di != 0;
    int const base = static_cast<int>(horizontal ? i : j);
    int const step = horizontal ? di : dj;
    int const nearIndex = step > 0 ? base + 1 : base;
    int const farIndex = nearIndex + step;
    int const targetIndex = step > 0 ? base : base + 1;
    int const along = static_cast<int>(horizontal ? j : i);
    auto at = [&](int across, int k) -> MiniFinderPoint& {
        return horizontal ? grid.At(static_cast<unsigned>(across), static_cast<unsigned>(along + k))
                          : grid.At(static_cast<unsigned>(along + k), static_cast<unsigned>(across));
    };
    if (!grid.IsInside(horizontal ? farIndex : along, horizontal ? along : farIndex)) {
        return false;
    }
    for (int k = 0; k < 2; ++k) {
        if (at(farIndex, k).valid == 0 || at(nearIndex, k).valid == 0) {
            return false;
        }
    }
    auto coordinate = [&](int across) {
        MiniFinderPoint const& p = at(across, 0);
        return static_cast<int>(horizontal ? p.position.column : p.position.row);
    };
    Line farEdge;
    Line nearEdge;
    Line target;
    if (!Geometry::CalcLine(at(farIndex, 0).centre, at(farIndex, 1).centre, farEdge) ||
        !Geometry::CalcLine(at(nearIndex, 0).centre, at(nearIndex, 1).centre, nearEdge) ||
        !LineAt(farEdge, coordinate(farIndex), nearEdge, coordinate(nearIndex), coordinate(targetIndex), target)) {
        return false;
    }
    for (int k = 0; k < 2; ++k) {
        MiniFinderPoint& p = at(targetIndex, k);
        Line side;
        Point crossing;
        if (p.valid != 0) {
            continue;
        }
        if (!Geometry::CalcLine(at(farIndex, k).centre, at(nearIndex, k).centre, side) ||
            !Geometry::CalcCrossPoint(side, target, crossing)) {
            return false;
        }
        p.centre = crossing;
        p.valid = 1;
    }
    return true;
}

int CalcModel2QRCodeMeshSubroutine::CalcCodeRegions(GrayImage const& image, MiniFinderTable& grid, unsigned version,
                                                    CommonCodeMesh& mesh) const
{
    unsigned const width = grid.GetWidth();
    unsigned const side = QRVersionTables::GetSize(version);
    if (width < 3 || width > kMaxGrid || grid.GetHeight() != width || !mesh.SetSize(side + 2, side + 2, 8) ||
        !mesh.SetSamplingSize(8)) {
        return 0;
    }
    unsigned const n = width - 2;
    // Border cells first, from a complete neighbour; a corner cell may wait
    // for the border cell beside it.
    for (unsigned round = 0; round < 3; ++round) {
        for (unsigned j = 0; j <= n; ++j) {
            for (unsigned i = 0; i <= n; ++i) {
                Region region;
                bool const border = i == 0 || j == 0 || i == n || j == n;
                if (!border || CalcCodeRegion(grid, i, j, region)) {
                    continue;
                }
                // Inward, across the border: the neighbour's edges are
                // extended over the border's few modules, not its own many.
                int const toward[2][2] = {{i == 0 ? 1 : (i == n ? -1 : 0), 0}, {0, j == 0 ? 1 : (j == n ? -1 : 0)}};
                for (auto const& d : toward) {
                    if (d[0] == 0 && d[1] == 0) {
                        continue;
                    }
                    int const ni = static_cast<int>(i) + d[0];
                    int const nj = static_cast<int>(j) + d[1];
                    Region neighbour;
                    if (ni < 0 || nj < 0 || ni > static_cast<int>(n) || nj > static_cast<int>(n) ||
                        !CalcCodeRegion(grid, static_cast<unsigned>(ni), static_cast<unsigned>(nj), neighbour)) {
                        continue;
                    }
                    if (ExtendCell(grid, i, j, d[0], d[1]) && CalcCodeRegion(grid, i, j, region)) {
                        break;
                    }
                }
            }
        }
    }
    Line columnLines[kMaxLines];
    Line rowLines[kMaxLines];
    CommonCodeGrid lines(VirtualArray<Line>(columnLines, kMaxLines), VirtualArray<Line>(rowLines, kMaxLines));
    for (unsigned j = 0; j <= n; ++j) {
        for (unsigned i = 0; i <= n; ++i) {
            Region region;
            if (!CalcCodeRegion(grid, i, j, region)) {
                return 0;
            }
            int const x0 = static_cast<int>(grid.At(i, 0).position.column);
            int const x1 = static_cast<int>(grid.At(i + 1, 0).position.column);
            int const y0 = static_cast<int>(grid.At(0, j).position.row);
            int const y1 = static_cast<int>(grid.At(0, j + 1).position.row);
            // Each cell up to the next one's first line; the outer cells
            // one module further, for the ring.
            Rectangle const range{i == 0 ? -1 : 0, j == 0 ? -1 : 0, i == n ? x1 - x0 + 1 : x1 - x0 - 1,
                                  j == n ? y1 - y0 + 1 : y1 - y0 - 1};
            if (!lines.SetForShogiban(image, region, range, 8, x1 - x0, y1 - y0) ||
                !lines.CalcMesh(image, Vector{x0 + 1, y0 + 1}, mesh)) {
                return 0;
            }
        }
    }
    return 1;
}

}  // namespace DEC2DIvra
