#pragma once

#include "decoder/core/geometry/region.h"
#include "decoder/core/gray_image.h"
#include "decoder/matrix/aztec/aztec_codeword_placement.h"
#include "decoder/matrix/aztec/aztec_grid_measures.h"
#include "decoder/matrix/aztec/common_vector_grid.h"

namespace DEC2DIvra {

// Samples a compact symbol that one straight grid cannot follow (a label
// bent around a can): from the bull's-eye's grid, each of the four arms of
// the symbol (the modules beyond the core in one direction) is walked line
// by line outward, the arm's own grid re-fitted on every line to module
// centres measured in the image, so that a grid bent around either axis
// stays on the modules. The table is square, 2 halfSize + 1 modules, the
// centre module in the middle, nonzero for the symbol's dark colour.
class CalcCurvedCompactTableSubroutine {
public:
    static constexpr int kCore = 5;      // the bull's-eye and the mode ring
    static constexpr int kMaxHalf = 13;  // 4 layers
    static constexpr unsigned kMaxSide = 2 * kMaxHalf + 1;

    // colour: the symbol is dark on light. False for a half size outside 7
    // .. 13 or a table too small; modules whose centre falls off the image
    // keep their previous value.
    bool Start(GrayImage const& image, bool colour, int halfSize, CommonVectorGrid const& finderGrid,
               BinarizationTableForAztec& table, Region& region);

private:
    // T from the light ring 3 and the dark ring 2 of the bull's-eye.
    void SetThreshold(GrayImage const& image, CommonVectorGrid const& grid);
    unsigned CalcAverageOfFrameLuminance(GrayImage const& image, CommonVectorGrid const& grid, int ring) const;
    // Module (x, y)'s table entry from its grey value where the grid puts it.
    void SetBinarizationTable(GrayImage const& image, CommonVectorGrid const& grid, int x, int y,
                              BinarizationTableForAztec& table) const;
    // Walks the arm in direction d outward to the symbol's edge.
    void CalcGridAlongGrid(GrayImage const& image, unsigned d, CommonVectorGrid& grid);
    // Of the 7 middle modules of the bull's-eye's dark frame on the arm's
    // side, those that show the dark colour at their centre or on the way to
    // the next line's module.
    unsigned CalcOuterEdgeModuleBits(GrayImage const& image, CommonVectorGrid const& grid, unsigned d) const;
    // Re-fits the arm's grid on line k: module centres re-found across the
    // line where a module differs from the lines on both sides, and along it
    // where it differs from both neighbours on the line.
    void ConfirmGridByScan(GrayImage const& image, unsigned d, int k, CommonVectorGrid& grid) const;
    // Modules from -count .. count of line k of the arm, first highest.
    unsigned CalcModuleBitsOnLine(GrayImage const& image, CommonVectorGrid const& grid, unsigned d, int k,
                                  int count) const;
    // The arm's own modules: of line k, those nearer the arm's axis than
    // the line's distance, right and left of the axis.
    void CalcModulesOfRightAndLeft(GrayImage const& image, unsigned d, int k, BinarizationTableForAztec& table) const;
    // The position of a module on a diagonal, where two arms meet: halfway
    // between where either puts it.
    Point CalcModulesOfCorner(int x, int y) const;
    // The diagonal modules from either neighbouring arm.
    void SetCornerModuleTable(GrayImage const& image, BinarizationTableForAztec& table) const;

    // Grid index (along d at k, m across) of module (x, y) and back.
    static void ArmToModule(unsigned d, int k, int m, int& x, int& y);
    bool IsDark(unsigned luminance) const { return colour_ ? luminance <= threshold_ : luminance > threshold_; }
    bool ModuleBit(GrayImage const& image, CommonVectorGrid const& grid, int x, int y, unsigned& bit) const;

    CommonVectorGrid arms_[4];
    CalcModuleCenterSubroutine centre_;
    unsigned threshold_ = 0;
    bool colour_ = true;
    int half_ = 0;
};

}  // namespace DEC2DIvra
