#pragma once

#include "decoder/core/geometry/line_segment.h"
#include "decoder/stacked/pdf417/bar_symbol_for_pdf.h"

namespace DEC2DIvra {

class ColumnData;
class DataColumnArray;
class DataColumnData;
class DataStackArray;
class PDFErrorDetection;
struct Mod3OfCluster;
template <class T>
class StackInterface;

// What the data codeword readers share about one column's readings.

// The row a codeword read near `row` belongs to: its cluster names its
// place in the group of three rows, so a line that strayed into the row
// above or below is booked to that row.
int CorrectRowByCluster(Mod3OfCluster const& order, int row, int cluster);

// Appends a reading and keeps the row's best score; false when the column
// is full (nothing is stored then).
bool AppendReading(DataColumnData& column, LineSegment const& segment, unsigned windowContrast,
                   PDFCharacterWithScore const& character, unsigned cluster, int row);

// The rows' best scores from the column's readings (after a reader that
// registers readings on its own).
void NoteBestScores(DataColumnData& column);

// Sorts the readings along the column, drops those out of row order and
// fits the centre line.
void FinishColumn(ColumnData& column);

// The codeword list of the columns read so far, row by row, with its
// erasures, put through the error check.
bool CheckCodeWords(DataColumnArray const& array, unsigned errorCorrection, PDFErrorDetection& detection,
                    StackInterface<unsigned short>& codewords, StackInterface<unsigned short>& erasures);
bool CheckCodeWords(DataStackArray const& array, unsigned errorCorrection, PDFErrorDetection& detection,
                    StackInterface<unsigned short>& codewords, StackInterface<unsigned short>& erasures);

}  // namespace DEC2DIvra
