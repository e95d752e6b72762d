#include "decoder/linear/roads/pick_line_stack_for_average_scan.h"

namespace DEC2DIvra {

bool PickLineStackForAverageScan::Add(StackInterface<PickLineElement>& sum, StackInterface<PickLineElement> const& line,
                                      int shift)
{
    long long const lineCount = line.GetCount();
    unsigned used = 0;
    for (unsigned i = 0; i < sum.GetCount(); ++i) {
        long long source = static_cast<long long>(i) + shift;
        source = source < 0 ? 0 : source;
        if (source >= lineCount) {
            break;
        }
        sum[i].coordinate += line[static_cast<unsigned>(source)].coordinate;
        sum[i].grey += line[static_cast<unsigned>(source)].grey;
        ++used;
    }
    sum.SetCount(used);
    return used > 0;
}

bool PickLineStackForAverageScan::Divide(StackInterface<PickLineElement>& sum, int count)
{
    if (count < 1) {
        return false;
    }
    for (PickLineElement& e : sum) {
        e.coordinate /= count;
        e.grey /= static_cast<unsigned>(count);
    }
    return true;
}

}  // namespace DEC2DIvra
