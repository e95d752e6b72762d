#include "decoder/matrix/data_matrix/data_matrix_timing_edge.h"

#include <cstring>

#include "decoder/core/geometry/ptr_line_segment.h"

namespace DEC2DIvra {

namespace {

// The activity of one sampling line: the grey steps between neighbours
// along its pixel walk, straight steps only (a step that also moves across
// mixes two rows of pixels), over the number of samples.
class StepActivity {
public:
    explicit StepActivity(PtrLineSegment const& walk) : walk_(&walk) {}

    bool Start(unsigned grey, int coordinate)
    {
        Point const p = walk_->CalcWalkPoint(coordinate);
        int const across = walk_->IsXMajor() ? p.y : p.x;
        if (samples_ > 0 && across == across_) {
            total_ += grey > grey_ ? grey - grey_ : grey_ - grey;
        }
        grey_ = grey;
        across_ = across;
        ++samples_;
        return true;
    }

    // Four times the mean step, to keep a fraction of it.
    unsigned GetActivity() const { return samples_ == 0 ? 0 : static_cast<unsigned>(4 * total_ / samples_); }

private:
    PtrLineSegment const* walk_;
    unsigned long long total_ = 0;
    unsigned samples_ = 0;
    unsigned grey_ = 0;
    int across_ = 0;
};

// The picking walk's pixels in turn: the sampling line there walked and its
// activity pushed at the picking coordinate (8 fraction bits).
class ActivityProfile {
public:
    ActivityProfile(GrayImage const& image, CommonPickEdgePointSubroutine const& picker,
                    StackInterface<PickLineElement>& elements)
        : image_(&image), picker_(&picker), elements_(&elements)
    {
    }

