#pragma once

// Per-sample subroutines of the pattern walks: a record whose first member is
// the function called once for each visited sample; the walk stops at once
// when it answers kSubrutineBreak.

#include "decoder/legacy/engine/legacy_pattern_image.h"

inline constexpr int kSubrutineNoOperation = 0;
inline constexpr int kSubrutineError = 1;
inline constexpr int kSubrutineContinue = 2;
inline constexpr int kSubrutineBreak = 4;
inline constexpr int kSubrutineRequestDecode = 6;

// (record, image, item): the item is the visited sample (nullptr for one
// outside the image), or for the point, rectangle and cyclic-segment kinds
// the thing visited.
using tagSubrutineFunction = int (*)(void* record, tagGrayImage_t const* image, void const* item);

struct tagSubrutine {
    tagSubrutineFunction function;
};

// The fixed answers 0, 1, 2, 4 and 6.
extern tagSubrutine SUBRUTINE_NO_OPERATION_INSTANCE;
extern tagSubrutine SUBRUTINE_RETURN_ERROR_INSTANCE;
extern tagSubrutine SUBRUTINE_RETURN_CONTINUE_INSTANCE;
extern tagSubrutine SUBRUTINE_RETURN_BREAK_INSTANCE;
extern tagSubrutine SUBRUTINE_RETURN_REQUEST_DECODE_INSTANCE;

// Copies each visited sample into a buffer of capacity samples (white, 1023,
// for a sample outside the image) and answers 0; with the buffer full it
// copies nothing and answers kSubrutineBreak.
struct tagPickSubrutine {
    tagSubrutineFunction function;
    unsigned short* start;
    unsigned short* current;
    unsigned short* end;
};
void InitializePickSubrutine(tagPickSubrutine* s, unsigned short* buffer, int capacity);

// Two subroutines in turn. The first runs until it has broken off; the second
// runs until it breaks off, and its answer (4 from then on) is the answer.
struct tagDoubleSubrutine {
    tagSubrutineFunction function;
    void* first;
    void* second;
    int firstAnswer;
    int secondAnswer;
};
void InitializeDoubleSubrutine(tagDoubleSubrutine* s, void* first, void* second);

// Colour 0 or 1 sets the sample to 0, colour 2 inverts its 16 bits; samples
// outside the image are left alone. Answers 0.
enum tagColorType { kColorBlack = 0, kColorDark = 1, kColorInvert = 2 };
struct tagDrawSubrutine {
    tagSubrutineFunction function;
};
void InitializeDrawSubrutine(tagDrawSubrutine* s, tagColorType colour);

int ExecuteSubrutine(void* s, tagGrayImage_t const* image, unsigned short const* sample);
int ExecutePointSubrutine(void* s, tagGrayImage_t const* image, tagPoint_t const* point);
int ExecuteRectSubrutine(void* s, tagGrayImage_t const* image, tagPatternRect_t const* rect);
int ExecuteCyclePatternSegmentSubrutine(void* s, tagGrayImage_t const* image,
                                        tagCyclePatternSegment_t const* segment);
