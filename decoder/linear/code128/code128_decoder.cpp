#include "decoder/linear/code128/code128_decoder.h"

#include "decoder/core/identifiers/code128_identifier.h"
#include "decoder/core/property/dec2d_property.h"
#include "decoder/linear/code128/code128_interpreter.h"
#include "decoder/linear/line/rate_for_tuning_calculator.h"

namespace DEC2DIvra {

Code128Table const& Code128Decoder::table = Code128Table::instance;

static_assert(Code128FirstWindows::kPasses == Code128Decoder::kMaxNoisePasses,
              "the shared windows cover every noise pass of the first character");

bool Code128FirstWindows::Holds(ArrayIterator<ScanElement const> const& start) const
{
    if (!kept_ || start.GetBegin() != start_.GetBegin() || start.GetCount() != start_.GetCount() ||
        start.GetIndex() != start_.GetIndex()) {
        return false;
    }
    ScanElement const* line = start.GetBegin() + first_;
    for (unsigned i = 0; i < runCount_; ++i) {
        ScanElement const& a = line[i];
        ScanElement const& b = runs_[i];
        if (a.colour != b.colour || a.grey != b.grey || a.begin != b.begin || a.end != b.end ||
            a.samples != b.samples) {
            return false;
        }
    }
    return true;
}

void Code128FirstWindows::Begin(ArrayIterator<ScanElement const> const& start)
{
    if (Holds(start)) {
        return;
    }
    start_ = start;
    made_ = 0;
    ended_ = false;
    kept_ = start.GetBegin() != nullptr;
    // Loading reads from the run before the window on.
    first_ = start.GetIndex() > 0 ? start.GetIndex() - 1 : 0;
    runCount_ = 0;
}

void Code128FirstWindows::KeepRunsTo(long long last)
{
    long long const end = static_cast<long long>(start_.GetCount()) - 1;
    last = last < end ? last : end;
    while (kept_ && first_ + runCount_ <= last) {
        if (runCount_ == kMaxKeptRuns) {
            kept_ = false;
            return;
        }
        runs_[runCount_] = start_.GetBegin()[first_ + runCount_];
        ++runCount_;
    }
}

Code128PartialScanData const* Code128FirstWindows::Get(unsigned pass)
{
    while (made_ <= pass && made_ < kPasses && !ended_) {
        bool made = false;
        long long last = 0;
        if (made_ == 0) {
            made = scratch_.Set(start_);
            // Measuring reads the run after the window (where the iterator
            // stands); a failed load read no further than that.
            last = made ? scratch_.GetIterator().GetIndex()
                        : static_cast<long long>(start_.GetIndex()) + Code128PartialScanData::kRuns;
        } else {
            scratch_ = windows_[made_ - 1];
            made = scratch_.DeleteNoise();
            // A removal reads the two runs after the window and measures with
            // the one after those; a failed one is undone to before it.
            last = static_cast<long long>(scratch_.GetIterator().GetIndex()) + (made ? 0 : 2);
        }
        KeepRunsTo(last);
        if (!made) {
            ended_ = true;
            break;
        }
        windows_[made_++] = scratch_;
    }
    return pass < made_ ? &windows_[pass] : nullptr;
}

bool Code128Decoder::IsOpening(int value, bool reverced)
{
    return reverced ? value == static_cast<int>(Code128Table::kStop)
                    : value >= 0 && Code128Table::IsStart(static_cast<unsigned>(value));
}

bool Code128Decoder::IsClosing(int value, bool reverced) { return IsOpening(value, !reverced); }

Code128Decoder::Code128Decoder(BarSymbolDecoderContext const& context, unsigned option, DEC2DProperty const& property)
    : BarSymbolDecoder(SYMBOLOGY_CODE128, context),
      option_(option),
      code128_(&property.code128),
      gs1_128_(&property.gs1_128),
      composite_(&property.composite),
      codablockF_(&property.codablock_f)
{
}

bool Code128Decoder::IsGateOpen() const
{
    return code128_->read.Get() || code128_->flag != 0 || codablockF_->read.Get();
}

bool Code128Decoder::Classify(Code128PartialScanData const& window, bool reverced, bool opening, int reference,
                              BarSymbol& symbol) const
{
    // Beyond the two classifiers (README, Code 128): the character a
    // classifier gives must also be the one that the runs it measured fit
    // best edge to edge (Code128PartialScanData::IsNearestByEdges), else the
    // window gives no character. Both classifiers allow the bars a common
    // ink spread; at 1.5 pixels a module the pixel grid made them take
    // 112313 for 113222 (value 36 for 15, as if the bars had thinned) and
    // other such pairs, and where the first data character and the check
    // character were alike the misreading passed the check. The magnitude
    // classifier's runs are the corrected ones; the pair classifier's are
    // laid end to end by their magnitudes, as it measures them.
    //
    // Where blur holds the narrow runs well short of the symbol's contrast
    // (`reference`: that of the opening character with its quiet zone),
    // blur rather than the module grid sets the edges, and another character
    // must fit them better by a margin to refuse the classifier's; the
    // pair classifier, which reads the most blurred print, gets the wider.
    bool const sharp = 5LL * (static_cast<long long>(window.GetLightMinimum()) - window.GetDarkMaximum()) >=
                       3LL * reference;
    bool classified = false;
    if (IsForBigger()) {
        classified = (!opening || window.MayOpenByPairs(reverced)) && window.CalcBarSymbolForBigger(reverced, symbol) &&
                     (!opening || IsOpening(table.GetValue(symbol.value), reverced)) &&
                     window.IsNearestByEdges(reverced, symbol.value, Code128PartialScanData::Edges::kByMagnitude,
                                             sharp ? 0u : kBlurredPairsSlack);
    } else {
        Code128PartialScanData corrected = window;
        corrected.Correct();
        classified = (!opening || corrected.MayOpenByMagnitudes(reverced)) &&
                     corrected.CalcBarSymbolPart(reverced, symbol) &&
                     (!opening || IsOpening(table.GetValue(symbol.value), reverced)) &&
                     corrected.IsNearestByEdges(reverced, symbol.value, Code128PartialScanData::Edges::kAsMeasured,
                                                sharp ? 0u : kBlurredMagnitudesSlack);
    }
    if (!classified) {
        return false;
    }
    // The character covers the runs as measured, not as corrected.
    symbol.begin = window[0].begin;
    symbol.end = window[Code128PartialScanData::kRuns - 1].end;
    symbol.width = (symbol.end - symbol.begin) / static_cast<int>(Code128Table::kModules);
    return true;
}

bool Code128Decoder::CheckQuietZone(Code128PartialScanData const& window, bool after, bool innerLevels,
                                    unsigned specks) const
{
    long long const width = window.GetSpan();
    long long const zone = GetDecoderDetail().quiet_zone.Get();
    long long const margin = ((10 * width / static_cast<long long>(Code128Table::kModules)) * zone) / 7;
    unsigned const required = margin <= 0 ? 0u : (margin > 0x7FFFFFFFLL ? 0x7FFFFFFFu : static_cast<unsigned>(margin));
    return IsNegative() ? window.CheckBlackMargin(required, after, innerLevels, specks)
                        : window.CheckMargin(required, after, innerLevels, specks);
}

unsigned Code128Decoder::GetQuietZoneSpecks() const { return code128_->smart_quiet_zone_check.Get() ? 2u : 0u; }

bool Code128Decoder::ReadFirst(ArrayIterator<ScanElement const> const& start, bool reverced,
                               Code128FirstWindows& windows, Code128PartialScanData& window, BarSymbol& symbol) const
{
    // A noise run inside the first character hides it: remove the weakest
    // runs one by one and try again; the last fit stands.
    windows.Begin(start);
    bool found = false;
    for (unsigned pass = 0; pass < kMaxNoisePasses; ++pass) {
        Code128PartialScanData const* work = windows.Get(pass);
        // Ink in the zone is judged against the window's outer levels: clean
        // print brings no space inside the symbol above its brightest one.
        if (work == nullptr || !CheckQuietZone(*work, false, false, GetQuietZoneSpecks())) {
            break;
        }
        BarSymbol candidate;
        if (Classify(*work, reverced, true, work->GetContrast(), candidate) &&
            IsOpening(table.GetValue(candidate.value), reverced)) {
            window = *work;
            symbol = candidate;
            found = true;
        }
    }
    return found;
}

bool Code128Decoder::ExecuteBinarization(ArrayIterator<ScanElement const> const& start,
                                         StackInterface<BarSymbol>& symbols, bool& negative, bool& reverced) const
{
    negative = IsNegative();
    reverced = false;
    symbols.Clear();
    if (!IsGateOpen() || !CheckPolarity(negative) || !start.IsValid()) {
        return false;
    }
    // Met from the stop end, the first run of the stop pattern seen is a
    // space of the symbol's own colours.
    reverced = (start->colour == kLightRun) != negative;

    Code128PartialScanData window;
    BarSymbol symbol;
    bool first = false;
    if (firstWindows_ != nullptr) {
        first = ReadFirst(start, reverced, *firstWindows_, window, symbol);
    } else {
        Code128FirstWindows own;
        first = ReadFirst(start, reverced, own, window, symbol);
    }
    if (!first || !symbols.Push(symbol)) {
        return false;
    }
    RateForTuningCalculator const& rate = GetRateForTuningCalculator();
    rate.Push(window);
    // The opening character's contrast reaches from its bars to the quiet zone.
    int const reference = window.GetContrast();
    while (symbols.GetCount() < kMaxSymbols) {
        long long const width = window.GetSpan();
        unsigned const minimum = static_cast<unsigned>(5 * width / 6);
        unsigned const maximum = static_cast<unsigned>(6 * width / 5);
        if (!window.SetNextRunLengthData(minimum, maximum) || !Classify(window, reverced, false, reference, symbol)) {
            return false;
        }
        int const value = table.GetValue(symbol.value);
        if (IsOpening(value, reverced) || !symbols.Push(symbol)) {
            return false;
        }
        rate.Push(window);
        if (IsClosing(value, reverced)) {
            return CheckQuietZone(window, true, false, GetQuietZoneSpecks());
        }
    }
    return false;
}

bool Code128Decoder::CollectValues(StackInterface<BarSymbol> const& symbols, bool reverced, unsigned char* values,
                                   unsigned capacity, unsigned& count)
{
    count = 0;
    unsigned const n = symbols.GetCount();
    bool started = false;
    for (unsigned i = 0; i < n; ++i) {
        BarSymbol const& symbol = symbols[reverced ? n - 1 - i : i];
        int const value = table.GetValue(symbol.value);
        if (value < 0) {
            return false;
        }
        started = started || Code128Table::IsStart(static_cast<unsigned>(value));
        if (!started) {
            continue;
        }
        if (count >= capacity) {
            return false;
        }
        values[count++] = static_cast<unsigned char>(value);
    }
    return started;
}

bool Code128Decoder::CheckCheckDigit(StackInterface<BarSymbol> const& symbols, bool reverced) const
{
    unsigned char values[kMaxSymbols];
    unsigned count = 0;
    return CollectValues(symbols, reverced, values, kMaxSymbols, count) &&
           Code128Interpreter::CheckCheckCharacter(values, count);
}

bool Code128Decoder::Start(StackInterface<BarSymbol> const& symbols, bool reverced, DecodedLabel& label) const
{
    unsigned char values[kMaxSymbols];
    unsigned count = 0;
    Code128Interpretation reading;
    if (!CollectValues(symbols, reverced, values, kMaxSymbols, count) ||
        !Code128Interpreter::Start(values, count, label.data, reading)) {
        label.data.Clear();
        return false;
    }
    Code128Identifier identifier(reading.modifier, SYMBOLOGY_CODE128);

    // A Codablock F row goes to the Codablock F decoder as it is.
    if (IsStackedRow(symbols, reverced)) {
        identifier.SetSymbology(SYMBOLOGY_CODABLOCK_F);
        identifier.SetModifierBit(10, true);
        identifier.SetModifierBit(11, reading.lastBytes[0] + reading.lastBytes[1] == 4);
        label.identifier.Copy(identifier);
        return true;
    }

    unsigned const length = label.data.GetCount();
    bool accepted = false;
    if ((reading.modifier & 3u) == 1u) {
        accepted = code128_->read.Get() && gs1_128_->fixed_length.Get().Admits(length);
        identifier.SetModifier((identifier.GetModifier() & ~kCodablockFRow) | Code128Interpreter::CalcLinkage(reading));
    } else if ((reading.modifier & (1u << 4)) != 0) {
        // Reader-initialisation symbols (menu labels) pass whatever the
        // symbology setting.
        accepted = code128_->flag != 0;
    } else {
        accepted = code128_->read.Get() && code128_->fixed_length.Get().Admits(length);
    }
    if (!accepted) {
        label.data.Clear();
        return false;
    }
    label.identifier.Copy(identifier);
    return true;
}

bool Code128Decoder::IsStackedRow(StackInterface<BarSymbol> const& symbols, bool reverced) const
{
    unsigned skip = 0;
    int rows = 0;
    int row = 0;
    return codablockF_->read.Get() && rows_ != nullptr &&
           rows_->CalcTotalRowsAndRowNumber(reverced, symbols, skip, rows, row);
}

bool Code128Decoder::CountModule(StackInterface<BarSymbol> const& symbols, unsigned& modules) const
{
    modules = symbols.GetCount() * Code128Table::kModules;
    return true;
}

unsigned Code128Decoder::CountLeastReadRuns() const
{
    // A well-formed row holds four values at least (start, data, check and
    // stop), each a window of six runs beginning after the one before.
    return IsGateOpen() && CheckPolarity(IsNegative()) ? 4 * Code128PartialScanData::kRuns : kReadsNothing;
}

}  // namespace DEC2DIvra
