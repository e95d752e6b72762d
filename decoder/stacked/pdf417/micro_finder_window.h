#pragma once

#include "decoder/core/containers/stack_interface.h"
#include "decoder/core/geometry/point.h"
#include "decoder/linear/line/scan_element.h"
#include "decoder/stacked/pdf417/finder_candidate.h"

namespace DEC2DIvra {

class GrayImage;
class PDFScanLine;

// The row address pattern that a scan line shows where a candidate of an
// earlier line lies: the window of six runs that begins with the
// candidate's first colour near its begin and spans its length within a
// twentieth, read in the candidate's direction, of the candidate's set.
class MicroFinderWindow {
public:
    bool Read(GrayImage const& image, PDFScanLine const& line, StackInterface<ScanElement> const& runs,
              FinderCandidate const& candidate);

    // Table number (65 and up for the center set) and number within the set.
    unsigned GetTableNumber() const { return table_; }
    int GetNumber() const { return number_; }
    // The pattern met as a candidate with the flags of `candidate`.
    void Fill(FinderCandidate const& candidate, int number, FinderCandidate& found) const;

private:
    unsigned table_ = 0;
    int number_ = 0;
    unsigned contrast_ = 0;
    Point begin_;
    Point end_;
};

}  // namespace DEC2DIvra
