#include "decoder/stacked/pdf417/finder_candidate.h"

#include "decoder/core/geometry/geometry.h"

namespace DEC2DIvra {

namespace {

int Sign(long long v) { return v < 0 ? -1 : (v > 0 ? 1 : 0); }

}  // namespace

int FinderCandidate::CompareX(FinderCandidate const& a, FinderCandidate const& b)
{
    return Sign(static_cast<long long>(b.segment.begin.x) - a.segment.begin.x);
}

int FinderCandidate::CompareY(FinderCandidate const& a, FinderCandidate const& b)
{
    return Sign(static_cast<long long>(b.segment.begin.y) - a.segment.begin.y);
}

int FinderCandidate::CompareReverseX(FinderCandidate const& a, FinderCandidate const& b) { return -CompareX(a, b); }

int FinderCandidate::CompareReverseY(FinderCandidate const& a, FinderCandidate const& b) { return -CompareY(a, b); }

int FinderCandidate::CompareWidth(FinderCandidate const& a, FinderCandidate const& b)
{
    return Sign(static_cast<long long>(Geometry::CalcChebyshevDistance(b.segment)) -
                static_cast<long long>(Geometry::CalcChebyshevDistance(a.segment)));
}

}  // namespace DEC2DIvra
