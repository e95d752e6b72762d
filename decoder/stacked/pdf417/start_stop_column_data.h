#pragma once

#include "decoder/core/containers/stack_interface.h"
#include "decoder/core/geometry/line.h"
#include "decoder/core/geometry/vector.h"
#include "decoder/stacked/pdf417/column_data.h"
#include "decoder/stacked/pdf417/pdf_scan_line.h"

namespace DEC2DIvra {

// The start or stop patterns of one column of a PDF417 symbol, followed
// from row to row: each record holds the pattern's segment, its width / 4
// (in the contrast field), 'Z' as its value and score 1.
class StartStopColumnData : public ColumnData {
public:
    using ColumnData::ColumnData;

    // Pattern type from the 17-module value: bit 0 read against the scan
    // direction, bit 1 reversed polarity; other values change nothing.
    void SetPattern(unsigned pattern);
    bool Push(LineSegment const& segment, unsigned width);
    // The scan line of step `index` along the column from its middle
    // record, `step` refining the spacing (1 the coarsest: a tenth of the
    // pattern's width, each further step halving it), `reverse` walking the
    // other way; the line runs through the pattern along the row.
    bool CalcScanLine(GrayImage const& image, Vector const& codeVector, unsigned step, bool reverse, unsigned index,
                      Line& line) const;
    // The same place laid as a scan line from the pattern's inner end
    // across the row indicator beside it (a codeword and two modules on each
    // side), with the expected codeword width (line coordinates with 8
    // fraction bits) and contrast; the outside flag is set beyond the
    // column's first or last record.
    bool CalcScanParameter(GrayImage const& image, Vector const& codeVector, unsigned step, bool reverse,
                           unsigned index, ScanParameter& parameter) const;

    unsigned GetType() const { return type_; }
    bool IsStop() const { return stop_; }
    bool IsReversed() const { return (type_ & 1u) != 0; }
    bool IsInverted() const { return (type_ & 2u) != 0; }
    void ResetPattern()
    {
        type_ = 0;
        stop_ = false;
        contrast_ = 0;
    }
    // The contrast of the pattern the column was started from.
    unsigned GetContrast() const { return contrast_; }
    void SetContrast(unsigned contrast) { contrast_ = contrast; }

private:
    // The step along the column of one scan line; false when too short.
    bool CalcScanStep(Vector const& codeVector, unsigned step, bool reverse, Vector& vector) const;

    unsigned type_ = 0;
    bool stop_ = false;
    unsigned contrast_ = 0;
};

// The start and stop columns built by one search.
class StartStopColumnDataStack : public StackInterface<StartStopColumnData> {
public:
    using StackInterface<StartStopColumnData>::StackInterface;
    enum Type : unsigned { kType0 = 0, kType1 = 1, kType2 = 2, kType3 = 3 };

    // The start and stop of one type; the answer is the sum of their record
    // counts (0: none).
    unsigned GetStartStopColumnDataPtr(Type type, StartStopColumnData const*& start,
                                       StartStopColumnData const*& stop) const;
    // The best pair of all types; false when there is none.
    bool GetStartStopColumnDataPtr(StartStopColumnData const*& start, StartStopColumnData const*& stop,
                                   bool& reversedPolarity) const;
};

}  // namespace DEC2DIvra
