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
    // The scan line of step `index` across the rows, `step` refining the
    // spacing (1 the coarsest), `reverse` walking the other way.
    bool CalcScanLine(GrayImage const& image, Vector const& codeVector, unsigned step, bool reverse, unsigned index,
                      Line& line) const;
    // The same scan line laid over the row indicator beside the pattern,
    // with the expected codeword width and contrast.
    bool CalcScanParameter(GrayImage const& image, Vector const& codeVector, unsigned step, bool reverse,
                           unsigned index, ScanParameter& parameter) const;

    unsigned GetType() const { return type_; }
    bool IsStop() const { return stop_; }
    void ResetPattern()
    {
        type_ = 0;
        stop_ = false;
    }

private:
    unsigned type_ = 0;
    bool stop_ = false;
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
