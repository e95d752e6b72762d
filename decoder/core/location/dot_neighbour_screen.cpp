#include "decoder/core/location/dot_neighbour_screen.h"

namespace DEC2DIvra {

namespace {

int Larger(int a, int b) { return a > b ? a : b; }
int Distance(int a, int b) { return a > b ? a - b : b - a; }

}  // namespace

int DotNeighbourScreen::CalcUnitSize(Dot const& dot)
{
    int const size = static_cast<int>(dot.size);
    return Larger(1, dot.separation == Dot::kTwo ? size / 2 : size);
}

int DotNeighbourScreen::CalcReach(Dot const& dot)
{
    // 3.5 dot sizes, and a pixel for rounding at the smallest dots.
    return (7 * CalcUnitSize(dot)) / 2 + 2;
}

bool DotNeighbourScreen::IsLikeNeighbour(Dot const& a, Dot const& b)
{
    if (a.dark != b.dark) {
        return false;
    }
    int const sa = CalcUnitSize(a);
    int const sb = CalcUnitSize(b);
    int const s = Larger(sa, sb);
    // Sizes within a third of the larger, or a pixel.
    if (3 * Distance(sa, sb) > Larger(s, 3)) {
        return false;
    }
    long long const dx = a.position.x - b.position.x;
    long long const dy = a.position.y - b.position.y;
    long long const d2 = dx * dx + dy * dy;
    long long const reach = CalcReach(s == sa ? a : b);
    return d2 >= static_cast<long long>(s) * s && d2 <= reach * reach;
}

bool DotNeighbourScreen::IsAmongLikeDots(Dot const* dots, unsigned count, unsigned i, int largest)
{
    // The band of rows a neighbour may stand in: its reach, and the rows a
    // dot may stand away from the sweep order (half the largest dot and the
    // sweep's row step, at most kMaxStride).
    int const slack = Larger(largest, 1) + kMaxStride;
    Dot const& dot = dots[i];
    int const reach = CalcReach(dot);
    unsigned found = 0;
    for (unsigned j = i; j-- > 0 && found < kMinNeighbours;) {
        if (dots[j].position.y < dot.position.y - reach - slack) {
            break;
        }
        found += IsLikeNeighbour(dot, dots[j]) ? 1u : 0u;
    }
    for (unsigned j = i + 1; j < count && found < kMinNeighbours; ++j) {
        if (dots[j].position.y > dot.position.y + reach + slack) {
            break;
        }
        found += IsLikeNeighbour(dot, dots[j]) ? 1u : 0u;
    }
    return found >= kMinNeighbours;
}

unsigned DotNeighbourScreen::Start(Dot* dots, unsigned count, int openRow, int largest)
{
    unsigned const screened = count < kMaxDots ? count : kMaxDots;
    unsigned char keep[kMaxDots];
    for (unsigned i = 0; i < screened; ++i) {
        keep[i] = dots[i].position.y + CalcReach(dots[i]) > openRow || IsAmongLikeDots(dots, count, i, largest) ? 1 : 0;
    }
    unsigned kept = 0;
    for (unsigned i = 0; i < count; ++i) {
        if (i >= screened || keep[i] != 0) {
            dots[kept++] = dots[i];
        }
    }
    return kept;
}

}  // namespace DEC2DIvra
