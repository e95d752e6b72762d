#include "decoder/legacy/engine/legacy_arctan.h"

#include <cstdlib>

// clang-format off
unsigned short const deg_tan[47] = {
        0,  1144,  2288,  3434,  4582,  5733,  6887,  8046,  9210, 10379,
    11555, 12738, 13929, 15129, 16338, 17559, 18790, 20035, 21292, 22564,
    23851, 25155, 26476, 27816, 29176, 30557, 31961, 33389, 34843, 36324,
    37834, 39374, 40948, 42556, 44201, 45885, 47610, 49380, 51198, 53065,
    54986, 56964, 59003, 61108, 63282, 65530, 65535,
};
// clang-format on

int search_arctan(int t)
{
    if (t >= deg_tan[45]) {
        return 45;
    }
    if (t <= 0) {
        return 0;
    }
    // Halving steps over the 46 entries find k with deg_tan[k] <= t <
    // deg_tan[k + 1]; the nearer of the two wins.
    int k = 0;
    for (int step = 32; step >= 1; step >>= 1) {
        if (k + step <= 45 && deg_tan[k + step] <= t) {
            k += step;
        }
    }
    return k < 45 && deg_tan[k + 1] - t < t - deg_tan[k] ? k + 1 : k;
}

int rough_arctan(int dy, int dx)
{
    long long const ax = std::llabs(static_cast<long long>(dx));
    long long const ay = std::llabs(static_cast<long long>(dy));
    if (ax == 0 && ay == 0) {
        return 0;
    }
    // The angle of the smaller over the larger component, 0 .. 45, then
    // reflected into the octant and quadrant of (dx, dy).
    long long const small = ax < ay ? ax : ay;
    long long const large = ax < ay ? ay : ax;
    int const octant = search_arctan(static_cast<int>((small * 65530 + large / 2) / large));
    int const first = ay > ax ? 90 - octant : octant;
    int angle = dx >= 0 ? first : 180 - first;
    if (dy < 0) {
        angle = 360 - angle;
    }
    return angle % 360;
}
