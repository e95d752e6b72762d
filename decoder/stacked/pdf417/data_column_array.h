#pragma once

#include "decoder/core/containers/array.h"
#include "decoder/core/containers/stack_interface.h"
#include "decoder/stacked/pdf417/column_data.h"

namespace DEC2DIvra {

// The readings of one data column: the column's records (row, value, score
// and the rest) with, per row, the best score any reader got there so far;
// after a vote also the winning score of each row.
class DataColumnData : public ColumnData {
public:
    static constexpr unsigned kMaxRows = 90;
    static constexpr unsigned short kMissing = 65535;
    // Readings that score 26214 or less take no part in the vote.
    static constexpr unsigned short kVoteScore = 26215;

    using ColumnData::ColumnData;

    // Empty, every row score 0.
    void Reset(unsigned index);
    // The row vote: every row's value, 65535 where no value won.
    void GetValue(Array<unsigned short, kMaxRows>& values);
    unsigned CountValue() const { return valueCount_; }

    unsigned index = 0;
    unsigned short bestScore[kMaxRows] = {};
    unsigned winningScore[kMaxRows] = {};

private:
    unsigned valueCount_ = 0;
};

// Writes one column's row values into the codeword list (rows x columns
// long already): row r at r x columns + column, a missing value as 0 with its
// index appended to the erasures while they have room. False when the column
// or the rows do not fit the list.
bool PutColumnValues(Array<unsigned short, DataColumnData::kMaxRows> const& values, unsigned column,
                     unsigned columnCount, unsigned rowCount, StackInterface<unsigned short>& codewords,
                     StackInterface<unsigned short>& erasures);

// The data columns of one symbol.
class DataColumnArray {
public:
    void Set(DataColumnData* columns, unsigned columnCount, unsigned rowCount)
    {
        columns_ = columns;
        columnCount_ = columnCount;
        rowCount_ = rowCount;
    }
    DataColumnData& operator[](unsigned i) { return columns_[i]; }
    DataColumnData const& operator[](unsigned i) const { return columns_[i]; }
    unsigned GetColumnCount() const { return columnCount_; }
    unsigned GetRowCount() const { return rowCount_; }

    // Row r of column c at r x columns + c; a missing value writes 0 and
    // its index goes to the erasures while they have room.
    bool GetCodeWords(StackInterface<unsigned short>& codewords, StackInterface<unsigned short>& erasures) const;
    bool SetFillers(unsigned dataCount, StackInterface<unsigned short>& codewords,
                    StackInterface<unsigned short>& erasures) const;

private:
    DataColumnData* columns_ = nullptr;
    unsigned columnCount_ = 0;
    unsigned rowCount_ = 0;
};

}  // namespace DEC2DIvra
