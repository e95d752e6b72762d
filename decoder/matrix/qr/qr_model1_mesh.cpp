#include "decoder/matrix/qr/qr_model1_mesh.h"

#include <initializer_list>

#include "decoder/core/containers/array_iterator.h"
#include "decoder/core/geometry/geometry.h"
#include "decoder/core/geometry/line.h"
#include "decoder/core/geometry/line_segment.h"
#include "decoder/core/geometry/rectangle.h"
#include "decoder/core/geometry/vector.h"
#include "decoder/core/sampling/common_code_grid.h"
#include "decoder/core/sampling/pick_line_point_subroutine.h"
#include "decoder/matrix/qr/qr_mini_finder_searcher.h"
#include "decoder/matrix/qr/qr_model1_tables.h"
#include "decoder/matrix/qr/qr_version_tables.h"

namespace DEC2DIvra {

namespace {

constexpr unsigned kMaxEdgePoints = 2 + QRModel1Tables::kMaxVersion / 2 + 1;
constexpr unsigned kMinContrast = 40;  // grey levels of 10 bits
constexpr int kFarthest = 1 << 28;     // 1/256 pixel: far beyond any frame

// A growing list of points along one edge and its least-squares line.
struct EdgePoints {
    Point points[kMaxEdgePoints];
    unsigned count = 0;
    Line line;

