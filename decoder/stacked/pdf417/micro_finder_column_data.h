#pragma once

#include "decoder/core/containers/stack_interface.h"
#include "decoder/core/geometry/line_segment.h"
#include "decoder/stacked/micro_pdf_version_table.h"
#include "decoder/stacked/pdf417/column_data.h"

namespace DEC2DIvra {

struct Mod3OfCluster;

// One row address column of a MicroPDF417 symbol (or CC-A) as the search
// followed it: each record keeps the pattern number (in the row field, later
// replaced by the row number; counted modulo 52), the pattern width / 4 (in
// the contrast field), the pattern's end points and score 1.
class MicroFinderColumnData : public ColumnData {
public:
    using ColumnData::ColumnData;

    // Appends a record (end points swapped when the column is reversed);
    // a full column drops its oldest records first.
    void Push(LineSegment const& segment, unsigned width, unsigned number, int second);
    void SetRowNumbers(MicroPDFVersionTable::FinderPosition position, MicroPDFVersionTable::Element const& element);
    unsigned CountRows() const;
    unsigned CountSkippedRows() const;
    static bool CalcChebyshevDistance(MicroFinderColumnData const& a, MicroFinderColumnData const& b,
                                      unsigned& distance);

    bool reversed = false;
    bool inverted = false;
    bool center = false;
    LineSegment lineSegment;  // the scan segment the column was found on
};

// One vote counter per version table element.
class MicroPDFVersionBallotBox {
public:
    void Load();  // every counter 0
    bool GetVersion(bool keepFirst, MicroPDFVersionTable::Element& element) const;
    void Vote(unsigned index) const { ++votes_[index]; }
    unsigned GetVotes(unsigned index) const { return votes_[index]; }

private:
    mutable unsigned votes_[MicroPDFVersionTable::kCount] = {};
};

// The row address columns built by one search.
class MicroFinderColumnDataStack : public StackInterface<MicroFinderColumnData> {
public:
    using StackInterface<MicroFinderColumnData>::StackInterface;

    unsigned GetLeftCenterRightColumnDataPtr(MicroFinderColumnData*& left, MicroFinderColumnData*& center,
                                             MicroFinderColumnData*& right, bool& inverted);
    unsigned GetMicroPDFVersion(MicroPDFVersionBallotBox const& box, MicroFinderColumnData const* left,
                                MicroFinderColumnData const* center, MicroFinderColumnData const* right,
                                MicroPDFVersionTable::Element& element, Mod3OfCluster& order) const;
    void Push(MicroPDFVersionTable::FinderPosition position, MicroPDFVersionBallotBox const& box,
              MicroFinderColumnData const& column) const;
};

}  // namespace DEC2DIvra
