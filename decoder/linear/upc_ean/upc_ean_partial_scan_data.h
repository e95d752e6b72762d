#pragma once

#include "decoder/linear/line/partial_scan_data.h"

namespace DEC2DIvra {

// One UPC/EAN character as a window measured it. code holds the seven-module
// pattern (1 = space module, first module most significant) and, from bit 7
// up, the modules of a guard or separator measured together with it.
struct BarSymbolForWPC {
    unsigned code = 0;
    int begin = 0;  // line coordinates, begin < end whichever way the line was walked
    int end = 0;
    int width = 0;      // (end - begin) / 7
    int greyRange = 0;  // brightest run grey minus darkest
    unsigned char startFlag = 0;
    unsigned bars = 0;          // bar modules chosen (2-5)
    unsigned rejectedBars = 0;  // those of the other finalist, when ambiguous
    unsigned char ambiguous = 0;
    // Magnitude sums of the character's bars and spaces in its window.
    long long barSum = 0;
    long long spaceSum = 0;
};

// Module counts of one candidate split of a character: the two bars and the
// two spaces, each pair in order of rising magnitude.
struct WPCPatternCandidate {
    unsigned bars = 0;
    unsigned barModules[2] = {0, 0};
    unsigned spaceModules[2] = {0, 0};
};

// The UPC/EAN windows over a scan line. Every window is measured in the
// order the line was walked; barIsLight names the bar colour (true on a
// light-on-dark symbol).
class WPCPartialScanData : public PartialScanData<8> {
public:
    // Reads the four runs of one character by their magnitudes, choosing
    // among 2-5 bar modules; the expected units (of the neighbouring
    // guard or character) settle a choice the widths leave open.
    static bool CalcBarSymbol(bool barIsLight, PartialScanElement const* runs, long long expectedBarUnit,
                              long long expectedSpaceUnit, BarSymbolForWPC& symbol);
    // Chooses between two splits (a has fewer bar modules) by the elements
    // they disagree on; false when they agree on none.
    static bool SelectPatternCandidate(WPCPatternCandidate const& a, WPCPatternCandidate const& b,
                                       long long const barMagnitudes[2], long long const spaceMagnitudes[2],
                                       WPCPatternCandidate& chosen);
    // Shares modules among the bar runs and the space runs of count runs
    // (each colour sorted by magnitude, 1-4 modules a run) and writes their
    // pattern in walk order, 1 for space modules.
    static bool CalcWindowPattern(PartialScanElement const* runs, unsigned count, bool barIsLight,
                                  unsigned barModules, unsigned spaceModules, unsigned& pattern);

    // The window's second character (entries 4-7), expecting the units of the
    // first (entries 0-3), which `previous` describes.
    bool CalcBarSymbol(bool barIsLight, BarSymbolForWPC const& previous, BarSymbolForWPC& symbol) const;
};

// Whether a character read after an ambiguous one confirms its choice: its
// units lie strictly nearer the previous character's units under the chosen
// bar count than under the rejected one. Entries 0-3 of runs are the previous
// character.
bool ConfirmsAmbiguousChoice(PartialScanElement const* runs, bool barIsLight, BarSymbolForWPC const& previous,
                             BarSymbolForWPC const& next);

// Left guard and first character.
class WPCStartPartialScanData : public PartialScanData<7> {
public:
    bool CalcBarSymbol(bool barIsLight, BarSymbolForWPC& symbol) const;
};

// Centre guard: the character before it, the five guard runs and the
// character after it.
class WPCMiddlePartialScanData : public PartialScanData<13> {
public:
    bool CalcBarSymbol(bool barIsLight, BarSymbolForWPC const& previous, BarSymbolForWPC& symbol) const;
};

// The last character and the three-run right guard.
class WPCEndPartialScanData : public PartialScanData<7> {
public:
    bool IsEnd(bool barIsLight, BarSymbolForWPC const& last) const;
};

// The last UPC-E character and its six-run right guard.
class UPC_E_EndPartialScanData : public PartialScanData<10> {
public:
    bool IsEnd(bool barIsLight, BarSymbolForWPC const& last) const;
};

// The six-run UPC-E right guard met first, and the character after it.
class UPC_E_ReverceStartPartialScanData : public PartialScanData<10> {
public:
    bool CalcBarSymbol(bool barIsLight, BarSymbolForWPC& symbol) const;
};

// Add-on guard and first add-on digit.
class WPCAddonStartPartialScanData : public PartialScanData<7> {
public:
    bool CalcBarSymbol(bool barIsLight, bool walkedLeft, BarSymbolForWPC& symbol) const;
};

// Add-on separator and the next digit.
class WPCAddonPartialScanData : public PartialScanData<6> {
public:
    bool CalcBarSymbol(bool barIsLight, BarSymbolForWPC& symbol) const;
};

}  // namespace DEC2DIvra
