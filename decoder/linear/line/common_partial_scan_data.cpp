#include "decoder/linear/line/common_partial_scan_data.h"

#include <cstring>
#include <type_traits>

namespace DEC2DIvra {

namespace {

using RunIterator = ArrayIterator<ScanElement const>;

template <class Run>
int NearEdge(Run const& run, int direction)
{
    return direction > 0 ? run.begin : run.end;
}

template <class Run>
int FarEdge(Run const& run, int direction)
{
    return direction > 0 ? run.end : run.begin;
}

template <class Run>
void SetFarEdge(Run& run, int direction, int value)
{
    (direction > 0 ? run.end : run.begin) = value;
}

template <class Run>
void SetNearEdge(Run& run, int direction, int value)
{
    (direction > 0 ? run.begin : run.end) = value;
}

RunIterator Reseat(RunIterator const& it, int direction)
{
    return RunIterator(it.GetBegin(), it.GetCount(), it.GetIndex(), direction);
}

bool IsInside(RunIterator const& it, long long index)
{
    return it.GetBegin() != nullptr && index >= 0 && index < static_cast<long long>(it.GetCount());
}

PartialScanElement ToEntry(ScanElement const& run, int lineIndex)
{
    PartialScanElement entry;
    entry.colour = run.colour;
    entry.grey = run.grey;
    entry.begin = run.begin;
    entry.end = run.end;
    entry.samples = run.samples;
    entry.magnitude = 0;
    entry.lineIndex = lineIndex;
    return entry;
}

int ClampToInt(long long v)
{
    if (v > 0x7FFFFFFFLL) {
        return 0x7FFFFFFF;
    }
    if (v < -0x7FFFFFFFLL) {
        return -0x7FFFFFFF;
    }
    return static_cast<int>(v);
}

// Width weighted by the run's grey distance from the opposite level. A run
// darker (brighter) than that level counts no contrast rather than wrapping.
template <class Run>
unsigned CalcRunMagnitude(Run const& run, int lightMaximum, int darkMinimum)
{
    long long const width = static_cast<long long>(run.end) - run.begin;
    long long const distance = run.colour == kLightRun ? static_cast<long long>(run.grey) - darkMinimum
                                                       : static_cast<long long>(lightMaximum) - run.grey;
    long long const weight = distance > 0 ? ((distance / 4) & 255) : 0;
    long long const magnitude = (width > 0 ? width : 0) * weight + 1;
    return magnitude > 0xFFFFFFFFLL ? 0xFFFFFFFFu : static_cast<unsigned>(magnitude);
}

}  // namespace

bool IsWithinFactorThree(long long contrast, long long reference)
{
    return contrast <= 3 * reference && reference <= 3 * contrast;
}

// The window's state and entries before a change that may be undone. The
// entries' room is left uninitialised and only the window's own entries are
// copied in and out: a window is mostly a few runs long, and clearing room
// for the longest on every removal cost more than the removal.
struct CommonPartialScanData::Snapshot {
    State state;
    unsigned length = 0;
    alignas(PartialScanElement) unsigned char entries[kMaxLength * sizeof(PartialScanElement)];
};

static_assert(std::is_trivially_copyable_v<PartialScanElement>, "window entries are copied as bytes");

CommonPartialScanData::CommonPartialScanData(PartialScanElement* storage, unsigned capacity, unsigned noiseMode)
    : noiseMode_(noiseMode)
{
    if (storage != nullptr && capacity > 0 && capacity <= kMaxLength) {
        entries_ = storage;
        capacity_ = capacity;
        length_ = capacity;
    }
}

bool CommonPartialScanData::CopyFrom(CommonPartialScanData const& other)
{
    if (&other == this) {
        return true;
    }
    if (other.length_ > capacity_) {
        return false;
    }
    for (unsigned i = 0; i < other.length_; ++i) {
        entries_[i] = other.entries_[i];
    }
    length_ = other.length_;
    noiseMode_ = other.noiseMode_;
    state_ = other.state_;
    return true;
}

bool CommonPartialScanData::SetLength(unsigned length)
{
    if (length == 0 || length > capacity_) {
        return false;
    }
    length_ = length;
    return true;
}

ScanElement const* CommonPartialScanData::LineAt(long long index) const
{
    return IsInside(state_.iterator, index) ? state_.iterator.GetBegin() + index : nullptr;
}

void CommonPartialScanData::Save(Snapshot& snapshot) const
{
    snapshot.state = state_;
    snapshot.length = length_ <= kMaxLength ? length_ : kMaxLength;
    if (snapshot.length > 0) {
        std::memcpy(snapshot.entries, entries_, snapshot.length * sizeof(PartialScanElement));
    }
}

void CommonPartialScanData::Restore(Snapshot const& snapshot)
{
    state_ = snapshot.state;
    length_ = snapshot.length;
    if (length_ > 0) {
        std::memcpy(entries_, snapshot.entries, length_ * sizeof(PartialScanElement));
    }
}

int CommonPartialScanData::GetBegin() const
{
    return length_ == 0 ? 0 : NearEdge(entries_[0], Direction());
}

int CommonPartialScanData::GetEnd() const
{
    return length_ == 0 ? 0 : FarEdge(entries_[length_ - 1], Direction());
}

long long CommonPartialScanData::GetSpan() const { return SpanIn(Direction()); }

long long CommonPartialScanData::SpanIn(int direction) const
{
    if (length_ == 0) {
        return 0;
    }
    return direction * (static_cast<long long>(FarEdge(entries_[length_ - 1], direction)) -
                        NearEdge(entries_[0], direction));
}

unsigned CommonPartialScanData::GetMinWidth() const
{
    unsigned smallest = 0xFFFFFFFFu;
    for (unsigned i = 0; i < length_; ++i) {
        long long const width = static_cast<long long>(entries_[i].end) - entries_[i].begin;
        unsigned const w = width > 0 ? static_cast<unsigned>(width) : 0u;
        smallest = w < smallest ? w : smallest;
    }
    return smallest;
}

// ---------------------------------------------------------------------------
// Loading and levels

bool CommonPartialScanData::Set(RunIterator const& first) { return Load(first, 1); }

bool CommonPartialScanData::CalcMagnitude(int marginGrey) { return Measure(marginGrey); }

bool CommonPartialScanData::Load(RunIterator const& first, int direction)
{
    RunIterator const it = Reseat(first, direction);
    long long const index = it.GetIndex();
    if (length_ == 0 || !IsInside(it, index - direction) ||
        !IsInside(it, index + static_cast<long long>(length_ - 1) * direction) || !IsInside(it, index)) {
        return false;
    }
    ScanElement const* line = it.GetBegin();
    for (unsigned i = 0; i < length_; ++i) {
        long long const j = index + static_cast<long long>(i) * direction;
        entries_[i] = ToEntry(line[j], static_cast<int>(j));
    }
    state_ = State{};
    state_.iterator = RunIterator(line, it.GetCount(), static_cast<int>(index + static_cast<long long>(length_) * direction), direction);
    return Measure(line[index - direction].grey);
}

bool CommonPartialScanData::Measure(int marginGrey)
{
    State& s = state_;
    s.marginGrey = marginGrey;
    s.contrast = 0;
    if (length_ == 0) {
        return false;
    }
    // The window's runs and the line's run after it, read in place. The
    // levels start from the state's, so that a window lacking a colour
    // leaves that colour's levels as they were.
    ScanElement const* after = s.iterator.IsValid() ? &*s.iterator : nullptr;
    unsigned const length = length_;
    int lightMaximum = s.lightMaximum;
    int lightMinimum = s.lightMinimum;
    unsigned lightMinimumIndex = s.lightMinimumIndex;
    int darkMinimum = s.darkMinimum;
    int darkMaximum = s.darkMaximum;
    unsigned darkMaximumIndex = s.darkMaximumIndex;
    bool haveLight = false;
    bool haveDark = false;
    auto level = [&](unsigned char colour, int grey, unsigned k) {
        if (colour == kLightRun) {
            lightMaximum = !haveLight || grey > lightMaximum ? grey : lightMaximum;
            if (!haveLight || grey < lightMinimum) {
                lightMinimum = grey;
                lightMinimumIndex = k;
            }
            haveLight = true;
        } else {
            darkMinimum = !haveDark || grey < darkMinimum ? grey : darkMinimum;
            if (!haveDark || grey > darkMaximum) {
                darkMaximum = grey;
                darkMaximumIndex = k;
            }
            haveDark = true;
        }
    };
    for (unsigned k = 0; k < length; ++k) {
        level(entries_[k].colour, entries_[k].grey, k);
    }
    if (after != nullptr) {
        level(after->colour, after->grey, length);
    }
    s.lightMaximum = lightMaximum;
    s.lightMinimum = lightMinimum;
    s.lightMinimumIndex = lightMinimumIndex;
    s.darkMinimum = darkMinimum;
    s.darkMaximum = darkMaximum;
    s.darkMaximumIndex = darkMaximumIndex;
    if (!haveLight || !haveDark) {
        return false;
    }
    s.upperLevel = lightMaximum > marginGrey ? lightMaximum : marginGrey;
    s.lowerLevel = darkMinimum < marginGrey ? darkMinimum : marginGrey;
    s.contrast = s.upperLevel - s.lowerLevel;
    if (darkMaximum < lightMinimum) {
        s.lightMaximum = s.upperLevel;
        s.darkMinimum = s.lowerLevel;
    }
    // The weakest run of each colour, the first of equals.
    int const lightLevel = s.lightMaximum;
    int const darkLevel = s.darkMinimum;
    unsigned weakestLight = 0;
    unsigned weakestLightIndex = 0;
    unsigned weakestDark = 0;
    unsigned weakestDarkIndex = 0;
    bool weakLightSeen = false;
    bool weakDarkSeen = false;
    auto weigh = [&](unsigned char colour, unsigned magnitude, unsigned k) {
        if (colour == kLightRun) {
            if (!weakLightSeen || magnitude < weakestLight) {
                weakestLight = magnitude;
                weakestLightIndex = k;
            }
            weakLightSeen = true;
        } else {
            if (!weakDarkSeen || magnitude < weakestDark) {
                weakestDark = magnitude;
                weakestDarkIndex = k;
            }
            weakDarkSeen = true;
        }
    };
    for (unsigned k = 0; k < length; ++k) {
        PartialScanElement& entry = entries_[k];
        entry.magnitude = CalcRunMagnitude(entry, lightLevel, darkLevel);
        weigh(entry.colour, entry.magnitude, k);
    }
    if (after != nullptr) {
        weigh(after->colour, CalcRunMagnitude(*after, lightLevel, darkLevel), length);
    }
    // Both colours were seen above, so both weakest runs are set.
    s.weakestLight = weakestLight;
    s.weakestLightIndex = weakestLightIndex;
    s.weakestDark = weakestDark;
    s.weakestDarkIndex = weakestDarkIndex;
    if (noiseMode_ == 2) {
        // Depth from the far level instead of magnitude: the shallowest run
        // of each colour is the noise candidate.
        long long const darkDepth = static_cast<long long>(s.upperLevel) - s.darkMaximum;
        long long const lightDepth = static_cast<long long>(s.lightMinimum) - s.lowerLevel;
        s.weakestDark = darkDepth > 0 ? static_cast<unsigned>(darkDepth) : 0u;
        s.weakestDarkIndex = s.darkMaximumIndex;
        s.weakestLight = lightDepth > 0 ? static_cast<unsigned>(lightDepth) : 0u;
        s.weakestLightIndex = s.lightMinimumIndex;
    }
    s.lightWeaker = s.weakestDark > s.weakestLight;
    return s.contrast >= kMinContrast;
}

// ---------------------------------------------------------------------------
// Noise

bool CommonPartialScanData::Delete(int index, bool force) { return Remove(index, force, 1); }
bool CommonPartialScanData::DeleteNoise() { return RemoveNoise(1); }
bool CommonPartialScanData::ForceDeleteNoise() { return ForceRemoveNoise(1); }
bool CommonPartialScanData::AdjustmentWidth(unsigned minimum, unsigned maximum)
{
    return Adjust(minimum, maximum, 1);
}
bool CommonPartialScanData::ForceAdjustmentWidth(int target) { return ForceAdjust(target, 1); }

bool CommonPartialScanData::Remove(int index, bool force, int direction)
{
    if (length_ == 0 || index < 1 || index > static_cast<int>(length_)) {
        return false;
    }
    RunIterator const after = Reseat(state_.iterator, direction);
    long long const next = after.GetIndex();
    // The window gives up two runs and takes two from the line: both must exist.
    if (!IsInside(after, next) || !IsInside(after, next + direction)) {
        return false;
    }
    ScanElement const* line = after.GetBegin();
    auto runAt = [&](int k) -> PartialScanElement {
        if (k < static_cast<int>(length_)) {
            return entries_[k];
        }
        long long const j = next + static_cast<long long>(k - static_cast<int>(length_)) * direction;
        return ToEntry(line[j], static_cast<int>(j));
    };
    PartialScanElement merged = runAt(index - 1);
    PartialScanElement const speck = runAt(index);
    PartialScanElement const later = runAt(index + 1);
    bool const lightGround = merged.colour == kLightRun;
    int const level = lightGround ? (merged.grey > later.grey ? merged.grey : later.grey)
                                  : (merged.grey < later.grey ? merged.grey : later.grey);
    if (!force) {
        long long const depth = lightGround ? static_cast<long long>(level) - speck.grey
                                            : static_cast<long long>(speck.grey) - level;
        long long const contrast = state_.contrast;
        bool refuse = false;
        if (noiseMode_ == 1) {
            refuse = 3 * depth > contrast;
        } else if (noiseMode_ == 2) {
            refuse = 2 * depth > contrast;
        } else {
            long long const middle = (static_cast<long long>(state_.darkMaximum) + state_.lightMinimum) / 2;
            bool const farSide = lightGround ? speck.grey < middle : speck.grey > middle;
            refuse = 5 * depth > contrast && farSide;
        }
        if (refuse) {
            return false;
        }
    }
    Snapshot before;
    Save(before);
    merged.grey = level;
    merged.samples = ClampToInt(static_cast<long long>(merged.samples) + speck.samples + later.samples);
    SetFarEdge(merged, direction, FarEdge(later, direction));
    // Later entries move down by two; the last two come from the line.
    entries_[index - 1] = merged;
    for (int k = index; k < static_cast<int>(length_); ++k) {
        entries_[k] = runAt(k + 2);
    }
    state_.iterator = RunIterator(line, after.GetCount(), static_cast<int>(next + 2 * direction), direction);
    if (!Measure(state_.marginGrey)) {
        Restore(before);
        return false;
    }
    return true;
}

bool CommonPartialScanData::RemoveNoise(int direction)
{
    if (length_ == 0 || state_.contrast < kMinContrast) {
        return false;
    }
    bool const light = state_.lightWeaker;
    for (;;) {
        unsigned const index = light ? state_.weakestLightIndex : state_.weakestDarkIndex;
        unsigned const weakest = light ? state_.weakestLight : state_.weakestDark;
        // A refused removal ends the pass as a failure, also after earlier
        // removals: the window's weakest run is no noise.
        if (!Remove(static_cast<int>(index), false, direction)) {
            return false;
        }
        (light ? state_.deletedLight : state_.deletedDark) = weakest;
        unsigned const now = light ? state_.weakestLight : state_.weakestDark;
        if (static_cast<unsigned long long>(now) > 2ULL * weakest) {
            return true;
        }
    }
}

bool CommonPartialScanData::ForceRemoveNoise(int direction)
{
    if (length_ == 0) {
        return false;
    }
    bool const light = state_.lightWeaker;
    unsigned const index = light ? state_.weakestLightIndex : state_.weakestDarkIndex;
    unsigned const weakest = light ? state_.weakestLight : state_.weakestDark;
    if (!Remove(static_cast<int>(index), true, direction)) {
        return false;
    }
    (light ? state_.deletedLight : state_.deletedDark) = weakest;
    return true;
}

bool CommonPartialScanData::Adjust(unsigned minimum, unsigned maximum, int direction)
{
    if (length_ == 0 || state_.contrast < kMinContrast) {
        return false;
    }
    // Too narrow: merge noise until wide enough; a window that cannot grow
    // further is kept as it is.
    while (SpanIn(direction) < static_cast<long long>(minimum)) {
        Snapshot good;
        Save(good);
        if (!RemoveNoise(direction)) {
            Restore(good);
            return true;
        }
    }
    if (SpanIn(direction) > static_cast<long long>(maximum)) {
        return true;
    }
    // Within the limits: of the windows that stay within them, keep the one
    // whose weakest runs stand furthest above what was deleted as noise.
    auto score = [this]() {
        long long const weakest = state_.weakestDark < state_.weakestLight ? state_.weakestDark : state_.weakestLight;
        long long const deleted = state_.deletedDark > state_.deletedLight ? state_.deletedDark : state_.deletedLight;
        return weakest - deleted;
    };
    Snapshot best;
    Save(best);
    long long bestScore = score();
    while (RemoveNoise(direction)) {
        if (SpanIn(direction) > static_cast<long long>(maximum)) {
            break;
        }
        long long const s = score();
        if (s > bestScore) {
            bestScore = s;
            Save(best);
        }
    }
    Restore(best);
    return true;
}

bool CommonPartialScanData::ForceAdjust(int target, int direction)
{
    if (length_ == 0 || state_.contrast < kMinContrast) {
        return false;
    }
    while (direction * (static_cast<long long>(target) - FarEdge(entries_[length_ - 1], direction)) > 0) {
        if (!ForceRemoveNoise(direction)) {
            return true;
        }
    }
    return true;
}

bool CommonPartialScanData::AdjustLoaded(unsigned minimum, unsigned maximum, int direction)
{
    if (noiseMode_ != 0) {
        long long const target = NearEdge(entries_[0], direction) +
                                 direction * ((static_cast<long long>(minimum) + maximum) / 2);
        return ForceAdjust(ClampToInt(target), direction);
    }
    return Adjust(minimum, maximum, direction);
}

// ---------------------------------------------------------------------------
// Searching and stepping

bool CommonPartialScanData::IsClearFirstRun() const
{
    long long const grey = entries_[0].grey;
    if (entries_[0].colour == kLightRun) {
        return grey > (static_cast<long long>(state_.lightMaximum) + 2LL * state_.darkMinimum) / 3;
    }
    return grey < (static_cast<long long>(state_.darkMinimum) + 2LL * state_.lightMaximum) / 3;
}

bool CommonPartialScanData::Search(RunIterator const& from, bool colour, int start, unsigned reference,
                                   unsigned distance, int direction)
{
    if (length_ == 0) {
        return false;
    }
    RunIterator it = Reseat(from, direction);
    long long const origin = start;
    while (it.IsValid() && direction * (NearEdge(*it, direction) - origin) < 0) {
        it.Next();
    }
    while (it.IsValid() && (it->colour == kLightRun) != colour) {
        it.Next();
    }
    for (; it.IsValid(); it.Next(), it.Next()) {
        if (distance != kNoDistanceLimit &&
            direction * (NearEdge(*it, direction) - origin) > static_cast<long long>(distance)) {
            return false;
        }
        if (it.GetRemaining() < length_) {
            return false;
        }
        if (Load(it, direction) && IsClearFirstRun() && IsWithinFactorThree(state_.contrast, reference)) {
            return true;
        }
    }
    return false;
}

bool CommonPartialScanData::Set(RunIterator const& from, bool colour, int start, unsigned reference,
                                unsigned minimum, unsigned maximum, unsigned distance)
{
    return Search(from, colour, start, reference, distance, 1) && Adjust(minimum, maximum, 1) &&
           IsWithinFactorThree(state_.contrast, reference);
}

bool CommonPartialScanData::ForceSet(RunIterator const& from, bool colour, int start, unsigned reference,
                                     int target)
{
    return Search(from, colour, start, reference, kNoDistanceLimit, 1) && ForceAdjust(target, 1);
}

bool CommonPartialScanData::LoadNext(RunIterator after, int contrast, unsigned minimum, unsigned maximum,
                                     int direction)
{
    if (!Load(after, direction)) {
        return false;
    }
    return AdjustLoaded(minimum, maximum, direction) && IsWithinFactorThree(state_.contrast, contrast);
}

bool CommonPartialScanData::SetNextRunLengthData(unsigned minimum, unsigned maximum)
{
    return LoadNext(state_.iterator, state_.contrast, minimum, maximum, 1);
}

bool CommonPartialScanData::SetNextRunLengthData(CommonPartialScanData const& previous, unsigned minimum,
                                                 unsigned maximum)
{
    return LoadNext(previous.state_.iterator, previous.state_.contrast, minimum, maximum, 1);
}

bool CommonPartialScanData::LoadNextChar(RunIterator from, bool light, int threshold, int contrast,
                                         unsigned minimum, unsigned maximum, int direction)
{
    RunIterator it = Reseat(from, direction);
    while (it.IsValid() &&
           !((it->colour == kLightRun) == light && (light ? it->grey > threshold : it->grey < threshold))) {
        it.Next();
    }
    if (!it.IsValid()) {
        return false;
    }
    return LoadNext(it, contrast, minimum, maximum, direction);
}

namespace {

// A run of the first run's colour that clearly is of that colour.
int ClearThreshold(bool light, int darkMinimum, int darkMaximum, int lightMinimum, int lightMaximum)
{
    return light ? static_cast<int>((static_cast<long long>(darkMinimum) + lightMinimum) / 2)
                 : static_cast<int>((static_cast<long long>(darkMaximum) + lightMaximum) / 2);
}

}  // namespace

bool CommonPartialScanData::SetNextCharRunLengthData(unsigned minimum, unsigned maximum)
{
    return SetNextCharRunLengthData(*this, minimum, maximum);
}

bool CommonPartialScanData::SetNextCharRunLengthData(CommonPartialScanData const& previous, unsigned minimum,
                                                     unsigned maximum)
{
    return StepToNextChar(previous, minimum, maximum, 1);
}

bool CommonPartialScanData::StepToNextChar(CommonPartialScanData const& previous, unsigned minimum,
                                           unsigned maximum, int direction)
{
    if (previous.length_ == 0) {
        return false;
    }
    State const& p = previous.state_;
    bool const light = previous.entries_[0].colour == kLightRun;
    int const threshold = ClearThreshold(light, p.darkMinimum, p.darkMaximum, p.lightMinimum, p.lightMaximum);
    // The run after the window separates the characters: step over it.
    RunIterator from = Reseat(p.iterator, direction);
    from.Next();
    return LoadNextChar(from, light, threshold, p.contrast, minimum, maximum, direction);
}

bool CommonPartialScanData::SetNextCharRunLengthDataFromPrev(bool skipOne, bool oppositeColour, unsigned start,
                                                             unsigned minimum, unsigned maximum)
{
    if (length_ == 0 || state_.iterator.GetBegin() == nullptr) {
        return false;
    }
    int const direction = Direction();
    RunIterator const& it = state_.iterator;
    long long const count = it.GetCount();
    long long index = it.GetIndex();
    if (direction > 0 && index >= count) {
        index = count - 1;
    } else if (direction < 0 && index < 0) {
        index = 0;
    }
    long long const origin = start;
    while (IsInside(it, index) && direction * (NearEdge(it.GetBegin()[index], direction) - origin) > 0) {
        index -= direction;
    }
    if (!IsInside(it, index)) {
        return false;
    }
    if (skipOne) {
        index += direction;
    }
    bool const light = (entries_[0].colour == kLightRun) != oppositeColour;
    int const threshold = ClearThreshold(light, state_.darkMinimum, state_.darkMaximum, state_.lightMinimum,
                                         state_.lightMaximum);
    RunIterator const from(it.GetBegin(), it.GetCount(), static_cast<int>(index), direction);
    return LoadNextChar(from, light, threshold, state_.contrast, minimum, maximum, direction);
}

bool CommonPartialScanData::LoadOverlapped(CommonPartialScanData const& previous, unsigned kept, unsigned minimum,
                                           unsigned maximum, unsigned reference, int marginGrey, int direction)
{
    if (length_ == 0 || kept > length_ || kept > previous.length_) {
        return false;
    }
    unsigned const fresh = length_ - kept;
    RunIterator it = Reseat(previous.state_.iterator, direction);
    if (it.GetRemaining() < fresh) {
        return false;
    }
    // Ascending copy: with previous == *this the source lies above the target.
    PartialScanElement const* source = previous.entries_ + (previous.length_ - kept);
    for (unsigned i = 0; i < kept; ++i) {
        entries_[i] = source[i];
    }
    for (unsigned i = 0; i < fresh; ++i, it.Next()) {
        entries_[kept + i] = ToEntry(*it, it.GetIndex());
    }
    state_ = State{};
    state_.iterator = it;
    if (!Measure(marginGrey)) {
        return false;
    }
    return AdjustLoaded(minimum, maximum, direction) && IsWithinFactorThree(state_.contrast, reference);
}

namespace {

// The grey of entry length - kept, or of the run after the window when
// nothing is kept.
int KeptMarginGrey(PartialScanElement const* entries, unsigned length, unsigned kept,
                   ArrayIterator<ScanElement const> const& after, int fallback)
{
    if (kept == 0 || kept > length) {
        return after.IsValid() ? after->grey : fallback;
    }
    return entries[length - kept].grey;
}

}  // namespace

bool CommonPartialScanData::SetOverlappedRunLengthData(unsigned kept, unsigned minimum, unsigned maximum)
{
    if (kept > length_) {
        return false;
    }
    int const margin = KeptMarginGrey(entries_, length_, kept, state_.iterator, state_.marginGrey);
    unsigned const reference = state_.contrast > 0 ? static_cast<unsigned>(state_.contrast) : 0u;
    return LoadOverlapped(*this, kept, minimum, maximum, reference, margin, Direction());
}

bool CommonPartialScanData::SetOverlappedRunLengthDataPart(unsigned kept, unsigned minimum, unsigned maximum,
                                                           unsigned reference, int marginGrey)
{
    return LoadOverlapped(*this, kept, minimum, maximum, reference, marginGrey, 1);
}

bool CommonPartialScanData::Set(CommonPartialScanData const& previous, unsigned kept, unsigned minimum,
                                unsigned maximum)
{
    if (kept > previous.length_) {
        return false;
    }
    int const margin = KeptMarginGrey(previous.entries_, previous.length_, kept, previous.state_.iterator,
                                      previous.state_.marginGrey);
    unsigned const reference = previous.state_.contrast > 0 ? static_cast<unsigned>(previous.state_.contrast) : 0u;
    return LoadOverlapped(previous, kept, minimum, maximum, reference, margin, previous.Direction());
}

// ---------------------------------------------------------------------------
// Quiet zones

bool CommonPartialScanData::CheckMargin(unsigned width, bool after, bool useInnerLevels, unsigned specks) const
{
    return MarginTest(width, after, useInnerLevels, specks, false);
}

bool CommonPartialScanData::CheckBlackMargin(unsigned width, bool after, bool useInnerLevels,
                                             unsigned specks) const
{
    return MarginTest(width, after, useInnerLevels, specks, true);
}

bool CommonPartialScanData::MarginTest(unsigned width, bool after, bool useInnerLevels, unsigned specks,
                                       bool darkGround) const
{
    if (length_ == 0 || state_.iterator.GetBegin() == nullptr) {
        return false;
    }
    State const& s = state_;
    int const direction = Direction();
    long long threshold = 0;
    if (darkGround) {
        threshold = (static_cast<long long>(s.darkMinimum) + (useInnerLevels ? s.lightMinimum : s.lightMaximum)) / 2;
    } else {
        threshold = (static_cast<long long>(s.lightMaximum) + (useInnerLevels ? s.darkMaximum : s.darkMinimum)) / 2;
    }
    long long const recovery = useInnerLevels ? (static_cast<long long>(s.lightMinimum) - s.darkMaximum) / 2
                                              : (static_cast<long long>(s.lightMaximum) - s.darkMinimum) / 4;
    unsigned char const ground = darkGround ? kDarkRun : kLightRun;
    auto isGround = [&](ScanElement const& run) {
        return run.colour == ground && (darkGround ? run.grey <= threshold : run.grey >= threshold);
    };
    auto isInk = [&](ScanElement const& run) {
        return run.colour != ground && (darkGround ? run.grey >= threshold : run.grey <= threshold);
    };
    auto isRecovered = [&](ScanElement const& run) {
        return run.colour == ground &&
               (darkGround ? run.grey < threshold - recovery : run.grey > threshold + recovery);
    };

    int const walk = after ? direction : -direction;
    long long const edge = after ? FarEdge(entries_[length_ - 1], direction) : NearEdge(entries_[0], direction);
    long long index = after ? s.iterator.GetIndex() : static_cast<long long>(entries_[0].lineIndex) - direction;
    // Runs of the symbol's own colour next to the window are passed over.
    while (LineAt(index) != nullptr && !isGround(*LineAt(index))) {
        index += walk;
    }
    unsigned seen = 0;
    for (; LineAt(index) != nullptr; index += walk) {
        ScanElement const& run = *LineAt(index);
        ScanElement const* following = LineAt(index + walk);
        if (!isInk(run) || following == nullptr || !isRecovered(*following)) {
            continue;
        }
        if (++seen <= specks) {
            continue;
        }
        // The margin ends at the side of this run that faces the window.
        long long const stop = walk > 0 ? run.begin : run.end;
        long long const distance = stop > edge ? stop - edge : edge - stop;
        return distance >= static_cast<long long>(width);
    }
    return true;
}

// ---------------------------------------------------------------------------
// Contrast correction

void CommonPartialScanData::Correct()
{
    if (length_ == 0) {
        return;
    }
    long long const spread = static_cast<long long>(state_.lightMaximum) - state_.darkMinimum;
    long long const unit = spread > 0 ? ((spread / 4) & 255) : 0;
    if (unit == 0) {
        return;
    }
    int const direction = Direction();
    for (unsigned i = 0; i < length_; ++i) {
        PartialScanElement& e = entries_[i];
        long long const w = static_cast<long long>(e.magnitude) / unit;
        long long const centre = (static_cast<long long>(e.begin) + e.end) / 2;
        e.begin = ClampToInt(centre - w / 2);
        e.end = ClampToInt(centre + w / 2);
    }
    auto shortfall = [this](PartialScanElement const& e) {
        long long const d = e.colour == kLightRun ? static_cast<long long>(state_.lightMaximum) - e.grey
                                                  : static_cast<long long>(e.grey) - state_.darkMinimum;
        return (d > 0 ? d : 0) + 1;
    };
    for (unsigned i = 0; i + 1 < length_; ++i) {
        PartialScanElement& first = entries_[i];
        PartialScanElement& second = entries_[i + 1];
        long long const a = shortfall(first);
        long long const b = shortfall(second);
        long long const boundary =
            (static_cast<long long>(FarEdge(first, direction)) * b + static_cast<long long>(NearEdge(second, direction)) * a) /
            (a + b);
        SetFarEdge(first, direction, ClampToInt(boundary));
        SetNearEdge(second, direction, ClampToInt(boundary));
    }
    for (unsigned i = 0; i < length_; ++i) {
        PartialScanElement& e = entries_[i];
        e.grey = e.colour == kLightRun ? state_.lightMaximum : state_.darkMinimum;
        long long const width = static_cast<long long>(e.end) - e.begin;
        long long const magnitude = unit * (width > 0 ? width : 0);
        e.magnitude = magnitude > 0xFFFFFFFFLL ? 0xFFFFFFFFu : static_cast<unsigned>(magnitude);
    }
}

}  // namespace DEC2DIvra
