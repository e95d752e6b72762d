#include "decoder/core/geometry/line_segment.h"

#include "decoder/core/geometry/geometry.h"

namespace DEC2DIvra {

bool LineSegment::CalcLine(Line& line) const { return Geometry::CalcLine(begin, end, line); }

}  // namespace DEC2DIvra
