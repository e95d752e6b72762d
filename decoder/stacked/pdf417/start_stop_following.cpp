#include "decoder/core/geometry/geometry.h"
#include "decoder/stacked/pdf417/finder_segment.h"
#include "decoder/stacked/pdf417/search_finder_subroutine.h"

namespace DEC2DIvra {

unsigned SearchFinderSubroutine::CheckFinderCandidateIsEnabled(GrayImage const& image,
                                                               FinderCandidate const& candidate, unsigned margin,
                                                               FinderCandidate& found)
{
    if (!SetLine(image, LengthenFinderSegment(candidate.segment), margin, follow_)) {
        return 0;
    }
    StackInterface<ScanElement> const& runs = follow_.GetRuns();
    if (runs.GetCount() < 2) {
        return 0;
    }
    unsigned const threshold = follow_.GetEdgeThreshold();
    unsigned char const colour = (candidate.inverted != 0) != (candidate.reversed != 0) ? kLightRun : kDarkRun;
    unsigned answer = 0;
    for (unsigned i = 1; i < runs.GetCount(); ++i) {
        long long const step = static_cast<long long>(runs[i].grey) - runs[i - 1].grey;
        if ((step < 0 ? -step : step) < static_cast<long long>(threshold) || runs[i].colour != colour) {
            continue;
        }
        ArrayIterator<ScanElement const> const run(runs.GetFirst(), runs.GetCount(), static_cast<int>(i));
        FinderCandidate outputs[4];
        if (CheckFinderCandidate(image, follow_, run, true, candidate.inverted == 0, candidate.inverted != 0,
                                 outputs[0], outputs[1], outputs[2], outputs[3]) == 0) {
            continue;
        }
        for (FinderCandidate const& output : outputs) {
            if (output.pattern == candidate.pattern) {
                found = output;
                answer = 1;
            }
        }
    }
    return answer;
}

bool SearchFinderSubroutine::CalcStartStopColumnData(GrayImage const& image, FinderCandidate const& candidate,
                                                     unsigned margin, unsigned sortType, StartStopColumnData& column)
{
    column.Clear();
    column.ResetPattern();
    column.SetOrientation(sortType);
    column.SetPattern(candidate.pattern);
    column.SetContrast(candidate.contrast);
    unsigned const width = Geometry::CalcChebyshevDistance(candidate.segment);
    if (width == 0 || !column.Push(candidate.segment, width)) {
        return false;
    }
    // The step across the rows: the pattern turned by a right angle, an
    // eighth of its length (about two modules, less than a row).
    long long const vx = static_cast<long long>(candidate.segment.end.x) - candidate.segment.begin.x;
    long long const vy = static_cast<long long>(candidate.segment.end.y) - candidate.segment.begin.y;
    for (int way = 0; way < 2; ++way) {
        long long sx = way == 0 ? vy / 8 : -vy / 8;
        long long sy = way == 0 ? -vx / 8 : vx / 8;
        FinderCandidate reference = candidate;
        unsigned referenceWidth = width;
        LineSegment position = candidate.segment;
        unsigned failures = 0;
        while (Geometry::CalcChebyshevDistance(Vector{static_cast<int>(sx), static_cast<int>(sy)}) >= 256) {
            position = ShiftFinderSegment(position, sx, sy);
            FinderCandidate probe = reference;
            probe.segment = position;
            FinderCandidate next;
            bool matched = CheckFinderCandidateIsEnabled(image, probe, margin, next) != 0;
            unsigned length = 0;
            if (matched) {
                length = Geometry::CalcChebyshevDistance(next.segment);
                if (length == 0) {
                    break;
                }
                // A pattern met again behind the last one is no step on: the
                // walk would find it over and over.
                long long const ax = static_cast<long long>(next.segment.begin.x) + next.segment.end.x -
                                     reference.segment.begin.x - reference.segment.end.x;
                long long const ay = static_cast<long long>(next.segment.begin.y) + next.segment.end.y -
                                     reference.segment.begin.y - reference.segment.end.y;
                matched = ax * sx + ay * sy > 0;
            }
            if (matched) {
                // Within 17/19 and 19/17 of the last pattern.
                unsigned long long const l = length;
                unsigned long long const r = referenceWidth;
                matched = 19 * l >= 17 * r && 17 * l <= 19 * r;
                if (matched) {
                    if (!column.Push(next.segment, length)) {
                        break;  // the column is full
                    }
                    reference = next;
                    referenceWidth = length;
                    position = next.segment;
                    failures = 0;
                }
            }
            if (!matched && ++failures >= 3) {
                // Back to the last pattern with half the step.
                sx /= 2;
                sy /= 2;
                position = reference.segment;
                failures = 0;
            }
        }
    }
    column.Sort();
    if (sortType == 0) {
        column.AdjustX();
    } else if (sortType == 1) {
        column.AdjustY();
    }
    column.CalcCenterLine();
    return column.GetCount() >= 3;
}

}  // namespace DEC2DIvra
