#pragma once

#include "decoder/stacked/pdf417/column_data.h"
#include "decoder/stacked/pdf417/mod3_of_cluster.h"

namespace DEC2DIvra {

// A row indicator column: the codewords read next to the start (left) or
// stop (right) pattern, with the symbol values voted from them.
class RowIndicatorColumnData : public ColumnData {
public:
    using ColumnData::ColumnData;

    // Empty, values not set, 17 modules a codeword.
    void Reset();
    void SetValues(unsigned columnValue, unsigned rowValue, unsigned levelValue);

    bool CheckValue(unsigned codeword, unsigned cluster) const;
    void DeleteIrregular();
    bool CalcMod3OfCluster(Mod3OfCluster& order) const;
    void SetRowNumber(Mod3OfCluster const& order);
    unsigned CalcRowCount() const;

    bool right = false;      // next to the stop pattern
    bool valuesSet = false;
    unsigned columnValue = 0;  // VC
    unsigned rowValue = 0;     // VR
    unsigned levelValue = 0;   // VL
};

}  // namespace DEC2DIvra
