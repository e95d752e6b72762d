#pragma once

#include "decoder/core/containers/array_iterator.h"
#include "decoder/core/geometry/line.h"
#include "decoder/core/geometry/line_segment.h"
#include "decoder/core/geometry/point.h"

namespace DEC2DIvra {

class GrayImage;
struct ScanParameter;

// One codeword (or start, stop or row address pattern) read in the image:
// where its scan line enters and leaves it, what it reads and how sure.
struct ColumnDataElement {
    signed char row = -1;           // 0..89; -1 none
    unsigned short codeword = 0;    // 0..928 ('Z' for a start or stop record)
    unsigned short contrast = 0;    // window contrast / 4 (14 bits used)
    unsigned short score = 0;       // 65535 the surest
    LineSegment segment;            // 1/256 pixel
    unsigned cluster = 0;           // 0, 3 or 6
};

// The fits see an element through the point each of them uses: its
// segment's start or end (the border fits), or the position along the
// column (x or y of the segment's start) against its row number x 256 (the
// row straightening fits).
struct ColumnDataElementForStart {
    int x = 0;
    int y = 0;
    static ColumnDataElementForStart From(ColumnDataElement const& e) { return {e.segment.begin.x, e.segment.begin.y}; }
};
struct ColumnDataElementForEnd {
    int x = 0;
    int y = 0;
    static ColumnDataElementForEnd From(ColumnDataElement const& e) { return {e.segment.end.x, e.segment.end.y}; }
};
struct ColumnDataElementForSortX {
    int x = 0;
    int y = 0;
    static ColumnDataElementForSortX From(ColumnDataElement const& e) { return {e.segment.begin.x, e.row * 256}; }
};
struct ColumnDataElementForSortY {
    int x = 0;
    int y = 0;
    static ColumnDataElementForSortY From(ColumnDataElement const& e) { return {e.segment.begin.y, e.row * 256}; }
};

// The codewords read in one column of a stacked symbol, in order along the
// column once sorted, with the line fitted through their centres. The
// elements live in a fixed buffer handed in by the owner (a work-area slice
// or a member array); a full column takes nothing more.
class ColumnData {
public:
    static constexpr unsigned kCapacity = 480;
    static constexpr unsigned kModules = 17;

    ColumnData() = default;
    ColumnData(ColumnDataElement* buffer, unsigned capacity) { SetBuffer(buffer, capacity); }

    void SetBuffer(ColumnDataElement* buffer, unsigned capacity)
    {
        elements_ = buffer;
        capacity_ = buffer != nullptr ? capacity : 0;
        count_ = 0;
    }
    // Empties the column; the orientation and module count are kept.
    void Clear() { count_ = 0; }
    bool Push(ColumnDataElement const& element)
    {
        if (count_ >= capacity_) {
            return false;
        }
        elements_[count_++] = element;
        return true;
    }
    bool IsFull() const { return count_ >= capacity_; }
    unsigned GetCount() const { return count_; }
    unsigned GetCapacity() const { return capacity_; }
    ColumnDataElement& operator[](unsigned i) { return elements_[i]; }
    ColumnDataElement const& operator[](unsigned i) const { return elements_[i]; }
    ColumnDataElement const* GetElements() const { return elements_; }
    ColumnDataElement* GetElements() { return elements_; }
    // Removes element i, keeping the order of the others.
    void Remove(unsigned i);
    // Keeps the first `count` elements.
    void Truncate(unsigned count)
    {
        if (count < count_) {
            count_ = count;
        }
    }

    // 0: the column runs along x (segments cross it along y); 1: along y;
    // anything else: no sorting or straightening.
    unsigned GetOrientation() const { return orientation_; }
    void SetOrientation(unsigned orientation) { orientation_ = orientation; }
    unsigned GetModuleCount() const { return modules_; }
    void SetModuleCount(unsigned modules) { modules_ = modules; }
    Line const& GetCenterLine() const { return centerLine_; }

    void Sort();
    void DeleteOne();
    bool CheckRowNumbers() const;
    bool CalcRowNumberPoint(int row, Point& point) const;
    bool CalcLineSegment(unsigned rows, LineSegment& segment) const;
    bool CalcChebyshevWidth(unsigned& width) const;
    bool CalcChebyshevHeight(unsigned& height) const;
    bool CalcCenterLine();
    bool CalcStartLine(Line& line) const;
    bool CalcEndLine(Line& line) const;
    void AdjustX();
    void AdjustY();
    void DeleteIrregularWidth();
    bool CalcNearlyIndex(Line const& line, unsigned& lo, int& loDistance, unsigned& hi, int& hiDistance) const;
    bool CalcPickParameter(GrayImage const& image, Line const& line, unsigned& contrast, int& row,
                           bool& outside) const;
    bool CalcPickParameter(GrayImage const& image, Line const& line, int& row) const;
    // `narrow` lays the scan line over 23 modules, else over 25.5 (loose).
    bool CalcScanParameter(GrayImage const& image, Line const& line, ScanParameter& parameter, bool side,
                           bool narrow) const;

    // The centre of an element's segment.
    static Point CalcCenter(ColumnDataElement const& element);

protected:
    // The signed position of a point along the column (x for orientation 0,
    // y for 1, else along the axis on which the column spreads more).
    int CalcAxisPosition(Point const& point) const;

    ColumnDataElement* elements_ = nullptr;
    unsigned capacity_ = 0;
    unsigned count_ = 0;
    unsigned orientation_ = 0;
    Line centerLine_;
    unsigned modules_ = kModules;
};

}  // namespace DEC2DIvra
