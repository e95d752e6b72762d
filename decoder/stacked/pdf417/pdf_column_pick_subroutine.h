#pragma once

#include "decoder/core/containers/array.h"
#include "decoder/core/containers/variable_size_virtual_table.h"
#include "decoder/core/geometry/line.h"
#include "decoder/core/geometry/point.h"
#include "decoder/core/sampling/common_code_grid.h"
#include "decoder/core/sampling/common_code_mesh.h"
#include "decoder/core/sampling/common_gap_and_threshold_map.h"
#include "decoder/core/sampling/common_luminance_map.h"
#include "decoder/stacked/pdf417/bar_symbol_for_pdf.h"
#include "decoder/stacked/pdf417/pdf_column.h"

namespace DEC2DIvra {

class CalcSegmentScoreSubroutine;
class ColumnData;
class DataCharacterStack;
class GrayImage;
class RateForTuningCalculator;
class SharedMemoryDistributor;
struct Mod3OfCluster;

// Reads symbol characters from the grey values at their 17 module centres:
// a mesh over one column, sampled and binarised, one character per mesh row.
// Patterns here hold modules 1 to 16 of a character, module 1 in bit 15, a
// space 1 (module 0 is always a bar, module 16 always a space).
class PDFColumnPickSubroutine {
public:
    static constexpr unsigned kModules = 17;
    static constexpr unsigned kMaxSteps = 270;
    static constexpr unsigned kMaxMeshRows = 274;
    // A reading this sure ends the shift search at once.
    static constexpr unsigned short kSureScore = 58981;
    // A corrected pattern must score above this to be taken.
    static constexpr unsigned short kCorrectedScore = 45874;

    PDFColumnPickSubroutine(SharedMemoryDistributor& memory, RateForTuningCalculator& tuning,
                            CalcSegmentScoreSubroutine& score);
    bool IsReady() const { return ready_; }

    // Every character of one outlined column into its stack.
    bool Start(GrayImage const& image, bool inverted, unsigned firstCluster, unsigned edgeParameter, bool tryHarder,
               DataCharacterStack& stack) const;
    // The characters of one column between border lines, recorded in `out`.
    bool Start(GrayImage const& image, Mod3OfCluster const* order, unsigned rows, ColumnData const& reference,
               RegionBorderLine const& border, unsigned edgeParameter, bool inverted, bool reversed, bool halfStep,
               bool tryHarder, ColumnData& out) const;

    bool Register(Mod3OfCluster const* order, Line const& firstBorder, Line const& secondBorder, unsigned row,
                  unsigned rows, Line const& scanLine, unsigned pattern, PDFCharacterWithScore const& character,
                  unsigned short contrast, bool reversed, ColumnData& out) const;

    bool CalcCharacter(GrayImage const& image, Array<Point, 17> const& centres, bool laplacian, bool inverted,
                       unsigned short& pattern, PDFCharacterWithScore& character) const;
    bool CalcCharacterPart(GrayImage const& image, Array<Point, 17> const& centres, bool laplacian, bool inverted,
                           unsigned short& pattern, PDFCharacterWithScore& character) const;
    void MakeLuminanceLineMap(GrayImage const& image, Array<Point, 17> const& centres, bool laplacian,
                              Array<unsigned, 17>& luminance, unsigned short& threshold) const;
    bool CalcClusterFromPattern(unsigned short pattern, int& cluster) const;
    bool CalcPatternFromCluster(Array<unsigned, 17> const& luminance, bool inverted, unsigned short threshold,
                                int cluster, unsigned short const& measured, unsigned short& pattern,
                                unsigned& value, unsigned short& score) const;
    bool CalcBinarizationTable(GrayImage const& image, bool inverted, bool tryHarder, unsigned edgeParameter,
                               CommonLuminanceMap& map, VariableSizeVirtualTable<bool>& table) const;
    bool CalcCodeMesh(GrayImage const& image, DataCharacterStack const& stack, CommonCodeMesh& mesh) const;

    // The mesh the last column was read on, its grey values and its table.
    CommonCodeMesh const& GetMesh() const { return mesh_; }
    CommonLuminanceMap const& GetLuminanceMap() const { return map_; }
    VariableSizeVirtualTable<bool> const& GetTable() const { return table_; }

private:
    // Modules 1 to 15 of mesh row `row` as a pattern; module 16 set.
    unsigned short TablePattern(unsigned tableRow) const;
    void Score(unsigned meshRow, bool inverted, unsigned short threshold, unsigned short pattern,
               unsigned short& score) const;
    void RowLuminance(unsigned meshRow, Array<unsigned, 17>& luminance, unsigned short& threshold,
                      unsigned& contrast) const;
    void RowCentres(unsigned meshRow, Array<Point, 17>& centres) const;
    void PushRuns(unsigned tableRow) const;

    mutable CommonCodeGrid grid_;
    mutable CommonCodeMesh mesh_;
    mutable CommonLuminanceMap map_;
    mutable CommonGapAndThresholdMap blocks_;
    mutable VariableSizeVirtualTable<bool> table_;
    RateForTuningCalculator* tuning_ = nullptr;
    CalcSegmentScoreSubroutine* score_ = nullptr;
    bool ready_ = false;
};

}  // namespace DEC2DIvra
