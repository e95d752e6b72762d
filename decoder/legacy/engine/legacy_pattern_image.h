#pragma once

// The grey image of the legacy engine's pattern layer, addressed sample by
// sample: a pattern point is a pointer to one 16-bit sample, a pattern vector
// a sample offset dx + dy W. Built on it: rectangles and cyclic walks given as
// pattern points and offsets.

#include <cstddef>

#include "decoder/legacy/engine/legacy_pattern_geometry.h"

struct NEW_DECODE_INFO_st;
struct DECODE_EXEC_STATUS_st;

// Pixels row after row, width samples a row; the direction offsets are those
// of this width. A decode call also hangs its two 256-byte work areas and its
// decode records on the image (the pattern layer leaves them alone).
struct tagGrayImage_t {
    unsigned short* pixels;
    int width;
    int height;
    int offsets[kDirectionCount][4];
    unsigned char* work[2];
    int cleared[2];
    NEW_DECODE_INFO_st* decodeInfo;
    DECODE_EXEC_STATUS_st* handled;
};

using tagPatternPoint = unsigned short const*;
using tagPatternVector = std::ptrdiff_t;

// Top-left, top-right and bottom-left corners.
struct tagPatternRect_t {
    tagPatternPoint topLeft;
    tagPatternPoint topRight;
    tagPatternPoint bottomLeft;
};

// count samples from start, moving by the four offsets in turn.
struct tagCyclePatternSegment_t {
    tagPatternPoint start;
    tagPatternVector offset[4];
    int count;
};

// length samples (along the major axis) of direction d, centred on centre.
struct tagDirectionSegment_t {
    tagDirection_t direction;
    tagPoint_t center;
    int length;
};

// Axis-parallel runs of |length| samples from begin; a negative length runs
// up the column or left along the row.
struct tagVerticalSegment_t {
    tagPoint_t begin;
    int length;
};
struct tagHorizontalSegment_t {
    tagPoint_t begin;
    int length;
};

// Stores the pixels and sizes and fills the direction offsets. A width or
// height below 1, or no pixels, gives an empty image (0 x 0) that holds no
// sample.
void InitializeGrayImage(tagGrayImage_t* image, unsigned short* pixels, int width, int height);
// For each direction a cycle of four sample offsets that walks along it:
// single steps along x (1, -1), y (W) or both (W + 1, W - 1), mixed in the
// proportion of the direction's vector.
void CulcDirectionOffsets(tagGrayImage_t* image);

tagPatternPoint PointToPatternPoint(tagGrayImage_t const* image, tagPoint_t const* p);
tagPatternVector VectorToPatternVector(tagGrayImage_t const* image, tagPoint_t const* v);
// Back from a pattern point (rows counted with floor division, so points
// before the first sample get negative rows).
void PatternPointToPoint(tagGrayImage_t const* image, tagPatternPoint pp, tagPoint_t* p);
// (margin + 1, margin + 1, W - margin - 1, H - margin - 1).
void GetImageRect(tagGrayImage_t const* image, int margin, tagRect_t* rect);
// 1 when pp addresses a sample of the image.
int PatternPointInImage(tagGrayImage_t const* image, tagPatternPoint pp);
// The sample at p, or nullptr when p lies outside the image.
tagPatternPoint SampleAt(tagGrayImage_t const* image, tagPoint_t const* p);

void GetDirectionPatternVectors(tagGrayImage_t const* image, tagDirection_t d, tagPatternVector out[4]);
tagPatternVector GetDirectionPatternVectorLengthFour(tagGrayImage_t const* image, tagDirection_t d);
// out[k] = the sum of n consecutive offsets of the direction's cycle, k = 0 .. 3,
// continuing round the cycle; negated when reverse.
void CulcDirectionPatternVectors(tagGrayImage_t const* image, tagDirection_t d, int reverse, int n,
                                 tagPatternVector out[4]);

// A cyclic walk of length / n steps (n offsets each) from start along d; no
// steps for n < 1.
void MakeDirectionCyclePatternSegment(tagGrayImage_t const* image, tagPatternPoint start, tagDirection_t d,
                                      int length, int n, tagCyclePatternSegment_t* out);
// The same from a direction segment: the start is its centre moved back by
// half its length along the direction.
void DirectionSegmentToCyclePatternSegment(tagGrayImage_t const* image, tagDirectionSegment_t const* segment, int n,
                                           tagCyclePatternSegment_t* out);
void ShiftPatternSegment(tagCyclePatternSegment_t* segment, tagPatternVector v);
void ShiftPatternSegmentByVector(tagGrayImage_t const* image, tagCyclePatternSegment_t* segment,
                                 tagPoint_t const* v);

void RectToPatternRect(tagGrayImage_t const* image, tagRect_t const* rect, tagPatternRect_t* out);
// The inclusive rectangle of a pattern rectangle.
void PatternRectToRect(tagGrayImage_t const* image, tagPatternRect_t const* in, tagRect_t* rect);
// width x height samples, the top-left corner at centre - (width / 2, height / 2).
void MakePatternRectFromCenterAndSize(tagGrayImage_t const* image, tagPoint_t const* center, int width, int height,
                                      tagPatternRect_t* out);
void ShiftPatternRect(tagPatternRect_t* rect, tagPatternVector v);
void ShiftPatternRectByVector(tagGrayImage_t const* image, tagPatternRect_t* rect, tagPoint_t const* v);
// Centres in whole samples, rounded down.
tagPatternPoint CulcCenterPatternPoint(tagGrayImage_t const* image, tagPatternPoint a, tagPatternPoint b);
tagPatternPoint CulcCenterOfPatternRect(tagGrayImage_t const* image, tagPatternRect_t const* rect);
