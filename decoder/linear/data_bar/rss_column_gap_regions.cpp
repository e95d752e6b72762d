#include "decoder/core/arithmetic/dec_math.h"
#include "decoder/linear/data_bar/rss_decoder.h"

namespace DEC2DIvra {

unsigned RSSDecoder::CalcGapRegions(ColumnRow* rows, unsigned count, long long vx, long long vy, long long gap,
                                    StackInterface<Region>& regions)
{
    // A tall stacked symbol's rows follow one another at one pitch along
    // the bars. A row that no line read lies between two read ones two or
    // more pitches apart; its place gets a region like theirs, once.
    for (unsigned i = 1; i < count; ++i) {
        for (unsigned j = i; j > 0 && rows[j].along < rows[j - 1].along; --j) {
            ColumnRow const t = rows[j];
            rows[j] = rows[j - 1];
            rows[j - 1] = t;
        }
    }
    long long pitch = 0;
    for (unsigned i = 1; i < count; ++i) {
        long long const d = rows[i].along - rows[i - 1].along;
        pitch = d >= gap && (pitch == 0 || d < pitch) ? d : pitch;
    }
    if (pitch == 0) {
        return 0;
    }
    long long const length = DecMath::Sqrt(static_cast<unsigned long long>(vx * vx + vy * vy));
    if (length == 0) {
        return 0;
    }
    // A few rows missed in a run at most; wider gaps are no column's.
    constexpr long long kMaxMissed = 3;
    unsigned named = 0;
    for (unsigned i = 1; i < count; ++i) {
        ColumnRow const& a = rows[i - 1];
        long long const d = rows[i].along - a.along;
        long long const n = (2 * d + pitch) / (2 * pitch);
        if (n < 2 || n > kMaxMissed + 1) {
            continue;
        }
        for (long long m = 1; m < n; ++m) {
            long long const offset = d * m / n;
            Point const move{static_cast<int>(vx * offset / length), static_cast<int>(vy * offset / length)};
            Point const middle{(a.pair.begin.x + a.pair.end.x) / 2 + move.x,
                               (a.pair.begin.y + a.pair.end.y) / 2 + move.y};
            bool known = false;
            for (unsigned g = 0; g < gapRowCount_ && !known; ++g) {
                long long const dx = static_cast<long long>(gapRows_[g].x) - middle.x;
                long long const dy = static_cast<long long>(gapRows_[g].y) - middle.y;
                known = 4 * (dx * dx + dy * dy) < pitch * pitch;
            }
            if (known || gapRowCount_ >= kMaxGapRows) {
                continue;
            }
            // A quarter of a pair's width either side, as the rows read.
            long long const reach = a.width / 4;
            Point const shift{static_cast<int>(vx * reach / length), static_cast<int>(vy * reach / length)};
            LineSegment const start{Point{a.pair.begin.x + move.x - shift.x, a.pair.begin.y + move.y - shift.y},
                                    Point{a.pair.end.x + move.x - shift.x, a.pair.end.y + move.y - shift.y}};
            Region region;
            if (SquareToBars(start, vx, vy, Point{2 * shift.x, 2 * shift.y}, region) && regions.Push(region)) {
                gapRows_[gapRowCount_++] = middle;
                ++named;
            }
        }
    }
    return named;
}

}  // namespace DEC2DIvra
