#include "decoder/matrix/qr/qr_timing_pattern_grid.h"

#include "decoder/core/geometry/geometry.h"
#include "decoder/core/geometry/geometry_ex.h"

namespace DEC2DIvra {

bool QRTimingPatternGrid::Set(unsigned modules, Point const& start, Point const& middle, Point const& end)
{
    if (modules < 2 || modules > kMaxModules) {
        return false;
    }
    modules_ = modules;
    start_ = start;
    middle_ = middle;
    end_ = end;
    return true;
}

int QRTimingPatternGrid::CalcTimingPatternScore(GrayImage const& image, bool negate, int& score) const
{
    if (modules_ < 2 || image.GetPixels() == nullptr) {
        return 0;
    }
    long long const maxX = static_cast<long long>(image.GetWidth() - 1) << 8;
    long long const maxY = static_cast<long long>(image.GetHeight() - 1) << 8;
    // The middle point stands at module (modules - 1) / 2 of the line.
    int const half = static_cast<int>(modules_ - 1);
    long long sum = 0;
    for (int k = 0; k < static_cast<int>(modules_); ++k) {
        Point p;
        bool const first = 2 * k <= half;
        bool const ok = first ? Geometry::CalcDividingPoint(half - 2 * k, start_, 2 * k, middle_, p)
                              : Geometry::CalcDividingPoint(2 * half - 2 * k, middle_, 2 * k - half, end_, p);
        if (!ok || p.x < 0 || p.y < 0 || p.x > maxX || p.y > maxY) {
            return 0;
        }
        long long const grey = GeometryEx::GetLuminance(image, p, 8);
        sum += k % 2 == 0 ? -grey : grey;
    }
    score = static_cast<int>(negate ? -sum : sum);
    return 1;
}

}  // namespace DEC2DIvra
