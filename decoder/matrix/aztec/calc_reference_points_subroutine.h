#pragma once

#include "decoder/core/geometry/line_segment.h"
#include "decoder/core/gray_image.h"
#include "decoder/matrix/aztec/common_vector_grid.h"
#include "decoder/matrix/aztec/reference_grid.h"

namespace DEC2DIvra {

// Locates a full-range symbol's reference points ring by ring from the
// bull's-eye outward, by how well the grey values along the reference
// lines alternate, and places the points by the symbol's edge and its
// corners. b: the symbol is light on dark; laplacian: sharpened values.
// Points carry 8 fraction bits.
class CalcReferencePointsSubroutine {
public:
    static constexpr unsigned kOffsets = 24;

    void CalcCrossPoints(GrayImage const& image, bool b, bool laplacian, CommonVectorGrid const& finderGrid,
                         unsigned layers, ReferenceGridPointTable& table) const;
    // The edge ring and the corners; true when all four corners were found.
    bool CalcSidePoints(GrayImage const& image, bool b, bool laplacian, ReferenceGridPointTable& table) const;
    void CalcSidePoints(GrayImage const& image, bool b, bool laplacian, bool rows, int a, int c, int d,
                        ReferenceGridPointTable& table) const;
    bool CalcSymbolCorners(ReferenceGridPointTable& table) const;
    void CalcOuterPointsOnCenterGrid(GrayImage const& image, bool b, bool laplacian, int n, int r,
                                     ReferenceGridPointTable& table) const;
    void CalcOuterPointsOnCornerGrid(GrayImage const& image, bool b, bool laplacian, int r,
                                     ReferenceGridPointTable& table) const;
    void CalcOuterPointsOnCornerGrid(GrayImage const& image, bool b, bool laplacian, int r, int a, int c,
                                     ReferenceGridPointTable& table) const;
    void CalcGridForSearch(GrayImage const& image, bool b, bool laplacian, CommonVectorGrid const& grid, unsigned d,
                           GridForSearchNextGrid& searchGrid) const;
    void CalcMaxCorrelationCrossPoint(GrayImage const& image, bool b, bool laplacian,
                                      GridForSearchNextGrid const (&grids)[2], unsigned k, Point& point) const;
    // The point n modules along d from the grid's centre (from module 5
    // of the finder grid with fromCentre); always written.
    void CalcGridEndPoint(GrayImage const& image, bool b, bool laplacian, bool wide, bool refineAcross,
                          bool fromCentre, CommonVectorGrid const& grid, unsigned d, int n, Point& point) const;
    bool CalcMaxCorrelationSegment(GrayImage const& image, bool b, bool laplacian, bool wide, bool refineAcross,
                                   int pivot, Vector const (&offsets)[kOffsets], CommonVectorGrid const& grid,
                                   Vector const (&steps)[4], unsigned d, int c, int o, LineSegment& segment) const;
    static void CalcToNextPointVectorArray(Vector const (&steps)[4], bool wide, Vector (&offsets)[kOffsets]);
};

}  // namespace DEC2DIvra
