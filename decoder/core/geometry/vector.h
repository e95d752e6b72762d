#pragma once

namespace DEC2DIvra {

// A displacement between two points.
struct Vector {
    int dx = 0;
    int dy = 0;

    friend bool operator==(Vector const&, Vector const&) = default;
};

}  // namespace DEC2DIvra
