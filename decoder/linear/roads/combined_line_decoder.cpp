#include "decoder/linear/roads/combined_line_decoder.h"

#include "decoder/core/geometry/common_angle.h"
#include "decoder/core/geometry/geometry.h"
#include "decoder/linear/roads/combined_line_samples.h"
#include "decoder/linear/roads/scan_line_segment.h"

namespace DEC2DIvra {

namespace {

// Lines shorter than this (after the margins of the drift search) carry too
// little of a symbol to measure a drift.
constexpr long long kMinUsableLength = 24;
constexpr unsigned kMaxWindow = 64;

long long Abs(long long v) { return v < 0 ? -v : v; }

Point Add(Point const& p, Vector const& v) { return Point{p.x + v.dx, p.y + v.dy}; }

bool IsInsideShrunk(GrayImage const& image, Point const& p)
{
    return p.x >= 1 && p.y >= 1 && p.x <= image.GetWidth() - 2 && p.y <= image.GetHeight() - 2;
}

// The 6-bit direction classes within one step of an axis or a diagonal.
bool IsNearAxisOrDiagonal(unsigned angle6)
{
    switch (angle6 % 32) {
    case 0:
    case 7:
    case 8:
    case 15:
    case 16:
    case 23:
    case 24:
    case 31:
        return true;
    default:
        return false;
    }
}

}  // namespace

using combined_line::ClampGrey;

CompositeLineDecoder::CompositeLineDecoder(SharedMemoryDistributor& memory)
{
    VirtualArray<PickLineElement> const pool = memory.TakeArray<PickLineElement>(kMaxLines * kMaxSamples);
    lines_ = memory.TakeArray<DynamicStackInterface<PickLineElement>>(kMaxLines);
    average_ = memory.TakeArray<int>(kMaxLines);
    bestScore_ = memory.TakeArray<int>(kMaxPositions);
    bestSlope_ = memory.TakeArray<int>(kMaxPositions);
    plusScore_ = memory.TakeArray<int>(kMaxPositions);
    minusScore_ = memory.TakeArray<int>(kMaxPositions);
    VirtualArray<PointAndDistance> const points = memory.TakeArray<PointAndDistance>(kMaxPositions);
    // The filters pad a line with seven samples at each end.
    filterWork_ = memory.TakeArray<int>(kMergedCapacity + 16);
    VirtualArray<PickLineElement> const merged = memory.TakeArray<PickLineElement>(kMergedCapacity);
    raw_ = memory.TakeArray<PickLineElement>(kMergedCapacity);
    pool_ = VariableLengthVirtualArray<PickLineElement>(pool);
    points_ = VariableLengthVirtualArray<PointAndDistance>(points);
    merged_.Set(merged.GetData(), merged.GetCount());
    ready_ = pool.GetCount() == kMaxLines * kMaxSamples && lines_.GetCount() == kMaxLines &&
             average_.GetCount() == kMaxLines && bestScore_.GetCount() == kMaxPositions &&
             bestSlope_.GetCount() == kMaxPositions && plusScore_.GetCount() == kMaxPositions &&
             minusScore_.GetCount() == kMaxPositions && points.GetCount() == kMaxPositions &&
             filterWork_.GetCount() == kMergedCapacity + 16 && merged.GetCount() == kMergedCapacity &&
             raw_.GetCount() == kMergedCapacity;
}

void CompositeLineDecoder::Initialize(GrayImage const& image, BarCodeScanRegion const& band)
{
    completed_ = false;
    combinedCount_ = 0;
    prepared_ = 0;
    spacing_ = 0;
    molecule_ = Line();
    band_ = band;
    if (!ready_ || image.GetPixels() == nullptr || !Prepare(image)) {
        completed_ = false;
        combinedCount_ = 0;
    }
}

bool CompositeLineDecoder::Prepare(GrayImage const& image)
{
    // 1. The band inside the image less a one-pixel border.
    for (unsigned i = 0; i < 4; ++i) {
        if (!IsInsideShrunk(image, band_.GetCorner(i))) {
            return false;
        }
    }
    // 2. The across vector and the scan direction through the band's middle.
    Point const& c0 = band_.GetCorner(0);
    Point const& c1 = band_.GetCorner(1);
    Point const& c2 = band_.GetCorner(2);
    Point const& c3 = band_.GetCorner(3);
    Vector across;
    Geometry::CalcVector(c0, c3, across);
    unsigned const n = Geometry::CalcChebyshevDistance(across) + 1;
    Point s;
    Point e;
    Geometry::CalcCenterPoint(c0, c3, s);
    Geometry::CalcCenterPoint(c1, c2, e);
    Geometry::CalcVector(s, e, direction_);
    unsigned const manhattan = Geometry::CalcManhattanDistance(direction_);
    if (manhattan == 0 || manhattan > kMaxLineLength || n < 4) {
        return false;
    }

    // 3. How many lines, how far apart.
    unsigned angle = 0;
    if (!CommonAngle::CalcAngleValue(direction_.dx, direction_.dy, 6, angle)) {
        return false;
    }
    unsigned p = 0;
    unsigned k = 1;
    if (IsNearAxisOrDiagonal(angle)) {
        if (n <= 72) {
            p = n;
        } else if (n <= 145) {
            p = n / 2;
            k = 2;
        } else if (n <= 218) {
            p = n / 3;
            k = 3;
        } else {
            p = kMaxLines;
            k = 3;
        }
    } else {
        p = n < 32 ? n : 32;
    }
    prepared_ = p;
    spacing_ = k;

    // 4. The lines, k pixels apart along the across vector, centred on the
    // band's middle.
    long long const cheb = static_cast<long long>(n) - 1;
    long long stepX = 0;
    long long stepY = 0;
    if (!Geometry::RoundDivide(static_cast<long long>(across.dx) * k, cheb, stepX) ||
        !Geometry::RoundDivide(static_cast<long long>(across.dy) * k, cheb, stepY)) {
        return false;
    }
    lineStep_ = Vector{static_cast<int>(stepX), static_cast<int>(stepY)};
    long long offsetX = 0;
    long long offsetY = 0;
    long long const half = 1 - static_cast<long long>(p);  // 2 x offset of line 0 from the middle
    if (!Geometry::RoundDivide(half * stepX, 2, offsetX) || !Geometry::RoundDivide(half * stepY, 2, offsetY)) {
        return false;
    }
    start_ = Point{static_cast<int>(s.x + offsetX), static_cast<int>(s.y + offsetY)};
    Point const firstBegin = start_;
    Point const lastBegin{static_cast<int>(start_.x + stepX * (p - 1)), static_cast<int>(start_.y + stepY * (p - 1))};
    if (!IsInsideShrunk(image, firstBegin) || !IsInsideShrunk(image, Add(firstBegin, direction_)) ||
        !IsInsideShrunk(image, lastBegin) || !IsInsideShrunk(image, Add(lastBegin, direction_))) {
        return false;
    }

    // 5. Every line sampled pixel by pixel.
    fourConnected_ = lineStep_.dx != 0 && lineStep_.dy != 0;
    long long const walk = fourConnected_ ? manhattan : Geometry::CalcChebyshevDistance(direction_);
    long long const usable = walk + 1 - 2 * (static_cast<long long>(p) - 1);
    if (usable < kMinUsableLength) {
        return false;
    }
    window_ = static_cast<unsigned>(usable - 8 < kMaxWindow ? usable - 8 : kMaxWindow);
    pool_.Clear();
    for (unsigned j = 0; j < p; ++j) {
        DynamicStackInterface<PickLineElement>& line = lines_[j];
        Point const begin{static_cast<int>(start_.x + stepX * j), static_cast<int>(start_.y + stepY * j)};
        ScanLineSegment const segment(LineSegment{begin, Add(begin, direction_)}, fourConnected_);
        if (!line.Attach(pool_, kMaxSamples) || !segment.Pick(image, line) || line.GetCount() < 2) {
            return false;
        }
    }

    // 6-7. Brightness levelled, then each line smoothed.
    if (!CalcAverages()) {
        return false;
    }
    LevelBrightness();
    for (unsigned j = 0; j < p; ++j) {
        Smooth(lines_[j], filterWork_);
    }

    // 8-9. The drift measured and every line aligned to the middle.
    if (!CorrectLineCoords(unit_, molecule_)) {
        return false;
    }
    if (!ApplyCorrection()) {
        return false;
    }

    // 10-11. The merged profile's extent decides how many lines share a
    // combined line.
    long long low = lines_[0][0].coordinate;
    long long high = lines_[0].GetTop().coordinate;
    for (unsigned j = 1; j < p; ++j) {
        low = lines_[j][0].coordinate < low ? lines_[j][0].coordinate : low;
        high = lines_[j].GetTop().coordinate > high ? lines_[j].GetTop().coordinate : high;
    }
    // Where the drift changes sign inside the profile, its phases spread
    // less: fewer lines per combined line would add nothing.
    bool crosses = false;
    if (molecule_.a == 0) {
        crosses = molecule_.c == 0;
    } else {
        long long const zero = -static_cast<long long>(molecule_.c) / molecule_.a;
        crosses = low <= zero && zero <= high;
    }
    unsigned const q = crosses ? 2 : 3;
    combinedCount_ = p / q < kMaxCombinedLines ? p / q : kMaxCombinedLines;
    combinedCount_ = combinedCount_ < 1 ? 1 : combinedCount_;
    completed_ = true;
    return true;
}

bool CompositeLineDecoder::CalcAverage(StackInterface<PickLineElement> const& samples, int& average)
{
    unsigned const n = samples.GetCount();
    if (n == 0) {
        return false;
    }
    unsigned first = n / 3;
    unsigned last = n - n / 3;
    if (first >= last) {
        first = 0;
        last = n;
    }
    unsigned long long sum = 0;
    for (unsigned i = first; i < last; ++i) {
        sum += samples[i].grey;
    }
    unsigned long long const mean = sum / (last - first);
    if (mean == 0 || mean > 0x7FFFFFFFull) {
        return false;
    }
    average = static_cast<int>(mean);
    return true;
}

bool CompositeLineDecoder::CalcAverages()
{
    for (unsigned j = 0; j < prepared_; ++j) {
        if (!CalcAverage(lines_[j], average_[j])) {
            return false;
        }
    }
    return true;
}

void CompositeLineDecoder::LevelBrightness()
{
    // Every line is brought to the darkest line's mean: scaled down only, the
    // samples keep within the sensor's range, which the run windows' contrast
    // measures rely on.
    int target = average_[0];
    for (unsigned j = 0; j < prepared_; ++j) {
        target = average_[j] < target ? average_[j] : target;
        levelAverage_[j] = average_[j];
    }
    levelTarget_ = target;
    int largestRange = 0;
    for (unsigned j = 0; j < prepared_; ++j) {
        unsigned low = 0xFFFFFFFFu;
        unsigned high = 0;
        for (PickLineElement& sample : lines_[j]) {
            sample.grey = ClampGrey(static_cast<long long>(sample.grey) * target / average_[j]);
            low = sample.grey < low ? sample.grey : low;
            high = sample.grey > high ? sample.grey : high;
        }
        range_[j] = high >= low ? static_cast<int>(high - low) : 0;
        largestRange = range_[j] > largestRange ? range_[j] : largestRange;
    }
    largestRange_ = largestRange;
}

long long CompositeLineDecoder::CalcDrift(int coordinate) const
{
    if (molecule_.b == 0) {
        return 0;
    }
    return -(static_cast<long long>(molecule_.a) * coordinate + molecule_.c) / molecule_.b;
}

long long CompositeLineDecoder::CalcCorrection(int coordinate, long long lineOffsetTwice) const
{
    return CalcDrift(coordinate) * unit_ * lineOffsetTwice / (2 * kSlopeOne);
}

bool CompositeLineDecoder::ApplyCorrection()
{
    long long const limit = static_cast<long long>(spacing_) * 2 * kSlopeOne;
    for (unsigned j = 0; j < prepared_; ++j) {
        long long const offsetTwice = 1 + 2 * static_cast<long long>(j) - prepared_;
        long long previous = 0;
        bool first = true;
        for (PickLineElement& sample : lines_[j]) {
            if (Abs(CalcDrift(sample.coordinate)) >= limit) {
                return false;
            }
            long long const corrected = sample.coordinate - CalcCorrection(sample.coordinate, offsetTwice);
            // A drift that folds a line back on itself is no drift of print.
            if ((!first && corrected <= previous) || corrected > 0x3FFFFFFF || corrected < -0x3FFFFFFF) {
                return false;
            }
            sample.coordinate = static_cast<int>(corrected);
            previous = corrected;
            first = false;
        }
    }
    return true;
}

void CompositeLineDecoder::CalcGroup(unsigned index, unsigned& first, unsigned& last) const
{
    first = index * prepared_ / combinedCount_;
    last = (index + 1) * prepared_ / combinedCount_;
    last = last > first ? last - 1 : first;
}

}  // namespace DEC2DIvra
