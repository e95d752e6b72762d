#include "decoder/linear/roads/line_decoder.h"

#include "decoder/core/property/dec2d_property.h"
#include "decoder/linear/bar_symbol_decoder_set.h"
#include "decoder/linear/roads/data_bar_road.h"
#include "decoder/linear/line/rate_for_tuning_calculator.h"

namespace DEC2DIvra {

namespace {

// The PDF417 row detector and DataBar Limited read either polarity; every
// other decoder answers to the polarity setting.
bool FollowsPolarity(BarSymbolDecoder const& decoder)
{
    return decoder.GetSymbology() != SYMBOLOGY_PDF417 && decoder.GetSymbology() != SYMBOLOGY_GS1_DATABAR;
}

}  // namespace

LineDecoder::LineDecoder(SharedMemoryDistributor& memory, DecoderDetailProperty const& detail,
                         RateForTuningCalculator& rate, BarSymbolDecoderSet const& decoders)
    : detail_(&detail), scan_(memory), rate_(&rate), decoders_(&decoders)
{
}

LineDecoder::Windows LineDecoder::CalcWindows(long long x, long long length, bool wholeLine)
{
    if (wholeLine) {
        return Windows{x < length, false, 0 < x && x < length};
    }
    long long const quarter = length / 4;
    return Windows{x < length / 2, length / 2 <= x && x < (2 * length) / 3,
                   quarter < x && x < quarter + length / 2};
}

bool LineDecoder::Start(GrayImage const& image, Region const& region, StackInterface<PickLineElement> const& samples,
                        bool wholeLine, LineDecodeData& result, bool& falseEdge, bool central,
                        unsigned divider) const
{
    using Edges = ScanSubroutine::LowContrastEdges;
    Reading first;
    if (Start(image, region, samples, wholeLine, result, falseEdge, central, divider, first)) {
        return true;
    }
    // The later readings' false-edge reports are not the line's.
    bool laterFalseEdge = false;
    if (!first.smoothed) {
        // Print noise on a sharp line splits the wide elements of large
        // modules into runs no character fits; smoothed, the line keeps its
        // real edges (its DataBar finders were taken from the first reading).
        // When this reading fails too the line keeps the first one's runs
        // and start characters, which the multi-line road reads.
        StartBarSymbol kept[LineDecodeData::kStartSymbolCapacity];
        unsigned keptCount = 0;
        for (StartBarSymbol const& symbol : result.startSymbols.GetItems()) {
            if (keptCount < LineDecodeData::kStartSymbolCapacity) {
                kept[keptCount++] = symbol;
            }
        }
        // Smoothing merges the narrow elements of small modules, so that
        // characters read wrong: a read there is no read.
        // Such a read must lie on wide runs only, which it takes many of in a
        // row: on most lines of matrix symbols and print none stand so.
        Reading againstNoise{
            .edges = Edges::kSmoothedAgainstNoise, .dataBarSightings = false, .leastWideRuns = CountLeastReadRuns()};
        if (Start(image, region, samples, wholeLine, result, laterFalseEdge, central, divider, againstNoise) &&
            HasWideElementsOnly(samples, result)) {
            return true;
        }
        ScanLineSegment const line = result.line;
        result.Clear();
        result.line = line;
        unsigned maxStep = 0;
        if (scan_.Start(image, samples, result.elements, central, divider, laterFalseEdge, maxStep, first.edges,
                        first.smoothedForContrast, first.smoothed)) {
            for (unsigned k = 0; k < keptCount; ++k) {
                result.startSymbols.Push(kept[k]);
            }
        }
        return false;
    }
    if (!first.smoothedForContrast) {
        return false;
    }
    // A low-contrast line is read on: unsmoothed (narrow elements of small
    // modules merge under smoothing), then with its edges placed on the
    // smoothed slopes (sampled slopes alternate on some slanted walks). That
    // last reading measures small modules worst, so it comes last.
    Reading unsmoothed{.edges = Edges::kUnsmoothed};
    Reading smoothed{.edges = Edges::kSmoothed};
    return Start(image, region, samples, wholeLine, result, laterFalseEdge, central, divider, unsmoothed) ||
           Start(image, region, samples, wholeLine, result, laterFalseEdge, central, divider, smoothed);
}

bool LineDecoder::Start(GrayImage const& image, Region const& region, StackInterface<PickLineElement> const& samples,
                        bool wholeLine, LineDecodeData& result, bool& falseEdge, bool central, unsigned divider,
                        Reading& reading) const
{
    ScanLineSegment const line = result.line;
    result.Clear();
    result.line = line;
    falseEdge = false;
    if (budget_ != nullptr && budget_->IsSpent()) {
        return false;
    }
    unsigned maxStep = 0;
    if (!scan_.Start(image, samples, result.elements, central, divider, falseEdge, maxStep, reading.edges,
                     reading.smoothedForContrast, reading.smoothed) ||
        result.elements.IsEmpty()) {
        return false;
    }
    StackInterface<ScanElement> const& runs = result.elements;
    if (reading.leastWideRuns != 0 && CountWideRunsInRow(samples, runs) < reading.leastWideRuns) {
        return false;
    }
    int const threshold = static_cast<int>(CalcJumpThreshold(maxStep));
    long long const length = runs.GetTop().end;
    long long const spacing = CalcSampleSpacing(samples);

    bool firstRule = false;
    for (unsigned i = 1; i < runs.GetCount(); ++i) {
        long long const d = runs[i].grey > runs[i - 1].grey ? static_cast<long long>(runs[i].grey) - runs[i - 1].grey
                                                             : static_cast<long long>(runs[i - 1].grey) - runs[i].grey;
        bool const byFirstRule = d >= threshold;
        bool const candidate = byFirstRule || (runs[i].colour == kLightRun && (2 * d >= threshold || firstRule));
        firstRule = byFirstRule;
        if (!candidate) {
            continue;
        }
        // A reading that keeps only reads on wide runs offers a run only
        // where such a read can lie: beside a stretch of wide runs as long
        // as the shortest read.
        if (reading.leastWideRuns != 0 &&
            CountWideRunsNear(spacing, runs, i, reading.leastWideRuns) < reading.leastWideRuns) {
            continue;
        }
        ArrayIterator<ScanElement const> const at(runs.GetFirst(), runs.GetCount(), static_cast<int>(i), 1);
        // A line smoothed for its low contrast that no decoder takes is read
        // again unsmoothed: DataBar finders are collected from that reading
        // only, since the merged narrow elements read as other characters
        // with as many votes as the true ones.
        if (TryCandidate(image, region, at, CalcWindows(runs[i].begin, length, wholeLine),
                         reading.dataBarSightings && !reading.smoothedForContrast, result)) {
            return true;
        }
    }
    return false;
}

long long LineDecoder::CalcSampleSpacing(StackInterface<PickLineElement> const& samples)
{
    unsigned const n = samples.GetCount();
    return n < 2 ? 0
                 : (static_cast<long long>(samples[n - 1].coordinate) - samples[0].coordinate) /
                       static_cast<long long>(n - 1);
}

bool LineDecoder::IsWideRun(long long spacing, ScanElement const& run)
{
    // A run of no width is let pass: at either end of a read's span the
    // width test does not see it.
    long long const width = static_cast<long long>(run.end) - run.begin;
    return width <= 0 || width >= kWideElementSamples * spacing;
}

unsigned LineDecoder::CountWideRunsInRow(StackInterface<PickLineElement> const& samples,
                                         StackInterface<ScanElement> const& runs)
{
    long long const spacing = CalcSampleSpacing(samples);
    unsigned longest = 0;
    unsigned current = 0;
    for (ScanElement const& run : runs) {
        current = IsWideRun(spacing, run) ? current + 1 : 0;
        longest = current > longest ? current : longest;
    }
    return longest;
}

unsigned LineDecoder::CountWideRunsNear(long long spacing, StackInterface<ScanElement> const& runs, unsigned at,
                                        unsigned enough)
{
    unsigned const count = runs.GetCount();
    unsigned const first = at > kReadBeforeRuns ? at - kReadBeforeRuns : 0;
    unsigned const last = at + kReadAfterRuns < count ? at + kReadAfterRuns : count - 1;
    // From the start of the stretch that holds the first run near `at`,
    // or `enough` runs before it: a stretch that long needs no more.
    unsigned k = first;
    while (k > 0 && first - k < enough && IsWideRun(spacing, runs[k - 1])) {
        --k;
    }
    unsigned longest = 0;
    unsigned current = 0;
    for (; k < count; ++k) {
        if (IsWideRun(spacing, runs[k])) {
            ++current;
            longest = current > longest ? current : longest;
            if (longest >= enough) {
                break;
            }
        } else if (k >= last) {
            break;
        } else {
            current = 0;
        }
    }
    return longest;
}

unsigned LineDecoder::CountLeastReadRuns() const
{
    unsigned least = BarSymbolDecoder::kReadsNothing;
    auto take = [&least](BarSymbolDecoder const* decoder) {
        unsigned runs = decoder != nullptr ? decoder->CountLeastReadRuns() : BarSymbolDecoder::kReadsNothing;
        // A decoder that does not know its fewest still reads a start, a
        // character and a stop.
        runs = runs == 0 ? kLeastSymbolRuns : runs;
        least = runs < least ? runs : least;
    };
    for (unsigned t = 0; t < BarSymbolDecoderSet::kTrialCount; ++t) {
        take(decoders_->GetTrialDecoder(t));
    }
    take(decoders_->GetRSSLimitedDecoder());
    return least;
}

bool LineDecoder::HasWideElementsOnly(StackInterface<PickLineElement> const& samples, LineDecodeData const& result)
{
    if (samples.GetCount() < 2 || result.symbols.IsEmpty()) {
        return false;
    }
    long long const spacing = CalcSampleSpacing(samples);
    long long first = result.symbols[0].begin;
    long long last = result.symbols[0].end;
    for (BarSymbol const& symbol : result.symbols) {
        first = symbol.begin < first ? symbol.begin : first;
        first = symbol.end < first ? symbol.end : first;
        last = symbol.begin > last ? symbol.begin : last;
        last = symbol.end > last ? symbol.end : last;
    }
    for (ScanElement const& run : result.elements) {
        bool const inside = run.end > first && run.begin < last;
        if (inside && static_cast<long long>(run.end) - run.begin < kWideElementSamples * spacing) {
            return false;
        }
    }
    return spacing > 0;
}

bool LineDecoder::TryCandidate(GrayImage const& image, Region const& region, ArrayIterator<ScanElement const> const& at,
                               Windows const& windows, bool dataBarSightings, LineDecodeData& result) const
{
    unsigned const tried = windows.all ? BarSymbolDecoderSet::kTrialCount
                                       : (windows.upcEan ? BarSymbolDecoderSet::kUpcEanTrialCount : 0);
    for (unsigned t = 0; t < tried; ++t) {
        BarSymbolDecoder const* decoder = decoders_->GetTrialDecoder(t);
        if (decoder != nullptr && Start(at, result, *decoder)) {
            return true;
        }
    }
    BarSymbolDecoder const* limited = decoders_->GetRSSLimitedDecoder();
    if (windows.limited && limited != nullptr && Start(at, result, *limited)) {
        return true;
    }
    DataBarRoad* dataBar = decoders_->GetDataBarRoad();
    if (dataBar != nullptr && dataBarSightings) {
        dataBar->ExecuteBinarization(image, region, at, result);
    }
    return false;
}

bool LineDecoder::Start(ArrayIterator<ScanElement const> const& start, LineDecodeData& result,
                        BarSymbolDecoder const& decoder) const
{
    result.symbols.Clear();
    if (budget_ != nullptr && !budget_->Spend()) {
        return false;
    }
    rate_->Initialize(detail_->flag != 0);

    bool negative = false;
    bool reverced = false;
    bool const read = decoder.ExecuteBinarization(start, result.symbols, negative, reverced);
    if (!result.symbols.IsEmpty() && decoder.IsEnableStartBarSymbol()) {
        StartBarSymbol entry;
        entry.symbol = result.symbols[0];
        entry.decoder = &decoder;
        entry.reverced = reverced ? 1 : 0;
        entry.symbolCount = result.symbols.GetCount();
        entry.negative = negative ? 1 : 0;
        result.startSymbols.Push(entry);
    }
    if (!read || result.symbols.IsEmpty()) {
        return false;
    }
    // The decoders gate themselves by polarity; a read of a polarity the
    // setting forbids is still never let through.
    if (FollowsPolarity(decoder) && !decoder.CheckPolarity(negative)) {
        return false;
    }
    if (!decoder.CheckCheckDigit(result.symbols, reverced)) {
        return false;
    }
    LineStatistics statistics;
    if (rate_->IsEnabled() && rate_->CalcResult(statistics.separation, statistics.normalisedSeparation,
                                                statistics.angle, statistics.overlaps)) {
        statistics.valid = 1;
    }
    result.statistics = statistics;
    result.reverced = reverced ? 1 : 0;
    result.negative = negative ? 1 : 0;
    result.decoder = &decoder;
    return true;
}

}  // namespace DEC2DIvra
