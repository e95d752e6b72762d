#pragma once

#include "decoder/core/identifiers/tag_symbology.h"
#include "decoder/linear/line/bar_symbol.h"
#include "decoder/linear/line/common_two_value_partial_scan_data.h"
#include "decoder/linear/line/partial_scan_data.h"
#include "decoder/linear/line/two_value_pattern.h"

namespace DEC2DIvra {

// The window of the 2 of 5 family: 15 runs for the start/stop search, then as
// many as the type's character windows take, each overlapping the runs that
// follow the character (the gap and the stop's first runs), with the levels of
// the last character and the gap before it, which bound the next window.
class TwoOfFivePartialScanData : public PartialScanData<15, CommonTwoValuePartialScanData> {
public:
    static constexpr unsigned kStartStopRuns = 15;

    // The start/stop window classified: key with run e(i) at bit 14 - i
    // (wide = 1); the levels stay in the window.
    bool CalcBarSymbol(BarSymbol& symbol);
    // One character window of `type`: its key and the extra bits of the runs
    // after it, both in reading order.
    bool CalcBarSymbolOverlap(tagSymbology type, bool reversed, bool first, BarSymbol& symbol, unsigned& extra);

    void InitInterCharacterGap(int module, int end);
    void StockInterCharacterGap(BarSymbol const& symbol);

    // Takes the run at `index` out of the first `count` (the later ones move
    // down with their colour turned); returns its width.
    int DeleteGapElement(unsigned index, unsigned count, PartialScanElement& saved);
    void InsertGapElement(unsigned index, unsigned last, int width, PartialScanElement const& saved);

    // Every second run from `first` but `skip`: largest magnitude at most
    // four times the smallest (M), or 9 x the narrowest width at least 5 x
    // the widest (W).
    bool CheckAllNarrowPatternM(unsigned first, unsigned skip) const;
    bool CheckAllNarrowPatternW(unsigned first, unsigned skip) const;

    // The zone after (or before) the window holds no run of the symbol's
    // colour that reaches halfway from the ground to the window's bars
    // within `width`, whether or not the ground recovers after it: in clean
    // print the margin tests' inner threshold sees no recovery after a bar,
    // and blurred bars never reach their ink threshold; both are still bars.
    bool CheckClearZone(unsigned width, bool negative, bool after) const;

    TwoValuePattern const& GetBars() const { return bars_; }
    TwoValuePattern const& GetSpaces() const { return spaces_; }
    unsigned GetGap() const { return gap_; }
    void SetGap(unsigned gap) { gap_ = gap; }
    long long GetPreviousSpan() const { return span_; }
    void SetPreviousSpan(long long span) { span_ = span; }

private:
    bool Classify(int lowest, int highest, bool reversed, unsigned first, unsigned stride, unsigned count,
                  unsigned reference, TwoValuePattern& result) const;
    bool ClassifyIndustrialOrIata(tagSymbology type, bool reversed, bool first, unsigned& key, unsigned& extra);
    bool ClassifyItfForward(unsigned& key, unsigned& extra);
    bool ClassifyItfReverse(unsigned& key, unsigned& extra);
    bool ClassifyMatrix(bool reversed, unsigned& key);
    bool ClassifyChinesePost(bool reversed, unsigned& key, unsigned& extra);
    int RunWidth(unsigned i) const { return (*this)[i].end - (*this)[i].begin; }
    int Scale(int width, long long span) const;

    TwoValuePattern bars_;
    TwoValuePattern spaces_;
    unsigned gap_ = 0;
    int previousEnd_ = 0;
    long long span_ = 0;
};

}  // namespace DEC2DIvra
