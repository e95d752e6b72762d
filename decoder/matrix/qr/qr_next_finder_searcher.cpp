#include "decoder/matrix/qr/qr_next_finder_searcher.h"

#include <algorithm>

#include "decoder/core/geometry/geometry.h"
#include "decoder/core/geometry/geometry_ex.h"

namespace DEC2DIvra {

namespace {

// Lateral positions in sixths of the finder's side.
constexpr int kLateral[NextQRFinderSearcher::kSteps] = {3, 2, 4, 1, 5, 0, 6, -1, 7, -2, 8, -3, 9, -4, 10};

Point ToPixels(Point const& p) { return Point{(p.x + 128) >> 8, (p.y + 128) >> 8}; }

}  // namespace

void NextQRFinderSearcher::Initialize(QRFinderRegion const& finder, Direction direction)
{
    for (unsigned k = 0; k < 4; ++k) {
        corner_[k] = finder.corner[(direction + k) & 3];
        middle_[k] = finder.middle[(direction + k) & 3];
    }
    size_ = finder.size;
    step_ = 0;
    active_ = true;
    // The first window: around the point a finder's side beyond the facing
    // side's middle, a quarter side across and half a side along.
    Point predicted;
    Geometry::CalcDividingPoint(-1, middle_[2], 2, middle_[0], predicted);
    Vector side;
    Geometry::CalcVector(corner_[0], corner_[1], side);
    int const across = static_cast<int>(Geometry::CalcChebyshevDistance(side)) / 8;
    Vector along;
    Geometry::CalcVector(middle_[2], middle_[0], along);
    int const reach = static_cast<int>(Geometry::CalcChebyshevDistance(along)) / 4;
    int const rx = std::abs(side.dx) > std::abs(side.dy) ? across : reach;
    int const ry = std::abs(side.dx) > std::abs(side.dy) ? reach : across;
    window_ = Rectangle{predicted.x - rx, predicted.y - ry, predicted.x + rx, predicted.y + ry};
}

int NextQRFinderSearcher::Start(GrayImage const& image, bool polarity, Line const& scanLine, unsigned maxStep,
                                QRFinderRegion& found)
{
    if (!active_ || maxStep >= kSteps) {
        return 0;
    }
    while (step_ < kSteps && step_ <= maxStep) {
        int const t = kLateral[step_++];
        Point nearPoint;
        Point farPoint;
        if (!Geometry::CalcDividingPoint(6 - t, corner_[0], t, corner_[1], nearPoint) ||
            !Geometry::CalcDividingPoint(6 - t, corner_[3], t, corner_[2], farPoint)) {
            continue;
        }
        // Lengthened by half the finder's extent: the search begins past
        // the separator, clear of the finder itself.
        Point begin;
        Point behind;
        Line line;
        Point end;
        if (!Geometry::CalcDividingPoint(-1, farPoint, 3, nearPoint, begin) ||
            !Geometry::CalcDividingPoint(3, farPoint, -1, nearPoint, behind) || !Geometry::CalcLine(behind, begin, line) ||
            !Geometry::CalcCrossPoint(line, scanLine, end)) {
            continue;
        }
        // The crossing must lie ahead.
        Vector ahead;
        Vector reach;
        Geometry::CalcVector(nearPoint, begin, ahead);
        Geometry::CalcVector(begin, end, reach);
        if (static_cast<long long>(ahead.dx) * reach.dx + static_cast<long long>(ahead.dy) * reach.dy <= 0) {
            continue;
        }
        QRFinderRegion region;
        if (searcher_->Start(image, polarity, ToPixels(begin), ToPixels(end), region) != 0) {
            active_ = false;
            found = region;
            return 1;
        }
    }
    if (step_ >= kSteps) {
        active_ = false;
    }
    return 0;
}

int QRCodeEdgeSearcher::CalcContrast(GrayImage const& image, Point const& begin, Point const& end, int pitch)
{
    constexpr unsigned kMaxSamples = 64;
    unsigned short samples[kMaxSamples];
    int const length = static_cast<int>(Geometry::CalcChebyshevDistance(begin, end)) / 256;
    int const count = std::min<int>(length / pitch + 1, kMaxSamples);
    if (count < 2) {
        return 0;
    }
    for (int i = 0; i < count; ++i) {
        Point p;
        Geometry::CalcDividingPoint(count - 1 - i, begin, i, end, p);
        samples[i] = static_cast<unsigned short>(GeometryEx::GetLuminance(image, p, 8));
    }
    std::sort(samples, samples + count);
    int split = 0;
    int largest = -1;
    for (int i = 1; i < count; ++i) {
        if (samples[i] - samples[i - 1] > largest) {
            largest = samples[i] - samples[i - 1];
            split = i;
        }
    }
    if (split <= 0 || split >= count) {
        return 0;
    }
    long long lower = 0;
    long long upper = 0;
    for (int i = 0; i < count; ++i) {
        (i < split ? lower : upper) += samples[i];
    }
    return static_cast<int>(upper / (count - split) - lower / split);
}

int QRCodeEdgeSearcher::Start(GrayImage const& image, Region const& finder, Direction direction, Line& edge) const
{
    // A, B, C, D by direction, as corner indexes.
    static constexpr unsigned kCorners[4][4] = {{1, 0, 3, 2}, {2, 1, 0, 3}, {2, 3, 0, 1}, {3, 0, 1, 2}};
    if (direction > 3 || image.GetWidth() < 3 || image.GetHeight() < 3) {
        return 0;
    }
    Point const& a = finder[kCorners[direction][0]];
    Point const& b = finder[kCorners[direction][1]];
    Point const& c = finder[kCorners[direction][2]];
    Point const& d = finder[kCorners[direction][3]];
    Point seventh;
    if (!Geometry::CalcDividingPoint(6, b, 1, a, seventh)) {
        return 0;
    }
    Vector step;
    Geometry::CalcVector(c, seventh, step);
    // A finder of less than a pixel a side gives no outward step.
    if (Geometry::CalcChebyshevDistance(step) < 256) {
        return 0;
    }
    Point cb;
    Point da;
    Geometry::CalcCenterPoint(c, b, cb);
    Geometry::CalcCenterPoint(d, a, da);
    Point mirrored;
    Point begin;
    Point end;
    if (!Geometry::CalcDividingPoint(-1, cb, 2, da, mirrored) || !Geometry::CalcDividingPoint(7, cb, -1, mirrored, begin) ||
        !Geometry::CalcDividingPoint(-1, cb, 7, mirrored, end)) {
        return 0;
    }
    unsigned const chebyshev = Geometry::CalcChebyshevDistance(begin, end);
    int const pitch = chebyshev < 3072 ? 1 : std::max<int>(1, static_cast<int>(chebyshev / 256 / 24));
    int const right = (image.GetWidth() - 2) * 256;
    int const bottom = (image.GetHeight() - 2) * 256;
    auto inside = [&](Point const& p) { return p.x >= 256 && p.y >= 256 && p.x <= right && p.y <= bottom; };
    int reference = 0;
    unsigned weak = 0;
    bool any = false;
    Point lastBegin;
    Point lastEnd;
    // The segment leaves any frame within a few thousand steps.
    int const last = 16 + 12 * (image.GetWidth() + image.GetHeight());
    for (int k = 16; k <= last; ++k) {
        Vector const shift{static_cast<int>(static_cast<long long>(step.dx) * k / 12),
                           static_cast<int>(static_cast<long long>(step.dy) * k / 12)};
        Point const p{begin.x + shift.dx, begin.y + shift.dy};
        Point const q{end.x + shift.dx, end.y + shift.dy};
        if (!inside(p) || !inside(q)) {
            break;
        }
        lastBegin = p;
        lastEnd = q;
        any = true;
        int const contrast = CalcContrast(image, p, q, pitch);
        if (reference == 0) {
            reference = contrast;
            continue;
        }
        if (contrast * 3 < reference) {
            if (++weak > 4) {
                break;
            }
        } else if (contrast * 10 > reference * 9) {
            weak = 0;
            if (contrast * 9 < reference * 10) {
                reference = contrast;
            }
        } else {
            weak = 0;
        }
    }
    return any && Geometry::CalcLine(lastBegin, lastEnd, edge) ? 1 : 0;
}

}  // namespace DEC2DIvra
