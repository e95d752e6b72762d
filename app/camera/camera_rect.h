#pragma once
// An inclusive rectangle of sensor coordinates.

#include <cstdint>

struct Rect {
    std::uint16_t left = 0;
    std::uint16_t top = 0;
    std::uint16_t right = 0;
    std::uint16_t bottom = 0;

    int width() const { return right - left + 1; }
    int height() const { return bottom - top + 1; }
};
