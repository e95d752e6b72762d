#pragma once

// Walks over the samples of a segment, a rectangle or a cross, calling a
// subroutine at each. Each walker answers kSubrutineBreak when the subroutine
// broke off (the walk ends there) and 0 otherwise. Samples outside the image
// are visited as nullptr; a step below 1 is taken as 1.

#include "decoder/legacy/engine/legacy_pattern_image.h"
#include "decoder/legacy/engine/legacy_pattern_subroutine.h"

// From begin toward end along the major axis, every step-th of the M samples
// that cover the major extent M (the end point itself is left to the next
// side of an outline, so that shared corners are visited once); the minor
// coordinate moves one sample each time the major count passes the next
// multiple of q = M x 65536 / (m + 1) (16.16 fixed point, m the minor
// extent). A segment of one point visits nothing.
int AlongSegment(tagGrayImage_t const* image, tagSegment_t const* segment, unsigned int step, void* s);
// Every step-th of the |length| samples from begin.
int AlongVerticalSegment(tagGrayImage_t const* image, tagVerticalSegment_t const* segment, unsigned int step, void* s);
int AlongHorizontalSegment(tagGrayImage_t const* image, tagHorizontalSegment_t const* segment, unsigned int step,
                           void* s);
// count samples from the start, moving by the four offsets in turn.
int AlongCyclePatternSegment(tagGrayImage_t const* image, tagCyclePatternSegment_t const* segment, void* s);
// The cyclic walk of the direction segment with n offsets a step.
int AlongDirectionSegment(tagGrayImage_t const* image, tagDirectionSegment_t const* segment, int n, void* s);
// Every sample; every second one, shifted by one on odd rows (a
// checkerboard); every second one of every second row.
int FillRect(tagGrayImage_t const* image, tagPatternRect_t const* rect, void* s);
int HalfFillRect(tagGrayImage_t const* image, tagPatternRect_t const* rect, void* s);
int QuarterFillRect(tagGrayImage_t const* image, tagPatternRect_t const* rect, void* s);
// Every step-th sample of the middle row, then of the middle column.
int AlongSmallRectCross(tagGrayImage_t const* image, tagPatternRect_t const* rect, unsigned int step, void* s);
