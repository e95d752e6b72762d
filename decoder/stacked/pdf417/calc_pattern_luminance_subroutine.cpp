#include "decoder/core/geometry/geometry.h"
#include "decoder/core/geometry/geometry_ex.h"
#include "decoder/core/gray_image.h"
#include "decoder/stacked/pdf417/pdf_column_scan_subroutine.h"

namespace DEC2DIvra {

bool CalcPatternLuminanceSubroutine::Start(GrayImage const& image, bool rowAddressPattern, LineSegment const& segment,
                                           Array<unsigned short, 15>& luminance, unsigned short& maximum,
                                           unsigned short& minimum) const
{
    // Module centres: (i + 1.5) / 17 of a codeword, (i + 2.5) / 10 of a row
    // address pattern, in twice the module count to stay whole.
    unsigned const count = rowAddressPattern ? CalcSegmentScoreSubroutine::kRowAddressModules
                                             : CalcSegmentScoreSubroutine::kCodewordModules;
    int const whole = rowAddressPattern ? 20 : 34;
    int const first = rowAddressPattern ? 5 : 3;
    long long const right = static_cast<long long>(image.GetWidth() - 1) * 256;
    long long const bottom = static_cast<long long>(image.GetHeight() - 1) * 256;
    unsigned short high = 0;
    unsigned short low = 1023;
    for (unsigned i = 0; i < count; ++i) {
        int const k = first + 2 * static_cast<int>(i);
        Point centre;
        if (!Geometry::CalcDividingPoint(whole - k, segment.begin, k, segment.end, centre) || centre.x < 0 ||
            centre.y < 0 || centre.x > right || centre.y > bottom) {
            return false;
        }
        unsigned const grey = GeometryEx::GetLuminance(image, centre, 8);
        luminance[i] = static_cast<unsigned short>(grey);
        high = luminance[i] > high ? luminance[i] : high;
        low = luminance[i] < low ? luminance[i] : low;
    }
    maximum = high;
    minimum = low;
    return true;
}

}  // namespace DEC2DIvra
