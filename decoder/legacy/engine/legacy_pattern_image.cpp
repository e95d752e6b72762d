#include "decoder/legacy/engine/legacy_pattern_image.h"

namespace {

// Floor division, so that offsets before the first sample land on rows above it.
long long FloorDiv(long long a, long long b)
{
    long long q = a / b;
    if ((a % b != 0) && ((a < 0) != (b < 0))) {
        --q;
    }
    return q;
}

}  // namespace

void InitializeGrayImage(tagGrayImage_t* image, unsigned short* pixels, int width, int height)
{
    bool const usable = pixels != nullptr && width > 0 && height > 0;
    image->pixels = usable ? pixels : nullptr;
    image->width = usable ? width : 0;
    image->height = usable ? height : 0;
    CulcDirectionOffsets(image);
}

void CulcDirectionOffsets(tagGrayImage_t* image)
{
    int const w = image->width;
    int const table[kDirectionCount][4] = {
        {w + 1, w + 1, w + 1, w + 1}, {w + 1, 1, w + 1, w + 1}, {1, w + 1, 1, w + 1}, {1, 1, 1, w + 1},
        {1, 1, 1, 1},                 {-1, -1, -1, w - 1},      {-1, w - 1, -1, w - 1}, {w - 1, -1, w - 1, w - 1},
        {w - 1, w - 1, w - 1, w - 1}, {w - 1, w, w - 1, w - 1}, {w, w - 1, w, w - 1},   {w, w, w, w - 1},
        {w, w, w, w},                 {w, w, w, w + 1},         {w, w + 1, w, w + 1},   {w + 1, w, w + 1, w + 1},
    };
    for (int d = 0; d < kDirectionCount; ++d) {
        for (int k = 0; k < 4; ++k) {
            image->offsets[d][k] = table[d][k];
        }
    }
}

tagPatternPoint PointToPatternPoint(tagGrayImage_t const* image, tagPoint_t const* p)
{
    if (image->pixels == nullptr) {
        return nullptr;
    }
    return image->pixels + VectorToPatternVector(image, p);
}

tagPatternVector VectorToPatternVector(tagGrayImage_t const* image, tagPoint_t const* v)
{
    return static_cast<tagPatternVector>(v->x) + static_cast<tagPatternVector>(v->y) * image->width;
}

void PatternPointToPoint(tagGrayImage_t const* image, tagPatternPoint pp, tagPoint_t* p)
{
    if (image->pixels == nullptr || pp == nullptr || image->width <= 0) {
        *p = {0, 0};
        return;
    }
    long long const index = pp - image->pixels;
    long long const row = FloorDiv(index, image->width);
    *p = {static_cast<int>(index - row * image->width), static_cast<int>(row)};
}

void GetImageRect(tagGrayImage_t const* image, int margin, tagRect_t* rect)
{
    *rect = {margin + 1, margin + 1, image->width - margin - 1, image->height - margin - 1};
}

int PatternPointInImage(tagGrayImage_t const* image, tagPatternPoint pp)
{
    if (image->pixels == nullptr || pp == nullptr) {
        return 0;
    }
    long long const size = static_cast<long long>(image->width) * image->height;
    return pp >= image->pixels && pp - image->pixels < size ? 1 : 0;
}

tagPatternPoint SampleAt(tagGrayImage_t const* image, tagPoint_t const* p)
{
    if (p->x < 0 || p->y < 0 || p->x >= image->width || p->y >= image->height) {
        return nullptr;
    }
    return PointToPatternPoint(image, p);
}

void GetDirectionPatternVectors(tagGrayImage_t const* image, tagDirection_t d, tagPatternVector out[4])
{
    CulcDirectionPatternVectors(image, d, 0, 1, out);
}

tagPatternVector GetDirectionPatternVectorLengthFour(tagGrayImage_t const* image, tagDirection_t d)
{
    tagPatternVector v[4];
    CulcDirectionPatternVectors(image, d, 0, 4, v);
    return v[0];
}

