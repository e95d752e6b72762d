#pragma once

#include "decoder/core/location/bar_region_gradient_tensor.h"
#include "decoder/core/gray_image.h"
#include "decoder/core/geometry/rectangle.h"

namespace DEC2DIvra {

// The gradient structure of an image on a coarse grid of square cells over
// the searched area, and which cells look like parallel bars.
//
// One pass over the pixels sums, per cell, the products of the differences
// over each 2 x 2 block of pixels, gx = right column - left column and
// gy = lower row - upper row (both centred on the block's middle). A cell
// is then judged by the sums of the 3 x 3 cells around it, so that a cell
// lying inside a wide bar still sees the edges beside it: it is bar-like when
// the grey level changes enough there and nearly all of the change lies along
// one direction. Integer arithmetic throughout; every pixel is read at most
// four times (by the blocks it belongs to) and nothing is kept per pixel.
class BarOrientationField {
public:
    static constexpr unsigned kDefaultCellSide = 8;
    static constexpr unsigned kMaxCells = 160 * 120;
    static constexpr unsigned kMaxColumns = 1024;
    // The widest area searched (the widest frame the handle takes).
    static constexpr unsigned kMaxWidth = 16384;
    // A cell holds at most this many samples per side, so that its 32-bit
    // sums of gradient products (each below 2^22) cannot overflow.
    static constexpr unsigned kMaxSamplesPerSide = 16;

    struct Cell {
        int xx;
        int yy;
        int xy;
        unsigned short samples;
    };

    // What the 3 x 3 neighbourhood of a cell says.
    struct Judgement {
        unsigned short angle;     // doubled principal direction, 9 bits
        unsigned char coherence;  // squared, 0 .. 255: (anisotropy / energy)^2
        unsigned char barLike;
    };

    // Sums the gradients of the area (inclusive bounds, inside the image)
    // into cells of `cellSide` pixels, sampling every `stride`-th pixel of
    // every `stride`-th row. The cell side grows (doubling) until the grid
    // fits, and the stride until a cell holds at most kMaxSamplesPerSide
    // samples per side. False for an empty area, one wider than kMaxWidth, or
    // a cell side or stride of 0.
    bool Start(GrayImage const& image, Rectangle const& area, unsigned cellSide, unsigned stride);

    // Marks the bar-like cells: mean squared gradient at least `energyFloor`
    // (squared grey levels) and coherence at least `coherenceFloor` (of 255).
    // The neighbourhoods are summed and most cells turned down eight at a
    // time in 256-bit lanes where the processor has them and `wideLanes`
    // allows; either way the same cells are judged the same.
    void Classify(unsigned energyFloor, unsigned coherenceFloor, bool wideLanes = true);

    // The grey-level noise of the image (its standard deviation, grey
    // levels), from the quietest tenth of the cells: there the differences
    // are noise alone, and a 2 x 2 difference of noise of deviation d has the
    // mean square 4 d^2 per component.
    // The whole cells are binned four at a time in 256-bit lanes where the
    // processor has them and `wideLanes` allows (the same level either way).
    unsigned CalcNoiseLevel(bool wideLanes = true) const;

    Rectangle const& GetArea() const { return area_; }
    unsigned GetCellSide() const { return cellSide_; }
    unsigned GetStride() const { return stride_; }
    unsigned GetColumns() const { return columns_; }
    unsigned GetRows() const { return rows_; }
    unsigned GetCellCount() const { return columns_ * rows_; }

    // A cell's sums as four whole words, as the lanes take them; columns of
    // the lanes' rows: whole groups of eight.
    struct CellSums {
        int xx;
        int yy;
        int xy;
        int samples;
    };
    static constexpr unsigned kQuantityCount = 4;
    static constexpr unsigned kLaneColumns = (kMaxColumns + 7) / 8 * 8;

    Judgement const& GetJudgement(unsigned index) const { return judgements_[index]; }
    // The bar-like cells of the last Classify, their indices in rising order.
    unsigned GetBarLikeCount() const { return barLikeCount_; }
    unsigned short const* GetBarLikeCells() const { return barLikeCells_; }
    GradientTensor CalcTensor(unsigned index) const
    {
        Cell const& c = cells_[index];
        return GradientTensor{c.xx, c.yy, c.xy, c.samples};
    }
    // Pixel coordinates of a cell's centre.
    int CalcCentreX(unsigned column) const { return area_.left + static_cast<int>(column * cellSide_ + cellSide_ / 2); }
    int CalcCentreY(unsigned row) const { return area_.top + static_cast<int>(row * cellSide_ + cellSide_ / 2); }

private:
    // The quantities summed per cell, each a row of its own in the sums.
    enum Quantity : unsigned { kXX, kYY, kXY, kSamples, kQuantities };
    // Columns of the row sums: whole groups of four, and zeros beyond.
    static constexpr unsigned kSumColumns = (kMaxColumns + 3) / 4 * 4;
    using RowSums = double[kQuantities][kSumColumns];

    // The sums of each cell of a row with its left and right neighbours, as
    // doubles (whole numbers far below 2^53, so exact), zero past the last
    // column; zeros throughout for a row beyond the grid.
    void SumRow(unsigned row, RowSums& sums);
    // Judges the cells of one row from the row sums above, at and below it.
    void JudgeRow(unsigned row, RowSums const& above, RowSums const& here, RowSums const& below,
                  unsigned energyFloor, unsigned coherenceFloor);
    // Classify in 256-bit lanes: the sums of each cell with its neighbours
    // along the row whole and as floats, eight cells at a time; the floats
    // turn down the cells that fail by more than their rounding, and the
    // whole sums judge the rest as JudgeRow does.
    void ClassifyLanes(unsigned energyFloor, unsigned coherenceFloor);

    Rectangle area_{};
    unsigned cellSide_ = 0;
    unsigned stride_ = 0;
    unsigned columns_ = 0;
    unsigned rows_ = 0;
    Cell cells_[kMaxCells];
    Judgement judgements_[kMaxCells];
    double rowCells_[kQuantities][kSumColumns + 2];  // one row of cells, a zero column either side
    RowSums rowSums_[3];
    // The lanes' rows: for the rows above, at and below the judged one, by
    // turns, the sums of three cells along the row, whole and as floats (a
    // group of eight columns in the lanes' order).
    CellSums laneCells_[3][kLaneColumns];
    float laneSums_[3][kQuantityCount][kLaneColumns];
    static_assert(kMaxCells <= 65536, "a cell's index fits 16 bits");
    unsigned short barLikeCells_[kMaxCells];
    unsigned barLikeCount_ = 0;
};

}  // namespace DEC2DIvra
