#include "decoder/linear/upc_ean/upc_ean_digits.h"

#include "decoder/linear/upc_ean/upc_ean_tables.h"

namespace DEC2DIvra {

namespace {

bool CalcLayout(StackInterface<BarSymbol> const& symbols, unsigned& main, unsigned& addon)
{
    switch (symbols.GetCount()) {
    case 6: main = 6; addon = 0; return true;
    case 8:
        // A seventh character with an add-on guard makes UPC-E + 2.
        if (symbols[6].value >= UpcEanDigits::kAddonCode) {
            main = 6;
            addon = 2;
        } else {
            main = 8;
            addon = 0;
        }
        return true;
    case 11: main = 6; addon = 5; return true;
    case 10: main = 8; addon = 2; return true;
    case 13: main = 8; addon = 5; return true;
    case 12: main = 12; addon = 0; return true;
    case 14: main = 12; addon = 2; return true;
    case 17: main = 12; addon = 5; return true;
    default: return false;
    }
}

}  // namespace

bool UpcEanDigits::Set(StackInterface<BarSymbol> const& symbols, bool reverced)
{
    mainCount_ = 0;
    addonCount_ = 0;
    unsigned main = 0;
    unsigned addon = 0;
    if (!CalcLayout(symbols, main, addon)) {
        return false;
    }
    for (unsigned i = 0; i < main; ++i) {
        UpcEanCharacter const& c = UpcEanTables::Lookup(symbols[reverced ? main - 1 - i : i].value);
        if (c.digit > 9) {
            return false;
        }
        main_[i] = c.digit;
        mainSets_[i] = c.set;
    }
    for (unsigned i = 0; i < addon; ++i) {
        int const code = symbols[main + i].value;
        UpcEanCharacter const& c = UpcEanTables::Lookup(code);
        if (code < kAddonCode || c.digit > 9) {
            return false;
        }
        addon_[i] = c.digit;
        addonSets_[i] = c.set;
    }
    mainCount_ = main;
    addonCount_ = addon;
    return true;
}

unsigned UpcEanDigits::CalcSetZeroPattern() const
{
    // The first six characters, first in bit 5: a bit is set for set 0.
    // Walked by pointer: g++ 12 miscompiles the indexed loop under the
    // bounds sanitizer.
    unsigned pattern = 0;
    for (unsigned char const* set = mainSets_; set != mainSets_ + 6; ++set) {
        pattern = (pattern << 1) | (*set == 0 ? 1u : 0u);
    }
    return pattern;
}

unsigned char UpcEanDigits::CalcLeadingDigit() const
{
    if (mainCount_ != 12) {
        return UpcEanTables::kNoCharacter;
    }
    // The character next to the centre guard in bit 0.
    return UpcEanTables::EvenOdd(CalcSetZeroPattern());
}

bool UpcEanDigits::CheckWPC12() const
{
    if (mainCount_ != 12) {
        return false;
    }
    for (unsigned i = 6; i < 12; ++i) {
        if (mainSets_[i] != 1) {
            return false;
        }
    }
    unsigned const leading = CalcLeadingDigit();
    if (leading > 9) {
        return false;
    }
    // From the check digit leftwards, weights 1, 3, 1, ...; the leading digit
    // takes weight 1.
    unsigned sum = leading;
    for (unsigned k = 0; k < 12; ++k) {
        sum += (k % 2 == 0 ? 1u : 3u) * main_[11 - k];
    }
    return sum % 10 == 0;
}

bool UpcEanDigits::CheckWPC8() const
{
    if (mainCount_ != 8) {
        return false;
    }
    unsigned sum = 0;
    for (unsigned k = 0; k < 8; ++k) {
        if (mainSets_[7 - k] != (k < 4 ? 1 : 0)) {
            return false;
        }
        sum += (k % 2 == 0 ? 1u : 3u) * main_[7 - k];
    }
    return sum % 10 == 0;
}

unsigned char UpcEanDigits::CalcUpcECheckDigit() const
{
    if (mainCount_ != 6) {
        return UpcEanTables::kNoCharacter;
    }
    unsigned const pattern = CalcSetZeroPattern();
    // Number system 1 uses the complementary parity patterns.
    return UpcEanTables::EvenOdd(IsUpcE1() ? ~pattern & 63u : pattern);
}

bool UpcEanDigits::CheckWPC6() const
{
    unsigned char const check = CalcUpcECheckDigit();
    unsigned char full[11];
    if (check > 9 || !UpcEanTables::ExpandUpcE(main_, full + 1)) {
        return false;
    }
    full[0] = IsUpcE1() ? 1 : 0;
    return UpcEanTables::CalcUpcACheckDigit(full) == check;
}

bool UpcEanDigits::CheckAddon2() const
{
    if (addonCount_ != 2) {
        return false;
    }
    unsigned const value = 10u * addon_[0] + addon_[1];
    return value % 4 == 2u * addonSets_[0] + addonSets_[1];
}

bool UpcEanDigits::CheckAddon5() const
{
    if (addonCount_ != 5) {
        return false;
    }
    unsigned const sum = 3u * (addon_[0] + addon_[2] + addon_[4]) + 9u * (addon_[1] + addon_[3]);
    unsigned pattern = 0;
    for (unsigned i = 0; i < 5; ++i) {
        pattern |= (addonSets_[i] == 0 ? 1u : 0u) << (4 - i);
    }
    return sum % 10 == UpcEanTables::EvenOdd(pattern);
}

bool UpcEanDigits::WriteAddon2(StackInterface<char>& text) const
{
    return addonCount_ == 2 && WriteAddon(text);
}

bool UpcEanDigits::WriteAddon5(StackInterface<char>& text) const
{
    return addonCount_ == 5 && WriteAddon(text);
}

bool UpcEanDigits::WriteAddon(StackInterface<char>& text) const
{
    for (unsigned i = 0; i < addonCount_; ++i) {
        if (!text.Push(static_cast<char>('0' + addon_[i]))) {
            return false;
        }
    }
    return true;
}

bool UpcEanDigits::Check() const
{
    bool main = false;
    switch (mainCount_) {
    case 12: main = CheckWPC12(); break;
    case 8: main = CheckWPC8(); break;
    case 6: main = CheckWPC6(); break;
    default: return false;
    }
    if (!main) {
        return false;
    }
    switch (addonCount_) {
    case 0: return true;
    case 2: return CheckAddon2();
    case 5: return CheckAddon5();
    default: return false;
    }
}

}  // namespace DEC2DIvra
