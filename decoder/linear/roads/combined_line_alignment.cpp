// How far corresponding edges drift from one prepared line to the next: the
// grey profiles of two lines some distance apart are correlated over a
// sliding window at every shift, and the best shift of each window position
// gives the drift there; a straight line through those drifts is the
// molecule line.

#include "decoder/core/containers/array_iterator.h"
#include "decoder/core/arithmetic/dec_math.h"
#include "decoder/core/geometry/geometry.h"
#include "decoder/linear/roads/combined_line_decoder.h"

namespace DEC2DIvra {
namespace {

constexpr long long kScoreOne = 65536;
// Windows whose best match is weaker than this saw no print (a quiet zone,
// a flat label) and say nothing about the drift.

constexpr int kMinMatch = static_cast<int>(kScoreOne / 2);
constexpr unsigned kMinMoleculePoints = 8;
constexpr unsigned kMaxLineDistance = 64;

long long Abs(long long v) { return v < 0 ? -v : v; }

// The squared normalised correlation in 16.16; the three sums are scaled down
// together (which leaves the ratio as it is) until the square fits.
int CalcScore(long long xy, long long xx, long long yy)
{
    if (xx <= 0 || yy <= 0) {
        return 0;
    }
    while (Abs(xy) >= (1LL << 31) || xx >= (1LL << 31) || yy >= (1LL << 31)) {
        xy /= 2;
        xx /= 2;
        yy /= 2;
    }
    if (xx == 0 || yy == 0) {
        return 0;
    }
    long long const ratio = xy * xy / xx;  // at most yy
    return static_cast<int>(ratio * kScoreOne / yy);
}

int ByDrift(CompositeLineDecoder::PointAndDistance const& a, CompositeLineDecoder::PointAndDistance const& b)
{
    return b.y - a.y;
}

long long Evaluate(Line const& line, long long x)
{
    return line.b == 0 ? 0 : -(static_cast<long long>(line.a) * x + line.c) / line.b;
}

}  // namespace

unsigned CompositeLineDecoder::CalcInnerProduct(unsigned first, unsigned second, int shift, unsigned start,
                                                unsigned window, unsigned positions, int* scores) const
{
    // The shift is split between the two lines, so that the window stays
    // centred on the same place of the symbol.
    int const half = (shift >= 0 ? shift : -shift) / 2;
    int const rest = (shift >= 0 ? shift : -shift) - half;
    int const firstOffset = shift >= 0 ? -half : rest;
    int const secondOffset = shift >= 0 ? rest : -half;
    StackInterface<PickLineElement> const& a = lines_[first];
    StackInterface<PickLineElement> const& b = lines_[second];
    long long const meanA = average_[first];
    long long const meanB = average_[second];
    auto x = [&](long long i) { return static_cast<long long>(a[static_cast<unsigned>(i)].grey) - meanA; };
    auto y = [&](long long i) { return static_cast<long long>(b[static_cast<unsigned>(i)].grey) - meanB; };

    long long const a0 = static_cast<long long>(start) + firstOffset;
    long long const b0 = static_cast<long long>(start) + secondOffset;
    long long xy = 0;
    long long xx = 0;
    long long yy = 0;
    for (unsigned i = 0; i < window; ++i) {
        xy += x(a0 + i) * y(b0 + i);
        xx += x(a0 + i) * x(a0 + i);
        yy += y(b0 + i) * y(b0 + i);
    }
    for (unsigned j = 0; j < positions; ++j) {
        scores[j] = CalcScore(xy, xx, yy);
        if (j + 1 < positions) {
            long long const outA = a0 + j;
            long long const outB = b0 + j;
            long long const inA = outA + window;
            long long const inB = outB + window;
            xy += x(inA) * y(inB) - x(outA) * y(outB);
            xx += x(inA) * x(inA) - x(outA) * x(outA);
            yy += y(inB) * y(inB) - y(outB) * y(outB);
        }
    }
    return positions;
}

void CompositeLineDecoder::ScoreShifts(unsigned distance, int offset, unsigned start, unsigned window,
                                       unsigned positions, bool refine)
{
    unsigned const firstLine = (prepared_ - 1 - distance) / 2;
    unsigned const secondLine = firstLine + distance;
    CalcInnerProduct(firstLine, secondLine, offset, start, window, positions, plusScore_.GetData());
    if (offset == 0) {
        for (unsigned j = 0; j < positions; ++j) {
            bestScore_[j] = plusScore_[j];
            bestSlope_[j] = 0;
        }
        return;
    }
    CalcInnerProduct(firstLine, secondLine, -offset, start, window, positions, minusScore_.GetData());
    int const slope = static_cast<int>(offset * kSlopeOne / distance);
    int const halfSlope = static_cast<int>(kSlopeOne / (2 * static_cast<long long>(distance)));
    for (unsigned j = 0; j < positions; ++j) {
        bool const plus = plusScore_[j] >= minusScore_[j];
        int const score = plus ? plusScore_[j] : minusScore_[j];
        if (score > bestScore_[j]) {
            bestScore_[j] = score;
            bestSlope_[j] = plus ? slope : -slope;
        } else if (refine) {
            // No whole shift beats none: the drift lies within half a sample
            // toward the better side.
            bestSlope_[j] = plus ? halfSlope : -halfSlope;
        }
    }
}

bool CompositeLineDecoder::CorrectLineCoords(int& unit, Line& molecule)
{
    if (!CalcAverages()) {
        return false;
    }
    for (unsigned j = 0; j < kMaxPositions; ++j) {
        bestScore_[j] = 0;
        bestSlope_[j] = 0;
    }
    StackInterface<PickLineElement> const& line0 = lines_[0];
    unit = line0.IsEmpty() ? 0 : line0.GetTop().coordinate / static_cast<int>(line0.GetCount());

    unsigned const distance = prepared_ - 1 < kMaxLineDistance ? prepared_ - 1 : kMaxLineDistance;
    distance_ = distance;
    unsigned shortest = lines_[0].GetCount();
    for (unsigned j = 1; j < prepared_; ++j) {
        shortest = lines_[j].GetCount() < shortest ? lines_[j].GetCount() : shortest;
    }
    // Every window at every shift must lie inside both lines; a shift is
    // split between the two, so each moves by at most the line distance.
    unsigned const start = distance;
    long long const room = static_cast<long long>(shortest) - 2LL * distance - window_ + 1;
    if (distance == 0 || room < static_cast<long long>(kMinMoleculePoints)) {
        return false;
    }
    unsigned const positions = room < kMaxPositions ? static_cast<unsigned>(room) : kMaxPositions;

    for (unsigned o = 0; o <= 2 * distance; ++o) {
        int const offset = static_cast<int>(o);
        ScoreShifts(distance, offset, start, window_, positions, o == 1);
        if (o > 0 && o < 2 * distance) {
            // Half steps of drift: the same shift over a slightly shorter
            // distance.
            unsigned const closer = static_cast<unsigned>(2ULL * o * distance / (2ULL * o + 1));
            if (closer > 0) {
                ScoreShifts(closer, offset, start, window_, positions, false);
            }
        }
    }

    points_.Clear();
    for (unsigned j = 0; j < positions; ++j) {
        if (bestScore_[j] < kMinMatch) {
            continue;
        }
        PointAndDistance point;
        point.x = line0[start + window_ / 2 + j].coordinate;
        point.y = bestSlope_[j];
        points_.Push(point);
    }
    return CalcMoleculeLine(points_, molecule);
}

bool CompositeLineDecoder::CalcMoleculeLine(VariableLengthVirtualArray<PointAndDistance>& points,
                                            Line& molecule) const
{
    unsigned const n = points.GetLength();
    if (n < kMinMoleculePoints) {
        return false;
    }
    PointAndDistance* p = points.GetData();
    DecMath::HeapSort(p, n, &ByDrift);
    // A first fit through the middle half of the drifts, which the windows
    // that matched a wrong shift do not reach.
    unsigned const quarter = n / 4;
    Line first;
    if (!Geometry::CalcLineY(ArrayIterator<PointAndDistance const>(p + quarter, n - 2 * quarter), first, -1)) {
        first = Line(0, -1, p[n / 2].y);
    }
    // A spread within the measurement's own step (half a sample over the
    // longest distance) is no spread.
    long long tolerance = (static_cast<long long>(p[n - 1].y) - p[0].y) / 4;
    long long const step = kSlopeOne / (2 * static_cast<long long>(distance_));
    tolerance = tolerance < step ? step : tolerance;
    unsigned kept = 0;
    for (unsigned i = 0; i < n; ++i) {
        p[i].distance = Abs(p[i].y - Evaluate(first, p[i].x));
        if (p[i].distance <= tolerance) {
            p[kept++] = p[i];
        }
    }
    if (kept < kMinMoleculePoints) {
        return false;
    }
    points.SetLength(kept);
    Line fitted;
    if (!Geometry::CalcLineY(ArrayIterator<PointAndDistance const>(p, kept), fitted, -1)) {
        return false;
    }
    molecule = fitted;
    return true;
}

}  // namespace DEC2DIvra
