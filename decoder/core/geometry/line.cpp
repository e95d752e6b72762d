#include "decoder/core/geometry/line.h"

#include <climits>

namespace DEC2DIvra {

namespace {

bool FitsInt(long long v) { return v >= INT_MIN && v <= INT_MAX; }

}  // namespace

bool Line::Set(long long a_, long long b_, long long c_)
{
    while (!FitsInt(a_) || !FitsInt(b_) || !FitsInt(c_)) {
        a_ /= 2;
        b_ /= 2;
        c_ /= 2;
    }
    a = static_cast<int>(a_);
    b = static_cast<int>(b_);
    c = static_cast<int>(c_);
    return IsValid();
}

bool Line::MoveTo(Point const& point)
{
    long long const sum = static_cast<long long>(a) * point.x + static_cast<long long>(b) * point.y;
    return Set(a, b, -sum);
}

bool Line::Move(Vector const& shift)
{
    long long const moved = static_cast<long long>(c) - static_cast<long long>(a) * shift.dx -
                            static_cast<long long>(b) * shift.dy;
    return Set(a, b, moved);
}

}  // namespace DEC2DIvra
