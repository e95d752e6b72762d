#pragma once

#include "decoder/core/containers/array_iterator.h"
#include "decoder/linear/line/partial_scan_element.h"
#include "decoder/linear/line/scan_element.h"

namespace DEC2DIvra {

// A window of N consecutive runs of one scan line, with the grey levels of the
// window, a contrast-weighted width (magnitude) for each run, quiet-zone
// tests, noise deletion and stepping to the next symbol character.
//
// The derived class supplies the entry storage. Operations walk the line left
// to right; each has a right-to-left twin named with "Reverce" that fills the
// window so that entry 0 is the run met first from the right. Entries keep
// line coordinates (begin < end) either way; spans and margins are measured
// in the walking direction, which the stored iterator's step records.
//
// Any operation that fails may leave the window partly loaded; callers load
// it again before using it.
class CommonPartialScanData {
public:
    // Longest window any symbology uses; windows are copied on the stack while
    // noise is removed, so the bound keeps that copy small.
    static constexpr unsigned kMaxLength = 64;
    // Contrast range below which a window is refused.
    static constexpr int kMinContrast = 63;
    // Distance limit meaning "none" for the search form of Set.
    static constexpr unsigned kNoDistanceLimit = 0xFFFFFFFFu;

    // storage holds capacity entries; the window starts with length capacity.
    // A capacity above kMaxLength (or no storage) gives a window that refuses
    // every load.
    CommonPartialScanData(PartialScanElement* storage, unsigned capacity, unsigned noiseMode = 0);
    CommonPartialScanData(CommonPartialScanData const&) = delete;
    CommonPartialScanData& operator=(CommonPartialScanData const&) = delete;

    // Copies another window's state and entries; false when they do not fit.
    bool CopyFrom(CommonPartialScanData const& other);

    // The number of runs the next load takes; false above the capacity.
    bool SetLength(unsigned length);
    void SetNoiseMode(unsigned mode) { noiseMode_ = mode; }

    // --- loading -------------------------------------------------------
    bool Set(ArrayIterator<ScanElement const> const& first);
    bool ReverceSet(ArrayIterator<ScanElement const> const& first);
    // Searches a window whose first run has the given colour (true: light) at
    // or after start, accepting it on a clear first run and a contrast within
    // a factor of three of the reference, then fits its span.
    bool Set(ArrayIterator<ScanElement const> const& from, bool colour, int start, unsigned reference,
             unsigned minimum, unsigned maximum, unsigned distance);
    bool ReverceSet(ArrayIterator<ScanElement const> const& from, bool colour, int start, unsigned reference,
                    unsigned minimum, unsigned maximum, unsigned distance);
    // As the search without a distance limit, then deletes runs until the
    // window's far edge reaches the target coordinate.
    bool ForceSet(ArrayIterator<ScanElement const> const& from, bool colour, int start, unsigned reference,
                  int target);

    bool CalcMagnitude(int marginGrey);
    bool CalcReverceMagnitude(int marginGrey);

    // --- quiet zones ------------------------------------------------------
    bool CheckMargin(unsigned width, bool after, bool useInnerLevels, unsigned specks) const;
    bool CheckBlackMargin(unsigned width, bool after, bool useInnerLevels, unsigned specks) const;

    // --- noise --------------------------------------------------------------
    bool Delete(int index, bool force);
    bool ReverceDelete(int index, bool force);
    // Removes weak runs of the weaker colour; true when at least one went.
    bool DeleteNoise();
    bool ReverceDeleteNoise();
    bool ForceDeleteNoise();
    bool ReverceForceDeleteNoise();
    bool AdjustmentWidth(unsigned minimum, unsigned maximum);
    bool ReverceAdjustmentWidth(unsigned minimum, unsigned maximum);
    bool ForceAdjustmentWidth(int target);
    bool ReverceForceAdjustmentWidth(int target);

    // --- stepping along the line ----------------------------------------
    bool SetNextRunLengthData(unsigned minimum, unsigned maximum);
    bool SetNextRunLengthData(CommonPartialScanData const& previous, unsigned minimum, unsigned maximum);
    bool ReverceSetNextRunLengthData(unsigned minimum, unsigned maximum);
    bool ReverceSetNextRunLengthData(CommonPartialScanData const& previous, unsigned minimum, unsigned maximum);
    bool SetNextCharRunLengthData(unsigned minimum, unsigned maximum);
    bool SetNextCharRunLengthData(CommonPartialScanData const& previous, unsigned minimum, unsigned maximum);
    bool ReverceSetNextCharRunLengthData(unsigned minimum, unsigned maximum);
    bool ReverceSetNextCharRunLengthData(CommonPartialScanData const& previous, unsigned minimum,
                                         unsigned maximum);
    bool SetNextCharRunLengthDataFromPrev(bool skipOne, bool oppositeColour, unsigned start, unsigned minimum,
                                          unsigned maximum);
    bool SetOverlappedRunLengthData(unsigned kept, unsigned minimum, unsigned maximum);
    bool SetOverlappedRunLengthDataPart(unsigned kept, unsigned minimum, unsigned maximum, unsigned reference,
                                        int marginGrey);
    bool ReverceSetOverlappedRunLengthDataPart(unsigned kept, unsigned minimum, unsigned maximum,
                                               unsigned reference, int marginGrey);
    bool Set(CommonPartialScanData const& previous, unsigned kept, unsigned minimum, unsigned maximum);

