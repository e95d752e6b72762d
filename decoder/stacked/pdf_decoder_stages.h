#pragma once

#include "decoder/core/containers/stack_interface.h"
#include "decoder/core/shared_memory_distributor.h"
#include "decoder/linear/line/rate_for_tuning_calculator.h"
#include "decoder/stacked/pdf417/calc_code_region_subroutine.h"
#include "decoder/stacked/pdf417/calc_code_vector_subroutine.h"
#include "decoder/stacked/pdf417/calc_data_stack_array_subroutine.h"
#include "decoder/stacked/pdf417/calc_pdf_column_subroutine.h"
#include "decoder/stacked/pdf417/calc_symbol_outline_subroutine.h"
#include "decoder/stacked/pdf417/data_column_array.h"
#include "decoder/stacked/pdf417/data_column_pick_subroutine.h"
#include "decoder/stacked/pdf417/data_column_scan_subroutine.h"
#include "decoder/stacked/pdf417/data_stack_array.h"
#include "decoder/stacked/pdf417/micro_finder_column_data.h"
#include "decoder/stacked/pdf417/mod3_of_cluster.h"
#include "decoder/stacked/pdf417/pdf_column_pick_subroutine.h"
#include "decoder/stacked/pdf417/pdf_column_scan_subroutine.h"
#include "decoder/stacked/pdf417/row_indicator_column_data.h"
#include "decoder/stacked/pdf417/row_indicator_pick_subroutine.h"
#include "decoder/stacked/pdf417/row_indicator_scan_subroutine.h"
#include "decoder/stacked/pdf417/row_scan_line_generator.h"
#include "decoder/stacked/pdf417/search_finder_subroutine.h"
#include "decoder/stacked/pdf417/start_stop_column_data.h"
#include "decoder/stacked/pdf_error_detection.h"

namespace DEC2DIvra {

// The column road's columns, lists and stages, laid once over the decoder's
// work area (the lists) and held as members (the stage objects, which must
// outlive the other decoders' use of the area).
struct PDFDecoderStages {
    static constexpr unsigned kStartStopColumns = SearchFinderSubroutine::kStartStopColumns;
    static constexpr unsigned kMicroColumns = SearchFinderSubroutine::kMicroColumns;
    static constexpr unsigned kDataColumns = DataStackArray::kMaxColumns;
    static constexpr unsigned kCodewords = 2700;
    // The data columns' readings share one pool: a column gets an equal
    // share of it, at most its full capacity.
    static constexpr unsigned kDataElements = 15 * ColumnData::kCapacity;

    // The stages take their buffers from `memory` in construction order.
    explicit PDFDecoderStages(SharedMemoryDistributor& memory);
    PDFDecoderStages(PDFDecoderStages const&) = delete;
    PDFDecoderStages& operator=(PDFDecoderStages const&) = delete;

    // Lays the lists over `memory`; false when the area has no room (then
    // also when a stage found none).
    bool Lay(SharedMemoryDistributor& memory);

    // Every column seated on its buffer and emptied, at the start of a call.
    void Clear();
    // The data column array set to a symbol's size, each column on its
    // share of the pool; false for a size the buffers do not hold.
    bool SetDataColumns(unsigned columnCount, unsigned rowCount);

    StartStopColumnDataStack startStop;
    MicroFinderColumnDataStack micro;
    StartStopColumnData* startStopColumns = nullptr;
    MicroFinderColumnData* microColumns = nullptr;

    DecodeParameterForPDF parameter;
    Mod3OfCluster order;
    RowIndicatorColumnData left;
    RowIndicatorColumnData right;
    RowScanLineGenerator lines[2];
    DataColumnData* dataColumns = nullptr;
    DataColumnArray columns;
    DataCharacterStack* characterStacks = nullptr;
    DataStackArray stacks;
    unsigned short* codewords = nullptr;
    MicroPDFVersionBallotBox ballot;

    PDFErrorDetection detection;
    RateForTuningCalculator tuning;
    CalcSegmentScoreSubroutine segmentScore;
    PDFColumnScanSubroutine columnScan;
    PDFColumnPickSubroutine columnPick;
    SearchFinderSubroutine search;
    RowIndicatorPickSubroutine indicatorPick;
    RowIndicatorScanSubroutine indicatorScan;
    CalcCodeVectorSubroutine codeVector;
    CalcSymbolOutlineSubroutine outline;
    CalcCodeRegionSubroutine codeRegion;
    CalcRowScanLineSubroutine rowScanLine;
    CalcDataStackArraySubroutine dataStack;
    DataColumnPickSubroutine dataPick;
    DataColumnScanSubroutine dataScan;

private:
    ColumnDataElement* indicatorElements_ = nullptr;
    ColumnDataElement* dataElements_ = nullptr;
    bool laid_ = false;
};

}  // namespace DEC2DIvra
