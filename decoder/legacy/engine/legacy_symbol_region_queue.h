#pragma once

// The queue of symbol regions found in one image (up to 64), and the
// nearness tests that keep a search away from what is already known: by
// region kind, newest region first.

#include "decoder/legacy/engine/legacy_pattern_geometry.h"

inline constexpr int kSymbolRegionQueueSize = 64;

struct tagSymbolRegionQueue {
    tagSymbolRegion region[kSymbolRegionQueueSize];
    int count;  // regions in use, from region[0]
};

void InitializeSymbolRegionQueue(tagSymbolRegionQueue* queue);
// Copies the region into the next slot: 1, or 0 when the queue is full.
int AddSymbolRegion(tagSymbolRegionQueue* queue, tagSymbolRegion const* region);

// 1 when p lies inside t, or within tolerance of it along x at p's row or
// along y at p's column.
int PointIsNearTetragon(tagPoint_t const* p, tagTetragon_t const* t, int tolerance);
// Near-rectangle regions: p within the bounds widened by tolerance; others by
// PointIsNearTetragon. The composite form tests the second tetragon.
int PointIsNearSymbolRegion(tagPoint_t const* p, tagSymbolRegion const* region, int tolerance);
int PointIsNearSymbolRegionForComposite(tagPoint_t const* p, tagSymbolRegion const* region, int tolerance);

// 1 at the first region, newest to oldest, of the kinds each query considers
// that p is near:
//   all regions; kind not negative;
//   bars: kinds +-8, +-2, +-1 (tetragon) and +-3 (second tetragon);
//   successful bars: the same kinds, but only kind 3 of the composites;
//   stacked: kinds +-4, +-3, +-2;
//   not bars: all but kinds +-8, +-3, +-1;
//   neither bars nor stacked: all but kinds +-8, +-4, +-3, +-2, +-1.
int PointIsNearSymbolRegions(tagPoint_t const* p, tagSymbolRegionQueue const* queue, int tolerance);
int PointIsNearSymbolRegionsNotError(tagPoint_t const* p, tagSymbolRegionQueue const* queue, int tolerance);
int PointIsNearSymbolRegionsOnlyBar(tagPoint_t const* p, tagSymbolRegionQueue const* queue, int tolerance);
int PointIsNearSymbolRegionsOnlySuccessBar(tagPoint_t const* p, tagSymbolRegionQueue const* queue, int tolerance);
int PointIsNearSymbolRegionsOnlyStack(tagPoint_t const* p, tagSymbolRegionQueue const* queue, int tolerance);
int PointIsNearSymbolRegionsNotBar(tagPoint_t const* p, tagSymbolRegionQueue const* queue, int tolerance);
int PointIsNearSymbolRegionsNotBarAndStack(tagPoint_t const* p, tagSymbolRegionQueue const* queue, int tolerance);

// 1 when the centre of a kind-1 region's tetragon, or of a kind-3 region's
// second tetragon, lies in region.
int BarCodeRegionsIsInSymbolRegion(tagSymbolRegion const* region, tagSymbolRegionQueue const* queue);
// 1 when a decode is working on some region of the queue.
int IsInSymbolRegion(tagSymbolRegionQueue const* queue);
int IsNotError(tagSymbolRegion const* region);
