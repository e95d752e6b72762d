#pragma once

#include "decoder/core/gray_image.h"
#include "decoder/core/geometry/line_segment.h"
#include "decoder/core/geometry/rectangle.h"

namespace DEC2DIvra {

// The border of an image (or of any rectangle): the segments top, right,
// bottom and left in that order around it. Inside means
// left <= x <= right and top <= y <= bottom.
class RectangleBorder {
public:
    RectangleBorder() = default;
    explicit RectangleBorder(Rectangle const& rectangle) { Set(rectangle); }
    explicit RectangleBorder(GrayImage const& image)
    {
        Set(Rectangle{0, 0, image.GetWidth() - 1, image.GetHeight() - 1});
    }

    void Set(Rectangle const& rectangle)
    {
        rectangle_ = rectangle;
        Point const tl{rectangle.left, rectangle.top};
        Point const tr{rectangle.right, rectangle.top};
        Point const br{rectangle.right, rectangle.bottom};
        Point const bl{rectangle.left, rectangle.bottom};
        side_[0] = LineSegment{tl, tr};
        side_[1] = LineSegment{tr, br};
        side_[2] = LineSegment{br, bl};
        side_[3] = LineSegment{bl, tl};
    }

    Rectangle const& GetRectangle() const { return rectangle_; }
    LineSegment const& GetSide(unsigned i) const { return side_[i & 3]; }
    bool IsEmpty() const { return rectangle_.left > rectangle_.right || rectangle_.top > rectangle_.bottom; }

    bool IsInside(Point const& p) const
    {
        return p.x >= rectangle_.left && p.x <= rectangle_.right && p.y >= rectangle_.top &&
               p.y <= rectangle_.bottom;
    }

private:
    Rectangle rectangle_{0, 0, -1, -1};
    LineSegment side_[4];
};

}  // namespace DEC2DIvra
