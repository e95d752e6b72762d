// The dot grid reader's first stages: from the candidates of the locator to
// the refined centres of one symbol's dots and step vectors measured over
// all of them.

#include "decoder/core/geometry/geometry.h"
#include "decoder/core/geometry/geometry_ex.h"
#include "decoder/core/property/dec2d_property.h"
#include "decoder/matrix/dot_code/dot_code_decoder.h"
#include "decoder/matrix/dot_code/dot_code_sample_point.h"

namespace DEC2DIvra {

namespace {

Point Plus(Point const& p, Vector const& v) { return Point{p.x + v.dx, p.y + v.dy}; }

Region ToPixels(Region const& r)
{
    Region out;
    for (unsigned k = 0; k < 4; ++k) {
        out.corner[k] = Point{r.corner[k].x / 256, r.corner[k].y / 256};
    }
    return out;
}

void Bounds(Region const& r, int& x0, int& y0, int& x1, int& y1)
{
    x0 = x1 = r.corner[0].x;
    y0 = y1 = r.corner[0].y;
    for (unsigned k = 1; k < 4; ++k) {
        x0 = r.corner[k].x < x0 ? r.corner[k].x : x0;
        x1 = r.corner[k].x > x1 ? r.corner[k].x : x1;
        y0 = r.corner[k].y < y0 ? r.corner[k].y : y0;
        y1 = r.corner[k].y > y1 ? r.corner[k].y : y1;
    }
}

// The bucket of a coordinate, one spare bucket each side.
int Cell(int v, int side, unsigned cells)
{
    int const c = (v < 0 ? -1 : v / side) + 1;
    return c < 0 ? 0 : (c >= static_cast<int>(cells) ? static_cast<int>(cells) - 1 : c);
}

unsigned BitCount(unsigned v)
{
    unsigned n = 0;
    for (; v != 0; v &= v - 1) {
        ++n;
    }
    return n;
}

}  // namespace

int DotCodeDecoder::StartAlongDotGrid(GrayImage const& image, Dot const& dot, DecodedLabel& label)
{
    if (dotSearchProbed_ >= kDotSearchBudget || gridSearched_.IsIncluded(dot.position)) {
        return 0;
    }
    gridDots_.SetLargestSize(static_cast<unsigned>(image.GetWidth()), static_cast<unsigned>(image.GetHeight()));
    imageWidth_ = image.GetWidth();
    imageHeight_ = image.GetHeight();
    if (gridDots_.IsFull() || gridCandidateCount_ >= DotStack::kCapacity) {
        gridDots_.Clear();
        gridCandidateCount_ = 0;
        gridExamined_ = 0;
        gridModeSize_ = 0;
    }
    gridDots_.PushDot(dot);
    if (!gridDots_.SetStandard()) {
        return 0;
    }
    unsigned const modeSize = gridDots_.CalcModeSize();
    if (modeSize == 0) {
        return 0;
    }
    unsigned const capacity = sizeof(gridCandidates_) / sizeof(gridCandidates_[0]);
    if (gridCandidateCount_ != 0 && modeSize == gridModeSize_) {
        PushTempDotCenterStack(gridDots_, gridDots_.GetCount() - 1, modeSize, gridCandidates_, gridCandidateCount_,
                               capacity);
    } else {
        SetTempDotCenterStack(gridDots_, modeSize, gridCandidates_, gridCandidateCount_, capacity);
        gridExamined_ = 0;
    }
    gridModeSize_ = modeSize;
    bool const dark = gridDots_.IsStandardDark();
    DotStepVectors steps;
    if (!stepSearch_.Start(image, modeSize, dark, gridExamined_, gridCandidates_, gridCandidateCount_, capacity,
                           steps)) {
        gridExamined_ = gridCandidateCount_;
        return 0;
    }
    // The full attempt takes the candidates; the next dots start afresh.
    gridDots_.Clear();
    unsigned const count = gridCandidateCount_;
    gridCandidateCount_ = 0;
    gridExamined_ = 0;
    gridModeSize_ = 0;
    unsigned const searched = gridSearched_.GetCount();
    int read = DecodeFromDotCenters(image, steps, dark, count, label);
    // Pairs of dots near enough to be paired are mostly diagonal
    // neighbours: their half vectors span the grid turned by an eighth.
    // Try the grid they are the diagonals of, over the same dots.
    DotStepVectors turned;
    if (read == 0 && !stepSearch_.IsFromTriangle() && CalcFinerStepVectors(steps, turned)) {
        turned.Set(Vector{2 * turned.v[0].dx, 2 * turned.v[0].dy}, Vector{2 * turned.v[1].dx, 2 * turned.v[1].dy});
        Region kept[sizeof(gridSearchedBuffer_) / sizeof(gridSearchedBuffer_[0])];
        for (unsigned i = 0; i < searched; ++i) {
            kept[i] = gridSearched_[i];
        }
        gridSearched_.Clear();
        for (unsigned i = 0; i < searched; ++i) {
            gridSearched_.Push(kept[i]);
        }
        read = DecodeFromDotCenters(image, turned, dark, count, label);
    }
    return read;
}

int DotCodeDecoder::DecodeFromDotCenters(GrayImage const& image, DotStepVectors const& steps, bool dark,
                                         unsigned candidates, DecodedLabel& label)
{
    steps_ = steps;
    CalcRectangleVectors();
    int smallest = 0;
    Region first;
    Region second;
    searchedPushed_ = false;
    bool const ok = CalcDotCenterStack(image, dark, candidates) && DeleteNoiseDot(128, smallest) &&
                    CalcTempRegions(first, second) && SearchInnerDot(image, dark, first, second, smallest) &&
                    DeleteIsolatedDots() && CorrectStepVectors() &&
                    firstGrid_.Start(steps_, rectMin_, rectMax_, dotCentres_.GetData(), dotCentreCount_,
                                     sortedCentres_.GetData(), grid_);
    if (!ok) {
        return 0;
    }
    bool grown = false;
    if (!ExpandDataDotGrid(image, dark, smallest, grown)) {
        return 0;
    }
    unsigned const c = grid_.GetCount(true);
    unsigned const r = grid_.GetCount(false);
    if (c <= 3 || r <= 3 || (c * r <= 75 && ((c + r) % 2 == 0 || (c * r + r <= 75 && c * r + c <= 75)))) {
        return 0;
    }
    return DecodeDataDotGrid(image, dark, label);
}

void DotCodeDecoder::CalcRectangleVectors()
{
    int mx = 0;
    int my = 0;
    for (Vector const& v : steps_.v) {
        int const ax = v.dx < 0 ? -v.dx : v.dx;
        int const ay = v.dy < 0 ? -v.dy : v.dy;
        mx = ax > mx ? ax : mx;
        my = ay > my ? ay : my;
    }
    rectMax_ = Vector{mx / 2, my / 2};
    rectMin_ = Vector{-rectMax_.dx, -rectMax_.dy};
}

bool DotCodeDecoder::CalcDotContrast(GrayImage const& image, bool dark, Point const& centre, int& contrast) const
{
    if (!IsInnerSamplePoint(image, centre)) {
        return false;
    }
    int const dot = SampleGrey(image, centre);
    int sum = 0;
    int count = 0;
    for (Vector const& v : steps_.v) {
        Point const p = Plus(centre, v);
        if (!IsInnerSamplePoint(image, p)) {
            continue;
        }
        int const ground = SampleGrey(image, p);
        int const difference = dark ? ground - dot : dot - ground;
        if (difference > 0) {
            sum += difference;
            ++count;
        }
    }
    if (count == 0) {
        return false;
    }
    contrast = sum / count;
    return true;
}

bool DotCodeDecoder::CalcDotCenterStack(GrayImage const& image, bool dark, unsigned candidates)
{
    dotCentreCount_ = 0;
    CalcDotCenterSubroutine const centring;
    for (unsigned i = 0; i < candidates && dotCentreCount_ < dotCentres_.GetCount(); ++i) {
        Point p = gridCandidates_[i];
        if (!centring.Start(image, steps_, dark, 2, p)) {
            continue;
        }
        int contrast = 0;
        dotCentres_[dotCentreCount_++] =
            DotCenter{p.x, p.y, CalcDotContrast(image, dark, p, contrast) ? contrast : kNoContrast};
    }
    return dotCentreCount_ > 3;
}

bool DotCodeDecoder::DeleteNoiseDot(int threshold, int& smallest)
{
    long long sum = 0;
    long long count = 0;
    for (unsigned i = 0; i < dotCentreCount_ && i < 64; ++i) {
        if (dotCentres_[i].contrast > threshold) {
            sum += dotCentres_[i].contrast;
            ++count;
        }
    }
    if (count == 0) {
        return false;
    }
    long long const mean = sum / count;
    smallest = 1 << 20;
    for (unsigned i = dotCentreCount_; i-- > 0;) {
        int const contrast = dotCentres_[i].contrast;
        if (contrast == kNoContrast || contrast + 128 < mean) {
            dotCentres_[i].contrast = kDeleted;
        } else {
            smallest = contrast < smallest ? contrast : smallest;
        }
    }
    CompactCentres();
    return dotCentreCount_ > 3;
}

bool DotCodeDecoder::CalcTempRegions(Region& first, Region& second)
{
    Line lines[4];
    Point corners[4];
    if (!CalcFirstDataDotGridSubroutine::CalcTempEdgeLineArray(dotCentres_.GetData(), dotCentreCount_, steps_.v[1],
                                                                steps_.v[0], lines)) {
        return false;
    }
    for (unsigned k = 0; k < 4; ++k) {
        if (!Geometry::CalcCrossPoint(lines[k], lines[(k + 1) % 4], corners[k])) {
            return false;
        }
    }
    for (unsigned k = 0; k < 4; ++k) {
        Vector const& a = steps_.v[(k + 2) % 4];
        Vector const& b = steps_.v[(k + 3) % 4];
        Vector const& c = steps_.v[k];
        Vector const& d = steps_.v[(k + 1) % 4];
        first.corner[k] = Point{corners[k].x + a.dx + b.dx, corners[k].y + a.dy + b.dy};
        second.corner[k] = Point{corners[k].x + (c.dx + d.dx) / 2, corners[k].y + (c.dy + d.dy) / 2};
    }
    Point const centre = first.CalcCenterPoint();
    if (gridSearched_.IsIncluded(Point{centre.x / 256, centre.y / 256})) {
        return false;
    }
    searchedPushed_ = gridSearched_.Push(ToPixels(second));
    return true;
}

bool DotCodeDecoder::SearchInnerDot(GrayImage const& image, bool dark, Region const& first, Region const& second,
                                    int& smallest)
{
    Vector const& u = steps_.v[0];
    Vector const& w = steps_.v[1];
    Vector const offsets[8] = {{2 * u.dx, 2 * u.dy},       {-2 * u.dx, -2 * u.dy},     {2 * w.dx, 2 * w.dy},
                               {-2 * w.dx, -2 * w.dy},     {u.dx + w.dx, u.dy + w.dy}, {-u.dx - w.dx, -u.dy - w.dy},
                               {w.dx - u.dx, w.dy - u.dy}, {u.dx - w.dx, u.dy - w.dy}};
    ResetCentreBuckets();
    unsigned roundFirst = 0;
    for (unsigned round = 0;; ++round) {
        unsigned const end = dotCentreCount_;
        unsigned deleted = 0;
        bool found = false;
        for (unsigned i = end; i-- > roundFirst;) {
            DotCenter const c = dotCentres_[i];
            if (c.contrast != kNoContrast && c.contrast < smallest) {
                smallest = c.contrast;
            }
            bool yielded = false;
            for (Vector const& o : offsets) {
                Point const p{c.x + o.dx, c.y + o.dy};
                if (!Geometry::IsIncluding(first, p) || !IsNewDotCenter(p)) {
                    continue;
                }
                if (dotSearchProbed_++ >= kDotSearchBudget) {
                    return false;
                }
                DotCenter next;
                if (SearchNewDotCenter(image, dark, p, c.contrast - 64, next) && PushNewDotCenter(next)) {
                    yielded = true;
                    found = true;
                }
            }
            if (round == 0 && !yielded && !Geometry::IsIncluding(second, Point{c.x, c.y})) {
                dotCentres_[i].contrast = kDeleted;
                ++deleted;
            }
        }
        if (deleted != 0) {
            CompactCentres();
            ResetCentreBuckets();
        }
        if (!found) {
            return dotCentreCount_ != 0;
        }
        roundFirst = end - deleted;
    }
}

bool DotCodeDecoder::SearchNewDotCenter(GrayImage const& image, bool dark, Point const& at, int threshold,
                                        DotCenter& found)
{
    Point p = at;
    int contrast = 0;
    CalcDotCenterSubroutine const centring;
    if (!centring.Start(image, steps_, dark, 2, p) || !CalcDotContrast(image, dark, p, contrast) ||
        contrast <= threshold) {
        return false;
    }
    found = DotCenter{p.x, p.y, contrast};
    return true;
}

bool DotCodeDecoder::PushNewDotCenter(DotCenter const& centre)
{
    // Re-centred onto a dot already known: nothing new.
    if (dotCentreCount_ >= dotCentres_.GetCount() || !IsNewDotCenter(Point{centre.x, centre.y})) {
        return false;
    }
    dotCentres_[dotCentreCount_] = centre;
    AddCentreBucket(dotCentreCount_++);
    return true;
}

bool DotCodeDecoder::IsNewDotCenter(Point const& p) const
{
    unsigned index = 0;
    return !FindCentreNear(p, index);
}

void DotCodeDecoder::ResetCentreBuckets()
{
    int const reach = 2 * (rectMax_.dx > rectMax_.dy ? rectMax_.dx : rectMax_.dy) + 256;
    bucketSide_ = reach;
    for (;;) {
        bucketColumns_ = static_cast<unsigned>(imageWidth_ * 256 / bucketSide_ + 3);
        bucketRows_ = static_cast<unsigned>(imageHeight_ * 256 / bucketSide_ + 3);
        if (static_cast<unsigned long long>(bucketColumns_) * bucketRows_ <= bucketHead_.GetCount()) {
            break;
        }
        bucketSide_ *= 2;
    }
    for (unsigned i = 0; i < bucketColumns_ * bucketRows_; ++i) {
        bucketHead_[i] = -1;
    }
    for (unsigned i = 0; i < dotCentreCount_; ++i) {
        AddCentreBucket(i);
    }
}

void DotCodeDecoder::AddCentreBucket(unsigned index)
{
    DotCenter const& c = dotCentres_[index];
    unsigned const cell = static_cast<unsigned>(Cell(c.y, bucketSide_, bucketRows_)) * bucketColumns_ +
                          static_cast<unsigned>(Cell(c.x, bucketSide_, bucketColumns_));
    bucketNext_[index] = bucketHead_[cell];
    bucketHead_[cell] = static_cast<int>(index);
}

template <class Visit>
bool DotCodeDecoder::VisitCentresNear(Point const& p, Visit const& visit) const
{
    int const cx = Cell(p.x, bucketSide_, bucketColumns_);
    int const cy = Cell(p.y, bucketSide_, bucketRows_);
    for (int y = cy - 1; y <= cy + 1; ++y) {
        for (int x = cx - 1; x <= cx + 1; ++x) {
            if (x < 0 || y < 0 || x >= static_cast<int>(bucketColumns_) || y >= static_cast<int>(bucketRows_)) {
                continue;
            }
            for (int i = bucketHead_[static_cast<unsigned>(y) * bucketColumns_ + static_cast<unsigned>(x)]; i >= 0;
                 i = bucketNext_[static_cast<unsigned>(i)]) {
                DotCenter const& c = dotCentres_[static_cast<unsigned>(i)];
                long long const dx = static_cast<long long>(c.x) - p.x;
                long long const dy = static_cast<long long>(c.y) - p.y;
                if (c.contrast != kDeleted && dx >= rectMin_.dx && dx <= rectMax_.dx && dy >= rectMin_.dy &&
                    dy <= rectMax_.dy && visit(static_cast<unsigned>(i))) {
                    return true;
                }
            }
        }
    }
    return false;
}

bool DotCodeDecoder::FindCentreNear(Point const& p, unsigned& index) const
{
    return VisitCentresNear(p, [&index](unsigned i) {
        index = i;
        return true;
    });
}

void DotCodeDecoder::CompactCentres()
{
    unsigned kept = 0;
    for (unsigned i = 0; i < dotCentreCount_; ++i) {
        if (dotCentres_[i].contrast != kDeleted) {
            dotCentres_[kept++] = dotCentres_[i];
        }
    }
    dotCentreCount_ = kept;
}

bool DotCodeDecoder::DeleteIsolatedDots()
{
    Vector const& u = steps_.v[0];
    Vector const& w = steps_.v[1];
    unsigned count = dotCentreCount_;
    if (count == 0 || count > regions_.GetCount()) {
        return false;
    }
    for (unsigned i = 0; i < count; ++i) {
        DotCenter const& c = dotCentres_[i];
        DotsRegion& r = regions_[i];
        r.region.corner[0] = Point{c.x - u.dx - w.dx, c.y - u.dy - w.dy};
        r.region.corner[1] = Point{c.x + u.dx - w.dx, c.y + u.dy - w.dy};
        r.region.corner[2] = Point{c.x + u.dx + w.dx, c.y + u.dy + w.dy};
        r.region.corner[3] = Point{c.x + w.dx - u.dx, c.y + w.dy - u.dy};
        r.count = 1;
    }
    for (bool unitedAny = true; unitedAny;) {
        unitedAny = false;
        for (unsigned i = count; i-- > 1;) {
            int ax0 = 0;
            int ay0 = 0;
            int ax1 = 0;
            int ay1 = 0;
            Bounds(regions_[i].region, ax0, ay0, ax1, ay1);
            for (unsigned j = i; j-- > 0;) {
                int bx0 = 0;
                int by0 = 0;
                int bx1 = 0;
                int by1 = 0;
                Bounds(regions_[j].region, bx0, by0, bx1, by1);
                if (ax1 < bx0 || bx1 < ax0 || ay1 < by0 || by1 < ay0) {
                    continue;
                }
                bool united = false;
                if (!UniteDotsRegion(regions_[i], regions_[j], united)) {
                    return false;
                }
                if (united) {
                    for (unsigned k = i; k + 1 < count; ++k) {
                        regions_[k] = regions_[k + 1];
                    }
                    --count;
                    unitedAny = true;
                    break;
                }
            }
        }
    }
    unsigned largest = 0;
    for (unsigned i = 1; i < count; ++i) {
        if (regions_[i].count > regions_[largest].count) {
            largest = i;
        }
    }
    Region const kept = regions_[largest].region;
    if (searchedPushed_ && gridSearched_.GetCount() != 0) {
        gridSearchedBuffer_[gridSearched_.GetCount() - 1] = ToPixels(kept);
    }
    for (unsigned i = 0; i < dotCentreCount_; ++i) {
        if (!Geometry::IsIncluding(kept, Point{dotCentres_[i].x, dotCentres_[i].y})) {
            dotCentres_[i].contrast = kDeleted;
        }
    }
    CompactCentres();
    return dotCentreCount_ != 0;
}

bool DotCodeDecoder::UniteDotsRegion(DotsRegion& a, DotsRegion& b, bool& united)
{
    united = false;
    unsigned marks = 0;
    for (unsigned k = 0; k < 4; ++k) {
        marks |= Geometry::IsIncluding(b.region, a.region.corner[k]) ? 1u << k : 0u;
    }
    if (marks == 0) {
        for (unsigned k = 0; k < 4; ++k) {
            marks |= Geometry::IsIncluding(a.region, b.region.corner[k]) ? 1u << k : 0u;
        }
        if (BitCount(marks) < 2) {
            return true;
        }
        Region const keep = a.region;
        a.region = b.region;
        b.region = keep;
    }
    united = true;
    b.count += a.count;
    if (BitCount(marks) >= 3) {
        return true;
    }
    Line sides[4];
    for (unsigned k = 0; k < 4; ++k) {
        bool const marked = (marks & (1u << k)) != 0 || (marks & (1u << ((k + 1) % 4))) != 0;
        Region const& from = marked ? b.region : a.region;
        if (!Geometry::CalcLine(from.corner[k], from.corner[(k + 1) % 4], sides[k])) {
            return false;
        }
    }
    Region outline;
    for (unsigned k = 0; k < 4; ++k) {
        if (!Geometry::CalcCrossPoint(sides[(k + 3) % 4], sides[k], outline.corner[k])) {
            return false;
        }
    }
    b.region = outline;
    return true;
}

bool DotCodeDecoder::CorrectStepVector(Vector const& v, Vector& corrected)
{
    long long sx = 0;
    long long sy = 0;
    long long n = 0;
    for (unsigned a = 0; a < dotCentreCount_; ++a) {
        DotCenter const& from = dotCentres_[a];
        VisitCentresNear(Point{from.x + 2 * v.dx, from.y + 2 * v.dy}, [&](unsigned i) {
            sx += static_cast<long long>(dotCentres_[i].x) - from.x;
            sy += static_cast<long long>(dotCentres_[i].y) - from.y;
            ++n;
            return false;  // every centre near counts
        });
    }
    if (n == 0) {
        return false;
    }
    corrected = Vector{static_cast<int>(sx / n / 2), static_cast<int>(sy / n / 2)};
    return corrected.dx != 0 || corrected.dy != 0;
}

bool DotCodeDecoder::CorrectStepVectors()
{
    ResetCentreBuckets();
    Vector u;
    Vector w;
    if (!CorrectStepVector(steps_.v[1], w) || !CorrectStepVector(steps_.v[0], u)) {
        return false;
    }
    steps_.Set(u, w);
    CalcRectangleVectors();
    return true;
}

}  // namespace DEC2DIvra