    // --- measures -------------------------------------------------------------
    // Smallest end - begin of the window's runs; all bits set when empty.
    unsigned GetMinWidth() const;
    // Re-measures the runs' widths by their contrast and gives every run the
    // full level of its colour.
    void Correct();

    unsigned GetLength() const { return length_; }
    unsigned GetCapacity() const { return capacity_; }
    unsigned GetNoiseMode() const { return noiseMode_; }
    PartialScanElement const& operator[](unsigned i) const { return entries_[i]; }
    PartialScanElement const* GetEntries() const { return entries_; }
    int GetContrast() const { return state_.contrast; }
    int GetLightMaximum() const { return state_.lightMaximum; }
    int GetDarkMinimum() const { return state_.darkMinimum; }
    int GetUpperLevel() const { return state_.upperLevel; }
    int GetLowerLevel() const { return state_.lowerLevel; }
    int GetDarkMaximum() const { return state_.darkMaximum; }
    unsigned GetDarkMaximumIndex() const { return state_.darkMaximumIndex; }
    int GetLightMinimum() const { return state_.lightMinimum; }
    unsigned GetLightMinimumIndex() const { return state_.lightMinimumIndex; }
    unsigned GetWeakestDark() const { return state_.weakestDark; }
    unsigned GetWeakestDarkIndex() const { return state_.weakestDarkIndex; }
    unsigned GetWeakestLight() const { return state_.weakestLight; }
    unsigned GetWeakestLightIndex() const { return state_.weakestLightIndex; }
    unsigned GetDeletedDark() const { return state_.deletedDark; }
    unsigned GetDeletedLight() const { return state_.deletedLight; }
    bool IsLightWeaker() const { return state_.lightWeaker; }
    int GetMarginGrey() const { return state_.marginGrey; }
    ArrayIterator<ScanElement const> const& GetIterator() const { return state_.iterator; }
    bool IsReverce() const { return state_.iterator.GetStep() < 0; }
    // Edge of the first run met and far edge of the last, in line coordinates.
    int GetBegin() const;
    int GetEnd() const;
    // Distance from the first run's near edge to the last run's far edge.
    long long GetSpan() const;

protected:
    PartialScanElement* GetMutableEntries() { return entries_; }

private:
    struct State {
        int contrast = 0;
        int lightMaximum = 0;
        int darkMinimum = 0;
        int upperLevel = 0;
        int lowerLevel = 0;
        int darkMaximum = 0;
        unsigned darkMaximumIndex = 0;
        int lightMinimum = 0;
        unsigned lightMinimumIndex = 0;
        unsigned weakestDark = 0;
        unsigned weakestDarkIndex = 0;
        unsigned weakestLight = 0;
        unsigned weakestLightIndex = 0;
        unsigned deletedDark = 0;
        unsigned deletedLight = 0;
        bool lightWeaker = false;
        int marginGrey = 0;
        ArrayIterator<ScanElement const> iterator;  // at the run after the window
    };
    struct Snapshot;

    int Direction() const { return IsReverce() ? -1 : 1; }
    ScanElement const* LineAt(long long index) const;
    void Save(Snapshot& snapshot) const;
    void Restore(Snapshot const& snapshot);

    bool Load(ArrayIterator<ScanElement const> const& first, int direction);
    bool Measure(int marginGrey);
    bool Remove(int index, bool force, int direction);
    bool RemoveNoise(int direction);
    bool ForceRemoveNoise(int direction);
    bool Adjust(unsigned minimum, unsigned maximum, int direction);
    bool ForceAdjust(int target, int direction);
    bool AdjustLoaded(unsigned minimum, unsigned maximum, int direction);
    bool Search(ArrayIterator<ScanElement const> const& from, bool colour, int start, unsigned reference,
                unsigned distance, int direction);
    bool LoadNext(ArrayIterator<ScanElement const> after, int contrast, unsigned minimum, unsigned maximum,
                  int direction);
    bool StepToNextChar(CommonPartialScanData const& previous, unsigned minimum, unsigned maximum, int direction);
    bool LoadNextChar(ArrayIterator<ScanElement const> from, bool light, int threshold, int contrast,
                      unsigned minimum, unsigned maximum, int direction);
    bool LoadOverlapped(CommonPartialScanData const& previous, unsigned kept, unsigned minimum, unsigned maximum,
                        unsigned reference, int marginGrey, int direction);
    bool IsClearFirstRun() const;
    bool MarginTest(unsigned width, bool after, bool useInnerLevels, unsigned specks, bool darkGround) const;
    long long SpanIn(int direction) const;

    PartialScanElement* entries_ = nullptr;
    unsigned length_ = 0;
    unsigned noiseMode_ = 0;
    State state_;
    unsigned capacity_ = 0;
};

// True when two contrasts lie within a factor of three of each other.
bool IsWithinFactorThree(long long contrast, long long reference);

}  // namespace DEC2DIvra
