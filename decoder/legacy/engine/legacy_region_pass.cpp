#include "decoder/legacy/engine/legacy_region_pass.h"

#include <cstring>

#include "decoder/legacy/engine/legacy_driver.h"
#include "decoder/legacy/engine/legacy_pattern_geometry.h"
#include "decoder/legacy/engine/legacy_pattern_image.h"
#include "decoder/legacy/engine/legacy_settings_bridge.h"

namespace {

int composite1dComponent = 0;

tagPoint_t Midpoint(tagPoint_t a, tagPoint_t b) { return {(a.x + b.x) / 2, (a.y + b.y) / 2}; }

// The segment a-b lengthened by n pixels at both ends.
void Lengthen(tagPoint_t* a, tagPoint_t* b, int n)
{
    tagPoint_t v{b->x - a->x, b->y - a->y};
    SetVectorLength(&v, n);
    a->x -= v.x;
    a->y -= v.y;
    b->x += v.x;
    b->y += v.y;
}

int Pass(tagGrayImage_t* image, tagPoint_t a, tagPoint_t b, tagSymbolRegion* region)
{
    int corners[8] = {};
    if (TryDecodeOnLineEx(0, image, a.x, a.y, b.x, b.y, corners) != 0) {
        return 1;
    }
    for (int k = 0; k < 4; ++k) {
        region->tetragon.corner[k] = {corners[2 * k], corners[2 * k + 1]};
    }
    return 0;
}

}  // namespace

void Set_Composite1dComponent(int on) { composite1dComponent = on != 0 ? 1 : 0; }

int Get_Composite1dComponent() { return composite1dComponent; }

int TryDecodeOnSymbolRegionEx(tagGrayImage_t* image, tagSymbolRegion* region, unsigned)
{
    NEW_DECODE_INFO_st* const info = BeginRegionDecode(image, region);
    if (info == nullptr) {
        return 1;
    }
    tagPoint_t const* c = region->tetragon.corner;
    switch (region->kind) {
    case 2:
    case 4: {
        int const composite = Get_Composite1dComponent();
        info->enables.flag[kLegacyFlagPDF417] = (GetPDF417Enable() != 0 || composite != 0) ? 1 : 0;
        info->enables.flag[kLegacyFlagMicroPDF417] = (GetMicroPDF417Enable() != 0 || composite != 0) ? 1 : 0;
        tagPoint_t a = Midpoint(c[0], c[3]);
        tagPoint_t b = Midpoint(c[1], c[2]);
        if (region->kind == 2) {
            return Pass(image, a, b, region);
        }
        Lengthen(&a, &b, 32);
        if (Pass(image, a, b, region) == 0) {
            return 0;
        }
        a = Midpoint(c[0], c[1]);
        b = Midpoint(c[2], c[3]);
        Lengthen(&a, &b, 32);
        return Pass(image, a, b, region);
    }
    case 5:
    case 7: {
        info->enables.flag[kLegacyFlagDataMatrix] =
            (GetDataMatrixEcc200Enable() != 0 || GetDataMatrixEcc000Enable() != 0) ? 1 : 0;
        int const y = (region->bounds.top + region->bounds.bottom) / 2;
        return Pass(image, {region->bounds.left, y}, {region->bounds.right, y}, region);
    }
    default:
        return 1;
    }
}
