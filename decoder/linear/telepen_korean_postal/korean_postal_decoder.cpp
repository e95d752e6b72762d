#include "decoder/linear/telepen_korean_postal/korean_postal_decoder.h"

#include "decoder/core/identifiers/telepen_korean_postal_identifiers.h"
#include "decoder/core/property/dec2d_property.h"
#include "decoder/linear/line/line_run_data.h"

#include <algorithm>

namespace DEC2DIvra {

namespace {

constexpr unsigned kBars = 4 * KoreanPostalDecoder::kDigits;
constexpr unsigned kRuns = 2 * kBars - 1;
constexpr unsigned kUnitsPerDigit = 6;

// Units of one space: `pitch` against `unit` (both scaled alike), within
// three tenths of a whole unit from one to three; 0 otherwise.
unsigned Units(long long pitch, long long digitSpan)
{
    // pitch / unit = pitch * 6 / digitSpan; compared in tenths.
    long long const tenths = pitch * kUnitsPerDigit * 10 / digitSpan;
    for (unsigned k = 1; k <= 3; ++k) {
        if (tenths >= 10LL * k - 3 && tenths <= 10LL * k + 3) {
            return k;
        }
    }
    return 0;
}

// The digits of the symbol from `runs` on, from the bars' centres read
// along the line (ways[0]) and back (ways[1], in the symbol's order);
// false unless the runs have thin bars throughout.
bool ReadPitchesBothWays(LineRunData const& runs, long long (&centres)[kBars], long long& narrowestSpace,
                         unsigned char (&ways)[2][KoreanPostalDecoder::kDigits], bool (&valid)[2])
{
    if (!runs.HasRuns(kRuns)) {
        return false;
    }
    // Bar centres in line coordinates, doubled to stay whole.
    narrowestSpace = -1;
    long long widestBar = 0;
    for (unsigned b = 0; b < kBars; ++b) {
        ScanElement const& bar = runs[2 * b];
        centres[b] = static_cast<long long>(bar.begin) + bar.end;
        widestBar = runs.GetWidth(2 * b) > widestBar ? runs.GetWidth(2 * b) : widestBar;
        if (b + 1 < kBars) {
            long long const space = runs.GetWidth(2 * b + 1);
            narrowestSpace = narrowestSpace < 0 || space < narrowestSpace ? space : narrowestSpace;
        }
    }
    // Thin bars: none half as wide as the narrowest space, which keeps most
    // other symbologies' bars out.
    if (narrowestSpace <= 0 || widestBar >= 2 * narrowestSpace) {
        return false;
    }
    long long forward[kBars - 1];
    long long backward[kBars - 1];
    for (unsigned i = 0; i + 1 < kBars; ++i) {
        forward[i] = centres[i + 1] - centres[i];
        backward[kBars - 2 - i] = forward[i];
    }
    valid[0] = KoreanPostalDecoder::ReadDigits(forward, ways[0]);
    valid[1] = KoreanPostalDecoder::ReadDigits(backward, ways[1]);
    return true;
}

}  // namespace

KoreanPostalDecoder::KoreanPostalDecoder(BarSymbolDecoderContext const& context, DEC2DProperty const& property)
    : BarSymbolDecoder(SYMBOLOGY_KOREAN_POSTAL, context), korean_(&property.korean_postal_authority)
{
}

bool KoreanPostalDecoder::ReadPitches(long long const* pitches, unsigned char* patterns)
{
    // Digit d > 0 spans pitches 4d - 1 to 4d + 2; the first digit's three
    // are 0 to 2, its unit taken from the second digit.
    for (unsigned d = kDigits; d-- > 0;) {
        unsigned units[4] = {};
        long long span = 0;
        unsigned const first = d == 0 ? 3 : 4 * d - 1;
        for (unsigned k = 0; k < 4; ++k) {
            span += pitches[first + k];
        }
        if (span <= 0) {
            return false;
        }
        unsigned sum = 0;
        for (unsigned k = d == 0 ? 1 : 0; k < 4; ++k) {
            long long const pitch = d == 0 ? pitches[k - 1] : pitches[first + k];
            units[k] = Units(pitch, span);
            if (units[k] == 0) {
                return false;
            }
            sum += units[k];
        }
        if (d == 0) {
            if (sum >= kUnitsPerDigit || sum + 3 < kUnitsPerDigit) {
                return false;
            }
            units[0] = kUnitsPerDigit - sum;
            sum = kUnitsPerDigit;
        }
        unsigned pattern = 0;
        for (unsigned k = 0; k < 4; ++k) {
            pattern = 2 * pattern + (units[k] >= 2 ? 1u : 0u);
        }
        if (sum != kUnitsPerDigit || table[pattern] > 9) {
            return false;
        }
        patterns[d] = static_cast<unsigned char>(pattern);
    }
    return true;
}

bool KoreanPostalDecoder::ReadDigits(long long const* pitches, unsigned char* patterns)
{
    if (!ReadPitches(pitches, patterns)) {
        return false;
    }
    unsigned sum = 0;
    for (unsigned d = 0; d < kDigits; ++d) {
        sum += table[patterns[d]];
    }
    return sum % 10 == 0;
}

bool KoreanPostalDecoder::SameCode(unsigned char const* forward, unsigned char const* backward)
{
    // Either read holds the digits in the symbol's own order.
    for (unsigned d = 0; d < kDigits; ++d) {
        if (table[forward[d]] != table[backward[d]]) {
            return false;
        }
    }
    return true;
}

bool KoreanPostalDecoder::ExecuteBinarization(ArrayIterator<ScanElement const> const& start,
                                              StackInterface<BarSymbol>& symbols, bool& negative,
                                              bool& reverced) const
{
    symbols.Clear();
    reverced = false;
    negative = start.IsValid() && start->colour == kLightRun;
    if (!start.IsValid() || !korean_->read.Get() || !CheckPolarity(negative)) {
        return false;
    }
    switch (ReadByWindows(start, negative, symbols, reverced)) {
    case WindowRead::kRead:
        // The bars' centres, read both ways, must not name another code.
        if (!AgreesWithPitches(start, symbols, reverced)) {
            symbols.Clear();
            reverced = false;
            return false;
        }
        return true;
    case WindowRead::kRefused:
        symbols.Clear();
        reverced = false;
        return false;
    case WindowRead::kNone:
        break;
    }
    return ReadByPitches(start, symbols, negative, reverced);
}

bool KoreanPostalDecoder::AgreesWithPitches(ArrayIterator<ScanElement const> const& start,
                                            StackInterface<BarSymbol> const& symbols, bool reverced) const
{
    LineRunData runs(start);
    long long centres[kBars];
    long long narrowestSpace = -1;
    unsigned char ways[2][kDigits];
    bool valid[2] = {false, false};
    if (symbols.GetCount() != kDigits || !ReadPitchesBothWays(runs, centres, narrowestSpace, ways, valid)) {
        return symbols.GetCount() == kDigits;
    }
    unsigned char read[kDigits];
    for (unsigned d = 0; d < kDigits; ++d) {
        read[d] = static_cast<unsigned char>(symbols[reverced ? kDigits - 1 - d : d].value);
    }
    return (!valid[0] || SameCode(read, ways[0])) && (!valid[1] || SameCode(read, ways[1]));
}

bool KoreanPostalDecoder::ReadByPitches(ArrayIterator<ScanElement const> const& start,
                                        StackInterface<BarSymbol>& symbols, bool negative, bool& reverced) const
{
    symbols.Clear();
    reverced = false;
    LineRunData runs(start);
    long long centres[kBars];
    long long narrowestSpace = -1;
    unsigned char ways[2][kDigits];
    bool valid[2] = {false, false};
    if (!ReadPitchesBothWays(runs, centres, narrowestSpace, ways, valid)) {
        return false;
    }
    // Both ways are read whatever the settings allow: about three symbols in a
    // thousand read as another valid code when turned round, so a symbol that
    // gives two different codes is refused rather than guessed at.
    if (valid[0] && valid[1] && !SameCode(ways[0], ways[1])) {
        return false;
    }
    bool const backFirst = korean_->enable_backward_scanning.Get();
    bool const both = korean_->enable_upside_down_reading.Get();
    bool found = false;
    unsigned char patterns[kDigits];
    for (unsigned attempt = 0; attempt < (both ? 2u : 1u) && !found; ++attempt) {
        reverced = (attempt == 0) == backFirst;
        found = valid[reverced ? 1 : 0];
        if (found) {
            std::copy(ways[reverced ? 1 : 0], ways[reverced ? 1 : 0] + kDigits, patterns);
        }
    }
    if (!found) {
        reverced = false;
        return false;
    }
    // Quiet zones of two and a half space units (a digit spans six) at the
    // quiet-zone setting's 7; printed symbols leave about three.
    long long const qz = GetDecoderDetail().quiet_zone.Get();
    unsigned const specks = korean_->smart_quiet_zone_check.Get();
    long long const head = (centres[8] - centres[4]) / 2;
    long long const tail = (centres[kBars - 1] - centres[kBars - 5]) / 2;
    if (!runs.CheckMarginBefore(0, static_cast<unsigned>(head * 5 * qz / 12 / 7), negative, specks) ||
        !runs.CheckMarginAfter(kRuns - 1, static_cast<unsigned>(tail * 5 * qz / 12 / 7), negative, specks)) {
        reverced = false;
        return false;
    }
    // Pushed in line order; a reversed read is read back by Start.
    for (unsigned k = 0; k < kDigits; ++k) {
        unsigned const d = reverced ? kDigits - 1 - k : k;
        BarSymbol symbol;
        symbol.value = patterns[d];
        symbol.begin = runs[k == 0 ? 0 : 8 * k - 2].begin;
        symbol.end = runs[k + 1 == kDigits ? kRuns - 1 : 8 * k + 6].end;
        symbol.width = static_cast<int>(narrowestSpace);
        if (!symbols.Push(symbol)) {
            symbols.Clear();
            reverced = false;
            return false;
        }
        runs.PushWindow(GetRateForTuningCalculator(), k == 0 ? 0 : 8 * k - 2);
    }
    if (!CheckCheckDigitSelf(symbols, reverced)) {
        symbols.Clear();
        reverced = false;
        return false;
    }
    return true;
}

bool KoreanPostalDecoder::CheckCheckDigitSelf(StackInterface<BarSymbol> const& symbols, bool reverced) const
{
    (void)reverced;
    if (symbols.GetCount() != kDigits) {
        return false;
    }
    unsigned sum = 0;
    for (unsigned i = 0; i < kDigits; ++i) {
        int const pattern = symbols[i].value;
        if (pattern < 0 || pattern > 15 || table[pattern] > 9) {
            return false;
        }
        sum += table[pattern];
    }
    return sum % 10 == 0;
}

bool KoreanPostalDecoder::Start(StackInterface<BarSymbol> const& symbols, bool reverced, DecodedLabel& label) const
{
    label.data.Clear();
    if (!CheckCheckDigitSelf(symbols, reverced)) {
        return false;
    }
    // c1 ... c7 in the symbol's order; c7 is the check digit.
    char c[kDigits];
    for (unsigned i = 0; i < kDigits; ++i) {
        c[i] = static_cast<char>('0' + table[symbols[reverced ? kDigits - 1 - i : i].value]);
    }
    bool const check = korean_->transmit_check_digit.Get();
    bool const dash = korean_->transmit_dash.Get();
    char text[kDigits + 1];
    unsigned n = 0;
    if (check) {
        text[n++] = c[6];
    }
    for (unsigned i : {5u, 4u, 3u}) {
        text[n++] = c[i];
    }
    if (dash) {
        text[n++] = '-';
    }
    for (unsigned i : {2u, 1u, 0u}) {
        text[n++] = c[i];
    }
    for (unsigned i = 0; i < n; ++i) {
        if (!label.data.Push(text[i])) {
            label.data.Clear();
            return false;
        }
    }
    label.identifier.Copy(KoreanPostalIdentifier((check ? 1u << 8 : 0u) | (dash ? 1u << 9 : 0u)));
    return true;
}

unsigned KoreanPostalDecoder::CountLeastReadRuns() const { return korean_->read.Get() ? 0u : kReadsNothing; }

}  // namespace DEC2DIvra
