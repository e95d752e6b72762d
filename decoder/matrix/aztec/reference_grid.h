#pragma once

#include "decoder/core/geometry/point.h"
#include "decoder/core/gray_image.h"
#include "decoder/matrix/aztec/common_vector_grid.h"

namespace DEC2DIvra {

// The crossings of a full-range symbol's reference lines, 16 modules apart,
// and one ring of points on its second-outermost module rows and columns
// with the symbol's corners. Entry (i, j) lies 16 i modules along direction
// 1 and 16 j along direction 0 from the centre, i and j from -5 to 5; a
// point (0, 0) has not been located.
struct ReferenceGridPointTable {
    static constexpr int kRadius = 5;
    static constexpr int kSide = 2 * kRadius + 1;

    Point points[kSide * kSide] = {};
    unsigned rings = 0;          // reference lines on each side of the centre line
    unsigned half = 0;           // modules from the centre module to the outermost
    unsigned char nearEdge = 0;  // the last reference line lies at most 4 modules inside the edge

    void Clear() { *this = ReferenceGridPointTable{}; }
    // Inside the ring bound, which never reaches past the table.
    bool IsIndex(int i, int j) const
    {
        int const bound = rings < static_cast<unsigned>(kRadius) ? static_cast<int>(rings) + 1 : kRadius;
        return i >= -bound && i <= bound && j >= -bound && j <= bound;
    }
    Point& At(int i, int j) { return points[(i + kRadius) + kSide * (j + kRadius)]; }
    Point const& At(int i, int j) const { return points[(i + kRadius) + kSide * (j + kRadius)]; }
    // Inside the ring bound and located.
    bool IsAvailable(int i, int j) const
    {
        return IsIndex(i, j) && !(At(i, j).x == 0 && At(i, j).y == 0);
    }
    // Modules from the last reference line to the edge ring's points.
    int GetEdgeDistance() const { return static_cast<int>(half) - 1 - 16 * static_cast<int>(rings); }
};

// A grid about one table point whose every module comes from its four edge
// steps.
class ReferenceGrid : public CommonVectorGrid {
public:
    // The steps from the table's neighbours of (i, j); ringBound is the ring
    // being searched.
    bool SetGrid(ReferenceGridPointTable const& table, int ringBound, int i, int j);
    // The steps of a centre-line point, the inward one measured in the image
    // half way to the next point in.
    bool SetCenterGrid(GrayImage const& image, bool b, bool laplacian, ReferenceGridPointTable const& table, int i,
                       int j);
    // The direction from (i, j) toward the centre; false for the centre.
    static bool CalcInsideIndex(int i, int j, unsigned& d);

private:
    bool CalcOutermostStepOfCenter(ReferenceGridPointTable const& table, int i, int j);
    bool CalcOutermostStepOfCenter(GrayImage const& image, bool b, bool laplacian,
                                   ReferenceGridPointTable const& table, int i, int j);
    bool CalcOutermostStepOfCorner(ReferenceGridPointTable const& table, int ringBound, int i, int j);
    // The sideways step d of a centre-line point P with inward point I.
    bool CalcSideStep(ReferenceGridPointTable const& table, int i, int j, unsigned dIn, unsigned d, Vector& v) const;
};

// The grid of a search toward a point: started at an end point found on the
// way, its step along d measured over the last 8 modules.
class GridForSearchNextGrid : public CommonVectorGrid {
public:
    void SetGrid(CommonVectorGrid const& grid, unsigned d, Point const& from, Point const& to);
};

// The module between two points c modules apart that best continues the
// alternation from both.
class CalcGridCenterPointSubroutine {
public:
    void Start(GrayImage const& image, bool laplacian, Point const& p, Point const& q, bool colour, unsigned c,
               Point& point) const;
};

}  // namespace DEC2DIvra
