#include "decoder/core/location/bar_region_row_locator.h"

#include "decoder/core/location/bar_region_builder.h"
#include "decoder/core/arithmetic/dec_math.h"

namespace DEC2DIvra {

namespace {

constexpr unsigned kMinimumStep = 8;
constexpr unsigned kContrastShare = 6;
// More than this share (of 256) of changed levels starts a new row.
constexpr unsigned kRowChange = 52;

}  // namespace

unsigned BarRegionRowLocator::Start(GrayImage const& image, Rectangle const& area, Region const& region,
                                    StackInterface<Region>& rows)
{
    for (Point const& p : region.corner) {
        if (p.x < -kMaxCoordinate || p.x > kMaxCoordinate || p.y < -kMaxCoordinate || p.y > kMaxCoordinate) {
            return 0;
        }
    }
    // The reading axis through the region's middle.
    long long const ax = static_cast<long long>(region.corner[0].x) + region.corner[3].x;
    long long const ay = static_cast<long long>(region.corner[0].y) + region.corner[3].y;
    long long const bx = static_cast<long long>(region.corner[1].x) + region.corner[2].x;
    long long const by = static_cast<long long>(region.corner[1].y) + region.corner[2].y;
    long long const dx = bx - ax;  // doubled
    long long const dy = by - ay;
    long long const length2 = DecMath::Sqrt(static_cast<unsigned long long>(dx * dx + dy * dy));
    if (length2 < 8 || image.GetPixels() == nullptr) {
        return 0;
    }
    axis_.ux = static_cast<int>(dx * BarRegionAxis::kOne / length2);
    axis_.uy = static_cast<int>(dy * BarRegionAxis::kOne / length2);
    axis_.originX = (ax + bx) * BarRegionAxis::kOne / 4;
    axis_.originY = (ay + by) * BarRegionAxis::kOne / 4;
    long long tLow = 0;
    long long tHigh = 0;
    for (unsigned i = 0; i < 4; ++i) {
        long long const t = axis_.CalcT(region.corner[i].x, region.corner[i].y);
        tLow = i == 0 || t < tLow ? t : tLow;
        tHigh = i == 0 || t > tHigh ? t : tHigh;
    }
    int const half = static_cast<int>(length2 / 4);
    int const reach = half / 4 > 8 ? half / 4 : 8;
    sBegin_ = -half - reach;
    sEnd_ = half + reach;
    tMiddle_ = static_cast<int>((tLow + tHigh) / 2);
    height_ = static_cast<int>(tHigh - tLow);
    // Lines of less than half the contrast of the region's own middle line
    // (noise, a faint background) have no bars of this symbol.
    range_ = 0;
    int const middle[1] = {tMiddle_};
    if (profile_.Sample(image, area, axis_, sBegin_, sEnd_, middle, 1)) {
        profile_.FindEdges(kMinimumStep, kContrastShare);
        range_ = profile_.GetRange();
    }
    unsigned pushed = Walk(image, area, -1, rows);
    pushed += Walk(image, area, 1, rows);
    return pushed;
}

bool BarRegionRowLocator::SampleLine(GrayImage const& image, Rectangle const& area, int t)
{
    int const offsets[1] = {t};
    if (!profile_.Sample(image, area, axis_, sBegin_, sEnd_, offsets, 1)) {
        return false;
    }
    if (profile_.FindEdges(kMinimumStep, kContrastShare, kMinimumEdges) < kMinimumEdges ||
        2 * profile_.GetRange() < range_) {
        return false;
    }
    int lowest = profile_.GetSample(0);
    int highest = lowest;
    for (unsigned i = 1; i < profile_.GetCount(); ++i) {
        lowest = profile_.GetSample(i) < lowest ? profile_.GetSample(i) : lowest;
        highest = profile_.GetSample(i) > highest ? profile_.GetSample(i) : highest;
    }
    int const middle = (lowest + highest) / 2;
    currentCount_ = profile_.GetCount();
    currentBegin_ = profile_.GetBegin();
    for (unsigned i = 0; i < currentCount_; ++i) {
        current_[i] = profile_.GetSample(i) > middle ? 1 : 0;
    }
    return true;
}

unsigned BarRegionRowLocator::CalcChange() const
{
    // Compared where both lines were sampled.
    int const begin = currentBegin_ > referenceBegin_ ? currentBegin_ : referenceBegin_;
    int const currentEnd = currentBegin_ + static_cast<int>(currentCount_);
    int const referenceEnd = referenceBegin_ + static_cast<int>(referenceCount_);
    int const end = currentEnd < referenceEnd ? currentEnd : referenceEnd;
    if (end <= begin || profile_.GetStep() != 1) {
        return 0;
    }
    unsigned differ = 0;
    for (int s = begin; s < end; ++s) {
        differ += current_[s - currentBegin_] != reference_[s - referenceBegin_] ? 1u : 0u;
    }
    return differ * 256 / static_cast<unsigned>(end - begin);
}

unsigned BarRegionRowLocator::Walk(GrayImage const& image, Rectangle const& area, int direction,
                                   StackInterface<Region>& rows)
{
    int const gapLimit = height_ > kMinimumGap ? height_ : kMinimumGap;
    unsigned pushed = 0;
    bool inBand = false;
    bool middleBand = true;  // the band through the middle line is the row read
    Band band{0, 0, 0, 0};
    int lastBars = 0;
    referenceCount_ = 0;
    for (int walked = 0; walked <= kMaxWalk; walked += kStep) {
        int const t = tMiddle_ + direction * walked;
        bool const bars = SampleLine(image, area, t);
        if (profile_.GetCount() == 0) {
            break;  // the line has left the area
        }
        bool const newRow = bars && inBand && referenceCount_ != 0 && CalcChange() > kRowChange;
        if (inBand && (!bars || newRow)) {
            if (!middleBand && Push(band, area, rows)) {
                ++pushed;
            }
            middleBand = false;
            inBand = false;
        }
        if (!bars) {
            // Past the middle band, a stretch without bars ends the walk.
            if (!middleBand && walked - lastBars > gapLimit) {
                break;
            }
            if (middleBand && walked > height_ / 2 + gapLimit) {
                break;
            }
            continue;
        }
        lastBars = walked;
        int const sFirst = profile_.CalcEdgeS(0);
        int const sLast = profile_.CalcEdgeS(profile_.GetEdgeCount() - 1);
        if (!inBand) {
            band = Band{t, t, sFirst, sLast};
            inBand = true;
            // The band's first line is the pattern its other lines must keep.
            for (unsigned i = 0; i < currentCount_; ++i) {
                reference_[i] = current_[i];
            }
            referenceCount_ = currentCount_;
            referenceBegin_ = currentBegin_;
        } else {
            band.tFirst = t < band.tFirst ? t : band.tFirst;
            band.tLast = t > band.tLast ? t : band.tLast;
            band.sFirst = sFirst < band.sFirst ? sFirst : band.sFirst;
            band.sLast = sLast > band.sLast ? sLast : band.sLast;
        }
    }
    if (inBand && !middleBand && Push(band, area, rows)) {
        ++pushed;
    }
    return pushed;
}

bool BarRegionRowLocator::Push(Band const& band, Rectangle const& area, StackInterface<Region>& rows) const
{
    if (band.tLast - band.tFirst + 1 < kMinimumRow || rows.IsFull()) {
        return false;
    }
    // The lines next to the band's outer ones may still cross its bars.
    int const t0 = band.tFirst - kStep / 2;
    int const t1 = band.tLast + kStep / 2;
    int const quiet = 8;
    Region row;
    if (!CalcBarRegionSubroutine().Start(axis_, band.sFirst - quiet, band.sLast + quiet, t0, t1, area, row)) {
        return false;
    }
    return rows.Push(row);
}

}  // namespace DEC2DIvra
