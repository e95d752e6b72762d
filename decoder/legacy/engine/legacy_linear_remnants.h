#pragma once

// The legacy engine reads no linear symbols (the linear decoders do); what is
// left of its linear reader is the per-image reset, which has nothing to reset.
int reset_1D();
