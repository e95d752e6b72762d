#include "decoder/stacked/pdf417/data_column_array.h"

#include "decoder/stacked/pdf_error_detection.h"

namespace DEC2DIvra {

namespace {

// Up to four distinct values of one row with the best score each got.
struct RowTally {
    static constexpr unsigned kSlots = 4;
    unsigned short value[kSlots] = {};
    unsigned short score[kSlots] = {};
    unsigned used = 0;

    void Add(unsigned short v, unsigned short s)
    {
        for (unsigned i = 0; i < used; ++i) {
            if (value[i] == v) {
                if (s > score[i]) {
                    score[i] = s;
                }
                return;
            }
        }
        if (used < kSlots) {
            value[used] = v;
            score[used] = s;
            ++used;
        }
    }
};

}  // namespace

void DataColumnData::Reset(unsigned columnIndex)
{
    Clear();
    index = columnIndex;
    valueCount_ = 0;
    for (unsigned r = 0; r < kMaxRows; ++r) {
        bestScore[r] = 0;
        winningScore[r] = 0;
    }
}

void DataColumnData::GetValue(Array<unsigned short, kMaxRows>& values)
{
    for (unsigned r = 0; r < kMaxRows; ++r) {
        values[r] = kMissing;
        winningScore[r] = 0;
    }
    valueCount_ = 0;
    // Settles the tally of one row: the best value wins only when no other
    // value scored as high.
    auto const settle = [&](int row, RowTally const& tally) {
        if (row < 0 || row >= static_cast<int>(kMaxRows)) {
            return;
        }
        unsigned best = 0;
        unsigned second = 0;
        unsigned short bestValue = kMissing;
        for (unsigned i = 0; i < tally.used; ++i) {
            if (tally.score[i] > best) {
                second = best;
                best = tally.score[i];
                bestValue = tally.value[i];
            } else if (tally.score[i] > second) {
                second = tally.score[i];
            }
        }
        unsigned const r = static_cast<unsigned>(row);
        winningScore[r] = best;
        if (best != 0 && best > second) {
            // A row met again further down the list is not counted twice.
            if (values[r] == kMissing) {
                ++valueCount_;
            }
            values[r] = bestValue;
        }
    };
    RowTally tally;
    int row = -1;
    for (unsigned i = 0; i < count_; ++i) {
        ColumnDataElement const& element = elements_[i];
        if (element.row != row) {
            settle(row, tally);
            tally = RowTally{};
            row = element.row;
        }
        if (element.score >= kVoteScore) {
            tally.Add(element.codeword, element.score);
        }
    }
    settle(row, tally);
}

bool PutColumnValues(Array<unsigned short, DataColumnData::kMaxRows> const& values, unsigned column,
                     unsigned columnCount, unsigned rowCount, StackInterface<unsigned short>& codewords,
                     StackInterface<unsigned short>& erasures)
{
    if (column >= columnCount || rowCount > DataColumnData::kMaxRows ||
        static_cast<unsigned long long>(rowCount) * columnCount > codewords.GetCount()) {
        return false;
    }
    for (unsigned r = 0; r < rowCount; ++r) {
        unsigned const index = r * columnCount + column;
        if (values[r] == DataColumnData::kMissing) {
            codewords[index] = 0;
            erasures.Push(static_cast<unsigned short>(index));  // dropped when full
        } else {
            codewords[index] = values[r];
        }
    }
    return true;
}

bool DataColumnArray::GetCodeWords(StackInterface<unsigned short>& codewords,
                                   StackInterface<unsigned short>& erasures) const
{
    unsigned long long const total = static_cast<unsigned long long>(rowCount_) * columnCount_;
    if (columns_ == nullptr || columnCount_ == 0 || rowCount_ == 0 || rowCount_ > DataColumnData::kMaxRows ||
        total > codewords.GetCapacity() || total > 65535 || !codewords.SetCount(static_cast<unsigned>(total))) {
        return false;
    }
    erasures.Clear();
    Array<unsigned short, DataColumnData::kMaxRows> values;
    for (unsigned c = 0; c < columnCount_; ++c) {
        columns_[c].GetValue(values);
        if (!PutColumnValues(values, c, columnCount_, rowCount_, codewords, erasures)) {
            return false;
        }
    }
    return true;
}

bool DataColumnArray::SetFillers(unsigned dataCount, StackInterface<unsigned short>& codewords,
                                 StackInterface<unsigned short>& erasures) const
{
    return PDFErrorDetection::SetFillers(dataCount, codewords, erasures);
}

}  // namespace DEC2DIvra
