#include "decoder/legacy/engine/legacy_pattern_walk.h"

#include <cstdlib>

namespace {

long long StepOf(unsigned int step) { return step == 0 ? 1 : step; }

int Visit(tagGrayImage_t const* image, long long x, long long y, void* s)
{
    unsigned short const* sample = nullptr;
    if (x >= 0 && y >= 0 && x < image->width && y < image->height) {
        tagPoint_t const p{static_cast<int>(x), static_cast<int>(y)};
        sample = SampleAt(image, &p);
    }
    return ExecuteSubrutine(s, image, sample) == kSubrutineBreak ? kSubrutineBreak : 0;
}

// |length| samples from (x, y) along (dx, dy), every step-th.
int AlongAxis(tagGrayImage_t const* image, tagPoint_t const* begin, int dx, int dy, int length, unsigned int step,
              void* s)
{
    long long const n = std::llabs(static_cast<long long>(length));
    long long const sign = length < 0 ? -1 : 1;
    for (long long i = 0; i < n; i += StepOf(step)) {
        if (Visit(image, begin->x + sign * dx * i, begin->y + sign * dy * i, s) == kSubrutineBreak) {
            return kSubrutineBreak;
        }
    }
    return 0;
}

// Rows first + parity, first + parity + rowStep, ...; in each row the samples
// from left + shift (shift alternating with the row when checkered).
int Fill(tagGrayImage_t const* image, tagPatternRect_t const* rect, int rowStep, int columnStep, bool checkered,
         void* s)
{
    tagRect_t r{};
    PatternRectToRect(image, rect, &r);
    for (long long y = r.top, row = 0; y <= r.bottom; y += rowStep, row += rowStep) {
        long long const shift = checkered ? (row & 1) : 0;
        for (long long x = r.left + shift; x <= r.right; x += columnStep) {
            if (Visit(image, x, y, s) == kSubrutineBreak) {
                return kSubrutineBreak;
            }
        }
    }
    return 0;
}

}  // namespace

int AlongSegment(tagGrayImage_t const* image, tagSegment_t const* segment, unsigned int step, void* s)
{
    long long const dx = static_cast<long long>(segment->end.x) - segment->begin.x;
    long long const dy = static_cast<long long>(segment->end.y) - segment->begin.y;
    bool const flat = std::llabs(dx) >= std::llabs(dy);
    long long const major = std::llabs(flat ? dx : dy);
    long long const minor = std::llabs(flat ? dy : dx);
    if (major == 0) {
        return 0;
    }
    long long const majorSign = (flat ? dx : dy) < 0 ? -1 : 1;
    long long const minorSign = (flat ? dy : dx) < 0 ? -1 : 1;
    long long const q = (major << 16) / (minor + 1);
    long long moved = 0;
    for (long long i = 0; i < major; i += StepOf(step)) {
        while (moved < minor && (i << 16) > (moved + 1) * q) {
            ++moved;
        }
        long long const a = majorSign * i, b = minorSign * moved;
        long long const x = segment->begin.x + (flat ? a : b);
        long long const y = segment->begin.y + (flat ? b : a);
        if (Visit(image, x, y, s) == kSubrutineBreak) {
            return kSubrutineBreak;
        }
    }
    return 0;
}

int AlongVerticalSegment(tagGrayImage_t const* image, tagVerticalSegment_t const* segment, unsigned int step, void* s)
{
    return AlongAxis(image, &segment->begin, 0, 1, segment->length, step, s);
}

int AlongHorizontalSegment(tagGrayImage_t const* image, tagHorizontalSegment_t const* segment, unsigned int step,
                           void* s)
{
    return AlongAxis(image, &segment->begin, 1, 0, segment->length, step, s);
}

int AlongCyclePatternSegment(tagGrayImage_t const* image, tagCyclePatternSegment_t const* segment, void* s)
{
    // Walked as an index, so that a walk leaving the image never forms a
    // pointer outside it; such samples are visited as nullptr.
    bool const started = image->pixels != nullptr && segment->start != nullptr;
    long long index = started ? segment->start - image->pixels : -1;
    long long const size = static_cast<long long>(image->width) * image->height;
    for (int k = 0; k < segment->count; ++k) {
        unsigned short const* sample = started && index >= 0 && index < size ? image->pixels + index : nullptr;
        if (ExecuteSubrutine(s, image, sample) == kSubrutineBreak) {
            return kSubrutineBreak;
        }
        index += segment->offset[k % 4];
    }
    return 0;
}

int AlongDirectionSegment(tagGrayImage_t const* image, tagDirectionSegment_t const* segment, int n, void* s)
{
    tagCyclePatternSegment_t cycle{};
    DirectionSegmentToCyclePatternSegment(image, segment, n, &cycle);
    return AlongCyclePatternSegment(image, &cycle, s);
}

int FillRect(tagGrayImage_t const* image, tagPatternRect_t const* rect, void* s)
{
    return Fill(image, rect, 1, 1, false, s);
}

int HalfFillRect(tagGrayImage_t const* image, tagPatternRect_t const* rect, void* s)
{
    return Fill(image, rect, 1, 2, true, s);
}

int QuarterFillRect(tagGrayImage_t const* image, tagPatternRect_t const* rect, void* s)
{
    return Fill(image, rect, 2, 2, false, s);
}

int AlongSmallRectCross(tagGrayImage_t const* image, tagPatternRect_t const* rect, unsigned int step, void* s)
{
    tagRect_t r{};
    PatternRectToRect(image, rect, &r);
    tagPoint_t center{};
    CulcCenterOfRect(&r, &center);
    tagHorizontalSegment_t const row{{r.left, center.y}, r.right - r.left + 1};
    if (AlongHorizontalSegment(image, &row, step, s) == kSubrutineBreak) {
        return kSubrutineBreak;
    }
    tagVerticalSegment_t const column{{center.x, r.top}, r.bottom - r.top + 1};
    return AlongVerticalSegment(image, &column, step, s);
}
