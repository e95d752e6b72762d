#include "decoder/stacked/pdf417/start_stop_column_data.h"

#include "decoder/core/arithmetic/dec_math.h"
#include "decoder/core/geometry/common_angle.h"
#include "decoder/core/geometry/geometry.h"

namespace DEC2DIvra {

namespace {

constexpr unsigned short kStartStopValue = 'Z';

long long Abs(long long v) { return v < 0 ? -v : v; }

// The point moved `times` steps; false when it leaves the range of the
// 1/256-pixel coordinates.
bool Moved(Point const& p, Vector const& v, long long times, Point& moved)
{
    long long const x = p.x + v.dx * times;
    long long const y = p.y + v.dy * times;
    if (Abs(x) > 0x3FFFFFFF || Abs(y) > 0x3FFFFFFF) {
        return false;
    }
    moved = Point{static_cast<int>(x), static_cast<int>(y)};
    return true;
}

long long Dot(Point const& p, Vector const& v)
{
    return static_cast<long long>(p.x) * v.dx + static_cast<long long>(p.y) * v.dy;
}

Point Middle(LineSegment const& s)
{
    Point m;
    Geometry::CalcCenterPoint(s.begin, s.end, m);
    return m;
}

}  // namespace

void StartStopColumnData::SetPattern(unsigned pattern)
{
    struct Entry {
        unsigned value;
        bool stop;
        unsigned type;
    };
    static constexpr Entry kTypes[] = {
        {343, false, 0},    {747, true, 0},     {120064, false, 1}, {110208, true, 1},
        {130728, false, 2}, {130324, true, 2},  {11007, false, 3},  {20863, true, 3},
    };
    for (Entry const& e : kTypes) {
        if (e.value == pattern) {
            type_ = e.type;
            stop_ = e.stop;
            return;
        }
    }
}

bool StartStopColumnData::Push(LineSegment const& segment, unsigned width)
{
    ColumnDataElement element;
    element.segment = segment;
    element.contrast = static_cast<unsigned short>(width / 4 > 0xFFFF ? 0xFFFF : width / 4);
    element.codeword = kStartStopValue;
    element.score = 1;
    return ColumnData::Push(element);
}

bool StartStopColumnData::CalcScanStep(Vector const& codeVector, unsigned step, bool reverse, Vector& vector) const
{
    if (count_ == 0 || step == 0 || step > 16) {
        return false;
    }
    LineSegment const& pattern = elements_[count_ / 2].segment;
    unsigned const width = Geometry::CalcChebyshevDistance(pattern);
    // Along the column: the row direction turned by a right angle (the
    // pattern's own direction when no row direction is known).
    Vector row = codeVector;
    if (row.dx == 0 && row.dy == 0) {
        Geometry::CalcVector(pattern.begin, pattern.end, row);
    }
    unsigned sector = 0;
    if (!CommonAngle::CalcAngleValue(-row.dy, row.dx, 4, sector)) {
        return false;
    }
    int const angle = static_cast<int>(sector) * (DecMath::kTurn / 16);
    long long const c = DecMath::Cos(angle).GetRaw();
    long long const s = -DecMath::Sin(angle).GetRaw();
    long long const dominant = Abs(c) > Abs(s) ? Abs(c) : Abs(s);
    if (dominant == 0) {
        return false;
    }
    // Stretched to a fifth of the pattern's width.
    long long const target = (static_cast<long long>(width) + 4) / 5;
    long long vx = c * target / dominant;
    long long vy = s * target / dominant;
    // Each finer step halves it.
    vx = (vx >> (step - 1)) / 2;
    vy = (vy >> (step - 1)) / 2;
    if (reverse) {
        vx = -vx;
        vy = -vy;
    }
    if (vx == 0 && vy == 0) {
        return false;
    }
    vector = Vector{static_cast<int>(vx), static_cast<int>(vy)};
    return true;
}

bool StartStopColumnData::CalcScanLine(GrayImage const& /*image*/, Vector const& codeVector, unsigned step,
                                       bool reverse, unsigned index, Line& line) const
{
    Vector v;
    if (!CalcScanStep(codeVector, step, reverse, v) || index > 0xFFFF) {
        return false;
    }
    LineSegment const& pattern = elements_[count_ / 2].segment;
    Line through;
    Point shift;
    if (!Geometry::CalcLine(pattern.begin, pattern.end, through) || !Moved(Point{}, v, index, shift) ||
        !through.Move(Vector{shift.x, shift.y})) {
        return false;
    }
    line = through;
    return true;
}

bool StartStopColumnData::CalcScanParameter(GrayImage const& image, Vector const& codeVector, unsigned step,
                                            bool reverse, unsigned index, ScanParameter& parameter) const
{
    Vector v;
    if (!CalcScanStep(codeVector, step, reverse, v) || index > 0xFFFF) {
        return false;
    }
    LineSegment const& pattern = elements_[count_ / 2].segment;
    Point p;
    Point q;
    if (!Moved(pattern.begin, v, index, p) || !Moved(pattern.end, v, index, q)) {
        return false;
    }
    // The row indicator lies beyond the pattern's inner end: the begin of a
    // stop read forward or a start read backward, else the end.
    bool const innerIsBegin = stop_ != IsReversed();
    Point const inner = innerIsBegin ? p : q;
    Point const outer = innerIsBegin ? q : p;
    long long const mx = (static_cast<long long>(inner.x) - outer.x) / 17;
    long long const my = (static_cast<long long>(inner.y) - outer.y) / 17;
    if (mx == 0 && my == 0) {
        return false;
    }
    auto pixel = [](long long v256) { return static_cast<int>(v256 / 256); };
    LineSegment const across{Point{pixel(inner.x - 2 * mx), pixel(inner.y - 2 * my)},
                             Point{pixel(inner.x + 19 * mx), pixel(inner.y + 19 * my)}};
    if (!parameter.line.Set(image, across, 1)) {
        return false;
    }
    unsigned const width = Geometry::CalcChebyshevDistance(pattern);
    parameter.line.SetExpected(width, contrast_);
    parameter.contrast = contrast_;
    parameter.row = -1;
    parameter.loose = false;
    // Beyond the records already known along the column?
    long long lowest = 0;
    long long highest = 0;
    for (unsigned i = 0; i < count_; ++i) {
        long long const t = Dot(Middle(elements_[i].segment), v);
        lowest = i == 0 || t < lowest ? t : lowest;
        highest = i == 0 || t > highest ? t : highest;
    }
    long long const here = Dot(Middle(LineSegment{p, q}), v);
    parameter.outside = here < lowest || here > highest;
    return true;
}

unsigned StartStopColumnDataStack::GetStartStopColumnDataPtr(Type type, StartStopColumnData const*& start,
                                                             StartStopColumnData const*& stop) const
{
    start = nullptr;
    stop = nullptr;
    unsigned const n = GetCount();
    bool const fromLast = (type & 1u) != 0;
    for (unsigned k = 0; k < n; ++k) {
        StartStopColumnData const& column = (*this)[fromLast ? n - 1 - k : k];
        if (column.GetType() != type || column.GetCount() == 0) {
            continue;
        }
        if (start == nullptr) {
            if (!column.IsStop()) {
                start = &column;
            }
        } else if (column.IsStop()) {
            stop = &column;
            break;
        }
    }
    if (start == nullptr || stop == nullptr) {
        start = nullptr;
        stop = nullptr;
        return 0;
    }
    return start->GetCount() + stop->GetCount();
}

bool StartStopColumnDataStack::GetStartStopColumnDataPtr(StartStopColumnData const*& start,
                                                         StartStopColumnData const*& stop,
                                                         bool& reversedPolarity) const
{
    start = nullptr;
    stop = nullptr;
    reversedPolarity = false;
    unsigned best = 0;
    for (unsigned t = kType0; t <= kType3; ++t) {
        StartStopColumnData const* a = nullptr;
        StartStopColumnData const* b = nullptr;
        unsigned const sum = GetStartStopColumnDataPtr(static_cast<Type>(t), a, b);
        if (sum > best) {
            best = sum;
            start = a;
            stop = b;
            reversedPolarity = t >= kType2;
        }
    }
    return best > 0;
}

}  // namespace DEC2DIvra
