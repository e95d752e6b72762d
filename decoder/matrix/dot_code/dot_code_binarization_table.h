#pragma once

#include "decoder/core/containers/virtual_array.h"

namespace DEC2DIvra {

// The dot decisions of a DotCode symbol, one byte per dot position (nonzero:
// a dot), W columns by H rows, row by row over a buffer of the caller. Dots
// stand where x + y is even; the codeword reader reads tables of even width
// and odd height.
class BinarizationTableForDotCode {
public:
    enum ReadingOrder : unsigned char {
        kForward = 0,  // rows from the top
        kReverse = 1,  // rows from the bottom
    };

    BinarizationTableForDotCode() = default;
    explicit BinarizationTableForDotCode(VirtualArray<unsigned char> const& cells) : cells_(cells) {}

    // False, table unchanged, when the cells do not fit.
    bool SetSize(unsigned width, unsigned height);
    unsigned GetWidth() const { return width_; }
    unsigned GetHeight() const { return height_; }
    unsigned GetCapacity() const { return cells_.GetCount(); }

    unsigned char& At(unsigned x, unsigned y) const { return cells_[y * width_ + x]; }

    // Mirrors the columns.
    void ReverseX();
    // Transposes through `scratch`; false, both unchanged, when scratch is too small.
    bool ExchangeXY(BinarizationTableForDotCode& scratch);
    // Copies the table without edge lines into `out` (mirrored when asked):
    // cut 0 drops the first and last columns and the first row, 1 the first
    // and last columns and the last row, 2 the first column, 3 the last
    // column, any other value the first and last columns.
    bool ExtractPartTable(unsigned cut, bool mirror, BinarizationTableForDotCode& out) const;

    // Copies a part cut as ExtractPartTable cuts (unmirrored) back into
    // the table; false when the sizes do not match.
    bool SetPartTable(BinarizationTableForDotCode const& part, unsigned cut);

    // Copies the table with a blank line added: side 0 before the first
    // column, 1 after the last, 2 above the first row, 3 below the last.
    bool ExtendTable(unsigned side, BinarizationTableForDotCode& out) const;

    // Dots the table holds (W x H / 2), and so the bits a reader can take.
    unsigned GetDotCount() const { return width_ * height_ / 2; }
    // Where the bit'th bit of the symbol lies in the given order; false when
    // the bit is beyond the last dot or the table is not of even width and
    // odd height.
    bool GetCoord(ReadingOrder order, unsigned bit, unsigned& x, unsigned& y) const;

private:
    VirtualArray<unsigned char> cells_;
    unsigned width_ = 0;
    unsigned height_ = 0;
};

}  // namespace DEC2DIvra
