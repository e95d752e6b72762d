#pragma once

#include "decoder/core/tag_decode_option.h"
#include "decoder/core/tag_decoded_label.h"
#include "decoder/core/identifiers/tag_symbology.h"

namespace DEC2DIvra {
class TwoDimensionDecoder;
struct DEC2DProperty;
}  // namespace DEC2DIvra

// The decoder's entry points. Every call accepts a null handle or identifier
// and then does nothing (answering 0).
using DEC2D_HANDLE = DEC2DIvra::TwoDimensionDecoder*;

// Registers the application's property table; call it before the first
// DEC2D_GetSingletonDecoderHandle, which builds the handle with it.
void DEC2D_SetDec2DProperty(DEC2DIvra::DEC2DProperty* property);
// The one process-wide handle, built on first use (thread-safe); null when its
// memory could not be had.
DEC2D_HANDLE DEC2D_GetSingletonDecoderHandle();
DEC2DIvra::DEC2DProperty* DEC2D_GetDec2DProperty(DEC2D_HANDLE handle);

// Stores the context words and the label callback; 1 when stored.
int DEC2D_ImplementFormatter(DEC2D_HANDLE handle, void* context, void* outputContext, void* spare,
                             DEC2D_LABEL_CALLBACK callback);
void DEC2D_OnTriggerDown(DEC2D_HANDLE handle);
// Decodes one frame (sample (x, y) at y * pitch + x) with the given options,
// or defaults scaled to the frame when option is null; nonzero when the
// callback accepted a label.
int DEC2D_Main(DEC2D_HANDLE handle, int width, int height, int pitch, unsigned short const* pixels,
               DEC2DIvra::tagDecodeOption const* option);

// Queries on a label's identifier (tagDecodedLabel::identifier).
tagSymbology DEC2D_GetSymbology(void const* identifier);
unsigned DEC2D_GetModifier(void const* identifier);
// Writes the AIM text and its NUL, at most `size` bytes; 0 when it does not
// fit (an empty text is then written when size allows).
int DEC2D_GetAIMIdentifier(void const* identifier, char* buffer, unsigned size);
char DEC2D_GetIvraIdentifier(void const* identifier);
