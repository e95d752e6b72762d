#include "decoder/legacy/engine/legacy_symbol_region_queue.h"

#include <algorithm>

namespace {

// Which tetragon of a region a query tests.
enum Target { kSkip, kFirst, kSecond };

using KindFilter = Target (*)(int kind);

bool IsBarKind(int kind) { return kind == -8 || kind == -2 || kind == -1 || kind == 1 || kind == 2 || kind == 8; }

// The x span of t's sides at row y (lo > hi when no side reaches the row).
void SpanAtRow(tagTetragon_t const* t, long long y, long long* lo, long long* hi)
{
    *lo = 1;
    *hi = 0;
    bool any = false;
    for (int i = 0; i < 4; ++i) {
        tagPoint_t const& a = t->corner[i];
        tagPoint_t const& b = t->corner[(i + 1) % 4];
        if (y < std::min(a.y, b.y) || y > std::max(a.y, b.y)) {
            continue;
        }
        long long x0 = a.x, x1 = b.x;
        if (a.y != b.y) {
            x0 = x1 = a.x + (y - a.y) * (static_cast<long long>(b.x) - a.x) / (static_cast<long long>(b.y) - a.y);
        }
        if (!any) {
            *lo = std::min(x0, x1);
            *hi = std::max(x0, x1);
            any = true;
        } else {
            *lo = std::min({*lo, x0, x1});
            *hi = std::max({*hi, x0, x1});
        }
    }
}

bool NearAlongRow(tagPoint_t const* p, tagTetragon_t const* t, int tolerance)
{
    long long lo = 0, hi = 0;
    SpanAtRow(t, p->y, &lo, &hi);
    return lo <= hi && p->x >= lo - tolerance && p->x <= hi + tolerance;
}

int Walk(tagPoint_t const* p, tagSymbolRegionQueue const* queue, int tolerance, KindFilter filter)
{
    int const count = std::clamp(queue->count, 0, kSymbolRegionQueueSize);
    for (int i = count - 1; i >= 0; --i) {
        tagSymbolRegion const* region = &queue->region[i];
        Target const target = filter(region->kind);
        if ((target == kFirst && PointIsNearSymbolRegion(p, region, tolerance)) ||
            (target == kSecond && PointIsNearSymbolRegionForComposite(p, region, tolerance))) {
            return 1;
        }
    }
    return 0;
}

int NearRect(tagPoint_t const* p, tagRect_t const* r, int tolerance)
{
    long long const t = tolerance;
    return p->x >= r->left - t && p->x <= r->right + t && p->y >= r->top - t && p->y <= r->bottom + t ? 1 : 0;
}

}  // namespace

void InitializeSymbolRegionQueue(tagSymbolRegionQueue* queue) { queue->count = 0; }

int AddSymbolRegion(tagSymbolRegionQueue* queue, tagSymbolRegion const* region)
{
    if (queue->count < 0 || queue->count >= kSymbolRegionQueueSize) {
        return 0;
    }
    queue->region[queue->count++] = *region;
    return 1;
}

int PointIsNearTetragon(tagPoint_t const* p, tagTetragon_t const* t, int tolerance)
{
    if (NearAlongRow(p, t, tolerance)) {
        return 1;
    }
    // The column test is the row test with x and y exchanged.
    tagPoint_t q = *p;
    ReplaceXY(&q);
    tagTetragon_t u = *t;
    for (tagPoint_t& c : u.corner) {
        ReplaceXY(&c);
    }
    return NearAlongRow(&q, &u, tolerance) ? 1 : 0;
}

int PointIsNearSymbolRegion(tagPoint_t const* p, tagSymbolRegion const* region, int tolerance)
{
    if (region->nearRectangle) {
        return NearRect(p, &region->bounds, tolerance);
    }
    return PointIsNearTetragon(p, &region->tetragon, tolerance);
}

int PointIsNearSymbolRegionForComposite(tagPoint_t const* p, tagSymbolRegion const* region, int tolerance)
{
    if (region->nearRectangle) {
        tagRect_t bounds{};
        TetragonToRect(&region->second, &bounds);
        return NearRect(p, &bounds, tolerance);
    }
    return PointIsNearTetragon(p, &region->second, tolerance);
}

int PointIsNearSymbolRegions(tagPoint_t const* p, tagSymbolRegionQueue const* queue, int tolerance)
{
    return Walk(p, queue, tolerance, [](int) { return kFirst; });
}

int PointIsNearSymbolRegionsNotError(tagPoint_t const* p, tagSymbolRegionQueue const* queue, int tolerance)
{
    return Walk(p, queue, tolerance, [](int kind) { return kind >= 0 ? kFirst : kSkip; });
}

int PointIsNearSymbolRegionsOnlyBar(tagPoint_t const* p, tagSymbolRegionQueue const* queue, int tolerance)
{
    return Walk(p, queue, tolerance, [](int kind) {
        return IsBarKind(kind) ? kFirst : (kind == 3 || kind == -3 ? kSecond : kSkip);
    });
}

int PointIsNearSymbolRegionsOnlySuccessBar(tagPoint_t const* p, tagSymbolRegionQueue const* queue, int tolerance)
{
    return Walk(p, queue, tolerance,
                [](int kind) { return IsBarKind(kind) ? kFirst : (kind == 3 ? kSecond : kSkip); });
}

int PointIsNearSymbolRegionsOnlyStack(tagPoint_t const* p, tagSymbolRegionQueue const* queue, int tolerance)
{
    return Walk(p, queue, tolerance, [](int kind) {
        int const k = kind < 0 ? -kind : kind;
        return k >= 2 && k <= 4 ? kFirst : kSkip;
    });
}

int PointIsNearSymbolRegionsNotBar(tagPoint_t const* p, tagSymbolRegionQueue const* queue, int tolerance)
{
    return Walk(p, queue, tolerance, [](int kind) {
        int const k = kind < 0 ? -kind : kind;
        return k == 1 || k == 3 || k == 8 ? kSkip : kFirst;
    });
}

int PointIsNearSymbolRegionsNotBarAndStack(tagPoint_t const* p, tagSymbolRegionQueue const* queue, int tolerance)
{
    return Walk(p, queue, tolerance, [](int kind) {
        int const k = kind < 0 ? -kind : kind;
        return (k >= 1 && k <= 4) || k == 8 ? kSkip : kFirst;
    });
}

int BarCodeRegionsIsInSymbolRegion(tagSymbolRegion const* region, tagSymbolRegionQueue const* queue)
{
    int const count = std::clamp(queue->count, 0, kSymbolRegionQueueSize);
    for (int i = 0; i < count; ++i) {
        tagSymbolRegion const& r = queue->region[i];
        tagPoint_t center{};
        if (r.kind == 1) {
            CulcCenterOfTetragon(&r.tetragon, &center);
        } else if (r.kind == 3) {
            CulcCenterOfTetragon(&r.second, &center);
        } else {
            continue;
        }
        if (PointIsNearSymbolRegion(&center, region, 0)) {
            return 1;
        }
    }
    return 0;
}

int IsInSymbolRegion(tagSymbolRegionQueue const* queue)
{
    int const count = std::clamp(queue->count, 0, kSymbolRegionQueueSize);
    for (int i = 0; i < count; ++i) {
        if (queue->region[i].inUse != 0) {
            return 1;
        }
    }
    return 0;
}

int IsNotError(tagSymbolRegion const* region) { return region->kind >= 0 ? 1 : 0; }
