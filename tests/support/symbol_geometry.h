#pragma once
// A zint symbol as ink shapes in module units: what the renderer draws.

#include "tests/support/polygon.h"
#include "tests/support/symbol_renderer.h"

#include <string>
#include <vector>

namespace support {

struct InkShape {
    Polygon outline;      // convex; axis-aligned boxes use the box alone
    double x0 = 0.0;      // bounding box
    double y0 = 0.0;
    double x1 = 0.0;
    double y1 = 0.0;
    bool isBox = false;
    bool subtract = false; // a hole drawn in the label colour over ink
};

struct SymbolGeometry {
    bool ok = false;
    std::string error;
    std::string text;
    int rows = 0;
    int columns = 0;
    // The symbol proper spans [0, width] x [0, height]; human-readable text
    // may lie outside it, inside the label box.
    double width = 0.0;
    double height = 0.0;
    double labelX0 = 0.0;
    double labelY0 = 0.0;
    double labelX1 = 0.0;
    double labelY1 = 0.0;
    std::vector<InkShape> shapes;
};

SymbolGeometry encodeSymbol(SymbolInput const& input);

} // namespace support
