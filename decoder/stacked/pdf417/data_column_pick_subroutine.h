#pragma once

#include "decoder/core/containers/stack_interface.h"
#include "decoder/core/geometry/line.h"
#include "decoder/stacked/pdf417/pdf_column.h"

namespace DEC2DIvra {

class ColumnData;
class DataColumnArray;
class DataColumnData;
class GrayImage;
class PDFColumnPickSubroutine;
class PDFColumnScanSubroutine;
class PDFErrorDetection;
class RowIndicatorColumnData;
class RowScanLineGenerator;
class SharedMemoryDistributor;
struct DecodeParameterForPDF;
struct Mod3OfCluster;

// The main reader of the data codewords of a PDF417 symbol of 9 rows or
// more: the lattice of data columns is built from the row indicator columns
// inward, then row sweeps (one codeword per cell along the row scan lines)
// and column picks (whole columns read from their grey values) alternate by
// a plan chosen from the row height, each followed by the error check.
class DataColumnPickSubroutine {
public:
    static constexpr unsigned kMaxColumns = 30;
    static constexpr unsigned kMaxCodewords = 2700;
    // A cell whose best reading scores above this is not read again.
    static constexpr unsigned short kFinalScore = 45874;

    DataColumnPickSubroutine(SharedMemoryDistributor& memory, PDFColumnPickSubroutine& pick,
                             PDFColumnScanSubroutine& scan, PDFErrorDetection& detection);

    // The array holds the symbol's data columns (parameter.columns, at most
    // 30) and rows; its columns are emptied here.
    bool Start(GrayImage const& image, RowIndicatorColumnData const* left, RowIndicatorColumnData const* right,
               Mod3OfCluster const& order, DecodeParameterForPDF const& parameter,
               RowScanLineGenerator const& generator, bool inverted, DataColumnArray& array,
               StackInterface<unsigned short>& codewords) const;
    // Set by a failed Start when the rows are too high for narrow columns to
    // be picked: the edge reader should read the symbol instead.
    bool IsFallBack() const { return fallBack_; }

    // One sweep over one data column along the row scan lines of `cycle`.
    bool ScanOneCycle(GrayImage const& image, RowScanLineGenerator const& generator, unsigned cycle,
                      ColumnData const& reference, PDFColumn const& column, Mod3OfCluster const& order,
                      unsigned rows, bool inverted, bool right, DataColumnData& out) const;
    // One cell: the codeword between the column's borders on the line.
    bool Scan(GrayImage const& image, Line const& line, int row, unsigned contrast, PDFColumn const& column,
              Mod3OfCluster const& order, unsigned rows, bool inverted, bool right, DataColumnData& out) const;
    bool ErrorDetection(DataColumnArray const& array, unsigned errorCorrection,
                        StackInterface<unsigned short>& codewords) const;

private:
    struct Lattice;
    bool BuildLattice(GrayImage const& image, RowIndicatorColumnData const* left,
                      RowIndicatorColumnData const* right, DecodeParameterForPDF const& parameter,
                      RowScanLineGenerator const& generator, bool inverted, Lattice& lattice) const;
    bool Pick(GrayImage const& image, Lattice const& lattice, RowIndicatorColumnData const* left,
              RowIndicatorColumnData const* right, Mod3OfCluster const& order, unsigned rows,
              RowScanLineGenerator const& generator, bool inverted, unsigned pick, DataColumnArray& array,
              bool& complete) const;

    PDFColumnPickSubroutine* pick_ = nullptr;
    PDFColumnScanSubroutine* scan_ = nullptr;
    PDFErrorDetection* detection_ = nullptr;
    mutable StackInterface<unsigned short> erasures_;
    mutable bool fallBack_ = false;
};

}  // namespace DEC2DIvra
