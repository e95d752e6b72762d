#include "decoder/linear/plessey/uk_plessey_decoder.h"

#include "decoder/core/identifiers/plessey_identifiers.h"
#include "decoder/core/property/dec2d_property.h"
#include "decoder/linear/line/plessey_line_runs.h"

namespace DEC2DIvra {

namespace {

constexpr unsigned kStartRuns = 8;
constexpr unsigned kCharacterRuns = 8;
// The termination bar and space, a 0, a narrow pair, a 1 and the closing bar.
constexpr unsigned kStopRuns = 9;
constexpr unsigned kStopModules[kStopRuns] = {3, 3, 1, 3, 1, 1, 3, 1, 3};
constexpr unsigned kStartBits = 0xD;  // 1101
constexpr unsigned kMaxRuns = kStartRuns + kStopRuns + kCharacterRuns * UKPlesseyDecoder::kMaxSymbols;
constexpr unsigned kPolynomial = 0x1E9;

// Four bits from reading position `first` on, first bit most significant.
bool ReadBits(PlesseyLineRuns const& runs, unsigned first, unsigned& value, long long& width)
{
    value = 0;
    for (unsigned b = 0; b < 4; ++b) {
        unsigned bit = 0;
        if (!runs.CalcPlesseyBit(first + 2 * b, bit, width)) {
            return false;
        }
        value = 2 * value + bit;
    }
    return true;
}

// The stop's runs against the module of the character before it (a bit is
// four modules, so that a slanted symbol's module is taken where the stop
// is): narrow ones under two modules, wide ones from two to five.
bool IsStop(PlesseyLineRuns const& runs, unsigned first)
{
    if (first < kCharacterRuns) {
        return false;
    }
    long long sum = 0;
    for (unsigned j = first - kCharacterRuns; j < first; ++j) {
        sum += runs.GetWidth(runs.At(j));
    }
    // module = sum / 16: four bits of four modules.
    long long const scale = 16;
    for (unsigned k = 0; k < kStopRuns; ++k) {
        long long const w = runs.GetWidth(runs.At(first + k)) * scale;
        bool const wide = w >= 2 * sum;
        if (wide != (kStopModules[k] == 3) || w > 5 * sum || w <= 0) {
            return false;
        }
    }
    return true;
}

}  // namespace

UKPlesseyDecoder::UKPlesseyDecoder(BarSymbolDecoderContext const& context, DEC2DProperty const& property)
    : BarSymbolDecoder(SYMBOLOGY_UK_PLESSEY, context), uk_(&property.uk_plessey)
{
}

bool UKPlesseyDecoder::ExecuteBinarization(ArrayIterator<ScanElement const> const& start,
                                           StackInterface<BarSymbol>& symbols, bool& negative, bool& reverced) const
{
    symbols.Clear();
    reverced = false;
    negative = start.IsValid() && start->colour == kLightRun;
    if (!start.IsValid() || !uk_->read.Get() || !CheckPolarity(negative)) {
        return false;
    }
    return ReadByWindows(start, symbols, negative, reverced) || ReadWholeSymbol(start, symbols, negative, reverced);
}

bool UKPlesseyDecoder::ReadWholeSymbol(ArrayIterator<ScanElement const> const& start,
                                       StackInterface<BarSymbol>& symbols, bool negative, bool& reverced) const
{
    symbols.Clear();
    reverced = false;
    PlesseyLineRuns runs(start);
    unsigned const total = runs.FindGroundAfter(1, kMaxRuns + 1, 3);
    if (total < kStartRuns + kStopRuns + 3 * kCharacterRuns || (total - kStartRuns - kStopRuns) % kCharacterRuns != 0) {
        return false;
    }
    unsigned const count = (total - kStartRuns - kStopRuns) / kCharacterRuns;
    unsigned char values[kMaxSymbols];
    bool found = false;
    // Met from the start the first four bits are 1101; met from the stop
    // end, read back from the line's last run.
    for (bool const reversed : {false, true}) {
        runs.SetSymbol(total, reversed);
        long long width = 0;
        unsigned value = 0;
        if (!ReadBits(runs, 0, value, width) || value != kStartBits) {
            continue;
        }
        bool ok = true;
        for (unsigned c = 0; c < count && ok; ++c) {
            ok = ReadBits(runs, kStartRuns + kCharacterRuns * c, value, width);
            values[c] = static_cast<unsigned char>(value);
        }
        if (ok && IsStop(runs, kStartRuns + kCharacterRuns * count)) {
            found = true;
            break;
        }
    }
    if (!found ||
        !runs.CheckMargins(total, GetDecoderDetail().quiet_zone.Get() * 10, negative, uk_->smart_quiet_zone_check.Get())) {
        return false;
    }
    if (!runs.PushCharacters(kStartRuns, kCharacterRuns, values, count, GetRateForTuningCalculator(), symbols)) {
        symbols.Clear();
        return false;
    }
    reverced = runs.IsReversed();
    return true;
}

bool UKPlesseyDecoder::CollectCharacters(StackInterface<BarSymbol> const& symbols, bool reverced,
                                         unsigned char* characters, unsigned& count)
{
    return PlesseyLineRuns::CollectValues(symbols, reverced, 15, characters, kMaxSymbols, count);
}

unsigned UKPlesseyDecoder::CalcCheckRemainder(unsigned char const* characters, unsigned count)
{
    unsigned remainder = 0;
    for (unsigned i = 0; i < count; ++i) {
        for (int b = 3; b >= 0; --b) {
            remainder = (remainder << 1) | ((characters[i] >> b) & 1u);
            if ((remainder & 0x100u) != 0) {
                remainder ^= kPolynomial;
            }
        }
    }
    return remainder;
}

bool UKPlesseyDecoder::CheckCheckDigit(StackInterface<BarSymbol> const& symbols, bool reverced) const
{
    unsigned char characters[kMaxSymbols];
    unsigned count = 0;
    return CollectCharacters(symbols, reverced, characters, count) && count >= 4 &&
           CalcCheckRemainder(characters, count) == 0;
}

bool UKPlesseyDecoder::Start(StackInterface<BarSymbol> const& symbols, bool reverced, DecodedLabel& label) const
{
    label.data.Clear();
    unsigned char characters[kMaxSymbols];
    unsigned count = 0;
    if (!CollectCharacters(symbols, reverced, characters, count) || count < 3) {
        return false;
    }
    bool const transmit = uk_->transmit_check_digit.Get();
    bool const space = uk_->enable_insert_space.Get();
    bool const toX = uk_->convert_a_to_x.Get();
    unsigned const length = transmit ? count : count - 2;
    for (unsigned i = 0; i < length; ++i) {
        // Bits are printed least significant first.
        unsigned const bits = characters[i];
        unsigned const value = ((bits & 1u) << 3) | ((bits & 2u) << 1) | ((bits & 4u) >> 1) | ((bits & 8u) >> 3);
        char const c = value < 10 ? static_cast<char>('0' + value)
                                  : (value == 10 && toX ? 'X' : static_cast<char>('A' + value - 10));
        // Groups of one, two, five and two characters, then the rest.
        bool const gap = space && i + 1 < length && (i == 0 || i == 2 || i == 7 || i == 9);
        if (!label.data.Push(c) || (gap && !label.data.Push(' '))) {
            label.data.Clear();
            return false;
        }
    }
    if (!uk_->fixed_length.Get().Admits(label.data.GetCount())) {
        label.data.Clear();
        return false;
    }
    label.identifier.Copy(UKPlesseyIdentifier((transmit ? 1u << 8 : 0u) | (space ? 1u << 9 : 0u) | (toX ? 1u << 10 : 0u)));
    return true;
}

unsigned UKPlesseyDecoder::CountLeastReadRuns() const { return uk_->read.Get() ? 0u : kReadsNothing; }

}  // namespace DEC2DIvra
