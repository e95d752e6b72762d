#include "decoder/linear/plessey/msi_plessey_decoder.h"

#include "decoder/core/property/dec2d_property.h"
#include "decoder/core/identifiers/plessey_identifiers.h"
#include "decoder/linear/line/plessey_line_runs.h"

namespace DEC2DIvra {

namespace {

// Start bit, four bits a digit, the stop's 0 bit and its closing bar.
constexpr unsigned kFrameRuns = 5;
constexpr unsigned kDigitRuns = 8;
constexpr unsigned kMaxRuns = kFrameRuns + kDigitRuns * MSIPlesseyDecoder::kMaxSymbols;

}  // namespace

MSIPlesseyDecoder::MSIPlesseyDecoder(BarSymbolDecoderContext const& context, bool negative,
                                     DEC2DProperty const& property)
    : BarSymbolDecoder(SYMBOLOGY_MSI_PLESSEY, context), negative_(negative), msi_(&property.msi_plessey)
{
}

bool MSIPlesseyDecoder::ExecuteBinarization(ArrayIterator<ScanElement const> const& start,
                                            StackInterface<BarSymbol>& symbols, bool& negative,
                                            bool& reverced) const
{
    symbols.Clear();
    reverced = false;
    negative = start.IsValid() && start->colour == kLightRun;
    if (!start.IsValid() || negative != negative_ || !msi_->read.Get() || !CheckPolarity(negative)) {
        return false;
    }
    return ReadByWindows(start, symbols, negative, reverced) || ReadWholeSymbol(start, symbols, negative, reverced);
}

bool MSIPlesseyDecoder::ReadWholeSymbol(ArrayIterator<ScanElement const> const& start,
                                        StackInterface<BarSymbol>& symbols, bool negative, bool& reverced) const
{
    symbols.Clear();
    reverced = false;
    PlesseyLineRuns runs(start);
    // The symbol ends at the first light run far wider than every run of it.
    unsigned const total = runs.FindGroundAfter(1, kMaxRuns + 1, 3);
    if (total < kFrameRuns + kDigitRuns || (total - kFrameRuns) % kDigitRuns != 0) {
        return false;
    }
    // Met from the start, the first pair is the start's 1; from the stop
    // end, the closing bar and the stop's 0 come first.
    unsigned bit = 0;
    long long width = 0;
    runs.SetSymbol(total, false);
    if (!runs.CalcPlesseyBit(0, bit, width)) {
        return false;
    }
    runs.SetSymbol(total, bit == 0);
    width = 0;
    if (!runs.CalcPlesseyBit(0, bit, width) || bit != 1) {
        return false;
    }
    unsigned const count = (total - kFrameRuns) / kDigitRuns;
    unsigned char digits[kMaxSymbols];
    for (unsigned d = 0; d < count; ++d) {
        unsigned value = 0;
        for (unsigned b = 0; b < 4; ++b) {
            if (!runs.CalcPlesseyBit(2 + kDigitRuns * d + 2 * b, bit, width)) {
                return false;
            }
            value = 2 * value + bit;
        }
        if (value > 9) {
            return false;
        }
        digits[d] = static_cast<unsigned char>(value);
    }
    unsigned const stop = 2 + kDigitRuns * count;
    long long const stopBar = runs.GetWidth(runs.At(stop));
    long long const closing = runs.GetWidth(runs.At(total - 1));
    if (!runs.CalcPlesseyBit(stop, bit, width) || bit != 0 || 2 * closing < stopBar || closing > 2 * stopBar) {
        return false;
    }
    if (!runs.CheckMargins(total, GetDecoderDetail().quiet_zone.Get() * 10, negative, msi_->smart_quiet_zone_check.Get())) {
        return false;
    }
    if (!runs.PushCharacters(2, kDigitRuns, digits, count, GetRateForTuningCalculator(), symbols)) {
        symbols.Clear();
        return false;
    }
    reverced = runs.IsReversed();
    return true;
}

bool MSIPlesseyDecoder::CollectDigits(StackInterface<BarSymbol> const& symbols, bool reverced,
                                      unsigned char* digits, unsigned& count)
{
    return PlesseyLineRuns::CollectValues(symbols, reverced, 9, digits, kMaxSymbols, count);
}

bool MSIPlesseyDecoder::CheckMod10(unsigned char const* digits, unsigned count, unsigned position)
{
    if (position >= count) {
        return false;
    }
    unsigned sum = 0;
    bool doubled = false;
    for (unsigned i = count - position; i-- > 0; doubled = !doubled) {
        unsigned const v = doubled ? 2u * digits[i] : digits[i];
        sum += v > 9 ? v - 9 : v;
    }
    return sum % 10 == 0;
}

bool MSIPlesseyDecoder::CheckMod11(unsigned char const* digits, unsigned count, unsigned position)
{
    if (position >= count) {
        return false;
    }
    unsigned const check = count - 1 - position;
    unsigned sum = digits[check];
    unsigned weight = 2;
    for (unsigned i = check; i-- > 0; weight = weight == 7 ? 2 : weight + 1) {
        sum += weight * digits[i];
    }
    return sum % 11 == 0;
}

int MSIPlesseyDecoder::CountCheckDigits(unsigned setting)
{
    return setting == 0 ? 0 : (setting == 1 ? 1 : (setting <= 5 ? 2 : -1));
}

int MSIPlesseyDecoder::CountRemoved(unsigned transmit, int verified)
{
    switch (transmit) {
    case 0:
        return verified;
    case 1:
        return verified > 1 ? verified - 1 : 0;
    case 2:
        return 0;
    default:
        return -1;
    }
}

bool MSIPlesseyDecoder::CheckCheckDigit(StackInterface<BarSymbol> const& symbols, bool reverced) const
{
    unsigned char digits[kMaxSymbols];
    unsigned count = 0;
    if (!CollectDigits(symbols, reverced, digits, count)) {
        return false;
    }
    unsigned const setting = msi_->check_check_digit.Get();
    if (setting == 0) {
        return true;
    }
    if (count < 4) {
        return false;
    }
    switch (setting) {
    case 1:
        return CheckMod10(digits, count, 0);
    case 2:
        return CheckMod10(digits, count, 1) && CheckMod10(digits, count, 0);
    case 3:
        return CheckMod10(digits, count, 1) && CheckMod11(digits, count, 0);
    case 4:
        return CheckMod11(digits, count, 1) && CheckMod10(digits, count, 0);
    case 5:
        return CheckMod11(digits, count, 1) && CheckMod11(digits, count, 0);
    default:
        return false;
    }
}

bool MSIPlesseyDecoder::Start(StackInterface<BarSymbol> const& symbols, bool reverced, DecodedLabel& label) const
{
    label.data.Clear();
    unsigned char digits[kMaxSymbols];
    unsigned count = 0;
    unsigned const setting = msi_->check_check_digit.Get();
    unsigned const transmit = msi_->transmit_check_digit.Get();
    int const verified = CountCheckDigits(setting);
    int const removed = CountRemoved(transmit, verified);
    // Exactly the verified check digits come off, and never more digits
    // than were read.
    if (!CollectDigits(symbols, reverced, digits, count) || verified < 0 || removed < 0 ||
        static_cast<unsigned>(removed) >= count) {
        return false;
    }
    unsigned const length = count - static_cast<unsigned>(removed);
    for (unsigned i = 0; i < length; ++i) {
        if (!label.data.Push(static_cast<char>('0' + digits[i]))) {
            label.data.Clear();
            return false;
        }
    }
    if (!msi_->fixed_length.Get().Admits(length)) {
        label.data.Clear();
        return false;
    }
    label.identifier.Copy(MSIPlesseyIdentifier((setting << 8) | (transmit << 11)));
    return true;
}

unsigned MSIPlesseyDecoder::CountLeastReadRuns() const
{
    return msi_->read.Get() && CheckPolarity(negative_) ? 0u : kReadsNothing;
}

}  // namespace DEC2DIvra
