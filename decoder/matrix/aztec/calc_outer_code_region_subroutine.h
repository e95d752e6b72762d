#pragma once

#include "decoder/core/geometry/line.h"
#include "decoder/core/geometry/point.h"
#include "decoder/core/geometry/region.h"
#include "decoder/core/gray_image.h"
#include "decoder/core/sampling/common_code_mesh.h"
#include "decoder/matrix/aztec/aztec_codeword_placement.h"
#include "decoder/matrix/aztec/aztec_grid_measures.h"

namespace DEC2DIvra {

// Re-fits the four sides of a symbol without reference lines from a module
// table and the mesh it was sampled through: on each side it looks a few
// lines beyond the modules the grid covers for a line whose modules differ
// from both of their neighbours across the lines, re-centres those modules
// in the image and fits the side through them. Region points and mesh
// points share the mesh's fraction bits; counts[s] is the number of modules
// from the centre the grid covers in direction s (0 +y, 1 +x, 2 -y, 3 -x).
class CalcOuterCodeRegionSubroutine {
public:
    static constexpr unsigned kMaxPoints = 25;
    static constexpr unsigned kMaxLines = 5;

    // colour: the symbol is dark on light. False when no side could be
    // fitted or two fitted sides are parallel; counts then hold the sides
    // that were fitted.
    bool Start(GrayImage const& image, bool colour, CommonCodeMesh const& mesh,
               BinarizationTableForAztec const& table, Region const& region, unsigned (&counts)[4],
               Region& newRegion);

    // One side: its fitted line and its new count.
    bool CalcOuterLine(GrayImage const& image, bool colour, unsigned const (&counts)[4], unsigned s,
                       CommonCodeMesh const& mesh, BinarizationTableForAztec const& table, unsigned& newCount,
                       Line& line);
    // The line through the centres of the modules of the line after start
    // (along s) that the mask marks, length modules along s + 1.
    bool CalcOuterLine(GrayImage const& image, bool colour, CommonCodeMesh const& mesh, Point const& start,
                       unsigned s, unsigned length, unsigned bits, unsigned mask, Line& line);
    // The modules of `lines` lines from start outward along s, the chosen
    // triple's index, its middle line's modules and those that differ from
    // both neighbours.
    static bool CalcDataForLineSearch(BinarizationTableForAztec const& table, Point const& start, unsigned s,
                                      unsigned length, unsigned lines, unsigned& index, unsigned& bits,
                                      unsigned& mask);
    // The mask with the widest spread of set bits (over 1), the earlier on a
    // tie; false when none.
    static bool SelectLineSearchIndex(unsigned const (&masks)[kMaxLines - 2], unsigned length, unsigned count,
                                      unsigned& index);

private:
    Point points_[kMaxPoints] = {};
    CalcModuleCenterSubroutine centre_;
};

}  // namespace DEC2DIvra
