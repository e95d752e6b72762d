#pragma once

#include "decoder/core/geometry/region.h"
#include "decoder/stacked/micro_pdf_version_table.h"

namespace DEC2DIvra {

class ColumnData;
class DataColumnArray;
class DataStackArray;
class GrayImage;
class MicroFinderColumnData;
class RowIndicatorColumnData;
class StartStopColumnData;
struct DecodeParameterForPDF;

// The four corners of a read symbol in whole pixels: corner 0 where the left
// edge meets the top edge, then round by top x right, right x bottom and
// bottom x left.
class CalcCodeRegionSubroutine {
public:
    // A PDF417 symbol read column by column: the outer edges of the start
    // and stop patterns, else the inner edges of the row indicator columns,
    // else those of the outermost data columns that hold most of their rows;
    // top and bottom through the centres of the first and last rows.
    bool Start(GrayImage const& image, StartStopColumnData const* start, StartStopColumnData const* stop,
               RowIndicatorColumnData const* left, RowIndicatorColumnData const* right,
               DecodeParameterForPDF const& parameter, DataColumnArray const& columns, Region& region) const;
    // A PDF417 symbol read from its outline: the edges from the start and
    // stop columns, else the outer sides of the first and last character
    // columns; top and bottom from their outer segments.
    bool Start(GrayImage const& image, StartStopColumnData const* start, StartStopColumnData const* stop,
               DecodeParameterForPDF const& parameter, DataStackArray const& stacks, Region& region) const;
    // A MicroPDF417 symbol: the edges from its outer row address columns.
    bool Start(GrayImage const& image, MicroFinderColumnData const* left, MicroFinderColumnData const* right,
               MicroPDFVersionTable::Element const& version, DataColumnArray const& columns, Region& region) const;
};

}  // namespace DEC2DIvra
