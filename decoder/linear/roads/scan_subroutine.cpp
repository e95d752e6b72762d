#include "decoder/linear/roads/scan_subroutine.h"

#include <cstdint>

namespace DEC2DIvra {

namespace {

constexpr long long kMaxGrey = 0xFFFF;

long long ClampGrey(unsigned grey)
{
    return grey > kMaxGrey ? kMaxGrey : static_cast<long long>(grey);
}

long long FloorDivide(long long a, long long b)
{
    long long q = a / b;
    if ((a % b != 0) && ((a < 0) != (b < 0))) {
        --q;
    }
    return q;
}

long long Abs(long long v) { return v < 0 ? -v : v; }

}  // namespace

ScanSubroutine::ScanSubroutine(SharedMemoryDistributor& memory)
{
    VirtualArray<SlopeEntry> const profile = memory.TakeArray<SlopeEntry>(kProfileCapacity);
    VirtualArray<EdgePair> const edges = memory.TakeArray<EdgePair>(kProfileCapacity);
    if (profile.GetCount() == kProfileCapacity && edges.GetCount() == kProfileCapacity) {
        profile_ = profile.GetData();
        edges_ = edges.GetData();
        capacity_ = kProfileCapacity;
    }
}

ScanSubroutine::ScanSubroutine(VirtualArray<unsigned char> const& work)
{
    unsigned char* data = work.GetData();
    unsigned size = work.GetCount();
    if (data == nullptr) {
        return;
    }
    // Both tables hold ints: start on an int boundary.
    std::uintptr_t const misalign = reinterpret_cast<std::uintptr_t>(data) % alignof(SlopeEntry);
    if (misalign != 0) {
        unsigned const skip = static_cast<unsigned>(alignof(SlopeEntry) - misalign);
        if (skip >= size) {
            return;
        }
        data += skip;
        size -= skip;
    }
    unsigned count = size / static_cast<unsigned>(sizeof(SlopeEntry) + sizeof(EdgePair));
    if (count > kProfileCapacity) {
        count = kProfileCapacity;
    }
    profile_ = reinterpret_cast<SlopeEntry*>(data);
    edges_ = reinterpret_cast<EdgePair*>(data + static_cast<unsigned long long>(count) * sizeof(SlopeEntry));
    capacity_ = count;
}

bool ScanSubroutine::Start(GrayImage const& image, StackInterface<PickLineElement> const& samples,
                           StackInterface<ScanElement>& runs, bool central, unsigned divider, bool& falseEdge,
                           unsigned& maxStep) const
{
    bool smoothedForContrast = false;
    return Start(image, samples, runs, central, divider, falseEdge, maxStep, LowContrastEdges::kSmoothed,
                 smoothedForContrast);
}

bool ScanSubroutine::Start(GrayImage const& image, StackInterface<PickLineElement> const& samples,
                           StackInterface<ScanElement>& runs, bool central, unsigned divider, bool& falseEdge,
                           unsigned& maxStep, LowContrastEdges edges, bool& smoothedForContrast) const
{
    bool smoothed = false;
    return Start(image, samples, runs, central, divider, falseEdge, maxStep, edges, smoothedForContrast, smoothed);
}

bool ScanSubroutine::Start(GrayImage const& /*image*/, StackInterface<PickLineElement> const& samples,
                           StackInterface<ScanElement>& runs, bool central, unsigned divider, bool& falseEdge,
                           unsigned& maxStep, LowContrastEdges edges, bool& smoothedForContrast,
                           bool& smoothed) const
{
    falseEdge = false;
    smoothedForContrast = false;
    smoothed = false;
    maxStep = 0;
    runs.Clear();
    unsigned const n = samples.GetCount();
    if (!IsReady() || n < 2 || n - 1 > capacity_) {
        return false;
    }

    // 1-2. Slope profile and the level statistics.
    long long const last = samples[n - 1].coordinate;
    long long const lowMiddle = FloorDivide(last, 4);
    long long const highMiddle = last - lowMiddle;
    long long highGrey = -1;
    long long lowGrey = kMaxGrey + 1;
    long long highSlope = 0;
    long long lowSlope = 0;
    long long step = 0;
    bool counted = false;
    unsigned count = n - 1;
    if (!FillProfile(samples, count)) {
        return false;
    }
    for (unsigned i = 0; i < count; ++i) {
        long long const g0 = ClampGrey(samples[i].grey);
        long long const g1 = ClampGrey(samples[i + 1].grey);
        long long const middle = profile_[i].coordinate;
        long long const slope = profile_[i].slope;
        if (central && !(lowMiddle < middle && middle < highMiddle)) {
            continue;
        }
        if (!counted) {
            highSlope = lowSlope = slope;
            counted = true;
        }
        highGrey = g0 > highGrey ? g0 : highGrey;
        highGrey = g1 > highGrey ? g1 : highGrey;
        lowGrey = g0 < lowGrey ? g0 : lowGrey;
        lowGrey = g1 < lowGrey ? g1 : lowGrey;
        highSlope = slope > highSlope ? slope : highSlope;
        lowSlope = slope < lowSlope ? slope : lowSlope;
        step = Abs(g1 - g0) > step ? Abs(g1 - g0) : step;
    }
    maxStep = static_cast<unsigned>(step);
    // 3. A flat line (or a middle half without any pair) has no edges.
    if (!counted || highSlope == lowSlope) {
        return false;
    }
    long long const s = 2 * (Abs(highSlope) > Abs(lowSlope) ? Abs(highSlope) : Abs(lowSlope));

    // 4. Smoothing and the hysteresis.
    long long const range = highGrey - lowGrey;
    bool const againstNoise = edges == LowContrastEdges::kSmoothedAgainstNoise;
    bool const lowContrast = edges != LowContrastEdges::kUnsmoothed && !againstNoise && range < kLowContrastRange;
    smoothed = lowContrast || againstNoise || range > 4 * step;
    smoothedForContrast = lowContrast && range <= 4 * step;
    unsigned walkDivider = 16;
    if (smoothed) {
        for (unsigned i = 0; i + 1 < count; ++i) {
            profile_[i].coordinate = static_cast<int>(
                (static_cast<long long>(profile_[i].coordinate) + profile_[i + 1].coordinate) / 2);
            profile_[i].slope =
                static_cast<int>((static_cast<long long>(profile_[i].slope) + profile_[i + 1].slope) / 2);
        }
        --count;
        if (count < 2) {
            return false;
        }
        if (central && 6 * step < range) {
            walkDivider = 8;
        }
    }
    auto hysteresisFor = [s](unsigned d) -> int {
        if (d == 0) {
            return 1;
        }
        long long const h = s / static_cast<long long>(d);
        return h < 1 ? 1 : static_cast<int>(h);
    };
    int hysteresis = hysteresisFor(central ? walkDivider : divider);

    // 5-6. The walk, repeated with another divider after false edges.
    WalkResult walk;
    for (;;) {
        walk = Walk(count, hysteresis, lowMiddle, highMiddle);
        if (walk.overflow) {
            falseEdge = false;
            return false;
        }
        if (!smoothed) {
            falseEdge = walk.falseMark && !walk.repeatedFalseMark;
        }
        if (!central) {
            break;
        }
        unsigned next = walkDivider;
        if (walkDivider == 16) {
            next = walk.repeatedFalseMark ? 8 : (walk.falseMark ? 64 : 16);
        } else if (walkDivider == 64 && walk.repeatedFalseMark) {
            next = 8;
        }
        if (next == walkDivider) {
            break;
        }
        walkDivider = next;
        hysteresis = hysteresisFor(walkDivider);
    }
    if (!walk.started) {
        return false;
    }

    // 7. Runs from the edge pairs.
    unsigned edgeCount = walk.edgeCount;
    int const lastIndex = static_cast<int>(count) - 1;
    int const lineEnd = profile_[lastIndex].coordinate;
    // The edges found on the smoothed slopes of a faint line are placed on
    // the sampled ones, where a neighbouring flank does not pull them.
    bool const placeUnsmoothed = smoothedForContrast && edges == LowContrastEdges::kSmoothedPlacedOnSamples;
    if (placeUnsmoothed && !FillProfile(samples, n - 1)) {
        return false;
    }
    unsigned const placeCount = placeUnsmoothed ? n - 1 : count;
    int const afterLast = edgeCount == 0 ? 0 : edges_[edgeCount - 1].extreme + 1;
    if (afterLast <= lastIndex) {
        if (edgeCount >= capacity_) {
            return false;
        }
        edges_[edgeCount++] = EdgePair{afterLast, lastIndex};
    }
    bool light = walk.firstLight;
    int begin = profile_[0].coordinate;
    for (unsigned k = 0; k < edgeCount; ++k) {
        EdgePair const pair = edges_[k];
        bool const closing = k + 1 == edgeCount;
        // The line's end is no edge: the last run ends where the profile does.
        unsigned extreme = static_cast<unsigned>(pair.extreme);
        if (placeUnsmoothed && extreme + 1 < placeCount) {
            // A smoothed entry is the mean of this sampled one and the next.
            bool const rising = !light;
            int const here = profile_[extreme].slope;
            int const next = profile_[extreme + 1].slope;
            extreme += (rising ? next > here : next < here) ? 1u : 0u;
        }
        int end = closing ? lineEnd : CalcEdgePosition(placeCount, extreme, hysteresis, !light);
        // Flank centres of two close edges may cross in noise; keep runs ordered.
        if (end < begin) {
            end = begin;
        }
        unsigned sampleLast = static_cast<unsigned>(pair.extreme) + 1;
        if (sampleLast > n - 1) {
            sampleLast = n - 1;
        }
        long long grey = ClampGrey(samples[static_cast<unsigned>(pair.first)].grey);
        for (unsigned i = static_cast<unsigned>(pair.first) + 1; i <= sampleLast; ++i) {
            long long const g = ClampGrey(samples[i].grey);
            grey = light ? (g > grey ? g : grey) : (g < grey ? g : grey);
        }
        ScanElement run;
        run.colour = light ? kLightRun : kDarkRun;
        run.grey = static_cast<int>(grey);
        run.begin = begin;
        run.end = end;
        run.samples = pair.extreme - pair.first;
        if (!runs.Push(run)) {
            runs.Clear();
            return false;
        }
        begin = end;
        light = !light;
    }
    return !runs.IsEmpty();
}

bool ScanSubroutine::FillProfile(StackInterface<PickLineElement> const& samples, unsigned count) const
{
    for (unsigned i = 0; i < count; ++i) {
        long long const x0 = samples[i].coordinate;
        long long const x1 = samples[i + 1].coordinate;
        long long const dx = x1 - x0;
        if (dx < 1) {
            return false;
        }
        long long const g0 = ClampGrey(samples[i].grey);
        long long const g1 = ClampGrey(samples[i + 1].grey);
        profile_[i].coordinate = static_cast<int>((x0 + x1) / 2);
        profile_[i].slope = static_cast<int>((g1 - g0) * 1024 / dx);
    }
    return true;
}

ScanSubroutine::WalkResult ScanSubroutine::Walk(unsigned count, int hysteresis, long long lowMiddle,
                                                long long highMiddle) const
{
    enum class State { kNone, kRising, kFalling };
    WalkResult result;
    long long const h = hysteresis;
    State state = State::kNone;
    long long startMin = 0;
    long long startMax = 0;
    bool startSeen = false;
    long long track = 0;
    unsigned trackIndex = 0;
    int afterEdge = 0;
    bool peakPending = false;
    bool troughPending = false;
    for (unsigned j = 0; j < count; ++j) {
        long long const slope = profile_[j].slope;
        switch (state) {
        case State::kNone:
            if (startSeen && slope >= startMin) {
                state = State::kRising;
                result.started = true;
                result.firstLight = false;
                track = slope - h;
                trackIndex = j;
            } else if (startSeen && slope <= startMax) {
                state = State::kFalling;
                result.started = true;
                result.firstLight = true;
                track = slope + h;
                trackIndex = j;
            } else {
                if (!startSeen || slope + h < startMin) {
                    startMin = slope + h;
                }
                if (!startSeen || slope - h > startMax) {
                    startMax = slope - h;
                }
                startSeen = true;
            }
            break;
        case State::kRising:
        case State::kFalling: {
            bool const rising = state == State::kRising;
            bool const confirmed = rising ? slope <= track : slope >= track;
            if (!confirmed) {
                if (rising ? slope - h > track : slope + h < track) {
                    track = rising ? slope - h : slope + h;
                    trackIndex = j;
                }
                break;
            }
            if (result.edgeCount >= capacity_) {
                result.overflow = true;
                return result;
            }
            edges_[result.edgeCount++] = EdgePair{afterEdge, static_cast<int>(trackIndex)};
            afterEdge = static_cast<int>(trackIndex) + 1;
            long long const x = profile_[trackIndex].coordinate;
            long long const extreme = profile_[trackIndex].slope;
            bool const middle = lowMiddle < x && x < highMiddle;
            bool& pending = rising ? peakPending : troughPending;
            if (middle && (rising ? extreme <= 0 : extreme >= 0)) {
                result.falseMark = true;
                if (pending) {
                    result.repeatedFalseMark = true;
                }
                pending = true;
            } else {
                pending = false;
            }
            state = rising ? State::kFalling : State::kRising;
            track = rising ? slope + h : slope - h;
            trackIndex = j;
            break;
        }
        }
    }
    return result;
}

int ScanSubroutine::CalcEdgePosition(unsigned count, unsigned extreme, int hysteresis, bool rising) const
{
    long long const h = hysteresis;
    long long const g = profile_[extreme].slope;
    int const x = profile_[extreme].coordinate;
    // A rising edge is weighed by how far the slope stands above the level,
    // a falling one by how far below; mirror the falling case onto the rising.
    long long const sign = rising ? 1 : -1;
    long long const peak = sign * g;
    if (peak <= 0) {
        return x;
    }
    long long const level = peak - h < 0 ? peak - h : 0;
    long long const knee = peak - h;
    long long weights = peak - level;
    long long sum = 0;
    if (__builtin_mul_overflow(weights, static_cast<long long>(x), &sum)) {
        return x;
    }
    for (int side = -1; side <= 1; side += 2) {
        long long previous = peak;
        bool pastKnee = false;
        for (long long j = static_cast<long long>(extreme) + side; j >= 0 && j < static_cast<long long>(count);
             j += side) {
            long long const slope = sign * profile_[j].slope;
            if (slope <= level) {
                break;
            }
            if (slope <= knee) {
                pastKnee = true;
            }
            // Past the knee only a still-falling flank belongs to this edge;
            // a rising edge also takes equal slopes before its extreme.
            if (pastKnee) {
                bool const keeps = (rising && side < 0) ? slope <= previous : slope < previous;
                if (!keeps) {
                    break;
                }
            }
            long long const weight = slope - level;
            long long term = 0;
            if (__builtin_mul_overflow(weight, static_cast<long long>(profile_[j].coordinate), &term) ||
                __builtin_add_overflow(sum, term, &sum) || __builtin_add_overflow(weights, weight, &weights)) {
                return x;
            }
            previous = slope;
        }
    }
    return static_cast<int>(sum / weights);
}

}  // namespace DEC2DIvra
