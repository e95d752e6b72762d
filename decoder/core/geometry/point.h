#pragma once

namespace DEC2DIvra {

// A pixel position; x to the right, y downward. Sub-pixel points carry their
// fraction bits in the same integers where a caller says so.
struct Point {
    int x = 0;
    int y = 0;

    friend bool operator==(Point const&, Point const&) = default;
};

}  // namespace DEC2DIvra