    bool Start(unsigned /*grey*/, int coordinate) const
    {
        LineSegment line;
        PtrLineSegment walk;
        if (!picker_->CalcSamplingLine(*image_, coordinate, line) || !walk.Set(*image_, line)) {
            return false;
        }
        StepActivity activity(walk);
        if (!walk.ExecuteAlongLineWithLineCoord(*image_, activity)) {
            return false;
        }
        return elements_->Push(PickLineElement{coordinate * (1 << CalcTimingEdgePositionSubroutine::kShift),
                                               activity.GetActivity()});
    }

private:
    GrayImage const* image_;
    CommonPickEdgePointSubroutine const* picker_;
    StackInterface<PickLineElement>* elements_;
};

long long Distance(long long a, long long b) { return a > b ? a - b : b - a; }

}  // namespace

bool CalcTimingEdgePositionSubroutine::Scan(GrayImage const& image,
                                            StackInterface<PickLineElement> const& elements) const
{
    bool falseEdge = false;
    unsigned maxStep = 0;
    return work_->scan.IsReady() && work_->scan.Start(image, elements, work_->runs, false, 8, falseEdge, maxStep) &&
           work_->runs.GetCount() >= 2;
}

unsigned CalcTimingEdgePositionSubroutine::Start(GrayImage const& image,
                                                 StackInterface<PickLineElement> const& elements, unsigned before,
                                                 unsigned after, int& position) const
{
    if (before + after == 0 || !Scan(image, elements)) {
        return 0;
    }
    ScanElement const* runs = work_->runs.GetFirst();
    unsigned const count = work_->runs.GetCount();
    // The walk is before + after pixels long; the segment lies `before` in.
    long long const expected = static_cast<long long>(before) << kShift;
    bool found = false;
    long long chosen = 0;
    long long chosenGap = 0;
    for (unsigned i = 1; i < count; ++i) {
        // Valid where the activity falls to a quarter of the run before
        // or less, as it does from a timing side into its quiet zone.
        bool const falling = runs[i - 1].colour == kLightRun && runs[i].colour == kDarkRun &&
                             4 * static_cast<long long>(runs[i].grey) <= runs[i - 1].grey;
        if (!falling) {
            continue;
        }
        long long const at = runs[i].begin;
        long long const gap = at - runs[i - 1].begin;
        if (!found) {
            found = true;
            chosen = at;
            chosenGap = gap;
            continue;
        }
        if (!(4 * gap > 3 * chosenGap)) {
            continue;
        }
        if (Distance(at, expected) < Distance(chosen, expected) || 4 * chosenGap <= 3 * gap) {
            chosen = at;
            chosenGap = gap;
        }
    }
    if (!found) {
        return 0;
    }
    position = static_cast<int>(chosen);
    return 1;
}

unsigned CalcTimingEdgePositionSubroutine::Start(GrayImage const& image,
                                                 StackInterface<PickLineElement> const& elements, unsigned before,
                                                 unsigned after, StackInterface<int>& positions) const
{
    positions.Clear();
    if (before + after == 0 || !Scan(image, elements) || positions.GetCapacity() == 0) {
        return 0;
    }
    ScanElement const* runs = work_->runs.GetFirst();
    unsigned const count = work_->runs.GetCount();
    // Gaps are measured between edges: the first edge has none.
    long long reference = 0;
    for (unsigned i = 2; i < count; ++i) {
        long long const gap = static_cast<long long>(runs[i].begin) - runs[i - 1].begin;
        if (gap <= 0) {
            continue;
        }
        if (reference == 0 || !(3 * gap < 4 * reference)) {
            if (reference != 0 && !(4 * gap > 3 * reference)) {
                continue;
            }
            positions.Clear();
            reference = gap;
        } else if (!(4 * gap > 3 * reference)) {
            continue;
        }
        if (positions.IsFull()) {
            int* first = positions.GetFirst();
            std::memmove(first, first + 1, (positions.GetCount() - 1) * sizeof(int));
            positions.SetCount(positions.GetCount() - 1);
        }
        positions.Push(runs[i].begin);
    }
    return positions.IsEmpty() ? 0 : 1;
}

bool PickTimingEdgePointSubroutine::PickActivity(GrayImage const& image, LineSegment const& segment,
                                                 Vector const& direction, unsigned width1, unsigned width2,
                                                 unsigned& before, unsigned& after) const
{
    work_->failed = false;
    if (work_->picker.Initialize(image, segment, direction, width1, width2, before, after) == 0) {
        work_->failed = true;
        return false;
    }
    work_->elements.Clear();
    ActivityProfile const profile(image, work_->picker, work_->elements);
    return work_->picker.GetPickingLine().ExecuteAlongLineWithLineCoord(image, profile);
}

unsigned PickTimingEdgePointSubroutine::Start(GrayImage const& image, LineSegment const& segment,
                                              Vector const& direction, unsigned width1, unsigned width2,
                                              Point& point) const
{
    unsigned before = 0;
    unsigned after = 0;
    int position = 0;
    CalcTimingEdgePositionSubroutine const positions(*work_);
    if (!PickActivity(image, segment, direction, width1, width2, before, after) ||
        positions.Start(image, work_->elements, before, after, position) == 0) {
        return 0;
    }
    return CalcEdgePoint(image, position, point) ? 1 : 0;
}

unsigned PickTimingEdgePointSubroutine::Start(GrayImage const& image, LineSegment const& segment,
                                              Vector const& direction, unsigned width1, unsigned width2,
                                              StackInterface<Point>& points) const
{
    constexpr unsigned kMostEdges = 160;
    int buffer[kMostEdges];
    StackInterface<int> found(buffer, kMostEdges);
    unsigned before = 0;
    unsigned after = 0;
    CalcTimingEdgePositionSubroutine const positions(*work_);
    points.Clear();
    if (!PickActivity(image, segment, direction, width1, width2, before, after) ||
        positions.Start(image, work_->elements, before, after, found) == 0) {
        return 0;
    }
    return CalcEdgePoint(image, found, points) ? 1 : 0;
}

bool PickTimingEdgePointSubroutine::CalcEdgePoint(GrayImage const& image, int position, Point& point) const
{
    return work_->picker.GetPickingLine().CalcRealLineCoordPoint(image, position,
                                                                 CalcTimingEdgePositionSubroutine::kShift, point);
}

bool PickTimingEdgePointSubroutine::CalcEdgePoint(GrayImage const& image, StackInterface<int> const& positions,
                                                  StackInterface<Point>& points) const
{
    points.Clear();
    for (unsigned i = 0; i < positions.GetCount(); ++i) {
        Point p;
        if (CalcEdgePoint(image, positions.GetFirst()[i], p) && !points.Push(p)) {
            break;
        }
    }
    return !points.IsEmpty();
}

}  // namespace DEC2DIvra
