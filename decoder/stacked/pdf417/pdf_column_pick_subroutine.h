#pragma once

#include "decoder/core/containers/array.h"
#include "decoder/core/geometry/line.h"
#include "decoder/core/geometry/point.h"
#include "decoder/stacked/pdf417/bar_symbol_for_pdf.h"
#include "decoder/stacked/pdf417/pdf_column.h"

namespace DEC2DIvra {

class CalcSegmentScoreSubroutine;
class ColumnData;
class CommonCodeMesh;
class CommonLuminanceMap;
class DataCharacterStack;
class GrayImage;
class RateForTuningCalculator;
class SharedMemoryDistributor;
struct Mod3OfCluster;
template <class T>
class VariableSizeVirtualTable;

// Reads symbol characters from the grey values at their 17 module centres:
// a mesh over one column, sampled and binarised, one character per mesh row.
class PDFColumnPickSubroutine {
public:
    PDFColumnPickSubroutine(SharedMemoryDistributor& memory, RateForTuningCalculator& tuning,
                            CalcSegmentScoreSubroutine& score);

    // Every character of one outlined column into its stack.
    bool Start(GrayImage const& image, bool inverted, unsigned firstCluster, unsigned edgeParameter, bool tryHarder,
               DataCharacterStack& stack) const;
    // The characters of one column between border lines, recorded in `out`.
    bool Start(GrayImage const& image, Mod3OfCluster const* order, unsigned rows, ColumnData const& reference,
               RegionBorderLine const& border, unsigned edgeParameter, bool inverted, bool reversed, bool halfStep,
               bool tryHarder, ColumnData& out) const;

private:
    struct Buffers;
    Buffers* buffers_ = nullptr;
    RateForTuningCalculator* tuning_ = nullptr;
    CalcSegmentScoreSubroutine* score_ = nullptr;
};

}  // namespace DEC2DIvra
