#include "decoder/core/location/bar_region_grower.h"

#include "decoder/core/arithmetic/dec_math.h"

#include <algorithm>
#include <bit>

namespace DEC2DIvra {

namespace {

// The unit vectors of the 512 doubled directions (9-bit angles), 14
// fraction bits: the sine table's every other entry, a quarter turn apart
// for the cosine.
struct UnitVectors {
    static constexpr unsigned kAngles = DecMath::kTableSize / 2;
    long long c[kAngles];
    long long s[kAngles];

    UnitVectors()
    {
        for (unsigned angle = 0; angle < kAngles; ++angle) {
            c[angle] = DecMath::SineTable(static_cast<int>(2 * angle + DecMath::kTableSize / 4)) >> 18;
            s[angle] = DecMath::SineTable(static_cast<int>(2 * angle)) >> 18;
        }
    }
};

UnitVectors const& Units()
{
    static UnitVectors const units;
    return units;
}

// The unit vector of a doubled direction, 14 fraction bits (the sine table
// repeats every kTableSize entries, the angles every kAngles).
void UnitOf(UnitVectors const& units, unsigned angle, long long& c, long long& s)
{
    c = units.c[angle % UnitVectors::kAngles];
    s = units.s[angle % UnitVectors::kAngles];
}

// tan of a 9-bit angle, in 1/4096.
long long CalcSlope(unsigned angle)
{
    return DecMath::Sin(static_cast<int>(angle)).GetRaw() / (DecMath::Cos(static_cast<int>(angle)).GetRaw() >> 12);
}

// Whether direction (nc, ns) lies within the slope of direction (c, s).
bool IsWithin(long long c, long long s, long long nc, long long ns, long long slope)
{
    long long const dot = c * nc + s * ns;
    long long const cross = c * ns - s * nc;
    return dot > 0 && (cross < 0 ? -cross : cross) * 4096 <= slope * dot;
}

}  // namespace

unsigned BarRegionGrower::Start(BarOrientationField const& field, unsigned minimumCells, unsigned tolerance)
{
    // tan of the tolerance in 1/4096 (the doubled direction: half the angle
    // between the bars).
    long long const slope = CalcSlope(tolerance);
    long long const stepSlope = CalcSlope(tolerance / kDriftStep);
    long long const driftSlope = CalcSlope(kDriftFactor * tolerance);
    UnitVectors const& units = Units();
    count_ = 0;
    unsigned const columns = field.GetColumns();
    unsigned const rows = field.GetRows();
    unsigned const cells = field.GetCellCount();
    // Only the bar-like cells are open to a group: each cell's state is
    // kClosed but for those, kOpen until a group takes them.
    std::fill(state_, state_ + cells, kClosed);
    unsigned short const* const barLike = field.GetBarLikeCells();
    unsigned const barLikeCount = field.GetBarLikeCount();
    for (unsigned i = 0; i < barLikeCount; ++i) {
        state_[barLike[i]] = kOpen;
    }
    static constexpr int kDx[8] = {-1, 0, 1, -1, 1, -1, 0, 1};
    static constexpr int kDy[8] = {-1, -1, -1, 0, 0, 1, 1, 1};
    // The neighbours' index offsets, for cells off the grid's border.
    int offsets[8];
    for (unsigned k = 0; k < 8; ++k) {
        offsets[k] = kDy[k] * static_cast<int>(columns) + kDx[k];
    }
    unsigned end = 0;  // of the cell order
    // The seeds in rising order, as a sweep over all cells meets them.
    for (unsigned s = 0; s < barLikeCount; ++s) {
        unsigned const seed = barLike[s];
        if (state_[seed] != kOpen) {
            continue;
        }
        unsigned const first = end;
        state_[seed] = kTaken;
        order_[end++] = static_cast<unsigned short>(seed);
        BarRegionComponent component;
        component.first = first;
        // The sum of the unit doubled directions of the cells taken so far:
        // a cell joins when its direction lies within the tolerance of their
        // mean, so that the group cannot drift from one symbol into a
        // neighbour of another direction.
        long long meanX = 0;
        long long meanY = 0;
        for (unsigned next = first; next < end; ++next) {
            unsigned const index = order_[next];
            unsigned const column = index % columns;
            unsigned const row = index / columns;
            long long unitX = 0;
            long long unitY = 0;
            UnitOf(units, field.GetJudgement(index).angle, unitX, unitY);
            meanX += unitX;
            meanY += unitY;
            component.tensor.Add(field.CalcTensor(index));
            component.sumX += field.CalcCentreX(column);
            component.sumY += field.CalcCentreY(row);
            component.coherenceSum += field.GetJudgement(index).coherence;
            // The open neighbours, a bit each in the order of kDx and kDy
            // (only this loop takes them, each its own); a cell off the
            // grid's border has all eight.
            unsigned open = 0;
            if (column > 0 && row > 0 && column + 1 < columns && row + 1 < rows) {
#pragma GCC unroll 8
                for (unsigned k = 0; k < 8; ++k) {
                    open |= static_cast<unsigned>(state_[index + static_cast<unsigned>(offsets[k])] == kOpen) << k;
                }
            } else {
                for (unsigned k = 0; k < 8; ++k) {
                    int const c = static_cast<int>(column) + kDx[k];
                    int const r = static_cast<int>(row) + kDy[k];
                    if (c >= 0 && r >= 0 && c < static_cast<int>(columns) && r < static_cast<int>(rows)) {
                        open |= static_cast<unsigned>(state_[static_cast<unsigned>(r) * columns +
                                                             static_cast<unsigned>(c)] == kOpen)
                                << k;
                    }
                }
            }
            for (; open != 0; open &= open - 1) {
                unsigned const neighbour = index + static_cast<unsigned>(offsets[std::countr_zero(open)]);
                BarOrientationField::Judgement const& j = field.GetJudgement(neighbour);
                long long nc = 0;
                long long ns = 0;
                UnitOf(units, j.angle, nc, ns);
                // Or, as the bars of a label seen at a slant fan out, close to
                // the cell it is reached from and not too far from the mean.
                if (!IsWithin(meanX, meanY, nc, ns, slope) &&
                    !(IsWithin(unitX, unitY, nc, ns, stepSlope) && IsWithin(meanX, meanY, nc, ns, driftSlope))) {
                    continue;
                }
                state_[neighbour] = kTaken;
                order_[end++] = static_cast<unsigned short>(neighbour);
            }
        }
        component.count = end - first;
        if (component.count < minimumCells || count_ >= kMaxComponents) {
            continue;
        }
        components_[count_++] = component;
    }
    return count_;
}

}  // namespace DEC2DIvra
