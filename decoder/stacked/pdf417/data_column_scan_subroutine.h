#pragma once

#include "decoder/core/containers/stack_interface.h"
#include "decoder/linear/roads/scan_buffer.h"
#include "decoder/linear/roads/scan_subroutine.h"
#include "decoder/stacked/micro_pdf_version_table.h"

namespace DEC2DIvra {

class ColumnData;
class DataColumnArray;
class DataColumnData;
class GrayImage;
class MicroFinderColumnData;
class PDFErrorDetection;
class RowIndicatorColumnData;
class RowScanLineGenerator;
class SharedMemoryDistributor;
struct DecodeParameterForPDF;
struct Mod3OfCluster;
struct ScanParameter;

// Reads the data codewords by edge scans along the row scan lines, column
// by column next to an already read column: PDF417 symbols of fewer than 9
// rows (or those the pick reader hands over) from both row indicator
// columns inward, and MicroPDF417 next to its row address columns.
class DataColumnScanSubroutine {
public:
    static constexpr unsigned kMaxColumns = 30;
    static constexpr unsigned kMaxCodewords = 2700;
    static constexpr unsigned kMaxSamples = 1232;
    static constexpr unsigned kFractionBits = 4;
    static constexpr unsigned short kFinalScore = 45874;
    // Passes over a MicroPDF417 symbol before it is given up.
    static constexpr unsigned kMaxPasses = 64;

    DataColumnScanSubroutine(SharedMemoryDistributor& memory, PDFErrorDetection& detection);

    bool Start(GrayImage const& image, RowIndicatorColumnData const* left, RowIndicatorColumnData const* right,
               Mod3OfCluster const& order, DecodeParameterForPDF const& parameter,
               RowScanLineGenerator const& generator, bool inverted, DataColumnArray& array,
               StackInterface<unsigned short>& codewords) const;
    bool Start(GrayImage const& image, MicroFinderColumnData const* left, MicroFinderColumnData const* center,
               MicroFinderColumnData const* right, Mod3OfCluster const& order,
               MicroPDFVersionTable::Element const& version, RowScanLineGenerator const& first,
               RowScanLineGenerator const& second, bool inverted, DataColumnArray& array,
               StackInterface<unsigned short>& codewords) const;

    // One cycle over one data column next to `reference`; true when it
    // read a codeword.
    bool ScanOneCycle(GrayImage const& image, RowScanLineGenerator const& generator, ColumnData const& reference,
                      Mod3OfCluster const& order, unsigned rows, unsigned cycle, bool side, bool inverted,
                      DataColumnData& out) const;
    // One cell; false ends the walk in its direction.
    bool Scan(GrayImage const& image, ScanParameter const& parameter, Mod3OfCluster const& order, unsigned rows,
              bool side, bool inverted, DataColumnData& out) const;
    bool CalcScanParameter(GrayImage const& image, RowScanLineGenerator const& generator, unsigned cycle, int row,
                           ColumnData const& reference, bool side, ScanParameter& parameter) const;
    bool CalcCodeWords(unsigned errorCorrection, DataColumnArray const& array,
                       StackInterface<unsigned short>& codewords) const;

private:
    static constexpr unsigned kRowAddressModules = 10;

    // The same next to a reference of `modules` modules an element.
    bool ScanOneCycle(GrayImage const& image, RowScanLineGenerator const& generator, ColumnData const& reference,
                      unsigned modules, Mod3OfCluster const& order, unsigned rows, unsigned cycle, bool side,
                      bool inverted, DataColumnData& out) const;
    bool CalcScanParameter(GrayImage const& image, RowScanLineGenerator const& generator, unsigned cycle, int row,
                           ColumnData const& reference, unsigned modules, bool side, ScanParameter& parameter) const;
    // The scan line laid next to a reference of another module count than
    // a codeword's (a row address column) laid again for that count.
    static bool RelayForModules(GrayImage const& image, unsigned modules, ScanParameter& parameter);
    // Reads one column in cycles until it holds enough rows; false when a
    // cycle found nothing more first.
    bool ReadColumn(GrayImage const& image, RowScanLineGenerator const& generator, ColumnData const& reference,
                    Mod3OfCluster const& order, unsigned rows, bool side, bool inverted, DataColumnData& out) const;

    PDFErrorDetection* detection_ = nullptr;
    mutable ScanBuffer buffer_;
    ScanSubroutine scan_;
    mutable StackInterface<unsigned short> erasures_;
    bool ready_ = false;
};

}  // namespace DEC2DIvra
