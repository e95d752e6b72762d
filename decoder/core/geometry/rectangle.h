#pragma once

namespace DEC2DIvra {

// An axis-parallel rectangle; all four bounds belong to it.
struct Rectangle {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;

    friend bool operator==(Rectangle const&, Rectangle const&) = default;
};

}  // namespace DEC2DIvra