void CulcDirectionPatternVectors(tagGrayImage_t const* image, tagDirection_t d, int reverse, int n,
                                 tagPatternVector out[4])
{
    int const* cycle = image->offsets[(d % kDirectionCount + kDirectionCount) % kDirectionCount];
    int next = 0;
    for (int k = 0; k < 4; ++k) {
        tagPatternVector sum = 0;
        for (int i = 0; i < n; ++i) {
            sum += cycle[next];
            next = (next + 1) % 4;
        }
        out[k] = reverse ? -sum : sum;
    }
}

void MakeDirectionCyclePatternSegment(tagGrayImage_t const* image, tagPatternPoint start, tagDirection_t d,
                                      int length, int n, tagCyclePatternSegment_t* out)
{
    out->start = start;
    CulcDirectionPatternVectors(image, d, 0, n < 1 ? 1 : n, out->offset);
    out->count = n < 1 || length < 0 ? 0 : length / n;
}

void DirectionSegmentToCyclePatternSegment(tagGrayImage_t const* image, tagDirectionSegment_t const* segment, int n,
                                           tagCyclePatternSegment_t* out)
{
    tagPoint_t back{};
    GetDirectionVector(segment->direction, &back);
    SetVectorLength(&back, segment->length / 2);
    tagPoint_t start{segment->center.x - back.x, segment->center.y - back.y};
    MakeDirectionCyclePatternSegment(image, PointToPatternPoint(image, &start), segment->direction, segment->length,
                                     n, out);
}

void ShiftPatternSegment(tagCyclePatternSegment_t* segment, tagPatternVector v)
{
    if (segment->start != nullptr) {
        segment->start += v;
    }
}

void ShiftPatternSegmentByVector(tagGrayImage_t const* image, tagCyclePatternSegment_t* segment,
                                 tagPoint_t const* v)
{
    ShiftPatternSegment(segment, VectorToPatternVector(image, v));
}

void RectToPatternRect(tagGrayImage_t const* image, tagRect_t const* rect, tagPatternRect_t* out)
{
    tagPoint_t const tl{rect->left, rect->top}, tr{rect->right, rect->top}, bl{rect->left, rect->bottom};
    *out = {PointToPatternPoint(image, &tl), PointToPatternPoint(image, &tr), PointToPatternPoint(image, &bl)};
}

void PatternRectToRect(tagGrayImage_t const* image, tagPatternRect_t const* in, tagRect_t* rect)
{
    tagPoint_t tl{}, tr{}, bl{};
    PatternPointToPoint(image, in->topLeft, &tl);
    PatternPointToPoint(image, in->topRight, &tr);
    PatternPointToPoint(image, in->bottomLeft, &bl);
    *rect = {tl.x, tl.y, tr.x, bl.y};
}

void MakePatternRectFromCenterAndSize(tagGrayImage_t const* image, tagPoint_t const* center, int width, int height,
                                      tagPatternRect_t* out)
{
    int const left = center->x - width / 2;
    int const top = center->y - height / 2;
    tagRect_t const rect{left, top, left + width - 1, top + height - 1};
    RectToPatternRect(image, &rect, out);
}

void ShiftPatternRect(tagPatternRect_t* rect, tagPatternVector v)
{
    if (rect->topLeft == nullptr || rect->topRight == nullptr || rect->bottomLeft == nullptr) {
        return;
    }
    rect->topLeft += v;
    rect->topRight += v;
    rect->bottomLeft += v;
}

void ShiftPatternRectByVector(tagGrayImage_t const* image, tagPatternRect_t* rect, tagPoint_t const* v)
{
    ShiftPatternRect(rect, VectorToPatternVector(image, v));
}

tagPatternPoint CulcCenterPatternPoint(tagGrayImage_t const* image, tagPatternPoint a, tagPatternPoint b)
{
    tagPoint_t pa{}, pb{}, c{};
    PatternPointToPoint(image, a, &pa);
    PatternPointToPoint(image, b, &pb);
    CulcCenterPoint(&pa, &pb, &c);
    return PointToPatternPoint(image, &c);
}

tagPatternPoint CulcCenterOfPatternRect(tagGrayImage_t const* image, tagPatternRect_t const* rect)
{
    return CulcCenterPatternPoint(image, rect->topRight, rect->bottomLeft);
}
