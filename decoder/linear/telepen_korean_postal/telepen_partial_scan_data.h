#pragma once

#include "decoder/linear/line/bar_symbol.h"
#include "decoder/linear/line/common_two_value_partial_scan_data.h"
#include "decoder/linear/line/partial_scan_data.h"

namespace DEC2DIvra {

// A Telepen window: one character of 16 modules, six to sixteen runs of
// one (narrow) or three (wide) modules. The window always walks along the
// line; a symbol met from its stop end (reversed) shows each character
// mirrored, its last run first.
class TelepenPartialScanData : public PartialScanData<16, CommonTwoValuePartialScanData> {
public:
    static constexpr unsigned kStartRuns = 12;
    static constexpr unsigned kMinRuns = 6;
    static constexpr unsigned kMaxRuns = 16;
    static constexpr unsigned kModules = 16;

    // The first window, kStartRuns runs: the start character read forward
    // (its narrow/wide bits, first run most significant, give 3) or the stop
    // character met from the symbol's end (6 or 7, the last run being the
    // space before it). runs: the runs the character takes (12 or 11);
    // module: the window's span / 16.
    bool CalcStartBarSymbol(BarSymbol& symbol, unsigned& runs, unsigned& module) const;
    // The character at the window's first run, its runs spanning about 16
    // modules of `module` (the width of the character before); on success
    // module becomes this character's and runs the runs it takes. Read
    // forward, the stop's last space lies in the quiet zone and counts
    // narrow.
    bool CalcBarSymbol(bool reversed, BarSymbol& symbol, unsigned& runs, unsigned& module) const;

    // A character's elements in its own order (bar, space, bar, ...; count
    // of them even), element k wide when bit k of `pattern` is set: each
    // bar with the space after it gives bits of the code, least significant
    // first (both narrow 1, wide bar 00, both wide 010, a narrow bar with a
    // wide space 01 opening a pair of such, 10 closing it). True when they
    // fill exactly 8 bits of even parity; code gets the 7-bit value.
    static bool PatternToTelepen(unsigned count, unsigned pattern, unsigned& code);

private:
    // Bars and spaces of the first `count` runs classified apart; the
    // elements' wide bits in walk order (run k at bit k).
    bool Classify(unsigned count, unsigned modules, unsigned& wide) const;
    long long WidthOf(unsigned count) const;
};

}  // namespace DEC2DIvra
