#pragma once

#include <cstdint>

namespace DEC2DIvra {

// The head of every group of the property table: a counter word that the
// group's construction takes from -1 to 0. Decoders find a group by its place
// in the table; nothing reads the counter after construction.
struct PropertyGroup {
    PropertyGroup() { ++counter; }

    std::int32_t counter = -1;
};

}  // namespace DEC2DIvra
