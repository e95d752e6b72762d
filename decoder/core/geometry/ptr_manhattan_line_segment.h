#pragma once

#include "decoder/core/geometry/ptr_line_segment.h"

namespace DEC2DIvra {

// The 4-connected pixel walk of a segment: where the 8-connected walk takes a
// diagonal step, this walk visits a second pixel (the major step first, then
// the minor one). Line coordinates count half major-axis steps: the pixels of
// the 8-connected walk lie at even coordinates 2k and an inserted pixel at the
// odd coordinate 2k + 1 between them, so coordinates rise along the walk.
class PtrManhattanLineSegment {
public:
    bool Set(GrayImage const& image, LineSegment const& segment) { return line_.Set(image, segment); }

    LineSegment const& GetSegment() const { return line_.GetSegment(); }
    // Pixels in the walk: |d major| + |d minor| + 1.
    unsigned GetLength() const;

    bool CalcLineCoordPoint(GrayImage const& image, int coordinate, Point& point) const;
    bool CalcRealLineCoordPoint(GrayImage const& image, int coordinate, unsigned fractionBits, Point& point) const;
    bool CalcLineCoord(GrayImage const& image, Point const& point, int& coordinate) const;
    bool CalcRealLineCoord(GrayImage const& image, unsigned fractionBits, Point const& point, int& coordinate) const;

    template <class PickLineSubroutine>
    bool ExecuteAlongLineWithLineCoord(GrayImage const& image, PickLineSubroutine& pick) const
    {
        unsigned const length = line_.GetLength();
        if (length == 0 || image.GetPixels() == nullptr) {
            return false;
        }
        unsigned short const* address = line_.GetStartAddress();
        Point previous = line_.CalcWalkPoint(0);
        for (unsigned k = 0; k < length; ++k) {
            if (!pick.Start(*address, static_cast<int>(2 * k))) {
                return false;
            }
            if (k + 1 == length) {
                break;
            }
            Point const next = line_.CalcWalkPoint(k + 1);
            address += line_.GetMajorStep();
            if (next.x != previous.x && next.y != previous.y) {
                if (!pick.Start(*address, static_cast<int>(2 * k + 1))) {
                    return false;
                }
                address += line_.GetMinorStep();
            }
            previous = next;
        }
        return true;
    }

private:
    PtrLineSegment line_;
};

}  // namespace DEC2DIvra
