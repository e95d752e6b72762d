// The mesh of a column, its grey values and their binarisation.
#include "decoder/core/geometry/geometry.h"
#include "decoder/core/geometry/geometry_ex.h"
#include "decoder/core/gray_image.h"
#include "decoder/core/sampling/binarization_subroutine.h"
#include "decoder/core/sampling/range_changer.h"
#include "decoder/stacked/pdf417/data_stack_array.h"
#include "decoder/stacked/pdf417/pdf_column_pick_subroutine.h"

namespace DEC2DIvra {

namespace {

constexpr Vector kBlock{4, 4};

// Sampled points keep a pixel of image around them.
bool IsSampleable(GrayImage const& image, Point const& p)
{
    return p.x >= 256 && p.y >= 256 && static_cast<long long>(p.x) <= static_cast<long long>(image.GetWidth() - 2) * 256 &&
           static_cast<long long>(p.y) <= static_cast<long long>(image.GetHeight() - 2) * 256;
}

Point Moved(Point const& p, long long dx, long long dy)
{
    return Point{static_cast<int>(p.x + dx), static_cast<int>(p.y + dy)};
}

}  // namespace

bool PDFColumnPickSubroutine::CalcCodeMesh(GrayImage const& /*image*/, DataCharacterStack const& stack,
                                           CommonCodeMesh& mesh) const
{
    unsigned const n = stack.GetCount();
    if (n > DataCharacterStack::kMaxRows || !mesh.SetSize(kModules, n + 2, 8)) {
        return false;
    }
    for (unsigned row = 0; row < n + 2; ++row) {
        LineSegment const& through = row == 0       ? stack.Boundary(0)
                                     : row == n + 1 ? stack.Boundary(n)
                                                    : stack[row - 1].rowCenter;
        Line line;
        if (!through.CalcLine(line)) {
            return false;
        }
        for (unsigned k = 0; k < kModules; ++k) {
            Point crossing;
            if (!Geometry::CalcCrossPoint(line, stack.moduleLine[k], crossing)) {
                return false;
            }
            mesh.At(k, row) = crossing;
        }
    }
    return true;
}

bool PDFColumnPickSubroutine::CalcBinarizationTable(GrayImage const& image, bool inverted, bool tryHarder,
                                                    unsigned edgeParameter, CommonLuminanceMap& map,
                                                    VariableSizeVirtualTable<bool>& table) const
{
    unsigned const rows = mesh_.GetHeight();
    if (mesh_.GetWidth() != kModules || rows < 3 || mesh_.GetFractionBits() != 8) {
        return false;
    }
    // 1. The phase of the module-edge points: how far along its row (in
    // 1/128 of the row) the first and the last point must move to stand on
    // the darkest first module and the lightest last one.
    long long phase = 0;
    for (unsigned row = 0; row < rows; ++row) {
        Point const& first = mesh_.At(0, row);
        Point const& last = mesh_.At(kModules - 1, row);
        long long const vx = static_cast<long long>(last.x) - first.x;
        long long const vy = static_cast<long long>(last.y) - first.y;
        long long bestContrast = 0;
        int best = 0;
        for (int k = 0; k <= 8; ++k) {
            Point const a = Moved(first, k * vx / 128, k * vy / 128);
            Point const b = Moved(last, k * vx / 128, k * vy / 128);
            if (!IsSampleable(image, a) || !IsSampleable(image, b)) {
                return false;
            }
            long long const ga = GeometryEx::GetLuminance(image, a, 8);
            long long const gb = GeometryEx::GetLuminance(image, b, 8);
            long long const contrast = inverted ? ga - gb : gb - ga;
            if (k == 0 || contrast > bestContrast) {
                bestContrast = contrast;
                best = k;
            }
        }
        phase += best;
    }
    // 2. Every row moved by the mean phase, then sampled.
    long long const divisor = 128LL * rows;
    for (unsigned row = 0; row < rows; ++row) {
        long long const vx = static_cast<long long>(mesh_.At(kModules - 1, row).x) - mesh_.At(0, row).x;
        long long const vy = static_cast<long long>(mesh_.At(kModules - 1, row).y) - mesh_.At(0, row).y;
        long long const dx = vx * phase / divisor;
        long long const dy = vy * phase / divisor;
        for (unsigned k = 0; k < kModules; ++k) {
            Point const moved = Moved(mesh_.At(k, row), dx, dy);
            if (!IsSampleable(image, moved)) {
                return false;
            }
            mesh_.At(k, row) = moved;
        }
    }
    if (!map.SetLuminance(image, mesh_, false)) {
        return false;
    }
    // 3. Glare off the light modules, unless every grey is to count.
    if (!tryHarder && !RangeChanger::AutoHighLowCut(map, kBlock)) {
        return false;
    }
    // 4. Modules 1 to 15 of every row but the first and the last.
    Rectangle const area{1, 1, static_cast<int>(kModules) - 2, static_cast<int>(rows) - 2};
    return BinarizationSubroutine().Start(image, map, area, blocks_, kBlock, inverted, edgeParameter, table) != 0 &&
           table.GetWidth() == kModules - 2 && table.GetHeight() == rows - 2;
}

}  // namespace DEC2DIvra
