#include "decoder/stacked/pdf417/row_indicator_column_data.h"

namespace DEC2DIvra {

void RowIndicatorColumnData::Reset()
{
    Clear();
    valuesSet = false;
    SetModuleCount(kModules);
}

void RowIndicatorColumnData::SetValues(unsigned columnValue_, unsigned rowValue_, unsigned levelValue_)
{
    columnValue = columnValue_;
    rowValue = rowValue_;
    levelValue = levelValue_;
    valuesSet = true;
}

bool RowIndicatorColumnData::CheckValue(unsigned codeword, unsigned cluster) const
{
    if (!valuesSet) {
        return true;
    }
    unsigned expected = 0;
    switch (cluster) {
    case 0:
        expected = right ? columnValue : rowValue;
        break;
    case 3:
        expected = right ? rowValue : levelValue;
        break;
    case 6:
        expected = right ? levelValue : columnValue;
        break;
    default:
        return false;
    }
    return codeword % 30 == expected;
}

void RowIndicatorColumnData::DeleteIrregular()
{
    if (!valuesSet) {
        return;
    }
    unsigned kept = 0;
    for (unsigned i = 0; i < count_; ++i) {
        if (CheckValue(elements_[i].codeword, elements_[i].cluster)) {
            elements_[kept++] = elements_[i];
        }
    }
    count_ = kept;
}

bool RowIndicatorColumnData::CalcMod3OfCluster(Mod3OfCluster& order) const
{
    order.Reset();
    unsigned rises = 0;
    unsigned falls = 0;
    bool considered = false;
    unsigned previousGroup = 0;
    bool pushed = false;
    unsigned pushedGroup = 0;
    for (unsigned i = 0; i < count_; ++i) {
        ColumnDataElement const& e = elements_[i];
        if (!CheckValue(e.codeword, e.cluster)) {
            continue;
        }
        unsigned const group = e.codeword / 30u;
        if (considered) {
            rises += group > previousGroup ? 1 : 0;
            falls += group < previousGroup ? 1 : 0;
        }
        considered = true;
        previousGroup = group;
        if (order.count < 3) {
            // The clusters of one group of three rows, in reading order.
            if (pushed && group != pushedGroup) {
                order.Reset();
            }
            order.Push(e.cluster);
            pushed = true;
            pushedGroup = group;
        }
    }
    if (order.count < 3) {
        return false;
    }
    if (falls > rises) {
        // Read from the last row towards the first.
        for (unsigned char& place : order.place) {
            place = static_cast<unsigned char>(2 - place);
        }
    } else if (falls == rises) {
        // One group of three rows (or as many steps each way) tells no
        // reading direction: the clusters' own order stands, 0, 3, 6 from
        // the first row, else a symbol read from its last row would get its
        // rows upside down.
        order.SetIdentity();
    }
    return true;
}

void RowIndicatorColumnData::SetRowNumber(Mod3OfCluster const& order)
{
    unsigned const rows = 3 * rowValue + levelValue % 3 + 1;
    unsigned kept = 0;
    for (unsigned i = 0; i < count_; ++i) {
        ColumnDataElement e = elements_[i];
        unsigned const row = 3 * (e.codeword / 30u) + order.GetPlace(e.cluster);
        if (row >= rows || row > 127) {
            continue;
        }
        e.row = static_cast<signed char>(row);
        elements_[kept++] = e;
    }
    count_ = kept;
}

unsigned RowIndicatorColumnData::CalcRowCount() const
{
    if (count_ < 3) {
        return 0;
    }
    unsigned rows = 0;
    bool first = true;
    unsigned previous = 0;
    for (unsigned i = 0; i < count_; ++i) {
        ColumnDataElement const& e = elements_[i];
        if (!CheckValue(e.codeword, e.cluster)) {
            continue;
        }
        unsigned const key = e.codeword / 30u + e.cluster / 3u;
        if (first || key != previous) {
            ++rows;
        }
        first = false;
        previous = key;
    }
    return rows;
}

}  // namespace DEC2DIvra
