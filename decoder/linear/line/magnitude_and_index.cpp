#include "decoder/linear/line/magnitude_and_index.h"

namespace DEC2DIvra {

namespace {

enum class Share { kBoth, kRawWidth, kMagnitude };

bool ShareModules(VirtualArray<MagnitudeAndIndex>& runs, unsigned total, unsigned minimum, unsigned maximum,
                  int offset, Share share)
{
    unsigned const count = runs.GetCount();
    if (count == 0) {
        return false;
    }
    long long remaining = total;
    bool fits = true;
    for (unsigned i = 0; i + 1 < count; ++i) {
        long long const left = count - i;  // runs still to serve, this one included
        long long weights = 0;
        long long widths = 0;
        for (unsigned j = i; j < count; ++j) {
            long long const w = static_cast<long long>(runs[j].magnitude) + offset;
            weights += w > 0 ? w : 0;
            widths += runs[j].rawWidth > 0 ? runs[j].rawWidth : 0;
        }
        long long const own = static_cast<long long>(runs[i].magnitude) + offset;
        long long const twelfths = weights > 0 ? remaining * (own > 0 ? own : 0) * 12 / weights : 0;
        long long const rawWidth = runs[i].rawWidth > 0 ? runs[i].rawWidth : 0;
        long long modules = 0;
        bool const byMagnitude =
            share == Share::kMagnitude ||
            (share == Share::kBoth && twelfths < 12LL * minimum + 5) || widths == 0;
        if (byMagnitude) {
            modules = (twelfths + 6) / 12;
        } else {
            modules = (remaining * rawWidth + widths / 2) / widths;
        }
        // Leave room for the later runs' limits, and never more than an even
        // share: the runs come in order of rising magnitude.
        long long floor = remaining - static_cast<long long>(maximum) * (left - 1);
        floor = floor > static_cast<long long>(minimum) ? floor : static_cast<long long>(minimum);
        modules = modules < floor ? floor : modules;
        long long const even = remaining / left;
        modules = modules > even ? even : modules;
        modules = modules < 0 ? 0 : modules;
        runs[i].modules = static_cast<unsigned>(modules);
        fits = fits && modules >= static_cast<long long>(minimum) && modules <= static_cast<long long>(maximum);
        remaining -= modules;
    }
    MagnitudeAndIndex& last = runs[count - 1];
    last.modules = remaining > 0 ? static_cast<unsigned>(remaining) : 0u;
    return fits && remaining >= static_cast<long long>(minimum) && remaining <= static_cast<long long>(maximum);
}

}  // namespace

bool MagnitudeAndIndex::CalcUnitWidth(VirtualArray<MagnitudeAndIndex>& runs, unsigned total, unsigned minimum,
                                      unsigned maximum, int offset)
{
    return ShareModules(runs, total, minimum, maximum, offset, Share::kBoth);
}

bool MagnitudeAndIndex::CalcUnitWidthOnlyRawWidth(VirtualArray<MagnitudeAndIndex>& runs, unsigned total,
                                                  unsigned minimum, unsigned maximum, int offset)
{
    return ShareModules(runs, total, minimum, maximum, offset, Share::kRawWidth);
}

bool MagnitudeAndIndex::CalcUnitWidthOnlyMagnitude(VirtualArray<MagnitudeAndIndex>& runs, unsigned total,
                                                   unsigned minimum, unsigned maximum, int offset)
{
    return ShareModules(runs, total, minimum, maximum, offset, Share::kMagnitude);
}

void MagnitudeAndIndex::SortByMagnitude(MagnitudeAndIndex* runs, unsigned count)
{
    for (unsigned i = 1; i < count; ++i) {
        MagnitudeAndIndex const item = runs[i];
        unsigned j = i;
        while (j > 0 && runs[j - 1].magnitude > item.magnitude) {
            runs[j] = runs[j - 1];
            --j;
        }
        runs[j] = item;
    }
}

bool MagnitudeAndIndex::CheckUnitWidth(VirtualArray<MagnitudeAndIndex>& runs, int tolerance)
{
    int lowest = 0;
    int highest = 0;
    for (unsigned i = 0; i < runs.GetCount() && runs[i].modules == 1; ++i) {
        if (i == 0 || runs[i].magnitude < lowest) {
            lowest = runs[i].magnitude;
        }
        if (i == 0 || runs[i].magnitude > highest) {
            highest = runs[i].magnitude;
        }
    }
    return static_cast<long long>(highest) - lowest <= tolerance;
}

bool MagnitudeAndIndex::CalcPattern(VirtualArray<MagnitudeAndIndex const> const& first,
                                    VirtualArray<MagnitudeAndIndex const> const& second, bool reversed,
                                    unsigned& pattern)
{
    unsigned long long bits = 0;
    unsigned const total = first.GetCount() + second.GetCount();
    bool lastFromSecond = false;
    bool any = false;
    int previous = 0;
    // Take the runs by index; each step picks the next index after the last
    // one taken, from whichever list holds it.
    for (unsigned taken = 0; taken < total; ++taken) {
        MagnitudeAndIndex const* next = nullptr;
        bool fromSecond = false;
        auto consider = [&](VirtualArray<MagnitudeAndIndex const> const& list, bool isSecond) {
            for (MagnitudeAndIndex const& run : list) {
                bool const after = !any || (reversed ? run.index < previous : run.index > previous);
                bool const better =
                    next == nullptr || (reversed ? run.index > next->index : run.index < next->index);
                if (after && better) {
                    next = &run;
                    fromSecond = isSecond;
                }
            }
        };
        consider(first, false);
        consider(second, true);
        if (next == nullptr) {
            break;  // repeated indexes: each index is laid once
        }
        unsigned const modules = next->modules < 32 ? next->modules : 32;
        bits = (bits << modules) | (fromSecond ? ((1ULL << modules) - 1) : 0ULL);
        previous = next->index;
        lastFromSecond = fromSecond;
        any = true;
    }
    pattern = static_cast<unsigned>(bits);
    return any && !lastFromSecond;
}

}  // namespace DEC2DIvra
