#pragma once

#include "decoder/core/containers/array_iterator.h"
#include "decoder/core/gray_image.h"
#include "decoder/core/geometry/region.h"
#include "decoder/core/shared_memory_distributor.h"
#include "decoder/core/containers/stack_interface.h"
#include "decoder/linear/line/bar_symbol_decoder.h"
#include "decoder/linear/line/line_decode_data.h"
#include "decoder/linear/roads/line_trial_budget.h"
#include "decoder/linear/roads/pick_line_element.h"
#include "decoder/linear/roads/scan_subroutine.h"

namespace DEC2DIvra {

struct DecoderDetailProperty;
class BarSymbolDecoderSet;
class RateForTuningCalculator;

// Decodes one scan line: turns its samples into runs, finds the runs where the
// grey level jumps, and offers each such run to the symbology decoders whose
// window of the line it lies in, until one reads a symbol.
class LineDecoder {
public:
    // Largest jump threshold: a line of strong contrast still offers the runs
    // of a fainter symbol beside it.
    static constexpr unsigned kMaxJumpThreshold = 85;

    // Takes the run-length conversion's work buffer from the work area.
    LineDecoder(SharedMemoryDistributor& memory, DecoderDetailProperty const& detail, RateForTuningCalculator& rate,
                BarSymbolDecoderSet const& decoders);
    LineDecoder(LineDecoder const&) = delete;
    LineDecoder& operator=(LineDecoder const&) = delete;

    bool IsReady() const { return scan_.IsReady(); }
    // The image's trial budget: once it is spent a line offers no more runs
    // and reads nothing. Null (the default) bounds nothing.
    void SetTrialBudget(LineTrialBudget* budget) { budget_ = budget; }

    // One line: the result's runs, characters, start symbols and reading
    // decoder are replaced (its scan line is kept). wholeLine lets every
    // decoder start anywhere on the line (the fixed band) instead of only in
    // its first half; falseEdge, central and divider are those of the
    // run-length conversion. True when a decoder read a symbol.
    bool Start(GrayImage const& image, Region const& region, StackInterface<PickLineElement> const& samples,
               bool wholeLine, LineDecodeData& result, bool& falseEdge, bool central, unsigned divider) const;
    // How one reading of a line goes, and what the run-length conversion did.
    struct Reading {
        ScanSubroutine::LowContrastEdges edges = ScanSubroutine::LowContrastEdges::kSmoothedPlacedOnSamples;
        bool dataBarSightings = true;      // unless the line was smoothed for its contrast
        bool smoothedForContrast = false;  // out
        bool smoothed = false;             // out
        // The fewest runs a read can take that must have every element
        // span kWideElementSamples: a line with no stretch of that many such
        // runs in a row offers no candidate. 0 offers every line's.
        unsigned leastWideRuns = 0;
    };
    // One reading of the line as `reading` says.
    bool Start(GrayImage const& image, Region const& region, StackInterface<PickLineElement> const& samples,
               bool wholeLine, LineDecodeData& result, bool& falseEdge, bool central, unsigned divider,
               Reading& reading) const;
    // One decoder at one run: the characters, the start symbol, the check and
    // the statistics. True when the decoder read a symbol that checks.
    bool Start(ArrayIterator<ScanElement const> const& start, LineDecodeData& result,
               BarSymbolDecoder const& decoder) const;

    // The grey jump that makes a run a candidate, from the largest step
    // between neighbouring samples.
    static unsigned CalcJumpThreshold(unsigned maxStep)
    {
        return maxStep <= 2 * kMaxJumpThreshold + 1 ? maxStep / 2 : kMaxJumpThreshold;
    }

    // Samples the narrowest element of a smoothed line's read must span.
    static constexpr long long kWideElementSamples = 2;
    // The fewest runs a read of any trial decoder holds between its first
    // character's begin and its last character's end, for a decoder that
    // does not say (a start, one character and a stop of the shortest
    // symbology hold more).
    static constexpr unsigned kLeastSymbolRuns = 12;
    // The runs near the offered one of which a read there holds at least
    // one: a decoder starts at the offered run or the one before it (a
    // start bar too faint to be offered), after the guard and the runs it
    // passes over (UPC/EAN read backwards begins up to eight runs on), or,
    // as DataBar Limited, well before it and across it.
    static constexpr unsigned kReadBeforeRuns = 1;
    static constexpr unsigned kReadAfterRuns = 12;

private:
    // Whether every run the read characters cover spans kWideElementSamples.
    static bool HasWideElementsOnly(StackInterface<PickLineElement> const& samples, LineDecodeData const& result);
    // The line coordinates from one sample to the next, on average.
    static long long CalcSampleSpacing(StackInterface<PickLineElement> const& samples);
    // Whether a run passes HasWideElementsOnly's width test.
    static bool IsWideRun(long long spacing, ScanElement const& run);
    // The longest stretch of runs in a row of which none fails
    // HasWideElementsOnly's width test.
    static unsigned CountWideRunsInRow(StackInterface<PickLineElement> const& samples,
                                       StackInterface<ScanElement> const& runs);
    // The same, over the stretches that hold a run a read offered at run
    // `at` holds (see kReadBeforeRuns); stops counting at `enough`.
    static unsigned CountWideRunsNear(long long spacing, StackInterface<ScanElement> const& runs, unsigned at,
                                      unsigned enough);
    // The fewest runs a read of any decoder tried on a line can take (see
    // BarSymbolDecoder::CountLeastReadRuns).
    unsigned CountLeastReadRuns() const;

    struct Windows {
        bool all;
        bool upcEan;
        bool limited;
    };
    static Windows CalcWindows(long long x, long long length, bool wholeLine);
    // dataBarSightings: the DataBar road collects finders at the candidate.
    bool TryCandidate(GrayImage const& image, Region const& region, ArrayIterator<ScanElement const> const& at,
                      Windows const& windows, bool dataBarSightings, LineDecodeData& result) const;

    DecoderDetailProperty const* detail_;
    ScanSubroutine scan_;
    RateForTuningCalculator* rate_;
    BarSymbolDecoderSet const* decoders_;
    LineTrialBudget* budget_ = nullptr;
};

}  // namespace DEC2DIvra
