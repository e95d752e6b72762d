#include "decoder/matrix/aztec/calc_curved_compact_table_subroutine.h"

#include "decoder/core/geometry/geometry.h"
#include "decoder/core/geometry/geometry_ex.h"
#include "decoder/core/geometry/line_segment.h"

#include <initializer_list>

namespace DEC2DIvra {

namespace {

constexpr unsigned kEdgeMode = CommonVectorGrid::kFractionBits;
constexpr unsigned kExpectedFrame = 127;  // 7 dark modules

// The part of v along the unit of step, in the fixed point of both.
Vector Projected(Vector const& v, Vector const& step)
{
    long long const dot = static_cast<long long>(v.dx) * step.dx + static_cast<long long>(v.dy) * step.dy;
    long long const norm = static_cast<long long>(step.dx) * step.dx + static_cast<long long>(step.dy) * step.dy;
    if (norm == 0) {
        return Vector{};
    }
    return Vector{static_cast<int>(dot * step.dx / norm), static_cast<int>(dot * step.dy / norm)};
}

}  // namespace

void CalcCurvedCompactTableSubroutine::ArmToModule(unsigned d, int k, int m, int& x, int& y)
{
    Vector const along = StepToDirection::Get(d, k);
    Vector const across = StepToDirection::Get(d + 1, m);
    x = along.dx + across.dx;
    y = along.dy + across.dy;
}

unsigned CalcCurvedCompactTableSubroutine::CalcAverageOfFrameLuminance(GrayImage const& image,
                                                                      CommonVectorGrid const& grid, int ring) const
{
    // Side by side from the corner (-ring, -ring), 2 ring modules a side.
    static constexpr int kDx[4] = {1, 0, -1, 0};
    static constexpr int kDy[4] = {0, 1, 0, -1};
    int x = -ring;
    int y = -ring;
    unsigned long long sum = 0;
    unsigned count = 0;
    for (unsigned side = 0; side < 4; ++side) {
        for (int s = 0; s < 2 * ring; ++s) {
            unsigned value = 0;
            if (grid.CalcTempModuleLuminance(image, x, y, value)) {
                sum += value;
                ++count;
            }
            x += kDx[side];
            y += kDy[side];
        }
    }
    return count == 0 ? 0u : static_cast<unsigned>(sum / count);
}

void CalcCurvedCompactTableSubroutine::SetThreshold(GrayImage const& image, CommonVectorGrid const& grid)
{
    threshold_ = (CalcAverageOfFrameLuminance(image, grid, 3) + CalcAverageOfFrameLuminance(image, grid, 2)) / 2;
}

bool CalcCurvedCompactTableSubroutine::ModuleBit(GrayImage const& image, CommonVectorGrid const& grid, int x, int y,
                                                 unsigned& bit) const
{
    unsigned value = 0;
    if (!grid.CalcTempModuleLuminance(image, x, y, value)) {
        return false;
    }
    bit = IsDark(value) ? 1u : 0u;
    return true;
}

void CalcCurvedCompactTableSubroutine::SetBinarizationTable(GrayImage const& image, CommonVectorGrid const& grid,
                                                            int x, int y, BinarizationTableForAztec& table) const
{
    unsigned bit = 0;
    if (ModuleBit(image, grid, x, y, bit)) {
        table.cells[static_cast<unsigned>(y + half_) * table.size + static_cast<unsigned>(x + half_)] =
            static_cast<unsigned char>(bit);
    }
}

unsigned CalcCurvedCompactTableSubroutine::CalcModuleBitsOnLine(GrayImage const& image, CommonVectorGrid const& grid,
                                                                unsigned d, int k, int count) const
{
    unsigned bits = 0;
    for (int m = -count; m <= count; ++m) {
        int x = 0;
        int y = 0;
        ArmToModule(d, k, m, x, y);
        unsigned bit = 0;
        ModuleBit(image, grid, x, y, bit);
        bits = (bits << 1) | bit;
    }
    return bits;
}

unsigned CalcCurvedCompactTableSubroutine::CalcOuterEdgeModuleBits(GrayImage const& image,
                                                                   CommonVectorGrid const& grid, unsigned d) const
{
    unsigned bits = 0;
    for (int m = -3; m <= 3; ++m) {
        int x = 0;
        int y = 0;
        int nx = 0;
        int ny = 0;
        ArmToModule(d, 4, m, x, y);
        ArmToModule(d, 5, m, nx, ny);
        Point const a = grid.GetTempModuleCenter(x, y);
        Point const b = grid.GetTempModuleCenter(nx, ny);
        // The centre, a third and a quarter of the way to the next line's
        // module, and a sixth of the way back from it.
        Point tries[4] = {a, a, a, a};
        Geometry::CalcDividingPoint(2, a, 1, b, tries[1]);
        Geometry::CalcDividingPoint(3, a, 1, b, tries[2]);
        Geometry::CalcDividingPoint(7, a, -1, b, tries[3]);
        unsigned match = 0;
        for (Point const& p : tries) {
            if (image.IsInside(p.x >> kEdgeMode, p.y >> kEdgeMode) &&
                IsDark(GeometryEx::GetLuminance(image, p, kEdgeMode))) {
                match = 1;
                break;
            }
        }
        bits = (bits << 1) | match;
    }
    return bits;
}

void CalcCurvedCompactTableSubroutine::ConfirmGridByScan(GrayImage const& image, unsigned d, int k,
                                                         CommonVectorGrid& grid) const
{
    int const reach = k - 1;
    unsigned const before = CalcModuleBitsOnLine(image, grid, d, k - 1, reach);
    unsigned const here = CalcModuleBitsOnLine(image, grid, d, k, reach);
    unsigned const after = CalcModuleBitsOnLine(image, grid, d, k + 1, reach);
    int const width = 2 * reach + 1;
    auto bitOf = [&](unsigned word, int m) { return (word >> (width - 1 - (m + reach))) & 1u; };
    Vector const alongStep = grid.GetStep(d);
    // Across the line: where the line's distance has drifted.
    long long sumX = 0;
    long long sumY = 0;
    unsigned found = 0;
    for (int m = -reach; m <= reach; ++m) {
        unsigned const bit = bitOf(here, m);
        if (bit == bitOf(before, m) || bit == bitOf(after, m)) {
            continue;
        }
        int x0 = 0, y0 = 0, x1 = 0, y1 = 0, x = 0, y = 0;
        ArmToModule(d, k - 1, m, x0, y0);
        ArmToModule(d, k + 1, m, x1, y1);
        ArmToModule(d, k, m, x, y);
        Point centre{};
        if (!centre_.Start(image, LineSegment{grid.GetTempModuleCenter(x0, y0), grid.GetTempModuleCenter(x1, y1)},
                           (bit != 0) == colour_, kEdgeMode, centre)) {
            continue;
        }
        Point const predicted = grid.GetTempModuleCenter(x, y);
        Vector const shift = Projected(Vector{centre.x - predicted.x, centre.y - predicted.y}, alongStep);
        sumX += shift.dx;
        sumY += shift.dy;
        ++found;
    }
    Vector along{};
    bool const horizontal = d == 1 || d == 3;
    if (found >= 2 && grid.CalcTempVector(d < 2 ? k : -k, horizontal, along)) {
        grid.ConfirmGrid(Vector{along.dx + static_cast<int>(sumX / found), along.dy + static_cast<int>(sumY / found)},
                         d, k);
    }
    // Along the line: where each column across the arm has drifted, nearest
    // the axis first so that each confirmation extends from the last.
    unsigned const across = (d + 1) & 3;
    Vector const acrossStep = grid.GetStep(across);
    for (int distance = 1; distance <= reach - 1; ++distance) {
        for (int sign : {1, -1}) {
            int const m = sign * distance;
            unsigned const bit = bitOf(here, m);
            if (bit == bitOf(here, m - 1) || bit == bitOf(here, m + 1)) {
                continue;
            }
            int x0 = 0, y0 = 0, x1 = 0, y1 = 0, x = 0, y = 0;
            ArmToModule(d, k, m - 1, x0, y0);
            ArmToModule(d, k, m + 1, x1, y1);
            ArmToModule(d, k, m, x, y);
            Point centre{};
            if (!centre_.Start(image, LineSegment{grid.GetTempModuleCenter(x0, y0), grid.GetTempModuleCenter(x1, y1)},
                               (bit != 0) == colour_, kEdgeMode, centre)) {
                continue;
            }
            Point const predicted = grid.GetTempModuleCenter(x, y);
            Vector const shift = Projected(Vector{centre.x - predicted.x, centre.y - predicted.y}, acrossStep);
            unsigned const direction = m > 0 ? across : (across + 2) & 3;
            bool const acrossHorizontal = across == 1 || across == 3;
            int const index = (across < 2) == (m > 0) ? distance : -distance;
            Vector column{};
            if (grid.CalcTempVector(index, acrossHorizontal, column)) {
                grid.ConfirmGrid(Vector{column.dx + shift.dx, column.dy + shift.dy}, direction, distance);
            }
        }
    }
}

void CalcCurvedCompactTableSubroutine::CalcModulesOfRightAndLeft(GrayImage const& image, unsigned d, int k,
                                                                 BinarizationTableForAztec& table) const
{
    for (int m = -(k - 1); m <= k - 1; ++m) {
        int x = 0;
        int y = 0;
        ArmToModule(d, k, m, x, y);
        SetBinarizationTable(image, arms_[d], x, y, table);
    }
}

void CalcCurvedCompactTableSubroutine::CalcGridAlongGrid(GrayImage const& image, unsigned d, CommonVectorGrid& grid)
{
    // Only an arm whose side of the bull's-eye's dark frame shows where the
    // grid puts it is re-fitted; another keeps the bull's-eye's grid.
    if (__builtin_popcount(CalcOuterEdgeModuleBits(image, grid, d) & kExpectedFrame) < 5) {
        return;
    }
    for (int k = kCore + 1; k <= half_ && k < CommonVectorGrid::kMaxIndex; ++k) {
        ConfirmGridByScan(image, d, k, grid);
    }
}

Point CalcCurvedCompactTableSubroutine::CalcModulesOfCorner(int x, int y) const
{
    // The diagonal (x, y) lies between the arm of y's direction and that of
    // x's.
    unsigned const vertical = y > 0 ? 0u : 2u;
    unsigned const horizontal = x > 0 ? 1u : 3u;
    Point const a = arms_[vertical].GetTempModuleCenter(x, y);
    Point const b = arms_[horizontal].GetTempModuleCenter(x, y);
    Point middle{};
    Geometry::CalcCenterPoint(a, b, middle);
    return middle;
}

void CalcCurvedCompactTableSubroutine::SetCornerModuleTable(GrayImage const& image,
                                                            BinarizationTableForAztec& table) const
{
    for (int k = kCore + 1; k <= half_; ++k) {
        for (int sx : {-1, 1}) {
            for (int sy : {-1, 1}) {
                int const x = sx * k;
                int const y = sy * k;
                Point const p = CalcModulesOfCorner(x, y);
                int const px = p.x >> kEdgeMode;
                int const py = p.y >> kEdgeMode;
                if (px < 1 || py < 1 || px >= image.GetWidth() - 1 || py >= image.GetHeight() - 1) {
                    continue;
                }
                table.cells[static_cast<unsigned>(y + half_) * table.size + static_cast<unsigned>(x + half_)] =
                    IsDark(GeometryEx::GetLuminance(image, p, kEdgeMode)) ? 1 : 0;
            }
        }
    }
}

bool CalcCurvedCompactTableSubroutine::Start(GrayImage const& image, bool colour, int halfSize,
                                             CommonVectorGrid const& finderGrid, BinarizationTableForAztec& table,
                                             Region& region)
{
    if (halfSize < 7 || halfSize > kMaxHalf || table.cells == nullptr ||
        table.size != static_cast<unsigned>(2 * halfSize + 1)) {
        return false;
    }
    colour_ = colour;
    half_ = halfSize;
    SetThreshold(image, finderGrid);
    // The core from the bull's-eye's grid.
    for (int y = -kCore; y <= kCore; ++y) {
        for (int x = -kCore; x <= kCore; ++x) {
            SetBinarizationTable(image, finderGrid, x, y, table);
        }
    }
    for (unsigned d = 0; d < 4; ++d) {
        arms_[d].Copy(finderGrid);
        CalcGridAlongGrid(image, d, arms_[d]);
        for (int k = kCore + 1; k <= half_; ++k) {
            CalcModulesOfRightAndLeft(image, d, k, table);
        }
    }
    SetCornerModuleTable(image, table);
    for (unsigned k = 0; k < 4; ++k) {
        // Corner k lies between the arms of directions k and k + 3.
        arms_[k].CalcCornerOfSymbolRegion(half_, k, 0, region[k]);
    }
    return true;
}

}  // namespace DEC2DIvra
