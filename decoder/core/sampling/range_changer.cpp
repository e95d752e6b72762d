#include "decoder/core/sampling/range_changer.h"

namespace DEC2DIvra {

namespace {

// Block starts along one axis: 0, step, 2 step, ... with the last moved back
// to size - step when it would pass the end.
unsigned CalcBlockStart(unsigned index, unsigned step, unsigned size)
{
    unsigned long long const start = static_cast<unsigned long long>(index) * step;
    if (start + step > size) {
        return size > step ? size - step : 0;
    }
    return static_cast<unsigned>(start);
}

}  // namespace

bool RangeChanger::AutoHighLowCut(CommonLuminanceMap& map, Vector const& block)
{
    unsigned const width = map.GetWidth();
    unsigned const height = map.GetHeight();
    if (width == 0 || height == 0 || block.dx < 1 || block.dy < 1) {
        return false;
    }
    unsigned const bx = static_cast<unsigned>(block.dx);
    unsigned const by = static_cast<unsigned>(block.dy);
    unsigned const columns = (width + bx - 1) / bx;
    unsigned const rows = (height + by - 1) / by;
    for (unsigned j = 0; j < rows; ++j) {
        unsigned const y0 = CalcBlockStart(j, by, height);
        unsigned const y1 = y0 + by < height ? y0 + by : height;
        for (unsigned i = 0; i < columns; ++i) {
            unsigned const x0 = CalcBlockStart(i, bx, width);
            unsigned const x1 = x0 + bx < width ? x0 + bx : width;
            unsigned low = 0xFFFF;
            unsigned high = 0;
            for (unsigned y = y0; y < y1; ++y) {
                for (unsigned x = x0; x < x1; ++x) {
                    unsigned const v = map.At(x, y);
                    low = v < low ? v : low;
                    high = v > high ? v : high;
                }
            }
            unsigned const cap = (low + 3 * high) / 4;
            for (unsigned y = y0; y < y1; ++y) {
                for (unsigned x = x0; x < x1; ++x) {
                    unsigned short& v = map.At(x, y);
                    v = v > cap ? static_cast<unsigned short>(cap) : v;
                }
            }
        }
    }
    return true;
}

}  // namespace DEC2DIvra
