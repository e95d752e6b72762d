#pragma once
// The per-call decode options the decoder thread hands to the decoder core, filled from
// the settings: a 200 x 50 central window around the centre of a 640 x 480 frame, the
// read mode from the code search mode, the search step and the pre-filter switches.

#include "decoder/core/tag_decode_option.h"

// `previous` supplies the read mode when the code search mode is not one this system
// knows (the setting's value is then left out).
DEC2DIvra::tagDecodeOption CalcDecodeOptions(DEC2DIvra::tagDecodeOption const& previous);
