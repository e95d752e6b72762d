#pragma once

#include "decoder/core/geometry/point.h"
#include "decoder/core/geometry/vector.h"

namespace DEC2DIvra {

// The straight line a * x + b * y + c = 0 with 32-bit coefficients. Its
// direction is (-b, a). Whenever c would not fit 32 bits, a, b and c are
// halved together (rounding toward zero) until it does.
class Line {
public:
    int a = 0;
    int b = 0;
    int c = 0;

    Line() = default;
    Line(int a_, int b_, int c_) : a(a_), b(b_), c(c_) {}

    // Sets the coefficients from 64-bit values with the halving rule applied
    // to all three; false when a and b are both 0 afterwards.
    bool Set(long long a_, long long b_, long long c_);

    // The parallel line through the point: c = -(a x + b y).
    bool MoveTo(Point const& point);
    // The line shifted by the vector: c = c - a dx - b dy.
    bool Move(Vector const& shift);

    bool IsValid() const { return a != 0 || b != 0; }

    // a x + b y + c at the point, exact in 64 bits.
    long long Evaluate(Point const& point) const
    {
        return static_cast<long long>(a) * point.x + static_cast<long long>(b) * point.y + c;
    }

    friend bool operator==(Line const&, Line const&) = default;
};

}  // namespace DEC2DIvra
