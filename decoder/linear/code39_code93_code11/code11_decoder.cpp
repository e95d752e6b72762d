#include "decoder/linear/code39_code93_code11/code11_decoder.h"

#include "decoder/core/identifiers/code93_code11_identifiers.h"
#include "decoder/core/property/dec2d_property.h"
#include "decoder/linear/code39_code93_code11/character_start.h"
#include "decoder/linear/line/rate_for_tuning_calculator.h"

namespace DEC2DIvra {

namespace {

// Keys of "0"-"9", "-" and start/stop.
constexpr unsigned char kKeys[12] = {0x01, 0x11, 0x09, 0x18, 0x05, 0x14, 0x0C, 0x03, 0x12, 0x10, 0x04, 0x06};

unsigned ReverseKey(unsigned key)
{
    unsigned reversed = 0;
    for (unsigned i = 0; i < Code11PartialScanData::kRuns; ++i) {
        reversed = (reversed << 1) | ((key >> i) & 1u);
    }
    return reversed;
}

// One wide element ("0", "-", "9"): the next character may be up to a
// module narrower or wider than this one.
bool HasOneWide(unsigned key) { return key == 0x01 || key == 0x04 || key == 0x10; }

// One or two wide runs, split at the middle of the narrowest and widest,
// giving a character read one way or the other.
bool ClassifyWidths(int const (&width)[Code11PartialScanData::kRuns], bool reverse, unsigned& key, int& module)
{
    unsigned const runs = Code11PartialScanData::kRuns;
    int narrowest = 0x7FFFFFFF;
    int widest = 0;
    for (int w : width) {
        narrowest = w < narrowest ? w : narrowest;
        widest = w > widest ? w : widest;
    }
    // Wide elements are about twice the narrow ones; below 3/2 nothing is wide.
    if (narrowest <= 0 || 2LL * widest < 3LL * narrowest) {
        return false;
    }
    long long const threshold = (static_cast<long long>(narrowest) + widest) / 2;
    key = 0;
    unsigned wide = 0;
    long long narrowSum = 0;
    unsigned narrowCount = 0;
    for (unsigned p = 0; p < runs; ++p) {
        unsigned const i = reverse ? runs - 1 - p : p;
        bool const isWide = width[i] > threshold;
        key = (key << 1) | (isWide ? 1u : 0u);
        if (isWide) {
            ++wide;
        } else {
            narrowSum += width[i];
            ++narrowCount;
        }
    }
    if (wide == 0 || wide > 2 || narrowCount == 0) {
        return false;
    }
    module = static_cast<int>(narrowSum / narrowCount);
    return Code11Decoder::GetValue(key) != 255 || Code11Decoder::GetValue(ReverseKey(key)) != 255;
}

}  // namespace

bool Code11PartialScanData::CalcBarSymbol(bool reverse, unsigned& key, int& module) const
{
    if (GetLength() != kRuns) {
        return false;
    }
    int width[kRuns];
    for (unsigned i = 0; i < kRuns; ++i) {
        width[i] = (*this)[i].end - (*this)[i].begin;
    }
    if (ClassifyWidths(width, reverse, key, module)) {
        return true;
    }
    // Printed small, a narrow run may not reach the full grey of its colour:
    // the widths re-measured by contrast give it back.
    PartialScanData<kRuns> corrected;
    corrected.CopyFrom(*this);
    corrected.Correct();
    for (unsigned i = 0; i < kRuns; ++i) {
        width[i] = corrected[i].end - corrected[i].begin;
    }
    if (ClassifyWidths(width, reverse, key, module)) {
        return true;
    }
    // Near a pixel per module the edges fall on whole pixels. The module
    // stays a width.
    int magnitude[kRuns];
    GetMagnitudes(magnitude);
    int unused = 0;
    if (!ClassifyWidths(magnitude, reverse, key, unused)) {
        return false;
    }
    long long narrowSum = 0;
    unsigned narrowCount = 0;
    for (unsigned p = 0; p < kRuns; ++p) {
        unsigned const i = reverse ? kRuns - 1 - p : p;
        if (((key >> (kRuns - 1 - p)) & 1u) == 0) {
            narrowSum += (*this)[i].end - (*this)[i].begin;
            ++narrowCount;
        }
    }
    module = static_cast<int>(narrowSum / narrowCount);
    return true;
}

bool Code11PartialScanData::CalcBlurredBarSymbol(bool reverse, int darkest, int lightest, unsigned& key,
                                                 int& module) const
{
    if (GetLength() != kRuns || lightest <= darkest) {
        return false;
    }
    // Each width weighted by how far its run reaches towards its colour's
    // level in the symbol so far, in 1/256.
    long long weighted[kRuns];
    long long const range = static_cast<long long>(lightest) - darkest;
    for (unsigned i = 0; i < kRuns; ++i) {
        PartialScanElement const& run = (*this)[i];
        long long const reach = run.colour == kLightRun ? static_cast<long long>(run.grey) - darkest
                                                        : static_cast<long long>(lightest) - run.grey;
        long long const share = reach <= 0 ? 0 : (reach >= range ? 256 : 256 * reach / range);
        long long const width = static_cast<long long>(run.end) - run.begin;
        weighted[i] = (width > 0 ? width : 0) * share;
    }
    unsigned order[kRuns] = {0, 1, 2, 3, 4};
    for (unsigned i = 1; i < kRuns; ++i) {
        for (unsigned j = i; j > 0 && weighted[order[j]] > weighted[order[j - 1]]; --j) {
            unsigned const t = order[j];
            order[j] = order[j - 1];
            order[j - 1] = t;
        }
    }
    // Three runs wide by the split of the widths, the third clearly short of
    // the two above it.
    long long const split = (weighted[order[0]] + weighted[order[kRuns - 1]]) / 2;
    if (weighted[order[kRuns - 1]] <= 0 || weighted[order[2]] <= split || weighted[order[3]] > split ||
        6 * weighted[order[2]] >= 5 * weighted[order[1]]) {
        return false;
    }
    key = 0;
    long long narrowSum = 0;
    for (unsigned p = 0; p < kRuns; ++p) {
        unsigned const i = reverse ? kRuns - 1 - p : p;
        bool const wide = i == order[0] || i == order[1];
        key = (key << 1) | (wide ? 1u : 0u);
        narrowSum += wide ? 0 : (*this)[i].end - (*this)[i].begin;
    }
    module = static_cast<int>(narrowSum / 3);
    return Code11Decoder::GetValue(key) != 255 || Code11Decoder::GetValue(ReverseKey(key)) != 255;
}

unsigned Code11Decoder::GetValue(unsigned key)
{
    for (unsigned v = 0; v < 12; ++v) {
        if (kKeys[v] == key) {
            return v;
        }
    }
    return 255;
}

unsigned Code11Decoder::CalcCheck(unsigned char const* values, unsigned count, unsigned cycle)
{
    unsigned sum = 0;
    for (unsigned i = 0; i < count; ++i) {
        unsigned const weight = i % cycle + 1;
        sum += values[count - 1 - i] * weight;
    }
    return sum % 11;
}

unsigned Code11Decoder::CountCheckDigits(unsigned mode, unsigned characters)
{
    if (mode == kAutomatic) {
        return characters >= 13 ? 2u : 1u;
    }
    return mode <= 2 ? mode : 0u;
}

Code11Decoder::Code11Decoder(BarSymbolDecoderContext const& context, DEC2DProperty const& property)
    : BarSymbolDecoder(SYMBOLOGY_CODE11, context), code11_(&property.code11)
{
}

bool Code11Decoder::CheckQuietZone(Code11PartialScanData const& window, bool negative, bool after) const
{
    long long const narrow = window.GetMinWidth();
    long long const zone = GetDecoderDetail().quiet_zone.Get();
    long long const margin = narrow * zone * 10 / 7;
    return CheckCharacterQuietZone(window, margin, negative, after, code11_->smart_quiet_zone_check.Get());
}

bool Code11Decoder::ReadFirst(ArrayIterator<ScanElement const> const& start, bool negative,
                              Code11PartialScanData& window, unsigned& key, int& module) const
{
    Code11PartialScanData work;
    if (!work.Set(start)) {
        return false;
    }
    bool const found = FindStartCharacter(
        work, kMaxNoisePasses, [&](Code11PartialScanData const& w) { return CheckQuietZone(w, negative, false); },
        [&](Code11PartialScanData const& w) {
            return w.CalcBarSymbol(false, key, module) && (key == kStartStopKey || key == kReverseStartStopKey);
        });
    if (found) {
        window = work;
    }
    return found;
}

bool Code11Decoder::ExecuteBinarization(ArrayIterator<ScanElement const> const& start,
                                        StackInterface<BarSymbol>& symbols, bool& negative, bool& reverced) const
{
    return ReadFromOfferedOrPreviousRun(start, symbols, [&](ArrayIterator<ScanElement const> const& first) {
        return Read(first, symbols, negative, reverced);
    });
}

bool Code11Decoder::Read(ArrayIterator<ScanElement const> const& start, StackInterface<BarSymbol>& symbols,
                         bool& negative, bool& reverced) const
{
    symbols.Clear();
    reverced = false;
    negative = start.IsValid() && start->colour == kLightRun;
    if (!code11_->read.Get() || !start.IsValid() || !CheckPolarity(negative)) {
        return false;
    }
    Code11PartialScanData window;
    unsigned firstKey = 0;
    int module = 0;
    if (!ReadFirst(start, negative, window, firstKey, module)) {
        return false;
    }
    reverced = firstKey == kReverseStartStopKey;
    RateForTuningCalculator const& rate = GetRateForTuningCalculator();
    unsigned key = firstKey;
    // The levels the symbol's runs have reached so far.
    int darkest = 0x7FFFFFFF;
    int lightest = -0x7FFFFFFF;
    for (;;) {
        unsigned const reading = reverced ? ReverseKey(key) : key;
        if (GetValue(reading) == 255) {
            return false;
        }
        BarSymbol symbol;
        symbol.value = static_cast<int>(reading);
        symbol.begin = window[0].begin;
        symbol.end = window[Code11PartialScanData::kRuns - 1].end;
        symbol.width = module;
        if (!symbols.Push(symbol)) {
            return false;
        }
        rate.Push(window);
        if (symbols.GetCount() > 1 && key == firstKey) {
            return CheckQuietZone(window, negative, true);
        }
        if (symbols.GetCount() >= kMaxSymbols) {
            return false;
        }
        long long const width = window.GetSpan();
        bool const one = HasOneWide(reading);
        unsigned const minimum = static_cast<unsigned>(one ? 5 * width / 6 : 5 * width / 7);
        unsigned const maximum = static_cast<unsigned>(one ? 7 * width / 5 : 6 * width / 5);
        for (unsigned i = 0; i < Code11PartialScanData::kRuns; ++i) {
            int const grey = window[i].grey;
            lightest = window[i].colour == kLightRun && grey > lightest ? grey : lightest;
            darkest = window[i].colour != kLightRun && grey < darkest ? grey : darkest;
        }
        if (!window.SetNextCharRunLengthData(minimum, maximum) ||
            (!window.CalcBarSymbol(false, key, module) &&
             !window.CalcBlurredBarSymbol(false, darkest, lightest, key, module))) {
            return false;
        }
    }
}

bool Code11Decoder::CollectValues(StackInterface<BarSymbol> const& symbols, bool reverced, unsigned char* values,
                                  unsigned capacity, unsigned& count)
{
    count = 0;
    unsigned const n = symbols.GetCount();
    if (n > capacity) {
        return false;
    }
    for (unsigned i = 0; i < n; ++i) {
        BarSymbol const& symbol = symbols[reverced ? n - 1 - i : i];
        unsigned const v = symbol.value < 0 ? 255u : GetValue(static_cast<unsigned>(symbol.value));
        if (v == 255) {
            return false;
        }
        values[count++] = static_cast<unsigned char>(v);
    }
    return count >= 2 && values[0] == kStartStop && values[count - 1] == kStartStop;
}

bool Code11Decoder::Verify(unsigned char const* values, unsigned count, unsigned& digits) const
{
    // values: the characters between start and stop.
    for (unsigned i = 0; i < count; ++i) {
        if (values[i] == kStartStop) {
            return false;
        }
    }
    unsigned const mode = code11_->check_check_digit.Get();
    digits = CountCheckDigits(mode, count);
    if (digits == 0) {
        return count > 0;
    }
    if (count <= digits) {
        return false;
    }
    auto passes = [values](unsigned data, unsigned two) {
        if (CalcCheck(values, data, 10) != values[data]) {
            return false;
        }
        return two == 0 || CalcCheck(values, data + 1, 9) == values[data + 1];
    };
    if (digits == 2) {
        return passes(count - 2, 1);
    }
    // A symbol that carries C and K fails here: taking it would leave C in the
    // data, and the data would be wrong.
    return passes(count - 1, 0);
}

bool Code11Decoder::CheckCheckDigit(StackInterface<BarSymbol> const& symbols, bool reverced) const
{
    unsigned char values[kMaxSymbols];
    unsigned count = 0;
    unsigned digits = 0;
    return CollectValues(symbols, reverced, values, kMaxSymbols, count) && count > 2 &&
           Verify(values + 1, count - 2, digits);
}

bool Code11Decoder::Start(StackInterface<BarSymbol> const& symbols, bool reverced, DecodedLabel& label) const
{
    label.data.Clear();
    unsigned char values[kMaxSymbols];
    unsigned count = 0;
    unsigned digits = 0;
    if (!CollectValues(symbols, reverced, values, kMaxSymbols, count) || count <= 2 ||
        !Verify(values + 1, count - 2, digits)) {
        return false;
    }
    bool const transmit = code11_->transmit_check_digit.Get();
    unsigned const end = count - 1 - (transmit ? 0u : digits);
    for (unsigned i = 1; i < end; ++i) {
        if (!label.data.Push(values[i] == 10 ? '-' : static_cast<char>('0' + values[i]))) {
            label.data.Clear();
            return false;
        }
    }
    // Without a length record a read needs kShortestData characters before
    // its check digits. Shorter ones are what a line across other print
    // gives: with one data character the check digit C is that character
    // itself, so the check proves nothing, and two with C are still met in
    // the bars of other symbologies under blur.
    auto const length = code11_->fixed_length.Get();
    bool const unrestricted = length.count == 0 && length.minimum == 0;
    if (label.data.IsEmpty() || !length.Admits(label.data.GetCount()) ||
        (unrestricted && count - 2 - digits < kShortestData)) {
        label.data.Clear();
        return false;
    }
    // Bits 10 and 11 tell how many check digits were verified, whether or not
    // they are sent, so that a verified and sent symbol reports ]H0 or ]H1.
    unsigned modifier = 0;
    if (code11_->check_check_digit.Get() != kNoCheck) {
        modifier |= 1u << 8;
        modifier |= transmit ? 0u : 1u << 9;
        modifier |= digits == 1 ? 1u << 10 : (digits == 2 ? 1u << 11 : 0u);
    }
    label.identifier.Copy(Code11Identifier(modifier));
    return true;
}

unsigned Code11Decoder::CountLeastReadRuns() const { return code11_->read.Get() ? 0u : kReadsNothing; }

}  // namespace DEC2DIvra
