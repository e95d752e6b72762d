#pragma once

namespace DEC2DIvra {

// The 34 MicroPDF417 sizes followed by the 17 CC-A sizes. Row r of a column
// carries row address pattern (column start + r) mod 52 (52 and 0 alike);
// with fewer than 3 data columns the left column starts at `start` and the
// right at start + offset; with 3 or 4 the center column starts at
// start + offset and the right at start + 2 x offset.
struct MicroPDFVersionTable {
    struct Element {
        unsigned char columns;
        unsigned char rows;
        unsigned char errorCorrection;
        unsigned char start;
        unsigned char offset;
        unsigned char ccA;

        // True when a row address pattern number (1 to 52, 0 the same as
        // 52) is one of the column's at `position` in a symbol of this size.
        bool IsIncluding(unsigned position, unsigned number) const;
        // True when `votes` row address patterns (of all columns) suffice to
        // take this size: as many as its rows for 1 and 2 data columns and
        // for CC-A sizes of 3, else three halves of its rows.
        bool IsEnableCount(unsigned votes) const;
    };

    enum FinderPosition : unsigned { kLeft = 0, kCenter = 1, kRight = 2 };

    static constexpr unsigned kCount = 51;
    static Element const table[kCount];

    // The first pattern number of a column of this size (1 to 52).
    static unsigned CalcColumnStart(Element const& element, FinderPosition position);
};

}  // namespace DEC2DIvra