    bool Add(Point const& p)
    {
        if (count < kMaxEdgePoints) {
            points[count++] = p;
        }
        return Fit();
    }
    bool Fit() { return Geometry::CalcLine(ArrayIterator<Point const>(points, count), line, -1); }
};

bool IsNear(Point const& p)
{
    return p.x > -kFarthest && p.x < kFarthest && p.y > -kFarthest && p.y < kFarthest;
}

// v scaled by num / den, rounded toward zero.
Vector Scale(Vector const& v, long long num, long long den)
{
    return Vector{static_cast<int>(v.dx * num / den), static_cast<int>(v.dy * num / den)};
}

}  // namespace

int CalcModel1QRCodeMeshSubroutine::Start(GrayImage const& image, QRFinderRegion const* topLeft,
                                          QRFinderRegion const* topRight, QRFinderRegion const* bottomLeft,
                                          bool polarity, unsigned version, CommonCodeMesh& mesh) const
{
    if (topLeft == nullptr || version < 1 || version > QRModel1Tables::kMaxVersion) {
        return 0;
    }
    QRFinderRegion right;
    QRFinderRegion bottom;
    if ((topRight == nullptr && QRFinderRegion::CalcNextFinder(*topLeft, version, 1, right) == 0) ||
        (bottomLeft == nullptr && QRFinderRegion::CalcNextFinder(*topLeft, version, 2, bottom) == 0)) {
        return 0;
    }
    QRFinderRegion const& tr = topRight != nullptr ? *topRight : right;
    QRFinderRegion const& bl = bottomLeft != nullptr ? *bottomLeft : bottom;
    for (QRFinderRegion const* f : {topLeft, &tr, &bl}) {
        for (Point const& p : f->corner) {
            if (!IsNear(p)) {
                return 0;
            }
        }
    }
    int const side = static_cast<int>(QRVersionTables::GetSize(version));
    int const last = side - 1;
    // Module centre lines of the bottom row and the right column, seeded by
    // the finder corners on them.
    EdgePoints bottomEdge;
    EdgePoints rightEdge;
    bottomEdge.Add(bl.corner[3]);
    rightEdge.Add(tr.corner[1]);
    if (!bottomEdge.Add(bl.corner[2]) || !rightEdge.Add(tr.corner[2])) {
        return 0;
    }
    Point corner;
    PickLinePointSubroutine const pick;
    // The search runs from the quiet zone inward: light there, or dark for
    // a symbol light on dark.
    bool const outside = polarity;
    unsigned const blocks = version > 1 ? version / 2 : 0u;
    for (unsigned b = 0; b < blocks; ++b) {
        if (!Geometry::CalcCrossPoint(bottomEdge.line, rightEdge.line, corner) || !IsNear(corner)) {
            return 0;
        }
        int const half = (version % 2 == 1 ? 37 : 29) + 16 * static_cast<int>(b);  // half modules
        for (unsigned e = 0; e < 2; ++e) {
            bool const isBottom = e == 0;
            Point const& from = isBottom ? bl.corner[3] : tr.corner[1];
            Point expected;
            if (!Geometry::CalcDividingPoint(2 * last - half, from, half, corner, expected)) {
                return 0;
            }
            Vector along;
            Geometry::CalcVector(from, corner, along);
            Vector const module = Scale(along, 1, last);
            // Inward, across the edge: up from the bottom row, left from the
            // right column.
            Vector const inward = isBottom ? Vector{module.dy, -module.dx} : Vector{-module.dy, module.dx};
            Vector const search = Scale(inward, 3, 2);
            LineSegment const window{Point{expected.x - module.dx, expected.y - module.dy},
                                     Point{expected.x + module.dx, expected.y + module.dy}};
            Point edge;
            // Searched across the outer edge, half a module outside the
            // centres.
            LineSegment const shifted{Point{window.begin.x - inward.dx / 2, window.begin.y - inward.dy / 2},
                                      Point{window.end.x - inward.dx / 2, window.end.y - inward.dy / 2}};
            if (pick.Start(image, shifted, search, 4, outside, edge)) {
                Point const centre{edge.x + inward.dx / 2, edge.y + inward.dy / 2};
                if (!(isBottom ? bottomEdge.Add(centre) : rightEdge.Add(centre))) {
                    return 0;
                }
            }
        }
    }
    if (!Geometry::CalcCrossPoint(bottomEdge.line, rightEdge.line, corner) || !IsNear(corner)) {
        return 0;
    }
    // The dark 2 x 2 block in the corner: its centre lies half a module
    // inside the corner module's on both axes.
    Vector alongBottom;
    Vector alongRight;
    Geometry::CalcVector(bl.corner[3], corner, alongBottom);
    Geometry::CalcVector(tr.corner[1], corner, alongRight);
    Vector const u = Scale(alongBottom, 1, last);
    Vector const v = Scale(alongRight, 1, last);
    unsigned const perimeter = Geometry::CalcEuclideanDistance(topLeft->corner[0], tr.corner[1]) +
                               Geometry::CalcEuclideanDistance(tr.corner[1], corner) +
                               Geometry::CalcEuclideanDistance(corner, bl.corner[3]) +
                               Geometry::CalcEuclideanDistance(bl.corner[3], topLeft->corner[0]);
    unsigned const moduleSize = perimeter / (4u * static_cast<unsigned>(last));
    // About two modules each way: the block with the light around it.
    int const reach = static_cast<int>(Geometry::CalcChebyshevDistance(u) + Geometry::CalcChebyshevDistance(v));
    int const reachPixels = (reach >> 8) + 1;
    Rectangle const window{(corner.x >> 8) - reachPixels, (corner.y >> 8) - reachPixels,
                           (corner.x >> 8) + reachPixels, (corner.y >> 8) + reachPixels};
    Point found;
    unsigned size = 0;
    if (QRMiniFinderSearcher().StartPart(image, window, moduleSize, kMinContrast, polarity, 8, found, size, 1) != 0) {
        Point const centre{found.x + (u.dx + v.dx) / 2, found.y + (u.dy + v.dy) / 2};
        // A blob of data modules beside the block is no corner.
        if (Geometry::CalcChebyshevDistance(centre, corner) <= static_cast<unsigned>(reach) / 2) {
            if (!bottomEdge.Add(centre) || !rightEdge.Add(centre) ||
                !Geometry::CalcCrossPoint(bottomEdge.line, rightEdge.line, corner)) {
                return 0;
            }
        }
    }
    Region region;
    region[0] = topLeft->corner[0];
    region[1] = tr.corner[1];
    region[2] = corner;
    region[3] = bl.corner[3];
    constexpr unsigned kLines = 4 * QRModel1Tables::kMaxVersion + 17 + 2;
    Line columns[kLines];
    Line rows[kLines];
    CommonCodeGrid grid(VirtualArray<Line>(columns, kLines), VirtualArray<Line>(rows, kLines));
    return mesh.SetSize(static_cast<unsigned>(side) + 2, static_cast<unsigned>(side) + 2, 8) &&
                   mesh.SetSamplingSize(8) &&
                   grid.SetForShogiban(image, region, Rectangle{-1, -1, side, side}, 8, last, last) &&
                   grid.CalcMesh(image, Vector{1, 1}, mesh)
               ? 1
               : 0;
}

}  // namespace DEC2DIvra
