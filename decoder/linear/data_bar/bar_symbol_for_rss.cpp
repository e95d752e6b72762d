#include "decoder/linear/data_bar/bar_symbol_for_rss.h"

#include "decoder/linear/roads/scan_line_segment.h"

namespace DEC2DIvra {

bool BarSymbolForRSS::CalcLineSegment(GrayImage const& image, bool reverse, unsigned modules,
                                      ScanLineSegment const& line)
{
    Point a;
    Point b;
    if (!line.CalcLineCoordPoint(image, begin, a) || !line.CalcLineCoordPoint(image, end, b)) {
        return false;
    }
    first = reverse ? b : a;
    last = reverse ? a : b;
    long long const dx = static_cast<long long>(b.x) - a.x;
    long long const dy = static_cast<long long>(b.y) - a.y;
    return (dx < 0 ? -dx : dx) + (dy < 0 ? -dy : dy) >= static_cast<long long>(modules);
}

}  // namespace DEC2DIvra
