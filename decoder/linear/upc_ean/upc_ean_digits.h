#pragma once

#include "decoder/core/containers/stack_interface.h"
#include "decoder/linear/line/bar_symbol.h"

namespace DEC2DIvra {

// The characters of one UPC/EAN read as digits of the main symbol and of its
// add-on, left to right, with the parity set of each, and the checks that
// the symbol's parity patterns and check digits pass.
class UpcEanDigits {
public:
    static constexpr unsigned kMaxMain = 12;
    static constexpr unsigned kMaxAddon = 5;
    // Any character code from this value up carries an add-on guard or
    // separator.
    static constexpr int kAddonCode = 128;

    // Sorts a read into main symbol and add-on by its length (6, 8, 12 main
    // characters, plus 2 or 5); reverced: the main characters are stored
    // from the right-hand end. False for a length no symbol has, a
    // character code that is no character, or an add-on position holding a
    // main-symbol character.
    bool Set(StackInterface<BarSymbol> const& symbols, bool reverced);

    unsigned GetMainCount() const { return mainCount_; }
    unsigned GetAddonCount() const { return addonCount_; }
    unsigned char GetMain(unsigned i) const { return main_[i]; }
    unsigned char GetMainSet(unsigned i) const { return mainSets_[i]; }
    unsigned char GetAddon(unsigned i) const { return addon_[i]; }

    // EAN-13 / UPC-A: right half all set 1, the left half's parity names the
    // leading digit, and the check digit agrees.
    bool CheckWPC12() const;
    // EAN-8: right half set 1, left half set 0, the check digit agrees.
    bool CheckWPC8() const;
    // UPC-E: the parity names the check digit, which must be that of the
    // UPC-A expansion.
    bool CheckWPC6() const;
    bool CheckAddon2() const;
    bool CheckAddon5() const;
    // The add-on's digits appended to a label's text; false (with part of
    // them written) when the read holds no add-on of that length or the
    // text is full.
    bool WriteAddon2(StackInterface<char>& text) const;
    bool WriteAddon5(StackInterface<char>& text) const;
    // Every check that applies to the read's length.
    bool Check() const;

    // The EAN-13 leading digit named by the left half's parity (12 main
    // characters); 255 when the pattern names none.
    unsigned char CalcLeadingDigit() const;
    // Twelve main characters whose parity names the leading digit 0: a UPC-A.
    bool IsUpca() const { return mainCount_ == 12 && CalcLeadingDigit() == 0; }
    // UPC-E: number system 1 (first character of set 0).
    bool IsUpcE1() const { return mainCount_ == 6 && mainSets_[0] == 0; }
    // UPC-E: the check digit its parity names; 255 when none.
    unsigned char CalcUpcECheckDigit() const;

private:
    unsigned CalcSetZeroPattern() const;
    bool WriteAddon(StackInterface<char>& text) const;

    unsigned mainCount_ = 0;
    unsigned addonCount_ = 0;
    unsigned char main_[kMaxMain] = {};
    unsigned char mainSets_[kMaxMain] = {};
    unsigned char addon_[kMaxAddon] = {};
    unsigned char addonSets_[kMaxAddon] = {};
};

}  // namespace DEC2DIvra
