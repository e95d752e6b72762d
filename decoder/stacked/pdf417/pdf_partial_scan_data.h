#pragma once

#include "decoder/core/containers/array.h"
#include "decoder/core/containers/stack_interface.h"
#include "decoder/linear/line/common_partial_scan_data.h"
#include "decoder/linear/line/partial_scan_element.h"
#include "decoder/linear/roads/pick_line_element.h"
#include "decoder/stacked/pdf417/bar_symbol_for_pdf.h"

namespace DEC2DIvra {

// A window of 8 runs read as a PDF417 start or stop pattern.
class PDFFinderPartialScanData : public CommonPartialScanData {
public:
    PDFFinderPartialScanData() : CommonPartialScanData(storage_, 8, 2) {}
    bool IsStartCode(bool reversed) const;
    bool IsStopCode(bool reversed) const;
    bool CalcStartStopBarSymbol(bool reversed, BarSymbolForPDF& symbol) const;

private:
    PartialScanElement storage_[8];
};

// A window of 8 runs read as one PDF417 symbol character.
class PDFPartialScanData : public CommonPartialScanData {
public:
    // One split of the 17 modules among the bars and spaces, in order of
    // increasing run magnitude.
    struct CharacterCandidate {
        unsigned barTotal = 0;
        unsigned spaceTotal = 0;
        unsigned barMost = 6;
        unsigned spaceMost = 6;
        unsigned cluster = 0;
        unsigned bars[4] = {};
        unsigned spaces[4] = {};
    };

    PDFPartialScanData() : CommonPartialScanData(storage_, 8) {}
    bool CalcUnitWidth(bool reversed, Array<int, 4>& bars, Array<int, 4>& spaces) const;
    bool CalcBarSymbolForBigger(bool reversed, BarSymbolForPDF& symbol) const;
    bool CalcBarSymbolForSmaller(bool reversed, BarSymbolForPDF& symbol) const;
    // The smallest bar total of the eight splits tried: 4 when the bars'
    // magnitudes are clearly below the spaces', 6 when clearly above, else 5.
    static int CalcFirstBarTotal(long long barMagnitudes, long long spaceMagnitudes);
    static void SelectCharacterCandidate(CharacterCandidate const& first, CharacterCandidate const& second,
                                         Array<int, 4> const& barMagnitudes, Array<int, 4> const& spaceMagnitudes,
                                         CharacterCandidate& chosen);
    // Recognises the window (the smaller method when `bigger` is false) and
    // scores it against the grey samples of the pick line.
    bool CalcBarSymbol(StackInterface<PickLineElement> const& samples, bool bigger, bool reversed, bool inverted,
                       BarSymbolForPDF& symbol, unsigned short& score) const;

private:
    PartialScanElement storage_[8];
};

// A window of 6 runs read as a MicroPDF417 row address pattern.
class MicroPDFPartialScanData : public CommonPartialScanData {
public:
    MicroPDFPartialScanData() : CommonPartialScanData(storage_, 6) {}
    // The three bars and three spaces in walk order (10 modules).
    bool CalcUnitWidth(bool reversed, Array<int, 6>& widths) const;
    bool CalcBarSymbol(bool reversed, BarSymbolForPDF& symbol) const;
    // The forward and the backward reading at once; true when either is a
    // row address pattern.
    bool CalcBarSymbol(BarSymbolForPDF& forward, BarSymbolForPDF& backward) const;

private:
    PartialScanElement storage_[6];
};

}  // namespace DEC2DIvra
