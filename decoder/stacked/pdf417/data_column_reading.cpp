#include "decoder/stacked/pdf417/data_column_reading.h"

#include "decoder/stacked/pdf417/data_column_array.h"
#include "decoder/stacked/pdf417/data_stack_array.h"
#include "decoder/stacked/pdf417/mod3_of_cluster.h"
#include "decoder/stacked/pdf_error_detection.h"

namespace DEC2DIvra {

int CorrectRowByCluster(Mod3OfCluster const& order, int row, int cluster)
{
    if (cluster < 0) {
        return row;
    }
    int const place = static_cast<int>(order.GetPlace(static_cast<unsigned>(cluster)));
    int const d = place - ((row % 3) + 3) % 3;
    if (d == 1 || d == -2) {
        return row + 1;
    }
    if (d == -1 || d == 2) {
        return row - 1;
    }
    return row;
}

bool AppendReading(DataColumnData& column, LineSegment const& segment, unsigned windowContrast,
                   PDFCharacterWithScore const& character, unsigned cluster, int row)
{
    if (row < 0 || row >= static_cast<int>(DataColumnData::kMaxRows)) {
        return false;
    }
    ColumnDataElement element;
    element.row = static_cast<signed char>(row);
    element.codeword = character.value;
    element.contrast = static_cast<unsigned short>(windowContrast / 4);
    element.score = character.score;
    element.segment = segment;
    element.cluster = cluster;
    if (!column.Push(element)) {
        return false;
    }
    if (character.score > column.bestScore[row]) {
        column.bestScore[row] = character.score;
    }
    return true;
}

void NoteBestScores(DataColumnData& column)
{
    for (unsigned i = 0; i < column.GetCount(); ++i) {
        ColumnDataElement const& element = column[i];
        if (element.row >= 0 && element.row < static_cast<int>(DataColumnData::kMaxRows) &&
            element.score > column.bestScore[element.row]) {
            column.bestScore[element.row] = element.score;
        }
    }
}

void FinishColumn(ColumnData& column)
{
    column.Sort();
    if (column.GetOrientation() == 0) {
        column.AdjustX();
    } else if (column.GetOrientation() == 1) {
        column.AdjustY();
    }
    column.CalcCenterLine();
}


namespace {

template <class Columns>
bool Check(Columns const& array, unsigned errorCorrection, PDFErrorDetection& detection,
           StackInterface<unsigned short>& codewords, StackInterface<unsigned short>& erasures)
{
    erasures.Clear();
    return erasures.GetCapacity() > 0 && array.GetCodeWords(codewords, erasures) &&
           detection.Start(errorCorrection, codewords, erasures);
}

}  // namespace

bool CheckCodeWords(DataColumnArray const& array, unsigned errorCorrection, PDFErrorDetection& detection,
                    StackInterface<unsigned short>& codewords, StackInterface<unsigned short>& erasures)
{
    return Check(array, errorCorrection, detection, codewords, erasures);
}

bool CheckCodeWords(DataStackArray const& array, unsigned errorCorrection, PDFErrorDetection& detection,
                    StackInterface<unsigned short>& codewords, StackInterface<unsigned short>& erasures)
{
    return Check(array, errorCorrection, detection, codewords, erasures);
}

}  // namespace DEC2DIvra
