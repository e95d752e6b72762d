#include "decoder/matrix/qr/qr_micro_mesh.h"

#include "decoder/core/sampling/common_code_grid.h"

#include <initializer_list>

#include "decoder/core/geometry/geometry.h"
#include "decoder/core/geometry/geometry_ex.h"
#include "decoder/core/geometry/line.h"

namespace DEC2DIvra {

int CalcMicroQRCodeMeshSubroutine::CalcScoreForTimingPattern(GrayImage const& image, LineSegment const& edge,
                                                             bool polarity, unsigned version, int& score) const
{
    if (version < 1 || version > 4) {
        return 0;
    }
    int const right = (image.GetWidth() - 2) * 256;
    int const bottom = (image.GetHeight() - 2) * 256;
    for (Point const& p : {edge.begin, edge.end}) {
        if (p.x < 256 || p.y < 256 || p.x > right || p.y > bottom) {
            return 0;
        }
    }
    int const last = static_cast<int>(2 * version + 9) - 1;
    long long sum = 0;
    for (int p = 7; p <= last; ++p) {
        Point at;
        if (!Geometry::CalcDividingPoint(last - p, edge.begin, p, edge.end, at)) {
            return 0;
        }
        int const luminance = static_cast<int>(GeometryEx::GetLuminance(image, at, 8));
        sum += (p % 2 == 1) ? luminance : -luminance;
    }
    score = static_cast<int>(sum / static_cast<long long>(2 * version + 2));
    if (polarity) {
        score = -score;
    }
    return 1;
}

int CalcMicroQRCodeMeshSubroutine::AdjustForTimingPattern(GrayImage const& image, LineSegment const& edge,
                                                          bool polarity, unsigned version, LineSegment& best) const
{
    long long const divisor = 16LL * version + 64;
    long long const dx = static_cast<long long>(edge.end.x) - edge.begin.x;
    long long const dy = static_cast<long long>(edge.end.y) - edge.begin.y;
    bool any = false;
    int bestScore = 0;
    for (int across = -4; across <= 4; ++across) {
        for (int along = -4; along <= 4; ++along) {
            LineSegment candidate = edge;
            candidate.end.x += static_cast<int>((dx * along - dy * across) / divisor);
            candidate.end.y += static_cast<int>((dy * along + dx * across) / divisor);
            int score = 0;
            if (CalcScoreForTimingPattern(image, candidate, polarity, version, score) == 0) {
                continue;
            }
            if (!any || score > bestScore) {
                any = true;
                bestScore = score;
                best = candidate;
            }
        }
    }
    return any ? 1 : 0;
}

int CalcMicroQRCodeMeshSubroutine::Start(GrayImage const& image, QRFinderRegion const& finder, bool polarity,
                                         unsigned version, CommonCodeMesh& mesh) const
{
    if (version < 1 || version > 4) {
        return 0;
    }
    int const last = static_cast<int>(2 * version + 9) - 1;
    // The corners at module S - 1 on the lines from the finder's top-left
    // module centre through its other corner module centres (module 6).
    Region initial;
    initial[0] = finder.corner[0];
    for (unsigned k = 1; k < 4; ++k) {
        if (!Geometry::CalcDividingPoint(6 - last, finder.corner[0], last, finder.corner[k], initial[k])) {
            return 0;
        }
    }
    Region adjusted;
    constexpr unsigned kLines = 2 * 4 + 9 + 2;
    Line columns[kLines];
    Line rows[kLines];
    CommonCodeGrid grid(VirtualArray<Line>(columns, kLines), VirtualArray<Line>(rows, kLines));
    return Adjust(image, initial, polarity, version, adjusted) != 0 &&
                   mesh.SetSize(static_cast<unsigned>(last) + 3, static_cast<unsigned>(last) + 3, 8) &&
                   mesh.SetSamplingSize(8) &&
                   grid.SetForShogiban(image, adjusted, Rectangle{-1, -1, last + 1, last + 1}, 8, last, last) &&
                   grid.CalcMesh(image, Vector{1, 1}, mesh)
               ? 1
               : 0;
}

int CalcMicroQRCodeMeshSubroutine::Adjust(GrayImage const& image, Region const& initial, bool polarity,
                                          unsigned version, Region& adjusted) const
{
    LineSegment top;
    LineSegment left;
    if (AdjustForTimingPattern(image, LineSegment{initial[0], initial[1]}, polarity, version, top) == 0 ||
        AdjustForTimingPattern(image, LineSegment{initial[0], initial[3]}, polarity, version, left) == 0) {
        return 0;
    }
    // The far corner: through the new top-right corner parallel to the
    // left edge, and through the new bottom-left one parallel to the top.
    Line leftLine;
    Line topLine;
    Point corner;
    if (!left.CalcLine(leftLine) || !top.CalcLine(topLine) || !leftLine.MoveTo(top.end) ||
        !topLine.MoveTo(left.end) || !Geometry::CalcCrossPoint(leftLine, topLine, corner)) {
        return 0;
    }
    adjusted[0] = initial[0];
    adjusted[1] = top.end;
    adjusted[2] = corner;
    adjusted[3] = left.end;
    return 1;
}

}  // namespace DEC2DIvra
