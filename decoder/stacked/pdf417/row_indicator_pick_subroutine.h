#pragma once

#include "decoder/core/geometry/vector.h"
#include "decoder/stacked/pdf417/column_data.h"
#include "decoder/stacked/pdf417/mod3_of_cluster.h"
#include "decoder/stacked/pdf417/pdf_column.h"
#include "decoder/stacked/pdf417/row_indicator_ballot.h"

namespace DEC2DIvra {

class GrayImage;
class PDFColumnPickSubroutine;
class PDFColumnScanSubroutine;
class RowIndicatorColumnData;
class SharedMemoryDistributor;
class StartStopColumnData;

// Reads the two row indicator columns beside the start and stop patterns:
// first from the grey values at the module centres of the columns laid next
// to the patterns, then codeword by codeword along scan lines across them,
// and votes the symbol's rows, data columns and level from what was read.
class RowIndicatorPickSubroutine {
public:
    RowIndicatorPickSubroutine(SharedMemoryDistributor& memory, PDFColumnScanSubroutine& columnScan,
                               PDFColumnPickSubroutine& columnPick);
    RowIndicatorPickSubroutine(RowIndicatorPickSubroutine const&) = delete;
    RowIndicatorPickSubroutine& operator=(RowIndicatorPickSubroutine const&) = delete;

    bool Start(GrayImage const& image, Vector const& codeVector, StartStopColumnData const* start,
               StartStopColumnData const* stop, bool inverted, RowIndicatorColumnData& left,
               RowIndicatorColumnData& right, Mod3OfCluster& order, DecodeParameterForPDF& parameter) const;
    // Copies the picked codewords into the column and votes them.
    bool Register(ColumnData const& picked, RowIndicatorColumnData& column) const;
    // One codeword of a row indicator along scan line `step` of a pass;
    // true to go on along this direction.
    bool Scan(GrayImage const& image, Vector const& codeVector, StartStopColumnData const& finder,
              PDFColumn const* indicator, bool inverted, bool side, unsigned pass, bool direction, unsigned step,
              RowIndicatorColumnData& column) const;

    bool IsReady() const { return picked_[0].GetCapacity() > 0 && picked_[1].GetCapacity() > 0; }

private:
    PDFColumnScanSubroutine* columnScan_;
    PDFColumnPickSubroutine* columnPick_;
    // Start column, stop column, left and right row indicator columns.
    mutable PDFColumn columns_[4];
    // What one pick reads, before it is registered (work-area buffers).
    mutable ColumnData picked_[2];
    mutable RowIndicatorBallot ballot_;
};

}  // namespace DEC2DIvra
