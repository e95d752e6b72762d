#include "decoder/stacked/pdf417/pdf_column.h"

#include "decoder/core/geometry/geometry.h"

namespace DEC2DIvra {

bool PDFColumn::CalcInnerLines()
{
    for (int k = 0; k < 17; ++k) {
        if (!Geometry::CalcDividingLine(34 - (2 * k + 1), first, 2 * k + 1, second, inner[static_cast<unsigned>(k)])) {
            return false;
        }
    }
    return true;
}

}  // namespace DEC2DIvra
