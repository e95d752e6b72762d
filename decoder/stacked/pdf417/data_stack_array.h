#pragma once

#include "decoder/core/containers/array.h"
#include "decoder/core/containers/stack_interface.h"
#include "decoder/core/geometry/line.h"
#include "decoder/core/geometry/line_segment.h"
#include "decoder/stacked/pdf417/mod3_of_cluster.h"

namespace DEC2DIvra {

// The characters of one column met along the rows, each between two
// boundary segments (one more segment than characters; a segment's first
// point lies on the column's left side, its second on its right), with a
// row-centre segment per character.
class CommonCharacterStack {
public:
    static constexpr unsigned kMaxRows = 90;

    struct Record {
        unsigned short value = 65535;
        unsigned short pattern = 0;
        LineSegment rowCenter;
    };

    void Clear(unsigned rows);
    unsigned GetCount() const { return count_; }
    Record& operator[](unsigned i) { return records_[i]; }
    Record const& operator[](unsigned i) const { return records_[i]; }
    LineSegment& Boundary(unsigned i) { return boundaries_[i]; }
    LineSegment const& Boundary(unsigned i) const { return boundaries_[i]; }
    void SetRowCenterSegment(unsigned index);

protected:
    Record records_[kMaxRows];
    LineSegment boundaries_[kMaxRows + 1];
    unsigned count_ = 0;
};

// A data column of the outline: the characters with their scores, the 17
// module-centre lines and whether the column is narrow.
class DataCharacterStack : public CommonCharacterStack {
public:
    static constexpr unsigned kNarrowDistance = 6528;
    static constexpr unsigned short kValueScore = 45875;

    void Clear(unsigned rows);
    void GetValueArray(Array<unsigned short, kMaxRows>& values) const;
    bool SetVerticalData();

    unsigned score[kMaxRows] = {};
    Line moduleLine[17];
    bool narrow = false;
};

// The data columns of one outlined symbol (up to 30).
class DataStackArray {
public:
    static constexpr unsigned kMaxColumns = 30;

    void Set(DataCharacterStack* stacks, unsigned columnCount, unsigned rowCount)
    {
        stacks_ = stacks;
        columnCount_ = columnCount;
        rowCount_ = rowCount;
    }
    DataCharacterStack& operator[](unsigned i) { return stacks_[i]; }
    DataCharacterStack const& operator[](unsigned i) const { return stacks_[i]; }
    unsigned GetColumnCount() const { return columnCount_; }
    unsigned GetRowCount() const { return rowCount_; }
    bool GetCodeWords(StackInterface<unsigned short>& codewords, StackInterface<unsigned short>& erasures) const;

private:
    DataCharacterStack* stacks_ = nullptr;
    unsigned columnCount_ = 0;
    unsigned rowCount_ = 0;
};

// A row indicator column of the outline: the character each row should
// show by the symbol parameters (value and 17-module pattern), whether the
// row has been matched or measured in the image, and the row geometry.
class RowIndicatorStack : public CommonCharacterStack {
public:
    void Initialize(bool right, DecodeParameterForPDF const& parameter);

    bool right = false;
    unsigned rows = 0;
    unsigned expectedPattern[kMaxRows] = {};
    unsigned char matched[kMaxRows] = {};
    LineSegment segment[kMaxRows];  // the character's own segment where measured
};

}  // namespace DEC2DIvra
