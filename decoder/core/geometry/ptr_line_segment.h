#pragma once

#include "decoder/core/gray_image.h"
#include "decoder/core/geometry/line_segment.h"
#include "decoder/core/geometry/point.h"

namespace DEC2DIvra {

// The pixel-walk form of a segment (8-connected): one pixel per step along the
// major axis, the minor axis advancing when the error term passes half the
// major length. Line coordinate k is the k-th pixel of the walk, counted in
// major-axis steps from the begin point (0 .. length - 1); coordinates outside
// that range extend the line.
class PtrLineSegment {
public:
    // False (and nothing set) when an end lies outside the image.
    bool Set(GrayImage const& image, LineSegment const& segment);

    LineSegment const& GetSegment() const { return segment_; }
    unsigned GetLength() const { return length_; }
    bool IsXMajor() const { return xMajor_; }

    // The pixel at a line coordinate; false when it lies outside the image.
    bool CalcLineCoordPoint(GrayImage const& image, int coordinate, Point& point) const;
    // The point at a coordinate with `fractionBits` fraction bits, as a point
    // with the same fraction bits; false outside the image.
    bool CalcRealLineCoordPoint(GrayImage const& image, int coordinate, unsigned fractionBits, Point& point) const;
    // The line coordinate of a point: its offset from the begin point along
    // the major axis (whole pixels, or with fraction bits for the real form).
    bool CalcLineCoord(GrayImage const& image, Point const& point, int& coordinate) const;
    bool CalcRealLineCoord(GrayImage const& image, unsigned fractionBits, Point const& point, int& coordinate) const;

    // Hands every pixel of the walk, with its line coordinate, to
    // pick.Start(grey value, coordinate); stops (false) when that answers
    // false.
    template <class PickLineSubroutine>
    bool ExecuteAlongLineWithLineCoord(GrayImage const& image, PickLineSubroutine& pick) const
    {
        if (length_ == 0 || image.GetPixels() != pixels_) {
            return false;
        }
        unsigned short const* address = start_;
        long long error = majorLength_;
        for (unsigned k = 0; k < length_; ++k) {
            if (!pick.Start(*address, static_cast<int>(k))) {
                return false;
            }
            if (k + 1 == length_) {
                break;
            }
            address += majorStep_;
            error += 2 * minorLength_;
            if (error >= 2 * majorLength_) {
                error -= 2 * majorLength_;
                address += minorStep_;
            }
        }
        return true;
    }

    unsigned short const* GetStartAddress() const { return start_; }
    int GetMajorStep() const { return majorStep_; }
    int GetMinorStep() const { return minorStep_; }

    // The point of step k along the walk (no image check).
    Point CalcWalkPoint(long long k) const;

private:
    LineSegment segment_;
    unsigned short const* pixels_ = nullptr;
    unsigned short const* start_ = nullptr;
    int majorStep_ = 0;  // address offset of one major-axis step
    int minorStep_ = 0;  // address offset of one minor-axis step
    int majorSign_ = 1;
    int minorSign_ = 1;
    long long majorLength_ = 0;  // |d major|
    long long minorLength_ = 0;  // |d minor|
    unsigned length_ = 0;        // pixels in the walk
    bool xMajor_ = true;
};

}  // namespace DEC2DIvra
