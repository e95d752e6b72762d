#pragma once

#include "decoder/core/geometry/point.h"
#include "decoder/core/geometry/vector.h"
#include "decoder/core/gray_image.h"

namespace DEC2DIvra {

// The unit steps of the four grid directions: 0 +y, 1 +x, 2 -y, 3 -x.
class StepToDirection {
public:
    static Vector Get(unsigned direction, int k)
    {
        static constexpr int kX[4] = {0, 1, 0, -1};
        static constexpr int kY[4] = {1, 0, -1, 0};
        return Vector{kX[direction & 3] * k, kY[direction & 3] * k};
    }
};

// Corner k of a square about the centre: x signs -1, 1, 1, -1 and y signs
// 1, 1, -1, -1.
class RegionCornerCoord {
public:
    static int X(unsigned k) { return (k & 3) == 1 || (k & 3) == 2 ? 1 : -1; }
    static int Y(unsigned k) { return (k & 3) < 2 ? 1 : -1; }
    static Vector SetCoef(Vector const& v, unsigned k) { return Vector{v.dx * X(k), v.dy * Y(k)}; }
};

// Module centres of a symbol as the centre point plus a column vector and a
// row vector: module (i, j) lies at centre + horizontal(i) + vertical(j).
// Each table is known over a range of indexes and extends beyond it by the
// edge step of that direction, so that the grid can be fitted ring by ring
// from the centre outward. Points and vectors carry 8 fraction bits.
class CommonVectorGrid {
public:
    static constexpr int kFractionBits = 8;
    // Far enough for the largest symbol (75 modules from the centre) and the
    // ring just outside it.
    static constexpr int kMaxIndex = 80;

    // Only index 0 known (a zero vector), every step zero.
    void Reset(Point const& centre);
    Point const& GetCenter() const { return centre_; }
    void SetCenter(Point const& centre) { centre_ = centre; }
    Vector const& GetStep(unsigned direction) const { return step_[direction & 3]; }
    void SetStep(unsigned direction, Vector const& step) { step_[direction & 3] = step; }

    // The column (horizontal) or row vector of an index, extended beyond the
    // known range; false for an index beyond kMaxIndex.
    bool CalcTempVector(int index, bool horizontal, Vector& vector) const;
    bool CalcTempHorizontalVector(int index, Vector& vector) const { return CalcTempVector(index, true, vector); }
    bool CalcTempVerticalVector(int index, Vector& vector) const { return CalcTempVector(index, false, vector); }
    // From the centre to module (i, j), extended where needed.
    bool CalcTempVectorFromCrossPoint(int i, int j, Vector& vector) const;
    // The same within the known ranges only.
    bool CalcVectorFromCrossPoint(int i, int j, Vector& vector) const;
    Point GetTempModuleCenter(int i, int j) const;
    // The grey value at module (i, j); false when its centre is not at least
    // one pixel inside the image.
    bool CalcTempModuleLuminance(GrayImage const& image, int i, int j, unsigned& value) const;
    // The vector from the centre to a module `index` steps along direction
    // measured: the edge step becomes vector / index, the vector is stored,
    // the entries between the old end and it are extended with the new step
    // and the known range reaches it. False for an index of 0 or beyond
    // kMaxIndex.
    bool ConfirmGrid(Vector const& vector, unsigned direction, int index);
    void Copy(CommonVectorGrid const& other) { *this = other; }
    // Corner k of the square of half size n: halfway between the module
    // centres of rings n and n + 1, shifted right by bits.
    bool CalcCornerOfSymbolRegion(int n, unsigned corner, unsigned bits, Point& point) const;
    // The known range of the column (horizontal) or row table.
    int GetLow(bool horizontal) const { return low_[horizontal ? 0 : 1]; }
    int GetHigh(bool horizontal) const { return high_[horizontal ? 0 : 1]; }

protected:
    Vector& Entry(bool horizontal, int index) { return table_[horizontal ? 0 : 1][index + kMaxIndex]; }
    Vector const& Entry(bool horizontal, int index) const { return table_[horizontal ? 0 : 1][index + kMaxIndex]; }

    Point centre_{};
    Vector step_[4] = {};
    Vector table_[2][2 * kMaxIndex + 1] = {};
    int low_[2] = {0, 0};
    int high_[2] = {0, 0};
};

}  // namespace DEC2DIvra
