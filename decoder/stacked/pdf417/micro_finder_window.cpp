#include "decoder/stacked/pdf417/micro_finder_window.h"

#include "decoder/stacked/pdf417/pdf_partial_scan_data.h"
#include "decoder/stacked/pdf417/pdf_scan_line.h"
#include "decoder/stacked/pdf_character_table.h"

namespace DEC2DIvra {

namespace {

constexpr unsigned kFractionBits = 8;

}  // namespace

bool MicroFinderWindow::Read(GrayImage const& image, PDFScanLine const& line, StackInterface<ScanElement> const& runs,
                             FinderCandidate const& candidate)
{
    int b = 0;
    int e = 0;
    if (runs.GetCount() == 0 || !line.CalcRealLineCoord(image, kFractionBits, candidate.segment.begin, b) ||
        !line.CalcRealLineCoord(image, kFractionBits, candidate.segment.end, e)) {
        return false;
    }
    long long const length = static_cast<long long>(e) - b;
    if (length <= 0 || length > 0x3FFFFFFF) {
        return false;
    }
    long long const minimum = 19 * length / 20;
    long long const maximum = 21 * length / 20;
    long long const start = b - length / 10;
    if (start < -0x7FFFFFFFLL) {
        return false;
    }
    bool const light = (candidate.inverted != 0) != (candidate.reversed != 0);
    MicroPDFPartialScanData window;
    ArrayIterator<ScanElement const> const first(runs.GetFirst(), runs.GetCount());
    if (!window.Set(first, light, static_cast<int>(start), candidate.contrast, static_cast<unsigned>(minimum),
                    static_cast<unsigned>(maximum), static_cast<unsigned>(length / 5)) ||
        window.GetLength() != 6) {
        return false;
    }
    long long const span = static_cast<long long>(window[5].end) - window[0].begin;
    if (span < minimum || span > maximum) {
        return false;
    }
    BarSymbolForPDF symbol;
    if (!window.CalcBarSymbol(candidate.reversed != 0, symbol)) {
        return false;
    }
    unsigned const table = MicroPDFCharacterTable::Lookup(symbol.pattern >> 1);
    if (table == 255 || (table >= 64) != (candidate.pattern >= 64)) {
        return false;
    }
    if (!line.CalcRealLineCoordPoint(image, symbol.begin, kFractionBits, begin_) ||
        !line.CalcRealLineCoordPoint(image, symbol.end, kFractionBits, end_)) {
        return false;
    }
    table_ = table;
    number_ = static_cast<int>(table >= 64 ? table - 64 : table);
    contrast_ = symbol.contrast;
    return true;
}

void MicroFinderWindow::Fill(FinderCandidate const& candidate, int number, FinderCandidate& found) const
{
    found.pattern = table_;
    found.number = number;
    found.inverted = candidate.inverted;
    found.reversed = candidate.reversed;
    found.contrast = static_cast<unsigned short>(contrast_ > 0xFFFF ? 0xFFFF : contrast_);
    found.segment = LineSegment{begin_, end_};
}

}  // namespace DEC2DIvra
