#include "decoder/core/geometry/geometry.h"
#include "decoder/stacked/pdf417/finder_segment.h"
#include "decoder/stacked/pdf417/micro_finder_window.h"
#include "decoder/stacked/pdf417/search_finder_subroutine.h"

namespace DEC2DIvra {

namespace {

constexpr unsigned kCycle = 52;

// A pattern number kept modulo 52 (52 and 0 name the same pattern).
unsigned Modulo(int number) { return static_cast<unsigned>(((number % 52) + 52) % 52); }

// Sorts the column along its run, drops the records whose pattern number
// breaks the order of the others and fits its centre line. The numbers are
// straightened on the way round the cycle (52 follows 51, and 1 follows
// 52) and kept modulo 52 again afterwards.
void Refit(MicroFinderColumnData& column, unsigned sortType)
{
    column.Sort();
    int offset = 0;
    for (unsigned i = 1; i < column.GetCount(); ++i) {
        int const step = column[i].row + offset - column[i - 1].row;
        if (step < -static_cast<int>(kCycle) / 2) {
            offset += static_cast<int>(kCycle);
        } else if (step > static_cast<int>(kCycle) / 2) {
            offset -= static_cast<int>(kCycle);
        }
        column[i].row = static_cast<signed char>(column[i].row + offset);
    }
    if (sortType == 0) {
        column.AdjustX();
    } else if (sortType == 1) {
        column.AdjustY();
    }
    for (unsigned i = 0; i < column.GetCount(); ++i) {
        column[i].row = static_cast<signed char>(Modulo(column[i].row));
    }
    column.CalcCenterLine();
}

}  // namespace

unsigned SearchFinderSubroutine::CheckMicroFinderCandidateIsEnabled(GrayImage const& image,
                                                                    FinderCandidate const& candidate,
                                                                    unsigned margin, FinderCandidate& found)
{
    if (!SetLine(image, LengthenFinderSegment(candidate.segment), margin, follow_)) {
        return 0;
    }
    MicroFinderWindow window;
    if (!window.Read(image, follow_, follow_.GetRuns(), candidate)) {
        return 0;
    }
    int n = window.GetNumber();
    int const c = candidate.number;
    int const d = n > c ? n - c : c - n;
    if (d >= 50 && d <= 52) {
        // Across the end of the cycle of 52 patterns.
        n = c < n ? n - static_cast<int>(kCycle) : n + static_cast<int>(kCycle);
    } else if (d > 2) {
        return 0;
    }
    window.Fill(candidate, n, found);
    return 1;
}

bool SearchFinderSubroutine::CalcMicroFinderColumnData(GrayImage const& image, FinderCandidate const& candidate,
                                                       unsigned margin, unsigned sortType,
                                                       MicroFinderColumnData& column)
{
    column.Clear();
    column.SetOrientation(sortType);
    column.reversed = candidate.reversed != 0;
    column.inverted = candidate.inverted != 0;
    column.center = candidate.pattern >= 64;
    unsigned const width = Geometry::CalcChebyshevDistance(candidate.segment);
    column.Push(candidate.segment, width, Modulo(candidate.number), 0);

    // The first step: a fifth of the pattern turned by a right angle,
    // rescaled to a power of two of 1/256 pixel.
    long long const vx = static_cast<long long>(candidate.segment.end.x) - candidate.segment.begin.x;
    long long const vy = static_cast<long long>(candidate.segment.end.y) - candidate.segment.begin.y;
    long long sx = vy / 5;
    long long sy = -vx / 5;
    long long const c = Geometry::CalcChebyshevDistance(Vector{static_cast<int>(sx), static_cast<int>(sy)});
    if (c == 0) {
        return false;
    }
    long long scale = 128;
    if (c > 256) {
        scale = 256;
        while (2 * scale < c) {
            scale *= 2;
        }
    }
    sx = sx * scale / c;
    sy = sy * scale / c;

    bool accepted = false;
    for (unsigned pass = 0;; ++pass) {
        for (int way = 0; way < 2; ++way) {
            long long const dx = way == 0 ? sx : -sx;
            long long const dy = way == 0 ? sy : -sy;
            // Later passes start half a step off the candidate, between the
            // places of the passes before.
            LineSegment position = pass == 0 ? candidate.segment : ShiftFinderSegment(candidate.segment, -dx / 2, -dy / 2);
            FinderCandidate reference = candidate;
            unsigned misses = 0;  // failed steps and repeats
            for (;;) {
                position = ShiftFinderSegment(position, dx, dy);
                FinderCandidate probe = reference;
                probe.segment = position;
                FinderCandidate found;
                if (CheckMicroFinderCandidateIsEnabled(image, probe, margin, found) == 0) {
                    if (++misses > 2) {
                        break;
                    }
                    continue;
                }
                if (found.number == reference.number) {
                    if (++misses > 2) {
                        break;
                    }
                } else {
                    misses = 0;
                }
                column.Push(found.segment, Geometry::CalcChebyshevDistance(found.segment), Modulo(found.number), 0);
                reference = found;
                position = found.segment;
            }
        }
        Refit(column, sortType);
        unsigned const rows = column.CountRows();
        if (rows < (pass == 0 ? 2u : 3u)) {
            return false;
        }
        if (pass >= 1) {
            scale /= 2;
            sx /= 2;
            sy /= 2;
        }
        unsigned const skipped = column.CountSkippedRows();
        if (rows != 2 && rows > 2 * skipped) {
            accepted = true;
            if (skipped == 0) {
                break;
            }
        }
        if (scale <= 256 || (sx == 0 && sy == 0)) {
            break;
        }
    }
    // The column's place: from the first record's middle to the last's.
    unsigned const n = column.GetCount();
    if (n > 0) {
        Geometry::CalcCenterPoint(column[0].segment.begin, column[0].segment.end, column.lineSegment.begin);
        Geometry::CalcCenterPoint(column[n - 1].segment.begin, column[n - 1].segment.end, column.lineSegment.end);
    }
    return accepted;
}

}  // namespace DEC2DIvra
