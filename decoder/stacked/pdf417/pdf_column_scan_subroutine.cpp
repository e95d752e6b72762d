#include "decoder/stacked/pdf417/pdf_column_scan_subroutine.h"

#include "decoder/core/geometry/geometry.h"
#include "decoder/core/geometry/ptr_line_segment.h"
#include "decoder/core/gray_image.h"
#include "decoder/core/shared_memory_distributor.h"
#include "decoder/linear/line/rate_for_tuning_calculator.h"
#include "decoder/linear/roads/pick_line_subroutine.h"
#include "decoder/stacked/pdf417/pdf_partial_scan_data.h"
#include "decoder/stacked/pdf_character_table.h"

namespace DEC2DIvra {

namespace {

// A 1/256-pixel coordinate to the nearest whole pixel.
int ToPixel(int value) { return static_cast<int>((static_cast<long long>(value) + 128) >> 8); }

long long Abs(long long v) { return v < 0 ? -v : v; }

}  // namespace

PDFColumnScanSubroutine::PDFColumnScanSubroutine(SharedMemoryDistributor& memory, RateForTuningCalculator& tuning)
    : tuning_(&tuning)
{
    VirtualArray<PickLineElement> const samples = memory.TakeArray<PickLineElement>(kMaxSamples);
    VirtualArray<ScanElement> const runs = memory.TakeArray<ScanElement>(kMaxSamples);
    // Profile and edge tables for one widened codeword only.
    VirtualArray<unsigned char> const work =
        memory.TakeArray<unsigned char>(kMaxSamples * static_cast<unsigned>(sizeof(ScanSubroutine::SlopeEntry) +
                                                                            sizeof(ScanSubroutine::EdgePair)));
    if (samples.GetCount() != kMaxSamples || runs.GetCount() != kMaxSamples || work.IsEmpty()) {
        return;
    }
    samples_.Set(samples.GetData(), kMaxSamples);
    runs_.Set(runs.GetData(), kMaxSamples);
    scan_ = ScanSubroutine(work);
    ready_ = scan_.IsReady();
}

bool PDFColumnScanSubroutine::Start(GrayImage const& image, LineSegment const& codeword, bool fine, unsigned contrast,
                                    bool inverted, bool edgeFlag, unsigned edgeParameter,
                                    PDFCharacterWithScore& character, int& cluster,
                                    unsigned short& windowContrast) const
{
    if (!ready_) {
        return false;
    }
    // 1. Three modules of margin on either side, in whole pixels inside the
    // image less one pixel.
    Point p0;
    Point p1;
    if (!Geometry::CalcDividingPoint(20, codeword.begin, -3, codeword.end, p0) ||
        !Geometry::CalcDividingPoint(-3, codeword.begin, 20, codeword.end, p1)) {
        return false;
    }
    LineSegment const widened{{ToPixel(p0.x), ToPixel(p0.y)}, {ToPixel(p1.x), ToPixel(p1.y)}};
    auto inside = [&image](Point const& p) {
        return p.x >= 1 && p.y >= 1 && p.x <= image.GetWidth() - 2 && p.y <= image.GetHeight() - 2;
    };
    if (!inside(widened.begin) || !inside(widened.end) || widened.begin == widened.end) {
        return false;
    }

    // 2. Samples along the widened segment and their runs.
    PtrLineSegment walk;
    if (!walk.Set(image, widened) || walk.GetLength() > kMaxSamples) {
        return false;
    }
    PickLineSubroutine const pick(samples_, kFractionBits);
    if (!pick.Start(image, walk)) {
        return false;
    }
    bool falseEdge = false;
    unsigned maxStep = 0;
    runs_.Clear();
    if (!scan_.Start(image, samples_, runs_, edgeFlag, edgeParameter, falseEdge, maxStep) || runs_.IsEmpty()) {
        return false;
    }

    // 3-4. The codeword's ends in line coordinates, one module the tolerance.
    int begin = 0;
    int end = 0;
    if (!walk.CalcRealLineCoord(image, 8, codeword.begin, begin) ||
        !walk.CalcRealLineCoord(image, 8, codeword.end, end)) {
        return false;
    }
    begin >>= 8 - kFractionBits;
    end >>= 8 - kFractionBits;
    long long const module = Abs(static_cast<long long>(end) - begin) / 17;
    if (module == 0 || end <= begin) {
        return false;
    }
    // Weak runs are merged only while the window falls short of the
    // codeword's end by more than the tolerance: a window that ends a hair
    // before it is whole.
    PDFPartialScanData window;
    ArrayIterator<ScanElement const> const from(runs_.GetFirst(), runs_.GetCount(), 0, 1);
    if (!window.ForceSet(from, inverted, static_cast<int>(begin - module), contrast, static_cast<int>(end - module)) ||
        window.GetLength() != 8) {
        return false;
    }
    if (Abs(static_cast<long long>(window.GetBegin()) - begin) > module ||
        Abs(static_cast<long long>(window.GetEnd()) - end) > module) {
        return false;
    }

    // 5. The character and its grey-level score.
    BarSymbolForPDF symbol;
    unsigned short score = 0;
    if (!window.CalcBarSymbol(samples_, fine, false, inverted, symbol, score)) {
        return false;
    }
    unsigned short const value = PDFCharacterTable::PatternToValue(symbol.pattern >> 1);
    if (value == 0xFFFF) {
        return false;
    }

    // 6.
    character.value = value;
    character.score = score;
    cluster = static_cast<int>(symbol.cluster);
    windowContrast = static_cast<unsigned short>(symbol.contrast > 0xFFFF ? 0xFFFF : symbol.contrast);
    if (tuning_ != nullptr && tuning_->IsEnabled()) {
        tuning_->Push(window);
    }
    return true;
}

}  // namespace DEC2DIvra
