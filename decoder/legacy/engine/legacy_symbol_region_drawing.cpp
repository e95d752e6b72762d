#include "decoder/legacy/engine/legacy_symbol_region_drawing.h"

#include <algorithm>

#include "decoder/legacy/engine/legacy_pattern_subroutine.h"
#include "decoder/legacy/engine/legacy_pattern_walk.h"

namespace {

void Outline(tagGrayImage_t const* image, tagTetragon_t const* t, tagColorType colour, unsigned step)
{
    tagDrawSubrutine draw{};
    InitializeDrawSubrutine(&draw, colour);
    tagTetraborder_t border{};
    GetTetragonBorder(t, &border);
    for (tagSegment_t const& side : border.side) {
        AlongSegment(image, &side, step, &draw);
    }
}

}  // namespace

void DrawSymbolRegion(tagGrayImage_t const* image, tagSymbolRegion const* region)
{
    if (IsNotError(region)) {
        Outline(image, &region->tetragon, kColorBlack, 1);
    } else {
        Outline(image, &region->tetragon, kColorInvert, 2);
    }
    if (region->kind == 3) {
        Outline(image, &region->second, kColorBlack, 1);
    }
}

void DrawSymbolRegions(tagGrayImage_t const* image, tagSymbolRegionQueue const* queue)
{
    int const count = std::clamp(queue->count, 0, kSymbolRegionQueueSize);
    for (int i = 0; i < count; ++i) {
        DrawSymbolRegion(image, &queue->region[i]);
    }
}
