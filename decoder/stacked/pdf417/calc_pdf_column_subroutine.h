#pragma once

#include "decoder/core/geometry/line.h"
#include "decoder/core/geometry/line_segment.h"
#include "decoder/core/geometry/vector.h"
#include "decoder/stacked/pdf417/pdf_column.h"

namespace DEC2DIvra {

class ColumnData;
class GrayImage;
class RowScanLineGenerator;

// Builds the columns of the lattice: from a read column, one column width
// sideways from a built one, or between two built ones.
class CalcPDFColumnSubroutine {
public:
    bool Start(ColumnData const& column, unsigned side, PDFColumn& out) const;
    bool Start(GrayImage const& image, PDFColumn const& from, Vector const& codeVector, unsigned rows, bool inverted,
               unsigned side, PDFColumn& out) const;
    bool Start(PDFColumn const& left, PDFColumn const& right, PDFColumn& out) const;
};

// An edge line fitted from a few edge points found near a segment.
class CalcFineEdgeLineSubroutine {
public:
    bool Start(GrayImage const& image, LineSegment const& segment, Vector const& search, bool colour, unsigned range,
               Line& line) const;
};

// Lays the row scan lines between the two row indicator columns (or beside
// one of them, moved by the code vector).
class CalcRowScanLineSubroutine {
public:
    bool Start(GrayImage const& image, Vector const& codeVector, ColumnData const* left, ColumnData const* right,
               unsigned rows, RowScanLineGenerator& generator) const;
};

}  // namespace DEC2DIvra
