#pragma once

#include "decoder/core/geometry/vector.h"

namespace DEC2DIvra {

class StartStopColumnData;

// The row direction of a PDF417 symbol: from the middle of its start column
// to the middle of its stop column (1/256 pixel).
class CalcCodeVectorSubroutine {
public:
    // False without both columns, or when one holds more than twice as many
    // patterns as the other (they would not span the same rows).
    bool Start(StartStopColumnData const* start, StartStopColumnData const* stop, Vector& vector) const;
};

}  // namespace DEC2DIvra
