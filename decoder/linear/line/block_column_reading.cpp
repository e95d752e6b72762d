#include "decoder/linear/line/block_column_reading.h"

namespace DEC2DIvra {

int CalcBlockElementWidth(MultiLineBlockData const& column)
{
    if (column.GetMinElementWidth() > 0) {
        return column.GetMinElementWidth();
    }
    long long sum = 0;
    for (MultiLineBlockData::Entry const& entry : column) {
        sum += entry.width;
    }
    return column.IsEmpty() ? 0 : static_cast<int>(sum / column.GetCount());
}

bool CalcBlockColumnStart(MultiLineBlockData const& previous, int line, int lead, BlockColumnStart& out)
{
    constexpr long long kLimit = 0x7FFFFFFFLL;
    long long const end = previous.GetEndLineCoord(line);
    long long const width = end - previous.GetBeginLineCoord(line);
    long long const contrast = previous.GetContrast(line);
    long long const start = end - lead;
    if (width <= 0 || width > kLimit || contrast <= 0 || contrast > kLimit || lead < 0 || end > kLimit ||
        start < -kLimit || start > kLimit) {
        return false;
    }
    out.start = static_cast<int>(start);
    out.end = static_cast<int>(end);
    out.contrast = static_cast<unsigned>(contrast);
    out.width = static_cast<unsigned>(width);
    return true;
}

}  // namespace DEC2DIvra
