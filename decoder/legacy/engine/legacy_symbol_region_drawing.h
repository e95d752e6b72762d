#pragma once

// Region outlines drawn into the image, for looking at what a search found:
// the tetragon's sides in black (0) for a region read, every second sample of
// them inverted for a failed attempt; a composite (kind 3) also gets its
// second tetragon in black.

#include "decoder/legacy/engine/legacy_pattern_image.h"
#include "decoder/legacy/engine/legacy_symbol_region_queue.h"

void DrawSymbolRegion(tagGrayImage_t const* image, tagSymbolRegion const* region);
void DrawSymbolRegions(tagGrayImage_t const* image, tagSymbolRegionQueue const* queue);
