#include "decoder/linear/line/multi_line_block_data.h"

#include "decoder/core/containers/array_iterator.h"
#include "decoder/core/containers/ballot_box.h"
#include "decoder/core/geometry/geometry.h"
#include "decoder/core/geometry/point.h"

namespace DEC2DIvra {

namespace {

constexpr unsigned kMinFittedEntries = 4;

int ToInt(long long value)
{
    return value > 0x7FFFFFFFLL ? 0x7FFFFFFF : (value < -0x7FFFFFFFLL ? -0x7FFFFFFF : static_cast<int>(value));
}

long long Abs(long long v) { return v < 0 ? -v : v; }

// The value most entries carry (one vote each).
int CalcWinner(MultiLineBlockData const& block)
{
    using Box = BallotBox<Wrapper<int>, unsigned>;
    Box::Entry votes[MultiLineBlockData::kLineCapacity];
    Box box(votes, MultiLineBlockData::kLineCapacity);
    for (MultiLineBlockData::Entry const& e : block) {
        box.Push(Wrapper<int>{e.value}, 1);
    }
    box.Sort();
    return box.GetCount() > 0 ? box[0].value.value : 0;
}

// Coordinates as functions of the line index: x the coordinate above its
// base, y the line index.
bool FitLine(Point const* points, unsigned count, int skip, bool anyAxis, Line& line)
{
    ArrayIterator<Point const> const run(points, count);
    return anyAxis ? Geometry::CalcLine(run, line, skip) : Geometry::CalcLineX(run, line, skip);
}

// The largest leave-one-out residual of a point list, if larger than the
// one found so far; false when a fit has no denominator.
bool FindLargestResidual(Point const* points, unsigned count, long long& largest, int& at)
{
    for (unsigned i = 0; i < count; ++i) {
        MultiLineBlockData::Model model;
        if (!FitLine(points, count, static_cast<int>(i), false, model.line) || model.line.a == 0) {
            return false;
        }
        long long const residual = Abs(model.Evaluate(points[i].y) - points[i].x);
        if (residual > largest) {
            largest = residual;
            at = static_cast<int>(i);
        }
    }
    return true;
}

void DeletePoint(Point* points, unsigned count, unsigned index)
{
    for (unsigned i = index; i + 1 < count; ++i) {
        points[i] = points[i + 1];
    }
}

}  // namespace

long long MultiLineBlockData::Model::Evaluate(int index) const
{
    // The line's coordinate at the index, rounded to nearest: a model through
    // exact points answers those points.
    long long offset = 0;
    if (line.a == 0 ||
        !Geometry::RoundDivide(-(static_cast<long long>(line.c) + static_cast<long long>(line.b) * index), line.a,
                               offset)) {
        return base;
    }
    return base + offset;
}

bool MultiLineBlockData::Push(Entry const& entry)
{
    if (count_ >= kLineCapacity || entry.line < 0 || entry.line >= static_cast<int>(kLineCapacity)) {
        return false;
    }
    entry_[count_++] = entry;
    return true;
}

bool MultiLineBlockData::Pop()
{
    if (count_ == 0) {
        return false;
    }
    --count_;
    return true;
}

MultiLineBlockData::Entry const* MultiLineBlockData::FindLine(int line) const
{
    for (Entry const& e : *this) {
        if (e.line == line) {
            return &e;
        }
    }
    return nullptr;
}

int MultiLineBlockData::GetBeginLineCoord(int line) const
{
    Entry const* e = FindLine(line);
    return e != nullptr ? e->begin : ToInt(begin_.Evaluate(line));
}

int MultiLineBlockData::GetEndLineCoord(int line) const
{
    Entry const* e = FindLine(line);
    return e != nullptr ? e->end : ToInt(end_.Evaluate(line));
}

int MultiLineBlockData::GetContrast(int line) const
{
    Entry const* e = FindLine(line);
    return e != nullptr ? e->contrast : ToInt(contrast_.Evaluate(line));
}

bool MultiLineBlockData::GetPattern(int line, unsigned& pattern) const
{
    Entry const* nearest = nullptr;
    long long distance = 0;
    for (Entry const& e : *this) {
        long long const d = Abs(static_cast<long long>(e.line) - line);
        if (nearest == nullptr || d < distance || (d == distance && e.line < nearest->line)) {
            nearest = &e;
            distance = d;
        }
    }
    if (nearest == nullptr) {
        return false;
    }
    pattern = static_cast<unsigned>(nearest->value);
    return true;
}

int MultiLineBlockData::CalcMinElementWidth(unsigned value)
{
    long long sum = 0;
    long long n = 0;
    for (Entry const& e : *this) {
        if (e.value == static_cast<int>(value)) {
            sum += e.width;
            ++n;
        }
    }
    minElementWidth_ = n > 0 ? ToInt(sum / n) : 0;
    return minElementWidth_;
}

bool MultiLineBlockData::CheckPrevBlock(MultiLineBlockData const& previous) const
{
    for (Entry const& e : *this) {
        if (previous.FindLine(e.line) != nullptr) {
            return true;
        }
    }
    return false;
}

void MultiLineBlockData::CalcContrastLine()
{
    contrast_ = Model();
    if (count_ == 0) {
        return;
    }
    int base = entry_[0].contrast;
    for (Entry const& e : *this) {
        base = e.contrast < base ? e.contrast : base;
    }
    Point points[kLineCapacity];
    for (unsigned i = 0; i < count_; ++i) {
        points[i] = Point{ToInt(static_cast<long long>(entry_[i].contrast) - base), entry_[i].line};
    }
    contrast_.base = base;
    if (!FitLine(points, count_, -1, false, contrast_.line)) {
        contrast_.line = Line();
    }
}

void MultiLineBlockData::CalcLines()
{
    begin_ = Model();
    end_ = Model();
    if (count_ == 0) {
        minElementWidth_ = 0;
        contrast_ = Model();
        return;
    }
    begin_.base = entry_[0].begin;
    end_.base = entry_[0].end;
    for (Entry const& e : *this) {
        begin_.base = e.begin < begin_.base ? e.begin : begin_.base;
        end_.base = e.end < end_.base ? e.end : end_.base;
    }
    Point begins[kLineCapacity];
    Point ends[kLineCapacity];
    for (unsigned i = 0; i < count_; ++i) {
        begins[i] = Point{ToInt(static_cast<long long>(entry_[i].begin) - begin_.base), entry_[i].line};
        ends[i] = Point{ToInt(static_cast<long long>(entry_[i].end) - end_.base), entry_[i].line};
    }
    if (!FitLine(begins, count_, -1, true, begin_.line)) {
        begin_.line = Line();
    }
    if (!FitLine(ends, count_, -1, true, end_.line)) {
        end_.line = Line();
    }
    CalcMinElementWidth(static_cast<unsigned>(CalcWinner(*this)));
    CalcContrastLine();
}

bool MultiLineBlockData::Adjust(MultiLineBlockData const* previous) { return Adjust(previous, false); }

bool MultiLineBlockData::AdjustForSinglePattern(MultiLineBlockData const* previous) { return Adjust(previous, true); }

bool MultiLineBlockData::Adjust(MultiLineBlockData const* previous, bool singlePattern)
{
    if (count_ == 0) {
        return false;
    }
    // 1. The winner and the bases.
    int const winner = CalcWinner(*this);
    int beginBase = entry_[0].begin;
    int endBase = entry_[0].end;
    for (Entry const& e : *this) {
        beginBase = e.begin < beginBase ? e.begin : beginBase;
        endBase = e.end < endBase ? e.end : endBase;
    }

    // 2. The winner's points.
    Point begins[kLineCapacity];
    Point ends[kLineCapacity];
    unsigned n = 0;
    for (Entry const& e : *this) {
        if (e.value != winner) {
            continue;
        }
        begins[n] = Point{ToInt(static_cast<long long>(e.begin) - beginBase), e.line};
        ends[n] = Point{ToInt(static_cast<long long>(e.end) - endBase), e.line};
        ++n;
    }
    if (n < (count_ + 1) / 2 || n < kMinFittedEntries) {
        return false;
    }

    // 3. Drop the point farthest from the line through the others until
    // every point lies within the element width.
    long long const tolerance = CalcMinElementWidth(static_cast<unsigned>(winner));
    for (;;) {
        long long largest = -1;
        int at = -1;
        if (!FindLargestResidual(begins, n, largest, at) || !FindLargestResidual(ends, n, largest, at)) {
            return false;
        }
        if (largest < tolerance) {
            break;
        }
        DeletePoint(begins, n, static_cast<unsigned>(at));
        DeletePoint(ends, n, static_cast<unsigned>(at));
        --n;
        if (n < kMinFittedEntries) {
            return false;
        }
    }

    // 4. The models over what is left.
    Model begin;
    Model end;
    begin.base = beginBase;
    end.base = endBase;
    if (!FitLine(begins, n, -1, true, begin.line) || !FitLine(ends, n, -1, true, end.line)) {
        return false;
    }
    begin_ = begin;
    end_ = end;
    long long const t = CalcMinElementWidth(static_cast<unsigned>(winner));

    // 5. Keep the entries near both models; the queries see only the entries
    // kept so far.
    Entry all[kLineCapacity];
    unsigned const total = count_;
    for (unsigned i = 0; i < total; ++i) {
        all[i] = entry_[i];
    }
    count_ = 0;
    for (unsigned i = 0; i < total; ++i) {
        Entry const& e = all[i];
        bool const near = Abs(static_cast<long long>(GetBeginLineCoord(e.line)) - e.begin) < t &&
                          Abs(static_cast<long long>(GetEndLineCoord(e.line)) - e.end) < t;
        if (!near) {
            continue;
        }
        if (singlePattern && e.value != winner) {
            return false;
        }
        entry_[count_++] = e;
    }
    if (count_ < kMinFittedEntries) {
        return false;
    }

    // 6. The contrast model, and the tie to the block before.
    CalcContrastLine();
    return previous == nullptr || CheckPrevBlock(*previous);
}

}  // namespace DEC2DIvra
