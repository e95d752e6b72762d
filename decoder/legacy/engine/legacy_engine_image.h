#pragma once

// The engine's image record and its whole-engine reset, as the adapter and
// the host's image settings see them.

// Resets the whole engine: a default 640 x 480 image, empty result tables,
// the reciprocal tables and every reader's start state.
void InitDecodeMainEx();
// The reciprocal tables of the common routines.
void reset_com00();
// The switches the host may mark inactive by default: none here.
void SetDefaultInactiveXSW();

// The host's image settings. Both the image's and the samplers' copies of
// the size are set; the offsets are added to corner coordinates by the
// central-area test.
void SetImageWidth(int width);
void SetImageHeight(int height);
void SetMovingObjectFlag(unsigned char moving);
void SetImageOffsetX(int offset);
void SetImageOffsetY(int offset);
int get_default_decode_area_width();
int get_default_decode_area_height();
