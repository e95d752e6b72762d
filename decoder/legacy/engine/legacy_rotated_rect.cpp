#include "decoder/legacy/engine/legacy_rotated_rect.h"

#include <algorithm>
#include <cstdlib>

namespace {

constexpr int kSevereLimit = 17;
constexpr int kBroadLimit = 25;

struct Sides {
    tagDirection_t direction[4];
    int length[4];
};

void MeasureSides(tagTetragon_t const* t, Sides* sides)
{
    tagTetraborder_t border{};
    GetTetragonBorder(t, &border);
    for (int i = 0; i < 4; ++i) {
        tagPoint_t v{};
        GetSegmentVector(&border.side[i], &v);
        sides->direction[i] = CulcDirection(&v);
        sides->length[i] = CulcVectorLengthLite(&v);
    }
}

bool LengthsMatch(int a, int b) { return std::abs(a - b) < std::max(a, b) / 2; }

// Steps away from parallel (0 .. 8) and from square (0 .. 8).
int ParallelDeviation(tagDirection_t a, tagDirection_t b) { return std::abs((CulcAngle(a, b) + 8) % 16 - 8); }
int SquareDeviation(tagDirection_t a, tagDirection_t b) { return std::abs(CulcAngle(a, b) % 16 - 8); }

int Passes(tagTetragon_t const* t, int limit)
{
    Sides s{};
    MeasureSides(t, &s);
    if (!LengthsMatch(s.length[0], s.length[2]) || !LengthsMatch(s.length[1], s.length[3])) {
        return 0;
    }
    int score = 0;
    for (int i = 0; i < 2; ++i) {
        int const p = ParallelDeviation(s.direction[i], s.direction[i + 2]);
        score += p * p;
    }
    for (int i = 0; i < 4; ++i) {
        int const q = SquareDeviation(s.direction[i], s.direction[(i + 1) % 4]);
        score += q * q;
    }
    return score < limit ? 1 : 0;
}

}  // namespace

int IsNearRotatedRectangleSeverely(tagTetragon_t const* t) { return Passes(t, kSevereLimit); }

int IsNearRotatedRectangle(tagTetragon_t const* t) { return IsNearRotatedRectangleSeverely(t); }

int IsNearRotatedRectangleBroad(tagTetragon_t const* t) { return Passes(t, kBroadLimit); }

int IsNearRotetedTrapezoid(tagTetragon_t const* t, tagDirection_t* d)
{
    Sides s{};
    MeasureSides(t, &s);
    for (int i = 0; i < 2; ++i) {
        if (ParallelDeviation(s.direction[i], s.direction[i + 2]) <= 1) {
            *d = s.direction[i];
            return 1;
        }
    }
    return 0;
}
